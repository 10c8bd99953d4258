#pragma once
// The routes of the network protocol: named targets (net id and IP address)
// kept by the runtime in two stores. Route kind "Corvane 2": one registry key
// per route under HKLM; "Corvane 3": one Route element per route in the
// runtime's route file StaticRoutes.xml.
#include <QList>
#include <QString>
#include <QStringList>

enum class RegType;
class EncodedXmlFile;
class IDialogs;
class IRegistryAccess;
class RegistryStore;

struct Route {
    QString name;
    QString netId;   // six decimal octets joined by "."
    QString address; // four decimal octets joined by "."
    QString kind;    // kRouteKindRegistry or kRouteKindFile

    bool operator==(const Route&) const = default;
};

inline const QString kRouteKindRegistry = QStringLiteral("Corvane 2");
inline const QString kRouteKindFile = QStringLiteral("Corvane 3");
// The name of the dialogs' template row, which no stored route may take.
inline const QString kUserDefinedRouteName = QStringLiteral("User-Defined");
inline const QString kRemoteRoutesKey = QStringLiteral("Software\\Harmsted\\Corvane\\Remote");

// TD4700_RUNTIME_ROOT when set, else a folder in the user's data folder.
QString runtimeRootFolder();
// The route file under the runtime root: Corvane/3.1/Target/StaticRoutes.xml.
QString staticRoutesPath();

// Why a route may not be saved (a message for the user), or empty when it may:
// any field holding a character XML does not allow, a name that is empty, holds a key
// separator or a control character, or is the template row's, a net id that is not
// six octets 0..255, an address that is not four.
QString routeSaveRefusal(const QString& name, const QString& address, const QString& netId);

class RouteStore {
public:
    RouteStore(RegistryStore& store, IRegistryAccess& registry, IDialogs& dialogs,
               const QString& filePath = staticRoutesPath());

    // Registry store: the route names in the order the registry lists them.
    QStringList registryRouteNames() const;
    // Empty when the route has no text Address.
    QString GetRemoteAddress(const QString& name) const;
    // Empty when the route has no binary RtnNetId of at least six bytes.
    QString GetRemoteRtnNetId(const QString& name) const;
    QList<Route> ReadRegistryRoutes() const;
    // Creates or overwrites the route's key with its five values; false when a write failed.
    bool addRegistryRoute(const QString& name, const QString& address, const QString& netId);

    // File store: the routes of every RemoteConnections section in document
    // order; a Route lacking Name, Address or NetId is skipped. A missing or
    // damaged file holds no routes.
    // Changes are made under a lock beside the file, on the file as it stands,
    // and written back in its own encoding; the rest of the file stays as it was.
    QList<Route> ReadStaticRoutesWithXmlDocument() const;
    // Appends a route to the first section, creating the file when missing; false
    // when nothing was written.
    bool WriteStaticRoutesWithXmlDocument(const QString& name, const QString& address, const QString& netId);
    // Removes the first route whose name, address and net id equal the given
    // ones (trimmed). A kind outside "Corvane 3" is refused with a message, and so
    // is a file that cannot be read or written. True when the file was rewritten.
    bool DeleteStaticRouteWithXMLDocument(const QString& kind, const QString& name, const QString& address,
                                          const QString& netId);

    // Adds a route: kind exactly "Corvane 2" to the registry, any other kind to
    // the file. Refused with a message (nothing written) when routeSaveRefusal
    // objects; a store that cannot be read or written gives Failed, with a message.
    enum class SaveResult { Refused, Failed, Stored };
    SaveResult SaveRTN(const QString& kind, const QString& name, const QString& address, const QString& netId);

    QString filePath() const { return m_filePath; }

private:
    bool routeValueIs(const QString& name, const QString& value, RegType type) const;
    enum class FileLoad { Loaded, Missing, Damaged };
    FileLoad loadFile(EncodedXmlFile& file) const;
    // Under the file's lock; a text the file's encoding cannot hold is refused with a message.
    SaveResult appendToFile(const QString& name, const QString& address, const QString& netId);
    // Writes the edited file; why it was not written, or empty when it was.
    QString writeBack(const EncodedXmlFile& file, bool edited) const;
    void tellFileNotChanged(const QString& why, bool deleting) const;

    RegistryStore& m_store;
    IRegistryAccess& m_registry;
    IDialogs& m_dialogs;
    QString m_filePath;
};
