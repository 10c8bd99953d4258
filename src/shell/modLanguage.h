#pragma once
// The main window's texts in both languages: menu captions, toolbar tooltips,
// the window caption, the log line of a switch and the help file to use.
#include <QString>
#include <cstdint>
#include <vector>

// One menu item the language switch re-captions. Items it leaves alone (the
// separators and those with a single caption) are not listed.
struct MenuCaption {
    const char* target; // menu array name, or the top-level menu's name
    int index;          // -1 for a top-level menu
    const char* german;
    int englishId;           // string-table entry, 0 when the English text is fixed
    const char* englishText; // the fixed English text
};

struct ToolbarTooltip {
    int position;
    const char* german;
    int englishId;
    const char* englishText;
};

const std::vector<MenuCaption>& fMenuCaptions();
const std::vector<ToolbarTooltip>& fToolbarTooltips();

// Language 1 gives the English text, every other value the German one.
QString fMenuCaptionText(const MenuCaption& caption, int32_t language);
QString fToolbarTooltipText(const ToolbarTooltip& tooltip, int32_t language);

// "<short name>   <product name>   " from the company's branding entries.
QString fMainWindowCaption(int32_t companyId);

// "Language switched to german" for 0, "... english" for any other value; CR LF ended.
QString fLanguageSwitchLogLine(int32_t language);

// The help file after a switch to language; current where the company and
// language choose none. The German and English files of the maker's edition
// fall back to the program folder's file when missing.
QString fLanguageHelpFile(const QString& current, int32_t companyId, int32_t language,
                          const QString& resCommonFolder, const QString& programFolder);
