// The coupler's common settings and local user-mapping views through the
// serial channel against the virtual coupler: Apply's order of requests, the
// reboot question, the mapping, and the local view's plain write-back.
#include "common/ClockPhase.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "dataviews/frmCommonLocalUserSetting.h"
#include "dataviews/frmCommonSetting.h"
#include "platform/LocaleInfo.h"
#include "platform/ProtocolDeviceService.h"
#include "platform/SerialChannel.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpontaneKeyEvent>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <functional>

using FormEdit = std::function<void(QWidget&)>;
Q_DECLARE_METATYPE(FormEdit)

namespace {

// The demo station's devices as station reading lists them.
const char* const kStationDoc = R"(<Station><Devices>
<Device Name="VN6555-5555" Pos="0"/>
<Device Name="TM8xx4-5555" Pos="1"/>
<Device Name="TM3xx2-5555" Pos="2"/>
<Device Name="TM6853-1234" Pos="3"><Tables><Table/><Table/><Table/><Table/></Tables></Device>
<Device Name="TM3001-0007" Pos="4"><Tables><Table/><Table/></Tables></Device>
<Device Name="TMx8x3-5555" Pos="5"/>
<Device Name="TM4585-5555" Pos="6"/>
</Devices></Station>)";

template <typename T = QWidget>
T* child(QWidget& form, const QString& name)
{
    T* widget = form.findChild<T*>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

FormEdit check(const QString& name, bool on)
{
    return [=](QWidget& form) { child<QCheckBox>(form, name)->setChecked(on); };
}

} // namespace

class tst_CommonSettingVCoupler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        QVERIFY(m_doc.load_string(kStationDoc));
        m_station = m_doc.child("Station");
        m_replaced = 0;
    }
    void cleanup()
    {
        m_form.reset();
        app().gObjDevChannel = nullptr;
        m_channel.reset();
        m_coupler.reset();
        m_env.reset();
    }

    void apply_data()
    {
        QTest::addColumn<FormEdit>("edit");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("requests"); // after the first read
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<int>("reg"); // a register and what the device holds there afterwards
        QTest::addColumn<int>("value");

        const QStringList write{"service protection 0 = 0", "write 0 0 0 12 = 0", "service protection 1 = 0"};
        const QStringList reread{"read 0 0 0 12 = 0"};
        const QStringList mapping{"read 0 0 3 4 = 0", "read 0 9 0 255 = 0"};
        const QStringList question{"Reboot to take settings ?|36|"};
        QTest::newRow("no change: no question") << FormEdit([](QWidget&) {}) << int(vbYes) << write + reread
                                                << QStringList{} << false << 4 << 0;
        QTest::newRow("process image, Yes: reboot and mapping")
            << check("chkActivateImage_1", true) << int(vbYes)
            << write + QStringList{"service reboot = 0"} + mapping + reread << question << true << 4 << 1;
        QTest::newRow("process image, No: values stay, no reboot")
            << check("chkActivateImage_1", true) << int(vbNo) << write + reread << question << false << 4 << 1;
        QTest::newRow("old terminal configuration, Yes: reboot, no mapping")
            << check("chkOldTermConfig", true) << int(vbYes) << write + QStringList{"service reboot = 0"} + reread
            << question << false << 11 << 1;
    }
    void apply()
    {
        QFETCH(FormEdit, edit);
        QFETCH(int, answer);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, messages);
        QFETCH(bool, mapped);
        QFETCH(int, reg);
        QFETCH(int, value);

        QVERIFY(start(QStringLiteral("vn6555-demo.xml"), {"--reboot-ms", "0"}));
        QWidget& form = open<frmCommonSetting>();
        QCOMPARE(m_coupler->requests(), QStringList{"read 0 0 0 12 = 0"});
        edit(form);
        child<QTabWidget>(form, "SSTab1")->setCurrentIndex(5);
        m_env->dialogs().answers = {answer};
        child<QPushButton>(form, "cmdApply")->click();

        QCOMPARE(m_coupler->requests().mid(1), requests);
        QCOMPARE(m_env->dialogs().messages, messages);
        QCOMPARE(m_env->dialogs().waits, requests.contains("service reboot = 0") ? QList<int>{2000} : QList<int>{});
        QCOMPARE(m_replaced, mapped ? 1 : 0);
        QCOMPARE(m_station.select_nodes("Mapping/Image").size(), size_t(mapped ? 2 : 0)); // images 1 and 2 active
        QCOMPARE(m_coupler->trace().filter("process images"),
                 mapped ? QStringList{"process images 1 1 0 0"} : QStringList{});
        // The view shows what the device holds now, from the first tab on.
        QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 0);
        std::vector<int32_t> regs(12);
        QCOMPARE(m_channel->VbRegSyncReadReq(0, 0, 0, 12, regs), int32_t(ChOk));
        QCOMPARE(regs[size_t(reg)], value);

        // An image setting stored without a reboot takes effect at the next one.
        int32_t result = -1;
        DeviceService().RebootDevice(m_channel.get(), result);
        QTRY_COMPARE(m_coupler->trace().filter("process images").size(), qsizetype(reg == 4 && value == 1 ? 1 : 0));
    }

    // A coupler that restarts in 1950 ms answers the read after the 2000 ms wait, every time, also
    // while another view's timer keeps the event loop busy and the wait starts where a coarse timer fires early.
    void restartWithinTheWaitIsReadAfterIt()
    {
        QVERIFY(start(QStringLiteral("vn6555-demo.xml"), {"--reboot-ms", "1950"}));
        QWidget& form = open<frmCommonSetting>();
        m_env->dialogs().realWaits = true;
        QTimer otherView;
        otherView.start(100);
        for (int round = 0; round < 3; ++round) {
            child<QCheckBox>(form, "chkOldTermConfig")->toggle();
            m_env->dialogs().answers = {vbYes};
            waitForClockPhase(120 + 30 * round);
            child<QPushButton>(form, "cmdApply")->click();
            QVERIFY2(m_form->lastReadOk(), qPrintable(m_form->statusText()));
            QCOMPARE(m_coupler->requests().mid(m_coupler->requests().size() - 2),
                     QStringList({"service reboot = 0", "read 0 0 0 12 = 0"}));
        }
    }

    // Register 1 bits 1-2 = 4 name no option: none is shown, also on a re-read, and the 4 is kept.
    void registerOneFourShowsNoOption()
    {
        int32_t status = 0;
        LocaleInfo().SetLocale(7, 1, status); // German numbers: "." groups digits
        QVERIFY(start(QStringLiteral("vn6555-demo.xml")));
        QVERIFY(writeDirect(1, {0x0003}));
        QWidget& form = open<frmCommonSetting>();
        QVERIFY(child<QRadioButton>(form, "radEvents_1")->isChecked());
        QVERIFY(writeDirect(1, {0x0005}));
        m_form->RefreshData(m_station.first_child().first_child(), m_channel.get(), {});
        for (const char* name : {"radEvents_0", "radEvents_1", "radEvents_3"})
            QVERIFY2(!child<QRadioButton>(form, name)->isChecked(), name);
        QVERIFY(child<QCheckBox>(form, "chkSPSInterface")->isChecked());

        // A hold time takes no more than a register word holds.
        auto* hold = child<QLineEdit>(form, "fpWaitValue_0");
        hold->selectAll();
        QTest::keyClicks(hold, "70000"); // no register word: it stays as typed, for Apply to refuse
        QCOMPARE(hold->text(), QStringLiteral("70000"));
        hold->selectAll();
        QTest::keyClicks(hold, "0007000"); // leading zeros are fine
        m_env->dialogs().answers = {vbNo};
        child<QPushButton>(form, "cmdApply")->click();
        std::vector<int32_t> regs(12);
        QCOMPARE(m_channel->VbRegSyncReadReq(0, 0, 0, 12, regs), int32_t(ChOk));
        QCOMPARE(regs[1], 0x0005);
        QCOMPARE(regs[9], 7000);
    }

    // An Apply that changes nothing writes back what no control can show (register 1 bits 1-2 = 4,
    // the reactions 0x300 and 0xC00) as it was, and asks for no restart.
    void unchangedApplyKeepsWhatNoControlShows()
    {
        QVERIFY(start(QStringLiteral("vn6555-demo.xml"), {"--reboot-ms", "0"}));
        const std::vector<int32_t> images{0x0300, 0x0C01, 0x0F00, 0xF3A5};
        QVERIFY(writeDirect(1, {0x0005}) && writeDirect(3, images));
        QWidget& form = open<frmCommonSetting>();
        // Both bits of a reaction name no option: none is shown.
        for (const char* name : {"radStopCycle_0", "radOutputDefault_0", "radOutputNoChange_0", "radStopDataTransfer_1",
                                 "radInputDefault_1", "radInputNoChange_1"})
            QVERIFY2(!child<QRadioButton>(form, name)->isChecked(), name);
        QVERIFY(child<QRadioButton>(form, "radStopCycle_1")->isChecked());
        const qsizetype mark = m_coupler->requests().size();
        child<QPushButton>(form, "cmdApply")->click();
        QCOMPARE(m_coupler->requests().mid(mark), (QStringList{"service protection 0 = 0", "write 0 0 0 12 = 0",
                                                               "service protection 1 = 0", "read 0 0 0 12 = 0"}));
        QCOMPARE(m_env->dialogs().messages, QStringList());
        std::vector<int32_t> regs(12);
        QCOMPARE(m_channel->VbRegSyncReadReq(0, 0, 0, 12, regs), int32_t(ChOk));
        QCOMPARE(regs[1], 0x0005);
        QCOMPARE(std::vector<int32_t>(regs.begin() + 3, regs.begin() + 7), images);
    }

    // A hold time that is no register word is refused on Apply: the box, the old value back, nothing written.
    void fieldNoRegisterHoldsWritesNothing()
    {
        QVERIFY(start(QStringLiteral("vn6555-demo.xml")));
        QVERIFY(writeDirect(9, {300}));
        QWidget& form = open<frmCommonSetting>();
        child<QCheckBox>(form, "chkOldTermConfig")->setChecked(true); // a change that must not go out alone
        auto* hold = child<QLineEdit>(form, "fpWaitValue_0");
        hold->setText(QStringLiteral("70000"));
        const qsizetype mark = m_coupler->requests().size();
        child<QPushButton>(form, "cmdApply")->click();
        QCOMPARE(m_coupler->requests().mid(mark), QStringList());
        QCOMPARE(m_env->dialogs().messages, QStringList{"Fehlerhafte Eingabe !\n\nDer ursprüngliche Eintrag wird wiederhergestellt !|64|"});
        QCOMPARE(hold->text(), QStringLiteral("300"));
        QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 5); // the field's tab
        QVERIFY(child<QCheckBox>(form, "chkOldTermConfig")->isChecked()); // the other change stays
    }

    // A typed text that is no register word stays in the field as typed, whatever happens around
    // it; Apply, clicked, refuses it and writes nothing. The wheel changes no field.
    void typedTextStaysForApplyToRefuse_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("hex prefix") << "0x10";
        QTest::newRow("past a word") << "70000";
        QTest::newRow("negative") << "-1";
        QTest::newRow("group separator") << "1.000";
    }
    void typedTextStaysForApplyToRefuse()
    {
        QFETCH(QString, typed);
        QVERIFY(start(QStringLiteral("vn6555-demo.xml")));
        QVERIFY(writeDirect(9, {300, 5}));
        QWidget& form = open<frmCommonSetting>();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* tabs = child<QTabWidget>(form, "SSTab1");
        tabs->setCurrentIndex(5);
        auto* hold = child<QLineEdit>(form, "fpWaitValue_0");
        auto* other = child<QLineEdit>(form, "fpWaitValue_1");

        QWheelEvent wheel(QPointF(5, 5), other->mapToGlobal(QPointF(5, 5)), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel); // as from the mouse: the focus policy is asked too
        QApplication::sendEvent(other, &wheel);
        QCOMPARE(other->text(), QStringLiteral("5"));

        hold->setFocus();
        hold->selectAll();
        QTest::keyClicks(hold, typed);
        QCOMPARE(hold->text(), typed);
        QTest::keyClick(hold, Qt::Key_Return);
        other->setFocus();
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(5);
        QCOMPARE(hold->text(), typed);

        const qsizetype mark = m_coupler->requests().size();
        QTest::mouseClick(child<QPushButton>(form, "cmdApply"), Qt::LeftButton);
        QCOMPARE(m_coupler->requests().mid(mark), QStringList());
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{"Fehlerhafte Eingabe !\n\nDer ursprüngliche Eintrag wird wiederhergestellt !|64|"});
        QCOMPARE(hold->text(), QStringLiteral("300"));
    }

    // The local view writes its block back as read, without the protection service; a bus
    // controller guards its table 1, so there the write is refused. Faults are rows of the
    // end-to-end fault matrix (tests/e2e/tst_faultmatrix_views.cpp).
    void localWriteBack_data()
    {
        QTest::addColumn<QString>("stationFile");
        QTest::addColumn<QStringList>("applyRequests");
        QTest::addColumn<QString>("message");
        QTest::newRow("coupler") << "vn6555-demo.xml" << QStringList{"write 0 1 0 15 = 0", "read 0 1 0 15 = 0"} << "";
        QTest::newRow("controller's table 1 protected")
            << "vr4855.xml" << QStringList{"write 0 1 0 15 = 4100", "read 0 1 0 15 = 0"}
            << QString::fromUtf8("Schreiben der Einstellungen fehlgeschlagen: Code 4100 (schreibgeschützt).|48|");
    }
    void localWriteBack()
    {
        QFETCH(QString, stationFile);
        QFETCH(QStringList, applyRequests);
        QFETCH(QString, message);

        QVERIFY(start(stationFile));
        QWidget& form = open<frmCommonLocalUserSetting>();
        QCOMPARE(m_form->statusText(), QString());
        const qsizetype before = m_coupler->requests().size();
        child<QPushButton>(form, "cmdApply")->click();
        QCOMPARE(m_coupler->requests().mid(before), applyRequests);
        QCOMPARE(m_env->dialogs().messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(m_form->statusText(), QString());
    }

    void englishCaptions_data()
    {
        QTest::addColumn<bool>("local");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::newRow("apply") << false << "cmdApply" << "&OK";
        QTest::newRow("offsets frame") << false << "Frame4" << "Process image offset";
        QTest::newRow("string 908 after 906") << false << "chkOutputSynch_3" << "Free run output image";
        QTest::newRow("cyclic interface") << false << "radEvents_3" << "cyclic interface";
        QTest::newRow("SPS-Interface stays") << false << "chkSPSInterface" << "SPS-Interface";
        QTest::newRow("local: cancel") << true << "cmdCancel" << "&Cancel";
        QTest::newRow("local: notice stays German") << true << "lbl" << "Noch nicht verfügbar !";
    }
    void englishCaptions()
    {
        QFETCH(bool, local);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        int32_t status = 0;
        LocaleInfo().SetLocale(9, 1, status);
        std::unique_ptr<QWidget> form(local ? static_cast<QWidget*>(new frmCommonLocalUserSetting) : new frmCommonSetting);
        QWidget* widget = child(*form, control);
        if (auto* frame = qobject_cast<QGroupBox*>(widget))
            QCOMPARE(frame->title(), caption);
        else
            QCOMPARE(widget->property("text").toString(), caption);
        if (QTabWidget* tabs = form->findChild<QTabWidget*>("SSTab1"))
            QCOMPARE(tabs->tabText(4) + "|" + tabs->tabText(5), QStringLiteral("SPS Interface|H-Bus"));
    }

private:
    bool start(const QString& stationFile, const QStringList& options = {})
    {
        m_coupler = std::make_unique<VirtualCoupler>();
        if (!m_coupler->start(stationFile, options))
            return false;
        m_channel = std::make_unique<SerialChannel>();
        app().gObjDevChannel = m_channel.get();
        return m_coupler->openSerial(*m_channel, 300);
    }

    template <typename Form>
    QWidget& open()
    {
        auto form = std::make_unique<Form>();
        if constexpr (std::is_same_v<Form, frmCommonSetting>)
            form->setStationNodeAccess({[this] { return m_station; },
                                        [this](pugi::xml_node station) {
                                            m_station = station;
                                            ++m_replaced;
                                        }});
        form->RefreshData(m_station.first_child().first_child(), m_channel.get(), {});
        m_form = std::move(form);
        return *m_form;
    }

    // Coupler table 0 from register `first`, past the write protection.
    bool writeDirect(int first, const std::vector<int32_t>& values)
    {
        DeviceService service;
        int32_t result = -1;
        service.AbolishProtection(m_channel.get(), false, result);
        const int32_t written = m_channel->VbRegSyncWriteReq(0, 0, first, int32_t(values.size()), values);
        service.AbolishProtection(m_channel.get(), true, result);
        return written == ChOk && result == ChOk;
    }

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<VirtualCoupler> m_coupler;
    std::unique_ptr<SerialChannel> m_channel;
    std::unique_ptr<SettingsViewBase> m_form;
    pugi::xml_document m_doc;
    pugi::xml_node m_station;
    int m_replaced = 0;
};

QTEST_MAIN(tst_CommonSettingVCoupler)
#include "tst_commonsetting_vcoupler.moc"
