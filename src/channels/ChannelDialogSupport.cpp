#include "ChannelDialogSupport.h"

#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/Twips.h"

#include <QWidget>

void fitScrolledWindow(QWidget* form, QWidget* scrolledWindow)
{
    const int margin = twipsToPx(120);
    scrolledWindow->setGeometry(0, 0, std::max(0, form->width() - margin), std::max(0, form->height() - margin));
}

bool readSettingText(IRegistryAccess& registry, const QString& key, const QString& name, const QString& defaultText,
                     QString& text)
{
    if (registry.ReadValue(HKEY_CURRENT_USER, key, name, text))
        return true;
    registry.WriteValue(HKEY_CURRENT_USER, key, name, defaultText);
    return registry.ReadValue(HKEY_CURRENT_USER, key, name, text);
}
