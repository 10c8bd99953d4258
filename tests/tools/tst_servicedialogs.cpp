// The stand-ins of the channel dialogs and service tools: what RefreshData
// keeps, and closing unloads them.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "channels/frmParamVnDcHW4565.h"
#include "channels/frmParamVnDcQNP.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "platform/FormRegistry.h"
#include "tools/frmScriptInitCoupler.h"

#include <QPointer>
#include <QtTest>

class tst_ServiceDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void qnpDialogsKeepChannelAndParameterObject()
    {
        TestEnv env;
        ScriptedChannel channel;
        RecordingQnpParam param;
        channel.setParamObj(&param);
        frmParamVnDcQNPCV3 cv3;
        cv3.RefreshData({}, &channel, QString());
        QCOMPARE(cv3.deviceParam(), static_cast<IQNPDeviceParam*>(&param));
        QCOMPARE(cv3.companyName(), QStringLiteral("Harmsted"));
        frmParamVnDcQNP plain;
        plain.RefreshData({}, nullptr, QStringLiteral("Linovo"));
        QCOMPARE(plain.deviceParam(), nullptr);
        QCOMPARE(plain.companyName(), QStringLiteral("Linovo"));
        QCOMPARE(plain.objectName(), QStringLiteral("frmParamVnDcQNP"));
    }

    void closingUnloads()
    {
        TestEnv env;
        QPointer<frmParamVnDcHW4565> link = new frmParamVnDcHW4565;
        QPointer<frmScriptInitCoupler> script = new frmScriptInitCoupler;
        QVERIFY(FormRegistry::IsLoaded(link) && FormRegistry::IsLoaded(script));
        link->RefreshData({}, nullptr, QString());
        script->RefreshData({}, nullptr, QString());
        link->close();
        script->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!link);
        QVERIFY(!script);
    }
};

QTEST_MAIN(tst_ServiceDialogs)
#include "tst_servicedialogs.moc"
