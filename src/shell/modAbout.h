#pragma once
// The texts of the About box and the start of the system-information tool,
// without the window.
#include <QString>
#include <cstdint>

class IDialogs;
class IRegistryAccess;

struct AboutTexts {
    QString caption;
    QString okCaption;
    QString sysInfoCaption;
    QString version;
    QString title;
    QString description;
};

// The branding records of the company (string-table entries company * 100 + k) and the version text.
AboutTexts aboutTexts(int32_t companyId, const QString& version);

// Starts the tool the machine-wide store names; tells the user when there is none.
void StartSysInfo(IRegistryAccess& registry, IDialogs& dialogs);
