#include "binding/BindingPlainValue.h"
#include "binding/BindingProperty.h"
#include "binding/BindingRegistry.h"
#include "binding/StaticTypeId.h"

#include "binding/BindingTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kor {
namespace {

using test::Describe;

constexpr StaticTypeId kFormatId{0x00001234};
constexpr StaticTypeId kUnknownId{0x00009999};
constexpr char kIncompatibleMessage[] =
    "Couldn't assign value to 'arg' of type object because the input is of an incompatible type ''.";

uint32_t Kind(BindingPlainKind kind) { return static_cast<uint32_t>(kind); }

// The plain records are packed: their fields are read by value, never bound
// to references (which the assertion macros would do).
std::string NameOf(const BindingPlainMember& member) {
    const char* name = member.name;
    return name != nullptr ? name : "(null)";
}
uint8_t OwnsName(const BindingPlainMember& member) { return member.ownsName; }
std::string TextOf(const BindingPlainValue& value) {
    const char* text = value.payload.string.text;
    return text != nullptr ? text : "(null)";
}
uint32_t TextLength(const BindingPlainValue& value) { return value.payload.string.length; }
int64_t SignedOf(const BindingPlainValue& value) { return value.payload.signedValue; }
uint64_t UnsignedOf(const BindingPlainValue& value) { return value.payload.unsignedValue; }
double FloatOf(const BindingPlainValue& value) { return value.payload.floatValue; }
uint8_t BoolOf(const BindingPlainValue& value) { return value.payload.boolValue; }
uint32_t CountOf(const BindingPlainValue& value) { return value.payload.collection.count; }
const BindingPlainValue* ItemsOf(const BindingPlainValue& value) { return value.payload.collection.items; }
const BindingPlainMember* MembersOf(const BindingPlainValue& value) { return value.payload.structure.members; }
uint32_t BlobSize(const BindingPlainValue& value) { return value.payload.blob.size; }
const uint8_t* BlobData(const BindingPlainValue& value) { return value.payload.blob.data; }
uint32_t KindOf(const BindingPlainValue& value) { return value.kind; }
std::string ErrorOf(const BindingPlainResult& result) {
    const char* error = result.error;
    return error != nullptr ? error : "(null)";
}

// Owns a plain value produced by the conversion and frees it like a host.
struct PlainHolder {
    BindingPlainValue value{};
    ~PlainHolder() { ClearPlainValue(value); }
};

struct ResultHolder {
    BindingPlainResult result{};
    ~ResultHolder() {
        ClearPlainValue(result.value);
        std::free(result.error);
    }
};

BindingPlainValue PlainSigned(int64_t number) {
    BindingPlainValue value{};
    value.kind = Kind(BindingPlainKind::Signed);
    value.payload.signedValue = number;
    return value;
}

TEST(BindingPlainValueTest, EveryKindFlattensAsTheHostExpects) {
    BindingProperty tree;
    tree.MemberForWrite("b").SetBool(true);
    tree.MemberForWrite("s").SetSigned(-7);
    tree.MemberForWrite("u").SetUnsigned(18446744073709551615u);
    tree.MemberForWrite("f").SetFloat(0.25);
    tree.MemberForWrite("t").SetString("text");
    tree.MemberForWrite("x").SetBlob(std::vector<uint8_t>{0, 1, 2});
    tree.MemberForWrite("n");
    tree.MemberForWrite("l").Append().SetString("e0");
    tree.MemberForWrite("l").Append().Append().SetSigned(1);

    PlainHolder plain;
    ASSERT_TRUE(ConvertToPlainValue(tree, plain.value, nullptr));
    ASSERT_EQ(KindOf(plain.value), Kind(BindingPlainKind::Structure));
    ASSERT_EQ(CountOf(plain.value), 8u);
    const BindingPlainMember* members = MembersOf(plain.value);
    std::vector<std::string> names;
    for (uint32_t index = 0; index < 8; ++index) {
        names.push_back(NameOf(members[index]));
        EXPECT_EQ(OwnsName(members[index]), 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"b", "f", "l", "n", "s", "t", "u", "x"}));
    EXPECT_EQ(NameOf(members[0]), "b");
    EXPECT_EQ(KindOf(members[0].value), Kind(BindingPlainKind::Bool));
    EXPECT_EQ(BoolOf(members[0].value), 1);
    EXPECT_EQ(NameOf(members[1]), "f");
    EXPECT_EQ(FloatOf(members[1].value), 0.25);
    EXPECT_EQ(NameOf(members[2]), "l");
    ASSERT_EQ(KindOf(members[2].value), Kind(BindingPlainKind::Collection));
    ASSERT_EQ(CountOf(members[2].value), 2u);
    const BindingPlainValue* items = ItemsOf(members[2].value);
    EXPECT_EQ(KindOf(items[0]), Kind(BindingPlainKind::OwnedString));
    EXPECT_EQ(TextOf(items[0]), "e0");
    EXPECT_EQ(TextLength(items[0]), 2u);
    ASSERT_EQ(KindOf(items[1]), Kind(BindingPlainKind::Collection));
    EXPECT_EQ(SignedOf(ItemsOf(items[1])[0]), 1);
    EXPECT_EQ(NameOf(members[3]), "n");
    EXPECT_EQ(KindOf(members[3].value), Kind(BindingPlainKind::Empty));
    EXPECT_EQ(SignedOf(members[4].value), -7);
    EXPECT_EQ(TextLength(members[5].value), 4u);
    EXPECT_EQ(KindOf(members[6].value), Kind(BindingPlainKind::Unsigned));
    EXPECT_EQ(UnsignedOf(members[6].value), 18446744073709551615u);
    EXPECT_EQ(NameOf(members[7]), "x");
    EXPECT_EQ(KindOf(members[7].value), Kind(BindingPlainKind::OwnedBlob));
    EXPECT_EQ(BlobSize(members[7].value), 3u);
    EXPECT_EQ(BlobData(members[7].value)[2], 2);
}

TEST(BindingPlainValueTest, RoundTripKeepsEveryKindAndNesting) {
    BindingProperty tree;
    tree.MemberForWrite("bool").SetBool(false);
    tree.MemberForWrite("signed").SetSigned(-9223372036854775807 - 1);
    tree.MemberForWrite("unsigned").SetUnsigned(42);
    tree.MemberForWrite("float").SetFloat(-1.5e300);
    tree.MemberForWrite("empty string").SetString("");
    tree.MemberForWrite("blob").SetBlob(std::vector<uint8_t>{255, 0, 7});
    tree.MemberForWrite("empty blob").SetBlob(std::vector<uint8_t>{});
    tree.MemberForWrite("empty list").MakeCollection();
    tree.MemberForWrite("empty map").MakeStructure();
    BindingProperty& list = tree.MemberForWrite("list");
    list.Append();
    list.Append().MemberForWrite("inner").Append().MemberForWrite("k").SetString("v");
    list.Append().SetString("after");

    PlainHolder plain;
    ASSERT_TRUE(ConvertToPlainValue(tree, plain.value, nullptr));
    ResultHolder result;
    BindingProperty back;
    back.SetString("replaced");
    ASSERT_TRUE(ConvertFromPlainValue(result.result, back, plain.value, "arg"));
    EXPECT_EQ(result.result.errorFlag, 0);
    EXPECT_EQ(ErrorOf(result.result), "(null)");
    EXPECT_EQ(back, tree);
    EXPECT_EQ(Describe(back), Describe(tree));

    // The plain source is left as it was: a second conversion gives the same.
    BindingProperty again;
    ASSERT_TRUE(ConvertFromPlainValue(result.result, again, plain.value, "arg"));
    EXPECT_EQ(again, tree);
}

TEST(BindingPlainValueTest, EnumBecomesItsNameOnlyWhenTheRegistryKnowsIt) {
    BindingRegistry registry;
    registry.BeginType("HelpFormat", 4, kFormatId, true)
        .AddEnumerator("Full", 1, "")
        .AddEnumerator("Epytext", 2, "");

    BindingProperty value;
    value.SetEnum(2, kFormatId);
    PlainHolder named;
    ASSERT_TRUE(ConvertToPlainValue(value, named.value, &registry));
    EXPECT_EQ(KindOf(named.value), Kind(BindingPlainKind::OwnedString));
    EXPECT_EQ(TextOf(named.value), "Epytext");
    EXPECT_EQ(TextLength(named.value), 7u);

    PlainHolder withoutRegistry;
    ASSERT_TRUE(ConvertToPlainValue(value, withoutRegistry.value, nullptr));
    EXPECT_EQ(KindOf(withoutRegistry.value), Kind(BindingPlainKind::Signed));
    EXPECT_EQ(SignedOf(withoutRegistry.value), 2);

    value.SetEnum(-3, kFormatId);  // no enumerator with that number
    PlainHolder unnamed;
    ASSERT_TRUE(ConvertToPlainValue(value, unnamed.value, &registry));
    EXPECT_EQ(KindOf(unnamed.value), Kind(BindingPlainKind::Signed));
    EXPECT_EQ(SignedOf(unnamed.value), -3);

    value.SetEnum(1, kUnknownId);  // type not registered
    PlainHolder unknown;
    ASSERT_TRUE(ConvertToPlainValue(value, unknown.value, &registry));
    EXPECT_EQ(KindOf(unknown.value), Kind(BindingPlainKind::Signed));
    EXPECT_EQ(SignedOf(unknown.value), 1);
}

TEST(BindingPlainValueTest, BorrowedTextIsReadToItsZeroAndNeverFreed) {
    char text[] = "borrowed";
    uint8_t bytes[] = {4, 5};
    BindingPlainValue string{};
    string.kind = Kind(BindingPlainKind::BorrowedString);
    string.payload.string.text = text;
    string.payload.string.length = 3;  // the length word is not used
    BindingPlainValue blob{};
    blob.kind = Kind(BindingPlainKind::BorrowedBlob);
    blob.payload.blob.data = bytes;
    blob.payload.blob.size = 2;

    ResultHolder result;
    BindingProperty value;
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, string, "arg"));
    EXPECT_EQ(value.GetString(), "borrowed");
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, blob, "arg"));
    EXPECT_EQ(value.Size(), 2u);
    EXPECT_EQ(value.GetBlob()[1], 5);

    // Stack memory: AddressSanitizer would report a free of it.
    ClearPlainValue(string);
    ClearPlainValue(blob);
    EXPECT_EQ(KindOf(string), 0u);
    EXPECT_EQ(TextOf(string), "(null)");
    EXPECT_EQ(BlobSize(blob), 0u);
}

TEST(BindingPlainValueTest, UnknownKindFailsWithTheIncompatibleTypeMessage) {
    BindingPlainValue source{};
    source.kind = 11;
    ResultHolder result;
    // A result that already holds a value and an earlier error: both are freed.
    BindingProperty previous;
    previous.SetString("old value");
    ASSERT_TRUE(ConvertToPlainValue(previous, result.result.value, nullptr));
    result.result.error = static_cast<char*>(std::malloc(4));
    std::strcpy(result.result.error, "old");

    BindingProperty target;
    target.MemberForWrite("stale").SetSigned(1);
    EXPECT_FALSE(ConvertFromPlainValue(result.result, target, source, "arg"));
    EXPECT_EQ(result.result.errorFlag, 1);
    EXPECT_EQ(ErrorOf(result.result), kIncompatibleMessage);
    EXPECT_EQ(KindOf(result.result.value), 0u);
    EXPECT_EQ(UnsignedOf(result.result.value), 0u);
    EXPECT_TRUE(target.IsEmpty());
}

TEST(BindingPlainValueTest, FailureDeepInsideStopsAndReportsTheOuterName) {
    BindingPlainValue bad{};
    bad.kind = 12;
    BindingPlainValue items[2] = {PlainSigned(1), bad};
    BindingPlainValue list{};
    list.kind = Kind(BindingPlainKind::Collection);
    list.payload.collection.items = items;
    list.payload.collection.count = 2;
    BindingPlainMember members[1] = {{"list", list, 0}};
    BindingPlainValue structure{};
    structure.kind = Kind(BindingPlainKind::Structure);
    structure.payload.structure.members = members;
    structure.payload.structure.count = 1;

    ResultHolder result;
    BindingProperty target;
    EXPECT_FALSE(ConvertFromPlainValue(result.result, target, structure, "settings"));
    EXPECT_EQ(ErrorOf(result.result),
                 "Couldn't assign value to 'settings' of type object because the input is of an incompatible type ''.");
    EXPECT_TRUE(target.IsEmpty());
    EXPECT_EQ(target.context()->InternedCount(), 0u);

}

TEST(BindingPlainValueTest, KindNames) {
    EXPECT_EQ(BindingPlainKindName(1), "bool");
    EXPECT_EQ(BindingPlainKindName(5), "string");
    EXPECT_EQ(BindingPlainKindName(6), "string");
    EXPECT_EQ(BindingPlainKindName(7), "blob");
    EXPECT_EQ(BindingPlainKindName(8), "blob");
    EXPECT_EQ(BindingPlainKindName(10), "structure");
    EXPECT_EQ(BindingPlainKindName(0), "");
    EXPECT_EQ(BindingPlainKindName(11), "");
}

TEST(BindingPlainValueTest, NullPointersReadAsEmptyPayloads) {
    BindingPlainValue text{};
    text.kind = Kind(BindingPlainKind::OwnedString);
    text.payload.string.length = 5;
    BindingPlainValue blob{};
    blob.kind = Kind(BindingPlainKind::OwnedBlob);
    blob.payload.blob.size = 5;
    BindingPlainValue list{};
    list.kind = Kind(BindingPlainKind::Collection);
    list.payload.collection.count = 3;
    BindingPlainValue map{};
    map.kind = Kind(BindingPlainKind::Structure);
    map.payload.structure.count = 3;
    BindingPlainMember nameless[1] = {{nullptr, PlainSigned(4), 0}};
    BindingPlainValue withNameless{};
    withNameless.kind = Kind(BindingPlainKind::Structure);
    withNameless.payload.structure.members = nameless;
    withNameless.payload.structure.count = 1;

    ResultHolder result;
    BindingProperty value;
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, text, "arg"));
    EXPECT_EQ(Describe(value), "\"\"");
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, blob, "arg"));
    EXPECT_EQ(Describe(value), "blob:0");
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, list, "arg"));
    EXPECT_EQ(Describe(value), "[]");
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, map, "arg"));
    EXPECT_EQ(Describe(value), "{}");
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, withNameless, "arg"));
    EXPECT_EQ(Describe(value), "{\"\":s:4}");
}

TEST(BindingPlainValueTest, CountAboveTheElementLimitFailsWithoutReadingTheArray) {
    BindingPlainValue one = PlainSigned(1);
    BindingPlainValue list{};
    list.kind = Kind(BindingPlainKind::Collection);
    list.payload.collection.items = &one;
    list.payload.collection.count = 0x10000000;
    ResultHolder result;
    BindingProperty value;
    EXPECT_FALSE(ConvertFromPlainValue(result.result, value, list, "arg"));
    EXPECT_EQ(ErrorOf(result.result), "vector<T> too long");
    EXPECT_EQ(result.result.errorFlag, 1);
}

TEST(BindingPlainValueTest, RepeatedMemberNameKeepsTheLastValue) {
    BindingPlainValue inner[1] = {PlainSigned(1)};
    BindingPlainValue firstList{};
    firstList.kind = Kind(BindingPlainKind::Collection);
    firstList.payload.collection.items = inner;
    firstList.payload.collection.count = 1;
    BindingPlainMember members[3] = {{"a", firstList, 0}, {"b", PlainSigned(2), 0}, {"a", firstList, 0}};
    BindingPlainValue map{};
    map.kind = Kind(BindingPlainKind::Structure);
    map.payload.structure.members = members;
    map.payload.structure.count = 3;

    ResultHolder result;
    BindingProperty value;
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, map, "arg"));
    EXPECT_EQ(Describe(value), "{\"a\":[s:1],\"b\":s:2}");  // replaced, not merged into [1,1]
    members[2].value = PlainSigned(3);
    ASSERT_TRUE(ConvertFromPlainValue(result.result, value, map, "arg"));
    EXPECT_EQ(Describe(value), "{\"a\":s:3,\"b\":s:2}");
}

TEST(BindingPlainValueTest, DeepValuesConvertAndClearWithoutRecursion) {
    constexpr int kDepth = 100000;
    BindingProperty tree;
    BindingProperty* cursor = &tree;
    for (int level = 0; level < kDepth; ++level) cursor = &cursor->MemberForWrite("k");
    cursor->SetString("bottom");

    PlainHolder plain;
    ASSERT_TRUE(ConvertToPlainValue(tree, plain.value, nullptr));
    ResultHolder result;
    BindingProperty back;
    ASSERT_TRUE(ConvertFromPlainValue(result.result, back, plain.value, "arg"));
    EXPECT_TRUE(back == tree);
}

TEST(BindingPlainValueTest, ClearFreesOwnedPartsAndZeroes) {
    BindingProperty tree;
    tree.MemberForWrite("a").Append().SetBlob(std::vector<uint8_t>{1});
    tree.MemberForWrite("b").SetString("x");
    BindingPlainValue plain{};
    ASSERT_TRUE(ConvertToPlainValue(tree, plain, nullptr));
    ClearPlainValue(plain);  // LeakSanitizer checks that nothing is left
    const BindingPlainValue zero{};
    EXPECT_EQ(std::memcmp(&plain, &zero, sizeof(plain)), 0);
    ClearPlainValue(plain);  // clearing twice is harmless
}

}  // namespace
}  // namespace kor
