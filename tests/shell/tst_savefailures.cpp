// Every writer of the program made to fail, by a full disk (a file-size limit in a
// child process, which holds for root too) and by a write-protected file: the old
// file stays byte for byte, no temporary file is left, and the user is told.
#include "channels/RouteStore.h"
#include "common/ChildProcess.h"
#include "common/TestEnv.h"
#include "devices/DeviceFormat.h"
#include "devices/StationReadContext.h"
#include "platform/RegistryAccess.h"
#include "platform/XmlDocument.h"
#include "tools/frmScript.h"
#include "tools/frmVersionsNummer.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTextStream>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray kOldFile = "old file, kept byte for byte\n";

QString target(const QString& writer, const QString& folder)
{
    if (writer == QLatin1String("settings hive"))
        return folder + QStringLiteral("/registry/HKEY_CURRENT_USER.xml");
    if (writer == QLatin1String("description cache"))
        return folder + QStringLiteral("/res/Devices/TM4585-5555.xml");
    if (writer.startsWith(QLatin1String("route file")))
        return folder + QStringLiteral("/StaticRoutes.xml");
    if (writer == QLatin1String("converter save"))
        return folder + QStringLiteral("/converted.xml");
    return folder + QStringLiteral("/prog/Report/ResourceReport.xml");
}

QByteArray oldContent(const QString& writer)
{
    if (writer == QLatin1String("settings hive"))
        return "<Hive><Key Name=\"K\"><Value Name=\"Port\" Type=\"Text\">7</Value></Key></Hive>\n";
    if (writer.startsWith(QLatin1String("route file")))
        return "<CvConfig><RemoteConnections><Route><Name>VN-1</Name><Address>10.0.0.1</Address>"
               "<NetId>10.0.0.1.1.1</NetId><Type>TCP_IP</Type></Route></RemoteConnections></CvConfig>\n";
    return kOldFile;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// Runs one writer over the prepared folder and prints every message and log line.
int saveJob(const QString&, const QStringList& arguments)
{
    const QString writer = arguments.value(0);
    const QString folder = arguments.value(1);
    if (arguments.value(2) == QLatin1String("limit")) {
        // The write past the limit fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
    }
    int argc = 1;
    char name[] = "savejob";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    AppContext context(folder + QStringLiteral("/registry"));
    AppContext::setCurrent(&context);
    auto recording = std::make_unique<RecordingDialogs>();
    RecordingDialogs& dialogs = *recording;
    context.dialogs = std::move(recording);
    LogBuffer log;
    context.gLogBox = &log;
    context.common().setLanguageType(arguments.value(3).toInt());
    // Connected once the language is known, as at start-up: what failed before is told now.
    context.store->setDamageReporter([&log](const QString& line) { AppendLogText(&log, line); });
    context.common().setPathFolderResCommon(folder + QStringLiteral("/res"));

    if (writer == QLatin1String("settings hive")) {
        if (context.gObjRegistry->WriteValue(HKEY_CURRENT_USER, QStringLiteral("K"), QStringLiteral("Port"),
                                             QStringLiteral("8")))
            return 3;
    } else if (writer == QLatin1String("description cache")) {
        pugi::xml_document doc;
        loadXmlText(doc, "<Device Name=\"TM4585-5555\"><Desc1033>End terminal</Desc1033></Device>");
        StationReadContext station;
        if (fSaveDeviceDescription(doc, QStringLiteral("TM4585-5555"), station))
            return 3;
    } else if (writer.startsWith(QLatin1String("route file"))) {
        RouteStore routes(*context.store, *context.gObjRegistry, dialogs, target(writer, folder));
        const bool changed = writer.endsWith(QLatin1String("add"))
            ? routes.SaveRTN(kRouteKindFile, "VN-2", "10.0.0.2", "10.0.0.2.1.1") == RouteStore::SaveResult::Stored
            : routes.DeleteStaticRouteWithXMLDocument(kRouteKindFile, "VN-1", "10.0.0.1", "10.0.0.1.1.1");
        if (changed)
            return 3;
    } else if (writer == QLatin1String("converter save")) {
        frmScript form;
        dialogs.openFileAnswer = folder + QStringLiteral("/KL3001.tsi");
        form.cmdTSIOeffnen_Click();
        dialogs.saveFileAnswer = target(writer, folder);
        form.cmdTSISpeichern_Click();
    } else {
        VersionPlaces places;
        places.programFolder = folder + QStringLiteral("/prog");
        frmVersionsNummer form(nullptr, places);
        form.findChild<QPushButton*>(QStringLiteral("cmdXMLschreiben"))->click();
    }
    QTextStream out(stdout);
    for (const QString& message : dialogs.messages)
        out << message << '\n';
    out << log.Text() << '\n';
    AppContext::setCurrent(nullptr);
    return 0;
}

} // namespace

class tst_SaveFailures : public QObject {
    Q_OBJECT
public:
    static void initMain() { exitIfChild(&saveJob); }

private Q_SLOTS:
    void failedSaveKeepsTheOldFileAndIsTold_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("told"); // the caller's words, before the reason
        const QList<std::pair<QString, QStringList>> writers{
            {"settings hive", {"Settings file %1 could not be saved", "Die Einstellungsdatei %1 konnte nicht gespeichert"}},
            {"description cache", {"The device description %1 cannot be saved", "Die Gerätebeschreibung %1 kann nicht"}},
            {"route file add", {"The route file %1 could not be saved", "Die Routendatei %1 konnte nicht gespeichert"}},
            {"route file delete", {"The route file %1 could not be saved", "Die Routendatei %1 konnte nicht gespeichert"}},
            {"converter save", {"The file could not be saved:\r\n%1", "Die Datei konnte nicht gespeichert werden:\r\n%1"}},
            {"version report save", {"The report could not be saved:\r\n%1", "Der Bericht konnte nicht gespeichert werden:\r\n%1"}},
        };
        for (const auto& [writer, words] : writers) {
            QTest::addRow("%s, full disk", qPrintable(writer)) << writer << "limit" << 1 << words[0];
            QTest::addRow("%s, write-protected", qPrintable(writer)) << writer << "0444" << 0 << words[1];
        }
    }
    void failedSaveKeepsTheOldFileAndIsTold()
    {
        QFETCH(QString, writer);
        QFETCH(QString, fault);
        QFETCH(int, language);
        QFETCH(QString, told);
        QTemporaryDir dir;
        const QString path = target(writer, dir.path());
        const QByteArray old = oldContent(writer);
        QVERIFY(writeFile(path, old));
        QVERIFY(writeFile(dir.path() + QStringLiteral("/KL3001.tsi"), "[Initialisierung]\r\nInit1=12,0x00FF\r\n"));
        if (fault == QLatin1String("0444"))
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        const std::unique_ptr<QProcess> child = startChild(QStringLiteral("save"),
                                                           {writer, dir.path(), fault, QString::number(language)});
        QVERIFY(child && child->waitForFinished(60000));
        QCOMPARE(child->exitCode(), 0);
        const QString output = QString::fromUtf8(child->readAllStandardOutput());

        QCOMPARE(readFile(path), old);
        const QStringList temps = QDir(QFileInfo(path).path()).entryList({QStringLiteral(".*.tmp-*")}, QDir::Hidden | QDir::Files);
        QVERIFY2(temps.isEmpty(), qPrintable(temps.join(' ')));
        const QString reason = fault == QLatin1String("limit") ? QStringLiteral("the file is larger than allowed")
                                                               : QStringLiteral("die Datei ist schreibgeschützt");
        QVERIFY2(output.contains(told.arg(QDir::toNativeSeparators(path))), qPrintable(output));
        // Within a sentence, or as a sentence of its own.
        QVERIFY2(output.contains(reason, Qt::CaseInsensitive), qPrintable(output));
    }

    // ./run's settings tool under a file-size limit, started as a shell starts it: it
    // says so and fails, instead of being killed and leaving its temporary file.
    void demoSettingsToolUnderALimit()
    {
        QTemporaryDir dir;
        const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
        const QByteArray old = oldContent(QStringLiteral("settings hive"));
        QVERIFY(writeFile(hive, old));
        QProcess tool;
        tool.setChildProcessModifier([] {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{16, 16};
            (void)::setrlimit(RLIMIT_FSIZE, &limit);
        });
        tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/td4700-demo-settings"),
                   {dir.path(), QStringLiteral("Port=8")});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardError().contains("cannot save Port"));
        QCOMPARE(readFile(hive), old);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".*.tmp-*")}, QDir::Hidden | QDir::Files), QStringList());
    }
};

QTEST_MAIN(tst_SaveFailures)
#include "tst_savefailures.moc"
