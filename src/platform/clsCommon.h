#pragma once
// The program-wide settings every subsystem reads.
#include <QObject>
#include <QString>
#include <cstdint>

class IRegistryAccess;
class ILocaleInfo;

class clsCommon : public QObject {
    Q_OBJECT
public:
    // Loads the UI language at once (Class_Initialize).
    clsCommon(IRegistryAccess* registry, ILocaleInfo* locale, QObject* parent = nullptr);
    ~clsCommon() override; // saves the UI language once more

    int32_t devChannel() const { return m_devChannel; }
    void setDevChannel(int32_t value); // raises ChangedDevChannel, also for an unchanged value
    int32_t AccessLevel() const { return m_accessLevel; }
    void setAccessLevel(int32_t value) { m_accessLevel = value; }
    int32_t CompanyID() const { return 0; }
    QString CompanyRegKey() const { return QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common"); }
    QString CompanyName() const { return QStringLiteral("Harmsted"); }
    int32_t LanguageType() const { return m_languageType; }
    void setLanguageType(int32_t value);
    int32_t ThreadLocale() const { return m_languageType > 0 ? 9 : 7; }
    QString PathFolderResCommon() const { return m_pathResCommon; }
    void setPathFolderResCommon(const QString& path) { m_pathResCommon = path; }
    QString PathFolderResFirmware() const { return m_pathResFirmware; }
    void setPathFolderResFirmware(const QString& path) { m_pathResFirmware = path; }

Q_SIGNALS:
    void ChangedLanguage(int32_t& languageType);
    void ChangedDevChannel(int32_t& devChannel);

private:
    void LoadLanguage();
    void SaveLanguage();

    IRegistryAccess* m_registry;
    ILocaleInfo* m_locale;
    QString m_pathResCommon;
    QString m_pathResFirmware;
    int32_t m_accessLevel = 0;
    int32_t m_languageType = 0;
    int32_t m_devChannel = 0;
};
