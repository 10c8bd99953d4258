// Feeds arbitrary bytes to the INI reader and converts them both ways: the
// result must load as a script with one register per key that holds a comma,
// and the converter's count of registers must be that number.
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

// The keys Init1..Init<last> of the section that hold an offset and a value, with the
// comma within the 254 characters the old reader took of a value.
size_t registerKeys(const IniProfile& ini, const QString& section, int last)
{
    const IniKeys* keys = ini.keys(section);
    if (!keys)
        return 0;
    size_t count = 0;
    for (auto k = keys->cbegin(); k != keys->cend(); ++k) {
        const QString digits = k.key().mid(4);
        const int n = digits.toInt();
        count += k.key().startsWith(QLatin1String("init")) && n >= 1 && n <= last && QString::number(n) == digits
                 && k.value() != QLatin1String("Unbekannt") && k.value().left(254).contains(QLatin1Char(','));
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = decodeIniText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const IniProfile ini = IniProfile::fromText(text);
    // Any file name, too, must leave the header comment and the description well-formed.
    const QString baseName = text.left(40);

    // A script longer than a conversion may give comes out empty, which only a large input can cause.
    int terminalCount = -1;
    int couplerCount = -1;
    const QString terminalXml = TSIinXML(ini, baseName, QStringLiteral("stamp"), &terminalCount);
    const QString couplerXml = CSIinXML(ini, baseName, QStringLiteral("stamp"), &couplerCount);
    if (terminalXml.isEmpty() || couplerXml.isEmpty()) {
        if (qsizetype(size) * 64 < kMaxScriptChars) // no line gives 64 characters a byte
            __builtin_trap();
        return 0;
    }

    pugi::xml_document terminalDoc;
    const pugi::xml_node terminal = loadScript(terminalDoc, terminalXml);
    const size_t registers = registerKeys(ini, QStringLiteral("Initialisierung"), 1001);
    if (readTerminalScript(terminal).registers.size() != registers || size_t(terminalCount) != registers)
        __builtin_trap();

    pugi::xml_document couplerDoc;
    const pugi::xml_node coupler = loadScript(couplerDoc, couplerXml);
    QStringList sections = ini.sectionNames();
    sections.removeAll(QString());
    sections.removeAll(QStringLiteral("Init"));
    const CouplerScript script = readCouplerScript(coupler);
    if (script.tables.size() != size_t(sections.size()))
        __builtin_trap();
    size_t total = 0;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const size_t keys = registerKeys(ini, sections[i], 5);
        if (script.tables[size_t(i)].registers.size() != keys)
            __builtin_trap();
        total += keys;
    }
    if (size_t(couplerCount) != total)
        __builtin_trap();
    return 0;
}
