#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "binding/BindingProperty.h"
#include "abi/MethodNumbers.h"
#include "host/client/NamedTemplate.h"

namespace kor {

// Why an outbound request (or an event sent to the host) failed.
struct RequestError {
    // The host's status code; 0 when there is none.
    uint32_t status = 0;
    std::string message;
    // A structure of typed fields: "errorCode_int" with the status when it
    // is not 0, and one field per placeholder of the message's template
    // ("method_str", "url_str", "error_str", ...).
    BindingProperty details;
};

// A request error whose message and details come from a named template
// (see ExpandNamedTemplate).
RequestError MakeRequestError(uint32_t status, std::string_view tmpl, std::initializer_list<NamedValue> values);


// The request errors of the request client, each from its fixed template.

// 400 "Request not sent: Error converting parameters for {method} {url}: {error}"
RequestError ParameterConversionError(PluginMethod method, std::string_view url, std::string_view error);
// The host's status, "Error response for {method} {url}: {error}"
RequestError HostResponseError(uint32_t status, PluginMethod method, std::string_view url, std::string_view error);
// "Error converting response for {method} {url}: {error}"
RequestError ResponseConversionError(PluginMethod method, std::string_view url, std::string_view error);
// "Error reading streamed response for {method} {url}: {error}"
RequestError StreamedResponseError(PluginMethod method, std::string_view url, std::string_view error);
// "Stream response was requested but the response wasn't a stream for {url}"
RequestError NotAStreamError(std::string_view url);
// "Stream read error at offset {offset}"
RequestError StreamReadErrorAt(uint64_t offset);

// The {error} of a value that converted but could not be flattened into a
// plain value for the host (out of memory, or a text beyond 32 bits).
inline constexpr std::string_view kFlattenFailure = "The value could not be flattened for the host";

// The {error} of a failure that carried no text: a thrown object that is no
// std::exception.
inline constexpr std::string_view kUnknownFailure = "unknown failure";

// The {error} of a stream that failed part-way.
inline constexpr std::string_view kStreamReadError = "Stream read error";

}  // namespace kor
