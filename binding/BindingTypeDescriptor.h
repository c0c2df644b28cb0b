#pragma once

#include "binding/BindingConverter.h"
#include "binding/BindingTypeKind.h"
#include "binding/StaticTypeId.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

class BindingRegistry;
struct BindingTypeDescriptor;

// The native type of a field, parameter or return value. Element types nest
// one level: the element of a vector or map is named by its kind and, for an
// enum or struct element, its descriptor.
struct BindingTypeIdentifier {
    BindingTypeKind kind = BindingTypeKind::None;
    BindingTypeKind elementKind = BindingTypeKind::None;   // for Vector and Map
    const BindingTypeDescriptor* descriptor = nullptr;     // for Enum/Struct, or their Vector/Map elements

    bool operator==(const BindingTypeIdentifier&) const = default;
};

// Field flags.
inline constexpr uint32_t kBindingFieldOmitEmpty = 1;  // left out of produced structures when empty or zero
inline constexpr uint32_t kBindingFieldRequired = 2;   // a missing or empty member fails the conversion

struct BindingFieldDescriptor {
    std::string name;
    uint32_t nameHash = 0;  // FNV-1a of name
    std::string description;
    const StaticTypeId* typeId = nullptr;  // of the field's native type
    uint32_t offset = 0;                   // bytes from the start of the native record
    BindingTypeIdentifier type;
    BindingTypeIdentifier secondType;  // kept only when its kind is not None; described to the host in preference
    uint32_t flags = 0;
    std::unique_ptr<BindingConverter> converter;
    const BindingTypeDescriptor* owner = nullptr;
    bool optional = false;

    bool IsRequired() const { return (flags & kBindingFieldRequired) != 0; }
    bool OmitsEmpty() const { return (flags & kBindingFieldOmitEmpty) != 0; }
};

struct BindingEnumerator {
    int32_t number = 0;
    std::string name;
    std::string description;
    const BindingTypeDescriptor* owner = nullptr;
};

// One registered native record or enumeration. Created by
// BindingRegistry::BeginType and filled through its BindingTypeBuilder;
// lives until the registry is destroyed or reset.
struct BindingTypeDescriptor {
    uint32_t size = 0;  // bytes of the native record or enumeration
    bool isEnum = false;
    std::string name;   // the registry key
    uint32_t id = kReservedTypeId;
    const StaticTypeId* typeId = nullptr;
    std::string nameSpace;
    std::string description;
    std::vector<std::string> tags;
    std::map<std::string, std::size_t, std::less<>> fieldIndex;  // name -> position in fields (first of a name)
    std::vector<BindingFieldDescriptor> fields;                  // declaration order
    std::map<std::string, BindingEnumerator, std::less<>> enumerators;  // by name
    const BindingRegistry* registry = nullptr;

    const BindingFieldDescriptor* FindField(std::string_view fieldName) const;
    // The first enumerator in name order with this number; null when none.
    const BindingEnumerator* FindEnumerator(int32_t number) const;
    const BindingEnumerator* FindEnumerator(std::string_view enumeratorName) const;
    bool IsValidEnumerator(int32_t number) const { return FindEnumerator(number) != nullptr; }
    bool HasTag(std::string_view tag) const;
};

}  // namespace kor
