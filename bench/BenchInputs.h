#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kor::bench {

// The inputs every workload and its anchor share. Each is built once, on
// first use, outside any timed loop, and is the same on every machine (the
// generators are seeded constants).

// The built-in default settings document, as JSON text.
const std::string& DefaultDocumentJson();

// A settings-shaped JSON document of at least 1 MB: "GameSettings" and
// "InputSettings" of a few hundred sections each, whose settings are bools,
// integers, floats, key-binding texts and a few small number arrays, under
// names that recur across sections as real setting names do.
const std::string& LargeDocumentJson();

// The large document with the members of every object in byte order of
// their keys, and the same in reverse order. Settings come mostly in key
// order; the reversed body is the other extreme for a reader that keeps
// members sorted.
const std::string& LargeDocumentSortedKeys();
const std::string& LargeDocumentReversedKeys();

// About 1 MB of the large document's settings flattened into one object keyed
// by their paths ("GameSettings/HUD12/ShowAllyFlashSpeed"), sorted and
// reverse-sorted. One object of tens of thousands of members is where
// inserting each member in front of all the others costs most: the case an
// insertion without a fallback turns quadratic on.
const std::string& FlatDocumentSortedKeys();
const std::string& FlatDocumentReversedKeys();

// The same documents as MessagePack bytes (maps, arrays, the smallest integer
// forms, float 64, str) and the default document as block-style YAML (texts
// double-quoted, numbers and bools plain).
const std::vector<uint8_t>& DefaultDocumentMessagePack();
const std::vector<uint8_t>& LargeDocumentMessagePack();
const std::string& DefaultDocumentYaml();

// A realistic "Game.cfg": CRLF lines, 500 keys in 20 sections, a comment
// header and a blank line between sections. Written once to a temporary
// directory; `GameCfgPath` is that file.
const std::string& GameCfgText();
const std::string& GameCfgPath();
inline constexpr std::size_t kGameCfgKeys = 500;
// The pairs of that file, in file order, with their values as a reader
// should give them back.
struct IniPair {
    std::string section;
    std::string key;
    std::string value;
};
const std::vector<IniPair>& GameCfgPairs();

// What a structure workload builds: `sections` sections in document order,
// each with its members in document order (not sorted), 10 000 members in all.
struct PlannedMember {
    enum class Kind { Bool, Signed, Float, Text };
    std::string name;
    Kind kind;
    int64_t number;  // the bool (0/1), the integer, or the float times 100
    std::string text;
};
struct PlannedSection {
    std::string name;
    std::vector<PlannedMember> members;
};
const std::vector<PlannedSection>& StructurePlan();
inline constexpr std::size_t kStructureMembers = 10000;

}  // namespace kor::bench
