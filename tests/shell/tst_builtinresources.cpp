// The files of resources/ built into the program: a start from a folder without
// Resource/, a folder that overrides one file, a resource found nowhere.
#include "common/ChildProcess.h"
#include "common/TestEnv.h"

#include "platform/ResourceFiles.h"
#include "platform/StringTable.h"
#include "shell/frmMain.h"
#include "shell/modStartup.h"

#include <QApplication>
#include <QMenuBar>
#include <QPointer>
#include <QtTest>
#include <cstdio>

namespace {
const QString kKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");
const QChar kSeparator(0x1E); // the log holds line breaks

// Starts the program in English over the settings in registryFolder and describes what
// the user sees: window title, menu titles, the log and the size of the reference list.
QStringList describeStart(const QString& registryFolder)
{
    AppContext context(registryFolder);
    AppContext* before = AppContext::current();
    AppContext::setCurrent(&context);
    context.dialogs = std::make_unique<RecordingDialogs>();
    QPointer<frmMain> window = Main(context);
    QStringList seen;
    if (window) {
        seen << window->windowTitle();
        for (QAction* menu : window->menuBar()->actions())
            if (!menu->text().isEmpty())
                seen << menu->text();
        seen << window->logBox()->Text() << QString::number(context.gRefList.count());
    }
    context.gLogBox = nullptr;
    delete window;
    AppContext::setCurrent(before);
    return seen;
}

int startJob(const QString&, const QStringList& arguments)
{
    int argc = 1;
    char name[] = "td4700";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    std::fputs(describeStart(arguments.value(0)).join(kSeparator).toUtf8().constData(), stdout);
    return 0;
}
} // namespace

class tst_BuiltInResources : public QObject {
    Q_OBJECT
public:
    static void initMain() { exitIfChild(&startJob); }

private Q_SLOTS:
    void startsInEnglishWithoutResourceFolder();
    void fileInTheFolderOverridesTheBuiltInCopy();
    void resourceFoundNowhereIsReportedOnce();
};

void tst_BuiltInResources::startsInEnglishWithoutResourceFolder()
{
    TestEnv env;
    RegistryAccess registry(*env.context().store);
    QVERIFY(registry.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"), QStringLiteral("1 ")));
    QVERIFY(registry.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Splash"), QStringLiteral("0")));

    // Here Resource/ lies beside the test program; in the copy's folder there is none.
    const QStringList withFolder = describeStart(env.registryFolder());
    QVERIFY(QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/Resource/StringTable.txt")).isFile());
    QTemporaryDir bare;
    auto copy = startChild(QStringLiteral("start"), {env.registryFolder()}, bare.path());
    QVERIFY(copy);
    QVERIFY(copy->waitForFinished(120000));
    QCOMPARE(copy->exitCode(), 0);
    QVERIFY(!QFileInfo::exists(bare.path() + QStringLiteral("/Resource")));
    const QStringList without = QString::fromUtf8(copy->readAllStandardOutput()).split(kSeparator);

    QCOMPARE(without, withFolder);
    QCOMPARE(without.value(0), QStringLiteral("Harmsted   TD4700   "));
    QCOMPARE(without.value(1), QStringLiteral("&Project"));
    QVERIFY(without.contains(QStringLiteral("&Help")));
    QCOMPARE(without.value(without.size() - 2), QStringLiteral("Welcome to TD4700 !\r\n")); // nothing found missing
    QVERIFY(without.last().toInt() > 0); // the reference list
}

void tst_BuiltInResources::fileInTheFolderOverridesTheBuiltInCopy()
{
    QTemporaryDir folder;
    QDir().mkpath(folder.path() + QStringLiteral("/Graph"));
    QFile own(folder.path() + QStringLiteral("/RefList.xml"));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.close();
    QCOMPARE(resourceFile(folder.path(), QStringLiteral("RefList.xml")), own.fileName());
    QCOMPARE(resourceFile(folder.path(), QStringLiteral("Graph/Findfile.gif")), QStringLiteral(":/Resource/Graph/Findfile.gif"));
    QCOMPARE(resourceFile(folder.path() + QStringLiteral("/missing"), QStringLiteral("TerminalResource.xml")),
             QStringLiteral(":/Resource/TerminalResource.xml"));
    // The built-in string table is the one of the source tree, read at the build.
    QVERIFY(loadStringTable(QStringLiteral(":/Resource/StringTable.txt")));
    QCOMPARE(LoadResString(6), QStringLiteral("TD4700"));
}

void tst_BuiltInResources::resourceFoundNowhereIsReportedOnce()
{
    TestEnv env;
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status);
    env.context().gLogBox = nullptr; // before the main window: the line waits for the log
    const QString folder = env.tempPath() + QStringLiteral("/Resource");
    QCOMPARE(resourceFile(folder, QStringLiteral("Graph/Splash0Id3.bmp")), folder + QStringLiteral("/Graph/Splash0Id3.bmp"));
    QCOMPARE(resourceFile(folder, QStringLiteral("Graph/Splash0Id3.bmp")), folder + QStringLiteral("/Graph/Splash0Id3.bmp"));
    env.context().gLogBox = &env.log();
    env.context().flushNotices();
    QCOMPARE(env.log().Text(), QStringLiteral("Resource file Graph/Splash0Id3.bmp was found neither in %1 nor built into "
                                              "the program.\r\n")
                                   .arg(folder));
    (void)resourceFile(folder, QStringLiteral("Graph/Splash0Id3.bmp"));
    QCOMPARE(env.log().Text().count(QStringLiteral("\r\n")), 1);
}

QTEST_MAIN(tst_BuiltInResources)
#include "tst_builtinresources.moc"
