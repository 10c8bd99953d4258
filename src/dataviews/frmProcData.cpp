#include "frmProcData.h"

#include "GridKeys.h"
#include "ProcImageModel.h"
#include "TypedEditDelegate.h"
#include "platform/AppContext.h"
#include "platform/BusyScope.h"
#include "platform/DeviceChannel.h"
#include "platform/FormRegistry.h"
#include "platform/LogBox.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <span>

using namespace procdata;

namespace {

// Design layout in twips: two frames side by side, selector and button below them.
constexpr int kGridWidth = 4500;
constexpr int kGridHeight = 5700;
constexpr int kFrameWidth = kGridWidth + 240;
constexpr int kGridTop = 990;
constexpr int kFrameHeight = kGridTop + kGridHeight + 120;
constexpr int kInLeft = 120;
constexpr int kOutLeft = kInLeft + kFrameWidth + 120;
constexpr int kFrameTop = 120;
constexpr int kBelowTop = kFrameTop + kFrameHeight + 120;
constexpr int kExitWidth = 1215;
constexpr int kScrolledWidth = kOutLeft + kFrameWidth + 120;
constexpr int kScrolledHeight = kBelowTop + 375 + 120;
constexpr double kOffsetShare = 0.15;
constexpr double kDataShare = 0.65;

} // namespace

frmProcData::frmProcData(QWidget* parent)
    : QWidget(parent)
    , ScrolledWindow1(new ScrolledWindow(this))
    , fraProcDataInput(new QGroupBox(ScrolledWindow1))
    , Label1{new QLabel(fraProcDataInput), nullptr}
    , comboDataTyp2(new QComboBox(fraProcDataInput))
    , tdbgInDataCaption(new QLabel(fraProcDataInput))
    , tdbgInData(new QTableView(fraProcDataInput))
    , fraProcDataOutput(new QGroupBox(ScrolledWindow1))
    , comboDataTyp1(new QComboBox(fraProcDataOutput))
    , tdbgOutDataCaption(new QLabel(fraProcDataOutput))
    , tdbgOutData(new QTableView(fraProcDataOutput))
    , cboProcImage(new QComboBox(ScrolledWindow1))
    , cmdExit(new QPushButton(ScrolledWindow1))
    , Timer1(new QTimer(this))
    , m_xaInData(new ProcImageModel(false, this))
    , m_xaOutData(new ProcImageModel(true, this))
    , m_outDelegate(new TypedEditDelegate(tdbgOutData))
{
    Label1[1] = new QLabel(fraProcDataOutput);
    setObjectName(QStringLiteral("frmProcData"));
    fraProcDataInput->setObjectName(QStringLiteral("fraProcDataInput"));
    fraProcDataOutput->setObjectName(QStringLiteral("fraProcDataOutput"));
    for (size_t i = 0; i < Label1.size(); ++i)
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    comboDataTyp1->setObjectName(QStringLiteral("comboDataTyp1"));
    comboDataTyp2->setObjectName(QStringLiteral("comboDataTyp2"));
    tdbgInDataCaption->setObjectName(QStringLiteral("tdbgInDataCaption"));
    tdbgOutDataCaption->setObjectName(QStringLiteral("tdbgOutDataCaption"));
    tdbgInData->setObjectName(QStringLiteral("tdbgInData"));
    tdbgOutData->setObjectName(QStringLiteral("tdbgOutData"));
    cboProcImage->setObjectName(QStringLiteral("cboProcImage"));
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    Timer1->setObjectName(QStringLiteral("Timer1"));

    fraProcDataInput->setGeometry(twipsRect(kInLeft, kFrameTop, kFrameWidth, kFrameHeight));
    fraProcDataOutput->setGeometry(twipsRect(kOutLeft, kFrameTop, kFrameWidth, kFrameHeight));
    for (int side = 0; side < 2; ++side) {
        Label1[size_t(side)]->setGeometry(twipsRect(120, 360, 900, 255));
        QComboBox* format = side == 0 ? comboDataTyp2 : comboDataTyp1;
        format->setGeometry(twipsRect(1080, 300, kGridWidth - 960, 330));
        QLabel* caption = side == 0 ? tdbgInDataCaption : tdbgOutDataCaption;
        caption->setGeometry(twipsRect(120, kGridTop - 270, kGridWidth, 270));
        caption->setAlignment(Qt::AlignCenter);
        (side == 0 ? tdbgInData : tdbgOutData)->setGeometry(twipsRect(120, kGridTop, kGridWidth, kGridHeight));
    }
    cboProcImage->setGeometry(twipsRect(kInLeft + 120, kBelowTop, 2700, 330));
    cmdExit->setGeometry(twipsRect(kOutLeft + kFrameWidth - kExitWidth, kBelowTop, kExitWidth, 375));
    resize(sizeHint());

    // The timer does nothing before RefreshData starts it.
    Timer1->setInterval(0);
    connect(Timer1, &QTimer::timeout, this, &frmProcData::Timer1_Timer);
    connect(cmdExit, &QPushButton::clicked, this, &frmProcData::cmdExit_Click);
    m_xaOutData->setCommitHandler([this](int reg, const QString& text) { return tdbgOutData_BeforeColUpdate(reg, text); });
    tdbgOutData->setItemDelegate(m_outDelegate);
    tdbgOutData->installEventFilter(this);

    Form_Load();
    // An open cell holds text in the format and for the row of the image it was opened in: a new
    // choice drops it unwritten.
    connect(comboDataTyp1, &QComboBox::currentIndexChanged, m_outDelegate, &TypedEditDelegate::discardOpenEditors);
    connect(cboProcImage, &QComboBox::currentIndexChanged, m_outDelegate, &TypedEditDelegate::discardOpenEditors);
}

frmProcData::~frmProcData()
{
    // Closing the window takes the focus from an open cell editor, which commits it; by then
    // this form is half gone, so such a late commit writes nothing.
    m_xaOutData->setCommitHandler({});
    Timer1->stop();
}

QSize frmProcData::sizeHint() const
{
    return {twipsToPx(kScrolledWidth + 120), twipsToPx(kScrolledHeight + 120)};
}

void frmProcData::Form_Load()
{
    fResize();
    m_InData.fill(0);
    m_OutData.fill(0);
    m_InTable = kFirstInTable;
    m_OutTable = kFirstOutTable;
    fInitDataTypControl(comboDataTyp1);
    fInitDataTypControl(comboDataTyp2);
    fInitProcGrid(tdbgInData, m_xaInData);
    fInitProcGrid(tdbgOutData, m_xaOutData);
    cboProcImage->clear();
    for (int n = 1; n <= kImages; ++n)
        cboProcImage->addItem(LoadResString(790) + QStringLiteral(" %1").arg(n));
    cboProcImage->setCurrentIndex(0);

    // Both languages show the string table's texts.
    setWindowTitle(LoadResString(790));
    fraProcDataInput->setTitle(LoadResString(791));
    tdbgInDataCaption->setText(LoadResString(791));
    fraProcDataOutput->setTitle(LoadResString(792));
    tdbgOutDataCaption->setText(LoadResString(792));
    for (QLabel* label : Label1)
        label->setText(LoadResString(793));
    cmdExit->setText(LoadResString(502));
}

void frmProcData::fInitDataTypControl(QComboBox* combo)
{
    combo->clear();
    for (int id = 820; id <= 824; ++id)
        combo->addItem(LoadResString(id));
    combo->setCurrentIndex(FmtHex);
}

void frmProcData::fInitProcGrid(QTableView* grid, ProcImageModel* source)
{
    grid->setModel(source);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setColumnWidth(ProcImageModel::ColOffset, qRound(kOffsetShare * grid->width()));
    grid->setColumnWidth(ProcImageModel::ColData, qRound(kDataShare * grid->width()));
}

void frmProcData::fResize()
{
    const int innerW = pxToTwips(width());
    const int innerH = pxToTwips(height());
    const int scrolledH = std::max(0, innerH - 120);
    ScrolledWindow1->setGeometry(0, 0, twipsToPx(std::max(0, innerW - 120)), twipsToPx(scrolledH));
    // A taller window shows more rows; a smaller one scrolls the design layout.
    const int grow = std::max(0, scrolledH - kScrolledHeight);
    const int dx = twipsToPx(ScrolledWindow1->offsetX());
    const int dy = twipsToPx(ScrolledWindow1->offsetY());
    for (QGroupBox* frame : {fraProcDataInput, fraProcDataOutput})
        frame->resize(frame->width(), twipsToPx(kFrameHeight + grow));
    for (QTableView* grid : {tdbgInData, tdbgOutData})
        grid->resize(grid->width(), twipsToPx(kGridHeight + grow));
    cboProcImage->move(twipsToPx(kInLeft + 120) + dx, twipsToPx(kBelowTop + grow) + dy);
    cmdExit->move(twipsToPx(kOutLeft + kFrameWidth - kExitWidth) + dx, twipsToPx(kBelowTop + grow) + dy);
    ScrolledWindow1->ArrangeConstituentControls();
}

void frmProcData::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fResize();
}

void frmProcData::closeEvent(QCloseEvent* event)
{
    // A closed view is deleted only later: ticks due before then would read on. And only Enter
    // or another cell writes, not its close box, a log-out or a language switch.
    m_bExit = true;
    Timer1->stop();
    m_outDelegate->discardOpenEditors();
    QWidget::closeEvent(event);
}

bool frmProcData::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tdbgOutData && enterOpensEditor(tdbgOutData, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void frmProcData::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    m_xmlNode = node;
    m_objChannel = channel;
    m_vParams = param;
    show();
    if (m_objChannel) {
        // Logged at once: the first tick only reads again after these have waited out their time-outs.
        (void)readImage(kFirstInTable, 0, kStartRows, m_InData);
        (void)readImage(kFirstOutTable, 0, kStartRows, m_OutData);
    }
    Timer1->setInterval(kFirstTickMs);
    Timer1->start();
    m_bExit = false;
}

void frmProcData::Timer1_Timer()
{
    Timer1->stop();
    Timer1->setInterval(kTickMs);
    if (m_bExit)
        return;
    const int32_t n = std::clamp(cboProcImage->currentIndex(), 0, kImages - 1);
    // Rows held from the other image are not this image's words.
    if (kFirstInTable + n != m_InTable)
        m_xaInData->resetTexts();
    if (kFirstOutTable + n != m_OutTable)
        m_xaOutData->resetTexts();
    m_InTable = kFirstInTable + n;
    m_OutTable = kFirstOutTable + n;
    (void)UploadProcData(); // always true
    ++m_ticks;
    // Counted from the end of the tick, so a slow line stretches the period instead of piling up ticks.
    Timer1->start();
}

bool frmProcData::UploadProcData()
{
    refreshGrid(tdbgInData, m_xaInData, m_InTable, m_InData, comboDataTyp2->currentIndex());
    refreshGrid(tdbgOutData, m_xaOutData, m_OutTable, m_OutData, comboDataTyp1->currentIndex());
    return true;
}

void frmProcData::refreshGrid(QTableView* grid, ProcImageModel* source, int32_t table, Image& image, int format)
{
    // Without a channel there is nothing to read and nothing to report.
    if (!m_objChannel)
        return;
    const RowWindow window =
        visibleWindow(grid->rowAt(0), grid->rowAt(grid->viewport()->height() - 1), source->rowCount());
    if (window.rows == 0)
        return;
    if (!readImage(table, window.first, window.rows, image)) {
        // What the image still holds was not read now: those rows show no value.
        source->setTexts(window.first, QStringList(window.rows, QString()));
        return;
    }
    QStringList texts;
    texts.reserve(window.rows);
    for (int32_t i = window.first; i < window.first + window.rows; ++i)
        texts << formatWord(format, image[size_t(i)]);
    source->setTexts(window.first, texts);
}

bool frmProcData::readImage(int32_t table, int32_t first, int32_t rows, Image& image)
{
    m_lResult = m_objChannel->VbRegSyncReadReq(0, table, first, rows,
                                               std::span(image).subspan(size_t(first), size_t(rows)));
    if (m_lResult != 0)
        AppendLogText(app().gLogBox, readErrorLine(m_lResult, table, first, rows));
    return m_lResult == 0;
}

void frmProcData::WriteOutputWord(int32_t reg, int32_t value)
{
    const std::array<int32_t, 1> word{value};
    m_lResult = m_objChannel->VbRegSyncWriteReq(0, m_OutTable, reg, 1, word);
}

bool frmProcData::tdbgOutData_BeforeColUpdate(int reg, const QString& text)
{
    const tableview::RegisterEdit entry = parseOutputEntry(comboDataTyp1->currentIndex(), text);
    switch (entry.verdict) {
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
    // Offline nothing can be written, so the cell keeps what it showed.
    if (!m_objChannel)
        return false;
    WriteOutputWord(reg, entry.value);
    if (m_lResult != 0) {
        AppendLogText(app().gLogBox, writeErrorLine(m_lResult, m_OutTable, reg, entry.value));
        return false;
    }
    // The number as written; the next tick reads it back in the chosen format.
    m_xaOutData->setText(reg, QString::number(entry.value));
    return true;
}

void frmProcData::showInvalidEntry()
{
    m_invalidEntryPending = false;
    app().dialogs->MsgBox(invalidEntryMessage(), vbOKOnly | vbInformation);
}

void frmProcData::cmdExit_Click()
{
    m_bExit = true;
    Timer1->stop();
    FormRegistry::Unload(this); // closes the MDI frame too and deletes the form
}
