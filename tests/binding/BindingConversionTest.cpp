// Native records through the registry: every field kind converted from a
// generic value and back, with the exact failure texts, plus the registry's
// own rules (first registration wins, threads).
#include "binding/BindingRegistry.h"
#include "binding/BuiltinTypes.h"
#include "binding/JsonReader.h"
#include "binding/NativeTypeRegistration.h"

#include "binding/BindingTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace conversion_test {
enum class State : int32_t { InProgress = 0, Succeeded = 1, LoggingOut = 2, Error = 3 };
enum class Tiny : uint8_t { Low = 1, High = 200 };
struct Item { int32_t id = 0; std::string name; };
struct Required { std::string name; int32_t count = 0; };
struct Base { int64_t id = 0; };
struct Fields : Base {
    bool b = false; int8_t i8 = 0; int32_t i32 = 0; int64_t i64 = 0;
    uint16_t u16 = 0; uint32_t u32 = 0; uint64_t u64 = 0; float f = 0; double d = 0; std::string s;
    State e = State::InProgress; Tiny t = Tiny::Low; kor::BindingProperty o; std::vector<uint8_t> blob; std::vector<int32_t> v; std::vector<State> vs; std::vector<bool> vb;
    std::vector<Item> items; Item item; Required req; bool flag = false;
};
struct Unregistered { int32_t x = 0; };
struct HoldsUnregistered { Unregistered inner; };
}  // namespace conversion_test

KOR_BINDING_NAMED_TYPE_ID(conversion_test::State);
KOR_BINDING_NAMED_TYPE_ID(conversion_test::Tiny);
KOR_BINDING_NAMED_TYPE_ID(conversion_test::Item);
KOR_BINDING_NAMED_TYPE_ID(conversion_test::Required);
KOR_BINDING_NAMED_TYPE_ID(conversion_test::Fields);
KOR_BINDING_NAMED_TYPE_ID(conversion_test::Unregistered);
KOR_BINDING_NAMED_TYPE_ID(conversion_test::HoldsUnregistered);

namespace kor {
namespace {

using namespace conversion_test;
using test::Describe;

class ConversionTest : public ::testing::Test {
protected:
    ConversionTest() {
        RegisterEnum<State>(registry_, "State").Enumerator("IN_PROGRESS", State::InProgress).Enumerator("ERROR", State::Error)
            .Enumerator("SUCCEEDED", State::Succeeded).Enumerator("LOGGING_OUT", State::LoggingOut);
        RegisterEnum<Tiny>(registry_, "Tiny").Enumerator("Low", Tiny::Low).Enumerator("High", Tiny::High);
        RegisterStruct<Item>(registry_, "Item").Field("id", &Item::id).Field("name", &Item::name);
        RegisterStruct<Required>(registry_, "Required").Field("name", &Required::name, "", kBindingFieldRequired).Field("count", &Required::count);
        const uint32_t omit = kBindingFieldOmitEmpty;  // on fields whose cases below never read zero or empty
        RegisterStruct<Fields>(registry_, "Fields").Field("id", &Fields::id).Field("b", &Fields::b).Field("i8", &Fields::i8)
            .Field("i32", &Fields::i32).Field("i64", &Fields::i64, "", omit).Field("u16", &Fields::u16).Field("u32", &Fields::u32)
            .Field("u64", &Fields::u64, "", omit).Field("f", &Fields::f).Field("d", &Fields::d, "", omit).Field("s", &Fields::s, "", omit)
            .Field("e", &Fields::e, "", omit).Field("t", &Fields::t).Field("o", &Fields::o).Field("blob", &Fields::blob).Field("v", &Fields::v)
            .Field("vs", &Fields::vs, "", omit).Field("vb", &Fields::vb).Field("items", &Fields::items).Field("item", &Fields::item)
            .Field("req", &Fields::req).Field("flag", &Fields::flag, "", omit);
        RegisterStruct<HoldsUnregistered>(registry_, "HoldsUnregistered").Field("inner", &HoldsUnregistered::inner);
    }

    // The field read from {field: source} and written back, or the error.
    std::string RoundTrip(const std::string& field, const BindingProperty& source) {
        BindingProperty record;
        record.MemberForWrite(field) = source;
        Fields native;
        BindingResult in;
        ConvertToNative(in, native, record, "fields", &registry_);
        if (!in.ok()) return std::string(in.ErrorText());
        BindingResult out;
        ConvertToProperty(out, native, &registry_);
        return out.ok() ? Describe(out.value().Member(field)) : "out: " + std::string(out.ErrorText());
    }
    std::string RoundTrip(const std::string& field, std::string_view json) { return RoundTrip(field, ReadJson(json).value()); }

    BindingRegistry registry_;
};

TEST_F(ConversionTest, EveryFieldKindFromAGenericValue) {
    const std::string range = " is out of range", format = " is in an incorrect format";
    struct Case {
        const char* field;
        const char* json;
        std::string expected;
    } cases[] = {
        {"id", "-4", "s:-4"},
        {"flag", "true", "true"},
        {"b", R"("0")", "false"},
        {"b", R"("True")", R"(Value True for 'b' of type bool is in an incorrect format. Options are "true", "false", "1", "0".)"},
        {"b", "1", "Couldn't assign value to 'b' of type bool because the input is of an invalid type unsigned."},
        {"i8", "128", "Value 128 for 'i8' of type int8" + range},
        {"i32", R"("0x1F")", "s:31"},
        {"i32", R"("017")", "s:15"},
        {"i32", R"("  -42")", "s:-42"},
        {"i32", R"("")", "s:0"},
        {"i32", "-2.9", "s:-2"},
        {"i32", "-2147483648", "s:-2147483648"},
        {"i32", "-2147483649", "Value -2147483649 for 'i32' of type int32" + range},
        {"i32", "18446744073709551615", "Value 18446744073709551615 for 'i32' of type int32" + range},
        {"i32", "1e10", "Value 1e+10 for 'i32' of type int32" + range},
        {"i32", R"("99999999999999999999")", "Value 99999999999999999999 for 'i32' of type int32" + range},
        {"i32", R"("12abc")", "Value 12abc for 'i32' of type int32" + format},
        {"i32", R"("0x")", "Value 0x for 'i32' of type int32" + format},
        {"i32", R"(" ")", "Value   for 'i32' of type int32" + format},
        {"i32", "true", "Couldn't assign value to 'i32' of type int32 because the input is of an invalid type bool."},
        {"i64", R"("-9223372036854775808")", "s:-9223372036854775808"},
        {"i64", "9223372036854775808.0", "Value 9.22337e+18 for 'i64' of type int64" + range},
        {"i64", R"("9223372036854775808")", "Value 9223372036854775808 for 'i64' of type int64" + range},
        {"u16", "65536", "Value 65536 for 'u16' of type uint16" + range},
        {"u32", "-1", "Value -1 for 'u32' of type uint32" + range},
        {"u32", R"("-1")", "Value -1 for 'u32' of type uint32" + range},
        {"u32", "-0.5", "Value -0.5 for 'u32' of type uint32" + range},
        {"u32", "4294967294.75", "u:4294967294"},
        {"u32", "4294967295.5", "Value 4.29497e+09 for 'u32' of type uint32" + range},
        {"u32", R"("7 ")", "Value 7  for 'u32' of type uint32" + format},
        {"u32", "null", "u:0"},
        {"u64", R"("  -1")", "Value   -1 for 'u64' of type uint64" + range},
        {"u64", R"("-0")", "Value -0 for 'u64' of type uint64" + range},
        {"u64", R"("18446744073709551615")", "u:18446744073709551615"},
        {"u64", R"("18446744073709551616")", "Value 18446744073709551616 for 'u64' of type uint64" + range},
        {"u64", "18446744073709551616", "Value 1.84467e+19 for 'u64' of type uint64" + range},
        {"f", R"("0.25")", "f:0.25"},
        {"f", "1e39", "Value 1e+39 for 'f' of type float" + range},
        {"d", R"("1.5e3")", "f:1500"},
        {"d", R"("1e400")", "Value 1e400 for 'd' of type double" + range},
        {"s", R"("a")", R"("a")"},
        {"s", "5", "Couldn't assign value to 's' because the input is not a string."},
        {"e", "1", "enum:1"},
        {"e", R"("ERROR")", "enum:3"},
        {"e", R"("0x2")", "enum:2"},
        {"e", R"("succeeded")", "succeeded is not a valid State enumeration value for 'e'."},
        {"e", "-1", "-1 is not a valid State enumeration value for 'e'."},
        // Beyond 32 bits a number must not wrap onto an enumerator (2^32 + 1 -> 1).
        {"e", "4294967297", "4294967297 is not a valid State enumeration value for 'e'."},
        {"e", R"("4294967297")", "4294967297 is not a valid State enumeration value for 'e'."},
        {"e", "true", "Couldn't assign value to 'e' of enum type because the input is of an invalid type bool."},
        {"e", "1.0", "Couldn't assign value to 'e' of enum type because the input is of an invalid type float."},
        {"t", R"("High")", "enum:200"},  // not sign-extended
        {"o", R"({"a": ["x"]})", R"({"a":["x"]})"},
        {"blob", R"("abc")", "Couldn't assign value to 'blob' of type blob because the input is of an invalid type string."},
        {"v", "[5]", "[s:5]"},
        {"v", "[]", "[]"},
        {"v", R"("1,2")", "Couldn't assign value to 'v' of type vector because the input not a collection."},
        {"v", R"([1, "x", 3])", "Value x for 'v' of type int32" + format},
        {"vs", R"(["ERROR"])", "[enum:3]"},
        {"vb", R"([true, null, "1"])", "[true,false,true]"},
        {"items", R"([{"id": 1}, null, {"id": "3", "name": "three"}])",
         R"([{"id":s:1,"name":""},{"id":s:0,"name":""},{"id":s:3,"name":"three"}])"},
        {"item", R"({"id": -5, "name": "n", "unknown": 1})", R"({"id":s:-5,"name":"n"})"},
        {"item", "1", "Couldn't assign value to 'item' of type Item because the input not a structure."},
        {"item", R"({"id": "yes"})", "Value yes for 'id' of type int32" + format},
        {"req", R"({"count": 1})",
         "Couldn't assign value to 'req' of type Required because the input structure doesn't have required field 'name'."},
        {"req", R"({"name": null})",
         "Couldn't assign value to 'req' of type Required because the input structure doesn't have required field 'name'."},
    };
    for (const Case& c : cases) EXPECT_EQ(RoundTrip(c.field, c.json), c.expected) << c.field << " = " << c.json;

    // Sources no JSON text gives.
    BindingProperty value;
    value.SetFloat(std::nan(""));
    EXPECT_EQ(RoundTrip("i32", value), "Value nan for 'i32' of type int32" + range);
    value.SetString(std::string_view("12\0003", 4));  // a zero byte does not end the number
    EXPECT_NE(RoundTrip("i32", value).find("incorrect format"), std::string::npos);
    value.SetBlob(std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(RoundTrip("blob", value), "blob:3");
    for (const auto& [number, field, expected] : {std::tuple{9, "e", "9 is not a valid State enumeration value for 'e'."},
                                                  {2, "s", R"("LOGGING_OUT")"}, {2, "i32", "s:2"},
                                                  {12, "s", "12 is not a valid enumeration value for 's'."}}) {
        value.SetEnum(number, TypeIdOf<State>());
        EXPECT_EQ(RoundTrip(field, value), expected);
    }
}

TEST_F(ConversionTest, TheFirstErrorStopsTheRecord) {
    Fields native;
    native.u32 = 99;
    native.v = {4};
    BindingResult result, empty;
    ConvertToNative(result, native, ReadJson(R"({"b": true, "i32": "x", "u32": 1, "v": [1]})").value(), "f", &registry_);
    EXPECT_EQ(result.ErrorText(), "Value x for 'i32' of type int32 is in an incorrect format");
    EXPECT_TRUE(native.b);  // converted before the failure; later fields are not visited
    EXPECT_EQ(native.u32, 99u);
    EXPECT_EQ(native.v.size(), 1u);
    ConvertToNative(empty, native, BindingProperty(), "f", &registry_);
    EXPECT_EQ(empty.ErrorText(), "A value for 'f' is required.");
    // A field converter given a failed result leaves its vector emptied, and
    // the first message stands.
    ConvertToNative(result, native.v, ReadJson("[1]").value(), "counts", &registry_);
    EXPECT_TRUE(native.v.empty());
    EXPECT_EQ(result.ErrorText(), "Value x for 'i32' of type int32 is in an incorrect format");
}

TEST_F(ConversionTest, EmptyFieldsAreLeftOutOnlyWhereAsked) {
    Fields native;
    native.t = Tiny::High;
    BindingResult result;
    ConvertToProperty(result, native, &registry_);
    for (const char* name : {"i64", "u64", "d", "s", "e", "vs", "flag"}) EXPECT_FALSE(result.value().HasMember(name)) << name;
    for (const char* name : {"id", "i8", "u16", "f", "b", "v", "o"}) EXPECT_TRUE(result.value().HasMember(name)) << name;
    EXPECT_EQ(result.value().Member("t").GetEnum().type, &TypeIdOf<Tiny>());
}

TEST_F(ConversionTest, UnregisteredStructuresFail) {
    const std::string unregistered = "Couldn't convert native value because it's an unregistered structure.";
    BindingResult nested, inVector, noRegistry;
    ConvertToProperty(nested, HoldsUnregistered{}, &registry_);
    EXPECT_EQ(nested.ErrorText(), unregistered);
    ConvertToProperty(inVector, std::vector<HoldsUnregistered>(2), &registry_);
    EXPECT_EQ(inVector.ErrorText(), unregistered);
    Fields native;
    ConvertToNative(noRegistry, native, ReadJson(R"({"b": true})").value(), "point", nullptr);
    EXPECT_EQ(noRegistry.ErrorText(),
              "Couldn't assign value to 'point' because the input is an unregistered structure or not a structure at all.");
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{BindingTypeKind::Map, BindingTypeKind::String}), nullptr);
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{BindingTypeKind::Vector, BindingTypeKind::Struct}), nullptr);
}

// The first registration of a name stands; lookups and additions may run on
// several threads at once.
TEST(BindingRegistryTest, TheFirstRegistrationOfANameStands) {
    static constexpr StaticTypeId kFormat{0xAB12u}, kOther{0x77u};
    BindingRegistry registry;
    const BindingTypeIdentifier boolType{BindingTypeKind::Bool};
    BindingTypeBuilder first = registry.BeginType("Format", 4, kFormat, true);
    first.AddEnumerator("Zulu", 1, "").AddEnumerator("Alpha", 1, "").AddEnumerator("Mid", 5, "").AddEnumerator("Mid", 6, "by name");
    BindingTypeBuilder second = registry.BeginType("Format", 8, kOther, false);
    EXPECT_TRUE(second.alreadyRegistered());
    second.AddEnumerator("Third", 3, "").AddField("f", "", 0, TypeIdOf<bool>(), boolType, {}, 0, MakeBindingConverter(boolType), false);
    first.AddField("g", "", 0, TypeIdOf<bool>(), boolType, {}, 0, MakeBindingConverter(boolType), false);
    EXPECT_EQ(registry.FindTypeById(kOther.id), nullptr);
    EXPECT_EQ(registry.FindTypeByName("Format")->size, 4u);
    EXPECT_STREQ(registry.EnumeratorNameOf(kFormat.id, 1), "Alpha");  // searched in name order
    EXPECT_STREQ(registry.EnumeratorNameOf(kFormat.id, 6), "Mid");
    EXPECT_EQ(registry.EnumeratorNameOf(kFormat.id, 3), nullptr);
    registry.BeginType("A", 4, kReservedStaticTypeId, false);
    EXPECT_EQ(registry.FindTypeById(kReservedTypeId), nullptr);
    EXPECT_TRUE(registry.AddEvent({"OnCallback", nullptr, "", "", {}}));
    EXPECT_FALSE(registry.AddEvent({"OnCallback", nullptr, "", "second", {}}));
    registry.BeginFunction("PostZ");
    registry.BeginFunction("GetA");
    EXPECT_TRUE(registry.BeginFunction("PostZ").alreadyRegistered());
    ASSERT_EQ(registry.Functions().size(), 2u);
    EXPECT_EQ(registry.Functions()[0]->name, "PostZ");

    std::atomic<int> found{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int round = 0; round < 2000; ++round) {
                found += registry.EnumeratorNameOf(kFormat.id, 1) != nullptr;
                registry.AddEvent({"Event" + std::to_string(round % 10), nullptr, "", "", {}});
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(found.load(), 8000);
    EXPECT_EQ(registry.Events().size(), 11u);
}

}  // namespace
}  // namespace kor
