// The 3-D view: one child window showing the scene and two thin output windows
// beneath it for the frame counter and the information line. It owns the view
// camera, the camera stored with the scene, the viewport record and the
// manipulator, and drives the animation timer.
#pragma once

#include <cstdint>

#include "camera/camera_record.h"
#include "GVAppWins/view_links.h"
#include "platform/win32.h"

struct GVManipulator;
struct HWorld;
struct LatticeBuilder;
struct ObjHandle;

struct ViewDragRec {
  int32_t active = 0;
  int32_t node = 0;
  int32_t part = 0;
  int32_t jelId = 0;
  int32_t button = 0;       // 1 left, 3 right, 0 none
  int32_t pressButton = 0;
  int32_t anchorX = 0, anchorY = 0;
  int32_t currentX = 0, currentY = 0;
  int32_t unused[2] = {};
  int32_t previousX = 0, previousY = 0;
  float grabScreen[3] = {};
  float grabWorld[3] = {};
};

// View flags.
enum : uint32_t {
  kViewDarkBackground = 1,
  kViewAxesTriad = 2,
  kViewFrameCounter = 4,
  kViewOverlayOff = 32,
};

constexpr int kViewStripHeight = 25;
constexpr int kViewLeftOutWidth = 120;
constexpr UINT_PTR kViewTimerId = 1019;

struct GVView {
  HWND window = nullptr;      // "OGLClass"
  HWND leftOut = nullptr;     // frame counter, 120 x 25
  HWND rightOut = nullptr;    // information line
  HDC dc = nullptr;           // plain OpenGL path only
  HGLRC glContext = nullptr;  // plain OpenGL path only
  int32_t createdWidth = 0;
  int32_t createdHeight = 0;
  int32_t stripHeight = kViewStripHeight;
  int32_t leftOutWidth = kViewLeftOutWidth;
  int32_t viewportWidth = 0;   // the viewport size at creation
  int32_t viewportHeight = 0;
  LatticeBuilder** builderCell = nullptr;  // pending lattice builder of structure editing (GVNewLatticeBuilder)
  ObjHandle* geoList = nullptr;  // Geo list handle
  HWorld** world = nullptr;      // world handle
  int32_t reserved15 = 0;
  int32_t centreSelection = 0;   // Jel id or group selector the camera reset aims at
  float* bounds = nullptr;
  ViewportRec* viewport = nullptr;
  CameraRec** camera = nullptr;        // view camera cell
  CameraRec** sceneCamera = nullptr;   // camera stored with the scene
  int32_t toolMode = 0;                // camera tool 0..6
  ViewDragRec* drag = nullptr;
  int32_t* running = nullptr;
  int32_t* currentGeo = nullptr;
  int32_t* currentJel = nullptr;
  GVManipulator* manipulator = nullptr;
  int32_t glueOn = 0, glueFirst = 0, glueSecond = 0, gluePart = 0;
  int32_t frameZeroWord = 0;
  uint32_t flags = 0;
  void* ownerContext = nullptr;
  GVViewOwnerFn owner = nullptr;
  // A shape shown alone in the view while a dialog builds it: xyz triples and
  // quads of four vertex entries, both from entry 1, a first entry of 0
  // marking no face. The dialog owns the arrays and takes them away again.
  const float* previewVertices = nullptr;
  const int32_t* previewQuads = nullptr;
  int32_t previewEntries = 0;
};

struct FrameTimer {
  int32_t timerMode = 0;  // the frame driver steps on timer ticks instead of when idle
  int32_t running = 0;
  uint32_t msPerFrame = 33;
  int32_t fps = 30;
};

struct ViewModeFlags {
  int32_t structureEdit = 0;
  int32_t partPick = 0;
  int32_t moveTool = 0;
  int32_t renderHold = 0;  // skip OGRE redraws while set
  int32_t windowSize = 0;  // the information line shows the view size
};

// The mouse and key state of the view between events; the view's mouse
// handlers fill it, the overlays read the part rectangle.
struct ViewInputState {
  int32_t pressX = 0, pressY = 0;
  int32_t currentX = 0, currentY = 0;
  int32_t button = 0;  // 1 left, 3 right, 0 none
  HWND captured = nullptr;
  int32_t shiftHeld = 0, ctrlHeld = 0, savedCameraMode = 0;
  // Part rectangle in client pixels (y down); width and height are signed.
  int32_t rectShown = 0, rectApplied = 0;
  int32_t rectX = 0, rectY = 0, rectWidth = 0, rectHeight = 0;
};

extern FrameTimer gFrameTimer;
extern ViewModeFlags gViewModeFlags;
extern ViewInputState gViewInput;
// 1 renders through the 3-D engine, 0 through plain OpenGL.
extern uint32_t GVOgreEnabled;

// Builds the view, its windows and (on the engine path) starts the engine on it.
void GVCreateView(GVView* view, HINSTANCE instance, HWND parent, int width, int height, ObjHandle* geoList,
                  HWorld** world, void* context);
void GVSetFrameRate(GVView* view, int fps);
void GVMoveView(GVView* view, int x, int y, int width, int height);
void GVRedrawView(GVView* view);
void GVDestroyView(GVView* view);
void GVViewportFromWindow(ViewportRec* viewport, HWND window);
int GVManipulatorEventCB(int a, int event, intptr_t p1, intptr_t p2, void* view);

LRESULT CALLBACK GVViewWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GVOutWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Plain OpenGL path: the view window's pixel format (1, or 0 after showing why)
// and the context's first state.
int GVSetViewPixelFormat(HDC dc);
void GVInitViewGL(GVView* view);

// The view camera aimed at the centring selection from in front of the bounds.
void GVResetViewCamera(GVView* view);

// Near and far clip distances that hold the scene bounds as seen from the eye.
void GVComputeClipRange(GVView* view, float* farOut, float* nearOut);
// Viewport record, clip distances and the camera's projection from the view
// window's client area; on the engine path the engine camera follows.
void GVSetViewProjection(GVView* view);

// Clip record written by GVSetViewProjection.
struct ViewClipRecord {
  float nearClip = 0.0f;
  float farClip = 0.0f;
  int32_t depthBits = 16;
  float depthStep = 0.0f;
};
extern ViewClipRecord gViewClip;
