#include "binding/NativeTypeRegistration.h"

#include "binding/ConverterTestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace registration_test {
enum class Color : int16_t { Red = -1, Green = 7 };
struct Base {
    int64_t id = 0;
};
struct Point : Base {
    char tag = 0;
    long long big = 0;
    float ratio = 0;
    std::string name;
    kor::BindingProperty data;
    std::vector<uint8_t> bytes;
    std::vector<Color> colors;
    std::vector<std::string> names;
    Color color = Color::Green;
};
struct Line {
    Point from;
    std::vector<Point> points;
};
}  // namespace registration_test

KOR_BINDING_NAMED_TYPE_ID(registration_test::Color);
KOR_BINDING_NAMED_TYPE_ID(registration_test::Point);
KOR_BINDING_NAMED_TYPE_ID(registration_test::Line);

namespace kor {
namespace {

using namespace registration_test;

class NativeTypeRegistrationTest : public ::testing::Test {
protected:
    NativeTypeRegistrationTest() {
        RegisterEnum<Color>(registry_, "Color").Enumerator("Red", Color::Red, "warm").Enumerator("Green", Color::Green);
        RegisterStruct<Point>(registry_, "Point")
            .Description("A point.")
            .Tag("demo")
            .Field("id", &Point::id, "from the base")
            .Field("tag", &Point::tag)
            .Field("big", &Point::big)
            .Field("ratio", &Point::ratio)
            .Field("name", &Point::name, "", kBindingFieldRequired, true)
            .Field("data", &Point::data)
            .Field("bytes", &Point::bytes)
            .Field("colors", &Point::colors)
            .Field("names", &Point::names)
            .Field("color", &Point::color);
        RegisterStruct<Line>(registry_, "Line").Field("from", &Line::from).Field("points", &Line::points);
    }

    const BindingFieldDescriptor& FieldOf(std::string_view type, std::string_view field) {
        const BindingTypeDescriptor* descriptor = registry_.FindTypeByName(type);
        EXPECT_NE(descriptor, nullptr);
        const BindingFieldDescriptor* found = descriptor->FindField(field);
        EXPECT_NE(found, nullptr) << field;
        return *found;
    }

    BindingRegistry registry_;
};

TEST_F(NativeTypeRegistrationTest, DescribesTheTypeItself) {
    const BindingTypeDescriptor* point = registry_.FindType<Point>();
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->name, "Point");
    EXPECT_EQ(point->size, sizeof(Point));
    EXPECT_FALSE(point->isEnum);
    EXPECT_EQ(point->description, "A point.");
    EXPECT_EQ(point->tags, std::vector<std::string>{"demo"});
    ASSERT_EQ(point->fields.size(), 10u);
    EXPECT_EQ(point->fields[0].name, "id");
    EXPECT_EQ(point->fields[9].name, "color");

    const BindingTypeDescriptor* color = registry_.FindType<Color>();
    ASSERT_NE(color, nullptr);
    EXPECT_TRUE(color->isEnum);
    EXPECT_EQ(color->size, 2u);
    EXPECT_EQ(color->FindEnumerator("Red")->number, -1);
    EXPECT_EQ(color->FindEnumerator("Red")->description, "warm");
    EXPECT_EQ(color->FindEnumerator("Green")->number, 7);
}

TEST_F(NativeTypeRegistrationTest, FieldsGetOffsetsKindsIdsAndConverters) {
    struct Expected {
        const char* name;
        std::size_t offset;
        BindingTypeKind kind;
        BindingTypeKind elementKind;
        const BindingTypeDescriptor* descriptor;
        const StaticTypeId* typeId;
    };
    const BindingTypeDescriptor* color = registry_.FindType<Color>();
    // Point has a base class, so offsetof does not apply; addresses do.
    const Point sample;
    auto At = [&sample](const void* member) {
        return static_cast<std::size_t>(static_cast<const char*>(member) - reinterpret_cast<const char*>(&sample));
    };
    const Expected expected[] = {
        {"id", At(&sample.id), BindingTypeKind::Int64, BindingTypeKind::None, nullptr, &TypeIdOf<int64_t>()},
        {"tag", At(&sample.tag), BindingTypeKind::Int8, BindingTypeKind::None, nullptr, &TypeIdOf<int8_t>()},
        {"big", At(&sample.big), BindingTypeKind::Int64, BindingTypeKind::None, nullptr, &TypeIdOf<int64_t>()},
        {"ratio", At(&sample.ratio), BindingTypeKind::Float, BindingTypeKind::None, nullptr, &TypeIdOf<float>()},
        {"name", At(&sample.name), BindingTypeKind::String, BindingTypeKind::None, nullptr,
         &TypeIdOf<std::string>()},
        {"data", At(&sample.data), BindingTypeKind::Object, BindingTypeKind::None, nullptr,
         &TypeIdOf<BindingProperty>()},
        {"bytes", At(&sample.bytes), BindingTypeKind::Blob, BindingTypeKind::None, nullptr,
         &TypeIdOf<std::vector<uint8_t>>()},
        {"colors", At(&sample.colors), BindingTypeKind::Vector, BindingTypeKind::Enum, color,
         &kReservedStaticTypeId},
        {"names", At(&sample.names), BindingTypeKind::Vector, BindingTypeKind::String, nullptr,
         &kReservedStaticTypeId},
        {"color", At(&sample.color), BindingTypeKind::Enum, BindingTypeKind::None, color, &TypeIdOf<Color>()},
    };
    for (const Expected& e : expected) {
        const BindingFieldDescriptor& field = FieldOf("Point", e.name);
        EXPECT_EQ(field.offset, e.offset) << e.name;
        EXPECT_EQ(field.type.kind, e.kind) << e.name;
        EXPECT_EQ(field.type.elementKind, e.elementKind) << e.name;
        EXPECT_EQ(field.type.descriptor, e.descriptor) << e.name;
        EXPECT_EQ(field.typeId, e.typeId) << e.name;
        EXPECT_NE(field.converter, nullptr) << e.name;
        EXPECT_EQ(field.nameHash, Fnv1aHash(e.name));
    }
    const BindingFieldDescriptor& name = FieldOf("Point", "name");
    EXPECT_EQ(name.flags, kBindingFieldRequired);
    EXPECT_TRUE(name.optional);
    EXPECT_EQ(FieldOf("Point", "id").description, "from the base");

    const BindingFieldDescriptor& points = FieldOf("Line", "points");
    EXPECT_EQ(points.type.elementKind, BindingTypeKind::Struct);
    EXPECT_EQ(points.type.descriptor, registry_.FindType<Point>());
}

TEST_F(NativeTypeRegistrationTest, ASecondRegistrationOfTheNameChangesNothing) {
    NativeTypeBuilder<Color> again = RegisterEnum<Color>(registry_, "Color");
    EXPECT_TRUE(again.alreadyRegistered());
    again.Enumerator("Blue", Color::Red).Description("changed");
    const BindingTypeDescriptor* color = registry_.FindType<Color>();
    EXPECT_EQ(color->enumerators.size(), 2u);
    EXPECT_EQ(color->description, "");
    EXPECT_EQ(again.descriptor(), color);
}

TEST_F(NativeTypeRegistrationTest, WholeRecordsRoundTrip) {
    Line line;
    line.from.id = -4;
    line.from.tag = 'A';
    line.from.name = "origin";
    line.from.colors = {Color::Red, Color::Green};
    line.from.bytes = {0, 255};
    line.from.data.MemberForWrite("k").SetBool(true);
    line.points.resize(2);
    line.points[1].big = -9000000000LL;
    line.points[1].ratio = 1.5f;
    line.points[1].names = {"x", "y"};
    line.points[1].color = Color::Red;

    BindingResult out;
    ConvertToProperty(out, line, &registry_);
    ASSERT_TRUE(out.ok()) << out.ErrorText();
    EXPECT_EQ(out.value().Member("from").Member("colors").Element(0).GetEnum().number, -1);
    EXPECT_EQ(out.value().Member("from").Member("tag").GetSigned(), 'A');

    Line back;
    BindingResult in;
    ConvertToNative(in, back, out.value(), "line", &registry_);
    ASSERT_TRUE(in.ok()) << in.ErrorText();
    EXPECT_EQ(back.from.id, -4);
    EXPECT_EQ(back.from.tag, 'A');
    EXPECT_EQ(back.from.name, "origin");
    EXPECT_EQ(back.from.colors, line.from.colors);
    EXPECT_EQ(back.from.bytes, line.from.bytes);
    EXPECT_EQ(back.from.data, line.from.data);
    ASSERT_EQ(back.points.size(), 2u);
    EXPECT_EQ(back.points[1].big, -9000000000LL);
    EXPECT_EQ(back.points[1].ratio, 1.5f);
    EXPECT_EQ(back.points[1].names, line.points[1].names);
    EXPECT_EQ(back.points[1].color, Color::Red);
}

TEST_F(NativeTypeRegistrationTest, WithoutARegistryRecordsAndEnumNamesFail) {
    Point point;
    BindingProperty source;
    source.MemberForWrite("name").SetString("n");
    BindingResult result;
    ConvertToNative(result, point, source, "point", nullptr);
    EXPECT_EQ(result.ErrorText(),
              "Couldn't assign value to 'point' because the input is an unregistered structure or not a structure at "
              "all.");
}

TEST(BindingConverterFactoryTest, PicksAConverterByTypeIdentifier) {
    for (uint32_t code = 1; code <= 17; ++code) {
        const auto kind = static_cast<BindingTypeKind>(code);
        if (kind == BindingTypeKind::Vector) continue;
        EXPECT_NE(MakeBindingConverter(BindingTypeIdentifier{kind}), nullptr) << BindingTypeKindName(kind);
    }
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{}), nullptr);
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{BindingTypeKind::Map, BindingTypeKind::String}), nullptr);
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{BindingTypeKind::Callback}), nullptr);
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{BindingTypeKind::Vector, BindingTypeKind::Struct}), nullptr);
    EXPECT_EQ(MakeBindingConverter(BindingTypeIdentifier{BindingTypeKind::Vector, BindingTypeKind::Enum}), nullptr);

    // The picked converter follows the identifier's native type.
    const BindingTypeIdentifier type{BindingTypeKind::Vector, BindingTypeKind::UInt16};
    auto vector = MakeBindingConverter(type);
    ASSERT_NE(vector, nullptr);
    BindingProperty source;
    source.Append().SetUnsigned(65535);
    source.Append().SetUnsigned(65536);
    std::vector<uint16_t> target;
    BindingResult result;
    vector->ToNative(result, &target, source, "ports", type, nullptr);
    EXPECT_EQ(result.ErrorText(), "Value 65536 for 'ports' of type uint16 is out of range");
    EXPECT_EQ(target, (std::vector<uint16_t>{65535, 0}));
}

}  // namespace
}  // namespace kor
