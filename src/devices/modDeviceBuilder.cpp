#include "modDeviceBuilder.h"

#include "DescriptionBuild.h"
#include "DeviceFormat.h"
#include "modCouplerDesc.h"
#include "modDeviceIcon.h"
#include "modTerminalDesc.h"
#include "platform/DeviceChannel.h"
#include "platform/XmlDocument.h"
#include "platform/modRefList.h"

int32_t DescriptionBuild::read(int32_t position, int32_t table, int32_t first, int32_t count,
                               std::span<int32_t> buffer)
{
    int32_t rc = ChNotOpen;
    if (channel)
        rc = channel->VbRegSyncReadReq(position, table, first, count, buffer);
    ctx.gRegResult = rc;
    return rc;
}

bool isAbsenceAnswer(int32_t result)
{
    return result == ChNoSuchTable || result == ChRange;
}

void DescriptionBuild::markFailed(int32_t position, int32_t table, int32_t first, int32_t count, int32_t rc)
{
    readFailed = true;
    if (!isTransportFailure(rc) && refusal.code == ChOk)
        refusal = {rc, ChannelFailure::Read, position, table, first, count, 0};
}

int32_t DescriptionBuild::readRequired(int32_t position, int32_t table, int32_t first, int32_t count,
                                       std::span<int32_t> buffer)
{
    const int32_t rc = read(position, table, first, count, buffer);
    if (rc != 0 && !isAbsenceAnswer(rc))
        markFailed(position, table, first, count, rc);
    return rc;
}

void setXmlAttribute(pugi::xml_node node, const char* name, const QString& value)
{
    pugi::xml_attribute attr = node.attribute(name);
    if (!attr)
        attr = node.append_attribute(name);
    attr.set_value(value.toUtf8().constData());
}

void setXmlText(pugi::xml_node element, const QString& value)
{
    if (!element)
        return;
    element.text().set(value.toUtf8().constData());
}

pugi::xml_node addView(pugi::xml_node parent, const QString& desc1031, const QString& desc1033, const QString& icon,
                       const QString& progId, const QString& userData)
{
    pugi::xml_node view;
    if (!fAddViewNode(parent, view))
        return view;
    setXmlAttribute(view, "Desc1031", desc1031);
    setXmlAttribute(view, "Desc1033", desc1033);
    setXmlAttribute(view, "Icon", icon);
    setXmlAttribute(view, "ProgID", progId);
    setXmlAttribute(view, "UserData", userData);
    return view;
}

pugi::xml_node addTable(pugi::xml_node parent, int32_t number, int32_t length)
{
    pugi::xml_node table;
    if (!fAddTableNode(parent, table))
        return table;
    setXmlAttribute(table, "Number", QString::number(number));
    setXmlAttribute(table, "Length", QString::number(length));
    return table;
}

void fClassifyCoupler(int32_t reg246, int32_t couplerType, bool& compactBox, bool& extensionStation)
{
    extensionStation = reg246 == 1056;
    const int32_t family = reg246 & 0xFF;
    compactBox = !extensionStation && (family == 2 || family == 32) && couplerType != 6855;
}

BuiltDescription fCreateDeviceDescription(IDeviceChannel* channel, const QString& name, int32_t pos, bool& compactBox,
                                          bool urCoupler, StationReadContext& context)
{
    BuiltDescription result;
    loadXmlText(result.doc, kDeviceTemplate);

    DescriptionBuild build(context, channel);
    build.name = name;
    build.pos = pos;
    build.urCoupler = urCoupler;
    build.device = result.doc.child("Device");
    build.views = build.device.child("CfgTool").child("Views");
    build.tables = build.device.child("Tables");

    const QString nameCompID2 = fGetNameCompID2(name);
    const QString nameCompID3 = fGetNameCompID3(name);
    setXmlAttribute(build.device, "Name", name);
    const QString head = name.left(6);
    setXmlAttribute(build.device, "Icon", fGetDeviceIcon(name));
    setXmlText(build.device.child("NameCompID1"), name);
    setXmlText(build.device.child("NameCompID2"), nameCompID2);
    setXmlText(build.device.child("NameCompID3"), nameCompID3);
    setXmlText(build.device.child("Desc1031"), head);
    setXmlText(build.device.child("Desc1033"), head);

    // Worked out for every call, terminals included: the terminal sections read both flags.
    fClassifyCoupler(context.gRegTable0[246], context.gTermTable[0], build.compactBox, build.extensionStation);
    compactBox = build.compactBox;

    if (pos != 0)
        fBuildTerminalDescription(build);
    else
        fBuildCouplerDescription(build);

    result.readFailed = build.readFailed;
    result.refusal = build.refusal;
    // During a station read the caller holds the description until the whole read succeeded.
    if (!result.readFailed && !context.holdDescriptions)
        result.saved = fSaveDeviceDescription(result.doc, name, context);
    return result;
}
