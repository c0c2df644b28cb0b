#include "binding/SmallBlockPool.h"

#include "binding/PageSource.h"

#include <cstdint>
#include <utility>

namespace kor {
namespace {

template <std::size_t... Index>
std::array<SmallBlockPool, sizeof...(Index)> MakePools(std::index_sequence<Index...>) {
    return {SmallBlockPool(static_cast<uint32_t>((Index + 1) * 4))...};
}

static_assert(PageSource::kPageSize == 4096, "PageOf masks addresses down to 4096-byte pages");

}  // namespace

SmallBlockPool::SmallBlockPool(uint32_t slotSize)
    : slotSize_(slotSize), reciprocal_((uint32_t{1} << kReciprocalShift) / slotSize + 1) {}

SmallBlockPool::~SmallBlockPool() {
    if (inlineLaidOut_) Unpoison(inlinePage_, kInlinePageSize);
    ReleaseList(withFreeSlots_);
    ReleaseList(full_);
}

void SmallBlockPool::ReleaseList(PageHeader*& list) noexcept {
    while (list != nullptr) {
        PageHeader* page = list;
        Unlink(list, page);
        if (!IsInline(page)) {
            Unpoison(page, PageSource::kPageSize);
            PageSource::Instance().ReleasePage(page);
            --pagesHeld_;
        }
    }
}

SmallBlockPool::PageHeader* SmallBlockPool::AddPage() noexcept {
    if (!inlineLaidOut_) {
        inlineLaidOut_ = true;
        LayOut(inlinePage_, kInlinePageSize);
        PushFront(withFreeSlots_, reinterpret_cast<PageHeader*>(inlinePage_));
        return withFreeSlots_;
    }
    void* page = PageSource::Instance().AcquirePage();
    if (page == nullptr) return nullptr;
    ++pagesHeld_;
    LayOut(static_cast<unsigned char*>(page), PageSource::kPageSize);
    PushFront(withFreeSlots_, static_cast<PageHeader*>(page));
    return withFreeSlots_;
}

void SmallBlockPool::GiveBack(PageHeader* page) noexcept {
    Unlink(withFreeSlots_, page);
    --pagesHeld_;
    Unpoison(page, PageSource::kPageSize);
    PageSource::Instance().ReleasePage(page);
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

SmallBlockPools::SmallBlockPools() : pools_(MakePools(std::make_index_sequence<kClassCount>())) {}

SmallBlockPools::~SmallBlockPools() {
    while (outside_ != nullptr) {
        OutsideBlock* header = outside_;
        outside_ = header->next;
        FreeOutside(header);
    }
}

void* SmallBlockPools::AllocateOutside(std::size_t bytes, std::size_t alignment) {
    const std::size_t header = HeaderBytes(alignment);
    if (bytes > SIZE_MAX - header) throw std::bad_alloc();
    void* memory = alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__
                       ? ::operator new(header + bytes)
                       : ::operator new(header + bytes, std::align_val_t{alignment});
    auto* block = static_cast<OutsideBlock*>(memory);
    block->next = outside_;
    block->previous = nullptr;
    block->alignment = alignment;
    if (outside_ != nullptr) outside_->previous = block;
    outside_ = block;
    ++outsidePools_;
    return static_cast<unsigned char*>(memory) + header;
}

void SmallBlockPools::ReleaseOutside(void* block, std::size_t alignment) noexcept {
    auto* header = reinterpret_cast<OutsideBlock*>(static_cast<unsigned char*>(block) - HeaderBytes(alignment));
    if (header->previous != nullptr) {
        header->previous->next = header->next;
    } else {
        outside_ = header->next;
    }
    if (header->next != nullptr) header->next->previous = header->previous;
    --outsidePools_;
    FreeOutside(header);
}

void SmallBlockPools::FreeOutside(OutsideBlock* header) noexcept {
    if (header->alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
        ::operator delete(header);
    } else {
        ::operator delete(header, std::align_val_t{header->alignment});
    }
}

std::size_t SmallBlockPools::PagesHeld() const {
    std::size_t total = 0;
    for (const SmallBlockPool& pool : pools_) total += pool.PagesHeld();
    return total;
}

}  // namespace kor
