// Feeds arbitrary bytes to the description reader as a cached description file.
#include "devices/clsConvertXml.h"
#include "platform/XmlDocument.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>
#include <vector>

namespace {

void readTable(const clsConvertXml& reader, pugi::xml_node device, int32_t table)
{
    int32_t length = 300;
    reader.GetTableLength(device, table, length);
    if (length < 0 || length > 255)
        __builtin_trap(); // the length a view sizes its grid with must stay within 0..255

    // The register view's buffer of 256, asked for more than it holds.
    std::array<int32_t, 256> values{};
    reader.GetTableValues(device, table, 0, 257, values);
    std::vector<int32_t> small(3);
    reader.GetTableValues(device, table, table, 1, small);
    reader.GetTableValues(device, table, INT_MAX - 1, 5, small);
    reader.GetTableValues(device, table, 0, -5, small);
    std::array<QString, 8> descs;
    reader.GetTableDesc(device, table, 0, 300, descs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pugi::xml_document doc;
    if (!loadXmlBuffer(doc, data, size))
        return 0;
    const clsConvertXml reader;
    const pugi::xml_node device = doc.document_element();
    int32_t pos = 0;
    reader.GetDevicePos(device, pos);

    for (int32_t table : {0, 9, 127, -1, INT_MAX})
        readTable(reader, device, table);
    int tables = 0;
    for (const pugi::xml_node& table : device.child("Tables").children("Table")) {
        if (++tables > 8)
            break;
        const char* text = table.attribute("Number").value();
        int32_t number = 0;
        std::from_chars(text, text + std::strlen(text), number);
        readTable(reader, device, number);
    }
    (void)xmlDocumentText(doc);
    return 0;
}
