#include "binding/ScalarConverters.h"

#include "binding/BindingResult.h"
#include "binding/BindingTypeDescriptor.h"
#include "binding/ConverterTestSupport.h"
#include "binding/NativeTypeIds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace kor {
namespace {

using test::BoolValue;
using test::ErrorOf;
using test::FloatValue;
using test::SignedValue;
using test::StringValue;
using test::UnsignedValue;

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr double kDoubleMax = std::numeric_limits<double>::max();

int64_t ToInt32(BindingResult& result, const BindingProperty& source) {
    return ConvertToSigned(result, source, "count", kInt32Min, kInt32Max, "int32");
}

uint64_t ToUInt32(BindingResult& result, const BindingProperty& source) {
    return ConvertToUnsigned(result, source, "count", 0xFFFFFFFFu, "uint32");
}

// ---- bool ----

TEST(BoolConversionTest, AcceptsBoolsAndTheFourExactTexts) {
    struct Case {
        BindingProperty source;
        bool expected;
    } cases[] = {{BoolValue(true), true},      {BoolValue(false), false}, {StringValue("true"), true},
                 {StringValue("1"), true},     {StringValue("false"), false}, {StringValue("0"), false}};
    for (const Case& c : cases) {
        BindingResult result;
        EXPECT_EQ(ConvertToBool(result, c.source, "flag"), c.expected);
        EXPECT_TRUE(result.ok()) << ErrorOf(result);
    }
}

TEST(BoolConversionTest, OtherTextsAndKindsFailWithTheirMessages) {
    BindingResult text;
    EXPECT_FALSE(ConvertToBool(text, StringValue("True"), "flag"));
    EXPECT_EQ(ErrorOf(text),
              "Value True for 'flag' of type bool is in an incorrect format. Options are \"true\", \"false\", \"1\", "
              "\"0\".");

    BindingResult number;
    EXPECT_FALSE(ConvertToBool(number, UnsignedValue(1), "flag"));
    EXPECT_EQ(ErrorOf(number), "Couldn't assign value to 'flag' of type bool because the input is of an invalid type unsigned.");

    BindingResult empty;
    EXPECT_FALSE(ConvertToBool(empty, BindingProperty(), "flag"));
    EXPECT_EQ(ErrorOf(empty), "A value for 'flag' is required.");
}

TEST(BoolConversionTest, FirstErrorStands) {
    BindingResult result = BindingResult::Failure("earlier");
    EXPECT_FALSE(ConvertToBool(result, BoolValue(true), "flag"));
    EXPECT_EQ(ErrorOf(result), "earlier");
}

// ---- signed ----

TEST(SignedConversionTest, AcceptsEveryNumericKindWithinLimits) {
    BindingProperty enumValue;
    enumValue.SetEnum(-7, TypeIdOf<int32_t>());
    struct Case {
        BindingProperty source;
        int64_t expected;
    } cases[] = {
        {SignedValue(kInt32Min), kInt32Min},
        {UnsignedValue(kInt32Max), kInt32Max},
        {FloatValue(3.99), 3},
        {FloatValue(-2.9), -2},
        {StringValue("0x1F"), 31},
        {StringValue("017"), 15},
        {StringValue("  -42"), -42},
        {StringValue(""), 0},
        {enumValue, -7},
    };
    for (const Case& c : cases) {
        BindingResult result;
        EXPECT_EQ(ToInt32(result, c.source), c.expected) << test::Describe(c.source);
        EXPECT_TRUE(result.ok()) << ErrorOf(result);
    }
}

TEST(SignedConversionTest, OutOfRangeNamesTheInputAsHeld) {
    struct Case {
        BindingProperty source;
        std::string message;
    } cases[] = {
        {StringValue("2147483648"), "Value 2147483648 for 'count' of type int32 is out of range"},
        {SignedValue(-2147483649), "Value -2147483649 for 'count' of type int32 is out of range"},
        {UnsignedValue(18446744073709551615u), "Value 18446744073709551615 for 'count' of type int32 is out of range"},
        {FloatValue(1e10), "Value 1e+10 for 'count' of type int32 is out of range"},
        {FloatValue(std::nan("")), "Value nan for 'count' of type int32 is out of range"},
        {StringValue("99999999999999999999"), "Value 99999999999999999999 for 'count' of type int32 is out of range"},
    };
    for (const Case& c : cases) {
        BindingResult result;
        EXPECT_EQ(ToInt32(result, c.source), 0);
        EXPECT_EQ(ErrorOf(result), c.message);
    }
}

TEST(SignedConversionTest, TextWithTrailingCharactersIsInIncorrectFormat) {
    for (const char* text : {"12abc", "abc", " ", "1.5", "0x"}) {
        BindingResult result;
        ToInt32(result, StringValue(text));
        EXPECT_EQ(ErrorOf(result), std::string("Value ") + text + " for 'count' of type int32 is in an incorrect format");
    }
    // A zero byte inside the text is not the end of the number.
    BindingResult zero;
    ToInt32(zero, StringValue(std::string_view("12\0003", 4)));
    EXPECT_FALSE(zero.ok());
}

TEST(SignedConversionTest, Int64LimitsAndTheDoubleThatRoundsPastThem) {
    BindingResult low;
    EXPECT_EQ(ConvertToSigned(low, StringValue("-9223372036854775808"), "n", kInt64Min, kInt64Max, "int64"), kInt64Min);
    EXPECT_TRUE(low.ok());

    BindingResult high;
    EXPECT_EQ(ConvertToSigned(high, UnsignedValue(9223372036854775807u), "n", kInt64Min, kInt64Max, "int64"), kInt64Max);
    EXPECT_TRUE(high.ok());

    // int64's maximum compares equal to 2^63 as a double, which no int64 holds.
    BindingResult rounded;
    ConvertToSigned(rounded, FloatValue(9223372036854775808.0), "n", kInt64Min, kInt64Max, "int64");
    EXPECT_EQ(ErrorOf(rounded), "Value 9.22337e+18 for 'n' of type int64 is out of range");

    BindingResult overflow;
    ConvertToSigned(overflow, StringValue("9223372036854775808"), "n", kInt64Min, kInt64Max, "int64");
    EXPECT_EQ(ErrorOf(overflow), "Value 9223372036854775808 for 'n' of type int64 is out of range");
}

TEST(SignedConversionTest, NonNumericKindsAreInvalidTypes) {
    BindingProperty collection;
    collection.MakeCollection();
    BindingProperty blob;
    blob.SetBlob(std::span<const uint8_t>());
    BindingResult fromBool;
    ToInt32(fromBool, BoolValue(true));
    EXPECT_EQ(ErrorOf(fromBool),
              "Couldn't assign value to 'count' of type int32 because the input is of an invalid type bool.");
    BindingResult fromCollection;
    ToInt32(fromCollection, collection);
    EXPECT_EQ(ErrorOf(fromCollection),
              "Couldn't assign value to 'count' of type int32 because the input is of an invalid type collection.");
    BindingResult fromBlob;
    ToInt32(fromBlob, blob);
    EXPECT_EQ(ErrorOf(fromBlob),
              "Couldn't assign value to 'count' of type int32 because the input is of an invalid type blob.");
    BindingResult empty;
    ToInt32(empty, BindingProperty());
    EXPECT_EQ(ErrorOf(empty), "A value for 'count' is required.");
}

// ---- unsigned ----

TEST(UnsignedConversionTest, NegativeInputsAreOutOfRange) {
    struct Case {
        BindingProperty source;
        std::string message;
    } cases[] = {
        {SignedValue(-1), "Value -1 for 'count' of type uint32 is out of range"},
        {StringValue("-1"), "Value -1 for 'count' of type uint32 is out of range"},
        {FloatValue(-0.5), "Value -0.5 for 'count' of type uint32 is out of range"},
        {UnsignedValue(4294967296u), "Value 4294967296 for 'count' of type uint32 is out of range"},
    };
    for (const Case& c : cases) {
        BindingResult result;
        EXPECT_EQ(ToUInt32(result, c.source), 0u);
        EXPECT_EQ(ErrorOf(result), c.message);
    }
}

TEST(UnsignedConversionTest, NegativeTextNeverWrapsIntoUInt64) {
    // strtoull reads "-1" as the largest value; with leading blanks too.
    for (const char* text : {"-1", "  -1", "-0"}) {
        BindingResult result;
        EXPECT_EQ(ConvertToUnsigned(result, StringValue(text), "id", UINT64_MAX, "uint64"), 0u);
        EXPECT_EQ(ErrorOf(result), std::string("Value ") + text + " for 'id' of type uint64 is out of range");
    }
}

TEST(UnsignedConversionTest, Limits) {
    BindingResult max;
    EXPECT_EQ(ConvertToUnsigned(max, StringValue("18446744073709551615"), "id", UINT64_MAX, "uint64"), UINT64_MAX);
    EXPECT_TRUE(max.ok());
    BindingResult overflow;
    ConvertToUnsigned(overflow, StringValue("18446744073709551616"), "id", UINT64_MAX, "uint64");
    EXPECT_EQ(ErrorOf(overflow), "Value 18446744073709551616 for 'id' of type uint64 is out of range");
    BindingResult rounded;  // uint64's maximum is 2^64 as a double
    ConvertToUnsigned(rounded, FloatValue(18446744073709551616.0), "id", UINT64_MAX, "uint64");
    EXPECT_FALSE(rounded.ok());
    BindingResult nan;
    ConvertToUnsigned(nan, FloatValue(std::nan("")), "id", UINT64_MAX, "uint64");
    EXPECT_FALSE(nan.ok());
    BindingResult truncated;
    EXPECT_EQ(ToUInt32(truncated, FloatValue(4294967294.75)), 4294967294u);
    EXPECT_TRUE(truncated.ok());
    BindingResult aboveMax;  // compared before truncation
    ToUInt32(aboveMax, FloatValue(4294967295.5));
    EXPECT_EQ(ErrorOf(aboveMax), "Value 4.29497e+09 for 'count' of type uint32 is out of range");
    BindingResult format;
    ToUInt32(format, StringValue("7 "));
    EXPECT_EQ(ErrorOf(format), "Value 7  for 'count' of type uint32 is in an incorrect format");
}

// ---- floating ----

TEST(FloatingConversionTest, AcceptsNumbersTextsAndNaN) {
    BindingResult result;
    EXPECT_EQ(ConvertToFloating(result, SignedValue(-3), "x", -kDoubleMax, kDoubleMax, "double"), -3.0);
    EXPECT_EQ(ConvertToFloating(result, UnsignedValue(18446744073709551615u), "x", -kDoubleMax, kDoubleMax, "double"),
              18446744073709551615.0);
    EXPECT_EQ(ConvertToFloating(result, StringValue("1.5e3"), "x", -kDoubleMax, kDoubleMax, "double"), 1500.0);
    EXPECT_EQ(ConvertToFloating(result, StringValue(""), "x", -kDoubleMax, kDoubleMax, "double"), 0.0);
    EXPECT_TRUE(std::isnan(ConvertToFloating(result, FloatValue(std::nan("")), "x", -kDoubleMax, kDoubleMax, "double")));
    EXPECT_TRUE(result.ok()) << ErrorOf(result);
}

TEST(FloatingConversionTest, RangeAndFormatFailures) {
    BindingResult overflow;
    ConvertToFloating(overflow, StringValue("1e400"), "x", -kDoubleMax, kDoubleMax, "double");
    EXPECT_EQ(ErrorOf(overflow), "Value 1e400 for 'x' of type double is out of range");

    const double floatMax = std::numeric_limits<float>::max();
    BindingResult single;
    ConvertToFloating(single, FloatValue(1e39), "x", -floatMax, floatMax, "float");
    EXPECT_EQ(ErrorOf(single), "Value 1e+39 for 'x' of type float is out of range");

    BindingResult format;
    ConvertToFloating(format, StringValue("1.5x"), "x", -kDoubleMax, kDoubleMax, "double");
    EXPECT_EQ(ErrorOf(format), "Value 1.5x for 'x' of type double is in an incorrect format");

    BindingResult kind;
    ConvertToFloating(kind, BoolValue(false), "x", -kDoubleMax, kDoubleMax, "double");
    EXPECT_EQ(ErrorOf(kind), "Couldn't assign value to 'x' of type double because the input is of an invalid type bool.");
}

// ---- converters ----

TEST(ScalarConverterTest, NarrowToTheFieldWidthAndWriteZeroOnFailure) {
    const BindingTypeIdentifier none;
    IntegerConverter<int8_t> int8;
    int8_t small = 5;
    BindingResult ok;
    int8.ToNative(ok, &small, SignedValue(-128), "small", none, nullptr);
    EXPECT_EQ(small, -128);
    BindingResult tooBig;
    int8.ToNative(tooBig, &small, SignedValue(128), "small", none, nullptr);
    EXPECT_EQ(small, 0);
    EXPECT_EQ(ErrorOf(tooBig), "Value 128 for 'small' of type int8 is out of range");

    // A result that failed before leaves the field alone.
    IntegerConverter<uint16_t> uint16;
    uint16_t kept = 77;
    uint16.ToNative(tooBig, &kept, SignedValue(1), "kept", none, nullptr);
    EXPECT_EQ(kept, 77);
    EXPECT_EQ(ErrorOf(tooBig), "Value 128 for 'small' of type int8 is out of range");

    FloatingConverter<float> single;
    float ratio = 0;
    BindingResult fromText;
    single.ToNative(fromText, &ratio, StringValue("0.25"), "ratio", none, nullptr);
    EXPECT_EQ(ratio, 0.25f);
}

TEST(ScalarConverterTest, ToPropertyKeepsSignednessAndWidensFloats) {
    const BindingTypeIdentifier none;
    const int16_t negative = -300;
    const uint64_t big = UINT64_MAX;
    const float quarter = 0.25f;
    const bool yes = true;

    BindingResult a;
    IntegerConverter<int16_t>().ToProperty(a, &negative, none, nullptr);
    EXPECT_EQ(a.value(), SignedValue(-300));
    BindingResult b;
    IntegerConverter<uint64_t>().ToProperty(b, &big, none, nullptr);
    EXPECT_EQ(b.value(), UnsignedValue(UINT64_MAX));
    BindingResult c;
    FloatingConverter<float>().ToProperty(c, &quarter, none, nullptr);
    EXPECT_EQ(c.value(), FloatValue(0.25));
    BindingResult d;
    BoolConverter().ToProperty(d, &yes, none, nullptr);
    EXPECT_EQ(d.value(), BoolValue(true));
}

}  // namespace
}  // namespace kor
