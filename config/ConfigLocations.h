#pragma once

#include "config/InstallLayout.h"

#include <string>
#include <string_view>

namespace kor {

// Where the game's configuration files live, derived once per process from
// the working directory. Every path below is computed on its first request
// and kept; changing the working directory afterwards changes nothing (until
// ResetConfigLocationsForTesting). The first requests must come from one
// thread; later ones only read.

// The working directory as read on first use ("/" separators); empty when it
// does not fit into 260 bytes.
const std::string& GetWorkingDirectory();
InstallLayout GetInstallLayout();
std::string GetInstallRoot();

// The configuration directory, ending in "/": the install root followed by
// "/Config/", created (one level) when missing and used when writable;
// otherwise "DATA/CFG/". The development tree always uses "DATA/CFG/". Looked
// up afresh on each call.
std::string GetConfigDirectory();

// The configuration directory as first computed, then kept.
const std::string& GetCachedConfigDirectory();
// GetCachedConfigDirectory() followed directly by `name`.
std::string GetConfigFilePath(std::string_view name);

// "Game.cfg" / "Input.ini" joined to the configuration directory. On the first
// call each moves its file from its old place under "DATA/CFG/" when the new
// place has none yet.
const std::string& GetGameConfigPath();
const std::string& GetInputConfigPath();

// The configuration directory followed by "/PersistedSettings.json" and
// "/SettingsToPersist.json".
const std::string& GetPersistedSettingsPath();
const std::string& GetPersistedSettingsListPath();

// The fixed defaults, relative to the working directory.
std::string GetDefaultPersistedSettingsListPath();
std::string GetDefaultGameConfigPath();
std::string GetDefaultInputConfigPath();

// The configuration directory for an install root under a layout, without
// any caching. Exposed for tests of the rules.
std::string ConfigDirectoryFor(InstallLayout layout, std::string_view installRoot);

// Forgets the working directory, the layout and every cached path, so the
// next request computes them again from the current working directory.
void ResetConfigLocationsForTesting();

}  // namespace kor
