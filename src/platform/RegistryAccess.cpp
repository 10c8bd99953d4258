#include "RegistryAccess.h"

#include "RegistryStore.h"

bool RegistryAccess::ReadValue(uint32_t rootKey, const QString& keyPath, const QString& name, QString& value)
{
    const std::optional<RegValue> v = m_store.value(rootKey, keyPath, name);
    if (!v)
        return false;
    switch (v->type) {
    case RegType::Text: value = v->text; break;
    case RegType::DWord: value = QString::number(v->dword); break;
    case RegType::Binary: {
        // Small binary values are read as little-endian numbers.
        uint32_t n = 0;
        for (int i = std::min<int>(int(v->binary.size()), 4) - 1; i >= 0; --i)
            n = (n << 8) | uint8_t(v->binary.at(i));
        value = QString::number(n);
        break;
    }
    }
    return true;
}

bool RegistryAccess::WriteValue(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value)
{
    return m_store.setValue(rootKey, keyPath, name, RegValue::fromText(value));
}

bool RegistryAccess::WriteValueEx(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value)
{
    if (!m_store.createKey(rootKey, keyPath))
        return false;
    return m_store.setValue(rootKey, keyPath, name, RegValue::fromText(value));
}
