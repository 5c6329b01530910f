#include "stream_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace scenetest {

Bytes WriteFile(const std::function<void(FILE*)>& write) {
  FILE* f = std::tmpfile();
  write(f);
  Bytes out;
  std::rewind(f);
  for (int ch; (ch = std::fgetc(f)) != EOF;) out.push_back(static_cast<unsigned char>(ch));
  std::fclose(f);
  return out;
}

int ReadFile(const Bytes& bytes, const std::function<int(FILE*)>& read) {
  FILE* f = std::tmpfile();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  const int r = read(f);
  std::fclose(f);
  return r;
}

Bytes WriteBlock(const std::function<void(ItemStream*)>& count, const std::function<int(ItemStream*)>& put) {
  ItemStream s;
  count(&s);
  EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  const ItemStream sizes = s;
  s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
  EXPECT_EQ(put(&s), 1);
  EXPECT_EQ(s.byteCount, sizes.byteCount);
  EXPECT_EQ(s.intCount, sizes.intCount);
  EXPECT_EQ(s.floatCount, sizes.floatCount);
  const Bytes out = WriteFile([&](FILE* f) { EXPECT_EQ(GVItemStreamWrite(&s, f), kItemStreamOk); });
  GVItemStreamReset(&s);
  return out;
}

bool ReadBlock(const Bytes& bytes, ItemStream* s) {
  const bool ok = ReadFile(bytes, [s](FILE* f) { return GVItemStreamRead(s, f); }) == kItemStreamOk;
  s->byteCount = s->intCount = s->floatCount = s->itemCount = 0;
  return ok;
}

void ExpectShortBlocksRefused(const Bytes& file, const std::function<int(ItemStream*)>& get) {
  ItemStream full;
  ASSERT_TRUE(ReadBlock(file, &full));
  const std::vector<int32_t> ints(full.ints, full.ints + full.intSize);
  const std::vector<float> floats(full.floats, full.floats + full.floatSize);
  const Bytes bytes(full.bytes, full.bytes + full.byteSize);
  GVItemStreamReset(&full);
  for (int cut = 0; cut < 3; ++cut) {
    const size_t sizes[3] = {ints.size(), floats.size(), bytes.size()};
    if (sizes[cut] == 0) continue;
    ItemStream s;
    FillStream(&s, cut == 0 ? std::vector<int32_t>(ints.begin(), ints.end() - 1) : ints,
               cut == 1 ? std::vector<float>(floats.begin(), floats.end() - 1) : floats,
               cut == 2 ? Bytes(bytes.begin(), bytes.end() - 1) : bytes);
    EXPECT_EQ(get(&s), 0) << "array " << cut << " cut short";
    GVItemStreamReset(&s);
  }
}

void FillStream(ItemStream* s, const std::vector<int32_t>& ints, const std::vector<float>& floats,
                const Bytes& bytes) {
  GVItemStreamReset(s);
  s->intCount = static_cast<uint32_t>(ints.size());
  s->floatCount = static_cast<uint32_t>(floats.size());
  s->byteCount = static_cast<uint32_t>(bytes.size());
  ASSERT_EQ(GVItemStreamAlloc(s), kItemStreamOk);
  if (!ints.empty()) std::memcpy(s->ints, ints.data(), ints.size() * sizeof(int32_t));
  if (!floats.empty()) std::memcpy(s->floats, floats.data(), floats.size() * sizeof(float));
  if (!bytes.empty()) std::memcpy(s->bytes, bytes.data(), bytes.size());
  s->byteCount = s->intCount = s->floatCount = s->itemCount = 0;
}

}  // namespace scenetest
