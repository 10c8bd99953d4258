// Fault matrix rows of the tools that write to a coupler, over the serial line
// and the network channel: the coupler script runner (protection lift, a
// register's write and read-back), the terminal script runner (terminal list,
// channel count, codeword, a register's write and read-back, codeword again)
// and the firmware update (begin, a block, end; and a coupler that refuses a
// block). Each row: the run ends within two time-outs after the fault, its log
// (and for the firmware its error box) says what failed, nothing after the
// failed step is written, a channel is locked again where the link still
// works, and the next healthy run goes through.
#include "common/FaultMatrix.h"
#include "common/HexImage.h"

#include "platform/DeviceChannel.h"
#include "platform/DeviceService.h"
#include "tools/frmFirmwareUpdate.h"
#include "tools/frmScriptInitCoupler.h"
#include "tools/frmScriptInitTerm.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = MatrixProgram::kTimeoutMs;

struct Stage {
    const char* name;
    const char* target;
    const char* logLine; // the line naming the failure; empty: the register's line
};

// Coupler table 0 register 1 (a guarded common setting), then table 5 registers 7 and 8.
const char* const kCouplerScript = R"(<Script><Desc>Matrix</Desc>
  <Table><Nummer>0</Nummer><Register><Offset>1</Offset><Value>3</Value></Register></Table>
  <Table><Nummer>5</Nummer>
    <Register><Offset>7</Offset><Value>FF</Value><Desc>Limit</Desc></Register>
    <Register><Offset>8</Offset><Value>0</Value></Register>
  </Table></Script>)";
const Stage kCouplerStages[] = {
    {"protection lift", "service:2/0", "Error Abolish protection"},
    {"register write", "write:0/5/7/1", ""},
    {"read-back", "read:0/5/7/1", ""},
};
// With the code of the write or read-back that failed.
const QString kCouplerFailed = QStringLiteral("Register: 007\tDatum : 00FF (00255)\tVerify : Fehler (Code: %1)\tLimit\r\n"
                                              "Error script-init ! Abort.\r\n");

// Register 32 in both channels of the register terminal at position 1.
const char* const kTerminalScript = "<Script><Register><Offset>32</Offset><Value>0x1234</Value><Desc>Gain</Desc>"
                                    "</Register></Script>";
const Stage kTerminalStages[] = {
    {"terminal list", "read:0/9/0/255", "Read terminal list: Fehler (Code: %1)"},
    {"channel count", "read:1/0/11/1", "Read channel count: Fehler (Code: %1)"},
    {"codeword set", "write:1/0/31/1", "Set codeword: Fehler (Code: %1)"},
    {"register write", "write:1/0/32/1", ""},
    {"read-back", "read:1/0/32/1", ""},
    {"codeword delete", "write:1/0/31/1#2", "Delete codeword: Fehler (Code: %1)"},
    // The list read at load was refused; Start reads it again.
    {"terminal list again at Start", "read:0/9/0/255", "Read terminal list: Fehler (Code: %1)"},
};
constexpr int kListAgainStage = 6;
const QString kTerminalIgnored = QStringLiteral("Register: 032\tDatum : 1234 (04660)\tVerify : Ignore (Code: %1)\tGain\r\n");
const QString kTerminalAbort = QStringLiteral("Error Script-Init Abort \r\n");
// The line every terminal run ends with, with what a stopped run did not write.
const QRegularExpression kUnverifiedCount(
    QStringLiteral("(Registers not verified|Nicht verifizierte Register): \\d+[^\r\n]*\r\n$"));

// A terminal run's log without that last line; empty when the line is missing.
QString withoutCount(const QString& log)
{
    return log.contains(kUnverifiedCount) ? QString(log).remove(kUnverifiedCount) : QString();
}

// Three blocks of 512 bytes at most, and the old and new firmware words.
const Stage kFirmwareStages[] = {
    {"begin", "service:0x20", ""},
    {"second block", "service:0x21#2", ""},
    {"end", "service:0x22", ""},
};
constexpr int kImageBytes = 1300;
constexpr uint16_t kFirmwareWords[2] = {47616, 45825};
const QString kRebootInfo = QStringLiteral("You have to reboot to activate new settings !");

} // namespace

class tst_FaultMatrixTools : public QObject, MatrixFixture {
    Q_OBJECT

    IDeviceChannel* channel() { return app().gObjDevChannel; }
    // The file the next file dialog answers with.
    void offerFile(const QString& name, const QByteArray& content)
    {
        const QString path = p().env().tempPath() + QLatin1Char('/') + name;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        dialogs().openFileAnswer = path;
    }
    // The firmware form on a file of the word the coupler does not run yet.
    std::unique_ptr<frmFirmwareUpdate> openFirmware(int32_t old, uint16_t& next)
    {
        next = old == kFirmwareWords[0] ? kFirmwareWords[1] : kFirmwareWords[0];
        offerFile(QStringLiteral("fw.hex"), hexImage(kImageBytes, next));
        auto form = std::make_unique<frmFirmwareUpdate>();
        form->RefreshData({}, channel(), QStringLiteral("FIRMWARE_UPDATE"));
        dialogs().messages.clear();
        return form;
    }
    // A failed run's one box names the code, and is not the reboot information.
    bool saysFailure(int32_t code)
    {
        const QStringList& m = dialogs().messages;
        return m.size() == 1 && namesCode(m[0], code) && !m[0].contains(kRebootInfo);
    }
    template <typename Form>
    std::unique_ptr<Form> openRunner(const char* script)
    {
        offerFile(QStringLiteral("script.xml"), script);
        auto form = std::make_unique<Form>();
        form->RefreshData({}, channel(), QString());
        return form;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(startMatrix(QStringLiteral("scripts.xml"), kTimeoutMs), qPrintable(p().coupler().output()));
    }
    void cleanupTestCase() { stopMatrix(); }
    void cleanup() { reportFailedRow(); }

    void couplerScript_data() { addMatrixRows(stageNames(kCouplerStages)); }
    void couplerScript()
    {
        const MatrixRow row = fetchMatrixRow();
        const Stage& stage = kCouplerStages[row.stage];
        QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
        const auto form = openRunner<frmScriptInitCoupler>(kCouplerScript);
        dialogs().messages.clear();
        dialogs().answers = {vbNo, vbNo}; // no reboot after either run
        const qsizetype mark = p().coupler().requests().size();
        const qint64 elapsed = p().runFaulted(row, QLatin1String(stage.target), [&] { form->cmdScriptStart_Click(); });
        MATRIX_VERIFY_ENDED(elapsed, 2, kTimeoutMs);

        const bool atLift = row.stage == 0;
        const QString logEnd = atLift ? QString::fromLatin1(stage.logLine) : kCouplerFailed.arg(row.code());
        QVERIFY2(form->logText().endsWith(logEnd), qPrintable(form->logText()));
        // Nothing after the failed step; the reboot is offered once registers were written.
        const QStringList writes = p().coupler().requests().mid(mark).filter(QStringLiteral("write"));
        QCOMPARE(writes.size(), atLift ? 0 : 2);
        QCOMPARE(dialogs().messages.size(), atLift ? 0 : 1);

        QVERIFY(p().coupler().clearFaults());
        form->cmdScriptStart_Click();
        QVERIFY2(form->logText().endsWith(QStringLiteral("Register: 008\tDatum : 0000 (00000)\tVerify : OK\t\r\n")),
                 qPrintable(form->logText()));
    }

    void terminalScript_data() { addMatrixRows(stageNames(kTerminalStages)); }
    void terminalScript()
    {
        const MatrixRow row = fetchMatrixRow();
        const Stage& stage = kTerminalStages[row.stage];
        QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
        std::unique_ptr<frmScriptInitTerm> form;
        const auto open = [&] {
            form = openRunner<frmScriptInitTerm>(kTerminalScript);
            form->findChild<QSpinBox*>(QStringLiteral("fpEndPos"))->setValue(1);
        };
        const bool atList = row.stage == 0;
        const bool atListAgain = row.stage == kListAgainStage;
        if (atListAgain)
            QVERIFY(p().coupler().arm(QStringLiteral("error:%1@read:0/9/0/255").arg(kMatrixRefusal)));
        if (!atList)
            open();
        const qsizetype mark = p().coupler().requests().size();
        const qint64 elapsed = p().runFaulted(row, QLatin1String(stage.target), [&] {
            if (atList)
                open();
            else
                form->cmdScriptStart_Click();
        });
        MATRIX_VERIFY_ENDED(elapsed, 2, kTimeoutMs);

        const QString log = form->logText();
        const QString named = *stage.logLine ? QString::fromLatin1(stage.logLine).arg(row.code()) : QString();
        QVERIFY2(named.isEmpty() ? log.contains(kTerminalIgnored.arg(row.code())) : log.contains(named), qPrintable(log));
        // A lost link ends the run; a refused channel count only leaves that terminal out.
        const bool aborted = !atList && !(row.stage == 1 && row.fault->answered);
        // A run that began ends with its count; a list that could not be read began none.
        const bool ran = !atList && !atListAgain;
        QVERIFY2(log.contains(kUnverifiedCount) == ran, qPrintable(log.right(120)));
        QCOMPARE((ran ? withoutCount(log) : log).endsWith(kTerminalAbort), aborted);
        QCOMPARE(log.contains(QLatin1String("Channel: 2")), false);
        if (atListAgain) {
            // Neither the protection nor any register was touched.
            QCOMPARE(log, named + QStringLiteral("\r\n") + kTerminalAbort);
            const QStringList sent = p().coupler().requests().mid(mark);
            const QStringList changes = sent.filter(QRegularExpression(QStringLiteral("^(write|service)")));
            QVERIFY2(changes.isEmpty(), qPrintable(changes.join('\n')));
        }
        // The channel is locked again where the link still works.
        QVERIFY(p().coupler().clearFaults());
        if (!row.fault->lasts)
            QCOMPARE(deviceWord(1, 0, 31), 0);

        // After a failed list read the next Start reads it again and runs.
        form->cmdScriptStart_Click();
        QVERIFY2(!form->logText().contains(QLatin1String("Fehler")) && withoutCount(form->logText()).endsWith(QLatin1String("-\r\n"))
                     && form->logText().count(QLatin1String("Verify : OK")) == 2,
                 qPrintable(form->logText()));
        QCOMPARE(deviceWord(1, 0, 31), 0);
    }

    void firmwareUpdate_data() { addMatrixRows(stageNames(kFirmwareStages)); }
    void firmwareUpdate()
    {
        const MatrixRow row = fetchMatrixRow();
        const Stage& stage = kFirmwareStages[row.stage];
        QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
        // Each row installs the other word, so a row's success is never the last row's.
        const int32_t old = deviceWord(0, 0, 255);
        uint16_t next = 0;
        const auto form = openFirmware(old, next);
        auto* start = form->findChild<QPushButton*>(QStringLiteral("cmdScriptStart"));
        const qint64 elapsed = p().runFaulted(row, QLatin1String(stage.target), [&] { start->click(); });
        // An end without an answer is followed by reading the firmware word for as long as a restart takes.
        const bool endUnanswered = row.stage == 2 && isLostAnswer(row.code());
        QVERIFY2(elapsed >= 0, "the fault never fired");
        // Each read while the coupler restarts may be one silent time-out of its own.
        const int allowed = 2 + (endUnanswered ? kRestartMs / kTimeoutMs + 1 : 0);
        MATRIX_VERIFY_ENDED(std::max<qint64>(0, elapsed - (endUnanswered ? kRestartMs : 0)), allowed, kTimeoutMs);

        // Only an end the device carried out installs the new firmware; one whose answer was lost is
        // found installed by its firmware word, any other is "not known", never "failed".
        const bool installed = row.stage == 2 && row.fault->carriedOut;
        const QString log = form->log().Text();
        const QStringList& messages = dialogs().messages;
        if (installed) {
            QVERIFY2(log.endsWith(QStringLiteral("the firmware is installed.\r\nFinished download... OK ")), qPrintable(log));
            QCOMPARE(messages.size(), 1);
            QVERIFY(messages[0].startsWith(kRebootInfo));
        } else {
            QVERIFY2(log.endsWith(QStringLiteral("Finished download... Error %1").arg(row.code())), qPrintable(log));
            QVERIFY2(saysFailure(row.code()), qPrintable(messages.join(QLatin1Char('\n'))));
            QCOMPARE(messages[0].contains(QLatin1String("failed")), !endUnanswered);
            QCOMPARE(messages[0].contains(QLatin1String("state is not known")), endUnanswered);
        }
        QVERIFY(form->findChild<QProgressBar*>(QStringLiteral("pgBar1"))->isHidden());
        QVERIFY(start->isEnabled() && form->findChild<QPushButton*>(QStringLiteral("cmdExit"))->isEnabled());
        QVERIFY(!form->isRunning());
        QVERIFY(p().coupler().clearFaults());
        QCOMPARE(deviceWord(0, 0, 255), installed ? next : old);

        dialogs().messages.clear();
        start->click();
        QVERIFY2(form->log().Text().endsWith(QStringLiteral("Finished download... OK ")), qPrintable(form->log().Text()));
        QCOMPARE(dialogs().messages.size(), 1);
        QVERIFY(dialogs().messages[0].startsWith(kRebootInfo));
        QCOMPARE(deviceWord(0, 0, 255), next);
    }

    // Last, as it restarts the program on a coupler that refuses every transfer's second
    // block with its check code: the run stops there and the old firmware stays.
    void firmwareBlockRefused_data()
    {
        QTest::addColumn<QString>("transport");
        for (const QString& transport : matrixTransports())
            QTest::newRow(qPrintable(transport)) << transport;
    }
    void firmwareBlockRefused()
    {
        QFETCH(QString, transport);
        if (!m_refusingCoupler) {
            QVERIFY2(startMatrix(QStringLiteral("scripts.xml"), kTimeoutMs, {"--fail-firmware-block", "2"}),
                     qPrintable(p().coupler().output()));
            m_refusingCoupler = true;
        }
        QVERIFY2(p().onlineOver(transport), qPrintable(p().log()));
        const int32_t old = deviceWord(0, 0, 255);
        uint16_t next = 0;
        const auto form = openFirmware(old, next);
        const qsizetype mark = p().coupler().requests().size();
        form->findChild<QPushButton*>(QStringLiteral("cmdScriptStart"))->click();

        const int32_t refused = 0x100D;
        QVERIFY2(form->log().Text().endsWith(QStringLiteral("Finished download... Error %1").arg(refused)),
                 qPrintable(form->log().Text()));
        QVERIFY2(saysFailure(refused), qPrintable(dialogs().messages.join(QLatin1Char('\n'))));
        QCOMPARE(p().coupler().requests().mid(mark).filter(QStringLiteral("service firmware")),
                 QStringList({"service firmware begin 1 0 1300 = 0", "service firmware block 0 512 = 0",
                              QStringLiteral("service firmware block 512 512 = %1").arg(refused)}));
        QCOMPARE(deviceWord(0, 0, 255), old);
        QVERIFY(!form->isRunning());
    }

private:
    bool m_refusingCoupler = false;
};

QTEST_MAIN(tst_FaultMatrixTools)
#include "tst_faultmatrix_tools.moc"
