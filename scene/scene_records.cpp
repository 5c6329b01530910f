#include "scene/scene_records.h"

static SceneRecords gScene;
static FrameClock gClock;

SceneRecords& GVScene() { return gScene; }
FrameClock& GVFrameClock() { return gClock; }

void GVInitFrameTime() { gClock.msPerFrame = 1000 / kBuildFrameRate; }
