// Fault matrix rows of the coupler's own views on the demo station, over the
// serial line and the network channel: the process image (first reads, the
// tick's input and output reads, an output word), the common settings and the
// local user mapping (read, Apply's protection calls, block write, reboot,
// read-back). Each row: the step ends within two time-outs after the fault,
// the failure is named with its code, nothing unread is shown as read, nothing
// is written after a failed read, and the next healthy step works. Then the
// common settings' Apply with the protection refused for good, a failed mapping
// and a close during the restart wait: what the user is told and what the
// coupler holds.
#include "common/FaultMatrix.h"

#include "dataviews/ProcDataLogic.h"
#include "dataviews/SettingsWrite.h"
#include "dataviews/ProcImageModel.h"
#include "dataviews/frmCommonLocalUserSetting.h"
#include "dataviews/frmCommonSetting.h"
#include "dataviews/frmProcData.h"
#include "platform/DeviceChannel.h"
#include "platform/FormRegistry.h"
#include "platform/DeviceService.h"
#include "platform/ProtocolDeviceService.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modViewDispatch.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <optional>
#include <sstream>

namespace {

constexpr int kTimeoutMs = MatrixProgram::kTimeoutMs;

// The process image view: image 1 with 20 rows on screen; output word 7 is edited.
constexpr int kShownRows = 20;
constexpr int kOutputWord = 7;
enum ProcStep { FirstRead, InputTick, OutputTick, OutputWrite };
struct ProcStage {
    const char* name;
    const char* target;
    ProcStep step;
};
const ProcStage kProcStages[] = {
    {"first read", "read:0/114/0/20", FirstRead},
    {"input tick", "read:0/114/0/20", InputTick},
    {"output tick", "read:0/110/0/20", OutputTick},
    {"output write", "write:0/110/7/1", OutputWrite},
};

// The settings views. Apply changes register 11, so a write that went through asks for a reboot.
enum SettingsStep { Refresh, Lift, Write, Restore, Reboot, ReadBack };
struct SettingsStage {
    const char* name;
    const char* target;
    SettingsStep step;
};
const SettingsStage kCommonStages[] = {
    {"read", "read:0/0/0/12", Refresh},       {"protection lift", "service:2/0", Lift},
    {"block write", "write:0/0/0/12", Write}, {"protection set", "service:2/1", Restore},
    {"reboot", "service:1", Reboot},          {"read-back", "read:0/0/0/12", ReadBack},
};
const SettingsStage kLocalStages[] = {
    {"read", "read:0/1/0/15", Refresh},
    {"block write", "write:0/1/0/15", Write},
};

enum ApplyCase { RefusedProtection, FailedMapping, CloseInWait };
struct ApplyRow {
    const char* name;
    const char* target; // refused from the first match on (#1+ also every later one); empty: no fault
    ApplyCase kind;
};
const ApplyRow kCommonApplyRows[] = {
    {"refused protection-on", "service:2/1#1+", RefusedProtection},
    {"failed mapping", "read:0/0/3/4", FailedMapping},
    {"close during the restart wait", "", CloseInWait},
};
constexpr int kImageRegister = 4; // process image 2, shown on tab 1

const QString kQuestion = QStringLiteral("Reboot to take settings ?|36|");
const QString kNotRead =
    QStringLiteral("The settings could not be read, so nothing was written.\n\nThey are read again now.|48|");
// A protection request; one hit by a fault is traced by its number.
const QRegularExpression kProtection(QStringLiteral("^service (protection|2 )"));

QString chopped(const QString& line) { return line.chopped(2); } // without its CR LF

QString mappingText(pugi::xml_node station)
{
    std::ostringstream out;
    station.child("Mapping").print(out);
    return QString::fromStdString(out.str());
}

QStringList shownRows(const ProcImageModel& model)
{
    QStringList texts;
    for (int r = 0; r < kShownRows; ++r)
        texts << model.text(r);
    return texts;
}

} // namespace

class tst_FaultMatrixViews : public QObject, MatrixFixture {
    Q_OBJECT

    IDeviceChannel* channel() { return app().gObjDevChannel; }
    QStringList requestsSince(qsizetype mark) { return p().coupler().requests().mid(mark); }

    template <typename Form, size_t N>
    void settingsRow(const SettingsStage (&stages)[N]);

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(startMatrix(QStringLiteral("vn6555-demo.xml"), kTimeoutMs), qPrintable(p().coupler().output()));
    }
    void cleanupTestCase() { stopMatrix(); }
    void cleanup() { reportFailedRow(); }

    void processImage_data() { addMatrixRows(stageNames(kProcStages)); }
    void processImage();
    void commonSettings_data() { addMatrixRows(stageNames(kCommonStages)); }
    void commonSettings() { settingsRow<frmCommonSetting>(kCommonStages); }
    void localUserSettings_data() { addMatrixRows(stageNames(kLocalStages)); }
    void localUserSettings() { settingsRow<frmCommonLocalUserSetting>(kLocalStages); }
    void commonApplySteps_data() { addTransportRows(stageNames(kCommonApplyRows)); }
    void commonApplySteps();
};

// Ticks are driven here rather than by the view's timer, so each row waits only for its fault.
void tst_FaultMatrixViews::processImage()
{
    const MatrixRow row = fetchMatrixRow();
    const ProcStage& stage = kProcStages[row.stage];
    QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
    p().window().logBox()->SetText({});
    frmProcData form;
    form.show();
    for (auto* grid : form.findChildren<QTableView*>())
        grid->resize(grid->width(), grid->height() - grid->viewport()->height() + kShownRows * grid->rowHeight(0));
    const auto refresh = [&] {
        form.RefreshData({}, channel(), {});
        form.findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    };
    ProcImageModel& in = *form.inputSource();
    ProcImageModel& out = *form.outputSource();
    const int32_t old = deviceWord(0, 110, kOutputWord);
    const int32_t typed = (old + 0x1111) & 0xFFFF;
    const QString typedText = QStringLiteral("0x%1").arg(typed, 4, 16, QLatin1Char('0'));
    QString before;
    if (stage.step != FirstRead) {
        refresh();
        form.UploadProcData();
        QCOMPARE(p().logLines(), QStringList());
        before = out.text(kOutputWord);
    }

    bool taken = true;
    const qint64 elapsed = p().runFaulted(row, QLatin1String(stage.target), [&] {
        if (stage.step == FirstRead)
            refresh();
        else if (stage.step == OutputWrite)
            taken = out.setData(out.index(kOutputWord, ProcImageModel::ColData), typedText);
        else
            form.UploadProcData();
    });
    MATRIX_VERIFY_ENDED(elapsed, 2, kTimeoutMs);

    // A line per failing side: a lasting fault fails the output side's read after the input's too.
    const int32_t code = row.code();
    const auto readLine = [&](int table) { return chopped(procdata::readErrorLine(code, table, 0, kShownRows)); };
    QStringList lines;
    if (stage.step == OutputWrite)
        lines << chopped(procdata::writeErrorLine(code, 110, kOutputWord, typed));
    else if (stage.step == OutputTick)
        lines << readLine(110);
    else
        lines << readLine(114);
    if ((stage.step == FirstRead || stage.step == InputTick) && row.fault->lasts)
        lines << readLine(110);
    QCOMPARE(p().logLines(), lines);

    // The failed side's rows show no value; a refused word keeps the cell as it was.
    const QStringList blank(kShownRows, QString());
    if (stage.step == InputTick) {
        QCOMPARE(shownRows(in), blank);
        QCOMPARE(shownRows(out) == blank, row.fault->lasts);
    } else if (stage.step == OutputTick) {
        QCOMPARE(shownRows(out), blank);
        QVERIFY(!shownRows(in).contains(QString()));
    } else if (stage.step == OutputWrite) {
        QVERIFY(!taken);
        QCOMPARE(out.text(kOutputWord), before);
    }

    // The next tick reads both sides again and logs nothing.
    QVERIFY(p().coupler().clearFaults());
    form.UploadProcData();
    QCOMPARE(p().logLines(), lines);
    QVERIFY(!shownRows(in).contains(QString()));
    const int32_t held = deviceWord(0, 110, kOutputWord);
    QCOMPARE(held, stage.step == OutputWrite && row.fault->carriedOut ? typed : old);
    QCOMPARE(out.text(kOutputWord), procdata::formatWord(procdata::FmtHex, held));
}

template <typename Form, size_t N>
void tst_FaultMatrixViews::settingsRow(const SettingsStage (&stages)[N])
{
    const MatrixRow row = fetchMatrixRow();
    const SettingsStage& stage = stages[row.stage];
    QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
    dialogs().messages.clear();
    Form form;
    const auto refresh = [&] { form.RefreshData({}, channel(), {}); };
    const auto apply = [&] { namedChild<QPushButton>(form, QStringLiteral("cmdApply"))->click(); };
    // The common settings: table 0 under lifted protection; the local mapping: table 1 as it is.
    auto* oldConfig = form.template findChild<QCheckBox*>(QStringLiteral("chkOldTermConfig"));
    const bool common = oldConfig != nullptr;
    const auto showsNothing = [&] {
        if (form.lastReadOk())
            return false;
        return !common
            || (!namedChild<QGroupBox>(form, QStringLiteral("Frame8"))->isEnabled() && !oldConfig->isChecked()
                && namedChild<QLineEdit>(form, QStringLiteral("fpMasterSlave"))->text().isEmpty());
    };
    // What a healthy read shows first, so a failure cannot leave it standing.
    refresh();
    QVERIFY(form.lastReadOk());
    if (common && stage.step != Refresh)
        oldConfig->toggle();
    dialogs().answers = {stage.step == Reboot ? vbYes : vbNo};
    // A restart request without an answer may have restarted the device: the view waits for it.
    const int32_t code = row.code();
    const bool restartWait = stage.step == Reboot && isLostAnswer(code);
    dialogs().waits.clear();
    dialogs().realWaits = restartWait;

    const qsizetype mark = p().coupler().requests().size();
    const qint64 elapsed = p().runFaulted(row, QLatin1String(stage.target), [&] {
        if (stage.step == Refresh)
            refresh();
        else
            apply();
    });
    dialogs().realWaits = false;
    MATRIX_VERIFY_ENDED(elapsed - (restartWait ? kRestartMs : 0), 2, kTimeoutMs);

    const QStringList requests = requestsSince(mark);
    const QStringList& messages = dialogs().messages;
    if (stage.step == Refresh || stage.step == ReadBack) {
        // The status names the failed read; no control shows a value.
        QCOMPARE(messages, stage.step == ReadBack && common ? QStringList{kQuestion} : QStringList{});
        QVERIFY2(namesCode(form.statusText(), code), qPrintable(form.statusText()));
        QVERIFY(showsNothing());
    } else if (restartWait) {
        // Told so, then waited for and read as after a restart; only a device silent for good stays unread.
        QCOMPARE(messages, QStringList({kQuestion, settingswrite::rebootUnansweredMessage(code, true) + "|48|"}));
        QCOMPARE(dialogs().waits, QList<int>{kRestartMs});
        const bool silentForGood = row.fault->spec == QLatin1String("silent");
        QCOMPARE(form.lastReadOk(), !silentForGood);
        QCOMPARE(namesCode(form.statusText(), ChTimeout), silentForGood);
        QVERIFY(requests.last().startsWith(QLatin1String("read")));
        if (common && !silentForGood)
            QCOMPARE(oldConfig->isChecked(), (deviceWord(0, 0, 11) & 1) == 1);
    } else if (stage.step == Restore && row.fault->answered) {
        // A refused protection is asked for once more, which this fault lets through: the Apply goes on as usual.
        QCOMPARE(messages, QStringList{kQuestion});
        QCOMPARE(requests.filter(kProtection).size(), 3);
        QCOMPARE(form.statusText(), QString());
        QVERIFY(requests.last().startsWith(QLatin1String("read")));
    } else {
        // Apply says what failed; no restart is offered for settings not written.
        QVERIFY2(namesCode(messages.value(messages.size() - 1), code), qPrintable(messages.join(u'\n')));
        QCOMPARE(messages.size(), stage.step == Reboot ? 2 : 1);
        QCOMPARE(messages.contains(kQuestion), stage.step == Reboot);
        if (stage.step == Lift)
            QCOMPARE(requests.filter(QStringLiteral("write")), QStringList());
        // The protection is set again once, whatever the write did.
        const QStringList protection = requests.filter(kProtection);
        QCOMPARE(protection.size(), common ? 2 : 0);
        if (common && !protection.last().startsWith(QLatin1String("service 2 ")))
            QVERIFY2(protection.last().startsWith(QLatin1String("service protection 1 = 0")), qPrintable(protection.last()));
        // After a lost link nothing is asked again and nothing shows as read; a refusal is followed by a read.
        QCOMPARE(showsNothing(), !row.fault->answered);
        QCOMPARE(namesCode(form.statusText(), code), !row.fault->answered);
        QCOMPARE(requests.last().startsWith(QLatin1String("read")), row.fault->answered);
    }

    QVERIFY(p().coupler().clearFaults());
    if (stage.step == Refresh) {
        // Apply after the failed read writes nothing and reads again.
        const qsizetype before = p().coupler().requests().size();
        dialogs().messages.clear();
        apply();
        QCOMPARE(dialogs().messages, QStringList{kNotRead});
        QCOMPARE(requestsSince(before).filter(QStringLiteral("write")), QStringList());
    } else {
        refresh();
    }
    QVERIFY(form.lastReadOk());
    QCOMPARE(form.statusText(), QString());
    if (common)
        QCOMPARE(oldConfig->isChecked(), (deviceWord(0, 0, 11) & 1) == 1);
}

void tst_FaultMatrixViews::commonApplySteps()
{
    QFETCH(QString, transport);
    QFETCH(int, row);
    const ApplyRow& c = kCommonApplyRows[row];
    QVERIFY2(p().onlineOver(transport), qPrintable(p().log()));
    const int32_t code = kMatrixRefusal;
    dialogs().messages.clear();
    dialogs().waits.clear();
    // Made and loaded as the tree makes it, with its hold on the station.
    const QPointer<SettingsViewBase> form = qobject_cast<SettingsViewBase*>(fCreateOwnForm(QStringLiteral("CommonSetting")));
    QVERIFY(form);
    FormRegistry::Load(form);
    form->show();
    form->RefreshData({}, channel(), {});
    QVERIFY(form->lastReadOk());
    // A process image for the mapping, the old terminal configuration otherwise.
    const int reg = c.kind == FailedMapping ? kImageRegister : 11;
    const QString box = c.kind == FailedMapping ? QStringLiteral("chkActivateImage_1") : QStringLiteral("chkOldTermConfig");
    const int32_t typed = deviceWord(0, 0, reg) ^ 1;
    namedChild<QCheckBox>(*form, box)->toggle();
    const pugi::xml_node station = shell().gStationNode;
    const QString mapping = mappingText(station);
    if (c.kind != CloseInWait)
        QVERIFY(p().coupler().arm(QStringLiteral("error:%1@%2").arg(code).arg(QLatin1String(c.target))));
    dialogs().answers = c.kind == RefusedProtection ? QList<int>{vbOK, vbNo} : QList<int>{vbYes};
    std::optional<CloseViewDuringWait> closer;
    dialogs().realWaits = c.kind != RefusedProtection; // the mapping reads the restarted coupler
    if (c.kind == CloseInWait)
        closer.emplace(form);
    namedChild<QPushButton>(*form, QStringLiteral("cmdApply"))->click();
    dialogs().realWaits = false;
    QVERIFY(p().coupler().clearFaults());

    QStringList told{kQuestion};
    if (c.kind == RefusedProtection)
        told.prepend(settingswrite::stepFailedMessage(settingswrite::Step::Protection, code, true) + QStringLiteral("|48|"));
    QCOMPARE(dialogs().messages, told);
    QCOMPARE(dialogs().waits, c.kind == RefusedProtection ? QList<int>{} : QList<int>{2000});
    if (c.kind == CloseInWait) {
        QVERIFY2(closer->stayed(), "the view closed during the restart wait");
        QVERIFY(form);
    }
    // The view shows the device's settings; a failed mapping is named in its status line.
    QVERIFY(form->lastReadOk());
    QCOMPARE(namedChild<QCheckBox>(*form, box)->isChecked(), (typed & 1) == 1);
    const QString status = form->statusText();
    QCOMPARE(namesCode(status, code), c.kind == FailedMapping);
    QCOMPARE(status.contains(QLatin1String("log-in")), c.kind == FailedMapping);
    // The station keeps the mapping it had, and the coupler the new settings.
    QCOMPARE(shell().gStationNode, station);
    QCOMPARE(mappingText(station), mapping);
    QCOMPARE(deviceWord(0, 0, reg), typed);
    QCOMPARE(deviceProtects(0, reg), c.kind != RefusedProtection);
    if (c.kind == RefusedProtection) {
        int32_t result = -1;
        DeviceService().AbolishProtection(channel(), true, result);
        QCOMPARE(result, int32_t(ChOk));
    }
    if (c.kind == CloseInWait) // the close asked for during the wait comes after the Apply
        QTRY_VERIFY(!form);
    delete form.data();
}

QTEST_MAIN(tst_FaultMatrixViews)
#include "tst_faultmatrix_views.moc"
