#pragma once
// Small station documents for the tree and dispatch tests.
#include <QtTest>
#include <memory>
#include <pugixml.hpp>

// A coupler with reports, settings and tables containers and a sub-device, a
// digital terminal shown by its second name, a device with a broken Pos (no node),
// and an analog terminal.
inline const char* const kFixtureStation = R"(<?xml version="1.0" ?>
<Station Name="Station X" Pos="0"><Comment><CompanyId>0</CompanyId></Comment><Devices>
<Device Name="VR4555-5555" Pos="0" Icon="3">
 <NameCompID1>VR4555-5555</NameCompID1><NameCompID2>QV4555-5555</NameCompID2><NameCompID3>Unknown</NameCompID3>
 <SelCompID>0</SelCompID><Desc1031>Buskoppler Ethernet</Desc1031><Desc1033>Bus coupler Ethernet</Desc1033>
 <CfgTool><TextInfos></TextInfos><Picture></Picture><PictureType></PictureType><Views>
  <View Desc1031="Reports" Desc1033="Reports" Icon="57" ProgID="" UserData="">
   <View Desc1031="Mapping" Desc1033="Mapping" Icon="48" ProgID="RepDevSvr.RepGlobDevMappingView" UserData="0" />
   <View Desc1031="Entwickler: Tools" Desc1033="" Icon="" ProgID="TD4VTermHw.AdminTool" UserData="0" />
  </View>
  <View Desc1031="Einstellungen" Desc1033="Settings" Icon="36" ProgID="" UserData="">
   <View Desc1031="Allgemein: Einstellungen" Desc1033="Common: Settings" Icon="36" ProgID="CommonSetting" UserData="0" />
   <View Desc1031="Allgemein: Lokales User-Mapping" Desc1033="Common: Local user-mapping" Icon="36" ProgID="CommonLocalUserSetting" UserData="" />
  </View>
  <View Desc1031="Tabellen" Desc1033="Tables" Icon="43" ProgID="" UserData="">
   <View Desc1031="Tabelle 2" Desc1033="Table 2" Icon="43" ProgID="TableView" UserData="2" />
   <View Desc1031="Tabelle 9" Desc1033="Table 9" Icon="43" ProgID="TD4VCommon.Table" UserData="9" />
  </View>
 </Views></CfgTool>
 <Tables><Table Number="2" Length="4" /><Table Number="9" Length="4" /></Tables>
 <SubDevice><Device Name="" Pos="1" Icon="20">
  <NameCompID1></NameCompID1><NameCompID2 /><NameCompID3 /><SelCompID>0</SelCompID>
  <Desc1031>Signal-Kanäle</Desc1031><Desc1033>Signal channels</Desc1033>
  <CfgTool><Picture></Picture><PictureType></PictureType><Views>
   <View Desc1031="Kanal (in) 1" Desc1033="Channel (in) 1" Icon="40" ProgID="" UserData="">
    <View Desc1031="Register" Desc1033="Register" Icon="43" ProgID="TableView" UserData="0" />
   </View>
  </Views></CfgTool><Tables><Table Number="0" Length="65" /></Tables>
 </Device></SubDevice>
</Device>
<Device Name="TM8xx4-5555" Pos="1" Icon="5">
 <NameCompID1>TM8xx4-5555</NameCompID1><NameCompID2>QN85x4-5555</NameCompID2><NameCompID3>Unknown</NameCompID3>
 <SelCompID>1</SelCompID><Desc1031>2 Kanal dig. Eingang</Desc1031><Desc1033>2 channel dig. input</Desc1033>
 <CfgTool><TextInfos></TextInfos><Picture></Picture><PictureType></PictureType><Views>
  <View Desc1031="Eingangskanal 1" Desc1033="Input Channel 1" Icon="41" ProgID="IoModSvr.IoChView" UserData="0" />
  <View Desc1031="Eingangskanal 2" Desc1033="Input Channel 2" Icon="41" ProgID="IoModSvr.IoChView" UserData="1" />
 </Views></CfgTool><Tables></Tables>
</Device>
<Device Name="TM9999-5555" Pos="x" Icon="4">
 <NameCompID1>TM9999-5555</NameCompID1><NameCompID2>Unknown</NameCompID2><NameCompID3>Unknown</NameCompID3>
 <SelCompID>0</SelCompID><Desc1031>Kaputt</Desc1031><Desc1033>Broken</Desc1033>
 <CfgTool><Views><View Desc1031="Nie" Desc1033="Never" Icon="43" ProgID="TableView" UserData="0" /></Views></CfgTool>
</Device>
<Device Name="TM6555-5555" Pos="03" Icon="7">
 <NameCompID1>TM6555-5555</NameCompID1><NameCompID2>QU65-5555</NameCompID2><NameCompID3>XY6555</NameCompID3>
 <SelCompID>3</SelCompID><Desc1031>2 Kanal Analog Eingang</Desc1031><Desc1033>2 channel analog input</Desc1033>
 <CfgTool><TextInfos></TextInfos><Picture></Picture><PictureType></PictureType><Views>
  <View Desc1031="Kanal 1" Desc1033="Channel 1" Icon="40" ProgID="" UserData="">
   <View Desc1031="Register" Desc1033="Register" Icon="43" ProgID="TableView" UserData="0" />
  </View>
 </Views></CfgTool><Tables><Table Number="0" Length="65" /></Tables>
</Device>
</Devices></Station>)";

inline std::shared_ptr<pugi::xml_document> loadFixture(const char* text = kFixtureStation)
{
    auto doc = std::make_shared<pugi::xml_document>();
    const pugi::xml_parse_result result = doc->load_string(text);
    if (!result)
        qFatal("fixture does not parse: %s", result.description());
    return doc;
}
