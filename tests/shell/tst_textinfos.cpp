// The coupler's text infos over a scripted channel and a recording device
// service: which reads each coupler family gets and the entries they give.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "shell/ShellContext.h"
#include "shell/modTextInfos.h"

#include <QtTest>

namespace {

QString stationXml(const QString& couplerName, bool withTextInfos = true)
{
    return QStringLiteral("<?xml version=\"1.0\" ?><Station Name=\"Station X\" Pos=\"0\"><Comment><CompanyId>0</CompanyId>"
                          "</Comment><Devices><Device Name=\"%1\" Pos=\"0\" Icon=\"2\"><CfgTool>%2<Views></Views></CfgTool>"
                          "</Device><Device Name=\"TM8xx4-5555\" Pos=\"1\" Icon=\"5\"><CfgTool><TextInfos></TextInfos>"
                          "</CfgTool></Device></Devices></Station>")
        .arg(couplerName, withTextInfos ? QStringLiteral("<TextInfos></TextInfos>") : QString());
}

QStringList entries(const pugi::xml_document& doc)
{
    QStringList out;
    for (const pugi::xpath_node& hit : doc.select_nodes("Station/Devices/Device/CfgTool/TextInfos/TextInfo"))
        out << QString::fromUtf8(hit.node().text().get());
    return out;
}

using Registers = QList<QList<int>>; // {table, register, value}

} // namespace

class tst_TextInfos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_shell = std::make_unique<ShellContext>();
        ShellContext::setCurrent(m_shell.get());
        m_channel = ScriptedChannel();
        m_channel.setTable(0, 0, QVector<int32_t>(256, 0));
        m_env->context().gObjDevChannel = &m_channel;
        auto service = std::make_unique<RecordingDeviceService>();
        m_service = service.get();
        m_env->context().gObjDevSrv = std::move(service);
    }
    void cleanup()
    {
        ShellContext::setCurrent(nullptr);
        m_shell.reset();
        m_env.reset();
    }

    void versionText_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "Version 00 00";
        QTest::newRow("one digit") << 0xF << "Version 00 0F";
        QTest::newRow("two digits") << 0x4A << "Version 00 4A";
        QTest::newRow("three digits") << 0x107 << "Version 01 07";
        QTest::newRow("four digits") << 0xB500 << "Version B5 00";
        QTest::newRow("largest word") << 0xFFFF << "Version FF FF";
        QTest::newRow("negative") << -1 << "";
        QTest::newRow("five digits") << 0x10000 << "";
    }
    void versionText()
    {
        QFETCH(int, word);
        QFETCH(QString, text);
        QCOMPARE(fFirmwareVersionText(word), text);
    }

    void addTextInfoAppendsLast()
    {
        pugi::xml_document doc;
        doc.load_string("<TextInfos><TextInfo>Firmware : Version 01 07</TextInfo></TextInfos>");
        pugi::xml_node added;
        QVERIFY(AddTextInfo(doc.child("TextInfos"), added));
        QCOMPARE(QString::fromUtf8(added.name()), QStringLiteral("TextInfo"));
        QCOMPARE(QString::fromUtf8(added.text().get()), QStringLiteral("Firmware: "));
        QCOMPARE(doc.child("TextInfos").last_child(), added);
        QVERIFY(!AddTextInfo(pugi::xml_node(), added));
        QVERIFY(!added);
    }

    // One row per family rule: the entries in order, the device-service calls and the reads.
    void entriesByCoupler_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Registers>("registers");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("serviceCalls");
        QTest::addColumn<QStringList>("reads");
        const QString fw = QStringLiteral("read 0 0 255 1");
        QTest::newRow("VN9385 below 0xB500 asks the service")
            << "VN9385-5555" << Registers{{0, 255, 0xB4FF}, {100, 8, 4711}}
            << QStringList{"Firmware : Version B4 FF", "Station-ID : 77"} << QStringList{"ReadStationIdEx"}
            << QStringList{fw};
        QTest::newRow("VN9385 from 0xB500 reads table 100")
            << "VN9385-5555" << Registers{{0, 255, 0xB500}, {100, 8, 4711}}
            << QStringList{"Firmware : Version B5 00", "Station-ID : 4711"} << QStringList{}
            << QStringList{fw, "read 0 100 0 255"};
        QTest::newRow("VN9335 at 0xB3FF asks the service")
            << "VN9335-5555" << Registers{{0, 255, 0xB3FF}} << QStringList{"Firmware : Version B3 FF", "Station-ID : 77"}
            << QStringList{"ReadStationIdEx"} << QStringList{fw};
        QTest::newRow("VN9335 at 0xB400 reads table 100")
            << "VN9335-5555" << Registers{{0, 255, 0xB400}, {100, 8, 12}}
            << QStringList{"Firmware : Version B4 00", "Station-ID : 12"} << QStringList{}
            << QStringList{fw, "read 0 100 0 255"};
        QTest::newRow("VN9395 at 0xB000 reads table 100")
            << "VN9395-5555" << Registers{{0, 255, 0xB000}, {100, 8, 3}}
            << QStringList{"Firmware : Version B0 00", "Station-ID : 3"} << QStringList{}
            << QStringList{fw, "read 0 100 0 255"};
        QTest::newRow("VJ93 of another type asks the service")
            << "VJ9355-5555" << Registers{{0, 255, 0xFFFF}} << QStringList{"Firmware : Version FF FF", "Station-ID : 77"}
            << QStringList{"ReadStationIdEx"} << QStringList{fw};
        QTest::newRow("VN6895 gets the firmware only")
            << "VN6895-5555" << Registers{{0, 255, 0x0107}} << QStringList{"Firmware : Version 01 07"} << QStringList{}
            << QStringList{fw};
        QTest::newRow("VR6895 gets the firmware only")
            << "VR6895-5555" << Registers{{0, 255, 0x0107}} << QStringList{"Firmware : Version 01 07"} << QStringList{}
            << QStringList{fw};
        QTest::newRow("VN65 asks ReadStationId")
            << "VN6555-5555" << Registers{{0, 255, 0x0107}} << QStringList{"Firmware : Version 01 07", "Station-ID : 77"}
            << QStringList{"ReadStationId"} << QStringList{fw};
        QTest::newRow("VN75 asks ReadStationId")
            << "VN7555-5555" << Registers{} << QStringList{"Firmware : Version 00 00", "Station-ID : 77"}
            << QStringList{"ReadStationId"} << QStringList{fw};
        QTest::newRow("VN98 gets the firmware only")
            << "VN9855-5555" << Registers{{0, 255, 0x0201}} << QStringList{"Firmware : Version 02 01"} << QStringList{}
            << QStringList{fw};
        QTest::newRow("VR4555 address from table 0")
            << "VR4555-5555" << Registers{{0, 255, 0x0107}, {0, 33, 0xA8C0}, {0, 34, 0x0501}}
            << QStringList{"Firmware : Version 01 07", "IP-Address: 192.168.1.5"} << QStringList{}
            << QStringList{fw, "read 0 0 33 1", "read 0 0 34 1"};
        QTest::newRow("VR4835 address from table 120")
            << "VR4835-5555" << Registers{{120, 2, 0x000A}, {120, 3, 0x0A00}}
            << QStringList{"Firmware : Version 00 00", "IP-Address: 10.0.0.10"} << QStringList{}
            << QStringList{fw, "read 0 120 2 1", "read 0 120 3 1"};
        QTest::newRow("VN4859 address from table 121")
            << "VN4859-5555" << Registers{{121, 2, 0x01AC}, {121, 3, 0xFE10}}
            << QStringList{"Firmware : Version 00 00", "IP-Address: 172.1.16.254"} << QStringList{}
            << QStringList{fw, "read 0 121 2 1", "read 0 121 3 1"};
        QTest::newRow("VZ45 address from table 120 in the station-id step")
            << "VZ4555-5555" << Registers{{120, 2, 0x0A0A}, {120, 3, 0x0101}}
            << QStringList{"Firmware : Version 00 00", "IP-Address: 10.10.1.1"} << QStringList{}
            << QStringList{fw, "read 0 120 2 1", "read 0 120 3 1"};
        QTest::newRow("a name on no list gets the firmware only")
            << "UF3600-5555" << Registers{{0, 255, 0x0300}} << QStringList{"Firmware : Version 03 00"} << QStringList{}
            << QStringList{fw};
    }
    void entriesByCoupler()
    {
        QFETCH(QString, name);
        QFETCH(Registers, registers);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, serviceCalls);
        QFETCH(QStringList, reads);
        for (const QList<int>& r : registers) {
            if (m_channel.table(0, r[0]).isEmpty())
                m_channel.setTable(0, r[0], QVector<int32_t>(256, 0));
            m_channel.setRegister(0, r[0], r[1], r[2]);
        }
        m_service->stationId = 77;
        pugi::xml_document doc;
        QVERIFY(doc.load_string(stationXml(name).toUtf8().constData()));
        ReadDeviceTextInfos(doc.child("Station"));
        QCOMPARE(entries(doc), expected);
        QCOMPARE(m_service->calls, serviceCalls);
        QCOMPARE(m_channel.callLog(), reads);
        QCOMPARE(m_shell->m_LastReadStatus, 0);
    }

    // Entries only for reads that worked: no "Version 00 00" for a firmware word never read.
    void failedReadsAddNoEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("failingTable");
        QTest::addColumn<int>("serviceResult");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("firmware read fails") << "VN6555-5555" << 0 << 0 << QStringList{"Station-ID : 77"};
        QTest::newRow("device service fails") << "VN6555-5555" << -1 << 5 << QStringList{"Firmware : Version 01 07"};
        QTest::newRow("table 100 read fails") << "VN9385-5555" << 100 << 0 << QStringList{"Firmware : Version B5 00"};
        QTest::newRow("address read fails") << "VN4855-5555" << 121 << 0 << QStringList{"Firmware : Version B5 00"};
    }
    void failedReadsAddNoEntry()
    {
        QFETCH(QString, name);
        QFETCH(int, failingTable);
        QFETCH(int, serviceResult);
        QFETCH(QStringList, expected);
        m_channel.setRegister(0, 0, 255, name.startsWith(QLatin1String("VN6555")) ? 0x0107 : 0xB500);
        m_channel.setTable(0, 100, QVector<int32_t>(256, 9));
        m_channel.setTable(0, 121, QVector<int32_t>(256, 9));
        if (failingTable >= 0)
            m_channel.failReads(0, failingTable, ChTimeout);
        m_service->stationId = 77;
        m_service->result = serviceResult;
        m_shell->m_Table100.fill(1234); // an earlier log-in's table must not show through
        pugi::xml_document doc;
        QVERIFY(doc.load_string(stationXml(name).toUtf8().constData()));
        ReadDeviceTextInfos(doc.child("Station"));
        QCOMPARE(entries(doc), expected);
    }

    void withoutTextInfosNothingIsWritten()
    {
        m_channel.setRegister(0, 0, 255, 0x0107);
        pugi::xml_document doc;
        QVERIFY(doc.load_string(stationXml(QStringLiteral("VN6555-5555"), false).toUtf8().constData()));
        ReadDeviceTextInfos(doc.child("Station"));
        QCOMPARE(doc.select_nodes("//TextInfo").size(), size_t(0));
    }

    // The station id is asked over the current channel, whichever it is.
    void stationIdOverTheCurrentChannel()
    {
        struct ChannelSeen : RecordingDeviceService {
            IDeviceChannel* seen = nullptr;
            int32_t ReadStationId(IDeviceChannel* channel, int32_t& id) override
            {
                seen = channel;
                return RecordingDeviceService::ReadStationId(channel, id);
            }
        };
        auto service = std::make_unique<ChannelSeen>();
        ChannelSeen* seen = service.get();
        m_env->context().gObjDevSrv = std::move(service);
        m_env->context().gObjDevCom = std::make_unique<ScriptedChannel>();
        pugi::xml_document doc;
        QVERIFY(doc.load_string(stationXml(QStringLiteral("VN6855-5555")).toUtf8().constData()));
        ReadDeviceTextInfos(doc.child("Station"));
        QCOMPARE(seen->seen, &m_channel);
    }

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ShellContext> m_shell;
    ScriptedChannel m_channel;
    RecordingDeviceService* m_service = nullptr;
};

QTEST_MAIN(tst_TextInfos)
#include "tst_textinfos.moc"
