#include "Core/StringMap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Kesto {
namespace {

using ::testing::ElementsAre;

TEST(StringMapTest, HashRunsFromLastCharacterToFirstIn32Bits) {
  EXPECT_EQ(StringMap<int>::Hash(u""), 0u);
  // "ab": start from 'b', then 'a': (98) * 33 + 97.
  EXPECT_EQ(StringMap<int>::Hash(u"ab"), 98u * 33u + 97u);
  EXPECT_NE(StringMap<int>::Hash(u"ab"), StringMap<int>::Hash(u"ba"));
  // A long key wraps around in unsigned 32-bit arithmetic.
  const std::u16string longKey(64, u'z');
  std::uint64_t h = 0;
  for (int i = 0; i < 64; ++i) h = (h * 33 + u'z') & 0xFFFFFFFFu;
  EXPECT_EQ(StringMap<int>::Hash(longKey), static_cast<std::uint32_t>(h));
  // Characters beyond Latin-1 take part with their full 16-bit value.
  EXPECT_EQ(StringMap<int>::Hash(u"\u5fae"), 0x5faeu);
}

TEST(StringMapTest, BucketCountDefaultsTo83AndNeverDropsBelow16) {
  EXPECT_EQ(StringMap<int>().BucketCount(), 83u);
  EXPECT_EQ(StringMap<int>(3).BucketCount(), 16u);
  EXPECT_EQ(StringMap<int>(0).BucketCount(), 16u);
  EXPECT_EQ(StringMap<int>(101).BucketCount(), 101u);
  StringMap<int> map;
  EXPECT_EQ(map.BucketOf(u"closebtn"), StringMap<int>::Hash(u"closebtn") % 83u);
}

TEST(StringMapTest, InsertRefusesPresentKeysAndSetReplaces) {
  StringMap<int> map;
  EXPECT_TRUE(map.Insert(u"minbtn", 1));
  EXPECT_FALSE(map.Insert(u"minbtn", 2));
  ASSERT_NE(map.Find(u"minbtn"), nullptr);
  EXPECT_EQ(*map.Find(u"minbtn"), 1);
  EXPECT_EQ(map.Size(), 1u);

  map.Set(u"minbtn", 3);
  EXPECT_EQ(*map.Find(u"minbtn"), 3);
  map.Set(u"maxbtn", 4);
  EXPECT_EQ(*map.Find(u"maxbtn"), 4);
  EXPECT_EQ(map.Size(), 2u);

  EXPECT_EQ(map.Find(u"MinBtn"), nullptr);  // keys are case-sensitive
  EXPECT_EQ(map.Find(u""), nullptr);
  EXPECT_TRUE(map.Insert(u"", 5));  // the empty key is a key like any other
  EXPECT_EQ(*map.Find(u""), 5);
}

TEST(StringMapTest, LookupMovesTheEntryToTheFrontOfItsChain) {
  // 16 buckets: keys whose hashes agree modulo 16 share a chain. Single
  // characters 16 apart do.
  StringMap<int> map(16);
  ASSERT_EQ(map.BucketOf(u"A"), map.BucketOf(u"Q"));
  ASSERT_EQ(map.BucketOf(u"A"), map.BucketOf(u"a"));
  const std::size_t bucket = map.BucketOf(u"A");
  map.Insert(u"A", 1);
  map.Insert(u"Q", 2);
  map.Insert(u"a", 3);
  EXPECT_THAT(map.ChainKeys(bucket), ElementsAre(u"a", u"Q", u"A"));

  EXPECT_EQ(*map.Find(u"A"), 1);
  EXPECT_THAT(map.ChainKeys(bucket), ElementsAre(u"A", u"a", u"Q"));
  EXPECT_EQ(*map.Find(u"Q"), 2);
  EXPECT_THAT(map.ChainKeys(bucket), ElementsAre(u"Q", u"A", u"a"));
  // A miss leaves the chain alone.
  EXPECT_EQ(map.Find(u"q"), nullptr);
  EXPECT_THAT(map.ChainKeys(bucket), ElementsAre(u"Q", u"A", u"a"));

  // Removing from the middle keeps the rest linked.
  EXPECT_TRUE(map.Remove(u"A"));
  EXPECT_FALSE(map.Remove(u"A"));
  EXPECT_THAT(map.ChainKeys(bucket), ElementsAre(u"Q", u"a"));
  EXPECT_EQ(*map.Find(u"a"), 3);
  EXPECT_EQ(map.Size(), 2u);
}

TEST(StringMapTest, OwnsMoveOnlyValuesAndVisitsEveryEntry) {
  StringMap<std::unique_ptr<int>> map;
  for (int i = 0; i < 500; ++i)
    ASSERT_TRUE(map.Insert(u"k" + std::u16string(1, char16_t(u'0' + i % 10)) +
                               std::u16string(static_cast<std::size_t>(i / 10), u'x'),
                           std::make_unique<int>(i)));
  EXPECT_EQ(map.Size(), 500u);
  long sum = 0;
  std::size_t count = 0;
  map.ForEach([&](const std::u16string&, const std::unique_ptr<int>& v) {
    sum += *v;
    ++count;
  });
  EXPECT_EQ(count, 500u);
  EXPECT_EQ(sum, 499L * 500L / 2);
  map.Clear();
  EXPECT_EQ(map.Size(), 0u);
  EXPECT_EQ(map.Find(u"k0"), nullptr);
}

}  // namespace
}  // namespace Kesto
