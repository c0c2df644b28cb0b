#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz/FuzzCheck.h"
#include "support/TestHost.h"
#include "tools/hostkit/HostValue.h"

namespace kor::fuzz {

// The real game-settings plug-in, linked into the fuzz target and driven
// through its entry point, callbacks, function entries and event dispatch
// exactly as the host drives the library. Made once per process (never
// destroyed: its state carries from one input to the next, as in a host) in
// a fresh installation under $TMPDIR (or /tmp), with scripted host services,
// an account logged in and its settings loaded.
testing::TestHost& ServiceHost();

// A host value tree of every kind, nesting at most `depth` levels, member
// names often taken from those the service reads.
hostkit::HostValue ConsumeHostValue(FuzzedDataProvider& input, int depth = 4);
// A short text: a name the service reads, or fuzzed bytes.
std::string ConsumeName(FuzzedDataProvider& input);

}  // namespace kor::fuzz
