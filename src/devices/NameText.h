#pragma once
// Number formatting of device names: Format(x, "0000") writes at least that many
// digits, padded with leading zeros (a negative value keeps its sign in front).
#include <QString>
#include <cstdint>

inline QString formatZeros(int64_t value, int digits)
{
    const QString text = QString::number(value < 0 ? -value : value).rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + text : text;
}
