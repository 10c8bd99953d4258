// The network channel dialog over the real network channel and the virtual
// coupler on loopback: Test with the stored net id and port, with a silent
// coupler and with no device at that net id; then a log-in through what OK stored.
#include "channels/SerialDialogTestUtil.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "shell/clsProject.h"
#include "shell/modStartup.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

class tst_QnpDialogCoupler : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    VirtualCoupler m_coupler;
    QPointer<frmParamVnDcQNPCV3> m_form;

    // Stores the target, then opens the dialog on the program's network channel, as the channel menu does.
    frmParamVnDcQNPCV3* openForm(const QString& netId)
    {
        qputenv("TD4700_QNP_ROUTER", m_coupler.routerAddress().toLocal8Bit());
        IRegistryAccess& registry = *app().gObjRegistry;
        registry.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("QnpRtnNetId"), netId);
        registry.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("QnpRtnPort"), QString::number(m_coupler.qnpPort()));
        registry.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Timeout"), QStringLiteral("250"));
        AppContext& context = m_env->context();
        context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        m_form = new frmParamVnDcQNPCV3;
        m_form->RefreshData({}, context.m_objDevQnpObj.get(), QString());
        return m_form;
    }

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup()
    {
        delete m_form.data();
        m_coupler.stop();
        m_env.reset();
    }

    void test_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("ownNetId");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("requests");
        QTest::newRow("coupler answers") << QStringList{} << true
                                         << QStringList{"Communication with coupler successful|64|Test communication"}
                                         << QStringList{"read 0 9 0 2 = 0"};
        QTest::newRow("silent coupler")
            << QStringList{"--silent"} << true
            << QStringList{"No communication!|16|", "No communication with coupler!\r\n\r\nCode: 4097|16|Test communication"}
            << QStringList(4, "read 0 9 0 2 = silent");
        QTest::newRow("no device at that net id")
            << QStringList{} << false
            << QStringList{"No communication!|16|", "No communication with coupler!\r\n\r\nCode: 4106|16|Test communication"}
            << QStringList(4, "nodevice 10.9.9.9.1.1 100");
    }
    void test()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, ownNetId);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, requests);
        QVERIFY2(m_coupler.start(QStringLiteral("vn4555.xml"), options), qPrintable(m_coupler.output()));
        frmParamVnDcQNPCV3* f = openForm(ownNetId ? m_coupler.netId() : QStringLiteral("10.9.9.9.1.1"));
        QCOMPARE(child<QLineEdit>(f, QStringLiteral("editIpAddr_0"))->text(), ownNetId ? m_coupler.netId() : "10.9.9.9.1.1");

        QElapsedTimer timer;
        timer.start();
        child<QPushButton>(f, QStringLiteral("cmdTest"))->click();
        QVERIFY2(timer.elapsed() < 4 * 250 + 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(m_env->dialogs().messages, messages);
        QCOMPARE(m_coupler.requests(), requests);
        QCOMPARE(stored(QStringLiteral("Device")), QStringLiteral("1"));
    }

    void logInThroughWhatOkStored()
    {
        QVERIFY2(m_coupler.start(QStringLiteral("vn4555.xml")), qPrintable(m_coupler.output()));
        frmParamVnDcQNPCV3* f = openForm(QStringLiteral("10.0.0.1.1.1"));
        child<QLineEdit>(f, QStringLiteral("editIpAddr_0"))->setText(m_coupler.netId());
        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();
        QTRY_VERIFY(m_form.isNull());

        fInitDevChannel(m_env->context());
        QCOMPARE(m_env->context().gObjDevChannel, static_cast<IDeviceChannel*>(m_env->context().m_objDevQnpObj.get()));
        clsProject project;
        project.setOnline(true);
        QVERIFY(project.Online());
        QCOMPARE(m_coupler.requests(), QStringList{"read 0 9 0 2 = 0"});
    }
};

QTEST_MAIN(tst_QnpDialogCoupler)
#include "tst_qnpdialogcoupler.moc"
