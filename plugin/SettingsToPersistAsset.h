#pragma once

namespace kor {

class PluginClient;

// Stores the game-data asset "SettingsToPersist.json", fetched through
// `client`, as "DATA/CFG/defaults/SettingsToPersist.json", where the
// persisted-settings store reads its list; failures are logged.
void FetchSettingsToPersist(PluginClient& client);

}  // namespace kor
