#include "tools/kor-host/HostState.h"

#include "tools/hostkit/JsonCodec.h"

namespace kor::korhost {
namespace {

using hostkit::Failure;
using hostkit::HostValue;
using hostkit::Outcome;

constexpr std::string_view kSessionKey = "host/login-session";
constexpr std::string_view kReadyKey = "host/player-preferences-ready";

uint64_t UnsignedMember(const HostValue& value, std::string_view name) {
    const HostValue* member = value.Find(name);
    if (member == nullptr) return 0;
    return member->AsUnsigned().value_or(0);
}

}  // namespace

HostValue LoginSession::ToValue() const {
    HostValue value;
    value.Set("state", HostValue::String(state));
    value.Set("summonerId", HostValue::Unsigned(summonerId));
    value.Set("accountId", HostValue::Unsigned(accountId));
    // The plug-in keeps the token as it comes and never reads it.
    value.Set("gasToken", HostValue::Structure({{"issuer", HostValue::String("kor-host")}}));
    return value;
}

Outcome<std::optional<LoginSession>> HostState::Session() {
    Outcome<std::optional<std::string>> stored = database_.GetText(kSessionKey);
    if (!stored) return Failure{stored.error()};
    if (!stored.value()) return std::optional<LoginSession>();
    Outcome<HostValue> decoded = hostkit::DecodeJson(*stored.value());
    if (!decoded) return Failure{"the stored login session is not JSON: " + decoded.error()};
    LoginSession session;
    if (const HostValue* state = decoded.value().Find("state"); state != nullptr && state->AsString() != nullptr) {
        session.state = *state->AsString();
    }
    session.summonerId = UnsignedMember(decoded.value(), "summonerId");
    session.accountId = UnsignedMember(decoded.value(), "accountId");
    return std::optional<LoginSession>(session);
}

Outcome<void> HostState::SetSession(const LoginSession& session) {
    HostValue stored;
    stored.Set("state", HostValue::String(session.state));
    stored.Set("summonerId", HostValue::Unsigned(session.summonerId));
    stored.Set("accountId", HostValue::Unsigned(session.accountId));
    return database_.PutText(kSessionKey, hostkit::EncodeJson(stored));
}

Outcome<void> HostState::ClearSession() { return database_.DeleteText(kSessionKey); }

Outcome<bool> HostState::PlayerPreferencesReady() {
    Outcome<std::optional<std::string>> stored = database_.GetText(kReadyKey);
    if (!stored) return Failure{stored.error()};
    return stored.value().has_value() && *stored.value() == "true";
}

Outcome<void> HostState::SetPlayerPreferencesReady(bool ready) {
    return database_.PutText(kReadyKey, ready ? "true" : "false");
}

std::optional<uint64_t> HostState::CurrentAccount() {
    Outcome<std::optional<LoginSession>> session = Session();
    if (!session || !session.value() || !session.value()->LoggedIn()) return std::nullopt;
    return session.value()->accountId;
}

}  // namespace kor::korhost
