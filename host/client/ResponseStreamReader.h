#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "host/client/ResponseStreamHandle.h"

namespace kor {

// The size of one read of a streamed answer.
inline constexpr uint32_t kStreamChunkSize = 4096;

// The most a reader reserves up front from a stream's size hint. The hint
// is the host's word only: a larger one grows the buffer as bytes arrive
// instead of asking for all of it at once.
inline constexpr std::size_t kMaxStreamReservation = std::size_t{64} << 20;

// What to reserve for a stream announcing `sizeHint` bytes.
std::size_t StreamReservation(uint64_t sizeHint);

// Reads `stream` to its end in chunks of kStreamChunkSize bytes, handing
// each chunk to `append`. A short chunk with more data announced calls
// `wait` (the host gets to run) before the next read; a full chunk goes on
// at once (whatever it announces); a short chunk with no more data
// announced ends the stream. Returns
// false at the first failed read; the chunks appended before stay appended.
// The stream is not destroyed here.
bool ReadStreamChunks(ResponseStreamHandle& stream, const std::function<void(std::span<const uint8_t>)>& append,
                      const std::function<void()>& wait);

}  // namespace kor
