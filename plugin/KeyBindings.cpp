#include "plugin/KeyBindings.h"

#include <algorithm>

#include "binding/BindingProperty.h"

namespace kor {
namespace {

int ModifierRank(std::string_view token) {
    if (token == "[cmd]") return 1;
    if (token == "[win]") return 2;
    if (token == "[shift]") return 3;
    if (token == "[ctrl]") return 4;
    if (token == "[alt]") return 5;
    return 6;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string_view TextOf(const BindingProperty& value) { return value.GetString(); }

// Calls `visit(eventName, binding)` for every binding of every key-binding
// group present in `value`, in group order and then key order.
template <class Visit>
void ForEachBinding(const BindingProperty& value, Visit visit) {
    for (std::string_view group : KeyBindingGroups) {
        for (const auto& [eventName, binding] : value.Member(group).Members()) {
            visit(eventName, TextOf(binding));
        }
    }
}

bool IsSkippedCombo(std::string_view combination) {
    return combination.empty() || combination == kUnboundCombo;
}

// Calls `visit(combination)` for the one or two combinations of a binding,
// as views into it: indexing every binding of a settings load needs no copy.
template <class Visit>
void ForEachCombo(std::string_view binding, Visit visit) {
    std::size_t comma = binding.find(',');
    while (comma != std::string_view::npos && comma != 0 && binding[comma - 1] == '[') {
        comma = binding.find(',', comma + 1);
    }
    if (comma == std::string_view::npos) {
        visit(binding);
        return;
    }
    visit(binding.substr(0, comma));
    visit(binding.substr(comma + 1));
}

}  // namespace

std::vector<std::string> SplitBinding(std::string_view binding) {
    std::vector<std::string> parts;
    ForEachCombo(binding, [&](std::string_view combo) { parts.emplace_back(combo); });
    return parts;
}

std::string NormaliseCombo(std::string_view combination) {
    const std::string lower = LowerAscii(combination);
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while ((pos = lower.find('[', pos)) != std::string::npos) {
        std::size_t close = lower.find(']', pos + 1);
        if (close == std::string::npos) return {};
        if (close + 1 < lower.size() && lower[close + 1] == ']') ++close;  // the "]" key: "[]]"
        tokens.push_back(std::string_view(lower).substr(pos, close - pos + 1));
        pos = close + 1;
    }
    if (tokens.size() > 2) {
        std::stable_sort(tokens.begin(), tokens.end(), [](std::string_view a, std::string_view b) {
            return ModifierRank(a) < ModifierRank(b);
        });
    }
    std::string normalised;
    for (std::string_view token : tokens) normalised += token;
    return normalised;
}

std::string ReplaceCombo(std::string_view binding, std::string_view combination) {
    std::vector<std::string> parts = SplitBinding(binding);
    const std::string wanted = NormaliseCombo(combination);
    for (std::string& part : parts) {
        if (NormaliseCombo(part) == wanted) {
            part = kUnboundCombo;
            return parts.size() == 2 ? parts[0] + "," + parts[1] : parts[0];
        }
    }
    return std::string(binding);
}

std::vector<std::string> CollectCombos(const BindingProperty& value) {
    std::vector<std::string> combos;
    ForEachBinding(value, [&](std::string_view, std::string_view binding) {
        ForEachCombo(binding, [&](std::string_view combo) { combos.emplace_back(combo); });
    });
    return combos;
}

void RebuildBindingIndex(BindingProperty& index, BindingProperty& inputSettings) {
    index.Clear();
    for (std::string_view group : KeyBindingGroups) inputSettings.MemberForWrite(group);
    // Every combination is indexed here, the empty and the unbound one too.
    ForEachBinding(inputSettings, [&](std::string_view eventName, std::string_view binding) {
        ForEachCombo(binding, [&](std::string_view combo) {
            index.MemberForWrite(NormaliseCombo(combo)).SetString(eventName);
        });
    });
}

void IndexBindings(BindingProperty& index, const BindingProperty& change) {
    ForEachBinding(change, [&](std::string_view eventName, std::string_view binding) {
        ForEachCombo(binding, [&](std::string_view combo) {
            if (!IsSkippedCombo(combo)) index.MemberForWrite(NormaliseCombo(combo)).SetString(eventName);
        });
    });
}

void UnbindConflicts(const BindingProperty& index, BindingProperty& inputSettings,
                     const std::vector<std::string>& combinations) {
    for (const std::string& combo : combinations) {
        if (IsSkippedCombo(combo)) continue;
        const std::string normalised = NormaliseCombo(combo);
        // A combination whose "[" is never closed names no key: it takes
        // nothing away (it would otherwise match every empty combination).
        if (normalised.empty()) continue;
        const BindingProperty* holder = index.FindMember(normalised);
        if (holder == nullptr) continue;
        const std::string eventName(TextOf(*holder));
        for (std::string_view group : KeyBindingGroups) {
            BindingProperty& bindings = inputSettings.MemberForWrite(group);
            if (!bindings.HasMember(eventName)) continue;
            BindingProperty& binding = bindings.MemberForWrite(eventName);
            binding.SetString(ReplaceCombo(TextOf(binding), normalised));
        }
    }
}

}  // namespace kor
