#include "DeviceFormat.h"

#include "StationReadContext.h"
#include "platform/AppContext.h"
#include "platform/RegularFile.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <cerrno>
#include <string>

const char* const kStationTemplateHead =
    "<?xml version=\"1.0\" ?><Station Name=\"Station X\" Pos=\"0\"><Comment><CompanyId>";
const char* const kStationTemplateTail = "</CompanyId></Comment><Devices> </Devices></Station>";

const char* const kDeviceTemplate =
    "<?xml version=\"1.0\" ?><Device Name=\"\" Pos=\"\" Icon=\"\">"
    "<NameCompID1>Unknown</NameCompID1><NameCompID2>Unknown</NameCompID2><NameCompID3>Unknown</NameCompID3>"
    "<SelCompID>0</SelCompID><Desc1031>Unknown Device</Desc1031><Desc1033>Unknown Device</Desc1033>"
    "<CfgTool><TextInfos></TextInfos><Picture></Picture><PictureType></PictureType><Views></Views></CfgTool>"
    "<Tables></Tables></Device>";

const char* const kSubDeviceTemplate =
    "<?xml version=\"1.0\" ?><SubDevice><Device Name=\"\" Pos=\"\" Icon=\"\">"
    "<NameCompID1>Unknown</NameCompID1><NameCompID2 /><NameCompID3 />"
    "<SelCompID>0</SelCompID><Desc1031>Unknown Device</Desc1031><Desc1033>Unknown Device</Desc1033>"
    "<CfgTool><Picture></Picture><PictureType></PictureType><Views></Views></CfgTool>"
    "<Tables></Tables></Device></SubDevice>";

const char* const kViewTemplate =
    "<?xml version=\"1.0\" ?><View Desc1031=\"\" Desc1033=\"\" Icon=\"\" ProgID=\"\" UserData=\"\" />";
const char* const kTableTemplate = "<?xml version=\"1.0\" ?><Table Number=\"0\" Length=\"65\" />";

namespace {

bool appendTemplate(pugi::xml_node parent, const char* text, pugi::xml_node& newNode)
{
    newNode = pugi::xml_node();
    if (!parent)
        return false;
    pugi::xml_document part;
    if (!loadXmlText(part, text))
        return false;
    // Nodes cannot move between documents here: the copy takes the template's place.
    newNode = parent.append_copy(part.document_element());
    return bool(newNode);
}

} // namespace

bool fCreateStationDocument(pugi::xml_document& doc)
{
    const std::string text = std::string(kStationTemplateHead) + std::to_string(gCommon().CompanyID())
                             + kStationTemplateTail;
    loadXmlText(doc, text.c_str());
    return true;
}

bool fAddViewNode(pugi::xml_node parent, pugi::xml_node& newNode)
{
    return appendTemplate(parent, kViewTemplate, newNode);
}

bool fAddTableNode(pugi::xml_node parent, pugi::xml_node& newNode)
{
    return appendTemplate(parent, kTableTemplate, newNode);
}

QString fDeviceDescriptionFolder()
{
    QString folder = gCommon().PathFolderResCommon();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("Devices");
}

QString fDeviceDescriptionPath(const QString& name)
{
    return fDeviceDescriptionFolder() + QLatin1Char('/') + name + QStringLiteral(".xml");
}

bool fLoadDeviceDescription(const QString& path, pugi::xml_document& doc)
{
    if (!loadXmlFile(doc, path))
        return false;
    if (QByteArrayView(doc.document_element().name()) == "Device")
        return true;
    doc.reset();
    return false;
}

bool fSaveDeviceDescription(const pugi::xml_document& doc, const QString& name, StationReadContext& context)
{
    const QString path = fDeviceDescriptionPath(name);
    const std::string text = xmlDocumentText(doc);
    const FileWrite written = QDir().mkpath(fDeviceDescriptionFolder())
        ? writeRegularFile(path, QByteArrayView(text.data(), qsizetype(text.size())), FileDurability::Rebuildable)
        : FileWrite{FileWriteStatus::Failed, errno};
    if (written)
        return true;
    if (context.unsavedDescriptions.contains(path))
        return false;
    context.unsavedDescriptions.insert(path);
    int32_t primary = 0, sub = 0;
    LocaleInfo().GetLocale(primary, sub);
    const QString line = primary == 9
        ? QStringLiteral("The device description %1 cannot be saved (%2); it is used from memory.")
              .arg(path, fileWriteFailureReason(written))
        : QStringLiteral("Die Gerätebeschreibung %1 kann nicht gespeichert werden (%2); sie wird aus dem Speicher verwendet.")
              .arg(path, fileWriteFailureReason(written));
    if (app().gLogBox)
        AppendLogText(app().gLogBox, line + QStringLiteral("\r\n"));
    return false;
}
