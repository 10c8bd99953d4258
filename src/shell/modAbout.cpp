#include "modAbout.h"

#include "platform/Dialogs.h"
#include "platform/LocaleInfo.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/StringTable.h"

#include <QFileInfo>

AboutTexts aboutTexts(int32_t companyId, const QString& version)
{
    const int base = companyId * 100;
    const auto S = [](int id) { return LoadResString(id); };
    const auto B = [&](int k) { return LoadResString(base + k); };
    const QString crlf = QStringLiteral("\r\n");

    AboutTexts t;
    t.okCaption = S(500);
    t.sysInfoCaption = S(720);
    t.caption = S(516) + QLatin1Char(' ') + B(6);
    t.version = S(511) + QStringLiteral("  ") + version;
    t.title = B(6) + crlf + B(0) + crlf;
    t.description = B(1) + crlf + B(2) + crlf + B(3) + crlf + B(4) + crlf + crlf + B(5) + crlf + B(8) + crlf + B(9)
        + crlf + B(10) + crlf + B(11);
    return t;
}

void StartSysInfo(IRegistryAccess& registry, IDialogs& dialogs)
{
    QString path;
    if (registry.ReadValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                           QStringLiteral("PATH"), path)) {
        if (dialogs.StartProgram(path, {}))
            return;
    } else if (registry.ReadValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                                  QStringLiteral("MSINFO"), path)) {
        const QString program = path + QStringLiteral("/MSINFO32.EXE");
        if (QFileInfo(program).isFile() && dialogs.StartProgram(program, {}))
            return;
    }
    dialogs.MsgBox(localeIsEnglish() ? QStringLiteral("System Information Is Unavailable At This Time")
                                     : QStringLiteral("Systeminformationen sind zurzeit nicht verfügbar"),
                   vbInformation | vbOKOnly);
}
