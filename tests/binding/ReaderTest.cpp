// The JSON, MessagePack and YAML readers: one table per format, one line per
// case, each giving the value read (as Describe() text) or the exact error.
#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"
#include "binding/YamlLibrary.h"
#include "binding/YamlReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/BindingTreeBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kor {
namespace {

using test::Describe;

std::string Text(const BindingResult& result) {
    return result.ok() ? Describe(result.value()) : "error: " + std::string(result.ErrorText());
}

std::string Nested(std::size_t depth, std::string_view open, std::string_view close) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += open;
    for (std::size_t i = 0; i < depth; ++i) text += close;
    return text;
}

TEST(JsonReaderTest, Cases) {
    const std::string depth = "Nesting deeper than 512 levels is not supported.";
    struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"[1, -1, 1.5, 18446744073709551615, -9223372036854775808, 18446744073709551616, -0, 1e2]",
         "[u:1,s:-1,f:1.5,u:18446744073709551615,s:-9223372036854775808,f:18446744073709551616,s:0,f:100]"},
        {R"({"b": [null, true, false, "x"], "a": null, "B": {}})", R"({"B":{},"a":null,"b":[null,true,false,"x"]})"},
        {R"({"s": 1, "s": "two", "a": [1], "a": [2, 3], "o": {"x": 1, "y": 2}, "o": {"y": 3, "z": 4}, "n": 5, "n": null, "k": [1], "k": {"now": 1}})",
         R"({"a":[u:1,u:2,u:3],"k":{"now":u:1},"n":u:5,"o":{"x":u:1,"y":u:3,"z":u:4},"s":"two"})"},
        {R"({"k\u0000ey": "a\u0000b"})", R"({"k":"a"})"},  // an escaped zero ends texts and keys
        {std::string("[1]\0\0", 5), "[u:1]"},                // a host may count the terminator
        {std::string("123\0x", 5), "error: Error: The document root must not be followed by other values. at offset 3."},
        {Nested(kMaxNestingDepth + 1, "[", "]"), "error: Error: " + depth + " at offset 513."},
        {std::string(100000, '['), "error: Error: " + depth + " at offset 513."},
        {Nested(100000, "{\"a\":", "}"), "error: Error: " + depth + " at offset 2561."},
    };
    for (const auto& c : cases) {
        BindingResult result = ReadJson(c.text);
        EXPECT_EQ(Text(result), c.expected) << c.text.substr(0, 40);
        if (!result.ok()) {
            EXPECT_EQ(result.value().Size(), 1u) << "only the message is left";
        }
    }
    EXPECT_TRUE(ReadJson(Nested(kMaxNestingDepth, "[", "]")).ok());
    EXPECT_TRUE(ReadJson(nullptr).ok());
}

TEST(MessagePackReaderTest, Cases) {
    // Each format's plain values come from the conformance suite; here what
    // it lacks: repeated keys, only the first value read, and every failure.
    const std::string bad = "error: Invalid MessagePack data", cut = bad + ". ";
    struct {
        std::vector<uint8_t> bytes;
        std::string expected;
        std::size_t consumed;  // checked for successful reads
    } cases[] = {
        {{}, "null", 0},
        {{0xC0, 0x01}, "null", 1},  // only the first value is read
        {{0x82, 0xA1, 'b', 0x92, 0x01, 0x81, 0xA1, 'x', 0xC0, 0xA1, 'a', 0xC3}, R"({"a":true,"b":[s:1,{"x":null}]})", 12},
        {{0x86, 0xA1, 'm', 0x81, 0xA1, 'x', 0x01, 0xA1, 'm', 0x82, 0xA1, 'x', 0x02, 0xA1, 'y', 0x03, 0xA1, 'a', 0x91, 0x01,
          0xA1, 'a', 0x92, 0x02, 0x03, 0xA1, 's', 0x01, 0xA1, 's', 0xC0},
         R"({"a":[s:1,s:2,s:3],"m":{"x":s:2,"y":s:3},"s":null})", 31},
        {{0x81, 0x01, 0x02}, bad + " at position 2. Map keys must be strings.", 0},
        {{0x91, 0x81, 0xC0, 0x01}, bad + " at position 3. Map keys must be strings.", 0},
        {{0xC7}, bad + " at position 1.", 0},
        {{0x92, 0x01, 0xD4, 0x01, 0x10}, bad + " at position 3.", 0},
        {{0xCC}, cut + "8-bit integer value at position 1 is truncated.", 0},
        {{0x91, 0xCB, 0, 0}, cut + "64-bit integer value at position 2 is truncated.", 0},
        {{0xDA, 0x00, 0x05, 0x61}, cut + "String of size 5 at position 3 is truncated.", 0},
        {{0xC4, 0x05, 0x61}, cut + "Raw bytes of size 5 at position 2 are truncated.", 0},
        {{0xDB, 0xFF, 0xFF, 0xFF, 0xFF}, cut + "String of size 4294967295 at position 5 is truncated.", 0},
        {{0x92, 0x01}, cut + "Array of size 2 at position 0 is truncated.", 0},
        {{0x91, 0x82, 0xA1, 'a', 0x01}, cut + "Map of size 2 at position 1 is truncated.", 0},
        {{0xDD, 0xFF, 0xFF, 0xFF, 0xFF}, cut + "Array of size 4294967295 at position 0 is truncated.", 0},
        {{0xDF, 0xFF, 0xFF, 0xFF, 0xFF, 0xA1, 'k', 0x01}, cut + "Map of size 4294967295 at position 0 is truncated.", 0},
    };
    for (const auto& c : cases) {
        MessagePackDecoding decoded = ReadMessagePack(c.bytes);
        EXPECT_EQ(Text(decoded.result), c.expected);
        if (decoded.result.ok()) {
            EXPECT_EQ(decoded.bytesConsumed, c.consumed) << c.expected;
        }
    }
    EXPECT_EQ(ReadMessagePack(std::vector<uint8_t>{0xA3, 'a', 0, 'b'}).result.value().GetString(), std::string("a\0b", 3));

    std::vector<uint8_t> deepest(kMaxNestingDepth, 0x91);
    deepest.push_back(0x01);
    EXPECT_EQ(ReadMessagePack(deepest).bytesConsumed, deepest.size());
    deepest.insert(deepest.begin(), 0x91);
    EXPECT_EQ(Text(ReadMessagePack(deepest).result),
              bad + " at position 513. Nesting deeper than 512 levels is not supported.");
    std::vector<uint8_t> hostile(100000, 0x81);
    for (std::size_t i = 1; i < hostile.size(); i += 2) hostile[i] = 0xA0;  // {"": {"": ...
    EXPECT_FALSE(ReadMessagePack(hostile).result.ok());
}

// Reading YAML needs libyaml, which a Windows system may lack; there the
// failure given instead is checked.
TEST(YamlReaderTest, Cases) {
    std::string reason;
    if (GetYamlFunctions(reason) == nullptr) {
        EXPECT_EQ(Text(ReadYaml("a: 1\n")), "error: YAML is not available: libyaml could not be loaded (" + reason + ").");
        EXPECT_NE(reason.find("yaml.dll"), std::string::npos) << reason;
        return;
    }
    std::string laughs = "a: &a [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
    for (char level = 'b'; level <= 'i'; ++level) {  // nine levels of ten aliases: 10^9 values if expanded
        laughs += std::string(1, level) + ": &" + level + " [";
        for (int i = 0; i < 10; ++i) laughs += std::string(i ? ", *" : "*") + static_cast<char>(level - 1);
        laughs += "]\n";
    }
    std::string block;
    for (std::size_t level = 0; level <= kMaxNestingDepth; ++level) block += std::string(level, ' ') + "k:\n";
    const std::string depth = "error: Nesting deeper than 512 levels is not supported. At line: ";
    const std::string key = "error: Invalid mapping key. Only string scalar keys are allowed. At line: ";
    struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", "null"},
        {"[yes, Off, ~, 12, null, '', y, ON]", R"([true,false,null,u:12,null,"",true,true])"},
        {"[1.0, 1e3, 0x10, -0, -5, 1.5, 12345678901234567890]", "[u:1,u:1000,u:16,u:0,s:-5,f:1.5,u:12345678901234567168]"},
        {"[.inf, .nan, 1_000, inf, -inf, nan, maybe]", R"([".inf",".nan","1_000","inf","-inf","nan","maybe"])"},
        {"text: |\n  12\n", "{\"text\":\"12\n\"}"},
        {"folded: >-\n  true\n", R"({"folded":true})"},
        {"a:\nb: ''\n'': 1\n", R"({"":u:1,"a":null,"b":""})"},
        {"[!!str 12, !!int 0x1F, !!int -5, !!int '', !!float 2, !!bool yes, !!bool NO]", R"(["12",u:31,s:-5,u:0,f:2,true,false])"},
        {"a: !!int 12abc", "error: Value 12abc for 'yaml' of type uint64_t is in an incorrect format"},
        {"a: !!int -99999999999999999999", "error: Value -99999999999999999999 for 'yaml' of type int64_t is out of range"},
        {"a: !custom x", "error: Unsupported YAML tag '!custom'."},
        {"a: !!bool maybe", "error: Value maybe is not a valid YAML boolean. At line: 1 col: 4"},
        {"a: 1\n!!int 2: b\n", key + "2 col: 1"},
        {"!!str 2: b", R"({"2":"b"})"},
        {"? [1]\n: v\n", "error: Unexpected start of sequence. At line: 1 col: 3"},
        {"a: 1\na: two\nb: [1]\nb: [2]\nc: {x: 1, y: 2}\nc: {y: 3}\nd: {x: 1}\nd: 3\n",
         R"({"a":"two","b":[u:1,u:2],"c":{"x":u:1,"y":u:3},"d":u:3})"},
        {"a: 1\n---\nb: 2\n", "error: Multi-document YAML is not supported."},
        {"---\n---\na: 1\n", R"({"a":u:1})"},
        {"a: &x [1, {k: v}]\nb: *x\n", R"({"a":[u:1,{"k":"v"}],"b":[u:1,{"k":"v"}]})"},
        {"&k key: v\nother: *k\n", R"({"key":"v","other":"key"})"},
        {"a: &s name\n*s : 1\n", R"({"a":"name","name":u:1})"},
        {"a: &n 5\n*n : 1\n", key + "2 col: 1"},
        // Anchors deep in the tree are found by their path, past keys that
        // sort before and after them and a merged repeated mapping.
        {"z: 0\nouter:\n  b: 1\n  list:\n    - x\n    - inner: &d {k: [1, 2]}\n      a: 2\ncopy: *d\n",
         R"({"copy":{"k":[u:1,u:2]},"outer":{"b":u:1,"list":["x",{"a":u:2,"inner":{"k":[u:1,u:2]}}]},"z":u:0})"},
        {"m: {a: 1}\nm: {b: &z [3]}\nc: *z\n", R"({"c":[u:3],"m":{"a":u:1,"b":[u:3]}})"},
        {"- [a, {deep: &e {x: v}}]\n- *e\n", R"([["a",{"deep":{"x":"v"}}],{"x":"v"}])"},
        {"a: &x [1, *x]", "error: Cannot deserialize cyclic aliases. Alias \"x\". At line: 1 col: 11"},
        {"a: *nope", "error: Undefined alias encountered: \"nope\". At line: 1 col: 4"},
        {"a: &x 1\nb: &x 2\n", "error: Duplicate occurrence of anchor \"x\". At line: 2 col: 4"},
        {"a: [1, 2", "error: YAML parser error: did not find expected ',' or ']'. At line: 1 col: 0"},
        {Nested(kMaxNestingDepth + 1, "[", "]"), depth + "1 col: 513"},
        {std::string(100000, '['), depth + "1 col: 513"},
        {block, depth + "513 col: 513"},
        {laughs, "error: Alias \"e\" would build more than 1000000 values from aliases. At line: 6 col: 36"},
    };
    for (const auto& c : cases) EXPECT_EQ(Text(ReadYaml(c.text)), c.expected) << c.text.substr(0, 60);
    EXPECT_TRUE(ReadYaml(std::string_view()).ok());
    EXPECT_EQ(ReadYaml(Nested(kMaxNestingDepth, "[", "]")).ok(), true);
    BindingResult modest = ReadYaml(std::string_view(laughs).substr(0, laughs.find("d: ")));
    EXPECT_EQ(modest.value().Member("c").Element(9).Element(9).Element(9).GetString(), "lol");
}

}  // namespace
}  // namespace kor
