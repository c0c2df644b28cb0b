#pragma once

#include <optional>
#include <utility>

#include "host/client/RequestError.h"

namespace kor {

namespace request_result_detail {
// What error() answers for a successful result.
inline const RequestError& NoError() {
    static const RequestError none;
    return none;
}
}  // namespace request_result_detail

// The outcome of a request: a value of T, or a RequestError. Nothing here
// throws. value() of a failed result is T's default value, and error() of a
// successful one is an empty error, so a caller that forgets to check ok()
// reads something harmless rather than undefined memory.
template <class T>
class RequestResult {
public:
    RequestResult(T value) : value_(std::move(value)) {}                // NOLINT(google-explicit-constructor)
    RequestResult(RequestError error) : value_(), error_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return !error_.has_value(); }
    const T& value() const { return value_; }
    T& value() { return value_; }
    const RequestError& error() const { return error_ ? *error_ : request_result_detail::NoError(); }

private:
    T value_;
    std::optional<RequestError> error_;
};

// An outcome without a value: success, or a RequestError.
template <>
class RequestResult<void> {
public:
    RequestResult() = default;
    RequestResult(RequestError error) : error_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return !error_.has_value(); }
    const RequestError& error() const { return error_ ? *error_ : request_result_detail::NoError(); }

private:
    std::optional<RequestError> error_;
};

}  // namespace kor
