#include "frmParamVnDcCOM.h"

#include "ChannelDialogSupport.h"
#include "LongIntegerBox.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/FormLayout.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/ResourceFiles.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/UserInputBlock.h"
#include "platform/VbConvert.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <cstdint>

namespace {
enum Box { BoxPort, BoxBaud, BoxDataBits, BoxParity, BoxStopBits, BoxType };

int32_t numberOf(const QString& text) { return vbRound(vbVal(text)); }
}

frmParamVnDcCOM::frmParamVnDcCOM(QWidget* parent)
    : ScrolledDialog(parent)
    , SSTab1(new QTabWidget(ScrolledWindow1))
    , fpLITimeOut(new LongIntegerBox(kMinTimeoutMs, kMaxTimeoutMs))
    , fpLImultiPoint(new LongIntegerBox(0, kMaxMultiPoint))
    , cmdTest(new QPushButton(QStringLiteral("&Test"), ScrolledWindow1))
    , Animation1(new QLabel(ScrolledWindow1))
    , m_animation(new QMovie(this))
    , cmdCancel(new QPushButton(QStringLiteral("&Abbruch"), ScrolledWindow1))
    , cmdOK(new QPushButton(QStringLiteral("&OK"), ScrolledWindow1))
{
    setObjectName(QStringLiteral("frmParamVnDcCOM"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form1"));
    resize(330, 328);

    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(8, 8, 306, 264);
    auto* page = new QWidget;
    SSTab1->addTab(page, QStringLiteral("COM Port"));

    static const char* const labelCaptions[8] = {"Schnittstelle:", "Baudrate:", "Datenbits:", "Parity:",
                                                 "Stopbits:",      "Timeout:",  "Multipoint:", "VNx Type"};
    for (int i = 0; i < 8; ++i) {
        lblSelectedPort[i] = new QLabel(QString::fromLatin1(labelCaptions[i]), page);
        lblSelectedPort[i]->setObjectName(QStringLiteral("lblSelectedPort_%1").arg(i));
    }
    for (int i = 0; i < 6; ++i) {
        comboSelPort[i] = new QComboBox(page);
        comboSelPort[i]->setObjectName(QStringLiteral("comboSelPort_%1").arg(i));
    }
    fpLITimeOut->setParent(page);
    fpLITimeOut->setObjectName(QStringLiteral("fpLITimeOut"));
    fpLImultiPoint->setParent(page);
    fpLImultiPoint->setObjectName(QStringLiteral("fpLImultiPoint"));

    // Rows top to bottom: port, baud, data bits, parity, stop bits, type, timeout, multipoint.
    struct Row { QLabel* label; QWidget* field; };
    const Row rows[8] = {
        {lblSelectedPort[0], comboSelPort[BoxPort]},     {lblSelectedPort[1], comboSelPort[BoxBaud]},
        {lblSelectedPort[2], comboSelPort[BoxDataBits]}, {lblSelectedPort[3], comboSelPort[BoxParity]},
        {lblSelectedPort[4], comboSelPort[BoxStopBits]}, {lblSelectedPort[7], comboSelPort[BoxType]},
        {lblSelectedPort[5], fpLITimeOut},               {lblSelectedPort[6], fpLImultiPoint},
    };
    for (int i = 0; i < 8; ++i) {
        const int y = 14 + i * 28;
        rows[i].label->setGeometry(16, y + 3, 110, 18);
        rows[i].field->setGeometry(130, y, 150, 24);
    }

    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setGeometry(8, 282, 80, 28);
    Animation1->setObjectName(QStringLiteral("Animation1"));
    Animation1->setGeometry(98, 280, 48, 32);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(152, 282, 78, 28);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(236, 282, 78, 28);
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    cmdTest->setAutoDefault(false);
    fTabLast(this, {cmdTest, cmdCancel, cmdOK});

    connect(cmdOK, &QPushButton::clicked, this, &frmParamVnDcCOM::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmParamVnDcCOM::cmdCancel_Click);
    connect(cmdTest, &QPushButton::clicked, this, &frmParamVnDcCOM::cmdTest_Click);
    ScrolledWindow1->FitToForm();
}

frmParamVnDcCOM::~frmParamVnDcCOM() = default;

void frmParamVnDcCOM::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    (void)node; // the serial dialog has no device element to show
    m_channel = channel;
    m_param = channel ? dynamic_cast<ISerialChannelParam*>(channel->GetDeviceParamObj()) : nullptr;
    m_companyName = param.isEmpty() ? gCommon().CompanyName() : param;
    // Loading runs before the first show, so the form appears filled in.
    if (!m_loaded)
        FormLoad();
    show();
}

void frmParamVnDcCOM::FormLoad()
{
    m_loaded = true;
    ScrolledWindow1->FitToForm();
    HourglassGuard hourglass;
    if (localeIsEnglish())
        SetEnglishCaptions();
    LoadChannelSettings();
    ShowChannelSettings();
}

void frmParamVnDcCOM::SetEnglishCaptions()
{
    setWindowTitle(QString());
    static const char* const labelCaptions[8] = {"COM-Port", "Baud",    "Databits",   "Parity",
                                                 "Stopbits", "Timeout", "Multipoint", "VNx Type"};
    for (int i = 0; i < 8; ++i)
        lblSelectedPort[i]->setText(QString::fromLatin1(labelCaptions[i]));
    cmdTest->setText(LoadResString(713));
    cmdCancel->setText(LoadResString(501));
    cmdOK->setText(LoadResString(500));
}

void frmParamVnDcCOM::LoadChannelSettings()
{
    ::LoadChannelSettings(*app().gObjRegistry, gCommon().CompanyRegKey(), m_settings);
}

void frmParamVnDcCOM::test1()
{
    LoadChannelSettings();
    ShowChannelSettings();
}

void frmParamVnDcCOM::ShowChannelSettings()
{
    QComboBox* port = comboSelPort[BoxPort];
    port->clear();
    const ComPortScan scan = ScanComPorts(m_channel, m_param, numberOf(m_settings.Port));
    port->addItems(scan.ports);
    port->setCurrentIndex(port->findText(comPortEntry(scan.chosen))); // -1 leaves the box empty

    const std::pair<Box, QStringList> lists[] = {
        {BoxBaud, serialBaudRates()},    {BoxDataBits, serialDataBits()},      {BoxParity, serialParities()},
        {BoxStopBits, serialStopBits()}, {BoxType, serialInterfaceTypes()},
    };
    for (const auto& [box, items] : lists) {
        comboSelPort[box]->clear();
        comboSelPort[box]->addItems(items);
    }
    // A stored number the channel cannot use shows what the channel runs with instead.
    const std::optional<int32_t> baud = storedNumber(m_settings.Baud, kMinBaud, kMaxBaud);
    showStoredText(comboSelPort[BoxBaud], QString::number(baud.value_or(kDefaultBaud)));
    showStoredText(comboSelPort[BoxType], m_settings.VNxType);
    fpLITimeOut->showStored(m_settings.Timeout, kDefaultTimeoutMs);
    fpLImultiPoint->showStored(m_settings.MultiPoint, kDefaultMultiPoint);

    // The frame format is fixed; the stored DataBits, Parity and StopBits are not shown.
    comboSelPort[BoxDataBits]->setCurrentText(QStringLiteral("8"));
    comboSelPort[BoxParity]->setCurrentText(QStringLiteral("Even"));
    comboSelPort[BoxStopBits]->setCurrentText(QStringLiteral("1"));
    for (Box box : {BoxDataBits, BoxParity, BoxStopBits})
        comboSelPort[box]->setEnabled(false);
}

void frmParamVnDcCOM::showStoredText(QComboBox* box, const QString& text)
{
    // A stored text outside the list is shown as its own entry, so a save keeps it.
    int index = box->findText(text);
    if (index < 0 && !text.isEmpty()) {
        box->addItem(text);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

bool frmParamVnDcCOM::SaveChannelSettings()
{
    // An empty port box keeps the port loaded last.
    const int port = comPortNumber(comboSelPort[BoxPort]->currentText());
    if (port > 0)
        m_settings.Port = QString::number(port);
    m_settings.Baud = comboSelPort[BoxBaud]->currentText().trimmed();
    m_settings.Parity = comboSelPort[BoxParity]->currentText().left(1);
    m_settings.DataBits = comboSelPort[BoxDataBits]->currentText().trimmed();
    m_settings.StopBits = comboSelPort[BoxStopBits]->currentText().trimmed();
    m_settings.VNxType = comboSelPort[BoxType]->currentText().trimmed();
    m_settings.Timeout = QString::number(fpLITimeOut->enteredValue().value_or(kDefaultTimeoutMs));
    m_settings.MultiPoint = QString::number(fpLImultiPoint->enteredValue().value_or(kDefaultMultiPoint));
    const bool saved = ::SaveChannelSettings(*app().gObjRegistry, gCommon().CompanyRegKey(), m_settings);
    InitComPort();
    return saved;
}

void frmParamVnDcCOM::InitComPort() { ::InitComPort(m_channel, m_param, m_settings); }

bool frmParamVnDcCOM::checkNumbers()
{
    return acceptEnteredNumber(fpLITimeOut, QStringLiteral("Timeout"))
        && acceptEnteredNumber(fpLImultiPoint, QStringLiteral("Multipoint"));
}

void frmParamVnDcCOM::cmdOK_Click()
{
    if (!checkNumbers())
        return;
    if (!SaveChannelSettings())
        tellSettingsNotSaved(SSTab1->tabText(0));
    close();
}

void frmParamVnDcCOM::cmdCancel_Click() { close(); }

void frmParamVnDcCOM::setButtonsEnabled(bool enabled)
{
    cmdCancel->setEnabled(enabled);
    cmdOK->setEnabled(enabled);
    cmdTest->setEnabled(enabled);
}

void frmParamVnDcCOM::startAnimation()
{
    // A missing or unreadable animation just shows nothing.
    m_animation->stop();
    m_animation->setFileName(resourceFile(gCommon().PathFolderResCommon(), QStringLiteral("Graph/Findfile.gif")));
    Animation1->setMovie(m_animation);
    m_animation->start();
}

void frmParamVnDcCOM::stopAnimation()
{
    m_animation->stop();
    Animation1->clear();
}

void frmParamVnDcCOM::cmdTest_Click()
{
    if (!checkNumbers())
        return;
    QPointer<frmParamVnDcCOM> self(this);
    setBusy(true);
    int32_t r = ChOk;
    bool saved = true;
    {
        // The test lets window messages run; a log-in or log-out started meanwhile would share the port.
        // The result box comes after the block, which would drop the user's answer to it.
        const UserInputBlock block;
        setButtonsEnabled(false);
        startAnimation();
        repaint();
        QCoreApplication::processEvents();
        if (!self)
            return;

        saved = SaveChannelSettings();
        r = TestCouplerConnection(m_channel, [] { QCoreApplication::processEvents(); });
        if (!self)
            return;
        stopAnimation();
    }

    if (!saved)
        tellSettingsNotSaved(SSTab1->tabText(0));
    IDialogs& dialogs = *app().dialogs;
    if (r == ChOk)
        dialogs.MsgBox(LoadResString(710), vbInformation, LoadResString(711));
    else
        dialogs.MsgBox(LoadResString(712) + QStringLiteral("\r\n\r\nCode: ") + QString::number(r), vbCritical,
                       LoadResString(711));
    if (!self)
        return;
    // The port stays open for the log-in that usually follows.
    setButtonsEnabled(true);
    setBusy(false);
}
