#include "tools/kor-host/PlayerPreferences.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

namespace kor::korhost {
namespace {

using hostkit::HostAnswer;
using hostkit::HostValue;

constexpr std::string_view kHashPath = "/kor-player-preferences/v1/hash";
constexpr std::string_view kPreferencePath = "/kor-player-preferences/v1/preference";
constexpr std::string_view kDefaultType = "GamePreferences";
constexpr std::string_view kDefaultVersion = "1.0";

const std::string* TextParameter(const ServiceRequest& request) {
    return request.parameter ? request.parameter->AsString() : nullptr;
}

std::string TextMember(const HostValue& value, std::string_view name, std::string_view fallback) {
    const HostValue* member = value.Find(name);
    if (member != nullptr && member->AsString() != nullptr) return *member->AsString();
    return std::string(fallback);
}

HostValue PreferenceValue(const StateDatabase::Preference& preference) {
    HostValue value;
    value.Set("data", HostValue::String(preference.data));
    value.Set("type", HostValue::String(preference.type));
    value.Set("version", HostValue::String(preference.version));
    value.Set("modified", HostValue::Unsigned(preference.modified));
    return value;
}

HostAnswer NotLoggedIn() { return ErrorAnswer("no user is logged in", kUnauthorized); }

}  // namespace

std::string PlayerPreferences::StableHash(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char byte : text) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

HostAnswer PlayerPreferences::Answer(const ServiceRequest& request) {
    if (request.path == kHashPath) {
        if (request.method != "POST") return ErrorAnswer("the hash is asked for with POST", kMethodNotAllowed);
        return Hash(request);
    }
    if (request.path == kPreferencePath) {
        if (request.method != "PUT") return ErrorAnswer("a preference is stored with PUT", kMethodNotAllowed);
        return Write(request);
    }
    const std::string prefix = std::string(kPreferencePath) + "/";
    if (request.path.starts_with(prefix) && request.path.size() > prefix.size()) {
        if (request.method != "GET") return ErrorAnswer("a preference is read with GET", kMethodNotAllowed);
        return Read(request, std::string_view(request.path).substr(prefix.size()));
    }
    return ErrorAnswer("no player-preferences resource at " + request.path, kNotFound);
}

HostAnswer PlayerPreferences::Hash(const ServiceRequest& request) {
    const std::string* text = TextParameter(request);
    if (text == nullptr) return ErrorAnswer("the hash request needs the text to hash as its parameter", kBadRequest);
    return ValueAnswer(HostValue::String(StableHash(*text)));
}

HostAnswer PlayerPreferences::Read(const ServiceRequest& request, std::string_view type) {
    const std::optional<uint64_t> account = state_.CurrentAccount();
    if (!account) return NotLoggedIn();
    auto stored = database_.GetPreference(*account, type);
    if (!stored) return ErrorAnswer(stored.error(), kServerError);
    if (!stored.value()) {
        return ErrorAnswer("account " + std::to_string(*account) + " has no " + std::string(type), kNotFound);
    }
    const StateDatabase::Preference& preference = *stored.value();
    const std::string* knownHash = TextParameter(request);
    if (knownHash != nullptr && *knownHash == StableHash(preference.data)) {
        return ErrorAnswer("not modified", kNotModified);
    }
    return ValueAnswer(PreferenceValue(preference));
}

HostAnswer PlayerPreferences::Write(const ServiceRequest& request) {
    const std::optional<uint64_t> account = state_.CurrentAccount();
    if (!account) return NotLoggedIn();
    if (!request.parameter || request.parameter->AsMembers() == nullptr) {
        return ErrorAnswer("a preference is stored from a structure {data, type, version}", kBadRequest);
    }
    const HostValue& given = *request.parameter;
    const HostValue* data = given.Find("data");
    if (data == nullptr || data->AsString() == nullptr) {
        return ErrorAnswer("the preference has no text member \"data\"", kBadRequest);
    }
    StateDatabase::Preference preference;
    preference.data = *data->AsString();
    preference.type = TextMember(given, "type", kDefaultType);
    preference.version = TextMember(given, "version", kDefaultVersion);
    auto stored = database_.PutPreference(*account, std::move(preference));
    if (!stored) return ErrorAnswer(stored.error(), kServerError);
    return ValueAnswer(PreferenceValue(stored.value()));
}

}  // namespace kor::korhost
