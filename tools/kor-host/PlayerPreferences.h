#pragma once

#include <string>
#include <string_view>

#include "tools/hostkit/HostAnswer.h"
#include "tools/kor-host/HostState.h"
#include "tools/kor-host/ServiceRequest.h"
#include "tools/kor-host/StateDatabase.h"

namespace kor::korhost {

// The player-preferences service: one stored copy per account and type,
// for the account of the logged-in session.
//
//   POST /kor-player-preferences/v1/hash                 parameter: a text
//        -> the stable hash text of that text (StableHash)
//   GET  /kor-player-preferences/v1/preference/{type}    parameter: a hash text
//        -> 404 when the account has no copy; 304 when the hash is that of the
//           stored copy's "data"; else {"data", "type", "version", "modified"}
//   PUT  /kor-player-preferences/v1/preference
//        parameter: {"data", "type", "version"}
//        -> the stored copy with its new "modified" (unsigned milliseconds,
//           later than every earlier stamp of the account)
//
// The GET and PUT need a logged-in session (401 otherwise), as the real
// service does.
class PlayerPreferences {
public:
    static constexpr std::string_view kPrefix = "/kor-player-preferences/v1/";

    PlayerPreferences(StateDatabase& database, HostState& state) : database_(database), state_(state) {}

    // Answers a request whose path starts with kPrefix.
    hostkit::HostAnswer Answer(const ServiceRequest& request);

    // 16 lower-case hexadecimal digits of the 64-bit FNV-1a hash of `text`:
    // stable across runs and machines, which is all the plug-in relies on.
    static std::string StableHash(std::string_view text);

private:
    hostkit::HostAnswer Hash(const ServiceRequest& request);
    hostkit::HostAnswer Read(const ServiceRequest& request, std::string_view type);
    hostkit::HostAnswer Write(const ServiceRequest& request);

    StateDatabase& database_;
    HostState& state_;
};

}  // namespace kor::korhost
