#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"
#include "tools/hostkit/ResponseStream.h"

namespace kor::hostkit {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// A response record handed to the side that fills it (the plug-in, for a
// call into it): zero-filled at first, as the filling side requires. After
// the call the accessors read what was filled; Release() then calls the
// record's release function exactly once, however often it is called, and
// the destructor releases a record nobody released.
//
// The stream is not the release function's business: take it with
// TakeStream() to keep it beyond Release(); a stream left in the record is
// destroyed by Release().
class ResponseHolder {
public:
    ResponseHolder();
    ~ResponseHolder();
    ResponseHolder(const ResponseHolder&) = delete;
    ResponseHolder& operator=(const ResponseHolder&) = delete;

    PluginResponse* record() { return &record_; }
    const PluginResponse& view() const { return record_; }

    // The call failed: the error text is set or the error flag is 1.
    bool failed() const;
    // The error text, empty when none.
    std::string error() const;
    uint32_t status() const { return record_.status; }
    std::string statusMessage() const;
    uint32_t format() const { return record_.format; }
    uint8_t resultFlags() const { return record_.resultFlags; }

    // The result value as a host tree (see ReadPlainValue for the checks).
    Outcome<HostValue> value() const;
    // The response headers; a null array with a count, or a null name or
    // value, is a failure.
    Outcome<HeaderList> headers() const;

    bool hasStream() const { return record_.streamRead != nullptr; }
    // Moves the stream out of the record; nothing when there is none.
    std::optional<ResponseStream> TakeStream();

    void Release();
    bool released() const { return released_; }

private:
    // Also when only the destroy function is set, so no stream object leaks.
    ResponseStream TakeStreamEntries();

    PluginResponse record_;
    bool released_ = false;
};

}  // namespace kor::hostkit
