#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "Unpacked.h"

#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/OwnedPlainValue.h"
#include "tools/hostkit/PlainArena.h"
#include "tools/hostkit/PlainValueReader.h"

namespace kor::hostkit {
namespace {

using testing::Unpacked;

// Every kind, the extremes of each number kind, empty containers and texts,
// and containers nested in containers.
HostValue EveryKind() {
    HostValue inner = HostValue::Structure({{"deep", HostValue::Collection({HostValue::Unsigned(1), HostValue()})}});
    return HostValue::Structure({
        {"empty", HostValue()},
        {"yes", HostValue::Bool(true)},
        {"no", HostValue::Bool(false)},
        {"min", HostValue::Signed(std::numeric_limits<int64_t>::min())},
        {"max", HostValue::Unsigned(std::numeric_limits<uint64_t>::max())},
        {"float", HostValue::Float(-1.25e-300)},
        {"text", HostValue::String("h\xC3\xA9llo")},
        {"emptyText", HostValue::String("")},
        {"blob", HostValue::Blob({0, 255, 7})},
        {"emptyBlob", HostValue::Blob({})},
        {"list", HostValue::Collection({inner, HostValue::Collection(), HostValue::Structure(), inner})},
        {"zebra", HostValue::Signed(-1)},
        {"apple", HostValue::Signed(1)},
    });
}

BindingPlainValue ZeroPlain(uint32_t kind) {
    BindingPlainValue plain;
    std::memset(&plain, 0, sizeof plain);
    plain.kind = kind;
    return plain;
}

TEST(HostValueBuilders, SetReplacesInPlaceAndAppendBuildsCollections) {
    HostValue value;
    value.Set("a", HostValue::Signed(1)).Set("b", HostValue::Signed(2)).Set("a", HostValue::Signed(3));
    ASSERT_EQ(value.size(), 2u);
    EXPECT_EQ(value.AsMembers()->at(0).name, "a");
    EXPECT_EQ(*value.Find("a")->AsSigned(), 3);
    EXPECT_EQ(value.Find("c"), nullptr);

    HostValue list;
    list.Append(HostValue::Bool(true)).Append(HostValue());
    EXPECT_EQ(list.kind(), HostValue::Kind::Collection);
    EXPECT_EQ(list.size(), 2u);

    HostValue text = HostValue::String("x");
    EXPECT_THROW(text.Append(HostValue()), std::logic_error);
    EXPECT_THROW(list.Set("a", HostValue()), std::logic_error);
    EXPECT_FALSE(text.AsSigned().has_value());
    EXPECT_EQ(list.AsString(), nullptr);
}

TEST(HostValueBuilders, EqualityIsDeepAndOrderSensitive) {
    EXPECT_EQ(EveryKind(), EveryKind());
    HostValue changed = EveryKind();
    changed.Set("list", HostValue::Collection());
    EXPECT_FALSE(changed == EveryKind());
    EXPECT_FALSE(HostValue::Structure({{"a", HostValue()}, {"b", HostValue()}}) ==
                 HostValue::Structure({{"b", HostValue()}, {"a", HostValue()}}));
    EXPECT_FALSE(HostValue::Signed(1) == HostValue::Unsigned(1));
}

TEST(PlainArenaRoundTrip, EveryKindAndNestingComesBackEqual) {
    PlainArena arena;
    BindingPlainValue plain = arena.Encode(EveryKind());
    Outcome<HostValue> back = ReadPlainValue(plain);
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(back.value(), EveryKind());
}

TEST(PlainArenaRoundTrip, LendsStringsAndBlobsWithoutOwnership) {
    PlainArena arena;
    BindingPlainValue plain = arena.Encode(EveryKind());
    ASSERT_EQ(Unpacked(plain.kind), 10u);
    ASSERT_EQ(Unpacked(plain.payload.structure.count), 13u);
    const BindingPlainMember* members = plain.payload.structure.members;
    // Insertion order is kept, not sorted.
    EXPECT_STREQ(members[11].name, "zebra");
    EXPECT_STREQ(members[12].name, "apple");
    for (uint32_t i = 0; i < 13; ++i) EXPECT_EQ(Unpacked(members[i].ownsName), 0);
    EXPECT_EQ(Unpacked(members[6].value.kind), 5u);
    EXPECT_EQ(Unpacked(members[6].value.payload.string.length), 6u);
    EXPECT_EQ(members[6].value.payload.string.text[6], '\0');
    EXPECT_EQ(Unpacked(members[8].value.kind), 7u);
    EXPECT_EQ(Unpacked(members[8].value.payload.blob.size), 3u);
    EXPECT_NE(Unpacked(members[9].value.payload.blob.data), nullptr);  // even an empty blob has an address
    EXPECT_EQ(Unpacked(members[10].value.kind), 9u);
    EXPECT_EQ(Unpacked(members[10].value.payload.collection.count), 4u);
}

TEST(PlainArenaRoundTrip, EarlierRecordsSurviveLaterEncodes) {
    PlainArena arena;
    BindingPlainValue first = arena.Encode(EveryKind());
    for (int i = 0; i < 500; ++i) arena.Encode(HostValue::Collection({HostValue::String(std::to_string(i))}));
    Outcome<HostValue> back = ReadPlainValue(first);
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(back.value(), EveryKind());
}

TEST(OwnedPlainValueRoundTrip, OwnsEveryPartAndFreesToZero) {
    BindingPlainValue plain = MakeOwnedPlainValue(EveryKind());
    ASSERT_EQ(Unpacked(plain.kind), 10u);
    const BindingPlainMember* members = plain.payload.structure.members;
    for (uint32_t i = 0; i < plain.payload.structure.count; ++i) EXPECT_EQ(Unpacked(members[i].ownsName), 1);
    EXPECT_EQ(Unpacked(members[6].value.kind), 6u);
    EXPECT_EQ(Unpacked(members[8].value.kind), 8u);
    Outcome<HostValue> back = ReadPlainValue(plain);
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(back.value(), EveryKind());

    FreeOwnedPlainValue(&plain);  // the sanitizer build reports anything left over
    BindingPlainValue zero = ZeroPlain(0);
    EXPECT_EQ(std::memcmp(&plain, &zero, sizeof plain), 0);
}

TEST(OwnedPlainValueRoundTrip, FreeLeavesLentPartsAlone) {
    // A record mixing owned and lent parts: only the owned ones are freed.
    static const char lent[] = "lent";
    BindingPlainMember* members = static_cast<BindingPlainMember*>(std::calloc(2, sizeof(BindingPlainMember)));
    members[0].name = lent;
    members[0].value = ZeroPlain(5);
    members[0].value.payload.string.text = lent;
    members[0].value.payload.string.length = 4;
    members[1].name = strdup("owned");
    members[1].ownsName = 1;
    members[1].value = MakeOwnedPlainValue(HostValue::String("copy"));
    BindingPlainValue plain = ZeroPlain(10);
    plain.payload.structure.members = members;
    plain.payload.structure.count = 2;
    FreeOwnedPlainValue(&plain);
    EXPECT_STREQ(lent, "lent");
    EXPECT_EQ(Unpacked(plain.kind), 0u);
}

TEST(PlainValueReaderChecks, NullPointersWithCountsAreErrorsNamingThePlace) {
    BindingPlainValue text = ZeroPlain(6);
    text.payload.string.length = 3;
    Outcome<HostValue> read = ReadPlainValue(text);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("plain value is a string with no text and length 3"), std::string::npos) << read.error();

    BindingPlainValue blob = ZeroPlain(8);
    blob.payload.blob.size = 2;
    EXPECT_FALSE(ReadPlainValue(blob).ok());

    BindingPlainValue items = ZeroPlain(9);
    items.payload.collection.count = 4;
    EXPECT_FALSE(ReadPlainValue(items).ok());

    BindingPlainValue members = ZeroPlain(10);
    members.payload.structure.count = 1;
    EXPECT_FALSE(ReadPlainValue(members).ok());

    // Deep inside a tree the message gives the path.
    BindingPlainMember member;
    std::memset(&member, 0, sizeof member);
    member.name = "inner";
    member.value = blob;
    BindingPlainValue structure = ZeroPlain(10);
    structure.payload.structure.members = &member;
    structure.payload.structure.count = 1;
    BindingPlainValue list[2] = {ZeroPlain(0), structure};
    BindingPlainValue outer = ZeroPlain(9);
    outer.payload.collection.items = list;
    outer.payload.collection.count = 2;
    read = ReadPlainValue(outer);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("value.items[1].members[0] is a blob with no data"), std::string::npos) << read.error();

    member.name = nullptr;
    member.value = ZeroPlain(0);
    read = ReadPlainValue(structure);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("members[0] has no name"), std::string::npos) << read.error();
}

TEST(PlainValueReaderChecks, NullPointersWithoutCountsAreEmptyValues) {
    Outcome<HostValue> text = ReadPlainValue(ZeroPlain(5));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), HostValue::String(""));
    Outcome<HostValue> blob = ReadPlainValue(ZeroPlain(7));
    ASSERT_TRUE(blob.ok());
    EXPECT_EQ(blob.value(), HostValue::Blob({}));
    EXPECT_EQ(ReadPlainValue(ZeroPlain(9)).value(), HostValue::Collection());
    EXPECT_EQ(ReadPlainValue(ZeroPlain(10)).value(), HostValue::Structure());
}

TEST(PlainValueReaderChecks, UnknownKindsAndCyclesFail) {
    Outcome<HostValue> read = ReadPlainValue(ZeroPlain(11));
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("unknown kind 11"), std::string::npos);

    BindingPlainValue self = ZeroPlain(9);
    self.payload.collection.items = &self;
    self.payload.collection.count = 1;
    read = ReadPlainValue(self);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("deeper than 512"), std::string::npos);
}

TEST(PlainValueReaderChecks, StringsStopAtTheFirstZeroAndAtTheirLength) {
    static const char text[] = "abc\0def";
    BindingPlainValue plain = ZeroPlain(5);
    plain.payload.string.text = text;
    plain.payload.string.length = 7;
    EXPECT_EQ(*ReadPlainValue(plain).value().AsString(), "abc");
    plain.payload.string.length = 2;
    EXPECT_EQ(*ReadPlainValue(plain).value().AsString(), "ab");
}

TEST(PlainValueReaderChecks, ScalarsKeepTheirBits) {
    BindingPlainValue plain = ZeroPlain(4);
    plain.payload.floatValue = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(*ReadPlainValue(plain).value().AsFloat()));
    plain = ZeroPlain(1);
    plain.payload.boolValue = 2;  // any non-zero byte is true
    EXPECT_EQ(ReadPlainValue(plain).value(), HostValue::Bool(true));
    plain = ZeroPlain(2);
    plain.payload.signedValue = -42;
    EXPECT_EQ(ReadPlainValue(plain).value(), HostValue::Signed(-42));
}

}  // namespace
}  // namespace kor::hostkit
