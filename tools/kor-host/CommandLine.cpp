#include "tools/kor-host/CommandLine.h"

#include <charconv>
#include <cstddef>
#include <string_view>

#include "tools/kor-host/HttpServer.h"

namespace kor::korhost {
namespace {

using hostkit::Failure;
using hostkit::Outcome;

constexpr std::string_view kHelp = R"(kor-host: runs the game-settings plug-in outside the client, over HTTP.

Usage:
  kor-host serve [options]              serve the plug-in over HTTP until SIGINT or SIGTERM
  kor-host call METHOD PATH [BODY] [options]
                                        one call through the plug-in, without HTTP;
                                        prints the JSON answer (exit status 1 when it is an error)
  kor-host --help                       this text

Options:
  --listen HOST:PORT    where serve listens (default 127.0.0.1:8421); HOST must be a
                        loopback address; PORT 0 picks a free port. The address is
                        printed as "kor-host: listening on http://HOST:PORT".
  --game-dir DIR        run against the game installation in DIR (its root: the
                        plug-in finds DATA/CFG/defaults and Config/ from there)
  --work-dir DIR        kor-host's own folder (default ./kor-host-work): the state
                        database kor-host.sqlite and, without --game-dir, the demo
                        installation in DIR/game, laid out on first run
  --library FILE        the plug-in library (default: libkor_game_settings.so built
                        beside kor-host)
  --content-type TYPE   content type of the BODY of call (default application/json;
                        also application/x-msgpack, application/x-yaml)

HTTP routes of serve (loopback only; the Host must be kor-host's address and
port, a change from a web page must come from kor-host's own page, and bodies
are JSON, MessagePack or YAML of at most 1 MiB, JSON only for /host/...):
  GET  /                                the settings page, for a browser
  <METHOD> /kor-game-settings/v1/...    the plug-in's functions (see GET /host/api)
  GET  /events                          Server-Sent Events: every event the plug-in fires
                                        and every resource event the host delivers
  GET  /host/api                        the plug-in's API description as JSON
  GET  /host/state                      login, data store, player preferences, telemetry
  POST /host/login                      {"accountId": N, "summonerId": N}: log a user in
  POST /host/logout                     log the user out
  POST /host/player-preferences-ready   {"ready": true|false}
  POST /host/game-ended                 a game ended: the plug-in reloads and uploads

The simulated host services (login session, player preferences, data store,
game-data assets, telemetry) keep their state in the state database, so it
survives a restart. Plug-in log lines go to standard error with their level.
)";

struct Reader {
    const std::vector<std::string>& arguments;
    std::size_t next = 0;

    bool done() const { return next >= arguments.size(); }
    const std::string& Take() { return arguments[next++]; }
};

Outcome<void> ParseListen(std::string_view text, Options& options) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return Failure{"--listen needs HOST:PORT, got \"" + std::string(text) + "\""};
    std::string host(text.substr(0, colon));
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string_view portText = text.substr(colon + 1);
    int port = -1;
    auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port < 0 || port > 65535) {
        return Failure{"--listen: \"" + std::string(portText) + "\" is not a port number"};
    }
    // The server writes the user's files and has no access control: it must
    // not be reachable from other machines.
    if (!IsLoopbackHost(host)) return Failure{"--listen: \"" + host + "\" is not a loopback address"};
    options.listenHost = host;
    options.listenPort = port;
    return {};
}

// Reads one option at reader.next; `name` is the option with "--".
Outcome<void> ParseOption(Reader& reader, Options& options, bool& helpAsked) {
    std::string name = reader.Take();
    std::optional<std::string> value;
    if (const std::size_t equals = name.find('='); equals != std::string::npos) {
        value = name.substr(equals + 1);
        name = name.substr(0, equals);
    }
    if (name == "--help" || name == "-h") {
        helpAsked = true;
        return {};
    }
    if (!value) {
        if (reader.done()) return Failure{name + " needs a value"};
        value = reader.Take();
    }
    if (name == "--listen") return ParseListen(*value, options);
    if (name == "--game-dir") {
        options.gameDir = *value;
    } else if (name == "--work-dir") {
        options.workDir = *value;
    } else if (name == "--library") {
        options.library = *value;
    } else if (name == "--content-type") {
        options.contentType = *value;
    } else {
        return Failure{"unknown option " + name};
    }
    return {};
}

}  // namespace

std::string HelpText() { return std::string(kHelp); }

Outcome<Options> ParseCommandLine(const std::vector<std::string>& arguments) {
    Options options;
    Reader reader{arguments};
    std::vector<std::string> positional;
    bool helpAsked = false;
    while (!reader.done()) {
        const std::string& argument = arguments[reader.next];
        if (argument.starts_with("-") && argument.size() > 1) {
            if (Outcome<void> parsed = ParseOption(reader, options, helpAsked); !parsed) {
                return Failure{parsed.error()};
            }
        } else {
            positional.push_back(reader.Take());
        }
    }
    if (helpAsked || positional.empty() || positional[0] == "help") {
        options.command = Options::Command::Help;
        return options;
    }
    if (positional[0] == "serve") {
        if (positional.size() > 1) return Failure{"serve takes no argument \"" + positional[1] + "\""};
        options.command = Options::Command::Serve;
        return options;
    }
    if (positional[0] == "call") {
        if (positional.size() < 3 || positional.size() > 4) return Failure{"call needs METHOD PATH [BODY]"};
        options.command = Options::Command::Call;
        options.callMethod = positional[1];
        options.callPath = positional[2];
        if (!options.callPath.starts_with("/")) return Failure{"call: PATH must start with \"/\""};
        if (positional.size() == 4) options.callBody = positional[3];
        return options;
    }
    return Failure{"unknown command \"" + positional[0] + "\""};
}

}  // namespace kor::korhost
