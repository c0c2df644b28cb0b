#include "plugin/GameSettingsOwner.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

namespace kor {
namespace {

// The data store's record is whatever the host kept: every scalar kind an
// account id may come as, and members taken only with their own kinds.
TEST(GameSettingsOwnerTest, RecordsOfEveryShapeReadAsAnOwnerAndTheRecordSentReadsBack) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    const struct {
        std::function<void(BindingProperty&)> set;
        uint64_t account;
    } ids[] = {
        {[](BindingProperty&) {}, 0},
        {[](BindingProperty& v) { v.SetBool(true); }, 1},
        {[](BindingProperty& v) { v.SetSigned(-1); }, kMax},
        {[](BindingProperty& v) { v.SetUnsigned(1001); }, 1001},
        {[](BindingProperty& v) { v.SetFloat(2002.9); }, 2002},
        {[](BindingProperty& v) { v.SetFloat(-5.0); }, 0},
        {[](BindingProperty& v) { v.SetFloat(1e300); }, kMax},
        {[](BindingProperty& v) { v.SetFloat(std::numeric_limits<double>::quiet_NaN()); }, 0},
        {[](BindingProperty& v) { v.SetString("0x10"); }, 16},
        {[](BindingProperty& v) { v.SetString("010"); }, 8},
        {[](BindingProperty& v) { v.SetString("2002"); }, 2002},
        {[](BindingProperty& v) { v.SetString("none"); }, 0},
        {[](BindingProperty& v) { v.SetEnum(7, kReservedStaticTypeId); }, 7},
        {[](BindingProperty& v) { v.MakeStructure().MemberForWrite("accountId").SetUnsigned(3); }, 0},
    };
    for (const auto& id : ids) {
        BindingProperty value;
        id.set(value);
        EXPECT_EQ(AccountIdOf(value), id.account) << id.account;
    }

    BindingProperty record;
    record.MemberForWrite("accountId").SetString("0x10");
    record.MemberForWrite("timestamp").SetSigned(77);
    record.MemberForWrite("modified").SetUnsigned(1);
    EXPECT_EQ(OwnerFromRecord(record), (GameSettingsOwner{16, 0, false}));
    record.MemberForWrite("timestamp").SetUnsigned(77);
    record.MemberForWrite("modified").SetBool(true);
    EXPECT_EQ(OwnerFromRecord(record), (GameSettingsOwner{16, 77, true}));
    EXPECT_EQ(OwnerFromRecord(BindingProperty()), GameSettingsOwner{});

    const GameSettingsOwner owner{1001, 1700000000123, true};  // the record sent reads back as it was
    EXPECT_EQ(OwnerFromRecord(OwnerRecord(owner)), owner);
}

}  // namespace
}  // namespace kor
