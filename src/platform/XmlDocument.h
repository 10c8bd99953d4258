#pragma once
// Loading and saving the program's XML documents (station, descriptions, lists).
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <functional>
#include <pugixml.hpp>
#include <string>

// Keeps a lone blank between tags ("<Devices> </Devices>") as the templates write it.
inline constexpr unsigned kXmlParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

// Deeper than any file the program writes or reads in earnest; a deeper document is
// refused, so nothing that walks a document can be driven into unbounded work.
inline constexpr int kXmlMaxDepth = 64;

// False, and an empty document, when the text or file is not well-formed XML
// with exactly one root element, or nests elements deeper than kXmlMaxDepth.
// A file is read only when it is a regular file (a device or pipe would never end).
bool loadXmlBuffer(pugi::xml_document& doc, const void* data, size_t size,
                   unsigned options = kXmlParseOptions, pugi::xml_encoding encoding = pugi::encoding_auto);
bool loadXmlText(pugi::xml_document& doc, const char* text);
bool loadXmlFile(pugi::xml_document& doc, const QString& path, unsigned options = kXmlParseOptions);

// How the bytes of an XML file are encoded: by a byte order mark or by the bytes of
// its first character (UTF-16, UTF-32), else by the name its declaration gives.
struct XmlFileEncoding {
    QByteArray converter; // a name QStringDecoder knows; empty for UTF-8 and for a name it does not know
    qsizetype bomSize = 0;
    QString shownName = QStringLiteral("UTF-8"); // for messages: "UTF-16", or the declared name
    bool byMark = false;   // told by the first bytes, not by the declaration
    bool declared = false; // the declaration names an encoding
    bool known = true;     // false for a declared name no converter knows
};
XmlFileEncoding xmlFileEncoding(const QByteArray& data);

// Nothing resolved or rewritten: blanks, carriage returns and references stay as written.
inline constexpr unsigned kXmlAsWritten =
    (pugi::parse_full | pugi::parse_ws_pcdata) & ~pugi::parse_eol & ~pugi::parse_escapes;
// Loads UTF-8 text as written, only when it is one well-formed document also where the
// parser does not look: valid UTF-8, no text beside the root element, every '&' begins
// a reference to a character XML allows or to a declared entity, no "]]>" in character
// data, no '<' in an attribute. Bytes of an 8-bit encoding no converter here knows are
// taken as they are.
enum class XmlTextBytes { Utf8, Unknown8Bit };
bool loadXmlAsWritten(pugi::xml_document& doc, const QByteArray& text, XmlTextBytes bytes = XmlTextBytes::Utf8);
// Entities the document type declares itself, by name, as their literal values.
QHash<QString, QString> xmlDeclaredEntities(const pugi::xml_document& doc);
// Where a node of a document loaded as written begins and ends in its text (an element
// with its end tag).
qsizetype xmlNodeStart(const QByteArray& text, const pugi::xml_node& node);
qsizetype xmlNodeEnd(const QByteArray& text, const pugi::xml_node& node);

// The document as one line: the declaration <?xml version="1.0" ?> followed by the
// nodes without added blanks or line breaks.
std::string xmlDocumentText(const pugi::xml_document& doc);
// The depth of the deepest element (the root element is 1), counted without recursion.
int xmlElementDepth(const pugi::xml_node& root);

// Writes xmlDocumentText to path as a regular file (writeRegularFile).
bool saveXmlDocument(const pugi::xml_document& doc, const QString& path);

// The whole text under an element (its descendants' character data, in order).
QString xmlElementText(const pugi::xml_node& element);
// The same with each text node's data passed through pcdata (CDATA is taken as it is).
QString xmlElementText(const pugi::xml_node& element, const std::function<QString(const char*)>& pcdata);

// True when every character is one XML 1.0 allows (no C0 control but tab, LF and CR,
// no U+FFFE or U+FFFF, no unpaired surrogate): text that can stand in a document.
bool isXmlText(QStringView text);
// Text to put into an element or a double-quoted attribute: &, <, > and " as references.
QString xmlEscaped(QStringView text);
// Character data as written (with its references) as an XML reader reads it: the five
// predefined entities, character references and the document's own entities. A
// reference it cannot resolve (unknown, markup, nested too deep or too long) stays as
// written. Expanding entities spends budget (characters), which a caller may share
// across the texts of one document; once it is spent, entities stay as written.
inline constexpr qsizetype kXmlEntityBudget = 4 * 1024 * 1024;
QString xmlDecodedText(QStringView raw, const QHash<QString, QString>& entities, qsizetype& budget);
QString xmlDecodedText(QStringView raw);
