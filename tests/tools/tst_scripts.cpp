// Script notation and reading, and both register loops over a recording channel.
#include "common/ScriptedChannel.h"
#include "platform/LocaleInfo.h"
#include "platform/LogBox.h"
#include "platform/StringTable.h"
#include "tools/ScriptFile.h"
#include "tools/modScript.h"

#include <QStringEncoder>
#include <QtTest>

namespace {

const QString Abort = QStringLiteral("Error script-init ! Abort.\r\n");
const QString TerminalAbort = QStringLiteral("Error Script-Init Abort \r\n");
// The last line of every terminal run.
QString unverified(int count, const QString& rest = {})
{
    return QStringLiteral("Nicht verifizierte Register: %1").arg(count) + rest + QStringLiteral("\r\n");
}

// Refuses every write at one position: the codeword there is never set.
class RefusingPosition : public ScriptedChannel {
public:
    int refused = 0;
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        if (pos == refused)
            return 0x2001;
        return ScriptedChannel::VbRegSyncWriteReq(pos, table, first, count, buffer);
    }
};

struct Run {
    pugi::xml_document doc;
    ScriptedChannel channel;
    LogBuffer log;
    pugi::xml_node script(const char* xml)
    {
        doc.load_string(xml);
        return doc.child("Script");
    }
    QStringList writes() const
    {
        QStringList out;
        for (const ScriptedChannel::Call& c : channel.calls)
            if (c.kind == QLatin1String("write"))
                out << QStringLiteral("%1/%2/%3=%4").arg(c.pos).arg(c.table).arg(c.first).arg(c.values.value(0));
        return out;
    }
};

} // namespace

class tst_Scripts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }

    // Values: a register word, "none" (no number: the run stops there) or "range" (a number no
    // register holds: never sent). Nummer and Offset: a number or -1 for none.
    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("coupler");
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<int>("decimal");
        QTest::newRow("FF is hex in both coupler forms") << "FF" << "255" << "none" << -1;
        QTest::newRow("0xff") << "0xff" << "255" << "255" << -1;
        QTest::newRow("digits only: hex for the coupler") << "10" << "16" << "10" << 10;
        QTest::newRow("0X100: upper-case X is no terminal hex") << "0X100" << "256" << "none" << -1;
        QTest::newRow("0xZZ falls back to decimal and fails") << "0xZZ" << "none" << "none" << -1;
        QTest::newRow("blanks around") << "  12 " << "18" << "12" << 12;
        QTest::newRow("negative decimal") << "-5" << "range" << "range" << -5;
        QTest::newRow("-1, once 65535") << "-1" << "range" << "range" << -1;
        QTest::newRow("empty") << "" << "none" << "none" << -1;
        QTest::newRow("0x alone") << "0x" << "none" << "none" << -1;
        QTest::newRow("fraction") << "1.5" << "none" << "none" << -1;
        QTest::newRow("VB hex prefix") << "&H10" << "none" << "none" << -1;
        QTest::newRow("largest word") << "0xFFFF" << "65535" << "65535" << -1;
        QTest::newRow("hex 10000, once 0") << "10000" << "range" << "10000" << 10000;
        QTest::newRow("70000, once 4464") << "70000" << "range" << "range" << 70000;
        QTest::newRow("eight hex digits") << "FFFFFFFE" << "range" << "none" << -1;
        QTest::newRow("leading zeros count for nothing") << "0x0000FFFF" << "65535" << "65535" << -1;
        QTest::newRow("eleven digits, once 39321") << "99999999999" << "range" << "range" << -1;
        QTest::newRow("int32 overflow") << "-2147483649" << "range" << "range" << -1;
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(QString, coupler);
        QFETCH(QString, terminal);
        QFETCH(int, decimal);
        const auto shown = [](const RegisterWord& v) {
            return v.ok() ? QString::number(v.word)
                          : v.verdict == WordVerdict::OutOfRange ? QStringLiteral("range") : QStringLiteral("none");
        };
        QCOMPARE(shown(couplerScriptValue(text)), coupler);
        QCOMPARE(shown(terminalScriptValue(text)), terminal);
        QCOMPARE(scriptDecimal(text).value_or(-1), decimal);
    }

    void readingAndDescription()
    {
        pugi::xml_document doc;
        doc.load_string("<Script><!-- c --><Desc> Init <b>x</b></Desc><Table><Nummer>5</Nummer><Nummer>6</Nummer>"
                        "<Register><Offset>1</Offset><Value>10</Value></Register></Table></Script>");
        QString desc = QStringLiteral("old");
        QVERIFY(GetScriptDesc(doc.child("Script"), desc));
        QCOMPARE(desc, QStringLiteral("Init x"));
        QVERIFY(!GetScriptDesc({}, desc));
        QCOMPARE(desc, QString());
        const CouplerScript coupler = readCouplerScript(doc.child("Script"));
        QCOMPARE(coupler.tables.at(0).number.value_or(-1), 5);
        QCOMPARE(coupler.tables.at(0).registers.at(0).value.word, 16);
        QVERIFY(hasScriptExtension("/s/a.XmL"));
        QVERIFY(!hasScriptExtension("/s/a.xml.bak"));
    }

    // Old scripts are plain 8-bit text without a declaration; marked or declared files are read by their encoding.
    void scriptEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("desc");
        const QString umlauts = QString::fromUtf8("äöü");
        QTest::newRow("Latin-1 without declaration") << QByteArray("<Script><Desc>\xE4\xF6\xFC</Desc></Script>") << umlauts;
        QTest::newRow("windows-1252 without declaration") << QByteArray("<Script><Desc>\x80 \x84x\x93</Desc></Script>")
                                                          << QString::fromUtf8("€ „x“");
        QTest::newRow("UTF-8 without declaration") << QByteArray("<Script><Desc>\xC3\xA4\xC3\xB6\xC3\xBC</Desc></Script>")
                                                   << umlauts;
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF<Script><Desc>\xC3\xA4\xC3\xB6\xC3\xBC</Desc></Script>")
                                         << umlauts;
        QTest::newRow("Latin-1 declared") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Script><Desc>"
                                                        "\xE4\xF6\xFC</Desc></Script>")
                                          << umlauts;
        QTest::newRow("windows-1252 declared") << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1252\"?><Script>"
                                                             "<Desc>\xE4\xF6\xFC \x80</Desc></Script>")
                                               << QString::fromUtf8("äöü €");
        QTest::newRow("ISO-8859-15 declared") << QByteArray("<?xml version='1.0' encoding='ISO-8859-15'?><Script>"
                                                            "<Desc>\xE4\xF6\xFC \xA4</Desc></Script>")
                                              << QString::fromUtf8("äöü €");
        QTest::newRow("declaration without encoding, 8-bit text")
            << QByteArray("<?xml version=\"1.0\"?><Script><Desc>\xE4\xF6\xFC</Desc></Script>") << umlauts;
        QTest::newRow("UTF-16 LE without mark")
            << QByteArray(QStringEncoder(QStringConverter::Utf16LE)
                              .encode(QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?><Script><Desc>äöü</Desc></Script>")))
            << umlauts;
        QTest::newRow("UTF-16 LE with mark")
            << QByteArray(QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
                              .encode(QString::fromUtf8("<Script><Desc>äöü</Desc></Script>")))
            << umlauts;
    }
    void scriptEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, desc);
        ScriptDocument script;
        QVERIFY(script.loadBuffer(bytes.constData(), size_t(bytes.size())));
        QString read;
        QVERIFY(GetScriptDesc(script.script(), read));
        QCOMPARE(read, desc);
    }

    void couplerFailuresAbort_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("writes");
        const QString table = QStringLiteral("\r\nTabelle: 005\r\n");
        const QString first = QStringLiteral("Register: 001\tDatum : 0001 (00001)\tVerify : ");
        // A refused write and a failed read-back are rows of the fault matrix (tst_faultmatrix_tools.cpp).
        QTest::newRow("value out of range: logged as failed, never sent")
            << "big"
            << table + first + "OK\ta\r\nRegister: 002\tDatum : 10000 (kein 16-Bit-Wert, nicht geschrieben)\tVerify : "
                               "Fehler\t\r\n" + Abort
            << QStringList{"0/5/1=1"};
        QTest::newRow("a long value is shown cut in its line")
            << "long"
            << table + first + "OK\ta\r\nRegister: 002\tDatum : " + QString(24, 'F')
                   + "... (kein 16-Bit-Wert, nicht geschrieben)\tVerify : Fehler\t\r\n" + Abort
            << QStringList{"0/5/1=1"};
        QTest::newRow("empty value stops before writing") << "empty" << table + first + "OK\ta\r\n" + Abort
                                                          << QStringList{"0/5/1=1"};
        QTest::newRow("no Nummer") << "nummer" << Abort << QStringList{};
    }
    void couplerFailuresAbort()
    {
        QFETCH(QString, fault);
        QFETCH(QString, log);
        QFETCH(QStringList, writes);
        Run r;
        r.channel.setTable(0, 5, QVector<int32_t>(8, 0));
        const QString second = fault == QLatin1String("big")     ? "<Register><Offset>2</Offset><Value>10000</Value></Register>"
                               : fault == QLatin1String("long") ? "<Register><Offset>2</Offset><Value>" + QString(100000, 'F') + "</Value></Register>"
                               : fault == QLatin1String("empty") ? "<Register><Offset>2</Offset><Value>0x</Value></Register>"
                                                                 : "";
        const QString nummer = fault == QLatin1String("nummer") ? "" : "<Nummer>5</Nummer>";
        const QByteArray xml = ("<Script><Table>" + nummer + "<Register><Offset>1</Offset><Value>1</Value><Desc>a</Desc>"
                                "</Register>" + second + "<Register><Offset>3</Offset><Value>3</Value></Register></Table></Script>")
                                   .toUtf8();
        QVERIFY(!ScriptInitCoupler(r.script(xml.constData()), &r.channel, &r.log));
        QCOMPARE(r.log.Text(), log);
        QCOMPARE(r.writes(), writes);
    }

    void terminalRun()
    {
        Run r;
        r.channel.setRegister(1, 0, 11, 0x0200);
        r.channel.setRegister(1, 0, 63, 0);
        r.channel.setRegister(1, 1, 63, 0);
        r.channel.setRegister(3, 0, 11, 0x0000); // no channels: nothing written there
        TerminalRun run;
        run.startPos = 1;
        run.endPos = 4;
        run.terminals[1] = 3001;
        run.terminals[2] = 0x8401; // digital: skipped without a line
        run.terminals[3] = 4001;
        run.terminals[4] = 4002; // register 11 is refused: skipped with a line
        r.channel.failReads(4, 0, ChNoSuchTable);
        const pugi::xml_node script = r.script("<Script><Register><Offset>32</Offset><Value>0x10</Value><Desc>d</Desc>"
                                               "</Register><Channel><Register><Offset>7</Offset></Register></Channel></Script>");
        QVERIFY(fScriptInitTerminal(script, &r.channel, &r.log, run));
        const QString channel = QStringLiteral("\r\nSet codeword\r\n\r\nRegister: 032\tDatum : 0010 (00016)\tVerify : OK\td\r\n"
                                               "\r\nDelete codeword\r\n\r\n")
                                + QString(80, '-') + "\r\n";
        QCOMPARE(r.log.Text(), "Register node read: 7\r\n\r\nTerminal position: 1\r\n\r\nChannel: 1\r\n" + channel
                                   + "\r\nChannel: 2\r\n" + channel + "\r\nTerminal position: 3\r\n"
                                   + "\r\nTerminal position: 4\r\nRead channel count: Fehler (Code: 4098)\r\n"
                                   + unverified(0, ", ausgelassene Registerklemmen: 1"));
        QCOMPARE(r.writes(), (QStringList{"1/0/31=24123", "1/0/32=16", "1/0/31=0", "1/1/31=24123", "1/1/32=16", "1/1/31=0"}));
    }

    void terminalMismatch_data()
    {
        QTest::addColumn<bool>("resume");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("writes");
        const QString aborted = "\r\nDelete codeword\r\n" + TerminalAbort + unverified(1, ", nicht geschriebene: 1");
        QTest::newRow("resume: the next register follows")
            << true
            << "Register: 033\tDatum : 0001 (00001)\tVerify : OK\t\r\n\r\nDelete codeword\r\n\r\n" + QString(80, '-') + "\r\n"
                   + unverified(1)
            << QStringList{"1/0/31=24123", "1/0/33=1", "1/0/31=0"};
        QTest::newRow("no resume: codeword deleted, run aborted")
            << false << aborted << QStringList{"1/0/31=24123", "1/0/31=0"};
        // A lost link aborts despite resume: a row of the fault matrix (tst_faultmatrix_tools.cpp).
    }
    void terminalMismatch()
    {
        QFETCH(bool, resume);
        QFETCH(QString, end);
        QFETCH(QStringList, writes);
        Run r;
        r.channel.setRegister(1, 0, 11, 0x0100);
        r.channel.setRegister(1, 0, 63, 0);
        TerminalRun run;
        run.endPos = 1;
        run.resume = resume;
        run.terminals[1] = 3001;
        // 70000 is no register word: ignored like a value that does not verify, and never sent.
        const pugi::xml_node script = r.script("<Script><Register><Offset>32</Offset><Value>70000</Value></Register>"
                                               "<Register><Offset>33</Offset><Value>1</Value></Register></Script>");
        QCOMPARE(fScriptInitTerminal(script, &r.channel, &r.log, run), resume);
        QVERIFY2(r.log.Text().endsWith(
                     "Register: 032\tDatum : 70000 (kein 16-Bit-Wert, nicht geschrieben)\tVerify : Ignore\t\r\n" + end),
                 qPrintable(r.log.Text()));
        QCOMPARE(r.writes(), writes);
    }

    // A run that stops, or passes over a terminal, says in its last line what it did not write:
    // three terminals of two channels each, a script of two registers.
    void terminalRunCountsWhatItDidNotWrite_data()
    {
        QTest::addColumn<int>("countRefusedAt");
        QTest::addColumn<int>("codewordRefusedAt");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("last");
        QTest::newRow("channel count refused: that terminal left out")
            << 2 << 0 << false << unverified(0, ", ausgelassene Registerklemmen: 1");
        QTest::newRow("codeword refused: its channels not written, the next terminal left out")
            << 0 << 2 << false << unverified(0, ", nicht geschriebene: 4, ausgelassene Registerklemmen: 1");
        QTest::newRow("English") << 0 << 2 << true
                                 << "Registers not verified: 0, not written: 4, register terminals left out: 1\r\n";
    }
    void terminalRunCountsWhatItDidNotWrite()
    {
        QFETCH(int, countRefusedAt);
        QFETCH(int, codewordRefusedAt);
        QFETCH(bool, english);
        QFETCH(QString, last);
        Run r;
        RefusingPosition channel;
        channel.refused = codewordRefusedAt;
        TerminalRun run;
        run.resume = true;
        run.endPos = 3;
        for (int pos = 1; pos <= 3; ++pos) {
            run.terminals[size_t(pos)] = 3000 + pos;
            for (int table = 0; table < 2; ++table)
                channel.setTable(pos, table, QVector<int32_t>(64, 0));
            channel.setRegister(pos, 0, 11, 0x0200);
        }
        if (countRefusedAt > 0)
            channel.failReads(countRefusedAt, 0, ChNoSuchTable);
        int32_t status = 0;
        LocaleInfo().SetLocale(english ? 9 : 7, 1, status);
        const bool done = fScriptInitTerminal(r.script("<Script><Register><Offset>32</Offset><Value>5</Value></Register>"
                                                       "<Register><Offset>33</Offset><Value>6</Value></Register></Script>"),
                                              &channel, &r.log, run);
        LocaleInfo::reset();
        QCOMPARE(done, codewordRefusedAt == 0);
        QVERIFY2(r.log.Text().endsWith(last), qPrintable(r.log.Text().right(300)));
    }

    void terminalWithoutScriptOrRange()
    {
        Run r;
        TerminalRun run;
        QVERIFY(!fScriptInitTerminal({}, &r.channel, &r.log, run));
        QCOMPARE(r.log.Text(), TerminalAbort + unverified(0));
        r.log.SetText({});
        run.startPos = 5;
        run.endPos = 4;
        QVERIFY(fScriptInitTerminal(r.script("<Script/>"), &r.channel, &r.log, run));
        QCOMPARE(r.log.Text(), unverified(0));
        QVERIFY(r.channel.calls.isEmpty());
    }

    void defaultEndPosition_data()
    {
        QTest::addColumn<QList<int>>("entries"); // from position 1
        QTest::addColumn<int>("end");
        QTest::newRow("empty list") << QList<int>{} << 1;
        QTest::newRow("digital only: one past") << QList<int>{0x8401, 0x8201} << 3;
        QTest::newRow("register terminal last") << QList<int>{0x8401, 3001} << 2;
        QTest::newRow("register terminal first") << QList<int>{3001, 0x8401, 0x8401} << 3;
        QTest::newRow("0xFFFF ends the walk") << QList<int>{3001, 0xFFFF, 3001} << 1;
    }
    void defaultEndPosition()
    {
        QFETCH(QList<int>, entries);
        QFETCH(int, end);
        TerminalList list{};
        for (int i = 0; i < entries.size(); ++i)
            list[size_t(i + 1)] = entries[i];
        QCOMPARE(DefaultEndPosition(list), end);
    }
};

QTEST_MAIN(tst_Scripts)
#include "tst_scripts.moc"
