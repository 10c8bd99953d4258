#pragma once
// What the channel dialogs share: the settings texts that get their default
// written when missing.
#include <QString>

class IRegistryAccess;

// Reads a text value of the per-user settings key; a missing one gets its
// default written and is read again. False when it still cannot be read
// (text then keeps what it held).
bool readSettingText(IRegistryAccess& registry, const QString& key, const QString& name, const QString& defaultText,
                     QString& text);
