#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/BindingProperty.h"
#include "host/router/HandlerOutcome.h"
#include "host/Plugin.h"
#include "host/client/PluginManagerTypes.h"
#include "plugin/GameSettingsOwner.h"
#include "plugin/LoginSession.h"

namespace kor {

// The one concrete plug-in of the library: the game-settings service. The
// entry point constructs it and registers it as "kor-game-settings"; the
// host then drives it through RegisterApi, OnInitialized, Shutdown and
// destruction, and reaches everything else through the settings resources
// and the two host events it observes.
//
// The host delivers calls and events one at a time; nothing here is locked.
class GameSettingsPlugin : public Plugin {
public:
    static constexpr const char* kShortName = "kor-game-settings";

    GameSettingsPlugin();
    // Members go in reverse order of declaration: the binding index, the
    // session's token, then the settings, as the service tears down.
    ~GameSettingsPlugin() override;

    // Saves "PersistedSettings.json" and destroys the persisted-settings
    // store when a load made one, then drops every subscription.
    void Shutdown() override;
    // Types, the four settings resources and the four endpoints, in order.
    void RegisterApi() override;
    // Starts the service; never fails. No settings are loaded here.
    bool OnInitialized() override;

    // ---- Settings resources and endpoints ----

    // Fills the four settings resources from the default document and the
    // INI files, rebuilds the binding index and announces the load. Does
    // nothing beyond cleaning "PersistedSettings.json" and creating the
    // persisted-settings store while the default document is absent.
    void LoadSettings();
    // Merges `change` into the resource at `subPath`, writes both INI files
    // and the persisted settings as one change, marks the owner modified and
    // announces the change under `fullPath`. A change whose values the files
    // could not hold as they are answers 400; one that cannot be written
    // (or comes before the first load) answers the 500 error "Unable to save
    // settings to file" with nothing changed, in memory or on disk.
    HandlerOutcome PatchSettingsResource(const std::string& fullPath, std::string_view subPath,
                                         const BindingProperty& change);

    // ---- Player-preferences synchronisation ----

    // Compares the local persisted settings with the account's server copy,
    // keeps, uploads or replaces the local file, then loads the settings.
    void SyncWithPlayerPreferences();
    // Uploads "PersistedSettings.json"; false when nobody is logged in, the
    // service is not ready, the file cannot be read or the upload fails.
    bool UploadPlayerPreferences();
    // Reloads what a game may have changed, marks it modified and uploads.
    bool ReloadPostGame();

    // ---- Account ownership ----

    // `owner` from the data store; {0, 0, false} when it cannot be read.
    void ReadSettingsOwner();
    // Records a new owner state, posting it to the data store when it
    // differs from the current one.
    void SetSettingsOwner(uint64_t accountId, uint64_t timestamp, bool modified);
    // Marks the local settings changed since their last synchronisation.
    // They stay with their owner while nobody is logged in, so that the next
    // login of another account still resets them; with no owner there is
    // nobody to mark.
    void MarkSettingsModified();
    // Empties "PersistedSettings.json" when it belongs to another account
    // than the logged-in one, and tells the client through "didreset".
    void ResetForOtherAccount();

    // ---- Start-up ----

    // Stores the game-data asset "SettingsToPersist.json" as
    // "DATA/CFG/defaults/SettingsToPersist.json"; failures are logged.
    void FetchSettingsToPersist();

    // ---- Login and player-preferences readiness ----

    void SubscribeSessionEvents();
    void OnLoginSession(PluginResourceEventType type, const LoginSession& session);
    void OnPlayerPreferencesReady(PluginResourceEventType type, bool ready);

private:
    void RegisterSettingsResource(std::string_view member, std::string_view subPath, bool readOnly);
    void RegisterEndpoints();
    void AnnounceUpdate(std::string_view uri, const BindingProperty& value);
    void AnnounceUpdate(std::string_view uri, bool value);
    BindingProperty& Resource(std::string_view member) { return settings_.MemberForWrite(member); }

    GameSettingsOwner owner_;
    BindingProperty settings_;
    bool playerPreferencesReady_ = false;
    bool didReset_ = false;
    bool ready_ = false;
    LoginSession loginSession_;
    BindingProperty bindingIndex_;
};

}  // namespace kor
