#include "MainWindowPlace.h"

#include "platform/Twips.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

struct WindowValue {
    const char* name;
    const char* defaultText;
};
constexpr WindowValue WindowValues[] = {
    {"MainLeft", "1000"}, {"MainTop", "1000"}, {"MainWidth", "20000"}, {"MainHeight", "20000"}};

// The leading number of a text, as the settings were always read; no number gives 0.
double numericValue(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(0).trimmed().toDouble() : 0.0;
}

// The screen that shows most of rect; nullptr when rect lies on none.
QScreen* screenShowing(const QRect& rect)
{
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(rect);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

// rect made no larger than area and moved into it.
QRect fittedInto(QRect rect, const QRect& area)
{
    rect.setSize(rect.size().boundedTo(area.size()));
    rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() - rect.width() + 1));
    rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() - rect.height() + 1));
    return rect;
}

std::array<int, 4> values(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

} // namespace

QString MainWindowPlace::valueName(int i) { return QLatin1String(WindowValues[i].name); }
QString MainWindowPlace::defaultText(int i) { return QLatin1String(WindowValues[i].defaultText); }

QRect MainWindowPlace::open(const std::array<QString, 4>& stored)
{
    std::array<int, 4> twips{};
    for (int i = 0; i < 4; ++i)
        twips[i] = int(std::lround(numericValue(stored[i])));
    QRect r(twipsToPx(twips[0]), twipsToPx(twips[1]), twipsToPx(twips[2]), twipsToPx(twips[3]));
    // A damaged rectangle would open an invisible window; the stored values stay until the next close.
    QScreen* screen = r.isValid() ? screenShowing(r) : nullptr;
    if (screen == nullptr) {
        twips = {1000, 1000, 20000, 20000};
        r = QRect(twipsToPx(1000), twipsToPx(1000), twipsToPx(20000), twipsToPx(20000));
        screen = screenShowing(r);
    }
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    // The window opens whole on its screen, log and status bar included; the stored
    // values change only when the user moves or resizes it.
    if (screen != nullptr)
        r = fittedInto(r, screen->availableGeometry());
    m_loadedTwips = twips;
    m_loadedPx = values(r);
    return r;
}

std::optional<QRect> MainWindowPlace::fitFrame(const QRect& frame, const QRect& window) const
{
    const QScreen* screen = screenShowing(frame);
    if (screen == nullptr || screen->availableGeometry().contains(frame))
        return std::nullopt;
    const QRect fitted = fittedInto(frame, screen->availableGeometry());
    return QRect(fitted.topLeft(), window.size() - (frame.size() - fitted.size()));
}

void MainWindowPlace::fitted(const QRect& before, const QRect& after)
{
    const std::array<int, 4> from = values(before);
    const std::array<int, 4> to = values(after);
    for (int i = 0; i < 4; ++i)
        if (from[i] == m_loadedPx[i])
            m_loadedPx[i] = to[i];
}

std::array<int, 4> MainWindowPlace::toStore(const QRect& window) const
{
    const std::array<int, 4> px = values(window);
    std::array<int, 4> twips{};
    for (int i = 0; i < 4; ++i)
        twips[i] = px[i] == m_loadedPx[i] ? m_loadedTwips[i] : pxToTwips(px[i]);
    return twips;
}
