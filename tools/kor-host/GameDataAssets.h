#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tools/hostkit/HostAnswer.h"
#include "tools/kor-host/ServiceRequest.h"

namespace kor::korhost {

// The game-data assets the host serves from its own copy. Only
// "SettingsToPersist.json" is known: the list of settings kept server-side,
// which the plug-in stores unread. It is delivered as a stream of short
// chunks, as the client delivers assets, so the plug-in's reader waits for
// the host between them.
class GameDataAssets {
public:
    static constexpr std::string_view kPrefix = "/kor-game-data/assets/v1/";
    static constexpr std::size_t kChunkSize = 64;

    hostkit::HostAnswer Answer(const ServiceRequest& request) const;

    // The list the host ships: the HUD and Volume sections of "Game.cfg" and
    // the key-binding sections of "Input.ini" are persisted.
    static std::string_view DefaultSettingsToPersist();
};

}  // namespace kor::korhost
