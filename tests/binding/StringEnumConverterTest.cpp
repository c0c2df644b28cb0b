#include "binding/BindingRegistry.h"
#include "binding/BlobConverter.h"
#include "binding/ConverterTestSupport.h"
#include "binding/EnumConverter.h"
#include "binding/NativeTypeIds.h"
#include "binding/ObjectConverter.h"
#include "binding/StringConverter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace converter_test {
enum class SessionState : int32_t { InProgress = 0, Succeeded = 1, LoggingOut = 2, Error = 3 };
enum class Tiny : uint8_t { Low = 1, High = 200 };
}  // namespace converter_test

KOR_BINDING_NAMED_TYPE_ID(converter_test::SessionState);
KOR_BINDING_NAMED_TYPE_ID(converter_test::Tiny);

namespace kor {
namespace {

using converter_test::SessionState;
using converter_test::Tiny;
using test::ErrorOf;
using test::SignedValue;
using test::StringValue;
using test::UnsignedValue;

class EnumConverterTest : public ::testing::Test {
protected:
    EnumConverterTest() {
        registry_.BeginType("SessionState", 4, TypeIdOf<SessionState>(), true)
            .AddEnumerator("IN_PROGRESS", 0, "")
            .AddEnumerator("ERROR", 3, "")
            .AddEnumerator("SUCCEEDED", 1, "")
            .AddEnumerator("LOGGING_OUT", 2, "");
        registry_.BeginType("Tiny", 1, TypeIdOf<Tiny>(), true).AddEnumerator("Low", 1, "").AddEnumerator("High", 200, "");
        states_ = registry_.FindTypeByName("SessionState");
        type_ = BindingTypeIdentifier{BindingTypeKind::Enum, BindingTypeKind::None, states_};
    }

    BindingProperty Enum(int32_t number) const {
        BindingProperty value;
        value.SetEnum(number, TypeIdOf<SessionState>());
        return value;
    }

    // Converts into a native SessionState that starts as LoggingOut.
    SessionState ToNative(BindingResult& result, const BindingProperty& source) const {
        SessionState state = SessionState::LoggingOut;
        EnumConverter().ToNative(result, &state, source, "state", type_, &registry_);
        return state;
    }

    BindingRegistry registry_;
    const BindingTypeDescriptor* states_ = nullptr;
    BindingTypeIdentifier type_;
};

TEST_F(EnumConverterTest, AcceptsNumbersNamesNumericTextsAndEnums) {
    struct Case {
        BindingProperty source;
        SessionState expected;
    } cases[] = {
        {SignedValue(1), SessionState::Succeeded},    {UnsignedValue(3), SessionState::Error},
        {StringValue("ERROR"), SessionState::Error},  {StringValue("0x2"), SessionState::LoggingOut},
        {Enum(0), SessionState::InProgress},
    };
    for (const Case& c : cases) {
        BindingResult result;
        EXPECT_EQ(ToNative(result, c.source), c.expected) << test::Describe(c.source);
        EXPECT_TRUE(result.ok()) << ErrorOf(result);
    }
}

TEST_F(EnumConverterTest, UnknownValuesNameTheInputAndTheEnumeration) {
    struct Case {
        BindingProperty source;
        std::string message;
    } cases[] = {
        {StringValue("succeeded"), "succeeded is not a valid SessionState enumeration value for 'state'."},
        {StringValue("7"), "7 is not a valid SessionState enumeration value for 'state'."},
        {SignedValue(-1), "-1 is not a valid SessionState enumeration value for 'state'."},
        {Enum(9), "9 is not a valid SessionState enumeration value for 'state'."},
        // Beyond 32 bits a number must not wrap onto an enumerator (2^32 + 1 -> 1).
        {SignedValue(4294967297), "4294967297 is not a valid SessionState enumeration value for 'state'."},
        {UnsignedValue(18446744073709551615u),
         "18446744073709551615 is not a valid SessionState enumeration value for 'state'."},
        {StringValue("4294967297"), "4294967297 is not a valid SessionState enumeration value for 'state'."},
    };
    for (const Case& c : cases) {
        BindingResult result;
        EXPECT_EQ(ToNative(result, c.source), SessionState::InProgress);
        EXPECT_EQ(ErrorOf(result), c.message);
    }
}

TEST_F(EnumConverterTest, InvalidKindsEmptyAndUnregistered) {
    BindingResult fromBool;
    ToNative(fromBool, test::BoolValue(true));
    EXPECT_EQ(ErrorOf(fromBool), "Couldn't assign value to 'state' of enum type because the input is of an invalid type bool.");
    BindingResult fromFloat;
    ToNative(fromFloat, test::FloatValue(1.0));
    EXPECT_EQ(ErrorOf(fromFloat),
              "Couldn't assign value to 'state' of enum type because the input is of an invalid type float.");
    BindingResult empty;
    ToNative(empty, BindingProperty());
    EXPECT_EQ(ErrorOf(empty), "A value for 'state' is required.");

    BindingResult unregistered;
    EXPECT_EQ(ConvertToEnum(unregistered, SignedValue(1), "state", nullptr), 0);
    EXPECT_FALSE(unregistered.ok());
}

TEST_F(EnumConverterTest, ToPropertyCarriesTheEnumerationTypeId) {
    const SessionState state = SessionState::Error;
    BindingResult result;
    EnumConverter().ToProperty(result, &state, type_, &registry_);
    EXPECT_EQ(result.value().GetEnum(), (BindingEnumValue{3, &TypeIdOf<SessionState>()}));

    BindingResult unregistered;
    EnumConverter().ToProperty(unregistered, &state, BindingTypeIdentifier{BindingTypeKind::Enum}, &registry_);
    EXPECT_EQ(ErrorOf(unregistered), "Couldn't convert native value because it's an unregistered enumeration.");
}

TEST_F(EnumConverterTest, NarrowUnsignedStorageRoundTrips) {
    const BindingTypeIdentifier tinyType{BindingTypeKind::Enum, BindingTypeKind::None, registry_.FindTypeByName("Tiny")};
    const EnumConverter converter(BindingEnumStorage::Of<Tiny>());
    Tiny value = Tiny::Low;
    BindingResult in;
    converter.ToNative(in, &value, StringValue("High"), "tiny", tinyType, &registry_);
    EXPECT_EQ(value, Tiny::High);
    BindingResult out;
    converter.ToProperty(out, &value, tinyType, &registry_);
    EXPECT_EQ(out.value().GetEnum().number, 200);  // not sign-extended to -56
}

TEST_F(EnumConverterTest, StringFieldTakesTheEnumeratorName) {
    std::string text = "old";
    BindingResult named;
    ConvertToString(named, text, Enum(2), "name", &registry_);
    EXPECT_EQ(text, "LOGGING_OUT");

    BindingResult unknown;
    ConvertToString(unknown, text, Enum(12), "name", &registry_);
    EXPECT_EQ(text, "");
    EXPECT_EQ(ErrorOf(unknown), "12 is not a valid enumeration value for 'name'.");

    text = "old";
    BindingResult noRegistry;
    ConvertToString(noRegistry, text, Enum(2), "name", nullptr);
    EXPECT_FALSE(noRegistry.ok());
}

TEST(StringConverterTest, TextsAndFailures) {
    std::string text = "old";
    BindingResult ok;
    StringConverter().ToNative(ok, &text, StringValue(std::string_view("a\0b", 3)), "name", {}, nullptr);
    EXPECT_EQ(text, std::string("a\0b", 3));

    BindingResult number;
    ConvertToString(number, text, SignedValue(5), "name", nullptr);
    EXPECT_EQ(ErrorOf(number), "Couldn't assign value to 'name' because the input is not a string.");
    EXPECT_EQ(text, "");

    // Overwritten with the empty text even when an earlier error stands.
    text = "old";
    ConvertToString(number, text, StringValue("new"), "name", nullptr);
    EXPECT_EQ(text, "");
    EXPECT_EQ(ErrorOf(number), "Couldn't assign value to 'name' because the input is not a string.");

    BindingResult empty;
    ConvertToString(empty, text, BindingProperty(), "name", nullptr);
    EXPECT_EQ(ErrorOf(empty), "A value for 'name' is required.");

    const std::string source;
    BindingResult out;
    StringConverter().ToProperty(out, &source, {}, nullptr);
    EXPECT_TRUE(out.value().IsString());
    EXPECT_EQ(out.value().Size(), 0u);
}

TEST(ObjectConverterTest, CopiesAnyValueAndClearsAfterAnEarlierError) {
    BindingProperty tree;
    tree.MemberForWrite("a").Append().SetString("x");
    BindingProperty target = StringValue("old");
    BindingResult ok;
    ObjectConverter().ToNative(ok, &target, tree, "data", {}, nullptr);
    EXPECT_EQ(target, tree);

    BindingResult emptyOk;
    ObjectConverter().ToNative(emptyOk, &target, BindingProperty(), "data", {}, nullptr);
    EXPECT_TRUE(emptyOk.ok());
    EXPECT_TRUE(target.IsEmpty());

    target = tree;
    BindingResult failed = BindingResult::Failure("earlier");
    ObjectConverter().ToNative(failed, &target, tree, "data", {}, nullptr);
    EXPECT_TRUE(target.IsEmpty());

    // A member copied over its own container.
    BindingResult inner;
    BindingProperty whole = tree;
    ConvertToObject(inner, whole, whole.Member("a"));
    EXPECT_EQ(test::Describe(whole), "[\"x\"]");

    BindingResult out;
    ObjectConverter().ToProperty(out, &tree, {}, nullptr);
    EXPECT_EQ(out.value(), tree);
}

TEST(BlobConverterTest, BlobsOnly) {
    const std::vector<uint8_t> bytes{1, 2, 3};
    BindingResult out;
    BlobConverter().ToProperty(out, &bytes, {}, nullptr);
    ASSERT_EQ(out.value().Size(), 3u);

    std::vector<uint8_t> target{9};
    BindingResult in;
    BlobConverter().ToNative(in, &target, out.value(), "bytes", {}, nullptr);
    EXPECT_EQ(target, bytes);

    BindingResult wrong;
    BlobConverter().ToNative(wrong, &target, StringValue("abc"), "bytes", {}, nullptr);
    EXPECT_TRUE(target.empty());
    EXPECT_EQ(ErrorOf(wrong), "Couldn't assign value to 'bytes' of type blob because the input is of an invalid type string.");
}

}  // namespace
}  // namespace kor
