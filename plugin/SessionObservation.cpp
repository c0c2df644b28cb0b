// Following who is logged in and whether the player-preferences service can
// be used; the first usable readiness update loads the settings.
#include "host/client/ResourceEvents.h"
#include "log/Log.h"
#include "plugin/GameSettingsPlugin.h"

namespace kor {
namespace {

constexpr std::string_view kSessionPath = "/kor-login/v1/session";
constexpr std::string_view kPreferencesReadyPath = "/kor-player-preferences/v1/player-preferences-ready";

constexpr const char* kServiceDisabled = "player-preference service is disabled";

bool IsLoggedIn(const LoginSession& session) {
    return session.state == LoginSessionStates::SUCCEEDED && session.accountId != 0 && session.summonerId != 0;
}

}  // namespace

void GameSettingsPlugin::SubscribeSessionEvents() {
    ObserveResource<LoginSession>(kSessionPath, [this](const TypedResourceEvent<LoginSession>& event) {
        OnLoginSession(event.eventType, event.value);
    });
    ObserveResource<bool>(kPreferencesReadyPath, [this](const TypedResourceEvent<bool>& event) {
        OnPlayerPreferencesReady(event.eventType, event.value);
    });
}

void GameSettingsPlugin::OnLoginSession(PluginResourceEventType type, const LoginSession& session) {
    switch (type) {
        case PluginResourceEventType::Create:
        case PluginResourceEventType::Update:
            loginSession_ = session;
            break;
        case PluginResourceEventType::Delete:
            loginSession_ = LoginSession();
            break;
    }
}

void GameSettingsPlugin::OnPlayerPreferencesReady(PluginResourceEventType type, bool ready) {
    playerPreferencesReady_ = ready;
    if (type != PluginResourceEventType::Update || !IsLoggedIn(loginSession_)) return;
    if (playerPreferencesReady_) {
        SyncWithPlayerPreferences();
        return;
    }
    LogWarning("%s", kServiceDisabled);
    ResetForOtherAccount();
    LoadSettings();
}

}  // namespace kor
