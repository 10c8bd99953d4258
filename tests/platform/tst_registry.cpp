#include "common/ChildProcess.h"
#include "common/FileSaves.h"
#include "common/HostileFile.h"
#include "common/TestEnv.h"

#include "platform/RegularFile.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString kKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Changes with every save: each one puts a new file in place.
QString fileIdentity(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("<missing>");
    return QStringLiteral("%1/%2.%3").arg(st.st_ino).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
}

constexpr int kChildWrites = 300;

// A second running copy of the program: one store, kChildWrites values of its own.
int writeValuesJob(const QString&, const QStringList& arguments)
{
    RegistryStore store(arguments.value(0));
    const QString prefix = arguments.value(1);
    for (int i = 0; i < kChildWrites; ++i)
        if (!store.setValue(HKEY_CURRENT_USER, kKey, prefix + QString::number(i),
                            RegValue::fromText(prefix + QStringLiteral("-%1").arg(i))))
            return 1;
    return 0;
}
}

Q_DECLARE_METATYPE(RegValue)
Q_DECLARE_METATYPE(HostileFile)

class tst_Registry : public QObject {
    Q_OBJECT
public:
    static void initMain() { exitIfChild(&writeValuesJob); }

private Q_SLOTS:
    void namesIgnoreCaseButKeepTheirSpelling();
    void missingIsNotEmpty();
    void textSurvivesReopening_data();
    void textSurvivesReopening();
    void numbersAndBytesSurviveReopening();
    void accessReadsNumbersAsDecimalText();
    void hivesAreSeparate();
    void everyWriteReachesTheFileAtOnce();
    void keysCanBeListedAndDeleted();
    void damagedHiveIsReportedOnceAndSetAside();
    void damagedHiveThatCannotBeSetAsideIsNeverOverwritten();
    void oversizedHiveIsSetAsideAndNamed();
    void noChangeGrowsAHivePastWhatIsRead();
    void batchIsSavedOnceAtItsEnd();
    void unsavedBatchIsNamedAndKeptForTheRun_data();
    void unsavedBatchIsNamedAndKeptForTheRun();
    void failedSaveLeavesNothingBehind();
    void rootFolderComesFromTheEnvironment();
    void onlyRealChangesAreSaved_data();
    void onlyRealChangesAreSaved();
    void changesOfAnotherCopyAreKept();
    void twoRunningCopiesKeepEveryWrite();
    void hostileHiveFiles_data();
    void hostileHiveFiles();
    void keysNestNoDeeperThanCanBeRead();
    void textXmlCannotHoldIsRefused_data();
    void textXmlCannotHoldIsRefused();
    void savedHiveKeepsItsPermissions();
    void killedWriterLeavesNoTempFile_data();
    void killedWriterLeavesNoTempFile();
};

void tst_Registry::namesIgnoreCaseButKeepTheirSpelling()
{
    QTemporaryDir dir;
    {
        RegistryStore store(dir.path());
        QVERIFY(store.setValue(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\Harmsted\\TD4700_v4\\Common"),
                               QStringLiteral("TreeView"), RegValue::fromText(QStringLiteral("1"))));
    }
    RegistryStore store(dir.path());
    RegistryAccess access(store);
    QString value;
    QVERIFY(access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Treeview"), value));
    QCOMPARE(value, QStringLiteral("1"));
    QCOMPARE(store.valueNames(HKEY_CURRENT_USER, kKey), QStringList{QStringLiteral("TreeView")});
    QCOMPARE(store.subKeys(HKEY_CURRENT_USER, QStringLiteral("software\\harmsted")),
             QStringList{QStringLiteral("TD4700_v4")});

    // A later write under another spelling changes the value, not the name.
    QVERIFY(access.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("TREEVIEW"), QStringLiteral("0")));
    QCOMPARE(store.valueNames(HKEY_CURRENT_USER, kKey), QStringList{QStringLiteral("TreeView")});
    QVERIFY(access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("treeview"), value));
    QCOMPARE(value, QStringLiteral("0"));
}

void tst_Registry::missingIsNotEmpty()
{
    QTemporaryDir dir;
    {
        RegistryStore store(dir.path());
        RegistryAccess access(store);
        QVERIFY(access.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Empty"), QString()));
    }
    RegistryStore store(dir.path());
    RegistryAccess access(store);
    QString value = QStringLiteral("unchanged");
    QVERIFY(!access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Missing"), value));
    QCOMPARE(value, QStringLiteral("unchanged"));
    QVERIFY(!access.ReadValue(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\Nobody"), QStringLiteral("Empty"), value));
    QVERIFY(access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Empty"), value));
    QCOMPARE(value, QString());
}

void tst_Registry::textSurvivesReopening_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("ACC_PRODUKTION");
    QTest::newRow("markup characters") << QStringLiteral("<&> \"x\" 'y'");
    QTest::newRow("non-ASCII") << QStringLiteral("Grüße");
    QTest::newRow("digit and blank") << QStringLiteral("1 ");
    QTest::newRow("blanks only") << QStringLiteral("  ");
    QTest::newRow("surrounding blanks") << QStringLiteral(" a b ");
    QTest::newRow("CR LF kept") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("tab") << QStringLiteral("\t");
}

void tst_Registry::textSurvivesReopening()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    {
        RegistryStore store(dir.path());
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Text"), RegValue::fromText(text)));
    }
    RegistryStore store(dir.path());
    const auto value = store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("text"));
    QVERIFY(value);
    QCOMPARE(value->type, RegType::Text);
    QCOMPARE(value->text, text);
}

void tst_Registry::numbersAndBytesSurviveReopening()
{
    QTemporaryDir dir;
    const QByteArray binary("\x01\x00\xff\x7f", 4);
    {
        RegistryStore store(dir.path());
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Number"), RegValue::fromDWord(4294967295u)));
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Bytes"), RegValue::fromBinary(binary)));
    }
    RegistryStore store(dir.path());
    const auto number = store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("NUMBER"));
    QVERIFY(number);
    QCOMPARE(number->type, RegType::DWord);
    QCOMPARE(number->dword, 4294967295u);
    const auto bytes = store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("bytes"));
    QVERIFY(bytes);
    QCOMPARE(bytes->type, RegType::Binary);
    QCOMPARE(bytes->binary, binary);
}

void tst_Registry::accessReadsNumbersAsDecimalText()
{
    QTemporaryDir dir;
    RegistryStore store(dir.path());
    RegistryAccess access(store);
    store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Number"), RegValue::fromDWord(48847));
    store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Word"), RegValue::fromBinary(QByteArray("\x34\x12", 2)));
    QString value;
    QVERIFY(access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Number"), value));
    QCOMPARE(value, QStringLiteral("48847"));
    QVERIFY(access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Word"), value));
    QCOMPARE(value, QStringLiteral("4660"));
}

void tst_Registry::hivesAreSeparate()
{
    QTemporaryDir dir;
    RegistryStore store(dir.path());
    RegistryAccess access(store);
    QVERIFY(access.WriteValueEx(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Language"), QStringLiteral("1")));
    QString value;
    QVERIFY(!access.ReadValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"), value));
    QVERIFY(access.ReadValue(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Language"), value));
    QCOMPARE(value, QStringLiteral("1"));
    QVERIFY(!access.WriteValue(0x80000003u, kKey, QStringLiteral("Language"), QStringLiteral("1")));
}

void tst_Registry::everyWriteReachesTheFileAtOnce()
{
    QTemporaryDir dir;
    RegistryStore writer(dir.path());
    RegistryAccess access(writer);
    for (int i = 0; i < 20; ++i)
        QVERIFY(access.WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("V%1").arg(i), QString::number(i)));

    // Read by a second store while the first lives on (the program may end without any unload).
    RegistryStore reader(dir.path());
    QCOMPARE(reader.valueNames(HKEY_CURRENT_USER, kKey).size(), 20);
    QCOMPARE(reader.value(HKEY_CURRENT_USER, kKey, QStringLiteral("v19"))->text, QStringLiteral("19"));
    // Saved by replacing the file whole: nothing half-written or temporary is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("HKEY_CURRENT_USER.xml")});
}

void tst_Registry::keysCanBeListedAndDeleted()
{
    QTemporaryDir dir;
    RegistryStore store(dir.path());
    QVERIFY(store.createKey(HKEY_CURRENT_USER, QStringLiteral("A\\B\\C")));
    QVERIFY(store.keyExists(HKEY_CURRENT_USER, QStringLiteral("a\\b\\c")));
    QVERIFY(store.setValue(HKEY_CURRENT_USER, QStringLiteral("A\\B"), QStringLiteral("x"), RegValue::fromText({})));
    QVERIFY(store.deleteValue(HKEY_CURRENT_USER, QStringLiteral("a\\b"), QStringLiteral("X")));
    QVERIFY(!store.deleteValue(HKEY_CURRENT_USER, QStringLiteral("a\\b"), QStringLiteral("X")));
    QVERIFY(store.deleteKey(HKEY_CURRENT_USER, QStringLiteral("a\\B")));
    QVERIFY(!store.keyExists(HKEY_CURRENT_USER, QStringLiteral("A\\B\\C")));
    QVERIFY(store.keyExists(HKEY_CURRENT_USER, QStringLiteral("A")));

    RegistryStore reopened(dir.path());
    QVERIFY(reopened.keyExists(HKEY_CURRENT_USER, QStringLiteral("A")));
    QVERIFY(!reopened.keyExists(HKEY_CURRENT_USER, QStringLiteral("A\\B")));
}

void tst_Registry::damagedHiveIsReportedOnceAndSetAside()
{
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    const QByteArray damaged("<Hive><Value Name=\"Port\" Type=\"Text\">2</Val");
    writeFile(hive, damaged);

    RegistryStore store(dir.path());
    QStringList reports;
    store.setDamageReporter([&reports](const QString& message) { reports << message; });
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.first().contains(QStringLiteral("HKEY_CURRENT_USER.xml")));
    QVERIFY(reports.first().endsWith(QStringLiteral("\r\n")));

    // The damaged file is kept aside, byte for byte; new writes go to a fresh file.
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("HKEY_CURRENT_USER.xml.*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readFile(dir.path() + QLatin1Char('/') + aside.first()), damaged);
    QVERIFY(!store.value(HKEY_CURRENT_USER, QString(), QStringLiteral("Port")));
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("3"))));
    QCOMPARE(readFile(dir.path() + QLatin1Char('/') + aside.first()), damaged);

    // Set again, the reporter hears nothing more; a second start finds a sound file.
    store.setDamageReporter([&reports](const QString& message) { reports << message; });
    RegistryStore second(dir.path());
    second.setDamageReporter([&reports](const QString& message) { reports << message; });
    QCOMPARE(reports.size(), 1);
    QCOMPARE(second.value(HKEY_CURRENT_USER, kKey, QStringLiteral("port"))->text, QStringLiteral("3"));
}

void tst_Registry::damagedHiveThatCannotBeSetAsideIsNeverOverwritten()
{
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    const QByteArray damaged("not xml at all");
    writeFile(hive, damaged);
    // Occupy every name the file could be set aside as in the next seconds: the rename fails.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = -1; s < 10; ++s) {
        const QString blocker = hive + QStringLiteral(".damaged-") + now.addSecs(s).toString(QStringLiteral("yyyyMMdd-hhmmss"));
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/occupied")));
    }

    RegistryStore store(dir.path());
    QStringList reports;
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status); // the report is worded when it is told, in the language then
    store.setDamageReporter([&reports](const QString& message) { reports << message; });
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.first().contains(QStringLiteral("could not be set aside")));
    QVERIFY(!store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("3"))));
    QVERIFY(!store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Port")));
    QCOMPARE(readFile(hive), damaged);
    // The other hive is unaffected.
    QVERIFY(store.setValue(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Language"), RegValue::fromText(QStringLiteral("1"))));
}

void tst_Registry::oversizedHiveIsSetAsideAndNamed()
{
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    const QByteArray big = "<Hive><Key Name=\"Software\"><Value Name=\"Big\" Type=\"Text\">"
        + QByteArray(50 * 1024 * 1024, 'x') + "</Value></Key></Hive>";
    QVERIFY(parseHive(big)); // well formed: only its size is wrong
    writeFile(hive, big);

    RegistryStore store(dir.path());
    QStringList reports;
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status);
    store.setDamageReporter([&reports](const QString& message) { reports << message; });
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().contains(QStringLiteral("HKEY_CURRENT_USER.xml (%1 bytes) is larger than 1 MiB").arg(big.size())),
             qPrintable(reports.first()));
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("HKEY_CURRENT_USER.xml.damaged-*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(QFileInfo(dir.path() + QLatin1Char('/') + aside.first()).size(), qint64(big.size()));

    QElapsedTimer clock;
    clock.start();
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("3"))));
    QVERIFY2(clock.elapsed() < 100, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    QVERIFY(QFileInfo(hive).size() < 1024);
}

void tst_Registry::noChangeGrowsAHivePastWhatIsRead()
{
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    RegistryStore store(dir.path());
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("3"))));
    const QByteArray before = readFile(hive);
    const QString huge(int(kMaxHiveFileBytes), QLatin1Char('x'));
    QVERIFY(!store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Huge"), RegValue::fromText(huge)));
    QVERIFY(!store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Huge")));
    QCOMPARE(readFile(hive), before);
    // Just under the limit is a hive like any other.
    const QString large(int(kMaxHiveFileBytes) - 1024, QLatin1Char('x'));
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Large"), RegValue::fromText(large)));
    QCOMPARE(RegistryStore(dir.path()).value(HKEY_CURRENT_USER, kKey, QStringLiteral("Large"))->text, large);
}

void tst_Registry::batchIsSavedOnceAtItsEnd()
{
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    RegistryStore store(dir.path());
    RegistryStore other(dir.path()); // another running copy
    const auto text = [](const QString& t) { return RegValue::fromText(t); };
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"), text(QStringLiteral("0 "))));
    const QByteArray before = readFile(hive);
    FileSaves saves(hive);
    {
        const RegistryBatch batch(&store);
        for (int i = 0; i < 10; ++i)
            QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("V%1").arg(i), text(QString::number(i))));
        {
            const RegistryBatch inner(&store);
            QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Inner"), text(QStringLiteral("1"))));
        }
        QVERIFY(store.deleteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language")));
        // Read again at once, as the start-up reads a default it wrote; the file has not changed yet.
        QCOMPARE(store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("v9"))->text, QStringLiteral("9"));
        QCOMPARE(readFile(hive), before);
        QVERIFY(other.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Other"), text(QStringLiteral("x"))));
    }
    QCOMPARE(saves.count(), 2); // the other copy's save and the batch's one
    const RegistryStore reopened(dir.path());
    QCOMPARE(reopened.valueNames(HKEY_CURRENT_USER, kKey).size(), 12);
    QCOMPARE(reopened.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Other"))->text, QStringLiteral("x"));
    QVERIFY(!reopened.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Language")));
}

void tst_Registry::unsavedBatchIsNamedAndKeptForTheRun_data()
{
    QTest::addColumn<bool>("nearTheCap"); // else the folder cannot be made
    QTest::addColumn<QString>("why");
    QTest::newRow("the hive would pass 1 MiB") << true << QStringLiteral(" could not be saved: it would be larger than 1 MiB.");
    QTest::newRow("no folder for the hive") << false << QStringLiteral(" could not be saved (");
}

// The writers of a batch check nothing (a first start's defaults): the store names the file in
// the log, and the batch's values hold until the program ends; the file keeps what it held.
void tst_Registry::unsavedBatchIsNamedAndKeptForTheRun()
{
    QFETCH(bool, nearTheCap);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString root = dir.path() + (nearTheCap ? QString() : QStringLiteral("/not-a-folder"));
    const QString hive = root + QStringLiteral("/HKEY_CURRENT_USER.xml");
    if (nearTheCap) {
        const QByteArray near = "<Hive><Key Name=\"Other\"><Value Name=\"Big\" Type=\"Text\">"
            + QByteArray(int(kMaxHiveFileBytes) - 300, 'x') + "</Value></Key></Hive>";
        QVERIFY(parseHive(near));
        writeFile(hive, near);
    } else {
        writeFile(root, "x");
    }
    const QByteArray before = readFile(nearTheCap ? hive : root);
    RegistryStore store(root);
    QStringList reports;
    int32_t status = 0;
    LocaleInfo().SetLocale(9, 1, status);
    store.setDamageReporter([&reports](const QString& message) { reports << message; });
    QCOMPARE(reports, QStringList());

    store.beginBatch();
    for (int i = 0; i < 11; ++i)
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Default%1").arg(i),
                               RegValue::fromText(QStringLiteral("some default value"))));
    QVERIFY(!store.endBatch());
    LocaleInfo::reset();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().startsWith(QStringLiteral("Settings file ") + QDir::toNativeSeparators(hive) + why),
             qPrintable(reports.first()));
    QVERIFY(reports.first().endsWith(QStringLiteral("The changes hold until the program ends.\r\n")));
    QCOMPARE(store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Default10"))->text, QStringLiteral("some default value"));
    QCOMPARE(readFile(nearTheCap ? hive : root), before);
    QVERIFY(!RegistryStore(root).value(HKEY_CURRENT_USER, kKey, QStringLiteral("Default0")));
}

void tst_Registry::failedSaveLeavesNothingBehind()
{
    // A root "folder" that is a file: nothing can be saved there.
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/not-a-folder");
    writeFile(root, "x");
    RegistryStore store(root);
    QVERIFY(!store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("3"))));
    QVERIFY(!store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Port")));
    QVERIFY(!store.keyExists(HKEY_CURRENT_USER, kKey));
    QVERIFY(!store.createKey(HKEY_CURRENT_USER, QStringLiteral("A")));
    QVERIFY(!store.keyExists(HKEY_CURRENT_USER, QStringLiteral("A")));
}

void tst_Registry::rootFolderComesFromTheEnvironment()
{
    TestEnv env; // sets TD4700_REGISTRY_DIR
    QCOMPARE(RegistryStore::defaultRootFolder(), env.registryFolder());
    RegistryStore store;
    QCOMPARE(store.rootFolder(), env.registryFolder());
}

void tst_Registry::onlyRealChangesAreSaved_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<RegValue>("first");
    QTest::addColumn<RegValue>("second");
    QTest::addColumn<bool>("saved");
    const RegValue one = RegValue::fromText(QStringLiteral("1"));
    QTest::newRow("same text") << "Port" << one << one << false;
    QTest::newRow("same text, name spelled otherwise") << "PORT" << one << one << false;
    QTest::newRow("same number") << "Port" << RegValue::fromDWord(7) << RegValue::fromDWord(7) << false;
    QTest::newRow("same bytes") << "Port" << RegValue::fromBinary("\x01\x02") << RegValue::fromBinary("\x01\x02") << false;
    QTest::newRow("other text") << "Port" << one << RegValue::fromText(QStringLiteral("1 ")) << true;
    QTest::newRow("number for text") << "Port" << one << RegValue::fromDWord(1) << true;
}

void tst_Registry::onlyRealChangesAreSaved()
{
    QFETCH(QString, name);
    QFETCH(RegValue, first);
    QFETCH(RegValue, second);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    RegistryStore store(dir.path());
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), first));
    const QString before = fileIdentity(hive);
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, name, second));
    QCOMPARE(fileIdentity(hive) != before, saved);
    QVERIFY(*store.value(HKEY_CURRENT_USER, kKey, QStringLiteral("port")) == second);
}

void tst_Registry::changesOfAnotherCopyAreKept()
{
    QTemporaryDir dir;
    RegistryStore a(dir.path());
    RegistryStore b(dir.path());
    const auto text = [](const char* t) { return RegValue::fromText(QString::fromLatin1(t)); };
    QVERIFY(a.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"), text("1 ")));
    QVERIFY(b.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), text("3")));
    QVERIFY(b.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"), text("0 ")));
    // a still holds "1 " in memory; setting it again is a change on disk and must be saved.
    QVERIFY(a.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"), text("1 ")));
    QVERIFY(a.deleteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port")));

    RegistryStore reopened(dir.path());
    QCOMPARE(reopened.valueNames(HKEY_CURRENT_USER, kKey), QStringList{QStringLiteral("Language")});
    QCOMPARE(reopened.value(HKEY_CURRENT_USER, kKey, QStringLiteral("Language"))->text, QStringLiteral("1 "));
    // A hive file removed while a copy runs: settings start over with the next change.
    QVERIFY(QFile::remove(dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml")));
    QVERIFY(b.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), text("4")));
    QCOMPARE(RegistryStore(dir.path()).valueNames(HKEY_CURRENT_USER, kKey), QStringList{QStringLiteral("Port")});
}

void tst_Registry::twoRunningCopiesKeepEveryWrite()
{
    QTemporaryDir dir;
    auto first = startChild(QStringLiteral("write"), {dir.path(), QStringLiteral("A")});
    auto second = startChild(QStringLiteral("write"), {dir.path(), QStringLiteral("B")});
    QVERIFY(first && second);
    for (QProcess* copy : {first.get(), second.get()}) {
        QVERIFY(copy->waitForFinished(240000));
        QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy->exitCode(), 0); // every write was confirmed
    }
    RegistryStore store(dir.path());
    QCOMPARE(store.valueNames(HKEY_CURRENT_USER, kKey).size(), 2 * kChildWrites);
    for (const QString& prefix : {QStringLiteral("A"), QStringLiteral("B")})
        for (int i = 0; i < kChildWrites; ++i)
            QCOMPARE(store.value(HKEY_CURRENT_USER, kKey, prefix + QString::number(i))->text,
                     prefix + QStringLiteral("-%1").arg(i));
}

void tst_Registry::hostileHiveFiles_data()
{
    QTest::addColumn<HostileFile>("kind");
    QTest::addColumn<QString>("at");
    QTest::addColumn<bool>("linkStays"); // the hive is written through the link
    QTest::newRow("symbolic link to another file") << HostileFile::LinkElsewhere << "HKEY_CURRENT_USER.xml" << false;
    QTest::newRow("dangling symbolic link") << HostileFile::DanglingLink << "HKEY_CURRENT_USER.xml" << true;
    QTest::newRow("named pipe") << HostileFile::Pipe << "HKEY_CURRENT_USER.xml" << false;
    QTest::newRow("symbolic link as the lock") << HostileFile::LinkElsewhere << ".HKEY_CURRENT_USER.xml.lock" << false;
}

void tst_Registry::hostileHiveFiles()
{
    QFETCH(HostileFile, kind);
    QFETCH(QString, at);
    QFETCH(bool, linkStays);
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    const QString target = dir.path() + QStringLiteral("/target");
    writeFile(target, "elsewhere");
    QVERIFY(placeHostileFile(kind, dir.path() + QLatin1Char('/') + at, target));

    // Read without hanging; what is no hive is set aside (a link to it with it), and a
    // link to nothing yet gets the hive as the file it names.
    RegistryStore store(dir.path());
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("3"))));
    const QFileInfo written(hive);
    QVERIFY(written.exists());
    QCOMPARE(written.isSymLink(), linkStays);
    QCOMPARE(readFile(target), QByteArray("elsewhere"));
    QCOMPARE(RegistryStore(dir.path()).value(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"))->text, QStringLiteral("3"));
}

void tst_Registry::keysNestNoDeeperThanCanBeRead()
{
    QTemporaryDir dir;
    RegistryStore store(dir.path());
    const QString deepest = QStringList(kRegistryMaxKeyDepth, QStringLiteral("K")).join(QLatin1Char('\\'));
    QVERIFY(store.setValue(HKEY_CURRENT_USER, deepest, QStringLiteral("V"), RegValue::fromText(QStringLiteral("x"))));
    QVERIFY(!store.createKey(HKEY_CURRENT_USER, deepest + QStringLiteral("\\K")));
    QCOMPARE(RegistryStore(dir.path()).value(HKEY_CURRENT_USER, deepest, QStringLiteral("V"))->text, QStringLiteral("x"));
}

// Refused, so the hive stays one a reader takes and every other value survives the next start.
void tst_Registry::textXmlCannotHoldIsRefused_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("U+FFFF in a value") << kKey << QStringLiteral("V") << QStringLiteral("v\uFFFF");
    QTest::newRow("C0 control in a value") << kKey << QStringLiteral("V") << QStringLiteral("v\x01");
    QTest::newRow("half a surrogate pair in a value") << kKey << QStringLiteral("V") << QString(QChar(0xD800));
    QTest::newRow("U+FFFE in a name") << kKey << QStringLiteral("N\uFFFE") << QStringLiteral("v");
    QTest::newRow("U+FFFE in a key") << kKey + QStringLiteral("\\K\uFFFE") << QStringLiteral("V") << QStringLiteral("v");
}

void tst_Registry::textXmlCannotHoldIsRefused()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    {
        RegistryStore store(dir.path());
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("1"))));
        const QByteArray before = readFile(hive);
        QVERIFY(!store.setValue(HKEY_CURRENT_USER, key, name, RegValue::fromText(text)));
        QVERIFY(!store.createKey(HKEY_CURRENT_USER, key + QStringLiteral("\\\uFFFF")));
        QCOMPARE(readFile(hive), before);
    }
    QCOMPARE(RegistryStore(dir.path()).value(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"))->text, QStringLiteral("1"));
}

void tst_Registry::savedHiveKeepsItsPermissions()
{
    QTemporaryDir dir;
    const QString hive = dir.path() + QStringLiteral("/HKEY_CURRENT_USER.xml");
    RegistryStore store(dir.path());
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("1"))));
    QVERIFY(QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("2"))));
    QCOMPARE(QFileInfo(hive).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
}

void tst_Registry::killedWriterLeavesNoTempFile_data()
{
    QTest::addColumn<bool>("startUp");
    QTest::newRow("swept at the next start") << true;
    QTest::newRow("removed by the next save") << false;
}

void tst_Registry::killedWriterLeavesNoTempFile()
{
    QFETCH(bool, startUp);
    QTemporaryDir dir;
    const auto tempFiles = [&] {
        return QDir(dir.path()).entryList({QStringLiteral(".*.tmp-*")}, QDir::Files | QDir::Hidden | QDir::System);
    };
    // Large values, as large as a hive may grow: every save takes long enough to be killed in the middle of it.
    const QString big(int(kMaxHiveFileBytes) - 4096, QLatin1Char('x'));
    {
        RegistryStore store(dir.path());
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Big"), RegValue::fromText(big + "0")));
    }
    int killed = 0;
    for (int attempt = 0; attempt < 50 && tempFiles().isEmpty(); ++attempt) {
        const pid_t writer = ::fork();
        QVERIFY(writer >= 0);
        if (writer == 0) {
            RegistryStore store(dir.path());
            for (int i = 1;; ++i)
                (void)store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Big"),
                                     RegValue::fromText(big + QString::number(i % 2)));
        }
        const QDeadlineTimer deadline(5000);
        while (tempFiles().isEmpty() && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        ++killed;
    }
    QVERIFY2(!tempFiles().isEmpty(), qPrintable(QStringLiteral("no kill in %1 hit a save").arg(killed)));

    if (startUp) {
        removeStaleTempFiles({dir.path()});
    } else {
        RegistryStore store(dir.path());
        QVERIFY(store.setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Port"), RegValue::fromText(QStringLiteral("1"))));
    }
    QCOMPARE(tempFiles(), QStringList());
    const std::optional<RegValue> kept = RegistryStore(dir.path()).value(HKEY_CURRENT_USER, kKey, QStringLiteral("Big"));
    QVERIFY(kept && (kept->text == big + "0" || kept->text == big + "1"));
}

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_registry.moc"
