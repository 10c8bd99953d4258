#include "ScriptFile.h"

#include "IniProfile.h"
#include "platform/RegularFile.h"
#include "platform/XmlDocument.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <limits>

namespace {

ScriptRegister readRegister(const pugi::xml_node& reg, RegisterWord (*valueOf)(const QString&))
{
    ScriptRegister out;
    if (const pugi::xml_node offset = reg.child("Offset"))
        out.offset = scriptDecimal(scriptText(offset));
    if (const pugi::xml_node value = reg.child("Value")) {
        out.valueText = scriptText(value);
        out.value = valueOf(out.valueText);
    }
    out.desc = scriptText(reg.child("Desc"));
    return out;
}

} // namespace

std::optional<int32_t> scriptDecimal(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    const bool negative = t.startsWith(QLatin1Char('-'));
    if (negative || t.startsWith(QLatin1Char('+')))
        i = 1;
    if (i >= t.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

RegisterWord couplerScriptValue(const QString& text)
{
    const RegisterWord hex = parseRegisterWord(WordFormat::Hex, text);
    return hex.verdict == WordVerdict::NotANumber ? parseRegisterWord(WordFormat::Unsigned, text) : hex;
}

RegisterWord terminalScriptValue(const QString& text)
{
    // "0xZZ" fails as hexadecimal and then as decimal: no number either way.
    if (text.trimmed().startsWith(QLatin1String("0x")))
        return parseRegisterWord(WordFormat::Hex, text);
    return parseRegisterWord(WordFormat::Unsigned, text);
}

QString scriptText(const pugi::xml_node& element)
{
    return xmlElementText(element).trimmed();
}

CouplerScript readCouplerScript(const pugi::xml_node& script)
{
    CouplerScript out;
    for (const pugi::xml_node table : script.children("Table")) {
        ScriptTable t;
        if (const pugi::xml_node number = table.child("Nummer"))
            t.number = scriptDecimal(scriptText(number));
        for (const pugi::xml_node reg : table.children("Register"))
            t.registers.push_back(readRegister(reg, couplerScriptValue));
        out.tables.push_back(std::move(t));
    }
    return out;
}

TerminalScript readTerminalScript(const pugi::xml_node& script)
{
    TerminalScript out;
    for (const pugi::xml_node reg : script.children("Register"))
        out.registers.push_back(readRegister(reg, terminalScriptValue));
    for (const pugi::xml_node group : script.children("Channel"))
        for (const pugi::xml_node reg : group.children("Register"))
            out.channelRegisterTexts << scriptText(reg);
    return out;
}

bool GetScriptDesc(const pugi::xml_node& script, QString& desc)
{
    desc.clear();
    if (!script)
        return false;
    desc = scriptText(script.child("Desc"));
    return true;
}

bool ScriptDocument::load(const QString& path)
{
    // Far above a script for every register of every table; the user may pick any file.
    constexpr qint64 maxScriptBytes = 16 * 1024 * 1024;
    QByteArray data;
    if (readRegularFile(path, data, maxScriptBytes) != FileRead::Ok)
        return false;
    return loadBuffer(data.constData(), size_t(data.size()));
}

bool ScriptDocument::loadBuffer(const char* data, size_t size)
{
    pugi::xml_document doc;
    const QByteArray bytes = QByteArray::fromRawData(data, qsizetype(size));
    const XmlFileEncoding encoding = xmlFileEncoding(bytes);
    QByteArray text;
    if (!encoding.converter.isEmpty()) {
        QStringDecoder decoder(encoding.converter.constData());
        text = QString(decoder.decode(bytes.sliced(encoding.bomSize))).toUtf8();
        if (decoder.hasError())
            return false;
    } else if (!encoding.declared && encoding.bomSize == 0) {
        // Old scripts are plain 8-bit text without a declaration: bytes that are no UTF-8
        // are windows-1252 there, as in the INI files such scripts were converted from.
        text = decodeIniText(bytes).toUtf8();
    } else {
        text = bytes.sliced(encoding.bomSize);
    }
    if (!loadXmlBuffer(doc, text.constData(), size_t(text.size()), kXmlParseOptions, pugi::encoding_utf8))
        return false;
    m_doc.reset(doc);
    return true;
}

bool hasScriptExtension(const QString& path)
{
    return QFileInfo(path).suffix().toUpper() == QLatin1String("XML");
}
