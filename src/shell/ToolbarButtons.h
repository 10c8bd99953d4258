#pragma once
// The main window's toolbar: buttons addressed by position (from 1) and by
// key. A button's state is 0 (up) or 1 (pressed); only handlers change it.
#include <QMap>
#include <QObject>
#include <QString>

class QAction;
class QIcon;
class QToolBar;

class ToolbarButtons : public QObject {
    Q_OBJECT
public:
    explicit ToolbarButtons(QToolBar* bar, QObject* parent = nullptr);

    QToolBar* toolBar() const { return m_bar; }

    // Appends the button at position (positions are appended in order).
    QAction* add(int position, const QString& key, const QString& toolTip, const QIcon& icon);
    // Appends a position that shows as a gap; it may still carry a key.
    QAction* addPlaceholder(int position, const QString& key = {});

    QAction* button(int position) const { return m_byPosition.value(position); }
    QAction* button(const QString& key) const; // key compared case-sensitively
    QString key(int position) const;

    int value(const QString& key) const;
    void setValue(const QString& key, int state);

Q_SIGNALS:
    void ButtonClick(const QString& key);

private:
    QAction* insert(int position, const QString& key, QAction* action);

    QToolBar* m_bar;
    QMap<int, QAction*> m_byPosition;
};
