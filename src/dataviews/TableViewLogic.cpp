#include "TableViewLogic.h"

#include "devices/clsConvertXml.h"
#include "platform/DeviceChannel.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <array>

namespace tableview {

int32_t capLength(int32_t length)
{
    return std::clamp(length, 0, kMaxRegisters);
}

int32_t decideTableLength(int32_t pos, int32_t table, IDeviceChannel* channel, const clsConvertXml& reader,
                          pugi::xml_node node, int32_t length, int32_t& lastResult, bool& lengthLost)
{
    lengthLost = false;
    // A terminal's table has 64 registers whatever its description says.
    if (pos != 0)
        return kTerminalLength;
    // Table 127 lists the lengths of tables 0 to 126 only.
    if (table == kLengthTable)
        return kLengthTable;

    std::array<int32_t, 1> word{length};
    if (channel) {
        lastResult = channel->VbRegSyncReadReq(pos, kLengthTable, table, 1, word);
        if (lastResult == 0)
            return capLength(word[0]);
        int32_t described = -1;
        reader.GetTableLength(node, table, described);
        lengthLost = described < 0;
        return capLength(lengthLost ? length : described);
    }
    // Offline the description's table 127 answers: 65535 without the table, 0 without the register.
    word[0] = 0;
    lastResult = reader.GetTableValues(node, kLengthTable, table, 1, word) ? 1 : 0;
    return capLength(word[0]);
}

RegisterEdit registerEdit(WordFormat format, const QString& text)
{
    const RegisterWord entry = parseRegisterWord(format, text);
    switch (entry.verdict) {
    case WordVerdict::Word: return {EditVerdict::Accepted, entry.word};
    case WordVerdict::NoEntry: return {EditVerdict::NoEntry, 0};
    case WordVerdict::NotANumber:
    case WordVerdict::OutOfRange: break;
    }
    return {EditVerdict::Invalid, 0};
}

RegisterEdit parseRegisterEdit(int column, const QString& text)
{
    switch (column) {
    case RegisterTableModel::ColHex: return registerEdit(WordFormat::Hex, text);
    case RegisterTableModel::ColUint: return registerEdit(WordFormat::Unsigned, text);
    case RegisterTableModel::ColBin: return registerEdit(WordFormat::Binary, text);
    default: return {EditVerdict::NotEditable, 0};
    }
}

RegisterTableModel::Row rowTexts(int reg, int32_t value, const QString& description)
{
    return {QStringLiteral("%1").arg(reg, 3, 10, QLatin1Char('0')), ValToHexStr(value), QString::number(value),
            ValToBinStr(value), description};
}

RegisterTableModel::Row unreadRowTexts(int reg, const QString& description)
{
    return {QStringLiteral("%1").arg(reg, 3, 10, QLatin1Char('0')), QString(), QString(), QString(), description};
}

QString invalidEntryMessage()
{
    return LoadResString(701) + QStringLiteral("\n\n") + LoadResString(702);
}

QString readFailedText(int32_t table, int32_t code, bool english)
{
    const QString pattern = english ? QStringLiteral("Reading table %1 failed: code %2 (%3).")
                                    : QStringLiteral("Lesen der Tabelle %1 fehlgeschlagen: Code %2 (%3).");
    return pattern.arg(table).arg(code).arg(channelResultText(code, english));
}

QString lengthReadFailedText(int32_t table, int32_t code, bool english)
{
    const QString pattern = english
        ? QStringLiteral("Reading the length of table %1 (table %2, register %1) failed: code %3 (%4).")
        : QStringLiteral("Lesen der Länge von Tabelle %1 (Tabelle %2, Register %1) fehlgeschlagen: Code %3 (%4).");
    return pattern.arg(table).arg(kLengthTable).arg(code).arg(channelResultText(code, english));
}

QString noAnswerText(int32_t code, bool english)
{
    const QString pattern = english ? QStringLiteral("The device does not answer: code %1 (%2).")
                                    : QStringLiteral("Das Gerät antwortet nicht: Code %1 (%2).");
    return pattern.arg(code).arg(channelResultText(code, english));
}

QString writeFailedText(int32_t reg, int32_t writeCode, int32_t readCode, bool english)
{
    const auto code = [english](int32_t c) { return QStringLiteral("%1 (%2)").arg(c).arg(channelResultText(c, english)); };
    if (readCode != 0 && writeCode != 0)
        return (english ? QStringLiteral("Register %1 is not verified: writing gave code %2, reading back gave code %3.")
                        : QStringLiteral("Register %1 ist nicht bestätigt: Schreiben ergab Code %2, Zurücklesen ergab "
                                         "Code %3."))
            .arg(reg).arg(code(writeCode), code(readCode));
    if (readCode != 0)
        return (english ? QStringLiteral("Register %1 is not verified: reading back gave code %2.")
                        : QStringLiteral("Register %1 ist nicht bestätigt: Zurücklesen ergab Code %2."))
            .arg(reg).arg(code(readCode));
    if (writeCode != 0)
        return (english ? QStringLiteral("Writing register %1 gave code %2. The row shows the value read back.")
                        : QStringLiteral("Schreiben von Register %1 ergab Code %2. Die Zeile zeigt den zurückgelesenen "
                                         "Wert."))
            .arg(reg).arg(code(writeCode));
    return {};
}

} // namespace tableview
