// Feeds arbitrary bytes to the INI reader and converts them both ways: the
// result must load as a script with one register per key that holds a comma.
#include "platform/XmlDocument.h"
#include "tools/IniProfile.h"
#include "tools/ScriptConvert.h"
#include "tools/ScriptFile.h"

namespace {

pugi::xml_node loadScript(pugi::xml_document& doc, const QString& xml)
{
    const QByteArray bytes = xml.toUtf8();
    if (!loadXmlBuffer(doc, bytes.constData(), size_t(bytes.size()), pugi::parse_default))
        __builtin_trap(); // the converter wrote XML that does not load
    return doc.child("Script");
}

// The keys Init1..Init<last> of the section that hold an offset and a value.
size_t registerKeys(const IniProfile& ini, const QString& section, int last)
{
    const QHash<QString, QString>* keys = ini.keys(section);
    if (!keys)
        return 0;
    size_t count = 0;
    for (auto k = keys->cbegin(); k != keys->cend(); ++k) {
        const QString digits = k.key().mid(4);
        const int n = digits.toInt();
        count += k.key().startsWith(QLatin1String("init")) && n >= 1 && n <= last && QString::number(n) == digits
                 && k.value() != QLatin1String("Unbekannt") && k.value().contains(QLatin1Char(','));
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const IniProfile ini = IniProfile::fromText(decodeIniText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));

    pugi::xml_document terminalDoc;
    const pugi::xml_node terminal = loadScript(terminalDoc, TSIinXML(ini, QStringLiteral("fuzz"), QStringLiteral("stamp")));
    if (readTerminalScript(terminal).registers.size() != registerKeys(ini, QStringLiteral("Initialisierung"), 1001))
        __builtin_trap();

    pugi::xml_document couplerDoc;
    const pugi::xml_node coupler = loadScript(couplerDoc, CSIinXML(ini, QStringLiteral("fuzz"), QStringLiteral("stamp")));
    QStringList sections = ini.sectionNames();
    sections.removeAll(QString());
    sections.removeAll(QStringLiteral("Init"));
    const CouplerScript script = readCouplerScript(coupler);
    if (script.tables.size() != size_t(sections.size()))
        __builtin_trap();
    for (qsizetype i = 0; i < sections.size(); ++i)
        if (script.tables[size_t(i)].registers.size() != registerKeys(ini, sections[i], 5))
            __builtin_trap();
    return 0;
}
