#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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
// soon as their last slot is released.
//
// Not synchronised: one pool belongs to one value tree.
class SmallBlockPool {
public:
    static constexpr std::size_t kInlinePageSize = 144;

    explicit SmallBlockPool(uint32_t slotSize);
    ~SmallBlockPool();

    SmallBlockPool(const SmallBlockPool&) = delete;
    SmallBlockPool& operator=(const SmallBlockPool&) = delete;

    uint32_t slotSize() const { return slotSize_; }

    // A slot, or null when no page could be obtained. Never throws.
    void* Allocate() noexcept;
    // Gives back a slot obtained from Allocate of this pool.
    void Release(void* slot) noexcept;

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

    void LayOut(unsigned char* page, uint32_t pageSize) noexcept;
    PageHeader* PageOf(void* slot) noexcept;
    void PushFront(PageHeader* page) noexcept;
    void Unlink(PageHeader* page) noexcept;
    bool IsInline(const PageHeader* page) const;

    alignas(16) unsigned char inlinePage_[kInlinePageSize];
    PageHeader* withFreeSlots_ = nullptr;  // pages that have a free slot
    uint32_t slotSize_;
    std::size_t pagesHeld_ = 0;
};

// The 18 size classes of one tree: blocks of 1 to 72 bytes, rounded up to a
// multiple of 4. Larger blocks, and blocks aligned beyond 16 bytes, go to the
// general allocator.
class SmallBlockPools {
public:
    static constexpr std::size_t kClassCount = 18;
    static constexpr std::size_t kLargestBlock = 72;

    SmallBlockPools();
    SmallBlockPools(const SmallBlockPools&) = delete;
    SmallBlockPools& operator=(const SmallBlockPools&) = delete;

    // A block of `bytes` aligned to `alignment` (a power of two); throws
    // std::bad_alloc when memory runs out.
    void* Allocate(std::size_t bytes, std::size_t alignment);
    // Gives back a block obtained from Allocate with the same size and alignment.
    void Release(void* block, std::size_t bytes, std::size_t alignment) noexcept;

    // Pages held from the page source by all 18 pools.
    std::size_t PagesHeld() const;

    // Whether a request is served by a pool rather than the general allocator.
    static bool IsPooled(std::size_t bytes, std::size_t alignment) {
        return bytes <= kLargestBlock && alignment <= 16;
    }

private:
    static std::size_t ClassOf(std::size_t bytes) { return bytes == 0 ? 0 : (bytes + 3) / 4 - 1; }

    std::array<SmallBlockPool, kClassCount> pools_;
};

}  // namespace kor
