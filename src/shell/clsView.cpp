#include "clsView.h"

bool clsViews::Add(std::unique_ptr<clsView> record, const QString& key)
{
    if (!record || m_byKey.contains(key))
        return false;
    m_byKey.insert(key, record.get());
    m_records.push_back(std::move(record));
    return true;
}

clsView* clsViews::Item(const QString& key) const
{
    return m_byKey.value(key, nullptr);
}

void clsViews::Clear()
{
    m_byKey.clear();
    m_records.clear();
}
