#include "host/client/RequestError.h"

#include "abi/HttpStatus.h"

namespace kor {

RequestError MakeRequestError(uint32_t status, std::string_view tmpl, std::initializer_list<NamedValue> values) {
    NamedTemplateOutput expanded = ExpandNamedTemplate(tmpl, values);
    RequestError error;
    error.status = status;
    error.message = std::move(expanded.text);
    error.details = std::move(expanded.fields);
    if (status != 0) error.details.MemberForWrite("errorCode_int").SetSigned(status);
    return error;
}

namespace {

constexpr std::string_view kParameterConversion =
    "Request not sent: Error converting parameters for {method} {url}: {error}";
constexpr std::string_view kHostResponse = "Error response for {method} {url}: {error}";
constexpr std::string_view kResponseConversion = "Error converting response for {method} {url}: {error}";
constexpr std::string_view kStreamedResponse = "Error reading streamed response for {method} {url}: {error}";
constexpr std::string_view kNotAStream = "Stream response was requested but the response wasn't a stream for {url}";
constexpr std::string_view kStreamReadAt = "Stream read error at offset {offset}";

}  // namespace

RequestError ParameterConversionError(PluginMethod method, std::string_view url, std::string_view error) {
    return MakeRequestError(http::kBadRequest, kParameterConversion, {MethodText(method), url, error});
}

RequestError HostResponseError(uint32_t status, PluginMethod method, std::string_view url, std::string_view error) {
    return MakeRequestError(status, kHostResponse, {MethodText(method), url, error});
}

RequestError ResponseConversionError(PluginMethod method, std::string_view url, std::string_view error) {
    return MakeRequestError(0, kResponseConversion, {MethodText(method), url, error});
}

RequestError StreamedResponseError(PluginMethod method, std::string_view url, std::string_view error) {
    return MakeRequestError(0, kStreamedResponse, {MethodText(method), url, error});
}

RequestError NotAStreamError(std::string_view url) { return MakeRequestError(0, kNotAStream, {url}); }

RequestError StreamReadErrorAt(uint64_t offset) { return MakeRequestError(0, kStreamReadAt, {offset}); }

}  // namespace kor
