#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kor {

class SmallBlockPools;

// Byte order and equality of two texts (member keys, interned entries),
// eight bytes at a time: keys often share long beginnings ("bEnable...",
// "evtCastSpell..."), and these run inline where the library's memcmp would
// be a call per comparison.
inline uint64_t BindingKeyWord(const char* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

inline bool BindingKeyTextLess(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    std::size_t index = 0;
    for (; index + 8 <= common; index += 8) {
        const uint64_t x = BindingKeyWord(a.data() + index);
        const uint64_t y = BindingKeyWord(b.data() + index);
        if (x != y) return x < y;
    }
    for (; index < common; ++index) {
        if (a[index] != b[index]) return static_cast<uint8_t>(a[index]) < static_cast<uint8_t>(b[index]);
    }
    return a.size() < b.size();
}

inline bool BindingKeyTextEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    std::size_t index = 0;
    for (; index + 8 <= a.size(); index += 8) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a.data() + index, sizeof x);
        std::memcpy(&y, b.data() + index, sizeof y);
        if (x != y) return false;
    }
    for (; index < a.size(); ++index) {
        if (a[index] != b[index]) return false;
    }
    return true;
}

// One interned text of a value tree. The text is stored with its full length
// (a zero byte inside it is part of the text) and is zero-terminated.
struct BindingInternedString {
    BindingInternedString* next;  // chain of the hash bucket
    const char* text;
    uint32_t length;
    uint32_t hash;   // FNV-1a over the `length` bytes
    uint32_t count;  // references held by string payloads and member keys

    std::string_view view() const { return {text, length}; }
};

// The intern table of one value tree: a chained hash set of texts with
// reference counts. It starts with 8 buckets, doubles whenever the number of
// entries would exceed the number of buckets (maximum load factor 1.0), and
// goes back to 8 buckets when its last entry is released.
//
// Entries come from the table's own arena: a small inline area, then 4096-byte
// pages from the process-wide PageSource, cut in order; a released entry waits
// on a free list of its size (a multiple of 16 bytes) for the next text of
// that size. Every page goes back when the last entry is released or the
// table is abandoned. Entries above 512 bytes come from the tree's pools.
//
// The empty text is one shared static entry outside every table: interning
// "" returns it, and it is never counted and never freed.
//
// Not synchronised: one table belongs to one value tree.
class BindingStringTable {
public:
    static constexpr uint32_t kInitialBuckets = 8;

    // Entries and bucket arrays are taken from `pools`, which must outlive
    // the table.
    explicit BindingStringTable(SmallBlockPools& pools);
    ~BindingStringTable();

    BindingStringTable(const BindingStringTable&) = delete;
    BindingStringTable& operator=(const BindingStringTable&) = delete;

    static const BindingInternedString* EmptyEntry();

    // The entry of `text` with its count incremented (a new entry with count
    // 1 when the text is not in the table yet). Throws std::bad_alloc.
    const BindingInternedString* Intern(std::string_view text);
    // The same, when the caller already knows the FNV-1a hash of the text.
    const BindingInternedString* Intern(std::string_view text, uint32_t hash);

    // Makes room for `entries` entries in all without a rehash on the way,
    // for a caller that knows how many keys are coming. Best effort: without
    // memory for the larger bucket array the table stays as it is.
    void Reserve(std::size_t entries) noexcept;

    // One more reference to an entry of this table (or to the empty entry).
    void AddReference(const BindingInternedString* entry) noexcept;

    // Drops one reference; the entry is removed when its count reaches 0.
    // The empty entry is ignored.
    void Release(const BindingInternedString* entry) noexcept;

    // Forgets every entry at once, for a table whose pools are about to be
    // destroyed: its entries and bucket array go with the pools. The table is
    // then empty with 8 buckets.
    void AbandonEntries() noexcept;

    std::size_t EntryCount() const { return entryCount_; }
    std::size_t BucketCount() const { return bucketCount_; }
    // 4096-byte arena pages currently held from the page source.
    std::size_t PagesHeld() const { return arenaPagesHeld_; }
    // The count of `text` in this table; 0 when it is absent (and for "").
    uint32_t CountOf(std::string_view text) const;

private:
    static constexpr std::size_t kArenaInline = 256;
    static constexpr std::size_t kArenaGrain = 16;
    static constexpr std::size_t kArenaLargest = 512;

    struct ArenaPage {
        ArenaPage* next;
    };

    BindingInternedString* Find(std::string_view text, uint32_t hash) const;
    void* ArenaAllocate(std::size_t bytes);
    void ArenaRelease(void* block, std::size_t bytes) noexcept;
    void ArenaReset() noexcept;
    BindingInternedString* NewEntry(std::string_view text, uint32_t hash);
    void FreeEntry(BindingInternedString* entry) noexcept;
    void GrowIfFull() noexcept;
    void GrowTo(uint32_t bucketCount) noexcept;
    void Rehash(BindingInternedString** buckets, uint32_t bucketCount) noexcept;
    void FreeBuckets() noexcept;
    void ResetToInlineBuckets() noexcept;

    SmallBlockPools& pools_;
    BindingInternedString* inlineBuckets_[kInitialBuckets] = {};
    BindingInternedString** buckets_ = inlineBuckets_;
    uint32_t bucketCount_ = kInitialBuckets;
    std::size_t entryCount_ = 0;
    ArenaPage* arenaPages_ = nullptr;
    std::size_t arenaPagesHeld_ = 0;
    unsigned char* arenaNext_ = arenaInline_;
    unsigned char* arenaEnd_ = arenaInline_ + kArenaInline;
    void* arenaFree_[kArenaLargest / kArenaGrain] = {};  // by size, 16 bytes apart
    alignas(16) unsigned char arenaInline_[kArenaInline];
};

}  // namespace kor
