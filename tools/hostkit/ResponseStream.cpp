#include "tools/hostkit/ResponseStream.h"

#include <utility>

namespace kor::hostkit {

ResponseStream::ResponseStream(void* stream, PluginStreamReadFn read, PluginStreamDestroyFn destroy,
                               uint64_t sizeHint)
    : stream_(stream), read_(read), destroy_(destroy), sizeHint_(sizeHint) {}

ResponseStream::~ResponseStream() { Destroy(); }

ResponseStream::ResponseStream(ResponseStream&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      read_(std::exchange(other.read_, nullptr)),
      destroy_(std::exchange(other.destroy_, nullptr)),
      sizeHint_(other.sizeHint_) {}

ResponseStream& ResponseStream::operator=(ResponseStream&& other) noexcept {
    if (this != &other) {
        Destroy();
        stream_ = std::exchange(other.stream_, nullptr);
        read_ = std::exchange(other.read_, nullptr);
        destroy_ = std::exchange(other.destroy_, nullptr);
        sizeHint_ = other.sizeHint_;
    }
    return *this;
}

void ResponseStream::Destroy() {
    if (destroy_ != nullptr) destroy_(stream_);
    destroy_ = nullptr;
    read_ = nullptr;
    stream_ = nullptr;
}

Outcome<ResponseStream::Chunk> ResponseStream::ReadChunk(uint32_t capacity) {
    if (read_ == nullptr) return Failure{"stream has no read function"};
    Chunk chunk;
    chunk.bytes.resize(capacity);
    uint32_t length = capacity;
    uint8_t more = 0;
    if (read_(stream_, chunk.bytes.data(), &length, &more) == 0) return Failure{"stream read failed"};
    if (length > capacity) {
        return Failure{"stream read claimed " + std::to_string(length) + " bytes for a buffer of " +
                       std::to_string(capacity)};
    }
    chunk.bytes.resize(length);
    chunk.more = more != 0;
    return chunk;
}

Outcome<std::string> ResponseStream::ReadAll(uint32_t chunkSize) {
    if (chunkSize == 0) return Failure{"stream chunk size must not be 0"};
    std::string all;
    if (sizeHint_ < (uint64_t{1} << 30)) all.reserve(static_cast<std::size_t>(sizeHint_));
    for (;;) {
        Outcome<Chunk> chunk = ReadChunk(chunkSize);
        if (!chunk) return Failure{chunk.error() + " at offset " + std::to_string(all.size())};
        all += chunk.value().bytes;
        if (!chunk.value().more) return all;
    }
}

}  // namespace kor::hostkit
