#include "host/client/OutboundResponse.h"

#include <cstring>

namespace kor {

OutboundResponse::OutboundResponse() noexcept { std::memset(static_cast<void*>(&record_), 0, sizeof record_); }

std::string_view OutboundResponse::errorText() const {
    return record_.error != nullptr ? std::string_view(record_.error) : std::string_view();
}

void OutboundResponse::Release() noexcept {
    if (record_.streamDestroy != nullptr && (record_.stream != nullptr || record_.streamRead != nullptr)) {
        record_.streamDestroy(record_.stream);
    }
    record_.stream = nullptr;
    record_.streamRead = nullptr;
    record_.streamDestroy = nullptr;
    if (record_.release != nullptr) {
        PluginResponseReleaseFn release = record_.release;
        release(&record_);
    }
    std::memset(static_cast<void*>(&record_), 0, sizeof record_);
}

}  // namespace kor
