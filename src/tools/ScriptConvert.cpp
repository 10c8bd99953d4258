#include "ScriptConvert.h"

#include "IniProfile.h"
#include "platform/XmlDocument.h"

#include <QFileInfo>
#include <QLocale>
#include <optional>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Missing = QStringLiteral("Unbekannt");
// The old profile reader's buffer held 254 characters of a key's value; what stood
// beyond them never reached a script.
constexpr int kMaxKeyValueLength = 254;
constexpr int kMaxValueLength = 50;
constexpr int kTerminalKeys = 1001;
constexpr int kCouplerKeys = 5;

struct KeyPair {
    QString offset, value;
};

// Texts are copied as they stand, but must not break the XML around them: every
// character XML cannot hold (controls, U+FFFE, U+FFFF, half a surrogate pair) is
// dropped, and so are line breaks.
QString lineXmlCanHold(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView c = QStringView(text).mid(i, pair ? 2 : 1);
        if (c != u"\n" && c != u"\r" && isXmlText(c))
            out += c;
        i += pair ? 1 : 0;
    }
    return out;
}

// Markup characters are escaped.
QString escaped(const QString& text)
{
    QString out;
    for (const QChar c : lineXmlCanHold(text)) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

// A comment ends at the first "--": the name in the header comment is kept readable
// with "- -" in its place.
QString commentText(const QString& text)
{
    QString out;
    for (const QChar c : lineXmlCanHold(text)) {
        if (c == QLatin1Char('-') && out.endsWith(QLatin1Char('-')))
            out += QLatin1Char(' ');
        out += c;
    }
    return out;
}

// A missing key gives no register; so does a value without a comma, which
// used to give an empty offset and the previous key's value.
std::optional<KeyPair> readKey(const IniKeys& keys, int n)
{
    const QString keyValue =
        keys.value(QStringLiteral("init%1").arg(n), Missing).left(kMaxKeyValueLength); // names are kept case-folded
    const qsizetype comma = keyValue.indexOf(QLatin1Char(','));
    if (keyValue == Missing || comma < 0)
        return std::nullopt;
    return KeyPair{keyValue.left(comma), keyValue.mid(comma + 1, kMaxValueLength)};
}

QString registerLines(const KeyPair& key, int indent)
{
    const QString outer(indent, QLatin1Char(' '));
    const QString inner(indent + 5, QLatin1Char(' '));
    return outer + QStringLiteral("<Register>") + CrLf                                                     //
           + inner + QStringLiteral("<Offset>") + escaped(key.offset) + QStringLiteral("</Offset>") + CrLf //
           + inner + QStringLiteral("<Value>") + escaped(key.value) + QStringLiteral("</Value>") + CrLf    //
           + inner + QStringLiteral("<!--  optional: description -->") + CrLf                              //
           + inner + QStringLiteral("<Desc></Desc>") + CrLf                                                //
           + outer + QStringLiteral("</Register>") + CrLf;
}

// The script with its end, or "" when it came out longer than a conversion may give.
QString finished(QString xml, int count, int* registerCount)
{
    xml += QStringLiteral("</Script>");
    if (xml.size() > kMaxScriptChars)
        return {};
    if (registerCount)
        *registerCount = count;
    return xml;
}

QString header(const QString& kind, const QString& tag, const QString& baseName, const QString& buildStamp)
{
    return QStringLiteral("<!-- XML-syntax for %1 script init -->").arg(kind) + CrLf
           + QStringLiteral("<!-- Build: ") + buildStamp + QStringLiteral(" -->") + CrLf
           + QStringLiteral("<!-- %1: ").arg(tag) + commentText(baseName) + QStringLiteral("  -->") + CrLf
           + QStringLiteral("<Script>") + CrLf;
}

} // namespace

QString scriptBaseName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.left(dot);
}

QString scriptBuildStamp(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(when.time(), QStringLiteral("HH:mm:ss"));
}

QString TSIinXML(const IniProfile& ini, const QString& baseName, const QString& buildStamp, int* registerCount)
{
    QString xml = header(QStringLiteral("terminal"), QStringLiteral("Terminal"), baseName, buildStamp)
                  + QStringLiteral("     <!--  Optional entry for description -->") + CrLf
                  + QStringLiteral("     <Desc>Terminal-script-initialisation for ") + escaped(baseName)
                  + QStringLiteral("</Desc>") + CrLf;
    int count = 0;
    if (registerCount)
        *registerCount = 0;
    if (const IniKeys* keys = ini.keys(QStringLiteral("Initialisierung")))
        for (int n = 1; n <= kTerminalKeys; ++n)
            if (const std::optional<KeyPair> key = readKey(*keys, n)) {
                xml += registerLines(*key, 5);
                ++count;
            }
    return finished(std::move(xml), count, registerCount);
}

QString CSIinXML(const IniProfile& ini, const QString& baseName, const QString& buildStamp, int* registerCount)
{
    QString xml = header(QStringLiteral("Coupler"), QStringLiteral("Coupler"), baseName, buildStamp)
                  + QStringLiteral("<!--  Optional entry for description -->") + CrLf
                  + QStringLiteral("     <Desc>Coupler-script-initialisation for ") + escaped(baseName)
                  + QStringLiteral("</Desc>") + CrLf + QStringLiteral("     <!--  Coupler-tables  -->") + CrLf;
    int count = 0;
    if (registerCount)
        *registerCount = 0;
    for (const QString& section : ini.sectionNames()) {
        if (section.isEmpty() || section == QLatin1String("Init"))
            continue;
        xml += QStringLiteral("     <Table>") + CrLf + QStringLiteral("          <Nummer>")
               + escaped(section.mid(4, 255)) + QStringLiteral("</Nummer>") + CrLf;
        if (const IniKeys* keys = ini.keys(section))
            for (int n = 1; n <= kCouplerKeys; ++n)
                if (const std::optional<KeyPair> key = readKey(*keys, n)) {
                    xml += registerLines(*key, 10);
                    ++count;
                }
        xml += QStringLiteral("     </Table>") + CrLf;
        if (xml.size() > kMaxScriptChars)
            return {}; // the sections of a file are many more than a coupler has tables
    }
    return finished(std::move(xml), count, registerCount);
}
