#include "tools/kor-host/GameDataAssets.h"

namespace kor::korhost {
namespace {

constexpr std::string_view kSettingsToPersist = R"({
    "files": [
        {
            "name": "Game.cfg",
            "sections": [
                { "name": "HUD", "persisted": true },
                { "name": "Volume", "persisted": true }
            ]
        },
        {
            "name": "Input.ini",
            "sections": [
                { "name": "GameEvents", "persisted": true },
                { "name": "HUDEvents", "persisted": true },
                { "name": "ShopEvents", "persisted": true }
            ]
        }
    ]
}
)";

}  // namespace

std::string_view GameDataAssets::DefaultSettingsToPersist() { return kSettingsToPersist; }

hostkit::HostAnswer GameDataAssets::Answer(const ServiceRequest& request) const {
    const std::string_view name = std::string_view(request.path).substr(kPrefix.size());
    if (name != "SettingsToPersist.json") return ErrorAnswer("no game-data asset " + std::string(name), kNotFound);
    if (request.method != "GET") return ErrorAnswer("assets are read with GET", kMethodNotAllowed);

    hostkit::StreamScript script;
    for (std::size_t offset = 0; offset < kSettingsToPersist.size(); offset += kChunkSize) {
        script.chunks.emplace_back(kSettingsToPersist.substr(offset, kChunkSize));
    }
    hostkit::HostAnswer answer;
    answer.stream = std::move(script);
    return answer;
}

}  // namespace kor::korhost
