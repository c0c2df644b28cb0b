#pragma once

#include <string_view>

namespace kor {

// Every message the router answers or fails a call with. Templates take
// positional arguments ("%1") for FormatMessage; the wording is fixed,
// irregularities included, because hosts and clients match on it.
enum class RouterMessage {
    InvalidFunction,      // no route of the function matches the call
    InternalServerError,  // a handler failed without a message of its own
    UnknownArgument,      // %1 argument, %2 function
    InvalidLocation,      // %1 argument, %2 function
    ExpectedValue,        // %1 argument
    IndexFormat,          // %1 index text
    IndexRange,           // %1 index text
    UnconvertibleResult,  // %1 function
    HandlerArity,         // %1 function, %2 handler arguments, %3 declared parameters
    MessagePackFailure,   // %1 parameter, %2 function, %3 the reader's message
    JsonFailure,          // same arguments
    YamlFailure,          // same arguments
    UnsupportedBody,
    ExtraMessagePack,
};

// The English text of `message`.
std::string_view RouterMessageText(RouterMessage message);

}  // namespace kor
