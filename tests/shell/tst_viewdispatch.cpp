// Opening views from the station tree: own forms by view key, hosted views in
// document windows with the placeholder, the params text, closing the other
// forms, the station graph and the documents opened by commands.
#include "StationFixtures.h"
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "dataviews/frmTable.h"
#include "platform/FormRegistry.h"
#include "platform/Twips.h"
#include "platform/ViewContract.h"
#include "platform/ViewFactory.h"
#include "shell/ShellContext.h"
#include "shell/clsNotAvailable.h"
#include "shell/frmDocument.h"
#include "shell/modTreeView.h"
#include "shell/modViewDispatch.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Records what the dispatch hands over; stands in for an own form or a hosted view.
class RecordingView : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    using QWidget::QWidget;
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override
    {
        ++calls;
        this->node = node;
        this->channel = channel;
        this->param = param;
        if (raiseInRefresh)
            Q_EMIT SomethingChanged(7, QStringLiteral("inside"));
    }
    Q_INVOKABLE void OtherEntry(pugi::xml_node* node, IDeviceChannel* channel, QString param)
    {
        ++otherCalls;
        this->node = node ? *node : pugi::xml_node();
        this->channel = channel;
        this->param = param;
    }
    int calls = 0;
    int otherCalls = 0;
    bool raiseInRefresh = false;
    pugi::xml_node node;
    IDeviceChannel* channel = nullptr;
    QString param;
    static inline RecordingView* last = nullptr;
    static inline bool raiseNext = false;

Q_SIGNALS:
    void SomethingChanged(int code, const QString& text);
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QString subWindowTitle(QWidget* form)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    return sub ? sub->windowTitle() : QStringLiteral("<no frame>");
}

QStringList loadedNames()
{
    QStringList names;
    for (QWidget* form : FormRegistry::Forms())
        names << form->objectName() + QLatin1Char('/') + FormRegistry::Tag(form);
    return names;
}

} // namespace

class tst_ViewDispatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ViewFactory::Register(QStringLiteral("Test.RecordingView"), [](QWidget* parent) {
            auto* view = new RecordingView(parent);
            view->setObjectName(QStringLiteral("RecordingView"));
            view->raiseInRefresh = RecordingView::raiseNext;
            RecordingView::last = view;
            return view;
        });
    }
    void cleanupTestCase()
    {
        ViewFactory::Unregister(QStringLiteral("Test.RecordingView"));
        ViewFactory::Unregister(QStringLiteral("ATLFHISvr.ATLFHIObj"));
    }

    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_env->context().gObjDevChannel = &m_channel;
        gCommon().setLanguageType(1);
        m_shell = std::make_unique<ShellContext>();
        ShellContext::setCurrent(m_shell.get());
        m_doc = loadFixture();
        m_shell->gStationDocument = m_doc;
        m_shell->gStationNode = m_doc->child("Station");
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(800, 600);
        m_tree = std::make_unique<QTreeWidget>();
        m_monitoring = false;
        m_german = false;
        m_controller = std::make_unique<StationTreeController>(
            m_tree.get(), m_area.get(), nullptr, *m_shell,
            StationTreeHooks{[] { return true; }, [this] { return m_monitoring; }, [this] { return m_german; }, {},
                             [this](int32_t mode) { m_displayMode = mode; }});
        m_controller->RebuildStationTree();
        RecordingView::last = nullptr;
        RecordingView::raiseNext = false;
    }
    void cleanup()
    {
        m_controller.reset();
        m_area.reset();
        m_tree.reset();
        flushDeletes();
        ShellContext::setCurrent(nullptr);
        m_shell.reset();
        m_doc.reset();
        m_env.reset();
    }

    void paramsTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tree view, English, monitoring off")
            << fTreeViewParams(0, 9, QStringLiteral("2"), 0)
            << "<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId><LanguageId>9</LanguageId>"
               "<UserData>2</UserData><DisplayMode>0</DisplayMode></Params>";
        QTest::newRow("tree view, German, monitoring on")
            << fTreeViewParams(0, 7, QStringLiteral("127"), 1)
            << "<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId><LanguageId>7</LanguageId>"
               "<UserData>127</UserData><DisplayMode>1</DisplayMode></Params>";
        QTest::newRow("user data escaped")
            << fTreeViewParams(0, 9, QStringLiteral("a<b&c>\""), 0)
            << "<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId><LanguageId>9</LanguageId>"
               "<UserData>a&lt;b&amp;c&gt;&quot;</UserData><DisplayMode>0</DisplayMode></Params>";
        QTest::newRow("command view") << fCommandViewParams(0, 9, 1)
                                      << "<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId>"
                                         "<LanguageId>9</LanguageId><UserData>1</UserData></Params>";
        QTest::newRow("graph mode 0") << fStationGraphParams(0) << "<Params><DisplayMode>0</DisplayMode></Params>";
        QTest::newRow("graph mode 1") << fStationGraphParams(1) << "<Params><DisplayMode>1</DisplayMode></Params>";
        QTest::newRow("graph mode 2") << fStationGraphParams(2) << "<Params><DisplayMode>2</DisplayMode></Params>";
        QTest::newRow("graph mode 3") << fStationGraphParams(3) << "";
        QTest::newRow("graph mode -1") << fStationGraphParams(-1) << "";
    }
    void paramsTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    void ownFormByViewKey_data()
    {
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("form");
        QTest::newRow("TableView") << "TableView" << "frmTable";
        QTest::newRow("old table key") << "TD4VCommon.Table" << "frmTable";
        QTest::newRow("CommonSetting") << "CommonSetting" << "frmCommonSetting";
        QTest::newRow("CommonLocalUserSetting") << "CommonLocalUserSetting" << "frmCommonLocalUserSetting";
        QTest::newRow("ControllerSetting") << "ControllerSetting" << "frmControllerSetting";
        QTest::newRow("ProcessData") << "ProcessData" << "frmProcData";
        QTest::newRow("case differs: hosted") << "tableview" << "";
        QTest::newRow("channel view: hosted") << "IoModSvr.IoChView" << "";
        QTest::newRow("empty") << "" << "";
    }
    void ownFormByViewKey()
    {
        QFETCH(QString, progId);
        QFETCH(QString, form);
        std::unique_ptr<QWidget> created(fCreateOwnForm(progId));
        QCOMPARE(fIsOwnFormProgID(progId), !form.isEmpty());
        QCOMPARE(created ? created->objectName() : QString(), form);
        if (created)
            QVERIFY(dynamic_cast<IRefreshData*>(created.get()));
    }

    // Enter on a "TableView" node: the own form gets the device, the channel and the exact params.
    void enterOnTableNodeHandsOverExactParams()
    {
        QStringList made;
        RecordingView* form = nullptr;
        m_controller->setOwnFormFactory([&](const QString& progId) {
            made << progId;
            form = new RecordingView;
            return form;
        });
        select(QStringLiteral("Key8")); // English: "Table 2"
        QTest::keyClick(m_tree.get(), Qt::Key_Return);
        QCOMPARE(made, QStringList{QStringLiteral("TableView")});
        QVERIFY(form);
        QCOMPARE(form->calls, 1);
        QCOMPARE(form->param, QStringLiteral("<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId><LanguageId>9"
                                             "</LanguageId><UserData>2</UserData><DisplayMode>0</DisplayMode></Params>"));
        QCOMPARE(form->node, m_doc->select_node("Station/Devices/Device").node());
        QCOMPARE(form->channel, &m_channel);
        QVERIFY(!form->isHidden());
        QVERIFY(FormRegistry::IsLoaded(form));
    }

    void tableNodesOpenTheTableForm_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("table");
        QTest::newRow("TableView") << "Key8" << 2;
        QTest::newRow("TD4VCommon.Table") << "Key9" << 9;
    }
    void tableNodesOpenTheTableForm()
    {
        QFETCH(QString, key);
        QFETCH(int, table);
        select(key);
        m_controller->tvTreeView_DblClick();
        auto* form = qobject_cast<frmTable*>(m_controller->lastOpened());
        QVERIFY(form);
        QCOMPARE(form->tableNumber(), table);
    }

    void monitoringGivesDisplayModeOne()
    {
        m_monitoring = true;
        RecordingView* form = nullptr;
        m_controller->setOwnFormFactory([&](const QString&) { return form = new RecordingView; });
        select(QStringLiteral("Key5")); // Common: Settings
        m_controller->tvTreeView_DblClick();
        QVERIFY(form);
        QVERIFY(form->param.endsWith(QStringLiteral("<UserData>0</UserData><DisplayMode>1</DisplayMode></Params>")));
        QCOMPARE(m_displayMode, 1);
    }

    void ownFormWithEmptyUserDataOpensNothing()
    {
        int made = 0;
        m_controller->setOwnFormFactory([&](const QString&) {
            ++made;
            return new RecordingView;
        });
        select(QStringLiteral("Key6")); // Common: Local user-mapping, UserData ""
        m_controller->tvTreeView_DblClick();
        QCOMPARE(made, 0);
        QVERIFY(FormRegistry::Forms().isEmpty());
    }

    void deviceNodeClosesOtherViewsAndOpensNothing()
    {
        select(QStringLiteral("Key5"));
        m_controller->tvTreeView_DblClick();
        QPointer<QWidget> settings = m_controller->lastOpened();
        QVERIFY(settings);
        QCOMPARE(settings->objectName(), QStringLiteral("frmCommonSetting"));
        select(QStringLiteral("Key1"));
        m_controller->tvTreeView_DblClick();
        QVERIFY(m_controller->lastOpened() == nullptr);
        QVERIFY(FormRegistry::Forms().isEmpty());
        flushDeletes();
        QVERIFY(settings.isNull());
        QCOMPARE(m_area->subWindowList().size(), 0);
    }

    // Only one view is open at a time: opening one closes the other.
    void openingAViewClosesThePreviousOne()
    {
        select(QStringLiteral("Key5"));
        m_controller->tvTreeView_DblClick();
        select(QStringLiteral("Key3"));
        m_controller->tvTreeView_DblClick();
        QCOMPARE(loadedNames(), QStringList{QStringLiteral("frmDocument/")});
    }

    // A view the program cannot create is hosted as the placeholder, in a window without caption.
    void hostedViewFallsBackToPlaceholder()
    {
        select(QStringLiteral("Key3")); // Mapping report
        m_controller->tvTreeView_DblClick();
        auto* document = qobject_cast<frmDocument*>(m_controller->lastOpened());
        QVERIFY(document);
        QCOMPARE(document->windowTitle(), QString());
        QCOMPARE(subWindowTitle(document), QString());
        QCOMPARE(document->m_ProgID, QStringLiteral("clsNotAvailable"));
        QCOMPARE(document->m_Method, QStringLiteral("RefreshData"));
        auto* placeholder = qobject_cast<clsNotAvailable*>(document->oControl());
        QVERIFY(placeholder);
        QCOMPARE(placeholder->objectName(), QStringLiteral("oControl"));
        QCOMPARE(placeholder->findChild<QLabel*>(QStringLiteral("lblValuePos"))->text(), QStringLiteral("0"));
        QCOMPARE(placeholder->findChild<QLabel*>(QStringLiteral("lblValueType"))->text(), QString());
        QVERIFY(placeholder->m_Online);
        QCOMPARE(placeholder->m_Xml, m_doc->select_node("Station/Devices/Device").node());
    }

    void hostedViewReceivesElementAndParams()
    {
        m_shell->gViews.Item(QStringLiteral("Key15"))->ViewProgID = QStringLiteral("Test.RecordingView");
        select(QStringLiteral("Key15")); // Input Channel 2, UserData 1
        QTest::keyClick(m_tree.get(), Qt::Key_Enter);
        auto* document = qobject_cast<frmDocument*>(m_controller->lastOpened());
        QVERIFY(document);
        QCOMPARE(document->m_ProgID, QStringLiteral("Test.RecordingView"));
        QVERIFY(RecordingView::last);
        QCOMPARE(document->oControl(), RecordingView::last);
        QCOMPARE(RecordingView::last->calls, 1);
        QCOMPARE(QString::fromUtf8(RecordingView::last->node.attribute("Name").value()), QStringLiteral("TM8xx4-5555"));
        QVERIFY(RecordingView::last->param.contains(QStringLiteral("<UserData>1</UserData>")));
    }

    // Shift+Enter, Alt+Enter, Insert, Delete and the right button open nothing; Enter alone does.
    void onlyEnterOpens_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::NoModifier) << true;
        QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << int(Qt::AltModifier) << false;
        QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier) << false;
        QTest::newRow("Insert") << int(Qt::Key_Insert) << int(Qt::NoModifier) << false;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << false;
        QTest::newRow("Down") << int(Qt::Key_Down) << int(Qt::NoModifier) << false;
    }
    void onlyEnterOpens()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, opens);
        select(QStringLiteral("Key3"));
        QTest::keyClick(m_tree.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(FormRegistry::Forms().size(), opens ? 1 : 0);
    }

    void singleAndRightClickOpenNothing()
    {
        m_tree->resize(300, 400);
        m_tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_tree.get()));
        m_tree->expandAll();
        QTreeWidgetItem* item = m_shell->gViews.Item(QStringLiteral("Key3"))->TreeNode;
        const QPoint at = m_tree->visualItemRect(item).center();
        QTest::mouseClick(m_tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(m_tree->viewport(), Qt::RightButton, {}, at);
        QCOMPARE(m_tree->currentItem(), item);
        QCOMPARE(FormRegistry::Forms().size(), 0);
        QTest::mouseDClick(m_tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(loadedNames(), QStringList{QStringLiteral("frmDocument/")});
    }

    void closeOtherFormsSparesMainSplashAndGraph()
    {
        QWidget splash;
        splash.setObjectName(QStringLiteral("frmSplash"));
        splash.show();
        QWidget main;
        main.setObjectName(QStringLiteral("frmMain"));
        FormRegistry::Load(&main);
        FormRegistry::Load(&splash);
        auto* graph = new frmDocument;
        graph->setTag(QStringLiteral("StationGraph"));
        auto* other = new frmDocument;
        auto* dialog = new QWidget;
        dialog->setObjectName(QStringLiteral("frmScriptInitCoupler"));
        FormRegistry::Load(dialog);
        QPointer<QWidget> otherRef(other), dialogRef(dialog);
        CloseOtherForms();
        QCOMPARE(loadedNames(), (QStringList{QStringLiteral("frmMain/"), QStringLiteral("frmSplash/"),
                                             QStringLiteral("frmDocument/StationGraph")}));
        QVERIFY(splash.isHidden());
        flushDeletes();
        QVERIFY(otherRef.isNull());
        QVERIFY(dialogRef.isNull());
        delete graph;
    }

    void formThatRefusesToCloseStaysLoaded()
    {
        // A dialog busy with its connection test refuses to close; it must not be deleted under it.
        struct Busy : QWidget {
            void closeEvent(QCloseEvent* event) override { event->ignore(); }
        };
        auto* busy = new Busy;
        busy->setObjectName(QStringLiteral("frmParamVnDcCOM"));
        FormRegistry::Load(busy);
        QPointer<QWidget> ref(busy);
        CloseOtherForms();
        flushDeletes();
        QVERIFY(!ref.isNull());
        QVERIFY(FormRegistry::IsLoaded(busy));
        delete busy;
    }

    void stationGraphStaysWhileViewsComeAndGo()
    {
        QString graphParams;
        ViewFactory::Register(QStringLiteral("ATLFHISvr.ATLFHIObj"), [&](QWidget* parent) {
            auto* view = new RecordingView(parent);
            QTimer::singleShot(0, view, [&, view] { graphParams = view->param; });
            return view;
        });
        m_controller->RefreshStationGraph(true, 2);
        auto* graph = qobject_cast<frmDocument*>(m_controller->lastOpened());
        QVERIFY(graph);
        QCOMPARE(graph->windowTitle(), QStringLiteral("StationGraph"));
        QCOMPARE(graph->Tag(), QStringLiteral("StationGraph"));
        QCOMPARE(graph->m_ProgID, QStringLiteral("ATLFHISvr.ATLFHIObj"));
        auto* view = qobject_cast<RecordingView*>(graph->oControl());
        QVERIFY(view);
        QCOMPARE(view->param, QStringLiteral("<Params><DisplayMode>2</DisplayMode></Params>"));
        QCOMPARE(view->node, m_shell->gCurrentStation);
        QCOMPARE(m_env->log().Text(), QString());

        select(QStringLiteral("Key3"));
        m_controller->tvTreeView_DblClick();
        select(QStringLiteral("Key5"));
        m_controller->tvTreeView_DblClick();
        QCOMPARE(loadedNames(), (QStringList{QStringLiteral("frmDocument/StationGraph"),
                                             QStringLiteral("frmCommonSetting/")}));

        m_controller->RefreshStationGraph(false, 0);
        QCOMPARE(loadedNames(), QStringList{QStringLiteral("frmCommonSetting/")});
        m_controller->RefreshStationGraph(false, 0); // none open: nothing changes
        QCOMPARE(loadedNames(), QStringList{QStringLiteral("frmCommonSetting/")});
        ViewFactory::Unregister(QStringLiteral("ATLFHISvr.ATLFHIObj"));
    }

    void stationGraphWithoutItsViewShowsPlaceholder()
    {
        m_controller->RefreshStationGraph(true, 0);
        auto* graph = qobject_cast<frmDocument*>(m_controller->lastOpened());
        QVERIFY(graph);
        QCOMPARE(graph->m_ProgID, QStringLiteral("clsNotAvailable"));
        // The station element has Pos "0".
        QCOMPARE(graph->oControl()->findChild<QLabel*>(QStringLiteral("lblValuePos"))->text(), QStringLiteral("0"));
    }

    void placeholderShowsPosition_data()
    {
        QTest::addColumn<QString>("xml"); // "" for no element
        QTest::addColumn<QString>("pos");
        QTest::addColumn<QString>("type");
        QTest::newRow("Pos 5") << "<Device Pos=\"5\"/>" << "5" << "";
        QTest::newRow("no Pos") << "<Device/>" << "ValuePos" << "ValueType";
        QTest::newRow("empty Pos") << "<Device Pos=\"\"/>" << "ValuePos" << "ValueType";
        QTest::newRow("no element") << "" << "0" << "";
    }
    void placeholderShowsPosition()
    {
        QFETCH(QString, xml);
        QFETCH(QString, pos);
        QFETCH(QString, type);
        pugi::xml_document doc;
        doc.load_string(xml.toUtf8().constData());
        clsNotAvailable view;
        view.RefreshData(doc.first_child(), nullptr, QString());
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("lblValuePos"))->text(), pos);
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("lblValueType"))->text(), type);
        QVERIFY(!view.m_Online);
        QVERIFY(view.findChild<QWidget*>(QStringLiteral("ScrolledWindow1")));
        QVERIFY(view.findChild<QWidget*>(QStringLiteral("Frame1")));
    }

    void placeholderButtonCancelsAndCloses()
    {
        gCommon().setLanguageType(0);
        QCOMPARE(clsNotAvailable().findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
                 QStringLiteral("&Abbrechen"));
        gCommon().setLanguageType(1);
        auto* document = new frmDocument;
        m_area->addSubWindow(document)->show();
        QPointer<frmDocument> ref(document);
        pugi::xml_node none;
        document->fKonstructor(none, nullptr, QStringLiteral("No.SuchView"));
        auto* button = document->oControl()->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        QCOMPARE(button->text(), QStringLiteral("&Cancel"));
        button->click();
        QVERIFY(FormRegistry::IsLoaded(document)); // the event is handled once control returns
        QCoreApplication::processEvents();
        QVERIFY(!FormRegistry::IsLoaded(document));
        flushDeletes();
        QVERIFY(ref.isNull());
    }

    // Any event of a hosted view closes its window, also one raised inside RefreshData.
    void hostedViewEventClosesWindow_data()
    {
        QTest::addColumn<bool>("duringRefresh");
        QTest::newRow("after RefreshData") << false;
        QTest::newRow("inside RefreshData") << true;
    }
    void hostedViewEventClosesWindow()
    {
        QFETCH(bool, duringRefresh);
        RecordingView::raiseNext = duringRefresh;
        auto* document = new frmDocument;
        m_area->addSubWindow(document)->show();
        pugi::xml_node none;
        document->fKonstructor(none, nullptr, QStringLiteral("Test.RecordingView"), QStringLiteral("p"));
        QVERIFY(RecordingView::last);
        QCOMPARE(RecordingView::last->calls, 1);
        if (!duringRefresh)
            Q_EMIT RecordingView::last->SomethingChanged(1, QStringLiteral("x"));
        QVERIFY(FormRegistry::IsLoaded(document));
        QCoreApplication::processEvents();
        QVERIFY(!FormRegistry::IsLoaded(document));
    }

    void emptyProgIdLeavesWindowEmpty()
    {
        frmDocument document;
        pugi::xml_node none;
        QCOMPARE(document.fKonstructor(none, nullptr, QString()), 0);
        QVERIFY(document.oControl() == nullptr);
        QCOMPARE(document.m_ProgID, QString());
    }

    void secondViewReplacesTheFirst()
    {
        frmDocument document;
        pugi::xml_node none;
        document.fKonstructor(none, nullptr, QStringLiteral("Test.RecordingView"));
        QPointer<QWidget> first = document.oControl();
        document.fKonstructor(none, nullptr, QStringLiteral("Other.Missing"));
        QVERIFY(document.oControl() != first.data());
        flushDeletes();
        QVERIFY(first.isNull());
        QCOMPARE(document.findChildren<QWidget*>(QStringLiteral("oControl"), Qt::FindDirectChildrenOnly).size(), 1);
    }

    void fKonstructor2CallsTheNamedOperation()
    {
        frmDocument document;
        pugi::xml_node device = m_doc->select_node("Station/Devices/Device").node();
        document.fKonstructor2(device, &m_channel, QStringLiteral("Test.RecordingView"), QStringLiteral("OtherEntry"),
                               QStringLiteral("q"));
        QCOMPARE(document.m_Method, QStringLiteral("OtherEntry"));
        QCOMPARE(RecordingView::last->otherCalls, 1);
        QCOMPARE(RecordingView::last->calls, 0);
        QCOMPARE(RecordingView::last->node, device);
        QCOMPARE(RecordingView::last->param, QStringLiteral("q"));
        // An operation the view lacks is passed over; the view stays shown.
        document.fKonstructor2(device, &m_channel, QStringLiteral("Test.RecordingView"), QStringLiteral("Missing"));
        QVERIFY(document.oControl()->isVisibleTo(&document));
    }

    void resizeControlNeverGoesNegative_data()
    {
        QTest::addColumn<QSize>("inner"); // twips
        QTest::addColumn<QSize>("view");  // pixels
        QTest::newRow("100 by 300 twips") << QSize(100, 300) << QSize(0, 0);
        QTest::newRow("6000 by 4500 twips") << QSize(6000, 4500) << QSize(twipsToPx(5880), twipsToPx(4080));
    }
    void resizeControlNeverGoesNegative()
    {
        QFETCH(QSize, inner);
        QFETCH(QSize, view);
        frmDocument document;
        pugi::xml_node none;
        document.fKonstructor(none, nullptr, QStringLiteral("Test.RecordingView"));
        document.resize(twipsToPx(inner.width()), twipsToPx(inner.height()));
        document.ResizeControl();
        QCOMPARE(document.oControl()->geometry(), QRect(QPoint(0, 0), view));
    }

    void validateProbeCreatesWithoutRefresh()
    {
        frmDocument document;
        QVERIFY(!document.fValidateSpecificMenuItems(QStringLiteral("PicUploaderCtrl.View")));
        QCOMPARE(document.m_ProgID, QStringLiteral("PicUploaderCtrl.View"));
        QVERIFY(document.fValidateSpecificMenuItems(QStringLiteral("Test.RecordingView")));
        QVERIFY(document.oControl()->isHidden());
        QCOMPARE(RecordingView::last->calls, 0);
    }

    void commandDocumentsCountAndCaption()
    {
        m_german = true;
        m_controller->OpenViewDocument(QStringLiteral("RepDevSvr.RepPartsListView"), fCommandViewParams(0, 7, 0));
        QCOMPARE(subWindowTitle(m_controller->lastOpened()), QStringLiteral("Dokument 1"));
        m_controller->OpenViewDocument(QStringLiteral("RepDevSvr.RepPartsListView"));
        QCOMPARE(subWindowTitle(m_controller->lastOpened()), QStringLiteral("Dokument 2"));
        m_controller->OpenViewDocument(QStringLiteral("TD4VTerm.Functions"));
        QCOMPARE(subWindowTitle(m_controller->lastOpened()), QStringLiteral("Dienste"));
        m_german = false;
        m_controller->OpenViewDocument(QStringLiteral("TD4VTerm.Functions"));
        QCOMPARE(subWindowTitle(m_controller->lastOpened()), QStringLiteral("Services"));
        m_controller->OpenViewDocument(QStringLiteral("X.Y"));
        QCOMPARE(subWindowTitle(m_controller->lastOpened()), QStringLiteral("Document 5"));
        QCOMPARE(FormRegistry::Forms().size(), 1); // each opener closed the one before

        m_german = true;
        const pugi::xml_node node =
            m_controller->OpenViewDocument2(QStringLiteral("Test.RecordingView"), QStringLiteral("OtherEntry"));
        QCOMPARE(subWindowTitle(m_controller->lastOpened()), QStringLiteral("Document 1"));
        QVERIFY(!node);
        QCOMPARE(RecordingView::last->otherCalls, 1);
        QCOMPARE(RecordingView::last->channel, &m_channel);
    }

private:
    void select(const QString& key)
    {
        clsView* record = m_shell->gViews.Item(key);
        QVERIFY2(record, qPrintable(key));
        m_tree->setCurrentItem(record->TreeNode);
    }

    std::unique_ptr<TestEnv> m_env;
    ScriptedChannel m_channel;
    std::unique_ptr<ShellContext> m_shell;
    std::shared_ptr<pugi::xml_document> m_doc;
    std::unique_ptr<QMdiArea> m_area;
    std::unique_ptr<QTreeWidget> m_tree;
    std::unique_ptr<StationTreeController> m_controller;
    bool m_monitoring = false;
    bool m_german = false;
    int32_t m_displayMode = -1;
};

QTEST_MAIN(tst_ViewDispatch)
#include "tst_viewdispatch.moc"
