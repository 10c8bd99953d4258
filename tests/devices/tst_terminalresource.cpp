#include "common/TestEnv.h"
#include "devices/TerminalResource.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

static QString row(int terminal, const QString& desc, int extension = 0)
{
    return QStringLiteral("<TermTyp Terminal=\"%1\" Extension=\"%2\" Desc1031=\"%3\" Desc1033=\"E%3\" Icon=\"36\" "
                          "ProgID=\"P%1\" UserData=\"0\" />")
        .arg(terminal)
        .arg(extension)
        .arg(desc);
}

static QStringList column(const std::vector<QString>& c) { return QStringList(c.begin(), c.end()); }

class tst_TerminalResource : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void threeRows();
    void failedLoadKeepsTheTable_data();
    void failedLoadKeepsTheTable();
    void shippedFileLoads();
    void scannerStoresWithinTheDomBounds();
    void scannerMisreadsAnotherOrder();
    void scannerStopsAfter10000Passes();
    void hugeNumbersMatchNothing_data();
    void hugeNumbersMatchNothing();
    void strPart_data();
    void strPart();

private:
    QString write(const QString& name, const QByteArray& content);
    std::unique_ptr<TestEnv> env;
};

void tst_TerminalResource::init() { env = std::make_unique<TestEnv>(); }
void tst_TerminalResource::cleanup() { env.reset(); }

QString tst_TerminalResource::write(const QString& name, const QByteArray& content)
{
    const QString path = env->tempPath() + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(content);
    return path;
}

void tst_TerminalResource::threeRows()
{
    const QString path = write(
        QStringLiteral("TerminalResource.xml"),
        (QStringLiteral("<TerminalResource>") + row(6853, QStringLiteral("Einstellungen"))
         + QStringLiteral("<TermTyp ProgID=\"X\" Icon=\"1\" Desc1033=\"Other\" Desc1031=\"Ändern\" Extension=\"7\" "
                          "Terminal=\"1883\"/>")
         + QStringLiteral("<TermTyp Terminal=\"9554\"/></TerminalResource>"))
            .toUtf8());
    TerminalResourceTable table;
    QCOMPARE(fLoadTerminalResource(table, path), 0);
    QCOMPARE(table.gTerminalResourceCount, 3);
    QCOMPARE(column(table.Terminal), (QStringList{"6853", "1883", "9554", ""}));
    QCOMPARE(column(table.Extension), (QStringList{"0", "7", "", ""}));
    QCOMPARE(column(table.Desc1031), (QStringList{"Einstellungen", "Ändern", "", ""}));
    QCOMPARE(column(table.Desc1033), (QStringList{"EEinstellungen", "Other", "", ""}));
    QCOMPARE(column(table.Icon), (QStringList{"36", "1", "", ""}));
    QCOMPARE(column(table.ProgID), (QStringList{"P6853", "X", "", ""}));
    QVERIFY(env->dialogs().messages.isEmpty());

    // A second load replaces the rows.
    const QString one = write(QStringLiteral("one.xml"),
                              (QStringLiteral("<TerminalResource>") + row(1, QStringLiteral("a"))
                               + QStringLiteral("</TerminalResource>")).toUtf8());
    fLoadTerminalResource(table, one);
    QCOMPARE(column(table.Terminal), (QStringList{"1", ""}));
    QCOMPARE(column(table.ProgID), (QStringList{"P1", ""}));
}

void tst_TerminalResource::failedLoadKeepsTheTable_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray good = "<TerminalResource><TermTyp Terminal=\"1\"/></TerminalResource>";
    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("truncated") << good.left(good.size() - 4);
    QTest::newRow("not XML") << QByteArray("Terminal=1;Extension=0");
    QTest::newRow("wrong root") << QByteArray("<RefList><TermTyp Terminal=\"1\"/></RefList>");
}

void tst_TerminalResource::failedLoadKeepsTheTable()
{
    QFETCH(QByteArray, content);
    TerminalResourceTable table;
    table.Terminal = {QStringLiteral("5"), QString()};
    table.ProgID = {QStringLiteral("P5"), QString()};
    table.gTerminalResourceCount = 1;
    const QString path = content.isEmpty() ? env->tempPath() + QStringLiteral("/none.xml")
                                           : write(QStringLiteral("bad.xml"), content);
    QCOMPARE(fLoadTerminalResource(table, path), 0);
    QCOMPARE(env->dialogs().messages, QStringList{"Cannot load TerminalResource.XML|0|TD4700"});
    QCOMPARE(table.gTerminalResourceCount, 1);
    QCOMPARE(column(table.Terminal), (QStringList{"5", ""}));
    QCOMPARE(column(table.ProgID), (QStringList{"P5", ""}));
}

void tst_TerminalResource::shippedFileLoads()
{
    QVERIFY2(QFileInfo(terminalResourcePath()).isFile(), qPrintable(terminalResourcePath()));
    TerminalResourceTable table;
    fLoadTerminalResource(table);
    QVERIFY(env->dialogs().messages.isEmpty());
    QVERIFY(table.gTerminalResourceCount >= 5);
    QCOMPARE(table.Terminal[0], QStringLiteral("6853"));
    QCOMPARE(table.ProgID[0], QStringLiteral("TD4VUx.clsUx6853"));

    // The shipped file keeps the attribute order and blanks the text scanner relies on:
    // each row, scanned on its own into columns sized for every number, lands intact.
    QFile f(terminalResourcePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    int rows = 0;
    for (const QString& line : lines) {
        if (!line.contains(QLatin1String("<TermTyp ")))
            continue;
        const size_t i = size_t(rows++);
        TerminalResourceTable scanned;
        for (std::vector<QString>* c : {&scanned.Terminal, &scanned.Extension, &scanned.Desc1031, &scanned.Desc1033,
                                        &scanned.Icon, &scanned.ProgID})
            c->assign(10000, QString());
        fParseTerminalResourceText(scanned, line);
        const size_t n = size_t(table.Terminal[i].toInt());
        QCOMPARE(scanned.Terminal[n], table.Terminal[i]);
        QCOMPARE(scanned.Extension[n], table.Extension[i]);
        QCOMPARE(scanned.Desc1031[n], table.Desc1031[i]);
        QCOMPARE(scanned.Desc1033[n], table.Desc1033[i]);
        QCOMPARE(scanned.Icon[n], table.Icon[i]);
        QCOMPARE(scanned.ProgID[n], table.ProgID[i]);
    }
    QCOMPARE(rows, table.gTerminalResourceCount);
}

void tst_TerminalResource::scannerStoresWithinTheDomBounds()
{
    QString rows;
    for (int i = 0; i < 300; ++i)
        rows += row(i, QStringLiteral("dom"));
    const QString path = write(QStringLiteral("big.xml"),
                               (QStringLiteral("<TerminalResource>") + rows + QStringLiteral("</TerminalResource>"))
                                   .toUtf8());
    TerminalResourceTable table;
    fLoadTerminalResource(table, path);
    QCOMPARE(table.Terminal.size(), size_t(301));

    fParseTerminalResourceText(table, row(12, QStringLiteral("Zwölf"), 3) + row(350, QStringLiteral("far")));
    QCOMPARE(table.Terminal[12], QStringLiteral("12"));
    QCOMPARE(table.Extension[12], QStringLiteral("3"));
    QCOMPARE(table.Desc1031[12], QStringLiteral("Zwölf"));
    QCOMPARE(table.Desc1033[12], QStringLiteral("EZwölf"));
    QCOMPARE(table.Icon[12], QStringLiteral("36"));
    QCOMPARE(table.ProgID[12], QStringLiteral("P12"));
    QCOMPARE(table.Desc1031[11], QStringLiteral("dom")); // rows the scanner never reached keep their text
    QCOMPARE(table.Desc1031[13], QStringLiteral("dom"));
    QCOMPARE(table.Desc1031[299], QStringLiteral("dom"));
    QCOMPARE(table.Terminal.size(), size_t(301)); // row 350 lies outside and is skipped
    QVERIFY(!table.Desc1031.back().contains(QLatin1String("far")));

    // Once the text is used up each further pass stores empty texts at the next index.
    fParseTerminalResourceText(table, row(20, QStringLiteral("x")));
    QCOMPARE(table.Desc1031[20], QStringLiteral("x"));
    QCOMPARE(table.Desc1031[21], QString());
    QCOMPARE(table.Terminal[299], QString());
    QCOMPARE(table.Desc1031[19], QStringLiteral("dom"));
}

void tst_TerminalResource::scannerMisreadsAnotherOrder()
{
    const QString reordered = QStringLiteral("<TermTyp Extension=\"0\" Terminal=\"20\" Desc1031=\"A\" Desc1033=\"B\" "
                                             "Icon=\"1\" ProgID=\"X\" UserData=\"0\" />");
    const QString path = write(QStringLiteral("r.xml"),
                               (QStringLiteral("<TerminalResource>") + reordered.repeated(25)
                                + QStringLiteral("</TerminalResource>"))
                                   .toUtf8());
    TerminalResourceTable table;
    fLoadTerminalResource(table, path);
    QCOMPARE(table.Terminal[0], QStringLiteral("20")); // the DOM loader reads any order
    QCOMPARE(table.Desc1031[0], QStringLiteral("A"));

    fParseTerminalResourceText(table, reordered + row(5, QStringLiteral("ok")));
    // The reordered row swallows the next one's start and that row's texts land at index 0.
    QVERIFY(table.Terminal[0].startsWith(QLatin1String("20\" Desc1031=\"A\"")));
    QCOMPARE(table.Desc1031[0], QStringLiteral("ok"));
    QCOMPARE(table.Desc1031[5], QString());
    QCOMPARE(table.Desc1031[20], QString());
}

void tst_TerminalResource::scannerStopsAfter10000Passes()
{
    TerminalResourceTable table;
    table.Terminal.assign(2, QString());
    table.Extension = table.Desc1031 = table.Desc1033 = table.Icon = table.ProgID = table.Terminal;
    // Every row is terminal 0, so the row number never climbs; the passes are counted instead.
    QString text;
    for (int i = 0; i < 10001; ++i)
        text += row(0, QString::number(i));
    fParseTerminalResourceText(table, text);
    QCOMPARE(table.Desc1031[0], QStringLiteral("9999"));
}

void tst_TerminalResource::hugeNumbersMatchNothing_data()
{
    QTest::addColumn<QString>("terminal");
    QTest::newRow("beyond 32 bits") << "99999999999";
    QTest::newRow("beyond 64 bits") << "99999999999999999999999";
    QTest::newRow("largest 64-bit") << "9223372036854775807";
    QTest::newRow("negative, beyond 32 bits") << "-99999999999";
    QTest::newRow("negative, beyond 64 bits") << "-99999999999999999999999";
}

void tst_TerminalResource::hugeNumbersMatchNothing()
{
    QFETCH(QString, terminal);
    const QString huge = QStringLiteral("<TermTyp Terminal=\"%1\" Extension=\"99999999999\" Desc1031=\"riesig\" "
                                        "Desc1033=\"huge\" Icon=\"1\" ProgID=\"PH\" UserData=\"0\" />")
                             .arg(terminal);
    QString rows;
    for (int i = 0; i < 6; ++i)
        rows += i == 3 ? huge : row(i, QStringLiteral("dom"));
    const QString path = write(QStringLiteral("huge.xml"),
                               (QStringLiteral("<TerminalResource>") + rows + QStringLiteral("</TerminalResource>"))
                                   .toUtf8());

    // The loader keeps the texts as they stand; the neighbours are untouched.
    TerminalResourceTable table;
    QCOMPARE(fLoadTerminalResource(table, path), 0);
    QVERIFY(env->dialogs().messages.isEmpty());
    QCOMPARE(table.gTerminalResourceCount, 6);
    QCOMPARE(column(table.Terminal), (QStringList{"0", "1", "2", terminal, "4", "5", ""}));
    QCOMPARE(column(table.Extension), (QStringList{"0", "0", "0", "99999999999", "0", "0", ""}));
    QCOMPARE(column(table.Desc1031), (QStringList{"dom", "dom", "dom", "riesig", "dom", "dom", ""}));

    // The scanner puts the row at no index: not at the one after the row before it, nor wrapped into range.
    table.Desc1031.assign(7, QStringLiteral("dom"));
    table.Terminal = table.Desc1033 = table.ProgID = table.Desc1031;
    fParseTerminalResourceText(table, row(2, QStringLiteral("zwei")) + huge);
    QCOMPARE(column(table.Desc1031), (QStringList{"dom", "dom", "zwei", "dom", "dom", "dom", "dom"}));
    QVERIFY(!column(table.Desc1033).contains(QStringLiteral("huge")));
    QVERIFY(!column(table.ProgID).contains(QStringLiteral("PH")));
    QVERIFY(!column(table.Terminal).contains(terminal));
}

void tst_TerminalResource::strPart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("part");
    QTest::newRow("before") << "Terminal=\"12\" Extension=" << "\" Extension=" << 1 << "Terminal=\"12";
    QTest::newRow("after") << "a=1 b=2" << "b=" << 2 << "2";
    QTest::newRow("after, mode 0") << "a=1 b=2" << "a=" << 0 << "1 b=2";
    QTest::newRow("first occurrence") << "x-y-z" << "-" << 1 << "x";
    QTest::newRow("case-sensitive") << "Terminal=1" << "terminal=" << 2 << "";
    QTest::newRow("missing marker, before") << "abc" << "q" << 1 << "";
    QTest::newRow("missing marker, after") << "abc" << "q" << 2 << "";
    QTest::newRow("marker at the end") << "abc" << "c" << 2 << "";
}

void tst_TerminalResource::strPart()
{
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(int, mode);
    QFETCH(QString, part);
    QCOMPARE(fStrPart(text, marker, int16_t(mode)), part);
}

QTEST_GUILESS_MAIN(tst_TerminalResource)
#include "tst_terminalresource.moc"
