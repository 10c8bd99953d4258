#include "EncodedXmlFile.h"

#include "platform/XmlDocument.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace {

// A mark at the start of the text is a character of it, kept as such; each call starts afresh.
constexpr QStringConverter::Flags kExact = QStringConverter::Flag::ConvertInitialBom;

} // namespace

bool EncodedXmlFile::load(const QByteArray& data)
{
    m_doc.reset();
    const XmlFileEncoding encoding = xmlFileEncoding(data);
    m_shownName = encoding.shownName;
    m_encoding = encoding.converter;
    m_form = !encoding.known ? Form::Unknown8Bit : m_encoding.isEmpty() ? Form::Utf8 : Form::Converted;
    const qsizetype bomSize = encoding.bomSize;
    m_bom = data.left(bomSize);
    m_body = data.mid(bomSize);
    m_text = m_body;
    if (m_form == Form::Converted) {
        // A file that does not decode to exactly its own bytes could not be written back as it was.
        QStringDecoder decoder(m_encoding.constData(), kExact);
        const QString decoded = decoder.decode(m_body);
        const std::optional<QByteArray> again = decoder.hasError() ? std::nullopt : std::optional(encoded(decoded));
        if (!again || *again != m_body || (!encoding.byMark && !decoded.startsWith(u"<?xml")))
            return false;
        m_text = decoded.toUtf8();
    }
    return parse();
}

bool EncodedXmlFile::parse()
{
    if (!loadXmlAsWritten(m_doc, m_text, m_form == Form::Unknown8Bit ? XmlTextBytes::Unknown8Bit : XmlTextBytes::Utf8))
        return false;
    m_entities = xmlDeclaredEntities(m_doc);
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
