#include "XmlDocument.h"

#include "RegularFile.h"

#include <algorithm>
#include <cstring>

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
    // Walked without recursion: the nesting depth comes from the file.
    QString text;
    pugi::xml_node node = element.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
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
