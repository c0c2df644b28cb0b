#include "platform/CountingAllocator.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kor::platform {
namespace {

// Constant-initialised, so they are ready before any static constructor of
// the library allocates.
std::atomic<uint64_t> gPeakBytes{0};
std::atomic<uint64_t> gBlocksAtPeak{0};
std::atomic<uint64_t> gBytesAllocated{0};
std::atomic<uint64_t> gAllocations{0};
std::atomic<uint64_t> gBytesFreed{0};
std::atomic<uint64_t> gFrees{0};

// The freed totals are read before the allocated ones: a block is counted
// as allocated before it can be counted as freed, so this order never sees
// more freed than allocated, and the differences cannot wrap around.
void RefreshPeak() noexcept {
    const uint64_t freed = gBytesFreed.load();
    const uint64_t inUse = gBytesAllocated.load() - freed;
    if (inUse > gPeakBytes.load()) {
        const uint64_t frees = gFrees.load();
        gPeakBytes.store(inUse);
        gBlocksAtPeak.store(gAllocations.load() - frees);
    }
}

// The usable size of a block of the C heap. Takes the block as non-const:
// only its size is read, never its contents.
std::size_t UsableSize(void* block) noexcept {
#if defined(_WIN32)
    return _msize(block);
#else
    return malloc_usable_size(block);
#endif
}

void CountAllocation(void* block) noexcept {
    gBytesAllocated.fetch_add(UsableSize(block));
    gAllocations.fetch_add(1);
}

void CountFree(std::size_t size) noexcept {
    gBytesFreed.fetch_add(size);
    gFrees.fetch_add(1);
}

}  // namespace

void* CountedAllocate(std::size_t size) noexcept {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) return nullptr;
    CountAllocation(block);
    RefreshPeak();
    return block;
}

void* CountedAllocateZeroed(std::size_t count, std::size_t size) noexcept {
    if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) return nullptr;
    const std::size_t bytes = count * size;
    void* block = CountedAllocate(bytes);
    if (block != nullptr) std::memset(block, 0, bytes);
    return block;
}

void CountedFree(void* block) noexcept {
    if (block == nullptr) return;
    CountFree(UsableSize(block));
    std::free(block);
}

void* CountedReallocate(void* block, std::size_t size) noexcept {
    if (block == nullptr) return CountedAllocate(size);
    const std::size_t oldSize = UsableSize(block);
    // A size of 0 would let realloc free the block and answer null, which a
    // caller cannot tell from a failure.
    void* resized = std::realloc(block, size == 0 ? 1 : size);
    if (resized == nullptr) return nullptr;
    CountFree(oldSize);
    CountAllocation(resized);
    RefreshPeak();
    return resized;
}

char* CountedDuplicateText(const char* text) noexcept {
    if (text == nullptr) return nullptr;
    const std::size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text, length + 1);
    CountAllocation(copy);
    RefreshPeak();
    return copy;
}

std::size_t CountedBlockSize(const void* block) noexcept {
    return block != nullptr ? UsableSize(const_cast<void*>(block)) : 0;
}

MemoryCounters ReadMemoryCounters() noexcept {
    MemoryCounters counters;
    counters.peakBytes = gPeakBytes.load();
    counters.blocksAtPeak = gBlocksAtPeak.load();
    counters.bytesAllocated = gBytesAllocated.load();
    counters.allocations = gAllocations.load();
    counters.bytesFreed = gBytesFreed.load();
    counters.frees = gFrees.load();
    return counters;
}

void ResetMemoryCountersForTesting() noexcept {
    gPeakBytes.store(0);
    gBlocksAtPeak.store(0);
    gBytesAllocated.store(0);
    gAllocations.store(0);
    gBytesFreed.store(0);
    gFrees.store(0);
}

}  // namespace kor::platform
