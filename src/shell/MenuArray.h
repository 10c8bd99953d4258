#pragma once
// A menu whose items are addressed by index, as the main window's commands
// dispatch on them. Check marks change only when a handler sets them: a click
// raises Click and leaves the mark as it was.
#include <QMap>
#include <QObject>
#include <QString>
#include <cstdint>

class QAction;
class QMenu;

class MenuArray : public QObject {
    Q_OBJECT
public:
    // name is the array's name; items are called name(index).
    MenuArray(const QString& name, QMenu* menu, QObject* parent = nullptr);

    QString name() const { return m_name; }
    QMenu* menu() const { return m_menu; }

    // Appends item index; the caption "-" makes a separator.
    QAction* add(int index, const QString& caption);
    // Appends an item that opens a submenu; opening it raises Click with that index.
    QMenu* addSubmenu(int index, const QString& caption);

    // nullptr for an index that does not exist.
    QAction* item(int index) const { return m_items.value(index); }
    QList<int> indexes() const { return m_items.keys(); }

    bool isChecked(int index) const;
    void setChecked(int index, bool checked);
    bool isVisible(int index) const;
    void setVisible(int index, bool visible);
    bool isEnabled(int index) const;
    void setEnabled(int index, bool enabled);
    QString caption(int index) const;
    void setCaption(int index, const QString& caption);

Q_SIGNALS:
    void Click(int16_t index);

private:
    QAction* insert(int index, QAction* action);

    QString m_name;
    QMenu* m_menu;
    QMap<int, QAction*> m_items;
};
