#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/kor-host/GameDataAssets.h"
#include "tools/kor-host/HostState.h"
#include "tools/kor-host/PlayerPreferences.h"
#include "tools/kor-host/ServiceRequest.h"
#include "tools/kor-host/StateDatabase.h"

namespace kor::korhost {

// The host's resources as the plug-in reaches them through the host table's
// SendRequest entry, simulated and backed by the state database:
//
//   GET  /kor-login/v1/session                          the login session; 404 when nobody is logged in
//   GET  /kor-player-preferences/v1/player-preferences-ready   bool
//   .../kor-player-preferences/v1/...                   PlayerPreferences
//   GET  /data-store/v1/<path>                          the value last posted there; 404 when none
//   POST /data-store/v1/<path>  (or PUT)                stores the parameter; answers nothing
//   GET  /kor-game-data/assets/v1/SettingsToPersist.json   GameDataAssets (a stream)
//   POST /telemetry/v1/events/<name>                    stores the parameter; answers nothing
//
// Anything else answers 404 (an unknown resource) or 405 (a known resource
// with another method). Each answer is what the plug-in relies on, and no
// more; a failure of the database answers 500 with its message.
class HostServices {
public:
    HostServices(StateDatabase& database, HostState& state)
        : database_(database), state_(state), preferences_(database, state) {}

    hostkit::HostAnswer Answer(const ServiceRequest& request);

    // Everything the services hold, for a tester to look at:
    //   {"loginSession": session or null, "playerPreferencesReady": bool,
    //    "dataStore": {path: value, ...},
    //    "playerPreferences": [{"accountId", "type", "data", "version", "modified"}, ...],
    //    "telemetry": [{"name", "payload", "receivedAt"}, ...]}
    hostkit::Outcome<hostkit::HostValue> Describe();

    // The request record read into a ServiceRequest: method text (the custom
    // text for method 8), URL split at "?", first argument as the parameter.
    // A parameter whose plain record cannot be read is a failure.
    static hostkit::Outcome<ServiceRequest> Read(const PluginRequest& record);

private:
    hostkit::HostAnswer LoginSessionResource(const ServiceRequest& request);
    hostkit::HostAnswer ReadyResource(const ServiceRequest& request);
    hostkit::HostAnswer DataStore(const ServiceRequest& request);
    hostkit::HostAnswer TelemetryEvents(const ServiceRequest& request);

    StateDatabase& database_;
    HostState& state_;
    PlayerPreferences preferences_;
    GameDataAssets assets_;
};

}  // namespace kor::korhost
