#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>

namespace kor {

// The process-wide supplier of 4096-byte pages for the small-block pools of
// every value tree. Memory is committed from the operating system 64 KiB at a
// time; each block is split into 16 pages and the whole block goes back to
// the operating system as soon as all 16 of its pages are free again, so a
// tree that is destroyed leaves nothing committed behind it.
//
// Thread-safe: every operation takes the source's own mutex. The source is
// created on first use and lives for the process (it is never destroyed, so
// values that outlive static destructors can still give their pages back).
class PageSource {
public:
    static constexpr std::size_t kPageSize = 4096;
    static constexpr std::size_t kPagesPerBlock = 16;
    static constexpr std::size_t kBlockSize = kPageSize * kPagesPerBlock;

    static PageSource& Instance();

    PageSource(const PageSource&) = delete;
    PageSource& operator=(const PageSource&) = delete;

    // A page aligned to 4096 bytes, or null when the operating system refuses
    // more memory. Never throws.
    void* AcquirePage() noexcept;

    // Gives back a page obtained from AcquirePage. Null is ignored.
    void ReleasePage(void* page) noexcept;

    // Pages handed out and not yet given back, over the whole process.
    std::size_t PagesInUse() const;
    // 64 KiB blocks currently committed from the operating system.
    std::size_t BlocksCommitted() const;

private:
    PageSource() = default;
    ~PageSource() = default;

    // One committed 64 KiB block. Blocks with at least one free page form a
    // doubly linked list so that a page is found without scanning.
    struct Block {
        uintptr_t base = 0;
        uint16_t freeMask = 0;  // bit i set: page i is free
        Block* previousPartial = nullptr;
        Block* nextPartial = nullptr;
    };

    Block* CommitBlock() noexcept;
    void LinkPartial(Block* block) noexcept;
    void UnlinkPartial(Block* block) noexcept;

    mutable std::mutex mutex_;
    std::map<uintptr_t, Block> blocks_;  // keyed by base address
    Block* partial_ = nullptr;
    std::size_t pagesInUse_ = 0;
};

}  // namespace kor
