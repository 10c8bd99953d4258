#pragma once
// What the channel dialogs share: the scroll container's place in the form
// and the settings texts that get their default written when missing.
#include <QString>

class IRegistryAccess;
class QWidget;

// Left 0, top 0, the form's inner size less 120 twips each way.
void fitScrolledWindow(QWidget* form, QWidget* scrolledWindow);

// Reads a text value of the per-user settings key; a missing one gets its
// default written and is read again. False when it still cannot be read
// (text then keeps what it held).
bool readSettingText(IRegistryAccess& registry, const QString& key, const QString& name, const QString& defaultText,
                     QString& text);
