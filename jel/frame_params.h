// The play parameters of the world and of each Jel: twenty 32-bit words in files
// and item-stream images, named fields in memory. Word numbers appear only in
// the word accessors and the file form below.
#pragma once

#include <cstdint>

struct FrameParams {
  int32_t loopFlag = 0;             // word 0: loop playback
  int32_t word1 = 0;                // word 1: carried, not interpreted
  int32_t mode = 0;                 // word 2: 0 simulate, 2 record, 4 replay (read-only), 32 outside record range
  int32_t stepping = 0;             // word 3: 1 between the force and commit phases of a sub-step
  float timeStep = 0.0f;            // word 4: step time; below 0.00001 means 1 / (subSteps * fps)
  int32_t fps = 30;                 // word 5: frames per second
  int32_t startFrame = 0;           // word 6
  int32_t endFrame = 100;           // word 7: 0 = open
  int32_t stateMode = 0;            // word 8: -1 while the natural state is edited, 0 initial state
  int32_t subStepIndex = 1;         // word 9: from 1
  int32_t loopStart = 0;            // word 10
  int32_t recordFirst = 0;          // word 11: first frame of the record range
  int32_t currentFrame = 0;         // word 12: the frame shown
  int32_t computedFrame = 0;        // word 13: the frame the live states hold
  int32_t lastRecordedFrame = 0;    // word 14
  int32_t highestComputedFrame = 0; // word 15
  int32_t recordLast = 0;           // word 16: last frame of the record range, 0 = open
  int32_t subSteps = 1;             // word 17: sub-steps per frame
  int32_t word18 = 0;               // word 18: carried, not interpreted
  int32_t loopLength = 100;         // word 19
};

constexpr int kFrameParamsWords = 20;
constexpr int kFrameParamsTimeStepWord = 4;
constexpr int kFrameParamsFileBytes = 80;

// The defaults of a new world and of a new Jel (the member initialisers above).
void GVFrameParamsDefaults(FrameParams* p);

// Word i (0..19) as a 32-bit pattern; word 4 is the float's bit pattern.
uint32_t GVFrameParamsWord(const FrameParams* p, int word);
void GVFrameParamsSetWord(FrameParams* p, int word, uint32_t value);

// The int field of word i (every word but 4).
int32_t FrameParams::*GVFrameParamsIntField(int word);

// The item-stream image of the twenty words, one walker for readers and
// writers: words 0..3 and 5..19 through c.i32, word 4 (the float) through
// c.f32, in order. P is FrameParams or const FrameParams.
template <typename C, typename P>
void GVCodeFrameParamsImage(C& c, P& p) {
  for (int w = 0; w < kFrameParamsWords; ++w) {
    if (w == kFrameParamsTimeStepWord)
      c.f32(p.timeStep);
    else
      c.i32(p.*GVFrameParamsIntField(w));
  }
}

// Little-endian file form: the twenty words in order, 80 bytes.
void GVFrameParamsToBytes(const FrameParams* p, uint8_t out[kFrameParamsFileBytes]);
void GVFrameParamsFromBytes(FrameParams* p, const uint8_t in[kFrameParamsFileBytes]);
