#pragma once
// Numbers given on the command line and in control commands.
#include <QString>

// A decimal or 0x hexadecimal number within min..max; out is set only then.
inline bool toInt(const QString& text, int min, int max, int& out)
{
    bool ok = false;
    const int value = text.toInt(&ok, 0);
    if (!ok || value < min || value > max)
        return false;
    out = value;
    return true;
}
