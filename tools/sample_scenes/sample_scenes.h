// The sample scenes shipped in GVSceneFiles/Scenes: each is built into the
// scene's records by code and written by the scene writer, so the files can
// be made again, byte for byte, by make_sample_scenes.
#pragma once

#include <cstdint>
#include <cstdio>

enum SampleScene : int32_t {
  kSampleJelDrop = 0,   // three Jels dropped on the floor, a Geo bound to one, a key-framed Geo
  kSampleVehicle = 1,   // a settled 2x2 vehicle with its wheel Geos
  kSampleLogic = 2,     // a Jel that CONTROL and LOGIC lines of the main program slide along a track
  kSampleShowcase = 3,  // a skinned soft Jel landing on another under a shadow-casting spot light and a sky,
                        // and a program that pushes a third Jel along the floor and back
  kSampleVehicleExploded = 4,  // the vehicle with plates on its chassis, body and suspension, drawn pulled apart
  kSampleSceneCount = 5,
};

// The file name of the sample ("JelDrop.gvs", ...).
const char* GVSampleSceneName(int32_t sample);

// Builds the sample into the scene's records, which start-up has made and
// which hold nothing yet. 1, or 0 when it could not be built.
int32_t GVBuildSampleScene(int32_t sample);

struct CameraRec;

// What every shipped scene stores besides its objects: a camera backed off to
// see the whole box of its objects with the objects in hidden-line mode, and a play range
// of frames 0 to 200 for the time bar, looping off, with a loop over that range
// ready for the loop button. The camera aims at the box's middle, or at `aim`
// when one is given.
void GVPrepareSampleWrite(CameraRec* camera, const float* aim = nullptr);

// Writes the scene's records as a scene file, with a fixed camera and the
// sample's notes: 0, or the writer's negative code.
int32_t GVWriteSampleScene(int32_t sample, FILE* file);
