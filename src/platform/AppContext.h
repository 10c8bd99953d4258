#pragma once
// The program-wide objects, gathered so a test can build a fresh program.
// Member order is destruction order reversed: clsCommon saves through the
// registry when it goes, so it is declared after it.
#include "BusyScope.h"
#include "ChannelFactory.h"
#include "Dialogs.h"
#include "LocaleInfo.h"
#include "LogBox.h"
#include "RegistryAccess.h"
#include "RegistryStore.h"
#include "clsCommon.h"
#include "clsRefList.h"
#include <QSet>
#include <QStringList>
#include <pugixml.hpp>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

class AppContext {
public:
    // registryFolder empty: RegistryStore::defaultRootFolder().
    explicit AppContext(const QString& registryFolder = {});
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // The context of the running program (or of the test that made one).
    static AppContext* current();
    static void setCurrent(AppContext* context);

    // The folder of the program file, without a trailing slash.
    static QString programFolder();

    // gCommon, created on first use.
    clsCommon& common();

    // Appends a line to gLogBox; a line from before the log exists waits for flushNotices.
    // The line is made when it is logged, in the language then in force.
    void logNotice(std::function<QString()> line);
    void flushNotices();

    std::unique_ptr<RegistryStore> store;
    std::unique_ptr<IRegistryAccess> gObjRegistry;
    std::unique_ptr<ILocaleInfo> gObjLocale;
    std::unique_ptr<IDialogs> dialogs;
    std::unique_ptr<IChannelFactory> channelFactory;
    std::unique_ptr<clsCommon> gCommon;

    std::unique_ptr<IDeviceChannel> gObjDevCom;
    std::unique_ptr<IQNPChannel> m_objDevQnpObj;
    IDeviceChannel* gObjDevChannel = nullptr; // gObjDevCom or m_objDevQnpObj
    std::unique_ptr<IDeviceService> gObjDevSrv;

    bool gDevMode = false;
    ILogBox* gLogBox = nullptr;
    QWidget* tvTreeView = nullptr; // the main window's station tree; a firmware run disables it
    pugi::xml_node gOfflineStation;
    RefListCollection gRefList; // filled once at start-up
    QSet<QString> reportedResources; // resources found nowhere, each reported once
    QSet<QString> reportedSettings;  // stored values ignored as unusable ("name=value"), each named once
    std::vector<std::function<QString()>> pendingNotices;
    BusyState busy; // work under way that a close must wait for
    QPointer<QWidget> dialogOwner; // the innermost DialogOwnerGuard's window
};

// Shorthands for the current context.
inline AppContext& app() { return *AppContext::current(); }
inline clsCommon& gCommon() { return AppContext::current()->common(); }
