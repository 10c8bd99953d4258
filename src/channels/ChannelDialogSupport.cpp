#include "ChannelDialogSupport.h"

#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/VbConvert.h"

bool readSettingText(IRegistryAccess& registry, const QString& key, const QString& name, const QString& defaultText,
                     QString& text)
{
    if (registry.ReadValue(HKEY_CURRENT_USER, key, name, text))
        return true;
    registry.WriteValue(HKEY_CURRENT_USER, key, name, defaultText);
    return registry.ReadValue(HKEY_CURRENT_USER, key, name, text);
}

std::optional<int32_t> storedNumber(const QString& text, int32_t minimum, int32_t maximum)
{
    const std::optional<int32_t> n = vbCLng(text);
    if (!n || *n < minimum || *n > maximum)
        return std::nullopt;
    return n;
}
