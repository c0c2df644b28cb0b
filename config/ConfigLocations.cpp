#include "config/ConfigLocations.h"

#include "config/PathUtilities.h"
#include "platform/FileSystem.h"

#include <optional>

namespace kor {
namespace {

constexpr std::size_t kWorkingDirectoryBufferSize = 260;
constexpr const char* kOldConfigDirectory = "DATA/CFG/";
constexpr const char* kGameConfigName = "Game.cfg";
constexpr const char* kInputConfigName = "Input.ini";

struct Locations {
    std::optional<std::string> workingDirectory;
    InstallLayout layout = InstallLayout::kUndetermined;
    std::optional<std::string> configDirectory;
    std::optional<std::string> gameConfig;
    std::optional<std::string> inputConfig;
    std::optional<std::string> persistedSettings;
    std::optional<std::string> persistedSettingsList;
};

Locations& State() {
    static Locations locations;
    return locations;
}

void DetectOnce() {
    Locations& state = State();
    if (state.workingDirectory) return;
    std::string directory = platform::CurrentDirectory(kWorkingDirectoryBufferSize);
    for (char& c : directory) {
        if (c == '\\') c = '/';
    }
    state.layout = DetectInstallLayout(directory, DeployedLayoutMarkers());
    state.workingDirectory = std::move(directory);
}

// Moves "DATA/CFG/<name>" into the configuration directory when only the old
// file exists. A failed move leaves both places as they were.
std::string PathWithOldFileMoved(const char* name) {
    std::string newPath = JoinPath({GetConfigDirectory(), name});
    const std::string oldPath = std::string(kOldConfigDirectory) + name;
    if (newPath != oldPath && platform::CheckAccess(newPath, 0) != 0 &&
        platform::IsNonDirectory(oldPath)) {
        platform::ReplaceFile(oldPath, newPath);
    }
    return newPath;
}

}  // namespace

const std::string& GetWorkingDirectory() {
    DetectOnce();
    return *State().workingDirectory;
}

InstallLayout GetInstallLayout() {
    DetectOnce();
    return State().layout;
}

std::string GetInstallRoot() {
    return InstallRootFor(GetInstallLayout(), GetWorkingDirectory());
}

std::string ConfigDirectoryFor(InstallLayout layout, std::string_view installRoot) {
    if (layout == InstallLayout::kDevelopmentTree) return kOldConfigDirectory;
    // An empty root means the working directory could not be read; the
    // candidate then stays relative instead of landing at the file-system root.
    std::string candidate = installRoot.empty() ? "Config/" : std::string(installRoot) + "/Config/";
    CreateSingleDirectory(candidate);
    if (platform::IsDirectory(candidate) && platform::CheckAccess(candidate, 2) == 0) return candidate;
    return kOldConfigDirectory;
}

std::string GetConfigDirectory() {
    return ConfigDirectoryFor(GetInstallLayout(), GetInstallRoot());
}

const std::string& GetCachedConfigDirectory() {
    Locations& state = State();
    if (!state.configDirectory) state.configDirectory = GetConfigDirectory();
    return *state.configDirectory;
}

std::string GetConfigFilePath(std::string_view name) {
    std::string path = GetCachedConfigDirectory();
    path.append(name);
    return path;
}

const std::string& GetGameConfigPath() {
    Locations& state = State();
    if (!state.gameConfig) state.gameConfig = PathWithOldFileMoved(kGameConfigName);
    return *state.gameConfig;
}

const std::string& GetInputConfigPath() {
    Locations& state = State();
    if (!state.inputConfig) state.inputConfig = PathWithOldFileMoved(kInputConfigName);
    return *state.inputConfig;
}

const std::string& GetPersistedSettingsPath() {
    Locations& state = State();
    if (!state.persistedSettings) state.persistedSettings = GetConfigDirectory() + "/PersistedSettings.json";
    return *state.persistedSettings;
}

const std::string& GetPersistedSettingsListPath() {
    Locations& state = State();
    if (!state.persistedSettingsList) {
        state.persistedSettingsList = GetConfigDirectory() + "/SettingsToPersist.json";
    }
    return *state.persistedSettingsList;
}

std::string GetDefaultPersistedSettingsListPath() {
    return "DATA/CFG/defaults/SettingsToPersist.json";
}

std::string GetDefaultGameConfigPath() {
    return "DATA/CFG/defaults/Game.cfg";
}

std::string GetDefaultInputConfigPath() {
    return "DATA/CFG/defaults/Input.ini";
}

void ResetConfigLocationsForTesting() {
    State() = Locations{};
}

}  // namespace kor
