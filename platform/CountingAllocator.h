#pragma once

#include <cstddef>
#include <cstdint>

namespace kor::platform {

// The plug-in's own general allocator: malloc semantics underneath, with six
// process-wide counters of what went through it. Everything the plug-in
// allocates for itself and for the host (plain values, response texts, and
// inside the shared library its C++ allocations) comes from here, so the
// memory statistics the host asks for describe the plug-in alone.
//
// Each counter update is an atomic 64-bit operation. After every allocation,
// reallocation and text duplication the peak is refreshed: when the bytes in
// use exceed the recorded peak, the peak takes that value and the blocks at
// peak take the blocks in use. The refresh reads, then stores, without a
// compare loop, so under contention the peak is a close figure, not an exact
// one; the four running totals are always exact.

struct MemoryCounters {
    uint64_t peakBytes = 0;       // bytes in use at the peak
    uint64_t blocksAtPeak = 0;    // blocks in use when the byte peak was reached
    uint64_t bytesAllocated = 0;  // running total
    uint64_t allocations = 0;
    uint64_t bytesFreed = 0;
    uint64_t frees = 0;
};

// A block of at least `size` bytes (a request of 0 gives a unique block), or
// null when memory runs out. Counts the block's usable size.
void* CountedAllocate(std::size_t size) noexcept;
// A zero-filled block for `count` elements of `size` bytes; null on
// overflow or when memory runs out.
void* CountedAllocateZeroed(std::size_t count, std::size_t size) noexcept;
// Gives back a block of this allocator; null does nothing and counts nothing.
void CountedFree(void* block) noexcept;
// Resizes `block` (null: allocates); counted as a free of the old block and
// an allocation of the new one. On failure null is returned, the old block
// stays valid and nothing is counted.
void* CountedReallocate(void* block, std::size_t size) noexcept;
// A copy of the zero-terminated `text` (null gives null).
char* CountedDuplicateText(const char* text) noexcept;
// The usable size of a block of this allocator; 0 for null.
std::size_t CountedBlockSize(const void* block) noexcept;

// A snapshot of the six counters.
MemoryCounters ReadMemoryCounters() noexcept;

// Test-only: sets every counter to 0.
void ResetMemoryCountersForTesting() noexcept;

}  // namespace kor::platform
