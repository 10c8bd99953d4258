#include "EncodedXmlFile.h"

#include "platform/XmlDocument.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cstring>

namespace {

// A mark at the start of the text is a character of it, kept as such; each call starts afresh.
constexpr QStringConverter::Flags kExact = QStringConverter::Flag::ConvertInitialBom;

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

// The encoding the declaration names; its text is ASCII in every encoding read by name.
QString declaredEncoding(const QByteArray& data)
{
    static const QRegularExpression declaration(
        QStringLiteral(R"(^<\?xml\s[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:-]+)["'])"));
    return declaration.match(QString::fromLatin1(data.left(256))).captured(1);
}

// Entities the document type declares itself, by name, as their literal values.
QHash<QString, QString> declaredEntities(const pugi::xml_document& doc)
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

} // namespace

bool EncodedXmlFile::load(const QByteArray& data)
{
    m_doc.reset();
    m_form = Form::Utf8;
    m_encoding.clear();
    m_shownName = QStringLiteral("UTF-8");
    int bomSize = 0;
    const Mark* mark = nullptr;
    for (const Mark& m : kMarks)
        if (data.size() >= m.size && std::memcmp(data.constData(), m.bytes, size_t(m.size)) == 0) {
            mark = &m;
            break;
        }
    if (mark) {
        bomSize = mark->bomSize;
        m_shownName = QString::fromLatin1(mark->shown);
        if (mark->encoding) {
            m_form = Form::Converted;
            m_encoding = mark->encoding;
        }
    } else if (const QString declared = declaredEncoding(data); !declared.isEmpty()) {
        m_shownName = declared;
        const QStringDecoder known(declared.toLatin1().constData());
        if (!known.isValid())
            m_form = Form::Unknown8Bit;
        else if (QLatin1String(known.name()) != QLatin1String("UTF-8")) {
            m_form = Form::Converted;
            m_encoding = declared.toLatin1();
        }
    }
    m_bom = data.left(bomSize);
    m_body = data.mid(bomSize);
    m_text = m_body;
    if (m_form == Form::Converted) {
        // A file that does not decode to exactly its own bytes could not be written back as it was.
        QStringDecoder decoder(m_encoding.constData(), kExact);
        const QString decoded = decoder.decode(m_body);
        const std::optional<QByteArray> again = decoder.hasError() ? std::nullopt : std::optional(encoded(decoded));
        if (!again || *again != m_body || (bomSize == 0 && !mark && !decoded.startsWith(u"<?xml")))
            return false;
        m_text = decoded.toUtf8();
    }
    return parse();
}

bool EncodedXmlFile::parse()
{
    if (!loadXmlAsWritten(m_doc, m_text))
        return false;
    m_entities = declaredEntities(m_doc);
    m_entityBudget = kXmlEntityBudget;
    return true;
}

std::optional<QByteArray> EncodedXmlFile::encoded(const QString& text) const
{
    if (m_form != Form::Converted)
        return text.toUtf8();
    QStringEncoder encoder(m_encoding.constData(), kExact);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QString EncodedXmlFile::text(const pugi::xml_node& element) const
{
    return xmlElementText(element, [this](const char* data) {
        return xmlDecodedText(QString::fromUtf8(data), m_entities, m_entityBudget);
    });
}

QString EncodedXmlFile::encodingName() const { return m_shownName; }

bool EncodedXmlFile::canHold(const QString& text) const
{
    switch (m_form) {
    case Form::Utf8: return true;
    case Form::Unknown8Bit: return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    case Form::Converted: return encoded(text).has_value();
    }
    return false;
}

qsizetype EncodedXmlFile::startOf(const pugi::xml_node& node) const { return xmlNodeStart(m_text, node); }

qsizetype EncodedXmlFile::endOf(const pugi::xml_node& node) const { return xmlNodeEnd(m_text, node); }

bool EncodedXmlFile::replace(qsizetype from, qsizetype to, const QByteArray& markup)
{
    if (from < 0 || to < from || to > m_text.size())
        return false;
    const QByteArray text = m_text.left(from) + markup + m_text.mid(to);
    QByteArray body = text;
    if (m_form == Form::Converted) {
        // Only the edit is encoded; what stands around it is the file's own bytes.
        const std::optional<QByteArray> before = encoded(QString::fromUtf8(m_text.left(from)));
        const std::optional<QByteArray> removed = encoded(QString::fromUtf8(m_text.mid(from, to - from)));
        const std::optional<QByteArray> added = encoded(QString::fromUtf8(markup));
        if (!before || !removed || !added || !m_body.startsWith(*before)
            || m_body.mid(before->size(), removed->size()) != *removed)
            return false;
        body = *before + *added + m_body.mid(before->size() + removed->size());
        QStringDecoder decoder(m_encoding.constData(), kExact);
        if (QString(decoder.decode(body)).toUtf8() != text || decoder.hasError())
            return false;
    }
    std::swap(m_body, body);
    QByteArray previous = std::exchange(m_text, text);
    if (parse())
        return true;
    m_body = std::move(body);
    m_text = std::move(previous);
    parse();
    return false;
}

bool EncodedXmlFile::appendInside(const pugi::xml_node& element, const QByteArray& markup)
{
    const qsizetype end = endOf(element);
    if (!element.first_child() && m_text.mid(end - 2, 2) == "/>")
        return replace(end - 2, end, ">" + markup + "</" + QByteArray(element.name()) + ">");
    const qsizetype endTag = m_text.lastIndexOf("</", end - 2);
    return replace(endTag, endTag, markup);
}

std::optional<QByteArray> EncodedXmlFile::save() const
{
    // A second guard: a conforming reader would refuse the whole file.
    if (!isXmlText(QString::fromUtf8(m_text)))
        return std::nullopt;
    return m_bom + m_body;
}
