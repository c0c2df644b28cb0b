// kor-host's HTTP front against clients a browser or a careless script can
// be: foreign sites, many open event streams, slow senders, huge bodies.
// Everything goes over real sockets to a kor-host process serving the
// game-settings plug-in.
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KorHostProcess.h"
#include "tools/kor-host/HttpServer.h"

namespace kor::korhost::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// One connection that sends whatever bytes a test wants.
class RawConnection {
public:
    explicit RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) closed_ = true;
    }
    ~RawConnection() { close(fd_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool Send(const std::string& bytes) {
        return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // Reads until `needle` has arrived (any needle: until the server
    // closes) or the time is up; answers whether the needle came.
    bool ReadUntil(const std::string& needle, milliseconds timeout) {
        const auto until = Clock::now() + timeout;
        while (!closed_ && (needle.empty() || received_.find(needle) == std::string::npos)) {
            const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now()).count();
            pollfd entry{fd_, POLLIN, 0};
            if (left <= 0 || poll(&entry, 1, static_cast<int>(left)) <= 0) break;
            char buffer[4096];
            const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                closed_ = true;
                closedAt_ = Clock::now();
            } else { received_.append(buffer, static_cast<std::size_t>(got));
            }
        }
        return !needle.empty() && received_.find(needle) != std::string::npos;
    }
    bool closed() const { return closed_; }
    Clock::time_point closedAt() const { return closedAt_; }
    const std::string& received() const { return received_; }
    int status() const { return received_.starts_with("HTTP/1.1 ") ? std::atoi(received_.c_str() + 9) : -1; }

private:
    int fd_;
    bool closed_ = false;
    Clock::time_point closedAt_ = Clock::time_point::max();
    std::string received_;
};

const std::string kLogin = R"({"accountId": 1001, "summonerId": 2001})";
const std::string kChange = R"({"HUD": {"ChatScale": 120}})";
const std::string kGameSettings = "/kor-game-settings/v1/game-settings";

class HttpSafety : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = MakeTemporaryDirectory();
        ASSERT_FALSE(directory_.empty());
        ASSERT_TRUE(process_.StartServe(directory_, {"--work-dir", directory_ + "/work"})) << process_.error();
        authority_ = "127.0.0.1:" + std::to_string(process_.port());
        client_ = std::make_unique<httplib::Client>("127.0.0.1", process_.port());
        client_->set_read_timeout(seconds(10));
    }
    void TearDown() override {
        const std::optional<int> status = process_.Stop();
        EXPECT_EQ(status, 0) << process_.StandardError();
        std::filesystem::remove_all(directory_);
    }

    // A request as text; Host is kor-host's own unless `headers` names one.
    std::string Request(const std::string& method, const std::string& path, const std::string& headers,
                        const std::string& body = "") const {
        std::string text = method + " " + path + " HTTP/1.1\r\n";
        if (headers.find("Host:") == std::string::npos) text += "Host: " + authority_ + "\r\n";
        text += headers;
        if (!body.empty()) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        return text + "Connection: close\r\n\r\n" + body;
    }
    int StatusOf(const std::string& request) {
        RawConnection connection(process_.port());
        EXPECT_TRUE(connection.Send(request));
        connection.ReadUntil("", seconds(10));
        return connection.status();
    }
    void LogIn() {
        ASSERT_EQ(StatusOf(Request("POST", "/host/login", "Content-Type: application/json\r\n", kLogin)), 200);
    }

    std::string directory_;
    KorHostProcess process_;
    std::string authority_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(HttpSafety, ForeignHostsOriginsAndBodyTypesAreRefusedAndChangeNothing) {
    const std::string port = std::to_string(process_.port());
    const std::string otherPort = std::to_string(process_.port() == 65535 ? 1 : process_.port() + 1);
    struct Case {
        const char* what;
        std::string method, path, headers, body;
        int status;
    };
    const Case refused[] = {
        {"a rebound name", "GET", "/host/state", "Host: evil.example:" + port + "\r\n", "", 421},
        {"own address, other port", "GET", "/host/state", "Host: 127.0.0.1:" + otherPort + "\r\n", "", 421},
        {"no port at all", "GET", "/", "Host: 127.0.0.1\r\n", "", 421},
        {"another site's page", "POST", "/host/login", "Origin: http://evil.example\r\nContent-Type: application/json\r\n", kLogin, 403},
        {"a sandboxed page", "POST", "/host/login", "Origin: null\r\nContent-Type: application/json\r\n", kLogin, 403},
        {"the own page on another port", "PATCH", kGameSettings, "Origin: http://127.0.0.1:" + otherPort + "\r\nContent-Type: application/json\r\n", kChange, 403},
        {"a text/plain form", "POST", "/host/login", "Content-Type: text/plain\r\n", kLogin, 415},
        {"an encoded form", "POST", "/host/login", "Content-Type: application/x-www-form-urlencoded\r\n", kLogin, 415},
        {"a multipart form", "POST", "/host/login", "Content-Type: multipart/form-data; boundary=x\r\n", kLogin, 415},
        {"YAML to the host", "POST", "/host/login", "Content-Type: application/x-yaml\r\n", "accountId: 1\n", 415},
        {"an empty text/plain post", "POST", "/host/logout", "Content-Type: text/plain\r\n", "", 415},
        {"text/plain to the plug-in", "PATCH", kGameSettings, "Content-Type: text/plain\r\n", kChange, 415},
        {"a body without a type", "PATCH", kGameSettings, "", kChange, 415},
        {"a compressed body", "PATCH", kGameSettings, "Content-Type: application/json\r\nContent-Encoding: gzip\r\n", kChange, 415},
    };
    for (const Case& c : refused) {
        EXPECT_EQ(StatusOf(Request(c.method, c.path, c.headers, c.body)), c.status) << c.what;
    }
    // Nobody was logged in by any of them.
    httplib::Result state = client_->Get("/host/state");
    ASSERT_TRUE(state);
    EXPECT_NE(state->body.find("\"loginSession\":null"), std::string::npos) << state->body;

    const Case accepted[] = {
        {"the own page", "POST", "/host/login", "Origin: http://" + authority_ + "\r\nContent-Type: application/json; charset=utf-8\r\n", kLogin, 200},
        {"localhost by name", "GET", "/", "Host: localhost:" + port + "\r\n", "", 200},
        {"curl without a body", "POST", "/kor-game-settings/v1/save", "", "", 200},
        {"YAML to the plug-in", "PATCH", kGameSettings, "Content-Type: application/x-yaml\r\n", "HUD:\n  ChatScale: 120\n", 200},
        {"the own page by name", "PATCH", kGameSettings, "Host: localhost:" + port + "\r\nOrigin: http://localhost:" + port + "\r\nContent-Type: application/json\r\n", kChange, 200},
    };
    for (const Case& c : accepted) {
        EXPECT_EQ(StatusOf(Request(c.method, c.path, c.headers, c.body)), c.status) << c.what;
    }
}

// Every stream the server allows held open still leaves a PATCH answered at
// once; past the limit a stream is refused and its connection closed rather
// than kept for a retry.
TEST_F(HttpSafety, EveryAllowedEventStreamOpenLeavesAPatchAnsweredWithinASecond) {
    LogIn();
    std::vector<std::unique_ptr<RawConnection>> streams;
    while (streams.size() < HttpServer::kMaxEventStreams) {
        streams.push_back(std::make_unique<RawConnection>(process_.port()));
        ASSERT_TRUE(streams.back()->Send(Request("GET", "/events", "")));
        ASSERT_TRUE(streams.back()->ReadUntil(": connected", seconds(10))) << streams.size();
    }
    const auto before = Clock::now();
    httplib::Result patched = client_->Patch(kGameSettings, kChange, "application/json");
    const auto took = Clock::now() - before;
    ASSERT_TRUE(patched);
    EXPECT_EQ(patched->status, 200) << patched->body;
    EXPECT_LT(took, seconds(1));
    for (auto& stream : streams) EXPECT_TRUE(stream->ReadUntil("\"ChatScale\":120", seconds(5)));

    RawConnection refused(process_.port());
    ASSERT_TRUE(refused.Send("GET /events HTTP/1.1\r\nHost: " + authority_ + "\r\n\r\n"));
    refused.ReadUntil("", seconds(5));
    EXPECT_EQ(refused.status(), 503) << refused.received();
    EXPECT_TRUE(refused.closed());
}

TEST_F(HttpSafety, SlowClientsAreLetGoWithinTwoSecondsAndHoldUpNobody) {
    // Forty clients that send half a request and wait.
    std::vector<std::unique_ptr<RawConnection>> halves;
    for (int i = 0; i < 40; ++i) {
        halves.push_back(std::make_unique<RawConnection>(process_.port()));
        ASSERT_TRUE(halves.back()->Send("GET /host/state HTTP/1.1\r\nHost: " + authority_ + "\r\n"));
    }
    const auto sent = Clock::now();
    httplib::Result state = client_->Get("/host/state");
    ASSERT_TRUE(state);
    EXPECT_EQ(state->status, 200);
    EXPECT_LT(Clock::now() - sent, seconds(1));

    for (auto& half : halves) {
        half->ReadUntil("", seconds(3));
        EXPECT_LT(half->closedAt() - sent, seconds(2));
    }

    // A client that trickles a request that never ends is let go as well.
    RawConnection trickle(process_.port());
    const auto trickleStart = Clock::now();
    for (int i = 0; i < 30 && !trickle.closed(); ++i) {
        trickle.Send("X");
        trickle.ReadUntil("", milliseconds(100));
    }
    EXPECT_LT(trickle.closedAt() - trickleStart, seconds(2));
}

TEST_F(HttpSafety, ABodyOverOneMebibyteIsRefusedBeforeItIsRead) {
    LogIn();
    const std::string head = "PATCH " + kGameSettings + " HTTP/1.1\r\nHost: " + authority_ +
                             "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(2u << 20) + "\r\n";
    const struct {
        const char* what;
        std::string request;
    } cases[] = {
        // Only a sixteenth of the body is ever sent: the answer comes anyway.
        {"a plain body", head + "\r\n" + "{\"HUD\": {\"x\": \"" + std::string(128u << 10, 'a')},
        {"a client that waits for 100 Continue", head + "Expect: 100-continue\r\n\r\n"},
    };
    for (const auto& c : cases) {
        RawConnection connection(process_.port());
        ASSERT_TRUE(connection.Send(c.request)) << c.what;
        connection.ReadUntil("", seconds(10));
        EXPECT_EQ(connection.status(), 413) << c.what << ": " << connection.received().substr(0, 200);
        EXPECT_TRUE(connection.closed()) << c.what;
    }
    // The settings did not take the half body.
    httplib::Result settings = client_->Get(kGameSettings);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->body.find("aaaa"), std::string::npos);
}

}  // namespace
}  // namespace kor::korhost::testing
