#include "plugin/SettingsOwnership.h"

#include "config/ConfigLocations.h"
#include "abi/MethodNumbers.h"
#include "host/client/EventTable.h"
#include "host/client/RequestClient.h"
#include "host/client/RequestParameter.h"
#include "log/Log.h"
#include "plugin/LoginSession.h"
#include "plugin/PersistedSettingsFile.h"
#include "plugin/SettingsResourceTable.h"

namespace kor {
namespace {

constexpr std::string_view kOwnerPath = "/data-store/v1/install-settings/game-settings";

constexpr const char* kOwnerNotStored = "Failed to set game-settings-owner: %s";
constexpr const char* kOtherPlayersFile = "local file belongs to another player, resetting file %llu %llu";
constexpr const char* kUnableToReset = "unable to reset %s";

}  // namespace

void SettingsOwnership::ReadSettingsOwner() {
    RequestResult<BindingProperty> record = requests_.Request<BindingProperty>(PluginMethod::Get, kOwnerPath);
    owner_ = record.ok() ? OwnerFromRecord(record.value()) : GameSettingsOwner{};
}

void SettingsOwnership::SetSettingsOwner(uint64_t accountId, uint64_t timestamp, bool modified) {
    const GameSettingsOwner next{accountId, timestamp, modified};
    if (owner_ == next) return;
    // Changed in memory whatever the data store answers, so the same values
    // are not sent again until they change.
    owner_ = next;
    RequestResult<void> stored =
        requests_.RequestDiscardResult(PluginMethod::Post, kOwnerPath, RequestParameter(OwnerRecord(next)));
    if (!stored.ok()) LogError(kOwnerNotStored, stored.error().message.c_str());
}

void SettingsOwnership::MarkSettingsModified() {
    const uint64_t sessionAccount = session_.login.accountId;
    const uint64_t account = sessionAccount != 0 ? sessionAccount : owner_.accountId;
    if (account == 0) return;
    SetSettingsOwner(account, owner_.timestamp, true);
}

void SettingsOwnership::ResetForOtherAccount() {
    const uint64_t ownerAccount = owner_.accountId;
    const uint64_t sessionAccount = session_.login.accountId;
    if (ownerAccount == 0 || sessionAccount == 0 || ownerAccount == sessionAccount) return;
    LogWarning(kOtherPlayersFile, static_cast<unsigned long long>(ownerAccount),
               static_cast<unsigned long long>(sessionAccount));
    if (!WritePersistedSettingsFile("{}")) {
        LogWarning(kUnableToReset, GetPersistedSettingsPath().c_str());
        return;
    }
    SetSettingsOwner(0, 0, false);
    didReset_ = true;
    events_.FireResourceEvent(PluginResourceEventType::Update, kDidResetPath, true);
}

}  // namespace kor
