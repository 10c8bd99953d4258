#include "EncodedXmlFile.h"

#include "platform/XmlDocument.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstring>

namespace {

using Encoding = EncodedXmlFile::Encoding;

// Blanks between elements and carriage returns are kept, so an unchanged node is
// written back as it was read.
constexpr unsigned kKeepLayout = (pugi::parse_full | pugi::parse_ws_pcdata) & ~pugi::parse_eol;

struct Detected {
    Encoding encoding;
    int bomSize;
};

Detected detectEncoding(const QByteArray& data, QString& declaredName)
{
    struct Mark {
        const char* bytes;
        int size;
        Detected detected;
    };
    // Longer marks first: the UTF-32 LE mark begins with the UTF-16 LE one.
    static constexpr std::array<Mark, 9> marks{{
        {"\xEF\xBB\xBF", 3, {Encoding::Utf8, 3}},
        {"\xFF\xFE\0\0", 4, {Encoding::Utf32LE, 4}},
        {"\0\0\xFE\xFF", 4, {Encoding::Utf32BE, 4}},
        {"\xFF\xFE", 2, {Encoding::Utf16LE, 2}},
        {"\xFE\xFF", 2, {Encoding::Utf16BE, 2}},
        {"<\0\0\0", 4, {Encoding::Utf32LE, 0}},
        {"\0\0\0<", 4, {Encoding::Utf32BE, 0}},
        {"<\0", 2, {Encoding::Utf16LE, 0}},
        {"\0<", 2, {Encoding::Utf16BE, 0}},
    }};
    for (const Mark& mark : marks)
        if (data.size() >= mark.size && std::memcmp(data.constData(), mark.bytes, size_t(mark.size)) == 0)
            return mark.detected;
    // Without a mark the declaration names the encoding; its text is ASCII in every 8-bit one.
    static const QRegularExpression declaration(
        QStringLiteral(R"(^<\?xml\s[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:-]+)["'])"));
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(data.left(256)));
    declaredName = match.captured(1);
    const QString name = declaredName.toLower();
    if (name.isEmpty() || name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
        return {Encoding::Utf8, 0};
    if (name == QLatin1String("iso-8859-1") || name == QLatin1String("latin1"))
        return {Encoding::Latin1, 0};
    return {Encoding::Other8Bit, 0};
}

std::optional<QStringConverter::Encoding> unicodeForm(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE: return QStringConverter::Utf16LE;
    case Encoding::Utf16BE: return QStringConverter::Utf16BE;
    case Encoding::Utf32LE: return QStringConverter::Utf32LE;
    case Encoding::Utf32BE: return QStringConverter::Utf32BE;
    default: return std::nullopt;
    }
}

// Whether the root element's end tag ("</CvConfig>", or "/>" for an empty root) ends at end.
bool endsRoot(const QByteArray& text, qsizetype end, const pugi::xml_node& root)
{
    qsizetype at = end - 2; // before the '>'
    while (at >= 0 && (text.at(at) == ' ' || text.at(at) == '\t' || text.at(at) == '\r' || text.at(at) == '\n'))
        --at;
    if (at >= 0 && text.at(at) == '/')
        return !root.first_child();
    const QByteArray tag = "</" + QByteArray(root.name());
    return at + 1 >= tag.size() && text.mid(at + 1 - tag.size(), tag.size()) == tag;
}

struct Utf8Writer : pugi::xml_writer {
    QByteArray out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), qsizetype(size)); }
};

} // namespace

bool EncodedXmlFile::load(const QByteArray& data)
{
    m_doc.reset();
    m_declaredName.clear();
    const Detected detected = detectEncoding(data, m_declaredName);
    m_encoding = detected.encoding;
    m_bom = data.left(detected.bomSize);
    const QByteArray body = data.mid(detected.bomSize);

    QByteArray text; // the whole file in UTF-8
    if (const std::optional<QStringConverter::Encoding> form = unicodeForm(m_encoding)) {
        // A file that does not decode to exactly its own bytes could not be written back as it was.
        QStringDecoder decoder(*form, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        const QString decoded = decoder.decode(body);
        QStringEncoder encoder(*form);
        if (decoder.hasError() || QByteArray(encoder.encode(decoded)) != body)
            return false;
        text = decoded.toUtf8();
    } else if (m_encoding == Encoding::Latin1) {
        text = QString::fromLatin1(body).toUtf8();
    } else {
        text = body; // UTF-8, or bytes of an encoding not known here, kept as they are
    }
    if (!loadXmlBuffer(m_doc, text.constData(), size_t(text.size()), kKeepLayout, pugi::encoding_utf8))
        return false;

    // Around the root only the declaration, comments, instructions and blanks may lie;
    // they are kept as read. The root's end is the last '>' before the next of them.
    const pugi::xml_node root = m_doc.document_element();
    const qsizetype rootStart = qsizetype(root.offset_debug()) - 1;
    qsizetype rootEnd = text.size();
    if (const pugi::xml_node next = root.next_sibling())
        rootEnd = text.lastIndexOf('<', qsizetype(next.offset_debug()));
    rootEnd = text.lastIndexOf('>', rootEnd - 1) + 1;
    if (rootStart < 0 || text.at(rootStart) != '<' || rootEnd <= rootStart || !endsRoot(text, rootEnd, root)) {
        m_doc.reset(); // text outside the root that a rewrite would lose or repeat
        return false;
    }
    m_prolog = text.left(rootStart);
    m_epilog = text.mid(rootEnd);
    return true;
}

QString EncodedXmlFile::encodingName() const
{
    switch (m_encoding) {
    case Encoding::Utf8: return QStringLiteral("UTF-8");
    case Encoding::Latin1: return QStringLiteral("ISO-8859-1");
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: return QStringLiteral("UTF-16");
    case Encoding::Utf32LE:
    case Encoding::Utf32BE: return QStringLiteral("UTF-32");
    case Encoding::Other8Bit: return m_declaredName;
    }
    return {};
}

bool EncodedXmlFile::canHold(const QString& text) const
{
    const char16_t limit = m_encoding == Encoding::Latin1 ? 0xFF : m_encoding == Encoding::Other8Bit ? 0x7F : 0xFFFF;
    for (QChar c : text)
        if (c.unicode() > limit)
            return false;
    return true;
}

std::optional<QByteArray> EncodedXmlFile::save() const
{
    Utf8Writer writer;
    writer.out = m_prolog;
    m_doc.document_element().print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    writer.out += m_epilog;
    if (m_encoding == Encoding::Utf8 || m_encoding == Encoding::Other8Bit)
        return m_bom + writer.out;
    const QString text = QString::fromUtf8(writer.out);
    if (m_encoding == Encoding::Latin1)
        return canHold(text) ? std::optional<QByteArray>(text.toLatin1()) : std::nullopt;
    QStringEncoder encoder(*unicodeForm(m_encoding));
    const QByteArray bytes = encoder.encode(text);
    return m_bom + bytes;
}
