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

// The value one setting takes, read from `file` when given; empty when the
// default's kind is not read at all or its value is out of range.
BindingProperty ReadSetting(const BindingProperty& fallback, std::optional<std::string_view> file,
                            std::string_view section, std::string_view key, const ConfigPersistence* persisted) {
    ConfigFileCache& cache = ConfigFileCache::Instance();
    BindingProperty value;
    switch (fallback.kind()) {
        case BindingPropertyKind::Bool: {
            bool b = fallback.GetBool();
            value.SetBool(file ? cache.GetBool(*file, section, key, b, persisted) : b);
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
            value.SetSigned(file ? cache.GetInt(*file, section, key, n, persisted) : n);
            break;
        }
        case BindingPropertyKind::Unsigned: {
            uint64_t v = fallback.GetUnsigned();
            if (v >= kUnsignedLimit) {
                LogAssertionReport(kReadUnsignedOutOfRange);
                break;
            }
            auto n = static_cast<int64_t>(v);
            value.SetSigned(file ? cache.GetInt64(*file, section, key, n, persisted) : n);
            break;
        }
        case BindingPropertyKind::Float: {
            double v = fallback.GetFloat();
            if (!FloatInRange(v)) {
                LogAssertionReport(kReadFloatOutOfRange);
                break;
            }
            auto f = static_cast<float>(v);
            value.SetFloat(file ? cache.GetFloat(*file, section, key, f, persisted) : f);
            break;
        }
        case BindingPropertyKind::String: {
            std::string text(fallback.GetString());
            value.SetString(file ? cache.GetString(*file, section, key, text.c_str(), persisted) : text);
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
        for (const auto& [key, fallback] : settings.Members()) {
            BindingProperty value = ReadSetting(fallback, file, section, key, persisted);
            if (value.IsEmpty()) continue;
            BindingProperty& slot = destination.MemberForWrite(section).MemberForWrite(key);
            if (suffix) {
                slot.MemberForWrite(*suffix) = std::move(value);
            } else {
                slot = std::move(value);
            }
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
