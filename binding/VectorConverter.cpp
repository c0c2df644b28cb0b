#include "binding/VectorConverter.h"

#include "log/MessageFormat.h"

#include <stdexcept>

namespace kor {
namespace {

constexpr std::string_view kNotACollection =
    "Couldn't assign value to '%1' of type vector because the input not a collection.";

}  // namespace

bool BeginVectorToNative(BindingResult& result, const BindingProperty& source, std::string_view fieldName) {
    if (!result.ok()) return false;
    if (source.IsCollection()) return true;
    result.SetFailure(FormatMessage(kNotACollection, fieldName));
    return false;
}

bool BeginVectorToProperty(BindingResult& result, std::size_t count) {
    try {
        BindingProperty& collection = result.value();
        collection.Reserve(count);  // also makes it a collection, even for count 0
        for (std::size_t index = 0; index < count; ++index) collection.Append();
        return true;
    } catch (const std::length_error& error) {
        result.SetFailure(error.what());
        return false;
    }
}

}  // namespace kor
