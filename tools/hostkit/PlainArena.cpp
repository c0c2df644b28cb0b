#include "tools/hostkit/PlainArena.h"

#include <cstring>

#include "abi/PlainValue.h"
#include "tools/hostkit/OwnedPlainValue.h"

namespace kor::hostkit {
namespace {

BindingPlainValue Zeroed(BindingPlainKind kind) {
    BindingPlainValue plain;
    std::memset(&plain, 0, sizeof plain);
    plain.kind = static_cast<uint32_t>(kind);
    return plain;
}

}  // namespace

const char* PlainArena::Keep(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    texts_.push_back(std::move(copy));
    return texts_.back().get();
}

const uint8_t* PlainArena::Keep(const std::vector<uint8_t>& bytes) {
    auto copy = std::make_unique<uint8_t[]>(bytes.empty() ? 1 : bytes.size());
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    blobs_.push_back(std::move(copy));
    return blobs_.back().get();
}

void PlainArena::Clear() {
    texts_.clear();
    blobs_.clear();
    itemArrays_.clear();
    memberArrays_.clear();
}

BindingPlainValue PlainArena::Encode(const HostValue& value) {
    switch (value.kind()) {
        case HostValue::Kind::Empty: return Zeroed(BindingPlainKind::Empty);
        case HostValue::Kind::Bool: {
            BindingPlainValue plain = Zeroed(BindingPlainKind::Bool);
            plain.payload.boolValue = *value.AsBool() ? 1 : 0;
            return plain;
        }
        case HostValue::Kind::Signed: {
            BindingPlainValue plain = Zeroed(BindingPlainKind::Signed);
            plain.payload.signedValue = *value.AsSigned();
            return plain;
        }
        case HostValue::Kind::Unsigned: {
            BindingPlainValue plain = Zeroed(BindingPlainKind::Unsigned);
            plain.payload.unsignedValue = *value.AsUnsigned();
            return plain;
        }
        case HostValue::Kind::Float: {
            BindingPlainValue plain = Zeroed(BindingPlainKind::Float);
            plain.payload.floatValue = *value.AsFloat();
            return plain;
        }
        case HostValue::Kind::String: {
            const std::string& text = *value.AsString();
            BindingPlainValue plain = Zeroed(BindingPlainKind::BorrowedString);
            plain.payload.string.length = PlainCountOf(text.size());
            plain.payload.string.text = Keep(text);
            return plain;
        }
        case HostValue::Kind::Blob: {
            const HostValue::Bytes& bytes = *value.AsBlob();
            BindingPlainValue plain = Zeroed(BindingPlainKind::BorrowedBlob);
            plain.payload.blob.size = PlainCountOf(bytes.size());
            plain.payload.blob.data = Keep(bytes);
            return plain;
        }
        case HostValue::Kind::Collection: return EncodeItems(*value.AsItems());
        case HostValue::Kind::Structure: return EncodeMembers(*value.AsMembers());
    }
    return Zeroed(BindingPlainKind::Empty);
}

BindingPlainValue PlainArena::EncodeItems(const HostValue::Items& items) {
    BindingPlainValue plain = Zeroed(BindingPlainKind::Collection);
    plain.payload.collection.count = PlainCountOf(items.size());
    if (items.empty()) return plain;
    auto array = std::make_unique<BindingPlainValue[]>(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) array[i] = Encode(items[i]);
    plain.payload.collection.items = array.get();
    itemArrays_.push_back(std::move(array));
    return plain;
}

BindingPlainValue PlainArena::EncodeMembers(const HostValue::Members& members) {
    BindingPlainValue plain = Zeroed(BindingPlainKind::Structure);
    plain.payload.structure.count = PlainCountOf(members.size());
    if (members.empty()) return plain;
    auto array = std::make_unique<BindingPlainMember[]>(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        array[i].name = Keep(members[i].name);
        array[i].value = Encode(members[i].value);
        array[i].ownsName = 0;
    }
    plain.payload.structure.members = array.get();
    memberArrays_.push_back(std::move(array));
    return plain;
}

}  // namespace kor::hostkit
