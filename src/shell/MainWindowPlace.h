#pragma once
// Where the main window opens and what it stores of its place at close. The stored
// rectangle is in twips; the window opens whole on the screen that shows most of it
// (at the default rectangle when it lies on none), and a value that neither the user
// nor the fitting changed is stored again as it was read, so pixel rounding never
// makes it drift.
#include <QRect>
#include <QString>
#include <array>
#include <optional>

class MainWindowPlace {
public:
    // "MainLeft", "MainTop", "MainWidth", "MainHeight" and their defaults.
    static QString valueName(int i);
    static QString defaultText(int i);

    // The rectangle (position and size, in pixels) the window opens in for the four stored texts.
    QRect open(const std::array<QString, 4>& stored);
    // Once shown: where the window goes when its frame does not lie whole on its screen.
    std::optional<QRect> fitFrame(const QRect& frame, const QRect& window) const;
    // The window went from before to after by the fitting, not by the user.
    void fitted(const QRect& before, const QRect& after);
    // The twips to store at close for the window's rectangle.
    std::array<int, 4> toStore(const QRect& window) const;

private:
    std::array<int, 4> m_loadedTwips{};
    std::array<int, 4> m_loadedPx{};
};
