#include "binding/BindingStringTable.h"

#include "binding/Fnv1a.h"
#include "binding/SmallBlockPool.h"

#include <cstring>
#include <new>

namespace kor {
namespace {

constinit BindingInternedString gEmptyEntry{nullptr, "", 0, kFnv1aOffsetBasis, 0};

// An entry is its header followed by the text and a zero. Pooled entries
// are rounded up to one of three sizes (a multiple of 16, or the largest
// pooled block), so that the texts of a small tree share a few pool pages
// instead of spreading over a dozen size classes.
std::size_t EntryBytes(uint32_t length) {
    const std::size_t bytes = sizeof(BindingInternedString) + length + 1;
    if (bytes > SmallBlockPools::kLargestBlock) return bytes;
    const std::size_t rounded = (bytes + 15) & ~std::size_t{15};
    return rounded < SmallBlockPools::kLargestBlock ? rounded : SmallBlockPools::kLargestBlock;
}


}  // namespace

BindingStringTable::BindingStringTable(SmallBlockPools& pools) : pools_(pools) {}

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
}

const BindingInternedString* BindingStringTable::EmptyEntry() { return &gEmptyEntry; }

void BindingStringTable::AbandonEntries() noexcept {
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
    void* memory = pools_.Allocate(EntryBytes(length), alignof(BindingInternedString));
    auto* entry = new (memory) BindingInternedString{nullptr, nullptr, length, hash, 1};
    char* storage = reinterpret_cast<char*>(entry + 1);
    std::memcpy(storage, text.data(), length);
    storage[length] = '\0';
    entry->text = storage;
    return entry;
}

void BindingStringTable::FreeEntry(BindingInternedString* entry) noexcept {
    pools_.Release(entry, EntryBytes(entry->length), alignof(BindingInternedString));
}

void BindingStringTable::GrowIfFull() noexcept {
    if (entryCount_ < bucketCount_ || bucketCount_ > (UINT32_MAX >> 1)) return;
    uint32_t grown = bucketCount_ * 2;
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
    std::memset(static_cast<void*>(inlineBuckets_), 0, sizeof(inlineBuckets_));
}

}  // namespace kor
