#pragma once

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace kor::hostkit {

// The failure side of an Outcome: a readable message for a developer.
struct Failure {
    std::string message;
};

// A value or a failure message. Host-side operations report what went wrong
// as a value, so that a host never has to guess from a crash.
template <class T>
class [[nodiscard]] Outcome {
public:
    Outcome(T value) : value_(std::move(value)) {}                  // NOLINT(google-explicit-constructor)
    Outcome(Failure failure) : error_(std::move(failure.message)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }

    // Reading the value of a failure is a programming error and throws
    // std::bad_optional_access.
    const T& value() const& { return value_.value(); }
    T& value() & { return value_.value(); }
    T&& value() && { return std::move(value_.value()); }

    // Empty when ok.
    const std::string& error() const { return error_; }

private:
    std::optional<T> value_;
    std::string error_;
};

// The message of a caught exception for a Failure: its what(), or "unknown
// exception" for anything that is no std::exception (or for none at all).
inline std::string ExceptionMessage(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
    }
    return "unknown exception";
}

template <>
class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : ok_(false), error_(std::move(failure.message)) {}  // NOLINT

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    bool ok_ = true;
    std::string error_;
};

}  // namespace kor::hostkit
