#include "binding/YamlReader.h"

#include "binding/BindingTreeBuilder.h"
#include "binding/Fnv1a.h"
#include "binding/ScalarConverters.h"
#include "binding/YamlLibrary.h"
#include "log/MessageFormat.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kor {
namespace {

constexpr std::string_view kMultiDocument = "Multi-document YAML is not supported.";
constexpr std::string_view kInvalidKey =
    "Invalid mapping key. Only string scalar keys are allowed. At line: %1 col: %2";
constexpr std::string_view kDuplicateAnchor = "Duplicate occurrence of anchor \"%1\". At line: %2 col: %3";
constexpr std::string_view kSequenceAsKey = "Unexpected start of sequence. At line: %1 col: %2";
constexpr std::string_view kMappingAsKey = "Unexpected start of mapping. At line: %1 col: %2";
constexpr std::string_view kCyclicAlias = "Cannot deserialize cyclic aliases. Alias \"%1\". At line: %2 col: %3";
constexpr std::string_view kUndefinedAlias = "Undefined alias encountered: \"%1\". At line: %2 col: %3";
constexpr std::string_view kAliasExpansion =
    "Alias \"%1\" would build more than %2 values from aliases. At line: %3 col: %4";
constexpr std::string_view kInvalidBool = "Value %1 is not a valid YAML boolean. At line: %2 col: %3";
constexpr std::string_view kUnsupportedTag = "Unsupported YAML tag '%1'.";
constexpr std::string_view kLimitReached = "%1 At line: %2 col: %3";
constexpr std::string_view kParserError = "YAML parser error: %1. At line: %2 col: %3";
constexpr std::string_view kFieldName = "yaml";

constexpr std::array<std::string_view, 5> kNullWords = {"", "~", "null", "Null", "NULL"};
constexpr std::array<std::string_view, 11> kTrueWords = {"true", "True", "TRUE", "y",  "Y", "yes",
                                                         "Yes",  "YES",  "on",   "On", "ON"};
constexpr std::array<std::string_view, 11> kFalseWords = {"false", "False", "FALSE", "n",   "N", "no",
                                                          "No",    "NO",    "off",   "Off", "OFF"};

template <std::size_t N>
bool IsOneOf(std::string_view text, const std::array<std::string_view, N>& words) {
    for (std::string_view word : words) {
        if (text == word) return true;
    }
    return false;
}

bool HasTag(const yaml_char_t* tag, const char* expected) {
    return std::strcmp(reinterpret_cast<const char*>(tag), expected) == 0;
}

// Where a node sits in the tree, as a list of steps from the root shared by
// everything that refers to the same place (open nodes and anchors), so an
// anchor costs one reference whatever its depth.
struct PathStep {
    std::shared_ptr<const PathStep> parent;  // null for a step right below the root
    bool isMember = false;
    std::size_t index = 0;  // element step
    std::string key;        // member step
};
using Path = std::shared_ptr<const PathStep>;  // null is the root itself

// What an anchor names: a node (by path) or the text of a mapping key.
struct Anchor {
    bool isKeyText = false;
    std::string keyText;
    Path path;
};

struct AnchorNameHash {
    std::size_t operator()(const std::string& name) const { return Fnv1aHash(name); }
};

// One node being filled. A slot waits for the node event that fills it;
// sequences and mappings stay open until their end event. Its path from the
// root is built only when an anchor needs it: most documents have none. A
// member keeps its key from the start, so that building its path costs the
// same whatever the number of its siblings.
struct OpenNode {
    enum class State { Slot, Sequence, Mapping };
    OpenNode(BindingProperty* slot, bool member, std::size_t element, std::string memberKey = {})
        : target(slot), isMember(member), index(element), key(std::move(memberKey)) {}

    BindingProperty* target;
    State state = State::Slot;
    bool isMember;      // how it hangs below the node before it: a member
    std::size_t index;  // or the element at this index
    std::string key;    // with this key
    Path path;          // null until built (and for the root)
    std::string anchor;  // of an open sequence or mapping
};

struct Position {
    std::size_t line;  // counted from 1
    std::size_t column;
};

// Releases libyaml's parser and events however the reader leaves.
struct ParserGuard {
    const YamlFunctions& yaml;
    yaml_parser_t* parser;
    ~ParserGuard() { yaml.parserDelete(parser); }
};
struct EventGuard {
    const YamlFunctions& yaml;
    yaml_event_t* event;
    ~EventGuard() { yaml.eventDelete(event); }
};

class YamlTreeReader {
public:
    YamlTreeReader(const YamlFunctions& yaml, BindingResult& result) : yaml_(yaml), result_(result) {}

    void Read(std::string_view text);

private:
    bool ok() const { return result_.ok(); }
    void Fail(const std::string& message) { result_.SetFailure(message); }

    // Handles one event; true at the end of the stream.
    bool Handle(const yaml_event_t& event);

    // Picks the node that a node event fills (see Handle); null when a
    // sequence is full. `keySlot` is set when the event stands where a
    // mapping expects a key.
    OpenNode* ChooseTarget(bool& keySlot, Position where);
    void Pop();

    void OnScalar(const yaml_event_t& event, Position where);
    void OnContainerStart(const yaml_event_t& event, Position where, bool mapping);
    void OnAlias(const yaml_event_t& event, Position where);

    bool TypeScalar(BindingProperty& target, const yaml_event_t& event, Position where);
    bool TypeTaggedScalar(BindingProperty& target, const char* tag, std::string_view text, Position where);
    static void TypePlainScalar(BindingProperty& target, std::string_view text);

    bool EnterAnchor(const yaml_char_t* name, Anchor anchor, Position where);
    Path PathTo(const OpenNode& node);
    const BindingProperty& Resolve(const Path& path) const;
    bool ChargeAliasCopy(const BindingProperty& source, std::string_view name, Position where);

    const YamlFunctions& yaml_;
    BindingResult& result_;
    std::vector<OpenNode> open_;
    std::size_t openContainers_ = 0;
    std::string pendingKey_;
    bool hasPendingKey_ = false;
    std::unordered_map<std::string, Anchor, AnchorNameHash> anchors_;
    std::size_t aliasValues_ = 0;
};

Position StartOf(const yaml_event_t& event) { return {event.start_mark.line + 1, event.start_mark.column + 1}; }

std::string_view TextOf(const yaml_char_t* text) {
    return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

void YamlTreeReader::Read(std::string_view text) {
    yaml_parser_t parser;
    if (yaml_.parserInitialize(&parser) == 0) throw std::bad_alloc();
    ParserGuard parserGuard{yaml_, &parser};
    yaml_.parserSetEncoding(&parser, YAML_UTF8_ENCODING);
    // libyaml insists on an input address, even for no input.
    const char* input = text.data() != nullptr ? text.data() : "";
    yaml_.parserSetInputString(&parser, reinterpret_cast<const unsigned char*>(input), text.size());

    bool done = false;
    while (ok() && !done) {
        yaml_event_t event;
        if (yaml_.parserParse(&parser, &event) == 0) break;
        EventGuard eventGuard{yaml_, &event};
        done = Handle(event);
    }
    if (ok() && parser.error != YAML_NO_ERROR) {
        Fail(FormatMessage(kParserError, parser.problem != nullptr ? parser.problem : "", parser.problem_mark.line,
                           parser.problem_mark.column));
    }
}

bool YamlTreeReader::Handle(const yaml_event_t& event) {
    const Position where = StartOf(event);
    switch (event.type) {
        case YAML_STREAM_END_EVENT:
            return true;
        case YAML_DOCUMENT_START_EVENT:
            if (!result_.value().IsEmpty()) Fail(std::string(kMultiDocument));
            break;
        case YAML_SCALAR_EVENT:
            OnScalar(event, where);
            break;
        case YAML_SEQUENCE_START_EVENT:
            OnContainerStart(event, where, false);
            break;
        case YAML_MAPPING_START_EVENT:
            OnContainerStart(event, where, true);
            break;
        case YAML_SEQUENCE_END_EVENT:
        case YAML_MAPPING_END_EVENT:
            Pop();
            break;
        case YAML_ALIAS_EVENT:
            OnAlias(event, where);
            break;
        default:  // stream start, document end
            break;
    }
    return false;
}

OpenNode* YamlTreeReader::ChooseTarget(bool& keySlot, Position where) {
    keySlot = false;
    if (open_.empty()) {
        open_.push_back(OpenNode{&result_.value(), false, 0});
        return &open_.back();
    }
    OpenNode& innermost = open_.back();
    if (innermost.state == OpenNode::State::Sequence) {
        BindingProperty& sequence = *innermost.target;
        const std::size_t index = sequence.Size();
        if (index >= BindingProperty::kMaxElements) {
            Fail(FormatMessage(kLimitReached, BindingTreeBuilder::LimitMessage(BindingTreeBuilder::Limit::Elements),
                               where.line, where.column));
            return nullptr;
        }
        open_.push_back(OpenNode{&sequence.Append(), false, index});
        return &open_.back();
    }
    if (innermost.state == OpenNode::State::Mapping) {
        if (!hasPendingKey_) {
            keySlot = true;
            return &innermost;
        }
        BindingProperty& member = innermost.target->MemberForWrite(pendingKey_);
        hasPendingKey_ = false;
        open_.push_back(OpenNode{&member, true, 0, std::move(pendingKey_)});
        pendingKey_.clear();
        return &open_.back();
    }
    return &innermost;  // the root, waiting for its node
}

void YamlTreeReader::Pop() {
    if (open_.empty()) return;
    if (open_.back().state != OpenNode::State::Slot) --openContainers_;
    open_.pop_back();
    hasPendingKey_ = false;
    pendingKey_.clear();
}

Path YamlTreeReader::PathTo(const OpenNode& node) {
    const auto level = static_cast<std::size_t>(&node - open_.data());
    if (level == 0 || node.path) return node.path;
    OpenNode& open = open_[level];
    open.path = std::make_shared<PathStep>(PathStep{PathTo(open_[level - 1]), open.isMember, open.index, open.key});
    return open.path;
}

bool YamlTreeReader::EnterAnchor(const yaml_char_t* name, Anchor anchor, Position where) {
    if (name == nullptr) return true;
    const std::string_view text = TextOf(name);
    if (!anchors_.emplace(std::string(text), std::move(anchor)).second) {
        Fail(FormatMessage(kDuplicateAnchor, text, where.line, where.column));
        return false;
    }
    return true;
}

void YamlTreeReader::OnScalar(const yaml_event_t& event, Position where) {
    bool keySlot = false;
    OpenNode* node = ChooseTarget(keySlot, where);
    if (node == nullptr) return;
    const auto& scalar = event.data.scalar;
    const std::string_view text(reinterpret_cast<const char*>(scalar.value), scalar.length);
    if (keySlot) {
        if (scalar.tag != nullptr && !HasTag(scalar.tag, YAML_STR_TAG)) {
            Fail(FormatMessage(kInvalidKey, where.line, where.column));
            return;
        }
        if (scalar.anchor != nullptr && !EnterAnchor(scalar.anchor, Anchor{true, std::string(text), nullptr}, where)) {
            return;
        }
        pendingKey_.assign(text);
        hasPendingKey_ = true;
        return;
    }
    if (!TypeScalar(*node->target, event, where)) return;
    if (scalar.anchor != nullptr && !EnterAnchor(scalar.anchor, Anchor{false, {}, PathTo(*node)}, where)) return;
    Pop();
}

void YamlTreeReader::OnContainerStart(const yaml_event_t& event, Position where, bool mapping) {
    bool keySlot = false;
    OpenNode* node = ChooseTarget(keySlot, where);
    if (node == nullptr) return;
    if (keySlot) {
        Fail(FormatMessage(mapping ? kMappingAsKey : kSequenceAsKey, where.line, where.column));
        return;
    }
    if (openContainers_ >= kMaxNestingDepth) {
        Fail(FormatMessage(kLimitReached, BindingTreeBuilder::LimitMessage(BindingTreeBuilder::Limit::Depth),
                           where.line, where.column));
        return;
    }
    const yaml_char_t* anchor = mapping ? event.data.mapping_start.anchor : event.data.sequence_start.anchor;
    if (anchor != nullptr && !EnterAnchor(anchor, Anchor{false, {}, PathTo(*node)}, where)) return;
    // An existing container (a repeated key) keeps what it holds.
    if (mapping) {
        node->target->MakeStructure();
    } else {
        node->target->MakeCollection();
    }
    node->state = mapping ? OpenNode::State::Mapping : OpenNode::State::Sequence;
    node->anchor.assign(TextOf(anchor));
    ++openContainers_;
}

void YamlTreeReader::OnAlias(const yaml_event_t& event, Position where) {
    bool keySlot = false;
    OpenNode* node = ChooseTarget(keySlot, where);
    if (node == nullptr) return;
    const std::string_view name = TextOf(event.data.alias.anchor);
    for (const OpenNode& open : open_) {
        if (open.state != OpenNode::State::Slot && open.anchor == name) {
            Fail(FormatMessage(kCyclicAlias, name, where.line, where.column));
            return;
        }
    }
    const auto found = anchors_.find(std::string(name));
    if (found == anchors_.end()) {
        Fail(FormatMessage(kUndefinedAlias, name, where.line, where.column));
        return;
    }
    const Anchor& anchor = found->second;
    if (keySlot) {
        // A key must be a text: the anchored key, or an anchored string.
        const BindingProperty* named = anchor.isKeyText ? nullptr : &Resolve(anchor.path);
        if (named != nullptr && !named->IsString()) {
            Fail(FormatMessage(kInvalidKey, where.line, where.column));
            return;
        }
        pendingKey_.assign(named != nullptr ? named->GetString() : std::string_view(anchor.keyText));
        hasPendingKey_ = true;
        return;
    }
    if (anchor.isKeyText) {
        node->target->SetString(anchor.keyText);
    } else {
        const BindingProperty& source = Resolve(anchor.path);
        if (!ChargeAliasCopy(source, name, where)) return;
        *node->target = source;
    }
    Pop();
}

// The node at `path`, or the shared empty value when the tree has changed
// since (a later value under a repeated key replaced it).
const BindingProperty& YamlTreeReader::Resolve(const Path& path) const {
    std::vector<const PathStep*> steps;
    for (const PathStep* step = path.get(); step != nullptr; step = step->parent.get()) steps.push_back(step);
    const BindingProperty* node = &result_.value();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        node = (*it)->isMember ? &node->Member((*it)->key) : &node->Element((*it)->index);
    }
    return *node;
}

// Counts the values a copy of `source` builds against the document's alias
// budget; fails once the budget is spent. The count stops early, so a huge
// node costs no more than the budget to look at.
bool YamlTreeReader::ChargeAliasCopy(const BindingProperty& source, std::string_view name, Position where) {
    const std::size_t budget = kMaxAliasExpansion - aliasValues_;
    std::size_t count = 0;
    std::vector<const BindingProperty*> pending{&source};
    while (!pending.empty() && count <= budget) {
        const BindingProperty* value = pending.back();
        pending.pop_back();
        ++count;
        if (value->IsCollection()) {
            for (const BindingProperty& element : value->Elements()) pending.push_back(&element);
        } else if (value->IsStructure()) {
            for (const auto& member : value->Members()) pending.push_back(&member.value);
        }
    }
    if (count > budget) {
        Fail(FormatMessage(kAliasExpansion, name, kMaxAliasExpansion, where.line, where.column));
        return false;
    }
    aliasValues_ += count;
    return true;
}

bool YamlTreeReader::TypeScalar(BindingProperty& target, const yaml_event_t& event, Position where) {
    const auto& scalar = event.data.scalar;
    const std::string_view text(reinterpret_cast<const char*>(scalar.value), scalar.length);
    if (scalar.tag != nullptr) return TypeTaggedScalar(target, reinterpret_cast<const char*>(scalar.tag), text, where);
    if (scalar.style == YAML_SINGLE_QUOTED_SCALAR_STYLE || scalar.style == YAML_DOUBLE_QUOTED_SCALAR_STYLE) {
        target.SetString(text);
    } else {
        TypePlainScalar(target, text);
    }
    return true;
}

bool YamlTreeReader::TypeTaggedScalar(BindingProperty& target, const char* tag, std::string_view text,
                                      Position where) {
    const auto* tagText = reinterpret_cast<const yaml_char_t*>(tag);
    if (HasTag(tagText, YAML_STR_TAG)) {
        target.SetString(text);
        return true;
    }
    if (HasTag(tagText, YAML_BOOL_TAG)) {
        if (IsOneOf(text, kTrueWords) || IsOneOf(text, kFalseWords)) {
            target.SetBool(IsOneOf(text, kTrueWords));
            return true;
        }
        Fail(FormatMessage(kInvalidBool, text, where.line, where.column));
        return false;
    }
    const bool isInt = HasTag(tagText, YAML_INT_TAG);
    if (!isInt && !HasTag(tagText, YAML_FLOAT_TAG)) {
        Fail(FormatMessage(kUnsupportedTag, tag));
        return false;
    }
    // Converted aside: a failure replaces the whole tree, `target` included.
    BindingProperty source;
    source.SetString(text);
    BindingResult conversion;
    if (!isInt) {
        constexpr double kMax = std::numeric_limits<double>::max();
        const double value = ConvertToFloating(conversion, source, kFieldName, -kMax, kMax, "double");
        if (conversion.ok()) target.SetFloat(value);
    } else if (!text.empty() && text.front() == '-') {
        const int64_t value = ConvertToSigned(conversion, source, kFieldName, std::numeric_limits<int64_t>::min(),
                                              std::numeric_limits<int64_t>::max(), "int64_t");
        if (conversion.ok()) target.SetSigned(value);
    } else {
        const uint64_t value =
            ConvertToUnsigned(conversion, source, kFieldName, std::numeric_limits<uint64_t>::max(), "uint64_t");
        if (conversion.ok()) target.SetUnsigned(value);
    }
    if (!conversion.ok()) Fail(std::string(conversion.ErrorText()));
    return conversion.ok();
}

void YamlTreeReader::TypePlainScalar(BindingProperty& target, std::string_view text) {
    if (IsOneOf(text, kNullWords)) {
        target.Clear();
        return;
    }
    // A number only when strtod reads all of it (libyaml terminates texts)
    // and it is finite: "inf", "-inf" and "nan" stay words.
    char* end = nullptr;
    const double number = std::strtod(text.data(), &end);
    if (end == text.data() + text.size() && std::isfinite(number)) {
        constexpr double kTwoTo63 = 9223372036854775808.0;
        constexpr double kTwoTo64 = 18446744073709551616.0;
        if (number != std::trunc(number) || number < -kTwoTo63 || number >= kTwoTo64) {
            target.SetFloat(number);
        } else if (number < 0) {
            target.SetSigned(static_cast<int64_t>(number));
        } else {
            target.SetUnsigned(static_cast<uint64_t>(number));
        }
        return;
    }
    if (IsOneOf(text, kTrueWords)) {
        target.SetBool(true);
    } else if (IsOneOf(text, kFalseWords)) {
        target.SetBool(false);
    } else {
        target.SetString(text);
    }
}

}  // namespace

BindingResult ReadYaml(std::string_view text) {
    BindingResult result;
    std::string unavailable;
    const YamlFunctions* yaml = GetYamlFunctions(unavailable);
    if (yaml == nullptr) {
        result.SetFailure(FormatMessage(kYamlUnavailable, unavailable));
        return result;
    }
    YamlTreeReader(*yaml, result).Read(text);
    return result;
}

}  // namespace kor
