#include "jel/element_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The counting-out walk taken literally: position by position, O(n * step) per
// placement. The fast table must agree with it everywhere.
std::vector<int32_t> walkTable(int32_t n, int32_t step) {
  std::vector<int32_t> t(static_cast<size_t>(n) + 1, 0);
  int64_t k = step;
  if (n <= k) k = n / 2;
  if (k < 1) k = 2;
  int32_t pos = 0;  // last position looked at
  for (int32_t v = 1; v <= n; ++v) {
    int64_t counted = 0;
    for (;;) {
      pos = pos % n + 1;
      if (t[pos] != 0) continue;
      if (++counted == k) break;
    }
    t[pos] = v;
    if (k > 2) --k;
  }
  return t;
}

bool isPermutation(const std::vector<int32_t>& t, int32_t n) {
  std::vector<bool> seen(static_cast<size_t>(n) + 1, false);
  if (t[0] != 0) return false;
  for (int32_t i = 1; i <= n; ++i) {
    if (t[i] < 1 || t[i] > n || seen[t[i]]) return false;
    seen[t[i]] = true;
  }
  return true;
}

std::vector<int32_t> fastTable(int32_t n, int32_t step) {
  std::vector<int32_t> t(static_cast<size_t>(n) + 1, -7);
  GVMakeOrderTable(t.data(), n, step);
  return t;
}

}  // namespace

TEST(ElementOrder, MatchesTheLiteralWalk) {
  const int32_t steps[] = {-5, 0, 1, 2, 3, 4, 5, 7, 19, 72, 1000, INT32_MAX};
  for (int32_t step : steps)
    for (int32_t n = 1; n <= 160; ++n) ASSERT_EQ(fastTable(n, step), walkTable(n, step)) << n << " " << step;
}

TEST(ElementOrder, SmallTablesByHand) {
  // n = 5, step 4: positions 4, then (step 3) 2, then (step 2) 5, 3, 1.
  EXPECT_EQ(fastTable(5, 4), (std::vector<int32_t>{0, 5, 2, 4, 1, 3}));
  // Step 1 never grows, so the table is the identity.
  EXPECT_EQ(fastTable(4, 1), (std::vector<int32_t>{0, 1, 2, 3, 4}));
  // One position: the step becomes 2 and the walk wraps onto it.
  EXPECT_EQ(fastTable(1, 4), (std::vector<int32_t>{0, 1}));
}

// Slot arrays of a frame store run to hundreds of thousands of words.
TEST(ElementOrder, LargeTablesArePermutations) {
  const int32_t sizes[] = {19 * 2001 - 1, 72 * 5001 - 1, 1000003};
  for (int32_t n : sizes)
    for (int32_t step : {1, 4, 1 << 30}) EXPECT_TRUE(isPermutation(fastTable(n, step), n)) << n;
}

TEST(ElementOrder, NothingForAnEmptyTable) {
  int32_t t[2] = {5, 5};
  GVMakeOrderTable(t, 0, 4);
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 5);
  GVMakeOrderTable(nullptr, 3, 4);
}
