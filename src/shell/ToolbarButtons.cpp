#include "ToolbarButtons.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>

namespace {
const char* const KeyProperty = "buttonKey";
}

ToolbarButtons::ToolbarButtons(QToolBar* bar, QObject* parent)
    : QObject(parent)
    , m_bar(bar)
{
}

QAction* ToolbarButtons::insert(int position, const QString& key, QAction* action)
{
    action->setProperty(KeyProperty, key);
    action->setObjectName(key.isEmpty() ? QStringLiteral("tbToolBar(%1)").arg(position) : key);
    m_byPosition.insert(position, action);
    return action;
}

QAction* ToolbarButtons::add(int position, const QString& key, const QString& toolTip, const QIcon& icon)
{
    QAction* a = m_bar->addAction(icon, toolTip);
    a->setToolTip(toolTip);
    connect(a, &QAction::triggered, this, [this, a] {
        // Qt toggles a checkable button on its own; the handlers decide the state.
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        Q_EMIT ButtonClick(a->property(KeyProperty).toString());
    });
    return insert(position, key, a);
}

QAction* ToolbarButtons::addPlaceholder(int position, const QString& key)
{
    return insert(position, key, m_bar->addSeparator());
}

QAction* ToolbarButtons::button(const QString& key) const
{
    if (key.isEmpty())
        return nullptr;
    for (QAction* a : m_byPosition)
        if (a->property(KeyProperty).toString() == key)
            return a;
    return nullptr;
}

QString ToolbarButtons::key(int position) const
{
    const QAction* a = button(position);
    return a ? a->property(KeyProperty).toString() : QString();
}

int ToolbarButtons::value(const QString& key) const
{
    const QAction* a = button(key);
    return a && a->isChecked() ? 1 : 0;
}

void ToolbarButtons::setValue(const QString& key, int state)
{
    QAction* a = button(key);
    if (!a || a->isSeparator())
        return;
    a->setCheckable(true);
    a->setChecked(state == 1);
}
