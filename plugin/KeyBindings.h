#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

class BindingProperty;

// The input-settings sections that hold key bindings, always visited in this
// order. A binding is a text of up to two key combinations separated by the
// first "," that does not follow a "[" (so "[,]" is the comma key), each
// combination a run of bracketed key names, e.g. "[Ctrl][l],[Ctrl][Return]".
inline constexpr std::array<std::string_view, 3> KeyBindingGroups = {"GameEvents", "HUDEvents", "ShopEvents"};

// Marks a combination that was taken away by another event's binding.
inline constexpr std::string_view kUnboundCombo = "[<Unbound>]";

// One or two combination texts; either may be empty ("[Alt][q]," gives
// "[Alt][q]" and "").
std::vector<std::string> SplitBinding(std::string_view binding);

// The form in which combinations are compared: tokens lower-cased and joined;
// three or more tokens are put in modifier order (cmd, win, shift, ctrl, alt,
// then keys), so "[Ctrl][Shift][Q]" and "[Shift][Ctrl][q]" meet. Empty when a
// "[" is never closed.
std::string NormaliseCombo(std::string_view combination);

// The binding with its first combination equal to `combination` (compared
// normalised) replaced by "[<Unbound>]"; unchanged when none matches.
std::string ReplaceCombo(std::string_view binding, std::string_view combination);

// Every combination of every binding in the key-binding groups of `value`, in
// group order, then key order, then position ("" and "[<Unbound>]" included).
std::vector<std::string> CollectCombos(const BindingProperty& value);

// Replaces `index` (normalised combination -> event name) by the bindings of
// `inputSettings`; a combination held by two events maps to the later one.
// Missing groups are created empty in `inputSettings`.
void RebuildBindingIndex(BindingProperty& index, BindingProperty& inputSettings);

// Adds the bindings of a change to `index`, skipping empty and unbound
// combinations.
void IndexBindings(BindingProperty& index, const BindingProperty& change);

// Takes each of `combinations` away from the event that `index` says holds
// it, in every key-binding group of `inputSettings`.
void UnbindConflicts(const BindingProperty& index, BindingProperty& inputSettings,
                     const std::vector<std::string>& combinations);

}  // namespace kor
