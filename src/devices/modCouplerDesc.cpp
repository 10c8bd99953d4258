#include "modCouplerDesc.h"

#include "StationResources.h"
#include "modSettingsClass.h"
#include "modSubDevice.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/LogBox.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <array>

namespace {

void addRow(pugi::xml_node parent, const SettingsViewRow& row)
{
    addView(parent, row.desc1031, row.desc1033, row.icon, row.progId, row.userData);
}

void addStationSettingsViews(DescriptionBuild& build)
{
    const bool supported = build.ctx.gRegTable0[248] == 48847 && build.ctx.gRegTable0[247] == 0;
    if (supported) {
        addView(build.views, QStringLiteral("Stations-Einstellung speichern in Datei..."),
                QStringLiteral("Save station-settings in file..."), QStringLiteral("51"),
                QStringLiteral("OfflineMode.TableSync"), QStringLiteral("1"));
        addView(build.views, QStringLiteral("Stations-Einstellungen aus Datei übertragen..."),
                QStringLiteral("Restore station-settings from file..."), QStringLiteral("50"),
                QStringLiteral("OfflineMode.TableSync"), QStringLiteral("2"));
        return;
    }
    // These lines follow the language menu's German check mark, not the locale helper.
    AppContext* context = AppContext::current();
    if (!context)
        return;
    const bool german = context->common().LanguageType() == 0;
    if (german) {
        AppendLogText(context->gLogBox,
                      QStringLiteral("Stations-Einstellungen speichern bei dieser Kopplergeneration nicht möglich, "
                                     "diese Funktion wird vom Kopplerfirmware nicht unterstützt.\r\n"));
        AppendLogText(context->gLogBox,
                      QStringLiteral("Stations-Einstellungen übertragen bei dieser Kopplergeneration nicht möglich, "
                                     "diese Funktion wird vom Kopplerfirmware nicht unterstützt.\r\n"));
    } else {
        AppendLogText(context->gLogBox,
                      QStringLiteral("Save station-settings: Maybe the feature is not automatically supported by "
                                     "this coupler-firmware.\r\n"));
        AppendLogText(context->gLogBox,
                      QStringLiteral("Restore station-settings: Maybe the feature is not automatically supported by "
                                     "this coupler-firmware.\r\n"));
    }
}

void addReportsContainer(DescriptionBuild& build)
{
    pugi::xml_node reports =
        addView(build.views, QStringLiteral("Reports"), QStringLiteral("Reports"), QStringLiteral("57"), {}, {});
    const QString zero = QStringLiteral("0");
    addView(reports, QStringLiteral("Mapping"), QStringLiteral("Mapping"), QStringLiteral("48"),
            QStringLiteral("RepDevSvr.RepGlobDevMappingView"), zero);
    addView(reports, QStringLiteral("Stückliste"), QStringLiteral("Part list"), QStringLiteral("55"),
            QStringLiteral("RepDevSvr.RepPartsListView"), zero);
    addView(reports, QStringLiteral("Trace view"), QStringLiteral("Trace view"), QStringLiteral("56"),
            QStringLiteral("IoModSvr.TraceView"), zero);
    addView(reports, QStringLiteral("Klemmen: Register Dokumentation"), QStringLiteral("Terminal: Register Documentation"),
            QStringLiteral("4"), QStringLiteral("TD4VTermHw.ExportScript"), zero);
    AppContext* context = AppContext::current();
    if (context && context->gDevMode)
        addView(reports, QStringLiteral("Entwickler: Tools"), QStringLiteral("Developer: Tools"), QString(),
                QStringLiteral("TD4VTermHw.AdminTool"), zero);
}

void addSettingsContainer(DescriptionBuild& build)
{
    bool hasContainer = false;
    const std::vector<SettingsViewRow> rows = fCouplerSettingsViews(
        build.name, build.compactBox, build.ctx.gRegTable0[246], build.ctx.gFirmwareWord, hasContainer);
    if (!hasContainer)
        return;
    pugi::xml_node settings =
        addView(build.views, QStringLiteral("Einstellungen"), QStringLiteral("Settings"), QStringLiteral("36"), {}, {});
    for (const SettingsViewRow& row : rows)
        addRow(settings, row);
}

void addTablesContainer(DescriptionBuild& build)
{
    (void)fDiscoverCouplerTables(build); // a failure has marked the build as not to be cached
    // The captions come from the string table: without it they would be frozen empty.
    if (!stringTableAvailable()) {
        build.readFailed = true;
        reportMissingStringTable(build.ctx);
    }
    pugi::xml_node container =
        addView(build.views, QStringLiteral("Tabellen"), QStringLiteral("Tables"), QStringLiteral("43"), {}, {});
    for (int32_t n = 0; n < 128; ++n) {
        const int32_t length = build.ctx.gTableLength[size_t(n)];
        if (length == 65535 || length < 1)
            continue;
        addTable(build.tables, n, length);
        const QString caption = fCouplerTableCaption(n);
        addView(container, caption, caption, QStringLiteral("43"), QStringLiteral("TableView"), QString::number(n));
    }
}

void addSubDevice(DescriptionBuild& build)
{
    pugi::xml_document subDoc;
    const int32_t moduleId = build.ctx.gTermTable[1];
    pugi::xml_node subDevice = fCreateSubDeviceDescription(build, subDoc, moduleId);
    if (!subDevice)
        return; // only a real sub-device is hung into the description
    pugi::xml_node device = subDevice.child("Device");
    setXmlAttribute(device, "Name", QString());
    setXmlAttribute(device, "Pos", QStringLiteral("1"));
    setXmlAttribute(device, "Icon", QStringLiteral("20"));
    setXmlText(device.child("NameCompID1"), QString());
    setXmlText(device.child("NameCompID2"), QString());
    setXmlText(device.child("Desc1031"), QStringLiteral("Signal-Kanäle"));
    setXmlText(device.child("Desc1033"), QStringLiteral("Signal-Channels"));
    build.device.append_copy(subDevice);
}

} // namespace

QString fCouplerClassKey(const QString& name, bool compactBox)
{
    return compactBox ? name.mid(8, 3) : name.left(6);
}

std::vector<SettingsViewRow> fCouplerSettingsViews(const QString& name, bool compactBox, int32_t reg246,
                                                   int32_t firmwareWord, bool& hasContainer)
{
    std::vector<SettingsViewRow> rows;
    const QString head = name.left(6);
    const QString family = name.left(2);
    const bool isVZ4555 = head == QLatin1String("VZ4555");
    hasContainer = (family != QLatin1String("HQ") && family != QLatin1String("VZ")) || isVZ4555;
    if (!hasContainer)
        return rows;

    const QString zero = QStringLiteral("0");
    if (!isVZ4555) {
        rows.push_back({QStringLiteral("Allgemein: Einstellungen"), QStringLiteral("Common: Settings"),
                        QStringLiteral("36"), QStringLiteral("CommonSetting"), zero});
        rows.push_back({QStringLiteral("Allgemein: Lokales User-Mapping"), QStringLiteral("Common: Local user-mapping"),
                        QStringLiteral("36"), QStringLiteral("CommonLocalUserSetting"), zero});
    }

    const QString key = fCouplerClassKey(name, compactBox);
    QString fieldbusClass = fFieldbusSettingsClass(key);
    if (firmwareWord >= 263 && key == QLatin1String("VZ4555"))
        fieldbusClass = QStringLiteral("TD4VTerm.clsSpecificVZ4555");
    if (!fieldbusClass.isEmpty()) {
        rows.push_back({QStringLiteral("Feldbus: Einstellungen"), QStringLiteral("Fieldbus: Settings"),
                        QStringLiteral("36"), fieldbusClass, QStringLiteral("100")});
    }

    const bool routingHead = head == QLatin1String("VR4555") || head == QLatin1String("VN4555")
        || head == QLatin1String("VR4855") || head == QLatin1String("VN4855");
    const bool head4855 = head == QLatin1String("VR4855") || head == QLatin1String("VN4855");
    if (routingHead && (firmwareWord >= 47616 || (head4855 && firmwareWord >= 45056))) {
        rows.push_back({QStringLiteral("Feldbus: Routingtabelle (QNP)"), QStringLiteral("Fieldbus: Routingtable (QNP)"),
                        QStringLiteral("53"), QStringLiteral("TD4VTerm.clsVR4555Table2"), zero});
        rows.push_back({QStringLiteral("Feldbus: Sicherheitseinstellungen (IP/UDP)"),
                        QStringLiteral("Fieldbus: Security settings (IP/UDP)"), QStringLiteral("49"),
                        QStringLiteral("TD4VTerm.clsSpecificVR4555Table3"), zero});
    }

    // The kind code (high byte of the kind word) equal to 1 marks a bus controller.
    const bool controller = family != QLatin1String("VZ")
        && !(family == QLatin1String("VR") && name.mid(4, 2) == QLatin1String("95")) && (reg246 & 0xFF00) == 0x100;
    if (controller) {
        rows.push_back({QStringLiteral("Controller: Einstellungen"), QStringLiteral("Controller: Settings"),
                        QStringLiteral("36"), QStringLiteral("ControllerSetting"), zero});
        rows.push_back({QStringLiteral("Prozessdaten"), QStringLiteral("Process Data"), QStringLiteral("39"),
                        QStringLiteral("ProcessData"), zero});
    }
    return rows;
}

QString fCouplerTableCaption(int32_t table)
{
    return QString::number(table).rightJustified(3, QLatin1Char('0')) + QStringLiteral(": ")
        + LoadResString(3000 + table);
}

bool fDiscoverCouplerTables(DescriptionBuild& build)
{
    auto& lengths = build.ctx.gTableLength;
    const std::span<int32_t> directory(lengths.data(), 128);
    const int32_t rc = build.read(0, 127, 0, 128, directory);
    if (rc == 0)
        return true;
    std::fill(directory.begin(), directory.end(), 0);
    // Only a coupler that says it has no directory is probed; a failed or refused
    // directory read lists no table rather than guess one from a dead link.
    if (!isAbsenceAnswer(rc)) {
        build.markFailed(0, 127, 0, 128, rc);
        return false;
    }

    // "No such table" is an answer: the table is absent. A dead link stops the probe
    // at once instead of costing one time-out per table.
    for (int32_t n = 0; n < 128; ++n) {
        std::array<int32_t, 1> scratch{0};
        const int32_t probe = build.read(0, n, 0, 1, scratch);
        lengths[size_t(n)] = probe == 0 ? 255 : 0;
        if (probe != 0 && !isAbsenceAnswer(probe))
            build.markFailed(0, n, 0, 1, probe);
        if (isTransportFailure(probe))
            return false;
    }
    return !build.readFailed;
}

void fBuildCouplerDescription(DescriptionBuild& build)
{
    addStationSettingsViews(build);
    addReportsContainer(build);
    addSettingsContainer(build);
    addTablesContainer(build);
    if (build.compactBox)
        addSubDevice(build);
}
