#pragma once

#include <cstdint>
#include <exception>
#include <string_view>
#include <type_traits>
#include <vector>

#include "abi/MethodNumbers.h"
#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeRegistration.h"
#include "host/client/HostLink.h"
#include "host/client/OutboundResponse.h"
#include "host/client/RequestError.h"
#include "host/client/RequestParameter.h"
#include "host/client/RequestResult.h"
#include "host/client/ResponseStreamHandle.h"

namespace kor {

// Synchronous requests on the host's resources through SendRequest. The
// request record carries the method, the URL as given, the parameter (when
// there is one) as a single unnamed argument and the host handle as call
// word. Every outcome is a RequestResult; nothing throws. The host's
// response record is released once the operation has finished with it, on
// every path.
class RequestClient {
public:
    // The name under which answers are converted, in their messages.
    static constexpr std::string_view kResultName = "<result>";

    // `link` and `identity` outlive the client.
    RequestClient(HostLink& link, const ClientIdentity& identity) : link_(link), identity_(identity) {}
    RequestClient(const RequestClient&) = delete;
    RequestClient& operator=(const RequestClient&) = delete;

    // Sends and leaves the answer in `response` for the caller (which
    // releases it, at the latest when `response` is destroyed). Fails with
    // 400 "Request not sent: ..." when the parameter does not convert (the
    // host is then not called), or with the host's status and "Error
    // response for ..." when the host reports a failure.
    RequestResult<void> Send(PluginMethod method, std::string_view url, OutboundResponse& response);
    RequestResult<void> Send(PluginMethod method, std::string_view url, const RequestParameter& parameter,
                             OutboundResponse& response);

    // Sends and converts the answer into T: BindingProperty ("object"),
    // bool, an integer type, double, std::string, or a struct or enum
    // registered in the client's registry. A streamed answer is read whole
    // and parsed as JSON first.
    template <class T>
    RequestResult<T> Request(PluginMethod method, std::string_view url);
    template <class T>
    RequestResult<T> Request(PluginMethod method, std::string_view url, const RequestParameter& parameter);

    // The answer as a generic value; `parameter` may be null.
    RequestResult<BindingProperty> RequestValue(PluginMethod method, std::string_view url,
                                                const RequestParameter* parameter);

    // Sends and drops the answer at once; success or the send's error.
    RequestResult<void> RequestDiscardResult(PluginMethod method, std::string_view url,
                                             const RequestParameter& parameter);
    RequestResult<void> RequestDiscardResult(PluginMethod method, std::string_view url);

    // Sends and hands the streamed answer over to the caller; fails with
    // "Stream response was requested but the response wasn't a stream for
    // ..." when the answer is no stream.
    RequestResult<ResponseStreamHandle> RequestStream(PluginMethod method, std::string_view url);

    // Reads the rest of `stream` in 4096-byte chunks, yielding to the host
    // between short chunks. A failed read gives "Stream read error at offset
    // N" and no bytes. The stream stays with its handle.
    RequestResult<std::vector<uint8_t>> ReadStreamIntoBytes(ResponseStreamHandle& stream);

    // The labelled wait: BeginWait("Wait: yield", 0), Yield, EndWait, whose
    // value is returned.
    uint64_t WaitForHost();

private:
    RequestResult<void> SendWith(PluginMethod method, std::string_view url, const RequestParameter* parameter,
                                 OutboundResponse& response);
    RequestResult<BindingProperty> ParseStreamedAnswer(PluginMethod method, std::string_view url,
                                                       ResponseStreamHandle& stream);
    template <class T>
    RequestResult<T> ConvertAnswer(PluginMethod method, std::string_view url, RequestResult<BindingProperty> answer);

    HostLink& link_;
    const ClientIdentity& identity_;
};

// ---- Template members ----

template <class T>
RequestResult<T> RequestClient::Request(PluginMethod method, std::string_view url) {
    return ConvertAnswer<T>(method, url, RequestValue(method, url, nullptr));
}

template <class T>
RequestResult<T> RequestClient::Request(PluginMethod method, std::string_view url,
                                        const RequestParameter& parameter) {
    return ConvertAnswer<T>(method, url, RequestValue(method, url, &parameter));
}

template <class T>
RequestResult<T> RequestClient::ConvertAnswer(PluginMethod method, std::string_view url,
                                              RequestResult<BindingProperty> answer) {
    if (!answer.ok()) return answer.error();
    if constexpr (std::is_same_v<T, BindingProperty>) {
        return std::move(answer.value());
    } else {
        try {
            BindingResult converted;
            T value{};
            ConvertToNative(converted, value, answer.value(), kResultName, identity_.registry);
            if (!converted.ok()) return ResponseConversionError(method, url, converted.ErrorText());
            return value;
        } catch (const std::exception& failure) {
            return ResponseConversionError(method, url, failure.what());
        } catch (...) {
            return ResponseConversionError(method, url, kUnknownFailure);
        }
    }
}

}  // namespace kor
