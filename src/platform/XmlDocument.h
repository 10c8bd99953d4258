#pragma once
// Loading and saving the program's XML documents (station, descriptions, lists).
#include <QString>
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

// The document as one line: the declaration <?xml version="1.0" ?> followed by the
// nodes without added blanks or line breaks.
std::string xmlDocumentText(const pugi::xml_document& doc);
// The depth of the deepest element (the root element is 1), counted without recursion.
int xmlElementDepth(const pugi::xml_node& root);

// Writes xmlDocumentText to path as a regular file (writeRegularFile).
bool saveXmlDocument(const pugi::xml_document& doc, const QString& path);

// The whole text under an element (its descendants' character data, in order).
QString xmlElementText(const pugi::xml_node& element);
