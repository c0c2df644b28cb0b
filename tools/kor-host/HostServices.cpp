#include "tools/kor-host/HostServices.h"

#include <optional>
#include <utility>

#include "tools/hostkit/JsonCodec.h"
#include "abi/MethodNumbers.h"
#include "tools/hostkit/PlainValueReader.h"

namespace kor::korhost {
namespace {

using hostkit::Failure;
using hostkit::HostAnswer;
using hostkit::HostValue;
using hostkit::Outcome;

constexpr std::string_view kSessionPath = "/kor-login/v1/session";
constexpr std::string_view kReadyPath = "/kor-player-preferences/v1/player-preferences-ready";
constexpr std::string_view kDataStorePrefix = "/data-store/v1/";
constexpr std::string_view kTelemetryPrefix = "/telemetry/v1/events/";
// Data-store entries share the database table with the host's own state;
// the prefix keeps the two apart.
constexpr std::string_view kDataStoreKeyPrefix = "data-store:";

HostAnswer WrongMethod(const ServiceRequest& request) {
    return ErrorAnswer(request.method + " is not served on " + request.path, kMethodNotAllowed);
}

bool IsWrite(const ServiceRequest& request) { return request.method == "POST" || request.method == "PUT"; }

}  // namespace

Outcome<ServiceRequest> HostServices::Read(const PluginRequest& record) {
    ServiceRequest request;
    const PluginMethod method = MethodFromNumber(record.method);
    request.method = method == PluginMethod::Custom && record.customMethod != nullptr
                         ? std::string(record.customMethod)
                         : std::string(MethodText(method));
    const std::string url = record.url != nullptr ? record.url : "";
    const std::size_t question = url.find('?');
    request.path = url.substr(0, question);
    if (question != std::string::npos) request.query = url.substr(question + 1);
    if (record.argCount > 0) {
        if (record.args == nullptr) return Failure{"the request has arguments but no argument array"};
        Outcome<HostValue> parameter = hostkit::ReadPlainValue(record.args[0].value);
        if (!parameter) return Failure{"the request's parameter cannot be read: " + parameter.error()};
        request.parameter = std::move(parameter).value();
    }
    return request;
}

HostAnswer HostServices::Answer(const ServiceRequest& request) {
    const std::string_view path = request.path;
    if (path == kSessionPath) return LoginSessionResource(request);
    if (path == kReadyPath) return ReadyResource(request);
    if (path.starts_with(PlayerPreferences::kPrefix)) return preferences_.Answer(request);
    if (path.starts_with(kDataStorePrefix)) return DataStore(request);
    if (path.starts_with(GameDataAssets::kPrefix)) return assets_.Answer(request);
    if (path.starts_with(kTelemetryPrefix)) return TelemetryEvents(request);
    return ErrorAnswer("no host resource serves " + request.method + " " + request.path, kNotFound);
}

Outcome<HostValue> HostServices::Describe() {
    HostValue report;
    auto session = state_.Session();
    if (!session) return Failure{session.error()};
    report.Set("loginSession", session.value() ? session.value()->ToValue() : HostValue());
    Outcome<bool> ready = state_.PlayerPreferencesReady();
    if (!ready) return Failure{ready.error()};
    report.Set("playerPreferencesReady", HostValue::Bool(ready.value()));

    auto stored = database_.ListTexts(kDataStoreKeyPrefix);
    if (!stored) return Failure{stored.error()};
    HostValue dataStore = HostValue::Structure();
    for (const auto& [key, json] : stored.value()) {
        Outcome<HostValue> value = hostkit::DecodeJson(json);
        dataStore.Set(key.substr(kDataStoreKeyPrefix.size()), value ? std::move(value).value() : HostValue());
    }
    report.Set("dataStore", std::move(dataStore));

    auto preferences = database_.ListPreferences();
    if (!preferences) return Failure{preferences.error()};
    HostValue copies = HostValue::Collection();
    for (const StateDatabase::AccountPreference& entry : preferences.value()) {
        copies.Append(HostValue::Structure({{"accountId", HostValue::Unsigned(entry.accountId)},
                                            {"type", HostValue::String(entry.preference.type)},
                                            {"data", HostValue::String(entry.preference.data)},
                                            {"version", HostValue::String(entry.preference.version)},
                                            {"modified", HostValue::Unsigned(entry.preference.modified)}}));
    }
    report.Set("playerPreferences", std::move(copies));

    auto telemetry = database_.Telemetry();
    if (!telemetry) return Failure{telemetry.error()};
    HostValue events = HostValue::Collection();
    for (const StateDatabase::TelemetryEvent& event : telemetry.value()) {
        Outcome<HostValue> payload = hostkit::DecodeJson(event.payloadJson);
        events.Append(HostValue::Structure({{"name", HostValue::String(event.name)},
                                            {"payload", payload ? std::move(payload).value() : HostValue()},
                                            {"receivedAt", HostValue::Unsigned(event.receivedAt)}}));
    }
    report.Set("telemetry", std::move(events));
    return report;
}

HostAnswer HostServices::LoginSessionResource(const ServiceRequest& request) {
    if (request.method != "GET") return WrongMethod(request);
    auto session = state_.Session();
    if (!session) return ErrorAnswer(session.error(), kServerError);
    if (!session.value()) return ErrorAnswer("no login session", kNotFound);
    return ValueAnswer(session.value()->ToValue());
}

HostAnswer HostServices::ReadyResource(const ServiceRequest& request) {
    if (request.method != "GET") return WrongMethod(request);
    Outcome<bool> ready = state_.PlayerPreferencesReady();
    if (!ready) return ErrorAnswer(ready.error(), kServerError);
    return ValueAnswer(HostValue::Bool(ready.value()));
}

HostAnswer HostServices::DataStore(const ServiceRequest& request) {
    const std::string key = std::string(kDataStoreKeyPrefix) + request.path;
    if (request.method == "GET") {
        auto stored = database_.GetText(key);
        if (!stored) return ErrorAnswer(stored.error(), kServerError);
        if (!stored.value()) return ErrorAnswer("nothing is stored at " + request.path, kNotFound);
        Outcome<HostValue> value = hostkit::DecodeJson(*stored.value());
        if (!value) return ErrorAnswer("the stored value is damaged: " + value.error(), kServerError);
        return ValueAnswer(std::move(value).value());
    }
    if (!IsWrite(request)) return WrongMethod(request);
    if (!request.parameter) return ErrorAnswer("nothing to store at " + request.path, kBadRequest);
    Outcome<void> written = database_.PutText(key, hostkit::EncodeJson(*request.parameter));
    if (!written) return ErrorAnswer(written.error(), kServerError);
    return ValueAnswer(HostValue());
}

HostAnswer HostServices::TelemetryEvents(const ServiceRequest& request) {
    if (request.method != "POST") return WrongMethod(request);
    const std::string name = request.path.substr(kTelemetryPrefix.size());
    if (name.empty()) return ErrorAnswer("a telemetry event needs a name", kBadRequest);
    const std::string payload = request.parameter ? hostkit::EncodeJson(*request.parameter) : "null";
    Outcome<void> stored = database_.AddTelemetry(name, payload);
    if (!stored) return ErrorAnswer(stored.error(), kServerError);
    return ValueAnswer(HostValue());
}

}  // namespace kor::korhost
