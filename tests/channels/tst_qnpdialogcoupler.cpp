// The network channel dialog over the real network channel and the virtual
// coupler on loopback: Test with the stored net id and port, then a log-in
// through what OK stored. Test against faults: tests/e2e/tst_faultmatrix_channels.cpp.
#include "channels/SerialDialogTestUtil.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "shell/clsProject.h"
#include "shell/modStartup.h"

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

    void testAgainstTheCoupler()
    {
        QVERIFY2(m_coupler.start(QStringLiteral("vn4555.xml")), qPrintable(m_coupler.output()));
        frmParamVnDcQNPCV3* f = openForm(m_coupler.netId());
        QCOMPARE(child<QLineEdit>(f, QStringLiteral("editIpAddr_0"))->text(), m_coupler.netId());
        child<QPushButton>(f, QStringLiteral("cmdTest"))->click();
        QCOMPARE(m_env->dialogs().messages, QStringList{"Communication with coupler successful|64|Test communication"});
        QCOMPARE(m_coupler.requests(), QStringList{"read 0 9 0 2 = 0"});
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
