#include "binding/BindingRegistry.h"
#include "binding/ConverterTestSupport.h"
#include "binding/NativeTypeRegistration.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace struct_test {
enum class State : int32_t { InProgress = 0, Succeeded = 1, LoggingOut = 2, Error = 3 };
struct Client {
    bool running = false;
};
struct Session {
    State state = State::InProgress;
    uint64_t summonerId = 0;
    uint64_t accountId = 0;
    kor::BindingProperty gasToken;
    Client client;
};
struct Item {
    int32_t id = 0;
    std::string name;
};
struct Inventory {
    std::vector<Item> items;
    std::vector<int32_t> counts;
    std::vector<State> states;
    std::vector<bool> flags;
};
struct Sparse {
    uint32_t omitted = 0;
    int32_t kept = 0;
    std::string text;
    std::vector<int32_t> list;
    State state = State::InProgress;
    double ratio = 0.0;
    bool flag = false;
};
struct Required {
    std::string name;
    int32_t count = 0;
};
struct Unregistered {
    int32_t x = 0;
};
struct HoldsUnregistered {
    Unregistered inner;
};
}  // namespace struct_test

KOR_BINDING_NAMED_TYPE_ID(struct_test::State);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Client);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Session);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Item);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Inventory);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Sparse);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Required);
KOR_BINDING_NAMED_TYPE_ID(struct_test::Unregistered);
KOR_BINDING_NAMED_TYPE_ID(struct_test::HoldsUnregistered);

namespace kor {
namespace {

using namespace struct_test;
using test::Describe;
using test::ErrorOf;

class StructVectorConverterTest : public ::testing::Test {
protected:
    StructVectorConverterTest() {
        RegisterEnum<State>(registry_, "State")
            .Enumerator("IN_PROGRESS", State::InProgress)
            .Enumerator("SUCCEEDED", State::Succeeded)
            .Enumerator("LOGGING_OUT", State::LoggingOut)
            .Enumerator("ERROR", State::Error);
        RegisterStruct<Client>(registry_, "Client").Field("running", &Client::running);
        RegisterStruct<Session>(registry_, "Session")
            .Field("state", &Session::state)
            .Field("summonerId", &Session::summonerId)
            .Field("accountId", &Session::accountId)
            .Field("gasToken", &Session::gasToken)
            .Field("client", &Session::client);
        RegisterStruct<Item>(registry_, "Item").Field("id", &Item::id).Field("name", &Item::name);
        RegisterStruct<Inventory>(registry_, "Inventory")
            .Field("items", &Inventory::items)
            .Field("counts", &Inventory::counts)
            .Field("states", &Inventory::states)
            .Field("flags", &Inventory::flags);
        RegisterStruct<Sparse>(registry_, "Sparse")
            .Field("omitted", &Sparse::omitted, "", kBindingFieldOmitEmpty)
            .Field("kept", &Sparse::kept)
            .Field("text", &Sparse::text, "", kBindingFieldOmitEmpty)
            .Field("list", &Sparse::list, "", kBindingFieldOmitEmpty)
            .Field("state", &Sparse::state, "", kBindingFieldOmitEmpty)
            .Field("ratio", &Sparse::ratio, "", kBindingFieldOmitEmpty)
            .Field("flag", &Sparse::flag, "", kBindingFieldOmitEmpty);
        RegisterStruct<Required>(registry_, "Required")
            .Field("name", &Required::name, "", kBindingFieldRequired)
            .Field("count", &Required::count);
        RegisterStruct<HoldsUnregistered>(registry_, "HoldsUnregistered").Field("inner", &HoldsUnregistered::inner);
    }

    template <class T>
    void ToNative(BindingResult& result, T& target, const BindingProperty& source) {
        ConvertToNative(result, target, source, "value", &registry_);
    }

    template <class T>
    BindingResult ToProperty(const T& source) {
        BindingResult result;
        ConvertToProperty(result, source, &registry_);
        return result;
    }

    BindingRegistry registry_;
};

BindingProperty SessionValue() {
    BindingProperty value;
    value.MemberForWrite("state").SetString("SUCCEEDED");
    value.MemberForWrite("summonerId").SetString("0x10");
    value.MemberForWrite("accountId").SetUnsigned(42);
    value.MemberForWrite("gasToken").MemberForWrite("token").SetString("abc");
    value.MemberForWrite("client").MemberForWrite("running").SetBool(true);
    value.MemberForWrite("unknown").SetSigned(1);
    return value;
}

// ---- struct to native ----

TEST_F(StructVectorConverterTest, StructFillsEveryFieldAndIgnoresUnknownMembers) {
    Session session;
    BindingResult result;
    ToNative(result, session, SessionValue());
    ASSERT_TRUE(result.ok()) << ErrorOf(result);
    EXPECT_EQ(session.state, State::Succeeded);
    EXPECT_EQ(session.summonerId, 16u);
    EXPECT_EQ(session.accountId, 42u);
    EXPECT_EQ(Describe(session.gasToken), "{\"token\":\"abc\"}");
    EXPECT_TRUE(session.client.running);
}

TEST_F(StructVectorConverterTest, MissingAndNullMembersKeepTheirFieldsUnlessRequired) {
    Session session;
    session.accountId = 7;
    session.summonerId = 8;
    BindingProperty partial;
    partial.MemberForWrite("accountId");  // present but empty
    partial.MemberForWrite("state").SetSigned(2);
    BindingResult result;
    ToNative(result, session, partial);
    EXPECT_TRUE(result.ok()) << ErrorOf(result);
    EXPECT_EQ(session.state, State::LoggingOut);
    EXPECT_EQ(session.accountId, 7u);
    EXPECT_EQ(session.summonerId, 8u);

    for (bool present : {false, true}) {
        BindingProperty source;
        source.MemberForWrite("count").SetSigned(1);
        if (present) source.MemberForWrite("name");  // null counts as missing
        Required required;
        BindingResult missing;
        ToNative(missing, required, source);
        EXPECT_EQ(ErrorOf(missing),
                  "Couldn't assign value to 'value' of type Required because the input structure doesn't have required "
                  "field 'name'.");
        EXPECT_EQ(required.count, 0) << "fields after the failure are not visited";
    }
}

TEST_F(StructVectorConverterTest, StructInputErrors) {
    Session session;
    BindingResult notStructure;
    ToNative(notStructure, session, test::SignedValue(1));
    EXPECT_EQ(ErrorOf(notStructure), "Couldn't assign value to 'value' of type Session because the input not a structure.");

    BindingResult empty;
    ToNative(empty, session, BindingProperty());
    EXPECT_EQ(ErrorOf(empty), "A value for 'value' is required.");

    HoldsUnregistered holder;
    BindingProperty source;
    source.MemberForWrite("inner").MemberForWrite("x").SetSigned(1);
    BindingResult unregistered;
    ToNative(unregistered, holder, source);
    EXPECT_EQ(ErrorOf(unregistered),
              "Couldn't assign value to 'inner' because the input is an unregistered structure or not a structure at "
              "all.");
}

TEST_F(StructVectorConverterTest, FirstErrorStopsTheRecordAndNamesTheInnerField) {
    Session session;
    session.accountId = 99;
    BindingProperty source = SessionValue();
    source.MemberForWrite("summonerId").SetSigned(-5);
    BindingResult result;
    ToNative(result, session, source);
    EXPECT_EQ(ErrorOf(result), "Value -5 for 'summonerId' of type uint64 is out of range");
    EXPECT_EQ(session.state, State::Succeeded);  // converted before the failure
    EXPECT_EQ(session.summonerId, 0u);           // the failing field is zeroed
    EXPECT_EQ(session.accountId, 99u);           // later fields are not visited
    EXPECT_TRUE(session.gasToken.IsEmpty());

    BindingProperty nested = SessionValue();
    nested.MemberForWrite("client").MemberForWrite("running").SetString("yes");
    BindingResult inner;
    ToNative(inner, session, nested);
    EXPECT_EQ(ErrorOf(inner),
              "Value yes for 'running' of type bool is in an incorrect format. Options are \"true\", \"false\", \"1\", "
              "\"0\".");
}

// ---- vector to native ----

TEST_F(StructVectorConverterTest, VectorsConvertElementByElement) {
    BindingProperty source;
    BindingProperty& items = source.MemberForWrite("items");
    items.Append().MemberForWrite("id").SetSigned(1);
    items.Append();  // empty element: a default record
    BindingProperty& third = items.Append();
    third.MemberForWrite("id").SetString("3");
    third.MemberForWrite("name").SetString("three");
    source.MemberForWrite("counts").Append().SetUnsigned(5);
    source.MemberForWrite("states").Append().SetString("ERROR");
    BindingProperty& flags = source.MemberForWrite("flags");
    flags.Append().SetBool(true);
    flags.Append();
    flags.Append().SetString("1");

    Inventory inventory;
    inventory.counts = {9, 9, 9};
    BindingResult result;
    ToNative(result, inventory, source);
    ASSERT_TRUE(result.ok()) << ErrorOf(result);
    ASSERT_EQ(inventory.items.size(), 3u);
    EXPECT_EQ(inventory.items[0].id, 1);
    EXPECT_EQ(inventory.items[1].id, 0);
    EXPECT_EQ(inventory.items[2].name, "three");
    EXPECT_EQ(inventory.counts, std::vector<int32_t>{5});
    EXPECT_EQ(inventory.states, std::vector<State>{State::Error});
    EXPECT_EQ(inventory.flags, (std::vector<bool>{true, false, true}));
}

TEST_F(StructVectorConverterTest, VectorErrorsUseTheVectorsFieldName) {
    std::vector<int32_t> counts{1, 2};
    BindingResult notCollection;
    ConvertToNative(notCollection, counts, test::StringValue("1,2"), "counts", &registry_);
    EXPECT_EQ(ErrorOf(notCollection), "Couldn't assign value to 'counts' of type vector because the input not a collection.");
    EXPECT_TRUE(counts.empty());

    counts = {1, 2};
    BindingResult empty;
    ConvertToNative(empty, counts, BindingProperty(), "counts", &registry_);
    EXPECT_EQ(ErrorOf(empty), "Couldn't assign value to 'counts' of type vector because the input not a collection.");
    EXPECT_TRUE(counts.empty());

    BindingProperty source;
    source.Append().SetSigned(1);
    source.Append().SetString("x");
    source.Append().SetSigned(3);
    BindingResult element;
    ConvertToNative(element, counts, source, "counts", &registry_);
    EXPECT_EQ(ErrorOf(element), "Value x for 'counts' of type int32 is in an incorrect format");
    EXPECT_EQ(counts, (std::vector<int32_t>{1, 0, 0}));

    // Emptied even when an earlier error stands.
    counts = {4};
    ConvertToNative(element, counts, source, "counts", &registry_);
    EXPECT_TRUE(counts.empty());
}

// ---- to property ----

TEST_F(StructVectorConverterTest, StructToPropertyWritesMembersInKeyOrder) {
    Session session;
    session.state = State::Error;
    session.summonerId = 5;
    session.gasToken.SetString("t");
    session.client.running = true;
    BindingResult result = ToProperty(session);
    ASSERT_TRUE(result.ok()) << ErrorOf(result);
    EXPECT_EQ(Describe(result.value()),
              "{\"accountId\":u:0,\"client\":{\"running\":true},\"gasToken\":\"t\",\"state\":enum:3,\"summonerId\":u:5}");
    EXPECT_EQ(result.value().Member("state").GetEnum().type, &TypeIdOf<State>());
}

TEST_F(StructVectorConverterTest, OmitEmptyLeavesOutZeroAndEmptyValuesOnly) {
    BindingResult empty = ToProperty(Sparse{});
    EXPECT_EQ(Describe(empty.value()), "{\"kept\":s:0}");

    Sparse full;
    full.omitted = 1;
    full.text = "t";
    full.list = {0};
    full.state = State::Succeeded;
    full.ratio = 0.5;
    full.flag = true;
    BindingResult filled = ToProperty(full);
    EXPECT_EQ(Describe(filled.value()),
              "{\"flag\":true,\"kept\":s:0,\"list\":[s:0],\"omitted\":u:1,\"ratio\":f:0.5,\"state\":enum:1,\"text\":\"t\"}");
}

TEST_F(StructVectorConverterTest, UnregisteredStructuresFailTheWholeConversion) {
    BindingResult nested = ToProperty(HoldsUnregistered{});
    EXPECT_FALSE(nested.ok());
    EXPECT_EQ(ErrorOf(nested), "Couldn't convert native value because it's an unregistered structure.");

    BindingResult inVector = ToProperty(std::vector<HoldsUnregistered>(2));
    EXPECT_EQ(ErrorOf(inVector), "Couldn't convert native value because it's an unregistered structure.");
}

TEST_F(StructVectorConverterTest, VectorToPropertyKeepsOrderAndEmptyVectorsAreCollections) {
    Inventory inventory;
    inventory.items = {{1, "a"}, {2, ""}};
    inventory.states = {State::LoggingOut};
    inventory.flags = {false, true};
    BindingResult result = ToProperty(inventory);
    ASSERT_TRUE(result.ok()) << ErrorOf(result);
    EXPECT_EQ(Describe(result.value()),
              "{\"counts\":[],\"flags\":[false,true],\"items\":[{\"id\":s:1,\"name\":\"a\"},{\"id\":s:2,\"name\":\"\"}],"
              "\"states\":[enum:2]}");
    EXPECT_TRUE(result.value().Member("counts").IsCollection());

    // And back.
    Inventory copy;
    BindingResult back;
    ToNative(back, copy, result.value());
    ASSERT_TRUE(back.ok()) << ErrorOf(back);
    EXPECT_EQ(copy.items[1].id, 2);
    EXPECT_EQ(copy.states, inventory.states);
    EXPECT_EQ(copy.flags, inventory.flags);
}

}  // namespace
}  // namespace kor
