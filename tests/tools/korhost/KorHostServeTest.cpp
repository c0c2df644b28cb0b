// kor-host as a process: started on a free loopback port in a temporary
// directory, driven over HTTP, stopped with SIGTERM. The stand-in plug-ins
// show what crosses the boundary; the game-settings plug-in is not needed.
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EventStreamReader.h"
#include "KorHostProcess.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/kor-host/HttpServer.h"

namespace kor::korhost::testing {
namespace {

using hostkit::DecodeJson;
using hostkit::HostValue;

const std::string kFakePlugin = KOR_FAKE_PLUGIN_PATH;
const std::string kProbePlugin = KOR_PROBE_PLUGIN_PATH;

HostValue Json(const httplib::Result& result) {
    if (!result) return HostValue::String("<no answer>");
    auto decoded = DecodeJson(result->body);
    return decoded ? decoded.value() : HostValue::String("<not JSON> " + result->body);
}

std::string Text(const HostValue& value, std::string_view member) {
    const HostValue* found = value.Find(member);
    return found != nullptr && found->AsString() != nullptr ? *found->AsString() : "<missing " + std::string(member) + ">";
}

class ServeTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = MakeTemporaryDirectory();
        ASSERT_FALSE(directory_.empty());
    }
    void TearDown() override {
        process_.reset();
        std::filesystem::remove_all(directory_);
    }

    void Start(const std::string& library) {
        process_ = std::make_unique<KorHostProcess>();
        ASSERT_TRUE(process_->StartServe(directory_, {"--library", library})) << process_->error();
        client_ = std::make_unique<httplib::Client>("127.0.0.1", process_->port());
        client_->set_read_timeout(std::chrono::seconds(10));
    }
    void ExpectCleanStop() {
        std::optional<int> status = process_->Stop(std::chrono::seconds(5));
        ASSERT_TRUE(status.has_value()) << "kor-host did not stop";
        EXPECT_EQ(*status, 0) << process_->StandardError();
    }

    std::string directory_;
    std::unique_ptr<KorHostProcess> process_;
    std::unique_ptr<httplib::Client> client_;
};

// ---- calls into the plug-in -----------------------------------------------------

TEST_F(ServeTest, BodiesPassThroughWithTheirContentTypeAndTheUrlKeepsItsQuery) {
    Start(kFakePlugin);
    httplib::Result json = client_->Post("/fake/v1/echo?x=1&y=%41", R"({"a": [1, 2]})", "application/json");
    ASSERT_TRUE(json);
    EXPECT_EQ(json->status, 200);
    HostValue echo = Json(json);
    EXPECT_EQ(Text(echo, "method"), "6");
    EXPECT_EQ(Text(echo, "url"), "/fake/v1/echo?x=1&y=%41");
    EXPECT_EQ(Text(echo, "body"), R"(application/json {"a": [1, 2]})");
    EXPECT_EQ(Text(echo, "context"), "ok");

    httplib::Result yaml = client_->Post("/fake/v1/echo", "a: 1\nb: [x]\n", "application/x-yaml");
    EXPECT_EQ(Text(Json(yaml), "body"), "application/x-yaml a: 1\nb: [x]\n");

    // {"a": 1} in MessagePack; the echo turns the bytes into text, where the
    // two bytes that are not UTF-8 show as replacement characters.
    const std::string msgpack("\x81\xa1" "a\x01", 4);
    httplib::Result packed = client_->Post("/fake/v1/echo", msgpack, "application/x-msgpack");
    EXPECT_EQ(Text(Json(packed), "body"), "application/x-msgpack \xEF\xBF\xBD\xEF\xBF\xBD" "a\x01");

    ExpectCleanStop();
}

TEST_F(ServeTest, ErrorsAreJsonWithStatusAndMessage) {
    Start(kFakePlugin);
    httplib::Result failed = client_->Get("/fake/v1/fail");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 418);
    EXPECT_EQ(failed->get_header_value("x-fake"), "yes");
    EXPECT_EQ(hostkit::EncodeJson(Json(failed)), R"({"status":418,"message":"fake failure"})");

    httplib::Result unknown = client_->Get("/kor-game-settings/v1/nothing");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 404);
    EXPECT_EQ(Text(Json(unknown), "message"), "no function serves GET /kor-game-settings/v1/nothing");

    // The right path with a method nobody registered is just as unknown.
    httplib::Result wrongMethod = client_->Delete("/fake/v1/echo");
    ASSERT_TRUE(wrongMethod);
    EXPECT_EQ(wrongMethod->status, 404);

    httplib::Result badControl = client_->Post("/host/login", "{not json", "application/json");
    ASSERT_TRUE(badControl);
    EXPECT_EQ(badControl->status, 400);
    EXPECT_NE(Text(Json(badControl), "message").find("the body must be a JSON object"), std::string::npos);

    httplib::Result zeroAccount = client_->Post("/host/login", R"({"accountId": 0, "summonerId": 5})", "application/json");
    ASSERT_TRUE(zeroAccount);
    EXPECT_EQ(zeroAccount->status, 400);
    ExpectCleanStop();
}

TEST_F(ServeTest, StreamAnswersAreSentAsTheirBytes) {
    Start(kFakePlugin);
    httplib::Result streamed = client_->Get("/fake/v1/stream");
    ASSERT_TRUE(streamed);
    EXPECT_EQ(streamed->status, 200);
    EXPECT_EQ(streamed->body, "streamed by the fake plug-in");
    EXPECT_EQ(streamed->get_header_value("Content-Type"), "application/octet-stream");
    ExpectCleanStop();
}

TEST_F(ServeTest, ApiDescriptionIsServedAsJson) {
    Start(kFakePlugin);
    HostValue api = Json(client_->Get("/host/api"));
    EXPECT_EQ(Text(api, "plugin"), "fake-plugin");
    const HostValue* functions = api.Find("functions");
    ASSERT_NE(functions, nullptr);
    ASSERT_EQ(functions->size(), 3u);
    EXPECT_EQ(Text(functions->AsItems()->at(0), "name"), "PostFakeV1Echo");
    const HostValue* types = api.Find("types");
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->size(), 2u);
    const HostValue* enumerators = types->AsItems()->at(1).Find("enumerators");
    ASSERT_NE(enumerators, nullptr);
    EXPECT_EQ(enumerators->AsItems()->at(2).Find("number")->AsSigned(), -1);
    EXPECT_EQ(Text(api.Find("events")->AsItems()->at(0), "payloadType"), "FakeThing");
    ExpectCleanStop();
}

// What curl sends for "curl -X POST URL": no Content-Length, no body.
std::string RawRequest(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        ssize_t count;
        while ((count = recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    return answer;
}

TEST_F(ServeTest, ARequestWithoutContentLengthHasNoBodyAndIsAnsweredAtOnce) {
    Start(kProbePlugin);
    const std::string host = "Host: 127.0.0.1:" + std::to_string(process_->port()) + "\r\n";
    const auto before = std::chrono::steady_clock::now();
    const std::string answer =
        RawRequest(process_->port(), "POST /probe/v1/busy HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n");
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << answer;
    EXPECT_TRUE(answer.ends_with("\r\n\r\ntrue")) << answer;

    const std::string logout =
        RawRequest(process_->port(), "POST /host/logout HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n");
    EXPECT_TRUE(logout.starts_with("HTTP/1.1 200 OK\r\n")) << logout;
    ExpectCleanStop();
}

// ---- events ----------------------------------------------------------------------

TEST_F(ServeTest, EveryOpenStreamGetsTheHostsEventsAndThePluginsAnswersInOrder) {
    Start(kProbePlugin);
    EventStreamReader first(process_->port());
    EventStreamReader second(process_->port());
    ASSERT_TRUE(first.WaitFor(": connected"));
    ASSERT_TRUE(second.WaitFor(": connected"));

    httplib::Result login = client_->Post("/host/login", R"({"accountId": 1001, "summonerId": 77})", "application/json");
    ASSERT_TRUE(login);
    ASSERT_EQ(login->status, 200) << login->body;

    const std::string sessionEvent =
        "event: OnJsonApiEvent_kor-login_v1_session\ndata: "
        R"({"uri":"/kor-login/v1/session","eventType":"Update","data":{"state":"SUCCEEDED","summonerId":77,)"
        R"("accountId":1001,"gasToken":{"issuer":"kor-host"}}})";
    const std::string readyEvent =
        "event: OnJsonApiEvent_kor-player-preferences_v1_player-preferences-ready\ndata: "
        R"({"uri":"/kor-player-preferences/v1/player-preferences-ready","eventType":"Update","data":true})";
    for (EventStreamReader* reader : {&first, &second}) {
        ASSERT_TRUE(reader->WaitFor("ready Update true")) << reader->text();
        const std::string text = reader->text();
        const std::size_t session = text.find(sessionEvent);
        const std::size_t delivered = text.find("event: OnProbeDelivered\ndata: \"OnJsonApiEvent_kor-login_v1_session Update");
        const std::size_t ready = text.find(readyEvent);
        ASSERT_NE(session, std::string::npos) << text;
        ASSERT_NE(delivered, std::string::npos) << text;
        ASSERT_NE(ready, std::string::npos) << text;
        // The host's event first, then what the plug-in fired while handling it.
        EXPECT_LT(session, delivered);
        EXPECT_LT(delivered, ready);
    }

    // The plug-in saw the session with unsigned ids and the state by name.
    HostValue delivered = Json(client_->Get("/probe/v1/delivered"));
    ASSERT_EQ(delivered.size(), 2u) << hostkit::EncodeJson(delivered);
    EXPECT_EQ(*delivered.AsItems()->at(0).AsString(),
              "OnJsonApiEvent_kor-login_v1_session Update {state=SUCCEEDED,summonerId=77,accountId=1001,"
              "gasToken={issuer=kor-host}}");
    EXPECT_EQ(*delivered.AsItems()->at(1).AsString(),
              "OnJsonApiEvent_kor-player-preferences_v1_player-preferences-ready Update true");
    ExpectCleanStop();
}

TEST_F(ServeTest, LogoutAndReadinessAreAnnouncedTheWayTheClientDoes) {
    Start(kProbePlugin);
    ASSERT_TRUE(client_->Post("/host/login", R"({"accountId": 5, "summonerId": 6})", "application/json"));
    httplib::Result ready = client_->Post("/host/player-preferences-ready", R"({"ready": false})", "application/json");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->body, R"({"ready":false})");
    httplib::Result logout = client_->Post("/host/logout", "", "application/json");
    ASSERT_TRUE(logout);
    EXPECT_EQ(logout->status, 200);

    HostValue delivered = Json(client_->Get("/probe/v1/delivered"));
    std::vector<std::string> lines;
    for (const HostValue& line : *delivered.AsItems()) lines.push_back(*line.AsString());
    const std::string session = "OnJsonApiEvent_kor-login_v1_session ";
    const std::string readyKey = "OnJsonApiEvent_kor-player-preferences_v1_player-preferences-ready ";
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], readyKey + "Update false");
    EXPECT_EQ(lines[3], session + "Update {state=LOGGING_OUT,summonerId=6,accountId=5,gasToken={issuer=kor-host}}");
    EXPECT_EQ(lines[4], session + "Delete kind0");
    EXPECT_EQ(lines[5], readyKey + "Update false");

    HostValue state = Json(client_->Get("/host/state"));
    EXPECT_TRUE(state.Find("loginSession")->IsEmpty());
    EXPECT_EQ(state.Find("playerPreferencesReady")->AsBool(), false);
    ExpectCleanStop();
}

TEST_F(ServeTest, OpenStreamsLeaveWorkersForCallsAndDoNotHoldUpShutdown) {
    Start(kProbePlugin);
    std::vector<std::unique_ptr<EventStreamReader>> streams;
    for (std::size_t i = 0; i < HttpServer::kMaxEventStreams; ++i) {
        streams.push_back(std::make_unique<EventStreamReader>(process_->port()));
        ASSERT_TRUE(streams.back()->WaitFor(": connected")) << i;
    }
    EventStreamReader refused(process_->port());
    ASSERT_TRUE(refused.WaitForEnd(std::chrono::seconds(5)));
    EXPECT_EQ(refused.status(), 503);

    // Every stream is open, and calls are still answered at once.
    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i) {
        httplib::Result answer = client_->Get("/probe/v1/overlaps");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    const auto stopping = std::chrono::steady_clock::now();
    ExpectCleanStop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
    for (auto& stream : streams) EXPECT_TRUE(stream->WaitForEnd(std::chrono::seconds(2)));
}

TEST_F(ServeTest, StreamsOfClientsThatLeftAreClosedAndTheirPlacesReused) {
    Start(kProbePlugin);
    {
        std::vector<std::unique_ptr<EventStreamReader>> streams;
        for (std::size_t i = 0; i < HttpServer::kMaxEventStreams; ++i) {
            streams.push_back(std::make_unique<EventStreamReader>(process_->port()));
            ASSERT_TRUE(streams.back()->WaitFor(": connected")) << i;
        }
    }  // every client goes away
    // The server notices at its next write and frees the places.
    std::unique_ptr<EventStreamReader> again;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (std::chrono::steady_clock::now() < deadline) {
        again = std::make_unique<EventStreamReader>(process_->port());
        if (again->WaitFor(": connected", std::chrono::milliseconds(500))) break;
        again.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_NE(again, nullptr) << "no place became free";
    again.reset();
    ExpectCleanStop();
}

TEST_F(ServeTest, SigintStopsAsCleanlyAsSigterm) {
    Start(kProbePlugin);
    EventStreamReader stream(process_->port());
    ASSERT_TRUE(stream.WaitFor(": connected"));
    std::optional<int> status = process_->Stop(std::chrono::seconds(5), SIGINT);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0);
    EXPECT_NE(process_->StandardError().find("kor-host: stopping (SIGINT)"), std::string::npos);
}

// ---- one call at a time -----------------------------------------------------------

TEST_F(ServeTest, CallsAndEventDeliveriesNeverRunInsideThePluginAtOnce) {
    Start(kProbePlugin);
    std::vector<std::thread> callers;
    for (int i = 0; i < 6; ++i) {
        callers.emplace_back([port = process_->port(), i] {
            httplib::Client client("127.0.0.1", port);
            for (int j = 0; j < 4; ++j) {
                if (i % 2 == 0) {
                    client.Post("/probe/v1/busy", "", "application/json");
                } else {
                    client.Post("/host/login", R"({"accountId": 9, "summonerId": 9})", "application/json");
                }
            }
        });
    }
    for (std::thread& caller : callers) caller.join();
    HostValue overlaps = Json(client_->Get("/probe/v1/overlaps"));
    EXPECT_EQ(overlaps.AsUnsigned(), 0u);
    EXPECT_EQ(Json(client_->Get("/probe/v1/delivered")).size(), 24u);
    ExpectCleanStop();
}

// ---- restart ------------------------------------------------------------------------

TEST_F(ServeTest, ALoggedInUserIsResumedAfterARestart) {
    Start(kProbePlugin);
    ASSERT_TRUE(client_->Post("/host/login", R"({"accountId": 31, "summonerId": 32})", "application/json"));
    ExpectCleanStop();

    Start(kProbePlugin);
    HostValue state = Json(client_->Get("/host/state"));
    const HostValue* session = state.Find("loginSession");
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->Find("accountId")->AsUnsigned(), 31u);
    EXPECT_EQ(Text(*session, "state"), "SUCCEEDED");
    // The restarted host announces the ready service again, as the client
    // does for a user who is still logged in.
    HostValue delivered = Json(client_->Get("/probe/v1/delivered"));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(*delivered.AsItems()->at(0).AsString(),
              "OnJsonApiEvent_kor-player-preferences_v1_player-preferences-ready Update true");
    ExpectCleanStop();

    // A logged-out user is not.
    Start(kProbePlugin);
    ASSERT_TRUE(client_->Post("/host/logout", "", "application/json"));
    ExpectCleanStop();
    Start(kProbePlugin);
    EXPECT_EQ(Json(client_->Get("/probe/v1/delivered")).size(), 0u);
    ExpectCleanStop();
}

// ---- the other commands --------------------------------------------------------------

TEST_F(ServeTest, CallRunsOneCallWithoutHttpAndReportsFailureInItsExitStatus) {
    RunResult echo = RunKorHost(directory_, {"call", "POST", "/fake/v1/echo", R"({"k": "v"})", "--library", kFakePlugin});
    EXPECT_EQ(echo.exitStatus, 0) << echo.err;
    HostValue answer = DecodeJson(echo.out).value();
    EXPECT_EQ(Text(answer, "body"), R"(application/json {"k": "v"})");
    EXPECT_EQ(Text(answer, "url"), "/fake/v1/echo");

    RunResult failing = RunKorHost(directory_, {"call", "GET", "/fake/v1/fail", "--library", kFakePlugin});
    EXPECT_EQ(failing.exitStatus, 1);
    EXPECT_EQ(failing.out, "{\"status\":418,\"message\":\"fake failure\"}\n");
    // The plug-in's log lines reach standard error with their level names.
    EXPECT_NE(failing.err.find("plug-in   OKAY| fake initializing for host 18.0.0"), std::string::npos) << failing.err;
    EXPECT_NE(failing.err.find("plug-in  ERROR| value request failed: "), std::string::npos) << failing.err;
}

TEST_F(ServeTest, HelpAndUsageErrors) {
    RunResult help = RunKorHost(directory_, {"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* item : {"kor-host serve", "kor-host call METHOD PATH [BODY]", "--listen HOST:PORT", "--game-dir DIR",
                             "--work-dir DIR", "--library FILE", "--content-type TYPE", "GET  /events",
                             "GET  /host/api", "POST /host/login", "POST /host/logout",
                             "POST /host/player-preferences-ready", "POST /host/game-ended"}) {
        EXPECT_NE(help.out.find(item), std::string::npos) << item;
    }
    RunResult bad = RunKorHost(directory_, {"serve", "--listen", "0.0.0.0:80"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("\"0.0.0.0\" is not a loopback address"), std::string::npos) << bad.err;

    RunResult missing = RunKorHost(directory_, {"call", "GET", "/x", "--library", "/nonexistent/plugin.so"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err.find("cannot load the plug-in /nonexistent/plugin.so"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace kor::korhost::testing
