#include <gtest/gtest.h>

#include <string>

#include "host/ValueDecoding.h"

namespace kor {
namespace {

// ---- Choosing the format of an argument ----

TEST(ValueFormatChoice, StructuredTextWithoutContentTypeIsRecognised) {
    EXPECT_EQ(ChooseValueFormat("[1,2]", "", true), ValueFormat::Json);
    EXPECT_EQ(ChooseValueFormat("   [1,2]", "", true), ValueFormat::Json);
    EXPECT_EQ(ChooseValueFormat("\n\t{}", "", true), ValueFormat::Json);
    EXPECT_EQ(ChooseValueFormat("---\na: 1", "", true), ValueFormat::Yaml);
    EXPECT_EQ(ChooseValueFormat("  ---", "", true), ValueFormat::Yaml);
    EXPECT_EQ(ChooseValueFormat("\x80", "", true), ValueFormat::MessagePack);
    EXPECT_EQ(ChooseValueFormat("\x9F", "", true), ValueFormat::MessagePack);
    EXPECT_EQ(ChooseValueFormat("\xDC\x00\x00", "", true), ValueFormat::MessagePack);
    EXPECT_EQ(ChooseValueFormat("\xDF", "", true), ValueFormat::MessagePack);
    // Bytes just outside those ranges, other text and the empty text stay strings.
    EXPECT_EQ(ChooseValueFormat("\x7F", "", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("\xA0", "", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("\xDB", "", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("\xE0", "", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("a: 1", "", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("--", "", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("", "", true), ValueFormat::String);
}

TEST(BodyFormatChoice, ByContentTypePrefix) {
    EXPECT_EQ(ChooseBodyFormat("application/x-msgpack"), BodyFormat::MessagePack);
    EXPECT_EQ(ChooseBodyFormat("application/json; charset=utf-8"), BodyFormat::Json);
    EXPECT_EQ(ChooseBodyFormat("APPLICATION/JSON"), BodyFormat::Json);
    EXPECT_EQ(ChooseBodyFormat("application/vnd.api+json"), BodyFormat::Json);
    EXPECT_EQ(ChooseBodyFormat("application/x-yaml"), BodyFormat::Yaml);
    EXPECT_EQ(ChooseBodyFormat("text/x-yaml"), BodyFormat::Unsupported);
    EXPECT_EQ(ChooseBodyFormat("application/octet-stream"), BodyFormat::Unsupported);
    EXPECT_EQ(ChooseBodyFormat(""), BodyFormat::Unsupported);
}

}  // namespace
}  // namespace kor
