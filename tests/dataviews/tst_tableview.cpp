// The register table view against a scripted channel and offline.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "dataviews/frmTable.h"
#include "platform/LocaleInfo.h"
#include "platform/UserInputBlock.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

QString paramsFor(const QString& userData)
{
    return QStringLiteral("<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId><LanguageId>9</LanguageId>"
                          "<UserData>%1</UserData><DisplayMode>0</DisplayMode></Params>")
        .arg(userData);
}

// A station with the coupler and one terminal; the coupler's description has
// tables 5 (descriptions and values for registers 0..3) and 127.
const char* const kStation = R"(<Station>
  <Device Name="VN4555-0000" Pos="0">
    <Tables>
      <Table Number="5" Length="20">
        <Register Offset="0" Value="0x0010" Desc1031="Erstes Register"/>
        <Register Offset="1" Value="17" Desc1031="Zweites Register"/>
        <Register Offset="3" Value="0xFFFF" Desc1031="Viertes Register"/>
      </Table>
      <Table Number="127" Length="128">
        <Register Offset="5" Value="4" Desc1031="Tabelle 5"/>
      </Table>
    </Tables>
  </Device>
  <Device Name="TM6853-0000" Pos="1">
    <Tables>
      <Table Number="2" Length="65">
        <Register Offset="0" Value="0" Desc1031="Kanal 2 Status"/>
      </Table>
    </Tables>
  </Device>
  <Device Name="Ohne Position"/>
</Station>)";

QVector<int32_t> ramp(int n, int start = 100)
{
    QVector<int32_t> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = start + i;
    return v;
}

QStringList row(const frmTable& form, int r)
{
    const RegisterTableModel::Row texts = form.model()->rowTexts(r);
    return {texts.begin(), texts.end()};
}

} // namespace

class TestTableView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void captionsAndLayout_data();
    void captionsAndLayout();
    void loadsCouplerTableInOneRead();
    void loadsFullTable();
    void offlineRowsFromDescription();
    void missingPositionReadsNothing();
    void userDataKeptWhenMissing();
    void failedBlockReadShowsNoValues();
    void lostLengthReadIsNamed();
    void refreshRereadsWithStoredLength();

    void editWritesAndShowsReadBack_data();
    void editWritesAndShowsReadBack();
    void invalidEntryRestoresAndWritesNothing();
    void invalidEntryBoxWaitsForWorkWithInputHeld();
    void failedWriteOrReadBackRestoresRow_data();
    void failedWriteOrReadBackRestoresRow();
    void offlineEditChangesOnlyTheGrid();
    void enterEditsAndMessageShownOnce();
    void unchangedOrUnreadCellsWriteNothing();
    void onlyEnterOrAnotherCellWrites_data();
    void onlyEnterOrAnotherCellWrites();
    void exitUnloadsForm();

private:
    frmTable* loadForm(IDeviceChannel* channel, int deviceIndex, const QString& table);

    std::unique_ptr<TestEnv> m_env;
    pugi::xml_document m_doc;
    std::vector<pugi::xml_node> m_devices;
    QPointer<frmTable> m_form;
};

void TestTableView::init()
{
    m_env = std::make_unique<TestEnv>();
    QVERIFY(m_doc.load_string(kStation));
    m_devices.clear();
    for (pugi::xml_node d : m_doc.child("Station").children("Device"))
        m_devices.push_back(d);
}

void TestTableView::cleanup()
{
    delete m_form.data();
    m_env.reset();
}

frmTable* TestTableView::loadForm(IDeviceChannel* channel, int deviceIndex, const QString& table)
{
    delete m_form.data();
    m_form = new frmTable;
    m_form->RefreshData(m_devices[size_t(deviceIndex)], channel, paramsFor(table));
    return m_form;
}

void TestTableView::captionsAndLayout_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("German") << 7;
    QTest::newRow("English") << 9;
}

void TestTableView::captionsAndLayout()
{
    QFETCH(int, language);
    int32_t status = 0;
    LocaleInfo().SetLocale(language, 1, status);

    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    // Every caption comes from the string table or the design, whatever the language.
    QCOMPARE(form.windowTitle(), QString());
    QCOMPARE(form.findChild<QPushButton*>("cmdExit")->text(), QStringLiteral("&Exit"));
    QCOMPARE(form.findChild<QPushButton*>("cmdRefresh")->text(), QStringLiteral("&Refresh"));
    QCOMPARE(form.findChild<QLabel*>("tdbgDataCaption")->text(), QStringLiteral("Register"));
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << form.model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"Offset", "HEX", "UINT", "BIN", "Description"}));
    QVERIFY(form.findChild<QTableView*>("tdbgData") == form.grid());
    QVERIFY(form.findChild<QWidget*>("Frame1"));

    // Shares of the 8775-twip grid: 0.1, 0.1, 0.1, 0.25, 0.5.
    QList<int> widths;
    for (int c = 0; c < 5; ++c)
        widths << form.grid()->columnWidth(c);
    QCOMPARE(widths, (QList<int>{59, 59, 59, 146, 293}));

    form.show();
    form.resize(800, 600);
    QCOMPARE(form.findChild<QWidget*>("ScrolledWindow1")->geometry(), QRect(0, 0, 792, 592));
    QCOMPARE(form.findChild<QWidget*>("Frame1")->height(), (592 * 15 - 500) / 15);
    QCOMPARE(form.grid()->height(), (592 * 15 - 900) / 15);

    auto* progress = form.findChild<QProgressBar*>("ProgressBar1");
    QCOMPARE(progress->maximum(), 270);
    QVERIFY(progress->isHidden());
    // One step for each of the five stages and one per row, from 1.
    QCOMPARE(progress->value(), 1 + 5 + 10);
}

void TestTableView::loadsCouplerTableInOneRead()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(12));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));

    QCOMPARE(channel.callLog(), (QStringList{"read 0 127 5 1", "read 0 5 0 10"}));
    QCOMPARE(form.tableNumber(), 5);
    QCOMPARE(form.position(), 0);
    QVERIFY(form.online());
    QCOMPARE(form.model()->rowCount(), 10);
    QCOMPARE(row(form, 0), (QStringList{"000", "0x0064", "100", " 0000 0000 0110 0100", "Erstes Register"}));
    QCOMPARE(row(form, 2), (QStringList{"002", "0x0066", "102", " 0000 0000 0110 0110", ""}));
    QCOMPARE(row(form, 9).first(3), (QStringList{"009", "0x006D", "109"}));
    // Online the description gives only the texts.
    QCOMPARE(row(form, 3).last(), QStringLiteral("Viertes Register"));
    QCOMPARE(form.statusText(), QString());
    QVERIFY(m_env->dialogs().messages.isEmpty());
}

void TestTableView::loadsFullTable()
{
    // A length of 65535 shows 256 rows, offsets up to '255'; the read stays within the buffer.
    ScriptedChannel channel;
    channel.setRegister(0, 127, 7, 65535);
    channel.setTable(0, 7, ramp(300, 0));
    frmTable& full = *loadForm(&channel, 0, QStringLiteral("7"));
    QCOMPARE(channel.callLog(), (QStringList{"read 0 127 7 1", "read 0 7 0 256"}));
    QCOMPARE(full.model()->rowCount(), 256);
    QCOMPARE(row(full, 255).first(3), (QStringList{"255", "0x00FF", "255"}));
}

void TestTableView::offlineRowsFromDescription()
{
    frmTable& form = *loadForm(nullptr, 0, QStringLiteral("5"));
    QVERIFY(!form.online());
    // Register 5 of the description's table 127 holds 4.
    QCOMPARE(form.model()->rowCount(), 4);
    QCOMPARE(row(form, 0), (QStringList{"000", "0x0010", "16", " 0000 0000 0001 0000", "Erstes Register"}));
    QCOMPARE(row(form, 1), (QStringList{"001", "0x0011", "17", " 0000 0000 0001 0001", "Zweites Register"}));
    QCOMPARE(row(form, 2), (QStringList{"002", "0x0000", "0", " 0000 0000 0000 0000", ""}));
    QCOMPARE(row(form, 3), (QStringList{"003", "0xFFFF", "65535", " 1111 1111 1111 1111", "Viertes Register"}));

    // A terminal table the description lacks: 64 registers of 65535, no texts.
    frmTable& missing = *loadForm(nullptr, 1, QStringLiteral("9"));
    QCOMPARE(missing.model()->rowCount(), 64);
    QCOMPARE(row(missing, 17), (QStringList{"017", "0xFFFF", "65535", " 1111 1111 1111 1111", ""}));
}

void TestTableView::missingPositionReadsNothing()
{
    ScriptedChannel channel;
    frmTable& form = *loadForm(&channel, 2, QStringLiteral("5"));
    QCOMPARE(form.position(), -1);
    QVERIFY(channel.calls.isEmpty());
    QCOMPARE(form.model()->rowCount(), 0);
    QVERIFY(form.findChild<QProgressBar*>("ProgressBar1")->isHidden());
    // Refresh has nothing to read either.
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QVERIFY(channel.calls.isEmpty());
}

void TestTableView::userDataKeptWhenMissing()
{
    ScriptedChannel channel;
    channel.setTable(1, 2, ramp(64));
    channel.setTable(1, 0, ramp(64));
    frmTable& form = *loadForm(&channel, 1, QStringLiteral("2"));
    form.RefreshData(m_devices[1], &channel,
                     QStringLiteral("<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId></Params>"));
    QCOMPARE(form.tableNumber(), 2);
    form.RefreshData(m_devices[1], &channel, paramsFor(QStringLiteral("zwei")));
    QCOMPARE(form.tableNumber(), 2);
    QCOMPARE(channel.callLog(), (QStringList{"read 1 2 0 64", "read 1 2 0 64", "read 1 2 0 64"}));
    // A new form starts at table 0.
    frmTable& fresh = *loadForm(&channel, 1, QStringLiteral(""));
    QCOMPARE(fresh.tableNumber(), 0);
}

void TestTableView::failedBlockReadShowsNoValues()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 4);
    channel.failReads(0, 5, ChTimeout);
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    QCOMPARE(form.model()->rowCount(), 4);
    QCOMPARE(row(form, 0), (QStringList{"000", "", "", "", "Erstes Register"}));
    QCOMPARE(row(form, 3), (QStringList{"003", "", "", "", "Viertes Register"}));
    QCOMPARE(form.statusText(), QStringLiteral("Lesen der Tabelle 5 fehlgeschlagen: Code 4097 (Zeitüberschreitung)."));
    QVERIFY(m_env->dialogs().messages.isEmpty());

    // A refresh that succeeds fills the rows and clears the note; one that fails again empties them.
    channel.clearFailures();
    channel.setTable(0, 5, ramp(4));
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status);
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(row(form, 3).first(3), (QStringList{"003", "0x0067", "103"}));
    QCOMPARE(form.statusText(), QString());
    channel.failReads(0, 5, ChRebooting);
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(row(form, 3).first(3), (QStringList{"003", "", ""}));
    QCOMPARE(form.statusText(), QStringLiteral("Reading table 5 failed: code 4101 (rebooting)."));
}

// Table 6 is not in the description: a lost length read leaves nothing to go by but the kept length.
void TestTableView::lostLengthReadIsNamed()
{
    ScriptedChannel channel;
    channel.setTable(0, 6, ramp(8));
    channel.failReads(0, 127, ChTimeout);
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("6"));
    QCOMPARE(channel.callLog(), QStringList{"read 0 127 6 1"});
    QCOMPARE(form.model()->rowCount(), 0);
    const QString lost = QStringLiteral("Lesen der Länge von Tabelle 6 (Tabelle 127, Register 6) fehlgeschlagen: "
                                        "Code 4097 (Zeitüberschreitung).");
    QCOMPARE(form.statusText(), lost);
    // A refresh reads with the same length, still not one the device gave.
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(form.statusText(), lost);

    // Read after all: no note, one status line, the frame in its design place.
    channel.clearFailures();
    channel.setRegister(0, 127, 6, 8);
    form.RefreshData(m_devices[0], &channel, paramsFor(QStringLiteral("6")));
    QCOMPARE(form.model()->rowCount(), 8);
    QCOMPARE(form.statusText(), QString());
    auto* status = form.findChild<QLabel*>(QStringLiteral("lblStatus"));
    auto* frame = form.findChild<QFrame*>(QStringLiteral("Frame1"));
    const QRect oneLine = status->geometry();
    const QRect frameAt = frame->geometry();
    const int gridMargin = frameAt.height() - form.grid()->geometry().bottom();

    // Lost again on the next load (8 rows kept), and a write refused: the whole text shows on
    // several lines, and the frame below gives up their height.
    channel.failReads(0, 127, ChTimeout);
    form.RefreshData(m_devices[0], &channel, paramsFor(QStringLiteral("6")));
    channel.setWriteResult(ChWriteProtected);
    QVERIFY(!form.model()->setData(form.model()->index(2, 2), QStringLiteral("7")));
    QCOMPARE(form.statusText(), lost + QStringLiteral("  Schreiben von Register 2 ergab Code 4100 (schreibgeschützt). "
                                                      "Die Zeile zeigt den zurückgelesenen Wert."));
    const QRect whole = status->fontMetrics().boundingRect(QRect(0, 0, status->width(), 10000), Qt::TextWordWrap,
                                                          status->text());
    QVERIFY(whole.height() > oneLine.height());
    QVERIFY(status->height() >= whole.height());
    QCOMPARE(status->y(), oneLine.y());
    QVERIFY(frame->y() >= status->geometry().bottom());
    QCOMPARE(frame->geometry().bottom(), frameAt.bottom());
    QCOMPARE(frame->height() - form.grid()->geometry().bottom(), gridMargin);
}

void TestTableView::refreshRereadsWithStoredLength()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 3);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    channel.setRegister(0, 127, 5, 8); // a changed length is not asked again
    channel.setRegister(0, 5, 1, 0x1234);
    channel.calls.clear();
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(channel.callLog(), QStringList{"read 0 5 0 3"});
    QCOMPARE(form.model()->rowCount(), 3);
    QCOMPARE(form.model()->cell(1, 1), QStringLiteral("0x1234"));
}

void TestTableView::editWritesAndShowsReadBack_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("written");
    QTest::addColumn<QStringList>("shown"); // HEX, UINT, BIN after the read-back

    const QStringList ff{"0x00FF", "255", " 0000 0000 1111 1111"};
    const QStringList zero{"0x0000", "0", " 0000 0000 0000 0000"};
    QTest::newRow("HEX ff") << 1 << "ff" << 255 << ff;
    QTest::newRow("UINT 65535") << 2 << "65535" << 65535 << ff;
    QTest::newRow("BIN 17 digits, the first a leading zero") << 3 << "0 0000 0000 0000 0001" << 1
                                                             << QStringList{"0x0001", "1", " 0000 0000 0000 0001"};
    QTest::newRow("BIN 0 writes 0") << 3 << " 0 " << 0 << zero;
    // The device keeps only the low byte: the row shows what it holds, not what was typed.
    QTest::newRow("read-back differs") << 1 << "0x1234" << 0x1234 << QStringList{"0x0034", "52", " 0000 0000 0011 0100"};
}

namespace {
// A register bank that keeps only the low byte of what is written to table 5.
class ByteRegisterChannel : public ScriptedChannel {
public:
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        const int32_t rc = ScriptedChannel::VbRegSyncWriteReq(pos, table, first, count, buffer);
        if (rc == 0 && table == 5)
            setRegister(pos, table, first, buffer[0] & 0xFF);
        return rc;
    }
};
} // namespace

void TestTableView::editWritesAndShowsReadBack()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(int, written);
    QFETCH(QStringList, shown);

    ByteRegisterChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    channel.calls.clear();

    QVERIFY(form.model()->setData(form.model()->index(3, column), text));
    QCOMPARE(channel.callLog(), (QStringList{"write 0 5 3 1", "read 0 5 3 1"}));
    QCOMPARE(channel.calls[0].values, QVector<int32_t>{written});
    QCOMPARE(row(form, 3), QStringList{"003"} + shown + QStringList{"Viertes Register"});
    QCOMPARE(form.statusText(), QString());
    QVERIFY(m_env->dialogs().messages.isEmpty());
    // Only the edited row changed.
    QCOMPARE(row(form, 2).first(3), (QStringList{"002", "0x0066", "102"}));
}

// A log-out closing the views lets events run with the user's input held back: the box of an
// entry refused just before could not be answered there, so it comes after that work.
void TestTableView::invalidEntryBoxWaitsForWorkWithInputHeld()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    QVERIFY(!form.model()->setData(form.model()->index(4, 1), QStringLiteral("&H1")));
    {
        const UserInputBlock held;
        UserInputBlock::processPendingEvents();
        QCOMPARE(m_env->dialogs().messages.size(), 0);
    }
    QTRY_COMPARE(m_env->dialogs().messages.size(), 1);
}

void TestTableView::invalidEntryRestoresAndWritesNothing()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    channel.calls.clear();
    const QStringList before = row(form, 4);

    QVERIFY(!form.model()->setData(form.model()->index(4, 1), QStringLiteral("&H1")));
    // Two rejected commits of one edit before the box is up (as a focus change would make) ask once.
    QVERIFY(!form.model()->setData(form.model()->index(4, 1), QStringLiteral("&H1")));
    QCOMPARE(row(form, 4), before);
    QTRY_COMPARE(m_env->dialogs().messages.size(), 1);
    QCOMPARE(m_env->dialogs().messages.first(),
             QStringLiteral("Invalid entry\n\nOriginal value will be recovered !|64|"));
    QVERIFY(!form.model()->setData(form.model()->index(4, 3), QStringLiteral("0102")));
    QTRY_COMPARE(m_env->dialogs().messages.size(), 2);

    // A number no register holds is refused the same way, never cut to 16 bits.
    const std::pair<int, const char*> tooLarge[] = {
        {2, "99999999999"}, {2, "65536"}, {1, "0x10000"}, {3, "1 0000 0000 0000 0000"}};
    for (const auto& [column, text] : tooLarge) {
        const qsizetype boxes = m_env->dialogs().messages.size();
        QVERIFY(!form.model()->setData(form.model()->index(4, column), QString::fromLatin1(text)));
        QTRY_COMPARE(m_env->dialogs().messages.size(), boxes + 1);
    }

    // Nothing typed (empty, blanks, "0x" alone), and the read-only columns, restore without a word.
    QVERIFY(!form.model()->setData(form.model()->index(4, 2), QString()));
    QVERIFY(!form.model()->setData(form.model()->index(4, 1), QStringLiteral("   ")));
    QVERIFY(!form.model()->setData(form.model()->index(4, 1), QStringLiteral("0x")));
    QVERIFY(!form.model()->setData(form.model()->index(4, 3), QString()));
    QVERIFY(!form.model()->setData(form.model()->index(4, 0), QStringLiteral("7")));
    QVERIFY(!form.model()->setData(form.model()->index(4, 4), QStringLiteral("Text")));
    QTest::qWait(10);
    QCOMPARE(m_env->dialogs().messages.size(), 6);
    QVERIFY(channel.calls.isEmpty());
    QCOMPARE(row(form, 4), before);
}

void TestTableView::failedWriteOrReadBackRestoresRow_data()
{
    QTest::addColumn<int>("writeResult");
    QTest::addColumn<bool>("readBackFails");
    QTest::addColumn<QStringList>("shown"); // the row's HEX, UINT and BIN afterwards
    QTest::addColumn<QString>("status");
    const QStringList unchanged{"0x006A", "106", " 0000 0000 0110 1010"};
    QTest::newRow("write refused: the read-back shows the device's value")
        << int(ChWriteProtected) << false << unchanged
        << "Writing register 6 gave code 4100 (write-protected). The row shows the value read back.";
    QTest::newRow("read-back fails: not verified")
        << int(ChOk) << true << QStringList{"", "", ""}
        << "Register 6 is not verified: reading back gave code 4097 (time-out).";
    QTest::newRow("both fail: not verified, both codes")
        << int(ChTimeout) << true << QStringList{"", "", ""}
        << "Register 6 is not verified: writing gave code 4097 (time-out), reading back gave code 4097 (time-out).";
}

void TestTableView::failedWriteOrReadBackRestoresRow()
{
    QFETCH(int, writeResult);
    QFETCH(bool, readBackFails);
    QFETCH(QStringList, shown);
    QFETCH(QString, status);

    int32_t localeStatus = 0;
    LocaleInfo().SetLocale(9, 1, localeStatus);
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    channel.calls.clear();
    channel.setWriteResult(writeResult);
    if (readBackFails)
        channel.failReads(0, 5, ChTimeout);

    // The register is read back whatever the write said; the old value never stands as read.
    QVERIFY(!form.model()->setData(form.model()->index(6, 1), QStringLiteral("ff")));
    QCOMPARE(channel.callLog(), (QStringList{"write 0 5 6 1", "read 0 5 6 1"}));
    QCOMPARE(row(form, 6), QStringList{"006"} + shown + QStringList{""});
    QCOMPARE(form.statusText(), status);
    QCOMPARE(form.model()->data(form.model()->index(6, 4), Qt::ToolTipRole).toString(), status);
    QTest::qWait(10);
    QVERIFY(m_env->dialogs().messages.isEmpty());

    // A refresh shows the device's value again; the next good write clears the note.
    channel.setWriteResult(ChOk);
    channel.clearFailures();
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(form.model()->cell(6, 1), writeResult == ChOk ? QStringLiteral("0x00FF") : QStringLiteral("0x006A"));
    QVERIFY(form.model()->setData(form.model()->index(6, 2), QStringLiteral("7")));
    QCOMPARE(form.model()->cell(6, 1), QStringLiteral("0x0007"));
    QCOMPARE(form.statusText(), QString());
    QCOMPARE(form.model()->data(form.model()->index(6, 4), Qt::ToolTipRole), QVariant());
}

void TestTableView::offlineEditChangesOnlyTheGrid()
{
    frmTable& form = *loadForm(nullptr, 0, QStringLiteral("5"));
    QVERIFY(form.model()->setData(form.model()->index(1, 1), QStringLiteral("ff")));
    QCOMPARE(row(form, 1), (QStringList{"001", "0x00FF", "255", " 0000 0000 1111 1111", "Zweites Register"}));
    QVERIFY(!form.model()->setData(form.model()->index(0, 2), QStringLiteral("70000")));
    QCOMPARE(form.model()->cell(0, 2), QStringLiteral("16"));
    QVERIFY(form.model()->setData(form.model()->index(0, 2), QStringLiteral("65535")));
    QCOMPARE(form.model()->cell(0, 2), QStringLiteral("65535"));
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(form.model()->cell(1, 1), QStringLiteral("0x0011"));
    QCOMPARE(form.model()->cell(0, 2), QStringLiteral("16"));
}

void TestTableView::enterEditsAndMessageShownOnce()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    QTableView* grid = form.grid();
    grid->setFocus();
    channel.calls.clear();

    // Enter opens the editor of the current cell.
    grid->setCurrentIndex(form.model()->index(2, 1));
    QTest::keyClick(grid, Qt::Key_Return);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->text(), QStringLiteral("0x0066"));
    editor->setFocus();
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("&H1"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(m_env->dialogs().messages.size(), 1);
    // Focus moving on does not ask again.
    form.findChild<QPushButton*>("cmdExit")->setFocus();
    grid->setFocus();
    QTest::qWait(20);
    QCOMPARE(m_env->dialogs().messages.size(), 1);
    QVERIFY(channel.calls.isEmpty());
    QCOMPARE(form.model()->cell(2, 1), QStringLiteral("0x0066"));

    // Enter, type, Enter: written and shown.
    grid->setCurrentIndex(form.model()->index(2, 1));
    QTest::keyClick(grid, Qt::Key_Enter);
    editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setFocus();
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("ff"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(channel.callLog(), (QStringList{"write 0 5 2 1", "read 0 5 2 1"}));
    QCOMPARE(form.model()->cell(2, 1), QStringLiteral("0x00FF"));
    QCOMPARE(m_env->dialogs().messages.size(), 1);

    // Enter on a read-only cell opens nothing.
    grid->setCurrentIndex(form.model()->index(2, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::qWait(10);
    const auto editors = grid->viewport()->findChildren<QLineEdit*>();
    QVERIFY(std::none_of(editors.begin(), editors.end(), [](QLineEdit* e) { return e->isVisible(); }));

    // Closing the form with an open editor writes nothing (the late commit meets no form).
    channel.calls.clear();
    grid->setCurrentIndex(form.model()->index(4, 2));
    QTest::keyClick(grid, Qt::Key_Return);
    editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor && editor->isVisible());
    editor->setText(QStringLiteral("77"));
    delete m_form.data();
    QTest::qWait(10);
    QVERIFY(channel.calls.isEmpty());
}

void TestTableView::unchangedOrUnreadCellsWriteNothing()
{
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    channel.failReads(0, 5, ChTimeout);
    frmTable& form = *loadForm(&channel, 0, QStringLiteral("5"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    QTableView* grid = form.grid();
    grid->setFocus();
    channel.calls.clear();
    const auto visibleEditors = [grid] {
        const auto editors = grid->viewport()->findChildren<QLineEdit*>();
        return std::count_if(editors.begin(), editors.end(), [](QLineEdit* e) { return e->isVisible(); });
    };

    // After a failed read the blank value cells take no edit: Enter, Enter writes no 0.
    QCOMPARE(form.model()->cell(2, 1), QString());
    for (int c = 1; c <= 3; ++c)
        QVERIFY(!(form.model()->flags(form.model()->index(2, c)) & Qt::ItemIsEditable));
    grid->setCurrentIndex(form.model()->index(2, 1));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(visibleEditors(), 0);
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(!form.model()->setData(form.model()->index(2, 1), QString()));
    QVERIFY(!form.model()->setData(form.model()->index(2, 3), QString()));
    QTest::qWait(10);
    QVERIFY(channel.callLog().filter(QStringLiteral("write")).isEmpty());
    QCOMPARE(row(form, 2), (QStringList{"002", "", "", "", ""}));

    // After a good read, Enter, Enter without typing writes nothing and says nothing.
    channel.clearFailures();
    form.findChild<QPushButton*>("cmdRefresh")->click();
    QCOMPARE(form.model()->cell(2, 1), QStringLiteral("0x0066"));
    channel.setRegister(0, 5, 2, 0x0777); // the device moved on; the shown value is stale
    channel.calls.clear();
    grid->setFocus();
    for (int c = 1; c <= 3; ++c) {
        grid->setCurrentIndex(form.model()->index(2, c));
        QTest::keyClick(grid, Qt::Key_Return);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor && editor->isVisible());
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(visibleEditors(), 0);
    }
    QTest::qWait(10);
    QVERIFY(channel.callLog().filter(QStringLiteral("write")).isEmpty());
    QVERIFY(m_env->dialogs().messages.isEmpty());
    QCOMPARE(row(form, 2), (QStringList{"002", "0x0066", "102", " 0000 0000 0110 0110", ""}));
    QCOMPARE(form.statusText(), QString());

    // Typing the value the cell shows writes it again, and the row shows what the device holds.
    grid->setCurrentIndex(form.model()->index(2, 2));
    QTest::keyClick(grid, Qt::Key_Return);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor && editor->isVisible());
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("102"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(channel.callLog().filter(QStringLiteral("write")), QStringList{"write 0 5 2 1"});
    QCOMPARE(channel.calls.last().kind, QStringLiteral("read"));
    QCOMPARE(form.model()->cell(2, 2), QStringLiteral("102"));
}

enum EditEnd { EndEnter, EndTab, EndOtherCell, EndArrowUp, EndArrowDown, EndEscape, EndButtonFocus, EndClose };

void TestTableView::onlyEnterOrAnotherCellWrites_data()
{
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("editorStays"); // open, with the typed text
    QTest::newRow("Enter writes") << int(EndEnter) << true << false;
    QTest::newRow("Tab writes") << int(EndTab) << true << false;
    QTest::newRow("a click on another cell writes") << int(EndOtherCell) << true << false;
    QTest::newRow("the Up arrow moves to another cell and writes") << int(EndArrowUp) << true << false;
    QTest::newRow("the Down arrow moves to another cell and writes") << int(EndArrowDown) << true << false;
    QTest::newRow("Escape writes nothing") << int(EndEscape) << false << false;
    QTest::newRow("focus on a button keeps the editor") << int(EndButtonFocus) << false << true;
    QTest::newRow("closing the form writes nothing") << int(EndClose) << false << false;
}

void TestTableView::onlyEnterOrAnotherCellWrites()
{
    QFETCH(int, end);
    QFETCH(bool, written);
    QFETCH(bool, editorStays);
    ScriptedChannel channel;
    channel.setRegister(0, 127, 5, 10);
    channel.setTable(0, 5, ramp(10));
    QPointer<frmTable> form = loadForm(&channel, 0, QStringLiteral("5"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QApplication::setActiveWindow(form);
    QTableView* grid = form->grid();
    grid->setFocus();
    grid->setCurrentIndex(form->model()->index(2, 1));
    QTest::keyClick(grid, Qt::Key_Return);
    QPointer<QLineEdit> editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor && editor->hasFocus());
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("ff"));
    channel.calls.clear();

    switch (EditEnd(end)) {
    case EndEnter:
        QTest::keyClick(editor, Qt::Key_Return);
        break;
    case EndTab:
        QTest::keyClick(editor, Qt::Key_Tab);
        break;
    case EndOtherCell: {
        const QRect cell = grid->visualRect(form->model()->index(5, 2));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        break;
    }
    case EndArrowUp:
        QTest::keyClick(editor, Qt::Key_Up);
        break;
    case EndArrowDown:
        QTest::keyClick(editor, Qt::Key_Down);
        break;
    case EndEscape:
        QTest::keyClick(editor, Qt::Key_Escape);
        break;
    case EndButtonFocus:
        form->findChild<QPushButton*>("cmdRefresh")->setFocus();
        break;
    case EndClose:
        form->close();
        break;
    }
    QTest::qWait(20); // Enter commits from the event loop
    QCOMPARE(channel.callLog().filter(QStringLiteral("write")),
             written ? QStringList{"write 0 5 2 1"} : QStringList());
    QCOMPARE(editor && editor->isVisible(), editorStays);
    if (editorStays)
        QCOMPARE(editor->text(), QStringLiteral("ff"));
}

void TestTableView::exitUnloadsForm()
{
    ScriptedChannel channel;
    channel.setTable(1, 2, ramp(64));
    QPointer<frmTable> form = loadForm(&channel, 1, QStringLiteral("2"));
    form->findChild<QPushButton*>("cmdExit")->click();
    QTRY_VERIFY(form.isNull());
}

QTEST_MAIN(TestTableView)
#include "tst_tableview.moc"
