#pragma once
// What the controller settings view decides without a window: which terminals
// get a row, how their assignment codes sit in table 1, what register 14's
// bits mean to the controls, and how a cycle time is written.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <span>
#include <vector>

namespace controller {

inline constexpr int32_t kSettingsTable = 1;
inline constexpr int32_t kSettingsCount = 16;
inline constexpr int32_t kCycleTable = 98;
inline constexpr int32_t kCycleCount = 4;
inline constexpr int32_t kFirstAssignReg = 4;
// Registers 4..11 hold two bits per terminal; terminals past these have no field.
inline constexpr int kAssignableTerminals = 64;
inline constexpr int32_t kOptionReg = 14;

// The register each editTab1Reg(i) shows.
inline constexpr std::array<int32_t, 7> kEditRegisters = {0, 1, 2, 3, 15, 12, 13};

// Register 14 bit of each chkVRx(i); -1: the box has no bit.
inline constexpr std::array<int, 9> kCheckBits = {0, -1, 4, 5, 6, 7, 8, 9, 11};
// Boxes shown but never written back.
inline constexpr int kReadOnlyBox = 8;

// Values of bits 2-3 for optPlcTermbusUpdate(0..2); 12 selects none.
inline constexpr std::array<int32_t, 3> kBusUpdateValues = {0, 4, 8};
inline constexpr int32_t kBusUpdateMask = 12;

struct TerminalRow {
    int pos = 0;      // the row number, 1 for the first terminal
    QString name;     // the Device element's Name
    bool assignable = true;
};

// The rows of the terminal grid: the Device elements after the first among the
// node's siblings, without a closing end terminal.
std::vector<TerminalRow> terminalRows(pugi::xml_node node);

// Code of terminal i (1-based) in the table-1 image; i past 64 has none.
int32_t assignmentCode(std::span<const int32_t> regs, int terminal);
// The codes of terminals 1..codes.size() (at most 64) into their fields of registers 4..11;
// every other bit keeps its value.
void packAssignments(std::span<int32_t> regs, std::span<const int32_t> codes);

struct OptionControls {
    std::array<bool, kCheckBits.size()> checked{};
    std::optional<int> busUpdate; // index of the selected option; none for 12
};

OptionControls decodeOptions(int32_t reg14);
// Register 14 from the controls, keeping every bit no control writes.
int32_t encodeOptions(int32_t reg14, const OptionControls& controls);

// A table-98 value (units of 8 us) in milliseconds, "00.000", with a point in every language.
QString cycleTimeText(int32_t value);

// The value list of the "Link terminal" column; code 1 has no text.
inline constexpr std::array<int32_t, 3> kAssignmentCodes = {0, 2, 3};
QString assignmentText(int32_t code);

} // namespace controller
