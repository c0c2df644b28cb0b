#pragma once

#include <cstdint>
#include <string_view>

#include "abi/HttpStatus.h"
#include "abi/PluginAbi.h"
#include "host/client/ResponseStreamHandle.h"

namespace kor {

// The response record of one outbound request, zero-filled for the host.
// Whatever the host put into it is given back through the record's own
// release function exactly once: by Release, or at the latest when the
// object is destroyed. A stream that nobody took out of the record belongs
// to the plug-in all the same and is destroyed before the release, so an
// answer that is discarded or failed never leaks the host's stream.
class OutboundResponse {
public:
    OutboundResponse() noexcept;
    ~OutboundResponse() { Release(); }
    OutboundResponse(const OutboundResponse&) = delete;
    OutboundResponse& operator=(const OutboundResponse&) = delete;

    PluginResponse& record() { return record_; }
    const PluginResponse& record() const { return record_; }

    // Whether the host reported a failure: an error text, the error flag, or
    // an error status (400 and above) without a text. A host that sets only
    // the flag or the status still failed the request, and its (unfilled)
    // value must not pass for an answer.
    bool failed() const {
        return record_.error != nullptr || record_.errorFlag != 0 || record_.status >= http::kFirstErrorStatus;
    }
    // The host's error text; empty when it gave none.
    std::string_view errorText() const;
    // Whether the answer is a stream (its read function is set).
    bool hasStream() const { return record_.streamRead != nullptr; }
    // Moves the stream out of the record; see ResponseStreamHandle::TakeFrom.
    ResponseStreamHandle TakeStream() noexcept { return ResponseStreamHandle::TakeFrom(record_); }

    // Destroys a stream left in the record, calls the record's release
    // function when it is set, and zeroes the record. Safe to call again.
    void Release() noexcept;

private:
    PluginResponse record_;
};

}  // namespace kor
