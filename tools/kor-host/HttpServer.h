#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

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
// Every answer is JSON; unknown routes answer 404 with {"status", "message"}.
//
// Threads: a fixed pool of kWorkerThreads serves the connections. An event
// stream occupies one worker for as long as it is open, so at most
// kMaxEventStreams streams are accepted (503 beyond), which keeps the other
// workers free for ordinary calls. A stream's worker waits for events in
// bounded steps and ends when the hub stops, when the server stops or when
// the client has gone, so open streams never hold up Stop.
class HttpServer {
public:
    static constexpr int kWorkerThreads = 16;
    static constexpr std::size_t kMaxEventStreams = 8;

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
    void Dispatch(const httplib::Request& request, httplib::Response& response);

    PluginRunner& runner_;
    HostControl& control_;
    HostServices& services_;
    EventHub& events_;
    std::unique_ptr<httplib::Server> server_;
    std::map<std::pair<std::string, std::string>, Handler> hostRoutes_;  // (method, path)
    std::atomic<bool> stopping_{false};
};

// Whether `host` names a loopback address ("localhost", 127.0.0.0/8, "::1").
bool IsLoopbackHost(const std::string& host);

}  // namespace kor::korhost
