#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kor::hostkit {

struct HostMember;

// A value tree owned by the host: what a host builds to send to the plug-in
// and what it reads back from the plug-in's plain records. Structure members
// keep the order in which they were set; names are unique within a structure.
class HostValue {
public:
    enum class Kind : uint8_t { Empty, Bool, Signed, Unsigned, Float, String, Blob, Collection, Structure };
    using Bytes = std::vector<uint8_t>;
    using Items = std::vector<HostValue>;
    using Members = std::vector<HostMember>;

    HostValue() = default;  // empty
    // Defined where HostMember is complete: clang instantiates the variant's
    // special members at once, and a vector of an incomplete type cannot be
    // destroyed or copied there.
    HostValue(const HostValue& other);
    HostValue(HostValue&& other) noexcept;
    HostValue& operator=(const HostValue& other);
    HostValue& operator=(HostValue&& other) noexcept;
    ~HostValue();

    static HostValue Bool(bool value);
    static HostValue Signed(int64_t value);
    static HostValue Unsigned(uint64_t value);
    static HostValue Float(double value);
    static HostValue String(std::string text);
    static HostValue Blob(Bytes bytes);
    static HostValue Collection(Items items = {});
    // Members are set in the given order; a repeated name replaces the value
    // of the earlier member and keeps its position.
    static HostValue Structure(std::initializer_list<HostMember> members = {});

    Kind kind() const { return static_cast<Kind>(data_.index()); }
    bool IsEmpty() const { return kind() == Kind::Empty; }

    // Typed reads: nothing (or null) when the value is of another kind.
    std::optional<bool> AsBool() const;
    std::optional<int64_t> AsSigned() const;
    std::optional<uint64_t> AsUnsigned() const;
    std::optional<double> AsFloat() const;
    const std::string* AsString() const;
    const Bytes* AsBlob() const;
    const Items* AsItems() const;
    const Members* AsMembers() const;

    // Builders. An empty value first becomes a collection (Append) or a
    // structure (Set); on any other kind they throw std::logic_error, since
    // silently discarding the value would hide the caller's mistake.
    HostValue& Append(HostValue item);
    HostValue& Set(std::string name, HostValue value);
    // Set for a name the caller knows the structure does not hold yet: no
    // search, so building a structure of n members costs n, not n squared.
    HostValue& SetNew(std::string name, HostValue value);

    // The member of a structure with this name, or null.
    const HostValue* Find(std::string_view name) const;

    // Elements of a collection or members of a structure; 0 otherwise.
    std::size_t size() const;

    // Deep equality; floats compare with ==, so a NaN never equals itself.
    friend bool operator==(const HostValue& left, const HostValue& right);

private:
    // The alternatives follow the order of Kind.
    using Data = std::variant<std::monostate, bool, int64_t, uint64_t, double, std::string, Bytes, Items, Members>;
    Data data_;
};

struct HostMember {
    std::string name;
    HostValue value;

    friend bool operator==(const HostMember& left, const HostMember& right) {
        return left.name == right.name && left.value == right.value;
    }
};

// "empty", "bool", "signed", "unsigned", "float", "string", "blob",
// "collection", "structure".
std::string_view KindName(HostValue::Kind kind);

}  // namespace kor::hostkit
