#include "host/router/RouterMessages.h"

namespace kor {

std::string_view RouterMessageText(RouterMessage message) {
    switch (message) {
        case RouterMessage::InvalidFunction: return "Invalid function";
        case RouterMessage::InternalServerError: return "Internal server error";
        case RouterMessage::UnknownArgument: return "Unknown argument '%1' for '%2'.";
        case RouterMessage::InvalidLocation: return "Argument '%1' for '%2' was specified in an invalid location.";
        case RouterMessage::ExpectedValue: return "Expected value for argument '%1'.";
        case RouterMessage::IndexFormat: return "Index %1 is in an incorrect format";
        case RouterMessage::IndexRange: return "Index %1 is out of range";
        case RouterMessage::UnconvertibleResult: return "The result of '%1' could not be converted for the host.";
        case RouterMessage::HandlerArity: return "The handler of '%1' takes %2 arguments, but %3 parameters are declared.";
        case RouterMessage::MessagePackFailure:
            return "Couldn't deserialize MessagePack value for parameter '%1' of '%2': %3";
        case RouterMessage::JsonFailure: return "Couldn't deserialize JSON value for parameter '%1' of '%2': %3";
        case RouterMessage::YamlFailure: return "Couldn't deserialize YAML value for parameter '%1' of '%2': %3";
        case RouterMessage::UnsupportedBody: return "Unsupported body content type";
        case RouterMessage::ExtraMessagePack: return "Extra MessgePack data found in body";
    }
    return {};
}

}  // namespace kor
