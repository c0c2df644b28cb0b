#pragma once

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"

namespace kor::hostkit {

// Reads a plain record the plug-in filled (kinds 0-10; strings 5/6, blobs
// 7/8, owned or not) into a host-owned tree. The record is not modified.
//
// A record written by the other side is not trusted: a null text, blob,
// element array, member array or member name with a non-zero count, a kind
// outside 0-10 or nesting deeper than kMaxPlainDepth (a cycle of pointers)
// gives a failure naming where in the tree it was found, never a crash.
// A string is read up to its first zero byte and never beyond its length.
Outcome<HostValue> ReadPlainValue(const BindingPlainValue& plain);

inline constexpr int kMaxPlainDepth = 512;

}  // namespace kor::hostkit
