#include "binding/BlobConverter.h"

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/ConversionFailures.h"

namespace kor {

void ConvertToBlob(BindingResult& result, std::vector<uint8_t>& target, const BindingProperty& source,
                   std::string_view fieldName) {
    target.clear();
    if (!result.ok()) return;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return;
        case BindingPropertyKind::Blob: {
            const std::span<const uint8_t> bytes = source.GetBlob();
            target.assign(bytes.begin(), bytes.end());
            return;
        }
        default:
            FailInvalidType(result, fieldName, "blob", source.kind());
            return;
    }
}

void BlobConverter::ToNative(BindingResult& result, void* target, const BindingProperty& source,
                             std::string_view fieldName, const BindingTypeIdentifier&, const BindingRegistry*) const {
    ConvertToBlob(result, *static_cast<std::vector<uint8_t>*>(target), source, fieldName);
}

void BlobConverter::ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier&,
                               const BindingRegistry*) const {
    if (!result.ok()) return;
    result.value().SetBlob(std::span<const uint8_t>(*static_cast<const std::vector<uint8_t>*>(source)));
}

}  // namespace kor
