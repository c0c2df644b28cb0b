#include "host/router/IncomingRequest.h"

#include "abi/MethodNumbers.h"

namespace kor {

uint32_t IncomingRequest::method() const { return static_cast<uint32_t>(MethodFromNumber(record_.method)); }

std::string_view IncomingRequest::customMethod() const {
    return MethodFromNumber(record_.method) == PluginMethod::Custom ? TextOrEmpty(record_.customMethod)
                                                                    : std::string_view();
}

std::string_view IncomingRequest::url() const { return TextOrEmpty(record_.url); }

std::string_view IncomingRequest::path() const {
    const std::string_view text = url();
    return text.substr(0, text.find('?'));
}

std::string_view IncomingRequest::query() const {
    const std::string_view text = url();
    const std::size_t mark = text.find('?');
    return mark == std::string_view::npos ? std::string_view() : text.substr(mark + 1);
}

std::span<const PluginArgument> IncomingRequest::arguments() const {
    if (record_.args == nullptr) return {};
    return {record_.args, record_.argCount};
}

HeaderMap IncomingRequest::headers() const {
    HeaderMap map;
    if (record_.headers == nullptr) return map;
    for (uint32_t index = 0; index < record_.headerCount; ++index) {
        const PluginHeader& header = record_.headers[index];
        if (header.name == nullptr || header.value == nullptr) continue;
        map.insert_or_assign(std::string(header.name), std::string(header.value));
    }
    return map;
}

std::span<const uint8_t> IncomingRequest::body() const {
    if (record_.body == nullptr) return {};
    return {record_.body, record_.bodySize};
}

std::string_view IncomingRequest::contentType() const { return TextOrEmpty(record_.contentType); }

}  // namespace kor
