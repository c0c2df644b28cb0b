#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/StaticTypeId.h"

#include "binding/BindingTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kor {
namespace {

using test::Describe;

constexpr StaticTypeId kColourId{0x00C0FFEE};

TEST(BindingPropertyTest, FreshRootIsEmptyAndCreatesNoContext) {
    BindingProperty value;
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_TRUE(value.IsRoot());
    EXPECT_EQ(value.Size(), 0u);
    EXPECT_EQ(value.context(), nullptr);
    // Scalars and the empty string are inline; they need no context either.
    value.SetSigned(-1);
    value.SetString("");
    value.SetFloat(2.5);
    EXPECT_EQ(value.context(), nullptr);
}

TEST(BindingPropertyTest, GettersReturnPayloadOnlyForTheExactKind) {
    BindingProperty value;
    value.SetSigned(int32_t{-5});
    EXPECT_EQ(value.GetSigned(), -5);  // sign-extended from 32 bits
    EXPECT_EQ(value.GetUnsigned(7), 7u);
    EXPECT_EQ(value.GetFloat(1.25), 1.25);
    EXPECT_FALSE(value.GetBool());
    EXPECT_EQ(value.GetString("dflt"), "dflt");
    EXPECT_STREQ(value.GetCString("dflt"), "dflt");

    value.SetUnsigned(uint32_t{0xFFFFFFFF});
    EXPECT_EQ(value.GetUnsigned(), 4294967295u);  // zero-extended
    EXPECT_EQ(value.GetSigned(3), 3);

    value.SetFloat(1.5f);
    EXPECT_EQ(value.GetFloat(), 1.5);
    EXPECT_EQ(value.GetSigned(9), 9);

    value.SetBool(true);
    EXPECT_TRUE(value.GetBool());
    EXPECT_EQ(value.GetUnsigned(4), 4u);

    value.SetEnum(3, kColourId);
    EXPECT_EQ(value.GetEnum().number, 3);
    EXPECT_EQ(value.GetEnum().type, &kColourId);
    EXPECT_EQ(value.GetSigned(11), 11);

    value.SetString("text");
    EXPECT_EQ(value.GetString(), "text");
    EXPECT_EQ(value.GetEnum({8, nullptr}).number, 8);
    EXPECT_TRUE(value.GetBlob().empty());
}

TEST(BindingPropertyTest, SizeFollowsTheKind) {
    BindingProperty value;
    value.SetString("four");
    EXPECT_EQ(value.Size(), 4u);
    value.SetBlob(std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(value.Size(), 3u);
    value.SetEnum(1, kColourId);
    EXPECT_EQ(value.Size(), 1u);
    value.SetBool(false);
    EXPECT_EQ(value.Size(), 1u);
    value.ElementForWrite(1);
    EXPECT_EQ(value.Size(), 2u);
    value.MemberForWrite("a");
    EXPECT_EQ(value.Size(), 1u);
    value.Clear();
    EXPECT_EQ(value.Size(), 0u);
}

TEST(BindingPropertyTest, SettersMayBeGivenTheValuesOwnContent) {
    BindingProperty value;
    value.MemberForWrite("a").SetString("inner text");
    value.SetString(value.Member("a").GetString());
    EXPECT_EQ(value.GetString(), "inner text");
    value.SetString(value.GetString());
    EXPECT_EQ(value.GetString(), "inner text");
    EXPECT_EQ(value.context()->CountOf("inner text"), 1u);

    value.SetBlob(std::vector<uint8_t>{9, 8, 7});
    value.SetBlob(value.GetBlob());
    EXPECT_EQ(std::vector<uint8_t>(value.GetBlob().begin(), value.GetBlob().end()), (std::vector<uint8_t>{9, 8, 7}));
}

TEST(BindingPropertyTest, BlobIsCopiedOrTakenOver) {
    std::vector<uint8_t> bytes{1, 2, 3, 4};
    BindingProperty copied;
    copied.SetBlob(std::span<const uint8_t>(bytes));
    EXPECT_EQ(bytes.size(), 4u);
    bytes[0] = 42;
    EXPECT_EQ(copied.GetBlob()[0], 1);

    BindingProperty taken;
    taken.SetBlob(std::move(bytes));
    EXPECT_TRUE(bytes.empty());  // NOLINT(bugprone-use-after-move): the contract says it is left empty
    EXPECT_EQ(taken.Size(), 4u);
    EXPECT_EQ(taken.GetBlob()[0], 42);
}

TEST(BindingPropertyTest, WritingElementFiveOfAnEmptyValueMakesSixElements) {
    BindingProperty value;
    value.ElementForWrite(5).SetUnsigned(5);
    ASSERT_TRUE(value.IsCollection());
    EXPECT_EQ(Describe(value), "[null,null,null,null,null,u:5]");
    EXPECT_FALSE(value.ElementForWrite(5).IsEmpty());  // an existing element is returned as is
    EXPECT_EQ(value.Size(), 6u);
    value.Append().SetBool(true);
    EXPECT_EQ(value.Size(), 7u);
    for (const BindingProperty& element : value.Elements()) EXPECT_FALSE(element.IsRoot());
}

TEST(BindingPropertyTest, ElementsSurviveTheCollectionGrowing) {
    BindingProperty value;
    for (int index = 0; index < 1000; ++index) {
        BindingProperty& element = value.Append();
        element.MemberForWrite("index").SetSigned(index);
        element.MemberForWrite("name").SetString("item" + std::to_string(index));
    }
    ASSERT_EQ(value.Size(), 1000u);
    for (int index = 0; index < 1000; ++index) {
        EXPECT_EQ(value.Element(index).Member("index").GetSigned(), index);
        EXPECT_EQ(value.Element(index).Member("name").GetString(), "item" + std::to_string(index));
    }
    EXPECT_EQ(value.context()->CountOf("index"), 1000u);
}

TEST(BindingPropertyTest, WriteAccessorsReplaceOtherKindsAndMakeKeepsContainers) {
    BindingProperty value;
    value.Append().SetSigned(1);
    value.MakeCollection();
    EXPECT_EQ(Describe(value), "[s:1]");

    value.MemberForWrite("key").SetBool(true);  // discards the collection
    EXPECT_EQ(Describe(value), "{\"key\":true}");
    value.MakeStructure();
    EXPECT_EQ(Describe(value), "{\"key\":true}");

    value.MakeCollection();  // discards the structure
    EXPECT_EQ(Describe(value), "[]");
    value.SetString("s");
    value.ElementForWrite(0);
    EXPECT_EQ(Describe(value), "[null]");
}

TEST(BindingPropertyTest, ChangingKindKeepsNoStaleContent) {
    BindingProperty value;
    value.MemberForWrite("alpha").SetString("one");
    value.MemberForWrite("beta").Append().SetString("two");
    const BindingPropertyContext* context = value.context();

    value.MakeCollection();
    EXPECT_EQ(value.Size(), 0u);
    EXPECT_TRUE(value.Member("alpha").IsEmpty());
    EXPECT_FALSE(value.HasMember("alpha"));
    EXPECT_TRUE(value.Members().empty());
    EXPECT_EQ(context->CountOf("alpha"), 0u);
    EXPECT_EQ(context->CountOf("two"), 0u);
    EXPECT_EQ(context->InternedCount(), 0u);

    value.Append().SetString("three");
    value.SetString("x");
    EXPECT_EQ(value.Size(), 1u);
    EXPECT_TRUE(value.Elements().empty());
    EXPECT_TRUE(value.Element(0).IsEmpty());
    EXPECT_EQ(context->CountOf("three"), 0u);
    EXPECT_EQ(value.context(), context);  // a root keeps its context
}

TEST(BindingPropertyTest, MembersIterateInUnsignedByteOrderOfKeys) {
    BindingProperty value;
    value.MemberForWrite("b");
    value.MemberForWrite("a");
    value.MemberForWrite("B");
    std::vector<std::string> keys;
    for (const auto& [key, member] : value.Members()) keys.emplace_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"B", "a", "b"}));

    BindingProperty mixed;
    for (const char* key : {"\xC3\xA9", "z", "ab", "a", ""}) mixed.MemberForWrite(key);
    keys.clear();
    for (const auto& [key, member] : mixed.Members()) keys.emplace_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"", "a", "ab", "z", "\xC3\xA9"}));

    // Keys that agree on their first eight bytes, and a key with a zero byte.
    const std::string zeroInside("abc\0", 4);
    BindingProperty similar;
    for (const std::string& key : {std::string("abcdefgh1"), std::string("abcdefgh"), std::string("abcdefgh0"),
                                   std::string("abcdefg"), zeroInside, std::string("abc")}) {
        similar.MemberForWrite(key).SetString(key);
    }
    keys.clear();
    for (const auto& [key, member] : similar.Members()) {
        keys.emplace_back(key);
        EXPECT_EQ(similar.Member(key).GetString(), key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"abc", zeroInside, "abcdefg", "abcdefgh", "abcdefgh0", "abcdefgh1"}));
    EXPECT_FALSE(similar.HasMember("abcdefgh2"));
    EXPECT_FALSE(similar.HasMember("ab"));
}

TEST(BindingPropertyTest, MutableIterationChangesMembersInPlace) {
    BindingProperty value;
    value.MemberForWrite("x").SetSigned(1);
    value.MemberForWrite("y").SetSigned(2);
    for (auto [key, member] : value.MembersForWrite()) member.SetSigned(member.GetSigned() * 10);
    for (BindingProperty& element : value.ElementsForWrite()) element.SetBool(true);  // not a collection: no-op
    EXPECT_EQ(Describe(value), "{\"x\":s:10,\"y\":s:20}");
}

TEST(BindingPropertyTest, ReadsNeverModifyAndYieldTheSharedEmptyValue) {
    BindingProperty text;
    text.SetString("abc");
    EXPECT_EQ(&text.Element(0), &BindingProperty::EmptyValue());
    EXPECT_EQ(&text.Member("abc"), &BindingProperty::EmptyValue());
    EXPECT_EQ(text.FindMember("abc"), nullptr);
    EXPECT_EQ(text.GetString(), "abc");

    BindingProperty list;
    list.Append().SetSigned(1);
    EXPECT_EQ(&list.Member("0"), &BindingProperty::EmptyValue());
    EXPECT_EQ(&list.Element(1), &BindingProperty::EmptyValue());
    EXPECT_EQ(list.Size(), 1u);

    BindingProperty empty;
    EXPECT_TRUE(empty.Member("a").Member("b").Element(3).IsEmpty());
    EXPECT_EQ(empty.context(), nullptr);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(BindingProperty::EmptyValue().IsEmpty());
    EXPECT_EQ(BindingProperty::EmptyValue().Size(), 0u);
}

TEST(BindingPropertyTest, FindMemberTellsAbsentFromPresentEmpty) {
    BindingProperty value;
    value.MemberForWrite("present");
    ASSERT_NE(value.FindMember("present"), nullptr);
    EXPECT_TRUE(value.FindMember("present")->IsEmpty());
    EXPECT_TRUE(value.HasMember("present"));
    EXPECT_FALSE(value.HasMember("absent"));
}

TEST(BindingPropertyTest, EraseMemberReleasesKeyAndValue) {
    BindingProperty value;
    value.MemberForWrite("keep").SetString("shared");
    value.MemberForWrite("drop").SetString("shared");
    value.MemberForWrite("drop2").Append().SetString("only");
    EXPECT_TRUE(value.EraseMember("drop"));
    EXPECT_TRUE(value.EraseMember("drop2"));
    EXPECT_FALSE(value.EraseMember("drop"));
    EXPECT_EQ(Describe(value), "{\"keep\":\"shared\"}");
    EXPECT_EQ(value.context()->CountOf("drop"), 0u);
    EXPECT_EQ(value.context()->CountOf("only"), 0u);
    EXPECT_EQ(value.context()->CountOf("shared"), 1u);
    BindingProperty scalar;
    scalar.SetSigned(1);
    EXPECT_FALSE(scalar.EraseMember("x"));
}

TEST(BindingPropertyTest, ReserveAboveTheLimitIsALengthErrorAndChangesNothing) {
    BindingProperty value;
    value.SetString("keep");
    try {
        value.Reserve(BindingProperty::kMaxElements + 1);
        FAIL() << "no length error";
    } catch (const std::length_error& error) {
        EXPECT_STREQ(error.what(), "vector<T> too long");
    }
    EXPECT_THROW(value.ElementForWrite(BindingProperty::kMaxElements), std::length_error);
    EXPECT_EQ(value.GetString(), "keep");

    value.Reserve(100);  // larger than a pooled block
    EXPECT_TRUE(value.IsCollection());
    EXPECT_EQ(value.Size(), 0u);
}

TEST(BindingPropertyTest, CopyIsDeepAndHasItsOwnContext) {
    BindingProperty original;
    original.MemberForWrite("name").SetString("value");
    original.MemberForWrite("list").Append().SetEnum(2, kColourId);
    original.MemberForWrite("list").Append().SetBlob(std::vector<uint8_t>{1, 2});
    original.MemberForWrite("nested").MemberForWrite("deep").SetFloat(0.5);

    BindingProperty copy(original);
    EXPECT_TRUE(copy.IsRoot());
    EXPECT_NE(copy.context(), original.context());
    EXPECT_EQ(copy, original);
    EXPECT_EQ(Describe(copy), Describe(original));
    EXPECT_EQ(copy.Member("list").Element(0).GetEnum().type, &kColourId);
    EXPECT_EQ(original.context()->CountOf("value"), 1u);
    EXPECT_EQ(copy.context()->CountOf("value"), 1u);

    copy.MemberForWrite("name").SetString("changed");
    EXPECT_EQ(original.Member("name").GetString(), "value");

    BindingProperty assigned;
    assigned.SetSigned(3);
    assigned = original;
    EXPECT_EQ(assigned, original);
    assigned = assigned;  // self-assignment leaves it alone
    EXPECT_EQ(assigned, original);
}

TEST(BindingPropertyTest, CopyBetweenRelatedValuesOfOneTree) {
    BindingProperty tree;
    tree.MemberForWrite("a").MemberForWrite("b").SetString("leaf");
    tree.MemberForWrite("c").SetSigned(1);

    tree.MemberForWrite("a").MemberForWrite("copy") = tree;  // the source contains the target
    // The copy was taken after the (empty) target member had been created.
    EXPECT_EQ(Describe(tree),
              "{\"a\":{\"b\":\"leaf\",\"copy\":{\"a\":{\"b\":\"leaf\",\"copy\":null},\"c\":s:1}},\"c\":s:1}");

    tree = tree.Member("a").Member("copy");  // the target contains the source
    EXPECT_EQ(Describe(tree), "{\"a\":{\"b\":\"leaf\",\"copy\":null},\"c\":s:1}");
    EXPECT_EQ(tree.context()->CountOf("leaf"), 1u);
}

TEST(BindingPropertyTest, MoveBetweenRootsHandsOverTheTreeAndItsContext) {
    BindingProperty source;
    source.MemberForWrite("k").SetString("v");
    const BindingPropertyContext* context = source.context();

    BindingProperty moved(std::move(source));
    EXPECT_EQ(moved.context(), context);
    EXPECT_EQ(Describe(moved), "{\"k\":\"v\"}");
    EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move)

    BindingProperty target;
    target.SetString("old");
    const BindingPropertyContext* targetContext = target.context();
    target = std::move(moved);
    EXPECT_EQ(target.context(), context);
    EXPECT_TRUE(moved.IsEmpty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved.context(), targetContext);
    EXPECT_EQ(targetContext->InternedCount(), 0u);  // "old" went with the cleared source
}

TEST(BindingPropertyTest, MoveIntoOrOutOfATreeCopiesAndClearsTheSource) {
    BindingProperty tree;
    tree.MemberForWrite("x").SetSigned(1);
    BindingProperty other;
    other.MemberForWrite("y").SetString("text");
    const BindingPropertyContext* otherContext = other.context();

    tree.MemberForWrite("x") = std::move(other);
    EXPECT_EQ(Describe(tree), "{\"x\":{\"y\":\"text\"}}");
    EXPECT_TRUE(other.IsEmpty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(other.context(), otherContext);
    EXPECT_EQ(otherContext->InternedCount(), 0u);
    EXPECT_EQ(tree.context()->CountOf("text"), 1u);

    BindingProperty out(std::move(tree.MemberForWrite("x")));
    EXPECT_NE(out.context(), tree.context());
    EXPECT_EQ(Describe(out), "{\"y\":\"text\"}");
    EXPECT_EQ(Describe(tree), "{\"x\":null}");
    EXPECT_EQ(tree.context()->CountOf("text"), 0u);
}

TEST(BindingPropertyTest, MoveWithinOneTree) {
    BindingProperty tree;
    tree.MemberForWrite("a").MemberForWrite("inner").SetString("A");
    tree.MemberForWrite("b").Append().SetString("B");

    tree.MemberForWrite("a") = std::move(tree.MemberForWrite("b"));  // sibling to sibling
    EXPECT_EQ(Describe(tree), "{\"a\":[\"B\"],\"b\":null}");
    EXPECT_EQ(tree.context()->CountOf("A"), 0u);

    // Into its own descendant: the source is cleared and takes the target along.
    tree.MemberForWrite("c").MemberForWrite("d").SetSigned(4);
    tree.MemberForWrite("c").MemberForWrite("d") = std::move(tree.MemberForWrite("c"));
    EXPECT_EQ(Describe(tree), "{\"a\":[\"B\"],\"b\":null,\"c\":null}");

    // A root given one of its own descendants.
    tree = std::move(tree.MemberForWrite("a"));
    EXPECT_EQ(Describe(tree), "[\"B\"]");
    EXPECT_EQ(tree.context()->CountOf("B"), 1u);
    EXPECT_EQ(tree.context()->InternedCount(), 1u);
}

TEST(BindingPropertyTest, EqualityComparesKindsPayloadsAndStructure) {
    BindingProperty a;
    a.MemberForWrite("x").SetSigned(1);
    a.MemberForWrite("y").SetString("s");
    BindingProperty b;
    b.MemberForWrite("y").SetString("s");
    b.MemberForWrite("x").SetSigned(1);
    EXPECT_EQ(a, b);
    b.MemberForWrite("x").SetUnsigned(1);
    EXPECT_NE(a, b);

    BindingProperty nan;
    nan.SetFloat(std::nan(""));
    EXPECT_NE(nan, nan);
    BindingProperty one;
    one.Append();
    BindingProperty two;
    two.Append();
    two.Append();
    EXPECT_NE(one, two);
}

// Trees far deeper than any stack allows for recursion are built, copied,
// compared and destroyed.
TEST(BindingPropertyTest, VeryDeepTreesNeedNoRecursion) {
    constexpr int kDepth = 100000;
    BindingProperty root;
    BindingProperty* cursor = &root;
    for (int level = 0; level < kDepth; ++level) {
        cursor = level % 2 == 0 ? &cursor->Append() : &cursor->MemberForWrite("k");
    }
    cursor->SetString("bottom");

    BindingProperty copy(root);
    EXPECT_TRUE(copy == root);  // (EXPECT_EQ would print the tree recursively on failure)
    const BindingProperty* walk = &copy;
    for (int level = 0; level < kDepth; ++level) walk = level % 2 == 0 ? &walk->Element(0) : &walk->Member("k");
    EXPECT_EQ(walk->GetString(), "bottom");
    root.Clear();
    EXPECT_EQ(root.context()->InternedCount(), 0u);
}

TEST(BindingResultTest, StartsOkAndEmpty) {
    BindingResult result;
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.value().IsEmpty());
    EXPECT_EQ(result.ErrorText(), "");
    result.value().MemberForWrite("error").SetString("not a failure");
    EXPECT_EQ(result.ErrorText(), "");
}

TEST(BindingResultTest, FailureReplacesTheValueWithTheMessage) {
    BindingResult result;
    result.value().MemberForWrite("data").SetSigned(1);
    result.SetFailure("it broke");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(Describe(result.value()), "{\"error\":\"it broke\"}");
    EXPECT_EQ(result.ErrorText(), "it broke");

    result.SetFailure(result.ErrorText());  // the message lives in the value it replaces
    EXPECT_EQ(result.ErrorText(), "it broke");

    result.value().MemberForWrite("error").SetSigned(5);
    EXPECT_EQ(result.ErrorText(), "");

    BindingResult made = BindingResult::Failure("made");
    EXPECT_FALSE(made.ok());
    EXPECT_EQ(made.ErrorText(), "made");
}

TEST(BindingKindNameTest, DisplayNames) {
    EXPECT_EQ(BindingPropertyKindName(BindingPropertyKind::Empty), "empty");
    EXPECT_EQ(BindingPropertyKindName(BindingPropertyKind::Unsigned), "unsigned");
    EXPECT_EQ(BindingPropertyKindName(BindingPropertyKind::Structure), "structure");
    EXPECT_EQ(BindingPropertyKindName(static_cast<BindingPropertyKind>(10)), "");
    EXPECT_EQ(BindingPropertyKindName(static_cast<BindingPropertyKind>(255)), "");
}

}  // namespace
}  // namespace kor
