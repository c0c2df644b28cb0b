#include "plugin/GameSettingsOwner.h"

#include <gtest/gtest.h>

#include <limits>

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

namespace kor {
namespace {

BindingProperty Record(const char* member, const BindingProperty& value) {
    BindingProperty record;
    record.MemberForWrite(member) = value;
    return record;
}

BindingProperty Text(const char* text) {
    BindingProperty value;
    value.SetString(text);
    return value;
}

TEST(GameSettingsOwnerTest, AccountIdsAreReadFromEveryScalarKind) {
    BindingProperty value;
    EXPECT_EQ(AccountIdOf(value), 0u);
    value.SetBool(true);
    EXPECT_EQ(AccountIdOf(value), 1u);
    value.SetSigned(-1);
    EXPECT_EQ(AccountIdOf(value), std::numeric_limits<uint64_t>::max());
    value.SetUnsigned(1001);
    EXPECT_EQ(AccountIdOf(value), 1001u);
    value.SetFloat(2002.9);
    EXPECT_EQ(AccountIdOf(value), 2002u);
    value.SetFloat(-5.0);
    EXPECT_EQ(AccountIdOf(value), 0u);
    value.SetFloat(1e300);
    EXPECT_EQ(AccountIdOf(value), std::numeric_limits<uint64_t>::max());
    value.SetFloat(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(AccountIdOf(value), 0u);
    EXPECT_EQ(AccountIdOf(Text("0x10")), 16u);
    EXPECT_EQ(AccountIdOf(Text("010")), 8u);
    EXPECT_EQ(AccountIdOf(Text("2002")), 2002u);
    EXPECT_EQ(AccountIdOf(Text("none")), 0u);
    value.SetEnum(7, kReservedStaticTypeId);
    EXPECT_EQ(AccountIdOf(value), 7u);
    value.MakeStructure().MemberForWrite("accountId").SetUnsigned(3);
    EXPECT_EQ(AccountIdOf(value), 0u);
}

TEST(GameSettingsOwnerTest, TimestampAndModifiedAreTakenOnlyWithTheirOwnKinds) {
    BindingProperty record;
    record.MemberForWrite("accountId").SetString("0x10");
    record.MemberForWrite("timestamp").SetSigned(77);
    record.MemberForWrite("modified").SetUnsigned(1);
    EXPECT_EQ(OwnerFromRecord(record), (GameSettingsOwner{16, 0, false}));

    record.MemberForWrite("timestamp").SetUnsigned(77);
    record.MemberForWrite("modified").SetBool(true);
    EXPECT_EQ(OwnerFromRecord(record), (GameSettingsOwner{16, 77, true}));

    EXPECT_EQ(OwnerFromRecord(BindingProperty()), GameSettingsOwner{});
    EXPECT_EQ(OwnerFromRecord(Record("timestamp", Text("5"))), GameSettingsOwner{});
}

TEST(GameSettingsOwnerTest, TheRecordSentRoundTrips) {
    const GameSettingsOwner owner{1001, 1700000000123, true};
    const BindingProperty record = OwnerRecord(owner);
    EXPECT_EQ(record.Size(), 3u);
    EXPECT_EQ(record.Member("accountId").kind(), BindingPropertyKind::Unsigned);
    EXPECT_EQ(record.Member("timestamp").kind(), BindingPropertyKind::Unsigned);
    EXPECT_EQ(record.Member("modified").kind(), BindingPropertyKind::Bool);
    EXPECT_EQ(OwnerFromRecord(record), owner);
}

}  // namespace
}  // namespace kor
