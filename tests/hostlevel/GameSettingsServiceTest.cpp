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

// ---- The API description -------------------------------------------------------

TEST_F(GameSettingsServiceTest, TheDescriptionHoldsTheSessionTypesAndTheServiceFunctions) {
    ASSERT_TRUE(host_->Load().ok());
    const PluginApiDescription& api = *host_->api();
    const std::vector<std::string_view> pluginTags = {"Plugins", "Plugin kor-game-settings"};

    const PluginTypeRecord* session = hostkit::FindType(api, "KorGameSettingsLoginSession");
    ASSERT_NE(session, nullptr);
    std::vector<std::string_view> fields;
    for (const PluginFieldRecord* field : hostkit::FieldRecords(*session)) fields.push_back(Unpacked(field->name));
    EXPECT_EQ(fields, (std::vector<std::string_view>{"state", "summonerId", "accountId", "gasToken"}));
    EXPECT_EQ(hostkit::TagTexts(Unpacked(session->tags), Unpacked(session->tagCount)), pluginTags);

    const PluginTypeRecord* states = hostkit::FindType(api, "KorGameSettingsLoginSessionStates");
    ASSERT_NE(states, nullptr);
    std::map<std::string_view, int32_t> numbers;
    for (const PluginEnumeratorRecord* enumerator : hostkit::EnumeratorRecords(*states)) {
        numbers[Unpacked(enumerator->name)] = Unpacked(enumerator->number);
    }
    EXPECT_EQ(numbers, (std::map<std::string_view, int32_t>{
                           {"ERROR", 3}, {"IN_PROGRESS", 0}, {"LOGGING_OUT", 2}, {"SUCCEEDED", 1}}));
    const PluginTypeRecord* flow = hostkit::FindType(api, "KorGameSettingsgamesettingsgameflowsession");
    ASSERT_NE(flow, nullptr);
    ASSERT_EQ(hostkit::FieldRecords(*flow).size(), 1u);
    EXPECT_STREQ(Unpacked(hostkit::FieldRecords(*flow)[0]->name), "gameClient");
    EXPECT_NE(hostkit::FindType(api, "KorGameSettingsgamesettingsgameclient"), nullptr);

    for (const char* name :
         {"GetKorGameSettingsV1GameSettings", "PatchKorGameSettingsV1GameSettings", "GetKorGameSettingsV1GameSettingsSchema",
          "GetKorGameSettingsV1InputSettings", "PatchKorGameSettingsV1InputSettings",
          "GetKorGameSettingsV1InputSettingsSchema", "PostKorGameSettingsV1Save", "PostKorGameSettingsV1ReloadPostGame",
          "GetKorGameSettingsV1Didreset", "GetKorGameSettingsV1Ready"}) {
        EXPECT_NE(hostkit::FindFunction(api, name), nullptr) << name;
    }
    // The schemas are read-only.
    EXPECT_EQ(hostkit::FindFunction(api, "PatchKorGameSettingsV1GameSettingsSchema"), nullptr);
    EXPECT_EQ(hostkit::FindFunction(api, "PatchKorGameSettingsV1InputSettingsSchema"), nullptr);
    const PluginFunctionEntry* patch = hostkit::FindFunction(api, "PatchKorGameSettingsV1InputSettings");
    ASSERT_NE(patch, nullptr);
    const auto arguments = hostkit::ArgumentRecords(patch->record);
    ASSERT_EQ(arguments.size(), 1u);
    EXPECT_STREQ(Unpacked(arguments[0]->name), "settingsResource");
}

// ---- Start-up and the state before any load ---------------------------------

TEST_F(GameSettingsServiceTest, BeforeAnyLoadResourcesAreEmptyAndNotReady) {
    Start();
    for (const char* path : {kGameSettings, kGameSettingsSchema, kInputSettings, kInputSettingsSchema}) {
        EXPECT_TRUE(Get(path).IsEmpty()) << path;
    }
    EXPECT_EQ(Get(kReady), HostValue::Bool(false));
    EXPECT_EQ(Get(kDidReset), HostValue::Bool(false));
    // The list of persisted settings was stored for the persisted-settings
    // store, and the owner record was asked for.
    EXPECT_EQ(ReadFile(kDefaultsList), kPersistList);
    EXPECT_EQ(RequestsTo(kOwnerPath, kGet).size(), 1u);
    EXPECT_TRUE(AnnouncedUris().empty());
    EXPECT_FALSE(Exists(kPersisted));
}

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

TEST_F(GameSettingsServiceTest, AnAssetStreamThatFailsIsLoggedAndWritesNothing) {
    table().AnswerStream(kAssetPath, hostkit::StreamScript{{"{\"files\"", ": []}"}, 1, {}, {}});
    Start();
    EXPECT_TRUE(Logged("Error reading default SettingsToPersist data: ", 2));
    EXPECT_FALSE(Exists(kDefaultsList));
}

// ---- Login and readiness ------------------------------------------------------

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

// ---- Synchronisation outcomes -------------------------------------------------

TEST_F(GameSettingsServiceTest, AFailedHashRequestDropsTheSynchronisation) {
    table().AnswerError(kHashPath, "hash service down", 500);
    WriteFile(kPersisted, PersistedText(33));
    Start();
    LogIn(2002);
    PreferencesReady(true);
    const auto hashes = RequestsTo(kHashPath, kPost);
    ASSERT_EQ(hashes.size(), 1u);
    ASSERT_EQ(hashes[0].arguments.size(), 1u);
    EXPECT_EQ(hashes[0].arguments[0].second, HostValue::String(PersistedText(33)));
    EXPECT_TRUE(RequestsTo(kServerCopyPath, kGet).empty());
    EXPECT_TRUE(AnnouncedUris().empty());
    EXPECT_TRUE(OwnerPosts().empty());
    EXPECT_EQ(Get(kReady), HostValue::Bool(false));
}

TEST_F(GameSettingsServiceTest, NotModifiedKeepsTheLocalFileAndClearsModified) {
    ScriptDataStore(OwnerValue(2002, 40, true));
    const std::string local = PersistedText(33);
    WriteFile(kPersisted, local);
    table().AnswerError(kServerCopyPath, "not modified", 304);
    Start();
    LogIn(2002);
    PreferencesReady(true);
    const auto gets = RequestsTo(kServerCopyPath, kGet);
    ASSERT_EQ(gets.size(), 1u);
    ASSERT_EQ(gets[0].arguments.size(), 1u);
    EXPECT_EQ(gets[0].arguments[0].second, HostValue::String("hash-of-local"));
    EXPECT_EQ(ReadFile(kPersisted), local);
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 40, false)});
    EXPECT_TRUE(RequestsTo(kUploadPath, kPut).empty());
    EXPECT_EQ(TextAt(Get(kGameSettings), {"General"}), "<none>");  // a structure, not a text
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(33));
}

TEST_F(GameSettingsServiceTest, AnotherFailureStatusResetsAForeignOwnersFile) {
    ScriptDataStore(OwnerValue(1001, 40, false));
    WriteFile(kPersisted, PersistedText(33));
    table().AnswerError(kServerCopyPath, "server error", 500);
    Start();
    LogIn(2002);
    PreferencesReady(true);
    EXPECT_TRUE(Logged("player-preference server returned 500", 1));
    EXPECT_TRUE(Logged("local file belongs to another player, resetting file 1001 2002", 1));
    EXPECT_EQ(ReadFile(kPersisted), "{}");
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(0, 0, false)});
    EXPECT_EQ(storedOwner_, OwnerValue(0, 0, false));
    EXPECT_EQ(AnnouncedUris(), (std::vector<std::string>{kDidReset, kGameSettings, kInputSettings, kReady}));
    EXPECT_EQ(Get(kDidReset), HostValue::Bool(true));
    // The load that follows reads an empty persisted store.
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(10));
}

TEST_F(GameSettingsServiceTest, AnotherFailureStatusKeepsTheSessionsOwnFile) {
    for (uint64_t owner : {uint64_t{2002}, uint64_t{0}}) {
        SCOPED_TRACE(owner);
        TearDown();
        SetUp();
        ScriptDataStore(OwnerValue(owner, 40, true));
        const std::string local = PersistedText(33);
        WriteFile(kPersisted, local);
        table().AnswerError(kServerCopyPath, "server error", 500);
        Start();
        LogIn(2002);
        PreferencesReady(true);
        EXPECT_TRUE(Logged("player-preference server returned 500", 1));
        EXPECT_FALSE(Logged("resetting file", 1));
        EXPECT_EQ(ReadFile(kPersisted), local);
        EXPECT_TRUE(OwnerPosts().empty());
        EXPECT_EQ(Get(kDidReset), HostValue::Bool(false));
        EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(33));
    }
}

TEST_F(GameSettingsServiceTest, AServerCopyReplacesTheLocalFile) {
    ScriptDataStore(OwnerValue(2002, 40, false));
    WriteFile(kPersisted, PersistedText(33));
    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(44))},
                                                               {"modified", HostValue::Unsigned(41)}}));
    Start();
    LogIn(2002);
    PreferencesReady(true);
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(44));
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 41, false)});
    EXPECT_TRUE(RequestsTo(kUploadPath, kPut).empty());
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(44));
}

TEST_F(GameSettingsServiceTest, AFirstLoginWithoutALocalFileTakesTheServerCopyOrAnEmptyObject) {
    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"modified", HostValue::Unsigned(7)}}));
    Start();
    LogIn(2002);
    PreferencesReady(true);
    const auto hashes = RequestsTo(kHashPath, kPost);
    ASSERT_EQ(hashes.size(), 1u);
    EXPECT_EQ(hashes[0].arguments.at(0).second, HostValue::String(""));
    EXPECT_EQ(ReadFile(kPersisted), "{}");
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 7, false)});
}

TEST_F(GameSettingsServiceTest, LocalChangesOnTheServersVersionAreUploaded) {
    ScriptDataStore(OwnerValue(2002, 40, true));
    const std::string local = PersistedText(33);
    WriteFile(kPersisted, local);
    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(44))},
                                                               {"modified", HostValue::Unsigned(40)}}));
    table().AnswerValue(kUploadPath, HostValue::Structure({{"modified", HostValue::Unsigned(52)}}));
    Start();
    LogIn(2002);
    PreferencesReady(true);
    const auto uploads = RequestsTo(kUploadPath, kPut);
    ASSERT_EQ(uploads.size(), 1u);
    ASSERT_EQ(uploads[0].arguments.size(), 1u);
    const HostValue& preference = uploads[0].arguments[0].second;
    // The local file as the load left it: the store rewrote nothing yet.
    EXPECT_EQ(TextAt(preference, {"data"}), ReadFile(kPersisted));
    EXPECT_NE(TextAt(preference, {"data"}).find("\"33\""), std::string::npos);
    EXPECT_EQ(TextAt(preference, {"type"}), "GamePreferences");
    EXPECT_EQ(TextAt(preference, {"version"}), "1.0");
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 52, false)});
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(33));
}

TEST_F(GameSettingsServiceTest, ANewerServerVersionWinsOverLocalChanges) {
    ScriptDataStore(OwnerValue(2002, 40, true));
    WriteFile(kPersisted, PersistedText(33));
    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(44))},
                                                               {"modified", HostValue::Unsigned(45)}}));
    Start();
    LogIn(2002);
    PreferencesReady(true);
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(44));
    EXPECT_TRUE(RequestsTo(kUploadPath, kPut).empty());
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 45, false)});
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

// ---- The load -------------------------------------------------------------------

TEST_F(GameSettingsServiceTest, ALoadAnnouncesTheTwoResourcesThenReadyUnderBothNames) {
    StartLoaded();
    ASSERT_TRUE(Call("POST", "/kor-game-settings/v1/reload-post-game"));
    std::vector<std::pair<std::string, std::string>> fired;
    for (const auto& event : table().firedEvents()) fired.emplace_back(event.name, TextAt(event.payload, {"uri"}));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {hostkit::EventKeyForPath(kGameSettings), kGameSettings},   {"OnJsonApiEvent", kGameSettings},
        {hostkit::EventKeyForPath(kInputSettings), kInputSettings}, {"OnJsonApiEvent", kInputSettings},
        {hostkit::EventKeyForPath(kReady), kReady},                 {"OnJsonApiEvent", kReady},
    };
    EXPECT_EQ(fired, expected);
    const auto events = table().firedEvents();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(*At(events[0].payload, {"data"}), Get(kGameSettings));
    EXPECT_EQ(*At(events[2].payload, {"data"}), Get(kInputSettings));
    EXPECT_EQ(*At(events[4].payload, {"data"}), HostValue::Bool(true));
    for (const auto& event : events) EXPECT_EQ(TextAt(event.payload, {"eventType"}), "Update");
}

TEST_F(GameSettingsServiceTest, DefaultsComeFromTheDocumentTheDefaultsFileAndTheConfigFile) {
    WriteFile("DATA/CFG/defaults/Game.cfg", "[General]\r\nGameMouseSpeed=20\r\n");
    WriteFile(kGameConfig, "[HUD]\r\nMapScrollSpeed=0.3\r\n");
    table().AnswerError(kAssetPath, "no list", 404);  // nothing persisted
    StartLoaded();
    const HostValue game = Get(kGameSettings);
    EXPECT_EQ(*At(game, {"General", "GameMouseSpeed"}), HostValue::Signed(20));
    EXPECT_EQ(*At(game, {"Volume", "MusicVolume"}), HostValue::Float(0.75));
    EXPECT_EQ(*At(game, {"HUD", "MapScrollSpeed"}), HostValue::Float(0.30000001192092896));
    EXPECT_EQ(*At(game, {"HUD", "ChatScale"}), HostValue::Signed(100));
    EXPECT_EQ(*At(game, {"General", "EnableAudio"}), HostValue::Bool(true));
    const HostValue schema = Get(kGameSettingsSchema);
    EXPECT_EQ(*At(schema, {"HUD", "ChatScale"}), HostValue::Structure({{"default", HostValue::Signed(100)}}));
    EXPECT_EQ(*At(schema, {"General", "GameMouseSpeed"}), HostValue::Structure({{"default", HostValue::Signed(20)}}));
    EXPECT_EQ(*At(schema, {"HUD", "MapScrollSpeed"}), HostValue::Structure({{"default", HostValue::Float(0.5)}}));
    EXPECT_EQ(At(game, {"HUD"})->size(), 29u);

    const HostValue input = Get(kInputSettings);
    EXPECT_EQ(At(input, {"GameEvents"})->size(), 150u);
    EXPECT_EQ(TextAt(input, {"GameEvents", "evtSelfCastSpell1"}), "[Alt][q],");
    EXPECT_EQ(*At(Get(kInputSettingsSchema), {"Quickbinds", "evtUseItem1smart"}),
              HostValue::Structure({{"default", HostValue::Bool(false)}}));
}

TEST_F(GameSettingsServiceTest, TheLoadCleansBytesAbove127FromThePersistedFile) {
    const std::string accented = R"({"files": [{"name": "Game.cfg", "sections": [{"name": "General", "settings": [)"
                                 R"({"name": "GameMouseSpeed", "value": "3)" "\xE9" R"(4"}]}]}]})";
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

    // A change holding a value the file could not hold is refused whole.
    auto refused =
        Call("PATCH", kGameSettings, R"({"HUD": {"GlobalScale": 1e39, "MinimapScale": 2.0, "DrawHealthBars": false}})");
    EXPECT_EQ(refused->status(), 400u);
    EXPECT_EQ(ReadFile(kGameConfig).find("MinimapScale="), std::string::npos);
    EXPECT_EQ(Call("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 9223372036854775808}})")->status(), 400u);
    EXPECT_EQ(ReadFile(kGameConfig).find("ChatScale="), std::string::npos);
}

// ---- The road of one call ---------------------------------------------------------

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

TEST_F(GameSettingsServiceTest, PatchingGameSettingsMergesOneSettingAndAnnouncesTheWhole) {
    StartLoaded();
    const HostValue before = Get(kGameSettings);
    const HostValue answer = Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})");
    EXPECT_EQ(*At(answer, {"HUD", "ChatScale"}), HostValue::Unsigned(120));
    EXPECT_EQ(*At(answer, {"HUD", "MapScrollSpeed"}), *At(before, {"HUD", "MapScrollSpeed"}));
    EXPECT_NE(ReadFile(kGameConfig).find("ChatScale=120\r\n"), std::string::npos);
    EXPECT_TRUE(Exists(kInputConfig));
    EXPECT_EQ(AnnouncedUris(), std::vector<std::string>{kGameSettings});
    // Quickbinds hold no bindings: no conflict handling, nothing unbound.
    const HostValue input = Answer("PATCH", kInputSettings, R"({"Quickbinds": {"evtCastSpell1smart": false}})");
    EXPECT_EQ(TextAt(input, {"GameEvents", "evtCastSpell1"}), "[q]");
}

TEST_F(GameSettingsServiceTest, APatchWhoseFileWriteFailsAnswersAnError) {
    StartLoaded();
    std::filesystem::create_directories(kGameConfig);  // "Game.cfg" cannot be written
    auto response = Call("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})");
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->failed());
    EXPECT_EQ(response->status(), 500u);
    EXPECT_NE(response->error().find("Unable to save settings to file"), std::string::npos) << response->error();
    EXPECT_TRUE(Logged("Failed to write settings to ", 2));
    EXPECT_TRUE(AnnouncedUris().empty());
    EXPECT_TRUE(OwnerPosts().empty());
    // Nothing was written.
    EXPECT_FALSE(Exists(kInputConfig));
}

TEST_F(GameSettingsServiceTest, APatchBeforeAnyLoadWritesNothingAndAnswersAnError) {
    Start();
    auto response = Call("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status(), 500u);
    EXPECT_NE(response->error().find("Unable to save settings to file"), std::string::npos);
    EXPECT_TRUE(Logged("Error attempting to save game configs locally, ConfigPersistence is invalid.", 2));
    EXPECT_FALSE(Exists(kGameConfig));
    EXPECT_TRUE(AnnouncedUris().empty());
    EXPECT_EQ(At(Get(kGameSettings), {"HUD", "ChatScale"}), nullptr);
}

TEST_F(GameSettingsServiceTest, APatchWhosePersistedSettingsCannotBeSavedAnswersAnError) {
    StartLoaded();
    std::filesystem::create_directories(kPersisted);  // a directory where the file belongs
    auto response = Call("PATCH", kGameSettings, R"({"General": {"GameMouseSpeed": 15}})");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status(), 500u);
    EXPECT_NE(response->error().find("Unable to save settings to file"), std::string::npos) << response->error();
    EXPECT_TRUE(Logged("Failed to write settings to ", 2));
    EXPECT_EQ(ReadFile(kGameConfig).find("GameMouseSpeed=15"), std::string::npos);
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

// ---- Endpoints ----------------------------------------------------------------------

TEST_F(GameSettingsServiceTest, SaveBeforeReadinessAnswersFalseWithAWarning) {
    Start();
    WriteFile(kPersisted, PersistedText(33));
    EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/save"), HostValue::Bool(false));
    EXPECT_TRUE(Logged("We are not connected to the Player Prefs server, are you logged in?", 1));
    EXPECT_TRUE(RequestsTo(kUploadPath, kPut).empty());
}

TEST_F(GameSettingsServiceTest, ReloadPostGameLoadsMarksModifiedAndUploads) {
    ScriptDataStore(OwnerValue(2002, 40, false));
    StartLoaded();
    WriteFile(kGameConfig, "[HUD]\r\nChatScale=90\r\n");  // the game changed it
    WriteFile(kPersisted, PersistedText(33));
    table().AnswerValue(kUploadPath, HostValue::Structure({{"modified", HostValue::Unsigned(60)}}));
    EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/reload-post-game"), HostValue::Bool(true));
    EXPECT_EQ(AnnouncedUris(), (std::vector<std::string>{kGameSettings, kInputSettings, kReady}));
    EXPECT_EQ(OwnerPosts(), (std::vector<HostValue>{OwnerValue(2002, 40, true), OwnerValue(2002, 60, false)}));
    EXPECT_EQ(RequestsTo(kUploadPath, kPut).size(), 1u);
    EXPECT_EQ(*At(Get(kGameSettings), {"HUD", "ChatScale"}), HostValue::Signed(90));
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(33));

    // A failed upload answers false and keeps the owner modified.
    table().AnswerError(kUploadPath, "upload refused", 500);
    table().ClearRecords();
    EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/reload-post-game"), HostValue::Bool(false));
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(2002, 60, true)});
}

// ---- Ownership ---------------------------------------------------------------------------

TEST_F(GameSettingsServiceTest, TheDisabledServicePathResetsAnotherAccountsFile) {
    ScriptDataStore(OwnerValue(1001, 40, false));
    WriteFile(kPersisted, PersistedText(33));
    Start();
    LogIn(2002);
    PreferencesReady(false);
    EXPECT_TRUE(Logged("player-preference service is disabled", 1));
    EXPECT_EQ(ReadFile(kPersisted), "{}");
    EXPECT_EQ(OwnerPosts(), std::vector<HostValue>{OwnerValue(0, 0, false)});
    int didResetEvents = 0;
    for (const auto& event : table().firedEvents()) {
        if (event.name == "OnJsonApiEvent" && TextAt(event.payload, {"uri"}) == kDidReset) {
            ++didResetEvents;
            EXPECT_EQ(*At(event.payload, {"data"}), HostValue::Bool(true));
        }
    }
    EXPECT_EQ(didResetEvents, 1);
    EXPECT_EQ(Get(kDidReset), HostValue::Bool(true));
    EXPECT_EQ(Get(kReady), HostValue::Bool(true));
}

TEST_F(GameSettingsServiceTest, TheSameAccountOrNoOwnerResetsNothing) {
    ScriptDataStore(OwnerValue(2002, 40, false));
    WriteFile(kPersisted, PersistedText(33));
    Start();
    LogIn(2002);
    PreferencesReady(false);
    EXPECT_FALSE(Logged("resetting file", 1));
    EXPECT_TRUE(OwnerPosts().empty());
    EXPECT_EQ(Get(kDidReset), HostValue::Bool(false));
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

TEST_F(GameSettingsServiceTest, OneAccountsPersistedValuesNeverReachAnother) {
    // Account 1001 takes its server copy and changes a persisted setting.
    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(33))},
                                                               {"modified", HostValue::Unsigned(40)}}));
    Start();
    LogIn(1001);
    PreferencesReady(true);
    ASSERT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(33));
    Answer("PATCH", kGameSettings, R"({"General": {"GameMouseSpeed": 34}})");
    ASSERT_NE(ReadFile(kPersisted).find("\"34\""), std::string::npos);
    ASSERT_NE(ReadFile(kGameConfig).find("GameMouseSpeed=34"), std::string::npos);

    // Account 2002 logs in on the same installation; the server fails.
    table().AnswerError(kServerCopyPath, "server error", 500);
    table().AnswerValue(kUploadPath, HostValue::Structure({{"modified", HostValue::Unsigned(70)}}));
    table().ClearRecords();
    LogIn(2002);
    PreferencesReady(true);
    ASSERT_EQ(Get(kDidReset), HostValue::Bool(true));
    EXPECT_EQ(*At(Get(kGameSettings), {"General", "GameMouseSpeed"}), HostValue::Signed(10));
    const auto events = table().firedEvents();
    for (const auto& event : events) {
        const HostValue* speed = At(event.payload, {"data", "General", "GameMouseSpeed"});
        if (speed != nullptr) {
            EXPECT_EQ(*speed, HostValue::Signed(10)) << event.name;
        }
    }

    // Neither the next save nor the upload carries 1001's values.
    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 110}})");
    EXPECT_EQ(ReadFile(kPersisted).find("\"34\""), std::string::npos) << ReadFile(kPersisted);
    EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/save"), HostValue::Bool(true));
    const auto uploads = RequestsTo(kUploadPath, kPut);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(TextAt(uploads[0].arguments.at(0).second, {"data"}).find("\"34\""), std::string::npos);
    host_->Shutdown();
    EXPECT_EQ(ReadFile(kPersisted).find("\"34\""), std::string::npos);
}

// ---- Shut-down ---------------------------------------------------------------------------

TEST_F(GameSettingsServiceTest, ShutdownAfterALoadSavesThePersistedSettings) {
    WriteFile(kGameConfig, "[General]\r\nGameMouseSpeed=12\r\n");  // no persisted file: taken from here
    StartLoaded();
    ASSERT_FALSE(Exists(kPersisted));
    host_->Shutdown();
    const std::string saved = ReadFile(kPersisted);
    EXPECT_NE(saved.find("\"name\": \"GameMouseSpeed\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"value\": \"12\""), std::string::npos) << saved;
    bool unsubscribed = false;
    for (const auto& call : table().subscriptionCalls()) unsubscribed |= !call.subscribe;
    EXPECT_TRUE(unsubscribed);
}

TEST_F(GameSettingsServiceTest, ShutdownWithoutALoadWritesNothing) {
    Start();
    host_->Shutdown();
    EXPECT_FALSE(Exists(kPersisted));
    EXPECT_FALSE(Exists(kGameConfig));
    EXPECT_FALSE(Exists(kInputConfig));
}

}  // namespace
}  // namespace kor
