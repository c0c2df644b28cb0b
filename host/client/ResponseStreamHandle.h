#pragma once

#include <cstdint>

#include "abi/PluginAbi.h"

namespace kor {

// Owns a stream that the host handed over in a response record: the stream
// object, its read and destroy functions and the announced size. The handle
// destroys the stream (destroy function, when set) when it is destroyed or
// reassigned. Move-only; a default or moved-from handle holds no stream.
class ResponseStreamHandle {
public:
    ResponseStreamHandle() = default;
    ResponseStreamHandle(void* stream, PluginStreamReadFn read, PluginStreamDestroyFn destroy, uint64_t sizeHint)
        : stream_(stream), read_(read), destroy_(destroy), sizeHint_(sizeHint) {}
    ResponseStreamHandle(ResponseStreamHandle&& other) noexcept;
    ResponseStreamHandle& operator=(ResponseStreamHandle&& other) noexcept;
    ResponseStreamHandle(const ResponseStreamHandle&) = delete;
    ResponseStreamHandle& operator=(const ResponseStreamHandle&) = delete;
    ~ResponseStreamHandle() { Destroy(); }

    // Moves the stream entries out of `response` (they are zeroed there), so
    // that releasing the record cannot touch the stream. A record without a
    // read function gives an empty handle and keeps its entries.
    static ResponseStreamHandle TakeFrom(PluginResponse& response) noexcept;

    // Whether the handle holds a stream that can be read.
    bool valid() const { return read_ != nullptr; }

    // Reads up to `length` bytes into `buffer`. On success `length` holds
    // the bytes read and `more` whether the host announces more data. False
    // when the host reports a failure, when there is no stream, or when the
    // host claims more bytes than were asked for (which no buffer can hold).
    bool Read(void* buffer, uint32_t& length, bool& more);

    // The byte count the host announced; 0 without a stream.
    uint64_t SizeHint() const { return sizeHint_; }

    // Ends the stream now; later reads fail.
    void Destroy() noexcept;

private:
    void* stream_ = nullptr;
    PluginStreamReadFn read_ = nullptr;
    PluginStreamDestroyFn destroy_ = nullptr;
    uint64_t sizeHint_ = 0;
};

}  // namespace kor
