#include "host/client/ResponseStreamHandle.h"

#include <utility>

namespace kor {

ResponseStreamHandle::ResponseStreamHandle(ResponseStreamHandle&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      read_(std::exchange(other.read_, nullptr)),
      destroy_(std::exchange(other.destroy_, nullptr)),
      sizeHint_(std::exchange(other.sizeHint_, 0)) {}

ResponseStreamHandle& ResponseStreamHandle::operator=(ResponseStreamHandle&& other) noexcept {
    if (this != &other) {
        Destroy();
        stream_ = std::exchange(other.stream_, nullptr);
        read_ = std::exchange(other.read_, nullptr);
        destroy_ = std::exchange(other.destroy_, nullptr);
        sizeHint_ = std::exchange(other.sizeHint_, 0);
    }
    return *this;
}

ResponseStreamHandle ResponseStreamHandle::TakeFrom(PluginResponse& response) noexcept {
    if (response.streamRead == nullptr) return {};
    ResponseStreamHandle handle(response.stream, response.streamRead, response.streamDestroy,
                                response.streamSizeHint);
    response.stream = nullptr;
    response.streamRead = nullptr;
    response.streamDestroy = nullptr;
    response.streamSizeHint = 0;
    return handle;
}

bool ResponseStreamHandle::Read(void* buffer, uint32_t& length, bool& more) {
    more = false;
    if (read_ == nullptr) return false;
    const uint32_t asked = length;
    uint8_t moreByte = 0;
    const bool read = read_(stream_, buffer, &length, &moreByte) != 0;
    if (!read || length > asked) return false;
    more = moreByte != 0;
    return true;
}

void ResponseStreamHandle::Destroy() noexcept {
    PluginStreamDestroyFn destroy = std::exchange(destroy_, nullptr);
    void* stream = std::exchange(stream_, nullptr);
    read_ = nullptr;
    sizeHint_ = 0;
    if (destroy != nullptr) destroy(stream);
}

}  // namespace kor
