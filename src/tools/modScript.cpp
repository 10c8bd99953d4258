#include "modScript.h"

#include "ScriptFile.h"
#include "devices/modCouplerDesc.h"
#include "platform/DeviceChannel.h"
#include "platform/LocaleInfo.h"
#include "platform/LogBox.h"
#include "platform/ModDataConvert.h"
#include "platform/StringTable.h"

#include <algorithm>

namespace {

constexpr int32_t kChannelCountRegister = 11;
constexpr int32_t kCodewordRegister = 31;

const QString CrLf = QStringLiteral("\r\n");

// At least `digits` digits with the sign in front ("-0005"), as the old number format gave.
QString padded(int32_t value, int digits)
{
    const QString magnitude = QString::number(qAbs(int64_t(value))).rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + magnitude : magnitude;
}

void log(ILogBox* box, const QString& text) { AppendLogText(box, text); }

struct Verify {
    enum Kind { Ok, Mismatch, LinkLost } kind = Ok;
    int32_t code = ChOk; // the failed write's or read-back's; 0 for a value read back that differs
};

Verify failed(int32_t rc) { return {isTransportFailure(rc) ? Verify::LinkLost : Verify::Mismatch, rc}; }

// Writes one register and reads it back; a failed write or read is a value that does not verify.
Verify writeAndVerify(IDeviceChannel* channel, int32_t pos, int32_t table, int32_t offset, int32_t value)
{
    const int32_t written[1] = {value};
    if (const int32_t rc = channel->VbRegSyncWriteReq(pos, table, offset, 1, written); rc != ChOk)
        return failed(rc); // nothing to read back: a dead link would make the user wait twice
    int32_t readBack[1] = {0};
    if (const int32_t rc = channel->VbRegSyncReadReq(pos, table, offset, 1, readBack); rc != ChOk)
        return failed(rc);
    return {readBack[0] == value ? Verify::Ok : Verify::Mismatch, ChOk};
}

// "OK", or the verdict with the channel's code when the write or read-back failed.
QString verdict(const Verify& verify, const QString& failure)
{
    if (verify.kind == Verify::Ok)
        return QStringLiteral("OK");
    return verify.code == ChOk ? failure : failure + QStringLiteral(" (Code: %1)").arg(verify.code);
}

int32_t writeCodeword(IDeviceChannel* channel, int32_t pos, int32_t table, int32_t codeword)
{
    const int32_t word[1] = {codeword};
    return channel->VbRegSyncWriteReq(pos, table, kCodewordRegister, 1, word);
}

// "Set codeword", or with the failure and its code: a channel left unlocked must not pass unseen.
QString codewordLine(const QString& step, int32_t rc)
{
    return rc == ChOk ? step : step + QStringLiteral(": Fehler (Code: %1)").arg(rc);
}

// A register's line up to its verdict; a value no register holds is shown as the script gives it.
QString registerLine(const ScriptRegister& reg)
{
    if (reg.value.ok())
        return scriptRegisterLine(*reg.offset, reg.value.word);
    constexpr qsizetype kShownChars = 24; // the value text may be any length
    const QString text = reg.valueText.size() > kShownChars ? reg.valueText.left(kShownChars) + QStringLiteral("...")
                                                            : reg.valueText;
    return QStringLiteral("Register: ") + padded(*reg.offset, 3) + QStringLiteral("\tDatum : ") + text
           + QStringLiteral(" (kein 16-Bit-Wert, nicht geschrieben)\tVerify : ");
}

} // namespace

QString scriptRegisterLine(int32_t offset, int32_t value)
{
    return QStringLiteral("Register: ") + padded(offset, 3) + QStringLiteral("\tDatum : ") + Hex4(value)
           + QStringLiteral(" (") + padded(value, 5) + QStringLiteral(")\tVerify : ");
}

bool ScriptInitCoupler(const pugi::xml_node& script, IDeviceChannel* channel, ILogBox* box)
{
    const auto abort = [box] {
        log(box, QStringLiteral("Error script-init ! Abort.") + CrLf);
        return false;
    };
    if (!script || !channel)
        return abort();

    for (const ScriptTable& table : readCouplerScript(script).tables) {
        if (!table.number)
            return abort();
        log(box, CrLf + QStringLiteral("Tabelle: ") + padded(*table.number, 3) + CrLf);
        for (const ScriptRegister& reg : table.registers) {
            if (!reg.readable())
                return abort();
            // A value no register holds is not sent: it fails like one that does not verify.
            const Verify verify = reg.value.ok() ? writeAndVerify(channel, 0, *table.number, *reg.offset, reg.value.word)
                                                 : Verify{Verify::Mismatch, ChOk};
            log(box, registerLine(reg) + verdict(verify, QStringLiteral("Fehler"))
                         + QLatin1Char('\t') + reg.desc + CrLf);
            if (verify.kind != Verify::Ok)
                return abort();
        }
    }
    return true;
}

int32_t ReadTerminalList(IDeviceChannel* channel, TerminalList& list)
{
    list.fill(0);
    if (!channel)
        return ChNotOpen;
    return channel->VbRegSyncReadReq(0, 9, 0, 255, std::span<int32_t>(list.data(), 255));
}

bool isRegisterTerminal(int32_t entry) { return entry != 0 && entry != 0xFFFF && (entry & 0x8000) == 0; }

int32_t DefaultEndPosition(const TerminalList& list)
{
    // Up to the end of the list: the last register terminal, or one past the walked
    // digital ones when there is none.
    int32_t counter = 1;
    for (int32_t pos = 1; pos < int32_t(list.size()); ++pos) {
        const int32_t entry = list[size_t(pos)];
        if (entry == 0 || entry == 0xFFFF)
            break;
        ++counter;
        if ((entry & 0x8000) == 0)
            counter = pos;
    }
    return std::clamp(counter, 1, 255);
}

QString terminalAbortLine()
{
    return LoadResString(401) + QLatin1Char(' ') + LoadResString(744) + QLatin1Char(' ') + LoadResString(506)
           + QLatin1Char(' ') + CrLf;
}

namespace {

// What a terminal run did, for its last line: registers are counted in the channels of
// the terminals whose channel count was read; of the others only the terminals are known.
struct RunTally {
    int unverified = 0; // written or refused, and not verified
    int planned = 0;    // every register of every channel of the terminals read
    int tried = 0;
    int terminalsRead = 0;
};

bool runTerminalScript(const pugi::xml_node& script, IDeviceChannel* channel, ILogBox* box, const TerminalRun& run,
                       RunTally& tally)
{
    int32_t unlockedPos = -1, unlockedTable = -1;
    const auto abort = [&] {
        // The channel the run was in is locked again before the run ends: one try, also after a
        // lost answer, which may have been carried out.
        if (unlockedPos >= 0) {
            const int32_t rc = writeCodeword(channel, unlockedPos, unlockedTable, 0);
            log(box, CrLf + codewordLine(QStringLiteral("Delete codeword"), rc) + CrLf);
        }
        log(box, terminalAbortLine());
        return false;
    };
    if (!script || !channel)
        return abort();

    const TerminalScript terminal = readTerminalScript(script);
    for (const QString& text : terminal.channelRegisterTexts)
        log(box, QStringLiteral("Register node read: ") + text + CrLf);

    for (int32_t pos = run.startPos; pos <= run.endPos; ++pos) {
        if (pos < 0 || pos > 255)
            return abort();
        if (!isRegisterTerminal(run.terminals[size_t(pos)]))
            continue;
        log(box, CrLf + LoadResString(404) + QStringLiteral(": ") + QString::number(pos) + CrLf);

        int32_t word[1] = {0};
        const int32_t rc = channel->VbRegSyncReadReq(pos, 0, kChannelCountRegister, 1, word);
        if (rc != ChOk) {
            // Without the channel count the tables of this terminal are unknown: none is touched.
            log(box, QStringLiteral("Read channel count: Fehler (Code: %1)").arg(rc) + CrLf);
            if (isTransportFailure(rc))
                return abort(); // the device is gone: every further position would only wait
            continue;
        }
        const int32_t channels = (word[0] >> 8) & 0xFF;
        ++tally.terminalsRead;
        tally.planned += channels * int(terminal.registers.size());
        for (int32_t table = 0; table < channels; ++table) {
            log(box, CrLf + QStringLiteral("Channel: ") + QString::number(table + 1) + CrLf);
            unlockedPos = pos;
            unlockedTable = table;
            // Without the codeword no register takes its value; a lost link ends the run here.
            if (const int32_t rc = writeCodeword(channel, pos, table, kTerminalCodeword); rc != ChOk) {
                log(box, CrLf + codewordLine(QStringLiteral("Set codeword"), rc) + CrLf);
                return abort();
            }
            log(box, CrLf + QStringLiteral("Set codeword") + CrLf + CrLf);

            for (const ScriptRegister& reg : terminal.registers) {
                if (!reg.readable())
                    return abort();
                // A value no register holds is not sent: it is ignored like one that does not verify.
                const Verify verify = reg.value.ok() ? writeAndVerify(channel, pos, table, *reg.offset, reg.value.word)
                                                     : Verify{Verify::Mismatch, ChOk};
                ++tally.tried;
                tally.unverified += verify.kind == Verify::Ok ? 0 : 1;
                log(box, registerLine(reg) + verdict(verify, QStringLiteral("Ignore")) + QLatin1Char('\t') + reg.desc
                             + CrLf);
                // A lost link is no value to ignore: resuming would only wait out one time-out after another.
                if (verify.kind == Verify::LinkLost || (verify.kind == Verify::Mismatch && !run.resume))
                    return abort();
            }

            if (const int32_t rc = writeCodeword(channel, pos, table, 0); rc != ChOk) {
                log(box, CrLf + codewordLine(QStringLiteral("Delete codeword"), rc) + CrLf);
                return abort();
            }
            unlockedPos = -1;
            log(box, CrLf + QStringLiteral("Delete codeword") + CrLf + CrLf + QString(80, QLatin1Char('-')) + CrLf);
        }
    }
    return true;
}

} // namespace

QString unverifiedRegistersLine(int count, int notWritten, int terminalsLeftOut)
{
    const bool english = localeIsEnglish();
    QString line = (english ? QStringLiteral("Registers not verified: %1") : QStringLiteral("Nicht verifizierte Register: %1"))
                       .arg(count);
    if (notWritten > 0)
        line += (english ? QStringLiteral(", not written: %1") : QStringLiteral(", nicht geschriebene: %1")).arg(notWritten);
    if (terminalsLeftOut > 0)
        line += (english ? QStringLiteral(", register terminals left out: %1")
                         : QStringLiteral(", ausgelassene Registerklemmen: %1"))
                    .arg(terminalsLeftOut);
    return line + CrLf;
}

bool fScriptInitTerminal(const pugi::xml_node& script, IDeviceChannel* channel, ILogBox* box, const TerminalRun& run)
{
    RunTally tally;
    const bool done = runTerminalScript(script, channel, box, run, tally);
    int terminals = 0;
    for (int32_t pos = std::max(run.startPos, 0); pos <= std::min(run.endPos, 255); ++pos)
        terminals += isRegisterTerminal(run.terminals[size_t(pos)]) ? 1 : 0;
    log(box, unverifiedRegistersLine(tally.unverified, tally.planned - tally.tried, terminals - tally.terminalsRead));
    return done;
}
