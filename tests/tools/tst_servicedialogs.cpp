// The stand-ins of the service tools: what RefreshData
// keeps, the firmware mode, and closing unloads them.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "platform/FormRegistry.h"
#include "tools/frmFirmwareUpdate.h"
#include "tools/frmScriptInitCoupler.h"

#include <QPointer>
#include <QtTest>

class tst_ServiceDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firmwareMode_data()
    {
        QTest::addColumn<QString>("param");
        QTest::addColumn<QString>("mode");
        QTest::newRow("load") << "FIRMWARE_LOAD" << "FIRMWARE_LOAD";
        QTest::newRow("load in lower case") << "firmware_Load" << "FIRMWARE_LOAD";
        QTest::newRow("update") << "FIRMWARE_UPDATE" << "FIRMWARE_UPDATE";
        QTest::newRow("empty") << "" << "FIRMWARE_UPDATE";
        QTest::newRow("trailing blank is not load") << "FIRMWARE_LOAD " << "FIRMWARE_UPDATE";
    }
    void firmwareMode()
    {
        QFETCH(QString, param);
        QFETCH(QString, mode);
        TestEnv env;
        auto* form = new frmFirmwareUpdate;
        pugi::xml_document doc;
        doc.load_string("<Station/>");
        ScriptedChannel channel;
        form->RefreshData(doc.child("Station"), &channel, param);
        QCOMPARE(form->mode(), mode);
        QCOMPARE(form->station(), doc.child("Station"));
        QCOMPARE(form->channel(), static_cast<IDeviceChannel*>(&channel));
        QVERIFY(form->isVisible());
        QVERIFY(!form->isModal());
        delete form;
    }

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
