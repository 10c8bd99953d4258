#include "ChannelDialogSupport.h"

#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"

bool readSettingText(IRegistryAccess& registry, const QString& key, const QString& name, const QString& defaultText,
                     QString& text)
{
    if (registry.ReadValue(HKEY_CURRENT_USER, key, name, text))
        return true;
    registry.WriteValue(HKEY_CURRENT_USER, key, name, defaultText);
    return registry.ReadValue(HKEY_CURRENT_USER, key, name, text);
}
