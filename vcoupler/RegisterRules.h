#pragma once
// Register-level behaviour of the virtual coupler beyond plain tables: the
// codeword that unlocks a terminal channel's user registers, and the faults
// that make single registers refuse writes, fail reads or keep some bits.
#include "Station.h"

#include <QString>
#include <map>
#include <tuple>

// (position, table, register)
using RegisterKey = std::tuple<int, int, int>;

struct RegisterFaults {
    std::map<RegisterKey, uint16_t> masks;   // a write changes only these bits
    std::map<RegisterKey, int> failReads;    // every read that covers the register answers the code
    std::map<RegisterKey, int> failWrites;   // every write that covers it answers the code
};

// A decimal or 0x number within min..max, for the command-line options.
bool parseOptionInt(const QString& text, int min, int max, int& out);

// "[POS/]TABLE/REG:NUMBER" into the map; false when the text does not fit.
bool parseRegisterFault(const QString& text, int maxNumber, std::map<RegisterKey, int>& into);
bool parseRegisterMask(const QString& text, std::map<RegisterKey, uint16_t>& into);

// The code of the first faulty register the request covers, 0 when none.
int registerReadFault(const RegisterFaults& faults, const proto::RegisterRequest& request);
int registerWriteFault(const RegisterFaults& faults, const proto::RegisterRequest& request);

// Stores a write, register by register: a terminal channel's user registers
// (32..63) take a value only while its register 31 holds the codeword; masks keep bits.
void applyRegisterWrite(RegisterTable& table, const proto::RegisterRequest& request, const RegisterFaults& faults);
