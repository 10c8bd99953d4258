// The process image view's display formats, and the form without a device or with a refusing one.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "dataviews/ProcDataLogic.h"
#include "dataviews/ProcImageModel.h"
#include "dataviews/frmProcData.h"
#include "platform/UserInputBlock.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace procdata;

class TestProcData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_env.reset(); }

    void formatWord_data();
    void formatWord();
    void offlineReadsWritesAndLogsNothing();
    void refusedWriteIsLoggedAndCellKept();
    void invalidEntryBoxWaitsForWorkWithInputHeld();
    void openEditorKeepsTypedTextThroughTicks_data();
    void openEditorKeepsTypedTextThroughTicks();
    void newFormatOrImageDropsTheOpenCell_data();
    void newFormatOrImageDropsTheOpenCell();
    void exitClosesAtOnce();

private:
    std::unique_ptr<TestEnv> m_env;
    ScriptedChannel m_channel;
};

void TestProcData::init()
{
    m_env = std::make_unique<TestEnv>();
    m_channel = ScriptedChannel();
    m_channel.setTable(0, 114, QVector<int32_t>(256, 1));
    m_channel.setTable(0, 110, QVector<int32_t>(256, 2));
}

void TestProcData::formatWord_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("hex: blank after 0x, two digits a byte") << int(FmtHex) << 0x1234 << "0x 1234";
    QTest::newRow("hex: all ones") << int(FmtHex) << 65535 << "0x FFFF";
    QTest::newRow("Hex(): four digits, no prefix") << int(FmtHexPlain) << 0xAB << "00AB";
    QTest::newRow("signed: 65535 is -1") << int(FmtInt16) << 65535 << "-1";
    QTest::newRow("signed: 32768 is the lowest") << int(FmtInt16) << 32768 << "-32768";
    QTest::newRow("unsigned") << int(FmtUInt16) << 65535 << "65535";
    QTest::newRow("binary, bit 15 first") << int(FmtBinary) << 0x1234 << " 0001 0010 0011 0100";
}

void TestProcData::formatWord()
{
    QFETCH(int, format);
    QFETCH(int, word);
    QFETCH(QString, text);
    QCOMPARE(procdata::formatWord(format, word), text);
}

void TestProcData::offlineReadsWritesAndLogsNothing()
{
    frmProcData form;
    ProcImageModel& in = *form.inputSource();
    ProcImageModel& out = *form.outputSource();
    // Edits of the inputs would only be overwritten by the next tick.
    QVERIFY(!(in.flags(in.index(0, 1)) & Qt::ItemIsEditable) && (out.flags(out.index(0, 1)) & Qt::ItemIsEditable));
    form.RefreshData({}, nullptr, {});
    QTRY_VERIFY(form.ticks() >= 3);
    QCOMPARE(m_env->log().Text(), QString());
    QCOMPARE(in.text(0), QStringLiteral("0x0000"));
    QVERIFY(!out.setData(out.index(3, 1), QStringLiteral("12")));
    QCOMPARE(out.text(3), QStringLiteral("0x0000"));
}

void TestProcData::refusedWriteIsLoggedAndCellKept()
{
    m_channel.setWriteResult(ChWriteProtected);
    frmProcData form;
    form.RefreshData({}, &m_channel, {});
    QVERIFY(!form.outputSource()->setData(form.outputSource()->index(3, 1), QStringLiteral("12")));
    QCOMPARE(form.outputSource()->text(3), QStringLiteral("0x0000"));
    QCOMPARE(m_env->log().Text(), QStringLiteral("ProcData Error: Write Err/Table/Row/Value 4100 110 3 18\r\n"));
}

// As in the register table: not inside work that holds the user's input back.
void TestProcData::invalidEntryBoxWaitsForWorkWithInputHeld()
{
    frmProcData form;
    form.RefreshData({}, &m_channel, {});
    QVERIFY(!form.outputSource()->setData(form.outputSource()->index(3, 1), QStringLiteral("&H1")));
    {
        const UserInputBlock held;
        UserInputBlock::processPendingEvents();
        QCOMPARE(m_env->dialogs().messages.size(), 0);
    }
    QTRY_COMPARE(m_env->dialogs().messages, QStringList{invalidEntryMessage() + QStringLiteral("|64|")});
}

void TestProcData::openEditorKeepsTypedTextThroughTicks_data()
{
    QTest::addColumn<bool>("failing"); // every read fails
    QTest::addColumn<int>("keyMs");    // between two keys
    QTest::newRow("outputs change every 10 ms, a key every 150 ms") << false << 150;
    QTest::newRow("outputs change every 10 ms, a key every 20 ms") << false << 20;
    QTest::newRow("every read fails, a key every 150 ms") << true << 150;
}

// A running controller changes its outputs all the time; the editor keeps what is typed, and Enter
// writes exactly that.
void TestProcData::openEditorKeepsTypedTextThroughTicks()
{
    QFETCH(bool, failing);
    QFETCH(int, keyMs);
    constexpr int kWord = 7;
    frmProcData form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    form.RefreshData({}, &m_channel, {});
    QTimer outputs;
    int32_t moving = 0;
    connect(&outputs, &QTimer::timeout, this, [&] { m_channel.setRegister(0, 110, kWord, ++moving & 0xFFFF); });
    outputs.start(10);
    QTRY_VERIFY(form.ticks() >= 2);
    if (failing)
        m_channel.failReads(0, -1, ChTimeout);

    auto* grid = form.findChild<QTableView*>(QStringLiteral("tdbgOutData"));
    ProcImageModel& out = *form.outputSource();
    grid->setFocus();
    grid->setCurrentIndex(out.index(kWord, ProcImageModel::ColData));
    QTest::keyClick(grid, Qt::Key_Return);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor && editor->hasFocus());
    editor->selectAll();
    m_channel.calls.clear();
    const QString typed = QStringLiteral("0x1111");
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const int ticks = form.ticks();
        QTest::keyClick(editor, typed[i].toLatin1());
        QTest::qWait(keyMs);
        QCOMPARE(editor->text(), typed.left(i + 1));
        if (keyMs > kTickMs)
            QVERIFY(form.ticks() > ticks);
    }
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(m_channel.callLog().filter(QStringLiteral("write")), QStringList{"write 0 110 7 1"});
    QTest::qWait(2 * kTickMs);
    QCOMPARE(m_channel.callLog().filter(QStringLiteral("write")).size(), 1);
    const auto write = std::find_if(m_channel.calls.cbegin(), m_channel.calls.cend(),
                                    [](const ScriptedChannel::Call& c) { return c.kind == QLatin1String("write"); });
    QCOMPARE(write->values, QVector<int32_t>{0x1111});
    // Once the edit has ended the cell follows the device again.
    if (!failing)
        QTRY_VERIFY(out.text(kWord).startsWith(QLatin1String("0x ")));
}

void TestProcData::newFormatOrImageDropsTheOpenCell_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<int>("choice");
    QTest::newRow("format: unsigned") << "comboDataTyp1" << int(FmtUInt16);
    QTest::newRow("process image 3") << "cboProcImage" << 2;
}

// An open cell holds text in the format it was opened in, for a row of the image it was opened
// in: a new choice drops it, and a click on another cell afterwards writes nothing.
void TestProcData::newFormatOrImageDropsTheOpenCell()
{
    QFETCH(QString, selector);
    QFETCH(int, choice);
    frmProcData form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.RefreshData({}, &m_channel, {});
    QTRY_VERIFY(form.ticks() >= 1);
    auto* grid = form.findChild<QTableView*>(QStringLiteral("tdbgOutData"));
    ProcImageModel& out = *form.outputSource();
    grid->setFocus();
    grid->setCurrentIndex(out.index(3, ProcImageModel::ColData));
    QTest::keyClick(grid, Qt::Key_Return);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor && editor->hasFocus());
    editor->selectAll();
    QTest::keyClicks(editor, "10");

    auto* combo = form.findChild<QComboBox*>(selector);
    combo->setFocus(); // as a click on the selector does; the cell stays open
    QVERIFY(editor->isVisible());
    combo->setCurrentIndex(choice);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(out.index(5, ProcImageModel::ColData)).center());
    QTest::qWait(2 * kTickMs);
    QCOMPARE(m_channel.callLog().filter(QStringLiteral("write")), QStringList());
}

void TestProcData::exitClosesAtOnce()
{
    QPointer<frmProcData> form = new frmProcData;
    form->RefreshData({}, &m_channel, {});
    QTRY_VERIFY(form->ticks() >= 1);
    form->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
    const int reads = m_channel.readCount();
    QTRY_VERIFY(form.isNull());
    QCOMPARE(m_channel.readCount(), reads);
    QVERIFY(m_env->dialogs().messages.isEmpty());
}

QTEST_MAIN(TestProcData)
#include "tst_procdata.moc"
