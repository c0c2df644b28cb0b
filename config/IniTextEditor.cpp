#include "config/IniTextEditor.h"

#include "config/TextUtilities.h"
#include "config/Utf8Text.h"

#include <algorithm>
#include <unordered_map>

namespace kor {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Whether only blanks or tabs stand between `at` and the start of its line.
// A byte-order mark is no part of the first line: the reader skips it too.
bool StartsLine(const std::string& text, std::size_t at) {
    const std::size_t textStart = ByteOrderMarkLength(text);
    while (at > textStart && IsBlankOrTab(text[at - 1])) --at;
    return at == textStart || text[at - 1] == '\n' || text[at - 1] == '\r';
}

// Whether the characters between the bracket and the name are only blanks or
// tabs, and the bracket opens its line (a "[name]" further on is part of a
// value, such as a key binding, and editing there would split that value);
// gives the position just after the closing "]" in `afterHeader`.
bool IsSectionHeaderAt(const std::string& text, std::size_t at, std::size_t nameLength,
                       std::size_t& afterHeader) {
    std::size_t before = at;
    while (before > 0 && IsBlankOrTab(text[before - 1])) --before;
    if (before == 0 || text[before - 1] != '[' || !StartsLine(text, before - 1)) return false;
    std::size_t after = at + nameLength;
    while (after < text.size() && IsBlankOrTab(text[after])) ++after;
    if (after >= text.size() || text[after] != ']') return false;
    afterHeader = after + 1;
    return true;
}

// Position just after the section's "]", appending the header when the text
// has none.
std::size_t FindOrAppendSection(std::string& text, std::string_view section) {
    for (std::size_t at = FindIgnoringCase(text, section); at != npos;
         at = FindIgnoringCase(text, section, at + 1)) {
        std::size_t afterHeader = 0;
        if (IsSectionHeaderAt(text, at, section.size(), afterHeader)) return afterHeader;
    }
    text += "\r\n\r\n[";
    text += section;
    text += ']';
    return text.size();
}

std::size_t LineEnd(const std::string& text, std::size_t from) {
    const std::size_t end = text.find_first_of("\r\n", from);
    return end == npos ? text.size() : end;
}

// Position of the "[" that starts the next section, or the end of the text.
std::size_t FindSectionEnd(const std::string& text, std::size_t from) {
    std::size_t pos = from;
    while (true) {
        pos = text.find_first_not_of(" \t\r\n", pos);
        if (pos == npos) return text.size();
        const char c = text[pos];
        if (c == '[') return pos;
        if (c == '#' || c == '\'' || c == ';') {
            pos = LineEnd(text, pos);
            continue;
        }
        const std::size_t equals = text.find('=', pos);
        if (equals == npos) return text.size();
        pos = LineEnd(text, equals);
    }
}

// Position of the "=" of `key`'s line inside [from, sectionEnd), or npos.
std::size_t FindKeyEquals(const std::string& text, std::string_view key, std::size_t from,
                          std::size_t sectionEnd) {
    for (std::size_t at = FindIgnoringCase(text, key, from); at != npos && at < sectionEnd;
         at = FindIgnoringCase(text, key, at + 1)) {
        if (at == 0 || text[at - 1] != '\n') continue;
        std::size_t after = at + key.size();
        while (after < sectionEnd && IsBlankOrTab(text[after])) ++after;
        if (after < sectionEnd && text[after] == '=') return after;
    }
    return npos;
}

bool IsLocatableName(std::string_view name) {
    return !name.empty() && !IsBlankOrTab(name.front()) && !IsBlankOrTab(name.back()) &&
           name.find_first_of("\r\n[]=") == npos;
}

// Blanks and tabs at the end of text[from, to) dropped.
std::string_view TrimmedEnd(const std::string& text, std::size_t from, std::size_t to) {
    while (to > from && IsBlankOrTab(text[to - 1])) --to;
    return std::string_view(text).substr(from, to - from);
}

// Every section header, by its lower-case name, with the position just after
// its "]"; the first header of a name wins, as EditIniText's search does.
// A header is the "[" that opens a line, the name between blanks or tabs and
// the "]" on that same line.
std::unordered_map<std::string, std::size_t> IndexSectionHeaders(const std::string& text) {
    std::unordered_map<std::string, std::size_t> headers;
    for (std::size_t open = text.find('['); open != npos; open = text.find('[', open + 1)) {
        if (!StartsLine(text, open)) continue;
        std::size_t nameStart = open + 1;
        while (nameStart < text.size() && IsBlankOrTab(text[nameStart])) ++nameStart;
        const std::size_t close = text.find_first_of("]\r\n", nameStart);
        if (close == npos || text[close] != ']') continue;
        const std::string_view name = TrimmedEnd(text, nameStart, close);
        if (name.empty() || name.find('[') != npos) continue;
        headers.try_emplace(ToLowerAscii(name), close + 1);
    }
    return headers;
}

// Every key line of the section [from, sectionEnd), by its lower-case key,
// with the position of its "="; the first line of a key wins. A key line
// starts right after a "\n" and has its "=" on that line.
std::unordered_map<std::string, std::size_t> IndexKeyLines(const std::string& text, std::size_t from,
                                                           std::size_t sectionEnd) {
    std::unordered_map<std::string, std::size_t> keys;
    for (std::size_t lineBreak = text.find('\n', from); lineBreak != npos && lineBreak + 1 < sectionEnd;
         lineBreak = text.find('\n', lineBreak + 1)) {
        const std::size_t at = lineBreak + 1;
        const std::size_t equals = text.find_first_of("=\r\n", at);
        if (equals == npos || equals >= sectionEnd || text[equals] != '=') continue;
        const std::string_view key = TrimmedEnd(text, at, equals);
        if (!key.empty()) keys.try_emplace(ToLowerAscii(key), equals);
    }
    return keys;
}

// What a run of edits does to one section.
struct SectionPlan {
    std::string name;                 // as the first edit gave it (for a new section)
    std::size_t afterHeader = npos;   // npos: the section is new and goes at the end
    std::unordered_map<std::string, std::size_t> existingKeys;
    std::vector<IniEdit> added;       // new keys in the order they came
    std::unordered_map<std::string, std::size_t> addedIndex;
};

// New keys go one by one right after the "]", so the last one comes first.
void AppendNewKeys(std::string& out, const std::vector<IniEdit>& added) {
    for (auto edit = added.rbegin(); edit != added.rend(); ++edit) {
        out += "\r\n";
        out += edit->key;
        out += '=';
        out += edit->value;
    }
}

std::string EditOneByOne(std::string_view original, const std::vector<IniEdit>& edits) {
    std::string text(original);
    for (const IniEdit& edit : edits) text = EditIniText(text, edit.section, edit.key, edit.value);
    return text;
}

}  // namespace

std::string EditIniText(std::string_view original, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string text(original);
    const std::size_t sectionStart = FindOrAppendSection(text, section);
    const std::size_t sectionEnd = FindSectionEnd(text, sectionStart);
    const std::size_t equals = FindKeyEquals(text, key, sectionStart, sectionEnd);
    if (equals != npos) {
        const std::size_t valueStart = equals + 1;
        text.replace(valueStart, LineEnd(text, valueStart) - valueStart, value);
        return text;
    }
    std::string line = "\r\n";
    line += key;
    line += '=';
    line += value;
    text.insert(sectionStart, line);
    return text;
}

}  // namespace kor

namespace kor {

std::string EditIniTexts(std::string_view original, const std::vector<IniEdit>& edits) {
    for (const IniEdit& edit : edits) {
        if (!IsLocatableName(edit.section) || !IsLocatableName(edit.key)) return EditOneByOne(original, edits);
    }
    const std::string text(original);
    const std::unordered_map<std::string, std::size_t> headers = IndexSectionHeaders(text);
    std::unordered_map<std::string, SectionPlan> sections;
    std::vector<SectionPlan*> newSections;
    std::unordered_map<std::size_t, std::string> replacedValues;  // by the position of the "="
    for (const IniEdit& edit : edits) {
        auto [entry, created] = sections.try_emplace(ToLowerAscii(edit.section));
        SectionPlan& plan = entry->second;
        if (created) {
            plan.name = edit.section;
            const auto header = headers.find(entry->first);
            if (header == headers.end()) {
                newSections.push_back(&plan);
            } else {
                plan.afterHeader = header->second;
                plan.existingKeys = IndexKeyLines(text, plan.afterHeader, FindSectionEnd(text, plan.afterHeader));
            }
        }
        std::string key = ToLowerAscii(edit.key);
        if (const auto existing = plan.existingKeys.find(key); existing != plan.existingKeys.end()) {
            replacedValues[existing->second] = edit.value;
        } else if (const auto added = plan.addedIndex.find(key); added != plan.addedIndex.end()) {
            plan.added[added->second].value = edit.value;
        } else {
            plan.addedIndex.emplace(std::move(key), plan.added.size());
            plan.added.push_back(edit);
        }
    }

    // Every change to the text as it was: new keys at a header's end, values
    // from their "=" to the line's end. None of them overlap.
    struct Splice {
        std::size_t from;
        std::size_t to;
        const SectionPlan* newKeys;   // or null for a value
        const std::string* value;
    };
    std::vector<Splice> splices;
    for (const auto& [name, plan] : sections) {
        if (plan.afterHeader != npos && !plan.added.empty()) {
            splices.push_back({plan.afterHeader, plan.afterHeader, &plan, nullptr});
        }
    }
    for (const auto& [equals, value] : replacedValues) {
        splices.push_back({equals + 1, LineEnd(text, equals + 1), nullptr, &value});
    }
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.from < b.from; });

    std::string out;
    out.reserve(text.size() + text.size() / 8 + 64);
    std::size_t copied = 0;
    for (const Splice& splice : splices) {
        out.append(text, copied, splice.from - copied);
        if (splice.newKeys != nullptr) {
            AppendNewKeys(out, splice.newKeys->added);
        } else {
            out += *splice.value;
        }
        copied = splice.to;
    }
    out.append(text, copied, npos);
    for (const SectionPlan* plan : newSections) {
        out += "\r\n\r\n[";
        out += plan->name;
        out += ']';
        AppendNewKeys(out, plan->added);
    }
    return out;
}

}  // namespace kor
