#pragma once

#include <optional>
#include <string_view>

namespace kor {

class BindingProperty;
class ConfigPersistence;
class ConfigWriteBatch;

// A settings group is a structure: section name -> structure: setting name ->
// value (bool, signed, float or string). These operations move groups between
// the built-in defaults, the INI files and the settings resources.

// For every setting of `source` (in key order), reads its value by the kind of
// its default: from `file` when given (falling back to the default; the
// settings `persisted` owns come from that store instead, see
// ConfigFileCache), else the default itself, and stores it into
// `destination` at [section][setting], or at [section][setting][suffix] when
// a suffix is given. Integers become signed 64-bit values, floats pass
// through single precision. A default outside the range its kind can be read
// with is reported (assertion report) and skipped. `destination` may be
// `source` itself.
void ReadSettingsGroup(BindingProperty& destination, const BindingProperty& source,
                       std::optional<std::string_view> file, std::optional<std::string_view> suffix,
                       const ConfigPersistence* persisted);

// Stages every bool, integer, float and string setting of `group` for `file`
// in `batch`; other kinds are skipped, and so are values outside the ranges
// the file can hold (reported with the assertion report).
void WriteSettingsGroup(const BindingProperty& group, std::string_view file, ConfigWriteBatch& batch);

// Merges `change` into `target`: structures merge member by member, any other
// value replaces the target's member. Nothing is removed; a change that is not
// a structure changes nothing.
void MergeSettings(BindingProperty& target, const BindingProperty& change);

}  // namespace kor
