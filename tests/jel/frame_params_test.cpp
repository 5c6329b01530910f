#include "jel/frame_params.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(FrameParams, DefaultsOfWorldAndJel) {
  FrameParams p;
  const uint32_t want[kFrameParamsWords] = {0, 0, 0, 0, 0, 30, 0, 100, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 100};
  for (int w = 0; w < kFrameParamsWords; ++w) EXPECT_EQ(GVFrameParamsWord(&p, w), want[w]) << "word " << w;
  p.fps = 60;
  p.timeStep = 0.5f;
  GVFrameParamsDefaults(&p);
  EXPECT_EQ(p.fps, 30);
  EXPECT_EQ(p.timeStep, 0.0f);
}

TEST(FrameParams, WordsMapToNamedFields) {
  FrameParams p;
  GVFrameParamsSetWord(&p, 8, static_cast<uint32_t>(-1));
  EXPECT_EQ(p.stateMode, -1);
  GVFrameParamsSetWord(&p, 12, 42);
  EXPECT_EQ(p.currentFrame, 42);
  GVFrameParamsSetWord(&p, 17, 4);
  EXPECT_EQ(p.subSteps, 4);
  const float dt = 1.0f / 120.0f;
  uint32_t bits;
  std::memcpy(&bits, &dt, 4);
  GVFrameParamsSetWord(&p, 4, bits);
  EXPECT_EQ(p.timeStep, dt);
  EXPECT_EQ(GVFrameParamsWord(&p, 4), bits);
}

TEST(FrameParams, FileFormRoundTripsByteForByte) {
  uint8_t bytes[kFrameParamsFileBytes];
  for (int i = 0; i < kFrameParamsFileBytes; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  FrameParams p;
  GVFrameParamsFromBytes(&p, bytes);
  // Little-endian: word 5 starts at byte 20.
  const uint32_t w5 = bytes[20] | bytes[21] << 8 | bytes[22] << 16 | uint32_t(bytes[23]) << 24;
  EXPECT_EQ(static_cast<uint32_t>(p.fps), w5);
  uint8_t again[kFrameParamsFileBytes];
  GVFrameParamsToBytes(&p, again);
  EXPECT_EQ(std::memcmp(bytes, again, sizeof bytes), 0);
}

}  // namespace
