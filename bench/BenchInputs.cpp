#include "bench/BenchInputs.h"

#include "plugin/DefaultSettingsText.h"

#include <msgpack.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

namespace kor::bench {
namespace {

// A small deterministic generator, so every machine measures the same bytes.
class Sequence {
public:
    explicit Sequence(uint64_t seed) : state_(seed) {}
    uint32_t Next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state_ >> 33);
    }
    uint32_t Below(uint32_t bound) { return Next() % bound; }
    template <class T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Below(N)];
    }

private:
    uint64_t state_;
};

constexpr std::array<std::string_view, 24> kStems = {
    "Show",   "Enable", "Auto",   "Draw",    "Flash",  "Mouse",  "Camera", "Target",
    "Health", "Spell",  "Item",   "Ping",    "Emote",  "Shop",   "Cursor", "Sound",
    "Chat",   "Map",    "Minion", "Tooltip", "Ally",   "Enemy",  "Turret", "Ward"};
constexpr std::array<std::string_view, 12> kSuffixes = {
    "Enabled", "Speed", "Mode", "Color", "Size", "Delay", "Mute", "Locked", "Visible", "Offset", "Scale", "Range"};
constexpr std::array<std::string_view, 16> kKeys = {"[q]", "[w]", "[e]", "[r]", "[d]", "[f]", "[1]", "[2]",
                                                    "[3]", "[Space]", "[Button 2]", "[F1]", "[Tab]", "[Esc]",
                                                    "[Up Arrow]", "[`]"};
constexpr std::array<std::string_view, 4> kModifiers = {"", "[Ctrl]", "[Shift]", "[Alt]"};
constexpr std::array<std::string_view, 20> kSectionWords = {
    "General",  "HUD",           "Performance", "Volume",   "FloatingText", "MapSkinOptions", "Chat",
    "Loss",     "ItemShop",      "Replay",      "Mobile",   "Voice",        "Highlights",     "Accessibility",
    "Colorblind", "Spectator",   "Camera",      "Minimap",  "Cursor",       "Notifications"};

std::string SettingName(Sequence& sequence) {
    std::string name(sequence.Pick(kStems));
    name += sequence.Pick(kStems);
    name += sequence.Pick(kSuffixes);
    return name;
}

std::string KeyBinding(Sequence& sequence) {
    switch (sequence.Below(4)) {
        case 0:
            return "";
        case 1:
            return std::string(sequence.Pick(kKeys));
        default: {
            std::string binding(sequence.Pick(kModifiers));
            binding += sequence.Pick(kKeys);
            if (sequence.Below(3) == 0) {
                binding += ",";
                binding += sequence.Pick(kKeys);
            }
            return binding;
        }
    }
}

std::string FloatText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

// One section of the large document as indented JSON members.
void AppendJsonSection(std::string& out, const std::string& name, Sequence& sequence, bool input) {
    out += "    \"" + name + "\": {\n";
    const uint32_t count = 20 + sequence.Below(41);
    std::set<std::string> used;
    for (uint32_t index = 0; index < count; ++index) {
        std::string key = input ? "evt" + SettingName(sequence) : SettingName(sequence);
        if (!used.insert(key).second) continue;
        out += (used.size() == 1 ? "      \"" : ",\n      \"") + key + "\": ";
        const uint32_t roll = sequence.Below(100);
        if (input || roll < 20) {
            out += "\"" + KeyBinding(sequence) + "\"";
        } else if (roll < 55) {
            out += sequence.Below(2) == 0 ? "true" : "false";
        } else if (roll < 80) {
            out += std::to_string(sequence.Below(200));
        } else if (roll < 95) {
            out += FloatText(sequence.Below(400) / 4.0);
        } else {
            out += "[" + std::to_string(sequence.Below(256)) + ", " + std::to_string(sequence.Below(256)) + ", " +
                   std::to_string(sequence.Below(256)) + ", 255]";
        }
    }
    out += "\n    }";
}

std::string GenerateLargeDocument() {
    constexpr std::size_t kTarget = 1 << 20;
    Sequence sequence(0x5EED0001);
    std::string game;
    std::string input;
    for (int index = 0; game.size() + input.size() < kTarget; ++index) {
        const std::string name = std::string(kSectionWords[index % kSectionWords.size()]) + std::to_string(index);
        std::string& half = index % 2 == 0 ? game : input;
        if (!half.empty()) half += ",\n";
        AppendJsonSection(half, name, sequence, index % 2 != 0);
    }
    return "{\n  \"GameSettings\": {\n" + game + "\n  },\n  \"InputSettings\": {\n" + input + "\n  }\n}\n";
}

rapidjson::Document ParseOrThrow(const std::string& json) {
    rapidjson::Document document;
    document.Parse(json.data(), json.size());
    if (document.HasParseError()) throw std::runtime_error("a benchmark input is not valid JSON");
    return document;
}

void PackValue(msgpack::packer<msgpack::sbuffer>& packer, const rapidjson::Value& value) {
    if (value.IsNull()) {
        packer.pack_nil();
    } else if (value.IsBool()) {
        value.GetBool() ? packer.pack_true() : packer.pack_false();
    } else if (value.IsUint64()) {
        packer.pack_uint64(value.GetUint64());
    } else if (value.IsInt64()) {
        packer.pack_int64(value.GetInt64());
    } else if (value.IsNumber()) {
        packer.pack_double(value.GetDouble());
    } else if (value.IsString()) {
        packer.pack_str(value.GetStringLength());
        packer.pack_str_body(value.GetString(), value.GetStringLength());
    } else if (value.IsArray()) {
        packer.pack_array(value.Size());
        for (const rapidjson::Value& element : value.GetArray()) PackValue(packer, element);
    } else {
        packer.pack_map(value.MemberCount());
        for (const auto& member : value.GetObject()) {
            PackValue(packer, member.name);
            PackValue(packer, member.value);
        }
    }
}

std::vector<uint8_t> ToMessagePack(const std::string& json) {
    const rapidjson::Document document = ParseOrThrow(json);
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    PackValue(packer, document);
    return {reinterpret_cast<const uint8_t*>(buffer.data()), reinterpret_cast<const uint8_t*>(buffer.data()) + buffer.size()};
}

std::string QuotedYaml(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string YamlScalar(const rapidjson::Value& value) {
    if (value.IsNull()) return "~";
    if (value.IsBool()) return value.GetBool() ? "true" : "false";
    if (value.IsUint64()) return std::to_string(value.GetUint64());
    if (value.IsInt64()) return std::to_string(value.GetInt64());
    if (value.IsNumber()) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value.GetDouble()).ptr;
        return std::string(buffer, end);
    }
    return QuotedYaml({value.GetString(), value.GetStringLength()});
}

bool IsContainer(const rapidjson::Value& value) {
    return (value.IsObject() && value.MemberCount() > 0) || (value.IsArray() && !value.Empty());
}

std::string FlowEmpty(const rapidjson::Value& value) { return value.IsObject() ? "{}" : "[]"; }

void AppendYaml(std::string& out, const rapidjson::Value& value, int indent) {
    const std::string pad(static_cast<std::size_t>(indent), ' ');
    auto appendChild = [&](const std::string& head, const rapidjson::Value& child) {
        if (IsContainer(child)) {
            out += head + "\n";
            AppendYaml(out, child, indent + 2);
        } else {
            out += head + " " + (child.IsObject() || child.IsArray() ? FlowEmpty(child) : YamlScalar(child)) + "\n";
        }
    };
    if (value.IsObject()) {
        for (const auto& member : value.GetObject()) {
            appendChild(pad + QuotedYaml({member.name.GetString(), member.name.GetStringLength()}) + ":", member.value);
        }
    } else {
        for (const rapidjson::Value& element : value.GetArray()) appendChild(pad + "-", element);
    }
}

std::string ToYaml(const std::string& json) {
    const rapidjson::Document document = ParseOrThrow(json);
    std::string out;
    AppendYaml(out, document, 0);
    return out;
}

// ---- Key order ----

std::string JsonText(const rapidjson::Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

std::string_view NameOf(const rapidjson::Value& name) { return {name.GetString(), name.GetStringLength()}; }

// Keys in byte order (char_traits<char> compares as unsigned char), or the
// reverse of it.
template <class Item, class Key>
void OrderByKey(std::vector<Item>& items, Key key, bool reversed) {
    std::sort(items.begin(), items.end(), [&](const Item& left, const Item& right) {
        return reversed ? key(right) < key(left) : key(left) < key(right);
    });
}

// `value` as indented JSON with the members of every object ordered by key.
void AppendOrdered(std::string& out, const rapidjson::Value& value, bool reversed, int indent) {
    if (!value.IsObject() || value.MemberCount() == 0) {
        out += JsonText(value);
        return;
    }
    std::vector<const rapidjson::Value::Member*> members;
    for (const auto& member : value.GetObject()) members.push_back(&member);
    OrderByKey(members, [](const rapidjson::Value::Member* member) { return NameOf(member->name); }, reversed);
    const std::string pad(static_cast<std::size_t>(indent) + 2, ' ');
    out += "{\n";
    for (const rapidjson::Value::Member* member : members) {
        out += (member == members.front() ? "" : ",\n") + pad + JsonText(member->name) + ": ";
        AppendOrdered(out, member->value, reversed, indent + 2);
    }
    out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + "}";
}

std::string OrderedDocument(bool reversed) {
    std::string out;
    AppendOrdered(out, ParseOrThrow(LargeDocumentJson()), reversed, 0);
    return out + "\n";
}

// The first settings of the large document, in document order, as
// "<path>": <value> members, until they make about 1 MB.
using FlatMembers = std::vector<std::pair<std::string, std::string>>;

FlatMembers FirstSettingsFlattened() {
    constexpr std::size_t kTarget = 1 << 20;
    const rapidjson::Document document = ParseOrThrow(LargeDocumentJson());
    FlatMembers members;
    std::size_t size = 0;
    for (const auto& group : document.GetObject()) {
        for (const auto& section : group.value.GetObject()) {
            for (const auto& setting : section.value.GetObject()) {
                if (size >= kTarget) return members;
                std::string path = std::string(NameOf(group.name)) + "/" + std::string(NameOf(section.name)) + "/" +
                                   std::string(NameOf(setting.name));
                members.emplace_back("\"" + path + "\"", JsonText(setting.value));
                size += members.back().first.size() + members.back().second.size() + 6;
            }
        }
    }
    return members;
}

std::string FlatDocument(bool reversed) {
    static const FlatMembers settings = FirstSettingsFlattened();
    FlatMembers members = settings;
    OrderByKey(members, [](const FlatMembers::value_type& member) { return std::string_view(member.first); }, reversed);
    std::string out = "{\n";
    for (std::size_t index = 0; index < members.size(); ++index) {
        out += (index == 0 ? "  " : ",\n  ") + members[index].first + ": " + members[index].second;
    }
    return out + "\n}\n";
}

struct GameCfg {
    std::string text;
    std::vector<IniPair> pairs;
};

GameCfg GenerateGameCfg() {
    Sequence sequence(0x5EED0002);
    std::string text = "; Game settings, written by the game on exit.\r\n; Edit with care.\r\n\r\n";
    std::vector<IniPair> pairs;
    const std::size_t perSection = kGameCfgKeys / kSectionWords.size();
    for (std::string_view section : kSectionWords) {
        text += "[" + std::string(section) + "]\r\n";
        std::set<std::string> used;
        while (used.size() < perSection) {
            std::string key = SettingName(sequence);
            if (!used.insert(key).second) continue;
            std::string value;
            switch (sequence.Below(5)) {
                case 0:
                case 1:
                    value = sequence.Below(2) == 0 ? "1" : "0";
                    break;
                case 2:
                    value = std::to_string(sequence.Below(1000));
                    break;
                case 3: {
                    char buffer[32];
                    std::snprintf(buffer, sizeof buffer, "%.4f", sequence.Below(1000) / 8.0);
                    value = buffer;
                    break;
                }
                default:
                    value = KeyBinding(sequence);
                    break;
            }
            text += key + "=" + value + "\r\n";
            pairs.push_back({std::string(section), key, value});
        }
        text += "\r\n";
    }
    return {text, pairs};
}

const GameCfg& GameCfgFile() {
    static const GameCfg file = GenerateGameCfg();
    return file;
}

// The temporary directory of the written "Game.cfg", removed at exit.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kor-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string WriteGameCfg() {
    static ScratchDirectory directory;
    const std::string path = directory.path() + "/Game.cfg";
    std::ofstream file(path, std::ios::binary);
    file << GameCfgText();
    if (!file.flush()) throw std::runtime_error("cannot write " + path);
    return path;
}

std::vector<PlannedSection> PlanStructure() {
    Sequence sequence(0x5EED0003);
    constexpr std::size_t kSections = 100;
    std::vector<PlannedSection> sections(kSections);
    for (std::size_t index = 0; index < kSections; ++index) {
        PlannedSection& section = sections[index];
        section.name = std::string(kSectionWords[index % kSectionWords.size()]) + std::to_string(index);
        std::set<std::string> used;
        while (section.members.size() < kStructureMembers / kSections) {
            PlannedMember member{SettingName(sequence), PlannedMember::Kind::Bool, 0, {}};
            if (!used.insert(member.name).second) continue;
            const uint32_t roll = sequence.Below(100);
            if (roll < 35) {
                member.number = sequence.Below(2);
            } else if (roll < 60) {
                member.kind = PlannedMember::Kind::Signed;
                member.number = sequence.Below(200);
            } else if (roll < 80) {
                member.kind = PlannedMember::Kind::Float;
                member.number = sequence.Below(400);
            } else {
                member.kind = PlannedMember::Kind::Text;
                member.text = KeyBinding(sequence);
            }
            section.members.push_back(std::move(member));
        }
    }
    return sections;
}

}  // namespace

const std::string& DefaultDocumentJson() {
    static const std::string text(DefaultSettingsText());
    return text;
}

const std::string& LargeDocumentJson() {
    static const std::string text = GenerateLargeDocument();
    return text;
}

const std::string& LargeDocumentSortedKeys() {
    static const std::string text = OrderedDocument(false);
    return text;
}

const std::string& LargeDocumentReversedKeys() {
    static const std::string text = OrderedDocument(true);
    return text;
}

const std::string& FlatDocumentSortedKeys() {
    static const std::string text = FlatDocument(false);
    return text;
}

const std::string& FlatDocumentReversedKeys() {
    static const std::string text = FlatDocument(true);
    return text;
}

const std::vector<uint8_t>& DefaultDocumentMessagePack() {
    static const std::vector<uint8_t> bytes = ToMessagePack(DefaultDocumentJson());
    return bytes;
}

const std::vector<uint8_t>& LargeDocumentMessagePack() {
    static const std::vector<uint8_t> bytes = ToMessagePack(LargeDocumentJson());
    return bytes;
}

const std::string& DefaultDocumentYaml() {
    static const std::string text = ToYaml(DefaultDocumentJson());
    return text;
}

const std::string& GameCfgText() { return GameCfgFile().text; }

const std::vector<IniPair>& GameCfgPairs() { return GameCfgFile().pairs; }

const std::string& GameCfgPath() {
    static const std::string path = WriteGameCfg();
    return path;
}

const std::vector<PlannedSection>& StructurePlan() {
    static const std::vector<PlannedSection> plan = PlanStructure();
    return plan;
}

}  // namespace kor::bench
