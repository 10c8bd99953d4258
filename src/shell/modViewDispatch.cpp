#include "modViewDispatch.h"

#include "ShellContext.h"
#include "frmDocument.h"
#include "imgListTree.h"
#include "modTreeView.h"
#include "dataviews/frmCommonLocalUserSetting.h"
#include "dataviews/frmCommonSetting.h"
#include "dataviews/frmControllerSetting.h"
#include "dataviews/frmProcData.h"
#include "dataviews/frmTable.h"
#include "platform/AppContext.h"
#include "platform/FormRegistry.h"
#include "platform/FormSize.h"
#include "platform/Hourglass.h"
#include "platform/LogBox.h"
#include "platform/Twips.h"
#include "platform/UserInputBlock.h"
#include "platform/ViewContract.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

namespace {

constexpr int PaneWidth = 4380;       // twips, set at every rebuild
constexpr int TreeIndentation = 200;  // twips
constexpr int GripWidth = 100;        // twips
constexpr int DocumentWidth = 6000;   // twips, a new document window
constexpr int DocumentHeight = 4500;

constexpr int vbKeyReturn = 13;
constexpr int vbAltMask = 4;
constexpr int vbRightButton = 2;

const QString StationGraphTag = QStringLiteral("StationGraph");
const QString StationGraphProgID = QStringLiteral("ATLFHISvr.ATLFHIObj");

QString paramsHead(int32_t companyId, int32_t languageId)
{
    return QStringLiteral("<?xml version=\"1.0\" ?><Params><CompanyId>") + QString::number(companyId)
        + QStringLiteral("</CompanyId><LanguageId>") + QString::number(languageId) + QStringLiteral("</LanguageId>");
}

int shiftMask(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= vbAltMask;
    return mask;
}

void revealNode(QTreeWidgetItem* node)
{
    if (node == nullptr)
        return;
    for (QTreeWidgetItem* parent = node->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    if (QTreeWidget* tree = node->treeWidget())
        tree->scrollToItem(node);
}

} // namespace

QString fTreeViewParams(int32_t companyId, int32_t languageId, const QString& userData, int32_t displayMode)
{
    // Escaped so that a user data text from an edited description cannot break the XML.
    return paramsHead(companyId, languageId) + QStringLiteral("<UserData>") + userData.toHtmlEscaped()
        + QStringLiteral("</UserData><DisplayMode>") + QString::number(displayMode)
        + QStringLiteral("</DisplayMode></Params>");
}

QString fCommandViewParams(int32_t companyId, int32_t languageId, int32_t userData)
{
    return paramsHead(companyId, languageId) + QStringLiteral("<UserData>") + QString::number(userData)
        + QStringLiteral("</UserData></Params>");
}

QString fStationGraphParams(int32_t mode)
{
    if (mode < 0 || mode > 2)
        return {};
    return QStringLiteral("<Params><DisplayMode>") + QString::number(mode) + QStringLiteral("</DisplayMode></Params>");
}

bool fIsOwnFormProgID(const QString& progId)
{
    static const char* const keys[] = {"TableView", "TD4VCommon.Table", "CommonSetting", "CommonLocalUserSetting",
                                       "ControllerSetting", "ProcessData"};
    return std::any_of(std::begin(keys), std::end(keys), [&](const char* key) { return progId == QLatin1String(key); });
}

QWidget* fCreateOwnForm(const QString& progId, QWidget* parent)
{
    if (progId == QLatin1String("TableView") || progId == QLatin1String("TD4VCommon.Table"))
        return createFrmTable(parent);
    if (progId == QLatin1String("CommonSetting")) {
        auto* form = new frmCommonSetting(parent);
        // The view replaces the log-in's station when it recomputes the mapping.
        form->setStationNodeAccess({[] { return ShellContext::current() ? shell().gStationNode : pugi::xml_node(); },
                                    [](pugi::xml_node station) {
                                        if (ShellContext::current())
                                            shell().gStationNode = station;
                                    }});
        return form;
    }
    if (progId == QLatin1String("CommonLocalUserSetting"))
        return new frmCommonLocalUserSetting(parent);
    if (progId == QLatin1String("ControllerSetting"))
        return new frmControllerSetting(parent);
    if (progId == QLatin1String("ProcessData"))
        return new frmProcData(parent);
    return nullptr;
}

void CloseOtherForms()
{
    const QList<QWidget*> forms = FormRegistry::Forms();
    for (qsizetype i = forms.size() - 1; i >= 0; --i) {
        QWidget* form = forms[i];
        const QString name = form->objectName();
        if (name == QLatin1String("frmMain") || name == QLatin1String("frmSplash")
            || FormRegistry::Tag(form) == StationGraphTag)
            continue;
        FormRegistry::Unload(form);
        // A form in the middle of its work refuses; it must not outlive the station it works on.
        if (FormRegistry::IsLoaded(form))
            BusyScope::whenIdle(form, [form] { FormRegistry::Unload(form); });
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("frmSplash"))
            window->hide();
    // Without user input: a second click must not run a command on half-closed state.
    UserInputBlock::processPendingEvents();
}

StationTreeController::StationTreeController(QTreeWidget* tvTreeView, QMdiArea* mdiArea, QWidget* mainWindow,
                                             ShellContext& shell, StationTreeHooks hooks, QObject* parent)
    : QObject(parent)
    , m_tree(tvTreeView)
    , m_treeViewport(tvTreeView->viewport())
    , m_mdiArea(mdiArea)
    , m_mainWindow(mainWindow)
    , m_shell(shell)
    , m_hooks(std::move(hooks))
    , m_ownForms([](const QString& progId) { return fCreateOwnForm(progId); })
{
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] { tvTreeView_DblClick(); });
    // The column is sized on demand, once after a burst ("*" opens every node below one), not
    // by the header's measuring of every label as each node came in: that was most of a cold
    // log-in's own work.
    m_columnFit = new QTimer(this);
    m_columnFit->setSingleShot(true);
    m_columnFit->setInterval(0);
    connect(m_columnFit, &QTimer::timeout, this, [this] { m_tree->resizeColumnToContents(0); });
    connect(m_tree, &QTreeWidget::itemExpanded, m_columnFit, qOverload<>(&QTimer::start));
    connect(m_tree, &QTreeWidget::itemCollapsed, m_columnFit, qOverload<>(&QTimer::start));
    m_tree->installEventFilter(this);
    m_treeViewport->installEventFilter(this);
}

bool StationTreeController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            tvTreeView_KeyDown(vbKeyReturn, shiftMask(key->modifiers()));
            return true;
        }
    } else if (watched == m_treeViewport && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            tvTreeView_MouseDown(vbRightButton, shiftMask(mouse->modifiers()), pxToTwips(int(mouse->position().x())),
                                 pxToTwips(int(mouse->position().y())));
    }
    return QObject::eventFilter(watched, event);
}

void StationTreeController::layoutTreePane()
{
    auto* picMDI = m_mainWindow ? m_mainWindow->findChild<QWidget*>(QStringLiteral("picMDI")) : nullptr;
    m_tree->setRootIsDecorated(true);
    m_tree->setItemsExpandable(true);
    m_tree->setHeaderHidden(true);
    m_tree->setIndentation(twipsToPx(TreeIndentation));
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setIconSize(QSize(16, 16));
    if (picMDI == nullptr)
        return;
    picMDI->setFixedWidth(twipsToPx(PaneWidth));
    // The tree fills its pane: the status bar lies below the pane, not in it.
    m_tree->setGeometry(0, 0, twipsToPx(PaneWidth - GripWidth), picMDI->height());
    if (auto* grip = picMDI->findChild<QWidget*>(QStringLiteral("imgSplitter")))
        grip->setGeometry(m_tree->width(), 0, grip->width(), picMDI->height());
    if (auto* bar = m_mainWindow->findChild<QWidget*>(QStringLiteral("picSplitter")))
        bar->hide();
}

void StationTreeController::RebuildStationTree()
{
    HourglassGuard hourglass;
    layoutTreePane();
    m_shell.gViews.Clear();
    CloseOtherForms();
    m_tree->clear();
    const bool online = m_hooks.online && m_hooks.online();
    m_shell.gCurrentStation = online ? m_shell.gStationNode : app().gOfflineStation;
    if (m_shell.gCurrentStation) {
        if (m_imgListTree.isEmpty())
            m_imgListTree = fCreateTreeImages(); // drawn when first needed, not at start-up
        StationTreeTarget target{m_tree, &m_shell, &m_imgListTree};
        fBuildStationTree(target, m_shell.gCurrentStation);
    }
    // Nodes 1 and 2 in creation order: the tree starts at its top with the first device open.
    for (int i = 0; i < std::min(2, m_shell.gViews.Count()); ++i)
        revealNode(m_shell.gViews.At(i)->TreeNode);
    m_columnFit->stop();
    m_tree->resizeColumnToContents(0); // at once: the tree is shown sized
    m_tree->setFocus();
    if (m_hooks.resizeLayout)
        m_hooks.resizeLayout();
}

namespace {

QSize wantedInnerSize(const QWidget& form, QSize least)
{
    const QSize wanted = fFormPreferredSize(form);
    return wanted.isValid() ? wanted.expandedTo(least) : least;
}

void fitWindow(QWidget* form, QSize inner)
{
    if (!inner.isValid())
        return; // the form asks for nothing: its window stays as it is
    auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    if (area == nullptr) {
        QSize size = inner;
        if (const QScreen* screen = form->screen())
            size = size.boundedTo(screen->availableGeometry().size());
        form->resize(size);
        return;
    }
    // The frame (title bar and borders) comes on top; the area is the limit.
    const QSize room = area->viewport()->size();
    // A form's minimum size holds against the area too (the area then scrolls); the frame is
    // held to it also when the user resizes it.
    const QSize least = form->minimumSize().grownBy(sub->contentsMargins());
    sub->setMinimumSize(least);
    const QSize outer = inner.grownBy(sub->contentsMargins()).expandedTo(sub->size()).boundedTo(room).expandedTo(least);
    sub->resize(outer);
    const QPoint inside(std::clamp(sub->x(), 0, std::max(0, room.width() - outer.width())),
                        std::clamp(sub->y(), 0, std::max(0, room.height() - outer.height())));
    if (inside != sub->pos())
        sub->move(inside);
}

} // namespace

void fFitFormWindow(QWidget* form, QSize least)
{
    fitWindow(form, wantedInnerSize(*form, least));
}

void StationTreeController::showForm(QWidget* form, int defaultWidthTwips, int defaultHeightTwips)
{
    // Measured before the frame takes the form in and lays it out.
    const QSize inner = wantedInnerSize(*form, QSize(twipsToPx(defaultWidthTwips), twipsToPx(defaultHeightTwips)));
    if (m_mdiArea)
        m_mdiArea->addSubWindow(form);
    fitWindow(form, inner);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
        sub->show();
    else
        form->show();
}

frmDocument* StationTreeController::newDocument(const QString& caption, const QString& tag)
{
    auto* document = new frmDocument;
    document->setWindowTitle(caption);
    document->setTag(tag);
    showForm(document, DocumentWidth, DocumentHeight);
    return document;
}

void StationTreeController::tvTreeView_DblClick()
{
    HourglassGuard hourglass;
    m_lastOpened = nullptr;
    QTreeWidgetItem* node = m_tree->currentItem();
    clsView* record = m_shell.gViews.Item(fTreeNodeKey(node));
    if (record != nullptr) {
        // Copied first: the messages CloseOtherForms lets run may rebuild the records.
        pugi::xml_node element = record->IXmlData;
        QString progId = record->ViewProgID;
        const QString userData = record->UserData;
        CloseOtherForms();
        if (progId == QLatin1String("TD4VCommon.Table"))
            progId = QStringLiteral("TableView");
        const int32_t displayMode = (m_hooks.onlineMonitoring && m_hooks.onlineMonitoring()) ? 1 : 0;
        if (m_hooks.setDisplayMode)
            m_hooks.setDisplayMode(displayMode);
        const QString params = fTreeViewParams(gCommon().CompanyID(), gCommon().ThreadLocale(), userData, displayMode);
        IDeviceChannel* channel = app().gObjDevChannel;

        if (progId.isEmpty()) {
            // a device node: nothing opens
        } else if (fIsOwnFormProgID(progId)) {
            // Checked before the form is made: a form's constructor already does work.
            QWidget* form = userData.isEmpty() ? nullptr : m_ownForms(progId);
            if (form != nullptr) {
                FormRegistry::Load(form);
                showForm(form, DocumentWidth, DocumentHeight);
                if (auto* view = dynamic_cast<IRefreshData*>(form))
                    view->RefreshData(element, channel, params);
                fFitFormWindow(form); // a form may build its controls in RefreshData
                form->update();
                m_lastOpened = form;
            }
        } else {
            frmDocument* document = newDocument(QString());
            document->fKonstructor(element, channel, progId, params);
            fFitFormWindow(document);
            m_lastOpened = document;
        }
    }
    m_tree->setFocus();
}

void StationTreeController::tvTreeView_KeyDown(int keyCode, int shift)
{
    if (keyCode != vbKeyReturn)
        return; // Insert, Delete and every other key: nothing
    if (shift == 0)
        tvTreeView_DblClick();
    else if (shift == vbAltMask)
        tvTreeView_MouseDown(vbRightButton, 0, 0, 0);
}

void StationTreeController::tvTreeView_MouseDown(int button, int shift, int x, int y)
{
    (void)shift;
    (void)x;
    (void)y;
    if (button != vbRightButton)
        return;
    // The key of the selected node is read, and nothing follows: no context menu.
    (void)fTreeNodeKey(m_tree->currentItem());
}

pugi::xml_node StationTreeController::OpenViewDocument(const QString& sProgID, const QString& vParam)
{
    CloseOtherForms();
    const int32_t n = ++m_shell.m_ViewDocumentCount;
    const bool german = m_hooks.germanMenuChecked && m_hooks.germanMenuChecked();
    QString caption;
    if (sProgID == QLatin1String("TD4VTerm.Functions"))
        caption = german ? QStringLiteral("Dienste") : QStringLiteral("Services");
    else
        caption = (german ? QStringLiteral("Dokument ") : QStringLiteral("Document ")) + QString::number(n);
    frmDocument* document = newDocument(caption);
    pugi::xml_node node;
    document->fKonstructor(node, app().gObjDevChannel, sProgID, vParam);
    fFitFormWindow(document);
    m_lastOpened = document;
    return node;
}

pugi::xml_node StationTreeController::OpenViewDocument2(const QString& sProgID, const QString& sMethod,
                                                        const QString& vParam)
{
    CloseOtherForms();
    const int32_t n = ++m_shell.m_ViewDocument2Count;
    frmDocument* document = newDocument(QStringLiteral("Document ") + QString::number(n));
    pugi::xml_node node;
    document->fKonstructor2(node, app().gObjDevChannel, sProgID, sMethod, vParam);
    fFitFormWindow(document);
    m_lastOpened = document;
    return node;
}

void StationTreeController::RefreshStationGraph(bool bOpen, int32_t nMode)
{
    if (!bOpen) {
        const QList<QWidget*> forms = FormRegistry::Forms();
        for (qsizetype i = forms.size() - 1; i >= 0; --i)
            if (FormRegistry::Tag(forms[i]) == StationGraphTag)
                FormRegistry::Unload(forms[i]);
        UserInputBlock::processPendingEvents();
        return;
    }
    frmDocument* document = newDocument(StationGraphTag, StationGraphTag);
    pugi::xml_node station = m_shell.gCurrentStation;
    const int32_t rc = document->fKonstructor(station, app().gObjDevChannel, StationGraphProgID,
                                              fStationGraphParams(nMode));
    (void)rc; // always 0: a view that cannot be created is replaced by the placeholder, not reported
    fFitFormWindow(document);
    m_lastOpened = document;
}
