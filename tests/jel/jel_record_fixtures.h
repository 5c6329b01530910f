// A Jel record with something in every field, written to and read from files
// in memory, for the record tests of the Jel and of the world.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "block_lattice.h"
#include "chan_store_fixtures.h"
#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/jel_record_io.h"
#include "records/file_version.h"
#include "records/heap_string.h"

namespace jelrecord {

using Bytes = std::vector<unsigned char>;

constexpr int32_t kStart = 5;

// ---- Files in memory -----------------------------------------------------------

template <class Fn>
Bytes bytesOf(Fn write) {
  FILE* f = std::tmpfile();
  write(f);
  Bytes bytes(static_cast<size_t>(std::ftell(f)));
  std::rewind(f);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  return bytes;
}

inline FILE* fileOf(const Bytes& bytes, size_t size) {
  FILE* f = std::tmpfile();
  if (size) std::fwrite(bytes.data(), 1, size, f);
  std::rewind(f);
  return f;
}

inline Bytes storeBytes(const ChanData* cd) {
  return bytesOf([cd](FILE* f) { GVWriteChanData(cd, f, kChanHeaderFull); });
}

inline Bytes recordBytes(const HObject& jel) {
  return bytesOf([&jel](FILE* f) { EXPECT_EQ(jel.write(f), 1); });
}

// Reads bytes (or a prefix of them) into a fresh Jel.
inline int readInto(HObject* jel, const Bytes& bytes, size_t size, ChanHeaderForm* form = nullptr) {
  FILE* f = fileOf(bytes, size);
  const int rc = jel->read(f, form);
  std::fclose(f);
  return rc;
}

// ---- A Jel with something in every field a record carries --------------------

inline std::unique_ptr<HObject> makeRecordJel(uint32_t flags = 0) {
  auto jel = makeBlockJel(3, 2, 2, 0.5f, nullptr, 7);
  const int32_t n = jel->nodeCount;
  GVSetString(&jel->name, "Wobbly");
  jel->groupMask = 0x16;
  jel->flags = flags;
  for (int32_t i = 0; i <= n; ++i) {
    jel->partMask[i] = i ? 2u | (1u << (3 + i % 5)) : 0u;
    jel->nodeKind[i] = i ? (i % 2) * 2 : 0;
  }
  for (int32_t i = 0; i < 64; ++i) jel->fileBlock[i] = 1000 + 3 * i;

  // Two stored frames after the start slot.
  ChanData* fs = jel->frameStore;
  GVResizeChannels(fs, 2);
  for (int32_t k = 1; k <= 2; ++k) {
    GVAllocChannelFrame(fs, kFrameStoreChannels, k);
    for (int32_t flag : {kChanStateRec, kChanNodeRec, kChanMatter}) GVChanSlot(fs, flag, k)->frame = kStart + 10 * k;
    JelNodeRec* nr = GVFrameNodeRecs(fs, k);
    JelStateRec* st = GVFrameStateRecs(fs, k);
    for (int32_t i = 1; i <= n; ++i) {
      for (int f = 0; f < 72; ++f) nr[i].f[f] = 0.25f * f + i + 100.0f * k;
      for (int w = 0; w < 19; ++w) st[i].w[w] = w * 7 + i + 1000 * k;
    }
  }
  for (int32_t flag : {kChanStateRec, kChanNodeRec, kChanMatter}) GVChanSlot(fs, flag, 0)->frame = kStart;

  // Auxiliary stores and position cache with recognisable values.
  const int32_t auxCounts[4] = {n, n, 32, n};
  for (int k = 0; k < 4; ++k) {
    GVFreeChanData(jel->auxStores[k]);
    jel->auxStores[k] = makeFilledStore(auxCounts[k], 2, kChanVec3);
  }
  jel->posCache = makeFilledStore(n, 3, kChanVec3);

  FrameParams& p = jel->playParams;
  p.loopFlag = 1;
  p.word1 = 3;
  p.mode = 2;
  p.timeStep = 0.0125f;
  p.fps = 25;
  p.startFrame = kStart;
  p.endFrame = 90;
  p.lastRecordedFrame = 7;
  p.highestComputedFrame = 8;
  p.word18 = 9;
  p.loopLength = 50;
  // The words a read sets afresh, already as a read leaves them.
  p.loopStart = p.recordFirst = p.currentFrame = p.computedFrame = p.recordLast = kStart;
  p.stateMode = 0;
  p.subStepIndex = 0;
  p.subSteps = 1;
  return jel;
}

// Sets the process-wide file version a record reader consults and puts it back.
class JelRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedVersion_ = GVGetFileVersion();
    GVSetFileVersion(4);
  }
  void TearDown() override { GVSetFileVersion(savedVersion_); }

 private:
  int32_t savedVersion_ = 0;
};

}  // namespace jelrecord
