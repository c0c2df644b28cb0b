#pragma once

#include <cstdint>
#include <string>

#include "abi/PluginAbi.h"
#include "tools/hostkit/Outcome.h"

namespace kor::hostkit {

// A stream that the other side handed over in a response record: its object
// with the read and destroy functions and the announced size. The holder owns
// the stream and calls destroy exactly once, when it is destroyed.
class ResponseStream {
public:
    ResponseStream(void* stream, PluginStreamReadFn read, PluginStreamDestroyFn destroy, uint64_t sizeHint);
    ~ResponseStream();
    ResponseStream(ResponseStream&& other) noexcept;
    ResponseStream& operator=(ResponseStream&& other) noexcept;
    ResponseStream(const ResponseStream&) = delete;
    ResponseStream& operator=(const ResponseStream&) = delete;

    uint64_t sizeHint() const { return sizeHint_; }

    struct Chunk {
        std::string bytes;
        bool more = false;  // the stream expects to deliver more data
    };

    // One read of at most `capacity` bytes. A read the stream reports as
    // failed, or one claiming more bytes than were asked for, is a failure.
    Outcome<Chunk> ReadChunk(uint32_t capacity);

    // Reads chunks of `chunkSize` until the stream reports no more data (a
    // stream that never stops announcing more keeps it reading). A failed
    // read discards what was read and names the offset reached.
    Outcome<std::string> ReadAll(uint32_t chunkSize = 4096);

private:
    void Destroy();

    void* stream_;
    PluginStreamReadFn read_;
    PluginStreamDestroyFn destroy_;
    uint64_t sizeHint_;
};

}  // namespace kor::hostkit
