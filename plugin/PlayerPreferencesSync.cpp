// Keeping "PersistedSettings.json" in step with the account's copy on the
// player-preferences service.
#include <optional>
#include <string>

#include "binding/BindingProperty.h"
#include "config/ConfigLocations.h"
#include "abi/MethodNumbers.h"
#include "host/client/RequestParameter.h"
#include "log/Log.h"
#include "plugin/GameSettingsPlugin.h"
#include "plugin/PersistedSettingsFile.h"

namespace kor {
namespace {

constexpr std::string_view kHashPath = "/kor-player-preferences/v1/hash";
constexpr std::string_view kServerCopyPath = "/kor-player-preferences/v1/preference/GamePreferences";
constexpr std::string_view kUploadPath = "/kor-player-preferences/v1/preference";
constexpr uint32_t kNotModified = 304;

constexpr const char* kServerReturned = "player-preference server returned %d";
constexpr const char* kNotConnected = "We are not connected to the Player Prefs server, are you logged in?";
constexpr const char* kServerCopyNotWritten = "Unable to store the player-preference server copy in %s";

BindingProperty Preference(std::string_view persistedText) {
    BindingProperty preference;
    preference.MemberForWrite("data").SetString(persistedText);
    preference.MemberForWrite("type").SetString("GamePreferences");
    preference.MemberForWrite("version").SetString("1.0");
    return preference;
}

}  // namespace

void GameSettingsPlugin::SyncWithPlayerPreferences() {
    const std::string local = ReadPersistedSettingsFile().value_or(std::string());
    RequestResult<std::string> hash =
        Request<std::string>(PluginMethod::Post, kHashPath, RequestParameter(std::string_view(local)));
    if (!hash.ok()) return;

    RequestResult<BindingProperty> server =
        Request<BindingProperty>(PluginMethod::Get, kServerCopyPath, RequestParameter(std::string_view(hash.value())));
    if (!server.ok()) {
        if (server.error().status == kNotModified) {
            SetSettingsOwner(loginSession_.accountId, owner_.timestamp, false);
        } else {
            LogWarning(kServerReturned, static_cast<int>(server.error().status));
            ResetForOtherAccount();
        }
        LoadSettings();
        return;
    }

    const std::string_view data = server.value().Member("data").GetString();
    const uint64_t modified = server.value().Member("modified").GetUnsigned(0);
    const bool unsentLocalChanges = owner_.accountId == loginSession_.accountId && owner_.timestamp == modified &&
                                    owner_.modified;
    if (unsentLocalChanges) {
        LoadSettings();
        UploadPlayerPreferences();
        return;
    }
    // The server copy wins. Only a copy that reached the disk may move the
    // owner record to the server's version: otherwise the next
    // synchronisation would take the old local file for that version.
    if (WritePersistedSettingsFile(data.empty() ? std::string_view("{}") : data)) {
        SetSettingsOwner(loginSession_.accountId, modified, false);
    } else {
        LogError(kServerCopyNotWritten, GetPersistedSettingsPath().c_str());
    }
    LoadSettings();
}

bool GameSettingsPlugin::UploadPlayerPreferences() {
    // With nobody logged in there is no account to upload for, and the
    // owner record must not be handed to "no account".
    if (!playerPreferencesReady_ || loginSession_.accountId == 0) {
        LogWarning("%s", kNotConnected);
        return false;
    }
    const std::optional<std::string> local = ReadPersistedSettingsFile();
    if (!local) return false;
    RequestResult<BindingProperty> answer =
        Request<BindingProperty>(PluginMethod::Put, kUploadPath, RequestParameter(Preference(*local)));
    if (!answer.ok()) return false;
    SetSettingsOwner(loginSession_.accountId, answer.value().Member("modified").GetUnsigned(0), false);
    return true;
}

bool GameSettingsPlugin::ReloadPostGame() {
    // The game may have changed the INI files and the persisted settings
    // while it ran.
    LoadSettings();
    MarkSettingsModified();
    return UploadPlayerPreferences();
}

}  // namespace kor
