#include "binding/YamlLibrary.h"

#include "log/MessageFormat.h"
#include "platform/DynamicLibrary.h"
#include "platform/Module.h"

#include <array>
#include <optional>

namespace kor {
namespace {

// The names libyaml's DLL goes by: its CMake build, its autotools build
// (as MSYS2 and similar distributions ship it), and a plain one.
constexpr std::array<const char*, 3> kLibraryNames = {"yaml.dll", "libyaml-0-2.dll", "libyaml.dll"};

// The plug-in's own directory is not on the host's DLL search path, yet it
// is where an installation would put libyaml next to the plug-in, so it is
// tried first; then the system's directories. Never the working directory
// (the game's folder) nor the PATH.
std::string ModuleDirectory() {
    const std::string module = platform::ModuleFileName();
    const std::size_t separator = module.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : module.substr(0, separator + 1);
}

platform::LibraryHandle OpenYamlLibrary(std::string& reason) {
    const std::string directory = ModuleDirectory();
    std::string error;
    for (const char* name : kLibraryNames) {
        if (!directory.empty()) {
            if (platform::LibraryHandle handle = platform::OpenTrustedLibrary(directory, name, error)) return handle;
        }
        if (platform::LibraryHandle handle = platform::OpenTrustedLibrary({}, name, error)) return handle;
    }
    reason = FormatMessage("none of %1, %2, %3 was found: %4", kLibraryNames[0], kLibraryNames[1],
                           kLibraryNames[2], error);
    return nullptr;
}

template <typename Function>
bool Resolve(platform::LibraryHandle library, const char* name, Function& function, std::string& reason) {
    function = reinterpret_cast<Function>(platform::FindLibrarySymbol(library, name));
    if (function == nullptr) reason = FormatMessage("the library has no function %1", name);
    return function != nullptr;
}

// Either all six functions or none: a partly resolved table would crash on
// the first call that is missing.
std::optional<YamlFunctions> Load(std::string& reason) {
    platform::LibraryHandle library = OpenYamlLibrary(reason);
    if (library == nullptr) return std::nullopt;
    YamlFunctions functions;
    const bool complete = Resolve(library, "yaml_parser_initialize", functions.parserInitialize, reason) &&
                          Resolve(library, "yaml_parser_set_encoding", functions.parserSetEncoding, reason) &&
                          Resolve(library, "yaml_parser_set_input_string", functions.parserSetInputString, reason) &&
                          Resolve(library, "yaml_parser_parse", functions.parserParse, reason) &&
                          Resolve(library, "yaml_event_delete", functions.eventDelete, reason) &&
                          Resolve(library, "yaml_parser_delete", functions.parserDelete, reason);
    if (!complete) {
        platform::CloseLibrary(library);
        return std::nullopt;
    }
    // Kept open for the process: the functions are used until it ends.
    return functions;
}

struct LoadOutcome {
    std::optional<YamlFunctions> functions;
    std::string reason;
};

LoadOutcome LoadOnce() {
    LoadOutcome outcome;
    outcome.functions = Load(outcome.reason);
    return outcome;
}

}  // namespace

const YamlFunctions* GetYamlFunctions(std::string& reason) {
    static const LoadOutcome outcome = LoadOnce();
    if (!outcome.functions) {
        reason = outcome.reason;
        return nullptr;
    }
    return &*outcome.functions;
}

}  // namespace kor
