#include "binding/BindingResult.h"

#include <string>

namespace kor {

namespace {
constexpr std::string_view kErrorKey = "error";
}  // namespace

BindingResult BindingResult::Failure(std::string_view message) {
    BindingResult result;
    result.SetFailure(message);
    return result;
}

void BindingResult::SetFailure(std::string_view message) {
    std::string copy(message);  // the message may live in the value about to be cleared
    ok_ = false;
    value_.Clear();
    value_.MemberForWrite(kErrorKey).SetString(copy);
}

std::string_view BindingResult::ErrorText() const {
    if (ok_) return {};
    return value_.Member(kErrorKey).GetString();
}

}  // namespace kor
