#pragma once

#include <optional>
#include <string>

namespace kor {

class BindingProperty;

// Whether a change to a settings resource (section name -> setting name ->
// value) can be merged and written so that every value reads back from the
// INI file as itself. Returns why not, naming the section and the setting,
// or nothing when it can.
//
// - The change and each of its sections are structures.
// - Section and setting names are valid UTF-8, not empty, without blanks or
//   tabs at either end, and hold no line break, NUL, "=", "[", "]" or ";":
//   the INI text would split or misplace them.
// - A setting that `schema` (section -> setting -> {"default": value}) knows
//   takes a value of its default's kind: a boolean for a boolean; for an
//   integer an integral number within the 32-bit range the file is read
//   with; for a float a finite number within single precision; a text for a
//   text. Any other setting takes a boolean, an integer below 2^63 - 1, such
//   a float, or a text.
// - A text holds no line break or NUL and is valid UTF-8.
// Nothing else (null, structures, collections, blobs, enums) is a value the
// file can hold.
std::optional<std::string> FindUnfitChange(const BindingProperty& change, const BindingProperty& schema);

}  // namespace kor
