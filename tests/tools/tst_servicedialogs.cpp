// A service tool unloads itself when it is closed.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "platform/FormRegistry.h"
#include "tools/frmScriptInitCoupler.h"

#include <QPointer>
#include <QtTest>

class tst_ServiceDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void closingUnloads()
    {
        TestEnv env;
        QPointer<frmScriptInitCoupler> script = new frmScriptInitCoupler;
        QVERIFY(FormRegistry::IsLoaded(script));
        script->RefreshData({}, nullptr, QString());
        script->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!script);
    }
};

QTEST_MAIN(tst_ServiceDialogs)
#include "tst_servicedialogs.moc"
