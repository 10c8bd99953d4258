#include "AppContext.h"

#include <QCoreApplication>
#include <utility>

namespace {
AppContext* s_current = nullptr;
}

AppContext::AppContext(const QString& registryFolder)
    : store(std::make_unique<RegistryStore>(registryFolder))
    , gObjRegistry(std::make_unique<RegistryAccess>(*store))
    , gObjLocale(std::make_unique<LocaleInfo>())
    , dialogs(std::make_unique<QtDialogs>())
    , channelFactory(createDefaultChannelFactory())
{
    if (!s_current)
        s_current = this;
}

AppContext::~AppContext()
{
    // Channels go before the settings object; the settings object before the registry.
    gObjDevChannel = nullptr;
    gObjDevSrv.reset();
    m_objDevQnpObj.reset();
    gObjDevCom.reset();
    gCommon.reset();
    if (s_current == this)
        s_current = nullptr;
}

AppContext* AppContext::current() { return s_current; }
void AppContext::setCurrent(AppContext* context) { s_current = context; }

QString AppContext::programFolder() { return QCoreApplication::applicationDirPath(); }

clsCommon& AppContext::common()
{
    if (!gCommon)
        gCommon = std::make_unique<clsCommon>(gObjRegistry.get(), gObjLocale.get());
    return *gCommon;
}

void AppContext::logNotice(std::function<QString()> line)
{
    if (gLogBox)
        AppendLogText(gLogBox, line());
    else
        pendingNotices.push_back(std::move(line));
}

void AppContext::flushNotices()
{
    if (!gLogBox)
        return;
    for (const std::function<QString()>& line : std::exchange(pendingNotices, {}))
        AppendLogText(gLogBox, line());
}
