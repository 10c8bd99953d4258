#include "RouteStore.h"

#include "AddressValidation.h"
#include "EncodedXmlFile.h"
#include "RegistryFunctions.h"
#include "platform/Dialogs.h"
#include "platform/FileLock.h"
#include "platform/LocaleInfo.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/RegularFile.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <pugixml.hpp>
#include <algorithm>
#include <string_view>

namespace {

// Far above any route file in earnest; the runtime's folder is not the program's own.
constexpr qint64 kRouteFileCap = 16 * 1024 * 1024;

// A file made for the first route: an empty section laid out as routes are added to it.
constexpr char kNewRouteFile[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CvConfig>\n  <RemoteConnections>\n"
                                 "  </RemoteConnections>\n</CvConfig>\n";

QString childText(const EncodedXmlFile& file, const pugi::xml_node& route, const char* name)
{
    return file.text(route.child(name)).trimmed();
}

bool isComplete(const pugi::xml_node& route)
{
    return route.child("Name") && route.child("Address") && route.child("NetId");
}

bool isBlank(const pugi::xml_node& node)
{
    return node.type() == pugi::node_pcdata
        && std::string_view(node.value()).find_first_not_of(" \t\r\n") == std::string_view::npos;
}

QByteArray blankText(const pugi::xml_node& node) { return isBlank(node) ? QByteArray(node.value()) : QByteArray(); }

// The runtime may keep its routes in more than one section; all of them count.
template <typename Visit> bool forEachRoute(const pugi::xml_document& doc, Visit visit)
{
    for (const pugi::xml_node section : doc.child("CvConfig").children("RemoteConnections"))
        for (const pugi::xml_node route : section.children("Route"))
            if (visit(route))
                return true;
    return false;
}

// Laid out like the section's last route (or one level inside an empty section), so
// the file keeps the look its writer gave it; only the typed texts are escaped.
bool appendRoute(EncodedXmlFile& file, const pugi::xml_node& section, const QString& name, const QString& address,
                 const QString& netId)
{
    pugi::xml_node last;
    for (const pugi::xml_node route : section.children("Route"))
        last = route;
    const pugi::xml_node closing = isBlank(section.last_child()) ? section.last_child() : pugi::xml_node();
    QByteArray before, inside, end;
    if (last) {
        before = blankText(last.previous_sibling());
        inside = blankText(last.first_child());
        end = blankText(last.last_child());
    } else if (closing) {
        const QByteArray unit = QByteArray(closing.value()).contains('\t') ? "\t" : "  ";
        before = closing.value() + unit;
        inside = before + unit;
        end = before;
    }
    QByteArray markup = before + "<Route>";
    const std::pair<QByteArray, QString> fields[4] = {
        {"Name", name}, {"Address", address}, {"NetId", netId}, {"Type", QStringLiteral("TCP_IP")}};
    for (const auto& [element, text] : fields)
        markup += inside + '<' + element + '>' + xmlEscaped(text).toUtf8() + "</" + element + '>';
    markup += end + "</Route>";
    if (!closing)
        return file.appendInside(section, markup);
    const qsizetype at = file.startOf(closing);
    return file.replace(at, at, markup);
}

// The blanks before a route go with it, so removals leave no empty lines.
bool removeRoute(EncodedXmlFile& file, const pugi::xml_node& route)
{
    const pugi::xml_node blank = isBlank(route.previous_sibling()) ? route.previous_sibling() : route;
    return file.replace(file.startOf(blank), file.endOf(route), {});
}

QString encodingRefusal(const QString& path, const QString& encoding, const QString& text)
{
    const QString file = QDir::toNativeSeparators(path);
    if (localeIsEnglish())
        return QStringLiteral("The route file %1 is written in %2, which cannot hold \"%3\".\r\n\r\n"
                              "The route is not saved.")
            .arg(file, encoding, text);
    return QStringLiteral("Die Routendatei %1 ist in %2 geschrieben und kann \u201E%3\u201C nicht aufnehmen.\r\n\r\n"
                          "Die Route wird nicht gespeichert.")
        .arg(file, encoding, text);
}

// Why the route file was not rewritten; the file is as it was in every case.
QString routeFileUnreadable()
{
    return localeIsEnglish() ? QStringLiteral("it cannot be read as a route file and is left as it is")
                             : QStringLiteral("sie ist als Routendatei nicht lesbar und bleibt, wie sie ist");
}

QString routeFileNotKept()
{
    return localeIsEnglish() ? QStringLiteral("the change cannot be made without altering the rest of the file")
                             : QStringLiteral("die Änderung ginge nicht ohne den Rest der Datei zu verändern");
}

QString routeFileLocked()
{
    return localeIsEnglish() ? QStringLiteral("it is locked, or its folder cannot be written")
                             : QStringLiteral("sie ist gesperrt, oder ihr Ordner ist nicht beschreibbar");
}

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
    // A backslash or slash would make the name a path of nested registry keys; a
    // control character (a TAB) would split the plain dialog's list line; the
    // template row's name would hide the stored route behind the template. A character
    // XML does not allow, in any field, would make the route file unreadable as a whole.
    const bool control = std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
    if (!isXmlText(name) || !isXmlText(address) || !isXmlText(netId) || name.trimmed().isEmpty()
        || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')) || control
        || name.trimmed() == kUserDefinedRouteName)
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

// Another tool may have stored a value of another type; it is no address or net id then.
bool RouteStore::routeValueIs(const QString& name, const QString& value, RegType type) const
{
    const std::optional<RegValue> v = m_store.value(HKEY_LOCAL_MACHINE, kRemoteRoutesKey + QLatin1Char('\\') + name, value);
    return v && v->type == type;
}

QString RouteStore::GetRemoteAddress(const QString& name) const
{
    QString address;
    if (routeValueIs(name, QStringLiteral("Address"), RegType::Text))
        m_registry.ReadValue(HKEY_LOCAL_MACHINE, kRemoteRoutesKey + QLatin1Char('\\') + name, QStringLiteral("Address"),
                             address);
    return address;
}

QString RouteStore::GetRemoteRtnNetId(const QString& name) const
{
    if (!routeValueIs(name, QStringLiteral("RtnNetId"), RegType::Binary))
        return {};
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

RouteStore::FileLoad RouteStore::loadFile(EncodedXmlFile& file) const
{
    QByteArray data;
    const FileRead read = readRegularFile(m_filePath, data, kRouteFileCap);
    if (read == FileRead::Missing)
        return FileLoad::Missing;
    return read == FileRead::Ok && file.load(data) ? FileLoad::Loaded : FileLoad::Damaged;
}

QList<Route> RouteStore::ReadStaticRoutesWithXmlDocument() const
{
    // Every save puts a whole new file in place, so reading needs no lock.
    QList<Route> routes;
    EncodedXmlFile file;
    if (loadFile(file) != FileLoad::Loaded)
        return routes;
    forEachRoute(file.document(), [&](const pugi::xml_node& route) {
        // One incomplete route is passed over; the rest of the file still counts.
        if (isComplete(route))
            routes << Route{childText(file, route, "Name"), childText(file, route, "NetId"),
                            childText(file, route, "Address"), kRouteKindFile};
        return false;
    });
    return routes;
}

bool RouteStore::WriteStaticRoutesWithXmlDocument(const QString& name, const QString& address, const QString& netId)
{
    return appendToFile(name, address, netId) == SaveResult::Stored;
}

RouteStore::SaveResult RouteStore::appendToFile(const QString& name, const QString& address, const QString& netId)
{
    QString refusal, failure;
    {
        // Under the lock: the file as another copy may just have saved it, one route more.
        const bool folder = QDir().mkpath(QFileInfo(m_filePath).absolutePath());
        const FileLock lock(m_filePath);
        EncodedXmlFile file;
        FileLoad load = folder && lock.held() ? loadFile(file) : FileLoad::Damaged;
        if (load == FileLoad::Missing)
            load = file.load(QByteArray(kNewRouteFile)) ? FileLoad::Loaded : FileLoad::Damaged;
        const pugi::xml_node section = file.document().child("CvConfig").child("RemoteConnections");
        if (!folder || !lock.held())
            failure = routeFileLocked();
        else if (load != FileLoad::Loaded || !section)
            failure = routeFileUnreadable(); // a damaged file is never overwritten
        for (const QString& text : {name, address, netId})
            if (failure.isEmpty() && refusal.isEmpty() && !file.canHold(text))
                refusal = encodingRefusal(m_filePath, file.encodingName(), text);
        if (failure.isEmpty() && refusal.isEmpty()) {
            failure = writeBack(file, appendRoute(file, section, name, address, netId));
            if (failure.isEmpty())
                return SaveResult::Stored;
        }
    }
    // Told once the lock is free: the other copies need not wait for the user.
    if (!failure.isEmpty()) {
        tellFileNotChanged(failure, false);
        return SaveResult::Failed;
    }
    m_dialogs.MsgBox(refusal, vbCritical, QStringLiteral("RTN Router"));
    return SaveResult::Refused;
}

QString RouteStore::writeBack(const EncodedXmlFile& file, bool edited) const
{
    if (!edited)
        return routeFileNotKept();
    const std::optional<QByteArray> bytes = file.save();
    if (!bytes)
        return localeIsEnglish() ? QStringLiteral("the file holds characters XML does not allow")
                                 : QStringLiteral("die Datei enthält Zeichen, die XML nicht erlaubt");
    const FileWrite written = writeRegularFile(m_filePath, *bytes);
    return written ? QString() : fileWriteFailureReason(written);
}

void RouteStore::tellFileNotChanged(const QString& why, bool deleting) const
{
    const QString file = QDir::toNativeSeparators(m_filePath);
    const QString text = localeIsEnglish()
        ? QStringLiteral("The route file %1 could not be saved: %2.\r\n\r\n").arg(file, why)
            + (deleting ? QStringLiteral("The route is not deleted.") : QStringLiteral("The route is not saved."))
        : QStringLiteral("Die Routendatei %1 konnte nicht gespeichert werden: %2.\r\n\r\n").arg(file, why)
            + (deleting ? QStringLiteral("Die Route wird nicht gelöscht.") : QStringLiteral("Die Route wird nicht gespeichert."));
    m_dialogs.MsgBox(text, vbCritical, QStringLiteral("RTN Router"));
}

bool RouteStore::DeleteStaticRouteWithXMLDocument(const QString& kind, const QString& name, const QString& address,
                                                  const QString& netId)
{
    if (!kRouteKindFile.contains(kind)) {
        m_dialogs.MsgBox(QStringLiteral("'Corvane 2 Routen löschen' nicht implementiert"), vbExclamation,
                         QStringLiteral("ToDo!"));
        return false;
    }
    if (!QFileInfo::exists(m_filePath))
        return false;
    QString failure;
    const bool removed = [&] {
        const FileLock lock(m_filePath);
        EncodedXmlFile file;
        if (!lock.held())
            failure = routeFileLocked();
        else if (loadFile(file) != FileLoad::Loaded)
            failure = routeFileUnreadable();
        if (!failure.isEmpty())
            return false;
        // Whole fields must match: a part of a name or an empty field removes nothing.
        pugi::xml_node found;
        forEachRoute(file.document(), [&](const pugi::xml_node& route) {
            if (isComplete(route) && childText(file, route, "Name") == name.trimmed()
                && childText(file, route, "Address") == address.trimmed()
                && childText(file, route, "NetId") == netId.trimmed())
                found = route;
            return bool(found);
        });
        if (!found)
            return false;
        failure = writeBack(file, removeRoute(file, found));
        return failure.isEmpty();
    }();
    // Told once the lock is free, as for an added route.
    if (!failure.isEmpty())
        tellFileNotChanged(failure, true);
    return removed;
}

RouteStore::SaveResult RouteStore::SaveRTN(const QString& kind, const QString& name, const QString& address, const QString& netId)
{
    const QString refusal = routeSaveRefusal(name, address, netId);
    if (!refusal.isEmpty()) {
        m_dialogs.MsgBox(refusal + QStringLiteral("\r\n\r\nThe route is not saved."), vbCritical,
                         QStringLiteral("RTN Router"));
        return SaveResult::Refused;
    }
    if (kind != kRouteKindRegistry)
        return appendToFile(name, address, netId);
    if (addRegistryRoute(name, address, netId))
        return SaveResult::Stored;
    const QString folder = QDir::toNativeSeparators(m_store.rootFolder());
    m_dialogs.MsgBox(localeIsEnglish()
                         ? QStringLiteral("The route could not be saved in the settings folder %1.").arg(folder)
                         : QStringLiteral("Die Route konnte nicht im Einstellungsordner %1 gespeichert werden.").arg(folder),
                     vbCritical, QStringLiteral("RTN Router"));
    return SaveResult::Failed;
}
