#pragma once
// File-backed stand-in for the Windows registry: two hives, keys as paths,
// typed values, names compared without case but kept as written.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

inline constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;

enum class RegType { Text, DWord, Binary };

struct RegValue {
    RegType type = RegType::Text;
    QString text;       // RegType::Text
    uint32_t dword = 0; // RegType::DWord
    QByteArray binary;  // RegType::Binary

    static RegValue fromText(const QString& t) { return {RegType::Text, t, 0, {}}; }
    static RegValue fromDWord(uint32_t v) { return {RegType::DWord, {}, v, {}}; }
    static RegValue fromBinary(const QByteArray& b) { return {RegType::Binary, {}, 0, b}; }
};

class RegistryStore {
public:
    // rootFolder holds one file per hive; empty means defaultRootFolder().
    explicit RegistryStore(const QString& rootFolder = {});
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // TD4700_REGISTRY_DIR when set, else the user's config folder.
    static QString defaultRootFolder();
    QString rootFolder() const;

    // Called once per damaged hive file (which is renamed aside, never overwritten).
    void setDamageReporter(std::function<void(const QString&)> report);

    std::optional<RegValue> value(uint32_t hive, const QString& keyPath, const QString& name) const;
    // Every write is saved to disk at once, atomically. False when the hive cannot be saved.
    bool setValue(uint32_t hive, const QString& keyPath, const QString& name, const RegValue& v);
    bool deleteValue(uint32_t hive, const QString& keyPath, const QString& name);
    bool keyExists(uint32_t hive, const QString& keyPath) const;
    bool createKey(uint32_t hive, const QString& keyPath);
    bool deleteKey(uint32_t hive, const QString& keyPath); // with its subkeys
    QStringList subKeys(uint32_t hive, const QString& keyPath) const;
    QStringList valueNames(uint32_t hive, const QString& keyPath) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
