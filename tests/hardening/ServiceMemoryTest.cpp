// The values the game-settings service builds, converts and hands out must
// all come back: every answer, event payload and document it produces
// leaves neither counted blocks nor value pages behind once a plug-in is
// shut down. The plug-in is built in this process (not loaded from the
// library) so that its page source is the one read here. LeakSanitizer
// covers the plain heap in the sanitized run.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "binding/PageSource.h"
#include "platform/CountingAllocator.h"
#include "plugin/GameSettingsPlugin.h"
#include "support/ConfigTestEnvironment.h"
#include "support/TestHost.h"
#include "tools/hostkit/ApiDescription.h"
#include "abi/EventKey.h"
#include "tools/hostkit/FunctionCall.h"
#include "abi/FunctionName.h"
#include "tools/hostkit/ResourceEvent.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor {
namespace {

using hostkit::HostValue;

constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";

class ServiceMemoryTest : public testing::ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        std::filesystem::create_directories("Config");
        std::filesystem::create_directories("DATA/CFG/defaults");
    }
    void TearDown() override {
        if (context_.callbacks != nullptr) context_.callbacks->shutdown(context_.plugin);
        ConfigTest::TearDown();
    }

    // One lifetime of a plug-in built as the entry point builds it: a
    // scripted host, a login, the settings loaded, every resource read and
    // changed (each answer read back as the host reads it), and shut-down.
    void Lifetime(const std::function<void()>& whileRunning) {
        testing::TestHostTable& table = table_.emplace();
        table.AnswerStream("/kor-game-data/assets/v1/SettingsToPersist.json", hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table.AnswerValue("/kor-player-preferences/v1/hash", HostValue::String("hash-of-local"));
        table.AnswerError("/kor-player-preferences/v1/preference/GamePreferences", "not modified", 304);
        table.AnswerValue("/kor-player-preferences/v1/preference", HostValue::Structure({{"modified", HostValue::Unsigned(7)}}));
        context_ = PluginHostContext{};
        context_.apiMajor = 18;
        (new GameSettingsPlugin)->Register(&context_, GameSettingsPlugin::kShortName);  // the shut-down callback frees it
        ASSERT_NE(context_.callbacks->initialize(context_.plugin, table.host()), 0);
        const HostValue session = HostValue::Structure({{"state", HostValue::String("SUCCEEDED")},
                                                        {"summonerId", HostValue::Unsigned(501)},
                                                        {"accountId", HostValue::Unsigned(2002)}});
        for (const auto& [path, data] : {std::pair{"/kor-login/v1/session", session},
                                         std::pair{"/kor-player-preferences/v1/player-preferences-ready", HostValue::Bool(true)}}) {
            const auto event = hostkit::MakeResourceEvent(path, hostkit::ResourceEventType::Update, data);
            ASSERT_EQ(table.DeliverEvent(kor::EventKeyOf(path), event), 1u) << path;
        }
        const std::string base = "/kor-game-settings/v1/";
        for (const auto& [method, path, body] : std::initializer_list<std::tuple<const char*, std::string, const char*>>{
                 {"GET", "game-settings", ""},
                 {"GET", "game-settings-schema", ""},
                 {"GET", "input-settings", ""},
                 {"GET", "input-settings-schema", ""},
                 {"GET", "ready", ""},
                 {"GET", "didreset", ""},
                 {"PATCH", "game-settings", R"({"General": {"GameMouseSpeed": 61}})"},
                 {"PATCH", "input-settings", R"({"GameEvents": {"evtCastSpell2": "[Ctrl][w],[e]"}})"},
                 {"POST", "save", ""},
                 {"POST", "reload-post-game", ""}}) {
            const PluginFunctionEntry* entry = hostkit::FindFunction(*context_.api, kor::MakeFunctionName(method, base + path));
            ASSERT_NE(entry, nullptr) << method << " " << path;
            hostkit::RequestBuilder request;
            request.Method(method).Url(base + path);
            if (*body != '\0') request.Body("application/json", body);
            hostkit::ResponseHolder response;
            ASSERT_TRUE(hostkit::InvokeFunction(*entry, request, response).ok());
            EXPECT_FALSE(response.failed()) << method << " " << path << ": " << response.error();
            EXPECT_TRUE(response.value().ok()) << method << " " << path;
        }
        whileRunning();
        context_.callbacks->shutdown(context_.plugin);
        context_ = PluginHostContext{};
    }

    std::optional<testing::TestHostTable> table_;  // outlives the plug-in
    PluginHostContext context_{};
};

TEST_F(ServiceMemoryTest, APluginLifetimeGivesItsPagesAndBlocksBack) {
    const auto pages = [] { return PageSource::Instance().PagesInUse(); };
    const auto bytes = [] { return platform::ReadMemoryCounters().bytesAllocated - platform::ReadMemoryCounters().bytesFreed; };
    // The first lifetime may leave the process-wide documents behind; every
    // later one must end where it started.
    Lifetime([] {});
    const std::size_t pagesBetween = pages();
    const uint64_t bytesBetween = bytes();
    for (int lifetime = 0; lifetime < 3; ++lifetime) {
        Lifetime([&] { EXPECT_GT(pages(), pagesBetween); });  // a running service holds its documents
        EXPECT_EQ(pages(), pagesBetween) << "lifetime " << lifetime;
        EXPECT_EQ(bytes(), bytesBetween) << "lifetime " << lifetime;
    }
}

}  // namespace
}  // namespace kor
