// The values the game-settings service builds, converts and hands out must
// all come back: every answer, event payload and document it produces, over
// many calls, leaves neither counted blocks nor value pages behind, and a
// plug-in that is shut down gives back the pages its lifetime took. The
// plug-in is built in this process (not loaded from the library) so that
// its page source is the one these tests read. LeakSanitizer covers the
// plain heap in the sanitized run.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "binding/PageSource.h"
#include "platform/CountingAllocator.h"
#include "plugin/GameSettingsPlugin.h"
#include "support/ConfigTestEnvironment.h"
#include "support/TestHost.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/hostkit/EventKey.h"
#include "tools/hostkit/FunctionCall.h"
#include "tools/hostkit/FunctionName.h"
#include "tools/hostkit/ResourceEvent.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor {
namespace {

using hostkit::HostValue;

constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";

struct Call {
    const char* method;
    const char* path;
    const char* jsonBody;
};

// Every resource the service serves, read and changed.
const std::vector<Call> kEveryCall = {
    {"GET", "/kor-game-settings/v1/game-settings", nullptr},
    {"GET", "/kor-game-settings/v1/game-settings-schema", nullptr},
    {"GET", "/kor-game-settings/v1/input-settings", nullptr},
    {"GET", "/kor-game-settings/v1/input-settings-schema", nullptr},
    {"GET", "/kor-game-settings/v1/ready", nullptr},
    {"GET", "/kor-game-settings/v1/didreset", nullptr},
    {"PATCH", "/kor-game-settings/v1/game-settings", R"({"General": {"GameMouseSpeed": 61}})"},
    {"PATCH", "/kor-game-settings/v1/input-settings", R"({"GameEvents": {"evtCastSpell2": "[Ctrl][w],[e]"}})"},
    {"POST", "/kor-game-settings/v1/save", nullptr},
    {"POST", "/kor-game-settings/v1/reload-post-game", nullptr},
};

uint64_t LiveCountedBytes() {
    const platform::MemoryCounters counters = platform::ReadMemoryCounters();
    return counters.bytesAllocated - counters.bytesFreed;
}

std::size_t PagesInUse() { return PageSource::Instance().PagesInUse(); }

class ServiceMemoryTest : public testing::ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        std::filesystem::create_directories("Config");
        std::filesystem::create_directories("DATA/CFG/defaults");
    }
    void TearDown() override {
        ShutDown();
        ConfigTest::TearDown();
    }

    // A plug-in built here as the entry point builds it, initialised with a
    // scripted host, logged in and loaded.
    void StartLoaded() {
        table_ = std::make_unique<testing::TestHostTable>();
        table_->AnswerStream("/kor-game-data/assets/v1/SettingsToPersist.json",
                             hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table_->AnswerValue("/kor-player-preferences/v1/hash", HostValue::String("hash-of-local"));
        table_->AnswerError("/kor-player-preferences/v1/preference/GamePreferences", "not modified", 304);
        table_->AnswerValue("/kor-player-preferences/v1/preference", HostValue::Structure({{"modified", HostValue::Unsigned(7)}}));
        context_ = PluginHostContext{};
        context_.apiMajor = 18;
        (new GameSettingsPlugin)->Register(&context_, GameSettingsPlugin::kShortName);  // the shut-down callback frees it
        ASSERT_NE(context_.callbacks->initialize(context_.plugin, table_->host()), 0);
        for (const auto& [path, data] : {std::pair{"/kor-login/v1/session", HostValue::Structure({{"state", HostValue::String("SUCCEEDED")},
                                                                                               {"summonerId", HostValue::Unsigned(501)},
                                                                                               {"accountId", HostValue::Unsigned(2002)}})},
                                         std::pair{"/kor-player-preferences/v1/player-preferences-ready", HostValue::Bool(true)}}) {
            const auto event = hostkit::MakeResourceEvent(path, hostkit::ResourceEventType::Update, data);
            ASSERT_EQ(table_->DeliverEvent(hostkit::EventKeyForPath(path), event), 1u) << path;
        }
    }

    void ShutDown() {
        if (context_.callbacks != nullptr) context_.callbacks->shutdown(context_.plugin);
        context_ = PluginHostContext{};
        table_.reset();
    }

    // Calls every resource once; each answer is read back into a host value
    // (the host's conversion of the plain record) and released.
    void CallEverything() {
        for (const Call& call : kEveryCall) {
            const PluginFunctionEntry* entry =
                hostkit::FindFunction(*context_.api, hostkit::MakeFunctionName(call.method, call.path));
            ASSERT_NE(entry, nullptr) << call.method << " " << call.path;
            hostkit::RequestBuilder request;
            request.Method(call.method).Url(call.path);
            if (call.jsonBody != nullptr) request.Body("application/json", call.jsonBody);
            hostkit::ResponseHolder response;
            ASSERT_TRUE(hostkit::InvokeFunction(*entry, request, response).ok());
            EXPECT_FALSE(response.failed()) << call.method << " " << call.path << ": " << response.error();
            EXPECT_TRUE(response.value().ok()) << call.method << " " << call.path;
        }
        table_->ClearRecords();
    }

    std::unique_ptr<testing::TestHostTable> table_;
    PluginHostContext context_{};
};

TEST_F(ServiceMemoryTest, APluginLifetimeGivesItsPagesBack) {
    // The first lifetime may leave the process-wide documents behind; every
    // later one must end where it started.
    StartLoaded();
    CallEverything();
    ShutDown();
    const std::size_t pagesBetweenLifetimes = PagesInUse();
    const uint64_t bytesBetweenLifetimes = LiveCountedBytes();

    for (int lifetime = 0; lifetime < 3; ++lifetime) {
        StartLoaded();
        CallEverything();
        EXPECT_GT(PagesInUse(), pagesBetweenLifetimes);  // a running service holds its documents
        ShutDown();
        EXPECT_EQ(PagesInUse(), pagesBetweenLifetimes) << "lifetime " << lifetime;
        EXPECT_EQ(LiveCountedBytes(), bytesBetweenLifetimes) << "lifetime " << lifetime;
    }
}

}  // namespace
}  // namespace kor
