#pragma once
// The registry operations the route store needs beyond the text-only helper:
// binary and word values, key creation, and reading a binary value under a
// key given as one text ("HKEY_LOCAL_MACHINE\Software\...").
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class IDialogs;
class RegistryStore;

inline constexpr uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr uint32_t HKEY_USERS = 0x80000003u;
inline constexpr uint32_t HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr uint32_t HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr uint32_t HKEY_DYN_DATA = 0x80000006u;

// The handle of a root name ("HKEY_LOCAL_MACHINE"); exact case; 0 for any other text.
uint32_t GetMainKeyHandle(const QString& rootName);

// Splits a full key text into its root and key path; keyText becomes the path.
// A text that does not begin with "HKEY_" or ends with a backslash is shown as
// "Incorrect Format:" and gives root 0, as does an unknown root name.
void ParseKey(QString& keyText, uint32_t& root, IDialogs& dialogs);

// The value's bytes (text values as Latin-1, words as four little-endian bytes);
// nothing when the key text has no valid root or the key or value cannot be read.
std::optional<QByteArray> GetBinaryValue(const RegistryStore& store, IDialogs& dialogs, const QString& fullKey,
                                         const QString& valueName);

// Creates the key or opens it when it exists: 1 created, 2 opened, 0 failed.
int32_t RegKeyCreate(RegistryStore& store, uint32_t root, const QString& keyPath);

// Writes exactly six bytes as a binary value (shorter data is padded with zeros).
bool fStringSpeichernLong(RegistryStore& store, uint32_t root, const QString& keyPath, const QString& valueName,
                          const QByteArray& data);
// Writes a 32-bit word value.
bool fStringSpeichernDWord(RegistryStore& store, uint32_t root, const QString& keyPath, const QString& valueName,
                           uint32_t data);

// The text of a registry result code.
QString ErrorMsg(int32_t code);
