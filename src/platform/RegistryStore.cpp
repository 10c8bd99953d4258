#include "RegistryStore.h"

#include "FileLock.h"
#include "LocaleInfo.h"
#include "RegularFile.h"
#include "XmlDocument.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <set>
#include <utility>
#include <vector>
#include <sys/stat.h>

namespace {

QStringList splitPath(const QString& keyPath)
{
    QString p = keyPath;
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return p.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Every save puts a new file in place, so a hive file whose identity or times
// differ from the last ones this store saw has been changed by another copy.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

enum class Change { Failed, Unchanged, Made };

// What a save came to: refused for its size before a byte was written, or the writer's result.
struct Saved {
    bool tooLarge = false;
    FileWrite written;
    explicit operator bool() const { return !tooLarge && bool(written); }
};

struct Damage {
    QString path;
    QString aside;         // empty: the file could not be set aside
    qint64 oversize = -1;  // the size of a file refused for it, else -1
};

// A single change that could not be saved is undone; a batch's changes hold for the run.
QString unsavedSettingsText(const QString& path, const Saved& why, bool held)
{
    const bool english = localeIsEnglish();
    const QString native = QDir::toNativeSeparators(path);
    QString text = why.tooLarge
        ? (english ? QStringLiteral("Settings file %1 could not be saved: it would be larger than 1 MiB.")
                   : QStringLiteral("Die Einstellungsdatei %1 konnte nicht gespeichert werden: sie würde größer als 1 MiB."))
              .arg(native)
        : (english ? QStringLiteral("Settings file %1 could not be saved (%2).")
                   : QStringLiteral("Die Einstellungsdatei %1 konnte nicht gespeichert werden (%2)."))
              .arg(native, fileWriteFailureReason(why.written));
    if (held)
        text += english ? QStringLiteral(" The changes hold until the program ends.")
                        : QStringLiteral(" Die Änderungen gelten bis zum Programmende.");
    return text + QStringLiteral("\r\n");
}

QString oversizedSettingsText(const Damage& damage, const QString& path, bool english)
{
    const QString size = QString::number(damage.oversize);
    if (!damage.aside.isEmpty())
        return (english ? QStringLiteral("Settings file %1 (%2 bytes) is larger than 1 MiB and has been set aside as %3.\r\n")
                        : QStringLiteral("Die Einstellungsdatei %1 (%2 Bytes) ist größer als 1 MiB und wurde als %3 "
                                         "beiseitegelegt.\r\n"))
            .arg(path, size, QDir::toNativeSeparators(damage.aside));
    return (english ? QStringLiteral("Settings file %1 (%2 bytes) is larger than 1 MiB and could not be set aside; "
                                     "changes to it are not saved.\r\n")
                    : QStringLiteral("Die Einstellungsdatei %1 (%2 Bytes) ist größer als 1 MiB und konnte nicht "
                                     "beiseitegelegt werden; Änderungen daran werden nicht gespeichert.\r\n"))
        .arg(path, size);
}

QString damagedSettingsText(const Damage& damage)
{
    const QString path = QDir::toNativeSeparators(damage.path);
    const bool english = localeIsEnglish();
    if (damage.oversize >= 0)
        return oversizedSettingsText(damage, path, english);
    if (!damage.aside.isEmpty())
        return (english ? QStringLiteral("Settings file %1 was damaged and has been set aside as %2.\r\n")
                        : QStringLiteral("Die Einstellungsdatei %1 war beschädigt und wurde als %2 beiseitegelegt.\r\n"))
            .arg(path, QDir::toNativeSeparators(damage.aside));
    return (english ? QStringLiteral("Settings file %1 is damaged and could not be set aside; "
                                     "changes to it are not saved.\r\n")
                    : QStringLiteral("Die Einstellungsdatei %1 ist beschädigt und konnte nicht beiseitegelegt werden; "
                                     "Änderungen daran werden nicht gespeichert.\r\n"))
        .arg(path);
}

} // namespace

struct RegistryStore::Impl {
    struct Hive {
        RegistryKey key;
        FileStamp stamp;       // of the file as last read or saved
        bool readOnly = false; // a damaged file that could not be set aside stays untouched
        bool unsavedTold = false; // a failed save is told once, until a save works again
    };

    // A change of an open batch, made again on the hive as it stands on disk at the batch's end.
    struct Deferred {
        uint32_t hive;
        std::function<Change()> edit;
    };

    QString root;
    Hive hkcu, hklm;
    QList<std::function<QString()>> pendingReports; // worded when told
    std::function<void(const QString&)> report;
    int batchDepth = 0;
    std::vector<Deferred> deferred;
    std::set<uint32_t> batchHives; // each hive the open batch changed

    Hive* hive(uint32_t h)
    {
        if (h == HKEY_CURRENT_USER)
            return &hkcu;
        if (h == HKEY_LOCAL_MACHINE)
            return &hklm;
        return nullptr;
    }

    QString fileOf(uint32_t h) const
    {
        return root + (h == HKEY_LOCAL_MACHINE ? QStringLiteral("/HKEY_LOCAL_MACHINE.xml")
                                               : QStringLiteral("/HKEY_CURRENT_USER.xml"));
    }

    RegistryKey* find(uint32_t h, const QString& keyPath, bool create)
    {
        Hive* hv = hive(h);
        if (!hv)
            return nullptr;
        const QStringList parts = splitPath(keyPath);
        // A name XML cannot hold would make the whole hive unreadable at the next start.
        if (create && (parts.size() > kRegistryMaxKeyDepth || !isXmlText(keyPath)))
            return nullptr;
        RegistryKey* k = &hv->key;
        for (const QString& part : parts) {
            auto it = k->children.find(part.toLower());
            if (it == k->children.end()) {
                if (!create)
                    return nullptr;
                it = k->children.emplace(part.toLower(), RegistryKey{part, {}, {}}).first;
            }
            k = &it->second;
        }
        return k;
    }

    void load(uint32_t h)
    {
        const QString path = fileOf(h);
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
            return;
        const FileLock lock(path); // not held in a read-only folder: the file is read all the same
        refresh(*hive(h), path);
    }

    // Reads the hive file again when it is not the one this store last read or saved.
    // A damaged file is set aside; the hive then keeps what it held.
    void refresh(Hive& hv, const QString& path)
    {
        const FileStamp now = stampOf(path);
        if (now == hv.stamp)
            return;
        hv.stamp = now;
        if (!now.exists) {
            hv.key = {}; // removed on disk: the settings start over
            return;
        }
        QByteArray data;
        // Refused before a byte is read: every change rewrites the whole hive, so a huge
        // one would stall the start and every change after it.
        const FileRead read = readRegularFile(path, data, kMaxHiveFileBytes);
        if (read == FileRead::Ok) {
            if (std::optional<RegistryKey> parsed = parseHive(data)) {
                hv.key = std::move(*parsed);
                return;
            }
        }
        setAside(hv, path, read == FileRead::TooLarge ? qint64(now.size) : -1);
    }

    void setAside(Hive& hv, const QString& path, qint64 oversize)
    {
        // Keep the damaged file for inspection, never overwrite it.
        const QString aside = path + QStringLiteral(".damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        if (!QFileInfo(aside).exists()
            && ::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0) {
            hv.stamp = {};
            deliver([=] { return damagedSettingsText({path, aside, oversize}); });
            return;
        }
        hv.readOnly = true;
        deliver([=] { return damagedSettingsText({path, QString(), oversize}); });
    }

    // A hive that would outgrow what a start reads again is not saved.
    Saved save(Hive& hv, const QString& path)
    {
        const QByteArray text = hiveText(hv.key);
        if (text.size() > kMaxHiveFileBytes)
            return {true, {}};
        const FileWrite written = writeRegularFile(path, text);
        if (written) {
            hv.stamp = stampOf(path);
            hv.unsavedTold = false;
        }
        return {false, written};
    }

    // A single change is told once until a save works again; a batch, whose values are kept, always.
    bool unsaved(Hive& hv, const QString& path, const Saved& why, bool held)
    {
        if (!std::exchange(hv.unsavedTold, true) || held)
            deliver([=] { return unsavedSettingsText(path, why, held); });
        return false;
    }

    static Saved systemFailure() { return {false, {FileWriteStatus::Failed, errno}}; }

    // Under the hive's lock: reads what other copies saved, applies the one change and
    // saves it. A change that cannot be saved is undone; no change, no save.
    bool commit(uint32_t h, const std::function<Change()>& edit)
    {
        Hive* hv = hive(h);
        if (!hv || hv->readOnly)
            return false;
        if (batchDepth > 0)
            return defer(h, edit);
        const QString path = fileOf(h);
        if (!QDir().mkpath(root))
            return unsaved(*hv, path, systemFailure(), false);
        const FileLock lock(path);
        if (!lock.held())
            return unsaved(*hv, path, systemFailure(), false); // a read-only folder, or held too long
        refresh(*hv, path);
        if (hv->readOnly)
            return false;
        RegistryKey before = hv->key;
        const Change change = edit();
        if (change != Change::Made)
            return change == Change::Unchanged;
        const Saved saved = save(*hv, path);
        if (saved)
            return true;
        hv->key = std::move(before);
        return unsaved(*hv, path, saved, false);
    }

    // In a batch the change is made in memory only; it is kept to be made again at the end.
    bool defer(uint32_t h, const std::function<Change()>& edit)
    {
        batchHives.insert(h);
        const Change change = edit();
        if (change == Change::Made)
            deferred.push_back({h, edit});
        return change != Change::Failed;
    }

    // Under the hive's lock: the batch's changes made again on what other copies saved meanwhile, one save.
    Saved saveBatch(Hive& hv, uint32_t h, const QString& path)
    {
        const Saved kept{false, {FileWriteStatus::Failed, 0}}; // a damaged file stays as it is
        if (hv.readOnly)
            return kept;
        if (!QDir().mkpath(root))
            return systemFailure();
        const FileLock lock(path);
        if (!lock.held())
            return systemFailure();
        const bool changedOnDisk = stampOf(path) != hv.stamp;
        refresh(hv, path);
        if (changedOnDisk)
            for (const Deferred& change : deferred)
                if (change.hive == h)
                    (void)change.edit(); // made again on what the other copy saved
        if (hv.readOnly)
            return kept;
        return save(hv, path);
    }

    // Its writers check nothing (a start's defaults): a batch that cannot be saved is named in the
    // log, and its changes stay in memory for this run, as a value applied until the program ends.
    bool finishBatch()
    {
        bool ok = true;
        for (const uint32_t h : std::exchange(batchHives, {})) {
            Hive& hv = *hive(h);
            const QString path = fileOf(h);
            const Saved saved = saveBatch(hv, h, path);
            if (saved)
                continue;
            ok = false;
            if (!hv.readOnly) // a damaged file kept unchanged was named when it was read
                unsaved(hv, path, saved, true);
        }
        deferred.clear();
        return ok;
    }

    // Worded when told: the language is known only once the settings are read.
    void deliver(std::function<QString()> text)
    {
        if (report)
            report(text());
        else
            pendingReports << std::move(text);
    }
};

RegistryStore::RegistryStore(const QString& rootFolder)
    : d(std::make_unique<Impl>())
{
    d->root = rootFolder.isEmpty() ? defaultRootFolder() : rootFolder;
    d->load(HKEY_CURRENT_USER);
    d->load(HKEY_LOCAL_MACHINE);
}

RegistryStore::~RegistryStore() = default;

QString RegistryStore::defaultRootFolder()
{
    const QByteArray env = qgetenv("TD4700_REGISTRY_DIR");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/td4700/registry");
}

QString RegistryStore::rootFolder() const { return d->root; }

void RegistryStore::beginBatch() { ++d->batchDepth; }

bool RegistryStore::endBatch()
{
    if (d->batchDepth == 0 || --d->batchDepth > 0)
        return true;
    return d->finishBatch();
}

void RegistryStore::setDamageReporter(std::function<void(const QString&)> report)
{
    d->report = std::move(report);
    if (!d->report)
        return;
    const QList<std::function<QString()>> pending = std::exchange(d->pendingReports, {});
    for (const std::function<QString()>& text : pending)
        d->report(text());
}

std::optional<RegValue> RegistryStore::value(uint32_t hive, const QString& keyPath, const QString& name) const
{
    RegistryKey* k = d->find(hive, keyPath, false);
    if (!k)
        return std::nullopt;
    auto it = k->values.find(name.toLower());
    if (it == k->values.end())
        return std::nullopt;
    return it->second.second;
}

bool RegistryStore::setValue(uint32_t hive, const QString& keyPath, const QString& name, const RegValue& v)
{
    if (!isXmlText(name) || (v.type == RegType::Text && !isXmlText(v.text)))
        return false;
    return d->commit(hive, [this, hive, keyPath, name, v] {
        RegistryKey* k = d->find(hive, keyPath, true);
        if (!k)
            return Change::Failed;
        auto it = k->values.find(name.toLower());
        if (it == k->values.end()) {
            k->values.emplace(name.toLower(), std::make_pair(name, v));
            return Change::Made;
        }
        if (it->second.second == v)
            return Change::Unchanged;
        it->second.second = v; // the name keeps its first spelling
        return Change::Made;
    });
}

bool RegistryStore::deleteValue(uint32_t hive, const QString& keyPath, const QString& name)
{
    return d->commit(hive, [this, hive, keyPath, name] {
        RegistryKey* k = d->find(hive, keyPath, false);
        return k && k->values.erase(name.toLower()) > 0 ? Change::Made : Change::Failed;
    });
}

bool RegistryStore::keyExists(uint32_t hive, const QString& keyPath) const
{
    return d->find(hive, keyPath, false) != nullptr;
}

bool RegistryStore::createKey(uint32_t hive, const QString& keyPath)
{
    return d->commit(hive, [this, hive, keyPath] {
        if (d->find(hive, keyPath, false))
            return Change::Unchanged;
        return d->find(hive, keyPath, true) ? Change::Made : Change::Failed;
    });
}

bool RegistryStore::deleteKey(uint32_t hive, const QString& keyPath)
{
    QStringList parts = splitPath(keyPath);
    if (parts.isEmpty())
        return false;
    const QString last = parts.takeLast();
    return d->commit(hive, [this, hive, parts, last] {
        RegistryKey* parent = d->find(hive, parts.join(QLatin1Char('\\')), false);
        return parent && parent->children.erase(last.toLower()) > 0 ? Change::Made : Change::Failed;
    });
}

QStringList RegistryStore::subKeys(uint32_t hive, const QString& keyPath) const
{
    QStringList out;
    if (RegistryKey* k = d->find(hive, keyPath, false))
        for (const auto& [lower, child] : k->children) {
            (void)lower;
            out << child.name;
        }
    return out;
}

QStringList RegistryStore::valueNames(uint32_t hive, const QString& keyPath) const
{
    QStringList out;
    if (RegistryKey* k = d->find(hive, keyPath, false))
        for (const auto& [lower, entry] : k->values) {
            (void)lower;
            out << entry.first;
        }
    return out;
}
