#include "plugin/GameSettingsPlugin.h"

#include "config/DiskFileProvider.h"
#include "config/FileAccess.h"
#include "plugin/DefaultSettingsDocument.h"
#include "plugin/PersistenceStore.h"

namespace kor {

GameSettingsPlugin::GameSettingsPlugin() = default;

GameSettingsPlugin::~GameSettingsPlugin() = default;

void GameSettingsPlugin::RegisterApi() {
    RegisterSessionTypes(*this);
    RegisterSettingsResource("game-settings", "/game-settings", false);
    RegisterSettingsResource("game-settings-schema", "/game-settings-schema", true);
    RegisterSettingsResource("input-settings", "/input-settings", false);
    RegisterSettingsResource("input-settings-schema", "/input-settings-schema", true);
    RegisterEndpoints();
}

bool GameSettingsPlugin::OnInitialized() {
    RegisterFileProvider(&GetDiskFileProvider());
    playerPreferencesReady_ = false;
    // A failed fetch is logged inside; the defaults are parsed regardless.
    FetchSettingsToPersist();
    LoadDefaultSettings();
    SubscribeSessionEvents();
    ReadSettingsOwner();
    return true;
}

void GameSettingsPlugin::Shutdown() {
    SaveAndDestroyPersistenceStore();
    Plugin::Shutdown();
}

}  // namespace kor
