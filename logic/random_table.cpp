#include "logic/random_table.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "logic/logic_numbers.h"

// The table's values are draws of 0..32767 divided by 32767, so the generator
// is a private 15-bit one: the C runtime's rand() here has a wider range and
// a process-wide state that other code may move.
namespace {
struct Generator {
  uint32_t state;
  int32_t Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7fffu);
  }
};
}  // namespace

int32_t GVBuildRandomTable(RandomTable* table, int32_t count) {
  if (!table || count < 0 || count > kRandomTableMax) return 0;
  GVFreeRandomTable(table);
  table->mode = 0;
  table->seed = 7;
  table->count = count;
  table->floats = new (std::nothrow) float[count > 0 ? count : 1];
  if (!table->floats) {
    table->count = 0;
    return 0;
  }
  Generator g{static_cast<uint32_t>(table->seed)};
  for (int k = 0; k < 5; ++k) g.Next();
  for (int32_t k = 0; k < count; ++k) table->floats[k] = static_cast<float>(g.Next() / 32767.0);
  return 1;
}

float GVRandomValue(const RandomTable* table, int32_t i) {
  if (!table || i < 0 || table->count < 1) return 0.0f;
  const int32_t k = i % table->count;
  if (table->mode == 0) return table->floats ? table->floats[k] : 0.0f;
  if (table->mode == 1 && table->ints && table->divisor != 0)
    return static_cast<float>(table->ints[k]) / static_cast<float>(table->divisor);
  return 0.0f;
}

int32_t GVRandomPick(const RandomTable* table, int32_t i, int32_t n, int32_t inclusive) {
  if (i < 0 || n < 1) return 0;
  const double r = GVRandomValue(table, i);
  const int64_t pick = inclusive ? static_cast<int64_t>((static_cast<double>(n) + 1.0) * r)
                                 : static_cast<int64_t>(static_cast<double>(n) * r) + 1;
  return static_cast<int32_t>(std::min<int64_t>(n, pick));
}

void GVFreeRandomTable(RandomTable* table) {
  if (!table) return;
  delete[] table->ints;
  delete[] table->floats;
  *table = RandomTable{};
}

RandomTable& GVSharedRandomTable() {
  static RandomTable table{};
  return table;
}

static const RandomTable* Shared() {
  RandomTable& t = GVSharedRandomTable();
  if (t.count < 1) GVBuildRandomTable(&t, kRandomTableDefault);
  return &t;
}

float GVSharedRandomValue(int32_t i) { return GVRandomValue(Shared(), i); }

int32_t GVSeededRandomInt(int32_t seed, int32_t n, int32_t inclusive) {
  return GVRandomPick(Shared(), seed, n, inclusive);
}

void GVFreeRandomTables() { GVFreeRandomTable(&GVSharedRandomTable()); }

int64_t GVPulseStart(int32_t frame, int32_t w, int32_t p, int32_t m, float jitter) {
  if (p < 1) return 0;
  const int64_t q1 = static_cast<int64_t>(frame) / p + 1;
  const int64_t length = (static_cast<int64_t>(w) - 1) * m + 1;
  const int64_t end = q1 * p - length + 1;
  const int32_t k = GVLogicTruncInt(static_cast<double>(p - length) * jitter / 100.0);
  if (k < 1) return end;
  const int32_t seed = static_cast<int32_t>(static_cast<uint32_t>(q1 + p + w));
  return end - GVSeededRandomInt(seed, k, 1);
}

float GVPulseSawValue(int32_t frame, int64_t start, int32_t w, int32_t m) {
  const int64_t width = static_cast<int64_t>(w) - 1;
  const int64_t d = frame - start;
  if (width < 2 || d < 0 || d / width >= m) return 0.0f;
  const int64_t r = d % width;
  const int64_t u = r * 2 > width ? r * 2 - width : width - r * 2;
  return static_cast<float>((width - u) >> 1) / static_cast<float>(width >> 1);
}
