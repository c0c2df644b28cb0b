#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "abi/PluginAbi.h"

namespace kor::hostkit {

// A streamed answer the host plays back to the plug-in, chunk by chunk.
struct StreamScript {
    // Each read delivers at most one chunk; a chunk larger than the reader's
    // buffer is split over several reads. An empty chunk is a read of 0
    // bytes, so {4096 bytes, ""} delivers a full buffer with more data
    // announced, then an empty final read.
    std::vector<std::string> chunks;
    // The read that would start this chunk reports failure instead.
    std::optional<std::size_t> failAtChunk;
    // The announced size; the total of the chunks when not given.
    std::optional<uint64_t> sizeHint;
    // Called when the reader destroys the stream.
    std::function<void()> onDestroy;
};

// The stream object behind a response record's stream entries. The record's
// read and destroy functions are Read and Destroy; the reader owns the
// object from the moment it receives the record and ends it with Destroy.
class ScriptedStream {
public:
    explicit ScriptedStream(StreamScript script) : script_(std::move(script)) {}

    uint64_t sizeHint() const;

    // PluginStreamReadFn: copies up to *length bytes into buffer, sets
    // *length to the bytes copied and *more to 1 while data remains; returns
    // 0 (and copies nothing) at the scripted failure or on null arguments.
    static uint8_t Read(void* stream, void* buffer, uint32_t* length, uint8_t* more);
    // PluginStreamDestroyFn.
    static void Destroy(void* stream);

private:
    bool ReadInto(void* buffer, uint32_t* length, uint8_t* more);

    StreamScript script_;
    std::size_t chunk_ = 0;   // the chunk being delivered
    std::size_t offset_ = 0;  // bytes of it already delivered
};

}  // namespace kor::hostkit
