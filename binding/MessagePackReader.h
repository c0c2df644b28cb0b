#pragma once

#include "binding/BindingResult.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kor {

// The outcome of decoding one MessagePack value, and how many bytes of the
// input it took (so that a caller can reject trailing data).
struct MessagePackDecoding {
    BindingResult result;
    std::size_t bytesConsumed = 0;
};

// Decodes the first MessagePack value of `bytes`, without recursion:
// - positive and negative fixints and int 8-64 are signed, uint 8-64
//   unsigned, float 32/64 float, nil the empty value, str a string (full
//   length), bin a blob, array a collection, map a structure;
// - map keys must be strings; a repeated key replaces an earlier scalar,
//   concatenates two arrays and merges two maps;
// - extension types (ext, fixext) and 0xC1 are errors.
// An empty input is the empty value, ok, 0 bytes consumed. Decoding stops
// after the first complete value; bytesConsumed is the position reached
// (also when decoding failed).
//
// Errors fail the result with "Invalid MessagePack data..." messages that
// name the position. Input that ends inside a value fails: a number,
// length, text or blob cut short says what was cut and where it starts, and
// an array or map with missing items says "Array of size <n> at position
// <p> is truncated." (or "Map ..."), <p> being where its header starts. Counts
// announced in headers size no reservation beyond what the remaining bytes
// could hold, taken over all open arrays together (nested headers cannot
// each claim the same rest of the input), and containers nest at most
// kMaxNestingDepth deep (BindingTreeBuilder.h).
//
// Never throws for malformed input; only std::bad_alloc escapes.
MessagePackDecoding ReadMessagePack(std::span<const uint8_t> bytes);

}  // namespace kor
