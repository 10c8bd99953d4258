#pragma once
// The number conversions the settings rely on: Val (leading number, 0 when
// none), CLng and CSng (whole text must be a number, else no value).
#include <QString>
#include <cstdint>
#include <optional>

// The leading number of the text, blanks ignored; 0 when the text starts with no number.
double vbVal(const QString& text);
// Rounds half to even, as the classic conversions do.
int32_t vbRound(double value);
// The text as a 32-bit number, rounded; nothing when it is no number or out of range.
std::optional<int32_t> vbCLng(const QString& text);
// The text as a single-precision number; nothing when it is no number.
std::optional<float> vbCSng(const QString& text);
