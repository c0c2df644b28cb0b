#pragma once

// What the service tests that drive the built library share: the host's
// method numbers, the paths of the host services and of the plug-in's own
// resources, the files of an installation, and the persisted-settings and
// owner values those tests script.

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "tools/hostkit/HostValue.h"

namespace kor::testing {

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

inline void WriteFile(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace kor::testing
