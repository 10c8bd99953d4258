#include "modSubDevice.h"

#include "DeviceFormat.h"
#include "modSettingsClass.h"
#include "modTerminalNames.h"

#include "platform/XmlDocument.h"

#include <array>

namespace {

const QString kIoChView = QStringLiteral("IoModSvr.IoChView");

// Channel node, its Table, the register view, then the settings view when a class applies.
pugi::xml_node addModuleChannel(pugi::xml_node views, pugi::xml_node tables, int c, const ModuleChannelTexts& texts)
{
    const QString userData = QString::number(c);
    pugi::xml_node channel = addView(views, texts.desc1031, texts.desc1033, QStringLiteral("40"), {}, {});
    addTable(tables, c, 65);
    addView(channel, QStringLiteral("Register"), QStringLiteral("Register"), QStringLiteral("43"),
            QStringLiteral("TableView"), userData);
    if (!texts.progId.isEmpty())
        addView(channel, QStringLiteral("Einstellungen"), QStringLiteral("Settings"), QStringLiteral("36"), texts.progId,
                userData);
    return channel;
}

int readChannelCount(DescriptionBuild& build)
{
    std::array<int32_t, 1> word{0};
    if (build.readRequired(1, 0, 11, 1, word) != 0)
        word[0] = 0;
    return (word[0] & 0xFF00) / 256;
}

void buildDigitalModule(DescriptionBuild& build, pugi::xml_node views, int32_t moduleId)
{
    int inputs = 0;
    int outputs = 0;
    if (moduleId == 0x8803) {
        std::array<int32_t, 1> product{0};
        if (build.readRequired(0, 0, 201, 1, product) != 0)
            product[0] = 0;
        const QString head = QString::number(product[0]).left(2);
        if (head == QLatin1String("85")) {
            inputs = 8;
        } else if (head == QLatin1String("35")) {
            outputs = 8;
        } else if (head == QLatin1String("36")) {
            inputs = 4;
            outputs = 4;
        } else if (head == QLatin1String("31")) {
            inputs = 8;
            outputs = 8;
        }
    } else {
        decodeBoxChannelCounts(moduleId, inputs, outputs);
    }
    for (int c = 0; c < inputs; ++c) {
        addView(views, QStringLiteral("Kanal (in) ") + QString::number(c + 1),
                QStringLiteral("Channel (in) ") + QString::number(c + 1), QStringLiteral("40"), kIoChView,
                QString::number(c));
    }
    for (int c = 0; c < outputs; ++c) {
        addView(views, QStringLiteral("Kanal (out) ") + QString::number(c + 1),
                QStringLiteral("Channel (out) ") + QString::number(c + 1), QStringLiteral("40"), kIoChView,
                QString::number(c));
    }
}

void buildMixedModule(DescriptionBuild& build, pugi::xml_node views, pugi::xml_node tables)
{
    const int n = readChannelCount(build);
    const int32_t variant = build.ctx.gRegTable0[203];
    if (variant != 0 && variant != 1)
        return;
    for (int c = 0; c < n; ++c)
        addModuleChannel(views, tables, c, fMixedModuleChannel(variant, c));
}

void buildTypedModule(DescriptionBuild& build, pugi::xml_node views, pugi::xml_node tables)
{
    std::array<int32_t, 11> typeNumbers{};
    for (int c = 0; c < 11; ++c) {
        if (build.readRequired(1, c, 8, 1, std::span<int32_t>(&typeNumbers[size_t(c)], 1)) != 0)
            typeNumbers[size_t(c)] = 0;
        addModuleChannel(views, tables, c, fTypedModuleChannel(typeNumbers[size_t(c)]));
    }
}

void buildGenericModule(DescriptionBuild& build, pugi::xml_node views, pugi::xml_node tables, int32_t moduleId)
{
    const int n = readChannelCount(build);
    const QString progId = fUxSettingsClass(moduleId);
    for (int c = 0; c < n; ++c) {
        ModuleChannelTexts texts{QStringLiteral("Kanal ") + QString::number(c + 1),
                                 QStringLiteral("Channel ") + QString::number(c + 1), progId};
        pugi::xml_node channel = addModuleChannel(views, tables, c, texts);
        addView(channel, QStringLiteral("Prozessdaten"), QStringLiteral("Process Data"), QStringLiteral("39"),
                kIoChView, QString::number(c));
    }
}

} // namespace

ModuleChannelTexts fMixedModuleChannel(int variant, int channel)
{
    const ModuleChannelTexts analogIn20{QStringLiteral("1 Kanal ana. Eingang 20mA"),
                                        QStringLiteral("1 channel ana. Input 20mA"), QStringLiteral("TD4VUx.clsUx6883")};
    switch (channel) {
    case 0:
        if (variant == 0)
            return {QStringLiteral("6 Kanal dig. Ausgang & 2 Kanal dig. Eingang"),
                    QStringLiteral("6 channel dig. Output & 2 channel dig. Input"), {}};
        return {QStringLiteral("6 Kanal dig. Ausgang & 1 Kanal dig. Eingang"),
                QStringLiteral("6 channel dig. Output & 1 channel dig. Input"), {}};
    case 1:
        return variant == 0 ? ModuleChannelTexts{} : analogIn20;
    case 2:
    case 3:
    case 5:
    case 8:
        return analogIn20;
    case 4:
        return {QStringLiteral("SSI Interface"), QStringLiteral("SSI Interface"), QStringLiteral("TD4VUx.clsUx9554")};
    case 6:
    case 9:
        return {QStringLiteral("1 Kanal ana. Ausgang 20mA"), QStringLiteral("1 channel ana. Output 20mA"),
                QStringLiteral("TD4VUx.clsUx1883")};
    case 7:
    case 10:
        return {QStringLiteral("1 Kanal ana. Eingang 0-10V"), QStringLiteral("1 channel ana. Input 0-10V"),
                QStringLiteral("TD4VUx.clsUx6853")};
    default:
        return {};
    }
}

ModuleChannelTexts fTypedModuleChannel(int32_t typeNumber)
{
    switch (typeNumber) {
    case 6588:
    case 6888:
        return {QStringLiteral("1 Kanal ana. Eingang 20mA"), QStringLiteral("1 channel ana. Input 20mA"),
                QStringLiteral("TD4VUx.clsUx6883")};
    case 6528:
        return {QStringLiteral("1 Kanal ana. Eingang +-10V"), QStringLiteral("1 channel ana. Input +-10V"),
                QStringLiteral("TD4VUx.clsUx6853")};
    case 6358:
        return {QStringLiteral("1 Kanal ana. Eingang PT100"), QStringLiteral("1 channel ana. Input PT100"),
                QStringLiteral("TD4VUx.clsScaPT100")};
    case 1888:
        return {QStringLiteral("1 Kanal ana. Ausgang 20mA"), QStringLiteral("1 channel ana. Output 20mA"),
                QStringLiteral("TD4VUx.clsUx1883")};
    case 530:
    case 531:
    case 532:
    case 533:
    case 535:
    case 536:
    case 537:
    case 538:
    case 539:
        return {QStringLiteral("digitale Eingänge/Ausgänge"), QStringLiteral("digital Inputs/Outputs"), {}};
    default:
        return {};
    }
}

pugi::xml_node fCreateSubDeviceDescription(DescriptionBuild& build, pugi::xml_document& doc, int32_t moduleId)
{
    if (!loadXmlText(doc, kSubDeviceTemplate))
        return {};
    pugi::xml_node subDevice = doc.child("SubDevice");
    pugi::xml_node views = subDevice.child("Device").child("CfgTool").child("Views");
    pugi::xml_node tables = subDevice.child("Device").child("Tables");
    if (!views || !tables)
        return {};

    // urCoupler selects the box layout of the module word; 0 is never digital.
    const bool digital = moduleId != 0
        && (build.urCoupler ? ((moduleId & 0xFF00) == 0 && (moduleId & 0x80) == 0) : (moduleId & 0x8000) != 0);
    if (digital)
        buildDigitalModule(build, views, moduleId);
    else if (moduleId == 10000 || moduleId == 10001 || moduleId == 10002)
        buildMixedModule(build, views, tables);
    else if (moduleId == 10017)
        buildTypedModule(build, views, tables);
    else
        buildGenericModule(build, views, tables, moduleId);
    return subDevice;
}
