#pragma once
// The registry helper the program's settings go through.
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

class RegistryAccess : public IRegistryAccess {
public:
    explicit RegistryAccess(RegistryStore& store) : m_store(store) {}
    bool ReadValue(uint32_t rootKey, const QString& keyPath, const QString& name, QString& value) override;
    bool WriteValue(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value) override;
    bool WriteValueEx(uint32_t rootKey, const QString& keyPath, const QString& name, const QString& value) override;

private:
    RegistryStore& m_store;
};
