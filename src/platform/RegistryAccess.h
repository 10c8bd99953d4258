#pragma once
// The registry helper the program's settings go through.
#include <QHash>
#include <QString>
#include <cstdint>

class RegistryStore;

class IRegistryAccess {
public:
    virtual ~IRegistryAccess() = default;
    // True when the value exists; value then holds its text (numbers as decimal text).
    virtual bool ReadValue(uint32_t rootKey, const QString& keyPath, const QString& name, QString& value) = 0;
    virtual bool WriteValue(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value) = 0;
    // Creates the key path first when it is missing.
    virtual bool WriteValueEx(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value) = 0;
};

// A per-user value whose save failed still reads as written until the program ends,
// so settings the user was told could not be saved apply for the rest of the run.
class RegistryAccess : public IRegistryAccess {
public:
    explicit RegistryAccess(RegistryStore& store) : m_store(store) {}
    bool ReadValue(uint32_t rootKey, const QString& keyPath, const QString& name, QString& value) override;
    bool WriteValue(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value) override;
    bool WriteValueEx(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value) override;

private:
    bool remember(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value, bool saved);

    RegistryStore& m_store;
    QHash<QString, QString> m_unsaved; // "key path\\name" in lower case -> text
};
