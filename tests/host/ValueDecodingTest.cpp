#include <gtest/gtest.h>

#include <string>

#include "host/ValueDecoding.h"

namespace kor {
namespace {

// ---- Choosing the format of an argument ----

TEST(ValueFormatChoice, ContentTypeDecidesByPrefixIgnoringCase) {
    EXPECT_EQ(ChooseValueFormat("x", "application/x-msgpack", false), ValueFormat::MessagePack);
    EXPECT_EQ(ChooseValueFormat("x", "Application/X-MsgPack-Ext", false), ValueFormat::MessagePack);
    EXPECT_EQ(ChooseValueFormat("x", "application/json; charset=utf-8", false), ValueFormat::Json);
    EXPECT_EQ(ChooseValueFormat("x", "APPLICATION/JSON", false), ValueFormat::Json);
    EXPECT_EQ(ChooseValueFormat("x", "text/x-yaml", false), ValueFormat::Yaml);
    EXPECT_EQ(ChooseValueFormat("x", "application/octet-stream", true), ValueFormat::Blob);
    EXPECT_EQ(ChooseValueFormat("[1]", "text/plain", true), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("x", "application/jso", false), ValueFormat::String);
}

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

TEST(ValueFormatChoice, UnstructuredTextIsNeverSniffed) {
    EXPECT_EQ(ChooseValueFormat("[1,2]", "", false), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("---", "", false), ValueFormat::String);
    EXPECT_EQ(ChooseValueFormat("\x90", "", false), ValueFormat::String);
}

TEST(ValueDecoding, StringsAndBlobsKeepEveryByte) {
    BindingProperty value;
    const std::string text("a\0b", 3);
    EXPECT_FALSE(DecodeValue(value, "p", "F", text, "application/octet-stream", false));
    ASSERT_TRUE(value.Is(BindingPropertyKind::Blob));
    EXPECT_EQ(value.GetBlob().size(), 3u);
    EXPECT_EQ(value.GetBlob()[2], 'b');
    EXPECT_FALSE(DecodeValue(value, "p", "F", "[1,2]", "", false));
    EXPECT_EQ(value.GetString(), "[1,2]");
}

// ---- Choosing the format of a body ----

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

TEST(BodyDecoding, UnsupportedTypeLeavesTheTargetAlone) {
    BindingProperty value;
    value.SetSigned(5);
    const uint8_t body[] = {'{', '}'};
    const auto failure = DecodeBody(value, body, "text/plain");
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, "Unsupported body content type");
    EXPECT_EQ(value.GetSigned(), 5);
}

}  // namespace
}  // namespace kor
