#include "modTreeView.h"

#include "ShellContext.h"
#include "platform/AppContext.h"

#include <QTreeWidget>
#include <cstring>
#include <optional>

namespace {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

// The integer value of an attribute or element text; nothing when it is not a number.
std::optional<int32_t> toInteger(const char* text)
{
    bool ok = false;
    const int32_t value = utf8(text).trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QTreeWidgetItem* addNode(StationTreeTarget& target, QTreeWidgetItem* relative, const QString& key,
                         const QString& text, int image)
{
    auto* node = relative ? new QTreeWidgetItem(relative) : new QTreeWidgetItem(target.nodes);
    node->setText(0, text);
    node->setData(0, Qt::UserRole, key);
    // An image the list does not hold shows no picture rather than dropping the node.
    if (target.images && image >= 0 && image < target.images->size())
        node->setIcon(0, target.images->at(image));
    return node;
}

QString nextKey(StationTreeTarget& target)
{
    ++target.shell->gNodeCounter;
    return QStringLiteral("Key") + QString::number(target.shell->gNodeCounter);
}

} // namespace

void fBuildStationTree(StationTreeTarget& target, pugi::xml_node station)
{
    for (const pugi::xpath_node& hit : station.select_nodes("Devices/Device"))
        fAddDeviceTree(target, nullptr, hit.node());
}

QTreeWidgetItem* fAddDeviceTree(StationTreeTarget& target, QTreeWidgetItem* relative, pugi::xml_node device)
{
    QTreeWidgetItem* node = fAddDeviceNode(target, relative, device);
    if (node == nullptr)
        return nullptr;
    fAddViewNodes(target, node, device.select_node("CfgTool/Views").node(), device);
    const pugi::xml_node subDevice = device.child("SubDevice");
    for (pugi::xml_node child = subDevice.first_child(); child; child = child.next_sibling())
        fAddDeviceTree(target, node, child);
    return node;
}

QTreeWidgetItem* fAddDeviceNode(StationTreeTarget& target, QTreeWidgetItem* relative, pugi::xml_node device)
{
    if (device.type() != pugi::node_element || std::strcmp(device.name(), "Device") != 0)
        return nullptr;
    const auto pos = toInteger(device.attribute("Pos").value());
    const auto icon = toInteger(device.attribute("Icon").value());
    const auto selCompId = toInteger(device.child("SelCompID").text().get());
    if (!pos || !icon || !selCompId)
        return nullptr;
    const pugi::xml_node nameNode = device.child(*selCompId == 1 ? "NameCompID2" : "NameCompID1");
    const pugi::xml_node descNode = device.child(gCommon().LanguageType() == 0 ? "Desc1031" : "Desc1033");
    if (!nameNode || !descNode)
        return nullptr;

    const QString text = QStringLiteral("Pos ") + QString::number(*pos) + QStringLiteral(": ")
        + utf8(nameNode.text().get()) + QStringLiteral("  (") + utf8(descNode.text().get()) + QStringLiteral(")");
    const QString key = nextKey(target);
    QTreeWidgetItem* node = addNode(target, relative, key, text, *icon);

    auto record = std::make_unique<clsView>();
    record->Caption = text;
    record->TreeNode = node;
    record->IXmlData = device;
    record->Key = key;
    target.shell->gViews.Add(std::move(record), key);
    return node;
}

void fAddViewNodes(StationTreeTarget& target, QTreeWidgetItem* relative, pugi::xml_node views,
                   pugi::xml_node device)
{
    const bool german = gCommon().LanguageType() == 0;
    if (!views)
        return;
    for (pugi::xml_node view = views.first_child(); view; view = view.next_sibling()) {
        if (view.type() != pugi::node_element)
            continue;
        const QString desc = utf8(view.attribute(german ? "Desc1031" : "Desc1033").value());
        if (desc.isEmpty())
            continue; // with everything nested in it
        const QString progId = utf8(view.attribute("ProgID").value());
        const QString userData = utf8(view.attribute("UserData").value());
        const QString key = nextKey(target);
        const int icon = toInteger(view.attribute("Icon").value()).value_or(-1);
        QTreeWidgetItem* node = addNode(target, relative, key, desc, icon);

        auto record = std::make_unique<clsView>();
        record->Caption = desc;
        record->ViewProgID = progId;
        record->UserData = userData;
        record->TreeNode = node;
        record->IXmlData = device;
        record->Key = key;
        target.shell->gViews.Add(std::move(record), key);

        if (view.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; }))
            fAddViewNodes(target, node, view, device);
    }
}

QString fTreeNodeKey(const QTreeWidgetItem* node)
{
    return node ? node->data(0, Qt::UserRole).toString() : QString();
}
