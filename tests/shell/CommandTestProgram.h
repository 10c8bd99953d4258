#pragma once
// A main window over scripted channels, for the command and log-in tests:
// the factory hands out scripted channels serving a small coupler, the
// description cache and the debug copies live in the test's folder.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "platform/ChannelFactory.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modLogin.h"
#include "shell/modStartup.h"

#include <QDir>
#include <QLabel>
#include <QTreeWidget>
#include <memory>

// Coupler table 0 with the monitoring marker, table 9 with the type and the terminals.
inline void serveCoupler(ScriptedChannel& c, QVector<int32_t> terminalList, int32_t marker = OnlineMonitoringMarker)
{
    // A family-word coupler with the firmware of the demo station.
    QVector<int32_t> table0(256, 0);
    table0[3] = 1;
    table0[244] = marker;
    table0[246] = 1;
    table0[248] = 48847;
    table0[250] = 5555;
    table0[255] = 47616;
    c.setTable(0, 0, table0);
    terminalList.resize(256);
    c.setTable(0, 9, terminalList);
    c.setTable(0, 90, QVector<int32_t>(65, 0));
}

class ScriptedFactory : public IChannelFactory {
public:
    ScriptedChannel* serial = nullptr;
    ScriptedChannel* qnp = nullptr;
    RecordingDeviceService* service = nullptr;
    RecordingSerialParam serialParam;
    RecordingQnpParam qnpParam;

    std::unique_ptr<IDeviceChannel> createSerialChannel() override
    {
        auto c = std::make_unique<ScriptedChannel>();
        c->setParamObj(&serialParam);
        serveCoupler(*c, {4555});
        serial = c.get();
        return c;
    }
    std::unique_ptr<IQNPChannel> createQnpChannel() override
    {
        auto c = std::make_unique<ScriptedChannel>();
        c->setParamObj(&qnpParam);
        serveCoupler(*c, {4555});
        qnp = c.get();
        return c;
    }
    std::unique_ptr<IDeviceService> createDeviceService() override
    {
        auto s = std::make_unique<RecordingDeviceService>();
        service = s.get();
        return s;
    }
};

struct CommandTestProgram {
    TestEnv env;
    ScriptedFactory* factory = nullptr;
    std::unique_ptr<frmMain> window;
    int ends = 0; // calls of the process end

    explicit CommandTestProgram(int32_t accessLevel = 2)
    {
        gCommon().setAccessLevel(accessLevel);
        auto f = std::make_unique<ScriptedFactory>();
        factory = f.get();
        env.context().channelFactory = std::move(f);
        gCommon().setPathFolderResCommon(env.tempPath() + QStringLiteral("/res"));
        QDir().mkpath(env.tempPath() + QStringLiteral("/res/Devices"));
        window = std::make_unique<frmMain>();
        window->setEndProcess([this] { ++ends; });
        window->commands().login().readContext().debugFolder = env.tempPath();
        env.log().SetText({});
    }
    ~CommandTestProgram()
    {
        window.reset();
        env.context().gObjDevChannel = nullptr;
    }

    frmMain& w() { return *window; }
    MainCommands& commands() { return window->commands(); }
};
