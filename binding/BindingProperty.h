#pragma once

#include "binding/BindingPoolAllocator.h"
#include "binding/BindingPropertyContext.h"
#include "binding/BindingPropertyKind.h"
#include "binding/BindingStringTable.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace kor {

struct StaticTypeId;
class BindingProperty;
class BindingMemberRange;
class BindingMutableMemberRange;
struct BindingMemberSlot;

// The payload of an enum value: the enumerator number and the StaticTypeId of
// its enumeration type (null only in a caller's default).
struct BindingEnumValue {
    int32_t number = 0;
    const StaticTypeId* type = nullptr;

    bool operator==(const BindingEnumValue&) const = default;
};

// What iterating the members of a structure yields, in byte order of keys.
struct BindingMember {
    std::string_view key;
    const BindingProperty& value;
};
struct BindingMutableMember {
    std::string_view key;
    BindingProperty& value;
};

// The generic tree value: empty, bool, signed, unsigned, float, string, blob,
// enum, collection or structure.
//
// Every tree has one root (which owns the tree's BindingPropertyContext: the
// intern table of its texts and the pools of its payload blocks) and any
// number of values nested in collections and structures (which borrow the
// root's context). Every value constructed by client code is a root; nested
// values are only reached through references returned by the accessors
// below, and stay valid until their container changes: appending to or
// growing a collection may move its elements, and erasing or clearing a
// container destroys what it held. A structure member keeps its address while
// other members are inserted or erased.
//
// Contracts shared by all operations:
// - Setters and MakeCollection/MakeStructure replace the previous content
//   entirely (a value that changes kind keeps nothing of its old payload).
//   The new payload is built before the old one is released, so a setter may
//   be given a text or bytes that the value itself holds.
// - Getters never convert between kinds: they return the payload only when
//   the kind matches exactly, and the caller's default otherwise.
// - Read accessors (Element, Member, FindMember, HasMember, Elements,
//   Members) never modify anything; an absent element or member reads as
//   EmptyValue(), a shared read-only empty value.
// - Write accessors (ElementForWrite, Append, MemberForWrite) turn the value
//   into a collection or structure first when it is not one, discarding its
//   old content.
// - Failures are exceptions inside the binding layer: std::bad_alloc when
//   memory runs out, std::length_error("vector<T> too long") for a collection
//   above kMaxElements. Code that faces the host catches them.
// - Not synchronised: one tree is used by one thread at a time.
class BindingProperty {
public:
    static constexpr std::size_t kMaxElements = 0x0FFFFFFF;

    // An empty root, with no context until one is needed.
    constexpr BindingProperty() noexcept = default;

    // A deep copy: a new root with its own context.
    BindingProperty(const BindingProperty& other);

    // Between two roots, a move hands over the whole tree with its context in
    // constant time. Moving from or into a nested value copies the content
    // (a root cannot borrow another tree's context) and then clears the
    // source. Because of that copy it may throw, so standard containers that
    // reallocate copy rather than move their roots: reserve their capacity
    // up front when that matters.
    BindingProperty(BindingProperty&& other);

    // A deep copy of `other` into this value; the source may lie inside this
    // value or this value inside the source. Self-assignment does nothing.
    BindingProperty& operator=(const BindingProperty& other);

    // As the move constructor. Moving a value into one of its own
    // descendants leaves the source empty (the descendant goes with it).
    BindingProperty& operator=(BindingProperty&& other);

    ~BindingProperty();

    // The shared read-only empty value that absent elements and members read as.
    static const BindingProperty& EmptyValue();

    BindingPropertyKind kind() const { return kind_; }
    bool Is(BindingPropertyKind kind) const { return kind_ == kind; }
    bool IsEmpty() const { return kind_ == BindingPropertyKind::Empty; }
    bool IsString() const { return kind_ == BindingPropertyKind::String; }
    bool IsCollection() const { return kind_ == BindingPropertyKind::Collection; }
    bool IsStructure() const { return kind_ == BindingPropertyKind::Structure; }
    // Whether this value owns its tree's context (a value built by client
    // code) rather than living inside a collection or structure.
    bool IsRoot() const { return owner_ != 0; }
    // The tree's context; null while a root has not needed one.
    const BindingPropertyContext* context() const { return context_; }

    // Releases the content; the value becomes empty. A root keeps its
    // context for reuse, while pool pages that empty go back to the page
    // source at once.
    void Clear() noexcept;

    void SetBool(bool value);
    void SetSigned(int64_t value);      // 32-bit inputs are sign-extended
    void SetUnsigned(uint64_t value);   // 32-bit inputs are zero-extended
    void SetFloat(double value);        // single precision is widened
    // The text is interned in the tree (stored once per tree however many
    // values and keys hold it). Null and "" give the shared empty string.
    void SetString(std::string_view text);
    void SetString(const char* text);
    void SetBlob(std::span<const uint8_t> bytes);
    // Takes over the bytes; `bytes` is left empty.
    void SetBlob(std::vector<uint8_t>&& bytes);
    void SetEnum(int32_t number, const StaticTypeId& type);

    // An empty collection or structure, unless the value already is one (its
    // elements or members are then kept).
    BindingProperty& MakeCollection();
    BindingProperty& MakeStructure();

    // Makes the value a collection (as MakeCollection) and grows its capacity
    // to at least `count` elements. Throws std::length_error("vector<T> too
    // long") when `count` exceeds kMaxElements.
    void Reserve(std::size_t count);

    bool GetBool(bool defaultValue = false) const;
    int64_t GetSigned(int64_t defaultValue = 0) const;
    uint64_t GetUnsigned(uint64_t defaultValue = 0) const;
    double GetFloat(double defaultValue = 0.0) const;
    // The text with its full length; valid while the value holds it.
    std::string_view GetString(std::string_view defaultValue = {}) const;
    // The same text, zero-terminated.
    const char* GetCString(const char* defaultValue = "") const;
    std::span<const uint8_t> GetBlob(std::span<const uint8_t> defaultValue = {}) const;
    BindingEnumValue GetEnum(BindingEnumValue defaultValue = {}) const;

    // Empty 0; string its length in bytes; blob its byte count; collection
    // its elements; structure its members; any other kind 1.
    std::size_t Size() const;

    // Reading: the element, or EmptyValue() when the value is not a
    // collection or `index` is not below its size.
    const BindingProperty& Element(std::size_t index) const;
    // Writing: makes the value a collection if needed, appends empty elements
    // until `index` exists, returns the element.
    BindingProperty& ElementForWrite(std::size_t index);
    // Writing: a new empty element at the end.
    BindingProperty& Append();
    // The elements in order; empty when the value is not a collection.
    std::span<const BindingProperty> Elements() const;
    std::span<BindingProperty> ElementsForWrite();

    // Makes the value a structure (as MakeStructure) with room for at least
    // `count` members, so that that many keys arriving in byte order are
    // appended without growing its storage, and the tree's intern table
    // takes the new keys without rehashing. Throws std::bad_alloc.
    void ReserveMembers(std::size_t count);

    // Reading: the member, or EmptyValue() when the value is not a structure
    // or has no such key.
    const BindingProperty& Member(std::string_view key) const;
    // Reading: the member, or null when absent (a present empty member is
    // told apart from a missing one).
    const BindingProperty* FindMember(std::string_view key) const;
    bool HasMember(std::string_view key) const { return FindMember(key) != nullptr; }
    // Writing: makes the value a structure if needed, inserts the key with an
    // empty value when missing, returns the member.
    BindingProperty& MemberForWrite(std::string_view key);
    // Removes a member; false when the value is not a structure or has none.
    bool EraseMember(std::string_view key);
    // Members in byte order of their keys (unsigned bytes; a text sorts
    // before every longer text it begins). Empty when not a structure.
    BindingMemberRange Members() const;
    BindingMutableMemberRange MembersForWrite();

    // Deep equality: same kinds, payloads, elements in order and members.
    // Enums compare number and type id; floats compare with ==.
    bool operator==(const BindingProperty& other) const;

    // Constructs a value nested in a tree; only BindingProperty can make the
    // tag, so client code cannot create values that borrow a context.
    class ChildTag {
        friend class BindingProperty;
        explicit ChildTag() = default;
    };
    BindingProperty(ChildTag, BindingPropertyContext* context) noexcept : context_(context), owner_(0) {}

private:
    struct ElementVector;
    struct Structure;
    class RelocateTag {};

    union Payload {
        uint64_t bits;
        bool boolean;
        int64_t signedValue;
        uint64_t unsignedValue;
        double floatValue;
        const BindingInternedString* string;
        std::vector<uint8_t>* blob;
        BindingEnumValue* enumValue;
        ElementVector* elements;
        Structure* structure;
    };

    // Takes the raw fields of `from`, whose storage is then reused without
    // running its destructor (collections relocate elements this way).
    BindingProperty(RelocateTag, const BindingProperty& from) noexcept
        : payload_(from.payload_), context_(from.context_), kind_(from.kind_), owner_(from.owner_) {}

    BindingPropertyContext& EnsureContext();
    void SetScalar(BindingPropertyKind kind, Payload payload) noexcept;
    void SetStringEntry(const BindingInternedString* entry) noexcept;
    void CopyStringFrom(const BindingProperty& source);
    void GrowElements(std::size_t needed);
    void ReallocateElements(std::size_t capacity);
    BindingProperty& AppendMemberInOrder(const BindingMemberSlot& source);
    BindingProperty& InsertMember(bool late, uint32_t position, uint64_t prefix, std::string_view key,
                                  const BindingInternedString* sourceEntry);
    static const BindingMemberSlot* FindSlot(const Structure& members, uint64_t prefix, std::string_view key);
    static void MergeLateMembers(BindingPropertyContext& context, Structure& members);
    void TakeContent(BindingProperty& from) noexcept;
    void MoveFrom(BindingProperty& other);
    void MoveWithinTree(BindingProperty& other);
    bool Contains(const BindingProperty* value) const;
    template <class Pending>
    void CopyShellFrom(const BindingProperty& source, Pending& pending);
    static void CopyTree(BindingProperty& target, const BindingProperty& source);
    static void DestroyContainers(BindingPropertyContext& context, ElementVector* elements,
                                  Structure* structure) noexcept;
    void ReleaseBlobBytes() noexcept;

    Payload payload_{};
    BindingPropertyContext* context_ = nullptr;
    BindingPropertyKind kind_ = BindingPropertyKind::Empty;
    uint8_t owner_ = 1;

    friend class BindingMemberRange;
    friend class BindingMutableMemberRange;
};

static_assert(sizeof(BindingProperty) == (sizeof(void*) == 4 ? 16 : 24),
              "values carry their scalars inline in 16 bytes (24 with 64-bit pointers)");

// ---- Container storage (visible here so that iteration can be inlined) ----

// The first 8 bytes of a key, zero-padded, as a big-endian number: comparing
// two prefixes as numbers orders them as their bytes would be (unsigned,
// shorter first). Equal prefixes say nothing, and the texts decide.
inline uint64_t BindingKeyPrefix(std::string_view text) {
    if (text.size() >= 8) {
        uint64_t word;
        std::memcpy(&word, text.data(), sizeof word);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        return word;
    }
    uint64_t prefix = 0;
    const std::size_t count = text.size() < 8 ? text.size() : 8;
    for (std::size_t index = 0; index < count; ++index) {
        prefix |= uint64_t{static_cast<uint8_t>(text[index])} << (56 - 8 * index);
    }
    return prefix;
}

// One member of a structure: its interned key with the key's prefix, so that
// most comparisons never touch the entry, and its value. The value lives in
// a pooled block of its own, so it keeps its address while the slot arrays
// grow, shift and merge.
struct BindingMemberSlot {
    uint64_t prefix;
    const BindingInternedString* entry;
    BindingProperty* value;

    std::string_view view() const { return entry->view(); }
};

// Byte order of two distinct keys.
inline bool BindingSlotLess(const BindingMemberSlot& a, const BindingMemberSlot& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return BindingKeyTextLess(a.view(), b.view());
}

struct BindingProperty::ElementVector {
    BindingProperty* data = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;
    ElementVector* pendingNext = nullptr;  // used only while a tree is destroyed
};

// Members are two sorted runs of slots. Keys mostly arrive in order (every
// document this system writes is sorted), and such a key is appended to the
// main run. A key that arrives out of order is inserted into a small main run
// in place; once the main run holds a few hundred members it goes into the
// short late run instead, which is merged into the main run when it reaches
// about the square root of the main run's size: out-of-order input costs
// O(n sqrt n) slot moves, never O(n^2). A key is in one run only.
struct BindingProperty::Structure {
    BindingMemberSlot* sorted = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;
    BindingMemberSlot* late = nullptr;
    uint32_t lateSize = 0;
    uint32_t lateCapacity = 0;
    Structure* pendingNext = nullptr;  // used only while a tree is destroyed

    std::size_t count() const { return std::size_t{size} + lateSize; }
};

// ---- Member iteration ----

// Walks the two runs of a structure as one, in byte order of keys.
class BindingMemberCursor {
public:
    BindingMemberCursor() = default;
    BindingMemberCursor(const BindingMemberSlot* sorted, const BindingMemberSlot* sortedEnd,
                        const BindingMemberSlot* late, const BindingMemberSlot* lateEnd)
        : sorted_(sorted), sortedEnd_(sortedEnd), late_(late), lateEnd_(lateEnd) {}

    const BindingMemberSlot& current() const { return LateFirst() ? *late_ : *sorted_; }
    void advance() {
        if (LateFirst()) {
            ++late_;
        } else {
            ++sorted_;
        }
    }
    bool operator==(const BindingMemberCursor& other) const {
        return sorted_ == other.sorted_ && late_ == other.late_;
    }

private:
    // Whether the next member comes from the late run. (The runs are separate
    // blocks, but the end of one may be the start of the other, so positions
    // are never compared across them.)
    bool LateFirst() const {
        if (late_ == lateEnd_) return false;
        return sorted_ == sortedEnd_ || BindingSlotLess(*late_, *sorted_);
    }

    const BindingMemberSlot* sorted_ = nullptr;
    const BindingMemberSlot* sortedEnd_ = nullptr;
    const BindingMemberSlot* late_ = nullptr;
    const BindingMemberSlot* lateEnd_ = nullptr;
};

class BindingMemberIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = BindingMember;
    using difference_type = std::ptrdiff_t;
    using reference = BindingMember;
    using pointer = void;

    BindingMemberIterator() = default;
    explicit BindingMemberIterator(BindingMemberCursor cursor) : cursor_(cursor) {}

    BindingMember operator*() const {
        const BindingMemberSlot& slot = cursor_.current();
        return {slot.view(), *slot.value};
    }
    BindingMemberIterator& operator++() {
        cursor_.advance();
        return *this;
    }
    BindingMemberIterator operator++(int) {
        BindingMemberIterator before = *this;
        cursor_.advance();
        return before;
    }
    bool operator==(const BindingMemberIterator& other) const { return cursor_ == other.cursor_; }

private:
    BindingMemberCursor cursor_;
};

class BindingMutableMemberIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = BindingMutableMember;
    using difference_type = std::ptrdiff_t;
    using reference = BindingMutableMember;
    using pointer = void;

    BindingMutableMemberIterator() = default;
    explicit BindingMutableMemberIterator(BindingMemberCursor cursor) : cursor_(cursor) {}

    BindingMutableMember operator*() const {
        const BindingMemberSlot& slot = cursor_.current();
        return {slot.view(), *slot.value};
    }
    BindingMutableMemberIterator& operator++() {
        cursor_.advance();
        return *this;
    }
    BindingMutableMemberIterator operator++(int) {
        BindingMutableMemberIterator before = *this;
        cursor_.advance();
        return before;
    }
    bool operator==(const BindingMutableMemberIterator& other) const { return cursor_ == other.cursor_; }

private:
    BindingMemberCursor cursor_;
};

// The members of one structure (or none), as a range.
template <class Iterator>
class BindingMemberRangeOf {
public:
    BindingMemberRangeOf() = default;
    BindingMemberRangeOf(const BindingMemberSlot* sorted, uint32_t size, const BindingMemberSlot* late,
                         uint32_t lateSize)
        : sorted_(sorted), late_(late), size_(size), lateSize_(lateSize) {}

    Iterator begin() const { return Iterator(BindingMemberCursor(sorted_, sorted_ + size_, late_, late_ + lateSize_)); }
    Iterator end() const {
        return Iterator(BindingMemberCursor(sorted_ + size_, sorted_ + size_, late_ + lateSize_, late_ + lateSize_));
    }
    std::size_t size() const { return std::size_t{size_} + lateSize_; }
    bool empty() const { return size() == 0; }

private:
    const BindingMemberSlot* sorted_ = nullptr;
    const BindingMemberSlot* late_ = nullptr;
    uint32_t size_ = 0;
    uint32_t lateSize_ = 0;
};

class BindingMemberRange : public BindingMemberRangeOf<BindingMemberIterator> {
    using BindingMemberRangeOf::BindingMemberRangeOf;
};
class BindingMutableMemberRange : public BindingMemberRangeOf<BindingMutableMemberIterator> {
    using BindingMemberRangeOf::BindingMemberRangeOf;
};

inline BindingMemberRange BindingProperty::Members() const {
    if (!IsStructure()) return {};
    const Structure& members = *payload_.structure;
    return {members.sorted, members.size, members.late, members.lateSize};
}

inline BindingMutableMemberRange BindingProperty::MembersForWrite() {
    if (!IsStructure()) return {};
    const Structure& members = *payload_.structure;
    return {members.sorted, members.size, members.late, members.lateSize};
}

}  // namespace kor
