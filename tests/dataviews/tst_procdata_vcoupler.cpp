// The process image view through the serial channel against the virtual coupler.
// Its failure paths are rows of the end-to-end fault matrix (tests/e2e/tst_faultmatrix_views.cpp).
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "dataviews/ProcImageModel.h"
#include "dataviews/frmProcData.h"
#include "platform/SerialChannel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <QtTest>

namespace {
constexpr int kShownRows = 20;
} // namespace

class TestProcDataVCoupler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup();

    void firstReadsThenVisibleRows();
    void scrollingReadsTheWindowOnScreen();
    void outputEntry_data();
    void outputEntry();
    void imageSwitchTakesEffectAtTheNextTick_data();
    void imageSwitchTakesEffectAtTheNextTick();

private:
    frmProcData& open();
    QTableView* grid(const char* name) const { return m_form->findChild<QTableView*>(QLatin1String(name)); }
    ProcImageModel& out() const { return *m_form->outputSource(); }

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<VirtualCoupler> m_coupler;
    std::unique_ptr<SerialChannel> m_channel;
    QPointer<frmProcData> m_form;
};

void TestProcDataVCoupler::cleanup()
{
    delete m_form.data();
    m_channel.reset();
    m_coupler.reset();
    m_env.reset();
}

// Starts the coupler and shows the view with exactly kShownRows rows in each grid.
frmProcData& TestProcDataVCoupler::open()
{
    m_coupler = std::make_unique<VirtualCoupler>();
    m_channel = std::make_unique<SerialChannel>();
    if (m_coupler->start(QStringLiteral("vn6555-demo.xml"))) {
        auto* param = dynamic_cast<ISerialChannelParam*>(m_channel->GetDeviceParamObj());
        param->SetPort(m_coupler->comNumber());
        param->SetTimeout(200);
        m_channel->PortOpen();
    }
    m_form = new frmProcData;
    m_form->show();
    for (QTableView* g : {grid("tdbgInData"), grid("tdbgOutData")})
        g->resize(g->width(), g->height() - g->viewport()->height() + kShownRows * g->rowHeight(0));
    m_form->RefreshData({}, m_channel.get(), {});
    return *m_form;
}

void TestProcDataVCoupler::firstReadsThenVisibleRows()
{
    frmProcData& form = open();
    QCOMPARE(form.inputSource()->text(0), QStringLiteral("0x0000"));
    QTRY_VERIFY(m_coupler->requests().size() >= 4);
    QCOMPARE(m_coupler->requests().mid(0, 4),
             (QStringList{"read 0 114 0 20 = 0", "read 0 110 0 20 = 0", "read 0 114 0 20 = 0", "read 0 110 0 20 = 0"}));
    // The coupler's counter in input word 0 moves in the grid.
    QTRY_VERIFY(form.inputSource()->text(0).startsWith(QLatin1String("0x ")));
    const QString before = form.inputSource()->text(0);
    QTRY_VERIFY(form.inputSource()->text(0) != before);
    QCOMPARE(out().text(19), QStringLiteral("0x 0000"));
    QCOMPARE(out().text(20), QStringLiteral("0x0000")); // never on screen
    QCOMPARE(m_env->log().Text(), QString());
}

void TestProcDataVCoupler::scrollingReadsTheWindowOnScreen()
{
    open();
    grid("tdbgInData")->scrollTo(m_form->inputSource()->index(200, 0), QAbstractItemView::PositionAtTop);
    QTRY_VERIFY(m_coupler->requests().contains(QStringLiteral("read 0 114 200 20 = 0")));
    grid("tdbgOutData")->scrollToBottom();
    QTRY_VERIFY(m_coupler->requests().contains(QStringLiteral("read 0 110 236 20 = 0")));
    for (const QString& read : m_coupler->requests().filter(QRegularExpression(QStringLiteral("^read 0 11")))) {
        const QStringList f = read.split(QLatin1Char(' '));
        QVERIFY2(f[3].toInt() + f[4].toInt() <= 256 && f[6] == QLatin1String("0"), qPrintable(read));
    }
}

void TestProcDataVCoupler::outputEntry_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("written"); // -1: nothing written
    QTest::addColumn<int>("boxes");
    QTest::newRow("hex 0xFFFF") << 0 << "0xFFFF" << 65535 << 0;
    QTest::newRow("Hex() reads hex") << 1 << "ff" << 255 << 0;
    QTest::newRow("signed -1") << 2 << "-1" << 65535 << 0;
    QTest::newRow("unsigned 65535") << 3 << "65535" << 65535 << 0;
    QTest::newRow("binary, leading zeros") << 4 << "0 0000 0000 0000 0101" << 5 << 0;
    QTest::newRow("letters in unsigned: one box") << 3 << "abc" << -1 << 1;
    QTest::newRow("12G in hex: one box") << 0 << "12G" << -1 << 1;
    QTest::newRow("hex 0x12345: one box, not cut") << 0 << "0x12345" << -1 << 1;
    QTest::newRow("unsigned 70000: one box, not 4464") << 3 << "70000" << -1 << 1;
    QTest::newRow("binary, 17 digits: one box") << 4 << "1 0000 0000 0000 0101" << -1 << 1;
    QTest::newRow("signed 40000: one box") << 2 << "40000" << -1 << 1;
    QTest::newRow("unsigned beyond 31 bits: one box") << 3 << "2147483648" << -1 << 1;
    QTest::newRow("blank hex: nothing written, no box") << 0 << " " << -1 << 0;
    QTest::newRow("0x alone in Hex(): nothing written") << 1 << "0x" << -1 << 0;
    QTest::newRow("empty binary: nothing written") << 4 << "" << -1 << 0;
    QTest::newRow("signed '-' alone: silently kept") << 2 << "-" << -1 << 0;
}

void TestProcDataVCoupler::outputEntry()
{
    QFETCH(int, format);
    QFETCH(QString, text);
    QFETCH(int, written);
    QFETCH(int, boxes);
    frmProcData& form = open();
    m_form->findChild<QComboBox*>(QStringLiteral("comboDataTyp1"))->setCurrentIndex(format);
    QTRY_VERIFY(form.ticks() >= 1);
    const QString shown = out().text(7);
    QCOMPARE(out().setData(out().index(7, 1), text), written >= 0);
    QCOMPARE(out().text(7), written >= 0 ? QString::number(written) : shown);
    QTest::qWait(20); // the box comes after the commit
    const QString box = QStringLiteral("Fehlerhafte Eingabe !\n\nDer ursprüngliche Eintrag wird wiederhergestellt !|64|");
    QCOMPARE(m_env->dialogs().messages, QStringList(boxes, box));
    QCOMPARE(m_coupler->requests().filter(QStringLiteral("write")),
             written >= 0 ? QStringList{QStringLiteral("write 0 110 7 1 = 0")} : QStringList());
    std::array<int32_t, 1> word{-1};
    QCOMPARE(m_channel->VbRegSyncReadReq(0, 110, 7, 1, word), 0);
    QCOMPARE(word[0], std::max(written, 0));
}

void TestProcDataVCoupler::imageSwitchTakesEffectAtTheNextTick_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("inTable");
    QTest::addColumn<int>("outTable");
    QTest::newRow("Process image 3") << 2 << 116 << 112;
    QTest::newRow("Process image 4") << 3 << 117 << 113;
}

void TestProcDataVCoupler::imageSwitchTakesEffectAtTheNextTick()
{
    QFETCH(int, index);
    QFETCH(int, inTable);
    QFETCH(int, outTable);
    frmProcData& form = open();
    QTRY_VERIFY(form.ticks() >= 1);
    m_form->findChild<QComboBox*>(QStringLiteral("cboProcImage"))->setCurrentIndex(index);
    // Until the next tick a write still goes to the table of the last tick.
    QVERIFY(out().setData(out().index(1, 1), QStringLiteral("1")));
    const int ticks = form.ticks();
    QTRY_VERIFY(form.ticks() > ticks);
    QVERIFY(out().setData(out().index(1, 1), QStringLiteral("2")));
    const QStringList requests = m_coupler->requests();
    const QString read = QStringLiteral("read 0 %1 0 20 = 0");
    QVERIFY(requests.contains(read.arg(inTable)) && requests.contains(read.arg(outTable)));
    QCOMPARE(requests.filter(QStringLiteral("write")),
             (QStringList{"write 0 110 1 1 = 0", QStringLiteral("write 0 %1 1 1 = 0").arg(outTable)}));
}

QTEST_MAIN(TestProcDataVCoupler)
#include "tst_procdata_vcoupler.moc"
