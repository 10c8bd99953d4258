#include "modPaneSettings.h"

#include "platform/RegistryStore.h"

#include <QFileInfo>

void fStringSpeichern(RegistryStore& store, uint32_t root, const QString& keyPath, const QString& name,
                      const QString& text)
{
    if (!store.createKey(root, keyPath))
        return; // a key that cannot be created leaves the value unwritten, silently
    (void)store.setValue(root, keyPath, name, RegValue::fromText(text));
}

QString fWertLesen(const RegistryStore& store, uint32_t root, const QString& keyPath, const QString& name)
{
    if (!store.keyExists(root, keyPath))
        return {};
    return fRegAbfrageWert(RegKeyHandle{&store, root, keyPath}, name);
}

QString fRegAbfrageWert(const RegKeyHandle& key, const QString& name)
{
    if (!key.store)
        return {};
    const std::optional<RegValue> v = key.store->value(key.root, key.path, name);
    if (!v)
        return {};
    switch (v->type) {
    case RegType::Text: {
        const qsizetype nul = v->text.indexOf(QChar(0));
        return nul < 0 ? v->text : v->text.left(nul);
    }
    case RegType::Binary: {
        // Only the first two bytes carry the value; a single byte is its low byte.
        if (v->binary.isEmpty())
            return {};
        const uint8_t lo = uint8_t(v->binary.at(0));
        const uint8_t hi = v->binary.size() > 1 ? uint8_t(v->binary.at(1)) : 0;
        return QString::number(int16_t(uint16_t(lo | (hi << 8))));
    }
    case RegType::DWord: break;
    }
    return {};
}

QString paneKey(int32_t companyId)
{
    switch (companyId) {
    case 0: return QStringLiteral("Software\\Harmsted\\TD4700_v4\\Common");
    case 3: return QStringLiteral("Software\\Kerrlund\\I_O_Planwerk\\Common");
    default: return {};
    }
}

void savePaneValue(RegistryStore& store, int32_t companyId, const QString& name, const QString& text)
{
    const QString key = paneKey(companyId);
    if (key.isEmpty())
        return;
    fStringSpeichern(store, HKEY_CURRENT_USER, key, name, text);
}

std::optional<PaneSettings> readPaneSettings(const RegistryStore& store, int32_t companyId)
{
    const QString key = paneKey(companyId);
    if (key.isEmpty())
        return std::nullopt;
    PaneSettings s;
    s.showMessagebox = fWertLesen(store, HKEY_CURRENT_USER, key, QStringLiteral("Messagebox")) != QLatin1String("0");
    s.showTreeView = fWertLesen(store, HKEY_CURRENT_USER, key, QStringLiteral("Treeview")) != QLatin1String("0");
    s.deleteDevices = fWertLesen(store, HKEY_CURRENT_USER, key, QStringLiteral("DeleteDevices")) != QLatin1String("0");
    return s;
}

namespace {
// One language branch; languageFolder is "1033" or "1031".
QString helpFileFor(const QString& current, const HelpFileChoice& c, const QString& languageFolder)
{
    switch (c.companyId) {
    case 0: {
        const QString candidate = c.resCommonFolder + QStringLiteral("/Help/") + languageFolder + QStringLiteral("/TD4700.chm");
        if (QFileInfo(candidate).isFile())
            return candidate;
        return c.programFolder + QStringLiteral("/TD4700.chm"); // taken without a test
    }
    case 1: return c.programFolder + QStringLiteral("/LinovoDesign.chm");
    case 3: return c.programFolder + QStringLiteral("/IO-Planwerk.chm");
    default: return current;
    }
}
}

QString chooseHelpFile(const QString& current, const HelpFileChoice& choice)
{
    QString file = current;
    if (choice.englishChecked)
        file = helpFileFor(file, choice, QStringLiteral("1033"));
    // With both items checked the German choice stands.
    if (choice.germanChecked)
        file = helpFileFor(file, choice, QStringLiteral("1031"));
    return file;
}
