#include "common/TestEnv.h"
#include "devices/DeviceFormat.h"
#include "devices/StationReadContext.h"
#include "devices/clsConvertXml.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QtTest>

static QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

static void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(content);
}

class tst_DeviceFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void stationDocumentRoundTrip();
    void appendedNodesCarryAllTemplateAttributes();
    void noParentNoNode();
    void templatesHoldTheBuildersPaths();
    void cachePathUsesTheNameUnchanged();
    void saveCreatesTheFolder();
    void unsaveableDescriptionIsLoggedOnce_data();
    void unsaveableDescriptionIsLoggedOnce();
    void malformedCacheFileIsRebuilt_data();
    void malformedCacheFileIsRebuilt();

private:
    std::unique_ptr<TestEnv> env;
};

void tst_DeviceFormat::init()
{
    env = std::make_unique<TestEnv>();
    gCommon().setPathFolderResCommon(env->tempPath() + QStringLiteral("/res"));
}

void tst_DeviceFormat::cleanup() { env.reset(); }

void tst_DeviceFormat::stationDocumentRoundTrip()
{
    pugi::xml_document doc;
    QVERIFY(fCreateStationDocument(doc));
    const QByteArray expected = "<?xml version=\"1.0\" ?><Station Name=\"Station X\" Pos=\"0\"><Comment>"
                                "<CompanyId>0</CompanyId></Comment><Devices> </Devices></Station>";
    QCOMPARE(QByteArray::fromStdString(xmlDocumentText(doc)), expected);
    const QString path = env->tempPath() + QStringLiteral("/station.xml");
    QVERIFY(saveXmlDocument(doc, path));
    QCOMPARE(readFile(path), expected);
    pugi::xml_document back;
    QVERIFY(loadXmlFile(back, path));
    QCOMPARE(QByteArray::fromStdString(xmlDocumentText(back)), expected);
    QCOMPARE(QByteArray(back.document_element().child("Comment").child("CompanyId").text().get()), "0");
}

void tst_DeviceFormat::appendedNodesCarryAllTemplateAttributes()
{
    pugi::xml_document doc;
    QVERIFY(loadXmlText(doc, kDeviceTemplate));
    pugi::xml_node views = doc.document_element().child("CfgTool").child("Views");
    pugi::xml_node tables = doc.document_element().child("Tables");
    pugi::xml_node view, table, second;
    QVERIFY(fAddViewNode(views, view));
    QVERIFY(fAddTableNode(tables, table));
    QVERIFY(fAddViewNode(views, second));
    view.attribute("ProgID").set_value("TableView");
    table.attribute("Number").set_value("9");
    QCOMPARE(views.last_child(), second);
    QCOMPARE(view.next_sibling(), second);
    const QByteArray text = QByteArray::fromStdString(xmlDocumentText(doc));
    QCOMPARE(text.mid(text.indexOf("<Views>")),
             QByteArray("<Views><View Desc1031=\"\" Desc1033=\"\" Icon=\"\" ProgID=\"TableView\" UserData=\"\"/>"
                        "<View Desc1031=\"\" Desc1033=\"\" Icon=\"\" ProgID=\"\" UserData=\"\"/></Views></CfgTool>"
                        "<Tables><Table Number=\"9\" Length=\"65\"/></Tables></Device>"));
}

void tst_DeviceFormat::noParentNoNode()
{
    pugi::xml_document doc;
    QVERIFY(loadXmlText(doc, kDeviceTemplate));
    pugi::xml_node node = doc.document_element();
    QVERIFY(!fAddViewNode(pugi::xml_node(), node));
    QVERIFY(!node);
    QVERIFY(!fAddTableNode(pugi::xml_node(), node));
}

void tst_DeviceFormat::templatesHoldTheBuildersPaths()
{
    pugi::xml_document doc;
    QVERIFY(loadXmlText(doc, kDeviceTemplate));
    const pugi::xml_node root = doc.root();
    for (const char* path : {"Device", "Device/CfgTool/Views", "Device/Tables", "Device/CfgTool/TextInfos",
                             "Device/NameCompID1", "Device/Desc1033"})
        QVERIFY2(root.first_element_by_path(path), path);
    QCOMPARE(QByteArray(root.first_element_by_path("Device/NameCompID2").text().get()), "Unknown");
    QCOMPARE(QByteArray(root.first_element_by_path("Device/Desc1031").text().get()), "Unknown Device");

    pugi::xml_document sub;
    QVERIFY(loadXmlText(sub, kSubDeviceTemplate));
    const pugi::xml_node subRoot = sub.root();
    for (const char* path : {"SubDevice", "SubDevice/Device/CfgTool/Views", "SubDevice/Device/Tables"})
        QVERIFY2(subRoot.first_element_by_path(path), path);
    QVERIFY(!subRoot.first_element_by_path("SubDevice/Device/CfgTool/TextInfos"));
    QCOMPARE(QByteArray(subRoot.first_element_by_path("SubDevice/Device/NameCompID2").text().get()), "");
}

void tst_DeviceFormat::cachePathUsesTheNameUnchanged()
{
    QCOMPARE(fDeviceDescriptionPath(QStringLiteral("TM8xxx-5555(12)")),
             env->tempPath() + QStringLiteral("/res/Devices/TM8xxx-5555(12).xml"));
    gCommon().setPathFolderResCommon(env->tempPath() + QStringLiteral("/res/"));
    QCOMPARE(fDeviceDescriptionPath(QStringLiteral("TM4585-5555")),
             env->tempPath() + QStringLiteral("/res/Devices/TM4585-5555.xml"));
}

void tst_DeviceFormat::saveCreatesTheFolder()
{
    pugi::xml_document doc;
    QVERIFY(loadXmlText(doc, kDeviceTemplate));
    doc.document_element().attribute("Name").set_value("TM4585-5555");
    StationReadContext context;
    QVERIFY(!QDir(fDeviceDescriptionFolder()).exists());
    QVERIFY(fSaveDeviceDescription(doc, QStringLiteral("TM4585-5555"), context));
    pugi::xml_document back;
    QVERIFY(fLoadDeviceDescription(fDeviceDescriptionPath(QStringLiteral("TM4585-5555")), back));
    QCOMPARE(xmlDocumentText(back), xmlDocumentText(doc));
    QCOMPARE(env->log().Text(), QString());
}

void tst_DeviceFormat::unsaveableDescriptionIsLoggedOnce_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("line");
    QTest::newRow("English") << 9
                             << "The device description %1 cannot be saved (the folder does not exist); it is used "
                                "from memory.\r\n";
    QTest::newRow("German") << 7
                            << "Die Gerätebeschreibung %1 kann nicht gespeichert werden (der Ordner existiert nicht); "
                               "sie wird aus dem Speicher verwendet.\r\n";
}

void tst_DeviceFormat::unsaveableDescriptionIsLoggedOnce()
{
    QFETCH(int, language);
    QFETCH(QString, line);
    int32_t rc = 0;
    LocaleInfo().SetLocale(language, 1, rc);
    // The resource "folder" is a file, so no Devices folder can be made under it.
    writeFile(env->tempPath() + QStringLiteral("/res"), "file");
    pugi::xml_document doc;
    QVERIFY(loadXmlText(doc, kDeviceTemplate));
    StationReadContext context;
    QVERIFY(!fSaveDeviceDescription(doc, QStringLiteral("VN6555-5555"), context));
    QVERIFY(!fSaveDeviceDescription(doc, QStringLiteral("VN6555-5555"), context));
    const QString path = fDeviceDescriptionPath(QStringLiteral("VN6555-5555"));
    QCOMPARE(env->log().Text(), line.arg(path));
    QVERIFY(!fSaveDeviceDescription(doc, QStringLiteral("TM4585-5555"), context));
    QCOMPARE(env->log().Text().count(QStringLiteral("\r\n")), 2);
    QVERIFY(doc.document_element()); // the caller still has its description
}

void tst_DeviceFormat::malformedCacheFileIsRebuilt_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("usable");
    const QByteArray good = "<?xml version=\"1.0\" ?><Device Name=\"A\" Pos=\"\" Icon=\"4\"><Tables/></Device>";
    QTest::newRow("well-formed") << good << true;
    QTest::newRow("truncated") << good.left(good.size() - 5) << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("not XML") << QByteArray("Device=A\n") << false;
    QTest::newRow("wrong root") << QByteArray("<Station><Device Name=\"A\"/></Station>") << false;
    QTest::newRow("two roots") << QByteArray("<Device/><Device/>") << false;
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff", 4) << false;
    QTest::newRow("huge numbers are still a description")
        << QByteArray("<Device Pos=\"99999999999999999999\"><Tables><Table Number=\"0\" Length=\"1e400\">"
                      "<Register Offset=\"0\" Value=\"0xFFFFFFFFFFFFFFFF\"/></Table></Tables></Device>")
        << true;
}

void tst_DeviceFormat::malformedCacheFileIsRebuilt()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, usable);
    const QString path = env->tempPath() + QStringLiteral("/cached.xml");
    writeFile(path, content);
    pugi::xml_document doc;
    QCOMPARE(fLoadDeviceDescription(path, doc), usable);
    QCOMPARE(bool(doc.document_element()), usable);
    if (!usable)
        return;
    const clsConvertXml reader;
    int32_t pos = 0, length = 12;
    std::array<int32_t, 2> values{1, 2};
    QVERIFY(reader.GetDevicePos(doc.document_element(), pos));
    QVERIFY(reader.GetTableLength(doc.document_element(), 0, length));
    reader.GetTableValues(doc.document_element(), 0, 0, 2, values);
    if (content.contains("9999")) {
        QCOMPARE(pos, -1);
        QCOMPARE(length, 12);
        QCOMPARE(values[0], 1);
    }
}

QTEST_GUILESS_MAIN(tst_DeviceFormat)
#include "tst_deviceformat.moc"
