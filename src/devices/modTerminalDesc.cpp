#include "modTerminalDesc.h"

#include "StationResources.h"
#include "modSettingsClass.h"
#include "modTerminalNames.h"

#include <array>

namespace {

const QString kIoChView = QStringLiteral("IoModSvr.IoChView");

void setDescriptions(DescriptionBuild& build, const QString& desc1031, const QString& desc1033)
{
    setXmlText(build.device.child("Desc1031"), desc1031);
    setXmlText(build.device.child("Desc1033"), desc1033);
}

struct SpecialChannelTexts {
    const char* name;
    const char* desc1031;
    const char* desc1033;
    const char* first1031;
    const char* first1033;
};

// The fixed-text digital terminals: one channel node with a 41 and a 42 child per channel.
const std::array<SpecialChannelTexts, 3> kSpecialDigital = {{
    {"TW8211-5555", "4 Kanal Eingang", "4 channel input ", "Schalter", "Switch"},
    {"TW3213-5555", "2 Kanal Power Ausgang Relais", "2 Channel Power Output Relay", "Status", "State"},
    {"TM8794-5555", "8 Kanal Eingang/Ausgang", "8 Channel Input/Output", "Eingang", "Input"},
}};

bool parseWholeNumber(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok;
}

} // namespace

void fBuildTerminalDescription(DescriptionBuild& build)
{
    const int32_t id = build.ctx.gTermTable[size_t(build.pos) & 0xFF];
    const bool controllerLayout = build.compactBox || build.extensionStation;
    const TerminalIdDecode d = decodeTerminalId(id, controllerLayout);

    // The special names come first: the end terminal keeps its texts even with a digital identifier.
    if (build.name == QLatin1String("TM4585-5555")) {
        setDescriptions(build, QStringLiteral("Endklemme"), QStringLiteral("End terminal"));
        return;
    }
    if (build.name == QLatin1String("TM4937-5555")) {
        setDescriptions(build, QStringLiteral("Netzteilklemme AS-i, 2A"), QStringLiteral("Power Supplier AS-i, 2A"));
        return;
    }
    if (!d.digital || id == 0) {
        fBuildRegisterTerminalDescription(build, id);
        return;
    }

    for (const SpecialChannelTexts& special : kSpecialDigital) {
        if (build.name != QLatin1String(special.name))
            continue;
        setDescriptions(build, QString::fromUtf8(special.desc1031), QString::fromUtf8(special.desc1033));
        for (int i = 0; i < d.width; ++i) {
            const QString n = QString::number(i + 1);
            const QString userData = QString::number(i);
            pugi::xml_node channel = addView(build.views, QStringLiteral("Kanal ") + n, QStringLiteral("Channel ") + n,
                                             QStringLiteral("40"), {}, {});
            addView(channel, QString::fromUtf8(special.first1031), QString::fromUtf8(special.first1033),
                    QStringLiteral("41"), kIoChView, userData);
            addView(channel, QStringLiteral("Ausgang"), QStringLiteral("Output"), QStringLiteral("42"), kIoChView,
                    userData);
        }
        return;
    }

    // Bit 2 gives the in/out text with the input count, whatever the kind says.
    QString desc1031;
    QString desc1033;
    if ((id & 4) != 0 || d.kind == 0 || d.kind == 3) {
        desc1031 = QString::number(d.inCount) + QStringLiteral(" Kanal dig. Ein/Ausgang");
        desc1033 = QString::number(d.inCount) + QStringLiteral(" channel dig. in/output");
    } else if (d.kind == 1) {
        desc1031 = QString::number(d.inCount) + QStringLiteral(" Kanal dig. Eingang");
        desc1033 = QString::number(d.inCount) + QStringLiteral(" channel dig. input");
    } else {
        desc1031 = QString::number(d.outCount) + QStringLiteral(" Kanal dig. Ausgang");
        desc1033 = QString::number(d.outCount) + QStringLiteral(" channel dig. output");
    }
    setDescriptions(build, desc1031, desc1033);
    for (int i = 0; i < d.inCount; ++i) {
        addView(build.views, QStringLiteral("Eingangskanal ") + QString::number(i + 1),
                QStringLiteral("Input Channel ") + QString::number(i + 1), QStringLiteral("41"), kIoChView,
                QString::number(i));
    }
    for (int j = 0; j < d.outCount; ++j) {
        addView(build.views, QStringLiteral("Ausgangskanal ") + QString::number(j + 1),
                QStringLiteral("Output Channel ") + QString::number(j + 1), QStringLiteral("42"), kIoChView,
                QString::number(j));
    }
}

void fBuildRegisterTerminalDescription(DescriptionBuild& build, int32_t id)
{
    std::array<int32_t, 1> reg11{0};
    if (build.readRequired(build.pos, 0, 11, 1, reg11) != 0)
        reg11[0] = 0; // counts as no channels; unless the device said it has no such register, not cached
    const int chanCount = (reg11[0] & 0xFF00) / 256;
    const QString count = QString::number(chanCount);

    QString text1031;
    QString text1033;
    if (id == 8451) {
        text1031 = QStringLiteral(" Kanal Safety Eingang");
        text1033 = QStringLiteral(" channel Safety input");
    } else if (id == 3451) {
        text1031 = QStringLiteral(" Kanal Safety Ausgang");
        text1033 = QStringLiteral(" channel Safety output");
    } else if (id == 2451) {
        text1031 = QStringLiteral(" Kanal Safety Logik");
        text1033 = QStringLiteral(" channel Safety logic");
    } else {
        switch (QString::number(id).at(0).toLatin1()) {
        case '6':
            text1031 = QStringLiteral(" Kanal ana. Eingang");
            text1033 = QStringLiteral(" channel ana. input");
            break;
        case '1':
            text1031 = QStringLiteral(" Kanal ana. Ausgang");
            text1033 = QStringLiteral(" channel ana. output");
            break;
        case '9':
            text1031 = QStringLiteral(" Kanal Winkel/Wegmessung");
            text1033 = QStringLiteral(" channel position/displacement");
            break;
        case '2':
            text1031 = QStringLiteral(" Kanal Kommunikation");
            text1033 = QStringLiteral(" channel communication");
            break;
        default:
            text1031 = QStringLiteral(" Kanal intelligent");
            text1033 = QStringLiteral(" channel intelligent");
            break;
        }
    }
    setDescriptions(build, count + text1031, count + text1033);

    // The resource rows match the raw extension register: 65535 is not taken as 0 here.
    const int32_t extension = build.ctx.gTermRegs[29];
    const QString controllerClass = build.compactBox ? fUxSettingsClass(id) : QString();

    for (int i = 0; i < chanCount; ++i) {
        const QString userData = QString::number(i);
        addTable(build.tables, i, 65);
        pugi::xml_node channel = addView(build.views, QStringLiteral("Kanal ") + QString::number(i + 1),
                                         QStringLiteral("Channel ") + QString::number(i + 1), QStringLiteral("40"), {},
                                         {});
        addView(channel, QStringLiteral("Register"), QStringLiteral("Register"), QStringLiteral("43"),
                QStringLiteral("TableView"), userData);
        if (build.compactBox) {
            if (!controllerClass.isEmpty())
                addView(channel, QStringLiteral("Einstellungen"), QStringLiteral("Settings"), QStringLiteral("36"),
                        controllerClass, userData);
        } else {
            // Loaded once per read, not once per channel.
            const TerminalResourceTable& res = stationTerminalResource(build);
            for (int32_t row = 0; row < res.gTerminalResourceCount && size_t(row) < res.Terminal.size(); ++row) {
                qint64 terminal = 0;
                qint64 ext = 0;
                // A row whose numbers are not numbers matches nothing.
                if (!parseWholeNumber(res.Terminal[size_t(row)], terminal)
                    || !parseWholeNumber(res.Extension[size_t(row)], ext))
                    continue;
                if (terminal != id || ext != extension)
                    continue;
                addView(channel, res.Desc1031[size_t(row)], res.Desc1033[size_t(row)], res.Icon[size_t(row)],
                        res.ProgID[size_t(row)], userData);
            }
        }
        addView(channel, QStringLiteral("Prozessdaten"), QStringLiteral("Process Data"), QStringLiteral("39"),
                kIoChView, userData);
    }
}
