#include "tools/hostkit/ScriptedStream.h"

#include <algorithm>
#include <cstring>

namespace kor::hostkit {

uint64_t ScriptedStream::sizeHint() const {
    if (script_.sizeHint) return *script_.sizeHint;
    uint64_t total = 0;
    for (const std::string& chunk : script_.chunks) total += chunk.size();
    return total;
}

bool ScriptedStream::ReadInto(void* buffer, uint32_t* length, uint8_t* more) {
    if (script_.failAtChunk && *script_.failAtChunk == chunk_ && offset_ == 0) return false;
    if (chunk_ >= script_.chunks.size()) {
        *length = 0;
        *more = 0;
        return true;
    }
    const std::string& chunk = script_.chunks[chunk_];
    std::size_t count = std::min<std::size_t>(chunk.size() - offset_, *length);
    if (count > 0) std::memcpy(buffer, chunk.data() + offset_, count);
    offset_ += count;
    if (offset_ == chunk.size()) {
        ++chunk_;
        offset_ = 0;
    }
    *length = static_cast<uint32_t>(count);
    *more = chunk_ < script_.chunks.size() ? 1 : 0;
    return true;
}

uint8_t ScriptedStream::Read(void* stream, void* buffer, uint32_t* length, uint8_t* more) {
    if (stream == nullptr || length == nullptr || more == nullptr) return 0;
    if (buffer == nullptr && *length != 0) return 0;
    try {
        return static_cast<ScriptedStream*>(stream)->ReadInto(buffer, length, more) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void ScriptedStream::Destroy(void* stream) {
    auto* self = static_cast<ScriptedStream*>(stream);
    if (self == nullptr) return;
    try {
        if (self->script_.onDestroy) self->script_.onDestroy();
    } catch (...) {
        // The stream ends either way; the caller is plain C.
    }
    delete self;
}

}  // namespace kor::hostkit
