#include "binding/EnumConverter.h"

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/BindingTypeDescriptor.h"
#include "binding/ConversionFailures.h"
#include "binding/ScalarConverters.h"

#include <cstring>
#include <limits>
#include <type_traits>

namespace kor {
namespace {

constexpr std::string_view kNotAnEnumerator = "%1 is not a valid %2 enumeration value for '%3'.";
constexpr std::string_view kInvalidType =
    "Couldn't assign value to '%1' of enum type because the input is of an invalid type %2.";
constexpr std::string_view kUnregisteredTarget =
    "Couldn't assign value to '%1' because its enumeration type is not registered.";
constexpr std::string_view kUnregisteredSource = "Couldn't convert native value because it's an unregistered enumeration.";

// Whether `number` is the number of an enumerator. Numbers outside 32 bits
// never are (they must not wrap around onto one that is).
bool IsEnumerator(const BindingTypeDescriptor& enumeration, int64_t number) {
    return number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max() &&
           enumeration.IsValidEnumerator(static_cast<int32_t>(number));
}

void FailNotAnEnumerator(BindingResult& result, const FormatArgument& value, const BindingTypeDescriptor& enumeration,
                         std::string_view fieldName) {
    const FormatArgument args[] = {value, FormatArgument(enumeration.name), FormatArgument(fieldName)};
    result.SetFailure(FormatMessageArgs(kNotAnEnumerator, args, 3));
}

// A text names an enumerator, or else holds its number.
int32_t TextToEnum(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                   const BindingTypeDescriptor& enumeration) {
    const std::string_view text = source.GetString();
    if (const BindingEnumerator* named = enumeration.FindEnumerator(text)) return named->number;
    BindingResult parsed;
    const int64_t number = ConvertToSigned(parsed, source, fieldName, std::numeric_limits<int64_t>::min(),
                                           std::numeric_limits<int64_t>::max(), enumeration.name);
    if (parsed.ok() && IsEnumerator(enumeration, number)) return static_cast<int32_t>(number);
    FailNotAnEnumerator(result, text, enumeration, fieldName);
    return 0;
}

template <class Number>
int32_t NumberToEnum(BindingResult& result, Number number, std::string_view fieldName,
                     const BindingTypeDescriptor& enumeration) {
    bool fits = true;
    if constexpr (std::is_unsigned_v<Number>) fits = number <= uint64_t{std::numeric_limits<int32_t>::max()};
    if (fits && IsEnumerator(enumeration, static_cast<int64_t>(number))) return static_cast<int32_t>(number);
    FailNotAnEnumerator(result, number, enumeration, fieldName);
    return 0;
}

template <class T>
void Store(void* target, int64_t number) {
    const T value = static_cast<T>(number);
    std::memcpy(target, &value, sizeof(T));
}

template <class T>
int64_t Load(const void* source) {
    T value;
    std::memcpy(&value, source, sizeof(T));
    return static_cast<int64_t>(value);
}

void StoreEnum(void* target, BindingEnumStorage storage, int32_t number) {
    switch (storage.size) {
        case 1:
            storage.isSigned ? Store<int8_t>(target, number) : Store<uint8_t>(target, number);
            break;
        case 2:
            storage.isSigned ? Store<int16_t>(target, number) : Store<uint16_t>(target, number);
            break;
        case 8:
            storage.isSigned ? Store<int64_t>(target, number) : Store<uint64_t>(target, number);
            break;
        default:
            storage.isSigned ? Store<int32_t>(target, number) : Store<uint32_t>(target, number);
            break;
    }
}

int64_t LoadEnum(const void* source, BindingEnumStorage storage) {
    switch (storage.size) {
        case 1:
            return storage.isSigned ? Load<int8_t>(source) : Load<uint8_t>(source);
        case 2:
            return storage.isSigned ? Load<int16_t>(source) : Load<uint16_t>(source);
        case 8:
            return storage.isSigned ? Load<int64_t>(source) : static_cast<int64_t>(Load<uint64_t>(source));
        default:
            return storage.isSigned ? Load<int32_t>(source) : Load<uint32_t>(source);
    }
}

}  // namespace

int32_t ConvertToEnum(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                      const BindingTypeDescriptor* enumeration) {
    if (!result.ok()) return 0;
    if (source.IsEmpty()) {
        FailValueRequired(result, fieldName);
        return 0;
    }
    if (enumeration == nullptr) {
        result.SetFailure(FormatMessage(kUnregisteredTarget, fieldName));
        return 0;
    }
    switch (source.kind()) {
        case BindingPropertyKind::Signed:
            return NumberToEnum(result, source.GetSigned(), fieldName, *enumeration);
        case BindingPropertyKind::Unsigned:
            return NumberToEnum(result, source.GetUnsigned(), fieldName, *enumeration);
        case BindingPropertyKind::Enum:
            return NumberToEnum(result, int64_t{source.GetEnum().number}, fieldName, *enumeration);
        case BindingPropertyKind::String:
            return TextToEnum(result, source, fieldName, *enumeration);
        default:
            result.SetFailure(FormatMessage(kInvalidType, fieldName, BindingPropertyKindName(source.kind())));
            return 0;
    }
}

void EnumConverter::ToNative(BindingResult& result, void* target, const BindingProperty& source,
                             std::string_view fieldName, const BindingTypeIdentifier& type,
                             const BindingRegistry*) const {
    if (!result.ok()) return;
    StoreEnum(target, storage_, ConvertToEnum(result, source, fieldName, type.descriptor));
}

void EnumConverter::ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                               const BindingRegistry*) const {
    if (!result.ok()) return;
    if (type.descriptor == nullptr || type.descriptor->typeId == nullptr) {
        result.SetFailure(kUnregisteredSource);
        return;
    }
    // Enumerator numbers are 32-bit; a wider native value keeps its low word.
    const auto number = static_cast<int32_t>(LoadEnum(source, storage_));
    result.value().SetEnum(number, *type.descriptor->typeId);
}

}  // namespace kor
