#pragma once
// Builds the station tree: one node per device, below it the device's views
// and then its sub-devices, each node backed by a clsView record in gViews.
#include <QIcon>
#include <QString>
#include <QVector>
#include <pugixml.hpp>

class QTreeWidget;
class QTreeWidgetItem;
class ShellContext;

// What the builders work on: the tree, the records and the key counter, the images.
struct StationTreeTarget {
    QTreeWidget* nodes = nullptr;
    ShellContext* shell = nullptr;
    const QVector<QIcon>* images = nullptr; // imgListTree; may be null
};

// A relative of nullptr adds root nodes; otherwise nodes become children of relative.
void fBuildStationTree(StationTreeTarget& target, pugi::xml_node station);
QTreeWidgetItem* fAddDeviceTree(StationTreeTarget& target, QTreeWidgetItem* relative, pugi::xml_node device);
QTreeWidgetItem* fAddDeviceNode(StationTreeTarget& target, QTreeWidgetItem* relative, pugi::xml_node device);
void fAddViewNodes(StationTreeTarget& target, QTreeWidgetItem* relative, pugi::xml_node views,
                   pugi::xml_node device);

// The key a node was added with ("Key7"), "" for nullptr.
QString fTreeNodeKey(const QTreeWidgetItem* node);
