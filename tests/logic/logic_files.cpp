#include "logic_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "logic/logic_persistence.h"
#include "records/file_version.h"

namespace logictest {

using scenetest::ReadBlock;

Bytes StreamFile(LogicSystem* sys) {
  GVSetFileVersion(4);
  return scenetest::WriteBlock(
      [&](ItemStream* s) {
        s->intCount += 4;  // 1, 789, the tag, the end tag
        GVCountLogicBlock(sys, s);
      },
      [&](ItemStream* s) {
        for (int32_t v : {1, 789, 2}) s->ints[s->intCount++] = v;
        const int r = GVStoreLogicToWords(sys, s);
        s->ints[s->intCount++] = 99;
        return r;
      });
}

int32_t ReadStreamFile(const Bytes& file, LogicSystem* sys, bool atEnd) {
  GVSetFileVersion(4);
  ItemStream s;
  int32_t r = -100;
  if (ReadBlock(file, &s) && s.intSize >= 3 && s.ints[0] == 1 && s.ints[2] == 2) {
    s.intCount = 3;
    r = GVGetLogicItem(sys, &s);
    if (r >= 0 && atEnd) {
      EXPECT_EQ(s.intCount + 1, s.intSize) << "the block ends before the end tag";
      EXPECT_EQ(s.ints[s.intCount], 99);
    }
  }
  GVItemStreamReset(&s);
  return r;
}

std::vector<int32_t> Ints(const Bytes& file) {
  ItemStream s;
  ReadBlock(file, &s);
  std::vector<int32_t> ints(s.ints, s.ints + s.intSize);
  GVItemStreamReset(&s);
  return ints;
}

Bytes WithInts(const Bytes& file, const std::vector<int32_t>& ints) {
  ItemStream s;
  ReadBlock(file, &s);
  const std::vector<float> floats(s.floats, s.floats + s.floatSize);
  const Bytes bytes(s.bytes, s.bytes + s.byteSize);
  scenetest::FillStream(&s, ints, floats, bytes);
  s.intCount = static_cast<uint32_t>(ints.size());
  s.floatCount = static_cast<uint32_t>(floats.size());
  s.byteCount = static_cast<uint32_t>(bytes.size());
  const Bytes out = scenetest::WriteFile([&](FILE* f) { GVItemStreamWrite(&s, f); });
  GVItemStreamReset(&s);
  return out;
}

Bytes TaggedFile(LogicSystem* sys, int32_t layout) {
  GVSetFileVersion(4);
  return scenetest::WriteFile([&](FILE* f) { EXPECT_EQ(GVWriteLogicTagged(sys, f, layout), 1); });
}

int32_t ReadTaggedFile(const Bytes& file, LogicSystem* sys) {
  GVSetFileVersion(4);
  return scenetest::ReadFile(file, [&](FILE* f) { return GVLoadLogic(sys, f); });
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
