#include "host/client/RequestClient.h"

#include <cstring>
#include <exception>

#include "binding/BindingPlainValue.h"
#include "binding/JsonReader.h"
#include "host/client/HostPlainValue.h"
#include "host/client/ResponseStreamReader.h"

namespace kor {
namespace {

constexpr const char* kWaitLabel = "Wait: yield";

// The flattened parameter of one request, freed when the request is done.
class PlainArgument {
public:
    PlainArgument() { std::memset(static_cast<void*>(&argument_), 0, sizeof argument_); }
    ~PlainArgument() { ClearPlainValue(argument_.value); }
    PlainArgument(const PlainArgument&) = delete;
    PlainArgument& operator=(const PlainArgument&) = delete;

    PluginArgument& record() { return argument_; }

private:
    PluginArgument argument_;
};

std::string_view ExceptionText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return kUnknownFailure;
    }
}

}  // namespace

uint64_t RequestClient::WaitForHost() {
    link_.BeginWait(kWaitLabel, 0);
    link_.Yield();
    return link_.EndWait();
}

RequestResult<void> RequestClient::Send(PluginMethod method, std::string_view url, OutboundResponse& response) {
    return SendWith(method, url, nullptr, response);
}

RequestResult<void> RequestClient::Send(PluginMethod method, std::string_view url, const RequestParameter& parameter,
                                       OutboundResponse& response) {
    return SendWith(method, url, &parameter, response);
}

RequestResult<void> RequestClient::SendWith(PluginMethod method, std::string_view url,
                                           const RequestParameter* parameter, OutboundResponse& response) {
    try {
        const std::string urlText(url);
        PlainArgument argument;
        if (parameter != nullptr) {
            BindingResult generic = parameter->ToProperty(identity_.registry);
            if (!generic.ok()) return ParameterConversionError(method, url, generic.ErrorText());
            if (!ConvertToPlainValue(generic.value(), argument.record().value, identity_.registry)) {
                return ParameterConversionError(method, url, kFlattenFailure);
            }
        }
        PluginRequest request;
        std::memset(static_cast<void*>(&request), 0, sizeof request);
        request.method = static_cast<uint32_t>(method);
        request.url = urlText.c_str();
        request.args = parameter != nullptr ? &argument.record() : nullptr;
        request.argCount = parameter != nullptr ? 1 : 0;
        request.callWord = identity_.hostHandle;
        response.Release();
        link_.SendRequest(&response.record(), &request);
        if (response.failed()) {
            return HostResponseError(response.record().status, method, url, response.errorText());
        }
        return {};
    } catch (...) {
        return ParameterConversionError(method, url, ExceptionText(std::current_exception()));
    }
}

RequestResult<BindingProperty> RequestClient::RequestValue(PluginMethod method, std::string_view url,
                                                          const RequestParameter* parameter) {
    OutboundResponse response;
    RequestResult<void> sent = SendWith(method, url, parameter, response);
    if (!sent.ok()) return sent.error();
    try {
        if (response.hasStream()) {
            ResponseStreamHandle stream = response.TakeStream();
            response.Release();
            return ParseStreamedAnswer(method, url, stream);
        }
        BindingResult value = ReadHostPlainValue(response.record().value, kResultName);
        response.Release();
        if (!value.ok()) return ResponseConversionError(method, url, value.ErrorText());
        return std::move(value.value());
    } catch (...) {
        return ResponseConversionError(method, url, ExceptionText(std::current_exception()));
    }
}

RequestResult<BindingProperty> RequestClient::ParseStreamedAnswer(PluginMethod method, std::string_view url,
                                                                 ResponseStreamHandle& stream) {
    std::string text;
    text.reserve(StreamReservation(stream.SizeHint()));
    const bool read = ReadStreamChunks(
        stream, [&text](std::span<const uint8_t> chunk) { text.append(chunk.begin(), chunk.end()); },
        [this] { WaitForHost(); });
    stream.Destroy();
    if (!read) return StreamedResponseError(method, url, kStreamReadError);
    BindingResult parsed = ReadJson(std::string_view(text));
    if (!parsed.ok()) return StreamedResponseError(method, url, parsed.ErrorText());
    return std::move(parsed.value());
}

RequestResult<void> RequestClient::RequestDiscardResult(PluginMethod method, std::string_view url,
                                                       const RequestParameter& parameter) {
    OutboundResponse response;
    RequestResult<void> sent = SendWith(method, url, &parameter, response);
    response.Release();
    return sent;
}

RequestResult<void> RequestClient::RequestDiscardResult(PluginMethod method, std::string_view url) {
    OutboundResponse response;
    RequestResult<void> sent = SendWith(method, url, nullptr, response);
    response.Release();
    return sent;
}

RequestResult<ResponseStreamHandle> RequestClient::RequestStream(PluginMethod method, std::string_view url) {
    OutboundResponse response;
    RequestResult<void> sent = SendWith(method, url, nullptr, response);
    if (!sent.ok()) return sent.error();
    if (!response.hasStream()) {
        response.Release();
        return NotAStreamError(url);
    }
    ResponseStreamHandle stream = response.TakeStream();
    response.Release();
    return stream;
}

RequestResult<std::vector<uint8_t>> RequestClient::ReadStreamIntoBytes(ResponseStreamHandle& stream) {
    std::vector<uint8_t> bytes;
    try {
        bytes.reserve(StreamReservation(stream.SizeHint()));
        const bool read = ReadStreamChunks(
            stream, [&bytes](std::span<const uint8_t> chunk) { bytes.insert(bytes.end(), chunk.begin(), chunk.end()); },
            [this] { WaitForHost(); });
        if (!read) return StreamReadErrorAt(bytes.size());
    } catch (...) {
        return StreamReadErrorAt(bytes.size());
    }
    return bytes;
}

}  // namespace kor
