#include "plugin/SettingsGroups.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "binding/BindingProperty.h"
#include "config/ConfigFileCache.h"
#include "config/ConfigValueWriter.h"
#include "log/Log.h"

namespace kor {
namespace {

constexpr double kFloatLimit = 3.4028234663852886e38;
constexpr uint64_t kUnsignedLimit = 9223372036854775807ULL;
constexpr int64_t kSignedLimit = 2147483647;

// Alert codes of the assertion reports.
constexpr const char* kReadSignedOutOfRange = "ALE-9ACB0442";
constexpr const char* kReadUnsignedOutOfRange = "ALE-F0C5341E";
constexpr const char* kReadFloatOutOfRange = "ALE-AA209B8E";
constexpr const char* kWriteUnsignedOutOfRange = "ALE-700E0976";
constexpr const char* kWriteFloatOutOfRange = "ALE-6CB50B02";

bool FloatInRange(double value) { return std::fabs(value) < kFloatLimit; }

// The value one setting takes, held apart from any tree until it is known
// to be wanted: a value built as a tree of its own would bring its own pools
// and string table, and then be copied over into the destination.
struct SettingValue {
    BindingPropertyKind kind = BindingPropertyKind::Empty;
    bool boolean = false;
    int64_t integer = 0;
    double number = 0;
    std::string text;

    void StoreIn(BindingProperty& target) const {
        switch (kind) {
            case BindingPropertyKind::Bool:
                target.SetBool(boolean);
                break;
            case BindingPropertyKind::Signed:
                target.SetSigned(integer);
                break;
            case BindingPropertyKind::Float:
                target.SetFloat(number);
                break;
            default:
                target.SetString(text);
                break;
        }
    }
};

// The value one setting takes, read from `file` when given; Empty when the
// default's kind is not read at all or its value is out of range.
SettingValue ReadSetting(const BindingProperty& fallback, std::optional<std::string_view> file,
                         std::string_view section, std::string_view key, const ConfigPersistence* persisted) {
    ConfigFileCache& cache = ConfigFileCache::Instance();
    SettingValue value;
    switch (fallback.kind()) {
        case BindingPropertyKind::Bool: {
            bool b = fallback.GetBool();
            value.kind = BindingPropertyKind::Bool;
            value.boolean = file ? cache.GetBool(*file, section, key, b, persisted) : b;
            break;
        }
        case BindingPropertyKind::Signed: {
            int64_t v = fallback.GetSigned();
            // The lower bound guards the narrowing below as the upper one does.
            if (v >= kSignedLimit || v < std::numeric_limits<int32_t>::min()) {
                LogAssertionReport(kReadSignedOutOfRange);
                break;
            }
            auto n = static_cast<int32_t>(v);
            value.kind = BindingPropertyKind::Signed;
            value.integer = file ? cache.GetInt(*file, section, key, n, persisted) : n;
            break;
        }
        case BindingPropertyKind::Unsigned: {
            uint64_t v = fallback.GetUnsigned();
            if (v >= kUnsignedLimit) {
                LogAssertionReport(kReadUnsignedOutOfRange);
                break;
            }
            auto n = static_cast<int64_t>(v);
            value.kind = BindingPropertyKind::Signed;
            value.integer = file ? cache.GetInt64(*file, section, key, n, persisted) : n;
            break;
        }
        case BindingPropertyKind::Float: {
            double v = fallback.GetFloat();
            if (!FloatInRange(v)) {
                LogAssertionReport(kReadFloatOutOfRange);
                break;
            }
            auto f = static_cast<float>(v);
            value.kind = BindingPropertyKind::Float;
            value.number = file ? cache.GetFloat(*file, section, key, f, persisted) : f;
            break;
        }
        case BindingPropertyKind::String: {
            value.kind = BindingPropertyKind::String;
            value.text = fallback.GetString();
            if (file) value.text = cache.GetString(*file, section, key, value.text.c_str(), persisted);
            break;
        }
        default:
            break;
    }
    return value;
}

// Stages one value in `batch`; false for a value that cannot be written
// (nothing is staged then).
void WriteSetting(const BindingProperty& value, std::string_view file, std::string_view section,
                  std::string_view key, ConfigWriteBatch& batch) {
    switch (value.kind()) {
        case BindingPropertyKind::Bool:
            batch.WriteBool(file, section, key, value.GetBool());
            break;
        case BindingPropertyKind::Signed:
            batch.WriteInt64(file, section, key, value.GetSigned());
            break;
        case BindingPropertyKind::Unsigned:
            if (value.GetUnsigned() >= kUnsignedLimit) {
                LogAssertionReport(kWriteUnsignedOutOfRange);
                break;
            }
            batch.WriteInt64(file, section, key, static_cast<int64_t>(value.GetUnsigned()));
            break;
        case BindingPropertyKind::Float:
            if (!FloatInRange(value.GetFloat())) {
                LogAssertionReport(kWriteFloatOutOfRange);
                break;
            }
            batch.WriteFloat(file, section, key, static_cast<float>(value.GetFloat()));
            break;
        case BindingPropertyKind::String:
            batch.WriteString(file, section, key, value.GetString());
            break;
        default:
            break;
    }
}

}  // namespace

void ReadSettingsGroup(BindingProperty& destination, const BindingProperty& source,
                       std::optional<std::string_view> file, std::optional<std::string_view> suffix,
                       const ConfigPersistence* persisted) {
    // Reading into the very group that is being walked only ever replaces
    // values of members that exist, so the walk is never disturbed.
    for (const auto& [section, settings] : source.Members()) {
        // Found on the section's first value that is read, then kept: a
        // member keeps its address while others are added beside it.
        BindingProperty* target = nullptr;
        for (const auto& [key, fallback] : settings.Members()) {
            const SettingValue value = ReadSetting(fallback, file, section, key, persisted);
            if (value.kind == BindingPropertyKind::Empty) continue;
            if (target == nullptr) target = &destination.MemberForWrite(section);
            BindingProperty& slot = target->MemberForWrite(key);
            value.StoreIn(suffix ? slot.MemberForWrite(*suffix) : slot);
        }
    }
}

void WriteSettingsGroup(const BindingProperty& group, std::string_view file, ConfigWriteBatch& batch) {
    for (const auto& [section, settings] : group.Members()) {
        for (const auto& [key, value] : settings.Members()) WriteSetting(value, file, section, key, batch);
    }
}

void MergeSettings(BindingProperty& target, const BindingProperty& change) {
    for (const auto& [name, value] : change.Members()) {
        BindingProperty& member = target.MemberForWrite(name);
        if (value.IsStructure()) {
            MergeSettings(member, value);
        } else {
            member = value;
        }
    }
}

}  // namespace kor
