#include "host/client/ResponseStreamReader.h"

#include <algorithm>
#include <array>

namespace kor {

std::size_t StreamReservation(uint64_t sizeHint) {
    return static_cast<std::size_t>(std::min<uint64_t>(sizeHint, kMaxStreamReservation));
}

bool ReadStreamChunks(ResponseStreamHandle& stream, const std::function<void(std::span<const uint8_t>)>& append,
                      const std::function<void()>& wait) {
    std::array<uint8_t, kStreamChunkSize> chunk;
    for (;;) {
        uint32_t length = kStreamChunkSize;
        bool more = false;
        if (!stream.Read(chunk.data(), length, more)) return false;
        append(std::span<const uint8_t>(chunk.data(), length));
        // Only a short chunk can end the stream: after a full one the host
        // is asked again, and answers an empty final chunk when it is done.
        if (length == kStreamChunkSize) continue;
        if (!more) return true;
        wait();
    }
}

}  // namespace kor
