#include "tools/hostkit/OwnedPlainValue.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "abi/PlainValue.h"

namespace kor::hostkit {
namespace {

uint32_t Code(BindingPlainKind kind) { return static_cast<uint32_t>(kind); }

void* Allocate(std::size_t bytes) {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

char* CopyText(const std::string& text) {
    char* copy = static_cast<char*>(Allocate(text.size() + 1));
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

// Fills `plain` (zero on entry) in place, so that whatever was allocated
// before a failure is reachable from it and freed by the caller.
void Fill(BindingPlainValue& plain, const HostValue& value) {
    switch (value.kind()) {
        case HostValue::Kind::Empty: return;
        case HostValue::Kind::Bool:
            plain.kind = Code(BindingPlainKind::Bool);
            plain.payload.boolValue = *value.AsBool() ? 1 : 0;
            return;
        case HostValue::Kind::Signed:
            plain.kind = Code(BindingPlainKind::Signed);
            plain.payload.signedValue = *value.AsSigned();
            return;
        case HostValue::Kind::Unsigned:
            plain.kind = Code(BindingPlainKind::Unsigned);
            plain.payload.unsignedValue = *value.AsUnsigned();
            return;
        case HostValue::Kind::Float:
            plain.kind = Code(BindingPlainKind::Float);
            plain.payload.floatValue = *value.AsFloat();
            return;
        case HostValue::Kind::String: {
            const std::string& text = *value.AsString();
            uint32_t length = PlainCountOf(text.size());
            plain.payload.string.text = CopyText(text);
            plain.payload.string.length = length;
            plain.kind = Code(BindingPlainKind::OwnedString);
            return;
        }
        case HostValue::Kind::Blob: {
            const HostValue::Bytes& bytes = *value.AsBlob();
            uint32_t size = PlainCountOf(bytes.size());
            uint8_t* copy = static_cast<uint8_t*>(Allocate(bytes.size()));
            if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
            plain.payload.blob.data = copy;
            plain.payload.blob.size = size;
            plain.kind = Code(BindingPlainKind::OwnedBlob);
            return;
        }
        case HostValue::Kind::Collection: {
            const HostValue::Items& items = *value.AsItems();
            uint32_t count = PlainCountOf(items.size());
            plain.kind = Code(BindingPlainKind::Collection);
            if (count == 0) return;
            plain.payload.collection.items = static_cast<BindingPlainValue*>(Allocate(count * sizeof(BindingPlainValue)));
            plain.payload.collection.count = count;
            for (uint32_t i = 0; i < count; ++i) Fill(plain.payload.collection.items[i], items[i]);
            return;
        }
        case HostValue::Kind::Structure: {
            const HostValue::Members& members = *value.AsMembers();
            uint32_t count = PlainCountOf(members.size());
            plain.kind = Code(BindingPlainKind::Structure);
            if (count == 0) return;
            plain.payload.structure.members = static_cast<BindingPlainMember*>(Allocate(count * sizeof(BindingPlainMember)));
            plain.payload.structure.count = count;
            for (uint32_t i = 0; i < count; ++i) {
                BindingPlainMember& member = plain.payload.structure.members[i];
                member.name = CopyText(members[i].name);
                member.ownsName = 1;
                Fill(member.value, members[i].value);
            }
            return;
        }
    }
}

}  // namespace

uint32_t PlainCountOf(std::size_t size) {
    if (size > UINT32_MAX) throw std::length_error("value too large for a plain record");
    return static_cast<uint32_t>(size);
}

BindingPlainValue MakeOwnedPlainValue(const HostValue& value) {
    BindingPlainValue plain;
    std::memset(&plain, 0, sizeof plain);
    try {
        Fill(plain, value);
    } catch (...) {
        FreeOwnedPlainValue(&plain);
        throw;
    }
    return plain;
}

void FreeOwnedPlainValue(BindingPlainValue* plain) {
    if (plain != nullptr) ReleasePlainValue(*plain, [](void* block) { std::free(block); });
}

}  // namespace kor::hostkit
