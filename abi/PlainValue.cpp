#include "abi/PlainValue.h"

#include <array>
#include <cstring>
#include <vector>

namespace kor {
namespace {

uint32_t KindCode(BindingPlainKind kind) { return static_cast<uint32_t>(kind); }

bool IsContainer(uint32_t kind) {
    return kind == KindCode(BindingPlainKind::Collection) || kind == KindCode(BindingPlainKind::Structure);
}

void FreeLeaf(const BindingPlainValue& value, PlainFreeFn release) noexcept {
    if (value.kind == KindCode(BindingPlainKind::OwnedString)) {
        release(const_cast<char*>(value.payload.string.text));
    } else if (value.kind == KindCode(BindingPlainKind::OwnedBlob)) {
        release(const_cast<uint8_t*>(value.payload.blob.data));
    }
}

void FreeContainer(const BindingPlainValue& value, PlainFreeFn release,
                   std::vector<BindingPlainValue>* pending) noexcept;

// Queues a child container, or frees it on the spot (recursively) in the
// unlikely case that the queue cannot grow.
void ReleaseChild(const BindingPlainValue& child, PlainFreeFn release,
                  std::vector<BindingPlainValue>* pending) noexcept {
    if (!IsContainer(child.kind)) {
        FreeLeaf(child, release);
        return;
    }
    if (pending != nullptr) {
        try {
            pending->push_back(child);
            return;
        } catch (...) {
        }
    }
    FreeContainer(child, release, nullptr);
}

void FreeContainer(const BindingPlainValue& value, PlainFreeFn release,
                   std::vector<BindingPlainValue>* pending) noexcept {
    if (value.kind == KindCode(BindingPlainKind::Collection)) {
        BindingPlainValue* items = value.payload.collection.items;
        if (items == nullptr) return;
        for (uint32_t index = 0; index < value.payload.collection.count; ++index) {
            ReleaseChild(items[index], release, pending);
        }
        release(items);
    } else {
        BindingPlainMember* members = value.payload.structure.members;
        if (members == nullptr) return;
        for (uint32_t index = 0; index < value.payload.structure.count; ++index) {
            if (members[index].ownsName != 0) release(const_cast<char*>(members[index].name));
            ReleaseChild(members[index].value, release, pending);
        }
        release(members);
    }
}

}  // namespace

std::string_view BindingPlainKindName(uint32_t kind) {
    static constexpr std::array<std::string_view, 11> kNames = {
        "", "bool", "signed", "unsigned", "float", "string", "string", "blob", "blob", "collection", "structure",
    };
    return kind < kNames.size() ? kNames[kind] : std::string_view();
}

void ReleasePlainValue(BindingPlainValue& value, PlainFreeFn release) noexcept {
    if (IsContainer(value.kind)) {
        std::vector<BindingPlainValue> pending;
        FreeContainer(value, release, &pending);
        while (!pending.empty()) {
            BindingPlainValue next = pending.back();
            pending.pop_back();
            FreeContainer(next, release, &pending);
        }
    } else {
        FreeLeaf(value, release);
    }
    std::memset(static_cast<void*>(&value), 0, sizeof(value));
}

void ReleaseResponseRecord(PluginResponse* response, PlainFreeFn release) noexcept {
    if (response == nullptr) return;
    ReleasePlainValue(response->value, release);
    if (response->errorFlag != 0) release(response->error);
    if (response->statusMessage != nullptr && response->statusMessage[0] != '\0') release(response->statusMessage);
    if (response->headers != nullptr) {
        for (uint32_t index = 0; index < response->headerCount; ++index) {
            release(const_cast<char*>(response->headers[index].name));
            release(const_cast<char*>(response->headers[index].value));
        }
        release(response->headers);
    }
    std::memset(static_cast<void*>(response), 0, sizeof *response);
}

}  // namespace kor
