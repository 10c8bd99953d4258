#include "RouteStore.h"

#include "AddressValidation.h"
#include "RegistryFunctions.h"
#include "platform/Dialogs.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <pugixml.hpp>

namespace {

// Comments, processing instructions and the declaration are kept, so a rewrite
// loses nothing of what the runtime or the user put there.
constexpr unsigned kRouteParseOptions = pugi::parse_full;

QString childText(const pugi::xml_node& route, const char* name)
{
    return QString::fromUtf8(route.child(name).child_value()).trimmed();
}

bool loadRouteFile(pugi::xml_document& doc, const QString& path)
{
    return loadXmlFile(doc, path, kRouteParseOptions);
}

bool saveRouteFile(const pugi::xml_document& doc, const QString& path)
{
    struct Writer : pugi::xml_writer {
        QByteArray out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), qsizetype(size)); }
    } writer;
    // The document carries its own declaration (or none, as it was read).
    doc.save(writer, "  ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(writer.out) != writer.out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

pugi::xml_node remoteConnections(pugi::xml_document& doc) { return doc.child("CvConfig").child("RemoteConnections"); }

} // namespace

QString runtimeRootFolder()
{
    const QString env = qEnvironmentVariable("TD4700_RUNTIME_ROOT");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/td4700/runtime");
}

QString staticRoutesPath() { return runtimeRootFolder() + QStringLiteral("/Corvane/3.1/Target/StaticRoutes.xml"); }

QString routeSaveRefusal(const QString& name, const QString& address, const QString& netId)
{
    // A backslash or slash would make the name a path of nested registry keys.
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')))
        return QStringLiteral("Route name is not valid!");
    if (!parseOctets(netId, 6))
        return QStringLiteral("RtnNetID is not valid!");
    if (!parseOctets(address, 4))
        return QStringLiteral("IP address is not valid!");
    return {};
}

RouteStore::RouteStore(RegistryStore& store, IRegistryAccess& registry, IDialogs& dialogs, const QString& filePath)
    : m_store(store)
    , m_registry(registry)
    , m_dialogs(dialogs)
    , m_filePath(filePath)
{
}

QStringList RouteStore::registryRouteNames() const { return m_store.subKeys(HKEY_LOCAL_MACHINE, kRemoteRoutesKey); }

QString RouteStore::GetRemoteAddress(const QString& name) const
{
    QString address;
    m_registry.ReadValue(HKEY_LOCAL_MACHINE, kRemoteRoutesKey + QLatin1Char('\\') + name, QStringLiteral("Address"),
                         address);
    return address;
}

QString RouteStore::GetRemoteRtnNetId(const QString& name) const
{
    const std::optional<QByteArray> bytes =
        GetBinaryValue(m_store, m_dialogs, QStringLiteral("HKEY_LOCAL_MACHINE\\") + kRemoteRoutesKey + QLatin1Char('\\') + name,
                       QStringLiteral("RtnNetId"));
    // A missing or short value is no net id (the failure text is not decoded as one).
    if (!bytes || bytes->size() < 6)
        return {};
    QStringList octets;
    for (int i = 0; i < 6; ++i)
        octets << QString::number(uint8_t(bytes->at(i)));
    return octets.join(QLatin1Char('.'));
}

QList<Route> RouteStore::ReadRegistryRoutes() const
{
    QList<Route> routes;
    for (const QString& name : registryRouteNames())
        routes << Route{name, GetRemoteRtnNetId(name), GetRemoteAddress(name), kRouteKindRegistry};
    return routes;
}

bool RouteStore::addRegistryRoute(const QString& name, const QString& address, const QString& netId)
{
    const QString keyPath = kRemoteRoutesKey + QLatin1Char('\\') + name;
    // Every value is tried even after a failure, as the runtime's own tools do.
    bool ok = RegKeyCreate(m_store, HKEY_LOCAL_MACHINE, keyPath) != 0;
    ok &= m_registry.WriteValue(HKEY_LOCAL_MACHINE, keyPath, QStringLiteral("Address"), address);
    QByteArray bytes;
    for (int octet : parseOctets(netId, 6).value_or(QList<int>{}))
        bytes.append(char(octet));
    ok &= fStringSpeichernLong(m_store, HKEY_LOCAL_MACHINE, keyPath, QStringLiteral("RtnNetId"), bytes);
    ok &= fStringSpeichernDWord(m_store, HKEY_LOCAL_MACHINE, keyPath, QStringLiteral("Flags"), 0);
    ok &= fStringSpeichernDWord(m_store, HKEY_LOCAL_MACHINE, keyPath, QStringLiteral("Timeout"), 2000);
    ok &= fStringSpeichernDWord(m_store, HKEY_LOCAL_MACHINE, keyPath, QStringLiteral("TransportType"), 1);
    return ok;
}

QList<Route> RouteStore::ReadStaticRoutesWithXmlDocument() const
{
    QList<Route> routes;
    pugi::xml_document doc;
    if (!loadRouteFile(doc, m_filePath))
        return routes;
    for (pugi::xml_node route : remoteConnections(doc).children("Route")) {
        // One incomplete route is passed over; the rest of the file still counts.
        if (!route.child("Name") || !route.child("Address") || !route.child("NetId"))
            continue;
        routes << Route{childText(route, "Name"), childText(route, "NetId"), childText(route, "Address"), kRouteKindFile};
    }
    return routes;
}

bool RouteStore::WriteStaticRoutesWithXmlDocument(const QString& name, const QString& address, const QString& netId)
{
    pugi::xml_document doc;
    if (QFileInfo::exists(m_filePath)) {
        if (!loadRouteFile(doc, m_filePath))
            return false; // a damaged file is never overwritten
    } else {
        pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
        declaration.append_attribute("version").set_value("1.0");
        declaration.append_attribute("encoding").set_value("UTF-8");
        doc.append_child("CvConfig").append_child("RemoteConnections");
    }
    pugi::xml_node connections = remoteConnections(doc);
    if (!connections)
        return false;
    pugi::xml_node route = connections.append_child("Route");
    route.append_child("Name").text().set(name.toUtf8().constData());
    route.append_child("Address").text().set(address.toUtf8().constData());
    route.append_child("NetId").text().set(netId.toUtf8().constData());
    route.append_child("Type").text().set("TCP_IP");
    return saveRouteFile(doc, m_filePath);
}

bool RouteStore::DeleteStaticRouteWithXMLDocument(const QString& kind, const QString& name, const QString& address,
                                                  const QString& netId)
{
    if (!kRouteKindFile.contains(kind)) {
        m_dialogs.MsgBox(QStringLiteral("'Corvane 2 Routen löschen' nicht implementiert"), vbExclamation,
                         QStringLiteral("ToDo!"));
        return false;
    }
    pugi::xml_document doc;
    if (!QFileInfo::exists(m_filePath) || !loadRouteFile(doc, m_filePath))
        return false;
    // Whole fields must match: a part of a name or an empty field removes nothing.
    for (pugi::xml_node route : remoteConnections(doc).children("Route")) {
        if (!route.child("Name") || !route.child("Address") || !route.child("NetId"))
            continue;
        if (childText(route, "Name") == name.trimmed() && childText(route, "Address") == address.trimmed()
            && childText(route, "NetId") == netId.trimmed()) {
            route.parent().remove_child(route);
            return saveRouteFile(doc, m_filePath);
        }
    }
    return false;
}

RouteStore::SaveResult RouteStore::SaveRTN(const QString& kind, const QString& name, const QString& address, const QString& netId)
{
    const QString refusal = routeSaveRefusal(name, address, netId);
    if (!refusal.isEmpty()) {
        m_dialogs.MsgBox(refusal + QStringLiteral("\r\n\r\nThe route is not saved."), vbCritical,
                         QStringLiteral("RTN Router"));
        return SaveResult::Refused;
    }
    const bool stored = kind == kRouteKindRegistry ? addRegistryRoute(name, address, netId)
                                                   : WriteStaticRoutesWithXmlDocument(name, address, netId);
    return stored ? SaveResult::Stored : SaveResult::Failed;
}
