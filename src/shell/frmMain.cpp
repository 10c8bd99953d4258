#include "frmMain.h"

#include "MainWindowPlace.h"
#include "ShellContext.h"
#include "modViewDispatch.h"

#include "frmAbout.h"
#include "frmDocument.h"
#include "modCommands.h"
#include "modPaneSettings.h"
#include "platform/AppContext.h"
#include "platform/BusyScope.h"
#include "platform/FormRegistry.h"
#include "platform/LogBox.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <QToolBar>
#include <QTreeWidget>
#include <cstdlib>

namespace {
constexpr int DesignPaneWidth = 4580;  // left pane, twips
constexpr int DesignPaneHeight = 1575; // bottom pane, twips
constexpr int GripWidth = 100;
constexpr int SplitterStripHeight = 100;
constexpr int SplitterMargin = 500;    // the bar stays this far from either window edge

struct ToolButton {
    int position;
    const char* key;
    const char* toolTip;
    QStyle::StandardPixmap picture;
};
constexpr ToolButton ToolButtons[] = {
    {1, "NewProject", "", QStyle::SP_FileIcon},
    {2, "OpenProject", "", QStyle::SP_DialogOpenButton},
    {3, "SaveProject", "", QStyle::SP_DialogSaveButton},
    {4, "PrintProject", "", QStyle::SP_FileDialogDetailedView},
    {9, "OnlineLog", "Login", QStyle::SP_MediaPlay},
    {10, "OfflineLog", "Logout", QStyle::SP_MediaStop},
    {14, "Services", "Services", QStyle::SP_ComputerIcon},
    {18, "Baumansicht", "Baumansicht", QStyle::SP_DirOpenIcon},
    {19, "Berichtsbox", "Berichtsbox", QStyle::SP_FileDialogContentsView},
    {23, "Help", "Dokumentation", QStyle::SP_DialogHelpButton},
    {24, "Info", "Harmsted Info", QStyle::SP_MessageBoxInformation},
};

} // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent)
    , m_endProcess([] { std::_Exit(0); })
{
    setObjectName(QStringLiteral("frmMain"));
    createControls();
    if (AppContext* context = AppContext::current())
        context->tvTreeView = m_tvTreeView;
    createMenus();
    createToolBar();
    if (ShellContext::current() == nullptr)
        m_shellContext = std::make_unique<ShellContext>();
    // Online follows the project, whose commands object is made next.
    m_stationTree = new StationTreeController(
        m_tvTreeView, m_mdiArea, this, *ShellContext::current(),
        StationTreeHooks{[] { return false; }, [this] { return m_mnuOptionItem->isChecked(3); },
                         [this] { return m_mnuLanguageItem->isChecked(0); }, [this] { MDIForm_Resize(); },
                         [this](int32_t mode) { m_DisplayMode = mode; }},
        this);
    m_commands = std::make_unique<MainCommands>(*this);
    m_stationTree->hooks().online = [this] { return m_commands->gProject().Online(); };
    MDIForm_Load();
}

frmMain::~frmMain()
{
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
    // The log must not write into a box that is gone.
    if (AppContext* context = AppContext::current(); context && context->gLogBox == m_logBox.get())
        context->gLogBox = nullptr;
    if (AppContext* context = AppContext::current(); context && context->tvTreeView == m_tvTreeView)
        context->tvTreeView = nullptr;
}

void frmMain::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("MDIClient"));
    auto* grid = new QGridLayout(client);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    // Left pane: tree and grip are placed by hand, as the layout and the drag size them.
    m_picMDI = new QWidget(client);
    m_picMDI->setObjectName(QStringLiteral("picMDI"));
    m_picMDI->setFixedWidth(twipsToPx(DesignPaneWidth));
    m_tvTreeView = new QTreeWidget(m_picMDI);
    m_tvTreeView->setObjectName(QStringLiteral("tvTreeView"));
    m_tvTreeView->setHeaderHidden(true);
    // Long labels get a horizontal scroll bar instead of being cut: the station tree sizes the
    // column to them once it is built and when a node opens or closes.
    m_tvTreeView->header()->setStretchLastSection(false);
    m_tvTreeView->setGeometry(0, 0, twipsToPx(DesignPaneWidth - GripWidth), twipsToPx(DesignPaneHeight));
    m_imgSplitter = new QWidget(m_picMDI);
    m_imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    m_imgSplitter->setCursor(Qt::SizeHorCursor);
    m_imgSplitter->setGeometry(twipsToPx(DesignPaneWidth - GripWidth), 0, twipsToPx(GripWidth),
                               twipsToPx(DesignPaneHeight));
    m_imgSplitter->installEventFilter(this);
    // Over the client area, not in the pane: the bar stays visible where it leaves the pane.
    m_picSplitter = new QWidget(client);
    m_picSplitter->setObjectName(QStringLiteral("picSplitter"));
    m_picSplitter->setAutoFillBackground(true);
    QPalette bar = m_picSplitter->palette();
    bar.setColor(QPalette::Window, QColor(128, 128, 128));
    m_picSplitter->setPalette(bar);
    m_picSplitter->hide();
    m_picMDI->installEventFilter(this);

    m_mdiArea = new QMdiArea(client);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    // A view window wider or taller than the area can still be scrolled into sight.
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // Bottom pane: the strip lies under the report box, which covers the whole pane.
    m_picMDIHor = new QWidget(client);
    m_picMDIHor->setObjectName(QStringLiteral("picMDIHor"));
    m_picMDIHor->setFixedHeight(twipsToPx(DesignPaneHeight));
    m_picMDIHor->installEventFilter(this);
    m_imgSplitterHor = new QWidget(m_picMDIHor);
    m_imgSplitterHor->setObjectName(QStringLiteral("imgSplitterHor"));
    m_imgSplitterHor->setCursor(Qt::SizeVerCursor);
    m_picSplitterHor = new QWidget(m_picMDIHor);
    m_picSplitterHor->setObjectName(QStringLiteral("picSplitterHor"));
    m_picSplitterHor->hide();
    m_txtLogBox = new QPlainTextEdit(m_picMDIHor);
    m_txtLogBox->setObjectName(QStringLiteral("txtLogBox"));
    m_txtLogBox->setReadOnly(true);
    m_txtLogBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_imgSplitterHor->lower();
    m_logBox = std::make_unique<TextEditLogBox>(m_txtLogBox);

    grid->addWidget(m_picMDI, 0, 0);
    grid->addWidget(m_mdiArea, 0, 1);
    grid->addWidget(m_picMDIHor, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    setCentralWidget(client);

    m_sbStatusBar = new QStatusBar(this);
    m_sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    for (int i = 1; i <= 2; ++i) {
        auto* panel = new QLabel(m_sbStatusBar);
        panel->setObjectName(QStringLiteral("sbStatusBar(%1)").arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        if (i == 2)
            panel->setText(QStringLiteral("Offline")); // what the log-in and log-out set it to
        if (i == 1)
            m_sbStatusBar->addWidget(panel, 1);
        else
            m_sbStatusBar->addPermanentWidget(panel);
        m_statusPanels << panel;
    }
    setStatusBar(m_sbStatusBar);
}

QLabel* frmMain::statusPanel(int index) const
{
    return index >= 1 && index <= m_statusPanels.size() ? m_statusPanels.at(index - 1) : nullptr;
}

void frmMain::createMenus()
{
    QMenuBar* bar = menuBar();
    const auto topMenu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    const auto array = [this](const char* name, QMenu* menu) { return new MenuArray(QLatin1String(name), menu, this); };

    m_mnuMainItemProject = topMenu("mnuMainItemProject", QStringLiteral("&Projekt"));
    m_mnuProjectItem = array("mnuProjectItem", m_mnuMainItemProject);
    MenuArray& p = *m_mnuProjectItem;
    p.add(1, QStringLiteral("&Neu..."));
    p.add(2, QStringLiteral("Ö&ffnen..."));
    p.add(3, QStringLiteral("&Löschen..."));
    p.add(4, QStringLiteral("-"));
    p.add(5, QStringLiteral("&Sichern"));
    p.add(6, QStringLiteral("Sichern &unter..."));
    p.add(7, QStringLiteral("-"));
    p.add(8, QStringLiteral("&Import..."));
    p.add(9, QStringLiteral("E&xport..."));
    p.add(10, QStringLiteral("-"));
    p.add(11, QStringLiteral("Druck Eigensc&haften..."));
    p.add(12, QStringLiteral("&Drucken..."));
    p.add(13, QStringLiteral("-"));
    for (int i = 14; i <= 17; ++i) {
        p.add(i, QString());
        p.setVisible(i, false);
    }
    p.add(18, QStringLiteral("-"));
    p.add(19, QStringLiteral("Offline Mode"));
    p.add(20, QStringLiteral("-"));
    p.add(21, QStringLiteral("&Beenden"));
    for (int i : {5, 6, 8, 9})
        p.setEnabled(i, false);

    m_mnuMainItemOnline = topMenu("mnuMainItemOnline", QStringLiteral("O&nline"));
    m_mnuOnlineItem = array("mnuOnlineItem", m_mnuMainItemOnline);
    MenuArray& o = *m_mnuOnlineItem;
    o.add(1, QStringLiteral("&Einloggen"))->setShortcut(QKeySequence(Qt::Key_F11));
    o.add(2, QStringLiteral("&Ausloggen"))->setShortcut(QKeySequence(Qt::Key_F12));
    o.add(3, QStringLiteral("-"));
    o.add(4, QStringLiteral("&Prozeßabbild (zykl.)..."));
    o.add(6, QStringLiteral("-"));
    m_mnuOnlineTerminalItem = array("mnuOnlineTerminalItem", o.addSubmenu(7, QStringLiteral("K&lemmen")));
    m_mnuOnlineTerminalItem->add(0, QStringLiteral("Script Init..."));
    m_mnuOnlineCouplerItem = array("mnuOnlineCouplerItem", o.addSubmenu(8, QStringLiteral("K&oppler")));
    MenuArray& c = *m_mnuOnlineCouplerItem;
    c.add(0, QStringLiteral("&Dienste..."));
    c.add(1, QStringLiteral("-"));
    c.add(2, QStringLiteral("Script Init..."));
    c.add(4, QStringLiteral("-"));
    c.setVisible(4, false);
    c.add(5, QStringLiteral("Firmware Update..."));
    o.add(9, QStringLiteral("-"));
    m_mnuOnlineStationItem = array("mnuOnlineStationItem", o.addSubmenu(10, QStringLiteral("Station")));
    m_mnuOnlineStationItem->add(0, QStringLiteral("Einstellung speichern in Datei..."));
    m_mnuOnlineStationItem->add(1, QStringLiteral("Einstellungen aus Datei übertragen..."));
    m_mnuOnlineStationItem->setVisible(1, false);
    o.add(11, QStringLiteral("-"));
    m_mnuDevOnlyItem = array("mnuDevOnlyItem", o.addSubmenu(12, QStringLiteral("&DevOnly")));
    m_mnuDevOnlyItem->add(0, QStringLiteral("VN&6xxx Einstellung..."));
    m_mnuDevOnlyItem->add(1, QStringLiteral("VN&9xxx Einstellung..."));
    m_mnuDevOnlyItem->add(2, QStringLiteral("&Debug..."));
    o.add(13, QStringLiteral("-"));
    o.add(14, QStringLiteral("Firmware Load..."));
    o.add(15, QStringLiteral("Loader..."));
    o.add(16, QStringLiteral("&Konvertierung von Script Dateien in XML ..."));

    m_mnuMainItemOption = topMenu("mnuMainItemOption", QStringLiteral("&Optionen"));
    m_mnuOptionItem = array("mnuOptionItem", m_mnuMainItemOption);
    MenuArray& op = *m_mnuOptionItem;
    m_mnuLanguageItem = array("mnuLanguageItem", op.addSubmenu(0, QStringLiteral("&Sprache")));
    m_mnuLanguageItem->add(0, QStringLiteral("&Deutsch"));
    m_mnuLanguageItem->add(1, QStringLiteral("&Englisch"));
    m_mnuDevChannelItem = array("mnuDevChannelItem", op.addSubmenu(1, QStringLiteral("&Kommunikationskanal...")));
    MenuArray& ch = *m_mnuDevChannelItem;
    ch.add(0, QStringLiteral("via COM..."));
    ch.add(1, QStringLiteral("via QNP..."));
    ch.add(2, QStringLiteral("via HW4565..."));
    ch.add(3, QStringLiteral("via QNP with CV3..."));
    ch.setChecked(0, true);
    ch.setVisible(3, false);
    op.add(2, QStringLiteral("&Grafik der Station anzeigen"));
    op.setChecked(2, true);
    op.add(3, QStringLiteral("Online &Monitoring"));
    m_mnuOptionAnsichtItem = array("mnuOptionAnsichtItem", op.addSubmenu(4, QStringLiteral("&Ansicht")));
    m_mnuOptionAnsichtItem->add(0, QStringLiteral("Berichtsbox"));
    m_mnuOptionAnsichtItem->add(1, QStringLiteral("Baumansicht"));
    op.add(5, QStringLiteral("Erstelle neue XML-Geräte-Dateien"));

    m_mnuMainItemHelp = topMenu("mnuMainItemHelp", QStringLiteral("&Hilfe"));
    m_mnuHelpItem = array("mnuHelpItem", m_mnuMainItemHelp);
    MenuArray& h = *m_mnuHelpItem;
    h.add(1, QStringLiteral("&Hilfe-Assistent..."));
    h.add(2, QStringLiteral("-"));
    h.add(3, QStringLiteral("&Produkte..."));
    h.add(4, QStringLiteral("-"));
    h.add(5, QStringLiteral("&Info..."));
    h.setVisible(3, false);
    h.setVisible(4, false);
}

void frmMain::createToolBar()
{
    m_toolBarWidget = addToolBar(QStringLiteral("tbToolBar"));
    m_toolBarWidget->setObjectName(QStringLiteral("tbToolBar"));
    m_toolBarWidget->setMovable(false);
    m_toolBarWidget->setFloatable(false);
    m_toolBarWidget->installEventFilter(this);
    m_tbToolBar = new ToolbarButtons(m_toolBarWidget, this);
    ToolbarButtons& tb = *m_tbToolBar;
    // Blank pictures of the final size until the first paint: the style looks its pictures up
    // in the icon theme, which is slow, and the buttons keep their size when they come.
    QPixmap blank(m_toolBarWidget->iconSize());
    blank.fill(Qt::transparent);
    const QIcon placeholder(blank);

    int next = 0;
    for (int position = 1; position <= 24; ++position) {
        const ToolButton* b = next < int(std::size(ToolButtons)) && ToolButtons[next].position == position
            ? &ToolButtons[next++]
            : nullptr;
        if (b)
            tb.add(position, QLatin1String(b->key), QString::fromUtf8(b->toolTip), placeholder);
        else if (position == 5)
            tb.addPlaceholder(position, QStringLiteral("Seperator1"));
        else
            // One gap between two groups of buttons, however many positions it spans.
            tb.addPlaceholder(position)->setVisible(!tb.button(position - 1)->isSeparator());
    }
}

void frmMain::loadToolBarPictures()
{
    for (const ToolButton& b : ToolButtons)
        m_tbToolBar->button(b.position)->setIcon(style()->standardIcon(b.picture));
}

QString frmMain::readSetting(const QString& key, const QString& name, const QString& defaultValue)
{
    IRegistryAccess& registry = *app().gObjRegistry;
    QString value;
    if (registry.ReadValue(HKEY_CURRENT_USER, key, name, value))
        return value;
    (void)registry.WriteValue(HKEY_CURRENT_USER, key, name, defaultValue); // a failed write reads as empty below
    value.clear();
    if (!registry.ReadValue(HKEY_CURRENT_USER, key, name, value))
        return {};
    return value;
}

void frmMain::loadWindowRectangle(const QString& key)
{
    std::array<QString, 4> stored;
    for (int i = 0; i < 4; ++i)
        stored[i] = readSetting(key, MainWindowPlace::valueName(i), MainWindowPlace::defaultText(i));
    const QRect r = m_place.open(stored);
    move(r.topLeft());
    resize(r.size());
}

void frmMain::fitFrameIntoScreen()
{
    // A window manager's frame is known only once the window is shown.
    const QRect before(pos(), size());
    const std::optional<QRect> target = m_place.fitFrame(frameGeometry(), before);
    if (!target)
        return;
    move(target->topLeft());
    resize(target->size());
    m_place.fitted(before, QRect(pos(), size()));
}

void frmMain::MDIForm_Load()
{
    clsCommon& common = gCommon();
    const QString key = common.CompanyRegKey();

    loadWindowRectangle(key);

    m_mnuDevChannelItem->setVisible(2, false);
    switch (common.CompanyID()) {
    case 1:
        setWindowTitle(QStringLiteral("Linovo Design"));
        m_mnuDevChannelItem->setChecked(0, true);
        m_mnuDevChannelItem->setVisible(1, false);
        break;
    case 2:
        setWindowTitle(QStringLiteral("TD4700QVS Pro"));
        m_mnuDevChannelItem->setChecked(0, true);
        m_mnuDevChannelItem->setVisible(1, true);
        break;
    case 3:
        setWindowTitle(QStringLiteral("I/O-Planwerk"));
        m_mnuDevChannelItem->setChecked(0, true);
        m_mnuDevChannelItem->setVisible(1, true);
        break;
    default: setWindowTitle(QStringLiteral("TD4700")); break;
    }
    if (common.CompanyID() >= 1 && common.CompanyID() <= 3)
        m_mnuDevChannelItem->setVisible(2, false);

    LoadNewDoc();

    connect(&common, &clsCommon::ChangedDevChannel, this, &frmMain::TD4Common_ChangedDevChannel);

    loadStartLanguage(key);
    // Connected once the start language is set: the window is captioned once, here, not also
    // by the setting's event (every caption, the translation and the tree, twice at each start).
    connect(&common, &clsCommon::ChangedLanguage, this, &frmMain::TD4Common_ChangedLanguage);
    int32_t language = common.LanguageType();
    TD4Common_ChangedLanguage(language);
    fUpdateMenuState();
    RebuildStationTree();

    m_imgSplitterHor->setGeometry(0, 0, m_picMDIHor->width(), twipsToPx(SplitterStripHeight));
    m_txtLogBox->resize(m_picMDIHor->size());

    {
        frmDocument probe; // asked and dropped; it is never shown
        m_mnuOnlineItem->setVisible(15, probe.fValidateSpecificMenuItems(QStringLiteral("PicUploaderCtrl.View")));
    }

    for (int i = 0; i <= 3; ++i)
        m_mnuDevChannelItem->setChecked(i, false);
    m_mnuDevChannelItem->setChecked(common.devChannel(), true);

    m_mnuOptionItem->setChecked(2, false);
    if (readSetting(key, QStringLiteral("EnableGraphic"), QStringLiteral("1")) == QLatin1String("1"))
        m_mnuOptionItem->setChecked(2, true);
    const bool monitor = readSetting(key, QStringLiteral("EnableMonitor"), QStringLiteral("0")) == QLatin1String("1");
    m_mnuOptionItem->setChecked(3, monitor);
    m_DisplayMode = monitor ? 1 : 0;

    applyPaneSettings();

    MDIForm_Resize();
}

void frmMain::loadStartLanguage(const QString& key)
{
    IRegistryAccess& registry = *app().gObjRegistry;
    clsCommon& common = gCommon();
    QString machine;
    if (!registry.ReadValue(HKEY_LOCAL_MACHINE, key, QStringLiteral("Language"), machine)) {
        machine = QStringLiteral("1");
        (void)registry.WriteValue(HKEY_LOCAL_MACHINE, key, QStringLiteral("Language"), machine); // may fail harmlessly
    }
    // Exact comparisons: the settings object's own "0 " / "1 " never matches, and is rewritten anyway.
    QString user;
    if (machine == QLatin1String("1")) {
        if (registry.ReadValue(HKEY_CURRENT_USER, key, QStringLiteral("Language"), user) && user == QLatin1String("0"))
            (void)registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Language"), QStringLiteral("1"));
        common.setLanguageType(1);
    } else if (machine == QLatin1String("0")) {
        if (registry.ReadValue(HKEY_CURRENT_USER, key, QStringLiteral("Language"), user) && user == QLatin1String("1"))
            (void)registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Language"), QStringLiteral("0"));
        common.setLanguageType(0);
    }
}

void frmMain::applyPaneSettings()
{
    const std::optional<PaneSettings> panes = readPaneSettings(*app().store, gCommon().CompanyID());
    if (!panes)
        return;
    // The stored states are applied, not written back.
    m_picMDIHor->setVisible(panes->showMessagebox);
    m_tbToolBar->setValue(QStringLiteral("Berichtsbox"), panes->showMessagebox ? 1 : 0);
    m_mnuOptionAnsichtItem->setChecked(0, panes->showMessagebox);
    m_picMDI->setVisible(panes->showTreeView);
    m_tbToolBar->setValue(QStringLiteral("Baumansicht"), panes->showTreeView ? 1 : 0);
    m_mnuOptionAnsichtItem->setChecked(1, panes->showTreeView);
    m_mnuOptionItem->setChecked(5, panes->deleteDevices);
}

void frmMain::MDIForm_Activate() { m_tvTreeView->setFocus(); }

void frmMain::MDIForm_Resize()
{
    // The panes first take the room the bars and the other pane leave them; the tree and
    // its grip then fill the left pane's height (a fixed allowance for the window's
    // caption and borders left the tree short of its pane, or past it).
    if (QLayout* frame = layout())
        frame->activate();
    if (QLayout* client = centralWidget()->layout())
        client->activate();
    fitTreeToPane();
    m_imgSplitterHor->resize(frameGeometry().width(), m_imgSplitterHor->height());
    m_txtLogBox->resize(m_picMDIHor->size());
}

void frmMain::fitTreeToPane()
{
    const int height = m_picMDI->height();
    m_imgSplitter->resize(m_imgSplitter->width(), height);
    m_tvTreeView->resize(m_tvTreeView->width(), height);
}

void frmMain::picMDIHor_Resize()
{
    m_txtLogBox->resize(m_picMDIHor->size());
    MDIForm_Resize();
}

void frmMain::imgSplitter_MouseDown()
{
    const QRect grip = m_imgSplitter->geometry();
    const int gripWidth = pxToTwips(grip.width());
    m_picSplitter->setGeometry(m_picMDI->x() + grip.x(), m_picMDI->y() + grip.y(), twipsToPx(gripWidth / 2),
                               twipsToPx(pxToTwips(grip.height()) - 20));
    m_picSplitter->show();
    m_picSplitter->raise();
    mbMoving = true;
}

void frmMain::imgSplitter_MouseMove(int button, int shift, int x, int y)
{
    (void)button;
    (void)shift;
    (void)y;
    if (!mbMoving)
        return;
    const int pos = pxToTwips(m_imgSplitter->x()) + x;
    m_imgSplitter->move(twipsToPx(pos), m_imgSplitter->y());
    const int windowWidth = pxToTwips(frameGeometry().width());
    int barLeft = pos;
    if (pos < SplitterMargin)
        barLeft = SplitterMargin;
    else if (pos > windowWidth - SplitterMargin)
        barLeft = windowWidth - SplitterMargin;
    m_picSplitter->move(m_picMDI->x() + twipsToPx(barLeft), m_picSplitter->y());
}

void frmMain::imgSplitter_MouseUp()
{
    const int barLeft = m_picSplitter->x() - m_picMDI->x();
    m_picMDI->setFixedWidth(barLeft);
    m_tvTreeView->resize(barLeft, m_tvTreeView->height());
    SizeControls();
    m_picSplitter->hide();
    mbMoving = false;
}

void frmMain::SizeControls()
{
    const int treeWidth = pxToTwips(m_tvTreeView->width()) - GripWidth;
    m_tvTreeView->setGeometry(0, m_tvTreeView->y(), std::max(0, twipsToPx(treeWidth)), m_tvTreeView->height());
    m_imgSplitter->setGeometry(twipsToPx(treeWidth), 0, twipsToPx(GripWidth), m_picMDI->height());
}

void frmMain::LoadNewDoc()
{
    auto* document = new frmDocument;
    ++m_DocumentCount;
    document->setWindowTitle(QStringLiteral("Document ") + QString::number(m_DocumentCount));
    QMdiSubWindow* sub = m_mdiArea->addSubWindow(document);
    sub->resize(twipsToPx(6000), twipsToPx(4500));
    sub->show();
}

void frmMain::MDIForm_QueryUnload(bool& cancel, int unloadMode)
{
    (void)unloadMode; // whatever the reason
    // A log-in, an Apply waiting for the restart or a script run still uses the channel
    // and the forms the unload frees: the close comes when that work has ended.
    cancel = BusyScope::active();
    if (cancel && !m_closeHeld) {
        m_closeHeld = true;
        BusyScope::whenIdle(this, [this] {
            m_closeHeld = false;
            close();
        });
    }
}

void frmMain::MDIForm_Unload()
{
    AppContext& context = app();
    IRegistryAccess& registry = *context.gObjRegistry;
    clsCommon& common = gCommon();
    const QString key = common.CompanyRegKey();

    if (!isMinimized()) {
        const std::array<int, 4> twips = m_place.toStore(QRect(pos(), size()));
        for (int i = 0; i < 4; ++i)
            (void)registry.WriteValue(HKEY_CURRENT_USER, key, MainWindowPlace::valueName(i), QString::number(twips[i]));
    }
    (void)registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("EnableGraphic"),
                              m_mnuOptionItem->isChecked(2) ? QStringLiteral("1") : QStringLiteral("0"));
    (void)registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("EnableMonitor"),
                              m_mnuOptionItem->isChecked(3) ? QStringLiteral("1") : QStringLiteral("0"));
    QString firmware;
    if (registry.ReadValue(HKEY_CURRENT_USER, key, QStringLiteral("PathResFirmware"), firmware))
        (void)registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("PathResFirmware"), common.PathFolderResFirmware());

    // The forms first: closing a view may still use the channel (a cell editor it settles).
    for (QWidget* form : FormRegistry::Forms())
        if (form != this)
            FormRegistry::Unload(form);
    m_mdiArea->closeAllSubWindows();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w != this && !qobject_cast<QMenu*>(w))
            w->close();

    if (context.gObjDevChannel)
        (void)context.gObjDevChannel->PortClose(); // a failing close does not stop the sequence
    context.gObjDevChannel = nullptr;
    context.gObjDevCom.reset();
    context.m_objDevQnpObj.reset();
    context.gObjDevSrv.reset();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    MDIForm_QueryUnload(cancel, int(event->spontaneous() ? 0 : 1));
    if (cancel) {
        event->ignore();
        return;
    }
    MDIForm_Unload();
    event->accept();
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_frameFitted) {
        m_frameFitted = true;
        QTimer::singleShot(0, this, [this] {
            if (!isMaximized() && !isMinimized())
                fitFrameIntoScreen();
        });
    }
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    MDIForm_Resize();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        MDIForm_Activate();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_toolBarWidget && event->type() == QEvent::Paint && !m_picturesLoaded) {
        m_picturesLoaded = true;
        QTimer::singleShot(0, this, &frmMain::loadToolBarPictures); // once this paint is on the screen
    } else if (watched == m_picMDIHor && event->type() == QEvent::Resize) {
        picMDIHor_Resize();
    } else if (watched == m_picMDI && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        fitTreeToPane();
    } else if (watched == m_imgSplitter) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: imgSplitter_MouseDown(); break;
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            imgSplitter_MouseMove(int(e->buttons()), int(e->modifiers()), pxToTwips(p.x()), pxToTwips(p.y()));
            break;
        }
        case QEvent::MouseButtonRelease: imgSplitter_MouseUp(); break;
        default: break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::fEnd() { m_endProcess(); }

// Pane toggles: visibility, toolbar button, stored value, check mark, in that order.
void frmMain::noviewMessageBox()
{
    m_picMDIHor->hide();
    m_tbToolBar->setValue(QStringLiteral("Berichtsbox"), 0);
    SaveMessageboxOff();
    m_mnuOptionAnsichtItem->setChecked(0, false);
    // The left pane takes the freed height at once, and the tree with it.
    MDIForm_Resize();
}

void frmMain::viewMessageBox()
{
    m_picMDIHor->show();
    m_tbToolBar->setValue(QStringLiteral("Berichtsbox"), 1);
    SaveMessageboxOn();
    m_mnuOptionAnsichtItem->setChecked(0, true);
}

void frmMain::noviewTreeView()
{
    m_picMDI->hide();
    m_tbToolBar->setValue(QStringLiteral("Baumansicht"), 0);
    SaveTreeViewOff();
    m_mnuOptionAnsichtItem->setChecked(1, false);
}

void frmMain::viewTreeView()
{
    m_picMDI->show();
    m_tbToolBar->setValue(QStringLiteral("Baumansicht"), 1);
    SaveTreeViewOn();
    m_mnuOptionAnsichtItem->setChecked(1, true);
}

void frmMain::noDeleteDevices() { m_mnuOptionItem->setChecked(5, false); }
void frmMain::DeleteDevices() { m_mnuOptionItem->setChecked(5, true); }

namespace {
void savePaneFlag(const QString& name, bool on)
{
    savePaneValue(*app().store, gCommon().CompanyID(), name, on ? QStringLiteral("1") : QStringLiteral("0"));
}
} // namespace

void frmMain::SaveMessageboxOff() { savePaneFlag(QStringLiteral("Messagebox"), false); }
void frmMain::SaveMessageboxOn() { savePaneFlag(QStringLiteral("Messagebox"), true); }
void frmMain::SaveTreeViewOff() { savePaneFlag(QStringLiteral("TreeView"), false); }
void frmMain::SaveTreeViewOn() { savePaneFlag(QStringLiteral("TreeView"), true); }
void frmMain::SaveDeleteDevicesOff() { savePaneFlag(QStringLiteral("DeleteDevices"), false); }
void frmMain::SaveDeleteDevicesOn() { savePaneFlag(QStringLiteral("DeleteDevices"), true); }

void frmMain::SetHelpFile()
{
    HelpFileChoice choice;
    choice.companyId = gCommon().CompanyID();
    choice.englishChecked = m_mnuLanguageItem->isChecked(1);
    choice.germanChecked = m_mnuLanguageItem->isChecked(0);
    choice.resCommonFolder = gCommon().PathFolderResCommon();
    choice.programFolder = AppContext::programFolder();
    m_helpFile = chooseHelpFile(m_helpFile, choice);
}

void frmMain::HelpContents()
{
    SetHelpFile();
    IDialogs& dialogs = *app().dialogs;
    const bool german = m_mnuLanguageItem->isChecked(0);
    if (m_helpFile.isEmpty()) {
        dialogs.MsgBox(german ? QStringLiteral("Die Hilfe kann nicht angezeigt werden. "
                                               "Zu diesem Projekt gibt es keine Hilfe.")
                              : QStringLiteral("Unable to display Help Contents. "
                                               "There is no Help associated with this project."),
                       vbInformation | vbOKOnly, windowTitle());
        return;
    }
    // Naming the file tells the user what is missing; an empty error text told nothing.
    if (!QFileInfo(m_helpFile).isFile() || !dialogs.OpenDocument(m_helpFile))
        dialogs.MsgBox((german ? QStringLiteral("Die Hilfe kann nicht angezeigt werden. "
                                                "Die Hilfedatei \"%1\" lässt sich nicht öffnen.")
                               : QStringLiteral("Unable to display Help Contents. "
                                                "The help file \"%1\" cannot be opened."))
                           .arg(m_helpFile),
                       vbOKOnly);
}

void frmMain::applyQtTranslation(int32_t languageType)
{
    // Qt's own texts (standard buttons, file dialogs) follow the program's language.
    if (m_qtTranslator) {
        QCoreApplication::removeTranslator(m_qtTranslator.get());
        m_qtTranslator.reset();
    }
    if (languageType != 0)
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return; // without the translations package the standard buttons stay English
    QCoreApplication::installTranslator(translator.get());
    m_qtTranslator = std::move(translator);
}

void frmMain::ShowAboutBox()
{
    frmAbout about(this);
    about.exec();
}

// Where the language switch, the menu state and the station tree come in.
void frmMain::TD4Common_ChangedLanguage(int32_t& languageType) { m_commands->TD4Common_ChangedLanguage(languageType); }
void frmMain::TD4Common_ChangedDevChannel(int32_t& devChannel) { m_commands->TD4Common_ChangedDevChannel(devChannel); }
void frmMain::fUpdateMenuState() { m_commands->fUpdateMenuState(); }
clsProject& frmMain::gProject() { return m_commands->gProject(); }
void frmMain::RebuildStationTree() { m_stationTree->RebuildStationTree(); }

pugi::xml_node frmMain::OpenViewDocument(const QString& sProgID, const QString& vParam)
{
    return m_stationTree->OpenViewDocument(sProgID, vParam);
}

pugi::xml_node frmMain::OpenViewDocument2(const QString& sProgID, const QString& sMethod, const QString& vParam)
{
    return m_stationTree->OpenViewDocument2(sProgID, sMethod, vParam);
}

void frmMain::RefreshStationGraph(bool bOpen, int32_t nMode) { m_stationTree->RefreshStationGraph(bOpen, nMode); }
