#pragma once

#include "binding/BindingProperty.h"

#include <string_view>

namespace kor {

// The outcome of every fallible conversion: a root value and an ok flag. A
// new result is ok and empty. A failed result holds the structure
// {"error": message} instead of a value.
class BindingResult {
public:
    BindingResult() = default;

    // A result already failed with `message`.
    static BindingResult Failure(std::string_view message);

    bool ok() const { return ok_; }

    // Replaces the value with {"error": message} and clears the ok flag.
    // `message` may point into this result's own value. Throws only
    // std::bad_alloc.
    void SetFailure(std::string_view message);

    // The message of a failed result; the empty text when the result is ok
    // or its "error" member is not a string.
    std::string_view ErrorText() const;

    BindingProperty& value() { return value_; }
    const BindingProperty& value() const { return value_; }

private:
    BindingProperty value_;
    bool ok_ = true;
};

}  // namespace kor
