#include "plugin/PlayerPreferencesSync.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abi/HttpStatus.h"
#include "binding/BindingProperty.h"
#include "config/ConfigLocations.h"
#include "abi/MethodNumbers.h"
#include "host/client/RequestClient.h"
#include "host/client/RequestParameter.h"
#include "log/Log.h"
#include "plugin/LoginSession.h"
#include "plugin/PersistedSettingsFile.h"
#include "plugin/SettingsOwnership.h"
#include "plugin/SettingsResources.h"

namespace kor {
namespace {

constexpr std::string_view kHashPath = "/kor-player-preferences/v1/hash";
constexpr std::string_view kServerCopyPath = "/kor-player-preferences/v1/preference/GamePreferences";
constexpr std::string_view kUploadPath = "/kor-player-preferences/v1/preference";

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

// The server's version of a preference it answered with: its "modified".
uint64_t ServerVersion(const BindingProperty& preference) { return preference.Member("modified").GetUnsigned(0); }

}  // namespace

void PlayerPreferencesSync::SyncWithPlayerPreferences() {
    const std::string local = ReadPersistedSettingsFile().value_or(std::string());
    RequestResult<std::string> hash =
        requests_.Request<std::string>(PluginMethod::Post, kHashPath, RequestParameter(std::string_view(local)));
    if (!hash.ok()) return;

    RequestResult<BindingProperty> server = requests_.Request<BindingProperty>(
        PluginMethod::Get, kServerCopyPath, RequestParameter(std::string_view(hash.value())));
    if (!server.ok()) {
        if (server.error().status == http::kNotModified) {
            ownership_.SetSettingsOwner(session_.login.accountId, ownership_.owner().timestamp, false);
        } else {
            LogWarning(kServerReturned, static_cast<int>(server.error().status));
            ownership_.ResetForOtherAccount();
        }
        resources_.LoadSettings();
        return;
    }

    const std::string_view data = server.value().Member("data").GetString();
    const uint64_t modified = ServerVersion(server.value());
    const GameSettingsOwner& owner = ownership_.owner();
    const bool unsentLocalChanges =
        owner.accountId == session_.login.accountId && owner.timestamp == modified && owner.modified;
    if (unsentLocalChanges) {
        resources_.LoadSettings();
        UploadPlayerPreferences();
        return;
    }
    // The server copy wins. Only a copy that reached the disk may move the
    // owner record to the server's version: otherwise the next
    // synchronisation would take the old local file for that version.
    if (WritePersistedSettingsFile(data.empty() ? std::string_view("{}") : data)) {
        ownership_.SetSettingsOwner(session_.login.accountId, modified, false);
    } else {
        LogError(kServerCopyNotWritten, GetPersistedSettingsPath().c_str());
    }
    resources_.LoadSettings();
}

bool PlayerPreferencesSync::UploadPlayerPreferences() {
    // With nobody logged in there is no account to upload for, and the
    // owner record must not be handed to "no account".
    if (!session_.playerPreferencesReady || session_.login.accountId == 0) {
        LogWarning("%s", kNotConnected);
        return false;
    }
    const std::optional<std::string> local = ReadPersistedSettingsFile();
    if (!local) return false;
    RequestResult<BindingProperty> answer =
        requests_.Request<BindingProperty>(PluginMethod::Put, kUploadPath, RequestParameter(Preference(*local)));
    if (!answer.ok()) return false;
    ownership_.SetSettingsOwner(session_.login.accountId, ServerVersion(answer.value()), false);
    return true;
}

bool PlayerPreferencesSync::ReloadPostGame() {
    // The game may have changed the INI files and the persisted settings
    // while it ran.
    resources_.LoadSettings();
    ownership_.MarkSettingsModified();
    return UploadPlayerPreferences();
}

}  // namespace kor
