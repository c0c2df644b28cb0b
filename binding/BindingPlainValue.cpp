#include "binding/BindingPlainValue.h"

#include "binding/BindingProperty.h"
#include "binding/BindingRegistry.h"
#include "binding/StaticTypeId.h"
#include "log/MessageFormat.h"
#include "platform/CountingAllocator.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <string>
#include <vector>

namespace kor {
namespace {

constexpr std::string_view kIncompatibleType =
    "Couldn't assign value to '%1' of type object because the input is of an incompatible type '%2'.";

uint32_t KindCode(BindingPlainKind kind) { return static_cast<uint32_t>(kind); }

// A malloc'ed zero-terminated copy of `text` (which may hold zero bytes).
char* DuplicateText(std::string_view text) {
    auto* copy = static_cast<char*>(platform::CountedAllocate(text.size() + 1));
    if (copy == nullptr) return nullptr;
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

bool FitsLength(std::size_t size) { return size <= std::numeric_limits<uint32_t>::max(); }

// ---- BindingProperty -> plain ----

struct ToPlainPair {
    const BindingProperty* source;
    BindingPlainValue* target;
};

bool SetOwnedText(BindingPlainValue& target, std::string_view text) {
    if (!FitsLength(text.size())) return false;
    char* copy = DuplicateText(text);
    if (copy == nullptr) return false;
    target.kind = KindCode(BindingPlainKind::OwnedString);
    target.payload.string.text = copy;
    target.payload.string.length = static_cast<uint32_t>(text.size());
    return true;
}

bool SetOwnedBlob(BindingPlainValue& target, std::span<const uint8_t> bytes) {
    if (!FitsLength(bytes.size())) return false;
    // At least one byte, so that even an empty blob has a valid pointer.
    auto* copy = static_cast<uint8_t*>(platform::CountedAllocate(bytes.empty() ? 1 : bytes.size()));
    if (copy == nullptr) return false;
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    target.kind = KindCode(BindingPlainKind::OwnedBlob);
    target.payload.blob.data = copy;
    target.payload.blob.size = static_cast<uint32_t>(bytes.size());
    return true;
}

// The enumerator's name when the registry knows it, else the number.
bool SetEnum(BindingPlainValue& target, const BindingEnumValue& value, const BindingRegistry* registry) {
    const char* name = registry != nullptr ? registry->EnumeratorNameOf(value.type->id, value.number) : nullptr;
    if (name != nullptr) return SetOwnedText(target, name);
    target.kind = KindCode(BindingPlainKind::Signed);
    target.payload.signedValue = value.number;
    return true;
}

// Zero-filled, and never null even when empty.
template <class T>
T* AllocateArray(std::size_t count) {
    return static_cast<T*>(platform::CountedAllocateZeroed(count == 0 ? 1 : count, sizeof(T)));
}

// Fills `target` from `source`; container children are queued in reverse so
// that they are filled in order. False when memory runs out.
bool FillPlain(const BindingProperty& source, BindingPlainValue& target, const BindingRegistry* registry,
               std::vector<ToPlainPair>& pending) {
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            return true;
        case BindingPropertyKind::Bool:
            target.kind = KindCode(BindingPlainKind::Bool);
            target.payload.boolValue = source.GetBool() ? 1 : 0;
            return true;
        case BindingPropertyKind::Signed:
            target.kind = KindCode(BindingPlainKind::Signed);
            target.payload.signedValue = source.GetSigned();
            return true;
        case BindingPropertyKind::Unsigned:
            target.kind = KindCode(BindingPlainKind::Unsigned);
            target.payload.unsignedValue = source.GetUnsigned();
            return true;
        case BindingPropertyKind::Float:
            target.kind = KindCode(BindingPlainKind::Float);
            target.payload.floatValue = source.GetFloat();
            return true;
        case BindingPropertyKind::String:
            return SetOwnedText(target, source.GetString());
        case BindingPropertyKind::Blob:
            return SetOwnedBlob(target, source.GetBlob());
        case BindingPropertyKind::Enum:
            return SetEnum(target, source.GetEnum(), registry);
        case BindingPropertyKind::Collection: {
            std::span<const BindingProperty> elements = source.Elements();
            auto* items = AllocateArray<BindingPlainValue>(elements.size());
            if (items == nullptr) return false;
            target.kind = KindCode(BindingPlainKind::Collection);
            target.payload.collection.items = items;
            target.payload.collection.count = static_cast<uint32_t>(elements.size());
            for (std::size_t index = elements.size(); index-- > 0;) pending.push_back({&elements[index], &items[index]});
            return true;
        }
        case BindingPropertyKind::Structure: {
            std::size_t count = source.Size();
            auto* members = AllocateArray<BindingPlainMember>(count);
            if (members == nullptr) return false;
            target.kind = KindCode(BindingPlainKind::Structure);
            target.payload.structure.members = members;
            target.payload.structure.count = static_cast<uint32_t>(count);
            const std::size_t first = pending.size();
            std::size_t index = 0;
            for (const auto& [key, value] : source.Members()) {
                char* name = DuplicateText(key);
                if (name == nullptr) return false;
                members[index].name = name;
                members[index].ownsName = 1;
                pending.push_back({&value, &members[index].value});
                ++index;
            }
            std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
            return true;
        }
    }
    return true;
}

// ---- Plain -> BindingProperty ----

struct FromPlainPair {
    const BindingPlainValue* source;
    BindingProperty* target;
};

// Fills `target` from `source`; container children are queued in reverse so
// that they are filled in order, each subtree before the next sibling. A
// container target is cleared first, so a repeated member name replaces the
// earlier value instead of merging into it. False for a kind outside the
// table, with the kind in `badKind`. Throws std::bad_alloc and
// std::length_error.
bool FillProperty(const BindingPlainValue& source, BindingProperty& target, std::vector<FromPlainPair>& pending,
                  uint32_t& badKind) {
    switch (static_cast<BindingPlainKind>(source.kind)) {
        case BindingPlainKind::Empty:
            target.Clear();
            return true;
        case BindingPlainKind::Bool:
            target.SetBool(source.payload.boolValue != 0);
            return true;
        case BindingPlainKind::Signed:
            target.SetSigned(source.payload.signedValue);
            return true;
        case BindingPlainKind::Unsigned:
            target.SetUnsigned(source.payload.unsignedValue);
            return true;
        case BindingPlainKind::Float:
            target.SetFloat(source.payload.floatValue);
            return true;
        case BindingPlainKind::BorrowedString:
        case BindingPlainKind::OwnedString:
            target.SetString(source.payload.string.text);  // null reads as ""
            return true;
        case BindingPlainKind::BorrowedBlob:
        case BindingPlainKind::OwnedBlob: {
            const uint8_t* data = source.payload.blob.data;
            target.SetBlob(std::span<const uint8_t>(data, data != nullptr ? source.payload.blob.size : 0));
            return true;
        }
        case BindingPlainKind::Collection: {
            const BindingPlainValue* items = source.payload.collection.items;
            uint32_t count = items != nullptr ? source.payload.collection.count : 0;
            target.Clear();
            target.Reserve(count);
            for (uint32_t index = 0; index < count; ++index) target.Append();
            std::span<BindingProperty> elements = target.ElementsForWrite();
            for (uint32_t index = count; index-- > 0;) pending.push_back({&items[index], &elements[index]});
            return true;
        }
        case BindingPlainKind::Structure: {
            const BindingPlainMember* members = source.payload.structure.members;
            uint32_t count = members != nullptr ? source.payload.structure.count : 0;
            target.Clear();
            target.MakeStructure();
            const std::size_t first = pending.size();
            for (uint32_t index = 0; index < count; ++index) {
                const char* name = members[index].name != nullptr ? members[index].name : "";
                pending.push_back({&members[index].value, &target.MemberForWrite(name)});
            }
            std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
            return true;
        }
    }
    badKind = source.kind;
    return false;
}

void ReportFailure(BindingPlainResult& result, BindingProperty& target, const char* message) noexcept {
    target.Clear();
    ClearPlainValue(result.value);
    platform::CountedFree(result.error);
    result.error = message != nullptr ? DuplicateText(message) : nullptr;
    result.errorFlag = 1;
}

}  // namespace

bool ConvertToPlainValue(const BindingProperty& source, BindingPlainValue& target,
                         const BindingRegistry* registry) noexcept {
    std::memset(static_cast<void*>(&target), 0, sizeof(target));
    try {
        std::vector<ToPlainPair> pending{{&source, &target}};
        while (!pending.empty()) {
            ToPlainPair pair = pending.back();
            pending.pop_back();
            if (!FillPlain(*pair.source, *pair.target, registry, pending)) {
                ClearPlainValue(target);
                return false;
            }
        }
        return true;
    } catch (...) {
        ClearPlainValue(target);
        return false;
    }
}

bool ConvertFromPlainValue(BindingPlainResult& result, BindingProperty& target, const BindingPlainValue& source,
                           std::string_view name) noexcept {
    std::string message;
    try {
        uint32_t badKind = 0;
        std::vector<FromPlainPair> pending{{&source, &target}};
        while (!pending.empty()) {
            FromPlainPair pair = pending.back();
            pending.pop_back();
            if (!FillProperty(*pair.source, *pair.target, pending, badKind)) {
                message = FormatMessage(kIncompatibleType, name, BindingPlainKindName(badKind));
                ReportFailure(result, target, message.c_str());
                return false;
            }
        }
        return true;
    } catch (const std::exception& failure) {
        ReportFailure(result, target, failure.what());
    } catch (...) {
        ReportFailure(result, target, nullptr);
    }
    return false;
}

void ClearPlainValue(BindingPlainValue& value) noexcept { ReleasePlainValue(value, &platform::CountedFree); }

}  // namespace kor
