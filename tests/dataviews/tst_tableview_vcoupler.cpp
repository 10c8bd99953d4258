// The register table view through the serial channel against the virtual coupler.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "dataviews/frmTable.h"
#include "platform/LocaleInfo.h"
#include "platform/SerialChannel.h"

#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

// Coupler table 5 holds 10 registers (so table 127 lists 10 for it); table 0 is write-protected.
const char* const kStationFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<VirtualStation>
  <Coupler name="VN4555-0000" stationId="1203" protectedTables="0 1">
    <Table number="0" length="256">
      <Regs at="3">1</Regs>
    </Table>
    <Table number="1" length="16"/>
    <Table number="5" length="10">
      <Regs at="0">4660 2 3</Regs>
    </Table>
  </Coupler>
  <Terminal pos="1" id="34817">
    <Table number="0" length="64">
      <Regs at="8">34817</Regs>
    </Table>
    <Table number="2" length="80">
      <Regs at="63">63</Regs>
    </Table>
  </Terminal>
</VirtualStation>
)";

// The station document as station reading gives it: description tables carry the texts.
const char* const kStationDoc = R"(<Station>
  <Device Name="VN4555-0000" Pos="0">
    <Tables>
      <Table Number="5" Length="10">
        <Register Offset="0" Value="0" Desc1031="Sollwert"/>
      </Table>
    </Tables>
  </Device>
  <Device Name="TM6853-0000" Pos="1"/>
</Station>)";

QString paramsFor(int table)
{
    return QStringLiteral("<?xml version=\"1.0\" ?><Params><CompanyId>0</CompanyId><LanguageId>9</LanguageId>"
                          "<UserData>%1</UserData><DisplayMode>0</DisplayMode></Params>")
        .arg(table);
}

QStringList valueCells(const frmTable& form, int r)
{
    return {form.model()->cell(r, 1), form.model()->cell(r, 2), form.model()->cell(r, 3)};
}

} // namespace

class TestTableViewVCoupler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void rowCountsFollowTheDevice_data();
    void rowCountsFollowTheDevice();
    void hexEditWritesAndShowsReadBack();
    void invalidEntryWritesNothing();
    void protectedTableRestoresRow();

private:
    bool startCoupler();
    frmTable* open(int device, int table);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<VirtualCoupler> m_coupler;
    std::unique_ptr<SerialChannel> m_channel;
    pugi::xml_document m_doc;
    std::vector<pugi::xml_node> m_devices;
    QPointer<frmTable> m_form;
};

void TestTableViewVCoupler::init()
{
    m_env = std::make_unique<TestEnv>();
    QVERIFY(m_doc.load_string(kStationDoc));
    m_devices.clear();
    for (pugi::xml_node d : m_doc.child("Station").children("Device"))
        m_devices.push_back(d);
}

void TestTableViewVCoupler::cleanup()
{
    delete m_form.data();
    if (m_channel)
        m_channel->PortClose();
    m_channel.reset();
    m_coupler.reset();
    m_env.reset();
}

bool TestTableViewVCoupler::startCoupler()
{
    const QString path = m_env->tempPath() + QStringLiteral("/station.xml");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kStationFile) < 0)
        return false;
    file.close();
    m_coupler = std::make_unique<VirtualCoupler>();
    if (!m_coupler->start(path))
        return false;
    m_channel = std::make_unique<SerialChannel>();
    return m_coupler->openSerial(*m_channel, 1000);
}

frmTable* TestTableViewVCoupler::open(int device, int table)
{
    delete m_form.data();
    m_form = new frmTable;
    m_form->RefreshData(m_devices[size_t(device)], m_channel.get(), paramsFor(table));
    return m_form;
}

void TestTableViewVCoupler::rowCountsFollowTheDevice_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<int>("probe");          // a row to look at
    QTest::addColumn<QStringList>("probeCells");

    QTest::newRow("coupler table 5: length from table 127")
        << 0 << 5 << 10 << QStringList{"read 0 127 5 1 = 0", "read 0 5 0 10 = 0"} << 0
        << QStringList{"000", "0x1234", "4660", " 0001 0010 0011 0100", "Sollwert"};
    QTest::newRow("coupler table 127: 127 rows")
        << 0 << 127 << 127 << QStringList{"read 0 127 0 127 = 0"} << 5
        << QStringList{"005", "0x000A", "10", " 0000 0000 0000 1010", ""};
    QTest::newRow("terminal channel: 64 rows") << 1 << 2 << 64 << QStringList{"read 1 2 0 64 = 0"} << 63
                                               << QStringList{"063", "0x003F", "63", " 0000 0000 0011 1111", ""};
}

void TestTableViewVCoupler::rowCountsFollowTheDevice()
{
    QFETCH(int, device);
    QFETCH(int, table);
    QFETCH(int, rows);
    QFETCH(QStringList, requests);
    QFETCH(int, probe);
    QFETCH(QStringList, probeCells);

    QVERIFY2(startCoupler(), qPrintable(m_coupler ? m_coupler->output() : QString()));
    frmTable& form = *open(device, table);
    QCOMPARE(form.model()->rowCount(), rows);
    const RegisterTableModel::Row cells = form.model()->rowTexts(probe);
    QCOMPARE(QStringList(cells.begin(), cells.end()), probeCells);
    QCOMPARE(form.statusText(), QString());
    QTRY_COMPARE(m_coupler->requests(), requests);
}

void TestTableViewVCoupler::hexEditWritesAndShowsReadBack()
{
    QVERIFY(startCoupler());
    frmTable& form = *open(0, 5);
    QVERIFY(form.model()->setData(form.model()->index(4, 1), QStringLiteral("ff")));
    QCOMPARE(valueCells(form, 4), (QStringList{"0x00FF", "255", " 0000 0000 1111 1111"}));
    QTRY_COMPARE(m_coupler->requests().mid(2), (QStringList{"write 0 5 4 1 = 0", "read 0 5 4 1 = 0"}));

    // The device holds it: a new view reads it back.
    frmTable& again = *open(0, 5);
    QCOMPARE(valueCells(again, 4), (QStringList{"0x00FF", "255", " 0000 0000 1111 1111"}));
}

void TestTableViewVCoupler::invalidEntryWritesNothing()
{
    QVERIFY(startCoupler());
    frmTable& form = *open(0, 5);
    QVERIFY(!form.model()->setData(form.model()->index(1, 1), QStringLiteral("&H1")));
    QCOMPARE(valueCells(form, 1), (QStringList{"0x0002", "2", " 0000 0000 0000 0010"}));
    QTRY_COMPARE(m_env->dialogs().messages,
                 QStringList{"Invalid entry\n\nOriginal value will be recovered !|64|"});
    // Numbers no register holds are refused alike (once cut to 4464 and 0), and nothing typed writes nothing.
    QVERIFY(!form.model()->setData(form.model()->index(1, 2), QStringLiteral("70000")));
    QTRY_COMPARE(m_env->dialogs().messages.size(), 2);
    QVERIFY(!form.model()->setData(form.model()->index(2, 1), QStringLiteral("0x10000")));
    QTRY_COMPARE(m_env->dialogs().messages.size(), 3);
    QVERIFY(!form.model()->setData(form.model()->index(3, 1), QStringLiteral(" ")));
    QVERIFY(!form.model()->setData(form.model()->index(3, 3), QStringLiteral("")));
    QTest::qWait(10);
    QCOMPARE(m_env->dialogs().messages.size(), 3);
    QCOMPARE(valueCells(form, 1), (QStringList{"0x0002", "2", " 0000 0000 0000 0010"}));
    const QStringList requests = m_coupler->requests();
    QVERIFY2(std::none_of(requests.begin(), requests.end(), [](const QString& r) { return r.startsWith("write"); }),
             qPrintable(requests.join(QLatin1Char(','))));
}

void TestTableViewVCoupler::protectedTableRestoresRow()
{
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status);
    QVERIFY(startCoupler());
    frmTable& form = *open(0, 0);
    QCOMPARE(form.model()->rowCount(), 256);
    QCOMPARE(valueCells(form, 3), (QStringList{"0x0001", "1", " 0000 0000 0000 0001"}));
    QVERIFY(!form.model()->setData(form.model()->index(3, 2), QStringLiteral("7")));
    QCOMPARE(valueCells(form, 3), (QStringList{"0x0001", "1", " 0000 0000 0000 0001"}));
    QCOMPARE(form.statusText(),
             QStringLiteral("Writing register 3 gave code 4100 (write-protected). The row shows the value read back."));
    QTRY_VERIFY(m_coupler->requests().contains(QStringLiteral("write 0 0 3 1 = 4100")));
    QVERIFY(m_coupler->requests().contains(QStringLiteral("read 0 0 3 1 = 0")));
    QTest::qWait(20);
    QVERIFY(m_env->dialogs().messages.isEmpty());
}

QTEST_MAIN(TestTableViewVCoupler)
#include "tst_tableview_vcoupler.moc"
