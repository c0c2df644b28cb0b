#pragma once

#include <cstdint>
#include <string_view>

#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"
#include "tools/hostkit/ResourceEvent.h"
#include "tools/kor-host/CallAnswer.h"
#include "tools/kor-host/EventHub.h"
#include "tools/kor-host/HostState.h"
#include "tools/kor-host/PluginRunner.h"

namespace kor::korhost {

// What the client does around the plug-in, on a tester's command: log a
// user in or out, switch the player-preferences service, end a game. Each
// operation changes the host state first, then announces the change the way
// the client does: a resource event delivered to the plug-in (and published
// on the event streams) under the plug-in lock, all events of one operation
// in one hold of the lock.
class HostControl {
public:
    static constexpr std::string_view kSessionPath = "/kor-login/v1/session";
    static constexpr std::string_view kReadyPath = "/kor-player-preferences/v1/player-preferences-ready";
    static constexpr std::string_view kReloadPostGamePath = "/kor-game-settings/v1/reload-post-game";

    HostControl(PluginRunner& runner, HostState& state, EventHub& events)
        : runner_(runner), state_(state), events_(events) {}

    // Session Update {SUCCEEDED, ids}, then player-preferences-ready Update
    // true, in the client's order. Both ids must be non-zero. Answers the
    // session value.
    hostkit::Outcome<hostkit::HostValue> Login(uint64_t accountId, uint64_t summonerId);
    // Session Update LOGGING_OUT, session Delete, then player-preferences-ready
    // Update false (which, with nobody logged in, changes nothing else).
    hostkit::Outcome<void> Logout();
    // Player-preferences-ready Update with `ready`.
    hostkit::Outcome<void> SetPlayerPreferencesReady(bool ready);
    // Calls POST "/kor-game-settings/v1/reload-post-game", as the client does
    // once a game has ended.
    CallAnswer GameEnded();

    // After start-up: when the stored session is logged in and the service
    // ready, announces readiness again (an Update true), as the client does
    // for a user who is still logged in, so that the plug-in loads and
    // synchronises the settings of a restarted host.
    hostkit::Outcome<void> ResumeSession();

private:
    // Publishes the event on the streams, then delivers it to the plug-in,
    // so that a stream shows the host's event before the plug-in's answers.
    void Announce(PluginRunner::Locked& plugin, std::string_view uri, hostkit::ResourceEventType type,
                  hostkit::HostValue data);

    PluginRunner& runner_;
    HostState& state_;
    EventHub& events_;
};

}  // namespace kor::korhost
