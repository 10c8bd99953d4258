#include "modLanguage.h"

#include "platform/FileUtils.h"
#include "platform/StringTable.h"

const std::vector<MenuCaption>& fMenuCaptions()
{
    static const std::vector<MenuCaption> captions = {
        {"mnuMainItemProject", -1, "&Projekt", 600, nullptr},
        {"mnuProjectItem", 1, "&Neu...", 601, nullptr},
        {"mnuProjectItem", 2, "Ö&ffnen...", 602, nullptr},
        {"mnuProjectItem", 3, "&Löschen...", 603, nullptr},
        {"mnuProjectItem", 5, "&Sichern", 604, nullptr},
        {"mnuProjectItem", 6, "Sichern &unter...", 605, nullptr},
        {"mnuProjectItem", 8, "&Import", 606, nullptr},
        {"mnuProjectItem", 9, "E&xport", 607, nullptr},
        {"mnuProjectItem", 11, "Druck Eigensc&haften", 608, nullptr},
        {"mnuProjectItem", 12, "&Drucken", 609, nullptr},
        {"mnuProjectItem", 21, "&Beenden", 610, nullptr},
        {"mnuMainItemOnline", -1, "O&nline", 615, nullptr},
        {"mnuOnlineItem", 1, "&Einloggen", 616, nullptr},
        {"mnuOnlineItem", 2, "&Ausloggen", 617, nullptr},
        {"mnuOnlineItem", 4, "&Prozeßabbild (zykl.)...", 618, nullptr},
        {"mnuOnlineItem", 7, "K&lemmen", 619, nullptr},
        {"mnuOnlineTerminalItem", 0, "Script Init...", 622, nullptr},
        {"mnuOnlineItem", 8, "K&oppler", 620, nullptr},
        {"mnuOnlineCouplerItem", 0, "&Dienste", 623, nullptr},
        {"mnuOnlineCouplerItem", 2, "Script Init...", 622, nullptr},
        {"mnuOnlineCouplerItem", 5, "Firmware Update...", 625, nullptr},
        {"mnuOnlineItem", 12, "&DevOnly", 621, nullptr},
        {"mnuOnlineItem", 14, "Firmware Load...", 624, nullptr},
        {"mnuOnlineItem", 16, "&Konvertierung von Script Dateien in XML ...", 0,
         "&Conversion of script files in XML ..."},
        {"mnuMainItemOption", -1, "&Optionen", 629, nullptr},
        {"mnuOptionItem", 0, "&Sprache", 630, nullptr},
        {"mnuLanguageItem", 0, "&Deutsch", 633, nullptr},
        {"mnuLanguageItem", 1, "&Englisch", 634, nullptr},
        {"mnuOptionItem", 1, "&Kommunikationskanal...", 645, nullptr},
        {"mnuOptionItem", 2, "&Grafik der Station anzeigen", 646, nullptr},
        {"mnuOptionItem", 3, "Online &Monitoring", 647, nullptr},
        {"mnuOptionItem", 4, "Ansicht", 0, "View"},
        {"mnuOptionAnsichtItem", 0, "Berichtsbox", 0, "Reportbox"},
        {"mnuOptionAnsichtItem", 1, "Baumansicht", 0, "Treeview"},
        {"mnuOptionItem", 5, "Erstelle neue XML Geräte Dateien", 0, "Create new XML device files"},
        {"mnuMainItemHelp", -1, "&Hilfe", 637, nullptr},
        {"mnuHelpItem", 1, "Hilfe-Assistent...", 638, nullptr},
        {"mnuHelpItem", 3, "&Produkt", 0, "???? "},
        {"mnuHelpItem", 5, "&Info", 639, nullptr},
    };
    return captions;
}

const std::vector<ToolbarTooltip>& fToolbarTooltips()
{
    static const std::vector<ToolbarTooltip> tooltips = {
        {9, "Einloggen", 616, nullptr},       {10, "Ausloggen", 617, nullptr},
        {18, "Baumansicht", 0, "Treeview"},   {19, "Berichtsbox", 0, "Reportbox"},
        {23, "Hilfe", 637, nullptr},          {24, "Information", 639, nullptr},
    };
    return tooltips;
}

namespace {
QString englishOrGerman(int32_t language, const char* german, int englishId, const char* englishText)
{
    if (language != 1)
        return QString::fromUtf8(german);
    return englishId != 0 ? LoadResString(englishId) : QString::fromUtf8(englishText);
}
} // namespace

QString fMenuCaptionText(const MenuCaption& caption, int32_t language)
{
    return englishOrGerman(language, caption.german, caption.englishId, caption.englishText);
}

QString fToolbarTooltipText(const ToolbarTooltip& tooltip, int32_t language)
{
    return englishOrGerman(language, tooltip.german, tooltip.englishId, tooltip.englishText);
}

QString fMainWindowCaption(int32_t companyId)
{
    const QString gap = QStringLiteral("   ");
    return LoadResString(companyId * 100 + 7) + gap + LoadResString(companyId * 100 + 6) + gap;
}

QString fLanguageSwitchLogLine(int32_t language)
{
    return QStringLiteral("Language switched to ") + (language == 0 ? QStringLiteral("german") : QStringLiteral("english"))
        + QStringLiteral("\r\n");
}

QString fLanguageHelpFile(const QString& current, int32_t companyId, int32_t language,
                          const QString& resCommonFolder, const QString& programFolder)
{
    switch (companyId) {
    case 0: {
        QString candidate;
        if (language == 0)
            candidate = resCommonFolder + QStringLiteral("/Help/1031/TD4700.chm");
        else if (language == 1)
            candidate = resCommonFolder + QStringLiteral("/Help/1033/TD4700.chm");
        else
            return current;
        // The fallback itself is not checked: the help command reports a missing file.
        return fFileExists(candidate) ? candidate : programFolder + QStringLiteral("/TD4700.chm");
    }
    case 1: return programFolder + QStringLiteral("/LinovoDesign.chm");
    case 3: return programFolder + QStringLiteral("/IO-Planwerk.chm");
    default: return current;
    }
}
