#include "frmTable.h"

#include "GridKeys.h"
#include "TableViewLogic.h"
#include "TypedEditDelegate.h"
#include "devices/clsConvertXml.h"
#include "platform/AppContext.h"
#include "platform/BusyScope.h"
#include "platform/DeviceChannel.h"
#include "platform/FormRegistry.h"
#include "platform/LocaleInfo.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"
#include "platform/VbConvert.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <span>

namespace {

constexpr int kProgressMax = 270;
// The design places of the status line (one line high) and of the frame below it, in twips.
constexpr int kStatusTop = 120;
constexpr int kStatusHeight = 255;
constexpr int kFrameTop = 360;
// Shares of the grid's width: Offset, HEX, UINT, BIN, Description (together 1.05).
constexpr double kColumnShares[RegisterTableModel::ColumnCount] = {0.1, 0.1, 0.1, 0.25, 0.5};

} // namespace

frmTable::frmTable(QWidget* parent)
    : QWidget(parent)
    , ScrolledWindow1(new ScrolledWindow(this))
    , lblStatus(new QLabel(ScrolledWindow1))
    , ProgressBar1(new QProgressBar(ScrolledWindow1))
    , Frame1(new QFrame(ScrolledWindow1))
    , tdbgDataCaption(new QLabel(Frame1))
    , tdbgData(new QTableView(Frame1))
    , cmdExit(new QPushButton(ScrolledWindow1))
    , cmdRefresh(new QPushButton(ScrolledWindow1))
    , m_model(new RegisterTableModel(this))
    , m_delegate(new TypedEditDelegate(tdbgData))
{
    setObjectName(QStringLiteral("frmTable"));
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    tdbgDataCaption->setObjectName(QStringLiteral("tdbgDataCaption"));
    tdbgData->setObjectName(QStringLiteral("tdbgData"));
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));

    ScrolledWindow1->setGeometry(twipsRect(120, 120, 10935, 7935));
    // The status shares the progress bar's place; the bar covers it while a load runs.
    lblStatus->setGeometry(twipsRect(240, kStatusTop, 8895, kStatusHeight));
    ProgressBar1->setGeometry(twipsRect(240, kStatusTop, 8895, kStatusHeight));
    Frame1->setGeometry(twipsRect(240, kFrameTop, 9135, 7215));
    tdbgDataCaption->setGeometry(twipsRect(120, 0, 8775, 240));
    tdbgData->setGeometry(twipsRect(120, 240, 8775, 6735));
    cmdExit->setGeometry(twipsRect(9480, 480, 1215, 375));
    cmdRefresh->setGeometry(twipsRect(9480, 7200, 1215, 375));
    resize(twipsToPx(10935 + 120), twipsToPx(7935 + 120));
    // The window always holds the buttons beside the grid: smaller, the container's scroll bars
    // would come under the grid's own and cut them off (the main window's area scrolls instead).
    const QRect buttons = cmdExit->geometry().united(cmdRefresh->geometry());
    const int margin = twipsToPx(ScrolledWindow::FormMarginTwips);
    setMinimumSize(buttons.right() + 1 + margin, buttons.bottom() + 1 + margin);

    Frame1->setFrameShape(QFrame::StyledPanel);
    tdbgDataCaption->setAlignment(Qt::AlignCenter);
    ProgressBar1->setTextVisible(false);
    lblStatus->setStyleSheet(QStringLiteral("color: #c00000;"));
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    tdbgData->setModel(m_model);
    tdbgData->setItemDelegate(m_delegate);
    tdbgData->verticalHeader()->hide();
    tdbgData->setSelectionMode(QAbstractItemView::SingleSelection);
    tdbgData->installEventFilter(this);
    m_model->setCommitHandler([this](int reg, int column, const QString& text) { return commitCell(reg, column, text); });

    connect(cmdRefresh, &QPushButton::clicked, this, &frmTable::cmdRefresh_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmTable::cmdExit_Click);

    Form_Load();
}

frmTable::~frmTable()
{
    // Closing the window takes the focus from an open cell editor, which commits it; by then
    // this form is half gone, so such a late commit is dropped.
    m_model->setCommitHandler({});
}

void frmTable::Form_Load()
{
    Form_Resize();
    ProgressBar1->setRange(0, kProgressMax);
    ProgressBar1->setValue(1);
    setWindowTitle(QString());
    // The string table's texts serve both languages here; "&Refresh" is the design caption.
    cmdRefresh->setText(QStringLiteral("&Refresh"));
    cmdExit->setText(LoadResString(502));
    tdbgDataCaption->setText(LoadResString(405));
    m_model->setCaptions({LoadResString(703), QStringLiteral("HEX"), QStringLiteral("UINT"), QStringLiteral("BIN"),
                          LoadResString(704)});
}

void frmTable::Form_Resize()
{
    const int innerW = pxToTwips(width());
    const int innerH = pxToTwips(height());
    const int scrolledH = std::max(0, innerH - 120);
    ScrolledWindow1->setGeometry(0, 0, twipsToPx(std::max(0, innerW - 120)), twipsToPx(scrolledH));
    // A long status wraps, and the frame gives up the height of its further lines.
    const int statusH = std::max(twipsToPx(kStatusHeight), lblStatus->heightForWidth(lblStatus->width()));
    const int below = statusH - twipsToPx(kStatusHeight);
    lblStatus->resize(lblStatus->width(), statusH);
    Frame1->setGeometry(Frame1->x(), twipsToPx(kFrameTop) + below + twipsToPx(ScrolledWindow1->offsetY()),
                        Frame1->width(), std::max(0, twipsToPx(std::max(0, scrolledH - 500)) - below));
    tdbgData->resize(tdbgData->width(), std::max(0, twipsToPx(std::max(0, scrolledH - 900)) - below));
    ScrolledWindow1->ArrangeConstituentControls();
}

void frmTable::closeEvent(QCloseEvent* event)
{
    // Only Enter or another cell writes: its close box, a log-out or a language switch does not.
    m_delegate->discardOpenEditors();
    QWidget::closeEvent(event);
}

void frmTable::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

bool frmTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tdbgData && enterOpensEditor(tdbgData, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

clsConvertXml& frmTable::reader()
{
    if (!m_reader)
        m_reader = std::make_unique<clsConvertXml>();
    return *m_reader;
}

void frmTable::stepProgress()
{
    ProgressBar1->setValue(std::min(ProgressBar1->value() + 1, kProgressMax));
}

void frmTable::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    m_channel = channel;
    m_node = node;
    pugi::xml_document params;
    const QByteArray paramText = param.toUtf8();
    if (params.load_buffer(paramText.constData(), size_t(paramText.size()))) {
        const pugi::xml_node userData = params.child("Params").child("UserData");
        if (userData)
            if (const std::optional<int32_t> table = vbCLng(QString::fromUtf8(userData.text().get())))
                m_table = *table;
    }

    m_online = channel != nullptr;
    stepProgress();

    m_first = 0;
    // Without a device element there is no device to read: treated like an empty Pos.
    m_pos = -1;
    reader().GetDevicePos(node, m_pos);
    if (m_pos == -1) {
        ProgressBar1->hide();
        return;
    }
    stepProgress();

    bool lengthLost = false;
    m_length = tableview::decideTableLength(m_pos, m_table, m_online ? m_channel : nullptr, reader(), m_node,
                                            m_length, m_lastResult, lengthLost);
    // Kept through refreshes: they read with the same length, still not one the device gave.
    m_lengthFailure =
        lengthLost ? tableview::lengthReadFailedText(m_table, m_lastResult, localeIsEnglish()) : QString();
    stepProgress();

    readTable();
    ProgressBar1->hide();
}

void frmTable::readTable()
{
    const int32_t length = tableview::capLength(m_length);
    const std::span<int32_t> values = std::span(m_registers).first(size_t(length));
    const bool english = localeIsEnglish();

    m_readFailure.clear();
    m_writeFailure.clear();
    m_valuesRead = true;
    if (m_online) {
        // Nothing to ask for when the table is empty; a zero-count request is refused by the device.
        if (length > 0) {
            m_lastResult = m_channel->VbRegSyncReadReq(m_pos, m_table, m_first, length, values);
            if (m_lastResult != 0) {
                // Rows of a failed read show no value rather than zeros or old values.
                m_valuesRead = false;
                m_readFailure = tableview::readFailedText(m_table, m_lastResult, english);
            }
        }
    } else {
        // Registers the description lacks show 0, not what an earlier table left here.
        std::fill(values.begin(), values.end(), 0);
        m_lastResult = reader().GetTableValues(m_node, m_table, m_first, length, values) ? 1 : 0;
    }
    stepProgress();

    const std::span<QString> descs = std::span(m_descs).first(size_t(length));
    (void)reader().GetTableDesc(m_node, m_table, m_first, length, descs); // fills "" where there is none
    stepProgress();

    QVector<RegisterTableModel::Row> rows;
    rows.reserve(length);
    for (int r = 0; r < length; ++r) {
        rows << (m_valuesRead ? tableview::rowTexts(r, m_registers[size_t(r)], m_descs[size_t(r)])
                              : tableview::unreadRowTexts(r, m_descs[size_t(r)]));
        stepProgress();
    }

    m_model->setRows(rows);
    const int gridWidth = tdbgData->width();
    for (int c = 0; c < RegisterTableModel::ColumnCount; ++c) {
        tdbgData->setColumnHidden(c, false);
        tdbgData->setColumnWidth(c, qRound(kColumnShares[c] * gridWidth));
    }
    updateStatus();
}

void frmTable::cmdRefresh_Click()
{
    // Nothing was loaded for a device without a position.
    if (m_pos == -1)
        return;
    readTable();
}

void frmTable::cmdExit_Click()
{
    FormRegistry::Unload(this); // closes the MDI frame too and deletes the form
}

bool frmTable::commitCell(int reg, int column, const QString& text)
{
    // Rows of a failed read hold no value to change; a blank commit there must not write 0.
    if (m_pos == -1 || reg < 0 || reg >= m_length || !m_valuesRead)
        return false;
    const tableview::RegisterEdit edit = tableview::parseRegisterEdit(column, text);
    switch (edit.verdict) {
    case tableview::EditVerdict::Accepted:
        break;
    case tableview::EditVerdict::Invalid:
        // Shown after the commit has finished: a box opened inside it would take the editor's
        // focus and make the grid commit (and complain) a second time. Not inside work that
        // lets events run with the user's input held back (a log-out closing the views): that
        // box could not be answered.
        if (!m_invalidEntryPending) {
            m_invalidEntryPending = true;
            BusyScope::whenIdle(this, [this] { showInvalidEntry(); });
        }
        return false;
    case tableview::EditVerdict::NoEntry:
    case tableview::EditVerdict::NotEditable:
        return false;
    }

    const QString& desc = m_descs[size_t(reg)];
    if (!m_online) {
        m_model->setRow(reg, tableview::rowTexts(reg, edit.value, desc));
        return true;
    }

    // The register is always read back, also when the write's reply was lost: the device
    // may hold the new value even so, and the row must show what it holds.
    std::array<int32_t, 1> word{edit.value};
    const int32_t writeResult = m_channel->VbRegSyncWriteReq(m_pos, m_table, reg, 1, word);
    word[0] = 0;
    const int32_t readResult = m_channel->VbRegSyncReadReq(m_pos, m_table, reg, 1, word);
    m_writeFailure = tableview::writeFailedText(reg, writeResult, readResult, localeIsEnglish());
    if (readResult != 0) {
        // Not verified: neither the old nor the typed value may stand as the device's.
        m_model->setRow(reg, tableview::unreadRowTexts(reg, desc));
        m_model->setRowNote(reg, m_writeFailure);
    } else {
        m_registers[size_t(reg)] = word[0];
        m_model->setRow(reg, tableview::rowTexts(reg, word[0], desc));
        m_model->setRowNote(reg, writeResult != 0 ? m_writeFailure : QString());
    }
    updateStatus();
    return writeResult == 0 && readResult == 0;
}

void frmTable::showInvalidEntry()
{
    m_invalidEntryPending = false;
    app().dialogs->MsgBox(tableview::invalidEntryMessage(), vbOKOnly | vbInformation);
}

QString frmTable::statusText() const
{
    return lblStatus->text();
}

void frmTable::updateStatus()
{
    QStringList parts;
    if (!m_lengthFailure.isEmpty())
        parts << m_lengthFailure;
    if (!m_readFailure.isEmpty())
        parts << m_readFailure;
    if (!m_writeFailure.isEmpty())
        parts << m_writeFailure;
    lblStatus->setText(parts.join(QStringLiteral("  ")));
    Form_Resize();
}

QWidget* createFrmTable(QWidget* parent)
{
    return new frmTable(parent);
}
