#include "devices/clsConvertXml.h"

#include <QtTest>
#include <array>

namespace {
const char* kDevice =
    "<Device Name=\"VN6555-5555\" Pos=\"3\">"
    "<Tables>"
    "<Table Number=\"127\" Length=\"128\">"
    "<Register Offset=\"5\" Value=\"0x00FF\" Desc1031=\"Fünf\"/>"
    "<Register Offset=\"6\" Value=\"255\" Desc1031=\"Sechs\"/>"
    "<Register Offset=\"7\" Value=\"\" Desc1031=\"\"/>"
    "<Register Offset=\"8\" Value=\" 0X1a \"/>"
    "<Register Offset=\"9\" Value=\"99999999999\" Desc1031=\"huge\"/>"
    "<Register Offset=\"10\" Value=\"0x123456789\"/>"
    "<Register Offset=\"11\" Value=\"12abc\"/>"
    "<Register Offset=\"12\" Value=\"0x\"/>"
    "<Register Offset=\"13\" Value=\"-7\"/>"
    "<Register Offset=\"05\" Value=\"1\" Desc1031=\"leading zero never matches\"/>"
    "</Table>"
    "<Table Number=\"1\" Length=\"300\"/>"
    "<Table Number=\"2\" Length=\"0\"/>"
    "<Table Number=\"3\"/>"
    "<Table Number=\"4\" Length=\"4294967296\"/>"
    "<Table Number=\"5\" Length=\"-3\"/>"
    "<Table Number=\"6\" Length=\"256\"/>"
    "</Tables></Device>";
}

class tst_ConvertXml : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void tableLength_data();
    void tableLength();
    void devicePos_data();
    void devicePos();
    void noNodeLeavesOutArguments();
    void values_data();
    void values();
    void missingTableFillsFromZero();
    void neverWritesPastTheBuffer();
    void descriptions();
    void descriptionWithoutRegisters();

private:
    pugi::xml_document doc;
    pugi::xml_node device;
    clsConvertXml reader;
};

void tst_ConvertXml::init()
{
    QVERIFY(doc.load_string(kDevice));
    device = doc.document_element();
}

void tst_ConvertXml::tableLength_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("incoming");
    QTest::addColumn<int>("length");
    QTest::newRow("300 is capped to 255") << 1 << 7 << 255;
    QTest::newRow("256 is capped to 255") << 6 << 7 << 255;
    QTest::newRow("0 stays 0") << 2 << 7 << 0;
    QTest::newRow("plain length") << 127 << 7 << 128;
    QTest::newRow("missing attribute keeps the incoming length") << 3 << 7 << 7;
    QTest::newRow("missing table keeps the incoming length") << 99 << 7 << 7;
    QTest::newRow("incoming length is capped too") << 99 << 1000 << 255;
    QTest::newRow("number beyond 32 bits keeps the incoming length") << 4 << 7 << 7;
    QTest::newRow("negative length keeps the incoming length") << 5 << 7 << 7;
}

void tst_ConvertXml::tableLength()
{
    QFETCH(int, table);
    QFETCH(int, incoming);
    QFETCH(int, length);
    int32_t result = incoming;
    QVERIFY(reader.GetTableLength(device, table, result));
    QCOMPARE(result, length);
}

void tst_ConvertXml::devicePos_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<int>("pos");
    QTest::newRow("number") << "<Device Pos=\"12\"/>" << 12;
    QTest::newRow("empty") << "<Device Pos=\"\"/>" << -1;
    QTest::newRow("missing") << "<Device/>" << -1;
    QTest::newRow("not a number") << "<Device Pos=\"x1\"/>" << -1;
    QTest::newRow("huge") << "<Device Pos=\"123456789012345678901234567890\"/>" << -1;
}

void tst_ConvertXml::devicePos()
{
    QFETCH(QString, xml);
    QFETCH(int, pos);
    pugi::xml_document d;
    QVERIFY(d.load_string(xml.toUtf8().constData()));
    int32_t result = 77;
    QVERIFY(reader.GetDevicePos(d.document_element(), result));
    QCOMPARE(result, pos);
}

void tst_ConvertXml::noNodeLeavesOutArguments()
{
    int32_t length = 300, pos = 5;
    QVERIFY(!reader.GetTableLength(pugi::xml_node(), 127, length));
    QVERIFY(!reader.GetDevicePos(pugi::xml_node(), pos));
    QCOMPARE(length, 300);
    QCOMPARE(pos, 5);
    std::array<int32_t, 3> values{1, 2, 3};
    QVERIFY(!reader.PutTableValues(device, 127, 0, 3, values));
    QCOMPARE(values, (std::array<int32_t, 3>{1, 2, 3}));
}

void tst_ConvertXml::values_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("expected"); // the buffer starts as 4 x -2
    QTest::newRow("first 5, count 1: exactly one register") << 5 << 1 << QList<int>{255, -2, -2, -2};
    QTest::newRow("hex and decimal 255 alike") << 5 << 2 << QList<int>{255, 255, -2, -2};
    QTest::newRow("empty value and missing register leave elements") << 7 << 1 << QList<int>{-2, -2, -2, -2};
    QTest::newRow("blanks and letter case of a hex literal") << 8 << 1 << QList<int>{26, -2, -2, -2};
    QTest::newRow("huge decimal, nine hex digits, trailing letters, bare 0x left alone")
        << 9 << 4 << QList<int>{-2, -2, -2, -2};
    QTest::newRow("negative decimal") << 13 << 1 << QList<int>{-7, -2, -2, -2};
    QTest::newRow("registers 4..7: missing ones keep their element") << 4 << 4 << QList<int>{-2, 255, 255, -2};
    QTest::newRow("count 0 reads nothing") << 5 << 0 << QList<int>{-2, -2, -2, -2};
    QTest::newRow("negative count reads nothing") << 5 << -1 << QList<int>{-2, -2, -2, -2};
    QTest::newRow("first near the 32-bit limit") << 2147483647 << 4 << QList<int>{-2, -2, -2, -2};
}

void tst_ConvertXml::values()
{
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(QList<int>, expected);
    std::array<int32_t, 4> buffer;
    buffer.fill(-2);
    QVERIFY(!reader.GetTableValues(device, 127, first, count, buffer));
    QCOMPARE(QList<int>(buffer.begin(), buffer.end()), expected);
}

void tst_ConvertXml::missingTableFillsFromZero()
{
    std::array<int32_t, 4> buffer;
    buffer.fill(-2);
    reader.GetTableValues(device, 50, 5, 2, buffer);
    QCOMPARE(QList<int>(buffer.begin(), buffer.end()), (QList<int>{65535, 65535, -2, -2}));
    buffer.fill(-2);
    reader.GetTableValues(pugi::xml_node(), 127, 5, 3, buffer);
    QCOMPARE(QList<int>(buffer.begin(), buffer.end()), (QList<int>{65535, 65535, 65535, -2}));
}

void tst_ConvertXml::neverWritesPastTheBuffer()
{
    // A view buffer of 256 asked for a table of 256 (or more) registers.
    std::array<int32_t, 258> guarded;
    guarded.fill(-2);
    const std::span<int32_t> buffer(guarded.data() + 1, 256);
    reader.GetTableValues(device, 50, 0, 257, buffer);
    QCOMPARE(guarded.front(), -2);
    QCOMPARE(guarded[256], 65535);
    QCOMPARE(guarded.back(), -2);
    std::array<QString, 3> descs{"guard", "guard", "guard"};
    reader.GetTableDesc(device, 127, 5, 1000, std::span<QString>(descs.data(), 2));
    QCOMPARE(descs[1], QStringLiteral("Sechs"));
    QCOMPARE(descs[2], QStringLiteral("guard"));
}

void tst_ConvertXml::descriptions()
{
    std::array<QString, 6> descs;
    descs.fill(QStringLiteral("old"));
    QVERIFY(!reader.GetTableDesc(device, 127, 5, 5, descs));
    QCOMPARE(QStringList(descs.begin(), descs.end()),
             (QStringList{"Fünf", "Sechs", "", "", "huge", "old"})); // register 8 has no Desc1031
    descs.fill(QStringLiteral("old"));
    reader.GetTableDesc(device, 50, 5, 2, descs);
    QCOMPARE(QStringList(descs.begin(), descs.end()), (QStringList{"", "", "old", "old", "old", "old"}));
}

void tst_ConvertXml::descriptionWithoutRegisters()
{
    pugi::xml_document d;
    QVERIFY(d.load_string("<Device Pos=\"0\"><Tables><Table Number=\"0\" Length=\"65\"/></Tables></Device>"));
    std::array<int32_t, 3> values{1, 2, 3};
    std::array<QString, 3> descs{"a", "b", "c"};
    reader.GetTableValues(d.document_element(), 0, 0, 3, values);
    reader.GetTableDesc(d.document_element(), 0, 0, 3, descs);
    QCOMPARE(values, (std::array<int32_t, 3>{1, 2, 3}));
    QCOMPARE(QStringList(descs.begin(), descs.end()), (QStringList{"", "", ""}));
}

QTEST_GUILESS_MAIN(tst_ConvertXml)
#include "tst_convertxml.moc"
