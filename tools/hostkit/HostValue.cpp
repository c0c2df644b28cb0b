#include "tools/hostkit/HostValue.h"

#include <stdexcept>
#include <utility>

namespace kor::hostkit {

HostValue::HostValue(const HostValue& other) = default;
HostValue::HostValue(HostValue&& other) noexcept = default;
HostValue& HostValue::operator=(const HostValue& other) = default;
HostValue& HostValue::operator=(HostValue&& other) noexcept = default;
HostValue::~HostValue() = default;

HostValue HostValue::Bool(bool value) {
    HostValue result;
    result.data_ = value;
    return result;
}

HostValue HostValue::Signed(int64_t value) {
    HostValue result;
    result.data_ = value;
    return result;
}

HostValue HostValue::Unsigned(uint64_t value) {
    HostValue result;
    result.data_ = value;
    return result;
}

HostValue HostValue::Float(double value) {
    HostValue result;
    result.data_ = value;
    return result;
}

HostValue HostValue::String(std::string text) {
    HostValue result;
    result.data_ = std::move(text);
    return result;
}

HostValue HostValue::Blob(Bytes bytes) {
    HostValue result;
    result.data_ = std::move(bytes);
    return result;
}

HostValue HostValue::Collection(Items items) {
    HostValue result;
    result.data_ = std::move(items);
    return result;
}

HostValue HostValue::Structure(std::initializer_list<HostMember> members) {
    HostValue result;
    result.data_ = Members{};
    for (const HostMember& member : members) result.Set(member.name, member.value);
    return result;
}

std::optional<bool> HostValue::AsBool() const {
    if (const bool* value = std::get_if<bool>(&data_)) return *value;
    return std::nullopt;
}

std::optional<int64_t> HostValue::AsSigned() const {
    if (const int64_t* value = std::get_if<int64_t>(&data_)) return *value;
    return std::nullopt;
}

std::optional<uint64_t> HostValue::AsUnsigned() const {
    if (const uint64_t* value = std::get_if<uint64_t>(&data_)) return *value;
    return std::nullopt;
}

std::optional<double> HostValue::AsFloat() const {
    if (const double* value = std::get_if<double>(&data_)) return *value;
    return std::nullopt;
}

const std::string* HostValue::AsString() const { return std::get_if<std::string>(&data_); }
const HostValue::Bytes* HostValue::AsBlob() const { return std::get_if<Bytes>(&data_); }
const HostValue::Items* HostValue::AsItems() const { return std::get_if<Items>(&data_); }
const HostValue::Members* HostValue::AsMembers() const { return std::get_if<Members>(&data_); }

HostValue& HostValue::Append(HostValue item) {
    if (IsEmpty()) data_ = Items{};
    Items* items = std::get_if<Items>(&data_);
    if (items == nullptr) throw std::logic_error("HostValue::Append on a value that is not a collection");
    items->push_back(std::move(item));
    return *this;
}

HostValue& HostValue::Set(std::string name, HostValue value) {
    if (IsEmpty()) data_ = Members{};
    Members* members = std::get_if<Members>(&data_);
    if (members == nullptr) throw std::logic_error("HostValue::Set on a value that is not a structure");
    for (HostMember& member : *members) {
        if (member.name == name) {
            member.value = std::move(value);
            return *this;
        }
    }
    members->push_back(HostMember{std::move(name), std::move(value)});
    return *this;
}

HostValue& HostValue::SetNew(std::string name, HostValue value) {
    if (IsEmpty()) data_ = Members{};
    Members* members = std::get_if<Members>(&data_);
    if (members == nullptr) throw std::logic_error("HostValue::SetNew on a value that is not a structure");
    members->push_back(HostMember{std::move(name), std::move(value)});
    return *this;
}

const HostValue* HostValue::Find(std::string_view name) const {
    const Members* members = AsMembers();
    if (members == nullptr) return nullptr;
    for (const HostMember& member : *members) {
        if (member.name == name) return &member.value;
    }
    return nullptr;
}

std::size_t HostValue::size() const {
    if (const Items* items = AsItems()) return items->size();
    if (const Members* members = AsMembers()) return members->size();
    return 0;
}

bool operator==(const HostValue& left, const HostValue& right) { return left.data_ == right.data_; }

std::string_view KindName(HostValue::Kind kind) {
    switch (kind) {
        case HostValue::Kind::Empty: return "empty";
        case HostValue::Kind::Bool: return "bool";
        case HostValue::Kind::Signed: return "signed";
        case HostValue::Kind::Unsigned: return "unsigned";
        case HostValue::Kind::Float: return "float";
        case HostValue::Kind::String: return "string";
        case HostValue::Kind::Blob: return "blob";
        case HostValue::Kind::Collection: return "collection";
        case HostValue::Kind::Structure: return "structure";
    }
    return "";
}

}  // namespace kor::hostkit
