// The API description built from a registry: arrays, chains, counts, type
// codes and names, enumerators, call contexts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "binding/BindingRegistry.h"
#include "host/ApiDescription.h"
#include "host/FunctionCallContext.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/Unpacked.h"

namespace kor {
namespace {

using hostkit::testing::Unpacked;

constexpr StaticTypeId kColourId{0xC0105};
constexpr StaticTypeId kPointId{0x9017};
constexpr StaticTypeId kInt32Id{0x132};

class MarkerHandler : public BindingFunctionHandler {};

void InvokeNothing(PluginResponse*, const PluginRequest*) {}

std::string Text(const char* text) { return text != nullptr ? text : "<null>"; }

// A registry with an enumeration, a structure whose fields use it, two
// functions and one event.
class ApiDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        BindingTypeBuilder colour = registry_.BeginType("Colour", 4, kColourId, true);
        colour.AddEnumerator("Red", 1, "warm").AddEnumerator("Blue", 2, "cold").SetDescription("A colour.");
        colour_ = colour.descriptor();

        BindingTypeBuilder point = registry_.BeginType("Point", 24, kPointId, false);
        point.AddField("x", "across", 0, kInt32Id, {BindingTypeKind::Int32}, {}, 0, nullptr, false)
            .AddField("tint", "", 4, kColourId, {BindingTypeKind::Enum, BindingTypeKind::None, colour_}, {}, 0,
                      nullptr, true)
            // The second identifier is described in place of the first.
            .AddField("shades", "", 8, kColourId, {BindingTypeKind::Object},
                      {BindingTypeKind::Vector, BindingTypeKind::Enum, colour_}, 0, nullptr, false)
            .SetNameSpace("geo")
            .AddTag("Plugins")
            .AddTag("Plugin sample");
        point_ = point.descriptor();

        BindingFunctionBuilder get = registry_.BeginFunction("GetPoint");
        get.AddParameter("id", "which", {BindingTypeKind::UInt32})
            .AddParameter("filter", "", {BindingTypeKind::Map, BindingTypeKind::Struct, point_}, true)
            .SetReturnType({BindingTypeKind::Struct, BindingTypeKind::None, point_})
            .SetDescription("Reads a point.")
            .SetHelp("help text")
            .SetThreadSafe(true)
            .AddTag("Plugins")
            .SetHandler(std::make_unique<MarkerHandler>());
        getHandler_ = get.handler();

        BindingFunctionBuilder save = registry_.BeginFunction("Save");
        save.SetAsyncType("BindingAsyncState").SetHandler(std::make_unique<MarkerHandler>());

        BindingEventDescriptor moved;
        moved.name = "OnMoved";
        moved.payloadType = point_;
        moved.description = "Fired when a point moves.";
        moved.tags = {"kclient"};
        registry_.AddEvent(std::move(moved));
    }

    BindingRegistry registry_;
    const BindingTypeDescriptor* colour_ = nullptr;
    const BindingTypeDescriptor* point_ = nullptr;
    const BindingFunctionHandler* getHandler_ = nullptr;
};

TEST_F(ApiDescriptionTest, ArraysAreChainedAndCounted) {
    ApiDescription description(registry_, &InvokeNothing);
    const PluginApiDescription& api = *description.record();
    EXPECT_EQ(Unpacked(api.functionCount), 2u);
    EXPECT_EQ(Unpacked(api.typeCount), 2u);
    EXPECT_EQ(Unpacked(api.eventCount), 1u);
    EXPECT_EQ(hostkit::CheckChains(api), std::vector<std::string>());
    // Function records chain to the record of the next entry.
    EXPECT_EQ(Unpacked(api.functions[0].record.next), &api.functions[1].record);
    EXPECT_EQ(Unpacked(api.functions[1].record.next), nullptr);
    EXPECT_EQ(Unpacked(api.types[0].next), &api.types[1]);
    EXPECT_EQ(Unpacked(api.types[1].next), nullptr);
    EXPECT_EQ(Unpacked(api.events[0].next), nullptr);
}

TEST_F(ApiDescriptionTest, FunctionRecordsCarryTheirDescriptorAndCallContext) {
    ApiDescription description(registry_, &InvokeNothing);
    const PluginApiDescription& api = *description.record();
    const PluginFunctionEntry* get = hostkit::FindFunction(api, "GetPoint");
    ASSERT_NE(get, nullptr);
    EXPECT_EQ(Unpacked(get->invoke), &InvokeNothing);
    const PluginFunctionRecord& record = get->record;
    EXPECT_EQ(Unpacked(record.reserved), 0u);
    const auto* context = static_cast<const FunctionCallContext*>(record.callContext);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(Unpacked(context->registry), &registry_);
    EXPECT_EQ(Unpacked(context->handlerBinding), getHandler_);
    EXPECT_EQ(Text(record.description), "Reads a point.");
    EXPECT_EQ(Text(record.help), "help text");
    EXPECT_EQ(Unpacked(record.threadSafe), 1);
    EXPECT_EQ(Text(record.asyncType), "");
    EXPECT_EQ(Unpacked(record.returnType), 17u);
    EXPECT_EQ(Text(record.returnTypeName), "Point");
    ASSERT_EQ(Unpacked(record.tagCount), 1u);
    EXPECT_EQ(Text(record.tags[0]), "Plugins");
    for (uint8_t byte : get->reserved) EXPECT_EQ(byte, 0);

    ASSERT_EQ(Unpacked(record.argCount), 2u);
    EXPECT_EQ(Text(record.args[0].name), "id");
    EXPECT_EQ(Text(record.args[0].description), "which");
    EXPECT_EQ(Unpacked(record.args[0].type), 7u);
    EXPECT_EQ(Text(record.args[0].typeName), "");
    EXPECT_EQ(Unpacked(record.args[0].optional), 0);
    EXPECT_EQ(Unpacked(record.args[0].next), &record.args[1]);
    EXPECT_EQ(Unpacked(record.args[1].type), 19u);
    EXPECT_EQ(Unpacked(record.args[1].elementType), 17u);
    EXPECT_EQ(Text(record.args[1].typeName), "Point");
    EXPECT_EQ(Unpacked(record.args[1].optional), 1);
    EXPECT_EQ(Unpacked(record.args[1].next), nullptr);

    const PluginFunctionEntry* save = hostkit::FindFunction(api, "Save");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(Text(save->record.asyncType), "BindingAsyncState");
    EXPECT_EQ(Unpacked(save->record.args), nullptr);
    EXPECT_EQ(Unpacked(save->record.argCount), 0u);
    EXPECT_EQ(Unpacked(save->record.returnType), 0u);
    EXPECT_NE(Unpacked(save->record.callContext), Unpacked(record.callContext));
}

TEST_F(ApiDescriptionTest, StructureTypesDescribeTheirFields) {
    ApiDescription description(registry_, &InvokeNothing);
    const PluginTypeRecord* point = hostkit::FindType(*description.record(), "Point");
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(Text(point->nameSpace), "geo");
    EXPECT_EQ(Unpacked(point->size), 24u);
    EXPECT_EQ(Unpacked(point->tagCount), 2u);
    EXPECT_EQ(Unpacked(point->enumerators), nullptr);
    ASSERT_EQ(Unpacked(point->count), 3u);
    const PluginFieldRecord* fields = point->fields;
    EXPECT_EQ(Text(fields[0].name), "x");
    EXPECT_EQ(Text(fields[0].description), "across");
    EXPECT_EQ(Unpacked(fields[0].type), 6u);
    EXPECT_EQ(Text(fields[0].typeName), "");
    EXPECT_EQ(Unpacked(fields[1].offset), 4u);
    EXPECT_EQ(Unpacked(fields[1].type), 16u);
    EXPECT_EQ(Text(fields[1].typeName), "Colour");
    EXPECT_EQ(Unpacked(fields[1].optional), 1);
    EXPECT_EQ(Unpacked(fields[2].type), 15u);
    EXPECT_EQ(Unpacked(fields[2].elementType), 16u);
    EXPECT_EQ(Text(fields[2].typeName), "Colour");
    EXPECT_EQ(Unpacked(fields[2].next), nullptr);
}

TEST_F(ApiDescriptionTest, EnumerationsDescribeTheirEnumeratorsInNameOrder) {
    ApiDescription description(registry_, &InvokeNothing);
    const PluginTypeRecord* colour = hostkit::FindType(*description.record(), "Colour");
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(Unpacked(colour->fields), nullptr);
    EXPECT_EQ(Text(colour->description), "A colour.");
    EXPECT_EQ(Unpacked(colour->tags), nullptr);
    ASSERT_EQ(Unpacked(colour->count), 2u);
    EXPECT_EQ(Text(colour->enumerators[0].name), "Blue");
    EXPECT_EQ(Unpacked(colour->enumerators[0].number), 2);
    EXPECT_EQ(Text(colour->enumerators[1].name), "Red");
    EXPECT_EQ(Text(colour->enumerators[1].description), "warm");
    EXPECT_EQ(Unpacked(colour->enumerators[1].next), nullptr);
}

TEST_F(ApiDescriptionTest, EventsNameTheirPayloadType) {
    ApiDescription description(registry_, &InvokeNothing);
    const PluginEventRecord* moved = hostkit::FindEvent(*description.record(), "OnMoved");
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(Text(moved->payloadTypeName), "Point");
    EXPECT_EQ(Text(moved->description), "Fired when a point moves.");
    EXPECT_EQ(Text(moved->nameSpace), "");
    ASSERT_EQ(Unpacked(moved->tagCount), 1u);
    EXPECT_EQ(Text(moved->tags[0]), "kclient");
}

TEST(ApiDescriptionEmptyTest, AnEmptyRegistryHasEmptyArrays) {
    BindingRegistry registry;
    ApiDescription description(registry, &InvokeNothing);
    const PluginApiDescription& api = *description.record();
    EXPECT_EQ(Unpacked(api.functions), nullptr);
    EXPECT_EQ(Unpacked(api.functionCount), 0u);
    EXPECT_EQ(Unpacked(api.types), nullptr);
    EXPECT_EQ(Unpacked(api.typeCount), 0u);
    EXPECT_EQ(Unpacked(api.events), nullptr);
    EXPECT_EQ(Unpacked(api.eventCount), 0u);
}

}  // namespace
}  // namespace kor
