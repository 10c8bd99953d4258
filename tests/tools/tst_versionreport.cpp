// The version report: its text byte for byte, the reading of a saved report,
// the versions of the listed files, and the window's Refresh and Save.
#include "channels/SerialDialogTestUtil.h"
#include "common/ProjectVersion.h"
#include "common/TestEnv.h"
#include "platform/ProgramVersion.h"
#include "platform/XmlDocument.h"
#include "tools/frmVersionsNummer.h"

#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QtTest>

namespace {

QString filesLine(const QString& name, const QString& version)
{
    return QStringLiteral("\t<FILES FILENAME=\"%1\" VERSION=\"%2\"></FILES>\r\n").arg(name, version);
}

const QString kHead = QStringLiteral("<?xml version=\"1.0\" ?>\r\n<SESSION DESC1031=\"Resource Report\">\r\n");

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestVersionReport : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    VersionPlaces m_places;

    void touch(const QString& folder, const QString& name)
    {
        QDir().mkpath(folder);
        QFile file(folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QString reportFile() const { return m_places.programFolder + QStringLiteral("/Report/ResourceReport.xml"); }
    void writeReport(const QByteArray& bytes)
    {
        QDir().mkpath(m_places.programFolder + QStringLiteral("/Report"));
        QFile file(reportFile());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        gCommon();
        const QString root = m_env->tempPath();
        m_places = {root + QStringLiteral("/bin"), root + QStringLiteral("/bin/Resource"), root + QStringLiteral("/qtlib"),
                    root + QStringLiteral("/qtplugins")};
        QDir().mkpath(m_places.programFolder);
    }
    void cleanup() { m_env.reset(); }

    void splitString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("result");
        QTest::newRow("before") << "a=b=c" << "=" << 1 << "a";
        QTest::newRow("after the first") << "a=b=c" << "=" << 2 << "b=c";
        QTest::newRow("any other part is after") << "a=b" << "=" << 7 << "b";
        QTest::newRow("missing") << "abc" << "=" << 1 << "";
        QTest::newRow("case counts") << "FILENAME=x" << "filename=" << 2 << "";
    }
    void splitString()
    {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(int, part);
        QTEST(SplitString(text, delimiter, part), "result");
    }

    void reportTextIsExact()
    {
        ReportSlots names, versions;
        names[1] = QStringLiteral("a.so");
        versions[1] = QStringLiteral("1.2.3.4");
        names[22] = QStringLiteral("extra");
        versions[22] = kNoVersionInfo;
        QString expected = kHead + filesLine(QStringLiteral("TD4700.exe"), QStringLiteral("4.1.7.0"))
            + filesLine(QStringLiteral("a.so"), QStringLiteral("1.2.3.4"));
        for (int slot = 2; slot < kReportSlots; ++slot)
            expected += slot == 22 ? filesLine(QStringLiteral("extra"), kNoVersionInfo) : filesLine({}, {});
        expected += QStringLiteral("</SESSION>");
        QCOMPARE(XMLschreiben(0, QStringLiteral("4.1.7.0"), names, versions), expected);
        QCOMPARE(XMLschreiben(0, {}, names, versions).count(QStringLiteral("<FILES ")), 33);
        QCOMPARE(XMLschreiben(2, {}, names, versions), kHead + QStringLiteral("</SESSION>"));
    }

    void readsTheNamesOfASavedReport()
    {
        QString text = kHead;
        for (int i = 0; i < 25; ++i)
            text += filesLine(QStringLiteral("f%1").arg(i), QStringLiteral("v"));
        ReportSlots names;
        names.fill(QStringLiteral("old"));
        VersionRefresh(text, names);
        QCOMPARE(names[0], QStringLiteral("f0"));
        QCOMPARE(names[24], QStringLiteral("f24"));
        QCOMPARE(names[25], QString()); // past the last entry
        QCOMPARE(names[32], QString());
    }

    void fileVersions()
    {
        touch(m_places.resourceFolder + QStringLiteral("/Graph"), QStringLiteral("Splash0Id0.bmp"));
        touch(m_places.qtLibraries, QStringLiteral("libQt6Core.so.6"));
        touch(m_places.qtPlugins + QStringLiteral("/platforms"), QStringLiteral("libqxcb.so"));
        const QVersionNumber qt = QLibraryInfo::version();
        const QString qtText = QStringLiteral("%1.%2.%3.0").arg(qt.majorVersion()).arg(qt.minorVersion()).arg(qt.microVersion());
        QCOMPARE(GetFileVersion(QStringLiteral("Splash0Id0.bmp"), m_places), shownProjectVersion());
        QCOMPARE(GetFileVersion(QStringLiteral("Findfile.gif"), m_places), kNoVersionInfo); // not installed
        QCOMPARE(GetFileVersion(QStringLiteral("libQt6Core.so.6"), m_places), qtText);
        QCOMPARE(GetFileVersion(QStringLiteral("libqxcb.so"), m_places), qtText);
        QCOMPARE(GetFileVersion(QStringLiteral("libqgif.so"), m_places), kNoVersionInfo);
        QCOMPARE(GetFileVersion(QStringLiteral("unknown.dll"), m_places), kNoVersionInfo);
        QCOMPARE(fileVersionText(40000, 65535, 0, 1), QStringLiteral("40000.65535.0.1")); // never negative
    }

    // Names a saved report adds are looked for in the program folder and beside the Qt
    // libraries; the version comes from the name the file resolves to.
    void extraFileVersions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::newRow("Qt library through its link") << "libQt6Xml.so.6" << "6.5.3.0";
        QTest::newRow("library by its full name") << "libQt6Xml.so.6.5.3" << "6.5.3.0";
        QTest::newRow("program folder first") << "libhelper.so.1" << "1.2.0.0";
        QTest::newRow("own file without a number") << "td4700-tool" << shownProjectVersion();
        QTest::newRow("beside Qt, without a number") << "libnone.so" << kNoVersionInfo;
        QTest::newRow("dangling link") << "libgone.so.3" << kNoVersionInfo;
        QTest::newRow("not installed") << "libQt6Sql.so.6" << kNoVersionInfo;
        QTest::newRow("a path out of the folders") << "../qtlib/libQt6Xml.so.6" << kNoVersionInfo;
    }
    void extraFileVersions()
    {
        touch(m_places.qtLibraries, QStringLiteral("libQt6Xml.so.6.5.3"));
        QVERIFY(QFile::link(QStringLiteral("libQt6Xml.so.6.5.3"), m_places.qtLibraries + QStringLiteral("/libQt6Xml.so.6")));
        touch(m_places.qtLibraries, QStringLiteral("libhelper.so.9.9"));
        touch(m_places.programFolder, QStringLiteral("libhelper.so.1.2"));
        QVERIFY(QFile::link(QStringLiteral("libhelper.so.1.2"), m_places.programFolder + QStringLiteral("/libhelper.so.1")));
        QVERIFY(QFile::link(QStringLiteral("libhelper.so.9.9"), m_places.qtLibraries + QStringLiteral("/libhelper.so.1")));
        touch(m_places.programFolder, QStringLiteral("td4700-tool"));
        touch(m_places.qtLibraries, QStringLiteral("libnone.so"));
        QVERIFY(QFile::link(QStringLiteral("libgone.so.3.0"), m_places.qtLibraries + QStringLiteral("/libgone.so.3")));
        QFETCH(QString, name);
        QTEST(GetFileVersion(name, m_places), "version");

        // From a saved report, into the report the window writes.
        QDir().mkpath(m_places.programFolder + QStringLiteral("/Report"));
        QString report = kHead;
        for (int slot = 0; slot < 22; ++slot)
            report += filesLine(QStringLiteral("f%1").arg(slot), QStringLiteral("v"));
        report += filesLine(name, QString()) + QStringLiteral("</SESSION>");
        QFile file(reportFile());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(report.toLatin1()) > 0);
        file.close();
        frmVersionsNummer form(nullptr, m_places);
        QCOMPARE(form.fileNames()[22], name);
        QTEST(form.versions()[22], "version");
    }

    // Its own files are found where the build puts them; nothing else of the program
    // folder (the virtual coupler, the benchmarks) is listed as a part of the program.
    void listNamesWhatIsInstalledWithTheProgram()
    {
        const QString bin = QCoreApplication::applicationDirPath();
        VersionPlaces places = VersionPlaces::installed();
        places.programFolder = bin;
        places.resourceFolder = bin + QStringLiteral("/Resource");
        for (const char* own : {"StringTable.txt", "RefList.xml", "TerminalResource.xml", "Splash0Id0.bmp", "Findfile.gif"})
            QCOMPARE(GetFileVersion(QLatin1String(own), places), shownProjectVersion());
        for (const char* name : fixedComponentNames())
            QVERIFY2(!QFileInfo::exists(bin + QLatin1Char('/') + QLatin1String(name)), name);
    }

    void freshWindowSavesItsReport()
    {
        QVERIFY(!QFileInfo::exists(m_places.programFolder + QStringLiteral("/Report")));
        frmVersionsNummer form(nullptr, m_places);
        QCOMPARE(child<QLabel>(&form, "lblFilename_0")->text(), QStringLiteral(" TD4700.exe"));
        QCOMPARE(child<QLabel>(&form, "lblVersionsNummer_0")->text(), QLatin1Char(' ') + shownProjectVersion());
        QCOMPARE(child<QLabel>(&form, "lblFilename_21")->text(),
                 QLatin1Char(' ') + QString::fromLatin1(fixedComponentNames()[20]));
        QCOMPARE(child<QLabel>(&form, "lblVersionsNummer_21")->text(), QLatin1Char(' ') + kNoVersionInfo);

        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        const QByteArray saved = readBytes(reportFile()); // the missing Report folder is made
        QCOMPARE(saved, (form.reportText() + QStringLiteral("\r\n")).toLatin1());
        QVERIFY(saved.endsWith("</SESSION>\r\n"));
        QCOMPARE(saved.count("<FILES "), 33);
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    // Refresh takes the names of the saved report and builds the report anew with the
    // versions found now: a save writes what the window lists, the same bytes each time.
    void refreshThenSaveWritesTheReportShown()
    {
        QByteArray bytes = (kHead + filesLine(QStringLiteral("TD4700.exe"), QStringLiteral("1"))).toLatin1();
        for (int i = 1; i < 25; ++i)
            bytes += filesLine(QStringLiteral("f%1").arg(i), QStringLiteral("v")).toLatin1();
        bytes += "\t<!-- Ger\xC3\xA4t \xC3\xBC\xC3\x9F -->\r\n</SESSION>\r\n";
        writeReport(bytes);

        frmVersionsNummer form(nullptr, m_places);
        // Entries 23 to 25 are reported, not shown: the fixed list stays in the rows.
        QCOMPARE(form.fileNames()[22], QStringLiteral("f22"));
        QCOMPARE(form.fileNames()[24], QStringLiteral("f24"));
        QCOMPARE(form.fileNames()[25], QString());
        QCOMPARE(form.versions()[24], kNoVersionInfo);
        QVERIFY(form.reportText().contains(filesLine(QStringLiteral("f24"), kNoVersionInfo)));

        // The saved report now names one file fewer, and one in the bytes of an older copy.
        QByteArray older = bytes;
        older.replace("\"f23\"", "\"Ger\xE4t.so\"").replace(filesLine(QStringLiteral("f24"), QStringLiteral("v")).toLatin1(), {});
        writeReport(older);
        touch(m_places.programFolder, QString::fromUtf8("Gerät.so"));
        child<QPushButton>(&form, "cmdXMLlesen")->click();
        QCOMPARE(form.fileNames()[23], QString::fromUtf8("Gerät.so"));
        QCOMPARE(form.versions()[23], programVersionText());
        QCOMPARE(form.fileNames()[24], QString());
        QCOMPARE(form.versions()[24], QString());
        QCOMPARE(form.reportText(), XMLschreiben(0, programVersionText(), form.fileNames(), form.versions()));

        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        const QByteArray saved = readBytes(reportFile());
        QCOMPARE(saved, (form.reportText() + QStringLiteral("\r\n")).toUtf8());
        child<QPushButton>(&form, "cmdXMLlesen")->click();
        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        QCOMPARE(readBytes(reportFile()), saved);
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    // Names a saved report gives are found by their real names and written escaped,
    // so the report stays well-formed, also after a Refresh of a report that was not.
    void savedNamesAreEscapedAndFound()
    {
        QByteArray bytes = kHead.toUtf8();
        for (int i = 0; i < 22; ++i)
            bytes += filesLine(QStringLiteral("f%1").arg(i), QStringLiteral("v")).toUtf8();
        const QStringList extra{QStringLiteral("a&amp;b.so"), QStringLiteral("q&quot;x"), QStringLiteral("x<y"),
                                QString::fromUtf8("Gerät.so")};
        for (const QString& name : extra)
            bytes += filesLine(name, QStringLiteral("v")).toUtf8();
        bytes += "</SESSION>\r\n";
        writeReport(bytes);
        touch(m_places.programFolder, QString::fromUtf8("Gerät.so"));

        frmVersionsNummer form(nullptr, m_places);
        const QStringList names{QStringLiteral("a&b.so"), QStringLiteral("q\"x"), QStringLiteral("x<y"),
                                QString::fromUtf8("Gerät.so")};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(form.fileNames()[size_t(22 + i)], names[i]);
        QCOMPARE(form.versions()[25], programVersionText());

        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        const QByteArray saved = readBytes(reportFile());
        pugi::xml_document doc;
        QVERIFY(loadXmlBuffer(doc, saved.constData(), size_t(saved.size())));
        QStringList read;
        for (const pugi::xml_node files : doc.child("SESSION").children("FILES"))
            read << QString::fromUtf8(files.attribute("FILENAME").value());
        QCOMPARE(read.mid(22, 4), names);
        QVERIFY(saved.contains("FILENAME=\"Ger\xC3\xA4t.so\" VERSION=\"" + programVersionText().toUtf8()));
        QVERIFY(m_env->dialogs().messages.isEmpty());

        writeReport(bytes); // "x<y" as written there: no well-formed XML
        child<QPushButton>(&form, "cmdXMLlesen")->click();
        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        QCOMPARE(readBytes(reportFile()), saved);
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    // A saved report as other tools or damage leave it: what Refresh and Save write is
    // well-formed, declares what it is, and names each file as the window listed it.
    void foreignReportsAreSavedWellFormed_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("written"); // the name as the saved report has it
        QTest::addColumn<QString>("name");
        const QByteArray utf8 = "<?xml version=\"1.0\" ?>\r\n";
        QTest::newRow("UTF-8 with a byte order mark") << "\xEF\xBB\xBF" + utf8 << QByteArray("M\xC3\xBCller.dll")
                                                      << QString::fromUtf8("Müller.dll");
        QTest::newRow("Latin-1, declared") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n")
                                           << QByteArray("M\xFCller.dll") << QString::fromUtf8("Müller.dll");
        QTest::newRow("reference to U+0001") << utf8 << QByteArray("a&#1;b") << "a&#1;b";
        QTest::newRow("reference to U+FFFF") << utf8 << QByteArray("a&#xFFFF;b") << "a&#xFFFF;b";
        QTest::newRow("undeclared entity") << utf8 << QByteArray("a&nope;b") << "a&nope;b";
    }
    void foreignReportsAreSavedWellFormed()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, written);
        QFETCH(QString, name);
        QByteArray bytes = head + "<SESSION DESC1031=\"Resource Report\">\r\n";
        for (int i = 0; i < 22; ++i)
            bytes += filesLine(QStringLiteral("f%1").arg(i), QStringLiteral("v")).toLatin1();
        bytes += "\t<FILES FILENAME=\"" + written + "\" VERSION=\"v\"></FILES>\r\n</SESSION>\r\n";
        writeReport(bytes);
        frmVersionsNummer form(nullptr, m_places);
        child<QPushButton>(&form, "cmdXMLlesen")->click();
        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        QVERIFY(m_env->dialogs().messages.isEmpty());
        const QByteArray saved = readBytes(reportFile());
        QVERIFY(saved.startsWith("<?xml version=\"1.0\" ?>\r\n")); // UTF-8, as the bytes are
        pugi::xml_document doc;
        QVERIFY(loadXmlAsWritten(doc, saved));
        QVERIFY(loadXmlBuffer(doc, saved.constData(), size_t(saved.size())));
        QStringList read;
        for (const pugi::xml_node files : doc.child("SESSION").children("FILES"))
            read << QString::fromUtf8(files.attribute("FILENAME").value());
        QCOMPARE(read.value(22), name);
    }

    void aFailedSaveIsSaid()
    {
        touch(m_places.programFolder, QStringLiteral("Report")); // a file where the folder should be
        frmVersionsNummer form(nullptr, m_places);
        child<QPushButton>(&form, "cmdXMLschreiben")->click();
        QCOMPARE(m_env->dialogs().messages.size(), 1);
        QVERIFY2(m_env->dialogs().messages[0].startsWith(QStringLiteral("Der Bericht konnte nicht gespeichert werden:")),
                 qPrintable(m_env->dialogs().messages[0]));
    }
};

QTEST_MAIN(TestVersionReport)
#include "tst_versionreport.moc"
