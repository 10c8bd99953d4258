// The register table's rules that need no window: the length decision, the check
// of an edited cell and the texts of a row.
#include "common/ScriptedChannel.h"
#include "dataviews/TableViewLogic.h"
#include "devices/clsConvertXml.h"

#include <QtTest>

using tableview::EditVerdict;

class TestTableViewLogic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decideLength_data();
    void decideLength();
    void parseEdit_data();
    void parseEdit();
    void rowFormat();
};

void TestTableViewLogic::decideLength_data()
{
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("table");
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("lengthRegister"); // register `table` of table 127; -1 makes the read fail
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("lost"); // no length was read or described

    const QString noTables;
    const QStringList none;
    const QStringList read5{QStringLiteral("read 0 127 5 1")};
    QTest::newRow("terminal online: 64, no table-127 read")
        << 3 << 5 << true << 10 << noTables << 0 << 64 << none << false;
    QTest::newRow("terminal offline: 64") << 1 << 200 << false << 10 << noTables << 0 << 64 << none << false;
    QTest::newRow("coupler table 127: 127") << 0 << 127 << true << 10 << noTables << 0 << 127 << none << false;
    QTest::newRow("coupler table 127 offline: 127") << 0 << 127 << false << 10 << noTables << 0 << 127 << none << false;
    QTest::newRow("coupler table from table 127") << 0 << 5 << true << 10 << noTables << 0 << 10 << read5 << false;
    QTest::newRow("length 65535 capped at 256") << 0 << 5 << true << 65535 << noTables << 0 << 256 << read5 << false;
    QTest::newRow("length 0: empty") << 0 << 5 << true << 0 << noTables << 7 << 0 << read5 << false;
    QTest::newRow("read fails: description length")
        << 0 << 5 << true << -1 << QStringLiteral(R"(<Table Number="5" Length="20"/>)") << 0 << 20 << read5 << false;
    QTest::newRow("read fails: description length at most 255")
        << 0 << 5 << true << -1 << QStringLiteral(R"(<Table Number="5" Length="300"/>)") << 0 << 255 << read5 << false;
    QTest::newRow("read fails, no description table: previous kept, lost")
        << 0 << 5 << true << -1 << noTables << 33 << 33 << read5 << true;
    QTest::newRow("read fails, negative description length: previous kept, lost")
        << 0 << 5 << true << -1 << QStringLiteral(R"(<Table Number="5" Length="-4"/>)") << 256 << 256 << read5 << true;
    QTest::newRow("offline: register of description table 127")
        << 0 << 5 << false << 10 << QStringLiteral(R"(<Table Number="127"><Register Offset="5" Value="0x000C"/></Table>)")
        << 0 << 12 << none << false;
    QTest::newRow("offline, no table 127: 65535 capped")
        << 0 << 5 << false << 10 << noTables << 0 << 256 << none << false;
    QTest::newRow("offline, table 127 without the register: 0")
        << 0 << 5 << false << 10 << QStringLiteral(R"(<Table Number="127"><Register Offset="4" Value="9"/></Table>)")
        << 9 << 0 << none << false;
}

void TestTableViewLogic::decideLength()
{
    QFETCH(int, pos);
    QFETCH(int, table);
    QFETCH(bool, online);
    QFETCH(int, lengthRegister);
    QFETCH(QString, description);
    QFETCH(int, previous);
    QFETCH(int, expected);
    QFETCH(QStringList, calls);
    QFETCH(bool, lost);

    ScriptedChannel channel;
    if (lengthRegister >= 0)
        channel.setRegister(0, 127, table, lengthRegister);
    else
        channel.failReads(0, 127, ChTimeout);
    pugi::xml_document doc;
    QVERIFY(doc.load_string(QStringLiteral("<Device Pos=\"%1\"><Tables>%2</Tables></Device>")
                                .arg(pos)
                                .arg(description)
                                .toUtf8()
                                .constData()));
    clsConvertXml reader;
    int32_t lastResult = -7;
    bool lengthLost = !lost;
    const int32_t length = tableview::decideTableLength(pos, table, online ? &channel : nullptr, reader,
                                                        doc.child("Device"), previous, lastResult, lengthLost);
    QCOMPARE(length, expected);
    QCOMPARE(lengthLost, lost);
    QCOMPARE(channel.callLog(), calls);
    if (!calls.isEmpty())
        QCOMPARE(lastResult, lengthRegister >= 0 ? 0 : int(ChTimeout));
}

void TestTableViewLogic::parseEdit_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("value");

    const int ok = int(EditVerdict::Accepted), bad = int(EditVerdict::Invalid),
              silent = int(EditVerdict::NoEntry), no = int(EditVerdict::NotEditable);
    QTest::newRow("hex ff") << 1 << "ff" << ok << 255;
    QTest::newRow("hex 0x1") << 1 << "0x1" << ok << 1;
    QTest::newRow("hex &H1 rejected") << 1 << "&H1" << bad << 0;
    QTest::newRow("hex empty: nothing written") << 1 << "" << silent << 0;
    QTest::newRow("hex blanks: nothing written") << 1 << "   " << silent << 0;
    QTest::newRow("hex 0x alone: nothing written") << 1 << "0x" << silent << 0;
    QTest::newRow("hex inner blank") << 1 << "12 34" << ok << 0x1234;
    QTest::newRow("hex five digits refused, not cut") << 1 << "0x12345" << bad << 0;
    QTest::newRow("hex eight digits refused") << 1 << "FFFFFFFF" << bad << 0;
    QTest::newRow("hex leading zeros") << 1 << "0x0000FFFF" << ok << 0xFFFF;
    QTest::newRow("hex -1 rejected") << 1 << "-1" << bad << 0;
    QTest::newRow("uint 255") << 2 << "255" << ok << 255;
    QTest::newRow("uint blanks around") << 2 << " 42 " << ok << 42;
    QTest::newRow("uint 65535") << 2 << "65535" << ok << 65535;
    QTest::newRow("uint 65536 refused, not 0") << 2 << "65536" << bad << 0;
    QTest::newRow("uint 2147483647 refused") << 2 << "2147483647" << bad << 0;
    QTest::newRow("uint beyond 32 bits refused") << 2 << "2147483648" << bad << 0;
    QTest::newRow("uint empty: silent") << 2 << "" << silent << 0;
    QTest::newRow("uint negative rejected") << 2 << "-1" << bad << 0;
    QTest::newRow("uint inner blank rejected") << 2 << "1 2" << bad << 0;
    QTest::newRow("uint hex rejected") << 2 << "0x10" << bad << 0;
    QTest::newRow("bin groups") << 3 << " 0000 0000 1111 1111" << ok << 255;
    QTest::newRow("bin 17 digits refused, not cut") << 3 << "1 0000 0000 0000 0001" << bad << 0;
    QTest::newRow("bin empty: nothing written") << 3 << "" << silent << 0;
    QTest::newRow("bin 2 rejected") << 3 << "012" << bad << 0;
    QTest::newRow("bin beyond 32 bits refused") << 3 << QString(33, QLatin1Char('1')) << bad << 0;
    QTest::newRow("offset not editable") << 0 << "5" << no << 0;
    QTest::newRow("description not editable") << 4 << "x" << no << 0;
}

void TestTableViewLogic::parseEdit()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(int, verdict);
    QFETCH(int, value);
    const tableview::RegisterEdit edit = tableview::parseRegisterEdit(column, text);
    QCOMPARE(int(edit.verdict), verdict);
    if (edit.verdict == EditVerdict::Accepted)
        QCOMPARE(edit.value, value);
}

void TestTableViewLogic::rowFormat()
{
    const auto a = tableview::rowTexts(0, 255, QStringLiteral("Status"));
    QCOMPARE(QStringList(a.begin(), a.end()),
             (QStringList{"000", "0x00FF", "255", " 0000 0000 1111 1111", "Status"}));
    const auto b = tableview::rowTexts(255, 65535, QString());
    QCOMPARE(QStringList(b.begin(), b.end()), (QStringList{"255", "0xFFFF", "65535", " 1111 1111 1111 1111", ""}));
    const auto c = tableview::unreadRowTexts(7, QStringLiteral("Sieben"));
    QCOMPARE(QStringList(c.begin(), c.end()), (QStringList{"007", "", "", "", "Sieben"}));
    QCOMPARE(tableview::invalidEntryMessage(), QStringLiteral("Invalid entry\n\nOriginal value will be recovered !"));
}

QTEST_MAIN(TestTableViewLogic)
#include "tst_tableviewlogic.moc"
