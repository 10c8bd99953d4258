#include "ProcDataLogic.h"

#include "RegisterTableModel.h"
#include "platform/ModDataConvert.h"
#include "platform/VbConvert.h"

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
    using tableview::EditVerdict;
    switch (format) {
    case FmtHex:
    case FmtHexPlain:
        return tableview::parseRegisterEdit(RegisterTableModel::ColHex, text);
    case FmtInt16: {
        if (!IsIntString(text))
            return {EditVerdict::Invalid, 0};
        // "-" alone, an empty text and numbers outside 16 bits pass the check but are no entry.
        const std::optional<int32_t> v = vbCLng(text);
        if (!v || *v < -32768 || *v > 32767)
            return {EditVerdict::Unconvertible, 0};
        return {EditVerdict::Accepted, *v & 0xFFFF};
    }
    case FmtUInt16:
        return tableview::parseRegisterEdit(RegisterTableModel::ColUint, text);
    case FmtBinary:
        return tableview::parseRegisterEdit(RegisterTableModel::ColBin, text);
    default:
        return {EditVerdict::NotEditable, 0};
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
