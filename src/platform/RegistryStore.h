#pragma once
// File-backed stand-in for the Windows registry: two hives, keys as paths,
// typed values, names compared without case but kept as written.
// Several running copies of the program may share the hives: every change is
// made under a lock on the hive, on the hive as it stands on disk.
#include "RegistryHive.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

inline constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;

// A hive file is far below this (the program's own holds a few KB); a larger one is set
// aside unread like a damaged one, and no change may make a hive grow past it.
inline constexpr qint64 kMaxHiveFileBytes = 1024 * 1024;

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

    // Called once per damaged or oversized hive file (which is renamed aside, never overwritten),
    // and once when a hive cannot be saved (again after a save that worked).
    void setDamageReporter(std::function<void(const QString&)> report);

    // While a batch is open, changes are made in memory and saved together when the
    // outermost batch ends. False when a hive could not be saved then: its changes of
    // the batch stay in memory, unsaved, and the damage reporter is told.
    void beginBatch();
    bool endBatch();

    std::optional<RegValue> value(uint32_t hive, const QString& keyPath, const QString& name) const;
    // Every change is saved to disk at once, atomically, merged with what other copies
    // saved meanwhile; a write that changes nothing leaves the file alone.
    // False when the hive cannot be saved (the change is then undone), and for a key,
    // name or text holding a character XML does not allow.
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

// Many settings written in one save, such as the defaults of a first start.
class RegistryBatch {
public:
    explicit RegistryBatch(RegistryStore* store) : m_store(store)
    {
        if (m_store)
            m_store->beginBatch();
    }
    ~RegistryBatch()
    {
        if (m_store)
            (void)m_store->endBatch(); // the writers of a batch ignore failures, as each write's would be
    }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

private:
    RegistryStore* m_store;
};
