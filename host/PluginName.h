#pragma once

#include <string>
#include <string_view>

namespace kor {

// What kind of plug-in this is: "backend" or "frontend", with a detail text
// (empty for both constant kinds).
struct PluginKind {
    std::string kind;
    std::string detail;
};

PluginKind BackendPluginKind();
PluginKind FrontendPluginKind();

// The names of a plug-in, in this order.
struct PluginName {
    std::string fullName;   // kind prefix + short name, e.g. "ucx-be-kor-game-settings"
    std::string shortName;  // the name the entry point registers, e.g. "kor-game-settings"
    std::string kindText;
    std::string kindDetail;
};

// The prefix is "ucx-be-" for the kind text "backend" exactly, "ucx-fe-" for
// "frontend" exactly, and "ucx-xx-" for anything else, in which case one
// error line names the short name and the kind.
PluginName GetFullNameFromShortNameAndType(std::string_view shortName, const PluginKind& kind);

}  // namespace kor
