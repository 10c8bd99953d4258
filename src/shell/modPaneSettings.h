#pragma once
// The main window's pane settings, kept per company straight in the registry
// store (not through the settings helper), and the choice of the help file.
#include <QString>
#include <cstdint>
#include <optional>

class RegistryStore;

// An opened key: the store, its hive and the key path.
struct RegKeyHandle {
    const RegistryStore* store = nullptr;
    uint32_t root = 0;
    QString path;
};

// Opens (creating when missing) the key and stores text as a text value.
void fStringSpeichern(RegistryStore& store, uint32_t root, const QString& keyPath, const QString& name,
                      const QString& text);
// The value's text; "" when the key or the value is missing.
QString fWertLesen(const RegistryStore& store, uint32_t root, const QString& keyPath, const QString& name);
// Text values up to their first NUL, binary ones as a signed 16-bit number; "" for anything else.
QString fRegAbfrageWert(const RegKeyHandle& key, const QString& name);

// The per-user key the pane states live under; "" for the editions that keep none.
QString paneKey(int32_t companyId);
// Writes one pane value under the company's pane key (nothing for companies without one).
void savePaneValue(RegistryStore& store, int32_t companyId, const QString& name, const QString& text);

struct PaneSettings {
    bool showMessagebox = true;
    bool showTreeView = true;
    bool deleteDevices = true;
};
// The stored pane states; nullopt for the editions that keep none.
std::optional<PaneSettings> readPaneSettings(const RegistryStore& store, int32_t companyId);

struct HelpFileChoice {
    int32_t companyId = 0;
    bool englishChecked = false;
    bool germanChecked = false;
    QString resCommonFolder;
    QString programFolder;
};
// The help file after SetHelpFile; current when nothing is chosen.
QString chooseHelpFile(const QString& current, const HelpFileChoice& choice);
