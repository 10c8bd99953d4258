#pragma once
// An XML file that another program owns, changed without touching anything but the
// change: every byte outside an edit stays as it was (byte order mark, declaration,
// document type, references, quotes, layout), and what is added is written in the
// file's own encoding. The document is parsed without resolving references, so its
// nodes give their text as written and where it stands in the file.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <pugixml.hpp>

class EncodedXmlFile {
public:
    // False, and an empty document, when data is not one well-formed document in an
    // encoding that can be read back to exactly its own bytes.
    bool load(const QByteArray& data);

    const pugi::xml_document& document() const { return m_doc; }
    // The text under an element as an XML reader gives it: references resolved,
    // the entities the file declares itself included (as far as a budget for the
    // whole file goes, so many routes cannot add up to endless work).
    QString text(const pugi::xml_node& element) const;
    // For messages: "UTF-16", or the name the declaration gives.
    QString encodingName() const;
    // Whether the file's encoding can hold text. An 8-bit encoding no converter here
    // knows takes ASCII only: its bytes are kept but not understood.
    bool canHold(const QString& text) const;

    // Where a node's markup begins and ends in the file's text (an element with its end tag).
    qsizetype startOf(const pugi::xml_node& node) const;
    qsizetype endOf(const pugi::xml_node& node) const;
    // Puts markup (UTF-8, already escaped) in place of the text from..to. False, and
    // nothing changed, when the file would then not be one well-formed document or the
    // text around the edit would not stay as it was. Nodes taken before are invalid after.
    bool replace(qsizetype from, qsizetype to, const QByteArray& markup);
    // Markup as the element's last child: before its end tag, or in place of the "/>"
    // of an empty element, which then gets an end tag.
    bool appendInside(const pugi::xml_node& element, const QByteArray& markup);

    // The file as it now is; nothing when it holds a character XML does not allow.
    std::optional<QByteArray> save() const;

private:
    enum class Form { Utf8, Converted, Unknown8Bit };
    bool parse();
    // Text in the file's encoding; nothing when the encoding cannot hold it.
    std::optional<QByteArray> encoded(const QString& text) const;

    pugi::xml_document m_doc;
    Form m_form = Form::Utf8;
    QByteArray m_encoding; // the converter's name, for Form::Converted
    QString m_shownName;
    QByteArray m_bom, m_body; // the file: m_bom + m_body
    QByteArray m_text;        // m_body in UTF-8; the document's offsets point into it
    QHash<QString, QString> m_entities;
    mutable qsizetype m_entityBudget = 0; // shared by every text read from the file
};
