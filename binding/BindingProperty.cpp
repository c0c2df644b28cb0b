#include "binding/BindingProperty.h"

#include "binding/StaticTypeId.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <tuple>

namespace kor {
namespace {

constexpr char kTooLong[] = "vector<T> too long";

// The empty value that absent elements and members read as. Constant
// initialisation keeps it usable from other static initialisers.
constinit const BindingProperty gEmptyValue;

bool SlotBefore(const BindingMemberSlot& slot, uint64_t prefix, std::string_view key) {
    if (slot.prefix != prefix) return slot.prefix < prefix;
    return BindingKeyTextLess(slot.view(), key);
}

bool SlotIs(const BindingMemberSlot& slot, uint64_t prefix, std::string_view key) {
    return slot.prefix == prefix && BindingKeyTextEqual(slot.view(), key);
}

// The first slot of a sorted run that does not sort before the key.
uint32_t LowerBound(const BindingMemberSlot* run, uint32_t count, uint64_t prefix, std::string_view key) {
    uint32_t first = 0;
    while (count > 0) {
        const uint32_t half = count / 2;
        if (SlotBefore(run[first + half], prefix, key)) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return first;
}

// The size of the main run from which keys out of order go to the late run.
constexpr uint32_t kLateRunFrom = 256;

// How long the late run may grow before it is merged: about the square root
// of the main run, which balances the shifts inside the late run against the
// cost of the merges.
uint32_t LateLimit(uint32_t sortedSize) {
    uint32_t limit = 16;
    while (uint64_t{limit} * limit < sortedSize) limit *= 2;
    return limit;
}

// A run with room for at least `needed` slots. Small runs step through 1 and
// 3 slots, which fit the pools; larger ones double.
BindingMemberSlot* GrowRun(BindingPropertyContext& context, BindingMemberSlot* run, uint32_t size, uint32_t& capacity,
                           std::size_t needed) {
    std::size_t grown = capacity == 0 ? 1 : capacity == 1 ? 3 : std::size_t{capacity} * 2;
    if (grown < needed) grown = needed;
    if (grown > UINT32_MAX / sizeof(BindingMemberSlot)) throw std::bad_alloc();
    auto* fresh = static_cast<BindingMemberSlot*>(
        context.Allocate(sizeof(BindingMemberSlot) * grown, alignof(BindingMemberSlot)));
    if (size != 0) std::memcpy(fresh, run, sizeof(BindingMemberSlot) * size);
    if (capacity != 0) context.Release(run, sizeof(BindingMemberSlot) * capacity, alignof(BindingMemberSlot));
    capacity = static_cast<uint32_t>(grown);
    return fresh;
}

}  // namespace

// ---- Construction, assignment, destruction ----

BindingProperty::BindingProperty(const BindingProperty& other) : BindingProperty() {
    // The delegated constructor has finished, so the destructor releases a
    // partial copy if this throws.
    CopyTree(*this, other);
}

BindingProperty::BindingProperty(BindingProperty&& other) : BindingProperty() { MoveFrom(other); }

BindingProperty& BindingProperty::operator=(const BindingProperty& other) {
    if (this == &other) return *this;
    if (context_ != nullptr && context_ == other.context_) {
        // One may contain the other: copy aside first, then replace.
        BindingProperty staging(ChildTag(), context_);
        CopyTree(staging, other);
        Clear();
        TakeContent(staging);
        return *this;
    }
    Clear();
    CopyTree(*this, other);
    return *this;
}

BindingProperty& BindingProperty::operator=(BindingProperty&& other) {
    if (this != &other) MoveFrom(other);
    return *this;
}

BindingProperty::~BindingProperty() {
    if (owner_ != 0 && context_ != nullptr) {
        // The whole tree dies with its context, whose pools give back their
        // memory wholesale: releasing each value into them first would only
        // cost time.
        if (context_->HasLiveBlobs()) ReleaseBlobBytes();
        delete context_;
        return;
    }
    Clear();
}

const BindingProperty& BindingProperty::EmptyValue() { return gEmptyValue; }

void BindingProperty::MoveFrom(BindingProperty& other) {
    if (owner_ != 0 && other.owner_ != 0) {
        std::swap(payload_, other.payload_);
        std::swap(context_, other.context_);
        std::swap(kind_, other.kind_);
        other.Clear();
        return;
    }
    if (context_ != nullptr && context_ == other.context_) {
        MoveWithinTree(other);
        return;
    }
    Clear();
    CopyTree(*this, other);
    other.Clear();
}

void BindingProperty::MoveWithinTree(BindingProperty& other) {
    // A copy of `other` placed inside `other` would be destroyed with it by
    // the clear that ends every move, so nothing is left but an empty source.
    if (owner_ == 0 && (other.owner_ != 0 || other.Contains(this))) {
        other.Clear();
        return;
    }
    // Same tree and no cycle possible: the content changes place in constant
    // time instead of being copied.
    BindingProperty detached(ChildTag(), context_);
    detached.TakeContent(other);
    Clear();  // may destroy `other` when it lay inside this value; it is empty by now
    TakeContent(detached);
}

bool BindingProperty::Contains(const BindingProperty* value) const {
    std::vector<const BindingProperty*> pending{this};
    while (!pending.empty()) {
        const BindingProperty* current = pending.back();
        pending.pop_back();
        if (current->IsCollection()) {
            for (const BindingProperty& element : current->Elements()) {
                if (&element == value) return true;
                if (element.IsCollection() || element.IsStructure()) pending.push_back(&element);
            }
        } else if (current->IsStructure()) {
            for (const BindingMember member : current->Members()) {
                if (&member.value == value) return true;
                if (member.value.IsCollection() || member.value.IsStructure()) pending.push_back(&member.value);
            }
        }
    }
    return false;
}

void BindingProperty::TakeContent(BindingProperty& from) noexcept {
    payload_ = from.payload_;
    kind_ = from.kind_;
    from.payload_.bits = 0;
    from.kind_ = BindingPropertyKind::Empty;
}

BindingPropertyContext& BindingProperty::EnsureContext() {
    if (context_ == nullptr) context_ = new BindingPropertyContext();
    return *context_;
}

// ---- Clearing ----

void BindingProperty::Clear() noexcept {
    switch (kind_) {
        case BindingPropertyKind::String:
            if (payload_.string != BindingStringTable::EmptyEntry()) context_->strings().Release(payload_.string);
            break;
        case BindingPropertyKind::Blob:
            std::destroy_at(payload_.blob);
            context_->Release(payload_.blob, sizeof(std::vector<uint8_t>), alignof(std::vector<uint8_t>));
            context_->NoteBlobDestroyed();
            break;
        case BindingPropertyKind::Enum:
            context_->Release(payload_.enumValue, sizeof(BindingEnumValue), alignof(BindingEnumValue));
            break;
        case BindingPropertyKind::Collection:
            DestroyContainers(*context_, payload_.elements, nullptr);
            break;
        case BindingPropertyKind::Structure:
            DestroyContainers(*context_, nullptr, payload_.structure);
            break;
        default:
            break;
    }
    payload_.bits = 0;
    kind_ = BindingPropertyKind::Empty;
}

// Destroys containers without recursion, so that trees of any depth (a
// decoder may build millions of nested levels) cannot exhaust the stack:
// nested containers are detached from their parents onto two intrusive lists
// and destroyed in turn; leaves are cleared where they are.
void BindingProperty::DestroyContainers(BindingPropertyContext& context, ElementVector* elements,
                                        Structure* structure) noexcept {
    if (elements != nullptr) elements->pendingNext = nullptr;
    if (structure != nullptr) structure->pendingNext = nullptr;

    auto detachOrClear = [&](BindingProperty& value) {
        if (value.kind_ == BindingPropertyKind::Collection) {
            value.payload_.elements->pendingNext = elements;
            elements = value.payload_.elements;
        } else if (value.kind_ == BindingPropertyKind::Structure) {
            value.payload_.structure->pendingNext = structure;
            structure = value.payload_.structure;
        } else {
            value.Clear();
            return;
        }
        value.payload_.bits = 0;
        value.kind_ = BindingPropertyKind::Empty;
    };

    while (elements != nullptr || structure != nullptr) {
        if (elements != nullptr) {
            ElementVector* vector = elements;
            elements = vector->pendingNext;
            for (uint32_t index = 0; index < vector->size; ++index) {
                detachOrClear(vector->data[index]);
                std::destroy_at(&vector->data[index]);
            }
            context.Release(vector->data, sizeof(BindingProperty) * vector->capacity, alignof(BindingProperty));
            context.Release(vector, sizeof(ElementVector), alignof(ElementVector));
        } else {
            Structure* members = structure;
            structure = members->pendingNext;
            auto releaseRun = [&](BindingMemberSlot* run, uint32_t size, uint32_t capacity) {
                for (uint32_t index = 0; index < size; ++index) {
                    BindingProperty* value = run[index].value;
                    detachOrClear(*value);
                    std::destroy_at(value);
                    context.Release(value, sizeof(BindingProperty), alignof(BindingProperty));
                    context.strings().Release(run[index].entry);
                }
                if (capacity != 0) context.Release(run, sizeof(BindingMemberSlot) * capacity, alignof(BindingMemberSlot));
            };
            releaseRun(members->sorted, members->size, members->capacity);
            releaseRun(members->late, members->lateSize, members->lateCapacity);
            context.Release(members, sizeof(Structure), alignof(Structure));
        }
    }
}

namespace {

bool MayHoldBlobBytes(BindingPropertyKind kind) {
    return kind == BindingPropertyKind::Blob || kind == BindingPropertyKind::Collection ||
           kind == BindingPropertyKind::Structure;
}

}  // namespace

// Frees the blob bytes of the tree below this root, the only memory of a
// tree that its context does not take back by itself.
void BindingProperty::ReleaseBlobBytes() noexcept {
    std::vector<BindingProperty*> pending;
    try {
        pending.push_back(this);
        while (!pending.empty()) {
            BindingProperty* value = pending.back();
            pending.pop_back();
            if (value->kind_ == BindingPropertyKind::Blob) {
                value->Clear();
            } else if (value->kind_ == BindingPropertyKind::Collection) {
                for (uint32_t index = 0; index < value->payload_.elements->size; ++index) {
                    BindingProperty& element = value->payload_.elements->data[index];
                    if (MayHoldBlobBytes(element.kind_)) pending.push_back(&element);
                }
            } else if (value->kind_ == BindingPropertyKind::Structure) {
                for (const BindingMutableMember member : value->MembersForWrite()) {
                    if (MayHoldBlobBytes(member.value.kind_)) pending.push_back(&member.value);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        Clear();  // no memory to walk with: release everything the slow way
    }
}

// ---- Setters ----

void BindingProperty::SetScalar(BindingPropertyKind kind, Payload payload) noexcept {
    Clear();
    payload_ = payload;
    kind_ = kind;
}

void BindingProperty::SetBool(bool value) {
    Payload payload{};
    payload.boolean = value;
    SetScalar(BindingPropertyKind::Bool, payload);
}

void BindingProperty::SetSigned(int64_t value) {
    Payload payload{};
    payload.signedValue = value;
    SetScalar(BindingPropertyKind::Signed, payload);
}

void BindingProperty::SetUnsigned(uint64_t value) {
    Payload payload{};
    payload.unsignedValue = value;
    SetScalar(BindingPropertyKind::Unsigned, payload);
}

void BindingProperty::SetFloat(double value) {
    Payload payload{};
    payload.floatValue = value;
    SetScalar(BindingPropertyKind::Float, payload);
}

void BindingProperty::SetStringEntry(const BindingInternedString* entry) noexcept {
    Payload payload{};
    payload.string = entry;
    SetScalar(BindingPropertyKind::String, payload);
}

void BindingProperty::SetString(std::string_view text) {
    // Interned before the old content goes: `text` may be that content.
    const BindingInternedString* entry =
        text.empty() ? BindingStringTable::EmptyEntry() : EnsureContext().strings().Intern(text);
    SetStringEntry(entry);
}

void BindingProperty::SetString(const char* text) { SetString(text != nullptr ? std::string_view(text) : std::string_view()); }

void BindingProperty::SetBlob(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    SetBlob(std::move(copy));
}

void BindingProperty::SetBlob(std::vector<uint8_t>&& bytes) {
    BindingPropertyContext& context = EnsureContext();
    void* block = context.Allocate(sizeof(std::vector<uint8_t>), alignof(std::vector<uint8_t>));
    Payload payload{};
    payload.blob = new (block) std::vector<uint8_t>(std::move(bytes));
    bytes.clear();
    SetScalar(BindingPropertyKind::Blob, payload);
    context.NoteBlobCreated();
}

void BindingProperty::SetEnum(int32_t number, const StaticTypeId& type) {
    BindingPropertyContext& context = EnsureContext();
    void* block = context.Allocate(sizeof(BindingEnumValue), alignof(BindingEnumValue));
    Payload payload{};
    payload.enumValue = new (block) BindingEnumValue{number, &type};
    SetScalar(BindingPropertyKind::Enum, payload);
}

BindingProperty& BindingProperty::MakeCollection() {
    if (IsCollection()) return *this;
    BindingPropertyContext& context = EnsureContext();
    void* block = context.Allocate(sizeof(ElementVector), alignof(ElementVector));
    Payload payload{};
    payload.elements = new (block) ElementVector();
    SetScalar(BindingPropertyKind::Collection, payload);
    return *this;
}

BindingProperty& BindingProperty::MakeStructure() {
    if (IsStructure()) return *this;
    BindingPropertyContext& context = EnsureContext();
    void* block = context.Allocate(sizeof(Structure), alignof(Structure));
    Payload payload{};
    payload.structure = new (block) Structure();
    SetScalar(BindingPropertyKind::Structure, payload);
    return *this;
}

// ---- Getters ----

bool BindingProperty::GetBool(bool defaultValue) const {
    return kind_ == BindingPropertyKind::Bool ? payload_.boolean : defaultValue;
}

int64_t BindingProperty::GetSigned(int64_t defaultValue) const {
    return kind_ == BindingPropertyKind::Signed ? payload_.signedValue : defaultValue;
}

uint64_t BindingProperty::GetUnsigned(uint64_t defaultValue) const {
    return kind_ == BindingPropertyKind::Unsigned ? payload_.unsignedValue : defaultValue;
}

double BindingProperty::GetFloat(double defaultValue) const {
    return kind_ == BindingPropertyKind::Float ? payload_.floatValue : defaultValue;
}

std::string_view BindingProperty::GetString(std::string_view defaultValue) const {
    return kind_ == BindingPropertyKind::String ? payload_.string->view() : defaultValue;
}

const char* BindingProperty::GetCString(const char* defaultValue) const {
    return kind_ == BindingPropertyKind::String ? payload_.string->text : defaultValue;
}

std::span<const uint8_t> BindingProperty::GetBlob(std::span<const uint8_t> defaultValue) const {
    return kind_ == BindingPropertyKind::Blob ? std::span<const uint8_t>(*payload_.blob) : defaultValue;
}

BindingEnumValue BindingProperty::GetEnum(BindingEnumValue defaultValue) const {
    return kind_ == BindingPropertyKind::Enum ? *payload_.enumValue : defaultValue;
}

std::size_t BindingProperty::Size() const {
    switch (kind_) {
        case BindingPropertyKind::Empty:
            return 0;
        case BindingPropertyKind::String:
            return payload_.string->length;
        case BindingPropertyKind::Blob:
            return payload_.blob->size();
        case BindingPropertyKind::Collection:
            return payload_.elements->size;
        case BindingPropertyKind::Structure:
            return payload_.structure->count();
        default:
            return 1;
    }
}

// ---- Collections ----

void BindingProperty::Reserve(std::size_t count) {
    if (count > kMaxElements) throw std::length_error(kTooLong);
    MakeCollection();
    if (count > payload_.elements->capacity) ReallocateElements(count);
}

void BindingProperty::ReallocateElements(std::size_t capacity) {
    ElementVector& vector = *payload_.elements;
    auto* fresh = static_cast<BindingProperty*>(
        context_->Allocate(sizeof(BindingProperty) * capacity, alignof(BindingProperty)));
    for (uint32_t index = 0; index < vector.size; ++index) {
        new (&fresh[index]) BindingProperty(RelocateTag(), vector.data[index]);
    }
    context_->Release(vector.data, sizeof(BindingProperty) * vector.capacity, alignof(BindingProperty));
    vector.data = fresh;
    vector.capacity = static_cast<uint32_t>(capacity);
}

void BindingProperty::GrowElements(std::size_t needed) {
    if (needed > kMaxElements) throw std::length_error(kTooLong);
    std::size_t capacity = payload_.elements->capacity;
    if (needed <= capacity) return;
    std::size_t grown = capacity < 4 ? capacity + 1 : capacity * 2;
    ReallocateElements(std::min(std::max(grown, needed), kMaxElements));
}

const BindingProperty& BindingProperty::Element(std::size_t index) const {
    if (!IsCollection() || index >= payload_.elements->size) return gEmptyValue;
    return payload_.elements->data[index];
}

BindingProperty& BindingProperty::ElementForWrite(std::size_t index) {
    if (IsCollection() && index < payload_.elements->size) return payload_.elements->data[index];
    if (index >= kMaxElements) throw std::length_error(kTooLong);
    MakeCollection();
    ElementVector& vector = *payload_.elements;
    GrowElements(index + 1);
    while (vector.size <= index) {
        new (&vector.data[vector.size]) BindingProperty(ChildTag(), context_);
        ++vector.size;
    }
    return vector.data[index];
}

BindingProperty& BindingProperty::Append() {
    std::size_t size = IsCollection() ? payload_.elements->size : 0;
    return ElementForWrite(size);
}

std::span<const BindingProperty> BindingProperty::Elements() const {
    if (!IsCollection()) return {};
    return {payload_.elements->data, payload_.elements->size};
}

std::span<BindingProperty> BindingProperty::ElementsForWrite() {
    if (!IsCollection()) return {};
    return {payload_.elements->data, payload_.elements->size};
}

// ---- Structures ----

const BindingMemberSlot* BindingProperty::FindSlot(const Structure& members, uint64_t prefix, std::string_view key) {
    const uint32_t position = LowerBound(members.sorted, members.size, prefix, key);
    if (position < members.size && SlotIs(members.sorted[position], prefix, key)) return &members.sorted[position];
    if (members.lateSize == 0) return nullptr;
    const uint32_t late = LowerBound(members.late, members.lateSize, prefix, key);
    if (late < members.lateSize && SlotIs(members.late[late], prefix, key)) return &members.late[late];
    return nullptr;
}

void BindingProperty::ReserveMembers(std::size_t count) {
    MakeStructure();
    Structure& members = *payload_.structure;
    if (count > members.capacity) {
        members.sorted = GrowRun(*context_, members.sorted, members.size, members.capacity, count);
    }
    // The keys to come are new to this structure, and mostly new to the tree
    // as well: the intern table takes them without rehashing on the way.
    if (count > members.count()) {
        BindingStringTable& strings = context_->strings();
        strings.Reserve(strings.EntryCount() + (count - members.count()));
    }
}

const BindingProperty* BindingProperty::FindMember(std::string_view key) const {
    if (!IsStructure()) return nullptr;
    const BindingMemberSlot* slot = FindSlot(*payload_.structure, BindingKeyPrefix(key), key);
    return slot != nullptr ? slot->value : nullptr;
}

const BindingProperty& BindingProperty::Member(std::string_view key) const {
    const BindingProperty* member = FindMember(key);
    return member != nullptr ? *member : gEmptyValue;
}

// Inserts a new member at `position` of the main or late run. Everything that
// can fail happens before the structure changes.
[[gnu::always_inline]] inline BindingProperty& BindingProperty::InsertMember(bool late, uint32_t position, uint64_t prefix, std::string_view key,
                                               const BindingInternedString* sourceEntry) {
    Structure& members = *payload_.structure;
    BindingPropertyContext& context = *context_;
    if (late && members.lateSize >= LateLimit(members.size)) {
        MergeLateMembers(context, members);
        late = false;
        position = LowerBound(members.sorted, members.size, prefix, key);
    }
    if (late && members.lateSize == members.lateCapacity) {
        members.late = GrowRun(context, members.late, members.lateSize, members.lateCapacity, members.lateSize + 1);
    } else if (!late && members.size == members.capacity) {
        members.sorted = GrowRun(context, members.sorted, members.size, members.capacity, members.size + 1);
    }
    void* block = context.Allocate(sizeof(BindingProperty), alignof(BindingProperty));
    const BindingInternedString* entry = nullptr;
    try {
        entry = sourceEntry != nullptr ? context.strings().Intern(key, sourceEntry->hash) : context.strings().Intern(key);
    } catch (...) {
        context.Release(block, sizeof(BindingProperty), alignof(BindingProperty));
        throw;
    }
    auto* value = new (block) BindingProperty(ChildTag(), context_);
    BindingMemberSlot* run = late ? members.late : members.sorted;
    uint32_t& size = late ? members.lateSize : members.size;
    if (position != size) {
        std::memmove(run + position + 1, run + position, sizeof(BindingMemberSlot) * (size - position));
    }
    run[position] = BindingMemberSlot{prefix, entry, value};
    ++size;
    return *value;
}

BindingProperty& BindingProperty::MemberForWrite(std::string_view key) {
    MakeStructure();
    Structure& members = *payload_.structure;
    const uint64_t prefix = BindingKeyPrefix(key);
    // The common case first: a key after every key of the main run.
    bool late = members.size != 0 && !SlotBefore(members.sorted[members.size - 1], prefix, key);
    uint32_t position = members.size;
    if (late) {
        position = LowerBound(members.sorted, members.size, prefix, key);
        if (SlotIs(members.sorted[position], prefix, key)) return *members.sorted[position].value;
        // Below a few hundred members, shifting part of the main run costs
        // less than keeping a late run apart.
        late = members.size >= kLateRunFrom;
    }
    if (members.lateSize != 0) {  // left from a time the structure was larger
        const uint32_t latePosition = LowerBound(members.late, members.lateSize, prefix, key);
        if (latePosition < members.lateSize && SlotIs(members.late[latePosition], prefix, key)) {
            return *members.late[latePosition].value;
        }
        if (late) position = latePosition;
    } else if (late) {
        position = 0;
    }
    return InsertMember(late, position, prefix, key, nullptr);
}

// Merges the late run into the main run from the back, moving each stretch
// of main-run slots that lies above the next late slot in one go.
void BindingProperty::MergeLateMembers(BindingPropertyContext& context, Structure& members) {
    const std::size_t total = members.count();
    if (total > members.capacity) {
        members.sorted = GrowRun(context, members.sorted, members.size, members.capacity, total);
    }
    uint32_t sorted = members.size;
    uint32_t late = members.lateSize;
    auto free = static_cast<uint32_t>(total);
    while (late > 0) {
        const BindingMemberSlot& next = members.late[late - 1];
        const uint32_t above = sorted - LowerBound(members.sorted, sorted, next.prefix, next.view());
        std::memmove(members.sorted + free - above, members.sorted + sorted - above, sizeof(BindingMemberSlot) * above);
        free -= above;
        sorted -= above;
        members.sorted[--free] = members.late[--late];
    }
    members.size = static_cast<uint32_t>(total);
    members.lateSize = 0;
}

bool BindingProperty::EraseMember(std::string_view key) {
    if (!IsStructure()) return false;
    Structure& members = *payload_.structure;
    const BindingMemberSlot* found = FindSlot(members, BindingKeyPrefix(key), key);
    if (found == nullptr) return false;
    const bool late = found >= members.late && found < members.late + members.lateSize;
    BindingMemberSlot* run = late ? members.late : members.sorted;
    uint32_t& size = late ? members.lateSize : members.size;
    const auto position = static_cast<uint32_t>(found - run);
    const BindingMemberSlot slot = *found;
    std::memmove(run + position, run + position + 1, sizeof(BindingMemberSlot) * (size - position - 1));
    --size;
    slot.value->Clear();
    std::destroy_at(slot.value);
    context_->Release(slot.value, sizeof(BindingProperty), alignof(BindingProperty));
    context_->strings().Release(slot.entry);
    return true;
}

// Appends a member whose key sorts after every key already present (copies
// visit the source in key order), so each insertion is constant time.
BindingProperty& BindingProperty::AppendMemberInOrder(const BindingMemberSlot& source) {
    return InsertMember(false, payload_.structure->size, source.prefix, source.view(), source.entry);
}

// ---- Deep copy ----

void BindingProperty::CopyStringFrom(const BindingProperty& source) {
    const BindingInternedString* entry = source.payload_.string;
    if (entry == BindingStringTable::EmptyEntry()) {
        SetStringEntry(entry);
    } else if (context_ != nullptr && context_ == source.context_) {
        context_->strings().AddReference(entry);
        SetStringEntry(entry);
    } else {
        SetStringEntry(EnsureContext().strings().Intern(entry->view(), entry->hash));
    }
}

// Copies the payload of `source` into this empty value; for a container,
// creates its empty elements or members and queues them with their sources.
template <class Pending>
void BindingProperty::CopyShellFrom(const BindingProperty& source, Pending& pending) {
    switch (source.kind_) {
        case BindingPropertyKind::Empty:
            break;
        case BindingPropertyKind::Bool:
        case BindingPropertyKind::Signed:
        case BindingPropertyKind::Unsigned:
        case BindingPropertyKind::Float:
            SetScalar(source.kind_, source.payload_);
            break;
        case BindingPropertyKind::String:
            CopyStringFrom(source);
            break;
        case BindingPropertyKind::Blob:
            SetBlob(source.GetBlob());
            break;
        case BindingPropertyKind::Enum:
            SetEnum(source.payload_.enumValue->number, *source.payload_.enumValue->type);
            break;
        case BindingPropertyKind::Collection: {
            std::span<const BindingProperty> elements = source.Elements();
            Reserve(elements.size());
            for (std::size_t index = 0; index < elements.size(); ++index) Append();
            // The capacity was reserved, so the new elements stay in place.
            std::span<BindingProperty> targets = ElementsForWrite();
            for (std::size_t index = 0; index < elements.size(); ++index) {
                if (!elements[index].IsEmpty()) pending.push_back({&elements[index], &targets[index]});
            }
            break;
        }
        case BindingPropertyKind::Structure:
        {
            MakeStructure();
            const Structure& from = *source.payload_.structure;
            ReserveMembers(from.count());
            BindingMemberCursor cursor(from.sorted, from.sorted + from.size, from.late, from.late + from.lateSize);
            for (std::size_t left = from.count(); left != 0; --left) {
                const BindingMemberSlot& slot = cursor.current();
                BindingProperty& target = AppendMemberInOrder(slot);
                if (!slot.value->IsEmpty()) pending.push_back({slot.value, &target});
                cursor.advance();
            }
        }
            break;
    }
}

// Copies without recursion (see DestroyContainers): an explicit list holds
// the source/target pairs still to be filled. `target` must be empty.
void BindingProperty::CopyTree(BindingProperty& target, const BindingProperty& source) {
    struct Pair {
        const BindingProperty* source;
        BindingProperty* target;
    };
    std::vector<Pair> pending;
    pending.push_back({&source, &target});
    while (!pending.empty()) {
        Pair pair = pending.back();
        pending.pop_back();
        pair.target->CopyShellFrom(*pair.source, pending);
    }
}

// ---- Equality ----

bool BindingProperty::operator==(const BindingProperty& other) const {
    std::vector<std::pair<const BindingProperty*, const BindingProperty*>> pending{{this, &other}};
    while (!pending.empty()) {
        auto [a, b] = pending.back();
        pending.pop_back();
        if (a->kind_ != b->kind_) return false;
        switch (a->kind_) {
            case BindingPropertyKind::Empty:
                break;
            case BindingPropertyKind::Bool:
                if (a->payload_.boolean != b->payload_.boolean) return false;
                break;
            case BindingPropertyKind::Signed:
            case BindingPropertyKind::Unsigned:
                if (a->payload_.unsignedValue != b->payload_.unsignedValue) return false;
                break;
            case BindingPropertyKind::Float:
                if (a->payload_.floatValue != b->payload_.floatValue) return false;
                break;
            case BindingPropertyKind::String:
                if (a->GetString() != b->GetString()) return false;
                break;
            case BindingPropertyKind::Blob:
                if (!std::ranges::equal(a->GetBlob(), b->GetBlob())) return false;
                break;
            case BindingPropertyKind::Enum: {
                const BindingEnumValue& x = *a->payload_.enumValue;
                const BindingEnumValue& y = *b->payload_.enumValue;
                if (x.number != y.number || x.type->id != y.type->id) return false;
                break;
            }
            case BindingPropertyKind::Collection: {
                std::span<const BindingProperty> left = a->Elements();
                std::span<const BindingProperty> right = b->Elements();
                if (left.size() != right.size()) return false;
                for (std::size_t index = 0; index < left.size(); ++index) pending.push_back({&left[index], &right[index]});
                break;
            }
            case BindingPropertyKind::Structure: {
                const BindingMemberRange left = a->Members();
                const BindingMemberRange right = b->Members();
                if (left.size() != right.size()) return false;
                for (auto l = left.begin(), r = right.begin(); l != left.end(); ++l, ++r) {
                    const BindingMember x = *l;
                    const BindingMember y = *r;
                    if (x.key != y.key) return false;
                    pending.push_back({&x.value, &y.value});
                }
                break;
            }
        }
    }
    return true;
}

}  // namespace kor
