#pragma once

#include <string>
#include <string_view>

#include "config/ConfigLocations.h"

namespace kor {

// Every resource the service serves lies under this path.
inline constexpr std::string_view kServicePath = "/kor-game-settings/v1";

// The settings the client reads and changes, one row per INI file. Each row
// is two resources: the value document, which a PATCH changes, and its
// read-only schema, which holds the default of every setting. Registration,
// the load, the PATCH and the announcements all walk this table in its order,
// which is the order the client sees them registered and announced, and the
// order a PATCH writes the files in.
struct SettingsResourcePair {
    std::string_view values;         // path of the value document
    std::string_view schema;         // path of its schema
    std::string_view documentGroup;  // the default document's member naming the sections and settings
    std::string (*defaultsFile)();
    const std::string& (*file)();
};

inline constexpr SettingsResourcePair kSettingsResources[] = {
    {"/kor-game-settings/v1/game-settings", "/kor-game-settings/v1/game-settings-schema", "GameSettings",
     &GetDefaultGameConfigPath, &GetGameConfigPath},
    {"/kor-game-settings/v1/input-settings", "/kor-game-settings/v1/input-settings-schema", "InputSettings",
     &GetDefaultInputConfigPath, &GetInputConfigPath},
};

// The row whose changes may take key combinations from other input events.
inline constexpr const SettingsResourcePair& kInputSettingsResources = kSettingsResources[1];

// The name under which a settings resource is kept in the structure that
// holds all four: its path's last step ("game-settings").
constexpr std::string_view ResourceMember(std::string_view path) { return path.substr(kServicePath.size() + 1); }

// A schema holds {"default": value} where its value document holds the value.
inline constexpr std::string_view kSchemaDefaultMember = "default";

// The service's four small endpoints.
inline constexpr std::string_view kSavePath = "/kor-game-settings/v1/save";
inline constexpr std::string_view kReloadPostGamePath = "/kor-game-settings/v1/reload-post-game";
inline constexpr std::string_view kDidResetPath = "/kor-game-settings/v1/didreset";
inline constexpr std::string_view kReadyPath = "/kor-game-settings/v1/ready";

}  // namespace kor
