#include "modStationRead.h"

#include "CouplerIdentification.h"
#include "DescriptionBuild.h"
#include "DeviceFormat.h"
#include "StationReadContext.h"
#include "StationResources.h"
#include "modDeviceBuilder.h"
#include "modTerminalNames.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/FailFastChannel.h"
#include "platform/RegularFile.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>

namespace {

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
    const std::string text = xmlDocumentText(doc);
    (void)writeRegularFile(folder + QStringLiteral("/test2.xml"), QByteArrayView(text.data(), qsizetype(text.size())),
                           FileDurability::Rebuildable);
    if (!QDir().mkpath(folder + QStringLiteral("/Report")))
        return;
    (void)writeRegularFile(folder + QStringLiteral("/Report/Td4kFP.txt"),
                           (firmwareProblemText + QStringLiteral("\r\n")).toUtf8(), FileDurability::Rebuildable);
}

// TM7285, the digital names several layouts share, and the register-based box names
// (a compact box and an extension station give one such name different views).
bool rebuiltAtEveryRead(const QString& name)
{
    return name.left(6) == QLatin1String("TM7285") || isMultiLayoutDigitalName(name)
        || name.startsWith(QLatin1String("UG"));
}

void logRefusedBuild(const QString& name, int32_t pos, const ChannelFailure& refusal)
{
    const QString english = QStringLiteral("The description of %1 at position %2 is not saved: the device refused "
                                           "reading position %3, table %4, register %5 with code %6 (%7).");
    const QString german = QStringLiteral("Die Beschreibung von %1 an Position %2 wird nicht gespeichert: das Gerät "
                                          "hat das Lesen von Position %3, Tabelle %4, Register %5 mit Code %6 (%7) "
                                          "abgelehnt.");
    const auto fill = [&](const QString& pattern, bool en) {
        return pattern.arg(name).arg(pos).arg(refusal.pos).arg(refusal.table).arg(refusal.first).arg(refusal.code)
            .arg(channelResultText(refusal.code, en));
    };
    logStationLine(fill(english, true), fill(german, false));
}

void logRefusedExtension(int32_t pos, int32_t code)
{
    const QString english = QStringLiteral("Position %1: the device refused reading the extension (table 0, register "
                                           "29) with code %2 (%3); the terminal is named with extension 0 and its "
                                           "description is not saved.");
    const QString german = QStringLiteral("Position %1: das Gerät hat das Lesen der Erweiterung (Tabelle 0, Register "
                                          "29) mit Code %2 (%3) abgelehnt; die Klemme wird mit Erweiterung 0 benannt, "
                                          "ihre Beschreibung wird nicht gespeichert.");
    logStationLine(english.arg(pos).arg(code).arg(channelResultText(code, true)),
                   german.arg(pos).arg(code).arg(channelResultText(code, false)));
}

int32_t endedBy(const FailFastChannel& link, StationReadContext& context)
{
    context.readFailure = link.failure();
    return link.failure().code;
}

// The position loop of a station read. Returns 0, or the code that ended the read.
int32_t readStation(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context,
                    FailFastChannel& link, QString& firmwareProblemText)
{
    QString couplerName;
    if (context.readingPosition)
        context.readingPosition(0, -1); // the coupler's identification is the first request
    if (const int32_t rc = fReadCouplerName(&link, couplerName, context); rc != 0)
        return rc; // no station can be named

    // Worked out after the identification, which may have changed T and R246.
    const int32_t selCompID = fSelCompIdFromRegister(context.gRegTable0[245]);
    bool compactBox = false;
    bool extensionStation = false;
    fClassifyCoupler(context.gRegTable0[246], context.gTermTable[0], compactBox, extensionStation);
    const bool boxStation = compactBox || extensionStation;
    const bool urCoupler = couplerName.startsWith(QLatin1String("UR"));

    const int32_t firstTerminal = compactBox ? 2 : 1;
    int32_t lastTerminal = firstTerminal - 1;
    while (lastTerminal < 255 && context.gTermTable[size_t(lastTerminal + 1)] != 0
           && context.gTermTable[size_t(lastTerminal + 1)] != 65535)
        ++lastTerminal;
    const auto reading = [&](int32_t p) {
        if (context.readingPosition)
            context.readingPosition(p, lastTerminal);
    };

    fCreateStationDocument(doc);
    station = doc.child("Station");
    reading(0);
    fAddDeviceToStation(&link, station, couplerName, 0, selCompID, compactBox, urCoupler, context);
    if (link.failed())
        return endedBy(link, context);

    for (int32_t p = firstTerminal; p <= 255; ++p) {
        const int32_t id = context.gTermTable[size_t(p)];
        const int32_t prev = context.gTermTable[size_t(p - 1)];
        // 65535 has bit 15 set but ends the list, as 0 does; it is no 127-channel terminal.
        const bool digital = id != 65535 && decodeTerminalId(id, boxStation).digital;

        if (id != 0 && id != 65535)
            reading(p);
        // Every terminal is judged by its own registers only.
        context.gTermRegs.fill(0);
        QString name;
        bool cacheable = true;
        if (digital) {
            name = fDigitalTerminalName(id, compactBox, extensionStation);
        } else if (id == 0 || id == 65535) {
            if (prev != 7285 && prev != 7558 && !boxStation) {
                bool flag = compactBox;
                fAddDeviceToStation(&link, station, QStringLiteral("TM4585-5555"), p, selCompID, flag, false, context);
            }
            break;
        } else {
            const int32_t rc = readTerminal(&link, context, p, 29);
            if (link.failed())
                return endedBy(link, context);
            if (rc != 0) {
                context.gTermRegs[29] = 0;
                // A terminal without the register is named with extension 0, as it should be;
                // any other refusal gives a name that may not be the terminal's.
                if (!isAbsenceAnswer(rc)) {
                    logRefusedExtension(p, rc);
                    cacheable = false;
                }
            }
            name = fOtherTerminalName(id, context.gTermRegs[29], boxStation);
        }

        const bool firmwareRead = readTerminal(&link, context, p, 8) == 0;
        const bool statusRead = !link.failed() && readTerminal(&link, context, p, 30) == 0;
        if (link.failed())
            return endedBy(link, context);
        // A failed read would judge the terminal by registers it never reported.
        if (firmwareRead && statusRead && !digital && context.gTermRegs[30] == 0 && context.gTermRegs[8] != id) {
            const int32_t locale = stationLocale();
            const QString prefix = locale == 9
                ? QStringLiteral("Firmware problem with the configuration on position ")
                : (locale == 7 ? QStringLiteral("Firmware Probleme mit dieser Konfiguration an der Position ")
                               : QString());
            firmwareProblemText += QStringLiteral("\r\n") + prefix + QString::number(p) + QLatin1Char('!');
        }

        fAddDeviceToStation(&link, station, name, p, selCompID, compactBox, false, context, cacheable);
        if (link.failed())
            return endedBy(link, context);
    }
    return 0;
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
                            int32_t selCompID, bool& compactBox, bool urCoupler, StationReadContext& context,
                            bool cacheable)
{
    const QString path = fDeviceDescriptionPath(name);
    const bool rebuild = rebuiltAtEveryRead(name);
    if (rebuild)
        QFile::remove(path);

    pugi::xml_document loaded;
    const pugi::xml_document* doc = &loaded;
    BuiltDescription built;
    const auto held = context.heldDescriptions.find(name);
    if (!rebuild && held != context.heldDescriptions.end()) {
        doc = held->second.get(); // built earlier in this read, saved at its end
    } else if (rebuild || !fLoadDeviceDescription(path, loaded)) {
        built = fCreateDeviceDescription(channel, name, pos, compactBox, urCoupler, context);
        doc = &built.doc; // used from memory unless it is held or saved below
        if (built.refusal.code != ChOk)
            logRefusedBuild(name, pos, built.refusal);
        if (context.holdDescriptions) {
            if (!built.readFailed && cacheable) {
                auto copy = std::make_shared<pugi::xml_document>();
                copy->reset(built.doc);
                doc = copy.get();
                context.heldDescriptions[name] = std::move(copy);
            }
        } else if (built.saved) {
            if (fLoadDeviceDescription(path, loaded))
                doc = &loaded;
            else
                logStationLine(
                    QStringLiteral("The device description %1 cannot be loaded; it is used from memory.").arg(path),
                    QStringLiteral("Die Gerätebeschreibung %1 kann nicht geladen werden; sie wird aus dem Speicher "
                                   "verwendet.")
                        .arg(path));
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

int32_t fReadStationFromDevice(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context)
{
    return fReadStationFromDevice(doc, station, context,
                                  AppContext::current() ? AppContext::current()->gObjDevChannel : nullptr);
}

int32_t fReadStationFromDevice(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context,
                               IDeviceChannel* channel)
{
    FailFastChannel link(channel);
    resetStationResources(context);
    context.readFailure = {};
    context.heldDescriptions.clear();
    context.holdDescriptions = true;
    QString firmwareProblemText;
    const int32_t rc = readStation(doc, station, context, link, firmwareProblemText);
    context.holdDescriptions = false;
    if (rc != 0) {
        // Nothing of a failed read is shown or cached.
        context.heldDescriptions.clear();
        doc.reset();
        station = pugi::xml_node();
        return rc;
    }
    for (const auto& [name, held] : context.heldDescriptions)
        (void)fSaveDeviceDescription(*held, name, context); // a failed save is logged once and goes on from memory
    context.heldDescriptions.clear();
    writeDebugFiles(doc, firmwareProblemText, context);
    return 0;
}
