#pragma once
// Register-word checks and conversions shared by the views, the tools and the
// description reader. A register word is 0..65535 carried in an int32_t.
// Texts are trimmed of blanks (code 32 only; tabs stay). Hexadecimal digits
// are the ASCII letters only, so no other script's letters pass as digits.
#include <QString>
#include <cstdint>
#include <optional>

bool IsHexString(const QString& text);  // hex digits and blanks after an optional "0x"
bool IsDecString(const QString& text);  // decimal digits only
bool IsIntString(const QString& text);  // decimal digits, one leading "-" allowed
bool IsBinString(const QString& text);  // "0", "1" and blanks
bool IsHexLiteral(const QString& text); // "0x" followed only by hex digits

// Value of hex digits up to the first other character, blanks ignored, as a
// 32-bit two's-complement number ("FFFF" 65535, "FFFFFFFF" -1); more than eight
// digits keep the low 32 bits.
double HexStrToVal(const QString& text);
// Binary digits read from the right, blanks skipped, up to the first other character.
// Long texts give weights beyond 2^31: range-check before converting to an integer.
double BinStrToVal(const QString& text);
// One to eight hex digits after an optional "0x"; anything else gives no value.
std::optional<int32_t> HexStrToLong(const QString& text);

QString ValToHexStr(int32_t value); // "0x" and at least four upper-case digits
QString ValToBinStr(int32_t value); // " 0000 0000 0000 0000", bit 15 first
inline int32_t ValToVar(int32_t value) { return value; }
std::optional<int32_t> ToInt16(int32_t value); // no value outside 0..65535
QString Hex4(int32_t value);                     // exactly the last four hex digits

// The one way typed or scripted text becomes a register word: every view and
// tool that writes a word it was given takes it from here.
enum class WordFormat {
    Hex,      // hex digits and blanks after an optional "0x", as IsHexString
    Unsigned, // decimal digits after an optional sign: 0..65535
    Signed,   // decimal digits after an optional sign: -32768..32767 as its 16-bit pattern
    Binary,   // "0", "1" and blanks, as IsBinString
};

enum class WordVerdict {
    Word,       // word holds 0..65535
    NoEntry,    // no digit once trimmed (and the hex prefix dropped): nothing was entered
    NotANumber, // a character the format does not take
    OutOfRange, // a number, but none a register holds; never cut to fit
};

struct RegisterWord {
    WordVerdict verdict = WordVerdict::NoEntry;
    int32_t word = 0; // 0..65535 when verdict is Word, else 0
    bool ok() const { return verdict == WordVerdict::Word; }
};

RegisterWord parseRegisterWord(WordFormat format, const QString& text);

// An empty result where a caller does arithmetic with it.
inline int32_t valueOrZero(const std::optional<int32_t>& v) { return v.value_or(0); }
