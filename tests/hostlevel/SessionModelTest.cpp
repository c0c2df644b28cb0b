// The service's state across logins, changes, saves, account switches and
// restarts, checked against a small model. A seeded random sequence of what a
// client does drives the built library through the test host; host services
// stand in for the player-preferences server and the data store. After every
// step the files, the owner record, the server copies and the answers must
// be what the model says.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "support/InstalledLibraryTest.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/JsonCodec.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::ResourceEventType;
using namespace kor::testing;

constexpr const char* kPersistList =
    R"({"files": [{"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]}]})";
constexpr int kDefaultSpeed = 10;  // the built-in default of the persisted setting

// "PersistedSettings.json" as far as the model cares: missing, emptied by a
// reset, unexpected, or holding the persisted mouse speed (0 or more).
using FileState = int;
constexpr FileState kMissing = -1, kEmptied = -2, kUnexpected = -3;

FileState ReadState(const std::string& text, bool exists) {
    if (!exists) return kMissing;
    if (text == "{}") return kEmptied;
    const auto json = hostkit::DecodeJson(text);
    if (!json.ok() || json.value().Find("files") == nullptr) return kUnexpected;
    for (const HostValue& file : *json.value().Find("files")->AsItems())
        for (const HostValue& section : *file.Find("sections")->AsItems())
            for (const HostValue& setting : *section.Find("settings")->AsItems())
                if (*setting.Find("name")->AsString() == "GameMouseSpeed") return std::stoi(*setting.Find("value")->AsString());
    return kUnexpected;
}

struct Owner {
    uint64_t account = 0, timestamp = 0;
    bool modified = false;
    bool operator==(const Owner&) const = default;
};

// A change made while nobody is logged in keeps the files with their owner,
// so that the next login of another account still resets them; with no
// owner they stay without one.
Owner OwnerAfterLoggedOutChange(const Owner& owner) {
    return owner.account == 0 ? owner : Owner{owner.account, owner.timestamp, true};
}

// What the service must hold; every rule of a step is written once here.
struct Model {
    FileState file = kMissing;
    std::optional<int> gameCfgSpeed = 12;
    int gameCfgChat = 100;
    Owner owner;
    int ownerPosts = 0;
    struct Copy {
        FileState file = kMissing;
        uint64_t modified = 0;
    };
    std::map<uint64_t, Copy> server;
    uint64_t clock = 100;
    // The plug-in's own state, gone with a restart.
    uint64_t session = 0;
    bool prefsReady = false, loaded = false, didReset = false, storeDirty = false;
    int speed = 0, chat = 0;

    void SetOwner(Owner next) {
        if (next == owner) return;
        owner = next;
        ++ownerPosts;
    }
    void ResetCheck() {
        if (owner.account == 0 || session == 0 || owner.account == session) return;
        file = kEmptied;
        SetOwner({});
        didReset = true;
    }
    void Load() {
        speed = file >= 0 ? file : file == kEmptied ? kDefaultSpeed : gameCfgSpeed.value_or(kDefaultSpeed);
        storeDirty = file == kMissing && gameCfgSpeed.has_value();
        chat = gameCfgChat;
        loaded = true;
    }
    bool Upload() {
        if (!prefsReady || file == kMissing || session == 0) return false;
        server[session] = {file, ++clock};
        SetOwner({session, clock, false});
        return true;
    }
    void Synchronise() {
        const auto copy = server.find(session);
        if (copy == server.end()) {  // the server answers 404
            ResetCheck();
            Load();
        } else if (copy->second.file == file) {  // 304
            SetOwner({session, owner.timestamp, false});
            Load();
        } else if (owner == Owner{session, copy->second.modified, true}) {
            Load();
            Upload();
        } else {
            file = copy->second.file;
            SetOwner({session, copy->second.modified, false});
            Load();
        }
    }
    void Ready(uint64_t account, bool enabled) {
        session = account;
        prefsReady = enabled;
        if (enabled) {
            Synchronise();
        } else {
            ResetCheck();
            Load();
        }
    }
    void Change() {
        gameCfgSpeed = speed;
        gameCfgChat = chat;
        file = speed;
        storeDirty = false;
        SetOwner(session != 0 ? Owner{session, owner.timestamp, true} : OwnerAfterLoggedOutChange(owner));
    }
    void Shutdown() {
        if (loaded && storeDirty) file = *gameCfgSpeed;
        session = 0;
        prefsReady = loaded = didReset = storeDirty = false;
    }
};

class SessionModelTest : public InstalledLibraryTest {
protected:
    SessionModelTest() : InstalledLibraryTest(KOR_GAME_SETTINGS_LIBRARY, "kor-model-") {}

    // The host side: who is logged in, the preferences server, the data store.
    struct World {
        uint64_t account = 0;
        bool prefsEnabled = true;
        std::map<uint64_t, std::pair<std::string, uint64_t>> server;
        uint64_t clock = 100;
    } world_;

    static std::string Hash(const std::string& text) { return std::to_string(std::hash<std::string>{}(text)); }
    static std::string Text(const PluginRequest* request) {
        if (request->argCount != 1) return "<no argument>";
        const auto value = hostkit::ReadPlainValue(request->args[0].value);
        return value.ok() && value.value().AsString() ? *value.value().AsString() : "<not a text>";
    }

    void ScriptServices() {
        table().AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        ScriptDataStore();
        table().OnRequest(kHashPath, [](PluginResponse* response, const PluginRequest* request) {
            hostkit::AnswerValue(response, HostValue::String(Hash(Text(request))));
        });
        table().OnRequest(kServerCopyPath, [this](PluginResponse* response, const PluginRequest* request) {
            const auto copy = world_.server.find(world_.account);
            if (copy == world_.server.end()) return hostkit::AnswerError(response, "no preferences", 404);
            if (Hash(copy->second.first) == Text(request)) return hostkit::AnswerError(response, "not modified", 304);
            hostkit::AnswerValue(response, HostValue::Structure({{"data", HostValue::String(copy->second.first)},
                                                                 {"modified", HostValue::Unsigned(copy->second.second)}}));
        });
        table().OnRequest(kUploadPath, [this](PluginResponse* response, const PluginRequest* request) {
            const HostValue preference = hostkit::ReadPlainValue(request->args[0].value).value();
            if (world_.account == 0) return hostkit::AnswerError(response, "nobody logged in", 401);
            world_.server[world_.account] = {*preference.Find("data")->AsString(), ++world_.clock};
            hostkit::AnswerValue(response, HostValue::Structure({{"modified", HostValue::Unsigned(world_.clock)}}));
        });
    }

    void Check(const Model& model) {
        EXPECT_EQ(ReadState(ReadFile(kPersisted), std::filesystem::exists(kPersisted)), model.file);
        const HostValue stored = storedOwner_.value_or(OwnerValue(0, 0, false));
        EXPECT_EQ(stored, OwnerValue(model.owner.account, model.owner.timestamp, model.owner.modified));
        EXPECT_EQ(ownerPosts_, model.ownerPosts);
        EXPECT_EQ(world_.server.size(), model.server.size());
        for (const auto& [account, copy] : model.server) {
            EXPECT_EQ(ReadState(world_.server[account].first, true), copy.file) << account;
            EXPECT_EQ(world_.server[account].second, copy.modified) << account;
        }
        EXPECT_EQ(Answer("GET", kReady), HostValue::Bool(model.loaded));
        EXPECT_EQ(Answer("GET", kDidReset), HostValue::Bool(model.didReset));
        const HostValue game = Answer("GET", kGameSettings);
        if (!model.loaded) {
            EXPECT_TRUE(game.IsEmpty());
            return;
        }
        EXPECT_EQ(Setting(game, "General", "GameMouseSpeed"), std::to_string(model.speed));
        EXPECT_EQ(Setting(game, "HUD", "ChatScale"), std::to_string(model.chat));
        const std::string gameCfg = ReadFile(kGameConfig);
        if (model.gameCfgSpeed) {
            EXPECT_NE(gameCfg.find("GameMouseSpeed=" + std::to_string(*model.gameCfgSpeed) + "\r\n"), std::string::npos)
                << gameCfg;
        }
        EXPECT_NE(gameCfg.find("ChatScale=" + std::to_string(model.gameCfgChat) + "\r\n"), std::string::npos) << gameCfg;
    }

    void Run(unsigned seed, int steps) {
        std::mt19937 random(seed);
        Model model;
        std::filesystem::create_directories("Config");
        WriteFile(kGameConfig, "[General]\r\nGameMouseSpeed=12\r\n[HUD]\r\nChatScale=100\r\n");
        ScriptServices();
        Start();
        for (int step = 0; step < steps && !HasFatalFailure(); ++step) {
            std::string what;
            switch (random() % 7) {
            case 0:  // a login, or a logout when someone is logged in
                if (world_.account == 0) {
                    world_.account = 1001 + random() % 3;
                    world_.prefsEnabled = random() % 5 != 0;
                    what = "login " + std::to_string(world_.account) + (world_.prefsEnabled ? "" : " (disabled)");
                    LogIn(world_.account, world_.prefsEnabled);
                    model.Ready(world_.account, world_.prefsEnabled);
                    break;
                }
                [[fallthrough]];
            case 1:
                what = "logout";
                world_.account = 0;
                Deliver(kSessionPath, ResourceEventType::Delete, HostValue());
                Deliver(kReadyEventPath, ResourceEventType::Update, HostValue::Bool(false));
                model.session = 0;
                model.prefsReady = false;
                break;
            case 2:
            case 3: {
                if (!model.loaded) continue;
                const bool speed = random() % 2 == 0;
                const int value = 1 + static_cast<int>(random() % 99);
                what = (speed ? "change speed " : "change chat ") + std::to_string(value);
                const HostValue answer =
                    Answer("PATCH", kGameSettings,
                           speed ? R"({"General": {"GameMouseSpeed": )" + std::to_string(value) + "}}"
                                 : R"({"HUD": {"ChatScale": )" + std::to_string(value) + "}}");
                (speed ? model.speed : model.chat) = value;
                model.Change();
                EXPECT_EQ(Setting(answer, speed ? "General" : "HUD", speed ? "GameMouseSpeed" : "ChatScale"), std::to_string(value));
                break;
            }
            case 4:
                what = "save";
                EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/save"), HostValue::Bool(model.Upload()));
                break;
            case 5:
                what = "restart";
                Restart();
                model.Shutdown();
                ScriptServices();
                Start();
                if (world_.account != 0) {
                    LogIn(world_.account, world_.prefsEnabled);
                    model.Ready(world_.account, world_.prefsEnabled);
                }
                break;
            case 6: {
                if (model.session == 0) continue;
                what = "end of game";
                model.Load();
                model.SetOwner({model.session, model.owner.timestamp, true});
                const bool uploaded = model.Upload();
                EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/reload-post-game"), HostValue::Bool(uploaded));
                break;
            }
            }
            SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(step) + ": " + what);
            Check(model);
        }
    }
};

TEST_F(SessionModelTest, RandomSessionsKeepFilesOwnerAndAnswersInStep) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        Run(seed, 60);
        if (HasFailure()) return;
        TearDown();
        world_ = World();
        SetUp();
    }
}

}  // namespace
}  // namespace kor
