#pragma once

#include "binding/BindingConverter.h"
#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/BindingTypeDescriptor.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace kor {

// The parts of the vector conversions that do not depend on the element type.

// Checks the source of a vector conversion; true when its elements are to be
// converted. A failed result or a source that is not a collection (empty
// included) gives false, the latter with "...because the input not a
// collection.".
bool BeginVectorToNative(BindingResult& result, const BindingProperty& source, std::string_view fieldName);

// Makes result.value() a collection of `count` empty elements, ready to
// receive the converted native elements in order. False (with `result`
// failed) when the count is beyond what a collection can hold.
bool BeginVectorToProperty(BindingResult& result, std::size_t count);

// The type identifier of a vector's element: its kind and, for an enum or
// struct element, the descriptor the vector's identifier carries.
inline BindingTypeIdentifier ElementTypeOf(const BindingTypeIdentifier& vectorType) {
    return BindingTypeIdentifier{vectorType.elementKind, BindingTypeKind::None, vectorType.descriptor};
}

// std::vector<E> fields, converted element by element with the converter of
// E. The native vector is emptied first in every case, then sized to the
// collection (default elements); empty elements of the source are skipped
// and keep their default native element. Element errors name the vector's
// field.
template <class E>
class VectorConverter final : public BindingConverter {
public:
    explicit VectorConverter(std::unique_ptr<BindingConverter> element) : element_(std::move(element)) {}

    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override {
        auto& elements = *static_cast<std::vector<E>*>(target);
        elements.clear();
        if (!BeginVectorToNative(result, source, fieldName)) return;
        const std::span<const BindingProperty> items = source.Elements();
        elements.resize(items.size());
        const BindingTypeIdentifier elementType = ElementTypeOf(type);
        for (std::size_t index = 0; index < items.size() && result.ok(); ++index) {
            if (items[index].IsEmpty()) continue;
            if constexpr (std::is_same_v<E, bool>) {
                bool value = false;  // std::vector<bool> has no element addresses
                element_->ToNative(result, &value, items[index], fieldName, elementType, registry);
                elements[index] = value;
            } else {
                element_->ToNative(result, &elements[index], items[index], fieldName, elementType, registry);
            }
        }
    }

    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override {
        if (!result.ok()) return;
        const auto& elements = *static_cast<const std::vector<E>*>(source);
        BindingResult collection;
        if (!BeginVectorToProperty(collection, elements.size())) {
            result.SetFailure(collection.ErrorText());
            return;
        }
        const BindingTypeIdentifier elementType = ElementTypeOf(type);
        std::span<BindingProperty> items = collection.value().ElementsForWrite();
        for (std::size_t index = 0; index < elements.size(); ++index) {
            BindingResult item;
            if constexpr (std::is_same_v<E, bool>) {
                const bool value = elements[index];
                element_->ToProperty(item, &value, elementType, registry);
            } else {
                element_->ToProperty(item, &elements[index], elementType, registry);
            }
            if (!item.ok()) {
                result.SetFailure(item.ErrorText());
                return;
            }
            items[index] = std::move(item.value());
        }
        result.value() = std::move(collection.value());
    }

private:
    std::unique_ptr<BindingConverter> element_;
};

}  // namespace kor
