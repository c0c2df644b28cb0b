#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeRegistration.h"

namespace kor {

class BindingRegistry;

// The one parameter of an outbound request: a text, a generic value, a map
// of texts, or (Native) a value of a registered native type. It is turned
// into a generic value only when the request is sent, with the client's
// registry, so a value that does not convert fails that request alone.
class RequestParameter {
public:
    RequestParameter(std::string_view text) : value_(std::string(text)) {}  // NOLINT(google-explicit-constructor)
    RequestParameter(const char* text) : value_(std::string(text != nullptr ? text : "")) {}  // NOLINT
    RequestParameter(const std::string& text) : value_(text) {}                // NOLINT
    RequestParameter(const BindingProperty& value) : value_(value) {}          // NOLINT
    RequestParameter(const std::map<std::string, std::string>& fields) : value_(fields) {}  // NOLINT

    // A native value (a registered struct or enum, or any type with a
    // converter), converted with the client's registry when sent.
    template <class T>
    static RequestParameter Native(T value) {
        return RequestParameter(NativeConversion(
            [value = std::move(value)](BindingResult& result, const BindingRegistry* registry) {
                ConvertToProperty(result, value, registry);
            }));
    }

    // The generic value: a text becomes a string value, a generic value is
    // copied, a map becomes a structure with one string member per entry.
    // A failed result carries the conversion's message.
    BindingResult ToProperty(const BindingRegistry* registry) const;

private:
    using NativeConversion = std::function<void(BindingResult& result, const BindingRegistry* registry)>;
    explicit RequestParameter(NativeConversion conversion) : value_(std::move(conversion)) {}

    std::variant<std::string, BindingProperty, std::map<std::string, std::string>, NativeConversion> value_;
};

}  // namespace kor
