#include "modCommands.h"

#include "ShellContext.h"
#include "frmMain.h"
#include "modLanguage.h"
#include "modLogin.h"
#include "modMenuState.h"
#include "modStartup.h"
#include "modViewDispatch.h"

#include "channels/frmParamVnDcCOM.h"
#include "channels/frmParamVnDcHW4565.h"
#include "channels/frmParamVnDcQNP.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "platform/AppContext.h"
#include "platform/FileUtils.h"
#include "platform/FormRegistry.h"
#include "platform/LocaleInfo.h"
#include "platform/RegularFile.h"
#include "tools/frmFirmwareUpdate.h"
#include "tools/frmScript.h"
#include "tools/frmScriptInitCoupler.h"
#include "tools/frmScriptInitTerm.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidget>
#include <limits>

namespace {

MenuArray* arrayByName(frmMain& w, const QString& name)
{
    MenuArray* arrays[] = {&w.mnuProjectItem(),        &w.mnuOnlineItem(),       &w.mnuOnlineTerminalItem(),
                           &w.mnuOnlineCouplerItem(),  &w.mnuOnlineStationItem(), &w.mnuDevOnlyItem(),
                           &w.mnuOptionItem(),         &w.mnuLanguageItem(),     &w.mnuDevChannelItem(),
                           &w.mnuOptionAnsichtItem(),  &w.mnuHelpItem()};
    for (MenuArray* a : arrays)
        if (a->name() == name)
            return a;
    return nullptr;
}

QMenu* topMenuByName(frmMain& w, const QString& name)
{
    for (QMenu* m : {w.mnuMainItemProject(), w.mnuMainItemOnline(), w.mnuMainItemOption(), w.mnuMainItemHelp()})
        if (m && m->objectName() == name)
            return m;
    return nullptr;
}

// The check mark of an array follows a 16-bit index; a value that does not fit checks nothing.
void checkOnly(MenuArray& items, int32_t value)
{
    for (int i : items.indexes())
        items.setChecked(i, false);
    if (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max())
        items.setChecked(int16_t(value), true);
}

const char* const ChannelNames[] = {"COM", "QNP", "HW4565", "QNP"};

} // namespace

MainCommands::MainCommands(frmMain& window)
    : m_window(window)
    , m_login(std::make_unique<LoginHandler>(window))
{
    const auto wire = [this](MenuArray& items, void (MainCommands::*handler)(int16_t)) {
        connect(&items, &MenuArray::Click, this, handler);
    };
    wire(window.mnuProjectItem(), &MainCommands::mnuProjectItem_Click);
    wire(window.mnuOnlineItem(), &MainCommands::mnuOnlineItem_Click);
    wire(window.mnuOnlineTerminalItem(), &MainCommands::mnuOnlineTerminalItem_Click);
    wire(window.mnuOnlineCouplerItem(), &MainCommands::mnuOnlineCouplerItem_Click);
    wire(window.mnuOnlineStationItem(), &MainCommands::mnuOnlineStationItem_Click);
    wire(window.mnuOptionItem(), &MainCommands::mnuOptionItem_Click);
    wire(window.mnuLanguageItem(), &MainCommands::mnuLanguageItem_Click);
    wire(window.mnuDevChannelItem(), &MainCommands::mnuDevChannelItem_Click);
    wire(window.mnuOptionAnsichtItem(), &MainCommands::mnuOptionAnsichtItem_Click);
    wire(window.mnuHelpItem(), &MainCommands::mnuHelpItem_Click);
    // mnuDevOnlyItem has no handler: its items do nothing.
    connect(&window.tbToolBar(), &ToolbarButtons::ButtonClick, this, &MainCommands::tbToolBar_ButtonClick);
    // The handler runs inside the Online assignment.
    connect(&m_project, &clsProject::ProjectStateChangeOnline, this,
            [this](bool& online) { m_login->TD4Project_ProjectStateChangeOnline(online); }, Qt::DirectConnection);
}

MainCommands::~MainCommands() = default;

QString MainCommands::commandParams(int32_t userData) const
{
    return fCommandViewParams(gCommon().CompanyID(), gCommon().ThreadLocale(), userData);
}

template <typename Form>
Form* MainCommands::openDialog(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    CloseOtherForms();
    auto* form = new Form(&m_window);
    FormRegistry::Load(form);
    form->show();
    form->RefreshData(node, channel, param);
    m_lastOpened = form;
    return form;
}

template <typename Form>
Form* MainCommands::sharedInstance(QPointer<Form>& instance)
{
    // An unloaded instance may still wait for its deletion: it is not reused.
    if (!instance || !FormRegistry::IsLoaded(instance)) {
        Form* form = new Form(&m_window);
        instance = form;
        connect(form, &QDialog::finished, this, [&instance, form] {
            if (instance == form)
                instance = nullptr;
        });
    }
    FormRegistry::Load(instance);
    m_lastOpened = instance.data();
    return instance;
}

void MainCommands::logIn(int initialisations)
{
    for (int i = 0; i < initialisations; ++i)
        fInitDevChannel(app());
    m_project.setOnline(true);
}

void MainCommands::logOut()
{
    m_project.setOnline(false);
    m_window.mnuOptionItem().setEnabled(3, true);
}

void MainCommands::openServices()
{
    CloseOtherForms();
    m_window.OpenViewDocument(QStringLiteral("TD4VTerm.Functions"), commandParams(0));
}

void MainCommands::saveStationAs()
{
    // Nothing to save, or nowhere to: a cancelled dialog is no failure.
    const pugi::xml_node station = shell().gCurrentStation;
    if (!station)
        return;
    QString path;
    ShowSaveStationDialog(path);
    if (path.isEmpty())
        return;
    const FileWrite written = fSaveOwnerDocument(station, path);
    if (!written)
        AppendLogText(app().gLogBox, (localeIsEnglish() ? QStringLiteral("Station could not be saved (%1): ")
                                                         : QStringLiteral("Station konnte nicht gespeichert werden (%1): "))
                                             .arg(fileWriteFailureReason(written))
                                         + path + QStringLiteral("\r\n"));
}

void MainCommands::mnuProjectItem_Click(int16_t index)
{
    switch (index) {
    case 6: saveStationAs(); break;
    case 19:
        CloseOtherForms();
        m_window.OpenViewDocument(QStringLiteral("OfflineMode.Editor"), QStringLiteral("0"));
        break;
    case 21: m_window.fEnd(); break;
    default: break;
    }
}

void MainCommands::mnuOnlineItem_Click(int16_t index)
{
    fInitDevChannel(app());
    AppContext& context = app();
    switch (index) {
    case 1: logIn(1); break; // the second initialisation of a menu log-in
    case 2: logOut(); break;
    case 14:
        openDialog<frmFirmwareUpdate>(shell().gCurrentStation, context.gObjDevChannel, QStringLiteral("FIRMWARE_LOAD"));
        break;
    case 15:
        CloseOtherForms();
        m_window.OpenViewDocument(QStringLiteral("PicUploaderCtrl.View"), QStringLiteral("0"));
        break;
    case 16: {
        CloseOtherForms();
        auto* form = new frmScript(&m_window);
        form->show();
        form->Load();
        m_lastOpened = form;
        break;
    }
    default: break;
    }
}

void MainCommands::mnuOnlineTerminalItem_Click(int16_t index)
{
    if (index != 0)
        return;
    CloseOtherForms();
    frmScriptInitTerm* form = sharedInstance(m_frmScriptInitTerm);
    form->RefreshData(shell().gCurrentStation, app().gObjDevChannel, QString());
    if (form->isVisible())
        m_window.RefreshStationGraph(false, 0);
}

void MainCommands::mnuOnlineCouplerItem_Click(int16_t index)
{
    fInitDevChannel(app());
    IDeviceChannel* channel = app().gObjDevChannel;
    switch (index) {
    case 0: openServices(); break;
    case 2: openDialog<frmScriptInitCoupler>(shell().gCurrentStation, channel, QString()); break;
    case 5: openDialog<frmFirmwareUpdate>(shell().gCurrentStation, channel, QStringLiteral("FIRMWARE_UPDATE")); break;
    default: break;
    }
}

void MainCommands::mnuOnlineStationItem_Click(int16_t index)
{
    switch (index) {
    case 0:
        // Which view this item is to open is not settled; it cannot be reached from the menus.
        m_window.OpenViewDocument2(QStringLiteral("OfflineMode"), QStringLiteral("TableSync"), commandParams(0));
        break;
    case 1: m_window.OpenViewDocument(QStringLiteral("OfflineMode.TableSync"), commandParams(1)); break;
    default: break;
    }
}

void MainCommands::mnuDevChannelItem_Click(int16_t index)
{
    AppContext& context = app();
    // Moves the check mark before the dialog opens; "Device" is written only when the dialog saves.
    gCommon().setDevChannel(index);
    CloseOtherForms();
    const QString company = gCommon().CompanyName();
    switch (index) {
    case 0:
        if (!context.gObjDevCom && context.channelFactory)
            context.gObjDevCom = context.channelFactory->createSerialChannel();
        sharedInstance(m_frmParamVnDcCOM)->RefreshData({}, context.gObjDevCom.get(), company);
        break;
    case 1:
        if (!context.m_objDevQnpObj && context.channelFactory)
            context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        sharedInstance(m_frmParamVnDcQNPCV3)->RefreshData({}, context.m_objDevQnpObj.get(), company);
        break;
    case 2: sharedInstance(m_frmParamVnDcHW4565)->RefreshData({}, context.gObjDevChannel, company); break;
    case 3:
        if (!context.m_objDevQnpObj && context.channelFactory)
            context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        sharedInstance(m_frmParamVnDcQNP)->RefreshData({}, context.m_objDevQnpObj.get(), company);
        break;
    default: break;
    }
    const QString name = index >= 0 && index < 4 ? QLatin1String(ChannelNames[index]) : QString();
    AppendLogText(context.gLogBox, QStringLiteral("Device communication channel switched to ") + name + QStringLiteral("\r\n"));
}

void MainCommands::mnuOptionItem_Click(int16_t index)
{
    MenuArray& options = m_window.mnuOptionItem();
    switch (index) {
    case 2:
    case 3: options.setChecked(index, !options.isChecked(index)); break;
    case 5:
        options.setChecked(5, !options.isChecked(5));
        if (options.isChecked(5))
            m_window.SaveDeleteDevicesOn();
        else
            m_window.SaveDeleteDevicesOff();
        break;
    default: break;
    }
}

void MainCommands::mnuOptionAnsichtItem_Click(int16_t index)
{
    switch (index) {
    case 0:
        if (!m_window.picMDIHor()->isHidden())
            m_window.noviewMessageBox();
        else
            m_window.viewMessageBox();
        break;
    case 1:
        if (!m_window.picMDI()->isHidden())
            m_window.noviewTreeView();
        else
            m_window.viewTreeView();
        break;
    default: break;
    }
}

void MainCommands::mnuLanguageItem_Click(int16_t index)
{
    const QString key = gCommon().CompanyRegKey();
    gCommon().setLanguageType(index);
    // The machine-wide value decides the language of the next start.
    if (index == 0 || index == 1)
        (void)app().gObjRegistry->WriteValue(HKEY_LOCAL_MACHINE, key, QStringLiteral("Language"),
                                             QString::number(index)); // a failed write is passed over
    m_window.tvTreeView()->setFocus();
}

void MainCommands::mnuHelpItem_Click(int16_t index)
{
    if (index == 1)
        m_window.HelpContents();
    else if (index == 5)
        m_window.ShowAboutBox();
}

void MainCommands::tbToolBar_ButtonClick(const QString& key)
{
    if (key == QLatin1String("SaveProject"))
        mnuProjectItem_Click(6);
    else if (key == QLatin1String("OnlineLog"))
        logIn(1);
    else if (key == QLatin1String("OfflineLog"))
        logOut();
    else if (key == QLatin1String("Services"))
        openServices(); // unlike the menu item, without re-initialising the channel
    else if (key == QLatin1String("Baumansicht"))
        mnuOptionAnsichtItem_Click(1);
    else if (key == QLatin1String("Berichtsbox"))
        mnuOptionAnsichtItem_Click(0);
    else if (key == QLatin1String("Help"))
        m_window.HelpContents();
    else if (key == QLatin1String("Info"))
        mnuHelpItem_Click(5);
    // "NewProject", "OpenProject", "PrintProject", unkeyed positions: nothing.
}

void MainCommands::fUpdateMenuState()
{
    const MenuStateInputs inputs{gCommon().AccessLevel(), m_project.Online(), gCommon().CompanyID()};
    fApplyMenuStateWrites(fMenuStateWrites(inputs), [this](const QString& target, int index) -> QAction* {
        if (target == QLatin1String(ToolbarTarget))
            return m_window.tbToolBar().button(index);
        MenuArray* items = arrayByName(m_window, target);
        return items ? items->item(index) : nullptr;
    });
}

void MainCommands::TD4Common_ChangedDevChannel(int32_t& devChannel)
{
    checkOnly(m_window.mnuDevChannelItem(), devChannel);
}

void MainCommands::TD4Common_ChangedLanguage(int32_t& languageType)
{
    const int32_t language = languageType;
    clsCommon& common = gCommon();
    m_window.setHelpFile(fLanguageHelpFile(m_window.helpFile(), common.CompanyID(), language,
                                           common.PathFolderResCommon(), AppContext::programFolder()));
    checkOnly(m_window.mnuLanguageItem(), language);
    m_window.applyQtTranslation(language);
    AppendLogText(app().gLogBox, fLanguageSwitchLogLine(language));
    m_window.setWindowTitle(fMainWindowCaption(common.CompanyID()));

    for (const MenuCaption& caption : fMenuCaptions()) {
        const QString text = fMenuCaptionText(caption, language);
        const QString target = QLatin1String(caption.target);
        if (caption.index < 0) {
            if (QMenu* menu = topMenuByName(m_window, target))
                menu->setTitle(text);
        } else if (MenuArray* items = arrayByName(m_window, target)) {
            items->setCaption(caption.index, text);
        }
    }
    for (const ToolbarTooltip& tooltip : fToolbarTooltips())
        if (QAction* button = m_window.tbToolBar().button(tooltip.position))
            button->setToolTip(fToolbarTooltipText(tooltip, language));

    m_window.RebuildStationTree();
}
