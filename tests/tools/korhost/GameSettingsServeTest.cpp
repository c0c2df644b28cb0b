// kor-host serving the game-settings plug-in itself, found where the build
// put it (no --library), in a temporary directory with the demo
// installation.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "KorHostProcess.h"
#include "tools/hostkit/JsonCodec.h"

namespace kor::korhost::testing {
namespace {

using hostkit::HostValue;

bool HasNamed(const HostValue& list, const std::string& name) {
    for (const HostValue& item : *list.AsItems()) {
        const HostValue* found = item.Find("name");
        if (found != nullptr && found->AsString() != nullptr && *found->AsString() == name) return true;
    }
    return false;
}

TEST(GameSettingsServe, TheBuiltPluginIsServedAndShutDownCleanly) {
    const std::string directory = MakeTemporaryDirectory();
    ASSERT_FALSE(directory.empty());
    {
        KorHostProcess process;
        ASSERT_TRUE(process.StartServe(directory, {})) << process.error();
        httplib::Client client("127.0.0.1", process.port());

        httplib::Result api = client.Get("/host/api");
        ASSERT_TRUE(api);
        ASSERT_EQ(api->status, 200);
        auto description = hostkit::DecodeJson(api->body);
        ASSERT_TRUE(description.ok()) << description.error();
        EXPECT_EQ(*description.value().Find("plugin")->AsString(), "kor-game-settings");
        const HostValue* types = description.value().Find("types");
        ASSERT_NE(types, nullptr);
        EXPECT_TRUE(HasNamed(*types, "PluginResourceEvent"));
        EXPECT_TRUE(HasNamed(*types, "PluginManagerState"));
        EXPECT_TRUE(HasNamed(*description.value().Find("events"), "OnJsonApiEvent"));

        // The demo installation was laid out for it in the work folder.
        EXPECT_TRUE(std::filesystem::exists(directory + "/kor-host-work/game/Config/Game.cfg"));
        EXPECT_TRUE(std::filesystem::exists(directory + "/kor-host-work/game/DATA/CFG/defaults/Input.ini"));

        std::optional<int> status = process.Stop();
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0) << process.StandardError();
    }
    std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace kor::korhost::testing
