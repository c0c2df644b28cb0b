#include "tools/kor-host/HostControl.h"

#include <optional>
#include <utility>

#include "abi/EventKey.h"
#include "tools/hostkit/JsonCodec.h"

namespace kor::korhost {
namespace {

using hostkit::Failure;
using hostkit::HostValue;
using hostkit::Outcome;
using hostkit::ResourceEventType;

}  // namespace

void HostControl::Announce(PluginRunner::Locked& plugin, std::string_view uri, ResourceEventType type,
                           HostValue data) {
    const HostValue event = hostkit::MakeResourceEvent(uri, type, std::move(data));
    const std::string key = kor::EventKeyOf(uri);
    events_.Publish(key, hostkit::EncodeJson(event));
    plugin.Deliver(key, event);
}

Outcome<HostValue> HostControl::Login(uint64_t accountId, uint64_t summonerId) {
    if (accountId == 0 || summonerId == 0) return Failure{"accountId and summonerId must both be non-zero"};
    LoginSession session;
    session.state = "SUCCEEDED";
    session.accountId = accountId;
    session.summonerId = summonerId;
    return runner_.Exclusive([&](PluginRunner::Locked& plugin) -> Outcome<HostValue> {
        if (Outcome<void> stored = state_.SetSession(session); !stored) return Failure{stored.error()};
        if (Outcome<void> stored = state_.SetPlayerPreferencesReady(true); !stored) return Failure{stored.error()};
        Announce(plugin, kSessionPath, ResourceEventType::Update, session.ToValue());
        Announce(plugin, kReadyPath, ResourceEventType::Update, HostValue::Bool(true));
        return session.ToValue();
    });
}

Outcome<void> HostControl::Logout() {
    return runner_.Exclusive([&](PluginRunner::Locked& plugin) -> Outcome<void> {
        Outcome<std::optional<LoginSession>> current = state_.Session();
        if (!current) return Failure{current.error()};
        if (Outcome<void> cleared = state_.ClearSession(); !cleared) return cleared;
        if (Outcome<void> stored = state_.SetPlayerPreferencesReady(false); !stored) return stored;
        if (current.value()) {
            LoginSession leaving = *current.value();
            leaving.state = "LOGGING_OUT";
            Announce(plugin, kSessionPath, ResourceEventType::Update, leaving.ToValue());
        }
        Announce(plugin, kSessionPath, ResourceEventType::Delete, HostValue());
        Announce(plugin, kReadyPath, ResourceEventType::Update, HostValue::Bool(false));
        return {};
    });
}

Outcome<void> HostControl::SetPlayerPreferencesReady(bool ready) {
    return runner_.Exclusive([&](PluginRunner::Locked& plugin) -> Outcome<void> {
        if (Outcome<void> stored = state_.SetPlayerPreferencesReady(ready); !stored) return stored;
        Announce(plugin, kReadyPath, ResourceEventType::Update, HostValue::Bool(ready));
        return {};
    });
}

CallAnswer HostControl::GameEnded() {
    CallRequest request;
    request.method = "POST";
    request.url = std::string(kReloadPostGamePath);
    return runner_.Call(request);
}

Outcome<void> HostControl::ResumeSession() {
    return runner_.Exclusive([&](PluginRunner::Locked& plugin) -> Outcome<void> {
        Outcome<std::optional<LoginSession>> session = state_.Session();
        if (!session) return Failure{session.error()};
        Outcome<bool> ready = state_.PlayerPreferencesReady();
        if (!ready) return Failure{ready.error()};
        if (session.value() && session.value()->LoggedIn() && ready.value()) {
            Announce(plugin, kReadyPath, ResourceEventType::Update, HostValue::Bool(true));
        }
        return {};
    });
}

}  // namespace kor::korhost
