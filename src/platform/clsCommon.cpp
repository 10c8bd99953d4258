#include "clsCommon.h"

#include "LocaleInfo.h"
#include "RegistryAccess.h"
#include "RegistryStore.h"
#include "VbConvert.h"

namespace {
const QString kLanguage = QStringLiteral("Language");
}

clsCommon::clsCommon(IRegistryAccess* registry, ILocaleInfo* locale, QObject* parent)
    : QObject(parent)
    , m_registry(registry)
    , m_locale(locale)
{
    LoadLanguage();
}

clsCommon::~clsCommon()
{
    SaveLanguage();
}

void clsCommon::setDevChannel(int32_t value)
{
    m_devChannel = value;
    Q_EMIT ChangedDevChannel(m_devChannel);
}

void clsCommon::setLanguageType(int32_t value)
{
    m_languageType = value;
    if (m_locale && (value == 0 || value == 1)) {
        int32_t status = 0;
        m_locale->SetLocale(value == 0 ? 7 : 9, 1, status);
        (void)status; // the locale helper's result is not examined
    }
    Q_EMIT ChangedLanguage(m_languageType);
    SaveLanguage();
}

void clsCommon::LoadLanguage()
{
    QString text;
    int32_t language = 0;
    if (m_registry && m_registry->ReadValue(HKEY_CURRENT_USER, CompanyRegKey(), kLanguage, text))
        language = vbRound(vbVal(text));
    else if (m_registry)
        m_registry->WriteValueEx(HKEY_CURRENT_USER, CompanyRegKey(), kLanguage, QStringLiteral("0"));
    setLanguageType(language);
}

void clsCommon::SaveLanguage()
{
    if (!m_registry)
        return;
    // The digit padded with a blank: "0 " German, "1 " English.
    const QString text = QString::number(m_languageType).leftJustified(2, QLatin1Char(' '));
    if (!m_registry->WriteValue(HKEY_CURRENT_USER, CompanyRegKey(), kLanguage, text))
        // Retry the same text; the assigned language stays in force.
        m_registry->WriteValueEx(HKEY_CURRENT_USER, CompanyRegKey(), kLanguage, text);
}
