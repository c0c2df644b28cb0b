#include "binding/BindingRegistry.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeIds.h"
#include "binding/StaticTypeId.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace registry_test {
struct Owner {
    uint32_t accountId;
    bool modified;
};
enum class Format { Full = 1, Epytext = 2 };
}  // namespace registry_test

KOR_BINDING_TYPE_ID(registry_test::Owner, 0x0A0B0C0Du);
KOR_BINDING_NAMED_TYPE_ID(registry_test::Format);

namespace kor {
namespace {

using registry_test::Format;
using registry_test::Owner;

// Counts its own destructions, to check who owns converters.
class CountingConverter : public BindingConverter {
public:
    explicit CountingConverter(int* destroyed) : destroyed_(destroyed) {}
    ~CountingConverter() override { ++*destroyed_; }
    void ToNative(BindingResult&, void*, const BindingProperty&, std::string_view, const BindingTypeIdentifier&,
                  const BindingRegistry*) const override {}
    void ToProperty(BindingResult&, const void*, const BindingTypeIdentifier&, const BindingRegistry*) const override {}

private:
    int* destroyed_;
};

TEST(StaticTypeIdTest, TextIsHashAndEightUpperCaseHexDigits) {
    static constexpr StaticTypeId id{0xAB12u};
    EXPECT_EQ(id.Text(), "#0000AB12");
    EXPECT_STREQ(id.text, "#0000AB12");
    EXPECT_EQ(TypeIdOf<Owner>().Text(), "#0A0B0C0D");
    EXPECT_EQ(&TypeIdOf<Owner>(), &TypeIdOf<Owner>());
    EXPECT_EQ(TypeIdOf<Format>().id, Fnv1aHash("registry_test::Format"));
    EXPECT_EQ(kReservedStaticTypeId.Text(), "#00000000");

    const uint32_t natives[] = {TypeIdOf<bool>().id,     TypeIdOf<int8_t>().id,   TypeIdOf<uint8_t>().id,
                                TypeIdOf<int16_t>().id,  TypeIdOf<uint16_t>().id, TypeIdOf<int32_t>().id,
                                TypeIdOf<uint32_t>().id, TypeIdOf<int64_t>().id,  TypeIdOf<uint64_t>().id,
                                TypeIdOf<float>().id,    TypeIdOf<double>().id,   TypeIdOf<std::string>().id,
                                TypeIdOf<std::vector<uint8_t>>().id, TypeIdOf<BindingProperty>().id};
    for (std::size_t i = 0; i < std::size(natives); ++i) {
        EXPECT_NE(natives[i], kReservedTypeId);
        for (std::size_t j = i + 1; j < std::size(natives); ++j) EXPECT_NE(natives[i], natives[j]) << i << " " << j;
    }
}

TEST(BindingTypeKindTest, DisplayNames) {
    EXPECT_EQ(BindingTypeKindName(BindingTypeKind::Bool), "bool");
    EXPECT_EQ(BindingTypeKindName(BindingTypeKind::UInt16), "uint16");
    EXPECT_EQ(BindingTypeKindName(BindingTypeKind::Double), "double");
    EXPECT_EQ(BindingTypeKindName(BindingTypeKind::Object), "object");
    EXPECT_EQ(BindingTypeKindName(BindingTypeKind::Map), "map");
    EXPECT_EQ(BindingTypeKindName(BindingTypeKind::None), "");
    EXPECT_EQ(BindingTypeKindName(static_cast<BindingTypeKind>(20)), "");
}

TEST(BindingRegistryTest, SecondRegistrationOfANameKeepsTheFirstDescriptor) {
    BindingRegistry registry;
    BindingTypeBuilder first = registry.BeginType("BindingHelpFormat", 4, TypeIdOf<Format>(), true);
    EXPECT_FALSE(first.alreadyRegistered());
    first.SetDescription("Help format for binding functions and types.")
        .AddTag("$builtin")
        .AddTag("help")
        .AddEnumerator("Full", 1, "Native help format")
        .AddEnumerator("Epytext", 2, "Python epytext format");

    static constexpr StaticTypeId otherId{0x77u};
    BindingTypeBuilder second = registry.BeginType("BindingHelpFormat", 8, otherId, false);
    EXPECT_TRUE(second.alreadyRegistered());
    EXPECT_EQ(second.descriptor(), first.descriptor());
    second.SetDescription("replaced").AddTag("other").AddEnumerator("Third", 3, "").AddEnumerator("Full", 9, "");

    const BindingTypeDescriptor* descriptor = registry.FindTypeByName("BindingHelpFormat");
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(descriptor->size, 4u);
    EXPECT_TRUE(descriptor->isEnum);
    EXPECT_EQ(descriptor->description, "Help format for binding functions and types.");
    EXPECT_EQ(descriptor->tags, (std::vector<std::string>{"$builtin", "help"}));
    ASSERT_EQ(descriptor->enumerators.size(), 2u);
    EXPECT_EQ(descriptor->FindEnumerator("Full")->number, 1);
    EXPECT_EQ(registry.FindTypeById(otherId.id), nullptr);
    EXPECT_EQ(registry.FindType<Format>(), descriptor);
    EXPECT_EQ(registry.TypeCount(), 1u);
}

TEST(BindingRegistryTest, DescriptorRecordsIdentityAndOwner) {
    BindingRegistry registry;
    registry.BeginType("GameSettingsOwner", sizeof(Owner), TypeIdOf<Owner>(), false).SetNameSpace("Game");
    const BindingTypeDescriptor* descriptor = registry.FindTypeById(0x0A0B0C0Du);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(descriptor->name, "GameSettingsOwner");
    EXPECT_EQ(descriptor->id, 0x0A0B0C0Du);
    EXPECT_EQ(descriptor->typeId, &TypeIdOf<Owner>());
    EXPECT_EQ(descriptor->nameSpace, "Game");
    EXPECT_EQ(descriptor->registry, &registry);
    EXPECT_FALSE(descriptor->isEnum);
    EXPECT_EQ(registry.FindTypeByName("Unknown"), nullptr);
    EXPECT_EQ(registry.FindTypeById(0x12345678u), nullptr);
}

TEST(BindingRegistryTest, ReservedIdEntersTheNameIndexOnly) {
    BindingRegistry registry;
    registry.BeginType("First", 4, kReservedStaticTypeId, false);
    registry.BeginType("Second", 4, kReservedStaticTypeId, false);
    EXPECT_NE(registry.FindTypeByName("First"), nullptr);
    EXPECT_NE(registry.FindTypeByName("Second"), nullptr);
    EXPECT_EQ(registry.FindTypeById(kReservedTypeId), nullptr);
}

TEST(BindingRegistryTest, EnumeratorsAreReplacedByNameAndSearchedInNameOrder) {
    BindingRegistry registry;
    BindingTypeBuilder builder = registry.BeginType("Format", 4, TypeIdOf<Format>(), true);
    builder.AddEnumerator("Zulu", 1, "z").AddEnumerator("Alpha", 1, "a").AddEnumerator("Mid", 5, "m");
    builder.AddEnumerator("Mid", 6, "replaced");
    const BindingTypeDescriptor* descriptor = builder.descriptor();
    ASSERT_EQ(descriptor->enumerators.size(), 3u);
    EXPECT_EQ(descriptor->FindEnumerator("Mid")->number, 6);
    EXPECT_EQ(descriptor->FindEnumerator("Mid")->description, "replaced");
    EXPECT_EQ(descriptor->FindEnumerator("Mid")->owner, descriptor);

    const uint32_t id = TypeIdOf<Format>().id;
    EXPECT_STREQ(registry.EnumeratorNameOf(id, 1), "Alpha");
    EXPECT_STREQ(registry.EnumeratorNameOf(id, 6), "Mid");
    EXPECT_EQ(registry.EnumeratorNameOf(id, 5), nullptr);
    EXPECT_EQ(registry.EnumeratorNameOf(0x1u, 1), nullptr);
    EXPECT_TRUE(BindingRegistry::IsValidEnumerator(*descriptor, 6));
    EXPECT_FALSE(BindingRegistry::IsValidEnumerator(*descriptor, 5));
}

TEST(BindingRegistryTest, FieldsKeepCallOrderAndOwnTheirConverters) {
    int destroyed = 0;
    {
        BindingRegistry registry;
        BindingTypeBuilder builder = registry.BeginType("Owner", sizeof(Owner), TypeIdOf<Owner>(), false);
        BindingTypeIdentifier uint32Type{BindingTypeKind::UInt32, BindingTypeKind::None, nullptr};
        BindingTypeIdentifier boolType{BindingTypeKind::Bool, BindingTypeKind::None, nullptr};
        BindingTypeIdentifier described{BindingTypeKind::String, BindingTypeKind::None, nullptr};
        builder
            .AddField("modified", "", offsetof(Owner, modified), TypeIdOf<bool>(), boolType, {},
                      kBindingFieldOmitEmpty, std::make_unique<CountingConverter>(&destroyed), true)
            .AddField("accountId", "the account", offsetof(Owner, accountId), TypeIdOf<uint32_t>(), uint32Type,
                      described, kBindingFieldRequired, std::make_unique<CountingConverter>(&destroyed), false)
            .AddTag("");
        const BindingTypeDescriptor* descriptor = builder.descriptor();
        ASSERT_EQ(descriptor->fields.size(), 2u);
        EXPECT_EQ(descriptor->fields[0].name, "modified");
        EXPECT_EQ(descriptor->fields[1].name, "accountId");
        EXPECT_TRUE(descriptor->tags.empty());

        const BindingFieldDescriptor* field = descriptor->FindField("accountId");
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->nameHash, Fnv1aHash("accountId"));
        EXPECT_EQ(field->description, "the account");
        EXPECT_EQ(field->offset, offsetof(Owner, accountId));
        EXPECT_EQ(field->typeId, &TypeIdOf<uint32_t>());
        EXPECT_EQ(field->type, uint32Type);
        EXPECT_EQ(field->secondType, described);
        EXPECT_TRUE(field->IsRequired());
        EXPECT_FALSE(field->OmitsEmpty());
        EXPECT_EQ(field->owner, descriptor);
        EXPECT_FALSE(field->optional);
        EXPECT_EQ(descriptor->FindField("modified")->secondType.kind, BindingTypeKind::None);
        EXPECT_TRUE(descriptor->FindField("modified")->OmitsEmpty());
        EXPECT_EQ(descriptor->FindField("missing"), nullptr);

        // Ignored by a repeated registration: the converter is destroyed at once.
        registry.BeginType("Owner", 1, kReservedStaticTypeId, false)
            .AddField("extra", "", 0, TypeIdOf<bool>(), boolType, {}, 0,
                      std::make_unique<CountingConverter>(&destroyed), false);
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(descriptor->fields.size(), 2u);
    }
    EXPECT_EQ(destroyed, 3);
}

TEST(BindingRegistryTest, EventsAreIndexedByNameOnce) {
    BindingRegistry registry;
    const BindingTypeDescriptor* payload =
        registry.BeginType("BindingCallbackEvent", 16, kReservedStaticTypeId, false).descriptor();
    EXPECT_TRUE(registry.AddEvent({"OnCallback", payload, "", "Fired when a callback is invoked.", {"$builtin"}}));
    EXPECT_FALSE(registry.AddEvent({"OnCallback", nullptr, "", "second", {}}));
    registry.AddEvent({"Another", nullptr, "ns", "", {}});
    const BindingEventDescriptor* event = registry.FindEvent("OnCallback");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->payloadType, payload);
    EXPECT_EQ(event->description, "Fired when a callback is invoked.");
    ASSERT_EQ(registry.Events().size(), 2u);
    EXPECT_EQ(registry.Events()[0]->name, "Another");
    EXPECT_EQ(registry.FindEvent("Missing"), nullptr);
}

TEST(BindingRegistryTest, FunctionsKeepRegistrationOrderAndTheFirstRegistration) {
    struct Handler : BindingFunctionHandler {
        explicit Handler(int* destroyed) : destroyed(destroyed) {}
        ~Handler() override { ++*destroyed; }
        int* destroyed;
    };
    int destroyed = 0;
    BindingRegistry registry;
    BindingTypeIdentifier stringType{BindingTypeKind::String, BindingTypeKind::None, nullptr};
    registry.BeginFunction("PostZ")
        .AddParameter("body", "the body", stringType)
        .AddParameter("flag", "", {BindingTypeKind::Bool, BindingTypeKind::None, nullptr}, true)
        .SetDescription("post")
        .SetReturnType(stringType)
        .AddTag("tag")
        .AddTag("")
        .SetAsyncType("BindingAsyncState")
        .SetHandler(std::make_unique<Handler>(&destroyed));
    registry.BeginFunction("GetA").SetThreadSafe(true);
    BindingFunctionBuilder again = registry.BeginFunction("PostZ");
    EXPECT_TRUE(again.alreadyRegistered());
    again.AddParameter("ignored", "", stringType).SetHandler(std::make_unique<Handler>(&destroyed));
    EXPECT_EQ(destroyed, 1);
    EXPECT_NE(again.handler(), nullptr);

    std::vector<const BindingFunctionDescriptor*> functions = registry.Functions();
    ASSERT_EQ(functions.size(), 2u);
    EXPECT_EQ(functions[0]->name, "PostZ");
    EXPECT_EQ(functions[1]->name, "GetA");
    EXPECT_TRUE(functions[1]->threadSafe);
    const BindingFunctionDescriptor* post = registry.FindFunction("PostZ");
    ASSERT_EQ(post->parameters.size(), 2u);
    EXPECT_EQ(post->ParameterIndex("flag"), 1);
    EXPECT_EQ(post->ParameterIndex("Flag"), -1);
    EXPECT_TRUE(post->FindParameter("flag")->optional);
    EXPECT_EQ(post->FindParameter("body")->nameHash, Fnv1aHash("body"));
    EXPECT_EQ(post->tags, (std::vector<std::string>{"tag"}));
    EXPECT_TRUE(post->IsAsync());
    EXPECT_EQ(post->registry, &registry);
    EXPECT_EQ(post->returnType, stringType);

    registry.Reset();
    EXPECT_EQ(destroyed, 2);
}

TEST(BindingRegistryTest, ResetRemovesTypesEventsAndFunctions) {
    BindingRegistry registry;
    registry.BeginType("Owner", 8, TypeIdOf<Owner>(), false);
    registry.AddEvent({"OnCallback", nullptr, "", "", {}});
    registry.BeginFunction("GetA");
    registry.MarkInitialized();
    registry.Reset();
    EXPECT_EQ(registry.TypeCount(), 0u);
    EXPECT_EQ(registry.FindTypeById(TypeIdOf<Owner>().id), nullptr);
    EXPECT_TRUE(registry.Events().empty());
    EXPECT_TRUE(registry.Functions().empty());
    EXPECT_EQ(registry.FindFunction("GetA"), nullptr);
    EXPECT_TRUE(registry.initialized());

    BindingTypeBuilder fresh = registry.BeginType("Owner", 12, TypeIdOf<Owner>(), false);
    EXPECT_FALSE(fresh.alreadyRegistered());
    EXPECT_EQ(registry.FindType<Owner>()->size, 12u);
}

TEST(BindingRegistryTest, LookupsMayRunOnSeveralThreads) {
    BindingRegistry registry;
    registry.BeginType("Format", 4, TypeIdOf<Format>(), true).AddEnumerator("Full", 1, "");
    std::atomic<int> found{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int round = 0; round < 2000; ++round) {
                if (registry.EnumeratorNameOf(TypeIdOf<Format>().id, 1) != nullptr) ++found;
                registry.AddEvent({"Event" + std::to_string(round % 10), nullptr, "", "", {}});
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(found.load(), 8000);
    EXPECT_EQ(registry.Events().size(), 10u);
}

}  // namespace
}  // namespace kor
