#pragma once

// The fixture base of the tests that drive the built game-settings library
// through the test host. Each test runs in its own installation directory
// (the working directory while the test runs, removed afterwards) with a
// fresh copy of the library, so no process-wide state of one test reaches
// the next. A test may call TearDown() and SetUp() to start over.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/TestHost.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/hostkit/ResourceEvent.h"

namespace kor::testing {

// What the service tests share: the host's method numbers, the paths of the
// host services and of the plug-in's own resources, the files of an
// installation, and the persisted-settings and owner values they script.
inline constexpr uint32_t kGet = 2;
inline constexpr uint32_t kPost = 6;
inline constexpr uint32_t kPut = 7;

inline constexpr const char* kOwnerPath = "/data-store/v1/install-settings/game-settings";
inline constexpr const char* kAssetPath = "/kor-game-data/assets/v1/SettingsToPersist.json";
inline constexpr const char* kHashPath = "/kor-player-preferences/v1/hash";
inline constexpr const char* kServerCopyPath = "/kor-player-preferences/v1/preference/GamePreferences";
inline constexpr const char* kUploadPath = "/kor-player-preferences/v1/preference";
inline constexpr const char* kSessionPath = "/kor-login/v1/session";
inline constexpr const char* kReadyEventPath = "/kor-player-preferences/v1/player-preferences-ready";

inline constexpr const char* kGameSettings = "/kor-game-settings/v1/game-settings";
inline constexpr const char* kGameSettingsSchema = "/kor-game-settings/v1/game-settings-schema";
inline constexpr const char* kInputSettings = "/kor-game-settings/v1/input-settings";
inline constexpr const char* kReady = "/kor-game-settings/v1/ready";
inline constexpr const char* kDidReset = "/kor-game-settings/v1/didreset";

inline constexpr const char* kGameConfig = "Config/Game.cfg";
inline constexpr const char* kInputConfig = "Config/Input.ini";
inline constexpr const char* kPersisted = "Config/PersistedSettings.json";
inline constexpr const char* kDefaultsList = "DATA/CFG/defaults/SettingsToPersist.json";

// A "PersistedSettings.json" text holding one persisted game setting.
inline std::string PersistedText(int gameMouseSpeed) {
    return R"({"files": [{"name": "Game.cfg", "sections": [{"name": "General", "settings": [)"
           R"({"name": "GameMouseSpeed", "value": ")" +
           std::to_string(gameMouseSpeed) + R"("}]}]}]})";
}

// The data store's owner record of the local settings.
inline hostkit::HostValue OwnerValue(uint64_t accountId, uint64_t timestamp, bool modified) {
    using hostkit::HostValue;
    return HostValue::Structure({{"accountId", HostValue::Unsigned(accountId)},
                                 {"modified", HostValue::Bool(modified)},
                                 {"timestamp", HostValue::Unsigned(timestamp)}});
}

// Files are read and written as bytes, so line endings are what the code wrote.
inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// One setting of a settings answer: its text, other values as JSON, "<none>" when missing.
inline std::string Setting(const hostkit::HostValue& settings, std::string_view section, std::string_view name) {
    const hostkit::HostValue* found = settings.Find(section) != nullptr ? settings.Find(section)->Find(name) : nullptr;
    if (found == nullptr) return "<none>";
    return found->AsString() != nullptr ? *found->AsString() : hostkit::EncodeJson(*found);
}

inline void WriteFile(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}


class InstalledLibraryTest : public ::testing::Test {
protected:
    // `library` is the built library to copy; `directoryPrefix` names the
    // installation directories under the temporary directory.
    InstalledLibraryTest(std::string library, std::string directoryPrefix);

    void SetUp() override;
    void TearDown() override;

    TestHostTable& table() { return host_->table(); }

    // Loads the library through its entry point and initializes it.
    void Start();
    // Shuts the plug-in down and starts a fresh copy of the library in the
    // same installation, as a client restarted on it would; the new host's
    // table has no scripted answers yet.
    void Restart();

    // Delivers a resource event of `path` under the key the plug-in
    // subscribes to; fails the test when nobody was subscribed.
    void Deliver(std::string_view path, hostkit::ResourceEventType type, hostkit::HostValue data);

    // The host's usual pair of events: the session of `account` turns
    // SUCCEEDED, then the player-preferences service says whether it is ready.
    void LogIn(uint64_t account, bool preferencesReady = true);

    // Calls the function serving `method` on `url`, with a JSON body when
    // one is given; the response must read, as an answer or as a failure
    // with a reason. Null when the plug-in has no such function.
    std::unique_ptr<hostkit::ResponseHolder> Call(const std::string& method, const std::string& url,
                                                  const std::string& jsonBody = {});
    // The answer of a call that must succeed (the empty value when it fails).
    hostkit::HostValue Answer(const std::string& method, const std::string& url, const std::string& jsonBody = {});

    // The data store keeps one owner record: GET answers it (404 while there
    // is none), POST replaces it and is counted.
    void ScriptDataStore();
    std::optional<hostkit::HostValue> storedOwner_;
    int ownerPosts_ = 0;

    bool Logged(std::string_view fragment, int32_t level) const;

    std::vector<TestHostTable::SeenRequest> RequestsTo(std::string_view url, uint32_t method) const;

    std::string root_;
    std::unique_ptr<TestHost> host_;

private:
    std::string library_;
    std::string directoryPrefix_;
    std::string previousDirectory_;
};

}  // namespace kor::testing
