// Cached descriptions that are not what the program wrote: nested past any real
// file, a link to a file elsewhere or to nothing, a pipe. Each is rebuilt; a link
// stays and the file it names gets the description, as every file the program writes.
#include "DescriptionTestUtil.h"
#include "common/HostileFile.h"
#include "common/ScriptedChannel.h"
#include "devices/modStationRead.h"

#include <QtTest>

class tst_HostileCache : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cachedDescriptionIsRebuilt_data();
    void cachedDescriptionIsRebuilt();
};

void tst_HostileCache::cachedDescriptionIsRebuilt_data()
{
    QTest::addColumn<int>("kind"); // a HostileFile, or -1 for a description nested past any real one
    QTest::newRow("nested 50,000 levels") << -1;
    QTest::newRow("symbolic link to a file elsewhere") << int(HostileFile::LinkElsewhere);
    QTest::newRow("dangling symbolic link") << int(HostileFile::DanglingLink);
    QTest::newRow("named pipe") << int(HostileFile::Pipe);
}

void tst_HostileCache::cachedDescriptionIsRebuilt()
{
    QFETCH(int, kind);
    DescriptionEnv e;
    const QString name = QStringLiteral("TM4585-5555"); // the end terminal: built from its name alone
    const QString path = fDeviceDescriptionPath(name);
    const QString outside = e.env.tempPath() + QStringLiteral("/outside.txt");
    const QByteArray precious("precious, not a description");
    {
        QFile f(outside);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(precious);
    }
    if (kind < 0) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<Device Name=\"" + name.toUtf8() + "\"><CfgTool><Views>" + QByteArray("<View>").repeated(50000)
                + QByteArray("</View>").repeated(50000) + "</Views></CfgTool></Device>");
    } else {
        QVERIFY(placeHostileFile(HostileFile(kind), path, outside));
    }

    ScriptedChannel ch;
    pugi::xml_document doc;
    fCreateStationDocument(doc);
    const pugi::xml_node station = doc.child("Station");
    bool compactBox = false;
    fAddDeviceToStation(&ch, station, name, 1, 0, compactBox, false, e.ctx);
    QCOMPARE(stationDevices(station), QStringList{QStringLiteral("1:TM4585-5555:0")});
    QCOMPARE(xmlChildText(stationDevice(station, 1), "Desc1033"), QStringLiteral("End terminal"));

    const bool link = kind == int(HostileFile::LinkElsewhere) || kind == int(HostileFile::DanglingLink);
    const QFileInfo cached(path);
    QVERIFY(cached.isFile());
    QCOMPARE(cached.isSymLink(), link);
    pugi::xml_document rebuilt;
    QVERIFY(fLoadDeviceDescription(path, rebuilt));
    QCOMPARE(xmlAttr(rebuilt.child("Device"), "Name"), name);
    QFile f(outside);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll() == precious, kind != int(HostileFile::LinkElsewhere));
}

QTEST_MAIN(tst_HostileCache)
#include "tst_hostilecache.moc"
