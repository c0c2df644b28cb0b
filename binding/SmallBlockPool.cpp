#include "binding/SmallBlockPool.h"

#include "binding/PageSource.h"

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
    : slotSize_(slotSize), reciprocal_((uint32_t{1} << kReciprocalShift) / slotSize + 1) {
    LayOut(inlinePage_, kInlinePageSize);
    PushFront(withFreeSlots_, reinterpret_cast<PageHeader*>(inlinePage_));
}

SmallBlockPool::~SmallBlockPool() {
    Unpoison(inlinePage_, kInlinePageSize);
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

void* SmallBlockPools::AllocateOutside(std::size_t bytes, std::size_t alignment) {
    void* block = alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__ ? ::operator new(bytes)
                                                                : ::operator new(bytes, std::align_val_t{alignment});
    ++outsidePools_;
    return block;
}

void SmallBlockPools::ReleaseOutside(void* block, std::size_t alignment) noexcept {
    --outsidePools_;
    if (alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
        ::operator delete(block);
    } else {
        ::operator delete(block, std::align_val_t{alignment});
    }
}

std::size_t SmallBlockPools::PagesHeld() const {
    std::size_t total = 0;
    for (const SmallBlockPool& pool : pools_) total += pool.PagesHeld();
    return total;
}

}  // namespace kor
