// Fault matrix rows of the controller settings view on the PLC controller
// station, over the serial line and the network channel: the refresh (the
// measurement query, the table-1 read), Apply (protection lift, block write,
// restart of the cycle-time statistics, measurement switch, protection set)
// and the cycle-time tick. Each row: the step ends within two time-outs after
// the fault, the failure is named with its code, nothing unread is shown,
// nothing is written after a failed read, and the next refresh works.
// Then the steps of an Apply the device refuses one by one, and a close of the
// view during the restart wait: what the user is told and what the coupler holds.
#include "common/FaultMatrix.h"

#include "dataviews/SettingsWrite.h"
#include "dataviews/frmControllerSetting.h"
#include "platform/DeviceChannel.h"
#include "platform/FormRegistry.h"
#include "platform/ProtocolDeviceService.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <optional>

namespace {

constexpr int kTimeoutMs = MatrixProgram::kTimeoutMs;
constexpr int kCycleTimeTab = 2;
constexpr int kCycleTimeRegister = 12; // shown in editTab1Reg_5

enum Step { Query, Table1, Lift, Write, Restart, Switch, Restore, Tick };
struct Stage {
    const char* name;
    const char* target;
    Step step;
};
const Stage kStages[] = {
    {"measurement query", "service:6", Query},    {"table-1 read", "read:0/1/0/16", Table1},
    {"protection lift", "service:2/0", Lift},     {"block write", "write:0/1/0/16", Write},
    {"statistics restart", "write:0/98/0/4", Restart}, {"measurement switch", "service:5", Switch},
    {"protection set", "service:2/1", Restore},   {"cycle-time tick", "read:0/98/0/4", Tick},
};

const QString kNotRead =
    QStringLiteral("The settings could not be read, so nothing was written.\n\nThey are read again now.|48|");
const QString kQuestion = QStringLiteral("Reboot to take settings ?|36|");
const QRegularExpression kProtection(QStringLiteral("^service (protection|2 )"));

enum ApplyCase { RefusedRestart, LostRestartReply, RefusedProtection, RefusedSwitch, RefusedQuery, CloseInWait };
struct ApplyRow {
    const char* name;
    const char* target; // refused from the first match on (#1+ also every later one); empty: no fault
    ApplyCase kind;
};
const ApplyRow kApplyRows[] = {
    {"refused restart", "service:1", RefusedRestart},
    {"lost restart reply", "service:1", LostRestartReply},
    {"refused protection-on", "service:2/1#1+", RefusedProtection},
    {"refused measurement switch", "service:5", RefusedSwitch},
    {"refused measurement query", "service:6", RefusedQuery},
    {"close during the restart wait", "", CloseInWait},
};

QString shown(const QString& message) { return message + QStringLiteral("|48|"); }

bool deviceMeasures()
{
    bool active = false;
    int32_t result = -1;
    DeviceService().GetCycleTimeMeasurement(app().gObjDevChannel, active, result);
    return result == ChOk && active;
}

QStringList texts(QWidget& form, const char* name, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i) {
        const QString object = QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
        if (auto* edit = form.findChild<QLineEdit*>(object))
            out << edit->text();
        else
            out << namedChild<QLabel>(form, object)->text();
    }
    return out;
}

} // namespace

class tst_FaultMatrixController : public QObject, MatrixFixture {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(startMatrix(QStringLiteral("vr4855-plc.xml"), kTimeoutMs), qPrintable(p().coupler().output()));
    }
    void cleanupTestCase() { stopMatrix(); }
    void cleanup() { reportFailedRow(); }

    void controllerSettings_data() { addMatrixRows(stageNames(kStages)); }
    void controllerSettings();
    void applySteps_data() { addTransportRows(stageNames(kApplyRows)); }
    void applySteps();
};

void tst_FaultMatrixController::controllerSettings()
{
    const MatrixRow row = fetchMatrixRow();
    const Stage& stage = kStages[row.stage];
    QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
    IDeviceChannel* channel = app().gObjDevChannel;
    dialogs().messages.clear();
    dialogs().answers = {vbOK, vbNo}; // a failure named before the restart question takes the first
    frmControllerSetting form;
    const auto refresh = [&] { form.RefreshData(p().device(0), channel, QString()); };
    const auto apply = [&] { namedChild<QPushButton>(form, QStringLiteral("cmdApply"))->click(); };
    const auto unread = [&] {
        return !form.settingsRead() && texts(form, "editTab1Reg", 7) == QStringList(7, QString())
            && !namedChild<QGroupBox>(form, QStringLiteral("Frame4"))->isEnabled();
    };
    const auto blankTimes = [&] { return texts(form, "lblDiagValue", 4) == QStringList(4, QString()); };
    auto* measurement = namedChild<QCheckBox>(form, QStringLiteral("chkActivateTimeCycle"));
    auto* cycleTime = namedChild<QLineEdit>(form, QStringLiteral("editTab1Reg_5"));

    // What a healthy refresh shows first, so a failure cannot leave it standing.
    refresh();
    QVERIFY(form.settingsRead() && !blankTimes());
    if (stage.step != Query && stage.step != Table1) {
        // With the measurement switched on, Apply restarts its statistics too.
        measurement->setChecked(true);
        if (stage.step == Tick) {
            apply();
            namedChild<QTabWidget>(form, QStringLiteral("sstabDiag"))->setCurrentIndex(kCycleTimeTab);
            QVERIFY(waitUntil([&] { return !blankTimes(); }, 2000));
        } else {
            // A changed cycle time, so a write that went through asks for a restart.
            cycleTime->setText(cycleTime->text() == QLatin1String("10") ? QStringLiteral("11") : QStringLiteral("10"));
        }
    }

    const qsizetype mark = p().coupler().requests().size();
    const qint64 elapsed = p().runFaulted(row, QLatin1String(stage.target), [&] {
        if (stage.step == Query || stage.step == Table1)
            refresh();
        else if (stage.step == Tick)
            waitUntil([&] { return !form.cycleTimer()->isActive(); }, 2000);
        else
            apply();
    });
    MATRIX_VERIFY_ENDED(elapsed, 2, kTimeoutMs);

    const int32_t code = row.code();
    const bool linkLost = !row.fault->answered;
    const QStringList requests = p().coupler().requests().mid(mark);
    QVERIFY2(namesCode(form.statusText(), code) || (stage.step >= Lift && stage.step < Tick && row.fault->answered),
             qPrintable(form.statusText()));
    switch (stage.step) {
    case Query:
        // A silent device is not asked for the settings; a refused query leaves them shown but not applicable.
        QCOMPARE(unread(), linkLost);
        QCOMPARE(blankTimes(), linkLost);
        QCOMPARE(requests.filter(QStringLiteral("read 0 1 ")).isEmpty(), linkLost);
        QCOMPARE(measurement->isEnabled(), false);
        break;
    case Table1:
        QVERIFY(unread());
        QVERIFY(blankTimes());
        break;
    case Tick:
        QVERIFY(!form.cycleTimer()->isActive());
        QVERIFY(blankTimes());
        QCOMPARE(requests.filter(QStringLiteral("read 0 98")).size(), 1);
        break;
    default: {
        // Apply names the failed step; table 1 the device took still gets the restart question. A refused
        // protection is asked for once more, which this fault lets through; otherwise it is set again once.
        const bool retried = stage.step == Restore && !linkLost;
        const bool taken = stage.step > Write && !linkLost;
        const QStringList& messages = dialogs().messages;
        QCOMPARE(messages.size(), int(!retried) + int(taken));
        QCOMPARE(messages.contains(kQuestion), taken);
        if (!retried)
            QVERIFY2(namesCode(messages.first(), code), qPrintable(messages.first()));
        if (stage.step == Lift)
            QCOMPARE(requests.filter(QStringLiteral("write")), QStringList());
        const QStringList protection = requests.filter(kProtection);
        QCOMPARE(protection.size(), retried ? 3 : 2);
        if (!protection.last().startsWith(QLatin1String("service 2 ")))
            QVERIFY2(protection.last().startsWith(QLatin1String("service protection 1 = 0")), qPrintable(protection.last()));
        // After a lost link nothing is read again and nothing shows as read.
        QCOMPARE(unread(), linkLost);
        QCOMPARE(blankTimes(), linkLost);
        QCOMPARE(requests.last().startsWith(QLatin1String("read")), !linkLost);
    }
    }

    QVERIFY(p().coupler().clearFaults());
    if (stage.step == Query && !linkLost) {
        // Table 1 was read: Apply writes it, and leaves the measurement it does not know alone.
        const qsizetype before = p().coupler().requests().size();
        apply();
        QCOMPARE(dialogs().messages, QStringList());
        const QStringList applied = p().coupler().requests().mid(before);
        QCOMPARE(applied.filter(QStringLiteral("write")), QStringList{QStringLiteral("write 0 1 0 16 = 0")});
        QCOMPARE(applied.filter(QStringLiteral("cycletime")), QStringList());
        refresh();
    } else if (stage.step == Query || stage.step == Table1) {
        // Apply after the failed read writes nothing and reads again.
        const qsizetype before = p().coupler().requests().size();
        apply();
        QCOMPARE(dialogs().messages, QStringList{kNotRead});
        QCOMPARE(p().coupler().requests().mid(before).filter(QStringLiteral("write")), QStringList());
    } else {
        refresh();
    }
    QVERIFY(form.settingsRead());
    QCOMPARE(form.statusText(), QString());
    QCOMPARE(cycleTime->text(), QString::number(deviceWord(0, 1, kCycleTimeRegister)));
    if (stage.step == Tick) // the ticks read again after the refresh
        QVERIFY(waitUntil([&] { return !blankTimes(); }, 2000));
}

void tst_FaultMatrixController::applySteps()
{
    QFETCH(QString, transport);
    QFETCH(int, row);
    const ApplyRow& c = kApplyRows[row];
    QVERIFY2(p().onlineOver(transport), qPrintable(p().log()));
    const QString kind = c.kind == LostRestartReply ? QStringLiteral("lost") : QStringLiteral("error:%1").arg(kMatrixRefusal);
    const QString fault = kind + QLatin1Char('@') + QLatin1String(c.target);
    const int32_t code = kMatrixRefusal;
    dialogs().messages.clear();
    dialogs().waits.clear();
    // Loaded as the tree loads a view, so the next view's opening would close it.
    const QPointer<frmControllerSetting> form = new frmControllerSetting;
    FormRegistry::Load(form);
    form->show();
    auto* measurement = namedChild<QCheckBox>(*form, QStringLiteral("chkActivateTimeCycle"));
    auto* cycleTime = namedChild<QLineEdit>(*form, QStringLiteral("editTab1Reg_5"));
    const bool measuring = deviceMeasures();
    if (c.kind == RefusedQuery)
        QVERIFY(p().coupler().arm(fault));
    form->RefreshData(p().device(0), app().gObjDevChannel, QString());
    QVERIFY(form->settingsRead());
    QCOMPARE(measurement->isEnabled(), c.kind != RefusedQuery);
    const int32_t typed = deviceWord(0, 1, kCycleTimeRegister) == 10 ? 11 : 10;
    cycleTime->setText(QString::number(typed));
    if (c.kind == RefusedSwitch)
        measurement->setChecked(!measuring);
    if (c.kind != RefusedQuery && c.kind != CloseInWait)
        QVERIFY(p().coupler().arm(fault));
    const bool restart = c.kind == RefusedRestart || c.kind == LostRestartReply || c.kind == CloseInWait;
    const bool waited = c.kind == LostRestartReply || c.kind == CloseInWait;
    dialogs().answers = restart ? QList<int>{vbYes} : QList<int>{vbOK, vbNo};
    std::optional<CloseViewDuringWait> closer;
    dialogs().realWaits = waited;
    if (c.kind == CloseInWait)
        closer.emplace(form);
    const qsizetype mark = p().coupler().requests().size();
    namedChild<QPushButton>(*form, QStringLiteral("cmdApply"))->click();
    dialogs().realWaits = false;
    const QStringList requests = p().coupler().requests().mid(mark);
    QVERIFY(p().coupler().clearFaults());

    using settingswrite::stepFailedMessage;
    using Done = settingswrite::Step;
    QStringList told{kQuestion};
    if (c.kind == RefusedRestart)
        told << shown(settingswrite::rebootFailedMessage(code, true));
    else if (c.kind == LostRestartReply) // the device restarted all the same; after the wait it is read
        told << shown(settingswrite::rebootUnansweredMessage(ChTimeout, true));
    else if (c.kind == RefusedProtection)
        told.prepend(shown(stepFailedMessage(Done::Protection, code, true)));
    else if (c.kind == RefusedSwitch)
        told.prepend(shown(stepFailedMessage(measuring ? Done::MeasurementOff : Done::MeasurementOn, code, true)));
    QCOMPARE(dialogs().messages, told);
    QCOMPARE(dialogs().waits, waited ? QList<int>{2000} : QList<int>{});
    if (c.kind == RefusedQuery) // a state never read is neither restarted nor switched
        QCOMPARE(requests.filter(QRegularExpression(QStringLiteral("cycletime|write 0 98"))), QStringList());
    if (c.kind == CloseInWait) {
        QVERIFY2(closer->stayed(), "the view closed during the restart wait");
        QVERIFY(form);
    }
    // The view shows the device's settings; only an unknown measurement state is still named.
    QVERIFY(form->settingsRead());
    QCOMPARE(cycleTime->text(), QString::number(typed));
    QCOMPARE(namesCode(form->statusText(), code), c.kind == RefusedQuery);
    QCOMPARE(measurement->isChecked(), measuring && c.kind != RefusedQuery);

    // The coupler holds the new settings; the refused steps changed nothing else.
    QCOMPARE(deviceWord(0, 1, kCycleTimeRegister), typed);
    QCOMPARE(deviceMeasures(), measuring);
    QCOMPARE(deviceProtects(1, kCycleTimeRegister), c.kind != RefusedProtection);
    if (c.kind == RefusedProtection) {
        int32_t result = -1;
        DeviceService().AbolishProtection(app().gObjDevChannel, true, result);
        QCOMPARE(result, int32_t(ChOk));
    }
    if (c.kind == CloseInWait) // the close asked for during the wait comes after the Apply
        QTRY_VERIFY(!form);
    delete form.data();
}

QTEST_MAIN(tst_FaultMatrixController)
#include "tst_faultmatrix_controller.moc"
