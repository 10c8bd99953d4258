#include "frmControllerSetting.h"

#include "TableViewLogic.h"
#include "devices/modCouplerDesc.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/FormLayout.h"
#include "platform/FormRegistry.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/ModDataConvert.h"
#include "platform/ProtocolDeviceService.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace controller;

namespace {

constexpr int kCycleTimeTab = 2;
constexpr int kTimerMs = 50;
// The tab frame's top and the room below it, in twips. The width follows the buttons, which
// grow with their captions.
constexpr int kTabFrameTop = 1440;
constexpr int kBelowTabFrame = 360;
// The design's tab control (8295 twips) would not fit the view area of a 1280x800 screen; this
// one is as tall as its fullest tab needs, and not less than this.
constexpr int kTabHeight = 6135;
// Right of the buttons: a margin, the scroll container's inset and room for its vertical bar,
// which shows whenever the window is less tall than the design.
constexpr int kRightTwips = 240 + 120 + 255;
// Shares of the grid's width: Pos, Description, Link terminal.
constexpr double kColumnShares[TerminalAssignmentModel::ColumnCount] = {0.10, 0.25, 0.55};

const char* const kEditCaptions[] = {
    "Offset PLC-Input in fieldbusinterface", "Length PLC-Inputimage in fieldbusinterface",
    "Offset PLC-Output in fieldbusinterface", "Length PLC-Output in fieldbusinterface", "Number of remanent bytes",
    "PLC cycle time [ms]", "PLC background  time [ms]"};
const char* const kCheckCaptions[] = {"Nov RAM active",
                                      "Reserviert",
                                      "Large model",
                                      "Store VR Controller State in Memory",
                                      "Compare terminal configuration",
                                      "Rtn block confirmation",
                                      "Read system clock",
                                      "Clear outputs on Breakpoint",
                                      "Set cycle time by Harmsted Corvane"};
const char* const kOptionCaptions[] = {"ICO (input -> computing -> output)", "IOC (input -> output -> computing)",
                                       "CIO (computing -> input -> output)"};
const char* const kDiagCaptions[] = {"Minimal PLC-Cycletime [ms]", "Maximum PLC-Cycletime  [ms]",
                                     "Current PLC-Cycletime  [ms]", "Average PLC-Cycletime  [ms]"};

QString measurementFailedText(int32_t code, bool english)
{
    const QString pattern = english
        ? QStringLiteral("Reading the cycle time measurement's state failed: code %1 (%2).")
        : QStringLiteral("Lesen des Zustands der Zykluszeitmessung fehlgeschlagen: Code %1 (%2).");
    return pattern.arg(code).arg(channelResultText(code, english));
}

} // namespace

frmControllerSetting::frmControllerSetting(QWidget* parent)
    : QWidget(parent)
    , ScrolledWindow1(new ScrolledWindow(this))
    , lblStatus(new QLabel(ScrolledWindow1))
    , fraTabs(new QFrame(ScrolledWindow1))
    , sstabDiag(new QTabWidget(fraTabs))
    , fraProcDataOutput(new QGroupBox)
    , fraPlcTermbusUpdate(new QGroupBox(QStringLiteral("PLC terminal bus update")))
    , m_busUpdateGroup(new QButtonGroup(this))
    , Frame4(new QGroupBox)
    , tdbgData(new QTableView)
    , m_grid(new TerminalAssignmentModel(this))
    , m_linkDelegate(new LinkTerminalDelegate(this))
    , chkActivateTimeCycle(new QCheckBox)
    , fraTab3(new QGroupBox)
    , cmdApply(new QPushButton(ScrolledWindow1))
    , cmdCancel(new QPushButton(ScrolledWindow1))
    , timerCycleTime(new QTimer(this))
{
    setObjectName(QStringLiteral("frmControllerSetting"));
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    fraTabs->setObjectName(QStringLiteral("fraTabs"));
    sstabDiag->setObjectName(QStringLiteral("sstabDiag"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    timerCycleTime->setObjectName(QStringLiteral("timerCycleTime"));

    lblStatus->setGeometry(twipsRect(240, 840, 8655, 480));
    fraTabs->setGeometry(twipsRect(240, kTabFrameTop, 8655, kTabHeight + 480));
    sstabDiag->setGeometry(twipsRect(120, 360, 8175, kTabHeight));
    cmdApply->setGeometry(twipsRect(9000, 1560, 1215, 375));
    cmdCancel->setGeometry(twipsRect(9000, 2040, 1215, 375));
    fraTabs->setFrameShape(QFrame::StyledPanel);
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    lblStatus->setStyleSheet(QStringLiteral("color: #c00000;"));

    buildCommonTab();
    buildMappingTab();
    buildCycleTimeTab();
    const int tabHeight = std::max(sstabDiag->height(), sstabDiag->minimumSizeHint().height());
    sstabDiag->resize(sstabDiag->width(), tabHeight);
    fraTabs->resize(fraTabs->width(), sstabDiag->y() + tabHeight + twipsToPx(120));
    fTabLast(this, {cmdApply, cmdCancel});

    connect(cmdApply, &QPushButton::clicked, this, &frmControllerSetting::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmControllerSetting::cmdCancel_Click);
    connect(timerCycleTime, &QTimer::timeout, this, &frmControllerSetting::timerCycleTime_Timer);

    Form_Load();
}

frmControllerSetting::~frmControllerSetting() = default;

void frmControllerSetting::buildCommonTab()
{
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    fraProcDataOutput->setObjectName(QStringLiteral("fraProcDataOutput"));
    auto* boxes = new QVBoxLayout(fraProcDataOutput);
    for (size_t i = 0; i < chkVRx.size(); ++i) {
        chkVRx[i] = new QCheckBox(QString::fromUtf8(kCheckCaptions[i]));
        chkVRx[i]->setObjectName(QStringLiteral("chkVRx_%1").arg(i));
        boxes->addWidget(chkVRx[i]);
    }
    fraPlcTermbusUpdate->setObjectName(QStringLiteral("fraPlcTermbusUpdate"));
    auto* options = new QVBoxLayout(fraPlcTermbusUpdate);
    for (size_t i = 0; i < optPlcTermbusUpdate.size(); ++i) {
        optPlcTermbusUpdate[i] = new QRadioButton(QString::fromUtf8(kOptionCaptions[i]));
        optPlcTermbusUpdate[i]->setObjectName(QStringLiteral("optPlcTermbusUpdate_%1").arg(i));
        m_busUpdateGroup->addButton(optPlcTermbusUpdate[i], int(i));
        options->addWidget(optPlcTermbusUpdate[i]);
    }
    pageLayout->addWidget(fraProcDataOutput);
    pageLayout->addWidget(fraPlcTermbusUpdate);
    pageLayout->addStretch();
    sstabDiag->addTab(page, QStringLiteral("Common"));
}

void frmControllerSetting::buildMappingTab()
{
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* grid = new QGridLayout(Frame4);
    for (size_t i = 0; i < editTab1Reg.size(); ++i) {
        lblTab1Reg[i] = new QLabel(QString::fromUtf8(kEditCaptions[i]));
        lblTab1Reg[i]->setObjectName(QStringLiteral("lblTab1Reg_%1").arg(i));
        editTab1Reg[i] = new QLineEdit;
        editTab1Reg[i]->setObjectName(QStringLiteral("editTab1Reg_%1").arg(i));
        editTab1Reg[i]->setValidator(new settingswrite::WordFieldValidator(editTab1Reg[i]));
        editTab1Reg[i]->setAlignment(Qt::AlignRight);
        editTab1Reg[i]->setFixedWidth(twipsToPx(1200));
        lblTab1Reg[i]->setBuddy(editTab1Reg[i]);
        grid->addWidget(lblTab1Reg[i], int(i), 0);
        grid->addWidget(editTab1Reg[i], int(i), 1);
    }
    tdbgData->setObjectName(QStringLiteral("tdbgData"));
    tdbgData->setModel(m_grid);
    tdbgData->setItemDelegateForColumn(TerminalAssignmentModel::ColLink, m_linkDelegate);
    tdbgData->verticalHeader()->hide();
    tdbgData->setSelectionMode(QAbstractItemView::SingleSelection);
    tdbgData->installEventFilter(this);
    tdbgData->viewport()->installEventFilter(this);
    grid->addWidget(tdbgData, int(editTab1Reg.size()), 0, 1, 2);
    grid->setRowStretch(int(editTab1Reg.size()), 1);
    grid->setColumnStretch(0, 1);
    pageLayout->addWidget(Frame4);
    sstabDiag->addTab(page, QStringLiteral("Mapping"));
}

void frmControllerSetting::buildCycleTimeTab()
{
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    chkActivateTimeCycle->setObjectName(QStringLiteral("chkActivateTimeCycle"));
    fraTab3->setObjectName(QStringLiteral("fraTab3"));
    auto* grid = new QGridLayout(fraTab3);
    for (size_t i = 0; i < lblDiag.size(); ++i) {
        lblDiag[i] = new QLabel(QString::fromUtf8(kDiagCaptions[i]));
        lblDiag[i]->setObjectName(QStringLiteral("lblDiag_%1").arg(i));
        lblDiagValue[i] = new QLabel;
        lblDiagValue[i]->setObjectName(QStringLiteral("lblDiagValue_%1").arg(i));
        lblDiagValue[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblDiagValue[i]->setMinimumWidth(twipsToPx(1200));
        grid->addWidget(lblDiag[i], int(i), 0);
        grid->addWidget(lblDiagValue[i], int(i), 1);
    }
    grid->setColumnStretch(2, 1);
    pageLayout->addWidget(chkActivateTimeCycle);
    pageLayout->addWidget(fraTab3);
    pageLayout->addStretch();
    sstabDiag->addTab(page, QStringLiteral("&Info Plc cycle time"));
}

void frmControllerSetting::Form_Load()
{
    m_DevSrv = app().channelFactory ? app().channelFactory->createDeviceService() : std::make_unique<DeviceService>();
    Form_Resize();
    sstabDiag->setCurrentIndex(0);
    chkVRx[1]->hide();
    for (QLabel* value : lblDiagValue)
        value->clear();

    const bool english = localeIsEnglish();
    setWindowTitle(english ? QStringLiteral("Controller: Settings") : QStringLiteral("Controller: Einstellungen"));
    cmdApply->setText(english ? LoadResString(500) : QStringLiteral("&Übernehmen"));
    cmdCancel->setText(english ? LoadResString(501) : QStringLiteral("&Abbrechen"));
    chkActivateTimeCycle->setText(english ? QStringLiteral("Enable cycletime measurement")
                                          : QStringLiteral("Aktivierung SPS Zykluszeit Messung "));
    fWidenToCaptions({cmdApply, cmdCancel}); // "&Übernehmen" is wider than the design's buttons
}

QSize frmControllerSetting::sizeHint() const
{
    const int right = cmdApply->x() + cmdApply->width() + twipsToPx(kRightTwips);
    return {right, twipsToPx(kTabFrameTop + kBelowTabFrame) + fraTabs->height()};
}

void frmControllerSetting::Form_Resize()
{
    ScrolledWindow1->FitToForm();
}

void frmControllerSetting::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmControllerSetting::closeEvent(QCloseEvent* event)
{
    // The form must outlive its Apply, which waits for the restarting device with window messages running.
    if (m_busy.refuseClose(event))
        return;
    QWidget::closeEvent(event);
}

bool frmControllerSetting::eventFilter(QObject* watched, QEvent* event)
{
    // The column shares follow the visible width, which a scroll bar coming or going changes too.
    if (watched == tdbgData->viewport() && event->type() == QEvent::Resize)
        InitGrid();
    if (watched != tdbgData)
        return QWidget::eventFilter(watched, event);
    if (tdbgData->hasFocus() && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        // Enter opens the cell's list as F2 does and goes no further.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QModelIndex current = tdbgData->currentIndex();
            if (event->type() == QEvent::KeyPress && (m_grid->flags(current) & Qt::ItemIsEditable))
                tdbgData->edit(current);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmControllerSetting::InitGrid()
{
    const int width = tdbgData->viewport()->width();
    for (int c = 0; c < TerminalAssignmentModel::ColumnCount; ++c)
        tdbgData->setColumnWidth(c, qRound(kColumnShares[c] * width));
}

void frmControllerSetting::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString&)
{
    m_node = node;
    m_channel = channel;
    m_online = channel != nullptr;
    // Offline there is nothing to apply, but the form can still be closed.
    sstabDiag->setEnabled(m_online);
    cmdApply->setEnabled(m_online);
    cmdCancel->setEnabled(true);

    m_pos = 0;
    timerCycleTime->setInterval(kTimerMs);
    timerCycleTime->stop();

    fInitTerminalGrid();
    readDevice();
    fRegsToControls();
}

void frmControllerSetting::fInitTerminalGrid()
{
    m_grid->setTerminals(terminalRows(m_node));
    InitGrid();
}

void frmControllerSetting::readDevice()
{
    m_linkFailure = 0;
    m_measurementFailure = 0;
    m_table1Failure = 0;
    m_table98Failure = 0;
    queryMeasurement();
    // A device that did not answer the measurement query is not asked again for the settings.
    if (m_online && m_linkFailure == 0)
        readSettings();
    else
        m_table1Read = m_table98Read = false;
}

void frmControllerSetting::queryMeasurement()
{
    bool flag = false;
    int32_t result = ChNotOpen;
    if (m_online)
        m_DevSrv->GetCycleTimeMeasurement(m_channel, flag, result);
    m_lastResult = result;
    m_measurementRead = result == ChOk;
    // An unknown state cannot be shown or switched: Apply would switch it by a box never read.
    chkActivateTimeCycle->setEnabled(m_measurementRead);
    if (result == ChOk) {
        chkActivateTimeCycle->setChecked(flag);
        if (flag)
            timerCycleTime->start();
        else
            timerCycleTime->stop();
    } else if (m_online && isTransportFailure(result)) {
        m_linkFailure = result;
    } else if (m_online) {
        m_measurementFailure = result;
    }
    setMeasurementShown(flag);
}

void frmControllerSetting::readSettings()
{
    m_table98Read = false; // times of an earlier read are not shown with these settings
    m_lastResult = ReadTable1();
    if (m_lastResult == ChOk)
        m_lastResult = ReadTable98();
}

int32_t frmControllerSetting::ReadTable1()
{
    const int32_t result = m_channel->VbRegSyncReadReq(m_pos, kSettingsTable, 0, kSettingsCount, m_regTable1);
    m_table1Read = result == ChOk;
    m_table1Failure = result;
    m_snapshot = m_regTable1;
    return result;
}

int32_t frmControllerSetting::ReadTable98()
{
    const int32_t result = m_channel->VbRegSyncReadReq(m_pos, kCycleTable, 0, kCycleCount, m_regTable98);
    m_table98Read = result == ChOk;
    m_table98Failure = result;
    return result;
}

void frmControllerSetting::fRegsToControls()
{
    // Nothing that was not read is shown, and nothing unread can be edited.
    for (QGroupBox* frame : {fraProcDataOutput, fraPlcTermbusUpdate, Frame4})
        frame->setEnabled(m_table1Read);

    const OptionControls options = decodeOptions(m_table1Read ? m_regTable1[kOptionReg] : 0);
    for (size_t i = 0; i < chkVRx.size(); ++i)
        chkVRx[i]->setChecked(options.checked[i]);
    chkVRx[2]->setEnabled(false);
    chkVRx[kReadOnlyBox]->setEnabled(false);
    // An unknown order (12) selects nothing, also when an option was selected before.
    m_busUpdateGroup->setExclusive(false);
    for (size_t i = 0; i < optPlcTermbusUpdate.size(); ++i)
        optPlcTermbusUpdate[i]->setChecked(m_table1Read && options.busUpdate == int(i));
    m_busUpdateGroup->setExclusive(true);

    for (size_t i = 0; i < editTab1Reg.size(); ++i)
        editTab1Reg[i]->setText(m_table1Read ? QString::number(m_regTable1[size_t(kEditRegisters[i])]) : QString());

    std::optional<std::vector<int32_t>> codes;
    if (m_table1Read) {
        codes.emplace();
        for (int t = 1; t <= m_grid->rowCount(); ++t)
            codes->push_back(assignmentCode(m_regTable1, t));
    }
    m_grid->setCodes(codes);

    ShowCycleTimes();
    updateStatus();
}

bool frmControllerSetting::fControlsToRegs()
{
    // Every field is judged before anything changes: one refused entry writes nothing.
    std::array<std::optional<int32_t>, kEditRegisters.size()> fields;
    for (size_t i = 0; i < editTab1Reg.size(); ++i) {
        const RegisterWord entry = parseRegisterWord(WordFormat::Unsigned, editTab1Reg[i]->text());
        if (entry.ok()) {
            fields[i] = entry.word;
        } else if (entry.verdict != WordVerdict::NoEntry) {
            editTab1Reg[i]->setText(QString::number(m_regTable1[size_t(kEditRegisters[i])]));
            settingswrite::showRefusedEntry(editTab1Reg[i]);
            return false;
        }
    }

    OptionControls options;
    for (size_t i = 0; i < chkVRx.size(); ++i)
        options.checked[i] = chkVRx[i]->isChecked();
    if (m_busUpdateGroup->checkedId() >= 0)
        options.busUpdate = m_busUpdateGroup->checkedId();
    m_regTable1[kOptionReg] = encodeOptions(m_regTable1[kOptionReg], options);

    // An empty field keeps its register.
    for (size_t i = 0; i < editTab1Reg.size(); ++i)
        if (fields[i])
            m_regTable1[size_t(kEditRegisters[i])] = *fields[i];

    const std::vector<int32_t> codes = m_grid->codes();
    packAssignments(m_regTable1, codes);

    // An unknown measurement state is left as the device has it.
    if (m_measurementRead) {
        m_cycleMeasurement = chkActivateTimeCycle->isChecked();
        setMeasurementShown(m_cycleMeasurement);
    }
    return true;
}

int32_t frmControllerSetting::WriteSteps::linkFailure() const
{
    if (const int32_t lost = block.linkFailure())
        return lost;
    for (const int32_t code : {restart, measurement})
        if (isTransportFailure(code))
            return code;
    return 0;
}

frmControllerSetting::WriteSteps frmControllerSetting::WriteSettings()
{
    HourglassGuard hourglass;
    WriteSteps steps;
    steps.block = settingswrite::writeUnderLiftedProtection(m_DevSrv.get(), m_channel,
                                                            [&] { return writeBlocks(steps); });
    m_lastResult = steps.block.restore; // the last call made
    return steps;
}

int32_t frmControllerSetting::writeBlocks(WriteSteps& steps)
{
    if (const int32_t rc = m_channel->VbRegSyncWriteReq(m_pos, kSettingsTable, 0, kSettingsCount, m_regTable1);
        rc != ChOk)
        return rc;
    // A state never read is neither restarted nor switched: the box could not show it.
    if (!m_measurementRead)
        return ChOk;
    if (m_cycleMeasurement) {
        // Kept apart from the image, which holds the last times read.
        const std::array<int32_t, kCycleCount> restart = {65535, 0, 0, 0};
        steps.restart = m_channel->VbRegSyncWriteReq(m_pos, kCycleTable, 0, kCycleCount, restart);
        if (isTransportFailure(steps.restart))
            return ChOk; // nothing more over a link that is gone
    }
    m_DevSrv->SetCycleTimeMeasurement(m_channel, m_cycleMeasurement, steps.measurement);
    if (steps.measurement != ChOk)
        return ChOk;
    if (m_cycleMeasurement)
        timerCycleTime->start();
    else
        timerCycleTime->stop();
    return ChOk;
}

QString frmControllerSetting::writeStepsMessage(const WriteSteps& steps, bool english) const
{
    using settingswrite::Step;
    if (!steps.block.written())
        return settingswrite::protectedWriteMessage(steps.block, english);
    QStringList parts;
    if (steps.restart != ChOk)
        parts << settingswrite::stepFailedMessage(Step::StatisticsRestart, steps.restart, english);
    if (steps.measurement != ChOk)
        parts << settingswrite::stepFailedMessage(m_cycleMeasurement ? Step::MeasurementOn : Step::MeasurementOff,
                                                  steps.measurement, english);
    if (const QString protection = settingswrite::protectedWriteMessage(steps.block, english); !protection.isEmpty())
        parts << protection;
    return parts.join(QStringLiteral("\n\n"));
}

void frmControllerSetting::ShowCycleTimes()
{
    for (size_t i = 0; i < lblDiagValue.size(); ++i)
        lblDiagValue[i]->setText(m_table98Read ? cycleTimeText(m_regTable98[i]) : QString());
}

void frmControllerSetting::setMeasurementShown(bool on)
{
    fraTab3->setEnabled(on);
    for (size_t i = 0; i < lblDiag.size(); ++i) {
        lblDiag[i]->setEnabled(on);
        lblDiagValue[i]->setEnabled(on);
    }
}

void frmControllerSetting::cmdApply_Click()
{
    if (!m_online || m_busy.isBusy())
        return;
    // A choice still open in the list counts, whether Apply was clicked or pressed by its key.
    m_linkDelegate->commitOpenEditor();
    m_busy.setBusy(true);
    applySettings();
    m_busy.setBusy(false);
}

void frmControllerSetting::applySettings()
{
    const bool english = localeIsEnglish();
    if (!m_table1Read) {
        // Writing now would put an image the device never reported into it.
        app().dialogs->MsgBox(settingswrite::notReadMessage(english), vbOKOnly | vbExclamation);
        readDevice();
        fRegsToControls();
        return;
    }

    if (!fControlsToRegs())
        return; // the user's other changes stay on screen
    const WriteSteps steps = WriteSettings();
    if (const QString message = writeStepsMessage(steps, english); !message.isEmpty())
        app().dialogs->MsgBox(message, vbOKOnly | vbExclamation);
    if (const int32_t lost = steps.linkFailure()) {
        showLinkLost(lost); // what the device took is unknown, and asking a silent device again only waits longer
        return;
    }
    // Table 1 the device took wants its restart, whichever later step failed.
    if (steps.block.written()
        && !std::equal(m_regTable1.begin(), m_regTable1.begin() + kSettingsCount, m_snapshot.begin())
        && app().dialogs->MsgBox(QStringLiteral("Reboot to take settings ?"), vbYesNo | vbQuestion) == vbYes) {
        if (const int32_t rebooted = rebootAndWait(); isTransportFailure(rebooted)) {
            showLinkLost(rebooted);
            return;
        }
    }
    if (steps.measurement != ChOk) {
        // The box shows what the device runs now, not the choice it refused.
        m_measurementFailure = 0;
        queryMeasurement();
        if (m_linkFailure != 0) {
            showLinkLost(m_linkFailure);
            return;
        }
    }
    readSettings();
    fRegsToControls();
}

int32_t frmControllerSetting::rebootAndWait()
{
    int32_t result = ChOk;
    m_DevSrv->RebootDevice(m_channel, result);
    m_lastResult = result;
    if (result != ChOk)
        app().dialogs->MsgBox(settingswrite::restartMessage(result, localeIsEnglish()), vbOKOnly | vbExclamation);
    // A refused restart is not waited for; one whose answer was lost may be under way.
    if (result != ChOk && !isLostAnswer(result))
        return result;
    // No tick may read the restarting device.
    const bool ticking = timerCycleTime->isActive();
    timerCycleTime->stop();
    setEnabled(false);
    app().dialogs->Wait(kRestartMs);
    setEnabled(true);
    if (ticking)
        timerCycleTime->start();
    return ChOk;
}

void frmControllerSetting::showLinkLost(int32_t code)
{
    timerCycleTime->stop();
    m_linkFailure = code;
    m_table1Read = m_table98Read = false;
    fRegsToControls();
}

void frmControllerSetting::cmdCancel_Click()
{
    FormRegistry::Unload(this); // closes the MDI frame too and deletes the form
}

void frmControllerSetting::timerCycleTime_Timer()
{
    if (sstabDiag->currentIndex() != kCycleTimeTab)
        return;
    timerCycleTime->stop();
    m_lastResult = ReadTable98();
    // Times not read now are not shown as current.
    ShowCycleTimes();
    if (m_lastResult == ChOk)
        timerCycleTime->start();
    updateStatus();
}

QString frmControllerSetting::statusText() const
{
    return lblStatus->text();
}

void frmControllerSetting::updateStatus()
{
    const bool english = localeIsEnglish();
    QStringList parts;
    if (m_linkFailure != 0)
        parts << tableview::noAnswerText(m_linkFailure, english);
    if (m_measurementFailure != 0)
        parts << measurementFailedText(m_measurementFailure, english);
    if (m_table1Failure != 0)
        parts << tableview::readFailedText(kSettingsTable, m_table1Failure, english);
    if (m_table98Failure != 0)
        parts << tableview::readFailedText(kCycleTable, m_table98Failure, english);
    lblStatus->setText(parts.join(QLatin1Char(' ')));
    lblStatus->setToolTip(lblStatus->text());
}
