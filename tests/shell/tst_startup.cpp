#include "common/TestEnv.h"
#include "common/ScriptedChannel.h"

#include "shell/frmMain.h"
#include "shell/modStartup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
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
    void mainShowsWindowAndWelcomes();
    void mainInDeveloperMode();
    void splashWait_data();
    void duringTheSplashWait();
    void splashWait();
    void damagedSettingsAreReportedInTheLog_data();
    void damagedSettingsAreReportedInTheLog();
    void startClearsWhatKilledWritersLeft();
};

void tst_Startup::firstStartWritesExactlyTheDefaults()
{
    Program p;
    int channelEvents = 0;
    connect(&p.ctx().common(), &clsCommon::ChangedDevChannel, this, [&](int32_t&) { ++channelEvents; });

    fInitCommon(p.ctx());

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
    Program p({{"AccessLevel", "ACC_INSIDER"}, {"PathResCommon", "/srv/td/res"}, {"PathResFirmware", ""}});
    fInitCommon(p.ctx());
    QCOMPARE(p.ctx().common().PathFolderResCommon(), QStringLiteral("/srv/td/res"));
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
    Program p({{"Baud", "fast"}, {"Port", ""}, {"Timeout", " 750 "}, {"MultiPoint", "1.5"}});
    fInitCommon(p.ctx());
    QCOMPARE(p.factory->serialParam.calls, (QStringList{"Timeout 750", "Options 48847", "MultiPoint 2"}));

    p.set("Device", "1");
    p.set("QnpRtnPort", "x100");
    p.set("Timeout", "");
    fInitDevChannel(p.ctx());
    QCOMPARE(p.factory->qnpParam.calls, QStringList{"NetId 169.12.1.106.1.1"});

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
}

void tst_Startup::splashWait()
{
    QFETCH(QString, splash);
    QFETCH(int, atMost);
    QMap<QString, QString> settings;
    if (splash != QLatin1String("<missing>"))
        settings.insert("Splash", splash);
    Program p(settings);
    std::unique_ptr<frmMain> window(Main(p.ctx()));
    const QList<int> waits = p.env.dialogs().waits;
    if (atMost == 0) {
        QVERIFY(waits.isEmpty());
    } else {
        QCOMPARE(waits.size(), 1);
        QVERIFY2(waits.first() <= atMost && waits.first() > atMost - 1000, qPrintable(QString::number(waits.first())));
    }
    QCOMPARE(p.stored("Splash"), splash);
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

// Within the wait the window is live: what it logs is kept, and closing it ends the start-up.
void tst_Startup::duringTheSplashWait()
{
    {
        Program p({{"Splash", "1"}});
        p.env.dialogs().duringWait = [&p] { AppendLogText(p.ctx().gLogBox, QStringLiteral("0 Timeout\r\n")); };
        std::unique_ptr<frmMain> window(Main(p.ctx()));
        QCOMPARE(window->logBox()->Text(), QStringLiteral("0 Timeout\r\nWelcome to TD4700 !\r\n"));
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

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
