#include "clsRefList.h"

#include "RegularFile.h"
#include "XmlDocument.h"

#include <pugixml.hpp>

namespace {

void addDevices(const pugi::xml_node& devices, RefListCollection& list)
{
    for (const pugi::xml_node& device : devices.children("Device")) {
        // Names are trimmed: a list laid out over several lines still finds its devices.
        const QString id1 = xmlElementText(device.child("NameCompID1")).trimmed();
        // A device without its own name cannot be looked up; a missing partner name reads as "".
        if (id1.isEmpty())
            continue;
        clsRefList entry;
        entry.setNameCompID1(id1);
        entry.setNameCompID2(xmlElementText(device.child("NameCompID2")).trimmed());
        entry.setNameCompID3(xmlElementText(device.child("NameCompID3")).trimmed());
        (void)list.add(entry); // a repeated name is dropped: the first entry wins
    }
}

} // namespace

bool RefListCollection::add(const clsRefList& entry)
{
    const QString key = entry.NameCompID1().toCaseFolded();
    if (m_index.contains(key))
        return false;
    m_index.insert(key, m_entries.size());
    m_entries.push_back(entry);
    return true;
}

const clsRefList* RefListCollection::find(const QString& key) const
{
    const auto it = m_index.constFind(key.toCaseFolded());
    return it == m_index.cend() ? nullptr : &m_entries[*it];
}

void RefListCollection::clear()
{
    m_entries.clear();
    m_index.clear();
}

bool readRefList(const char* data, std::size_t size, RefListCollection& list)
{
    pugi::xml_document doc;
    if (!loadXmlBuffer(doc, data, size, pugi::parse_default))
        return false;
    // The root element holds Devices; a file whose root is Devices itself is read as well.
    const pugi::xml_node root = doc.document_element();
    if (QByteArray(root.name()) == "Devices")
        addDevices(root, list);
    for (const pugi::xml_node& devices : root.children("Devices"))
        addDevices(devices, list);
    return true;
}

bool readRefListFile(const QString& path, RefListCollection& list)
{
    QByteArray data;
    if (!readRegularFile(path, data))
        return false;
    return readRefList(data.constData(), std::size_t(data.size()), list);
}

QString fGetNameCompID2(const RefListCollection& list, const QString& sName)
{
    const clsRefList* entry = list.find(sName);
    return entry ? entry->NameCompID2() : QStringLiteral("Pellwitz: ") + sName;
}

QString fGetNameCompID3(const RefListCollection& list, const QString& sName)
{
    const clsRefList* entry = list.find(sName);
    return entry ? entry->NameCompID3() : QStringLiteral("I/O-Planwerk: ") + sName;
}
