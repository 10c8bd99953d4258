#include "common/FileSaves.h"
#include "common/TestEnv.h"
#include "common/ScriptedChannel.h"

#include "shell/frmMain.h"
#include "shell/modStartup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QtTest>

namespace {
const QString kKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

// Hands out scripted channels whose parameter objects record the setters.
class RecordingFactory : public IChannelFactory {
public:
    RecordingSerialParam serialParam;
    RecordingQnpParam qnpParam;
    QStringList created;
    ScriptedChannel* serial = nullptr;
    ScriptedChannel* qnp = nullptr;
    IDeviceService* service = nullptr;

    std::unique_ptr<IDeviceChannel> createSerialChannel() override
    {
        created << QStringLiteral("serial");
        auto c = std::make_unique<ScriptedChannel>();
        c->setParamObj(&serialParam);
        serial = c.get();
        return c;
    }
    std::unique_ptr<IQNPChannel> createQnpChannel() override
    {
        created << QStringLiteral("qnp");
        auto c = std::make_unique<ScriptedChannel>();
        c->setParamObj(&qnpParam);
        qnp = c.get();
        return c;
    }
    std::unique_ptr<IDeviceService> createDeviceService() override
    {
        created << QStringLiteral("service");
        auto s = std::make_unique<RecordingDeviceService>();
        service = s.get();
        return s;
    }
};

// Records the writes of the start-up in their order, passing everything on to the real store.
class WriteLog : public IRegistryAccess {
public:
    explicit WriteLog(std::unique_ptr<IRegistryAccess> inner) : m_inner(std::move(inner)) {}
    QStringList writes;
    bool ReadValue(uint32_t root, const QString& key, const QString& name, QString& value) override
    {
        return m_inner->ReadValue(root, key, name, value);
    }
    bool WriteValue(uint32_t root, const QString& key, const QString& name, const QString& value) override
    {
        writes << name + QLatin1Char('=') + value;
        return m_inner->WriteValue(root, key, name, value);
    }
    bool WriteValueEx(uint32_t root, const QString& key, const QString& name, const QString& value) override
    {
        writes << name + QLatin1Char('=') + value;
        return m_inner->WriteValueEx(root, key, name, value);
    }

private:
    std::unique_ptr<IRegistryAccess> m_inner;
};

// A test's program: fresh context with recording channels and a write log.
struct Program {
    TestEnv env;
    RecordingFactory* factory = nullptr;
    WriteLog* writes = nullptr;

    Program(const QMap<QString, QString>& settings = {})
    {
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            env.context().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, it.key(), it.value());
        wire();
    }
    void wire()
    {
        auto f = std::make_unique<RecordingFactory>();
        factory = f.get();
        env.context().channelFactory = std::move(f);
        auto w = std::make_unique<WriteLog>(std::move(env.context().gObjRegistry));
        writes = w.get();
        env.context().gObjRegistry = std::move(w);
        env.context().common(); // loads (and writes) "Language" before the start-up under test
        writes->writes.clear();
    }
    AppContext& ctx() { return env.context(); }
    void set(const QString& name, const QString& value) { ctx().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, name, value); }
    QString stored(const QString& name)
    {
        const auto v = ctx().store->value(HKEY_CURRENT_USER, kKey, name);
        return v ? v->text : QStringLiteral("<missing>");
    }
    QStringList names() { return ctx().store->valueNames(HKEY_CURRENT_USER, kKey); }
};

// Counts the splash windows shown while it lives.
class SplashesShown : public QObject {
public:
    int count = 0;
    SplashesShown() { qApp->installEventFilter(this); }
    ~SplashesShown() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("frmSplash"))
            ++count;
        return false;
    }
};

QStringList sorted(QStringList list)
{
    list.sort(Qt::CaseInsensitive);
    return list;
}
}

class tst_Startup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartWritesExactlyTheDefaults();
    void accessLevel_data();
    void accessLevel();
    void storedResourceFoldersAreTaken();
    void networkChannel();
    void noChannelForOtherKinds_data();
    void noChannelForOtherKinds();
    void channelObjectsAreReused();
    void otherKindKeepsTheCurrentChannel();
    void nonNumericValuesSkipTheirSetter();
    void unusableStoredValues_data();
    void unusableStoredValues();
    void resourceFolderThatIsNoFolder_data();
    void resourceFolderThatIsNoFolder();
    void mainShowsWindowAndWelcomes();
    void mainInDeveloperMode();
    void splashWait_data();
    void duringTheSplashWait();
    void splashWait();
    void damagedSettingsAreReportedInTheLog_data();
    void damagedSettingsAreReportedInTheLog();
    void defaultsThatCannotBeSavedAreNamedAndUsed();
    void startClearsWhatKilledWritersLeft();
    void noticesComeBeforeALongSplashWait();
    void inputDuringTheSplashWaitIsDropped();
};

void tst_Startup::firstStartWritesExactlyTheDefaults()
{
    Program p;
    int channelEvents = 0;
    connect(&p.ctx().common(), &clsCommon::ChangedDevChannel, this, [&](int32_t&) { ++channelEvents; });
    FileSaves saves(p.env.registryFolder() + QStringLiteral("/HKEY_CURRENT_USER.xml"));

    fInitCommon(p.ctx());
    QCOMPARE(saves.count(), 1); // every default in one save

    QCOMPARE(p.writes->writes,
             (QStringList{"AccessLevel=ACC_PRODUKTION", "Device=0", "Port=2", "Baud=19200", "Parity=Even", "DataBits=8",
                          "StopBits=1", "VNxType=RS232", "Timeout=500", "MultiPoint=0"}));
    QCOMPARE(sorted(p.names()),
             sorted({"AccessLevel", "Device", "Port", "Baud", "Parity", "DataBits", "StopBits", "VNxType", "Timeout",
                     "MultiPoint", "Language"}));
    clsCommon& common = p.ctx().common();
    QCOMPARE(common.AccessLevel(), 2);
    QVERIFY(!p.ctx().gDevMode);
    QCOMPARE(common.PathFolderResCommon(), QCoreApplication::applicationDirPath() + "/Resource");
    QCOMPARE(common.PathFolderResFirmware(), QCoreApplication::applicationDirPath() + "/Resource/Firmware");
    QCOMPARE(common.devChannel(), 0);
    QCOMPARE(channelEvents, 1);

    QCOMPARE(p.factory->created, (QStringList{"serial", "service"}));
    QCOMPARE(p.ctx().gObjDevChannel, p.ctx().gObjDevCom.get());
    QVERIFY(p.ctx().gObjDevSrv);
    QVERIFY(!p.ctx().m_objDevQnpObj);
    QCOMPARE(p.factory->serialParam.calls,
             (QStringList{"Baud 19200", "Port 2", "Timeout 500", "Options 48847", "MultiPoint 0"}));
    QVERIFY(p.factory->serial->calls.isEmpty()); // the port is not opened at start
    QVERIFY(p.factory->qnpParam.calls.isEmpty());
}

void tst_Startup::accessLevel_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("devMode");
    QTest::addColumn<QString>("firmwareWritten");
    const QString firmware = QCoreApplication::applicationDirPath() + "/Resource/Firmware";
    QTest::newRow("insider: developer, firmware folder written") << "ACC_INSIDER" << 1 << true << firmware;
    QTest::newRow("production") << "ACC_PRODUKTION" << 2 << false << "<missing>";
    QTest::newRow("other text: not recognised") << "ACC_GAST" << 0 << false << "<missing>";
    QTest::newRow("compared with case") << "acc_insider" << 0 << false << "<missing>";
    QTest::newRow("empty") << "" << 0 << false << "<missing>";
}

void tst_Startup::accessLevel()
{
    QFETCH(QString, stored);
    QFETCH(int, level);
    QFETCH(bool, devMode);
    QFETCH(QString, firmwareWritten);
    Program p({{"AccessLevel", stored}});
    fInitCommon(p.ctx());
    QCOMPARE(p.ctx().common().AccessLevel(), level);
    QCOMPARE(p.ctx().gDevMode, devMode);
    QCOMPARE(p.stored("AccessLevel"), stored);
    QCOMPARE(p.stored("PathResFirmware"), firmwareWritten);
    QCOMPARE(p.stored("PathResCommon"), QStringLiteral("<missing>"));
    QVERIFY(!p.writes->writes.contains("AccessLevel=ACC_PRODUKTION"));
}

void tst_Startup::storedResourceFoldersAreTaken()
{
    Program p;
    const QString folder = p.env.tempPath();
    p.set("AccessLevel", "ACC_INSIDER");
    p.set("PathResCommon", folder);
    p.set("PathResFirmware", "");
    fInitCommon(p.ctx());
    QCOMPARE(p.ctx().common().PathFolderResCommon(), folder);
    QCOMPARE(p.ctx().common().PathFolderResFirmware(), QString()); // found, though empty
    QCOMPARE(p.stored("PathResFirmware"), QString());
}

void tst_Startup::networkChannel()
{
    Program p({{"Device", "1"}});
    fInitCommon(p.ctx());
    QCOMPARE(p.writes->writes, (QStringList{"AccessLevel=ACC_PRODUKTION", "Timeout=500", "MultiPoint=0",
                                            "QnpRtnNetId=169.12.1.106.1.1", "QnpRtnPort=100"}));
    QCOMPARE(p.factory->created, (QStringList{"qnp", "service"}));
    QCOMPARE(p.ctx().gObjDevChannel, static_cast<IDeviceChannel*>(p.ctx().m_objDevQnpObj.get()));
    QVERIFY(!p.ctx().gObjDevCom);
    QCOMPARE(p.factory->qnpParam.calls, (QStringList{"NetId 169.12.1.106.1.1", "Port 100", "Timeout 500"}));
    QCOMPARE(p.ctx().common().devChannel(), 1);

    // Stored values are pushed as they stand; MultiPoint is not given to the network channel.
    p.set("QnpRtnNetId", "10.0.0.7.1.1");
    p.set("QnpRtnPort", "851");
    p.set("Timeout", "1500");
    p.set("MultiPoint", "9");
    p.factory->qnpParam.calls.clear();
    fInitDevChannel(p.ctx());
    QCOMPARE(p.factory->qnpParam.calls, (QStringList{"NetId 10.0.0.7.1.1", "Port 851", "Timeout 1500"}));
}

void tst_Startup::noChannelForOtherKinds_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("devChannel");
    QTest::newRow("panel link") << "2" << 2;
    QTest::newRow("QNP with CV3") << "3" << 3;
    QTest::newRow("compared as text") << "01" << 1;
}

void tst_Startup::noChannelForOtherKinds()
{
    QFETCH(QString, device);
    QFETCH(int, devChannel);
    Program p({{"Device", device}});
    fInitCommon(p.ctx());
    QCOMPARE(p.ctx().common().devChannel(), devChannel);
    QCOMPARE(p.factory->created, QStringList{"service"});
    QVERIFY(!p.ctx().gObjDevChannel);
    QVERIFY(!p.ctx().gObjDevCom);
    QVERIFY(!p.ctx().m_objDevQnpObj);
    QCOMPARE(p.writes->writes, QStringList{"AccessLevel=ACC_PRODUKTION"});
}

void tst_Startup::channelObjectsAreReused()
{
    Program p;
    int channelEvents = 0;
    connect(&p.ctx().common(), &clsCommon::ChangedDevChannel, this, [&](int32_t&) { ++channelEvents; });
    fInitCommon(p.ctx());
    IDeviceChannel* first = p.ctx().gObjDevChannel;
    IDeviceService* service = p.ctx().gObjDevSrv.get();
    p.set("Baud", "38400");
    p.factory->serialParam.calls.clear();
    p.writes->writes.clear();

    fInitDevChannel(p.ctx());
    QCOMPARE(p.ctx().gObjDevChannel, first);
    QCOMPARE(p.ctx().gObjDevSrv.get(), service);
    QCOMPARE(p.factory->created, (QStringList{"serial", "service"}));
    QCOMPARE(p.factory->serialParam.calls,
             (QStringList{"Baud 38400", "Port 2", "Timeout 500", "Options 48847", "MultiPoint 0"}));
    QVERIFY(p.factory->serial->calls.isEmpty()); // not closed or reopened
    QVERIFY(p.writes->writes.isEmpty());
    QCOMPARE(channelEvents, 2);

    // To the network channel and back: each object is made once.
    p.set("Device", "1");
    fInitDevChannel(p.ctx());
    QCOMPARE(p.ctx().gObjDevChannel, static_cast<IDeviceChannel*>(p.ctx().m_objDevQnpObj.get()));
    p.set("Device", "0");
    fInitDevChannel(p.ctx());
    QCOMPARE(p.ctx().gObjDevChannel, first);
    QCOMPARE(p.factory->created, (QStringList{"serial", "service", "qnp"}));
}

void tst_Startup::otherKindKeepsTheCurrentChannel()
{
    Program p;
    fInitCommon(p.ctx());
    IDeviceChannel* serial = p.ctx().gObjDevChannel;
    p.set("Device", "2");
    fInitDevChannel(p.ctx());
    QCOMPARE(p.ctx().common().devChannel(), 2);
    QCOMPARE(p.ctx().gObjDevChannel, serial);
}

void tst_Startup::nonNumericValuesSkipTheirSetter()
{
    // Numbers are read as they always were (blanks, rounding); one that is none gives the default.
    Program p({{"Baud", "fast"}, {"Port", ""}, {"Timeout", " 750 "}, {"MultiPoint", "1.5"}});
    fInitCommon(p.ctx());
    QCOMPARE(p.factory->serialParam.calls,
             (QStringList{"Baud 19200", "Port 2", "Timeout 750", "Options 48847", "MultiPoint 2"}));

    p.set("Device", "1");
    p.set("QnpRtnPort", "x100");
    p.set("Timeout", "");
    fInitDevChannel(p.ctx());
    QCOMPARE(p.factory->qnpParam.calls, (QStringList{"NetId 169.12.1.106.1.1", "Port 100", "Timeout 500"}));

    // A "Device" that is no number leaves the channel kind as it was.
    p.set("Device", "serial");
    fInitDevChannel(p.ctx());
    QCOMPARE(p.ctx().common().devChannel(), 1);
}

void tst_Startup::startClearsWhatKilledWritersLeft()
{
    Program p({{"Splash", "0"}});
    p.set(QStringLiteral("PathResCommon"), p.env.tempPath() + QStringLiteral("/res"));
    const QStringList left{p.env.registryFolder() + QStringLiteral("/.HKEY_CURRENT_USER.xml.tmp-1a"),
                           p.env.tempPath() + QStringLiteral("/res/Devices/.VN4555.xml.tmp-2b")};
    QVERIFY(QDir().mkpath(p.env.tempPath() + QStringLiteral("/res/Devices")));
    for (const QString& path : left)
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    for (const QString& path : left)
        QVERIFY2(!QFile::exists(path), qPrintable(path));
    p.ctx().gLogBox = nullptr;
}

void tst_Startup::unusableStoredValues_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("setter"); // the parameter call the channel gets
    QTest::addColumn<QString>("log");
    const auto line = [](const char* name, const char* value, const char* reason, const char* used) {
        return QStringLiteral("Gespeicherter Wert \"%1\" = \"%2\" ignoriert (%3); %4 wird verwendet.\r\n")
            .arg(QLatin1String(name), QLatin1String(value), QLatin1String(reason), QLatin1String(used));
    };
    QTest::newRow("port no number") << "0" << "Port" << "abc" << false << "Port 2"
                                    << line("Port", "abc", "keine Zahl von 1 bis 64", "2");
    QTest::newRow("port negative") << "0" << "Port" << "-3" << false << "Port 2"
                                   << line("Port", "-3", "keine Zahl von 1 bis 64", "2");
    QTest::newRow("port 64 kept") << "0" << "Port" << "64" << false << "Port 64" << "";
    QTest::newRow("baud negative") << "0" << "Baud" << "-9600" << false << "Baud 19200"
                                   << line("Baud", "-9600", "keine Zahl von 50 bis 4000000", "19200");
    QTest::newRow("baud 115200 kept") << "0" << "Baud" << "115200" << false << "Baud 115200" << "";
    QTest::newRow("multipoint 999") << "0" << "MultiPoint" << "999" << false << "MultiPoint 0"
                                    << line("MultiPoint", "999", "keine Zahl von 0 bis 255", "0");
    QTest::newRow("multipoint 255 kept") << "0" << "MultiPoint" << "255" << false << "MultiPoint 255" << "";
    QTest::newRow("time-out largest long") << "0" << "Timeout" << "2147483647" << false << "Timeout 500"
                                           << line("Timeout", "2147483647", "keine Zahl von 1 bis 60000", "500");
    QTest::newRow("time-out 0") << "0" << "Timeout" << "0" << false << "Timeout 500"
                                << line("Timeout", "0", "keine Zahl von 1 bis 60000", "500");
    QTest::newRow("time-out 60000 kept") << "0" << "Timeout" << "60000" << false << "Timeout 60000" << "";
    QTest::newRow("time-out -5, English")
        << "0" << "Timeout" << "-5" << true << "Timeout 500"
        << "Stored value \"Timeout\" = \"-5\" ignored (not a number from 1 to 60000); 500 is used.\r\n";
    QTest::newRow("network time-out 60001") << "1" << "Timeout" << "60001" << false << "Timeout 500"
                                            << line("Timeout", "60001", "keine Zahl von 1 bis 60000", "500");
    QTest::newRow("network port 70000") << "1" << "QnpRtnPort" << "70000" << false << "Port 100"
                                        << line("QnpRtnPort", "70000", "keine Zahl von 1 bis 65535", "100");
    QTest::newRow("network port 0") << "1" << "QnpRtnPort" << "0" << false << "Port 100"
                                    << line("QnpRtnPort", "0", "keine Zahl von 1 bis 65535", "100");
    QTest::newRow("net id of five numbers")
        << "1" << "QnpRtnNetId" << "10.0.0.1.1" << false << "NetId 169.12.1.106.1.1"
        << line("QnpRtnNetId", "10.0.0.1.1", "nicht sechs Zahlen 0..255 mit Punkten", "169.12.1.106.1.1");
    QTest::newRow("a line break in the value stays in one line")
        << "0" << "Port" << "1\r\n2" << false << "Port 2" << line("Port", "1  2", "keine Zahl von 1 bis 64", "2");
}

void tst_Startup::unusableStoredValues()
{
    QFETCH(QString, device);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, english);
    QFETCH(QString, setter);
    QFETCH(QString, log);
    Program p({{"Device", device}, {name, value}});
    if (english)
        p.ctx().common().setLanguageType(1);
    fInitCommon(p.ctx());
    const QStringList calls = device == QLatin1String("0") ? p.factory->serialParam.calls : p.factory->qnpParam.calls;
    QCOMPARE(calls.filter(QRegularExpression(QLatin1Char('^') + setter.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' '))),
             QStringList{setter});
    QCOMPARE(p.env.log().Text(), log);
    // The stored text is left for the user to mend, and named once, not at every command.
    QCOMPARE(p.stored(name), value);
    fInitDevChannel(p.ctx());
    QCOMPARE(p.env.log().Text(), log);
}

void tst_Startup::resourceFolderThatIsNoFolder_data()
{
    QTest::addColumn<QString>("path"); // under the test's folder
    QTest::newRow("missing") << "/no-such-folder";
    QTest::newRow("a file") << "/registry/HKEY_CURRENT_USER.xml";
}

void tst_Startup::resourceFolderThatIsNoFolder()
{
    QFETCH(QString, path);
    Program p;
    const QString stored = p.env.tempPath() + path;
    p.set("PathResCommon", stored);
    fInitCommon(p.ctx());
    const QString resources = QCoreApplication::applicationDirPath() + "/Resource";
    QCOMPARE(p.ctx().common().PathFolderResCommon(), resources);
    QCOMPARE(p.env.log().Text(),
             QStringLiteral("Gespeicherter Wert \"PathResCommon\" = \"%1\" ignoriert (kein Ordner); %2 wird verwendet.\r\n")
                 .arg(quotableText(stored), resources));
}

void tst_Startup::mainShowsWindowAndWelcomes()
{
    Program p({{"Splash", "0"}});
    QCOMPARE(p.ctx().gRefList.count(), std::size_t(0));
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    QVERIFY(window);
    QVERIFY(p.ctx().gRefList.count() > 0); // from <program folder>/Resource/RefList.xml
    QVERIFY(window->isVisible());
    QCOMPARE(p.ctx().gLogBox, static_cast<ILogBox*>(window->logBox()));
    QCOMPARE(window->logBox()->Text(), QStringLiteral("Welcome to TD4700 !\r\n"));
    QCOMPARE(window->txtLogBox()->toPlainText(), QStringLiteral("Welcome to TD4700 !\n"));
    QVERIFY(p.env.dialogs().messages.isEmpty());
    // The splash is gone, and with it the busy pointer.
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(w->objectName() != QLatin1String("frmSplash"), "splash still exists");
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(p.stored("Splash"), QStringLiteral("0"));
    p.ctx().gLogBox = nullptr;
}

void tst_Startup::mainInDeveloperMode()
{
    Program p({{"Splash", "0"}, {"AccessLevel", "ACC_INSIDER"}});
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    QCOMPARE(window->logBox()->Text(), QStringLiteral("Welcome to TD4700 !\r\nDeveloper mode!\r\n"));
    p.ctx().gLogBox = nullptr;
}

void tst_Startup::splashWait_data()
{
    QTest::addColumn<QString>("splash"); // "<missing>" for no value
    QTest::addColumn<int>("atMost");     // 0: no wait
    QTest::newRow("missing: 3 seconds, not written") << "<missing>" << 3000;
    QTest::newRow("one and a half") << "1.5" << 1500;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-2" << 0;
    QTest::newRow("no number") << "drei" << 0;
    QTest::newRow("huge: capped at 10 seconds") << "1000000000" << 10000;
}

void tst_Startup::splashWait()
{
    QFETCH(QString, splash);
    QFETCH(int, atMost);
    QMap<QString, QString> settings;
    if (splash != QLatin1String("<missing>"))
        settings.insert("Splash", splash);
    Program p(settings);
    p.ctx().gLogBox = nullptr; // as in the program: no log before the main window
    SplashesShown splashes;
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    const QList<int> waits = p.env.dialogs().waits;
    // Without a wait no splash is built: it would only flash up and slow the start.
    QCOMPARE(splashes.count, atMost == 0 ? 0 : 1);
    if (atMost == 0) {
        QVERIFY(waits.isEmpty());
    } else {
        QCOMPARE(waits.size(), 1);
        QVERIFY2(waits.first() <= atMost && waits.first() > atMost - 1000, qPrintable(QString::number(waits.first())));
    }
    QCOMPARE(p.stored("Splash"), splash);
    const bool capped = splash == QLatin1String("1000000000");
    // In the language the main window set at its load.
    QCOMPARE(window->logBox()->Text().contains(
                 QStringLiteral("Stored value \"Splash\" = \"1000000000\" ignored (more than 10 seconds); 10 is used.")),
             capped);
    p.ctx().gLogBox = nullptr;
}

void tst_Startup::damagedSettingsAreReportedInTheLog_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("cut off") << QByteArray("<Hive><Key Name=\"SOFTWARE\">");
    QTest::newRow("20,000 levels deep") << "<Hive>" + QByteArray("<Key Name=\"K\">").repeated(20000)
                                                + QByteArray("</Key>").repeated(20000) + "</Hive>";
}

void tst_Startup::damagedSettingsAreReportedInTheLog()
{
    QFETCH(QByteArray, content);
    Program p;
    p.ctx().gCommon.reset(); // saves "Language" now, not over the damaged file at the restart
    QFile hive(p.env.registryFolder() + "/HKEY_CURRENT_USER.xml");
    QVERIFY(hive.open(QIODevice::WriteOnly));
    hive.write(content);
    hive.close();
    p.env.restart();
    p.wire();
    p.set("Splash", "0");

    std::unique_ptr<frmMain> window(Main(p.ctx()));
    const QString welcome = QStringLiteral("Welcome to TD4700 !\r\n");
    const QString log = window->logBox()->Text();
    QVERIFY2(log.startsWith(welcome), qPrintable(log));
    const QString report = log.mid(welcome.size());
    QCOMPARE(report.count(QStringLiteral("\r\n")), 1);
    QVERIFY(report.endsWith(QStringLiteral("\r\n")));
    QVERIFY(report.contains(QStringLiteral("HKEY_CURRENT_USER.xml")));
    QCOMPARE(QDir(p.env.registryFolder()).entryList({"HKEY_CURRENT_USER.xml.*"}, QDir::Files).size(), 1);
    // The program starts with its defaults.
    QCOMPARE(p.stored("AccessLevel"), QStringLiteral("ACC_PRODUKTION"));
    QCOMPARE(p.stored("Port"), QStringLiteral("2"));
    QCOMPARE(RegistryStore(p.env.registryFolder()).value(HKEY_CURRENT_USER, kKey, "Baud")->text, QStringLiteral("19200"));
    p.ctx().gLogBox = nullptr;
}

// A well-formed settings file just under 1 MiB takes no more defaults: the log names the file
// and why, once, and the program runs with the defaults, which the file does not hold.
void tst_Startup::defaultsThatCannotBeSavedAreNamedAndUsed()
{
    Program p;
    p.ctx().gCommon.reset();
    const QString path = p.env.registryFolder() + "/HKEY_CURRENT_USER.xml";
    const QByteArray near = "<Hive><Key Name=\"Other\"><Value Name=\"Big\" Type=\"Text\">"
        + QByteArray(int(kMaxHiveFileBytes) - 300, 'x') + "</Value></Key></Hive>";
    QFile hive(path);
    QVERIFY(hive.open(QIODevice::WriteOnly) && hive.write(near) == near.size());
    hive.close();
    p.env.restart();
    p.wire();

    std::unique_ptr<frmMain> window(Main(p.ctx()));
    const QString log = window->logBox()->Text();
    const QString report = QStringLiteral("Settings file %1 could not be saved: it would be larger than 1 MiB. "
                                          "The changes hold until the program ends.\r\n")
                               .arg(QDir::toNativeSeparators(path));
    QVERIFY2(log.count(report) == 1, qPrintable(log));
    QCOMPARE(p.stored("AccessLevel"), QStringLiteral("ACC_PRODUKTION"));
    QCOMPARE(p.stored("Port"), QStringLiteral("2"));
    QVERIFY(!RegistryStore(p.env.registryFolder()).value(HKEY_CURRENT_USER, kKey, "Port"));
    QVERIFY(QFileInfo(path).size() <= kMaxHiveFileBytes);
    p.ctx().gLogBox = nullptr;
}

// Within the wait the window is live: what it logs is kept, and closing it ends the start-up.
void tst_Startup::duringTheSplashWait()
{
    {
        Program p({{"Splash", "1"}});
        p.env.dialogs().duringWait = [&p] { AppendLogText(p.ctx().gLogBox, QStringLiteral("0 Timeout\r\n")); };
        std::unique_ptr<frmMain> window(Main(p.ctx()));
        QCOMPARE(window->logBox()->Text(), QStringLiteral("Welcome to TD4700 !\r\n0 Timeout\r\n"));
        p.ctx().gLogBox = nullptr;
    }
    Program p({{"Splash", "1"}});
    p.env.dialogs().duringWait = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmMain"))
                w->close();
    };
    QCOMPARE(Main(p.ctx()), nullptr);
    QVERIFY(p.ctx().gLogBox == nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

// A long splash wait keeps nothing from the user: what start-up met is in the log before it.
void tst_Startup::noticesComeBeforeALongSplashWait()
{
    Program p({{"Splash", "1000000000"}, {"Timeout", "0"}});
    p.ctx().gLogBox = nullptr; // as in the program: no log before the main window
    QString logDuringWait;
    p.env.dialogs().duringWait = [&p, &logDuringWait] { logDuringWait = p.ctx().gLogBox->Text(); };
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    QCOMPARE(p.env.dialogs().waits.size(), 1);
    // Met while the stored language was German, logged in the English the main window chose at its load.
    QCOMPARE(logDuringWait,
             QStringLiteral("Welcome to TD4700 !\r\n"
                            "Stored value \"Timeout\" = \"0\" ignored (not a number from 1 to 60000); 500 is used.\r\n"
                            "Stored value \"Splash\" = \"1000000000\" ignored (more than 10 seconds); 10 is used.\r\n"));
    QCOMPARE(window->logBox()->Text(), logDuringWait);
    p.ctx().gLogBox = nullptr;
}

// F11 or a click on the menu bar while the splash waits runs nothing then or later: no
// "Timeout" line above the welcome line, no channel call, no menu left open.
void tst_Startup::inputDuringTheSplashWaitIsDropped()
{
    Program p({{"Splash", "0.5"}});
    p.ctx().gLogBox = nullptr;
    p.env.dialogs().realWaits = true;
    p.env.dialogs().duringWait = [] {
        frmMain* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmMain"))
                window = static_cast<frmMain*>(w);
        QVERIFY(window);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTimer::singleShot(50, window, [window] {
            QTest::keyClick(window->windowHandle(), Qt::Key_F11);
            QMenuBar* bar = window->menuBar();
            const QPoint online = bar->actionGeometry(window->mnuMainItemOnline()->menuAction()).center();
            QTest::mouseClick(bar, Qt::LeftButton, {}, online);
        });
    };
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    QVERIFY(window);
    QTest::qWait(100); // input held back would run now
    QCOMPARE(window->logBox()->Text(), QStringLiteral("Welcome to TD4700 !\r\n"));
    QVERIFY(p.factory->serial->calls.isEmpty());
    QVERIFY(p.env.dialogs().messages.isEmpty());
    QVERIFY(QApplication::activePopupWidget() == nullptr);
    p.ctx().gLogBox = nullptr;
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
