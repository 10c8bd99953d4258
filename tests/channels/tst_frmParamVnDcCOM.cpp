// The serial channel dialog against channel doubles: registry defaults, the
// COM port scan, the set-up pushed into the channel, the connection test's
// result, the form's captions and fields.
#include "channels/SerialChannelSettings.h"
#include "channels/SerialDialogTestUtil.h"
#include "channels/frmParamVnDcCOM.h"
#include "common/RegistryWriteLog.h"
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "common/WindowSystem.h"
#include "platform/RegistryStore.h"

#include <QComboBox>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

namespace {

// Remembers the port last set, so the channel can answer per port.
class PortParam : public RecordingSerialParam {
public:
    int port = 0;
    void SetPort(int32_t v) override
    {
        RecordingSerialParam::SetPort(v);
        port = v;
    }
};

// Opens only the listed ports; the coupler behind them serves table 9.
class PortChannel : public ScriptedChannel {
public:
    PortParam param;
    QSet<int> openPorts{3, 9};
    std::function<void()> onRead; // runs inside every read, as window events could

    PortChannel()
    {
        setParamObj(&param);
        setTable(0, 9, {4710, 0x8204, 0});
    }
    int32_t PortOpen() override
    {
        calls.append({QStringLiteral("open"), param.port, 0, 0, 0, {}});
        isOpen = openPorts.contains(param.port);
        return isOpen ? ChOk : ChOpenFailed;
    }
    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        if (onRead)
            onRead();
        return ScriptedChannel::VbRegSyncReadReq(pos, table, first, count, buffer);
    }
};

void store(const QString& name, const QString& value)
{
    app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, name, value);
}

QComboBox* box(QWidget* form, int index) { return child<QComboBox>(form, QStringLiteral("comboSelPort_%1").arg(index)); }

} // namespace

class TestSerialDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    RegistryWriteLog* m_registry = nullptr;
    std::unique_ptr<PortChannel> m_channel;
    QPointer<frmParamVnDcCOM> m_form;

    frmParamVnDcCOM* openForm()
    {
        m_form = new frmParamVnDcCOM;
        m_form->RefreshData({}, m_channel.get(), QStringLiteral("Harmsted"));
        return m_form;
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        auto registry = std::make_unique<RegistryWriteLog>(*m_env->context().store);
        m_registry = registry.get();
        m_env->context().gObjRegistry = std::move(registry);
        gCommon(); // the settings object over the logging helper
        m_registry->writes.clear();
        m_channel = std::make_unique<PortChannel>();
    }
    void cleanup()
    {
        delete m_form.data();
        m_channel.reset();
        m_env.reset();
    }

    void freshRegistryGetsTheDefaults()
    {
        SerialChannelSettings s;
        LoadChannelSettings(*app().gObjRegistry, kKey, s);
        QCOMPARE(m_registry->writes, QStringList({"Port=2", "Baud=19200", "Parity=Even", "DataBits=8", "StopBits=1",
                                                  "VNxType=RS232", "Timeout=500", "MultiPoint=0"}));
        QCOMPARE(s.Port, QStringLiteral("2"));
        QCOMPARE(s.Parity, QStringLiteral("Even"));

        // Present values are read, not written again.
        store(QStringLiteral("Baud"), QStringLiteral("57600"));
        m_registry->writes.clear();
        LoadChannelSettings(*app().gObjRegistry, kKey, s);
        QVERIFY(m_registry->writes.isEmpty());
        QCOMPARE(s.Baud, QStringLiteral("57600"));
    }

    void scanListsThePortsThatOpen_data()
    {
        QTest::addColumn<QList<int>>("open");
        QTest::addColumn<int>("storedPort");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("lastPortSet");

        QTest::newRow("stored port listed") << QList<int>{3, 9} << 9 << QStringList{"COM3", "COM9"} << 9 << "Port 9";
        QTest::newRow("stored port gone: first listed") << QList<int>{3, 9} << 7 << QStringList{"COM3", "COM9"} << 3
                                                        << "Port 3";
        QTest::newRow("ends of the range") << QList<int>{1, 64} << 64 << QStringList{"COM1", "COM64"} << 64
                                           << "Port 64";
        QTest::newRow("nothing opens: last port tried kept") << QList<int>{} << 2 << QStringList{} << 0 << "Port 64";
    }
    void scanListsThePortsThatOpen()
    {
        QFETCH(QList<int>, open);
        QFETCH(int, storedPort);
        QFETCH(QStringList, listed);
        QFETCH(int, chosen);
        QFETCH(QString, lastPortSet);

        m_channel->openPorts = QSet<int>(open.begin(), open.end());
        const ComPortScan scan = ScanComPorts(m_channel.get(), &m_channel->param, storedPort);
        QCOMPARE(scan.ports, listed);
        QCOMPARE(scan.chosen, chosen);
        QCOMPARE(m_channel->param.calls.last(), lastPortSet);
        QCOMPARE(m_channel->param.calls.count(), 64 + (chosen > 0 ? 1 : 0));
        // Each port that opened is closed again, and once more after the scan.
        QCOMPARE(m_channel->callLog().count(QStringLiteral("open")), 64);
        QCOMPARE(m_channel->callLog().count(QStringLiteral("close")), open.size() + 1);
        QCOMPARE(m_channel->callLog().last(), QStringLiteral("close"));
    }

    void connectionTest_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("failingReads");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("reads");

        QTest::newRow("first read answers") << true << 0 << 0 << 1;
        QTest::newRow("fourth read answers") << true << 3 << 0 << 4;
        QTest::newRow("four reads fail: last read's code") << true << 4 << int(ChTimeout) << 4;
        QTest::newRow("open fails: open's code, no read") << false << 0 << int(ChOpenFailed) << 0;
    }
    void connectionTest()
    {
        QFETCH(bool, opens);
        QFETCH(int, failingReads);
        QFETCH(int, expected);
        QFETCH(int, reads);

        m_channel->param.SetPort(opens ? 3 : 4);
        // The first three reads fail with another code than the fourth, so the code returned is the last one's.
        m_channel->failNextReads(std::min(failingReads, 3), ChBadFrame);
        if (failingReads == 4)
            m_channel->failReads(0, 9, ChTimeout);
        int pumps = 0;
        QCOMPARE(TestCouplerConnection(m_channel.get(), [&] { ++pumps; }), expected);
        QCOMPARE(m_channel->readCount(), reads);
        QCOMPARE(pumps, std::max(0, reads - 1));
        QCOMPARE(m_channel->callLog().filter(QStringLiteral("read")), QStringList(reads, QStringLiteral("read 0 9 0 2")));
        QVERIFY(!m_channel->callLog().contains(QStringLiteral("close"))); // the port stays open
        QCOMPARE(TestCouplerConnection(nullptr, {}), int(ChNotOpen));
    }

    void saveOrderAndChannelSetUp()
    {
        store(QStringLiteral("Port"), QStringLiteral("9"));
        frmParamVnDcCOM* f = openForm();
        box(f, 1)->setCurrentText(QStringLiteral("57600"));
        box(f, 5)->setCurrentText(QStringLiteral("RS485"));
        child<QSpinBox>(f, QStringLiteral("fpLITimeOut"))->setValue(300);
        child<QSpinBox>(f, QStringLiteral("fpLImultiPoint"))->setValue(4);
        m_registry->writes.clear();
        m_channel->calls.clear();
        m_channel->param.calls.clear();

        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();

        QCOMPARE(m_registry->writes, QStringList({"Device=0", "Port=9", "Baud=57600", "Parity=E", "DataBits=8",
                                                  "StopBits=1", "VNxType=RS485", "Timeout=300", "MultiPoint=4"}));
        QCOMPARE(m_channel->callLog(), QStringList{"close"});
        QCOMPARE(m_channel->param.calls,
                 QStringList({"Baud 57600", "Port 9", "Timeout 300", "Options 48847", "MultiPoint 4"}));
        QTRY_VERIFY(m_form.isNull());
    }

    void storedNumbersOutOfRangeShowTheDefault_data()
    {
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<QString>("multiPoint");
        QTest::addColumn<int>("shownTimeout");
        QTest::addColumn<int>("shownMultiPoint");
        QTest::newRow("lower ends kept") << "1" << "0" << 1 << 0;
        QTest::newRow("upper ends kept") << "60000" << "255" << 60000 << 255;
        QTest::newRow("time-out 0, multipoint 256") << "0" << "256" << 500 << 0;
        QTest::newRow("time-out 60001, multipoint 300") << "60001" << "300" << 500 << 0;
        QTest::newRow("largest long") << "2147483647" << "2147483647" << 500 << 0;
        QTest::newRow("negative") << "-1" << "-1" << 500 << 0;
        QTest::newRow("no numbers") << "abc" << "" << 500 << 0;
    }

    void storedNumbersOutOfRangeShowTheDefault()
    {
        // The boxes show what the channel can run with; OK stores that, not the stored number.
        QFETCH(QString, timeout);
        QFETCH(QString, multiPoint);
        QFETCH(int, shownTimeout);
        QFETCH(int, shownMultiPoint);
        store(QStringLiteral("Port"), QStringLiteral("9"));
        store(QStringLiteral("Timeout"), timeout);
        store(QStringLiteral("MultiPoint"), multiPoint);
        frmParamVnDcCOM* f = openForm();
        QCOMPARE(child<QSpinBox>(f, QStringLiteral("fpLITimeOut"))->value(), shownTimeout);
        QCOMPARE(child<QSpinBox>(f, QStringLiteral("fpLImultiPoint"))->value(), shownMultiPoint);
        m_registry->writes.clear();
        m_channel->param.calls.clear();

        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();

        const QString t = QString::number(shownTimeout), m = QString::number(shownMultiPoint);
        QCOMPARE(m_registry->writes.filter(QRegularExpression(QStringLiteral("^(Timeout|MultiPoint)="))),
                 QStringList({"Timeout=" + t, "MultiPoint=" + m}));
        QCOMPARE(m_channel->param.calls.filter(QRegularExpression(QStringLiteral("^(Timeout|MultiPoint) "))),
                 QStringList({"Timeout " + t, "MultiPoint " + m}));
        QVERIFY(m_env->dialogs().messages.isEmpty());
    }

    // A stored baud rate the channel cannot run with shows the rate the channel takes instead, so
    // Test probes with what F11 would use; a usable rate the list lacks stays.
    void storedBaudRateTheChannelCannotUse_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("entries");
        QTest::newRow("a word") << "fast" << "19200" << 4;
        QTest::newRow("negative") << "-9600" << "19200" << 4;
        QTest::newRow("empty") << "" << "19200" << 4;
        QTest::newRow("usable, not in the list") << "115200" << "115200" << 5;
    }
    void storedBaudRateTheChannelCannotUse()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        store(QStringLiteral("Baud"), stored);
        frmParamVnDcCOM* f = openForm();
        QCOMPARE(box(f, 1)->currentText(), shown);
        QTEST(box(f, 1)->count(), "entries");
        m_channel->param.calls.clear();
        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();
        QCOMPARE(m_channel->param.calls.filter(QStringLiteral("Baud ")), QStringList{"Baud " + shown});
    }

    void typedNumbersOutsideTheBoxesAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("message"); // empty: taken
        const QString timeout = QStringLiteral("Timeout muss eine Zahl von 1 bis 60000 sein!|16|Test communication");
        const QString multi = QStringLiteral("Multipoint muss eine Zahl von 0 bis 255 sein!|16|Test communication");
        QTest::newRow("time-out 0") << "fpLITimeOut" << "0" << false << timeout;
        QTest::newRow("time-out 1") << "fpLITimeOut" << "1" << false << QString();
        QTest::newRow("time-out 60000") << "fpLITimeOut" << "60000" << false << QString();
        QTest::newRow("time-out 60001") << "fpLITimeOut" << "60001" << false << timeout;
        QTest::newRow("time-out -1") << "fpLITimeOut" << "-1" << false << timeout;
        QTest::newRow("time-out emptied") << "fpLITimeOut" << "" << false << timeout;
        QTest::newRow("time-out 2147483647, English")
            << "fpLITimeOut" << "2147483647" << true
            << "Timeout must be a number from 1 to 60000!|16|Test communication";
        QTest::newRow("multipoint -1") << "fpLImultiPoint" << "-1" << false << multi;
        QTest::newRow("multipoint 0") << "fpLImultiPoint" << "0" << false << QString();
        QTest::newRow("multipoint 255") << "fpLImultiPoint" << "255" << false << QString();
        QTest::newRow("multipoint 256") << "fpLImultiPoint" << "256" << false << multi;
    }

    void typedNumbersOutsideTheBoxesAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, english);
        QFETCH(QString, message);
        if (english)
            gCommon().setLanguageType(1);
        store(QStringLiteral("Port"), QStringLiteral("9"));
        frmParamVnDcCOM* f = openForm();
        auto* numberBox = child<QSpinBox>(f, field);
        typeInto(numberBox, typed);
        m_registry->writes.clear();
        m_channel->calls.clear();

        if (!message.isEmpty()) {
            // Refused by OK and by Test alike: nothing stored, no channel call, the typed text kept.
            for (const char* button : {"cmdTest", "cmdOK"})
                child<QPushButton>(f, QString::fromLatin1(button))->click();
            QCOMPARE(m_env->dialogs().messages, QStringList({message, message}));
            QVERIFY(m_registry->writes.isEmpty());
            QVERIFY(m_channel->calls.isEmpty());
            QCOMPARE(numberBox->text(), typed);
            QVERIFY(!m_form.isNull());
            return;
        }
        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();
        QVERIFY(m_env->dialogs().messages.isEmpty());
        const QString name = field == QLatin1String("fpLITimeOut") ? QStringLiteral("Timeout") : QStringLiteral("MultiPoint");
        QCOMPARE(stored(name), typed);
        QTRY_VERIFY(m_form.isNull());
    }

    // The wheel changes a number only in the box that has the focus, and no step replaces
    // a typed number outside the range with one typed on the way: OK still refuses it.
    void wheelAndArrowsChangeNoNumberUnasked()
    {
        store(QStringLiteral("Port"), QStringLiteral("9"));
        frmParamVnDcCOM* f = openForm();
        QVERIFY(QTest::qWaitForWindowActive(f));
        auto* timeout = child<QSpinBox>(f, QStringLiteral("fpLITimeOut"));
        auto* multiPoint = child<QSpinBox>(f, QStringLiteral("fpLImultiPoint"));
        timeout->setFocus();
        turnWheel(multiPoint, 1);
        QCOMPARE(multiPoint->value(), 0);
        QVERIFY(timeout->hasFocus());
        turnWheel(timeout, 1);
        QCOMPARE(timeout->value(), 501);

        multiPoint->setFocus();
        typeInto(multiPoint, QStringLiteral("70000"));
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_PageDown})
            QTest::keyClick(multiPoint, key);
        turnWheel(multiPoint, -1);
        QCOMPARE(multiPoint->text(), QStringLiteral("70000"));
        m_registry->writes.clear();
        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{"Multipoint muss eine Zahl von 0 bis 255 sein!|16|Test communication"});
        QVERIFY(m_registry->writes.isEmpty());
        QVERIFY(!m_form.isNull());
    }

    void loadShowsStoredSettings()
    {
        const char* values[][2] = {{"Port", "9"},     {"Baud", "38400"},  {"Parity", "O"},       {"DataBits", "7"},
                                   {"VNxType", "RS485"}, {"Timeout", "250"}, {"MultiPoint", "12"}};
        for (const auto& [name, value] : values)
            store(QString::fromLatin1(name), QString::fromLatin1(value));
        frmParamVnDcCOM* f = openForm();
        QVERIFY(f->isVisible());
        QCOMPARE(f->windowTitle(), QStringLiteral("Form1"));
        QCOMPARE(child<QTabWidget>(f, QStringLiteral("SSTab1"))->tabText(0), QStringLiteral("COM Port"));
        QCOMPARE(child<QWidget>(f, QStringLiteral("ScrolledWindow1"))->geometry(),
                 QRect(0, 0, f->width() - 8, f->height() - 8));

        const QList<QStringList> lists{{"COM3", "COM9"}, {"9600", "19200", "38400", "57600"}, {"4", "5", "6", "7", "8"},
                                       {"Even", "Odd", "None"}, {"1", "2"}, {"RS232", "RS485"}};
        // The frame format shows 8, Even, 1 whatever is stored, and cannot be changed.
        const QStringList shown{"COM9", "38400", "8", "Even", "1", "RS485"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(items(box(f, i)), lists[i]);
            QCOMPARE(box(f, i)->currentText(), shown[i]);
            QCOMPARE(box(f, i)->isEnabled(), i < 2 || i == 5);
        }
        QCOMPARE(m_channel->param.port, 9);
        QCOMPARE(child<QSpinBox>(f, QStringLiteral("fpLITimeOut"))->value(), 250);
        QCOMPARE(child<QSpinBox>(f, QStringLiteral("fpLImultiPoint"))->value(), 12);
        QCOMPARE(child<QPushButton>(f, QStringLiteral("cmdCancel"))->text(), QStringLiteral("&Abbruch"));
        QCOMPARE(child<QLabel>(f, QStringLiteral("lblSelectedPort_0"))->text(), QStringLiteral("Schnittstelle:"));
    }

    void englishCaptions()
    {
        gCommon().setLanguageType(1);
        frmParamVnDcCOM* f = openForm();
        QCOMPARE(f->windowTitle(), QString());
        const QStringList labels{"COM-Port", "Baud", "Databits", "Parity", "Stopbits", "Timeout", "Multipoint",
                                 "VNx Type"};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(child<QLabel>(f, QStringLiteral("lblSelectedPort_%1").arg(i))->text(), labels[i]);
        QCOMPARE(child<QPushButton>(f, QStringLiteral("cmdTest"))->text(), QStringLiteral("Test..."));
        QCOMPARE(child<QPushButton>(f, QStringLiteral("cmdCancel"))->text(), QStringLiteral("&Cancel"));
        QCOMPARE(child<QPushButton>(f, QStringLiteral("cmdOK"))->text(), QStringLiteral("&OK"));
    }

    void valuesTheListsLackSurviveASave()
    {
        m_channel->openPorts.clear();
        store(QStringLiteral("Port"), QStringLiteral("6"));
        store(QStringLiteral("Baud"), QStringLiteral("115200"));
        frmParamVnDcCOM* f = openForm();
        QCOMPARE(box(f, 0)->count(), 0);
        QCOMPARE(m_channel->param.port, 64);
        QCOMPARE(box(f, 1)->currentText(), QStringLiteral("115200"));
        child<QPushButton>(f, QStringLiteral("cmdOK"))->click();
        QCOMPARE(stored(QStringLiteral("Port")), QStringLiteral("6"));
        QCOMPARE(stored(QStringLiteral("Baud")), QStringLiteral("115200"));
    }

    void testAnimatesAndCannotBeClosed()
    {
        gCommon().setPathFolderResCommon(AppContext::programFolder() + QStringLiteral("/Resource"));
        frmParamVnDcCOM* f = openForm();
        auto* animation = child<QLabel>(f, QStringLiteral("Animation1"));
        QVERIFY(!animation->movie());
        m_channel->failReads(0, 9, ChTimeout);
        int reads = 0;
        m_channel->onRead = [&] {
            ++reads;
            QVERIFY(animation->movie() && animation->movie()->state() == QMovie::Running);
            QVERIFY(animation->movie()->frameCount() > 1);
            QVERIFY(!child<QPushButton>(f, QStringLiteral("cmdOK"))->isEnabled());
            QVERIFY(!f->close());
        };
        child<QPushButton>(f, QStringLiteral("cmdTest"))->click();
        QCOMPARE(reads, 4);
        QVERIFY(!m_form.isNull());
        QVERIFY(!animation->movie());
        QVERIFY(child<QPushButton>(f, QStringLiteral("cmdOK"))->isEnabled());
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{"No communication with coupler!\r\n\r\nCode: 4097|16|Test communication"});
    }
};

QTEST_MAIN(TestSerialDialog)
#include "tst_frmParamVnDcCOM.moc"
