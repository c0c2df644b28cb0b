#pragma once

#include "host/router/IncomingRequest.h"

#include <cstdint>
#include <string_view>

namespace kor {

class BindingRegistry;

// What a handler may learn about the call beyond its arguments. The texts
// are views into the host's request record: valid for the call only.
struct RequestInfo {
    uintptr_t callWord = 0;
    uint64_t time = 0;  // 100-nanosecond ticks since 1970-01-01 UTC
    std::string_view url;
    const BindingRegistry* registry = nullptr;
    uint32_t method = 0;
    std::string_view customMethod;
    HeaderMap headers;
};

}  // namespace kor
