// The controller settings view against the virtual coupler playing the PLC
// controller station, over the program's own serial channel. Its failure paths
// are rows of the fault matrix (tst_faultmatrix_controller.cpp).
#include "E2eStation.h"
#include "dataviews/frmControllerSetting.h"
#include "platform/LocaleInfo.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

const QString kStation = QStringLiteral("vr4855-plc.xml");

QStringList texts(const frmControllerSetting& form, const char* name, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i) {
        const QString object = QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
        if (auto* edit = form.findChild<QLineEdit*>(object))
            out << edit->text();
        else if (auto* label = form.findChild<QLabel*>(object))
            out << label->text();
    }
    return out;
}

qsizetype countOf(const QStringList& requests, const QString& head)
{
    return std::count_if(requests.begin(), requests.end(), [&](const QString& r) { return r.startsWith(head); });
}

} // namespace

class TestControllerSettingE2e : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void applyWritesUnderLiftedProtection();
    void measurementRestartsAndTicksOnlyOnItsTab();
    void fieldNoRegisterHoldsReachesNothing_data();
    void fieldNoRegisterHoldsReachesNothing();

private:
    // The station read from a healthy coupler, then the coupler restarted with the options.
    bool open(const QStringList& options = {});
    QStringList since(qsizetype mark) const { return m_station->coupler.requests().mid(mark); }
    void refresh() { m_form->RefreshData(m_station->device(0), &m_station->channel, QString()); }
    void apply() { m_form->findChild<QPushButton*>("cmdApply")->click(); }
    RecordingDialogs& dialogs() { return m_station->desc.env.dialogs(); }

    std::unique_ptr<E2eStation> m_station;
    std::unique_ptr<frmControllerSetting> m_form;
};

void TestControllerSettingE2e::init()
{
    m_station = std::make_unique<E2eStation>();
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status);
}

void TestControllerSettingE2e::cleanup()
{
    m_form.reset();
    m_station.reset();
}

bool TestControllerSettingE2e::open(const QStringList& options)
{
    if (!m_station->start(kStation))
        return false;
    m_station->read();
    if (!options.isEmpty() && !m_station->start(kStation, options))
        return false;
    m_form = std::make_unique<frmControllerSetting>();
    refresh();
    return true;
}

void TestControllerSettingE2e::applyWritesUnderLiftedProtection()
{
    QVERIFY2(open({"--reboot-ms", "0"}), qPrintable(m_station->coupler.output()));
    frmControllerSetting& form = *m_form;
    QCOMPARE(texts(form, "editTab1Reg", 7), (QStringList{"0", "16", "0", "16", "64", "10", "2"}));
    QCOMPARE(form.gridModel()->rowCount(), 10); // the end terminal has no row
    QVector<int32_t> codes;
    for (int r = 0; r < 10; ++r)
        codes << form.gridModel()->code(r);
    QCOMPARE(codes, (QVector<int32_t>{3, 3, 0, 2, 3, 3, 0, 3, 2, 3}));
    QVERIFY(form.findChild<QRadioButton*>("optPlcTermbusUpdate_1")->isChecked());
    QVERIFY(form.findChild<QCheckBox*>("chkVRx_8")->isChecked());
    QCOMPARE(form.statusText(), QString());

    form.findChild<QLineEdit*>("editTab1Reg_5")->setText(QStringLiteral("20"));
    const qsizetype mark = m_station->coupler.requests().size();
    apply();
    QCOMPARE(dialogs().messages, QStringList{"Reboot to take settings ?|36|"});
    QCOMPARE(dialogs().waits, QList<int>{2000});
    QCOMPARE(since(mark), (QStringList{"service protection 0 = 0", "write 0 1 0 16 = 0", "service setcycletime 0 = 0",
                                       "service protection 1 = 0", "service reboot = 0", "read 0 1 0 16 = 0",
                                       "read 0 98 0 4 = 0"}));
    QCOMPARE(texts(form, "editTab1Reg", 7)[5], QStringLiteral("20"));
}

void TestControllerSettingE2e::measurementRestartsAndTicksOnlyOnItsTab()
{
    QVERIFY(open());
    frmControllerSetting& form = *m_form;
    QVERIFY(!form.cycleTimer()->isActive());
    form.findChild<QCheckBox*>("chkActivateTimeCycle")->setChecked(true);
    const qsizetype mark = m_station->coupler.requests().size();
    apply();
    // Re-packing gives the registers read: nothing to restart the device for.
    QCOMPARE(dialogs().messages, QStringList{});
    QCOMPARE(since(mark).mid(0, 5), (QStringList{"service protection 0 = 0", "write 0 1 0 16 = 0", "write 0 98 0 4 = 0",
                                                 "service setcycletime 1 = 0", "service protection 1 = 0"}));
    QVERIFY(form.cycleTimer()->isActive());

    auto* tabs = form.findChild<QTabWidget*>("sstabDiag");
    tabs->setCurrentIndex(2);
    const QString first = texts(form, "lblDiagValue", 4)[2];
    QTRY_VERIFY(texts(form, "lblDiagValue", 4)[2] != first);
    QVERIFY(form.findChild<QLabel*>("lblDiagValue_0")->isEnabled());

    tabs->setCurrentIndex(0);
    QTest::qWait(60); // a read under way when the tab changed has finished
    const qsizetype reads = countOf(m_station->coupler.requests(), "read 0 98");
    QTest::qWait(300);
    QCOMPARE(countOf(m_station->coupler.requests(), "read 0 98"), reads);
    QVERIFY(form.cycleTimer()->isActive());
}

void TestControllerSettingE2e::fieldNoRegisterHoldsReachesNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("70000, once 4464") << "70000";
    QTest::newRow("-1, once 65535") << "-1";
    QTest::newRow("a number past 32 bits") << "99999999999";
}

void TestControllerSettingE2e::fieldNoRegisterHoldsReachesNothing()
{
    QFETCH(QString, text);
    QVERIFY(open());
    frmControllerSetting& form = *m_form;
    form.findChild<QCheckBox*>("chkVRx_0")->setChecked(true); // a change that must not go out alone
    form.findChild<QLineEdit*>("editTab1Reg_5")->setText(text); // past the field's own check, as a program can
    const qsizetype mark = m_station->coupler.requests().size();
    apply();
    QCOMPARE(since(mark), QStringList());
    QCOMPARE(dialogs().messages, QStringList{"Invalid entry\n\nOriginal value will be recovered !|64|"});
    // The field is back at the value read, in view; the other change stays on screen.
    QCOMPARE(texts(form, "editTab1Reg", 7)[5], QStringLiteral("10"));
    QCOMPARE(form.findChild<QTabWidget*>("sstabDiag")->currentIndex(), 1);
    QVERIFY(form.findChild<QCheckBox*>("chkVRx_0")->isChecked());
}

QTEST_MAIN(TestControllerSettingE2e)
#include "tst_controllersetting.moc"
