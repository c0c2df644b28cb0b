#include "fuzz/ServiceUnderFuzz.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/hostkit/EventKey.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/ResourceEvent.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor::fuzz {
namespace {

using hostkit::HostValue;

constexpr const char* kOwnerPath = "/data-store/v1/install-settings/game-settings";
constexpr const char* kAssetPath = "/kor-game-data/assets/v1/SettingsToPersist.json";
constexpr const char* kHashPath = "/kor-player-preferences/v1/hash";
constexpr const char* kServerCopyPath = "/kor-player-preferences/v1/preference/GamePreferences";

constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";

// The plug-in is linked into this program, whose own handle the loader
// gives for the empty path: the entry point is found there.
constexpr const char* kThisProgram = "";

[[noreturn]] void GiveUp(const std::string& why) {
    std::fprintf(stderr, "fuzz service set-up failed: %s\n", why.c_str());
    std::abort();
}

void EnterFreshInstallation() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kor-fuzz-service-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) GiveUp("no temporary directory under " + pattern);
    std::filesystem::current_path(pattern);
    std::filesystem::create_directories("Config");
    std::filesystem::create_directories("DATA/CFG/defaults");
}

}  // namespace

ServiceUnderFuzz& ServiceUnderFuzz::Instance() {
    // Never destroyed: the plug-in stays loaded for the whole run, as in a
    // host, and its state carries from one input to the next.
    static ServiceUnderFuzz* service = new ServiceUnderFuzz();
    return *service;
}

ServiceUnderFuzz::ServiceUnderFuzz() : host_(kThisProgram) {
    EnterFreshInstallation();
    ScriptHostServices();
    auto loaded = host_.Load();
    if (!loaded.ok()) GiveUp(loaded.error());
    if (!host_.Initialize()) GiveUp("initialize answered false");
    LogInAndLoad();
    ForgetRecords();
}

void ServiceUnderFuzz::ScriptHostServices() {
    testing::TestHostTable& hosts = host_.table();
    hosts.AnswerError(kOwnerPath, "no such record", 404);
    hosts.AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
    hosts.AnswerValue(kHashPath, HostValue::String("hash-of-local"));
    hosts.AnswerError(kServerCopyPath, "not modified", 304);
}

void ServiceUnderFuzz::LogInAndLoad() {
    const std::string session = "/kor-login/v1/session";
    const std::string ready = "/kor-player-preferences/v1/player-preferences-ready";
    const auto update = hostkit::ResourceEventType::Update;
    host_.DeliverEvent(hostkit::EventKeyForPath(session),
                       hostkit::MakeResourceEvent(session, update,
                                                  HostValue::Structure({{"state", HostValue::String("SUCCEEDED")},
                                                                        {"summonerId", HostValue::Unsigned(501)},
                                                                        {"accountId", HostValue::Unsigned(2002)}})));
    host_.DeliverEvent(hostkit::EventKeyForPath(ready), hostkit::MakeResourceEvent(ready, update, HostValue::Bool(true)));
}

}  // namespace kor::fuzz
