#include "bench/ServiceHost.h"

#include "bench/BenchInputs.h"
#include "abi/EventKey.h"
#include "abi/FunctionName.h"
#include "abi/HttpStatus.h"
#include "abi/MethodNumbers.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/hostkit/FunctionCall.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/PlainValueReader.h"
#include "tools/hostkit/RequestBuilder.h"

#include <rapidjson/document.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

// The entry point of the plug-in built into this executable (the library's
// own, compiled in).
extern "C" void load_kor_game_settings(PluginHostContext* context);

namespace kor::bench {
namespace {

using hostkit::HostValue;

constexpr std::string_view kOwnerPath = "/data-store/v1/install-settings/game-settings";
constexpr std::string_view kAssetPath = "/kor-game-data/assets/v1/SettingsToPersist.json";
constexpr std::string_view kHashPath = "/kor-player-preferences/v1/hash";
constexpr std::string_view kServerCopyPath = "/kor-player-preferences/v1/preference/GamePreferences";
constexpr std::string_view kUploadPath = "/kor-player-preferences/v1/preference";
constexpr std::string_view kSessionPath = "/kor-login/v1/session";
constexpr std::string_view kReadyPath = "/kor-player-preferences/v1/player-preferences-ready";

constexpr uint64_t kAccountId = 2002;

// Ten settings kept server-side: five of "Game.cfg", five key bindings.
constexpr std::string_view kPersistList = R"({"files": [
  {"name": "Game.cfg", "sections": [
    {"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}, {"name": "EnableAudio", "persisted": true}]},
    {"name": "HUD", "settings": [{"name": "ChatScale", "persisted": true}, {"name": "GlobalScale", "persisted": true}, {"name": "MinimapScale", "persisted": true}]}]},
  {"name": "Input.ini", "sections": [
    {"name": "GameEvents", "settings": [{"name": "evtCastSpell1", "persisted": true}, {"name": "evtCastSpell2", "persisted": true},
      {"name": "evtCastSpell3", "persisted": true}, {"name": "evtCastSpell4", "persisted": true}, {"name": "evtCameraSnap", "persisted": true}]}]}
]})";

constexpr std::string_view kPersistedText = R"({"files": [
  {"name": "Game.cfg", "sections": [
    {"name": "General", "settings": [{"name": "GameMouseSpeed", "value": "33"}, {"name": "EnableAudio", "value": "1"}]},
    {"name": "HUD", "settings": [{"name": "ChatScale", "value": "90"}, {"name": "GlobalScale", "value": "0.8500"}]}]},
  {"name": "Input.ini", "sections": [
    {"name": "GameEvents", "settings": [{"name": "evtCastSpell1", "value": "[q]"}, {"name": "evtCastSpell2", "value": "[w]"}]}]}
]})";

// A setting's default as INI text; `player` varies every third one, as a
// player's own file differs from the defaults.
std::string IniValue(const rapidjson::Value& value, bool player, std::size_t index) {
    const bool vary = player && index % 3 == 0;
    char buffer[64];
    if (value.IsBool()) return (value.GetBool() != vary) ? "1" : "0";
    if (value.IsUint64() || value.IsInt64()) {
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value.GetInt64()) + (vary ? 1 : 0));
        return buffer;
    }
    if (value.IsNumber()) {
        std::snprintf(buffer, sizeof buffer, "%.4f", value.GetDouble() + (vary ? 0.25 : 0.0));
        return buffer;
    }
    if (value.IsString()) return vary && value.GetStringLength() == 0 ? "[F12]" : value.GetString();
    return "";
}

std::string IniText(const rapidjson::Value& group, bool player) {
    std::string text = player ? "; written by the game\r\n" : "";
    std::size_t index = 0;
    for (const auto& section : group.GetObject()) {
        text += "[" + std::string(section.name.GetString()) + "]\r\n";
        for (const auto& setting : section.value.GetObject()) {
            text += std::string(setting.name.GetString()) + "=" + IniValue(setting.value, player, index++) + "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

void Write(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

// "VmRSS" or "VmHWM" of this process, in kB.
std::optional<long> ProcessStatusKb(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0 && line.size() > field.size() && line[field.size()] == ':') {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return std::nullopt;
}

// How far the resident set rose above where it stood while `work` ran.
template <class Work>
std::optional<long> ResidentGrowthKb(Work work) {
    const std::optional<long> before = ProcessStatusKb("VmRSS");
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5";  // the high-water mark starts again from the current resident set
    reset.close();
    const bool measurable = before && reset;
    work();
    const std::optional<long> peak = ProcessStatusKb("VmHWM");
    if (!measurable || !peak) return std::nullopt;
    return *peak - *before;
}

std::string PathOfUrl(const char* url) {
    const std::string text = url != nullptr ? url : "";
    return text.substr(0, text.find('?'));
}

}  // namespace

// ---- Installation ----

Installation::Installation() {
    char pattern[] = "/tmp/kor-bench-install-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot create the installation directory");
    root_ = pattern;
    rapidjson::Document defaults;
    defaults.Parse(DefaultDocumentJson().c_str());
    const std::filesystem::path root(root_);
    Write(root / kFiles[0], IniText(defaults["GameSettings"], true));
    Write(root / kFiles[1], IniText(defaults["InputSettings"], true));
    Write(root / kFiles[2], IniText(defaults["GameSettings"], false));
    Write(root / kFiles[3], IniText(defaults["InputSettings"], false));
    Write(root / kPersisted, kPersistedText);
}

Installation::~Installation() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

const Installation& Installation::Instance() {
    static const Installation installation;
    return installation;
}

std::string_view Installation::PersistList() { return kPersistList; }

InsideInstallation::InsideInstallation(const Installation& installation)
    : previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(installation.root());
}

InsideInstallation::~InsideInstallation() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

// ---- ServiceHost ----

namespace {

struct StartedHost {
    std::unique_ptr<ServiceHost> host;
    std::string error;
};

StartedHost& Started() {
    static StartedHost started;
    return started;
}

// Shuts the plug-in down from inside the installation (shutting down saves
// the persisted settings). Registered once the library is loaded, so that
// it runs before the library's own static objects are destroyed.
void ShutDownAtExit() {
    InsideInstallation inside;
    Started().host.reset();
}

}  // namespace

ServiceHost* ServiceHost::Instance(std::string& error) {
    Installation::Instance();  // created first, removed last
    static const bool ok = [] {
        StartedHost& started = Started();
        started.host.reset(new ServiceHost());
        auto library = hostkit::PluginLibrary::Load(KOR_GAME_SETTINGS_LIBRARY);
        if (!library.ok()) {
            started.error = library.error();
            return false;
        }
        started.host->library_ = std::move(library).value();
        InsideInstallation inside;
        const bool running = started.host->Start(started.error);
        std::atexit(ShutDownAtExit);
        if (!running) started.host->library_.reset();
        return running;
    }();
    error = ok ? std::string() : Started().error;
    return ok ? Started().host.get() : nullptr;
}

std::unique_ptr<ServiceHost> ServiceHost::StartInProcess(std::string& error) {
    std::unique_ptr<ServiceHost> started(new ServiceHost());
    PluginHostContext& context = started->ownContext_;
    const hostkit::ApiVersion version;
    context.apiMajor = version.major;
    context.apiMinor = version.minor;
    context.apiPatch = version.patch;
    load_kor_game_settings(&context);
    if (context.callbacks == nullptr) {
        error = "the entry point returned no callbacks table";
        return nullptr;
    }
    if (!started->Start(error)) return nullptr;
    return started;
}

ServiceHost::~ServiceHost() {
    // A loaded library shuts its plug-in down itself when it is destroyed.
    if (!library_ && ownContext_.callbacks != nullptr && ownContext_.callbacks->shutdown != nullptr) {
        ownContext_.callbacks->shutdown(ownContext_.plugin);
    }
}

bool ServiceHost::Start(std::string& error) {
    const PluginCallbacks* callbacks = ownContext_.callbacks;
    const bool initialized = library_ ? library_->Initialize(host())
                                      : callbacks->initialize != nullptr &&
                                            callbacks->initialize(ownContext_.plugin, host()) != 0;
    if (!initialized) {
        error = "the plug-in's initialize callback failed";
        return false;
    }
    const bool delivered = Deliver(kSessionPath, HostValue::Structure({{"state", HostValue::String("SUCCEEDED")},
                                                                        {"summonerId", HostValue::Unsigned(501)},
                                                                        {"accountId", HostValue::Unsigned(kAccountId)},
                                                                        {"gasToken", HostValue::Structure()}}));
    if (!delivered) {
        error = "the plug-in did not subscribe to the login session";
        return false;
    }
    firstLoadGrowthKb_ = ResidentGrowthKb([this] { PreferencesReady(); });
    return true;
}

bool ServiceHost::Deliver(std::string_view path, const HostValue& data) {
    const HostValue event = HostValue::Structure(
        {{"uri", HostValue::String(std::string(path))}, {"eventType", HostValue::String("Update")}, {"data", data}});
    return DeliverEvent(EventKeyOf(path), event) > 0;
}

void ServiceHost::PreferencesReady() { Deliver(kReadyPath, HostValue::Bool(true)); }

std::unique_ptr<hostkit::ResponseHolder> ServiceHost::Call(std::string_view method, std::string_view path,
                                                           std::string_view jsonBody) {
    const PluginApiDescription* api = library_ ? library_->api() : ownContext_.api;
    const PluginFunctionEntry* entry =
        api != nullptr ? hostkit::FindFunction(*api, kor::MakeFunctionName(method, path)) : nullptr;
    if (entry == nullptr) return nullptr;
    hostkit::RequestBuilder request;
    request.Method(method).Url(path);
    if (!jsonBody.empty()) request.Body("application/json", jsonBody);
    auto response = std::make_unique<hostkit::ResponseHolder>();
    if (!hostkit::InvokeFunction(*entry, request, *response).ok()) return nullptr;
    return response;
}

std::optional<uint64_t> ServiceHost::PeakBytes() const {
    if (!library_) return std::nullopt;  // the built-in plug-in allocates from the executable's heap
    auto stats = library_->MemoryStats();
    if (!stats.ok()) return std::nullopt;
    return uint64_t{stats.value()[0]} | (uint64_t{stats.value()[1]} << 32);
}

void ServiceHost::SendRequest(PluginResponse* response, const PluginRequest* request) {
    const std::string path = PathOfUrl(request->url);
    if (path == kOwnerPath) {
        if (request->method == static_cast<uint32_t>(kor::PluginMethod::Post) && request->argCount == 1) {
            auto record = hostkit::ReadPlainValue(request->args[0].value);
            if (record.ok()) owner_ = std::move(record).value();
            hostkit::AnswerValue(response, HostValue());
        } else if (owner_) {
            hostkit::AnswerValue(response, *owner_);
        } else {
            hostkit::AnswerError(response, "no such record", http::kNotFound);
        }
    } else if (path == kAssetPath) {
        hostkit::AnswerStream(response, hostkit::StreamScript{{std::string(kPersistList)}, {}, {}, {}});
    } else if (path == kHashPath) {
        hostkit::AnswerValue(response, HostValue::String("hash-of-local"));
    } else if (path == kServerCopyPath) {
        hostkit::AnswerError(response, "not modified", http::kNotModified);
    } else if (path == kUploadPath) {
        hostkit::AnswerValue(response, HostValue::Structure({{"modified", HostValue::Unsigned(1)}}));
    } else {
        hostkit::AnswerError(response, "Not found", http::kNotFound);
    }
}

void ServiceHost::OnEntryFailure(std::string_view entry, std::string_view what) {
    std::cerr << "host entry " << entry << " failed: " << what << "\n";
}

}  // namespace kor::bench
