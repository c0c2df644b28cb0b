#include "binding/YamlLibrary.h"

namespace kor {

// Linked directly: the functions are there whenever this code runs.
const YamlFunctions* GetYamlFunctions(std::string& /*reason*/) {
    static const YamlFunctions functions{&yaml_parser_initialize, &yaml_parser_set_encoding,
                                         &yaml_parser_set_input_string, &yaml_parser_parse,
                                         &yaml_event_delete, &yaml_parser_delete};
    return &functions;
}

}  // namespace kor
