#pragma once

namespace kor {

class RequestClient;

// Stores the game-data asset "SettingsToPersist.json", fetched through
// `requests`, as "DATA/CFG/defaults/SettingsToPersist.json", where the
// persisted-settings store reads its list; failures are logged.
void FetchSettingsToPersist(RequestClient& requests);

}  // namespace kor
