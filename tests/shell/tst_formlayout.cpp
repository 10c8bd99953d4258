// The tab cycle of forms whose controls are made out of reading order: the
// fields and tab pages come before the buttons beside or below them.
#include "channels/frmParamVnDcCOM.h"
#include "channels/frmParamVnDcHW4565.h"
#include "common/TestEnv.h"
#include "dataviews/frmControllerSetting.h"
#include "tools/frmFirmwareUpdate.h"
#include "tools/frmScriptInitTerm.h"

#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>

using FormMaker = std::function<QWidget*()>;
Q_DECLARE_METATYPE(FormMaker)

class tst_FormLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabCycleFollowsReadingOrder_data();
    void tabCycleFollowsReadingOrder();
};

void tst_FormLayout::tabCycleFollowsReadingOrder_data()
{
    QTest::addColumn<FormMaker>("make");
    QTest::addColumn<QStringList>("order"); // named controls in the order Tab visits them
    QTest::newRow("serial channel: the fields, then the buttons")
        << FormMaker([] { return new frmParamVnDcCOM; })
        << QStringList{"SSTab1", "comboSelPort_0", "fpLImultiPoint", "cmdTest", "cmdCancel", "cmdOK"};
    QTest::newRow("panel link: the address, then the buttons")
        << FormMaker([] { return new frmParamVnDcHW4565; })
        << QStringList{"SSTab1", "txtAdrHwLink", "cmdCancel", "cmdOK"};
    QTest::newRow("controller settings: the tab page, then the buttons")
        << FormMaker([] { return new frmControllerSetting; })
        << QStringList{"sstabDiag", "chkVRx_0", "optPlcTermbusUpdate_2", "cmdApply", "cmdCancel"};
    QTest::newRow("firmware: the log, then Start and Exit")
        << FormMaker([] { return new frmFirmwareUpdate; })
        << QStringList{"txtSelScript", "cmdBrowse", "txtLogBox", "cmdScriptStart", "cmdExit"};
    QTest::newRow("terminal script: the positions, then the buttons and the log")
        << FormMaker([] { return new frmScriptInitTerm; })
        << QStringList{"txtDesc", "fpStartPos", "chkResume", "cmdBrowse", "txtLogBox"};
}

void tst_FormLayout::tabCycleFollowsReadingOrder()
{
    QFETCH(FormMaker, make);
    QFETCH(QStringList, order);
    TestEnv env;
    const std::unique_ptr<QWidget> form(make());
    QStringList cycle;
    for (QWidget* w = form->nextInFocusChain(); w != form.get(); w = w->nextInFocusChain())
        if (order.contains(w->objectName()) && !cycle.contains(w->objectName()))
            cycle << w->objectName();
    // A cycle has no start of its own: read it from the first control named.
    std::rotate(cycle.begin(), std::find(cycle.begin(), cycle.end(), order.first()), cycle.end());
    QCOMPARE(cycle, order);
}

QTEST_MAIN(tst_FormLayout)
#include "tst_formlayout.moc"
