// The game-settings service through the plug-in's entry points: loading the
// settings, answering GET of the game settings and a PATCH of one setting.

#include "bench/BenchInputs.h"
#include "bench/ServiceHost.h"
#include "bench/Workloads.h"
#include "binding/BindingPlainValue.h"
#include "binding/BindingProperty.h"

#include <INIReader.h>
#include <rapidjson/document.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace kor::bench {
namespace {

constexpr std::string_view kGameSettings = "/kor-game-settings/v1/game-settings";
constexpr std::string_view kReady = "/kor-game-settings/v1/ready";

ServiceHost* HostOrSkip(benchmark::State& state) {
    std::string error;
    ServiceHost* host = ServiceHost::Instance(error);
    if (host == nullptr) state.SkipWithError(("the service did not start: " + error).c_str());
    return host;
}

// The answer of a call as a value of this process; nothing when the call
// failed or its answer does not convert.
std::optional<BindingProperty> Answer(ServiceHost& host, std::string_view method, std::string_view path,
                                      std::string_view body = {}) {
    auto response = host.Call(method, path, body);
    if (!response || response->failed()) return std::nullopt;
    BindingPlainResult conversion{};
    BindingProperty value;
    if (!ConvertFromPlainValue(conversion, value, response->view().value, "answer")) {
        ClearPlainValue(conversion.value);
        return std::nullopt;
    }
    return value;
}

std::size_t DefaultSections() {
    rapidjson::Document defaults;
    defaults.Parse(DefaultDocumentJson().c_str());
    return defaults["GameSettings"].MemberCount();
}

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::size_t IntegerOf(const BindingProperty& value) {
    return value.Is(BindingPropertyKind::Signed) ? static_cast<std::size_t>(value.GetSigned())
                                                 : static_cast<std::size_t>(value.GetUnsigned());
}

// The persisted file's value of a setting of "Game.cfg", as a number; 0 when
// it has none. The player's "Game.cfg" holds another value for it, so a load
// that skipped the persisted settings answers that one instead.
std::size_t PersistedNumber(std::string_view section, std::string_view name) {
    rapidjson::Document persisted;
    persisted.Parse(FileText(Installation::kPersisted).c_str());
    if (persisted.HasParseError() || !persisted.HasMember("files")) return 0;
    for (const auto& file : persisted["files"].GetArray()) {
        if (std::string_view(file["name"].GetString()) != "Game.cfg") continue;
        for (const auto& fileSection : file["sections"].GetArray()) {
            if (std::string_view(fileSection["name"].GetString()) != section) continue;
            for (const auto& setting : fileSection["settings"].GetArray()) {
                if (std::string_view(setting["name"].GetString()) == name) return std::stoul(setting["value"].GetString());
            }
        }
    }
    return 0;
}

// ---- LoadSettings ----

void LoadSettingsSystem(benchmark::State& state) {
    InsideInstallation inside;
    ServiceHost* host = HostOrSkip(state);
    if (host == nullptr) return;
    host->PreferencesReady();
    const std::optional<BindingProperty> ready = Answer(*host, "GET", kReady);
    const std::optional<BindingProperty> settings = Answer(*host, "GET", kGameSettings);
    if (!CheckSame(state, "ready", 1, ready && ready->GetBool()) ||
        !CheckSame(state, "game-settings sections", DefaultSections(), settings ? settings->Size() : 0) ||
        !CheckSame(state, "HUD/ChatScale from the persisted settings", PersistedNumber("HUD", "ChatScale"),
                   IntegerOf(settings->Member("HUD").Member("ChatScale")))) {
        return;
    }
    for (auto _ : state) host->PreferencesReady();
    // Later loads reuse the memory of the first, so the first one tells how
    // much a load takes at its peak.
    if (const auto growth = host->FirstLoadResidentGrowthKb()) {
        state.counters["first_load_resident_peak_growth_kB"] = static_cast<double>(*growth);
    }
    if (const auto peak = host->PeakBytes()) state.counters["plugin_allocator_peak_bytes"] = static_cast<double>(*peak);
}

// The floor of a load: the same inputs read by the libraries a user would
// pick, building nothing of the settings resources.
void LoadSettingsAnchor(benchmark::State& state) {
    InsideInstallation inside;
    for (const char* file : Installation::kFiles) {
        if (!CheckSame(state, (std::string(file) + " parse error").c_str(), 0, INIReader(file).ParseError() != 0)) return;
    }
    rapidjson::Document persisted;
    persisted.Parse(FileText(Installation::kPersisted).c_str());
    if (!CheckSame(state, "persisted settings parse error", 0, persisted.HasParseError())) return;
    for (auto _ : state) {
        rapidjson::Document defaults;
        defaults.Parse(DefaultDocumentJson().c_str());
        benchmark::DoNotOptimize(defaults);
        for (const char* file : Installation::kFiles) {
            INIReader reader(file);
            benchmark::DoNotOptimize(reader.ParseError());
        }
        rapidjson::Document persisted;
        persisted.Parse(FileText(Installation::kPersisted).c_str());
        benchmark::DoNotOptimize(persisted);
    }
}

// ---- GET and PATCH ----

std::size_t CountValues(const BindingProperty& root) {
    std::size_t count = 1;
    for (const BindingProperty& element : root.Elements()) count += CountValues(element);
    for (const auto& member : root.Members()) count += CountValues(member.value);
    return count;
}

void GetSystem(benchmark::State& state) {
    InsideInstallation inside;
    ServiceHost* host = HostOrSkip(state);
    if (host == nullptr) return;
    const std::optional<BindingProperty> settings = Answer(*host, "GET", kGameSettings);
    if (!CheckSame(state, "game-settings sections", DefaultSections(), settings ? settings->Size() : 0)) return;
    for (auto _ : state) {
        auto response = host->Call("GET", kGameSettings);
        benchmark::DoNotOptimize(response->failed());
    }
}

// The floor of a GET: a deep copy of the value it answers.
void GetAnchor(benchmark::State& state) {
    std::optional<BindingProperty> settings;
    {
        InsideInstallation inside;
        ServiceHost* host = HostOrSkip(state);
        if (host == nullptr) return;
        settings = Answer(*host, "GET", kGameSettings);
    }
    if (!CheckSame(state, "game-settings sections", DefaultSections(), settings ? settings->Size() : 0)) return;
    if (!CheckSame(state, "values copied", CountValues(*settings), CountValues(BindingProperty(*settings)))) return;
    for (auto _ : state) {
        BindingProperty copy(*settings);
        benchmark::DoNotOptimize(copy);
    }
}

std::string MouseSpeedChange(int speed) {
    return R"({"General": {"GameMouseSpeed": )" + std::to_string(speed) + "}}";
}

// One setting changes each time, so that every PATCH writes the files.
void PatchSystem(benchmark::State& state) {
    InsideInstallation inside;
    ServiceHost* host = HostOrSkip(state);
    if (host == nullptr) return;
    const std::optional<BindingProperty> answer = Answer(*host, "PATCH", kGameSettings, MouseSpeedChange(12));
    const std::optional<BindingProperty> settings = Answer(*host, "GET", kGameSettings);
    if (!CheckSame(state, "patched answer", 1, answer.has_value()) ||
        !CheckSame(state, "GameMouseSpeed after PATCH", 12,
                   settings ? IntegerOf(settings->Member("General").Member("GameMouseSpeed")) : 0)) {
        return;
    }
    const std::string changes[2] = {MouseSpeedChange(11), MouseSpeedChange(12)};
    std::size_t turn = 0;
    for (auto _ : state) {
        auto response = host->Call("PATCH", kGameSettings, changes[turn++ % 2]);
        benchmark::DoNotOptimize(response->failed());
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    // The plug-in these drive is the built library, loaded as a host loads
    // it; its long-lived trees are its own, so they run in the steady state
    // by nature.
    RegisterWorkload({"service/LoadSettings", "RapidJSON + inih reading the same inputs", 2.0, true},
                     LoadSettingsSystem, LoadSettingsAnchor);
    RegisterWorkload({"service/GET-game-settings", "deep copy of the answered value", 2.0, true}, GetSystem,
                     GetAnchor);
    RegisterWorkload({"service/PATCH-one-setting", "", 0, true}, PatchSystem);
    return true;
}();

}  // namespace
}  // namespace kor::bench
