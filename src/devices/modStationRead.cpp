#include "modStationRead.h"

#include "CouplerIdentification.h"
#include "DeviceFormat.h"
#include "StationReadContext.h"
#include "modDeviceBuilder.h"
#include "modTerminalNames.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/RegularFile.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>

namespace {

int32_t currentLocale()
{
    int32_t primary = 0;
    int32_t sub = 0;
    AppContext* context = AppContext::current();
    if (context && context->gObjLocale)
        context->gObjLocale->GetLocale(primary, sub);
    return primary;
}

void logLine(const QString& english, const QString& german)
{
    AppContext* context = AppContext::current();
    if (!context || !context->gLogBox)
        return;
    const int32_t locale = currentLocale();
    const QString text = locale == 9 ? english : (locale == 7 ? german : QString());
    AppendLogText(context->gLogBox, text + QStringLiteral("\r\n"));
}

int32_t readTerminal(IDeviceChannel* channel, StationReadContext& context, int32_t pos, int32_t first)
{
    int32_t rc = ChNotOpen;
    if (channel)
        rc = channel->VbRegSyncReadReq(pos, 0, first, 2, std::span<int32_t>(&context.gTermRegs[size_t(first)], 2));
    context.gRegResult = rc;
    return rc;
}

void writeDebugFiles(const pugi::xml_document& doc, const QString& firmwareProblemText,
                     const StationReadContext& context)
{
    // Failures of these copies are ignored on purpose: they are for diagnosis only.
    const QString folder = fDebugOutputFolder(context);
    (void)saveXmlDocument(doc, folder + QStringLiteral("/test2.xml"));
    if (!QDir().mkpath(folder + QStringLiteral("/Report")))
        return;
    (void)writeRegularFile(folder + QStringLiteral("/Report/Td4kFP.txt"),
                           (firmwareProblemText + QStringLiteral("\r\n")).toUtf8());
}

} // namespace

QString fDebugOutputFolder(const StationReadContext& context)
{
    if (!context.debugFolder.isEmpty())
        return context.debugFolder;
    const QString programFolder = AppContext::programFolder();
    if (QFileInfo(programFolder).isWritable())
        return programFolder;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(userFolder);
    return userFolder;
}

int32_t fSelCompIdFromRegister(int32_t reg245)
{
    switch (reg245) {
    case 32: return 1;
    case 64: return 2;
    case 128: return 3;
    default: return 0;
    }
}

int32_t fDeleteDeviceFiles()
{
    QDir folder(fDeviceDescriptionFolder());
    const QStringList files = folder.entryList({QStringLiteral("*.xml")}, QDir::Files);
    for (const QString& file : files)
        (void)folder.remove(file); // a file that cannot go is rebuilt over later anyway
    return 0;
}

int32_t fAddDeviceToStation(IDeviceChannel* channel, pugi::xml_node station, const QString& name, int32_t pos,
                            int32_t selCompID, bool& compactBox, bool urCoupler, StationReadContext& context)
{
    const QString path = fDeviceDescriptionPath(name);
    // TM7285 descriptions and the digital names that stand for several channel
    // layouts are rebuilt at every read.
    if (name.left(6) == QLatin1String("TM7285") || isMultiLayoutDigitalName(name))
        QFile::remove(path);

    pugi::xml_document loaded;
    pugi::xml_document* doc = &loaded;
    BuiltDescription built;
    if (!fLoadDeviceDescription(path, loaded)) {
        built = fCreateDeviceDescription(channel, name, pos, compactBox, urCoupler, context);
        if (!built.saved) {
            doc = &built.doc; // not cached: used from memory for this station
        } else if (!fLoadDeviceDescription(path, loaded)) {
            logLine(QStringLiteral("The device description %1 cannot be loaded; it is used from memory.").arg(path),
                    QStringLiteral("Die Gerätebeschreibung %1 kann nicht geladen werden; sie wird aus dem Speicher "
                                   "verwendet.")
                        .arg(path));
            doc = &built.doc;
        }
    }

    pugi::xml_node device = doc->child("Device");
    pugi::xml_node devices = station.child("Devices");
    if (!device || !devices)
        return 0;
    pugi::xml_node copy = devices.append_copy(device);
    pugi::xml_attribute posAttr = copy.attribute("Pos");
    if (!posAttr)
        posAttr = copy.append_attribute("Pos");
    posAttr.set_value(std::to_string(pos).c_str());
    pugi::xml_node sel = copy.child("SelCompID");
    if (!sel)
        sel = copy.append_child("SelCompID");
    sel.text().set(std::to_string(selCompID).c_str());
    return 0;
}

void fReadStationFromDevice(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context)
{
    IDeviceChannel* channel = AppContext::current() ? AppContext::current()->gObjDevChannel : nullptr;
    QString couplerName;
    fReadCouplerName(channel, couplerName, context);

    // Worked out after the identification, which may have changed T and R246.
    const int32_t selCompID = fSelCompIdFromRegister(context.gRegTable0[245]);
    bool compactBox = false;
    bool extensionStation = false;
    fClassifyCoupler(context.gRegTable0[246], context.gTermTable[0], compactBox, extensionStation);
    const bool boxStation = compactBox || extensionStation;
    const bool urCoupler = couplerName.startsWith(QLatin1String("UR"));

    fCreateStationDocument(doc);
    station = doc.child("Station");
    fAddDeviceToStation(channel, station, couplerName, 0, selCompID, compactBox, urCoupler, context);

    QString firmwareProblemText;
    for (int32_t p = compactBox ? 2 : 1; p <= 255; ++p) {
        const int32_t id = context.gTermTable[size_t(p)];
        const int32_t prev = context.gTermTable[size_t(p - 1)];
        // 65535 has bit 15 set but ends the list, as 0 does; it is no 127-channel terminal.
        const bool digital = id != 65535 && decodeTerminalId(id, boxStation).digital;

        // Every terminal is judged by its own registers only.
        context.gTermRegs.fill(0);
        QString name;
        if (digital) {
            name = fDigitalTerminalName(id, compactBox, extensionStation);
        } else if (id == 0 || id == 65535) {
            if (prev != 7285 && prev != 7558 && !boxStation) {
                bool flag = compactBox;
                fAddDeviceToStation(channel, station, QStringLiteral("TM4585-5555"), p, selCompID, flag, false,
                                    context);
            }
            break;
        } else {
            if (readTerminal(channel, context, p, 29) != 0)
                context.gTermRegs[29] = 0;
            name = fOtherTerminalName(id, context.gTermRegs[29], boxStation);
        }

        const bool firmwareRead = readTerminal(channel, context, p, 8) == 0;
        const bool statusRead = readTerminal(channel, context, p, 30) == 0;
        // A failed read would judge the terminal by registers it never reported.
        if (firmwareRead && statusRead && !digital && context.gTermRegs[30] == 0 && context.gTermRegs[8] != id) {
            const int32_t locale = currentLocale();
            const QString prefix = locale == 9
                ? QStringLiteral("Firmware problem with the configuration on position ")
                : (locale == 7 ? QStringLiteral("Firmware Probleme mit dieser Konfiguration an der Position ")
                               : QString());
            firmwareProblemText += QStringLiteral("\r\n") + prefix + QString::number(p) + QLatin1Char('!');
        }

        fAddDeviceToStation(channel, station, name, p, selCompID, compactBox, false, context);
    }

    writeDebugFiles(doc, firmwareProblemText, context);
}
