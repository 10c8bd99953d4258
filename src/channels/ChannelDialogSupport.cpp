#include "ChannelDialogSupport.h"

#include "platform/AppContext.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/VbConvert.h"

#include <QDir>

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

void tellSettingsNotSaved(const QString& title)
{
    const QString folder = QDir::toNativeSeparators(app().store ? app().store->rootFolder() : QString());
    const QString text = localeIsEnglish()
        ? QStringLiteral("The settings could not be saved in the folder %1.\r\n\r\nThey apply until the program ends.")
        : QStringLiteral("Die Einstellungen konnten nicht im Ordner %1 gespeichert werden.\r\n\r\n"
                         "Sie gelten bis zum Ende des Programms.");
    app().dialogs->MsgBox(text.arg(folder), vbExclamation, title);
}
