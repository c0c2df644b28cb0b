#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"
#include "tools/kor-host/StateDatabase.h"

namespace kor::korhost {

// The login session as the client's login service reports it.
struct LoginSession {
    std::string state = "IN_PROGRESS";  // "IN_PROGRESS", "SUCCEEDED", "LOGGING_OUT", "ERROR"
    uint64_t summonerId = 0;
    uint64_t accountId = 0;

    bool LoggedIn() const { return state == "SUCCEEDED" && accountId != 0 && summonerId != 0; }
    // {"state", "summonerId", "accountId", "gasToken"}: the value the plug-in
    // converts into its LoginSession record.
    hostkit::HostValue ToValue() const;
};

// What the host remembers about its user across restarts: who is logged in
// and whether the player-preferences service is ready. Both live in the
// state database; this class names them and keeps their JSON form in one
// place.
class HostState {
public:
    explicit HostState(StateDatabase& database) : database_(database) {}

    // Nothing when nobody is logged in.
    hostkit::Outcome<std::optional<LoginSession>> Session();
    hostkit::Outcome<void> SetSession(const LoginSession& session);
    hostkit::Outcome<void> ClearSession();

    // False until set.
    hostkit::Outcome<bool> PlayerPreferencesReady();
    hostkit::Outcome<void> SetPlayerPreferencesReady(bool ready);

    // The account whose player preferences are served: the logged-in
    // session's, or nothing.
    std::optional<uint64_t> CurrentAccount();

private:
    StateDatabase& database_;
};

}  // namespace kor::korhost
