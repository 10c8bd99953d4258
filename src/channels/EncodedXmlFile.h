#pragma once
// An XML file written back in the encoding it was read in, so that a program
// that reads it sees nothing changed but what was edited: the byte order mark,
// the declaration and everything outside the root element stay byte for byte,
// and inside it the layout (blanks, line ends) of every node not touched.
#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>

class EncodedXmlFile {
public:
    // An 8-bit encoding other than UTF-8 and Latin-1 is kept byte for byte but
    // takes only ASCII text: its other characters are unknown here.
    enum class Encoding { Utf8, Latin1, Utf16LE, Utf16BE, Utf32LE, Utf32BE, Other8Bit };

    // False, and an empty document, when data is not one well-formed document in
    // an encoding that can be read back exactly.
    bool load(const QByteArray& data);

    pugi::xml_document& document() { return m_doc; }
    // For messages: "UTF-16", or the name the declaration gives.
    QString encodingName() const;
    bool canHold(const QString& text) const;
    // The file as it now is; nothing when the document holds text its encoding cannot.
    std::optional<QByteArray> save() const;

private:
    pugi::xml_document m_doc;
    Encoding m_encoding = Encoding::Utf8;
    QString m_declaredName;
    QByteArray m_bom;
    QByteArray m_prolog, m_epilog; // in UTF-8, as the document holds its text
};
