// kor-host serving the game-settings plug-in itself, found where the build
// put it (no --library), in a temporary directory with the demo
// installation: the README's walk-through, the files on disk after each
// step, the event stream, the three body formats, and a restart.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>

#include "KorHostProcess.h"
#include "tools/hostkit/JsonCodec.h"

namespace kor::korhost::testing {
namespace {

using hostkit::HostValue;

constexpr const char* kGameSettings = "/kor-game-settings/v1/game-settings";
constexpr const char* kInputSettings = "/kor-game-settings/v1/input-settings";
constexpr const char* kOwnerPath = "/data-store/v1/install-settings/game-settings";

// The member at `path` inside `value`, or the empty value.
HostValue At(const HostValue& value, std::initializer_list<std::string_view> path) {
    const HostValue* current = &value;
    for (std::string_view name : path) {
        current = current->Find(name);
        if (current == nullptr) return HostValue();
    }
    return *current;
}

std::string TextAt(const HostValue& value, std::initializer_list<std::string_view> path) {
    const HostValue found = At(value, path);
    return found.AsString() != nullptr ? *found.AsString() : "<" + hostkit::EncodeJson(found) + ">";
}

class GameSettingsServe : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = MakeTemporaryDirectory();
        ASSERT_FALSE(directory_.empty());
        game_ = directory_ + "/kor-host-work/game";
    }
    void TearDown() override {
        process_.reset();
        std::filesystem::remove_all(directory_);
    }

    HostValue Get(const std::string& path) { return Answer(client_->Get(path), 200); }
    HostValue Post(const std::string& path, const std::string& body = "") {
        return Answer(client_->Post(path, body, "application/json"), 200);
    }
    HostValue Answer(const httplib::Result& result, int status) {
        EXPECT_TRUE(result);
        if (!result) return HostValue();
        EXPECT_EQ(result->status, status) << result->body;
        auto decoded = hostkit::DecodeJson(result->body);
        EXPECT_TRUE(decoded.ok()) << result->body;
        return decoded.ok() ? decoded.value() : HostValue();
    }
    void LogIn(uint64_t account) {
        Post("/host/login", R"({"accountId": )" + std::to_string(account) + R"(, "summonerId": )" +
                                std::to_string(account + 1000) + "}");
    }

    std::string File(const std::string& relative) const {
        std::ifstream in(game_ + "/" + relative, std::ios::binary);
        if (!in) return "<missing>";
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Whether "PersistedSettings.json" holds `value` for the setting `name`.
    bool Persisted(const std::string& name, const std::string& value) const {
        const auto document = hostkit::DecodeJson(File("Config/PersistedSettings.json"));
        const std::string setting = R"({"name":")" + name + R"(","value":")" + value + R"("})";
        return document.ok() && hostkit::EncodeJson(document.value()).find(setting) != std::string::npos;
    }

    std::string directory_;
    std::string game_;
    std::unique_ptr<KorHostProcess> process_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(GameSettingsServe, WalkThroughFromStartToAnotherAccountsReset) {
    process_ = std::make_unique<KorHostProcess>();
    ASSERT_TRUE(process_->StartServe(directory_, {})) << process_->error();
    client_ = std::make_unique<httplib::Client>("127.0.0.1", process_->port());
    client_->set_read_timeout(std::chrono::seconds(10));
    // Before a login: the plug-in is described, nothing is loaded, the demo
    // game is laid out and the host's list of persisted settings stored.
    const std::string api = hostkit::EncodeJson(Get("/host/api"));
    for (const char* part : {R"("plugin":"kor-game-settings")", R"("name":"PluginResourceEvent")",
                             R"("name":"OnJsonApiEvent")", R"("name":"PatchKorGameSettingsV1InputSettings")"}) {
        EXPECT_NE(api.find(part), std::string::npos) << part;
    }

    EXPECT_EQ(Get("/kor-game-settings/v1/ready").AsBool(), false);
    EXPECT_TRUE(Get(kGameSettings).IsEmpty());
    EXPECT_NE(File("DATA/CFG/defaults/SettingsToPersist.json").find("\"Volume\""), std::string::npos);
    EXPECT_NE(File("Config/Game.cfg").find("GameMouseSpeed=14"), std::string::npos);
    // Log in: the settings are loaded from the user's files over the defaults.
    LogIn(1001);
    EXPECT_EQ(Get("/kor-game-settings/v1/ready").AsBool(), true);
    HostValue game = Get(kGameSettings);
    EXPECT_EQ(At(game, {"General", "GameMouseSpeed"}).AsUnsigned(), 14u);
    EXPECT_EQ(At(game, {"HUD", "ChatScale"}).AsUnsigned(), 90u);
    HostValue schema = Get("/kor-game-settings/v1/game-settings-schema");
    EXPECT_EQ(At(schema, {"General", "GameMouseSpeed", "default"}).AsUnsigned(), 12u);
    EXPECT_EQ(TextAt(Get(kInputSettings), {"GameEvents", "evtCastSpell1"}), "[q]");
    EXPECT_EQ(File("Config/PersistedSettings.json"), "<missing>");

    // Rebind [q]: the event that held it loses it, in the answer and on
    // disk, and the event stream tells of the change.
    std::promise<void> connected;
    auto events = std::async(std::launch::async, [port = process_->port(), &connected] {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(std::chrono::seconds(10));
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);  // keep-alives come meanwhile
        client.Get("/events", [&](const char* data, size_t size) {
            if (text.empty()) connected.set_value();
            text.append(data, size);
            return text.find("/kor-game-settings/v1/input-settings") == std::string::npos && std::chrono::steady_clock::now() < deadline;
        });
        return text;
    });
    ASSERT_EQ(connected.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    HostValue input = Answer(client_->Patch(kInputSettings, R"({"GameEvents": {"evtCastSpell2": "[q]"}})", "application/json"), 200);
    const std::string stream = events.get();
    EXPECT_NE(stream.find("\nevent: OnJsonApiEvent"), std::string::npos);
    EXPECT_NE(stream.find(R"("evtCastSpell1":"[<Unbound>]")"), std::string::npos);
    EXPECT_NE(stream.find(R"("eventType":"Update","uri":"/kor-game-settings/v1/input-settings")"), std::string::npos);
    EXPECT_EQ(TextAt(input, {"GameEvents", "evtCastSpell1"}), "[<Unbound>]");
    EXPECT_EQ(TextAt(input, {"GameEvents", "evtCastSpell2"}), "[q]");
    const std::string inputIni = File("Config/Input.ini");
    EXPECT_NE(inputIni.find("evtCastSpell1=[<Unbound>]"), std::string::npos) << inputIni;
    EXPECT_NE(inputIni.find("evtCastSpell2=[q]"), std::string::npos) << inputIni;
    EXPECT_NE(inputIni.find("; Key bindings of the demo player."), std::string::npos) << "comments are kept";
    EXPECT_TRUE(Persisted("evtCastSpell2", "[q]"));
    EXPECT_TRUE(Persisted("ChatScale", "90"));
    // A body that does not parse is answered 400 with the reason, and changes nothing.
    HostValue error = Answer(client_->Patch(kGameSettings, R"({"HUD": )", "application/json"), 400);
    EXPECT_EQ(At(error, {"status"}).AsUnsigned(), 400u);
    EXPECT_NE(TextAt(error, {"message"}).find("Invalid value"), std::string::npos) << hostkit::EncodeJson(error);
    EXPECT_TRUE(Persisted("ChatScale", "90"));
    HostValue owner = At(Get("/host/state"), {"dataStore", kOwnerPath});
    EXPECT_EQ(owner.Find("accountId")->AsUnsigned(), 1001u);
    EXPECT_EQ(owner.Find("modified")->AsBool(), true);

    // Save: the account's server copy is the local file, the owner is clean.
    EXPECT_EQ(Post("/kor-game-settings/v1/save").AsBool(), true);
    HostValue state = Get("/host/state");
    const HostValue& copy = state.Find("playerPreferences")->AsItems()->at(0);
    EXPECT_EQ(copy.Find("accountId")->AsUnsigned(), 1001u);
    EXPECT_EQ(TextAt(copy, {"data"}), File("Config/PersistedSettings.json"));
    owner = At(state, {"dataStore", kOwnerPath});
    EXPECT_EQ(owner.Find("modified")->AsBool(), false);
    EXPECT_EQ(owner.Find("timestamp")->AsUnsigned(), copy.Find("modified")->AsUnsigned());

    // Another account on the same installation: the local persisted settings
    // were 1001's, so they are reset; the INI files stay.
    Post("/host/logout");
    LogIn(1002);
    EXPECT_EQ(Get("/kor-game-settings/v1/didreset").AsBool(), true);
    EXPECT_EQ(File("Config/PersistedSettings.json"), "{}");
    EXPECT_NE(File("Config/Input.ini").find("evtCastSpell2=[q]"), std::string::npos);
    EXPECT_NE(process_->StandardError().find("plug-in   WARN| local file belongs to another player, resetting file 1001 1002"),
              std::string::npos)
        << process_->StandardError();
    EXPECT_EQ(process_->Stop(), std::optional<int>(0)) << process_->StandardError();  // a clean shut-down
}

}  // namespace
}  // namespace kor::korhost::testing
