// The registry functions under the routes and both route stores: key texts,
// error texts, binary net ids, and the route file's append, read and delete
// keeping what else the file holds.
#include "channels/RegistryFunctions.h"
#include "channels/RouteStore.h"
#include "common/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

const QByteArray kForeignFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- kept by the runtime -->
<CvConfig>
  <Other>foreign</Other>
  <RemoteConnections>
    <Route><Name>VN-10</Name><Address>10.0.0.10</Address><NetId>10.0.0.10.1.1</NetId><Type>TCP_IP</Type></Route>
    <Route><Name>broken</Name><Address>10.0.0.9</Address></Route>
    <Route><Name>VN-1</Name><Address>10.0.0.1</Address><NetId>10.0.0.1.1.1</NetId><Type>TCP_IP</Type></Route>
  </RemoteConnections>
</CvConfig>
)";

QStringList names(const QList<Route>& routes)
{
    QStringList out;
    for (const Route& r : routes)
        out << r.name;
    return out;
}

} // namespace

class tst_RouteStore : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    RouteStore store() { return RouteStore(*app().store, *app().gObjRegistry, *app().dialogs); }

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void parseKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("root");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("message");
        QTest::newRow("root alone") << "HKEY_LOCAL_MACHINE" << uint(HKEY_LOCAL_MACHINE) << "" << false;
        QTest::newRow("root and path") << "HKEY_CURRENT_USER\\Software\\A" << uint(HKEY_CURRENT_USER) << "Software\\A"
                                       << false;
        QTest::newRow("trailing backslash") << "HKEY_LOCAL_MACHINE\\" << 0u << "HKEY_LOCAL_MACHINE\\" << true;
        QTest::newRow("abbreviated root") << "HKLM\\Software" << 0u << "HKLM\\Software" << true;
        QTest::newRow("lower-case root name") << "HKEY_local_machine\\Software" << 0u << "Software" << false;
        QTest::newRow("last table entry") << "HKEY_DYN_DATA" << uint(HKEY_DYN_DATA) << "" << false;
    }
    void parseKey()
    {
        QFETCH(QString, text);
        QFETCH(uint, root);
        QFETCH(QString, path);
        QFETCH(bool, message);
        QString key = text;
        uint32_t parsed = 1;
        ParseKey(key, parsed, *app().dialogs);
        QCOMPARE(parsed, root);
        QCOMPARE(key, path);
        QCOMPARE(m_env->dialogs().messages,
                 message ? QStringList{QStringLiteral("Incorrect Format:\n\n%1|0|").arg(text)} : QStringList{});
    }

    void errorTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("234") << 234 << "There is more data than the Buffer has been allocated to hold.";
        QTest::newRow("1015 ends with a blank") << 1015 << "The Registry Database is corrupt! ";
        QTest::newRow("6 undefined") << 6 << "Undefined Error Code:   6";
        QTest::newRow("negative has no leading blank") << -3 << "Undefined Error Code:  -3";
    }
    void errorTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(ErrorMsg(code), text);
    }

    void binaryValuesAndRegistryRoutes()
    {
        RegistryStore& reg = *app().store;
        const QString full = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Test");
        QCOMPARE(GetBinaryValue(reg, *app().dialogs, full, QStringLiteral("RtnNetId")), std::nullopt);
        QCOMPARE(RegKeyCreate(reg, HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test")), 1);
        QCOMPARE(RegKeyCreate(reg, HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test")), 2);
        fStringSpeichernLong(reg, HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test"), QStringLiteral("Six"),
                             QByteArray("\x00\x85\x00\x01", 4));
        QCOMPARE(GetBinaryValue(reg, *app().dialogs, full, QStringLiteral("Six")), QByteArray("\x00\x85\x00\x01\x00\x00", 6));

        RouteStore routes = store();
        QCOMPARE(routes.SaveRTN(kRouteKindRegistry, "WQ-7", "10.0.0.7", "10.133.0.159.1.1"), RouteStore::SaveResult::Stored);
        QCOMPARE(routes.SaveRTN(kRouteKindRegistry, "VN-2", "10.0.0.2", "10.0.0.2.1.1"), RouteStore::SaveResult::Stored);
        const QString key = kRemoteRoutesKey + QStringLiteral("\\WQ-7");
        QCOMPARE(reg.value(HKEY_LOCAL_MACHINE, key, "RtnNetId")->binary, QByteArray("\x0A\x85\x00\x9F\x01\x01", 6));
        QCOMPARE(reg.value(HKEY_LOCAL_MACHINE, key, "Timeout")->dword, 2000u);
        QCOMPARE(reg.value(HKEY_LOCAL_MACHINE, key, "TransportType")->dword, 1u);
        QCOMPARE(routes.ReadRegistryRoutes(),
                 (QList<Route>{{"VN-2", "10.0.0.2.1.1", "10.0.0.2", kRouteKindRegistry},
                               {"WQ-7", "10.133.0.159.1.1", "10.0.0.7", kRouteKindRegistry}}));

        // The same name again overwrites; a short or missing net id reads as none.
        routes.SaveRTN(kRouteKindRegistry, "WQ-7", "10.0.0.8", "10.0.0.8.1.1");
        QCOMPARE(routes.GetRemoteAddress("WQ-7"), QStringLiteral("10.0.0.8"));
        QCOMPARE(routes.GetRemoteRtnNetId("WQ-7"), QStringLiteral("10.0.0.8.1.1"));
        reg.setValue(HKEY_LOCAL_MACHINE, key, "RtnNetId", RegValue::fromBinary("\x0A\x00"));
        QCOMPARE(routes.GetRemoteRtnNetId("WQ-7"), QString());
        reg.deleteValue(HKEY_LOCAL_MACHINE, key, "RtnNetId");
        QCOMPARE(routes.GetRemoteRtnNetId("WQ-7"), QString());
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    void saveRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("netId");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("empty name") << "" << "10.0.0.1" << "10.0.0.1.1.1" << "Route name is not valid!";
        QTest::newRow("backslash in name") << "a\\b" << "10.0.0.1" << "10.0.0.1.1.1" << "Route name is not valid!";
        QTest::newRow("net id of five octets") << "a" << "10.0.0.1" << "10.0.0.1.1" << "RtnNetID is not valid!";
        QTest::newRow("net id octet 300") << "a" << "10.0.0.1" << "10.0.0.1.1.300" << "RtnNetID is not valid!";
        QTest::newRow("address with letters") << "a" << "10.0.x.1" << "10.0.0.1.1.1" << "IP address is not valid!";
        QTest::newRow("only a hint: octet 1 below 10") << "a" << "8.8.8.8" << "10.0.0.1.1.1" << "";
    }
    void saveRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, netId);
        QFETCH(QString, refusal);
        QCOMPARE(routeSaveRefusal(name, address, netId), refusal);
        if (refusal.isEmpty())
            return;
        for (const QString& kind : {kRouteKindRegistry, kRouteKindFile})
            QCOMPARE(store().SaveRTN(kind, name, address, netId), RouteStore::SaveResult::Refused);
        QCOMPARE(m_env->dialogs().messages.size(), 2);
        QVERIFY(m_env->dialogs().messages[0].startsWith(refusal));
        QVERIFY(app().store->subKeys(HKEY_LOCAL_MACHINE, kRemoteRoutesKey).isEmpty());
        QVERIFY(!QFile::exists(staticRoutesPath()));
    }

    void appendToAMissingFileCreatesIt()
    {
        QCOMPARE(staticRoutesPath(), m_env->runtimeRoot() + QStringLiteral("/Corvane/3.1/Target/StaticRoutes.xml"));
        QVERIFY(store().WriteStaticRoutesWithXmlDocument("HQ-1", "10.0.0.5", "10.0.0.5.1.1"));
        QCOMPARE(readFile(staticRoutesPath()),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CvConfig>\n  <RemoteConnections>\n"
                            "    <Route>\n      <Name>HQ-1</Name>\n      <Address>10.0.0.5</Address>\n"
                            "      <NetId>10.0.0.5.1.1</NetId>\n      <Type>TCP_IP</Type>\n    </Route>\n"
                            "  </RemoteConnections>\n</CvConfig>\n"));
        QCOMPARE(store().ReadStaticRoutesWithXmlDocument(),
                 (QList<Route>{{"HQ-1", "10.0.0.5.1.1", "10.0.0.5", kRouteKindFile}}));
    }

    void foreignContentSurvivesAppendAndDelete()
    {
        const QString path = staticRoutesPath();
        writeFile(path, kForeignFile);
        RouteStore routes = store();
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{"VN-10", "VN-1"}));

        QVERIFY(routes.WriteStaticRoutesWithXmlDocument("VN-1", "10.0.0.1", "10.0.0.1.1.1")); // twice is allowed
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{"VN-10", "VN-1", "VN-1"}));

        // Parts of fields or an empty field match nothing; the file is not rewritten.
        const QByteArray before = readFile(path);
        QVERIFY(!routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-", "10.0.0.1", "10.0.0.1.1.1"));
        QVERIFY(!routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-1", "", "10.0.0.1.1.1"));
        QCOMPARE(readFile(path), before);

        QVERIFY(routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, " VN-1", "10.0.0.1", "10.0.0.1.1.1"));
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{"VN-10", "VN-1"}));
        const QByteArray after = readFile(path);
        QVERIFY(after.contains("<!-- kept by the runtime -->"));
        QVERIFY(after.contains("<Other>foreign</Other>"));
        QVERIFY(after.contains("<Name>broken</Name>"));
        QVERIFY(after.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));

        // A registry kind cannot be deleted.
        QVERIFY(!routes.DeleteStaticRouteWithXMLDocument(kRouteKindRegistry, "VN-10", "10.0.0.10", "10.0.0.10.1.1"));
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{QString::fromUtf8("'Corvane 2 Routen löschen' nicht implementiert|48|ToDo!")});
        QCOMPARE(readFile(path), after);
    }

    void damagedFileIsNeverWritten()
    {
        const QString path = staticRoutesPath();
        writeFile(path, "<CvConfig><RemoteConnections>");
        RouteStore routes = store();
        QVERIFY(routes.ReadStaticRoutesWithXmlDocument().isEmpty());
        QCOMPARE(routes.SaveRTN(kRouteKindFile, "VN-1", "10.0.0.1", "10.0.0.1.1.1"), RouteStore::SaveResult::Failed);
        QVERIFY(!routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-1", "10.0.0.1", "10.0.0.1.1.1"));
        QCOMPARE(readFile(path), QByteArray("<CvConfig><RemoteConnections>"));
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }
};

QTEST_MAIN(tst_RouteStore)
#include "tst_routestore.moc"
