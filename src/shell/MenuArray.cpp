#include "MenuArray.h"

#include <QAction>
#include <QMenu>

MenuArray::MenuArray(const QString& name, QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_name(name)
    , m_menu(menu)
{
    setObjectName(name);
}

QAction* MenuArray::insert(int index, QAction* action)
{
    action->setObjectName(QStringLiteral("%1(%2)").arg(m_name).arg(index));
    m_items.insert(index, action);
    return action;
}

QAction* MenuArray::add(int index, const QString& caption)
{
    // A separator carries no text: some styles draw a separator's text as a section title.
    const bool separator = caption == QLatin1String("-");
    QAction* a = m_menu->addAction(separator ? QString() : caption);
    a->setSeparator(separator);
    connect(a, &QAction::triggered, this, [this, a, index] {
        // Qt toggles a checkable item on its own; the handlers decide the mark.
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        Q_EMIT Click(int16_t(index));
    });
    return insert(index, a);
}

QMenu* MenuArray::addSubmenu(int index, const QString& caption)
{
    auto* sub = new QMenu(caption, m_menu);
    sub->setObjectName(QStringLiteral("%1(%2)").arg(m_name).arg(index) + QStringLiteral("_menu"));
    m_menu->addMenu(sub);
    connect(sub, &QMenu::aboutToShow, this, [this, index] { Q_EMIT Click(int16_t(index)); });
    insert(index, sub->menuAction());
    return sub;
}

bool MenuArray::isChecked(int index) const
{
    const QAction* a = item(index);
    return a && a->isChecked();
}

void MenuArray::setChecked(int index, bool checked)
{
    QAction* a = item(index);
    if (!a)
        return;
    // Only a checked item is checkable, so unchecked items show no empty box.
    if (checked)
        a->setCheckable(true);
    a->setChecked(checked);
    if (!checked)
        a->setCheckable(false);
}

bool MenuArray::isVisible(int index) const
{
    const QAction* a = item(index);
    return a && a->isVisible();
}

void MenuArray::setVisible(int index, bool visible)
{
    if (QAction* a = item(index))
        a->setVisible(visible);
}

bool MenuArray::isEnabled(int index) const
{
    const QAction* a = item(index);
    return a && a->isEnabled();
}

void MenuArray::setEnabled(int index, bool enabled)
{
    if (QAction* a = item(index))
        a->setEnabled(enabled);
}

QString MenuArray::caption(int index) const
{
    const QAction* a = item(index);
    return a ? a->text() : QString();
}

void MenuArray::setCaption(int index, const QString& caption)
{
    QAction* a = item(index);
    if (!a || a->isSeparator())
        return;
    a->setText(caption);
}
