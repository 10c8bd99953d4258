// The serial channel dialog over the real serial channel, with the virtual
// coupler linked as a COM port: scan, Test, Cancel after Test, and a log-in
// through the port the dialog stored, then the coupler read through it. Test
// against faults: tests/e2e/tst_faultmatrix_channels.cpp.
#include "channels/SerialDialogTestUtil.h"
#include "channels/frmParamVnDcCOM.h"
#include "common/RegistryWriteLog.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "devices/CouplerIdentification.h"
#include "devices/StationReadContext.h"
#include "platform/RegistryStore.h"
#include "shell/clsProject.h"
#include "shell/modStartup.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr int kCom = 5;

} // namespace

class TestSerialDialogCoupler : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    RegistryWriteLog* m_registry = nullptr;
    QPointer<frmParamVnDcCOM> m_form;

    // Opens the dialog on the program's serial channel, as the channel menu does.
    frmParamVnDcCOM* openForm()
    {
        AppContext& context = m_env->context();
        if (!context.gObjDevCom)
            context.gObjDevCom = context.channelFactory->createSerialChannel();
        m_form = new frmParamVnDcCOM;
        m_form->RefreshData({}, context.gObjDevCom.get(), gCommon().CompanyName());
        return m_form;
    }
    void choosePort(frmParamVnDcCOM* f, int com)
    {
        auto* port = child<QComboBox>(f, "comboSelPort_0");
        port->setCurrentIndex(port->findText(QStringLiteral("COM%1").arg(com)));
        QCOMPARE(port->currentText(), QStringLiteral("COM%1").arg(com));
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        auto registry = std::make_unique<RegistryWriteLog>(*m_env->context().store);
        m_registry = registry.get();
        m_env->context().gObjRegistry = std::move(registry);
        gCommon();
        // A port that is gone, so the scan falls back to the first listed one.
        app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), QStringLiteral("33"));
        app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Timeout"), QStringLiteral("250"));
    }
    void cleanup()
    {
        delete m_form.data();
        m_env.reset();
    }

    void scanListsTheCouplerAndFallsBack()
    {
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        QElapsedTimer timer;
        timer.start();
        frmParamVnDcCOM* f = openForm();
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        auto* port = child<QComboBox>(f, "comboSelPort_0");
        QVERIFY2(items(port).contains(QStringLiteral("COM5")), qPrintable(items(port).join(u' ')));
        QVERIFY(!items(port).contains(QStringLiteral("COM33")));
        QCOMPARE(port->currentIndex(), 0);
        QVERIFY(coupler.requests().isEmpty()); // the scan only opens and closes
    }

    void testAgainstTheCoupler()
    {
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        frmParamVnDcCOM* f = openForm();
        choosePort(f, kCom);
        child<QComboBox>(f, "comboSelPort_1")->setCurrentText(QStringLiteral("38400"));
        const int mark = int(m_registry->writes.size());

        child<QPushButton>(f, "cmdTest")->click();

        QCOMPARE(m_env->dialogs().messages,
                 QStringList{"Communication with coupler successful|64|Test communication"});
        QCOMPARE(m_registry->writes.mid(mark),
                 QStringList({"Device=0", "Port=5", "Baud=38400", "Parity=E", "DataBits=8", "StopBits=1",
                              "VNxType=RS232", "Timeout=250", "MultiPoint=0"}));
        QCOMPARE(coupler.requests(), QStringList{"read 0 9 0 2 = 0"});
        // The port stays open: a read goes through without opening it again.
        std::array<int32_t, 2> buffer{};
        QCOMPARE(m_env->context().gObjDevCom->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChOk));

        // Cancel after Test keeps what Test stored.
        child<QComboBox>(f, "comboSelPort_1")->setCurrentText(QStringLiteral("9600"));
        child<QPushButton>(f, "cmdCancel")->click();
        QTRY_VERIFY(m_form.isNull());
        QCOMPARE(stored(QStringLiteral("Port")), QStringLiteral("5"));
        QCOMPARE(stored(QStringLiteral("Baud")), QStringLiteral("38400"));
        QCOMPARE(stored(QStringLiteral("Device")), QStringLiteral("0"));
    }

    void logInThroughTheChosenPort()
    {
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        frmParamVnDcCOM* f = openForm();
        choosePort(f, kCom);
        child<QPushButton>(f, "cmdOK")->click();
        QTRY_VERIFY(m_form.isNull());
        QCOMPARE(stored(QStringLiteral("Port")), QStringLiteral("5"));

        // The next Online command sets the channel up from the registry, then logs in.
        fInitDevChannel(m_env->context());
        QCOMPARE(m_env->context().gObjDevChannel, m_env->context().gObjDevCom.get());
        clsProject project;
        project.setOnline(true);
        QVERIFY(project.Online());
        QCOMPARE(m_env->log().Text(), QString());
        QCOMPARE(coupler.requests(), QStringList{"read 0 9 0 2 = 0"});

        // Reading the station goes through the same port and names the coupler of the station file.
        StationReadContext context;
        QString name;
        fReadCouplerName(m_env->context().gObjDevChannel, name, context);
        QCOMPARE(name, QStringLiteral("VN4555-0000"));
        QCOMPARE(context.gTermTable[0], 4555);
        QCOMPARE(context.gTermTable[1], 34817);
        QCOMPARE(context.gFirmwareWord, 47616);
        QCOMPARE(m_env->log().Text(), QString());
        QVERIFY2(coupler.requests().size() > 1, qPrintable(coupler.requests().join(u' ')));
        QCOMPARE(coupler.requests().first(), QStringLiteral("read 0 9 0 2 = 0"));
    }
};

QTEST_MAIN(TestSerialDialogCoupler)
#include "tst_serialdialogcoupler.moc"
