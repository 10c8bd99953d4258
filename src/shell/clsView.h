#pragma once
// The record behind every node of the station tree, and the keyed
// collection gViews of all records of the nodes currently in the tree.
#include <QHash>
#include <QString>
#include <memory>
#include <pugixml.hpp>
#include <vector>

class QObject;
class QTreeWidgetItem;

class clsView {
public:
    QString Key;                       // "Key" & gNodeCounter
    pugi::xml_node IXmlData;           // the Device element, also for a view node
    QTreeWidgetItem* TreeNode = nullptr;
    QObject* IExchange = nullptr;      // reserved
    QString ViewProgID;                // "" for a device node
    QObject* Icon = nullptr;           // reserved
    QString Caption;                   // the node text
    QString UserData;                  // "" for a device node
};

// Keeps insertion order and finds a record by its key.
class clsViews {
public:
    // false (and the record dropped) when the key is already taken.
    bool Add(std::unique_ptr<clsView> record, const QString& key);
    clsView* Item(const QString& key) const;
    int Count() const { return static_cast<int>(m_records.size()); }
    clsView* At(int index) const { return m_records.at(static_cast<size_t>(index)).get(); }
    void Clear();

private:
    std::vector<std::unique_ptr<clsView>> m_records;
    QHash<QString, clsView*> m_byKey;
};
