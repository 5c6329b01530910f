#include "jel/frame_params.h"

#include <cassert>
#include <cstring>

// The integer fields by word number; word 4 (the float) has none.
static int32_t FrameParams::*const kIntWords[kFrameParamsWords] = {
    &FrameParams::loopFlag,          &FrameParams::word1,
    &FrameParams::mode,              &FrameParams::stepping,
    nullptr,                         &FrameParams::fps,
    &FrameParams::startFrame,        &FrameParams::endFrame,
    &FrameParams::stateMode,         &FrameParams::subStepIndex,
    &FrameParams::loopStart,         &FrameParams::recordFirst,
    &FrameParams::currentFrame,      &FrameParams::computedFrame,
    &FrameParams::lastRecordedFrame, &FrameParams::highestComputedFrame,
    &FrameParams::recordLast,        &FrameParams::subSteps,
    &FrameParams::word18,            &FrameParams::loopLength,
};

int32_t FrameParams::*GVFrameParamsIntField(int word) {
  assert(word >= 0 && word < kFrameParamsWords && word != kFrameParamsTimeStepWord);
  return kIntWords[word];
}

void GVFrameParamsDefaults(FrameParams* p) {
  assert(p);
  *p = FrameParams{};
}

uint32_t GVFrameParamsWord(const FrameParams* p, int word) {
  assert(p && word >= 0 && word < kFrameParamsWords);
  if (word == kFrameParamsTimeStepWord) {
    uint32_t bits;
    std::memcpy(&bits, &p->timeStep, sizeof bits);
    return bits;
  }
  return static_cast<uint32_t>(p->*kIntWords[word]);
}

void GVFrameParamsSetWord(FrameParams* p, int word, uint32_t value) {
  assert(p && word >= 0 && word < kFrameParamsWords);
  if (word == kFrameParamsTimeStepWord) {
    std::memcpy(&p->timeStep, &value, sizeof value);
    return;
  }
  p->*kIntWords[word] = static_cast<int32_t>(value);
}

void GVFrameParamsToBytes(const FrameParams* p, uint8_t out[kFrameParamsFileBytes]) {
  for (int w = 0; w < kFrameParamsWords; ++w) {
    uint32_t v = GVFrameParamsWord(p, w);
    for (int b = 0; b < 4; ++b) out[4 * w + b] = static_cast<uint8_t>(v >> (8 * b));
  }
}

void GVFrameParamsFromBytes(FrameParams* p, const uint8_t in[kFrameParamsFileBytes]) {
  for (int w = 0; w < kFrameParamsWords; ++w) {
    uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= static_cast<uint32_t>(in[4 * w + b]) << (8 * b);
    GVFrameParamsSetWord(p, w, v);
  }
}
