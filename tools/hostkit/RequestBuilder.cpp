#include "tools/hostkit/RequestBuilder.h"

#include <cstring>

#include "abi/MethodNumbers.h"

namespace kor::hostkit {
namespace {

std::string AsciiLowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

}  // namespace

RequestBuilder& RequestBuilder::Method(std::string_view text) {
    const PluginMethod method = MethodFromText(text);
    return MethodByNumber(static_cast<uint32_t>(method), method == PluginMethod::Custom ? text : std::string_view{});
}

RequestBuilder& RequestBuilder::MethodByNumber(uint32_t number, std::string_view customText) {
    method_ = number;
    customMethod_ = customText;
    return *this;
}

RequestBuilder& RequestBuilder::Url(std::string_view path, std::string_view query) {
    url_ = path;
    if (!query.empty()) {
        url_ += '?';
        url_ += query;
    }
    return *this;
}

RequestBuilder& RequestBuilder::Argument(std::string_view name, const HostValue& value) {
    arguments_.push_back(NamedValue{std::string(name), value});
    return *this;
}

RequestBuilder& RequestBuilder::UnnamedArgument(const HostValue& value) {
    arguments_.push_back(NamedValue{std::nullopt, value});
    return *this;
}

RequestBuilder& RequestBuilder::Header(std::string_view name, std::string_view value) {
    headers_.emplace_back(AsciiLowerCase(name), std::string(value));
    return *this;
}

RequestBuilder& RequestBuilder::Body(std::string_view contentType, std::string_view bytes) {
    contentType_ = std::string(contentType);
    body_ = bytes;
    return *this;
}

RequestBuilder& RequestBuilder::CallContext(const void* context) {
    callContext_ = context;
    return *this;
}

RequestBuilder& RequestBuilder::CallWord(uintptr_t word) {
    callWord_ = word;
    return *this;
}

const PluginRequest* RequestBuilder::record() {
    // A fresh arena each time, so repeated calls do not accumulate copies.
    arena_.Clear();

    plainArguments_.clear();
    for (const NamedValue& argument : arguments_) {
        PluginArgument plain;
        std::memset(&plain, 0, sizeof plain);
        plain.name = argument.name ? arena_.Keep(*argument.name) : nullptr;
        plain.value = arena_.Encode(argument.value);
        plainArguments_.push_back(plain);
    }
    plainHeaders_.clear();
    for (const auto& [name, value] : headers_) {
        plainHeaders_.push_back(PluginHeader{arena_.Keep(name), arena_.Keep(value)});
    }

    std::memset(&record_, 0, sizeof record_);
    record_.method = method_;
    record_.url = arena_.Keep(url_);
    record_.args = plainArguments_.empty() ? nullptr : plainArguments_.data();
    record_.argCount = static_cast<uint32_t>(plainArguments_.size());
    record_.callContext = callContext_;
    record_.headers = plainHeaders_.empty() ? nullptr : plainHeaders_.data();
    record_.headerCount = static_cast<uint32_t>(plainHeaders_.size());
    record_.contentType = contentType_ ? arena_.Keep(*contentType_) : nullptr;
    if (!body_.empty()) {
        record_.body = reinterpret_cast<const uint8_t*>(body_.data());
        record_.bodySize = static_cast<uint32_t>(body_.size());
    }
    record_.callWord = callWord_;
    record_.customMethod = method_ == static_cast<uint32_t>(PluginMethod::Custom) ? arena_.Keep(customMethod_) : nullptr;
    return &record_;
}

}  // namespace kor::hostkit
