#pragma once
// The register loops of the coupler and terminal script runners. They write
// through the channel, read every register back and log each step into the
// runner's own log box; nothing here needs a window.
#include <QString>
#include <array>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;
class ILogBox;

// "Register: 007\tDatum : 00FF (00255)\tVerify : ", the start of every register line.
QString scriptRegisterLine(int32_t offset, int32_t value);

// Writes every register of every Table into coupler tables and verifies it; stops at the
// first value that does not verify (a failed write or read-back included). True when all verified.
bool ScriptInitCoupler(const pugi::xml_node& script, IDeviceChannel* channel, ILogBox* log);

// Coupler table 9: entry 0 the coupler, entries 1.. the terminals in bus order.
using TerminalList = std::array<int32_t, 256>;
constexpr int32_t kTerminalCodeword = 0x5E3B;

// Reads registers 0..254 of coupler table 9 into the list (entry 255 stays 0); the channel's result.
int32_t ReadTerminalList(IDeviceChannel* channel, TerminalList& list);
// A register terminal: neither 0 nor 0xFFFF, bit 15 clear.
bool isRegisterTerminal(int32_t entry);
// The default last position of a run, 1..255, from the list as read at load.
int32_t DefaultEndPosition(const TerminalList& list);

struct TerminalRun {
    int32_t startPos = 1;
    int32_t endPos = 1;
    bool resume = false; // a value that does not verify is only logged
    TerminalList terminals{};
};

// "Error Script-Init Abort " and CR LF: how a terminal run that ends early ends its log.
QString terminalAbortLine();

// The last line of a terminal run, in the UI language: how many registers did not verify,
// and, when the run stopped or passed over a terminal, how many registers of the channels
// it knew were not written and how many register terminals it left out.
QString unverifiedRegistersLine(int count, int notWritten = 0, int terminalsLeftOut = 0);

// Unlocks every channel of every register terminal from start to end with the codeword,
// writes and verifies the script's registers there and locks the channel again, also when
// the run aborts. A codeword that could not be written aborts the run. The log ends with
// the count of registers that did not verify or were not written. True when the run went through to its end.
bool fScriptInitTerminal(const pugi::xml_node& script, IDeviceChannel* channel, ILogBox* log, const TerminalRun& run);
