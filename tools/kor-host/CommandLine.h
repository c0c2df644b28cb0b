#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/hostkit/Outcome.h"

namespace kor::korhost {

inline constexpr int kDefaultPort = 8421;

struct Options {
    enum class Command { Help, Serve, Call };
    Command command = Command::Help;

    // serve
    std::string listenHost = "127.0.0.1";
    int listenPort = kDefaultPort;

    // call
    std::string callMethod;
    std::string callPath;
    std::optional<std::string> callBody;
    std::string contentType = "application/json";

    // both
    std::optional<std::string> gameDir;   // an existing installation; the demo one when absent
    std::string workDir = "kor-host-work";
    std::optional<std::string> library;   // the plug-in; the one built beside kor-host when absent
};

// The command line without the program name. "--name value" and
// "--name=value" are both accepted; unknown options, missing values and a
// listen address that is not on loopback are failures with a message for
// the user.
hostkit::Outcome<Options> ParseCommandLine(const std::vector<std::string>& arguments);

// What `kor-host --help` prints.
std::string HelpText();

}  // namespace kor::korhost
