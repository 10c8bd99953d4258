#include "RegistryHive.h"

#include "XmlDocument.h"

#include <pugixml.hpp>
#include <string_view>

namespace {

const char* typeName(RegType t)
{
    switch (t) {
    case RegType::DWord: return "DWord";
    case RegType::Binary: return "Binary";
    case RegType::Text: break;
    }
    return "Text";
}

void writeKey(pugi::xml_node parent, const RegistryKey& key)
{
    for (const auto& [lower, entry] : key.values) {
        (void)lower;
        pugi::xml_node v = parent.append_child("Value");
        v.append_attribute("Name").set_value(entry.first.toUtf8().constData());
        v.append_attribute("Type").set_value(typeName(entry.second.type));
        QByteArray data;
        switch (entry.second.type) {
        case RegType::Text: data = entry.second.text.toUtf8(); break;
        case RegType::DWord: data = QByteArray::number(entry.second.dword); break;
        case RegType::Binary: data = entry.second.binary.toHex(); break;
        }
        v.text().set(data.constData());
    }
    for (const auto& [lower, child] : key.children) {
        (void)lower;
        pugi::xml_node k = parent.append_child("Key");
        k.append_attribute("Name").set_value(child.name.toUtf8().constData());
        writeKey(k, child); // as deep as the keys, which kRegistryMaxKeyDepth bounds
    }
}

// Recurses once per key level: the loader has refused documents nested deeper than kXmlMaxDepth.
bool readKey(pugi::xml_node node, RegistryKey& key)
{
    for (pugi::xml_node child : node.children()) {
        const QString name = QString::fromUtf8(child.attribute("Name").value());
        if (child.name() == std::string_view("Key")) {
            RegistryKey& sub = key.children[name.toLower()];
            sub.name = name;
            if (!readKey(child, sub))
                return false;
        } else if (child.name() == std::string_view("Value")) {
            const std::string_view type = child.attribute("Type").value();
            const QByteArray text = QByteArray(child.text().get());
            RegValue v;
            if (type == "Text") {
                v = RegValue::fromText(QString::fromUtf8(text));
            } else if (type == "DWord") {
                bool ok = false;
                const uint32_t n = text.toUInt(&ok);
                if (!ok)
                    return false;
                v = RegValue::fromDWord(n);
            } else if (type == "Binary") {
                v = RegValue::fromBinary(QByteArray::fromHex(text));
            } else {
                return false;
            }
            key.values[name.toLower()] = {name, v};
        } else if (child.type() == pugi::node_element) {
            return false;
        }
    }
    return true;
}

} // namespace

bool RegValue::operator==(const RegValue& other) const
{
    if (type != other.type)
        return false;
    switch (type) {
    case RegType::Text: return text == other.text;
    case RegType::DWord: return dword == other.dword;
    case RegType::Binary: return binary == other.binary;
    }
    return false;
}

std::optional<RegistryKey> parseHive(QByteArrayView data)
{
    pugi::xml_document doc;
    // Values keep their exact text: CR LF and blank-only values survive a reload.
    const unsigned options = (pugi::parse_default | pugi::parse_ws_pcdata_single) & ~pugi::parse_eol;
    if (!loadXmlBuffer(doc, data.data(), size_t(data.size()), options))
        return std::nullopt;
    const pugi::xml_node root = doc.document_element();
    RegistryKey hive;
    if (std::string_view(root.name()) != "Hive" || !readKey(root, hive))
        return std::nullopt;
    return hive;
}

QByteArray hiveText(const RegistryKey& hive)
{
    pugi::xml_document doc;
    writeKey(doc.append_child("Hive"), hive);
    struct Writer : pugi::xml_writer {
        QByteArray out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), qsizetype(size)); }
    } writer;
    doc.save(writer, "  ");
    return writer.out;
}
