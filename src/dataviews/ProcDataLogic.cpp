#include "ProcDataLogic.h"

#include "platform/ModDataConvert.h"

#include <algorithm>

namespace procdata {

RowWindow visibleWindow(int topRow, int bottomRow, int rowCount)
{
    const int32_t limit = std::min(rowCount, kRows);
    if (topRow < 0 || topRow >= limit)
        return {};
    const int32_t rows = bottomRow < 0 ? rowCount - topRow : bottomRow - topRow + 1;
    return {topRow, std::clamp(rows, 0, limit - topRow)};
}

QString formatWord(int format, int32_t word)
{
    switch (format) {
    case FmtHex:
        // Not ValToHexStr: a blank after the prefix and exactly two digits a byte.
        return QStringLiteral("0x ") + QStringLiteral("%1").arg(word & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
    case FmtHexPlain:
        return Hex4(word);
    case FmtInt16:
        return QString::number(valueOrZero(ToInt16(word)));
    case FmtBinary:
        return ValToBinStr(word);
    default:
        return QString::number(ValToVar(word));
    }
}

tableview::RegisterEdit parseOutputEntry(int format, const QString& text)
{
    switch (format) {
    case FmtHex:
    case FmtHexPlain: return tableview::registerEdit(WordFormat::Hex, text);
    case FmtInt16: return tableview::registerEdit(WordFormat::Signed, text);
    case FmtUInt16: return tableview::registerEdit(WordFormat::Unsigned, text);
    case FmtBinary: return tableview::registerEdit(WordFormat::Binary, text);
    default: return {tableview::EditVerdict::NotEditable, 0};
    }
}

QString readErrorLine(int32_t result, int32_t table, int32_t first, int32_t rows)
{
    return QStringLiteral("ProcData Error: Err/Table/FirstRow/RowSize %1 %2 %3 %4\r\n")
        .arg(result)
        .arg(table)
        .arg(first)
        .arg(rows);
}

QString writeErrorLine(int32_t result, int32_t table, int32_t reg, int32_t value)
{
    return QStringLiteral("ProcData Error: Write Err/Table/Row/Value %1 %2 %3 %4\r\n")
        .arg(result)
        .arg(table)
        .arg(reg)
        .arg(value);
}

QString invalidEntryMessage()
{
    return QStringLiteral("Fehlerhafte Eingabe !\n\nDer ursprüngliche Eintrag wird wiederhergestellt !");
}

} // namespace procdata
