#pragma once

#include <string_view>

#include "host/Plugin.h"
#include "host/client/PluginManagerTypes.h"
#include "plugin/LoginSession.h"
#include "plugin/PlayerPreferencesSync.h"
#include "plugin/SettingsOwnership.h"
#include "plugin/SettingsResources.h"

namespace kor {

// The one concrete plug-in of the library: the game-settings service. The
// entry point constructs it and registers it as "kor-game-settings"; the
// host then drives it through RegisterApi, OnInitialized, Shutdown and
// destruction, and reaches everything else through the settings resources
// and the two host events it observes.
//
// The plug-in owns the registration and the observation of the host's
// session; the work is done by three collaborators it wires together: the
// settings resources (with the persisted-settings store), the settings
// owner, and the player-preferences synchronisation. Each gets only the
// parts of the plug-in's client it uses: its request client, its event
// table, or both.
//
// The host delivers calls and events one at a time; nothing here is locked.
class GameSettingsPlugin : public Plugin {
public:
    static constexpr const char* kShortName = "kor-game-settings";

    GameSettingsPlugin();
    ~GameSettingsPlugin() override;

    // Saves "PersistedSettings.json" and drops the persisted-settings store
    // when a load made one, then drops every subscription.
    void Shutdown() override;
    // Types, the four settings resources and the four endpoints, in order.
    void RegisterApi() override;
    // Starts the service; never fails. No settings are loaded here.
    bool OnInitialized() override;

    // The handlers of the two session resources the service observes. The
    // first usable readiness update for a logged-in user synchronises (or,
    // when the service is disabled, checks for a reset) and loads.
    void OnLoginSession(PluginResourceEventType type, const LoginSession& session);
    void OnPlayerPreferencesReady(PluginResourceEventType type, bool ready);

private:
    // GET and PATCH of the value document, GET of its schema.
    void RegisterSettingsResources(const SettingsResourcePair& resource);
    void RegisterEndpoints();
    void SubscribeSessionEvents();

    // Declared before the collaborators that hold references to each other.
    ObservedSession session_;
    SettingsOwnership ownership_;
    SettingsResources resources_;
    PlayerPreferencesSync sync_;
};

}  // namespace kor
