#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"

namespace kor::hostkit {

// Plain records that outlive the call that produced them: the host's answers
// to the plug-in's outbound requests, which the plug-in reads after
// SendRequest returned and then hands back through the record's release
// function. Strings are kind 6 and blobs kind 8; every text, blob, array and
// member name is a separate malloc block, owned by the record.

// An owned plain copy of `value`. Throws std::bad_alloc when memory runs out
// (nothing is leaked) and std::length_error for a text, blob or array too
// large for a 32-bit count.
BindingPlainValue MakeOwnedPlainValue(const HostValue& value);

// Frees what MakeOwnedPlainValue allocated and zeroes the record. Parts the
// record does not own (kinds 5 and 7, member names with ownsName 0) are left
// alone, so it is also safe on a record mixing both.
void FreeOwnedPlainValue(BindingPlainValue* plain);

// `size` as a plain record's 32-bit length or count; throws
// std::length_error when it does not fit.
uint32_t PlainCountOf(std::size_t size);

}  // namespace kor::hostkit
