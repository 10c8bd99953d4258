// The coupler's text infos read from the virtual coupler through the serial
// channel and the device service.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "platform/ProtocolDeviceService.h"
#include "platform/SerialChannel.h"
#include "shell/ShellContext.h"
#include "shell/modTextInfos.h"

#include <QFile>
#include <QtTest>

namespace {

QString stationFile(int firmware, const QString& extraTable0)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<VirtualStation>
  <Coupler name="VX0000-0000" stationId="77">
    <Table number="0" length="256">
      <Regs at="255">%1</Regs>%2
    </Table>
    <Table number="9" length="256"><Regs at="0">9385</Regs></Table>
    <Table number="100" length="256"><Regs at="8">4711</Regs></Table>
  </Coupler>
</VirtualStation>
)")
        .arg(firmware)
        .arg(extraTable0);
}

QString stationDocument(const QString& couplerName)
{
    return QStringLiteral("<?xml version=\"1.0\" ?><Station Name=\"Station X\" Pos=\"0\"><Comment><CompanyId>0"
                          "</CompanyId></Comment><Devices><Device Name=\"%1\" Pos=\"0\" Icon=\"2\"><CfgTool><TextInfos>"
                          "</TextInfos><Views></Views></CfgTool></Device></Devices></Station>")
        .arg(couplerName);
}

} // namespace

class tst_TextInfosVCoupler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entriesFromTheCoupler_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("firmware");
        QTest::addColumn<QString>("extraTable0");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("idRequest"); // the trace line that fetched the id, "" for none
        QTest::newRow("VN9385 at 0xB4FF: id from the device service")
            << "VN9385-5555" << 0xB4FF << "" << QStringList{"Firmware : Version B4 FF", "Station-ID : 77"}
            << "service stationidex = 0";
        QTest::newRow("VN9385 at 0xB500: id from table 100")
            << "VN9385-5555" << 0xB500 << "" << QStringList{"Firmware : Version B5 00", "Station-ID : 4711"}
            << "read 0 100 0 255 = 0";
        QTest::newRow("VN6895: firmware only") << "VN6895-5555" << 0x0107 << "" << QStringList{"Firmware : Version 01 07"}
                                               << "";
        QTest::newRow("VR4555: address from table 0")
            << "VR4555-5555" << 0x0107 << "\n      <Regs at=\"33\">43200 1281</Regs>"
            << QStringList{"Firmware : Version 01 07", "IP-Address: 192.168.1.5"} << "";
    }
    void entriesFromTheCoupler()
    {
        QFETCH(QString, name);
        QFETCH(int, firmware);
        QFETCH(QString, extraTable0);
        QFETCH(QStringList, expected);
        QFETCH(QString, idRequest);

        TestEnv env;
        ShellContext shell;
        ShellContext::setCurrent(&shell);
        const QString path = env.tempPath() + QStringLiteral("/station.xml");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stationFile(firmware, extraTable0).toUtf8());
        file.close();
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(path), qPrintable(coupler.output()));
        SerialChannel channel;
        auto* param = dynamic_cast<ISerialChannelParam*>(channel.GetDeviceParamObj());
        QVERIFY(param);
        param->SetPort(coupler.comNumber());
        param->SetTimeout(1000);
        QCOMPARE(channel.PortOpen(), 0);
        env.context().gObjDevChannel = &channel;
        env.context().gObjDevSrv = std::make_unique<DeviceService>();

        pugi::xml_document doc;
        QVERIFY(doc.load_string(stationDocument(name).toUtf8().constData()));
        ReadDeviceTextInfos(doc.child("Station"));
        QStringList entries;
        for (const pugi::xpath_node& hit : doc.select_nodes("//TextInfos/TextInfo"))
            entries << QString::fromUtf8(hit.node().text().get());
        QCOMPARE(entries, expected);

        const QStringList requests = coupler.requests();
        QVERIFY2(requests.contains(QStringLiteral("read 0 0 255 1 = 0")), qPrintable(requests.join(QLatin1Char('\n'))));
        const bool askedService = !requests.filter(QStringLiteral("service stationid")).isEmpty();
        QCOMPARE(askedService, idRequest.startsWith(QLatin1String("service")));
        if (!idRequest.isEmpty())
            QVERIFY2(requests.contains(idRequest), qPrintable(requests.join(QLatin1Char('\n'))));
        channel.PortClose();
        env.context().gObjDevChannel = nullptr;
        ShellContext::setCurrent(nullptr);
    }
};

QTEST_MAIN(tst_TextInfosVCoupler)
#include "tst_textinfos_vcoupler.moc"
