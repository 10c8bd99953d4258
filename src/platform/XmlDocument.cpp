#include "XmlDocument.h"

#include "RegularFile.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

namespace {
struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

// pugixml walks the tree with a loop of its own, whatever the depth.
struct DepthWalker : pugi::xml_tree_walker {
    int deepest = 0;
    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() == pugi::node_element)
            deepest = std::max(deepest, depth() + 1);
        return true;
    }
};
}

int xmlElementDepth(const pugi::xml_node& root)
{
    DepthWalker walker;
    pugi::xml_node start = root;
    start.traverse(walker);
    return walker.deepest + (root.type() == pugi::node_element ? 1 : 0);
}

bool loadXmlBuffer(pugi::xml_document& doc, const void* data, size_t size, unsigned options,
                   pugi::xml_encoding encoding)
{
    // The parser also takes fragments; a document has one root element.
    int roots = 0;
    if (doc.load_buffer(data, size, options, encoding)) {
        for (const pugi::xml_node& node : doc.children())
            roots += node.type() == pugi::node_element;
    }
    if (roots == 1 && xmlElementDepth(doc) <= kXmlMaxDepth)
        return true;
    doc.reset();
    return false;
}

bool loadXmlText(pugi::xml_document& doc, const char* text)
{
    return loadXmlBuffer(doc, text, std::strlen(text));
}

bool loadXmlFile(pugi::xml_document& doc, const QString& path, unsigned options)
{
    QByteArray data;
    if (readRegularFile(path, data))
        return loadXmlBuffer(doc, data.constData(), size_t(data.size()), options);
    doc.reset();
    return false;
}

std::string xmlDocumentText(const pugi::xml_document& doc)
{
    StringWriter writer;
    writer.text = "<?xml version=\"1.0\" ?>";
    for (const pugi::xml_node& node : doc.children()) {
        if (node.type() != pugi::node_declaration)
            node.print(writer, "", pugi::format_raw);
    }
    return writer.text;
}

bool saveXmlDocument(const pugi::xml_document& doc, const QString& path)
{
    const std::string text = xmlDocumentText(doc);
    return bool(writeRegularFile(path, QByteArrayView(text.data(), qsizetype(text.size()))));
}

QString xmlElementText(const pugi::xml_node& element)
{
    return xmlElementText(element, [](const char* data) { return QString::fromUtf8(data); });
}

QString xmlElementText(const pugi::xml_node& element, const std::function<QString(const char*)>& pcdata)
{
    // Walked without recursion: the nesting depth comes from the file.
    QString text;
    pugi::xml_node node = element.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata)
            text += pcdata(node.value());
        else if (node.type() == pugi::node_cdata)
            text += QString::fromUtf8(node.value());
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != element && !node.next_sibling())
            node = node.parent();
        if (node == element)
            break;
        node = node.next_sibling();
    }
    return text;
}

bool isXmlText(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            return false;
    }
    return true;
}

QString xmlEscaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

namespace {

// Nested entities, what they expand to and the work spent on them are bounded, so a
// file cannot make a name grow, or its reading take, without end ("billion laughs").
constexpr int kMaxEntityDepth = 8;
constexpr qsizetype kMaxDecodedText = 64 * 1024;

std::optional<QString> characterReference(QStringView digits)
{
    bool ok = false;
    const bool hex = digits.startsWith(u'x');
    const QStringView number = hex ? digits.mid(1) : digits;
    const uint code = number.toUInt(&ok, hex ? 16 : 10);
    if (!ok || number.isEmpty() || !number.front().isLetterOrNumber() || code > 0x10FFFF
        || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    const char32_t ucs4 = code;
    const QString text = QString::fromUcs4(&ucs4, 1);
    return isXmlText(text) ? std::optional<QString>(text) : std::nullopt;
}

void decodeInto(QString& out, QStringView raw, const QHash<QString, QString>& entities, int depth, qsizetype& budget)
{
    static const QHash<QString, QString> predefined{{QStringLiteral("amp"), QStringLiteral("&")},
                                                    {QStringLiteral("lt"), QStringLiteral("<")},
                                                    {QStringLiteral("gt"), QStringLiteral(">")},
                                                    {QStringLiteral("quot"), QStringLiteral("\"")},
                                                    {QStringLiteral("apos"), QStringLiteral("'")}};
    const auto append = [&](QStringView text) {
        out += text;
        if (depth > 0) // the document's own text costs nothing: its size is bounded already
            budget -= text.size();
    };
    qsizetype at = 0;
    while (at < raw.size()) {
        const qsizetype amp = raw.indexOf(u'&', at);
        const qsizetype semicolon = amp < 0 ? -1 : raw.indexOf(u';', amp);
        if (semicolon < 0) {
            append(raw.mid(at));
            return;
        }
        append(raw.mid(at, amp - at));
        const QStringView name = raw.mid(amp + 1, semicolon - amp - 1);
        const QStringView written = raw.mid(amp, semicolon - amp + 1);
        at = semicolon + 1;
        if (name.startsWith(u'#')) {
            const std::optional<QString> c = characterReference(name.mid(1));
            append(c ? QStringView(*c) : written);
        } else if (const auto it = predefined.constFind(name.toString()); it != predefined.constEnd()) {
            append(*it);
        } else if (const auto own = entities.constFind(name.toString());
                   own != entities.constEnd() && depth < kMaxEntityDepth && budget > 0 && !own->contains(u'<')) {
            QString expanded;
            decodeInto(expanded, *own, entities, depth + 1, budget);
            append(out.size() + expanded.size() <= kMaxDecodedText ? QStringView(expanded) : written);
        } else {
            append(written);
        }
    }
}

} // namespace

QString xmlDecodedText(QStringView raw, const QHash<QString, QString>& entities, qsizetype& budget)
{
    QString out;
    decodeInto(out, raw, entities, 0, budget);
    return out;
}

QString xmlDecodedText(QStringView raw)
{
    qsizetype budget = 0; // no entities to expand
    return xmlDecodedText(raw, {}, budget);
}

QHash<QString, QString> xmlDeclaredEntities(const pugi::xml_document& doc)
{
    static const QRegularExpression entity(
        QStringLiteral(R"re(<!ENTITY\s+([A-Za-z_:][-A-Za-z0-9._:]*)\s+(?:"([^"]*)"|'([^']*)')\s*>)re"));
    QHash<QString, QString> entities;
    for (const pugi::xml_node node : doc.children())
        if (node.type() == pugi::node_doctype) {
            auto it = entity.globalMatch(QString::fromUtf8(node.value()));
            while (it.hasNext()) {
                const QRegularExpressionMatch m = it.next();
                if (!entities.contains(m.captured(1))) // the first declaration binds
                    entities.insert(m.captured(1), m.captured(2) + m.captured(3));
            }
        }
    return entities;
}

namespace {

// Every '&' begins a reference: to a character XML allows, or to an entity that is
// predefined or declared (entities null: any name, as where declarations lie elsewhere).
bool referencesWellFormed(const char* raw, const QHash<QString, QString>* entities)
{
    static const QRegularExpression reference(
        QStringLiteral("&(?:#([0-9]+|x[0-9A-Fa-f]+)|([A-Za-z_:][-A-Za-z0-9._:]*));"));
    static const QSet<QString> predefined{QStringLiteral("amp"), QStringLiteral("lt"), QStringLiteral("gt"),
                                          QStringLiteral("quot"), QStringLiteral("apos")};
    if (std::strchr(raw, '&') == nullptr)
        return true;
    const QString text = QString::fromUtf8(raw);
    qsizetype at = 0;
    while ((at = text.indexOf(u'&', at)) >= 0) {
        const QRegularExpressionMatch m = reference.match(text, at, QRegularExpression::NormalMatch,
                                                          QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return false;
        if (m.hasCaptured(1) ? !characterReference(m.capturedView(1))
                             : entities && !predefined.contains(m.captured(2)) && !entities->contains(m.captured(2)))
            return false;
        at = m.capturedEnd();
    }
    return true;
}

// What the parser passes over: text that is no UTF-8, text at the top, a reference to
// a character XML forbids or to an entity no one declared, "]]>" in character data, a
// '<' in an attribute.
bool charactersWellFormed(const pugi::xml_document& doc, const QByteArray& text, XmlTextBytes bytes)
{
    if (bytes == XmlTextBytes::Utf8) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        (void)QString(utf8.decode(text)); // decoded only to learn whether it is UTF-8
        if (utf8.hasError())
            return false;
    }
    for (const pugi::xml_node node : doc.children())
        if (node.type() == pugi::node_pcdata
            && std::string_view(node.value()).find_first_not_of(" \t\r\n") != std::string_view::npos)
            return false;
    const QHash<QString, QString> entities = xmlDeclaredEntities(doc);
    for (const QString& value : entities)
        if (!referencesWellFormed(value.toUtf8().constData(), nullptr))
            return false;
    // Declarations in an external subset, or behind a parameter entity, cannot be seen here.
    const pugi::xml_node doctype = doc.find_child([](const pugi::xml_node& n) { return n.type() == pugi::node_doctype; });
    const std::string_view head = std::string_view(doctype.value()).substr(0, std::string_view(doctype.value()).find('['));
    const bool declaredElsewhere = head.find("SYSTEM") != std::string_view::npos
        || head.find("PUBLIC") != std::string_view::npos || std::strchr(doctype.value(), '%');
    const QHash<QString, QString>* known = declaredElsewhere ? nullptr : &entities;
    // Walked without recursion; the loader has bounded the depth.
    pugi::xml_node node = doc.document_element();
    while (node) {
        if (node.type() == pugi::node_pcdata
            && (!referencesWellFormed(node.value(), known) || std::strstr(node.value(), "]]>")))
            return false;
        for (const pugi::xml_attribute a : node.attributes())
            if (!referencesWellFormed(a.value(), known) || std::strchr(a.value(), '<'))
                return false;
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node)
            node = node.next_sibling();
    }
    return true;
}

bool isBlank(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// Where the markup that starts at '<' ends; the text is well-formed.
qsizetype markupEnd(const QByteArray& text, qsizetype start)
{
    int depth = 0;
    qsizetype at = start;
    while ((at = text.indexOf('<', at)) >= 0) {
        const auto skipTo = [&](const char* end) {
            const qsizetype found = text.indexOf(end, at);
            return found < 0 ? text.size() : found + qsizetype(std::strlen(end));
        };
        if (text.mid(at, 4) == "<!--")
            at = skipTo("-->");
        else if (text.mid(at, 9) == "<![CDATA[")
            at = skipTo("]]>");
        else if (text.mid(at, 2) == "<?")
            at = skipTo("?>");
        else if (text.mid(at, 2) == "</") {
            at = skipTo(">");
            if (--depth == 0)
                return at;
        } else {
            // A start tag: its attributes may hold '>' inside quotes.
            char quote = 0;
            qsizetype i = at + 1;
            for (; i < text.size(); ++i) {
                const char c = text.at(i);
                if (quote)
                    quote = c == quote ? 0 : quote;
                else if (c == '"' || c == '\'')
                    quote = c;
                else if (c == '>')
                    break;
            }
            const bool empty = text.at(i - 1) == '/';
            at = i + 1;
            if (!empty)
                ++depth;
            else if (depth == 0)
                return at;
        }
        if (depth == 0)
            return at;
    }
    return text.size();
}

} // namespace

namespace {

struct Mark {
    const char* bytes;
    int size;
    const char* encoding; // nullptr: UTF-8
    int bomSize;
    const char* shown;
};

// Longer marks first: the UTF-32 LE mark begins with the UTF-16 LE one.
constexpr std::array<Mark, 9> kMarks{{
    {"\xEF\xBB\xBF", 3, nullptr, 3, "UTF-8"},
    {"\xFF\xFE\0\0", 4, "UTF-32LE", 4, "UTF-32"},
    {"\0\0\xFE\xFF", 4, "UTF-32BE", 4, "UTF-32"},
    {"\xFF\xFE", 2, "UTF-16LE", 2, "UTF-16"},
    {"\xFE\xFF", 2, "UTF-16BE", 2, "UTF-16"},
    {"<\0\0\0", 4, "UTF-32LE", 0, "UTF-32"},
    {"\0\0\0<", 4, "UTF-32BE", 0, "UTF-32"},
    {"<\0", 2, "UTF-16LE", 0, "UTF-16"},
    {"\0<", 2, "UTF-16BE", 0, "UTF-16"},
}};

} // namespace

XmlFileEncoding xmlFileEncoding(const QByteArray& data)
{
    XmlFileEncoding encoding;
    for (const Mark& m : kMarks)
        if (data.size() >= m.size && std::memcmp(data.constData(), m.bytes, size_t(m.size)) == 0) {
            encoding.byMark = true;
            encoding.bomSize = m.bomSize;
            encoding.shownName = QString::fromLatin1(m.shown);
            encoding.converter = m.encoding;
            return encoding;
        }
    // The declaration's text is ASCII in every encoding read by name.
    static const QRegularExpression declaration(
        QStringLiteral(R"(^<\?xml\s[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:-]+)["'])"));
    const QString declared = declaration.match(QString::fromLatin1(data.left(256))).captured(1);
    if (declared.isEmpty())
        return encoding;
    encoding.declared = true;
    encoding.shownName = declared;
    const QStringDecoder known(declared.toLatin1().constData());
    encoding.known = known.isValid();
    if (known.isValid() && QLatin1String(known.name()) != QLatin1String("UTF-8"))
        encoding.converter = declared.toLatin1();
    return encoding;
}

bool loadXmlAsWritten(pugi::xml_document& doc, const QByteArray& text, XmlTextBytes bytes)
{
    bool ok = loadXmlBuffer(doc, text.constData(), size_t(text.size()), kXmlAsWritten, pugi::encoding_utf8)
        && charactersWellFormed(doc, text, bytes);
    // The parser passes over text beside the root; such a text is no document.
    qsizetype at = 0;
    for (pugi::xml_node node = doc.first_child(); ok && node; node = node.next_sibling()) {
        ok = isBlank(QByteArrayView(text).sliced(at, xmlNodeStart(text, node) - at));
        at = xmlNodeEnd(text, node);
    }
    if (ok && isBlank(QByteArrayView(text).sliced(at)))
        return true;
    doc.reset();
    return false;
}

qsizetype xmlNodeStart(const QByteArray& text, const pugi::xml_node& node)
{
    const auto offset = qsizetype(node.offset_debug());
    return node.type() == pugi::node_pcdata ? offset : text.lastIndexOf('<', offset);
}

qsizetype xmlNodeEnd(const QByteArray& text, const pugi::xml_node& node)
{
    const qsizetype start = xmlNodeStart(text, node);
    if (node.type() == pugi::node_pcdata)
        return start + qsizetype(std::strlen(node.value()));
    if (node.type() == pugi::node_doctype) // its internal subset holds '>' of its own
        return text.indexOf('>', qsizetype(node.offset_debug()) + qsizetype(std::strlen(node.value()))) + 1;
    return markupEnd(text, start);
}
