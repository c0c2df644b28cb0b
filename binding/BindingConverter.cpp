#include "binding/BindingConverter.h"

#include "binding/BlobConverter.h"
#include "binding/EnumConverter.h"
#include "binding/ObjectConverter.h"
#include "binding/ScalarConverters.h"
#include "binding/StringConverter.h"
#include "binding/StructConverter.h"
#include "binding/VectorConverter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kor {
namespace {

// A signed enumeration as wide as its descriptor says (4 bytes without one).
BindingEnumStorage EnumStorageOf(const BindingTypeDescriptor* descriptor) {
    BindingEnumStorage storage;
    if (descriptor != nullptr && (descriptor->size == 1 || descriptor->size == 2 || descriptor->size == 8)) {
        storage.size = static_cast<uint8_t>(descriptor->size);
    }
    return storage;
}

template <class E>
std::unique_ptr<BindingConverter> MakeVector(BindingTypeKind elementKind) {
    return std::make_unique<VectorConverter<E>>(MakeBindingConverter(BindingTypeIdentifier{elementKind}));
}

std::unique_ptr<BindingConverter> MakeVectorConverter(BindingTypeKind elementKind) {
    switch (elementKind) {
        case BindingTypeKind::Bool:
            return MakeVector<bool>(elementKind);
        case BindingTypeKind::Int8:
            return MakeVector<int8_t>(elementKind);
        case BindingTypeKind::UInt8:
            return MakeVector<uint8_t>(elementKind);
        case BindingTypeKind::Int16:
            return MakeVector<int16_t>(elementKind);
        case BindingTypeKind::UInt16:
            return MakeVector<uint16_t>(elementKind);
        case BindingTypeKind::Int32:
            return MakeVector<int32_t>(elementKind);
        case BindingTypeKind::UInt32:
            return MakeVector<uint32_t>(elementKind);
        case BindingTypeKind::Int64:
            return MakeVector<int64_t>(elementKind);
        case BindingTypeKind::UInt64:
            return MakeVector<uint64_t>(elementKind);
        case BindingTypeKind::Float:
            return MakeVector<float>(elementKind);
        case BindingTypeKind::Double:
            return MakeVector<double>(elementKind);
        case BindingTypeKind::String:
            return MakeVector<std::string>(elementKind);
        case BindingTypeKind::Object:
            return MakeVector<BindingProperty>(elementKind);
        case BindingTypeKind::Blob:
            return MakeVector<std::vector<uint8_t>>(elementKind);
        default:
            return nullptr;
    }
}

}  // namespace

std::unique_ptr<BindingConverter> MakeBindingConverter(const BindingTypeIdentifier& type) {
    switch (type.kind) {
        case BindingTypeKind::Bool:
            return std::make_unique<BoolConverter>();
        case BindingTypeKind::Int8:
            return std::make_unique<IntegerConverter<int8_t>>();
        case BindingTypeKind::UInt8:
            return std::make_unique<IntegerConverter<uint8_t>>();
        case BindingTypeKind::Int16:
            return std::make_unique<IntegerConverter<int16_t>>();
        case BindingTypeKind::UInt16:
            return std::make_unique<IntegerConverter<uint16_t>>();
        case BindingTypeKind::Int32:
            return std::make_unique<IntegerConverter<int32_t>>();
        case BindingTypeKind::UInt32:
            return std::make_unique<IntegerConverter<uint32_t>>();
        case BindingTypeKind::Int64:
            return std::make_unique<IntegerConverter<int64_t>>();
        case BindingTypeKind::UInt64:
            return std::make_unique<IntegerConverter<uint64_t>>();
        case BindingTypeKind::Float:
            return std::make_unique<FloatingConverter<float>>();
        case BindingTypeKind::Double:
            return std::make_unique<FloatingConverter<double>>();
        case BindingTypeKind::String:
            return std::make_unique<StringConverter>();
        case BindingTypeKind::Object:
            return std::make_unique<ObjectConverter>();
        case BindingTypeKind::Blob:
            return std::make_unique<BlobConverter>();
        case BindingTypeKind::Enum:
            return std::make_unique<EnumConverter>(EnumStorageOf(type.descriptor));
        case BindingTypeKind::Struct:
            return std::make_unique<StructConverter>();
        case BindingTypeKind::Vector:
            return MakeVectorConverter(type.elementKind);
        default:
            return nullptr;
    }
}

}  // namespace kor
