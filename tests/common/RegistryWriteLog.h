#pragma once
// The real registry helper over a store, logging every write as "Name=Value",
// so tests can check which values were written and in what order.
#include "platform/RegistryAccess.h"

#include <QStringList>

class RegistryWriteLog : public IRegistryAccess {
public:
    explicit RegistryWriteLog(RegistryStore& store) : m_inner(store) {}
    QStringList writes;

    bool ReadValue(uint32_t root, const QString& key, const QString& name, QString& value) override
    {
        return m_inner.ReadValue(root, key, name, value);
    }
    bool WriteValue(uint32_t root, const QString& key, const QString& name, const QString& value) override
    {
        writes << name + QLatin1Char('=') + value;
        return m_inner.WriteValue(root, key, name, value);
    }
    bool WriteValueEx(uint32_t root, const QString& key, const QString& name, const QString& value) override
    {
        writes << name + QLatin1Char('=') + value;
        return m_inner.WriteValueEx(root, key, name, value);
    }

private:
    RegistryAccess m_inner;
};
