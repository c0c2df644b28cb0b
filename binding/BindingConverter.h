#pragma once

#include <memory>
#include <string_view>

namespace kor {

class BindingProperty;
class BindingRegistry;
class BindingResult;
struct BindingTypeIdentifier;

// Converts one native field (or argument) between its native storage and a
// BindingProperty. One object per field, owned by its BindingFieldDescriptor
// and chosen by the field's native type: MakeBindingConverter below picks one
// by type identifier, MakeNativeConverter<T> (NativeTypeRegistration.h) by
// C++ type. Converters hold no state beyond their type's parameters, so one
// object may serve any number of conversions on any threads.
//
// Both operations report through `result` (the first failure stands; see the
// conversion rules of each type) and never throw for bad input.
class BindingConverter {
public:
    // Converts `source` into the native value at `target`. `fieldName` names
    // the field in messages; `registry` may be null when no enumerator names
    // or registered types are needed.
    virtual void ToNative(BindingResult& result, void* target, const BindingProperty& source,
                          std::string_view fieldName, const BindingTypeIdentifier& type,
                          const BindingRegistry* registry) const = 0;

    // Converts the native value at `source` into result.value().
    virtual void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                            const BindingRegistry* registry) const = 0;

    // Destroy.
    virtual ~BindingConverter() = default;
};

// The converter of a native type named by its identifier: bool, every
// integer width, float, double, string (std::string), object
// (BindingProperty), blob (std::vector<uint8_t>), enum (stored in the size
// of its descriptor, 4 bytes without one, signed), struct, and vectors
// (std::vector) of bool, integers, floats, strings, objects and blobs.
// Null for the kinds whose native layout an identifier cannot tell: a vector
// of enums or records (use MakeNativeConverter<T>, which knows the element
// type), map, callback and None.
std::unique_ptr<BindingConverter> MakeBindingConverter(const BindingTypeIdentifier& type);

}  // namespace kor
