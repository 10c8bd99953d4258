#include "SettingsViewBase.h"

#include "TableViewLogic.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/FormLayout.h"
#include "platform/FormRegistry.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/ProtocolDeviceService.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

SettingsViewBase::SettingsViewBase(const Design& design, QWidget* parent)
    : QWidget(parent)
    , ScrolledWindow1(new ScrolledWindow(this))
    , Frame7(new QGroupBox(ScrolledWindow1))
    , lblType(new QLabel(QStringLiteral("Type:"), Frame7))
    , lblValueType(new QLabel(QStringLiteral("ValueType"), Frame7))
    , lblStatus(new QLabel(Frame7))
    , cmdApply(new QPushButton(QStringLiteral("&Übernehmen"), ScrolledWindow1))
    , cmdCancel(new QPushButton(QStringLiteral("&Abbrechen"), ScrolledWindow1))
    , m_DevSrv(std::make_unique<DeviceService>())
    , m_table(design.table)
    , m_count(std::clamp<int32_t>(design.count, 1, 256))
    , m_liftsProtection(design.liftsProtection)
    , m_designSize(twipsToPx(design.scrolledWidthTwips + ScrolledWindow::FormMarginTwips),
                   twipsToPx(design.scrolledHeightTwips + ScrolledWindow::FormMarginTwips))
{
    setObjectName(design.formName);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    lblType->setObjectName(QStringLiteral("lblType"));
    lblValueType->setObjectName(QStringLiteral("lblValueType"));
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    Frame7->setGeometry(twipsRect(240, 120, 8655, 1215));
    lblType->setGeometry(twipsRect(240, 240, 1200, 285));
    lblValueType->setGeometry(twipsRect(1560, 240, 6900, 285));
    lblStatus->setGeometry(twipsRect(240, 600, 8280, 540));
    lblStatus->setWordWrap(true);
    lblStatus->setStyleSheet(QStringLiteral("color: #c00000;"));
    cmdApply->setGeometry(twipsRect(9000, 1560, 1215, 375));
    cmdCancel->setGeometry(twipsRect(9000, 2040, 1215, 375));
    resize(m_designSize);

    if (localeIsEnglish()) {
        cmdApply->setText(LoadResString(500));
        cmdCancel->setText(LoadResString(501));
    }
    fWidenToCaptions({cmdApply, cmdCancel}); // "&Übernehmen" is wider than the design's buttons
    connect(cmdApply, &QPushButton::clicked, this, &SettingsViewBase::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &SettingsViewBase::cmdCancel_Click);
    ResizeControls();
}

SettingsViewBase::~SettingsViewBase() = default;

QSize SettingsViewBase::sizeHint() const
{
    return m_designSize;
}

QString SettingsViewBase::statusText() const
{
    return lblStatus->text();
}

void SettingsViewBase::setStatus(const QString& failure)
{
    m_failure = failure;
    QStringList parts;
    for (const QString& part : {m_failure, m_notice})
        if (!part.isEmpty())
            parts << part;
    lblStatus->setText(parts.join(QLatin1Char(' ')));
    lblStatus->setToolTip(lblStatus->text());
}

void SettingsViewBase::setNotice(const QString& notice)
{
    m_notice = notice;
    setStatus(m_failure);
}

void SettingsViewBase::ResizeControls()
{
    ScrolledWindow1->FitToForm();
}

void SettingsViewBase::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ResizeControls();
}

void SettingsViewBase::closeEvent(QCloseEvent* event)
{
    // The form must outlive its Apply, which waits for the rebooting device with window messages running.
    if (m_busy.refuseClose(event))
        return;
    QWidget::closeEvent(event);
}

void SettingsViewBase::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    (void)node; // the views always read the coupler (position 0)
    (void)param;
    m_Channel = channel;
    m_DevPos = 0;
    m_FirstReg = 0;
    m_notice.clear();
    ReadTable0();
    showRegisters();
}

void SettingsViewBase::ReadTable0()
{
    const int32_t result = m_Channel ? m_Channel->VbRegSyncReadReq(m_DevPos, m_table, m_FirstReg, m_count, registers())
                                     : int32_t(ChNotOpen);
    m_lastReadOk = result == ChOk;
    if (m_lastReadOk)
        std::copy_n(m_RegValues.begin(), m_count, m_RegSnapshot.begin());
    setStatus(m_lastReadOk ? QString() : tableview::readFailedText(m_table, result, localeIsEnglish()));
}

void SettingsViewBase::showRegisters()
{
    if (m_content)
        m_content->setEnabled(m_lastReadOk);
    if (m_lastReadOk)
        fRegsToControls();
    else
        clearControls();
}

settingswrite::ProtectedWrite SettingsViewBase::WriteTable0()
{
    HourglassGuard hourglass;
    const auto write = [this] {
        return m_Channel ? m_Channel->VbRegSyncWriteReq(m_DevPos, m_table, m_FirstReg, m_count, registers())
                         : int32_t(ChNotOpen);
    };
    return settingswrite::writeUnderLiftedProtection(m_liftsProtection ? m_DevSrv.get() : nullptr, m_Channel, write);
}

void SettingsViewBase::showLinkLost(int32_t code)
{
    m_lastReadOk = false;
    setStatus(tableview::noAnswerText(code, localeIsEnglish()));
    showRegisters();
}

int32_t SettingsViewBase::firstChangedRegister(int32_t from, int32_t to) const
{
    for (int32_t i = std::max(from, 0); i <= std::min(to, m_count - 1); ++i)
        if (m_RegValues[size_t(i)] != m_RegSnapshot[size_t(i)])
            return i;
    return -1;
}

void SettingsViewBase::cmdApply_Click()
{
    if (m_busy.isBusy())
        return;
    // An entry no register holds is refused before anything is written, and the user's other
    // changes stay on screen.
    if (m_lastReadOk && !fControlsToRegs())
        return;
    m_busy.setBusy(true);
    setEnabled(false);
    m_notice.clear();
    if (const int32_t lost = applySettings(); lost != ChOk) {
        // What the device holds now is unknown, and reading a silent device again only waits longer.
        showLinkLost(lost);
    } else {
        ReadTable0();
        showRegisters();
    }
    setEnabled(true);
    m_busy.setBusy(false);
}

int32_t SettingsViewBase::applySettings()
{
    const bool english = localeIsEnglish();
    if (!m_lastReadOk) {
        // Unread controls hold no device values: writing them would overwrite the settings.
        app().dialogs->MsgBox(settingswrite::notReadMessage(english), vbOKOnly | vbExclamation);
        return ChOk;
    }
    const settingswrite::ProtectedWrite written = WriteTable0();
    if (const QString message = settingswrite::protectedWriteMessage(written, english); !message.isEmpty())
        app().dialogs->MsgBox(message, vbOKOnly | vbExclamation);
    if (const int32_t lost = written.linkFailure())
        return lost;
    // Settings the device refused want no restart; those it took do, also with its protection left off.
    if (!written.written())
        return ChOk;
    const int32_t after = afterWrite();
    return isTransportFailure(after) ? after : int32_t(ChOk);
}

void SettingsViewBase::cmdCancel_Click()
{
    FormRegistry::Unload(this);
}
