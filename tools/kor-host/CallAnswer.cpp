#include "tools/kor-host/CallAnswer.h"

#include <cctype>
#include <optional>
#include <utility>

#include "tools/hostkit/JsonCodec.h"
#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {
namespace {

using hostkit::HostValue;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::optional<std::string> HeaderValue(const hostkit::HeaderList& headers, std::string_view name) {
    for (const auto& [key, value] : headers) {
        if (Lower(key) == name) return value;
    }
    return std::nullopt;
}

CallAnswer StreamAnswer(hostkit::ResponseHolder& response, hostkit::HeaderList headers, int status) {
    std::optional<hostkit::ResponseStream> stream = response.TakeStream();
    hostkit::Outcome<std::string> bytes = stream->ReadAll();
    if (!bytes) return ErrorCallAnswer(kBadGateway, "the plug-in's stream failed: " + bytes.error());
    CallAnswer answer;
    answer.status = status;
    answer.contentType = HeaderValue(headers, "content-type").value_or("application/octet-stream");
    answer.body = std::move(bytes).value();
    answer.headers = std::move(headers);
    return answer;
}

}  // namespace

CallAnswer ErrorCallAnswer(int status, std::string_view message) {
    HostValue body;
    body.Set("status", HostValue::Signed(status));
    body.Set("message", HostValue::String(std::string(message)));
    CallAnswer answer;
    answer.status = status;
    answer.body = hostkit::EncodeJson(body);
    return answer;
}

CallAnswer AnswerOf(hostkit::ResponseHolder& response) {
    const int recordStatus = static_cast<int>(response.status());
    if (response.failed()) {
        CallAnswer answer = ErrorCallAnswer(recordStatus != 0 ? recordStatus : kBadRequest, response.error());
        if (auto headers = response.headers(); headers) answer.headers = std::move(headers).value();
        return answer;
    }
    hostkit::Outcome<hostkit::HeaderList> headers = response.headers();
    if (!headers) return ErrorCallAnswer(kBadGateway, "the plug-in's answer is broken: " + headers.error());
    const int status = recordStatus != 0 ? recordStatus : kOk;
    if (response.hasStream()) return StreamAnswer(response, std::move(headers).value(), status);

    hostkit::Outcome<HostValue> value = response.value();
    if (!value) return ErrorCallAnswer(kBadGateway, "the plug-in's answer is broken: " + value.error());
    CallAnswer answer;
    answer.status = status;
    answer.body = hostkit::EncodeJson(value.value());
    answer.headers = std::move(headers).value();
    return answer;
}

}  // namespace kor::korhost
