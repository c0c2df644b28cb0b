// The game-settings service driven end to end through the test host: entry
// point, initialize, events through dispatch, calls through the API
// description's function entries, answers from scripted host services.
// Every test runs a fresh copy of the library in its own installation
// directory, and checks files on disk, host requests and fired events.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/GameSettingsScript.h"
#include "support/InstalledLibraryTest.h"
#include "support/TestHost.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/hostkit/EventKey.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/Unpacked.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::ResourceEventType;
using hostkit::testing::Unpacked;
using namespace kor::testing;  // the scripted paths, values and file helpers

// Settings kept server-side in these tests: one game setting and one key
// binding.
constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";

const HostValue* At(const HostValue& value, std::initializer_list<std::string_view> path) {
    const HostValue* current = &value;
    for (std::string_view name : path) {
        if (current == nullptr) return nullptr;
        current = current->Find(name);
    }
    return current;
}

std::string TextAt(const HostValue& value, std::initializer_list<std::string_view> path) {
    const HostValue* found = At(value, path);
    return found != nullptr && found->AsString() != nullptr ? *found->AsString() : "<none>";
}

class GameSettingsServiceTest : public InstalledLibraryTest {
protected:
    GameSettingsServiceTest() : InstalledLibraryTest(KOR_GAME_SETTINGS_LIBRARY, "kor-service-") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstalledLibraryTest::SetUp());
        std::filesystem::create_directories("Config");
        std::filesystem::create_directories("DATA/CFG/defaults");
        ScriptDataStore(std::nullopt);
        table().AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table().AnswerValue(kHashPath, HostValue::String("hash-of-local"));
    }

    // The data store holds one record: GET answers it (404 while none),
    // POST replaces it with the request's parameter.
    void ScriptDataStore(std::optional<HostValue> record) {
        storedOwner_ = std::move(record);
        table().OnRequest(kOwnerPath, [this](PluginResponse* response, const PluginRequest* request) {
            if (request->method == kPost && request->argCount == 1) {
                storedOwner_ = hostkit::ReadPlainValue(request->args[0].value).value();
                hostkit::AnswerValue(response, HostValue());
            } else if (request->method == kGet && storedOwner_) {
                hostkit::AnswerValue(response, *storedOwner_);
            } else {
                hostkit::AnswerError(response, "no such record", 404);
            }
        });
    }

    void LogIn(uint64_t accountId, uint64_t summonerId = 501, const std::string& state = "SUCCEEDED") {
        Deliver(kSessionPath, ResourceEventType::Update,
                HostValue::Structure({{"state", HostValue::String(state)},
                                      {"summonerId", HostValue::Unsigned(summonerId)},
                                      {"accountId", HostValue::Unsigned(accountId)},
                                      {"gasToken", HostValue::Structure()}}));
    }

    void PreferencesReady(bool ready, ResourceEventType type = ResourceEventType::Update) {
        Deliver(kReadyEventPath, type, HostValue::Bool(ready));
    }

    std::unique_ptr<hostkit::ResponseHolder> Call(const std::string& method, const std::string& url,
                                                  const std::string& jsonBody = {}) {
        auto response = host_->Call(method, url, [&](hostkit::RequestBuilder& request) {
            if (!jsonBody.empty()) request.Body("application/json", jsonBody);
        });
        EXPECT_TRUE(response.ok()) << method << " " << url << ": " << response.error();
        return response.ok() ? std::move(response).value() : nullptr;
    }

    HostValue Answer(const std::string& method, const std::string& url, const std::string& jsonBody = {}) {
        auto response = Call(method, url, jsonBody);
        if (!response) return HostValue::String("<no response>");
        EXPECT_FALSE(response->failed()) << method << " " << url << ": " << response->error();
        auto value = response->value();
        EXPECT_TRUE(value.ok()) << value.error();
        return value.ok() ? value.value() : HostValue::String("<unreadable>");
    }

    HostValue Get(const std::string& url) { return Answer("GET", url); }

    std::vector<HostValue> OwnerPosts() const {
        std::vector<HostValue> posts;
        for (const auto& request : RequestsTo(kOwnerPath, kPost)) {
            posts.push_back(request.arguments.empty() ? HostValue() : request.arguments[0].second);
        }
        return posts;
    }

    // The resource events fired under "OnJsonApiEvent", by uri, in order.
    std::vector<std::string> AnnouncedUris() const {
        std::vector<std::string> uris;
        for (const auto& event : host_->table().firedEvents()) {
            if (event.name == "OnJsonApiEvent") uris.push_back(TextAt(event.payload, {"uri"}));
        }
        return uris;
    }

    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    // A session that is logged in and whose readiness update synchronised
    // against a server that answers 304, so the settings are loaded.
    void StartLoaded(uint64_t accountId = 2002) {
        table().AnswerError(kServerCopyPath, "not modified", 304);
        Start();
        LogIn(accountId);
        PreferencesReady(true);
        ASSERT_EQ(Get(kReady), HostValue::Bool(true));
        table().ClearRecords();
    }

    std::optional<HostValue> storedOwner_;
};

// ---- Start-up ----------------------------------------------------------------

TEST_F(GameSettingsServiceTest, StartUpSucceedsWithEveryHostRequestFailing) {
    table().AnswerError(kAssetPath, "asset service down", 503);
    table().AnswerError(kOwnerPath, "data store down", 503);
    WriteFile(kDefaultsList, "earlier list");
    Start();
    EXPECT_TRUE(Logged("Error requesting default SettingsToPersist data: ", 2));
    EXPECT_TRUE(Logged("asset service down", 2));
    EXPECT_EQ(ReadFile(kDefaultsList), "earlier list");
    // Subscriptions were made all the same.
    EXPECT_TRUE(table().IsSubscribed(hostkit::EventKeyForPath(kSessionPath)));
    EXPECT_TRUE(table().IsSubscribed(hostkit::EventKeyForPath(kReadyEventPath)));
    EXPECT_EQ(Get(kReady), HostValue::Bool(false));

    // With the data store unreadable the owner is {0, 0, false}: a login of
    // another account resets nothing.
    WriteFile(kPersisted, PersistedText(33));
    LogIn(2002);
    PreferencesReady(false);
    EXPECT_EQ(ReadFile(kPersisted).find("\"33\"") != std::string::npos, true);
    EXPECT_EQ(Get(kDidReset), HostValue::Bool(false));
    EXPECT_EQ(Get(kReady), HostValue::Bool(true));
}

TEST_F(GameSettingsServiceTest, OnlyAReadinessUpdateForALoggedInUserSynchronises) {
    table().AnswerError(kServerCopyPath, "not modified", 304);
    Start();
    PreferencesReady(true);  // nobody logged in
    LogIn(2002, 501, "IN_PROGRESS");
    PreferencesReady(true);
    LogIn(2002, 0);  // no summoner
    PreferencesReady(true);
    LogIn(2002);
    PreferencesReady(true, ResourceEventType::Create);
    EXPECT_TRUE(RequestsTo(kHashPath, kPost).empty());
    EXPECT_EQ(Get(kReady), HostValue::Bool(false));

    PreferencesReady(true);
    EXPECT_EQ(RequestsTo(kHashPath, kPost).size(), 1u);
    EXPECT_EQ(Get(kReady), HostValue::Bool(true));

    // A logout forgets the ids: the next update does nothing more.
    Deliver(kSessionPath, ResourceEventType::Delete, HostValue());
    table().ClearRecords();
    PreferencesReady(true);
    EXPECT_TRUE(RequestsTo(kHashPath, kPost).empty());
    EXPECT_TRUE(AnnouncedUris().empty());
}

TEST_F(GameSettingsServiceTest, AServerCopyThatCannotBeStoredDoesNotAdvanceTheOwner) {
    ScriptDataStore(OwnerValue(2002, 40, false));
    std::filesystem::create_directories(kPersisted);  // a directory where the file belongs
    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(44))},
                                                               {"modified", HostValue::Unsigned(41)}}));
    Start();
    LogIn(2002);
    PreferencesReady(true);
    EXPECT_TRUE(Logged("Unable to store the player-preference server copy in ", 2));
    EXPECT_TRUE(OwnerPosts().empty());
    EXPECT_EQ(storedOwner_, OwnerValue(2002, 40, false));
    // The load goes on with what is on disk.
    EXPECT_EQ(Get(kReady), HostValue::Bool(true));
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(10));
}

TEST_F(GameSettingsServiceTest, TheLoadCleansBytesAbove127FromThePersistedFile) {
    const std::string accented = R"({"files": [{"name": "Game.cfg", "sections": [{"name": "General", "settings": [)"
                                 R"({"name": "GameMouseSpeed", "value": "3)" "\xC3\xA9" R"(4"}]}]}]})";
    WriteFile(kPersisted, accented);
    StartLoaded();
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(34));
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(34));

    // Pure ASCII comes back unchanged.
    WriteFile(kPersisted, PersistedText(35));
    ASSERT_TRUE(Call("POST", "/kor-game-settings/v1/reload-post-game"));
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(35));
}

TEST_F(GameSettingsServiceTest, ValuesOutOfRangeAreReportedAndNeverReachTheResourcesOrFiles) {
    // A defaults file whose chat scale does not fit a 32-bit setting.
    WriteFile("DATA/CFG/defaults/Game.cfg", "[HUD]\r\nChatScale=3000000000\r\n");
    StartLoaded();
    ASSERT_TRUE(Call("POST", "/kor-game-settings/v1/reload-post-game"));  // a load with the records kept
    EXPECT_TRUE(Logged("ALE-9ACB0442", 2));
    EXPECT_EQ(At(Get(kGameSettings), {"HUD", "ChatScale"}), nullptr);
    EXPECT_EQ(At(Get(kGameSettingsSchema), {"HUD", "ChatScale"}), nullptr);

    const HostValue answer =
        Answer("PATCH", kGameSettings, R"({"HUD": {"GlobalScale": 1e39, "MinimapScale": 2.0, "DrawHealthBars": false}})");
    EXPECT_EQ(*At(answer, {"HUD", "MinimapScale"}), HostValue::Float(2.0));
    EXPECT_TRUE(Logged("ALE-6CB50B02", 2));
    const std::string game = ReadFile(kGameConfig);
    EXPECT_EQ(game.find("GlobalScale="), std::string::npos) << game;
    EXPECT_NE(game.find("MinimapScale=2.0000\r\n"), std::string::npos) << game;
    EXPECT_NE(game.find("DrawHealthBars=0\r\n"), std::string::npos) << game;

    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 9223372036854775808}})");
    EXPECT_TRUE(Logged("ALE-700E0976", 2));
    EXPECT_EQ(ReadFile(kGameConfig).find("ChatScale="), std::string::npos);
}

TEST_F(GameSettingsServiceTest, RebindingAKeyUnbindsItElsewhereAndWritesEverythingBack) {
    WriteFile(kInputConfig, "; the player's bindings\r\n[GameEvents]\r\nevtCastSpell1=[q]\r\nevtCastSpell2=[w]\r\n");
    ScriptDataStore(OwnerValue(2002, 40, false));
    StartLoaded();
    ASSERT_EQ(TextAt(Get(kInputSettings), {"GameEvents", "evtCastSpell1"}), "[q]");
    std::filesystem::remove(kPersisted);

    const HostValue answer =
        Answer("PATCH", kInputSettings, R"({"GameEvents": {"evtCastSpell2": "[q]"}})");
    EXPECT_EQ(TextAt(answer, {"GameEvents", "evtCastSpell1"}), "[<Unbound>]");
    EXPECT_EQ(TextAt(answer, {"GameEvents", "evtCastSpell2"}), "[q]");
    EXPECT_EQ(answer, Get(kInputSettings));
    EXPECT_EQ(answer.size(), 4u);

    // "Input.ini" is edited in place: its comment stays first, and the two
    // lines it had keep their order with their new values.
    const std::string input = ReadFile(kInputConfig);
    EXPECT_EQ(input.rfind("; the player's bindings\r\n[GameEvents]\r\n", 0), 0u) << input;
    EXPECT_NE(input.find("\r\nevtCastSpell1=[<Unbound>]\r\nevtCastSpell2=[q]\r\n"), std::string::npos) << input;
    EXPECT_EQ(input.find("evtCastSpell2=[w]"), std::string::npos);
    EXPECT_NE(input.find("evtSmartCastSpell1=[Shift][q]\r\n"), std::string::npos);
    EXPECT_NE(input.find("[Quickbinds]\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(kGameConfig).find("GameMouseSpeed=10"), std::string::npos);
    // The persisted binding changed: the persisted settings were written.
    EXPECT_NE(ReadFile(kPersisted).find("\"value\": \"[q]\""), std::string::npos);

    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 40, true)});
    EXPECT_EQ(AnnouncedUris(), std::vector<std::string>{kInputSettings});
    const auto events = table().firedEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].name, hostkit::EventKeyForPath(kInputSettings));
    EXPECT_EQ(*At(events[1].payload, {"data"}), answer);

    // The index follows the change: binding [Q] to a third event now takes
    // it from evtCastSpell2.
    const HostValue again = Answer("PATCH", kInputSettings, R"({"HUDEvents": {"evtTogglePlayerStats": "[Q]"}})");
    EXPECT_EQ(TextAt(again, {"GameEvents", "evtCastSpell2"}), "[<Unbound>]");
    EXPECT_EQ(TextAt(again, {"HUDEvents", "evtTogglePlayerStats"}), "[Q]");
}

TEST_F(GameSettingsServiceTest, APatchWhoseFileWriteFailsAnswersAnError) {
    StartLoaded();
    std::filesystem::create_directories(kGameConfig);  // "Game.cfg" cannot be written
    auto response = Call("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})");
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->failed());
    EXPECT_EQ(response->status(), 500u);
    EXPECT_NE(response->error().find("Unable to save settings to file"), std::string::npos) << response->error();
    EXPECT_TRUE(Logged("Failed to write value 120 for ChatScale:HUD in ", 2));
    EXPECT_TRUE(AnnouncedUris().empty());
    EXPECT_TRUE(OwnerPosts().empty());
    // What could be written was written.
    EXPECT_TRUE(Exists(kInputConfig));
}

TEST_F(GameSettingsServiceTest, APatchWhosePersistedSettingsCannotBeSavedAnswersAnError) {
    StartLoaded();
    std::filesystem::create_directories(kPersisted);  // a directory where the file belongs
    auto response = Call("PATCH", kGameSettings, R"({"General": {"GameMouseSpeed": 15}})");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status(), 500u);
    EXPECT_NE(response->error().find("Unable to save settings to file"), std::string::npos) << response->error();
    EXPECT_TRUE(Logged("Failed to save persisted settings to ", 2));
    EXPECT_NE(ReadFile(kGameConfig).find("GameMouseSpeed=15"), std::string::npos);
    EXPECT_TRUE(AnnouncedUris().empty());
    EXPECT_TRUE(OwnerPosts().empty());
}

TEST_F(GameSettingsServiceTest, AnUnwritableDataStoreIsLoggedAndTheSameOwnerIsNotSentAgain) {
    StartLoaded();
    table().OnRequest(kOwnerPath, [](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerError(response, "store is read-only", 403);
    });
    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 110}})");
    EXPECT_TRUE(Logged("Failed to set game-settings-owner: ", 2));
    EXPECT_TRUE(Logged("store is read-only", 2));
    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 111}})");
    EXPECT_EQ(OwnerPosts().size(), 1u);
    EXPECT_EQ(AnnouncedUris(), (std::vector<std::string>{kGameSettings, kGameSettings}));
}

TEST_F(GameSettingsServiceTest, AFileThatCannotBeResetKeepsTheOwnerAndTellsNobody) {
    ScriptDataStore(OwnerValue(1001, 40, false));
    std::filesystem::create_directories(kPersisted);
    Start();
    LogIn(2002);
    PreferencesReady(false);
    EXPECT_TRUE(Logged("unable to reset ", 1));
    EXPECT_TRUE(OwnerPosts().empty());
    EXPECT_EQ(Get(kDidReset), HostValue::Bool(false));
    EXPECT_EQ(AnnouncedUris(), (std::vector<std::string>{kGameSettings, kInputSettings, kReady}));
}

}  // namespace
}  // namespace kor
