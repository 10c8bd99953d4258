#pragma once
// What the channel dialogs share: the settings texts that get their default
// written when missing, and the stored numbers the channels can use.
#include <QString>

#include <cstdint>
#include <optional>

class IRegistryAccess;

// The defaults of "Timeout" and "MultiPoint", for both channel kinds.
inline constexpr int32_t kDefaultTimeoutMs = 500;
inline constexpr int32_t kDefaultMultiPoint = 0;

// A stored text as a number within [minimum, maximum]; nothing when it is no
// number (read as the settings always were, blanks and rounding allowed) or outside.
std::optional<int32_t> storedNumber(const QString& text, int32_t minimum, int32_t maximum);

// Reads a text value of the per-user settings key; a missing one gets its
// default written and is read again. False when it still cannot be read
// (text then keeps what it held).
bool readSettingText(IRegistryAccess& registry, const QString& key, const QString& name, const QString& defaultText,
                     QString& text);

// After a channel dialog's settings could not be saved: says so, naming the settings
// folder, and that they apply until the program ends (the registry helper holds them).
void tellSettingsNotSaved(const QString& title);
