#include "fuzz/ServiceUnderFuzz.h"

#include <stdlib.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "abi/EventKey.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/ResourceEvent.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor::fuzz {
namespace {

using hostkit::HostValue;

constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";

// Names the service looks for in payloads and arguments.
constexpr std::array<std::string_view, 24> kKnownNames = {
    "state",     "summonerId", "accountId", "gasToken",   "uri",        "eventType",        "data",      "files",
    "name",      "sections",   "settings",  "value",      "persisted",  "GameEvents",       "HUDEvents", "ShopEvents",
    "General",   "evtCastSpell2", "modified", "timestamp", "hash",      "settingsResource", "SUCCEEDED", "Update"};

void Require(bool condition, const std::string& why) {
    KOR_FUZZ_CHECK(condition, ("fuzz service set-up: " + why).c_str());
}

void DeliverUpdate(testing::TestHost& host, const std::string& path, HostValue data) {
    host.DeliverEvent(kor::EventKeyOf(path),
                      hostkit::MakeResourceEvent(path, hostkit::ResourceEventType::Update, std::move(data)));
}

testing::TestHost* MakeService() {
    const char* base = std::getenv("TMPDIR");
    std::string directory = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kor-fuzz-service-XXXXXX";
    Require(mkdtemp(directory.data()) != nullptr, "no temporary directory under " + directory);
    std::filesystem::current_path(directory);
    std::filesystem::create_directories("Config");
    std::filesystem::create_directories("DATA/CFG/defaults");

    auto* host = new testing::TestHost("");  // the plug-in is linked into this program
    testing::TestHostTable& services = host->table();
    services.AnswerError("/data-store/v1/install-settings/game-settings", "no such record", 404);
    services.AnswerStream("/kor-game-data/assets/v1/SettingsToPersist.json", hostkit::StreamScript{{kPersistList}, {}, {}, {}});
    services.AnswerValue("/kor-player-preferences/v1/hash", HostValue::String("hash-of-local"));
    services.AnswerError("/kor-player-preferences/v1/preference/GamePreferences", "not modified", 304);
    auto loaded = host->Load();
    if (!loaded.ok()) Require(false, loaded.error());
    Require(host->Initialize(), "initialize answered false");
    DeliverUpdate(*host, "/kor-login/v1/session",
                  HostValue::Structure({{"state", HostValue::String("SUCCEEDED")},
                                        {"summonerId", HostValue::Unsigned(501)},
                                        {"accountId", HostValue::Unsigned(2002)}}));
    DeliverUpdate(*host, "/kor-player-preferences/v1/player-preferences-ready", HostValue::Bool(true));
    services.ClearRecords();
    return host;
}

}  // namespace

testing::TestHost& ServiceHost() {
    static testing::TestHost* host = MakeService();
    return *host;
}

std::string ConsumeName(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) return std::string(kKnownNames[input.ConsumeIntegralInRange<std::size_t>(0, kKnownNames.size() - 1)]);
    return input.ConsumeRandomLengthString(24);
}

HostValue ConsumeHostValue(FuzzedDataProvider& input, int depth) {
    switch (input.ConsumeIntegralInRange<int>(0, depth > 0 ? 8 : 6)) {
        case 0: return HostValue();
        case 1: return HostValue::Bool(input.ConsumeBool());
        case 2: return HostValue::Signed(input.ConsumeIntegral<int64_t>());
        case 3: return HostValue::Unsigned(input.ConsumeIntegral<uint64_t>());
        case 4: return HostValue::Float(input.ConsumeFloatingPoint<double>());
        case 5: return HostValue::String(input.ConsumeBool() ? ConsumeName(input) : input.ConsumeRandomLengthString(64));
        case 6: return HostValue::Blob(input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 16)));
        case 7: {
            HostValue items = HostValue::Collection();
            for (int i = input.ConsumeIntegralInRange<int>(0, 4); i > 0; --i) items.Append(ConsumeHostValue(input, depth - 1));
            return items;
        }
        default: {
            HostValue members = HostValue::Structure();
            for (int i = input.ConsumeIntegralInRange<int>(0, 5); i > 0; --i) members.Set(ConsumeName(input), ConsumeHostValue(input, depth - 1));
            return members;
        }
    }
}

}  // namespace kor::fuzz
