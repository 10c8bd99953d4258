#include "RegistryStore.h"

#include "LocaleInfo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <map>
#include <pugixml.hpp>

namespace {

struct Key {
    QString name; // as first written
    std::map<QString, Key> children;                        // by lower-case name
    std::map<QString, std::pair<QString, RegValue>> values; // lower-case name -> (name as written, value)
};

QStringList splitPath(const QString& keyPath)
{
    QString p = keyPath;
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return p.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

const char* typeName(RegType t)
{
    switch (t) {
    case RegType::DWord: return "DWord";
    case RegType::Binary: return "Binary";
    case RegType::Text: break;
    }
    return "Text";
}

void writeKey(pugi::xml_node parent, const Key& key)
{
    for (const auto& [lower, entry] : key.values) {
        (void)lower;
        pugi::xml_node v = parent.append_child("Value");
        v.append_attribute("Name").set_value(entry.first.toUtf8().constData());
        v.append_attribute("Type").set_value(typeName(entry.second.type));
        QByteArray data;
        switch (entry.second.type) {
        case RegType::Text: data = entry.second.text.toUtf8(); break;
        case RegType::DWord: data = QByteArray::number(entry.second.dword); break;
        case RegType::Binary: data = entry.second.binary.toHex(); break;
        }
        v.text().set(data.constData());
    }
    for (const auto& [lower, child] : key.children) {
        (void)lower;
        pugi::xml_node k = parent.append_child("Key");
        k.append_attribute("Name").set_value(child.name.toUtf8().constData());
        writeKey(k, child);
    }
}

bool readKey(pugi::xml_node node, Key& key)
{
    for (pugi::xml_node child : node.children()) {
        const QString name = QString::fromUtf8(child.attribute("Name").value());
        if (child.name() == std::string_view("Key")) {
            Key& sub = key.children[name.toLower()];
            sub.name = name;
            if (!readKey(child, sub))
                return false;
        } else if (child.name() == std::string_view("Value")) {
            const std::string_view type = child.attribute("Type").value();
            const QByteArray text = QByteArray(child.text().get());
            RegValue v;
            if (type == "Text") {
                v = RegValue::fromText(QString::fromUtf8(text));
            } else if (type == "DWord") {
                bool ok = false;
                const uint32_t n = text.toUInt(&ok);
                if (!ok)
                    return false;
                v = RegValue::fromDWord(n);
            } else if (type == "Binary") {
                v = RegValue::fromBinary(QByteArray::fromHex(text));
            } else {
                return false;
            }
            key.values[name.toLower()] = {name, v};
        } else if (child.type() == pugi::node_element) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace {

struct Damage {
    QString path;
    QString aside; // empty: the file could not be set aside
};

QString damagedSettingsText(const Damage& damage)
{
    const QString path = QDir::toNativeSeparators(damage.path);
    const bool english = localeIsEnglish();
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
    QString root;
    Key hkcu, hklm;
    QList<Damage> pendingReports;
    bool readOnly[2] = {false, false}; // [0] HKEY_CURRENT_USER, [1] HKEY_LOCAL_MACHINE
    std::function<void(const QString&)> report;

    Key* hive(uint32_t h)
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

    Key* find(uint32_t h, const QString& keyPath, bool create)
    {
        Key* k = hive(h);
        if (!k)
            return nullptr;
        for (const QString& part : splitPath(keyPath)) {
            auto it = k->children.find(part.toLower());
            if (it == k->children.end()) {
                if (!create)
                    return nullptr;
                it = k->children.emplace(part.toLower(), Key{part, {}, {}}).first;
            }
            k = &it->second;
        }
        return k;
    }

    void load(uint32_t h)
    {
        const QString path = fileOf(h);
        QFile f(path);
        if (!f.exists())
            return;
        Key loaded;
        bool good = false;
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray data = f.readAll();
            f.close();
            pugi::xml_document doc;
            pugi::xml_node rootNode;
            // Values keep their exact text: CR LF and blank-only values survive a reload.
            if (doc.load_buffer(data.constData(), size_t(data.size()),
                                (pugi::parse_default | pugi::parse_ws_pcdata_single) & ~pugi::parse_eol))
                rootNode = doc.child("Hive");
            good = rootNode && readKey(rootNode, loaded);
        }
        if (good) {
            *hive(h) = std::move(loaded);
            return;
        }
        // Keep the damaged file for inspection; the hive starts empty.
        const QString aside = path + QStringLiteral(".damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        if (QFile::rename(path, aside)) {
            deliver({path, aside});
            return;
        }
        // The damaged file stays where it is, so nothing may overwrite it.
        readOnly[h == HKEY_LOCAL_MACHINE] = true;
        deliver({path, QString()});
    }

    // Applies a change and saves the hive; a change that cannot be saved is undone.
    template <class Change> bool commit(uint32_t h, Change change)
    {
        Key* k = hive(h);
        if (!k)
            return false;
        Key before = *k;
        if (!change())
            return false;
        if (save(h))
            return true;
        *k = std::move(before);
        return false;
    }

    // Worded when told: the language is known only once the settings are read.
    void deliver(const Damage& damage)
    {
        if (report)
            report(damagedSettingsText(damage));
        else
            pendingReports << damage;
    }

    bool save(uint32_t h)
    {
        if (readOnly[h == HKEY_LOCAL_MACHINE] || !QDir().mkpath(root))
            return false;
        pugi::xml_document doc;
        pugi::xml_node rootNode = doc.append_child("Hive");
        writeKey(rootNode, *hive(h));
        struct Writer : pugi::xml_writer {
            QByteArray out;
            void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), qsizetype(size)); }
        } writer;
        doc.save(writer, "  ");
        QSaveFile file(fileOf(h));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        if (file.write(writer.out) != writer.out.size()) {
            file.cancelWriting();
            return false;
        }
        return file.commit();
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

void RegistryStore::setDamageReporter(std::function<void(const QString&)> report)
{
    d->report = std::move(report);
    if (!d->report)
        return;
    const QList<Damage> pending = std::exchange(d->pendingReports, {});
    for (const Damage& damage : pending)
        d->report(damagedSettingsText(damage));
}

std::optional<RegValue> RegistryStore::value(uint32_t hive, const QString& keyPath, const QString& name) const
{
    Key* k = d->find(hive, keyPath, false);
    if (!k)
        return std::nullopt;
    auto it = k->values.find(name.toLower());
    if (it == k->values.end())
        return std::nullopt;
    return it->second.second;
}

bool RegistryStore::setValue(uint32_t hive, const QString& keyPath, const QString& name, const RegValue& v)
{
    return d->commit(hive, [&] {
        Key* k = d->find(hive, keyPath, true);
        if (!k)
            return false;
        auto it = k->values.find(name.toLower());
        if (it == k->values.end())
            k->values.emplace(name.toLower(), std::make_pair(name, v));
        else
            it->second.second = v; // the name keeps its first spelling
        return true;
    });
}

bool RegistryStore::deleteValue(uint32_t hive, const QString& keyPath, const QString& name)
{
    return d->commit(hive, [&] {
        Key* k = d->find(hive, keyPath, false);
        return k && k->values.erase(name.toLower()) > 0;
    });
}

bool RegistryStore::keyExists(uint32_t hive, const QString& keyPath) const
{
    return d->find(hive, keyPath, false) != nullptr;
}

bool RegistryStore::createKey(uint32_t hive, const QString& keyPath)
{
    if (keyExists(hive, keyPath))
        return true;
    return d->commit(hive, [&] { return d->find(hive, keyPath, true) != nullptr; });
}

bool RegistryStore::deleteKey(uint32_t hive, const QString& keyPath)
{
    QStringList parts = splitPath(keyPath);
    if (parts.isEmpty())
        return false;
    const QString last = parts.takeLast();
    return d->commit(hive, [&] {
        Key* parent = d->find(hive, parts.join(QLatin1Char('\\')), false);
        return parent && parent->children.erase(last.toLower()) > 0;
    });
}

QStringList RegistryStore::subKeys(uint32_t hive, const QString& keyPath) const
{
    QStringList out;
    if (Key* k = d->find(hive, keyPath, false))
        for (const auto& [lower, child] : k->children) {
            (void)lower;
            out << child.name;
        }
    return out;
}

QStringList RegistryStore::valueNames(uint32_t hive, const QString& keyPath) const
{
    QStringList out;
    if (Key* k = d->find(hive, keyPath, false))
        for (const auto& [lower, entry] : k->values) {
            (void)lower;
            out << entry.first;
        }
    return out;
}
