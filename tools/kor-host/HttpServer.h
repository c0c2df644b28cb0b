#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/hostkit/Outcome.h"
#include "tools/kor-host/EventHub.h"
#include "tools/kor-host/HostControl.h"
#include "tools/kor-host/HostServices.h"
#include "tools/kor-host/PluginRunner.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace kor::korhost {

class GuardedServer;

// The HTTP/1.1 front of kor-host on a loopback address:
//
//   <METHOD> <plug-in path>       one call into the plug-in (PluginRunner)
//   GET  /events                  Server-Sent Events: every event fired or delivered
//   GET  /host/api                the plug-in's API description as JSON
//   GET  /host/state              what the simulated services hold
//   POST /host/login              {"accountId", "summonerId"}
//   POST /host/logout
//   POST /host/player-preferences-ready   {"ready"}
//   POST /host/game-ended         the plug-in's "reload-post-game", as the client calls it
//
//   GET  /  and  /page/<file>     the settings page (a client of the routes above)
//
// Every answer but the page's files is JSON; unknown routes answer 404 with
// {"status", "message"}.
//
// The server is reachable by any web page the user's browser opens, so
// every request must name kor-host's own address and port in Host (else 421:
// no DNS rebinding), a request that changes state and carries an Origin must
// come from kor-host's own page (else 403), and its body must be of a type
// the route parses (else 415: no form or text/plain posts from other
// sites). Bodies over kMaxBodyBytes are refused with 413 before they are read.
//
// Threads: every connection has a thread of its own (GuardedServer), so an
// event stream holds one for as long as it is open; at most kMaxEventStreams
// streams are accepted (503 and the connection closed beyond), which leaves
// threads for ordinary calls. A stream's thread waits for events in bounded
// steps and ends when the hub stops, when the server stops or when the
// client has gone, so open streams never hold up Stop.
class HttpServer {
public:
    static constexpr std::size_t kMaxEventStreams = 64;
    static constexpr std::size_t kMaxConnections = kMaxEventStreams + 32;
    static constexpr std::size_t kMaxBodyBytes = 1u << 20;

    HttpServer(PluginRunner& runner, HostControl& control, HostServices& services, EventHub& events);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds to `host`:`port` (port 0: a free port); answers the bound port.
    hostkit::Outcome<int> Bind(const std::string& host, int port);
    // Serves until Stop; call after Bind, on its own thread.
    bool Run();
    bool running() const;
    // Safe from any thread, also before Run has started serving.
    void Stop();

private:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    void AddRoutes();
    void AddRoute(std::string method, std::string path, Handler handler);
    // httplib's own failures (an exception, a malformed request) answered
    // in the JSON form of every other answer, and every request logged.
    void AnswerFailuresAsJson();
    // Screens every request (Refuse) and hands it to Dispatch.
    void RouteEveryRequestThroughDispatch();

    // The host's own routes, one handler each.
    void ServeEvents(const httplib::Request& request, httplib::Response& response);
    void ServeApi(const httplib::Request& request, httplib::Response& response);
    void ServeState(const httplib::Request& request, httplib::Response& response);
    void Login(const httplib::Request& request, httplib::Response& response);
    void Logout(const httplib::Request& request, httplib::Response& response);
    void SetPlayerPreferencesReady(const httplib::Request& request, httplib::Response& response);
    void EndGame(const httplib::Request& request, httplib::Response& response);

    void Dispatch(const httplib::Request& request, httplib::Response& response);
    // Answers a request refused before routing (Host, Origin, content type,
    // size) and closes its connection after the answer; false when it may go on.
    bool Refuse(const httplib::Request& request, httplib::Response& response) const;

    PluginRunner& runner_;
    HostControl& control_;
    HostServices& services_;
    EventHub& events_;
    std::unique_ptr<GuardedServer> server_;
    std::map<std::pair<std::string, std::string>, Handler> hostRoutes_;  // (method, path)
    std::atomic<bool> stopping_{false};
    // The Host values that name this server, set by Bind.
    std::vector<std::string> authorities_;
};

// Whether `host` names a loopback address ("localhost", 127.0.0.0/8, "::1").
bool IsLoopbackHost(const std::string& host);

}  // namespace kor::korhost
