#include "common/TestEnv.h"
#include "platform/FileUtils.h"
#include "platform/modRefList.h"

#include <QFile>
#include <QtTest>

class tst_RefList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void lookups_data();
    void lookups();
    void malformedFileLeavesListAsItWas_data();
    void malformedFileLeavesListAsItWas();
    void rootNamedDevicesIsRead();
    void shippedListLoads();
    void fileExists();
    void saveStationDialog();

private:
    QString write(const QByteArray& content);
    std::unique_ptr<TestEnv> env;
};

static const char* kList =
    "<?xml version=\"1.0\"?><RefList><Devices>"
    "<Device><NameCompID1>VN6555-5555</NameCompID1><NameCompID2>PW-A</NameCompID2><NameCompID3>IOP-A</NameCompID3></Device>"
    "<Device><NameCompID1>vn6555-5555</NameCompID1><NameCompID2>PW-B</NameCompID2><NameCompID3>IOP-B</NameCompID3></Device>"
    "<Device><NameCompID1>TM4585-5555</NameCompID1><NameCompID2>PW-E</NameCompID2><NameCompID3></NameCompID3></Device>"
    "<Device><NameCompID1>TM8xx4-5555</NameCompID1><NameCompID2>PW-<![CDATA[D&4]]></NameCompID2></Device>"
    "<Device><NameCompID2>orphan</NameCompID2></Device>"
    "<Device>\n  <NameCompID1>\n    UR1234-0000 </NameCompID1>\n  <NameCompID2>\tPW-U\n</NameCompID2>"
    "<NameCompID3> IOP-U </NameCompID3></Device>"
    "</Devices></RefList>";

void tst_RefList::init() { env = std::make_unique<TestEnv>(); }
void tst_RefList::cleanup() { env.reset(); }

QString tst_RefList::write(const QByteArray& content)
{
    const QString path = env->tempPath() + QStringLiteral("/RefList.xml");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(content);
    return path;
}

void tst_RefList::lookups_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("id2");
    QTest::addColumn<QString>("id3");
    QTest::newRow("first of two entries for one name wins") << "VN6555-5555" << "PW-A" << "IOP-A";
    QTest::newRow("key differing only in case finds the entry") << "Vn6555-5555" << "PW-A" << "IOP-A";
    QTest::newRow("empty NameCompID3 gives empty, not the fallback") << "TM4585-5555" << "PW-E" << "";
    QTest::newRow("missing child gives empty; CDATA is text") << "TM8xx4-5555" << "PW-D&4" << "";
    QTest::newRow("unknown name gives the fallbacks") << "TM9999-0000" << "Pellwitz: TM9999-0000"
                                                       << "I/O-Planwerk: TM9999-0000";
    QTest::newRow("empty name is not a key") << "" << "Pellwitz: " << "I/O-Planwerk: ";
    QTest::newRow("names laid out over lines are trimmed") << "UR1234-0000" << "PW-U" << "IOP-U";
}

void tst_RefList::lookups()
{
    QFETCH(QString, name);
    QFETCH(QString, id2);
    QFETCH(QString, id3);
    fLoadRefList(write(kList));
    QCOMPARE(app().gRefList.count(), size_t(4));
    QCOMPARE(fGetNameCompID2(name), id2);
    QCOMPARE(fGetNameCompID3(name), id3);
}

void tst_RefList::malformedFileLeavesListAsItWas_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("added");
    QTest::newRow("truncated") << QByteArray(kList).left(150) << 0;
    QTest::newRow("not XML") << QByteArray("NameCompID1=VN6555-5555\n") << 0;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01", 5) << 0;
    QTest::newRow("wrong root, no Devices") << QByteArray("<Station><Device><NameCompID1>A</NameCompID1></Device></Station>")
                                            << 0;
    QTest::newRow("nested past any real list")
        << "<r><Devices><Device><NameCompID1>A</NameCompID1></Device></Devices>" + QByteArray("<x>").repeated(100)
               + QByteArray("</x>").repeated(100) + "</r>"
        << 0;
    QTest::newRow("external entity is not resolved")
        << QByteArray("<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r><Devices><Device>"
                      "<NameCompID1>A</NameCompID1><NameCompID2>&x;</NameCompID2></Device></Devices></r>")
        << 1;
}

void tst_RefList::malformedFileLeavesListAsItWas()
{
    QFETCH(QByteArray, content);
    QFETCH(int, added);
    clsRefList earlier;
    earlier.setNameCompID1(QStringLiteral("X1"));
    earlier.setNameCompID2(QStringLiteral("X2"));
    app().gRefList.add(earlier);
    fLoadRefList(write(content));
    QCOMPARE(app().gRefList.count(), size_t(1 + added));
    QCOMPARE(fGetNameCompID2(QStringLiteral("X1")), QStringLiteral("X2"));
    if (added) // the entity stays an unexpanded reference; no file is read
        QCOMPARE(fGetNameCompID2(QStringLiteral("A")), QStringLiteral("&x;"));
    fLoadRefList(env->tempPath() + QStringLiteral("/missing.xml"));
    QCOMPARE(app().gRefList.count(), size_t(1 + added));
}

void tst_RefList::rootNamedDevicesIsRead()
{
    fLoadRefList(write("<Devices><Device><NameCompID1>A</NameCompID1><NameCompID2>B</NameCompID2>"
                       "<NameCompID3>C</NameCompID3></Device></Devices>"));
    QCOMPARE(fGetNameCompID2(QStringLiteral("a")), QStringLiteral("B"));
    QCOMPARE(fGetNameCompID3(QStringLiteral("a")), QStringLiteral("C"));
}

void tst_RefList::shippedListLoads()
{
    fLoadRefList(QStringLiteral(TD4700_SOURCE_DIR "/resources/RefList.xml"));
    QVERIFY(app().gRefList.count() >= 20);
    QCOMPARE(fGetNameCompID2(QStringLiteral("TM4585-5555")), QStringLiteral("PW-EK"));
    QCOMPARE(fGetNameCompID3(QStringLiteral("hq8855-0003")), QStringLiteral("IOP 8855-E3"));
}

void tst_RefList::fileExists()
{
    const QString file = write("x");
    QVERIFY(fFileExists(file));
    QVERIFY(!fFileExists(env->tempPath()));
    QVERIFY(!fFileExists(env->tempPath() + QStringLiteral("/nothing.txt")));
    QVERIFY(!fFileExists(QString()));
    QFile hidden(env->tempPath() + QStringLiteral("/.hidden"));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    QVERIFY(!fFileExists(hidden.fileName()));
    QVERIFY(fFileExists(env->tempPath() + QStringLiteral("/*.xml")));
    QVERIFY(!fFileExists(env->tempPath() + QStringLiteral("/*.tdt")));
}

void tst_RefList::saveStationDialog()
{
    QString file = QStringLiteral("before");
    QVERIFY(ShowSaveStationDialog(file)); // cancelled: true, path unchanged
    QCOMPARE(file, QStringLiteral("before"));
    env->dialogs().saveFileAnswer = QStringLiteral("/tmp/plant");
    QVERIFY(ShowSaveStationDialog(file));
    QCOMPARE(file, QStringLiteral("/tmp/plant.TDT"));
    env->dialogs().saveFileAnswer = QStringLiteral("/tmp/plant.tdt");
    QVERIFY(ShowSaveStationDialog(file));
    QCOMPARE(file, QStringLiteral("/tmp/plant.tdt"));
}

QTEST_GUILESS_MAIN(tst_RefList)
#include "tst_reflist.moc"
