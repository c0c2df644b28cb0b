// Named-placeholder templates: expansion, escapes, detail fields and limits.
#include <gtest/gtest.h>

#include <string>

#include "host/NamedTemplate.h"
#include "host/RequestError.h"

namespace kor {
namespace {

TEST(NamedTemplateTest, PlaceholdersAreFilledInOrderOfFirstOccurrence) {
    NamedTemplateOutput out = ExpandNamedTemplate("{b} then {a} then {b}", {"B", "A"});
    EXPECT_EQ(out.text, "B then A then B");
    EXPECT_EQ(out.fields.Member("b_str").GetString(), "B");
    EXPECT_EQ(out.fields.Member("a_str").GetString(), "A");
    EXPECT_EQ(out.fields.Size(), 2u);
}

TEST(NamedTemplateTest, DoubledBracesAndPercentsAreEscapes) {
    NamedTemplateOutput out = ExpandNamedTemplate("{{a}} 100%% }}{x}{{", {"v"});
    EXPECT_EQ(out.text, "{a} 100% }v{");
    EXPECT_EQ(out.fields.Size(), 1u);
    EXPECT_TRUE(out.fields.HasMember("x_str"));

    NamedTemplateOutput escaped = ExpandNamedTemplate("{{a}}", {"unused"});
    EXPECT_EQ(escaped.text, "{a}");
    EXPECT_EQ(escaped.fields.Size(), 0u);
}

TEST(NamedTemplateTest, FieldSuffixesFollowTheValueKindUnlessTheNameHasOne) {
    NamedTemplateOutput out = ExpandNamedTemplate("{flag} {count} {size} {ratio} {id_long} {when_time} {peer_ip}",
                                                  {true, int32_t{-2}, uint64_t{9}, 0.5, int64_t{7}, "noon", "::1"});
    EXPECT_EQ(out.text, "true -2 9 0.5 7 noon ::1");
    EXPECT_TRUE(out.fields.Member("flag_bool").GetBool());
    EXPECT_EQ(out.fields.Member("count_int").GetSigned(), -2);
    EXPECT_EQ(out.fields.Member("size_int").GetUnsigned(), 9u);
    EXPECT_EQ(out.fields.Member("ratio_float").GetFloat(), 0.5);
    EXPECT_EQ(out.fields.Member("id_long").GetSigned(), 7);
    EXPECT_EQ(out.fields.Member("when_time").GetString(), "noon");
    EXPECT_EQ(out.fields.Member("peer_ip").GetString(), "::1");
    EXPECT_EQ(out.fields.Size(), 7u);
}

TEST(NamedTemplateTest, MissingValuesEmptyNamesSpecsAndUnclosedBraces) {
    NamedTemplateOutput out = ExpandNamedTemplate("[{a}][{}][{b:>8}][{c}] {open", {"1", "2"});
    EXPECT_EQ(out.text, "[1][][2][] {open");
    EXPECT_TRUE(out.fields.HasMember("a_str"));
    EXPECT_TRUE(out.fields.HasMember("b_str"));
    EXPECT_FALSE(out.fields.HasMember("c_str"));
    EXPECT_EQ(out.fields.Size(), 2u);
}

TEST(NamedTemplateTest, TheTextStopsAt4095Characters) {
    const std::string longValue(5000, 'v');
    NamedTemplateOutput out = ExpandNamedTemplate("x{v}y", {longValue});
    EXPECT_EQ(out.text.size(), 4095u);
    EXPECT_EQ(out.text.front(), 'x');
    EXPECT_EQ(out.text.back(), 'v');
    // The field keeps the whole value.
    EXPECT_EQ(out.fields.Member("v_str").GetString().size(), 5000u);
}

TEST(RequestErrorTest, TheStatusIsADetailOnlyWhenSet) {
    RequestError withStatus = HostResponseError(404, PluginMethod::Get, "/x", "not found");
    EXPECT_EQ(withStatus.message, "Error response for GET /x: not found");
    EXPECT_EQ(withStatus.details.Member("errorCode_int").GetSigned(), 404);
    EXPECT_EQ(withStatus.details.Member("method_str").GetString(), "GET");
    EXPECT_EQ(withStatus.details.Member("url_str").GetString(), "/x");
    EXPECT_EQ(withStatus.details.Size(), 4u);

    RequestError without = ResponseConversionError(PluginMethod::Custom, "/y", "bad");
    EXPECT_EQ(without.message, "Error converting response for  /y: bad");
    EXPECT_FALSE(without.details.HasMember("errorCode_int"));
}

}  // namespace
}  // namespace kor
