#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"

namespace kor::hostkit {

// Storage for plain records that the host lends to the plug-in for the length
// of one call (request arguments, event payloads). Strings are lent as kind 5
// and blobs as kind 7, so the plug-in never frees them; the arrays of kinds 9
// and 10 belong to the arena as well. Every record and text handed out stays
// valid, at the same address, until the arena is destroyed.
class PlainArena {
public:
    PlainArena() = default;
    PlainArena(const PlainArena&) = delete;
    PlainArena& operator=(const PlainArena&) = delete;

    // A plain record describing `value`, pointing into this arena.
    BindingPlainValue Encode(const HostValue& value);

    // A zero-terminated copy of `text` owned by the arena.
    const char* Keep(std::string_view text);

    // A copy of `bytes` owned by the arena; never null, even when empty.
    const uint8_t* Keep(const std::vector<uint8_t>& bytes);

    // Frees everything handed out so far; earlier records become invalid.
    void Clear();

private:
    BindingPlainValue EncodeItems(const HostValue::Items& items);
    BindingPlainValue EncodeMembers(const HostValue::Members& members);

    std::vector<std::unique_ptr<char[]>> texts_;
    std::vector<std::unique_ptr<uint8_t[]>> blobs_;
    std::vector<std::unique_ptr<BindingPlainValue[]>> itemArrays_;
    std::vector<std::unique_ptr<BindingPlainMember[]>> memberArrays_;
};

}  // namespace kor::hostkit
