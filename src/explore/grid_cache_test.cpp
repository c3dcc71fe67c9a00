#include "explore/grid_cache.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

// A counted picture of `side` whose grid the cache counts, never counted.
std::unique_ptr<CountedPicture> pictureOf(uint32_t side) {
  auto picture = std::make_unique<CountedPicture>();
  picture->plan.options.side = side;
  return picture;
}

TEST(GridCache, ThrowsOutTheLeastRecentlyUsedPastItsBudget) {
  const std::size_t one = pictureOf(100)->bytes();
  GridCache cache(3 * one);
  cache.put("a", pictureOf(100));
  cache.put("b", pictureOf(100));
  cache.put("c", pictureOf(100));
  EXPECT_EQ(cache.size(), 3u);
  ASSERT_NE(cache.find("a"), nullptr);  // now the most recent
  cache.put("d", pictureOf(100));
  EXPECT_EQ(cache.find("b"), nullptr);
  EXPECT_NE(cache.find("a"), nullptr);
  EXPECT_NE(cache.find("c"), nullptr);
  EXPECT_NE(cache.find("d"), nullptr);
  EXPECT_EQ(cache.bytes(), 3 * one);
}

TEST(GridCache, ReplacingANameCountsItsBytesOnce) {
  const std::size_t small = pictureOf(10)->bytes();
  const std::size_t large = pictureOf(200)->bytes();
  GridCache cache(10 * large);
  cache.put("view", pictureOf(10));
  cache.put("view", pictureOf(200));
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(cache.bytes(), large);
  EXPECT_NE(small, large);
}

TEST(GridCache, KeepsTheNewestEvenAloneOverBudget) {
  GridCache cache(1);
  cache.put("a", pictureOf(50));
  const std::shared_ptr<CachedPicture> held = cache.find("a");
  cache.put("b", pictureOf(50));
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(cache.find("a"), nullptr);
  EXPECT_NE(cache.find("b"), nullptr);
  // What a running task still holds stays whole.
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->picture->plan.options.side, 50u);
}

}  // namespace
}  // namespace marl
