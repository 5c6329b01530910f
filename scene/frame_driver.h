// The frame driver: the advance rule the message loop and the single-step
// control share, the frame step that readies the Geos and hands the frame to
// the world runner, and the two callbacks through which every simulated frame
// reaches walls, vehicle, logic, Geos, camera and panels. A third callback
// lets running logic programs change the view's selection and report lines.
//
// They work on the scene's records (scene/scene_records.h) and reach the
// view and windows through the service table (scene/scene_services.h).
#pragma once

#include <cstdint>

struct HWorld;

// One frame forward: the clock's current frame plus one; with a world, past
// the loop's end (loop on, length >= 1, start + length < frame) the frame
// returns to the loop start and the scene restarts there.
void GVAdvanceFrame();
// The animation window's single step: the same rule.
void GVNextFrame();

// Brings the scene to the frame. normal 1: the after-frame callback runs
// after every stepped frame; 0 (a restart): once, after the step. Needs the
// Geo list and the world (nothing is done without the world).
void GVStepFrame(int32_t frame, int32_t normal);

// The editors' callbacks: the scene stepped to the frame clock's current
// frame (the one current frame they all go by), and the world alone run to
// frame 0 with the per-frame callback (the clock, the time bar and the view
// stay as they are).
void GVStepToCurrentFrame(int32_t normal);
void GVRunWorldToFrame0();

// Seeking a frame far from the live one can take a while. The frames a seek
// from `current` to `target` steps: the difference going forward, the target
// itself going back (the world replays from its start).
int32_t GVLongStepFrames(int32_t target, int32_t current);
// The work of stepping `frames` frames: the node count of the selectable Jels
// (id -1 or in group 1) x frames x the world's sub-steps, in 64 bits.
int64_t GVLongStepWork(const HWorld* world, int32_t frames);
// Above 1,600,000 of that work and outside replay (world mode 4), the status
// line shows "... frame <target> ... evaluating scene may take a few seconds
// ... ". 1 when it was shown.
int32_t GVLongStepNotice(int32_t target, int32_t frames);

// The runner's per-frame callback: (world cell, selection, user). With a
// world and a selection the frame's scene work, 1; asked with (null, 0) the
// sub-steps per frame: max(logic minimum, ceil(vehicle need x factor)).
int32_t GVFrameCallback(void* world, int32_t selection, void* user);
// The after-frame callback: Geos, start camera, camera follow, panels,
// render objects, redraw. Always 0.
int32_t GVUpdateAfterStep(void* world, int32_t selection, void* user);
// The logic system's callback into the application: mode 1 current Geo, 2
// select a Jel when the selection differs, 3 select a Jel, 4 a line report
// (program a, line b, window row c). Always 0.
int32_t GVLogicAppCB(int32_t mode, int32_t a, int32_t b, int32_t c, void* unused);
