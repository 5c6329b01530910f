#include "logic_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "logic/logic_persistence.h"
#include "scene/file_version.h"

namespace logictest {

static Bytes FileBytes(FILE* f) {
  Bytes out;
  std::fflush(f);
  std::rewind(f);
  int ch;
  while ((ch = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(ch));
  return out;
}

static void Rewind(ItemStream* s) { s->byteCount = s->intCount = s->floatCount = s->itemCount = 0; }

int32_t WithFile(const Bytes& bytes, const std::function<int32_t(FILE*)>& read) {
  FILE* f = std::tmpfile();
  if (!f) return -1000;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  const int32_t r = read(f);
  std::fclose(f);
  return r;
}

Bytes StreamFile(LogicSystem* sys) {
  GVSetFileVersion(4);
  ItemStream s;
  s.intCount = 4;  // 1, 789, the tag, the end tag
  GVCountLogicBlock(sys, &s);
  EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  Rewind(&s);
  for (int32_t v : {1, 789, 2}) s.ints[s.intCount++] = v;
  EXPECT_EQ(GVStoreLogicToWords(sys, &s), 1);
  s.ints[s.intCount++] = 99;
  FILE* f = std::tmpfile();
  EXPECT_EQ(GVItemStreamWrite(&s, f), kItemStreamOk);
  GVItemStreamReset(&s);
  Bytes out = FileBytes(f);
  std::fclose(f);
  return out;
}

Stream::Stream(const Bytes& file) {
  WithFile(file, [&](FILE* f) { return GVItemStreamRead(&s, f); });
  Rewind(&s);
}

int32_t ReadStreamFile(const Bytes& file, LogicSystem* sys, bool atEnd) {
  GVSetFileVersion(4);
  Stream st(file);
  ItemStream* s = &st.s;
  if (s->intSize < 3 || s->ints[0] != 1 || s->ints[2] != 2) return -100;
  s->intCount = 3;
  const int32_t r = GVGetLogicItem(sys, s);
  if (r >= 0 && atEnd) {
    EXPECT_EQ(s->intCount + 1, s->intSize) << "the block ends before the end tag";
    EXPECT_EQ(s->ints[s->intCount], 99);
  }
  return r;
}

Bytes WithInts(const Bytes& file, const std::vector<int32_t>& ints) {
  Stream st(file);
  ItemStream s;
  s.byteCount = st.s.byteSize;
  s.intCount = static_cast<uint32_t>(ints.size());
  s.floatCount = st.s.floatSize;
  GVItemStreamAlloc(&s);
  for (uint32_t k = 0; k < s.byteCount; ++k) s.bytes[k] = st.s.bytes[k];
  for (uint32_t k = 0; k < s.intCount; ++k) s.ints[k] = ints[k];
  for (uint32_t k = 0; k < s.floatCount; ++k) s.floats[k] = st.s.floats[k];
  FILE* f = std::tmpfile();
  GVItemStreamWrite(&s, f);
  GVItemStreamReset(&s);
  Bytes out = FileBytes(f);
  std::fclose(f);
  return out;
}

Bytes TaggedFile(LogicSystem* sys, int32_t layout) {
  GVSetFileVersion(4);
  FILE* f = std::tmpfile();
  EXPECT_EQ(GVWriteLogicTagged(sys, f, layout), 1);
  Bytes out = FileBytes(f);
  std::fclose(f);
  return out;
}

int32_t ReadTaggedFile(const Bytes& file, LogicSystem* sys) {
  GVSetFileVersion(4);
  return WithFile(file, [&](FILE* f) { return GVLoadLogic(sys, f); });
}

void SaveSeed(const char* target, const char* name, const Bytes& file) {
  const char* dir = std::getenv("GV_LOGIC_SEED_DIR");
  if (!dir) return;
  const std::string path = std::string(dir) + "/" + target + "/" + name;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
}

}  // namespace logictest
