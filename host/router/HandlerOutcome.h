#pragma once

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "abi/PluginAbi.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kor {

// A stream a handler answers with; the host reads it through `read` and
// ends it with `destroy`.
struct HandlerStream {
    PluginStreamReadFn read = nullptr;
    PluginStreamDestroyFn destroy = nullptr;
    void* object = nullptr;
    uint32_t sizeHint = 0;  // bytes; the host record's high word stays zero
};

// What a handler answers: a value or a failure message, and what travels
// beside it in the response record. A handler may simply return a
// BindingProperty, which converts into a successful outcome.
//
// The outcome owns its stream until the router hands it to the host; an
// outcome destroyed with a stream still in it destroys the stream, so a call
// that fails after its handler opened one leaks nothing.
class HandlerOutcome {
public:
    HandlerOutcome() = default;
    HandlerOutcome(BindingProperty value);  // NOLINT(google-explicit-constructor): handlers return values
    HandlerOutcome(HandlerOutcome&& other) noexcept;
    HandlerOutcome& operator=(HandlerOutcome&& other) noexcept;
    HandlerOutcome(const HandlerOutcome&) = delete;
    HandlerOutcome& operator=(const HandlerOutcome&) = delete;
    ~HandlerOutcome();

    bool failed() const { return !result.ok(); }
    // Turns the outcome into a failure with `message` (the value is dropped).
    void Fail(std::string_view message) { result.SetFailure(message); }

    void SetStream(HandlerStream stream);
    bool hasStream() const { return stream_.read != nullptr || stream_.destroy != nullptr; }
    // Hands the stream over; the outcome no longer owns it.
    HandlerStream TakeStream();

    BindingResult result;
    uint8_t flags = 0;   // copied to the response's result flag byte
    uint32_t format = 0; // 1, 2 or 3; any other code is written as 0
    uint32_t status = 0; // 0: the outcome sets none
    std::string statusMessage;
    std::vector<std::pair<std::string, std::string>> headers;

private:
    void DestroyStream() noexcept;

    HandlerStream stream_;
};

// A failed outcome with a status, for handlers that refuse a call.
HandlerOutcome ErrorResponse(uint32_t status, std::string_view message);

// A failed outcome with status 500 and `message`, or "Internal server error"
// when the message is empty.
HandlerOutcome InternalServerErrorResponse(std::string_view message = {});

}  // namespace kor
