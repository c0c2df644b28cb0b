#include "binding/BindingPlainValue.h"
#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/PageSource.h"
#include "binding/StaticTypeId.h"

#include "binding/BindingTestSupport.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace kor {
namespace {

using test::Describe;

// ---- A model of the generic value: a plain tree with the value's write
// interface, so one step applies to both; compared through the same text.

struct Node {
    enum Kind { Empty, Signed, String, Blob, List, Map } kind = Empty;
    int64_t number = 0;
    std::string text;
    std::vector<Node> items;
    std::map<std::string, Node> members;  // std::string orders by unsigned bytes, as the value does

    void Reset(Kind k, int64_t n = 0, const std::string& t = {}) {
        *this = Node{};
        kind = k, number = n, text = t;
    }
    void Become(Kind k) {
        if (kind != k) Reset(k);
    }
    Node& ElementForWrite(std::size_t i) {
        Become(List);
        if (i >= items.size()) items.resize(i + 1);
        return items[i];
    }
    Node& MemberForWrite(const std::string& key) { return Become(Map), members[key]; }
    Node& Append() { return Become(List), items.emplace_back(); }
    bool EraseMember(const std::string& key) { return kind == Map && members.erase(key) == 1; }
    void SetSigned(int64_t n) { Reset(Signed, n); }
    void SetString(const std::string& t) { Reset(String, 0, t); }
    void SetBlob(const std::vector<uint8_t>& bytes) { Reset(Blob, static_cast<int64_t>(bytes.size())); }
    void Clear() { Reset(Empty); }
};

std::string Describe(const Node& node) {
    std::string out;
    for (const Node& item : node.items) out += (out.empty() ? "" : ",") + Describe(item);
    for (const auto& [key, member] : node.members) out += (out.empty() ? "\"" : ",\"") + key + "\":" + Describe(member);
    const std::string texts[] = {"null", "s:" + std::to_string(node.number), '"' + node.text + '"',
                                 "blob:" + std::to_string(node.number), "[" + out + "]", "{" + out + "}"};
    return texts[node.kind];
}

void CountTexts(const Node& node, std::map<std::string, uint32_t>& counts) {
    if (node.kind == Node::String && !node.text.empty()) ++counts[node.text];
    for (const Node& item : node.items) CountTexts(item, counts);
    for (const auto& [key, member] : node.members) {
        if (!key.empty()) ++counts[key];
        CountTexts(member, counts);
    }
}

using Path = std::vector<std::string>;  // "#n" is element n, anything else a member key

template <class Tree>
Tree& At(Tree& root, const Path& path) {
    Tree* node = &root;
    for (const std::string& step : path) node = step[0] == '#' ? &node->ElementForWrite(step[1] - '0') : &node->MemberForWrite(step);
    return *node;
}

// Whether the value crosses the boundary and comes back equal (the plain
// record freed whole on the way).
bool RoundTripsThroughPlain(const BindingProperty& value) {
    BindingPlainValue plain{};
    BindingPlainResult result{};
    BindingProperty back;
    const bool converted = ConvertToPlainValue(value, plain, nullptr) && ConvertFromPlainValue(result, back, plain, "arg");
    ClearPlainValue(plain);
    return converted && back == value;
}

void ExpectMatches(const BindingProperty& value, const Node& model, int step) {
    ASSERT_EQ(Describe(value), Describe(model)) << "step " << step;
    ASSERT_TRUE(value.IsRoot());
    std::map<std::string, uint32_t> counts;
    CountTexts(model, counts);
    ASSERT_EQ(value.context() == nullptr ? 0 : value.context()->InternedCount(), counts.size()) << "step " << step;
    bool plainTexts = true;  // plain texts end at their first zero byte
    for (const auto& [text, count] : counts) {
        ASSERT_EQ(value.context()->CountOf(text), count) << text;
        plainTexts = plainTexts && text.find('\0') == std::string::npos;
    }
    ASSERT_TRUE(!plainTexts || RoundTripsThroughPlain(value)) << "step " << step;
}

// Random writes, erasures, copies and moves within and between three roots,
// each checked against the model: content, member order, and the reference
// count of every interned text (keys and values share entries).
TEST(BindingPropertyModelTest, RandomEditsMatchTheModel) {
    const std::string texts[] = {"a", "B", "b", "abcdefgh", "abcdefgh0", "abcdefgh1", "abcdefg", std::string("abc\0", 4),
                                 "\xC3\xA9", ""};
    std::mt19937 random(20240611);
    auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    auto existingPath = [&](Node& root) {
        Path path;
        for (Node* node = &root; pick(3) != 0 && node->items.size() + node->members.size() != 0;) {
            const std::size_t index = pick(static_cast<int>(node->items.size() + node->members.size()));
            path.push_back(node->kind == Node::List ? std::string{'#', static_cast<char>('0' + index)}
                                                    : std::next(node->members.begin(), index)->first);
            node = &At(*node, Path{path.back()});
        }
        return path;
    };
    std::vector<BindingProperty> roots(3);
    std::vector<Node> models(3);
    for (int step = 0; step < 4000; ++step) {
        const int r = pick(3), s = pick(3), operation = pick(9), number = pick(2000) - 1000;
        const std::string& text = texts[pick(10)];
        Path path;
        for (int depth = pick(4); depth > 0; --depth) {
            path.push_back(pick(2) == 0 ? std::string{'#', static_cast<char>('0' + pick(3))} : texts[pick(10)]);
        }
        auto apply = [&](auto& root) {
            auto& at = At(root, path);
            switch (operation) {
                case 0: return at.SetSigned(number), true;
                case 1: return at.SetString(text), true;
                case 2: return at.SetBlob(std::vector<uint8_t>(number & 3, 7)), true;
                case 3: return at.Clear(), true;
                case 4: return at.EraseMember(text);
                default: return at.Append(), true;
            }
        };
        if (operation < 6) {
            ASSERT_EQ(apply(roots[r]), apply(models[r])) << "step " << step;
        } else {  // copy or move an existing value onto another existing one
            const Path to = existingPath(models[r]), from = existingPath(models[s]);
            const Node content = At(models[s], from);
            const bool move = operation == 8, same = s == r && from == to;
            const bool intoItself = s == r && std::mismatch(from.begin(), from.end(), to.begin(), to.end()).first == from.end();
            if (move) {
                At(roots[r], to) = std::move(At(roots[s], from));
            } else {
                At(roots[r], to) = At(roots[s], from);
            }
            if (move && !same) At(models[s], from) = Node{};  // a moved value leaves an empty source
            if (!move || !intoItself) At(models[r], to) = content;  // moved into its own descendant: all of it ends empty
        }
        for (int i = 0; i < 3; ++i) ExpectMatches(roots[i], models[i], step);
        if (HasFatalFailure()) return;
    }
}

// Keys written in any order (repeated, some erased on the way) give the same
// structure as its members written in byte order, and every member keeps its
// address while others come and go. Thousands of keys out of order take the
// path that merges late keys into the sorted ones.
TEST(BindingPropertyModelTest, KeyOrderDoesNotChangeTheStructure) {
    std::mt19937 random(7);
    for (const int count : {40, 5000}) {
        std::vector<std::string> keys;
        for (int index = 0; index < count; ++index) keys.push_back("k" + std::to_string(random() % (2 * count)));
        for (const int order : {0, 1, 2}) {  // shuffled, reversed, sorted then a shuffled half
            if (order == 1) std::sort(keys.rbegin(), keys.rend());
            if (order == 2) std::sort(keys.begin(), keys.end()), std::shuffle(keys.begin() + count / 2, keys.end(), random);
            BindingProperty tree;
            std::map<std::string, std::pair<int, const BindingProperty*>> model;  // the last write wins
            for (int index = 0; index < count; ++index) {
                BindingProperty& member = tree.MemberForWrite(keys[index]);
                member.SetSigned(index);
                ASSERT_EQ(model.try_emplace(keys[index], index, &member).first->second.second, &member) << keys[index];
                model[keys[index]].first = index;
                if (index % 7 == 3) {
                    ASSERT_EQ(tree.EraseMember(keys[index / 2]), model.erase(keys[index / 2]) == 1);
                }
            }
            BindingProperty sorted;
            for (const auto& [key, member] : model) {
                sorted.MemberForWrite(key).SetSigned(member.first);
                ASSERT_EQ(tree.FindMember(key), member.second) << key;
            }
            ASSERT_EQ(tree, sorted) << "order " << order << ", " << count << " keys";
            ASSERT_EQ(BindingProperty(tree), sorted);
        }
    }
}

TEST(BindingResultTest, FailureReplacesTheValueWithItsMessage) {
    BindingResult result;
    result.value().MemberForWrite("error").SetString("not a failure");
    EXPECT_TRUE(result.ok() && result.ErrorText().empty());
    result.SetFailure(result.value().Member("error").GetString());  // the message lives in what it replaces
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(Describe(result.value()), "{\"error\":\"not a failure\"}");
}

// Trees far deeper than a stack allows for recursion are built, copied,
// compared, flattened and destroyed.
TEST(BindingPropertyTest, EnumsAreEqualWhenTheirNumbersAre) {
    BindingProperty three, same, four;
    three.SetEnum(3, kReservedStaticTypeId);
    same.SetEnum(3, kReservedStaticTypeId);
    four.SetEnum(4, kReservedStaticTypeId);
    EXPECT_TRUE(three == same);
    EXPECT_FALSE(three == four);
}

TEST(BindingPropertyTest, VeryDeepTreesNeedNoRecursion) {
    BindingProperty root;
    BindingProperty* cursor = &root;
    for (int level = 0; level < 100000; ++level) cursor = level % 2 ? &cursor->Append() : &cursor->MemberForWrite("k");
    cursor->SetString("bottom");
    EXPECT_TRUE(BindingProperty(root) == root);
    EXPECT_TRUE(RoundTripsThroughPlain(root));
}

// ---- Plain values a host builds ----

BindingPlainValue Plain(BindingPlainKind kind, void* pointer = nullptr, uint32_t count = 0) {
    BindingPlainValue value{};
    value.kind = static_cast<uint32_t>(kind);
    if (kind == BindingPlainKind::BorrowedBlob) value.payload.blob = {static_cast<uint8_t*>(pointer), count};
    if (kind == BindingPlainKind::Collection) value.payload.collection = {static_cast<BindingPlainValue*>(pointer), count};
    if (kind == BindingPlainKind::Structure) value.payload.structure = {static_cast<BindingPlainMember*>(pointer), count};
    if (kind == BindingPlainKind::BorrowedString || kind == BindingPlainKind::OwnedString) {
        value.payload.string = {static_cast<char*>(pointer), count};
    }
    return value;
}

TEST(BindingPlainValueTest, HostRecordsReadAsValuesOrFail) {
    char borrowed[] = "borrowed";
    uint8_t bytes[] = {4, 5};
    BindingPlainValue items[2] = {Plain(BindingPlainKind::Signed), {}};
    items[1].kind = 12;
    BindingPlainMember repeated[3] = {{"a", Plain(BindingPlainKind::Bool), 0}, {nullptr, Plain(BindingPlainKind::Empty), 0},
                                      {"a", Plain(BindingPlainKind::Signed), 0}};
    const struct {
        BindingPlainValue source;
        const char* expected;  // Describe() of the value, or the error text
    } cases[] = {
        {Plain(BindingPlainKind::BorrowedString, borrowed, 3), "\"borrowed\""},  // the length word is not read
        {Plain(BindingPlainKind::BorrowedBlob, bytes, 2), "blob:2"},
        {Plain(BindingPlainKind::OwnedString, nullptr, 5), "\"\""},
        {Plain(BindingPlainKind::Collection, nullptr, 3), "[]"},
        {Plain(BindingPlainKind::Structure, repeated, 3), "{\"\":null,\"a\":s:0}"},  // a repeated name keeps the last
        {Plain(BindingPlainKind::Collection, items, 2),  // an unknown kind deep inside
         "Couldn't assign value to 'arg' of type object because the input is of an incompatible type ''."},
        {Plain(BindingPlainKind::Collection, items, 0x10000000), "vector<T> too long"},
    };
    for (const auto& c : cases) {
        BindingPlainResult result{};
        BindingProperty value;
        value.SetString("stale");
        const bool ok = ConvertFromPlainValue(result, value, c.source, "arg");
        EXPECT_EQ(ok ? Describe(value) : std::string(result.error), c.expected);
        const int flag = result.errorFlag;  // packed: read by value
        EXPECT_EQ(flag, ok ? 0 : 1) << c.expected;
        EXPECT_TRUE(ok || value.IsEmpty()) << c.expected;
        std::free(result.error);
    }
}

// ---- Pages of the value pools ----

TEST(PageSourceTest, ALargeTreeGivesEveryPageBack) {
    PageSource& source = PageSource::Instance();
    const std::size_t pagesBefore = source.PagesInUse();
    const std::size_t blocksBefore = source.BlocksCommitted();
    {
        BindingProperty tree;
        for (int index = 0; index < 10000; ++index) {
            BindingProperty& member = tree.MemberForWrite("member" + std::to_string(index));
            member.Append().SetString("text" + std::to_string(index % 100));
            member.Append().SetBlob(std::vector<uint8_t>{1, 2, 3});
        }
        EXPECT_GT(source.BlocksCommitted(), blocksBefore);
        BindingProperty copy(tree);
        tree.Clear();
        EXPECT_EQ(tree.context()->PoolPagesHeld(), 0u);  // a cleared root hands its pages back at once
        EXPECT_EQ(copy.Member("member9999").Element(0).GetString(), "text99");
    }
    EXPECT_EQ(source.PagesInUse(), pagesBefore);
    EXPECT_EQ(source.BlocksCommitted(), blocksBefore);
}

#if defined(__SANITIZE_ADDRESS__)

TEST(PageSourceTest, BlobBytesOfALiveTreeAreNotReportedAsLeaks) {
    // Past the pools' inline pages, only mapped pages point to blob bytes.
    auto tree = std::make_unique<BindingProperty>();
    for (int index = 0; index < 64; ++index) tree->MemberForWrite("blob" + std::to_string(index)).SetBlob(std::vector<uint8_t>(40));
    ASSERT_GT(tree->context()->PoolPagesHeld(), 0u);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
}
#endif

}  // namespace
}  // namespace kor
