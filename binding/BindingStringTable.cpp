#include "binding/BindingStringTable.h"

#include "binding/Fnv1a.h"
#include "binding/PageSource.h"
#include "binding/SmallBlockPool.h"

#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace kor {
namespace {

constinit BindingInternedString gEmptyEntry{nullptr, "", 0, kFnv1aOffsetBasis, 0};

// An entry is its header followed by the text and a zero, rounded up to a
// multiple of 16 bytes.
std::size_t EntryBytes(uint32_t length) {
    return (sizeof(BindingInternedString) + std::size_t{length} + 1 + 15) & ~std::size_t{15};
}

#if defined(__SANITIZE_ADDRESS__)
// Arena memory that holds no entry is poisoned, so that a text read after
// its release is reported like any use after free.
void Poison(void* memory, std::size_t bytes) { ASAN_POISON_MEMORY_REGION(memory, bytes); }
void Unpoison(void* memory, std::size_t bytes) { ASAN_UNPOISON_MEMORY_REGION(memory, bytes); }
#else
void Poison(void*, std::size_t) {}
void Unpoison(void*, std::size_t) {}
#endif


}  // namespace

BindingStringTable::BindingStringTable(SmallBlockPools& pools) : pools_(pools) { Poison(arenaInline_, kArenaInline); }

BindingStringTable::~BindingStringTable() {
    // Only a tree that was not fully cleared leaves entries behind.
    for (uint32_t index = 0; index < bucketCount_; ++index) {
        BindingInternedString* entry = buckets_[index];
        while (entry != nullptr) {
            BindingInternedString* next = entry->next;
            FreeEntry(entry);
            entry = next;
        }
    }
    FreeBuckets();
    ArenaReset();
    Unpoison(arenaInline_, kArenaInline);
}

const BindingInternedString* BindingStringTable::EmptyEntry() { return &gEmptyEntry; }

void BindingStringTable::AbandonEntries() noexcept {
    ArenaReset();
    entryCount_ = 0;
    buckets_ = inlineBuckets_;
    bucketCount_ = kInitialBuckets;
    std::memset(static_cast<void*>(inlineBuckets_), 0, sizeof(inlineBuckets_));
}

const BindingInternedString* BindingStringTable::Intern(std::string_view text) {
    if (text.empty()) return &gEmptyEntry;
    return Intern(text, Fnv1aHash(text));
}

const BindingInternedString* BindingStringTable::Intern(std::string_view text, uint32_t hash) {
    if (text.empty()) return &gEmptyEntry;
    if (BindingInternedString* found = Find(text, hash)) {
        ++found->count;
        return found;
    }
    GrowIfFull();
    BindingInternedString* entry = NewEntry(text, hash);
    BindingInternedString*& bucket = buckets_[hash & (bucketCount_ - 1)];
    entry->next = bucket;
    bucket = entry;
    ++entryCount_;
    return entry;
}

void BindingStringTable::AddReference(const BindingInternedString* entry) noexcept {
    if (entry != &gEmptyEntry) ++const_cast<BindingInternedString*>(entry)->count;
}

void BindingStringTable::Release(const BindingInternedString* entry) noexcept {
    if (entry == nullptr || entry == &gEmptyEntry) return;
    auto* owned = const_cast<BindingInternedString*>(entry);
    if (--owned->count != 0) return;
    BindingInternedString** link = &buckets_[owned->hash & (bucketCount_ - 1)];
    while (*link != owned) link = &(*link)->next;
    *link = owned->next;
    FreeEntry(owned);
    if (--entryCount_ == 0) ResetToInlineBuckets();
}

uint32_t BindingStringTable::CountOf(std::string_view text) const {
    if (text.empty()) return 0;
    const BindingInternedString* entry = Find(text, Fnv1aHash(text));
    return entry != nullptr ? entry->count : 0;
}

BindingInternedString* BindingStringTable::Find(std::string_view text, uint32_t hash) const {
    for (BindingInternedString* entry = buckets_[hash & (bucketCount_ - 1)]; entry != nullptr; entry = entry->next) {
        if (entry->hash == hash && BindingKeyTextEqual(entry->view(), text)) return entry;
    }
    return nullptr;
}

BindingInternedString* BindingStringTable::NewEntry(std::string_view text, uint32_t hash) {
    if (text.size() > UINT32_MAX - sizeof(BindingInternedString) - 1) throw std::bad_alloc();
    auto length = static_cast<uint32_t>(text.size());
    const std::size_t bytes = EntryBytes(length);
    void* memory = bytes <= kArenaLargest ? ArenaAllocate(bytes) : pools_.Allocate(bytes, alignof(BindingInternedString));
    auto* entry = new (memory) BindingInternedString{nullptr, nullptr, length, hash, 1};
    char* storage = reinterpret_cast<char*>(entry + 1);
    std::memcpy(storage, text.data(), length);
    storage[length] = '\0';
    entry->text = storage;
    return entry;
}

void BindingStringTable::FreeEntry(BindingInternedString* entry) noexcept {
    const std::size_t bytes = EntryBytes(entry->length);
    if (bytes <= kArenaLargest) {
        ArenaRelease(entry, bytes);
    } else {
        pools_.Release(entry, bytes, alignof(BindingInternedString));
    }
}

void* BindingStringTable::ArenaAllocate(std::size_t bytes) {
    void*& reusable = arenaFree_[bytes / kArenaGrain - 1];
    if (reusable != nullptr) {
        void* block = reusable;
        Unpoison(block, bytes);
        std::memcpy(&reusable, block, sizeof reusable);
        return block;
    }
    if (static_cast<std::size_t>(arenaEnd_ - arenaNext_) < bytes) {
        void* page = PageSource::Instance().AcquirePage();
        if (page == nullptr) throw std::bad_alloc();
        auto* header = static_cast<ArenaPage*>(page);
        header->next = arenaPages_;
        arenaPages_ = header;
        ++arenaPagesHeld_;
        // What was left of the previous page is too small to matter: at most
        // one entry's worth, against a page of 4096 bytes.
        arenaNext_ = static_cast<unsigned char*>(page) + kArenaGrain;
        arenaEnd_ = static_cast<unsigned char*>(page) + PageSource::kPageSize;
        Poison(arenaNext_, static_cast<std::size_t>(arenaEnd_ - arenaNext_));
    }
    void* block = arenaNext_;
    arenaNext_ += bytes;
    Unpoison(block, bytes);
    return block;
}

void BindingStringTable::ArenaRelease(void* block, std::size_t bytes) noexcept {
    void*& reusable = arenaFree_[bytes / kArenaGrain - 1];
    std::memcpy(block, &reusable, sizeof reusable);
    reusable = block;
    Poison(static_cast<unsigned char*>(block) + sizeof(void*), bytes - sizeof(void*));
}

void BindingStringTable::ArenaReset() noexcept {
    while (arenaPages_ != nullptr) {
        ArenaPage* page = arenaPages_;
        Unpoison(page, PageSource::kPageSize);
        arenaPages_ = page->next;
        PageSource::Instance().ReleasePage(page);
    }
    arenaPagesHeld_ = 0;
    Unpoison(arenaInline_, kArenaInline);
    Poison(arenaInline_, kArenaInline);
    arenaNext_ = arenaInline_;
    arenaEnd_ = arenaInline_ + kArenaInline;
    std::memset(static_cast<void*>(arenaFree_), 0, sizeof(arenaFree_));
}

void BindingStringTable::GrowIfFull() noexcept {
    if (entryCount_ < bucketCount_ || bucketCount_ > (UINT32_MAX >> 1)) return;
    GrowTo(bucketCount_ * 2);
}

void BindingStringTable::Reserve(std::size_t entries) noexcept {
    if (entries <= bucketCount_) return;
    constexpr uint32_t kLargest = uint32_t{1} << 31;
    GrowTo(entries >= kLargest ? kLargest : std::bit_ceil(static_cast<uint32_t>(entries)));
}

void BindingStringTable::GrowTo(uint32_t grown) noexcept {
    BindingInternedString** buckets = nullptr;
    try {
        buckets = static_cast<BindingInternedString**>(
            pools_.Allocate(sizeof(BindingInternedString*) * grown, alignof(BindingInternedString*)));
    } catch (const std::bad_alloc&) {
        return;  // a fuller table is slower but still correct
    }
    std::memset(static_cast<void*>(buckets), 0, sizeof(BindingInternedString*) * grown);
    Rehash(buckets, grown);
}

void BindingStringTable::Rehash(BindingInternedString** buckets, uint32_t bucketCount) noexcept {
    for (uint32_t index = 0; index < bucketCount_; ++index) {
        BindingInternedString* entry = buckets_[index];
        while (entry != nullptr) {
            BindingInternedString* next = entry->next;
            BindingInternedString*& bucket = buckets[entry->hash & (bucketCount - 1)];
            entry->next = bucket;
            bucket = entry;
            entry = next;
        }
    }
    FreeBuckets();
    buckets_ = buckets;
    bucketCount_ = bucketCount;
}

void BindingStringTable::FreeBuckets() noexcept {
    if (buckets_ != inlineBuckets_) {
        pools_.Release(buckets_, sizeof(BindingInternedString*) * bucketCount_, alignof(BindingInternedString*));
    }
    buckets_ = inlineBuckets_;
    bucketCount_ = kInitialBuckets;
}

void BindingStringTable::ResetToInlineBuckets() noexcept {
    FreeBuckets();
    ArenaReset();
    std::memset(static_cast<void*>(inlineBuckets_), 0, sizeof(inlineBuckets_));
}

}  // namespace kor
