// The scene's process-wide records and the frame clock. Start-up makes the
// records (GVAppStartup), shutdown frees them in reverse (GVAppShutdown);
// every other part of the program reaches them through GVScene(). A record
// that could not be made, or whose subsystem is not there, stays null, and
// code that uses it tests the pointer first.
#pragma once

#include <cstdint>
#include <string>

#include "records/obj_handle.h"

class HObject;
struct DisplaySettings;
struct HWorld;
struct LightList;
struct LogicSystem;
struct SceneAuxRec;
struct SceneCtx;
struct SceneOpts;

struct SceneRecords {
  ObjHandle* geoList = nullptr;  // cell holding the GeoList
  HWorld** world = nullptr;      // cell holding the HWorld
  // x min, x max, y min, y max, z min, z max.
  float bounds[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};
  int32_t viewPair[2] = {0, 0};
  // The scene-wide records (scene/scene_wide_records.h).
  LightList* lights = nullptr;
  DisplaySettings* display = nullptr;
  SceneAuxRec* auxA = nullptr;
  SceneAuxRec* auxB = nullptr;
  SceneOpts* options = nullptr;
  SceneCtx* context = nullptr;
  LogicSystem* logic = nullptr;
  ObjHandle* vehicle = nullptr;  // cell holding the VehicleRec; made by the vehicle commands
  // The file the scene was last opened from or written to ("" for a new
  // scene); a name typed into the save dialog does not change it.
  std::string file;
};

SceneRecords& GVScene();

// The animation clock the message loop and the frame step share.
struct FrameClock {
  int32_t currentFrame = 0;
  int32_t timeBarFrame = 0;  // the frame last chosen on the time bar
  int32_t restartFrame = 0;  // the frame a restart of the scene steps to
  int32_t fps = 30;
  int32_t running = 0;       // set by the animation controls
  int32_t timerMode = 0;     // advance on the view's frame timer rather than when idle
  int32_t msPerFrame = 0;    // GVInitFrameTime
  int32_t playState = 0;     // the play button's state: 1 while played from the animation panel
};

constexpr int32_t kBuildFrameRate = 30;

FrameClock& GVFrameClock();
// Milliseconds per frame from the build-time frame rate, in whole
// milliseconds (33 for 30 frames per second); also the view's timer period.
void GVInitFrameTime();
