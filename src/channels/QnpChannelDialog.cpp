#include "QnpChannelDialog.h"

#include "AddressValidation.h"
#include "ChannelDialogSupport.h"
#include "LongIntegerBox.h"
#include "SearchAnimation.h"
#include "platform/UserInputBlock.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"
#include "platform/VbConvert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

constexpr uint32_t kFileRouteColour = 0x33CC00;     // green
constexpr uint32_t kRegistryRouteColour = 0xFF6633; // blue

const Route kUserDefinedRoute{kUserDefinedRouteName, QStringLiteral("10.0.0.1.1.1"), QStringLiteral("10.0.0.1"),
                              kRouteKindRegistry};
// The plain dialog's first list line: column header and user-defined choice at once.
const QString kRemoteDevicesHeader = QStringLiteral("User-Defined\tRtnNetId\tIP Address");
// Marks the template row (and the plain list's header line): a stored route may
// carry any text, the template's included.
constexpr int kTemplateRole = Qt::UserRole + 1;

int32_t numberOf(const QString& text) { return vbRound(vbVal(text)); }

// Draws a list line's TAB-separated parts at fixed stops given in dialog
// units (a quarter of the average character width).
class TabStopDelegate : public QStyledItemDelegate {
public:
    TabStopDelegate(QList<int> stops, QObject* parent) : QStyledItemDelegate(parent), m_stops(std::move(stops)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QStringList parts = opt.text.split(QLatin1Char('\t'));
        const QList<int> columns = columnsOf(parts, opt.fontMetrics);
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                             : QPalette::Text));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const int x = opt.rect.left() + kMargin + columns[i];
            painter->drawText(QRect(x, opt.rect.top(), opt.rect.right() - x, opt.rect.height()),
                              Qt::AlignVCenter | Qt::AlignLeft, parts[i]);
        }
        painter->restore();
    }

    // As wide as the line drawn, so a list with a longer line can be scrolled to its end.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QStringList parts = opt.text.split(QLatin1Char('\t'));
        const int width = columnsOf(parts, opt.fontMetrics).last() + opt.fontMetrics.horizontalAdvance(parts.last());
        return {width + 2 * kMargin, QStyledItemDelegate::sizeHint(option, index).height()};
    }

private:
    static constexpr int kMargin = 3;

    QList<int> columnsOf(const QStringList& parts, const QFontMetrics& metrics) const
    {
        const int unit = metrics.averageCharWidth();
        QList<int> stops, widths;
        for (int stop : m_stops)
            stops << stop * unit / 4;
        for (const QString& part : parts)
            widths << metrics.horizontalAdvance(part);
        return tabStopColumns(widths, stops);
    }

    QList<int> m_stops;
};

QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QLineEdit* makeEdit(const QString& text, QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    return edit;
}

QPushButton* makeButton(const QString& text, QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QTreeWidget* makeRouteList(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    return list;
}

QTreeWidgetItem* addRouteRow(QTreeWidget* list, const Route& route)
{
    auto* item = new QTreeWidgetItem(list, {route.name, route.netId, route.address, route.kind});
    const QColor colour = vbColor(route.kind == kRouteKindFile ? kFileRouteColour : kRegistryRouteColour);
    for (int column = 0; column < 4; ++column)
        item->setForeground(column, colour);
    return item;
}

// The plain dialog's template: padded, so choosing it takes "10.0.0.1" as the net id.
void addUserDefinedDevice(QComboBox* combo)
{
    combo->addItem(remoteDeviceRow(kUserDefinedRouteName, QStringLiteral("10.0.0.1")));
}

void addTemplateRow(QTreeWidget* list) { addRouteRow(list, kUserDefinedRoute)->setData(0, kTemplateRole, true); }

// The whole line is the tooltip: a long part may still run past the list's edge.
QListWidgetItem* addRouteLine(QListWidget* list, const QString& line)
{
    auto* item = new QListWidgetItem(line, list);
    item->setToolTip(QString(line).replace(QLatin1Char('\t'), QStringLiteral("   ")));
    return item;
}

// An option's installed component, for the user to see; the frame itself only informs.
void applyRouteOptions(const std::array<QRadioButton*, 2>& options, const QnpInstallFlags& flags)
{
    options[0]->setProperty("available", flags.runtime2);
    options[1]->setProperty("available", flags.library);
    const RouteOptionState state = routeOptionRule(flags);
    if (state.routerEnabled)
        options[0]->setEnabled(*state.routerEnabled);
    if (state.directEnabled)
        options[1]->setEnabled(*state.directEnabled);
    if (state.selected >= 0)
        options[size_t(state.selected)]->setChecked(true);
}

} // namespace

QnpChannelDialog::QnpChannelDialog(QnpVariant variant, const QString& formName, QWidget* parent)
    : ScrolledDialog(parent)
    , m_variant(variant)
    , SSTab1(new QTabWidget(ScrolledWindow1))
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form1"));
    resize(560, 452);

    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(8, 8, 536, 380);
    auto* connection = new QWidget;
    auto* routes = new QWidget;
    SSTab1->addTab(connection, isCV3() ? QStringLiteral("QNP Connection") : QStringLiteral("QNP "));
    SSTab1->addTab(routes, isCV3() ? QStringLiteral("RTN Router") : QStringLiteral("RTNROUTER"));

    // The hints sit below the tabs: the net id hint serves fields on both.
    lblMessageRtnNetId = makeLabel({}, ScrolledWindow1, QStringLiteral("lblMessageRtnNetId"), {8, 392, 536, 20});
    lblMessageIpAddress = makeLabel({}, ScrolledWindow1, QStringLiteral("lblMessageIpAddress"), {8, 414, 536, 20});
    lblMessageRtnNetId->hide();
    lblMessageIpAddress->hide();

    buildConnectionTab(connection);
    buildRouteTab(routes);

    // The connection's own buttons: the route tab has its Save and Close.
    cmdTest = makeButton(QStringLiteral("&Test"), connection, QStringLiteral("cmdTest"), {8, 308, 90, 28});
    Animation1 = makeLabel({}, connection, QStringLiteral("Animation1"), {106, 306, 48, 32});
    m_animation = new SearchAnimation(Animation1);
    cmdCancel = makeButton(QStringLiteral("&Abbruch"), connection, QStringLiteral("cmdCancel"), {340, 308, 88, 28});
    cmdOK = makeButton(QStringLiteral("&OK"), connection, QStringLiteral("cmdOK"), {436, 308, 88, 28});
    connect(cmdOK, &QPushButton::clicked, this, &QnpChannelDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QnpChannelDialog::cmdCancel_Click);
    connect(cmdTest, &QPushButton::clicked, this, &QnpChannelDialog::cmdTest_Click);
    ScrolledWindow1->FitToForm();
}

QnpChannelDialog::~QnpChannelDialog() = default;

void QnpChannelDialog::buildConnectionTab(QWidget* page)
{
    lblSelectedPort[0] = makeLabel(QStringLiteral("RtnServerNetId"), page, QStringLiteral("lblSelectedPort_0"), {12, 17, 110, 18});
    editIpAddr[0] = makeEdit(QStringLiteral("000"), page, QStringLiteral("editIpAddr_0"), {126, 14, 170, 24});
    lblSelectedPort[1] = makeLabel(QStringLiteral("QnpPort"), page, QStringLiteral("lblSelectedPort_1"), {12, 47, 110, 18});
    editIpAddr[4] = makeEdit({}, page, QStringLiteral("editIpAddr_4"), {126, 44, 80, 24});
    lblSelectedPort[5] = makeLabel(QStringLiteral("Timeout:"), page, QStringLiteral("lblSelectedPort_5"), {12, 77, 110, 18});
    fpLITimeOut = new LongIntegerBox(kMinTimeoutMs, kMaxTimeoutMs, page);
    fpLITimeOut->setObjectName(QStringLiteral("fpLITimeOut"));
    fpLITimeOut->setGeometry(126, 74, 110, 24);
    lblSelectedPort[6] = makeLabel(QStringLiteral("Multipoint:"), page, QStringLiteral("lblSelectedPort_6"), {12, 107, 110, 18});
    fpLImultiPoint = new LongIntegerBox(0, kMaxMultiPoint, page);
    fpLImultiPoint->setObjectName(QStringLiteral("fpLImultiPoint"));
    fpLImultiPoint->setGeometry(126, 104, 110, 24);
    m_netIdFilter = new AddressFieldFilter(AddressKind::RtnNetId, editIpAddr[0], lblMessageRtnNetId, this);

    if (isCV3()) {
        fraConnectionAvailability = new QGroupBox(QStringLiteral("Verfügbarkeit der QNP Verbindung"), page);
        fraConnectionAvailability->setObjectName(QStringLiteral("fraConnectionAvailability"));
        fraConnectionAvailability->setGeometry(306, 8, 218, 124);
        static const char* const captions[3] = {"Corvane 2 Installed", "Corvane 3.1 Installed", "CvQnpdll.dll Installed"};
        for (int i = 0; i < 3; ++i) {
            chkIsInstalledCorvane[i] = new QCheckBox(QString::fromLatin1(captions[i]), fraConnectionAvailability);
            chkIsInstalledCorvane[i]->setObjectName(QStringLiteral("chkIsInstalledCorvane_%1").arg(i));
            chkIsInstalledCorvane[i]->setGeometry(10, 26 + i * 30, 200, 22);
        }
        listViewRoutedDevicesToConnect = makeRouteList(page, QStringLiteral("listViewRoutedDevicesToConnect"), {8, 142, 516, 156});
        connect(listViewRoutedDevicesToConnect, &QTreeWidget::itemClicked, this,
                [this](QTreeWidgetItem* item) { listViewRoutedDevicesToConnect_Click(item); });
        return;
    }
    fraCommWay = new QGroupBox(QStringLiteral("Route:"), page);
    fraCommWay->setObjectName(QStringLiteral("fraCommWay"));
    fraCommWay->setGeometry(306, 8, 218, 94);
    static const char* const options[2] = {"Corvane RTN Router", "Direct TCP/IP"};
    for (int i = 0; i < 2; ++i) {
        optQnpComWay[i] = new QRadioButton(QString::fromLatin1(options[i]), fraCommWay);
        optQnpComWay[i]->setObjectName(QStringLiteral("optQnpComWay_%1").arg(i));
        optQnpComWay[i]->setGeometry(10, 28 + i * 30, 200, 22);
    }
    comboRtnServerNetId = new QComboBox(page);
    comboRtnServerNetId->setObjectName(QStringLiteral("comboRtnServerNetId"));
    comboRtnServerNetId->setGeometry(12, 142, 400, 24);
    // The rows line up by blanks, so they need even character widths.
    comboRtnServerNetId->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(comboRtnServerNetId, &QComboBox::activated, this, [this] { comboRtnServerNetId_Click(); });
}

void QnpChannelDialog::buildRouteTab(QWidget* page)
{
    fraDummyRTN = new QGroupBox(isCV3() ? QStringLiteral("Remote Geräte") : QString(), page);
    fraDummyRTN->setObjectName(QStringLiteral("fraDummyRTN"));
    fraDummyRTN->setGeometry(8, 8, 300, isCV3() ? 180 : 150);
    const int top = isCV3() ? 26 : 16;
    struct Row { int labelIndex; const char* caption; int fieldIndex; const char* text; };
    const Row rows[3] = {{0, "RtnNetId:", 0, isCV3() ? "10.0.0.1.1.1" : "0.0.0.0.1.1"},
                         {7, "Name:", 1, "User-Defined"},
                         {3, "IP Adresse:", 2, isCV3() ? "10.0.0.1" : "0.0.0.0"}};
    for (int i = 0; i < 3; ++i) {
        const int y = top + i * 30;
        lblSelectedPortRTN[size_t(rows[i].labelIndex)] =
            makeLabel(QString::fromUtf8(rows[i].caption), fraDummyRTN,
                      QStringLiteral("lblSelectedPortRTN_%1").arg(rows[i].labelIndex), {10, y + 3, 100, 18});
        editIpAddrRTN[size_t(rows[i].fieldIndex)] =
            makeEdit(QString::fromLatin1(rows[i].text), fraDummyRTN,
                     QStringLiteral("editIpAddrRTN_%1").arg(rows[i].fieldIndex), {112, y, 176, 24});
    }
    int y = top + 90;
    if (isCV3()) {
        lblSelectedPortRTN[1] = makeLabel(QStringLiteral("Route:"), fraDummyRTN, QStringLiteral("lblSelectedPortRTN_1"), {10, y + 3, 100, 18});
        cmbRoute = new QComboBox(fraDummyRTN);
        cmbRoute->setObjectName(QStringLiteral("cmbRoute"));
        cmbRoute->setGeometry(112, y, 176, 24);
        cmbRoute->setEditable(true);
        cmbRoute->addItems({kRouteKindRegistry, kRouteKindFile});
        cmbRoute->setCurrentText(kRouteKindRegistry);
        y += 30;
    }
    lblSelectedPort[2] = makeLabel(QStringLiteral("Qnp Port:"), fraDummyRTN, QStringLiteral("lblSelectedPort_2"), {10, y + 3, 100, 18});
    editIpAddr[1] = makeEdit(QStringLiteral("000"), fraDummyRTN, QStringLiteral("editIpAddr_1"), {112, y, 80, 24});
    editIpAddr[1]->setReadOnly(true); // shows the configured port; no operation takes it from here

    m_routeNetIdFilter = new AddressFieldFilter(AddressKind::RtnNetId, editIpAddrRTN[0], lblMessageRtnNetId, this);
    m_routeIpFilter = new AddressFieldFilter(AddressKind::IpAddress, editIpAddrRTN[2], lblMessageIpAddress, this);
    for (QLineEdit* field : editIpAddrRTN)
        field->installEventFilter(this);

    cmdSaveRTN = makeButton(QStringLiteral("&Speichern"), page, QStringLiteral("cmdSaveRTN"), {320, isCV3() ? 16 : 100, 120, 28});
    connect(cmdSaveRTN, &QPushButton::clicked, this, &QnpChannelDialog::cmdSaveRTN_Click);
    cmdCancelRTN = makeButton(QStringLiteral("&Beenden"), page, QStringLiteral("cmdCancelRTN"), {320, isCV3() ? 88 : 134, 120, 28});
    connect(cmdCancelRTN, &QPushButton::clicked, this, &QnpChannelDialog::cmdCancelRTN_Click);

    if (isCV3()) {
        cmdDeleteRoute = makeButton(QStringLiteral("&Delete"), page, QStringLiteral("cmdDeleteRoute"), {320, 52, 120, 28});
        connect(cmdDeleteRoute, &QPushButton::clicked, this, &QnpChannelDialog::cmdDeleteRoute_Click);
        listViewRoutedDevices = makeRouteList(page, QStringLiteral("listViewRoutedDevices"), {8, 196, 516, 142});
        connect(listViewRoutedDevices, &QTreeWidget::itemClicked, this,
                [this](QTreeWidgetItem* item) { listViewRoutedDevices_ItemClick(item); });
        return;
    }
    fraCommWayRTN = new QGroupBox(QStringLiteral("Route:"), page);
    fraCommWayRTN->setObjectName(QStringLiteral("fraCommWayRTN"));
    fraCommWayRTN->setGeometry(320, 8, 204, 84);
    static const char* const options[2] = {"Corvane RTN Router", "Direkt TCP/IP"};
    for (int i = 0; i < 2; ++i) {
        optQnpComWayRTN[i] = new QRadioButton(QString::fromLatin1(options[i]), fraCommWayRTN);
        optQnpComWayRTN[i]->setObjectName(QStringLiteral("optQnpComWayRTN_%1").arg(i));
        optQnpComWayRTN[i]->setGeometry(10, 26 + i * 26, 190, 22);
    }
    lblSelectedPortRTN[2] = makeLabel(QStringLiteral("Remote Geräte:"), page, QStringLiteral("lblSelectedPortRTN_2"), {8, 166, 200, 18});
    lstRemoteDevicesRTN = new QListWidget(page);
    lstRemoteDevicesRTN->setObjectName(QStringLiteral("lstRemoteDevicesRTN"));
    lstRemoteDevicesRTN->setGeometry(8, 186, 516, 152);
    lstRemoteDevicesRTN->setItemDelegate(new TabStopDelegate({80, 160}, lstRemoteDevicesRTN));
    connect(lstRemoteDevicesRTN, &QListWidget::itemClicked, this, [this] { lstRemoteDevicesRTN_Click(); });
}

void QnpChannelDialog::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    (void)node; // a channel dialog has no device element to show
    m_channel = channel;
    m_param = channel ? dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj()) : nullptr;
    m_companyName = param.isEmpty() ? gCommon().CompanyName() : param;
    if (!m_loaded)
        FormLoad();
    show();
}

void QnpChannelDialog::FormLoad()
{
    m_loaded = true;
    ScrolledWindow1->FitToForm();
    HourglassGuard hourglass;
    if (localeIsEnglish())
        SetEnglishCaptions();
    LoadChannelSettings();
    ShowChannelSettings();
    if (isCV3()) {
        InitRouteListColumns();
        RefreshRouteLists();
        FillDevicesToConnect();
    } else {
        FillServerNetIdCombo();
        ShowRemoteDevicesPage();
        FillRemoteDevicesList();
    }
}

void QnpChannelDialog::SetEnglishCaptions()
{
    setWindowTitle(QString());
    lblSelectedPort[5]->setText(QStringLiteral("Timeout"));
    lblSelectedPort[6]->setText(QStringLiteral("Multipoint"));
    cmdTest->setText(LoadResString(713));
    cmdCancel->setText(LoadResString(501));
    cmdOK->setText(LoadResString(500));
    lblSelectedPortRTN[3]->setText(QStringLiteral("IP-address:"));
    cmdSaveRTN->setText(QStringLiteral("Save"));
    cmdCancelRTN->setText(QStringLiteral("Cancel"));
    if (isCV3()) {
        fraConnectionAvailability->setTitle(QStringLiteral("Connection Availability"));
        return;
    }
    fraCommWay->setTitle(QStringLiteral("Route"));
    lblSelectedPortRTN[2]->setText(QStringLiteral("Remote devices:"));
    fraCommWayRTN->setTitle(QStringLiteral("Route"));
    optQnpComWayRTN[1]->setText(QStringLiteral("Direct TCP/IP"));
}

bool QnpChannelDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window coming to the front is no leaving of the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int i = 0; i < 3; ++i)
                if (watched == editIpAddrRTN[size_t(i)])
                    editIpAddrRTN_LostFocus(i);
        }
    }
    return QDialog::eventFilter(watched, event);
}

RouteStore QnpChannelDialog::routeStore() const
{
    AppContext& context = app();
    return RouteStore(*context.store, *context.gObjRegistry, *context.dialogs);
}

// ---- connection tab

void QnpChannelDialog::LoadChannelSettings()
{
    ::LoadChannelSettings(*app().gObjRegistry, gCommon().CompanyRegKey(), m_settings);
    m_portNumber = numberOf(m_settings.QnpRtnPort);
    m_installed = ReadInstallFlags(*app().gObjRegistry, isCV3());
}

void QnpChannelDialog::ShowChannelSettings()
{
    // A stored number the channel cannot use shows what the channel runs with instead.
    fpLITimeOut->showStored(m_settings.Timeout, kDefaultTimeoutMs);
    fpLImultiPoint->showStored(m_settings.MultiPoint, kDefaultMultiPoint);
    m_multiPointNumber = fpLImultiPoint->value();
    editIpAddr[4]->setText(QString::number(m_portNumber));
    editIpAddr[1]->setText(QString::number(m_portNumber));
    // The stored target is shown, so OK keeps it unless the user changes it.
    editIpAddr[0]->setText(m_settings.QnpRtnNetId);

    if (isCV3()) {
        fraConnectionAvailability->setEnabled(false);
        chkIsInstalledCorvane[0]->setChecked(m_installed.runtime2);
        chkIsInstalledCorvane[1]->setChecked(m_installed.runtime3);
        chkIsInstalledCorvane[2]->setChecked(m_installed.library);
        return;
    }
    fraCommWay->setEnabled(false);
    addUserDefinedDevice(comboRtnServerNetId);
    applyRouteOptions(optQnpComWay, m_installed);
}

void QnpChannelDialog::FillDevicesToConnect()
{
    addTemplateRow(listViewRoutedDevicesToConnect);
    HourglassGuard hourglass;
    for (const Route& route : routeStore().ReadRegistryRoutes())
        addRouteRow(listViewRoutedDevicesToConnect, route);
}

void QnpChannelDialog::FillServerNetIdCombo()
{
    comboRtnServerNetId->setEnabled(false);
    const RouteStore store = routeStore();
    for (const QString& name : store.registryRouteNames())
        comboRtnServerNetId->addItem(remoteDeviceRow(name, store.GetRemoteRtnNetId(name)));
    comboRtnServerNetId->setEnabled(true);
}

void QnpChannelDialog::listViewRoutedDevicesToConnect_Click(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (item->data(0, kTemplateRole).toBool()) {
        editIpAddr[0]->setText(kUserDefinedRoute.netId);
        editIpAddr[4]->setText(QStringLiteral("100"));
        return;
    }
    editIpAddr[0]->setText(item->text(1));
    editIpAddr[4]->setText(portForRouteName(item->text(0)));
}

void QnpChannelDialog::comboRtnServerNetId_Click()
{
    const QString row = comboRtnServerNetId->currentText();
    if (row == kUserDefinedRouteName) {
        editIpAddr[0]->clear();
        return;
    }
    editIpAddr[0]->setText(lastWord(row));
    editIpAddr[4]->setText(portForRouteName(row));
}

bool QnpChannelDialog::checkTarget()
{
    IDialogs& dialogs = *app().dialogs;
    m_netIdValid = m_netIdFilter->validate();
    if (!m_netIdValid) {
        dialogs.MsgBox(QStringLiteral("RtnNetID is not valid!"), vbCritical, LoadResString(711));
        return false;
    }
    // Any other text would be stored and then never reach the channel.
    if (!qnpPortNumber(editIpAddr[4]->text())) {
        dialogs.MsgBox(QStringLiteral("QnpPort is not valid!"), vbCritical, LoadResString(711));
        return false;
    }
    return acceptEnteredNumber(fpLITimeOut, QStringLiteral("Timeout"))
        && acceptEnteredNumber(fpLImultiPoint, QStringLiteral("Multipoint"));
}

bool QnpChannelDialog::SaveChannelSettings()
{
    m_settings.Timeout = QString::number(fpLITimeOut->enteredValue().value_or(kDefaultTimeoutMs));
    m_settings.MultiPoint = QString::number(fpLImultiPoint->enteredValue().value_or(kDefaultMultiPoint));
    m_settings.QnpRtnNetId = editIpAddr[0]->text();
    m_settings.QnpRtnPort = QString::number(qnpPortNumber(editIpAddr[4]->text()).value_or(0));
    const bool saved = ::SaveChannelSettings(*app().gObjRegistry, gCommon().CompanyRegKey(), m_settings);
    InitComPort();
    return saved;
}

int32_t QnpChannelDialog::InitComPort()
{
    ::InitComPort(m_channel, m_param, m_settings);
    return 0;
}

void QnpChannelDialog::cmdOK_Click()
{
    if (!checkTarget())
        return;
    if (!SaveChannelSettings())
        tellSettingsNotSaved(SSTab1->tabText(0).trimmed());
    close();
}

void QnpChannelDialog::cmdCancel_Click() { close(); }

void QnpChannelDialog::setButtonsEnabled(bool enabled)
{
    cmdCancel->setEnabled(enabled);
    cmdOK->setEnabled(enabled);
    cmdTest->setEnabled(enabled);
}

void QnpChannelDialog::cmdTest_Click()
{
    if (!checkTarget())
        return;
    setBusy(true);
    setButtonsEnabled(false);
    int32_t r = ChOk;
    bool readsFailed = false;
    bool saved = true;
    {
        // Window events run during the test, but none of the user's.
        UserInputBlock block;
        m_animation->start();
        repaint();
        QCoreApplication::processEvents();
        saved = SaveChannelSettings();
        r = TestQnpConnection(m_channel, [] { QCoreApplication::processEvents(); }, readsFailed);
        m_animation->stop();
    }
    if (!saved)
        tellSettingsNotSaved(SSTab1->tabText(0).trimmed());
    IDialogs& dialogs = *app().dialogs;
    if (readsFailed)
        dialogs.MsgBox(QStringLiteral("No communication!"), vbCritical, QString());
    if (r == ChOk)
        dialogs.MsgBox(LoadResString(710), vbInformation, LoadResString(711));
    else
        dialogs.MsgBox(LoadResString(712) + QStringLiteral("\r\n\r\nCode: ") + QString::number(r), vbCritical,
                       LoadResString(711));
    // The port stays open for the log-in that usually follows.
    setButtonsEnabled(true);
    setBusy(false);
}

// ---- route tab

void QnpChannelDialog::InitRouteListColumns()
{
    const QStringList headers{QStringLiteral("Name"), QStringLiteral("NetId"), QStringLiteral("Address"),
                              QStringLiteral("Route")};
    const int widths[4] = {1800, 1800, 1800, 1000};
    for (QTreeWidget* list : {listViewRoutedDevices, listViewRoutedDevicesToConnect}) {
        list->setColumnCount(4);
        list->setHeaderLabels(headers);
        for (int column = 0; column < 4; ++column)
            list->setColumnWidth(column, twipsToPx(widths[column]));
    }
}

void QnpChannelDialog::RefreshRouteLists()
{
    listViewRoutedDevices->clear();
    listViewRoutedDevicesToConnect->clear();
    const RouteStore store = routeStore();
    for (const Route& route : store.ReadStaticRoutesWithXmlDocument()) {
        addRouteRow(listViewRoutedDevices, route);
        addRouteRow(listViewRoutedDevicesToConnect, route);
    }
    addTemplateRow(listViewRoutedDevices);
    HourglassGuard hourglass;
    for (const Route& route : store.ReadRegistryRoutes())
        addRouteRow(listViewRoutedDevices, route);
}

void QnpChannelDialog::ShowRemoteDevicesPage()
{
    fraCommWayRTN->setEnabled(false);
    addRouteLine(lstRemoteDevicesRTN, kRemoteDevicesHeader)->setData(kTemplateRole, true);
    optQnpComWayRTN[0]->setVisible(m_installed.runtime2);
    optQnpComWayRTN[1]->setVisible(m_installed.library);
    applyRouteOptions(optQnpComWayRTN, m_installed);
}

void QnpChannelDialog::FillRemoteDevicesList()
{
    HourglassGuard hourglass;
    for (const Route& route : routeStore().ReadRegistryRoutes())
        addRouteLine(lstRemoteDevicesRTN, route.name + QLatin1Char('\t') + route.netId + QLatin1Char('\t') + route.address);
}

void QnpChannelDialog::SelectRemoteDevice()
{
    m_routeNetIdFilter->pressEnter();
    m_routeIpFilter->pressEnter();
}

void QnpChannelDialog::listViewRoutedDevices_ItemClick(QTreeWidgetItem* item)
{
    if (item) {
        editIpAddrRTN[1]->setText(item->text(0));
        editIpAddrRTN[0]->setText(item->text(1));
        editIpAddrRTN[2]->setText(item->text(2));
        cmbRoute->setCurrentText(item->text(3));
    }
    SelectRemoteDevice();
}

void QnpChannelDialog::lstRemoteDevicesRTN_Click()
{
    const QListWidgetItem* item = lstRemoteDevicesRTN->currentItem();
    if (!item)
        return;
    if (item->data(kTemplateRole).toBool()) {
        editIpAddrRTN[0]->setText(kUserDefinedRoute.netId);
        editIpAddrRTN[1]->setText(kUserDefinedRouteName);
        editIpAddrRTN[2]->setText(kUserDefinedRoute.address);
    } else {
        const RouteLineFields fields = splitRouteLine(item->text());
        editIpAddrRTN[1]->setText(fields.name);
        editIpAddrRTN[0]->setText(fields.netId);
        editIpAddrRTN[2]->setText(fields.address);
    }
    SelectRemoteDevice();
}

void QnpChannelDialog::editIpAddrRTN_LostFocus(int index)
{
    // An invalid field takes the focus back, which makes another field lose it.
    if (m_validatingOnLeave)
        return;
    m_validatingOnLeave = true;
    if (isCV3())
        SelectRemoteDevice();
    else if (index == 0)
        m_routeNetIdFilter->pressEnter();
    else if (index == 2)
        m_routeIpFilter->pressEnter();
    m_validatingOnLeave = false;
}

void QnpChannelDialog::cmdSaveRTN_Click()
{
    const QString kind = isCV3() ? cmbRoute->currentText() : kRouteKindRegistry;
    const RouteStore::SaveResult saved =
        routeStore().SaveRTN(kind, editIpAddrRTN[1]->text(), editIpAddrRTN[2]->text(), editIpAddrRTN[0]->text());
    if (saved == RouteStore::SaveResult::Refused)
        return;
    // Only the route lists are read again: what the user typed on the connection
    // tab is not saved yet and stays.
    if (isCV3()) {
        RefreshRouteLists();
        FillDevicesToConnect();
        return;
    }
    comboRtnServerNetId->clear();
    lstRemoteDevicesRTN->clear();
    addUserDefinedDevice(comboRtnServerNetId);
    FillServerNetIdCombo();
    ShowRemoteDevicesPage();
    FillRemoteDevicesList();
}

void QnpChannelDialog::cmdDeleteRoute_Click()
{
    routeStore().DeleteStaticRouteWithXMLDocument(cmbRoute->currentText(), editIpAddrRTN[1]->text(),
                                                  editIpAddrRTN[2]->text(), editIpAddrRTN[0]->text());
    RefreshRouteLists();
    FillDevicesToConnect();
}

void QnpChannelDialog::cmdCancelRTN_Click() { close(); }
