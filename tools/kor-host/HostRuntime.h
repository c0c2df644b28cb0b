#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "tools/hostkit/Outcome.h"
#include "tools/kor-host/CommandLine.h"
#include "tools/kor-host/EventHub.h"
#include "tools/kor-host/HostControl.h"
#include "tools/kor-host/HostServices.h"
#include "tools/kor-host/HostState.h"
#include "tools/kor-host/HttpServer.h"
#include "tools/kor-host/KorHostTable.h"
#include "tools/kor-host/PluginRunner.h"
#include "tools/kor-host/StateDatabase.h"

namespace kor::korhost {

// Everything a kor-host command runs on, started in order: the work folder
// and its state database, the game installation (the demo one laid out when
// none is given), the working directory moved to the installation's root
// (the plug-in finds its files from there, as in the client), the plug-in
// loaded and initialised, and a still logged-in user's session resumed.
//
// Members are declared so that the host table outlives the plug-in and the
// services outlive the table; destruction shuts the plug-in down first.
class HostRuntime {
public:
    static hostkit::Outcome<std::unique_ptr<HostRuntime>> Start(const Options& options);
    ~HostRuntime();

    PluginRunner& runner() { return *runner_; }
    HostControl& control() { return *control_; }
    HostServices& services() { return *services_; }
    EventHub& events() { return events_; }
    const std::string& gameDirectory() const { return gameDirectory_; }

    // The shut-down callback: the plug-in saves "PersistedSettings.json".
    void Shutdown() { runner_->Shutdown(); }

private:
    HostRuntime() : events_(HttpServer::kMaxEventStreams) {}

    std::unique_ptr<StateDatabase> database_;
    std::unique_ptr<HostState> state_;
    std::unique_ptr<HostServices> services_;
    EventHub events_;
    std::unique_ptr<KorHostTable> table_;
    std::unique_ptr<PluginRunner> runner_;
    std::unique_ptr<HostControl> control_;
    std::string gameDirectory_;
};

// The plug-in library used when --library is not given:
// libkor_game_settings.so in kor-host's own directory, else the one the
// build produced (its path is compiled in), else the bare name for dlopen's
// search.
std::string DefaultLibraryPath();

}  // namespace kor::korhost
