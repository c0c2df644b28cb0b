#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "KorHostProcess.h"
#include "tools/kor-host/CommandLine.h"
#include "tools/kor-host/DemoInstallation.h"
#include "tools/kor-host/HttpServer.h"

namespace kor::korhost {
namespace {

hostkit::Outcome<Options> Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, ServeDefaultsAndListenForms) {
    auto plain = Parse({"serve"});
    ASSERT_TRUE(plain.ok()) << plain.error();
    EXPECT_EQ(plain.value().command, Options::Command::Serve);
    EXPECT_EQ(plain.value().listenHost, "127.0.0.1");
    EXPECT_EQ(plain.value().listenPort, kDefaultPort);
    EXPECT_EQ(plain.value().workDir, "kor-host-work");
    EXPECT_FALSE(plain.value().gameDir.has_value());

    auto any = Parse({"serve", "--listen=localhost:0", "--game-dir", "/games/x", "--library=/lib/p.so"});
    ASSERT_TRUE(any.ok()) << any.error();
    EXPECT_EQ(any.value().listenHost, "localhost");
    EXPECT_EQ(any.value().listenPort, 0);
    EXPECT_EQ(any.value().gameDir, "/games/x");
    EXPECT_EQ(any.value().library, "/lib/p.so");

    auto ipv6 = Parse({"serve", "--listen", "[::1]:9000"});
    ASSERT_TRUE(ipv6.ok()) << ipv6.error();
    EXPECT_EQ(ipv6.value().listenHost, "::1");
    EXPECT_EQ(ipv6.value().listenPort, 9000);
}

TEST(CommandLine, RefusesWhatItCannotServeSafely) {
    EXPECT_FALSE(Parse({"serve", "--listen", "0.0.0.0:8421"}).ok());
    EXPECT_FALSE(Parse({"serve", "--listen", "192.168.1.2:8421"}).ok());
    EXPECT_FALSE(Parse({"serve", "--listen", "127.0.0.1:65536"}).ok());
    EXPECT_FALSE(Parse({"serve", "--listen", "127.0.0.1:80x"}).ok());
    EXPECT_FALSE(Parse({"serve", "--listen", "127.0.0.1"}).ok());
    EXPECT_FALSE(Parse({"serve", "--library"}).ok());
    EXPECT_FALSE(Parse({"serve", "--colour", "red"}).ok());
    EXPECT_FALSE(Parse({"serve", "extra"}).ok());
    EXPECT_FALSE(Parse({"launch"}).ok());
    EXPECT_TRUE(IsLoopbackHost("127.8.9.10"));
    EXPECT_FALSE(IsLoopbackHost("128.0.0.1"));
}

TEST(CommandLine, CallTakesMethodPathAndAnOptionalBody) {
    auto call = Parse({"call", "PATCH", "/kor-game-settings/v1/game-settings", "{\"HUD\": {}}", "--content-type",
                       "application/x-yaml"});
    ASSERT_TRUE(call.ok()) << call.error();
    EXPECT_EQ(call.value().command, Options::Command::Call);
    EXPECT_EQ(call.value().callMethod, "PATCH");
    EXPECT_EQ(call.value().callPath, "/kor-game-settings/v1/game-settings");
    EXPECT_EQ(call.value().callBody, "{\"HUD\": {}}");
    EXPECT_EQ(call.value().contentType, "application/x-yaml");

    auto noBody = Parse({"call", "GET", "/kor-game-settings/v1/ready"});
    ASSERT_TRUE(noBody.ok());
    EXPECT_FALSE(noBody.value().callBody.has_value());

    EXPECT_FALSE(Parse({"call", "GET"}).ok());
    EXPECT_FALSE(Parse({"call", "GET", "relative/path"}).ok());
    EXPECT_FALSE(Parse({"call", "GET", "/a", "b", "c"}).ok());
}

TEST(CommandLine, HelpWinsWhereverItStands) {
    EXPECT_EQ(Parse({}).value().command, Options::Command::Help);
    EXPECT_EQ(Parse({"serve", "--help"}).value().command, Options::Command::Help);
    EXPECT_EQ(Parse({"-h"}).value().command, Options::Command::Help);
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DemoInstallation, IsLaidOutOnceAndKeepsWhatChangedSince) {
    const std::string root = testing::MakeTemporaryDirectory() + "/game";
    ASSERT_TRUE(LayOutDemoInstallation(root).ok());
    for (const DemoFile& file : DemoFiles()) {
        EXPECT_EQ(ReadAll(std::filesystem::path(root) / file.path), file.text) << file.path;
    }
    // The user's files hold comments and values that differ from the defaults.
    const std::string userGame = ReadAll(std::filesystem::path(root) / "Config/Game.cfg");
    EXPECT_NE(userGame.find("; "), std::string::npos);
    EXPECT_NE(userGame.find("GameMouseSpeed=14"), std::string::npos);

    std::ofstream(std::filesystem::path(root) / "Config/Game.cfg") << "[HUD]\nChatScale=120\n";
    std::filesystem::remove(std::filesystem::path(root) / "Config/Input.ini");
    ASSERT_TRUE(LayOutDemoInstallation(root).ok());
    EXPECT_EQ(ReadAll(std::filesystem::path(root) / "Config/Game.cfg"), "[HUD]\nChatScale=120\n");
    EXPECT_FALSE(ReadAll(std::filesystem::path(root) / "Config/Input.ini").empty());

    // A regular file where a directory belongs: a failure naming it.
    const std::string blocked = testing::MakeTemporaryDirectory();
    std::ofstream(blocked + "/DATA") << "not a directory";
    auto failed = LayOutDemoInstallation(blocked);
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error().find("DATA"), std::string::npos) << failed.error();
    std::filesystem::remove_all(std::filesystem::path(root).parent_path());
    std::filesystem::remove_all(blocked);
}

}  // namespace
}  // namespace kor::korhost
