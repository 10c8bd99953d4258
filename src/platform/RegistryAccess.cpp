#include "RegistryAccess.h"

#include "RegistryStore.h"

namespace {
QString unsavedKey(const QString& keyPath, const QString& name)
{
    return (keyPath + QLatin1Char('\\') + name).toLower().replace(QLatin1Char('/'), QLatin1Char('\\'));
}
}

bool RegistryAccess::ReadValue(uint32_t rootKey, const QString& keyPath, const QString& name, QString& value)
{
    if (rootKey == HKEY_CURRENT_USER && !m_unsaved.isEmpty()) {
        const auto it = m_unsaved.constFind(unsavedKey(keyPath, name));
        if (it != m_unsaved.constEnd()) {
            value = *it;
            return true;
        }
    }
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
    return remember(rootKey, keyPath, name, value, m_store.setValue(rootKey, keyPath, name, RegValue::fromText(value)));
}

bool RegistryAccess::WriteValueEx(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value)
{
    const bool saved = m_store.createKey(rootKey, keyPath)
        && m_store.setValue(rootKey, keyPath, name, RegValue::fromText(value));
    return remember(rootKey, keyPath, name, value, saved);
}

bool RegistryAccess::remember(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value,
                              bool saved)
{
    if (rootKey != HKEY_CURRENT_USER)
        return saved;
    if (saved)
        m_unsaved.remove(unsavedKey(keyPath, name));
    else
        m_unsaved.insert(unsavedKey(keyPath, name), value);
    return saved;
}
