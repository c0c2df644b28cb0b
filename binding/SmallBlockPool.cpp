#include "binding/SmallBlockPool.h"

#include "binding/PageSource.h"

#include <cstring>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace kor {
namespace {

// Under AddressSanitizer free slots are poisoned, so that a value reaching
// into released pool memory is reported like any use after free.
#if defined(__SANITIZE_ADDRESS__)
void Poison(void* memory, std::size_t bytes) { ASAN_POISON_MEMORY_REGION(memory, bytes); }
void Unpoison(void* memory, std::size_t bytes) { ASAN_UNPOISON_MEMORY_REGION(memory, bytes); }
#else
void Poison(void*, std::size_t) {}
void Unpoison(void*, std::size_t) {}
#endif

uint16_t ReadLink(const unsigned char* slot) {
    uint16_t link;
    std::memcpy(&link, slot, sizeof(link));
    return link;
}

void WriteLink(unsigned char* slot, uint16_t link) { std::memcpy(slot, &link, sizeof(link)); }

template <std::size_t... Index>
std::array<SmallBlockPool, sizeof...(Index)> MakePools(std::index_sequence<Index...>) {
    return {SmallBlockPool(static_cast<uint32_t>((Index + 1) * 4))...};
}

}  // namespace

SmallBlockPool::SmallBlockPool(uint32_t slotSize) : slotSize_(slotSize) {
    LayOut(inlinePage_, kInlinePageSize);
    PushFront(reinterpret_cast<PageHeader*>(inlinePage_));
}

SmallBlockPool::~SmallBlockPool() {
    Unpoison(inlinePage_, kInlinePageSize);
    // A cleared tree has given every 4096-byte page back already; a page
    // still listed here held a slot that was never released, and goes back
    // anyway so that the process-wide count does not drift.
    while (withFreeSlots_ != nullptr) {
        PageHeader* page = withFreeSlots_;
        Unlink(page);
        if (!IsInline(page)) {
            Unpoison(page, PageSource::kPageSize);
            PageSource::Instance().ReleasePage(page);
        }
    }
}

void* SmallBlockPool::Allocate() noexcept {
    if (withFreeSlots_ == nullptr) {
        void* page = PageSource::Instance().AcquirePage();
        if (page == nullptr) return nullptr;
        ++pagesHeld_;
        LayOut(static_cast<unsigned char*>(page), PageSource::kPageSize);
        PushFront(static_cast<PageHeader*>(page));
    }
    PageHeader* page = withFreeSlots_;
    auto* slot = reinterpret_cast<unsigned char*>(page) + std::size_t{page->firstFree} * slotSize_;
    Unpoison(slot, slotSize_);
    page->firstFree = ReadLink(slot);
    ++page->used;
    if (page->firstFree == 0) Unlink(page);
    return slot;
}

void SmallBlockPool::Release(void* slot) noexcept {
    PageHeader* page = PageOf(slot);
    bool wasFull = page->firstFree == 0;
    auto offset = static_cast<std::size_t>(static_cast<unsigned char*>(slot) - reinterpret_cast<unsigned char*>(page));
    WriteLink(static_cast<unsigned char*>(slot), page->firstFree);
    Poison(slot, slotSize_);
    page->firstFree = static_cast<uint16_t>(offset / slotSize_);
    --page->used;
    if (wasFull) PushFront(page);
    if (page->used == 0 && !IsInline(page)) {
        Unlink(page);
        --pagesHeld_;
        Unpoison(page, PageSource::kPageSize);
        PageSource::Instance().ReleasePage(page);
    }
}

void SmallBlockPool::LayOut(unsigned char* page, uint32_t pageSize) noexcept {
    const uint32_t headerSlots = static_cast<uint32_t>((sizeof(PageHeader) + slotSize_ - 1) / slotSize_);
    const uint32_t slotCount = pageSize / slotSize_;
    Unpoison(page, pageSize);
    auto* header = reinterpret_cast<PageHeader*>(page);
    header->next = nullptr;
    header->previous = nullptr;
    header->pageSize = pageSize;
    header->used = 0;
    header->firstFree = headerSlots < slotCount ? static_cast<uint16_t>(headerSlots) : 0;
    for (uint32_t index = headerSlots; index < slotCount; ++index) {
        uint16_t next = index + 1 < slotCount ? static_cast<uint16_t>(index + 1) : 0;
        WriteLink(page + std::size_t{index} * slotSize_, next);
    }
    if (headerSlots < slotCount) {
        Poison(page + std::size_t{headerSlots} * slotSize_, std::size_t{slotCount - headerSlots} * slotSize_);
    }
}

SmallBlockPool::PageHeader* SmallBlockPool::PageOf(void* slot) noexcept {
    auto* bytes = static_cast<unsigned char*>(slot);
    if (bytes >= inlinePage_ && bytes < inlinePage_ + kInlinePageSize) {
        return reinterpret_cast<PageHeader*>(inlinePage_);
    }
    auto address = reinterpret_cast<uintptr_t>(slot) & ~static_cast<uintptr_t>(PageSource::kPageSize - 1);
    return reinterpret_cast<PageHeader*>(address);
}

void SmallBlockPool::PushFront(PageHeader* page) noexcept {
    page->previous = nullptr;
    page->next = withFreeSlots_;
    if (withFreeSlots_ != nullptr) withFreeSlots_->previous = page;
    withFreeSlots_ = page;
}

void SmallBlockPool::Unlink(PageHeader* page) noexcept {
    if (page->previous != nullptr) {
        page->previous->next = page->next;
    } else {
        withFreeSlots_ = page->next;
    }
    if (page->next != nullptr) page->next->previous = page->previous;
    page->next = nullptr;
    page->previous = nullptr;
}

bool SmallBlockPool::IsInline(const PageHeader* page) const {
    return reinterpret_cast<const unsigned char*>(page) == inlinePage_;
}

SmallBlockPools::SmallBlockPools() : pools_(MakePools(std::make_index_sequence<kClassCount>())) {}

namespace {

// A slot is aligned to the largest power of two that divides its size (the
// pages themselves are aligned to 16 bytes at least), so a request is first
// rounded up to a multiple of its alignment.
std::size_t RoundToAlignment(std::size_t bytes, std::size_t alignment) {
    return (bytes + alignment - 1) & ~(alignment - 1);
}

}  // namespace

void* SmallBlockPools::Allocate(std::size_t bytes, std::size_t alignment) {
    bytes = RoundToAlignment(bytes, alignment);
    if (!IsPooled(bytes, alignment)) {
        if (alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) return ::operator new(bytes);
        return ::operator new(bytes, std::align_val_t{alignment});
    }
    void* block = pools_[ClassOf(bytes)].Allocate();
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void SmallBlockPools::Release(void* block, std::size_t bytes, std::size_t alignment) noexcept {
    if (block == nullptr) return;
    bytes = RoundToAlignment(bytes, alignment);
    if (!IsPooled(bytes, alignment)) {
        if (alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
            ::operator delete(block);
        } else {
            ::operator delete(block, std::align_val_t{alignment});
        }
        return;
    }
    pools_[ClassOf(bytes)].Release(block);
}

std::size_t SmallBlockPools::PagesHeld() const {
    std::size_t total = 0;
    for (const SmallBlockPool& pool : pools_) total += pool.PagesHeld();
    return total;
}

}  // namespace kor
