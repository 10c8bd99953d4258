#include "frmFirmwareUpdate.h"

#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/FirmwareServer.h"
#include "platform/FormLayout.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/RegistryStore.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/UserInputBlock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kLoadMode = QStringLiteral("FIRMWARE_LOAD");
const QString kUpdateMode = QStringLiteral("FIRMWARE_UPDATE");

QString firmwareFilter()
{
    // Linux file names keep their case, so each pattern is given in both.
    return QStringLiteral("Firmware (*.hex *.HEX);;Firmware (*.h31 *.H31);;Firmware (*.h51 *.H51);;"
                          "Firmware (*.h* *.H*);;Textdateien (*.txt *.TXT)");
}

bool isNetworkPath(const QString& path)
{
    return path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"));
}
} // namespace

frmFirmwareUpdate::frmFirmwareUpdate(QWidget* parent)
    : ScrolledDialog(parent)
    , fraFirmwareAction(new QGroupBox(QStringLiteral("Firmware Update"), ScrolledWindow1))
    , txtSelScript(new QLineEdit(QStringLiteral("Firmware-Update-Datei"), fraFirmwareAction))
    , lVersionFirmwareupdateSoft(new QLabel(QStringLiteral("_"), fraFirmwareAction))
    , cmdBrowse(new QPushButton(QStringLiteral("&Auswahl..."), fraFirmwareAction))
    , cmdScriptStart(new QPushButton(QStringLiteral("St&art"), ScrolledWindow1))
    , cmdExit(new QPushButton(QStringLiteral("&Beenden"), ScrolledWindow1))
    , fraScriptLog(new QGroupBox(QStringLiteral("Log"), ScrolledWindow1))
    , txtLogBox(new QPlainTextEdit(fraScriptLog))
    , pgBar1(new QProgressBar(fraFirmwareAction))
    , lblDuration(new QLabel(QStringLiteral("_"), fraFirmwareAction))
    , m_log(std::make_unique<TextEditLogBox>(txtLogBox))
{
    setObjectName(QStringLiteral("frmFirmwareUpdate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form1"));
    resize(560, 440);

    fraFirmwareAction->setObjectName(QStringLiteral("fraFirmwareAction"));
    fraFirmwareAction->setGeometry(8, 8, 536, 124);
    txtSelScript->setObjectName(QStringLiteral("txtSelScript"));
    txtSelScript->setReadOnly(true);
    txtSelScript->setGeometry(12, 26, 410, 26);
    QPalette grey = txtSelScript->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    txtSelScript->setPalette(grey);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setGeometry(430, 25, 94, 28);
    lVersionFirmwareupdateSoft->setObjectName(QStringLiteral("lVersionFirmwareupdateSoft"));
    lVersionFirmwareupdateSoft->setGeometry(12, 58, 410, 20);
    pgBar1->setObjectName(QStringLiteral("pgBar1"));
    pgBar1->setGeometry(12, 88, 410, 22);
    pgBar1->setTextVisible(false);
    pgBar1->hide();
    lblDuration->setObjectName(QStringLiteral("lblDuration"));
    lblDuration->setGeometry(430, 88, 94, 22);

    fraScriptLog->setObjectName(QStringLiteral("fraScriptLog"));
    fraScriptLog->setGeometry(8, 140, 536, 240);
    txtLogBox->setObjectName(QStringLiteral("txtLogBox"));
    txtLogBox->setReadOnly(true);
    txtLogBox->setGeometry(12, 24, 512, 204);

    cmdScriptStart->setObjectName(QStringLiteral("cmdScriptStart"));
    cmdScriptStart->setGeometry(346, 392, 96, 30);
    cmdScriptStart->setEnabled(false);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(448, 392, 96, 30);
    for (QPushButton* b : {cmdBrowse, cmdScriptStart, cmdExit})
        b->setAutoDefault(false);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmFirmwareUpdate::cmdBrowse_Click);
    connect(cmdScriptStart, &QPushButton::clicked, this, &frmFirmwareUpdate::cmdScriptStart_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::close);
    fTabLast(this, {cmdScriptStart, cmdExit});

    if (localeIsEnglish())
        SetEnglishCaptions();
    ScrolledWindow1->FitToForm();
}

frmFirmwareUpdate::~frmFirmwareUpdate() = default;

QString frmFirmwareUpdate::fFirmwareMode(const QString& param)
{
    return param.toUpper() == kLoadMode ? kLoadMode : kUpdateMode;
}

bool frmFirmwareUpdate::isFirmwareFileName(const QString& path)
{
    return QFileInfo(path).suffix().toUpper() == QLatin1String("HEX");
}

void frmFirmwareUpdate::SetEnglishCaptions()
{
    setWindowTitle(QString());
    txtSelScript->setText(QStringLiteral("Firmwar Update File"));
    cmdBrowse->setText(LoadResString(503));
    cmdScriptStart->setText(LoadResString(504));
    cmdExit->setText(LoadResString(502));
    fraScriptLog->setTitle(LoadResString(723));
    lblDuration->clear();
}

void frmFirmwareUpdate::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    m_channel = channel;
    m_station = node;
    m_mode = fFirmwareMode(param);
    fraFirmwareAction->setTitle(LoadResString(m_mode == kLoadMode ? 722 : 721));
    m_objVnFirmwareSrv = std::make_unique<FirmwareServer>();
    connect(m_objVnFirmwareSrv.get(), &FirmwareServer::downloadStart, this, &frmFirmwareUpdate::OnDownloadStart);
    connect(m_objVnFirmwareSrv.get(), &FirmwareServer::downloadState, this, &frmFirmwareUpdate::OnDownloadState);
    show();
    cmdBrowse_Click();
}

bool frmFirmwareUpdate::fSelectFirmware()
{
    IDialogs& dialogs = *app().dialogs;
    // A folder that is not there would be taken for a file name.
    QString folder = gCommon().PathFolderResFirmware();
    if (!QFileInfo(folder).isDir())
        folder.clear();
    const QString chosen = dialogs.GetOpenFileName(LoadResString(731), folder, firmwareFilter());
    if (chosen.isEmpty())
        return false;
    gCommon().setPathFolderResFirmware(QFileInfo(chosen).absolutePath());
    if (isFirmwareFileName(chosen)) {
        m_path = chosen;
        return true;
    }
    m_path.clear();
    dialogs.MsgBox(LoadResString(732), vbCritical, LoadResString(730));
    return false;
}

void frmFirmwareUpdate::cmdBrowse_Click()
{
    // Also at once after show(), before the window manager made this dialog the active window.
    const DialogOwnerGuard owner(this);
    if (!fSelectFirmware()) {
        cmdScriptStart->setEnabled(false);
        return;
    }
    if (isNetworkPath(m_path)) {
        m_path.clear();
        AppendLogText(m_log.get(), kCrLf + QStringLiteral("Zugriff auf Dateien im Netzwerk nicht möglich.") + kCrLf);
        // Start never runs with an empty path.
        cmdScriptStart->setEnabled(false);
        return;
    }
    txtSelScript->setText(m_path);
    cmdScriptStart->setEnabled(true);
}

void frmFirmwareUpdate::setStationTreeEnabled(bool enabled)
{
    if (QWidget* tree = app().tvTreeView)
        tree->setEnabled(enabled);
}

void frmFirmwareUpdate::cmdScriptStart_Click()
{
    if (isBusy() || m_path.isEmpty())
        return;
    QPointer<frmFirmwareUpdate> self(this);
    const DialogOwnerGuard owner(this);
    setBusy(true);
    {
        HourglassGuard hourglass;
        m_log->SetText(QString());
        pgBar1->show();
        cmdScriptStart->setEnabled(false);
        lblDuration->clear();
        setStationTreeEnabled(false);
        cmdExit->setEnabled(false);
        cmdBrowse->setEnabled(false);

        if (m_mode == kUpdateMode) {
            AppendLogText(m_log.get(), kCrLf + LoadResString(724) + kCrLf);
            IRegistryAccess& registry = *app().gObjRegistry;
            const QString key = gCommon().CompanyRegKey();
            QString multiPoint;
            if (!registry.ReadValue(HKEY_CURRENT_USER, key, QStringLiteral("MultiPoint"), multiPoint))
                registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("MultiPoint"), QStringLiteral("0"));
            // The address the channel was set up with: the stored text was checked then, and a value
            // the channel refused must not go out cut to 16 bits here.
            const int32_t address = m_channel ? m_channel->MultiPoint() : 0;
            UserInputBlock noInput;
            m_lResult = m_objVnFirmwareSrv->UpdateFirmware(m_channel, m_path, 0, 0, true, address);
        } else {
            const int answer = app().dialogs->MsgBox(LoadResString(725) + kCrLf + kCrLf + LoadResString(726), vbYesNo,
                                                     LoadResString(722));
            if (!self)
                return;
            if (answer != vbYes) {
                AppendLogText(m_log.get(), kCrLf + LoadResString(505) + kCrLf);
                setStationTreeEnabled(true);
                lblDuration->clear();
                pgBar1->hide();
                for (QPushButton* b : {cmdScriptStart, cmdExit, cmdBrowse})
                    b->setEnabled(true);
                setBusy(false);
                return;
            }
            AppendLogText(m_log.get(), kCrLf + LoadResString(724) + kCrLf);
            UserInputBlock noInput;
            if (m_channel)
                (void)m_channel->PortOpen(); // a port that will not open fails the first transfer request
            m_lResult = m_objVnFirmwareSrv->LoadFirmware(m_channel, m_path, true, 0, true);
        }
    }
    if (!self)
        return;
    finishRun();
}

void frmFirmwareUpdate::finishRun()
{
    setStationTreeEnabled(true);
    const bool english = localeIsEnglish();
    const int errorLine = m_lResult != 0 ? m_objVnFirmwareSrv->lastErrorLine() : 0;
    if (errorLine > 0)
        AppendLogText(m_log.get(), kCrLf + fileLineText(errorLine, m_lResult, english));
    const FirmwareEndCheck& check = m_objVnFirmwareSrv->lastEndCheck();
    if (check.checked)
        AppendLogText(m_log.get(), kCrLf + endCheckText(check, english));
    QString line = kCrLf + LoadResString(727);
    if (m_lResult == 0)
        line += QLatin1Char(' ') + LoadResString(400) + QLatin1Char(' ');
    else
        line += QLatin1Char(' ') + LoadResString(401) + QLatin1Char(' ') + QString::number(m_lResult);
    AppendLogText(m_log.get(), line);
    lblDuration->clear();
    pgBar1->hide();
    cmdScriptStart->setEnabled(true);

    QPointer<frmFirmwareUpdate> self(this);
    // A download that did not finish must not end in the reboot information: the user would
    // switch the coupler off and on believing it runs the new firmware.
    if (m_lResult == 0)
        app().dialogs->MsgBox(LoadResString(728) + kCrLf + kCrLf + LoadResString(729) + kCrLf + LoadResString(402),
                              vbInformation, LoadResString(730));
    else if (check.checked) // the image went out whole: whether it is in is not known, so no "failed"
        app().dialogs->MsgBox(endCheckText(check, english), vbExclamation, LoadResString(730));
    else
        app().dialogs->MsgBox(downloadFailedText(m_lResult, errorLine, english), vbCritical, LoadResString(730));
    if (!self)
        return;
    if (gCommon().AccessLevel() == 1 && app().gObjDevSrv)
        app().gObjDevSrv->AbolishProtection(m_channel, false, m_lResult);
    cmdExit->setEnabled(true);
    setBusy(false);
}

QString frmFirmwareUpdate::downloadFailedText(int32_t result, int errorLine, bool english)
{
    QString text = (english ? QStringLiteral("The firmware download failed: code %1 (%2).")
                            : QStringLiteral("Die Firmware-Übertragung ist fehlgeschlagen: Code %1 (%2)."))
                       .arg(result)
                       .arg(firmwareResultText(result, english));
    if (errorLine > 0)
        text += kCrLf + kCrLf
            + (english ? QStringLiteral("Line %1 of the firmware file.") : QStringLiteral("Zeile %1 der Firmware-Datei."))
                  .arg(errorLine);
    return text;
}

QString frmFirmwareUpdate::fileLineText(int errorLine, int32_t result, bool english)
{
    return (english ? QStringLiteral("Line %1 of the firmware file: %2") : QStringLiteral("Zeile %1 der Firmware-Datei: %2"))
        .arg(errorLine)
        .arg(firmwareResultText(result, english));
}

QString frmFirmwareUpdate::endCheckText(const FirmwareEndCheck& check, bool english)
{
    const auto word = [](uint16_t w) { return QStringLiteral("%1").arg(w, 4, 16, QLatin1Char('0')).toUpper(); };
    const auto code = [english](int32_t c) { return QStringLiteral("%1 (%2)").arg(c).arg(channelResultText(c, english)); };
    QString text = (english ? QStringLiteral("The coupler did not answer the end of the transfer: code %1. ")
                            : QStringLiteral("Der Koppler hat das Ende der Übertragung nicht beantwortet: Code %1. "))
                       .arg(code(check.endResult));
    if (check.installed())
        return text
            + (english ? QStringLiteral("Its firmware word %1 is the file's: the firmware is installed.")
                       : QStringLiteral("Sein Firmware-Wort %1 ist das der Datei: die Firmware ist installiert."))
                  .arg(word(check.deviceWord));
    if (check.readResult == 0 && check.deviceWord == check.imageWord && check.beforeResult == 0)
        text += (english ? QStringLiteral("Its firmware word %1 is the file's, but it showed that word before the "
                                          "transfer too.")
                         : QStringLiteral("Sein Firmware-Wort %1 ist das der Datei, aber das zeigte er schon vor der "
                                          "Übertragung."))
                    .arg(word(check.deviceWord));
    else if (check.readResult == 0 && check.deviceWord == check.imageWord)
        text += (english ? QStringLiteral("Its firmware word %1 is the file's, but its word before the transfer could not "
                                          "be read: code %2.")
                         : QStringLiteral("Sein Firmware-Wort %1 ist das der Datei, aber sein Wort vor der Übertragung "
                                          "konnte nicht gelesen werden: Code %2."))
                    .arg(word(check.deviceWord), code(check.beforeResult));
    else if (check.readResult == 0)
        text += (english ? QStringLiteral("Its firmware word is %1, the file's %2.")
                         : QStringLiteral("Sein Firmware-Wort ist %1, das der Datei %2."))
                    .arg(word(check.deviceWord), word(check.imageWord));
    else
        text += (english ? QStringLiteral("Its firmware word could not be read: code %1.")
                         : QStringLiteral("Sein Firmware-Wort konnte nicht gelesen werden: Code %1."))
                    .arg(code(check.readResult));
    return text + kCrLf + kCrLf
        + (english ? QStringLiteral("The coupler's state is not known: check its firmware version (table 0, register 255).")
                   : QStringLiteral("Der Zustand des Kopplers ist nicht bekannt: bitte seine Firmware-Version prüfen "
                                    "(Tabelle 0, Register 255)."));
}

void frmFirmwareUpdate::OnDownloadStart(int32_t total)
{
    pgBar1->setMinimum(0);
    pgBar1->setMaximum(std::max(total, 0) + 10);
    pgBar1->setValue(2);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void frmFirmwareUpdate::OnDownloadState(int32_t current, int32_t total)
{
    QCoreApplication::processEvents();
    // Never back: an image of a single byte would otherwise fall below the start value.
    pgBar1->setValue(std::clamp(current, pgBar1->value(), pgBar1->maximum()));
    // A total of 0 would divide by zero: it shows as nothing done.
    const double percent = total > 0 ? double(current) / double(total) * 100.0 : 0.0;
    lblDuration->setText(QStringLiteral("%1 %").arg(long(std::lround(percent)), 2, 10, QLatin1Char('0')));
    QCoreApplication::processEvents();
}
