#include "binding/YamlReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/BindingTreeBuilder.h"
#include "binding/YamlLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace kor {
namespace {

using test::Describe;

// Reading YAML needs libyaml, which a Windows system may lack; there the
// reader's cases are skipped, and the failure it gives instead is checked.
class YamlReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        if (GetYamlFunctions(reason) == nullptr) GTEST_SKIP() << "libyaml cannot be loaded here: " << reason;
    }
};

TEST(YamlWithoutLibyamlTest, EveryReadFailsWithTheReason) {
    std::string reason;
    if (GetYamlFunctions(reason) != nullptr) GTEST_SKIP() << "libyaml is available here";
    ASSERT_FALSE(reason.empty());
    for (std::string_view text : {std::string_view(""), std::string_view("a: 1\n")}) {
        BindingResult result = ReadYaml(text);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.ErrorText(), "YAML is not available: libyaml could not be loaded (" + reason + ").");
        EXPECT_NE(result.ErrorText().find("yaml.dll"), std::string::npos) << result.ErrorText();
    }
}

// The value of a successful read, as text; the error text otherwise.
std::string Read(std::string_view text) {
    BindingResult result = ReadYaml(text);
    return result.ok() ? Describe(result.value()) : "error: " + std::string(result.ErrorText());
}

TEST_F(YamlReaderTest, EmptyTextIsTheEmptyValue) {
    for (std::string_view text : {std::string_view(""), std::string_view(), std::string_view("# nothing\n")}) {
        BindingResult result = ReadYaml(text);
        EXPECT_TRUE(result.ok());
        EXPECT_TRUE(result.value().IsEmpty());
    }
}

TEST_F(YamlReaderTest, PlainScalarsAreTyped) {
    EXPECT_EQ(Read("[yes, Off, ~, 12, null, '', y, ON]"), R"([true,false,null,u:12,null,"",true,true])");
    EXPECT_EQ(Read("[1.0, 1e3, 0x10, -0, -5, 1.5, 12345678901234567890]"),
              "[u:1,u:1000,u:16,u:0,s:-5,f:1.5,u:12345678901234567168]");
    EXPECT_EQ(Read("[.inf, .nan, 1_000, inf, -inf, nan, maybe]"),
              R"([".inf",".nan","1_000","inf","-inf","nan","maybe"])");
    // Integral values beyond 64 bits stay numbers, as floats.
    EXPECT_EQ(Read("[1e20, -1e19]"), "[f:100000000000000000000,f:-10000000000000000000]");
    EXPECT_EQ(Read("text: |\n  12\n"), "{\"text\":\"12\n\"}");  // the kept line break is not a number
    EXPECT_EQ(Read("folded: >-\n  true\n"), R"({"folded":true})");
}

TEST_F(YamlReaderTest, QuotedScalarsAreStrings) {
    EXPECT_EQ(Read("['yes', \"12\", \"~\", 'null']"), R"(["yes","12","~","null"])");
}

TEST_F(YamlReaderTest, MissingValuesAreEmptyAndEmptyKeysAreKeys) {
    EXPECT_EQ(Read("a:\nb: ''\n"), R"({"a":null,"b":""})");
    EXPECT_EQ(Read("'': 1\nb: 2\n"), R"({"":u:1,"b":u:2})");
}

TEST_F(YamlReaderTest, Tags) {
    EXPECT_EQ(Read("[!!str 12, !!int 0x1F, !!int -5, !!int '', !!float 2, !!bool yes, !!bool NO]"),
              R"(["12",u:31,s:-5,u:0,f:2,true,false])");
    EXPECT_EQ(Read("a: !!int 12abc"), "error: Value 12abc for 'yaml' of type uint64_t is in an incorrect format");
    EXPECT_EQ(Read("a: !!int -99999999999999999999"),
              "error: Value -99999999999999999999 for 'yaml' of type int64_t is out of range");
    EXPECT_EQ(Read("a: !!float 1e999"), "error: Value 1e999 for 'yaml' of type double is out of range");
    EXPECT_EQ(Read("a: !custom x"), "error: Unsupported YAML tag '!custom'.");
    EXPECT_EQ(Read("a: !!bool maybe"), "error: Value maybe is not a valid YAML boolean. At line: 1 col: 4");
}

TEST_F(YamlReaderTest, KeysMustBeStringScalars) {
    EXPECT_EQ(Read("a: 1\n!!int 2: b\n"),
              "error: Invalid mapping key. Only string scalar keys are allowed. At line: 2 col: 1");
    EXPECT_EQ(Read("!!str 2: b"), R"({"2":"b"})");
    EXPECT_EQ(Read("? [1]\n: v\n"), "error: Unexpected start of sequence. At line: 1 col: 3");
    EXPECT_EQ(Read("{x: 1, {y: 2}: v}"), "error: Unexpected start of mapping. At line: 1 col: 8");
}

TEST_F(YamlReaderTest, RepeatedKeysReplaceScalarsConcatenateSequencesAndMergeMappings) {
    EXPECT_EQ(Read("a: 1\na: two\n"), R"({"a":"two"})");
    EXPECT_EQ(Read("a: [1]\na: [2]\n"), "{\"a\":[u:1,u:2]}");
    EXPECT_EQ(Read("a: {x: 1, y: 2}\na: {y: 3}\n"), R"({"a":{"x":u:1,"y":u:3}})");
    // A later scalar replaces an earlier mapping; it does not become a key of it.
    EXPECT_EQ(Read("a: {x: 1}\na: 3\nb: 4\n"), R"({"a":u:3,"b":u:4})");
}

TEST_F(YamlReaderTest, DocumentsAfterANonEmptyOneFail) {
    EXPECT_EQ(Read("a: 1\n---\nb: 2\n"), "error: Multi-document YAML is not supported.");
    EXPECT_EQ(Read("---\n---\na: 1\n"), R"({"a":u:1})");
    EXPECT_EQ(Read("--- ~\n--- [1]\n"), "[u:1]");
}

TEST_F(YamlReaderTest, AliasesCopyTheAnchoredNode) {
    EXPECT_EQ(Read("a: &x [1, {k: v}]\nb: *x\n"), R"({"a":[u:1,{"k":"v"}],"b":[u:1,{"k":"v"}]})");
    EXPECT_EQ(Read("- &s 5\n- *s\n- &m {a: *s}\n- *m\n"), R"([u:5,u:5,{"a":u:5},{"a":u:5}])");
    // An anchored key is a text for aliases; an alias key must be a text.
    EXPECT_EQ(Read("&k key: v\nother: *k\n"), R"({"key":"v","other":"key"})");
    EXPECT_EQ(Read("a: &s name\n*s : 1\n"), R"({"a":"name","name":u:1})");
    EXPECT_EQ(Read("a: &n 5\n*n : 1\n"),
              "error: Invalid mapping key. Only string scalar keys are allowed. At line: 2 col: 1");
}

TEST_F(YamlReaderTest, AnchorsDeepInTheTreeAreFoundByTheirPath) {
    // Member keys on the way down sort before and after their siblings, and
    // one of them merges a repeated mapping.
    EXPECT_EQ(Read("z: 0\nouter:\n  b: 1\n  list:\n    - x\n    - inner: &d {k: [1, 2]}\n      a: 2\n"
                   "copy: *d\n"),
              R"({"copy":{"k":[u:1,u:2]},"outer":{"b":u:1,"list":["x",{"a":u:2,"inner":{"k":[u:1,u:2]}}]},"z":u:0})");
    EXPECT_EQ(Read("m: {a: 1}\nm: {b: &z [3]}\nc: *z\n"), R"({"c":[u:3],"m":{"a":u:1,"b":[u:3]}})");
    EXPECT_EQ(Read("- [a, {deep: &e {x: v}}]\n- *e\n"), R"([["a",{"deep":{"x":"v"}}],{"x":"v"}])");
}

TEST_F(YamlReaderTest, AliasAndAnchorErrors) {
    EXPECT_EQ(Read("a: &x [1, *x]"), "error: Cannot deserialize cyclic aliases. Alias \"x\". At line: 1 col: 11");
    EXPECT_EQ(Read("a: &x {b: {c: *x}}"), "error: Cannot deserialize cyclic aliases. Alias \"x\". At line: 1 col: 15");
    EXPECT_EQ(Read("a: *nope"), "error: Undefined alias encountered: \"nope\". At line: 1 col: 4");
    EXPECT_EQ(Read("a: &x 1\nb: &x 2\n"), "error: Duplicate occurrence of anchor \"x\". At line: 2 col: 4");
}

TEST_F(YamlReaderTest, ParserErrorsUseLibyamlPositions) {
    EXPECT_EQ(Read("a: [1, 2"), "error: YAML parser error: did not find expected ',' or ']'. At line: 1 col: 0");
    EXPECT_EQ(Read("a: b: c"), "error: YAML parser error: mapping values are not allowed in this context. At line: 0 col: 4");
}

std::string NestedFlow(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST_F(YamlReaderTest, NestingIsBoundedAtTheSharedDepth) {
    EXPECT_NE(Read(NestedFlow(kMaxNestingDepth)).rfind("[[", 0), std::string::npos);
    EXPECT_EQ(Read(NestedFlow(kMaxNestingDepth + 1)),
              "error: Nesting deeper than 512 levels is not supported. At line: 1 col: 513");
    BindingResult hostile = ReadYaml(std::string(100000, '['));
    EXPECT_NE(hostile.ErrorText().find("Nesting deeper than 512 levels"), std::string_view::npos);

    std::string block;
    for (std::size_t level = 0; level <= kMaxNestingDepth; ++level) block += std::string(level, ' ') + "k:\n";
    EXPECT_NE(Read(block).find("Nesting deeper than 512 levels"), std::string::npos);
}

TEST_F(YamlReaderTest, AliasExpansionIsBounded) {
    // Nine levels of ten aliases: 10^9 values if expanded.
    std::string laughs = "a: &a [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
    for (char level = 'b'; level <= 'i'; ++level) {
        const char previous = static_cast<char>(level - 1);
        laughs += std::string(1, level) + ": &" + level + " [";
        for (int i = 0; i < 10; ++i) laughs += std::string(i ? ", *" : "*") + previous;
        laughs += "]\n";
    }
    BindingResult result = ReadYaml(laughs);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.ErrorText().find("would build more than 1000000 values from aliases"), std::string_view::npos)
        << result.ErrorText();

    // Three levels stay well within the bound.
    const std::size_t cut = laughs.find("d: ");
    BindingResult modest = ReadYaml(std::string_view(laughs).substr(0, cut));
    ASSERT_TRUE(modest.ok()) << modest.ErrorText();
    EXPECT_EQ(modest.value().Member("c").Element(9).Element(9).Element(9).GetString(), "lol");
}

}  // namespace
}  // namespace kor
