#include "jel/element_order.h"

#include <cstddef>
#include <vector>

// Counting out is a Josephus walk: with a Fenwick tree over the unplaced
// positions, the step-th unplaced position from the current rank is found in
// O(log n) instead of walking the positions one by one.
void GVMakeOrderTable(int32_t* table, int32_t n, int32_t step) {
  if (!table) return;
  table[0] = 0;
  if (n < 1) return;
  int64_t k = step;
  if (n <= k) k = n / 2;
  if (k < 1) k = 2;

  // tree[i] covers positions (i - lowbit(i), i]; every position starts unplaced.
  std::vector<int32_t> tree(static_cast<size_t>(n) + 1);
  for (int32_t i = 1; i <= n; ++i) tree[i] = i & -i;
  int32_t topBit = 1;
  while (topBit * 2 <= n) topBit *= 2;

  int64_t remaining = n;
  int64_t rank = 0;  // rank among the unplaced positions where counting resumes
  for (int32_t value = 1; value <= n; ++value) {
    const int64_t target = (rank + k - 1) % remaining;  // 0-based rank to place
    // Smallest position whose prefix count exceeds target.
    int32_t pos = 0;
    int64_t left = target;
    for (int32_t bit = topBit; bit > 0; bit >>= 1) {
      const int32_t next = pos + bit;
      if (next <= n && tree[next] <= left) {
        pos = next;
        left -= tree[next];
      }
    }
    const int32_t placed = pos + 1;
    table[placed] = value;
    for (int32_t i = placed; i <= n; i += i & -i) --tree[i];
    --remaining;
    // The position after the placed one now has the placed one's rank.
    rank = remaining > 0 ? target % remaining : 0;
    if (k > 2) --k;
  }
}
