#include "binding/PageSource.h"

#include "platform/PageMemory.h"

#include <bit>
#include <new>

// GCC says it builds with AddressSanitizer through a macro, clang through
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define KOR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOR_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(KOR_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace kor {
namespace {

constexpr uint16_t kAllPagesFree = 0xFFFF;
static_assert(PageSource::kPagesPerBlock == 16, "the free mask holds one bit per page");

// A free page of a block that other pages keep committed is poisoned, so a
// value reaching into a page its tree gave back is reported like any use
// after free (it would fault only once the whole block is unmapped). A block
// is unpoisoned before it goes back, since its range may be mapped again for
// anything else.
//
// Values in pool pages may hold the only pointer to heap memory (the bytes
// of a blob), and LeakSanitizer scans the heap, stacks and globals but not
// memory mapped by hand: a committed block is a root region of its scans, or
// the bytes of every blob in a live tree would be reported as leaked. A tree
// that is itself lost keeps its pages, which the page counts show.
#if defined(KOR_ADDRESS_SANITIZER)
void Poison(uintptr_t address, std::size_t bytes) { ASAN_POISON_MEMORY_REGION(reinterpret_cast<void*>(address), bytes); }
void Unpoison(uintptr_t address, std::size_t bytes) {
    ASAN_UNPOISON_MEMORY_REGION(reinterpret_cast<void*>(address), bytes);
}
void ScanForLeaks(uintptr_t base, std::size_t bytes) {
    __lsan_register_root_region(reinterpret_cast<const void*>(base), bytes);
}
void StopScanningForLeaks(uintptr_t base, std::size_t bytes) {
    __lsan_unregister_root_region(reinterpret_cast<const void*>(base), bytes);
}
#else
void Poison(uintptr_t, std::size_t) {}
void Unpoison(uintptr_t, std::size_t) {}
void ScanForLeaks(uintptr_t, std::size_t) {}
void StopScanningForLeaks(uintptr_t, std::size_t) {}
#endif

}  // namespace

PageSource& PageSource::Instance() {
    // Deliberately never destroyed: trees held by other static objects may
    // release their pages after static destructors have started.
    static PageSource* const source = new PageSource();
    return *source;
}

void* PageSource::AcquirePage() noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    Block* block = partial_ != nullptr ? partial_ : CommitBlock();
    if (block == nullptr) return nullptr;
    int index = std::countr_zero(block->freeMask);
    block->freeMask = static_cast<uint16_t>(block->freeMask & ~(1u << index));
    if (block->freeMask == 0) UnlinkPartial(block);
    ++pagesInUse_;
    const uintptr_t page = block->base + static_cast<uintptr_t>(index) * kPageSize;
    Unpoison(page, kPageSize);
    return reinterpret_cast<void*>(page);
}

void PageSource::ReleasePage(void* page) noexcept {
    if (page == nullptr) return;
    std::lock_guard<std::mutex> lock(mutex_);
    auto address = reinterpret_cast<uintptr_t>(page);
    auto it = blocks_.upper_bound(address);
    if (it == blocks_.begin()) return;  // not one of ours
    --it;
    Block& block = it->second;
    if (address - block.base >= kBlockSize) return;
    auto index = static_cast<unsigned>((address - block.base) / kPageSize);
    uint16_t bit = static_cast<uint16_t>(1u << index);
    if ((block.freeMask & bit) != 0) return;  // already free
    bool wasFull = block.freeMask == 0;
    block.freeMask = static_cast<uint16_t>(block.freeMask | bit);
    --pagesInUse_;
    Poison(address, kPageSize);
    if (wasFull) LinkPartial(&block);
    if (block.freeMask == kAllPagesFree) {
        UnlinkPartial(&block);
        Unpoison(block.base, kBlockSize);
        StopScanningForLeaks(block.base, kBlockSize);
        platform::ReleasePages(reinterpret_cast<void*>(block.base), kBlockSize);
        blocks_.erase(it);
    }
}

std::size_t PageSource::PagesInUse() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pagesInUse_;
}

std::size_t PageSource::BlocksCommitted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.size();
}

PageSource::Block* PageSource::CommitBlock() noexcept {
    void* memory = platform::ReserveAndCommitPages(kBlockSize);
    if (memory == nullptr) return nullptr;
    auto base = reinterpret_cast<uintptr_t>(memory);
    try {
        Block& block = blocks_[base];
        block.base = base;
        block.freeMask = kAllPagesFree;
        LinkPartial(&block);
        Poison(base, kBlockSize);
        ScanForLeaks(base, kBlockSize);
        return &block;
    } catch (const std::bad_alloc&) {
        platform::ReleasePages(memory, kBlockSize);
        return nullptr;
    }
}

void PageSource::LinkPartial(Block* block) noexcept {
    block->previousPartial = nullptr;
    block->nextPartial = partial_;
    if (partial_ != nullptr) partial_->previousPartial = block;
    partial_ = block;
}

void PageSource::UnlinkPartial(Block* block) noexcept {
    if (block->previousPartial != nullptr) {
        block->previousPartial->nextPartial = block->nextPartial;
    } else {
        partial_ = block->nextPartial;
    }
    if (block->nextPartial != nullptr) block->nextPartial->previousPartial = block->previousPartial;
    block->previousPartial = nullptr;
    block->nextPartial = nullptr;
}

}  // namespace kor
