#include "host/router/HandlerOutcome.h"

#include "abi/HttpStatus.h"
#include "host/router/RouterMessages.h"

namespace kor {
HandlerOutcome::HandlerOutcome(BindingProperty value) { result.value() = std::move(value); }

HandlerOutcome::HandlerOutcome(HandlerOutcome&& other) noexcept
    : result(std::move(other.result)),
      flags(other.flags),
      format(other.format),
      status(other.status),
      statusMessage(std::move(other.statusMessage)),
      headers(std::move(other.headers)),
      stream_(other.TakeStream()) {}

HandlerOutcome& HandlerOutcome::operator=(HandlerOutcome&& other) noexcept {
    if (this == &other) return *this;
    result = std::move(other.result);
    flags = other.flags;
    format = other.format;
    status = other.status;
    statusMessage = std::move(other.statusMessage);
    headers = std::move(other.headers);
    DestroyStream();
    stream_ = other.TakeStream();
    return *this;
}

HandlerOutcome::~HandlerOutcome() { DestroyStream(); }

void HandlerOutcome::SetStream(HandlerStream stream) {
    DestroyStream();
    stream_ = stream;
}

HandlerStream HandlerOutcome::TakeStream() {
    HandlerStream taken = stream_;
    stream_ = HandlerStream{};
    return taken;
}

void HandlerOutcome::DestroyStream() noexcept {
    if (stream_.destroy != nullptr && stream_.object != nullptr) stream_.destroy(stream_.object);
    stream_ = HandlerStream{};
}

HandlerOutcome ErrorResponse(uint32_t status, std::string_view message) {
    HandlerOutcome outcome;
    outcome.Fail(message);
    outcome.status = status;
    return outcome;
}

HandlerOutcome InternalServerErrorResponse(std::string_view message) {
    return ErrorResponse(http::kServerError,
                         message.empty() ? RouterMessageText(RouterMessage::InternalServerError) : message);
}

}  // namespace kor
