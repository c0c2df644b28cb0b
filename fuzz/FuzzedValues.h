#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "tools/hostkit/HostValue.h"

namespace kor::fuzz {

// A host value tree drawn from fuzzed bytes: every kind, nesting at most
// `depth` levels, member names either fuzzed or taken from the names the
// service reads, so that the interesting shapes come up often.
hostkit::HostValue ConsumeHostValue(FuzzedDataProvider& input, int depth = 4);

// A short text: one of `known` (when not empty) or fuzzed bytes.
std::string ConsumeName(FuzzedDataProvider& input);

}  // namespace kor::fuzz
