#pragma once

namespace kor {

class RequestClient;
class SettingsOwnership;
class SettingsResources;
struct ObservedSession;

// Keeps "PersistedSettings.json" in step with the logged-in account's copy
// on the player-preferences service, deciding by the owner record whose copy
// wins, and loads the settings the file then holds. Reads the session its
// plug-in observes; talks to the service through `requests`.
class PlayerPreferencesSync {
public:
    PlayerPreferencesSync(RequestClient& requests, const ObservedSession& session, SettingsOwnership& ownership,
                          SettingsResources& resources)
        : requests_(requests), session_(session), ownership_(ownership), resources_(resources) {}
    PlayerPreferencesSync(const PlayerPreferencesSync&) = delete;
    PlayerPreferencesSync& operator=(const PlayerPreferencesSync&) = delete;

    // Compares the local persisted settings with the account's server copy,
    // keeps, uploads or replaces the local file, then loads the settings.
    void SyncWithPlayerPreferences();
    // Uploads "PersistedSettings.json"; false when nobody is logged in, the
    // service is not ready, the file cannot be read or the upload fails.
    bool UploadPlayerPreferences();
    // Reloads what a game may have changed, marks it modified and uploads.
    bool ReloadPostGame();

private:
    RequestClient& requests_;
    const ObservedSession& session_;
    SettingsOwnership& ownership_;
    SettingsResources& resources_;
};

}  // namespace kor
