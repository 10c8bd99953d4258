#pragma once
// What the register table view decides without a window: how many registers
// a table has, what an edited cell means, and the texts of a row.
#include "RegisterTableModel.h"
#include "platform/ModDataConvert.h"

#include <QString>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;
class clsConvertXml;

namespace tableview {

inline constexpr int32_t kMaxRegisters = 256; // the view's register buffer
inline constexpr int32_t kLengthTable = 127;  // the coupler's table of table lengths
inline constexpr int32_t kTerminalLength = 64;

// The number of registers shown for table `table` of the device at `pos`
// (0 the coupler). channel null means offline. `length` is the value kept from
// an earlier load; the description keeps it when it knows no such table.
// Result 0..256. lastResult receives the result of the last call made;
// lengthLost is set when the table-127 read failed and the description names
// no length either, so the kept length stands in for one never read.
int32_t decideTableLength(int32_t pos, int32_t table, IDeviceChannel* channel, const clsConvertXml& reader,
                          pugi::xml_node node, int32_t length, int32_t& lastResult, bool& lengthLost);

// Lengths outside 0..256 would read past the register buffer.
int32_t capLength(int32_t length);

enum class EditVerdict {
    Accepted,    // value holds the register word to write
    Invalid,     // no number of the format, or none a register holds: tell the user, restore the cell
    NoEntry,     // nothing was typed: restore the cell silently
    NotEditable, // not a value column
};

struct RegisterEdit {
    EditVerdict verdict = EditVerdict::NotEditable;
    int32_t value = 0; // the register word, 0..65535
};

// What a typed text means to a grid cell of the given format.
RegisterEdit registerEdit(WordFormat format, const QString& text);
// Checks and converts the text typed into column HEX, UINT or BIN.
RegisterEdit parseRegisterEdit(int column, const QString& text);

// Offset '000'..'255', HEX, UINT, BIN and the description of register `reg`.
RegisterTableModel::Row rowTexts(int reg, int32_t value, const QString& description);
// A row whose value could not be read: offset and description, no value.
RegisterTableModel::Row unreadRowTexts(int reg, const QString& description);

// "Invalid entry", two line breaks, "Original value will be recovered !".
QString invalidEntryMessage();
// Status texts for the failures the view reports without a message box.
QString readFailedText(int32_t table, int32_t code, bool english);
// The table-127 read of table's length failed with code.
QString lengthReadFailedText(int32_t table, int32_t code, bool english);
// The device gave no answer (a lost link): what it holds now is unknown.
QString noAnswerText(int32_t code, bool english);
// What an edit of register reg ended with: empty when the write and the read-back
// succeeded, else the failed step(s) with their codes.
QString writeFailedText(int32_t reg, int32_t writeCode, int32_t readCode, bool english);

} // namespace tableview
