#pragma once

#include <yaml.h>

#include <string>

namespace kor {

// The libyaml functions the YAML reader calls. Where libyaml is a system
// library it is linked as usual; on Windows it is a separate DLL that a host
// installation may lack, so it is looked for when the first YAML text is
// read, and a missing one makes YAML unavailable instead of stopping the
// plug-in from loading.
struct YamlFunctions {
    decltype(&yaml_parser_initialize) parserInitialize = nullptr;
    decltype(&yaml_parser_set_encoding) parserSetEncoding = nullptr;
    decltype(&yaml_parser_set_input_string) parserSetInputString = nullptr;
    decltype(&yaml_parser_parse) parserParse = nullptr;
    decltype(&yaml_event_delete) eventDelete = nullptr;
    decltype(&yaml_parser_delete) parserDelete = nullptr;
};

// The text a YAML read fails with when libyaml is unavailable; %1 is why.
inline constexpr const char* kYamlUnavailable = "YAML is not available: libyaml could not be loaded (%1).";

// The functions, found once per process; null when libyaml is unavailable,
// with the reason in `reason`. Safe to call from any thread.
const YamlFunctions* GetYamlFunctions(std::string& reason);

}  // namespace kor
