// The registry functions under the routes and both route stores: key texts,
// error texts, binary net ids, and the route file's append, read and delete
// keeping what else the file holds.
#include "channels/RegistryFunctions.h"
#include "channels/RouteStore.h"
#include "common/ChildProcess.h"
#include "common/TestEnv.h"
#include "platform/RegistryAccess.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
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

// A route file as the runtime's tools lay it out: CR LF, tabs, a comment, single quotes.
QString routeFileText(const QString& encoding, const QStringList& routeNames)
{
    QString text = QStringLiteral("<?xml version='1.0' encoding='%1'?>\r\n<!-- Müller GmbH -->\r\n<CvConfig>\r\n"
                                  "\t<RemoteConnections>").arg(encoding);
    for (int i = 0; i < routeNames.size(); ++i)
        text += QStringLiteral("\r\n\t\t<Route>\r\n\t\t\t<Name>%1</Name>\r\n\t\t\t<Address>10.0.0.%2</Address>"
                               "\r\n\t\t\t<NetId>10.0.0.%2.1.1</NetId>\r\n\t\t\t<Type>TCP_IP</Type>\r\n\t\t</Route>")
                    .arg(routeNames[i]).arg(i + 1 == routeNames.size() && routeNames[i] == "Neu" ? 9 : i + 1);
    return text + QStringLiteral("\r\n\t</RemoteConnections>\r\n</CvConfig>\r\n");
}

QByteArray encoded(const QString& form, const QString& text)
{
    if (form == QLatin1String("latin1"))
        return text.toLatin1();
    if (form == QLatin1String("utf8 bom"))
        return "\xEF\xBB\xBF" + text.toUtf8();
    const bool le = form == QLatin1String("utf16le bom");
    QStringEncoder encoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return QByteArray(le ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(text));
}

constexpr int kChildRoutes = 200;

// Another running copy of the program adding its routes to the same file.
int addRoutesJob(const QString&, const QStringList& arguments)
{
    RegistryStore registry(arguments.value(1));
    RegistryAccess access(registry);
    RecordingDialogs dialogs;
    RouteStore store(registry, access, dialogs, arguments.value(0));
    for (int i = 0; i < kChildRoutes; ++i)
        if (!store.WriteStaticRoutesWithXmlDocument(arguments.value(2) + QString::number(i), "10.0.0.1", "10.0.0.1.1.1"))
            return 1;
    return 0;
}

} // namespace

class tst_RouteStore : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    RouteStore store() { return RouteStore(*app().store, *app().gObjRegistry, *app().dialogs); }

public:
    static void initMain() { exitIfChild(&addRoutesJob); }

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
        // Values of another type, as another tool may store them, are no net id or address.
        reg.setValue(HKEY_LOCAL_MACHINE, key, "RtnNetId", RegValue::fromText("10.0.0.20.1.1"));
        reg.setValue(HKEY_LOCAL_MACHINE, key, "Address", RegValue::fromDWord(0x0A000014));
        QCOMPARE(routes.ReadRegistryRoutes().last(), (Route{"WQ-7", "", "", kRouteKindRegistry}));
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
        QTest::newRow("tab in name") << "A\tB" << "10.0.0.1" << "10.0.0.1.1.1" << "Route name is not valid!";
        QTest::newRow("line feed in name") << "A\nB" << "10.0.0.1" << "10.0.0.1.1.1" << "Route name is not valid!";
        QTest::newRow("the template row's name") << " User-Defined" << "10.0.0.1" << "10.0.0.1.1.1"
                                                 << "Route name is not valid!";
        QTest::newRow("net id of five octets") << "a" << "10.0.0.1" << "10.0.0.1.1" << "RtnNetID is not valid!";
        QTest::newRow("net id octet 300") << "a" << "10.0.0.1" << "10.0.0.1.1.300" << "RtnNetID is not valid!";
        QTest::newRow("address with letters") << "a" << "10.0.x.1" << "10.0.0.1.1.1" << "IP address is not valid!";
        QTest::newRow("only a hint: octet 1 below 10") << "a" << "8.8.8.8" << "10.0.0.1.1.1" << "";
        // Characters XML does not allow, in any field: the route file would be refused whole.
        QTest::newRow("U+FFFE in name") << "Halle\uFFFE5" << "10.0.0.1" << "10.0.0.1.1.1" << "Route name is not valid!";
        QTest::newRow("U+FFFF in net id") << "a" << "10.0.0.1" << "10.0.0.1.1.1\uFFFF" << "Route name is not valid!";
        QTest::newRow("unpaired surrogate in address") << "a" << QStringLiteral("10.0.0.1") + QChar(0xD800) << "10.0.0.1.1.1"
                                                       << "Route name is not valid!";
        QTest::newRow("C0 control in net id") << "a" << "10.0.0.1" << "10.0.0.1.1.1\x01" << "Route name is not valid!";
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

    void damagedFileIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not well-formed") << QByteArray("<CvConfig><RemoteConnections>");
        QTest::newRow("text after the root") << QByteArray("<CvConfig><RemoteConnections/></CvConfig>a>b");
        const QByteArray head = "<CvConfig><RemoteConnections><Route><Name>";
        const QByteArray tail = "</Name><Address>10.0.0.1</Address><NetId>10.0.0.1.1.1</NetId></Route>"
                                "</RemoteConnections></CvConfig>";
        QTest::newRow("reference to a character XML forbids") << head + "a&#xFFFE;b" + tail;
        QTest::newRow("undeclared entity") << head + "a&nope;b" + tail;
        QTest::newRow("]]> in a name") << head + "a]]>b" + tail;
        QTest::newRow("Latin-1 bytes without a declaration") << head + "M\xFCller" + tail;
        QTest::newRow("UTF-16 cut in a character")
            << QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE).encode(QStringLiteral(
                   "<CvConfig><RemoteConnections/></CvConfig>")) + QByteArray(1, '\0');
    }
    void damagedFileIsNeverWritten()
    {
        QFETCH(QByteArray, content);
        const QString path = staticRoutesPath();
        writeFile(path, content);
        RouteStore routes = store();
        QVERIFY(routes.ReadStaticRoutesWithXmlDocument().isEmpty());
        QCOMPARE(routes.SaveRTN(kRouteKindFile, "VN-1", "10.0.0.1", "10.0.0.1.1.1"), RouteStore::SaveResult::Failed);
        QVERIFY(!routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-1", "10.0.0.1", "10.0.0.1.1.1"));
        QCOMPARE(readFile(path), content);
        const QString told = QStringLiteral("Die Routendatei %1 konnte nicht gespeichert werden: sie ist als Routendatei "
                                            "nicht lesbar und bleibt, wie sie ist.\r\n\r\nDie Route wird nicht %2.|16|RTN Router");
        QCOMPARE(m_env->dialogs().messages,
                 (QStringList{told.arg(path, QStringLiteral("gespeichert")), told.arg(path, QStringLiteral("gelöscht"))}));
    }

    // A route file that is a link: the link stays and the file it names gets every change.
    void linkedFileIsWrittenThrough()
    {
        const QString path = staticRoutesPath();
        const QString real = m_env->tempPath() + QStringLiteral("/runtime3/StaticRoutes.xml");
        writeFile(real, kForeignFile);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::link(real, path));
        RouteStore routes = store();
        QCOMPARE(routes.SaveRTN(kRouteKindFile, "VN-2", "10.0.0.2", "10.0.0.2.1.1"), RouteStore::SaveResult::Stored);
        QVERIFY(routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-10", "10.0.0.10", "10.0.0.10.1.1"));
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(QFileInfo(path).symLinkTarget(), real);
        QVERIFY(readFile(real).contains("<Name>VN-2</Name>"));
        QVERIFY(!readFile(real).contains("<Name>VN-10</Name>"));
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{"VN-1", "VN-2"}));
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    // What the runtime reads stays as it was but for the route added and the one removed.
    void fileKeepsItsEncoding_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("declared");
        QTest::addColumn<QString>("firstListed");
        QTest::addColumn<bool>("holdsAnyName");
        const QString mueller = QString::fromUtf8("Müller Halle");
        QTest::newRow("Latin-1") << "latin1" << "ISO-8859-1" << mueller << false;
        QTest::newRow("UTF-16 LE with mark") << "utf16le bom" << "UTF-16" << mueller << true;
        QTest::newRow("UTF-16 BE with mark") << "utf16be bom" << "UTF-16" << mueller << true;
        QTest::newRow("UTF-8 with mark") << "utf8 bom" << "UTF-8" << mueller << true;
        QTest::newRow("windows-1252") << "latin1" << "windows-1252" << mueller << false;
        QTest::newRow("an 8-bit encoding not known here")
            << "latin1" << "x-own-8bit" << QString::fromUtf8("M\uFFFDller Halle") << false;
    }
    void fileKeepsItsEncoding()
    {
        QFETCH(QString, form);
        QFETCH(QString, declared);
        QFETCH(QString, firstListed);
        QFETCH(bool, holdsAnyName);
        const QString path = staticRoutesPath();
        const QStringList before{QString::fromUtf8("Müller Halle"), QString::fromUtf8("Süd"), "HQ-3"};
        writeFile(path, encoded(form, routeFileText(declared, before)));
        RouteStore routes = store();
        QCOMPARE(routes.ReadStaticRoutesWithXmlDocument().first().name, firstListed);

        QCOMPARE(routes.SaveRTN(kRouteKindFile, "Neu", "10.0.0.9", "10.0.0.9.1.1"), RouteStore::SaveResult::Stored);
        const QString listed = routes.ReadStaticRoutesWithXmlDocument().at(1).name; // as the user picks it
        QVERIFY(routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, listed, "10.0.0.2", "10.0.0.2.1.1"));
        QString after = routeFileText(declared, {before[0], before[2], "Neu"});
        after.replace("10.0.0.2", "10.0.0.3"); // HQ-3 keeps its own address
        QCOMPARE(readFile(path), encoded(form, after));
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{firstListed, "HQ-3", "Neu"}));

        // A name the file's encoding lacks is refused, and the file stays as it is.
        const QString lacking = QString::fromUtf8("Łódź");
        QCOMPARE(routes.SaveRTN(kRouteKindFile, lacking, "10.0.0.5", "10.0.0.5.1.1"),
                 holdsAnyName ? RouteStore::SaveResult::Stored : RouteStore::SaveResult::Refused);
        if (holdsAnyName)
            return;
        QCOMPARE(readFile(path), encoded(form, after));
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{QStringLiteral("Die Routendatei %1 ist in %2 geschrieben und kann \u201E%3\u201C nicht "
                                            "aufnehmen.\r\n\r\nDie Route wird nicht gespeichert.|16|RTN Router")
                                 .arg(path, declared, lacking)});
    }

    // What the program did not change reads as it was: references, the file's own
    // entities, CDATA, comments and quotes of untouched routes stay byte for byte.
    void untouchedRoutesKeepTheirBytes()
    {
        const QByteArray head = "<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE CvConfig [ <!ENTITY plant \"Halle 3\"> ]>\n"
                                "<CvConfig a='1'>\n  <RemoteConnections>";
        const QByteArray plant = "\n    <Route kind='x &amp; y'><Name>&plant; Presse</Name><!-- kept --><Address>10.0.0.1"
                                 "</Address><NetId>10.0.0.1.1.1</NetId><Type>TCP_IP</Type></Route>";
        const QByteArray references = "\n    <Route><Name>&#228;&#x20AC; &quot;q&apos;</Name><Address>10.0.0.2</Address>"
                                      "<NetId>10.0.0.2.1.1</NetId></Route>";
        const QByteArray cdata = "\n    <Route><Name><![CDATA[A<B>]]></Name><Address>10.0.0.3</Address>"
                                 "<NetId>10.0.0.3.1.1</NetId></Route>";
        const QByteArray gone = "\n    <Route><Name>Weg</Name><Address>10.0.0.4</Address><NetId>10.0.0.4.1.1</NetId></Route>";
        const QByteArray added = "\n    <Route><Name>Neu &amp; &lt;X&gt;</Name><Address>10.0.0.9</Address>"
                                 "<NetId>10.0.0.9.1.1</NetId><Type>TCP_IP</Type></Route>";
        const QByteArray tail = "\n  </RemoteConnections>\n</CvConfig>\n";
        const QString path = staticRoutesPath();
        writeFile(path, head + plant + references + cdata + gone + tail);
        RouteStore routes = store();
        // Listed as an XML reader reads them.
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()),
                 (QStringList{"Halle 3 Presse", QString::fromUtf8("ä€ \"q'"), "A<B>", "Weg"}));

        QCOMPARE(routes.SaveRTN(kRouteKindFile, "Neu & <X>", "10.0.0.9", "10.0.0.9.1.1"), RouteStore::SaveResult::Stored);
        QVERIFY(routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "Weg", "10.0.0.4", "10.0.0.4.1.1"));
        QCOMPARE(readFile(path), head + plant + references + cdata + added + tail);
        QVERIFY(routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "Halle 3 Presse", "10.0.0.1", "10.0.0.1.1.1"));
        QCOMPARE(readFile(path), head + references + cdata + added + tail);
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()),
                 (QStringList{QString::fromUtf8("ä€ \"q'"), "A<B>", "Neu & <X>"}));
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    // 8-bit files by their declared encoding: their names are listed right, and a new
    // route is written in the file's own bytes, or refused when they cannot hold it.
    void eightBitEncodingsByName_data()
    {
        QTest::addColumn<QString>("declared");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QByteArray>("bytes"); // of the added name; empty when refused
        const QString mueller = QString::fromUtf8("Müller");
        const QString groesse = QString::fromUtf8("Größe €");
        QTest::newRow("windows-1252") << "windows-1252" << mueller << groesse << QByteArray("Gr\xF6\xDF" "e \x80");
        QTest::newRow("ISO-8859-15") << "ISO-8859-15" << mueller << groesse << QByteArray("Gr\xF6\xDF" "e \xA4");
        QTest::newRow("Latin-1 as ISO8859-1") << "ISO8859-1" << mueller << QString::fromUtf8("Größe")
                                              << QByteArray("Gr\xF6\xDF" "e");
        QTest::newRow("Latin-1 lacks the euro") << "Latin-1" << mueller << groesse << QByteArray();
        QTest::newRow("a name no converter knows: ASCII only")
            << "x-own-8bit" << QString::fromUtf8("M\uFFFDller") << QString::fromUtf8("Größe") << QByteArray();
    }
    void eightBitEncodingsByName()
    {
        QFETCH(QString, declared);
        QFETCH(QString, listed);
        QFETCH(QString, added);
        QFETCH(QByteArray, bytes);
        const QString path = staticRoutesPath();
        const QByteArray before = "<?xml version=\"1.0\" encoding=\"" + declared.toLatin1()
            + "\"?>\n<CvConfig><RemoteConnections><Route><Name>M\xFCller</Name><Address>10.0.0.1</Address>"
              "<NetId>10.0.0.1.1.1</NetId></Route></RemoteConnections></CvConfig>\n";
        writeFile(path, before);
        RouteStore routes = store();
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), QStringList{listed});
        QCOMPARE(routes.SaveRTN(kRouteKindFile, added, "10.0.0.2", "10.0.0.2.1.1"),
                 bytes.isEmpty() ? RouteStore::SaveResult::Refused : RouteStore::SaveResult::Stored);
        if (bytes.isEmpty()) {
            QCOMPARE(readFile(path), before);
            return;
        }
        QCOMPARE(readFile(path), QByteArray(before).replace("</RemoteConnections>", "<Route><Name>" + bytes + "</Name>"
                                                            "<Address>10.0.0.2</Address><NetId>10.0.0.2.1.1</NetId>"
                                                            "<Type>TCP_IP</Type></Route></RemoteConnections>"));
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{listed, added}));
    }

    // A file already holding a character XML does not allow is not rewritten.
    void fileWithAForbiddenCharacterIsNotRewritten()
    {
        const QString path = staticRoutesPath();
        const QByteArray content = "<CvConfig><RemoteConnections><Route><Name>Halle\xEF\xBF\xBE" "5</Name><Address>10.0.0.1"
                                   "</Address><NetId>10.0.0.1.1.1</NetId></Route></RemoteConnections></CvConfig>";
        writeFile(path, content);
        RouteStore routes = store();
        QCOMPARE(routes.SaveRTN(kRouteKindFile, "VN-2", "10.0.0.2", "10.0.0.2.1.1"), RouteStore::SaveResult::Failed);
        QCOMPARE(readFile(path), content);
        QCOMPARE(m_env->dialogs().messages.size(), 1);
        QVERIFY2(m_env->dialogs().messages[0].contains(QStringLiteral("Zeichen, die XML nicht erlaubt")),
                 qPrintable(m_env->dialogs().messages[0]));
    }

    void everySectionCounts()
    {
        const QString path = staticRoutesPath();
        writeFile(path, "<CvConfig><RemoteConnections><Route><Name>A</Name><Address>10.0.0.1</Address>"
                        "<NetId>10.0.0.1.1.1</NetId></Route></RemoteConnections><RemoteConnections><Route>"
                        "<Name>B</Name><Address>10.0.0.2</Address><NetId>10.0.0.2.1.1</NetId></Route>"
                        "</RemoteConnections></CvConfig>");
        RouteStore routes = store();
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{"A", "B"}));
        QVERIFY(routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "B", "10.0.0.2", "10.0.0.2.1.1"));
        QVERIFY(routes.WriteStaticRoutesWithXmlDocument("C", "10.0.0.3", "10.0.0.3.1.1"));
        QCOMPARE(readFile(path), QByteArray("<CvConfig><RemoteConnections><Route><Name>A</Name><Address>10.0.0.1</Address>"
                                            "<NetId>10.0.0.1.1.1</NetId></Route><Route><Name>C</Name><Address>10.0.0.3"
                                            "</Address><NetId>10.0.0.3.1.1</NetId><Type>TCP_IP</Type></Route>"
                                            "</RemoteConnections><RemoteConnections></RemoteConnections></CvConfig>"));
    }

    void twoRunningCopiesLoseNoRoute()
    {
        const QString path = staticRoutesPath();
        auto first = startChild(QStringLiteral("routes"), {path, m_env->registryFolder(), QStringLiteral("A-")});
        auto second = startChild(QStringLiteral("routes"), {path, m_env->registryFolder(), QStringLiteral("B-")});
        QVERIFY(first && second);
        for (QProcess* copy : {first.get(), second.get()}) {
            QVERIFY(copy->waitForFinished(240000));
            QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
            QCOMPARE(copy->exitCode(), 0); // every route was acknowledged
        }
        QStringList listed = names(store().ReadStaticRoutesWithXmlDocument());
        QCOMPARE(listed.size(), 2 * kChildRoutes);
        listed.sort();
        listed.removeDuplicates();
        QCOMPARE(listed.size(), 2 * kChildRoutes);
    }

    void withoutALockFileRoutesStillRead()
    {
        const QString path = staticRoutesPath();
        writeFile(path, kForeignFile);
        QVERIFY(QDir().mkpath(m_env->runtimeRoot() + "/Corvane/3.1/Target/.StaticRoutes.xml.lock")); // no lock can be made
        RouteStore routes = store();
        QCOMPARE(names(routes.ReadStaticRoutesWithXmlDocument()), (QStringList{"VN-10", "VN-1"}));
        QCOMPARE(routes.SaveRTN(kRouteKindFile, "VN-2", "10.0.0.2", "10.0.0.2.1.1"), RouteStore::SaveResult::Failed);
        QVERIFY(!routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-1", "10.0.0.1", "10.0.0.1.1.1"));
        QCOMPARE(readFile(path), kForeignFile);
        QCOMPARE(m_env->dialogs().messages.size(), 2);
        QVERIFY(m_env->dialogs().messages[0].contains(QStringLiteral("sie ist gesperrt, oder ihr Ordner ist nicht beschreibbar")));
    }
};

QTEST_MAIN(tst_RouteStore)
#include "tst_routestore.moc"
