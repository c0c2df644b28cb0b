#include "plugin/GameSettingsOwner.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "binding/BindingProperty.h"

namespace kor {
namespace {

uint64_t FloatToAccountId(double value) {
    // 2^64 is the first double beyond the range.
    constexpr double kBeyond = 18446744073709551616.0;
    if (std::isnan(value) || value <= 0) return 0;
    if (value >= kBeyond) return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(value);
}

uint64_t TextToAccountId(std::string_view text) {
    const std::string terminated(text);
    return std::strtoull(terminated.c_str(), nullptr, 0);
}

}  // namespace

uint64_t AccountIdOf(const BindingProperty& value) {
    switch (value.kind()) {
        case BindingPropertyKind::Bool:
            return value.GetBool() ? 1 : 0;
        case BindingPropertyKind::Signed:
            return static_cast<uint64_t>(value.GetSigned());
        case BindingPropertyKind::Unsigned:
            return value.GetUnsigned();
        case BindingPropertyKind::Float:
            return FloatToAccountId(value.GetFloat());
        case BindingPropertyKind::String:
            return TextToAccountId(value.GetString());
        case BindingPropertyKind::Enum:
            return static_cast<uint64_t>(static_cast<int64_t>(value.GetEnum().number));
        default:
            return 0;
    }
}

GameSettingsOwner OwnerFromRecord(const BindingProperty& record) {
    GameSettingsOwner owner;
    owner.accountId = AccountIdOf(record.Member("accountId"));
    owner.timestamp = record.Member("timestamp").GetUnsigned(0);
    owner.modified = record.Member("modified").GetBool(false);
    return owner;
}

BindingProperty OwnerRecord(const GameSettingsOwner& owner) {
    BindingProperty record;
    record.MemberForWrite("accountId").SetUnsigned(owner.accountId);
    record.MemberForWrite("modified").SetBool(owner.modified);
    record.MemberForWrite("timestamp").SetUnsigned(owner.timestamp);
    return record;
}

}  // namespace kor
