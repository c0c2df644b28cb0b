#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace kor {

// A pool of equal slots of one size class (a multiple of 4 bytes, 4 to 72).
//
// A page is a run of slots preceded by a header {next and previous page of
// the pool, page size, used count, first free slot}; the header occupies the
// first slots of the page. Free slots form a list threaded through their
// first 16 bits (the index of the next free slot; 0 ends the list, since slot
// 0 always belongs to the header). The pool starts with one inline page of
// 144 bytes inside the pool itself, which it never gives back; further pages
// of 4096 bytes come from the process-wide PageSource and return to it as
// soon as their last slot is released. The inline page is laid out on the
// first allocation, so that a tree which never uses a size class pays nothing
// for it.
//
// Pages with a free slot are listed for allocation; full pages are listed
// apart, so that destroying the pool gives every page back without anyone
// releasing the slots one by one (a whole tree dies that way).
//
// Allocate and Release are inline: building and destroying a tree calls them
// once per value.
//
// Not synchronised: one pool belongs to one value tree.
class SmallBlockPool {
public:
    static constexpr std::size_t kInlinePageSize = 144;

    explicit SmallBlockPool(uint32_t slotSize);
    // Gives every 4096-byte page back to the page source, whether or not its
    // slots were released.
    ~SmallBlockPool();

    SmallBlockPool(const SmallBlockPool&) = delete;
    SmallBlockPool& operator=(const SmallBlockPool&) = delete;

    uint32_t slotSize() const { return slotSize_; }

    // A slot, or null when no page could be obtained. Never throws.
    void* Allocate() noexcept {
        PageHeader* page = withFreeSlots_ != nullptr ? withFreeSlots_ : AddPage();
        if (page == nullptr) return nullptr;
        auto* slot = reinterpret_cast<unsigned char*>(page) + std::size_t{page->firstFree} * slotSize_;
        Unpoison(slot, slotSize_);
        page->firstFree = ReadLink(slot);
        ++page->used;
        if (page->firstFree == 0) {
            Unlink(withFreeSlots_, page);
            PushFront(full_, page);
        }
        return slot;
    }

    // Gives back a slot obtained from Allocate of this pool.
    void Release(void* slot) noexcept {
        PageHeader* page = PageOf(slot);
        auto* bytes = static_cast<unsigned char*>(slot);
        const auto offset = static_cast<uint64_t>(bytes - reinterpret_cast<unsigned char*>(page));
        const bool wasFull = page->firstFree == 0;
        WriteLink(bytes, page->firstFree);
        Poison(bytes, slotSize_);
        page->firstFree = static_cast<uint16_t>((offset * reciprocal_) >> kReciprocalShift);
        --page->used;
        if (wasFull) {
            Unlink(full_, page);
            PushFront(withFreeSlots_, page);
        }
        if (page->used == 0 && !IsInline(page)) GiveBack(page);
    }

    // 4096-byte pages currently held from the page source.
    std::size_t PagesHeld() const { return pagesHeld_; }

private:
    struct PageHeader {
        PageHeader* next;
        PageHeader* previous;
        uint32_t pageSize;
        uint16_t used;
        uint16_t firstFree;
    };

    // Slot offsets are exact multiples of the slot size and below 4096, so
    // multiplying by this rounded-up reciprocal and shifting gives the index
    // exactly, without a division.
    static constexpr unsigned kReciprocalShift = 22;

#if defined(__SANITIZE_ADDRESS__)
    // Free slots are poisoned, so that a value reaching into released pool
    // memory is reported like any use after free.
    static void Poison(void* memory, std::size_t bytes) { ASAN_POISON_MEMORY_REGION(memory, bytes); }
    static void Unpoison(void* memory, std::size_t bytes) { ASAN_UNPOISON_MEMORY_REGION(memory, bytes); }
#else
    static void Poison(void*, std::size_t) {}
    static void Unpoison(void*, std::size_t) {}
#endif

    static uint16_t ReadLink(const unsigned char* slot) {
        uint16_t link;
        std::memcpy(&link, slot, sizeof(link));
        return link;
    }
    static void WriteLink(unsigned char* slot, uint16_t link) { std::memcpy(slot, &link, sizeof(link)); }

    PageHeader* PageOf(void* slot) noexcept {
        auto* bytes = static_cast<unsigned char*>(slot);
        if (bytes >= inlinePage_ && bytes < inlinePage_ + kInlinePageSize) {
            return reinterpret_cast<PageHeader*>(inlinePage_);
        }
        return reinterpret_cast<PageHeader*>(reinterpret_cast<uintptr_t>(slot) & ~uintptr_t{4095});
    }
    static void PushFront(PageHeader*& list, PageHeader* page) noexcept {
        page->previous = nullptr;
        page->next = list;
        if (list != nullptr) list->previous = page;
        list = page;
    }
    static void Unlink(PageHeader*& list, PageHeader* page) noexcept {
        if (page->previous != nullptr) {
            page->previous->next = page->next;
        } else {
            list = page->next;
        }
        if (page->next != nullptr) page->next->previous = page->previous;
        page->next = nullptr;
        page->previous = nullptr;
    }
    bool IsInline(const PageHeader* page) const { return reinterpret_cast<const unsigned char*>(page) == inlinePage_; }

    // Lists the inline page on first use, later a page from the page source;
    // null when none is left.
    PageHeader* AddPage() noexcept;
    // Unlists an empty 4096-byte page and returns it to the page source.
    void GiveBack(PageHeader* page) noexcept;
    void LayOut(unsigned char* page, uint32_t pageSize) noexcept;
    void ReleaseList(PageHeader*& list) noexcept;

    alignas(16) unsigned char inlinePage_[kInlinePageSize];
    PageHeader* withFreeSlots_ = nullptr;  // pages that have a free slot
    PageHeader* full_ = nullptr;           // pages without one
    uint32_t slotSize_;
    uint32_t reciprocal_;
    bool inlineLaidOut_ = false;
    std::size_t pagesHeld_ = 0;
};

// The 18 size classes of one tree: blocks of 1 to 72 bytes, rounded up to a
// multiple of 4. Larger blocks, and blocks aligned beyond 16 bytes, go to the
// general allocator; those stay listed (behind a small header) until they are
// released, so that destroying the pools frees them too.
class SmallBlockPools {
public:
    static constexpr std::size_t kClassCount = 18;
    static constexpr std::size_t kLargestBlock = 72;

    SmallBlockPools();
    // Gives back every page and every block still listed, released or not:
    // a tree that dies needs no walk over its values to free its memory.
    ~SmallBlockPools();
    SmallBlockPools(const SmallBlockPools&) = delete;
    SmallBlockPools& operator=(const SmallBlockPools&) = delete;

    // A block of `bytes` aligned to `alignment` (a power of two); throws
    // std::bad_alloc when memory runs out.
    void* Allocate(std::size_t bytes, std::size_t alignment) {
        bytes = RoundToAlignment(bytes, alignment);
        if (!IsPooled(bytes, alignment)) return AllocateOutside(bytes, alignment);
        void* block = pools_[ClassOf(bytes)].Allocate();
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }

    // Gives back a block obtained from Allocate with the same size and alignment.
    void Release(void* block, std::size_t bytes, std::size_t alignment) noexcept {
        if (block == nullptr) return;
        bytes = RoundToAlignment(bytes, alignment);
        if (!IsPooled(bytes, alignment)) {
            ReleaseOutside(block, alignment);
            return;
        }
        pools_[ClassOf(bytes)].Release(block);
    }

    // Pages held from the page source by all 18 pools.
    std::size_t PagesHeld() const;

    // Blocks served by the general allocator and not released yet.
    std::size_t BlocksOutsidePools() const { return outsidePools_; }

    // Whether a request is served by a pool rather than the general allocator.
    static bool IsPooled(std::size_t bytes, std::size_t alignment) {
        return RoundToAlignment(bytes, alignment) <= kLargestBlock && alignment <= 16;
    }

private:
    // A slot is aligned to the largest power of two that divides its size
    // (the pages themselves are aligned to 16 bytes at least), so a request
    // is first rounded up to a multiple of its alignment.
    static std::size_t RoundToAlignment(std::size_t bytes, std::size_t alignment) {
        return (bytes + alignment - 1) & ~(alignment - 1);
    }
    static std::size_t ClassOf(std::size_t bytes) { return bytes == 0 ? 0 : (bytes + 3) / 4 - 1; }

    // The header in front of a block from the general allocator.
    struct OutsideBlock {
        OutsideBlock* next;
        OutsideBlock* previous;
        std::size_t alignment;
    };
    static std::size_t HeaderBytes(std::size_t alignment) {
        return alignment > sizeof(OutsideBlock) ? alignment : (sizeof(OutsideBlock) + 15) & ~std::size_t{15};
    }

    void* AllocateOutside(std::size_t bytes, std::size_t alignment);
    void ReleaseOutside(void* block, std::size_t alignment) noexcept;
    static void FreeOutside(OutsideBlock* header) noexcept;

    std::array<SmallBlockPool, kClassCount> pools_;
    OutsideBlock* outside_ = nullptr;
    std::size_t outsidePools_ = 0;
};

}  // namespace kor
