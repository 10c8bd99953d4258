// The process-image mapping: the layout of one image, what the server writes
// into the station, and fCalculateMapping's hand-back of the station.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "devices/MappingServer.h"
#include "shell/ShellContext.h"
#include "shell/modTextInfos.h"

#include <QtTest>
#include <sstream>

namespace {

using Terminals = QVector<MappingTerminal>;

MappingTerminal digital(int pos, int in, int out) { return {pos, true, in, out, 0}; }
MappingTerminal registerBased(int pos, int channels) { return {pos, false, 0, 0, channels}; }

QStringList describe(const MappingImage& image)
{
    QStringList out;
    for (const MappingEntry& e : image.entries)
        out << QStringLiteral("%1:%2/%3:%4/%5").arg(e.pos).arg(e.inOffset).arg(e.inBits).arg(e.outOffset).arg(e.outBits);
    return out;
}

// Coupler, a 4-input digital terminal, a two-channel analog terminal, a 2-output
// digital terminal and the end terminal.
const char* const kStation = R"(<?xml version="1.0" ?><Station Name="Station X" Pos="0"><Devices>
<Device Name="VN6555-5555" Pos="0" Icon="2"><Tables><Table Number="0" Length="256"/></Tables></Device>
<Device Name="TM8xx4-5555" Pos="1" Icon="5"><Tables></Tables></Device>
<Device Name="TM6555-5555" Pos="2" Icon="7"><Tables><Table Number="0" Length="65"/><Table Number="1" Length="65"/></Tables></Device>
<Device Name="TM3xx2-5555" Pos="3" Icon="6"><Tables></Tables></Device>
<Device Name="TM4585-5555" Pos="4" Icon="9"><Tables></Tables></Device>
</Devices></Station>)";

QString text(const pugi::xml_node& node)
{
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return QString::fromStdString(out.str());
}

} // namespace

class tst_Mapping : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_channel = ScriptedChannel();
        m_channel.setTable(0, 0, QVector<int32_t>(256, 0));
        QVector<int32_t> terminalList(256, 0);
        terminalList[0] = 6555;
        terminalList[1] = 0x8401; // digital, width 4, inputs
        terminalList[2] = 6555;   // register-based
        terminalList[3] = 0x8202; // digital, width 2, outputs
        m_channel.setTable(0, 9, terminalList);
        QVERIFY(m_doc.load_string(kStation));
    }

    void layoutOfOneImage_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<Terminals>("terminals");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("inputBytes");
        QTest::addColumn<int>("outputBytes");
        QTest::newRow("data words back to back")
            << 0x01 << Terminals{registerBased(1, 1), registerBased(2, 2)}
            << QStringList{"1:0/16:0/16", "2:16/32:16/32"} << 6 << 6;
        QTest::newRow("status byte per channel")
            << 0x05 << Terminals{registerBased(1, 1), registerBased(2, 2)}
            << QStringList{"1:0/24:0/24", "2:24/48:24/48"} << 9 << 9;
        QTest::newRow("word alignment pads odd sizes")
            << 0x25 << Terminals{registerBased(1, 1), registerBased(2, 2)}
            << QStringList{"1:0/24:0/24", "2:32/48:32/48"} << 10 << 10;
        QTest::newRow("digital bits follow the register data")
            << 0x01 << Terminals{digital(1, 8, 0), registerBased(2, 1), digital(3, 0, 4)}
            << QStringList{"1:16/8:16/0", "2:0/16:0/16", "3:24/0:16/4"} << 3 << 3;
        QTest::newRow("digital only, packed")
            << 0x01 << Terminals{digital(1, 2, 0), digital(2, 2, 2)} << QStringList{"1:0/2:0/0", "2:2/2:0/2"} << 1 << 1;
        QTest::newRow("terminals without data take no room")
            << 0x01 << Terminals{registerBased(1, 0), digital(2, 0, 0), digital(3, 1, 0)} << QStringList{"3:0/1:0/0"}
            << 1 << 0;
        QTest::newRow("empty station") << 0x01 << Terminals{} << QStringList{} << 0 << 0;
    }
    void layoutOfOneImage()
    {
        QFETCH(int, setting);
        QFETCH(Terminals, terminals);
        QFETCH(QStringList, entries);
        QFETCH(int, inputBytes);
        QFETCH(int, outputBytes);
        const MappingImage image = fLayoutProcessImage(1, setting, terminals);
        QCOMPARE(describe(image), entries);
        QCOMPARE(image.inputBytes, inputBytes);
        QCOMPARE(image.outputBytes, outputBytes);
    }

    // Images 1 (word alignment) and 3 (status bytes) active, 2 and 4 not.
    void serverWritesTheMappingIntoTheStation()
    {
        m_channel.setRegister(0, 0, 3, 0x21);
        m_channel.setRegister(0, 0, 4, 0x04);
        m_channel.setRegister(0, 0, 5, 0x05);
        m_channel.setRegister(0, 0, 6, 0x00);
        pugi::xml_node station = m_doc.child("Station");
        const pugi::xml_node before = station;
        MappingServer server;
        QCOMPARE(server.CalculateMapping(station, &m_channel), 0);
        QCOMPARE(station, before);
        QCOMPARE(m_channel.callLog(), (QStringList{"read 0 0 3 4", "read 0 9 0 255"}));
        QCOMPARE(text(station.child("Mapping")),
                 QString::fromLatin1("<Mapping><Image Number=\"1\" Setting=\"33\" InputBytes=\"5\" OutputBytes=\"5\"/>"
                             "<Image Number=\"3\" Setting=\"5\" InputBytes=\"7\" OutputBytes=\"7\"/></Mapping>"));
        QCOMPARE(station.last_child(), station.child("Mapping"));
        auto deviceMapping = [&](int pos) {
            return text(station.select_node(QStringLiteral("Devices/Device[@Pos='%1']/Mapping").arg(pos).toUtf8().constData()).node());
        };
        QCOMPARE(deviceMapping(1),
                 QString::fromLatin1("<Mapping><Image Number=\"1\" InputBitOffset=\"32\" InputBits=\"4\" OutputBitOffset=\"32\" OutputBits=\"0\"/>"
                             "<Image Number=\"3\" InputBitOffset=\"48\" InputBits=\"4\" OutputBitOffset=\"48\" OutputBits=\"0\"/></Mapping>"));
        QCOMPARE(deviceMapping(2),
                 QString::fromLatin1("<Mapping><Image Number=\"1\" InputBitOffset=\"0\" InputBits=\"32\" OutputBitOffset=\"0\" OutputBits=\"32\"/>"
                             "<Image Number=\"3\" InputBitOffset=\"0\" InputBits=\"48\" OutputBitOffset=\"0\" OutputBits=\"48\"/></Mapping>"));
        QCOMPARE(deviceMapping(3),
                 QString::fromLatin1("<Mapping><Image Number=\"1\" InputBitOffset=\"36\" InputBits=\"0\" OutputBitOffset=\"32\" OutputBits=\"2\"/>"
                             "<Image Number=\"3\" InputBitOffset=\"52\" InputBits=\"0\" OutputBitOffset=\"48\" OutputBits=\"2\"/></Mapping>"));
        QCOMPARE(deviceMapping(4), QString::fromLatin1("<Mapping/>"));
        QVERIFY(!station.select_node("Devices/Device[@Pos='0']/Mapping"));
    }

    void secondRunReplacesTheMapping()
    {
        m_channel.setRegister(0, 0, 3, 0x01);
        pugi::xml_node station = m_doc.child("Station");
        MappingServer server;
        QCOMPARE(server.CalculateMapping(station, &m_channel), 0);
        m_channel.setRegister(0, 0, 3, 0x00);
        m_channel.setRegister(0, 0, 4, 0x01);
        QCOMPARE(server.CalculateMapping(station, &m_channel), 0);
        QCOMPARE(station.select_nodes("Mapping").size(), size_t(1));
        QCOMPARE(station.select_nodes("Devices/Device[@Pos='2']/Mapping").size(), size_t(1));
        QCOMPARE(text(station.child("Mapping")),
                 QString::fromLatin1("<Mapping><Image Number=\"2\" Setting=\"1\" InputBytes=\"5\" OutputBytes=\"5\"/></Mapping>"));
    }

    void failedReadLeavesStationUnchanged_data()
    {
        QTest::addColumn<int>("table");
        QTest::newRow("image settings") << 0;
        QTest::newRow("terminal list") << 9;
    }
    void failedReadLeavesStationUnchanged()
    {
        QFETCH(int, table);
        m_channel.setRegister(0, 0, 3, 0x01);
        m_channel.failReads(0, table, ChTimeout);
        pugi::xml_node station = m_doc.child("Station");
        const QString before = text(station);
        MappingServer server;
        QCOMPARE(server.CalculateMapping(station, &m_channel), int(ChTimeout));
        QCOMPARE(text(station), before);
        QCOMPARE(server.CalculateMapping(station, nullptr), int(ChBadArgument));
    }

    // fCalculateMapping: the station handed back is the one used from then on; a failure keeps the old.
    void calculateMappingKeepsOrReplacesStationNode()
    {
        TestEnv env;
        ShellContext shell;
        ShellContext::setCurrent(&shell);
        env.context().gObjDevChannel = &m_channel;
        m_channel.setRegister(0, 0, 3, 0x01);
        shell.gStationNode = m_doc.child("Station");
        fCalculateMapping();
        QCOMPARE(shell.gStationNode, m_doc.child("Station"));
        QVERIFY(shell.gStationNode.child("Mapping"));

        m_channel.failReads(0, 0, ChTimeout);
        m_channel.setRegister(0, 0, 3, 0x00);
        fCalculateMapping();
        QCOMPARE(shell.gStationNode, m_doc.child("Station"));
        QCOMPARE(shell.gStationNode.child("Mapping").select_nodes("Image").size(), size_t(1));

        shell.gStationNode = pugi::xml_node();
        fCalculateMapping(); // nothing read at log-out
        QVERIFY(!shell.gStationNode);
        ShellContext::setCurrent(nullptr);
    }

private:
    ScriptedChannel m_channel;
    pugi::xml_document m_doc;
};

QTEST_MAIN(tst_Mapping)
#include "tst_mapping.moc"
