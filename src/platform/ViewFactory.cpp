#include "ViewFactory.h"

#include <QHash>

namespace {
QHash<QString, ViewFactory::Creator>& creators()
{
    static QHash<QString, ViewFactory::Creator> table;
    return table;
}
} // namespace

void ViewFactory::Register(const QString& progId, Creator creator)
{
    if (progId.isEmpty() || !creator)
        return;
    creators().insert(progId, std::move(creator));
}

void ViewFactory::Unregister(const QString& progId)
{
    creators().remove(progId);
}

bool ViewFactory::CanCreate(const QString& progId)
{
    return !progId.isEmpty() && creators().contains(progId);
}

QWidget* ViewFactory::Create(const QString& progId, QWidget* parent)
{
    if (!CanCreate(progId))
        return nullptr;
    return creators().value(progId)(parent);
}
