#include "binding/BindingProperty.h"
#include "binding/BindingPropertyContext.h"
#include "binding/BindingStringTable.h"
#include "binding/Fnv1a.h"
#include "binding/PageSource.h"
#include "binding/SmallBlockPool.h"
#include "binding/StaticTypeId.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kor {
namespace {

static_assert(Fnv1aHash("") == 0x811c9dc5u);
static_assert(Fnv1aHash("a") == 0xe40c292cu);
static_assert(Fnv1aHash("foobar") == 0xbf9cf968u);
static_assert(Fnv1aHashWord(0x64636261u) == Fnv1aHash("abcd"));  // little-endian bytes "abcd"

// ---- Interning ----

TEST(BindingStringTableTest, EmptyTextIsTheSharedUncountedEntry) {
    BindingProperty value;
    value.SetString("");
    EXPECT_TRUE(value.IsString());
    EXPECT_EQ(value.Size(), 0u);
    EXPECT_STREQ(value.GetCString("x"), "");
    EXPECT_EQ(value.context(), nullptr);

    BindingPropertyContext context;
    const BindingInternedString* first = context.strings().Intern("");
    const BindingInternedString* second = context.strings().Intern("");
    EXPECT_EQ(first, BindingStringTable::EmptyEntry());
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->count, 0u);
    EXPECT_EQ(context.InternedCount(), 0u);
    context.strings().Release(first);
    context.strings().Release(second);
    EXPECT_EQ(BindingStringTable::EmptyEntry()->count, 0u);
    EXPECT_EQ(BindingStringTable::EmptyEntry()->view(), "");
}

TEST(BindingStringTableTest, OneEntryPerTextCountedPerReference) {
    BindingProperty tree;
    tree.MemberForWrite("first").SetString("same");
    tree.MemberForWrite("second").SetString("same");
    const BindingPropertyContext* context = tree.context();
    EXPECT_EQ(context->CountOf("same"), 2u);
    EXPECT_EQ(context->InternedCount(), 3u);  // "first", "second", "same"
    EXPECT_EQ(tree.Member("first").GetCString(), tree.Member("second").GetCString());

    tree.MemberForWrite("first").Clear();
    EXPECT_EQ(context->CountOf("same"), 1u);
    tree.MemberForWrite("second").SetSigned(0);
    EXPECT_EQ(context->CountOf("same"), 0u);
    EXPECT_EQ(context->InternedCount(), 2u);

    // Keys count like values: a key text used as a value shares the entry.
    tree.MemberForWrite("third").SetString("first");
    EXPECT_EQ(context->CountOf("first"), 2u);
}

TEST(BindingStringTableTest, TextsKeepTheirFullLengthAndHash) {
    BindingPropertyContext context;
    const std::string withZero("a\0b", 3);
    const std::string otherZero("a\0c", 3);
    const BindingInternedString* one = context.strings().Intern(withZero);
    const BindingInternedString* two = context.strings().Intern(otherZero);
    EXPECT_NE(one, two);
    EXPECT_EQ(one->view(), withZero);
    EXPECT_EQ(one->text[3], '\0');
    EXPECT_EQ(one->hash, Fnv1aHash(withZero));
    context.strings().Release(one);
    context.strings().Release(two);
    EXPECT_EQ(context.InternedCount(), 0u);
}

TEST(BindingStringTableTest, GrowsByPowersOfTwoAndResetsWhenEmpty) {
    BindingPropertyContext context;
    BindingStringTable& table = context.strings();
    EXPECT_EQ(table.BucketCount(), 8u);
    std::vector<const BindingInternedString*> entries;
    for (int index = 0; index < 8; ++index) entries.push_back(table.Intern("key" + std::to_string(index)));
    EXPECT_EQ(table.BucketCount(), 8u);  // load factor 1.0 reached, not exceeded
    entries.push_back(table.Intern("key8"));
    EXPECT_EQ(table.BucketCount(), 16u);
    for (int index = 9; index < 1000; ++index) entries.push_back(table.Intern("key" + std::to_string(index)));
    EXPECT_EQ(table.BucketCount(), 1024u);
    EXPECT_EQ(table.EntryCount(), 1000u);
    for (int index = 0; index < 1000; ++index) {
        EXPECT_EQ(table.Intern("key" + std::to_string(index)), entries[index]);
        EXPECT_EQ(table.CountOf("key" + std::to_string(index)), 2u);
    }

    for (const BindingInternedString* entry : entries) table.Release(entry);
    EXPECT_EQ(table.BucketCount(), 1024u);  // not all released yet: every entry had two references
    for (const BindingInternedString* entry : entries) table.Release(entry);
    EXPECT_EQ(table.EntryCount(), 0u);
    EXPECT_EQ(table.BucketCount(), 8u);
    EXPECT_EQ(table.CountOf("key1"), 0u);

    // The reset table works as before.
    const BindingInternedString* again = table.Intern("key1");
    EXPECT_EQ(table.CountOf("key1"), 1u);
    table.Release(again);
    EXPECT_EQ(context.PoolPagesHeld(), 0u);
}

// ---- Pools and page source ----

std::size_t HeaderSlots(std::size_t slotSize) {
    // Two links, the page size, the used count and the first free index.
    const std::size_t header = 2 * sizeof(void*) + 8;
    return (header + slotSize - 1) / slotSize;
}

TEST(SmallBlockPoolTest, InlinePageServesFirstThenPagesComeAndGo) {
    const std::size_t pagesBefore = PageSource::Instance().PagesInUse();
    SmallBlockPool pool(16);
    const std::size_t inlineSlots = SmallBlockPool::kInlinePageSize / 16 - HeaderSlots(16);
    std::vector<void*> slots;
    for (std::size_t index = 0; index < inlineSlots; ++index) slots.push_back(pool.Allocate());
    EXPECT_EQ(pool.PagesHeld(), 0u);
    EXPECT_EQ(PageSource::Instance().PagesInUse(), pagesBefore);

    const std::size_t perPage = PageSource::kPageSize / 16 - HeaderSlots(16);
    for (std::size_t index = 0; index < perPage + 1; ++index) slots.push_back(pool.Allocate());
    EXPECT_EQ(pool.PagesHeld(), 2u);
    EXPECT_EQ(PageSource::Instance().PagesInUse(), pagesBefore + 2);

    std::set<void*> distinct(slots.begin(), slots.end());
    EXPECT_EQ(distinct.size(), slots.size());
    for (void* slot : slots) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(slot) % 16, 0u);
        std::memset(slot, 0xA5, 16);  // ASan reports any overlap with a header or neighbour
    }

    // Release in an interleaved order: pages go back only when they empty.
    for (std::size_t index = 0; index < slots.size(); index += 2) pool.Release(slots[index]);
    EXPECT_EQ(pool.PagesHeld(), 2u);
    for (std::size_t index = 1; index < slots.size(); index += 2) pool.Release(slots[index]);
    EXPECT_EQ(pool.PagesHeld(), 0u);
    EXPECT_EQ(PageSource::Instance().PagesInUse(), pagesBefore);

    // Freed slots are reused: refilling the inline page needs no page.
    for (std::size_t index = 0; index < inlineSlots; ++index) slots[index] = pool.Allocate();
    EXPECT_EQ(pool.PagesHeld(), 0u);
    for (std::size_t index = 0; index < inlineSlots; ++index) pool.Release(slots[index]);
}

TEST(SmallBlockPoolTest, LargestClassKeepsOneInlineSlot) {
    SmallBlockPool pool(72);
    void* first = pool.Allocate();
    EXPECT_EQ(pool.PagesHeld(), 0u);
    void* second = pool.Allocate();
    EXPECT_EQ(pool.PagesHeld(), 1u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(second) % 8, 0u);
    pool.Release(second);
    EXPECT_EQ(pool.PagesHeld(), 0u);
    pool.Release(first);
}

TEST(SmallBlockPoolsTest, SizesAreRoundedIntoEighteenClasses) {
    SmallBlockPools pools;
    EXPECT_TRUE(SmallBlockPools::IsPooled(72, 8));
    EXPECT_FALSE(SmallBlockPools::IsPooled(73, 1));
    EXPECT_FALSE(SmallBlockPools::IsPooled(16, 32));
    std::vector<std::pair<void*, std::size_t>> blocks;
    for (std::size_t bytes = 1; bytes <= 100; ++bytes) {
        void* block = pools.Allocate(bytes, bytes % 8 == 0 ? 8 : 1);
        std::memset(block, 0x5A, bytes);
        blocks.emplace_back(block, bytes);
    }
    for (auto [block, bytes] : blocks) pools.Release(block, bytes, bytes % 8 == 0 ? 8 : 1);
    EXPECT_EQ(pools.PagesHeld(), 0u);
}

TEST(PageSourceTest, HandsOutAlignedPagesAndReleasesWholeBlocks) {
    PageSource& source = PageSource::Instance();
    const std::size_t pagesBefore = source.PagesInUse();
    const std::size_t blocksBefore = source.BlocksCommitted();
    std::vector<void*> pages;
    for (std::size_t index = 0; index < PageSource::kPagesPerBlock + 1; ++index) {
        void* page = source.AcquirePage();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(page) % PageSource::kPageSize, 0u);
        std::memset(page, 0x11, PageSource::kPageSize);
        pages.push_back(page);
    }
    EXPECT_EQ(source.PagesInUse(), pagesBefore + pages.size());
    EXPECT_GE(source.BlocksCommitted(), blocksBefore + 1);

    source.ReleasePage(pages.back());
    pages.pop_back();
    source.ReleasePage(pages.back());  // released twice: ignored the second time
    source.ReleasePage(pages.back());
    pages.pop_back();
    EXPECT_EQ(source.PagesInUse(), pagesBefore + pages.size());
    for (void* page : pages) source.ReleasePage(page);
    EXPECT_EQ(source.PagesInUse(), pagesBefore);
    EXPECT_EQ(source.BlocksCommitted(), blocksBefore);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(PageSourceTest, AFreePageOfACommittedBlockIsPoisonedUntilHandedOutAgain) {
    PageSource& source = PageSource::Instance();
    void* page = source.AcquirePage();
    void* neighbour = source.AcquirePage();  // keeps the block of `page` committed
    ASSERT_NE(page, nullptr);
    ASSERT_NE(neighbour, nullptr);
    EXPECT_EQ(__asan_region_is_poisoned(page, PageSource::kPageSize), nullptr);
    const std::size_t blocks = source.BlocksCommitted();
    source.ReleasePage(page);
    ASSERT_EQ(source.BlocksCommitted(), blocks);
    EXPECT_NE(__asan_region_is_poisoned(page, PageSource::kPageSize), nullptr);
    void* again = source.AcquirePage();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(__asan_region_is_poisoned(again, PageSource::kPageSize), nullptr);
    source.ReleasePage(again);
    source.ReleasePage(neighbour);
}

TEST(PageSourceTest, ABlockGoesBackUnpoisoned) {
    PageSource& source = PageSource::Instance();
    const std::size_t blocksBefore = source.BlocksCommitted();
    std::vector<void*> pages;
    // The page that makes a new block committed is its first; the next 15
    // come from the same block, which heads the list of partial blocks.
    while (source.BlocksCommitted() == blocksBefore) pages.push_back(source.AcquirePage());
    auto* const base = static_cast<char*>(pages.back());
    for (std::size_t index = 1; index < PageSource::kPagesPerBlock; ++index) {
        void* page = source.AcquirePage();
        ASSERT_EQ(static_cast<char*>(page), base + index * PageSource::kPageSize);
        pages.push_back(page);
    }
    for (void* page : pages) source.ReleasePage(page);
    ASSERT_EQ(source.BlocksCommitted(), blocksBefore);
    // Only the shadow is read: the range itself is no longer mapped.
    EXPECT_EQ(__asan_region_is_poisoned(base, PageSource::kBlockSize), nullptr);
}

TEST(PageSourceTest, BlobBytesOfALiveTreeAreNotReportedAsLeaks) {
    // Past the pools' inline pages, the blob vectors lie in mapped pages,
    // which alone point to their bytes.
    auto tree = std::make_unique<BindingProperty>();
    const std::vector<uint8_t> bytes(40, 0x5A);
    for (int index = 0; index < 64; ++index) tree->MemberForWrite("blob" + std::to_string(index)).SetBlob(bytes);
    ASSERT_GT(tree->context()->PoolPagesHeld(), 0u);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
}
#endif

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
            member.Append().SetEnum(index, kReservedStaticTypeId);
        }
        EXPECT_GT(source.PagesInUse(), pagesBefore + 100);
        EXPECT_GT(source.BlocksCommitted(), blocksBefore);
        EXPECT_GT(tree.context()->PoolPagesHeld(), 100u);

        BindingProperty copy(tree);
        tree.Clear();
        EXPECT_EQ(tree.context()->PoolPagesHeld(), 0u);  // a cleared root hands its pages back at once
        EXPECT_EQ(copy.Size(), 10000u);
    }
    EXPECT_EQ(source.PagesInUse(), pagesBefore);
    EXPECT_EQ(source.BlocksCommitted(), blocksBefore);
}

}  // namespace
}  // namespace kor
