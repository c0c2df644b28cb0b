#include "plugin/GameSettingsPlugin.h"

#include "binding/BindingProperty.h"
#include "config/DiskFileProvider.h"
#include "config/FileAccess.h"
#include "host/client/ResourceEvents.h"
#include "host/router/RouteRegistration.h"
#include "host/router/TypedRouteInvoker.h"
#include "log/Log.h"
#include "plugin/DefaultSettingsDocument.h"
#include "plugin/SettingsResourceTable.h"
#include "plugin/SettingsToPersistAsset.h"

namespace kor {
namespace {

constexpr std::string_view kSessionPath = "/kor-login/v1/session";
constexpr std::string_view kPreferencesReadyPath = "/kor-player-preferences/v1/player-preferences-ready";

constexpr const char* kServiceDisabled = "player-preference service is disabled";

bool IsLoggedIn(const LoginSession& session) {
    return session.state == LoginSessionStates::SUCCEEDED && session.accountId != 0 && session.summonerId != 0;
}

}  // namespace

GameSettingsPlugin::GameSettingsPlugin()
    : ownership_(requests(), events(), session_),
      resources_(events(), ownership_),
      sync_(requests(), session_, ownership_, resources_) {}

GameSettingsPlugin::~GameSettingsPlugin() = default;

void GameSettingsPlugin::RegisterApi() {
    RegisterSessionTypes(*this);
    for (const SettingsResourcePair& resource : kSettingsResources) RegisterSettingsResources(resource);
    RegisterEndpoints();
}

bool GameSettingsPlugin::OnInitialized() {
    RegisterFileProvider(&GetDiskFileProvider());
    session_.playerPreferencesReady = false;
    // A failed fetch is logged inside; the defaults are parsed regardless.
    FetchSettingsToPersist(requests());
    LoadDefaultSettings();
    SubscribeSessionEvents();
    ownership_.ReadSettingsOwner();
    return true;
}

void GameSettingsPlugin::Shutdown() {
    resources_.CloseStore();
    Plugin::Shutdown();
}

void GameSettingsPlugin::RegisterSettingsResources(const SettingsResourcePair& resource) {
    // The handlers hold the resources themselves: their addresses never change.
    BindingProperty* values = &resources_.Resource(resource.values);
    RegisterRoute(registry(), tags(), PluginMethod::Get, resource.values, [values]() { return *values; });
    RegisterRoute(registry(), tags(), PluginMethod::Patch, resource.values,
                  [this, &resource](const BindingProperty& change) {
                      return resources_.PatchSettingsResource(resource, change);
                  })
        .AddBodyParameter<BindingProperty>("settingsResource", "");
    BindingProperty* schema = &resources_.Resource(resource.schema);
    RegisterRoute(registry(), tags(), PluginMethod::Get, resource.schema, [schema]() { return *schema; });
}

void GameSettingsPlugin::RegisterEndpoints() {
    RegisterRoute(registry(), tags(), PluginMethod::Post, kSavePath,
                  [this]() { return sync_.UploadPlayerPreferences(); });
    RegisterRoute(registry(), tags(), PluginMethod::Post, kReloadPostGamePath,
                  [this]() { return sync_.ReloadPostGame(); });
    RegisterRoute(registry(), tags(), PluginMethod::Get, kDidResetPath, [this]() { return ownership_.didReset(); });
    RegisterRoute(registry(), tags(), PluginMethod::Get, kReadyPath, [this]() { return resources_.ready(); });
}

void GameSettingsPlugin::SubscribeSessionEvents() {
    events().ObserveResource<LoginSession>(kSessionPath, [this](const TypedResourceEvent<LoginSession>& event) {
        OnLoginSession(event.eventType, event.value);
    });
    events().ObserveResource<bool>(kPreferencesReadyPath, [this](const TypedResourceEvent<bool>& event) {
        OnPlayerPreferencesReady(event.eventType, event.value);
    });
}

void GameSettingsPlugin::OnLoginSession(PluginResourceEventType type, const LoginSession& session) {
    switch (type) {
        case PluginResourceEventType::Create:
        case PluginResourceEventType::Update:
            session_.login = session;
            break;
        case PluginResourceEventType::Delete:
            session_.login = LoginSession();
            break;
    }
}

void GameSettingsPlugin::OnPlayerPreferencesReady(PluginResourceEventType type, bool ready) {
    session_.playerPreferencesReady = ready;
    if (type != PluginResourceEventType::Update || !IsLoggedIn(session_.login)) return;
    if (ready) {
        sync_.SyncWithPlayerPreferences();
        return;
    }
    LogWarning("%s", kServiceDisabled);
    ownership_.ResetForOtherAccount();
    resources_.LoadSettings();
}

}  // namespace kor
