// The builtin types every registry starts with: what they are, how they are
// tagged and described, that they convert, and that filling a registry again
// resets it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "binding/BindingRegistry.h"
#include "binding/BindingResult.h"
#include "binding/BuiltinTypes.h"
#include "binding/NativeTypeRegistration.h"

namespace kor {
namespace {

const std::vector<std::string> kHelpTypes = {
    "BindingHelpFormat",     "BindingFullTypeIdentifier", "BindingFullArgumentHelp", "BindingFullFunctionHelp",
    "BindingFullEnumValueHelp", "BindingFullFieldHelp",   "BindingFullTypeHelp",     "BindingFullEventHelp",
    "BindingFullApiHelp",
};
const std::vector<std::string> kAsyncTypes = {
    "BindingAsyncState", "BindingGenericAsyncEvent", "BindingAsyncFailureEvent", "BindingAsyncCancelEvent"};
const std::vector<std::string> kPlainBuiltinTypes = {"BindingGenericEvent", "BindingCallbackEvent"};

std::set<std::string> TypeNames(const BindingRegistry& registry) {
    std::set<std::string> names;
    for (const BindingTypeDescriptor* type : registry.Types()) names.insert(type->name);
    return names;
}

std::set<std::string> AllBuiltinNames() {
    std::set<std::string> names(kHelpTypes.begin(), kHelpTypes.end());
    names.insert(kAsyncTypes.begin(), kAsyncTypes.end());
    names.insert(kPlainBuiltinTypes.begin(), kPlainBuiltinTypes.end());
    return names;
}

class BuiltinTypesTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterBuiltinTypes(registry_); }

    const BindingTypeDescriptor& Type(const std::string& name) {
        const BindingTypeDescriptor* type = registry_.FindTypeByName(name);
        EXPECT_NE(type, nullptr) << name;
        static const BindingTypeDescriptor kMissing;
        return type != nullptr ? *type : kMissing;
    }

    BindingRegistry registry_;
};

TEST_F(BuiltinTypesTest, AFreshRegistryHoldsTheBuiltinsAndTheCallbackEvent) {
    EXPECT_EQ(TypeNames(registry_), AllBuiltinNames());
    EXPECT_TRUE(registry_.initialized());
    EXPECT_TRUE(registry_.Functions().empty());
    ASSERT_EQ(registry_.Events().size(), 1u);
    const BindingEventDescriptor* callback = registry_.FindEvent("OnCallback");
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(callback->payloadType, registry_.FindTypeByName("BindingCallbackEvent"));
    EXPECT_EQ(callback->description, "Fired when a callback is invoked.");
    EXPECT_EQ(callback->tags, std::vector<std::string>{"$builtin"});
}

TEST_F(BuiltinTypesTest, TagsNameTheGroupOfEachType) {
    for (const std::string& name : kHelpTypes) {
        EXPECT_EQ(Type(name).tags, (std::vector<std::string>{"$builtin", "help"})) << name;
    }
    for (const std::string& name : kAsyncTypes) {
        EXPECT_EQ(Type(name).tags, (std::vector<std::string>{"$builtin", "async"})) << name;
    }
    for (const std::string& name : kPlainBuiltinTypes) {
        EXPECT_EQ(Type(name).tags, std::vector<std::string>{"$builtin"}) << name;
    }
}

TEST_F(BuiltinTypesTest, EnumerationsCarryTheirEnumeratorsAndDescriptions) {
    const BindingTypeDescriptor& format = Type("BindingHelpFormat");
    EXPECT_TRUE(format.isEnum);
    EXPECT_EQ(format.size, 4u);
    EXPECT_EQ(format.description, "Help format for binding functions and types.");
    ASSERT_EQ(format.enumerators.size(), 2u);
    EXPECT_EQ(format.FindEnumerator(1)->name, "Full");
    EXPECT_EQ(format.FindEnumerator(1)->description, "Native help format");
    EXPECT_EQ(format.FindEnumerator(2)->description, "Python epytext format");

    const BindingTypeDescriptor& state = Type("BindingAsyncState");
    EXPECT_EQ(state.description, "Possible states of an asynchronous operation.");
    const std::vector<std::pair<int32_t, std::string>> expected = {
        {0, "Invalid state"},
        {1, "The operation is in flight"},
        {2, "A request to cancel the operation has been made"},
        {3, "The operation was cancelled"},
        {4, "The operation completed successfully"},
        {5, "The operation encountered an error"},
    };
    ASSERT_EQ(state.enumerators.size(), expected.size());
    for (const auto& [number, description] : expected) {
        ASSERT_NE(state.FindEnumerator(number), nullptr) << number;
        EXPECT_EQ(state.FindEnumerator(number)->description, description);
    }
    EXPECT_EQ(state.FindEnumerator(3)->name, "Cancelled");
}

TEST_F(BuiltinTypesTest, RecordFieldsUseTheRegisteredTypes) {
    const BindingTypeDescriptor& function = Type("BindingFullFunctionHelp");
    EXPECT_EQ(function.description, "Describes a function.");
    std::vector<std::string> fieldNames;
    for (const BindingFieldDescriptor& field : function.fields) fieldNames.push_back(field.name);
    EXPECT_EQ(fieldNames, (std::vector<std::string>{"name", "nameSpace", "arguments", "returns", "description", "help",
                                                    "threadSafe", "async", "tags"}));
    const BindingFieldDescriptor* arguments = function.FindField("arguments");
    ASSERT_NE(arguments, nullptr);
    EXPECT_EQ(arguments->type.kind, BindingTypeKind::Vector);
    EXPECT_EQ(arguments->type.elementKind, BindingTypeKind::Struct);
    EXPECT_EQ(arguments->type.descriptor, &Type("BindingFullArgumentHelp"));
    EXPECT_EQ(arguments->description, "");
    EXPECT_EQ(function.FindField("returns")->type.descriptor, &Type("BindingFullTypeIdentifier"));
    EXPECT_EQ(function.FindField("tags")->type.elementKind, BindingTypeKind::String);
    EXPECT_EQ(function.FindField("threadSafe")->type.kind, BindingTypeKind::Bool);

    const BindingTypeDescriptor& typeHelp = Type("BindingFullTypeHelp");
    EXPECT_EQ(typeHelp.FindField("size")->type.kind, BindingTypeKind::UInt32);
    EXPECT_EQ(typeHelp.FindField("values")->type.descriptor, &Type("BindingFullEnumValueHelp"));
    EXPECT_EQ(Type("BindingFullEnumValueHelp").FindField("value")->type.kind, BindingTypeKind::Int32);
    EXPECT_EQ(Type("BindingFullApiHelp").FindField("events")->type.descriptor, &Type("BindingFullEventHelp"));

    const BindingTypeDescriptor& callback = Type("BindingCallbackEvent");
    EXPECT_EQ(callback.description, "Represents the parameters of a call to a provided callback.");
    const BindingFieldDescriptor* parameters = callback.FindField("parameters");
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(parameters->type.elementKind, BindingTypeKind::Object);
    EXPECT_EQ(parameters->description, "Callback parameters");
    EXPECT_EQ(callback.FindField("id")->description, "ID of the callback being invoked");
    EXPECT_EQ(Type("BindingAsyncFailureEvent").FindField("error")->description, "Error message");
    EXPECT_EQ(Type("BindingGenericEvent").FindField("data")->type.kind, BindingTypeKind::Object);
    EXPECT_EQ(Type("BindingAsyncCancelEvent").size, sizeof(BindingAsyncCancelEvent));
}

TEST_F(BuiltinTypesTest, BuiltinRecordsConvertBothWays) {
    BindingCallbackEvent event;
    event.id = 7;
    event.parameters.emplace_back().SetString("first");
    event.parameters.emplace_back().SetSigned(-2);
    BindingResult produced;
    ConvertToProperty(produced, event, &registry_);
    ASSERT_TRUE(produced.ok()) << produced.ErrorText();
    EXPECT_EQ(produced.value().Member("id").GetUnsigned(), 7u);
    ASSERT_EQ(produced.value().Member("parameters").Size(), 2u);

    BindingCallbackEvent back;
    BindingResult consumed;
    ConvertToNative(consumed, back, produced.value(), "event", &registry_);
    ASSERT_TRUE(consumed.ok()) << consumed.ErrorText();
    EXPECT_EQ(back.id, 7u);
    ASSERT_EQ(back.parameters.size(), 2u);
    EXPECT_EQ(back.parameters[0].GetString(), "first");
    EXPECT_EQ(back.parameters[1].GetSigned(), -2);

    BindingProperty failure;
    failure.MemberForWrite("asyncToken").SetUnsigned(3);
    failure.MemberForWrite("error").SetString("gone");
    BindingAsyncFailureEvent native;
    BindingResult result;
    ConvertToNative(result, native, failure, "failure", &registry_);
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(native.asyncToken, 3u);
    EXPECT_EQ(native.error, "gone");
}

TEST_F(BuiltinTypesTest, RegisteringAgainFirstRemovesEverythingRegisteredSince) {
    constexpr static StaticTypeId kExtraId{0xE7A};
    registry_.BeginType("Extra", 4, kExtraId, true).AddEnumerator("One", 1, "");
    registry_.BeginFunction("DoSomething");
    BindingEventDescriptor extraEvent;
    extraEvent.name = "OnExtra";
    registry_.AddEvent(std::move(extraEvent));

    RegisterBuiltinTypes(registry_);
    EXPECT_EQ(TypeNames(registry_), AllBuiltinNames());
    EXPECT_TRUE(registry_.Functions().empty());
    ASSERT_EQ(registry_.Events().size(), 1u);
    EXPECT_NE(registry_.FindEvent("OnCallback"), nullptr);
    EXPECT_EQ(registry_.FindTypeById(kExtraId.id), nullptr);
    // The new descriptors are fully usable: the callback event's payload is
    // the new one.
    EXPECT_EQ(registry_.FindEvent("OnCallback")->payloadType, registry_.FindTypeByName("BindingCallbackEvent"));
}

TEST_F(BuiltinTypesTest, ATypeRegisteredUnderABuiltinNameIsIgnored) {
    constexpr static StaticTypeId kImpostorId{0x1F0};
    BindingTypeBuilder impostor = registry_.BeginType("BindingHelpFormat", 8, kImpostorId, true);
    EXPECT_TRUE(impostor.alreadyRegistered());
    impostor.AddEnumerator("Other", 9, "").SetDescription("changed");
    const BindingTypeDescriptor& format = Type("BindingHelpFormat");
    EXPECT_EQ(format.enumerators.size(), 2u);
    EXPECT_EQ(format.description, "Help format for binding functions and types.");
    EXPECT_EQ(format.size, 4u);
}

}  // namespace
}  // namespace kor
