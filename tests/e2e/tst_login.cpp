// Log-in and log-out through the real channels against the virtual coupler.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "shell/clsProject.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

constexpr int kCom = 5;

// Sets up the current channel of the program as the start-up does, for one transport.
void useChannel(AppContext& context, const QString& transport, const VirtualCoupler& coupler, int timeout)
{
    if (transport == QLatin1String("serial")) {
        context.gObjDevCom = context.channelFactory->createSerialChannel();
        auto* p = dynamic_cast<ISerialChannelParam*>(context.gObjDevCom->GetDeviceParamObj());
        p->SetBaud(19200);
        p->SetPort(kCom);
        p->SetTimeout(timeout);
        p->SetOptions(48847);
        p->SetMultiPoint(0);
        context.gObjDevChannel = context.gObjDevCom.get();
    } else {
        qputenv("TD4700_QNP_ROUTER", coupler.routerAddress().toLocal8Bit());
        context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        auto* p = dynamic_cast<IQNPDeviceParam*>(context.m_objDevQnpObj->GetDeviceParamObj());
        p->SetNetId(coupler.netId());
        p->SetPort(coupler.qnpPort());
        p->SetTimeout(timeout);
        context.gObjDevChannel = context.m_objDevQnpObj.get();
    }
    context.gObjDevSrv = context.channelFactory->createDeviceService();
}

void transports()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("serial") << QStringLiteral("serial");
    QTest::newRow("qnp") << QStringLiteral("qnp");
}

} // namespace

class tst_Login : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void logInAtFirstTry_data() { transports(); }
    void logInAtFirstTry()
    {
        QFETCH(QString, transport);
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        useChannel(env.context(), transport, coupler, 500);
        clsProject project;
        int events = 0;
        connect(&project, &clsProject::ProjectStateChangeOnline, this, [&](bool&) { ++events; }, Qt::DirectConnection);

        project.setOnline(true);
        QVERIFY(project.Online());
        QCOMPARE(events, 1);
        QCOMPARE(env.log().Text(), QString());
        QCOMPARE(coupler.requests(), QStringList{"read 0 9 0 2 = 0"});

        // Log-out in developer mode restores the protection, then closes the port.
        gCommon().setAccessLevel(1);
        project.setOnline(false);
        QVERIFY(!project.Online());
        QCOMPARE(events, 2);
        QCOMPARE(coupler.requests(), (QStringList{"read 0 9 0 2 = 0", "service protection 1 = 0"}));
        std::array<int32_t, 3> buffer{};
        QCOMPARE(env.context().gObjDevChannel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChNotOpen));
    }

    void logInAfterTwoFailedReads_data() { transports(); }
    void logInAfterTwoFailedReads()
    {
        QFETCH(QString, transport);
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {"--fail-first-reads", "2"}, kCom),
                 qPrintable(coupler.output()));
        useChannel(env.context(), transport, coupler, 200);
        clsProject project;
        project.setOnline(true);
        QVERIFY(project.Online());
        QCOMPARE(env.log().Text(), QStringLiteral("0 Timeout\r\n1 Timeout\r\n"));
        QCOMPARE(coupler.requests(),
                 (QStringList{"read 0 9 0 2 = silent", "read 0 9 0 2 = silent", "read 0 9 0 2 = 0"}));
    }

    void logInToASilentDevice_data() { transports(); }
    void logInToASilentDevice()
    {
        QFETCH(QString, transport);
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {"--silent"}, kCom), qPrintable(coupler.output()));
        const int timeout = 250;
        useChannel(env.context(), transport, coupler, timeout);
        clsProject project;
        int events = 0;
        connect(&project, &clsProject::ProjectStateChangeOnline, this, [&](bool&) { ++events; }, Qt::DirectConnection);

        QElapsedTimer timer;
        timer.start();
        project.setOnline(true);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed < 4 * timeout + 300, qPrintable(QString::number(elapsed)));
        QVERIFY(elapsed >= 4 * timeout - 20);
        QVERIFY(!project.Online());
        QCOMPARE(events, 0);
        QCOMPARE(env.log().Text(), QStringLiteral("0 Timeout\r\n1 Timeout\r\n2 Timeout\r\n3 Timeout\r\n"));
        QCOMPARE(coupler.requests().size(), 4);
        std::array<int32_t, 3> buffer{};
        QCOMPARE(env.context().gObjDevChannel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChNotOpen));
    }

    void logInWithoutDevice()
    {
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        useChannel(env.context(), QStringLiteral("serial"), coupler, 200);
        // COM6 names a device that is not there.
        QVERIFY(QFile::link(env.tempPath() + QStringLiteral("/no-such-device"),
                            env.tempPath() + QStringLiteral("/ports/COM%1").arg(kCom + 1)));
        dynamic_cast<ISerialChannelParam*>(env.context().gObjDevCom->GetDeviceParamObj())->SetPort(kCom + 1);
        clsProject project;
        project.setOnline(true);
        QVERIFY(!project.Online());
        // The line names the port, and the device it stands for, that the user has to look at.
        QCOMPARE(env.log().Text(), QStringLiteral("Schnittstelle konnte nicht geöffnet werden: COM%1 (%2)\r\n")
                                       .arg(kCom + 1)
                                       .arg(env.tempPath() + QStringLiteral("/no-such-device")));
        QVERIFY(coupler.requests().isEmpty());
    }

    // A router that knows no device with the net id and port says so at once, and every try's line
    // names both: either may be the wrong one.
    void logInOverARouterWithoutTheDevice_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("wrongPort");
        QTest::addColumn<QString>("line");
        QTest::newRow("German") << false << false << "Kein Gerät mit dieser Net-Id und diesem Port (Code 4106)";
        QTest::newRow("English") << true << false << "No device with this net id and port (code 4106)";
        QTest::newRow("right net id, wrong port") << true << true << "No device with this net id and port (code 4106)";
    }
    void logInOverARouterWithoutTheDevice()
    {
        QFETCH(bool, english);
        QFETCH(bool, wrongPort);
        QFETCH(QString, line);
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        const int timeout = 500;
        useChannel(env.context(), QStringLiteral("qnp"), coupler, timeout);
        auto* param = dynamic_cast<IQNPDeviceParam*>(env.context().gObjDevChannel->GetDeviceParamObj());
        const QString netId = wrongPort ? coupler.netId() : QStringLiteral("1.2.3.4.5.6");
        const int port = wrongPort ? coupler.qnpPort() + 1 : coupler.qnpPort();
        param->SetNetId(netId);
        param->SetPort(port);
        int32_t status = 0;
        env.context().gObjLocale->SetLocale(english ? 9 : 7, 1, status);
        clsProject project;
        QElapsedTimer timer;
        timer.start();
        project.setOnline(true);
        QVERIFY2(timer.elapsed() < timeout, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!project.Online());
        QString log;
        for (int attempt = 0; attempt < 4; ++attempt)
            log += QStringLiteral("%1 %2\r\n").arg(attempt).arg(line);
        QCOMPARE(env.log().Text(), log);
        QCOMPARE(coupler.requests(), QStringList(4, QStringLiteral("nodevice %1 %2").arg(netId).arg(port)));
    }

    // A router address whose port cannot be: no log-in to the default router instead.
    void logInToARouterAddressOutOfRange()
    {
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {}, kCom), qPrintable(coupler.output()));
        useChannel(env.context(), QStringLiteral("qnp"), coupler, 200);
        const QString port = coupler.routerAddress().section(QLatin1Char(':'), 1);
        qputenv("TD4700_QNP_ROUTER", QStringLiteral("127.0.0.1:%1%1").arg(port).toLocal8Bit()); // past 65535
        clsProject project;
        project.setOnline(true);
        QVERIFY(!project.Online());
        QCOMPARE(env.log().Text(), QStringLiteral("Schnittstelle konnte nicht geöffnet werden: QNP %1 port %2 "
                                                  "(Router-Adresse \"127.0.0.1:%3%3\" in TD4700_QNP_ROUTER ist nicht "
                                                  "Host:Port mit einem Port 1..65535)\r\n")
                                       .arg(coupler.netId())
                                       .arg(coupler.qnpPort())
                                       .arg(port));
        QVERIFY(coupler.requests().isEmpty());
    }
};

QTEST_MAIN(tst_Login)
#include "tst_login.moc"
