#pragma once
// Initialisation scripts: the XML files that list register values for a
// coupler's tables (coupler scripts) or for every channel of the register
// terminals behind it (terminal scripts). Reading needs no window, so the
// runners and the fuzz target share it.
#include "platform/ModDataConvert.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <vector>

// Whole decimal integer, blanks around it allowed; anything else is no number.
std::optional<int32_t> scriptDecimal(const QString& text);
// Coupler notation: hexadecimal whenever the text passes IsHexString (so "10" is 16),
// else decimal. No digit at all ("", "0x") is no entry; a number outside 0..65535
// (more than four significant hex digits included) is out of range.
RegisterWord couplerScriptValue(const QString& text);
// Terminal notation: hexadecimal only after a lower-case "0x", else decimal.
RegisterWord terminalScriptValue(const QString& text);

// One Register element. A missing or unreadable Offset or Value stops the run
// that reaches it; registers before it are written. A value out of range is
// never sent: the runners log it as one that does not verify.
struct ScriptRegister {
    std::optional<int32_t> offset;
    RegisterWord value; // no entry when the Value element is missing
    QString valueText;  // as the script gives it
    QString desc;
    // Offset and Value are numbers; the value may still be none a register holds.
    bool readable() const { return offset && (value.ok() || value.verdict == WordVerdict::OutOfRange); }
};

struct ScriptTable {
    std::optional<int32_t> number; // the first Nummer child
    std::vector<ScriptRegister> registers;
};

struct CouplerScript {
    std::vector<ScriptTable> tables;
};

struct TerminalScript {
    std::vector<ScriptRegister> registers;
    // The text of every Register inside a Channel group: echoed into the log, never written.
    QStringList channelRegisterTexts;
};

// An element's text as the runners see it: its whole character data, trimmed.
QString scriptText(const pugi::xml_node& element);

CouplerScript readCouplerScript(const pugi::xml_node& script);
TerminalScript readTerminalScript(const pugi::xml_node& script);

// Sets desc to "" and, for a script node, to the text of its Desc child; false for no node.
bool GetScriptDesc(const pugi::xml_node& script, QString& desc);

// A loaded script file: the document and its Script element (none when the root is another).
class ScriptDocument {
public:
    // Replaces the document only when the new one loads; a failed load keeps the
    // previous document and script and returns false.
    bool load(const QString& path);
    bool loadBuffer(const char* data, size_t size);
    pugi::xml_node script() const { return m_doc.child("Script"); }

private:
    pugi::xml_document m_doc;
};

// The chosen path is a script file when its extension is "xml" in any letter case.
bool hasScriptExtension(const QString& path);
