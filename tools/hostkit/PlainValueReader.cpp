#include "tools/hostkit/PlainValueReader.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "abi/PlainValue.h"

namespace kor::hostkit {
namespace {

// Builds the host tree; the first problem found ends the walk, and `where`
// names the path to it ("value.items[2].name").
class PlainReader {
public:
    bool Read(const BindingPlainValue& plain, const std::string& where, int depth, HostValue& out) {
        if (depth > kMaxPlainDepth) return Fail(where, "is nested deeper than " + std::to_string(kMaxPlainDepth) + " levels");
        switch (static_cast<BindingPlainKind>(plain.kind)) {
            case BindingPlainKind::Empty: out = HostValue(); return true;
            case BindingPlainKind::Bool: out = HostValue::Bool(plain.payload.boolValue != 0); return true;
            case BindingPlainKind::Signed: out = HostValue::Signed(plain.payload.signedValue); return true;
            case BindingPlainKind::Unsigned: out = HostValue::Unsigned(plain.payload.unsignedValue); return true;
            case BindingPlainKind::Float: out = HostValue::Float(plain.payload.floatValue); return true;
            case BindingPlainKind::BorrowedString:
            case BindingPlainKind::OwnedString: return ReadString(plain, where, out);
            case BindingPlainKind::BorrowedBlob:
            case BindingPlainKind::OwnedBlob: return ReadBlob(plain, where, out);
            case BindingPlainKind::Collection: return ReadItems(plain, where, depth, out);
            case BindingPlainKind::Structure: return ReadMembers(plain, where, depth, out);
            default: return Fail(where, "has the unknown kind " + std::to_string(plain.kind));
        }
    }

    const std::string& error() const { return error_; }

private:
    bool Fail(const std::string& where, const std::string& problem) {
        error_ = "plain " + where + " " + problem;
        return false;
    }

    bool ReadString(const BindingPlainValue& plain, const std::string& where, HostValue& out) {
        const char* text = plain.payload.string.text;
        uint32_t length = plain.payload.string.length;
        if (text == nullptr) {
            if (length != 0) return Fail(where, "is a string with no text and length " + std::to_string(length));
            out = HostValue::String("");
            return true;
        }
        out = HostValue::String(std::string(text, strnlen(text, length)));
        return true;
    }

    bool ReadBlob(const BindingPlainValue& plain, const std::string& where, HostValue& out) {
        const uint8_t* data = plain.payload.blob.data;
        uint32_t size = plain.payload.blob.size;
        if (data == nullptr && size != 0) return Fail(where, "is a blob with no data and size " + std::to_string(size));
        out = HostValue::Blob(data == nullptr ? HostValue::Bytes{} : HostValue::Bytes(data, data + size));
        return true;
    }

    bool ReadItems(const BindingPlainValue& plain, const std::string& where, int depth, HostValue& out) {
        const BindingPlainValue* items = plain.payload.collection.items;
        uint32_t count = plain.payload.collection.count;
        if (items == nullptr && count != 0) return Fail(where, "is a collection with no elements and count " + std::to_string(count));
        HostValue::Items result;
        result.reserve(count < 1024 ? count : 1024);  // a bogus count must not allocate gigabytes up front
        for (uint32_t i = 0; i < count; ++i) {
            HostValue item;
            if (!Read(items[i], where + ".items[" + std::to_string(i) + "]", depth + 1, item)) return false;
            result.push_back(std::move(item));
        }
        out = HostValue::Collection(std::move(result));
        return true;
    }

    bool ReadMembers(const BindingPlainValue& plain, const std::string& where, int depth, HostValue& out) {
        const BindingPlainMember* members = plain.payload.structure.members;
        uint32_t count = plain.payload.structure.count;
        if (members == nullptr && count != 0) return Fail(where, "is a structure with no members and count " + std::to_string(count));
        HostValue result = HostValue::Structure();
        // A name seen before replaces the earlier member, as Set does.
        std::unordered_set<std::string_view> names;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string at = where + ".members[" + std::to_string(i) + "]";
            if (members[i].name == nullptr) return Fail(at, "has no name");
            HostValue value;
            if (!Read(members[i].value, at, depth + 1, value)) return false;
            if (names.insert(members[i].name).second) {
                result.SetNew(members[i].name, std::move(value));
            } else {
                result.Set(members[i].name, std::move(value));
            }
        }
        out = std::move(result);
        return true;
    }

    std::string error_;
};

}  // namespace

Outcome<HostValue> ReadPlainValue(const BindingPlainValue& plain) {
    PlainReader reader;
    HostValue value;
    if (!reader.Read(plain, "value", 0, value)) return Failure{reader.error()};
    return value;
}

}  // namespace kor::hostkit
