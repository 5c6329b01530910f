// The dialogs that make Geos: HwCreateGeoBlock ("Create Geo Block") and
// HwCreateGeoPlane ("Create Geo Pane") build a box or a flat pane from lengths
// and point counts; HwCreateGeoVR turns a profile drawn on its canvas into a
// volume of revolution, an extruded cylinder or an extruded surface. Each can
// remake ("ReCreate") a Geo by name and hands every new Geo to its owner
// (CreateGeoMenuCB with the main window as user value).
#pragma once

#include <cstdint>
#include <vector>

#include "appwins/geo_shapes.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwDropDownCntrl;
class HwEditControl;
class HwFrame;
class HwLabel;
struct GVView;
struct ObjHandle;

// (code, Geo id, user): the shape of CreateGeoMenuCB.
typedef void (*GVCreateGeoOwnerFn)(int32_t code, int32_t geoId, void* user);

constexpr const char* kGeoBadNameMessage = "Bad name: Geo not created!";
constexpr const char* kGeoExistsMessage = "Bad name: Geo already exists!";
constexpr const char* kGeoNoOldMessage = "Cannot recreate: Geo does not exist!";
constexpr const char* kGeoNotRebuiltMessage = "Cannot recreate: Geo not built!";

// The block and the pane: one design, the pane without the z axis.
class HwCreateGeoBox : public HwDialogTemp {
 public:
  // axes 3 for the box, 2 for the pane.
  HwCreateGeoBox(const char* title, int height, int axes, int32_t currentGeoId, void* ownerData);
  ~HwCreateGeoBox() override;

  void resize(int width, int height) override;

  // The Geo of the typed name made (recreate: remade, replacing the Geo of
  // that name). Refusals go to the message box; counts or lengths the builder
  // refuses do nothing. Returns the new Geo's id, 0 when none was made.
  int32_t create(bool recreate);

  // Field callbacks: the user value is the dialog; the template argument
  // names the axis.
  template <int Axis>
  static float lengthCB(int step, float value, void* dialog);
  template <int Axis>
  static int countCB(int step, int value, void* dialog);
  static const char* nameCB(int code, char* text, void* dialog);
  static int createCB(int state, void* dialog);
  static int recreateCB(int state, void* dialog);

  int axes;
  float length[3] = {5.0f, 5.0f, 5.0f};
  int32_t count[3] = {6, 6, 6};
  char name[kGeoNameSize] = {};
  int32_t currentGeoId = 0;
  ObjHandle* geoList = nullptr;
  GVCreateGeoOwnerFn owner = nullptr;
  void* ownerData = nullptr;

  HwFrameWindow* lengthGroup = nullptr;
  HwFrameWindow* countGroup = nullptr;
  HwBaseControl* lengthField[3] = {};
  HwBaseControl* countField[3] = {};
  HwLabel* nameLabel = nullptr;
  HwEditControl* nameEdit = nullptr;
  HwBMButton* createButton = nullptr;
  HwBMButton* recreateButton = nullptr;

 protected:
  // Builds the Geo for the current values; null when refused.
  virtual ObjHandle* build(const char* geoName, int32_t id) const = 0;
  // The owner's event code: 128 box, 64 pane.
  virtual int32_t eventCode() const = 0;
  void buildControls();
};

class HwCreateGeoBlock : public HwCreateGeoBox {
 public:
  HwCreateGeoBlock(int32_t currentGeoId, void* ownerData);

 protected:
  ObjHandle* build(const char* geoName, int32_t id) const override;
  int32_t eventCode() const override { return 128; }
};

class HwCreateGeoPlane : public HwCreateGeoBox {
 public:
  HwCreateGeoPlane(int32_t currentGeoId, void* ownerData);

 protected:
  ObjHandle* build(const char* geoName, int32_t id) const override;
  int32_t eventCode() const override { return 64; }
};

// The swept-shape dialog: mode 0 volume of revolution, 1 extruded cylinder, 2
// extruded surface.
class HwCreateGeoVR : public HwDialogTemp {
 public:
  HwCreateGeoVR(int32_t mode, int32_t currentGeoId, GVView* view, void* ownerData);
  ~HwCreateGeoVR() override;

  // The canvas class "CreateGeoVRClass" (its window procedure is canvasProc).
  static ATOM registerClass(HINSTANCE instance);
  static LRESULT CALLBACK canvasProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  // Switches to the mode (a new mode clears the drawing) and shows the dialog.
  void show(int32_t newMode);
  void setMode(int32_t newMode);
  void resize(int width, int height) override;
  // No points; the canvas repainted and the preview recomputed.
  void clear();
  // A point at canvas pixels (x, y) as a left click adds it (mode 0 keeps it
  // right of the axis); the last point dropped as a right click drops it.
  void addPoint(int x, int y);
  void dropPoint();
  int32_t create(bool recreate);

  // The profile as the builders take it (at most kSweptMaxPoints points).
  GVSweptProfile profile() const;
  void recomputeScale();
  // The revolution recomputed and shown in the view.
  void recomputePreview();
  // The preview in the view while the dialog is shown and has a face; and
  // taken out of the view.
  void showPreview();
  void hidePreview();

  static int gridXCB(int step, int value, void* dialog);
  static int gridYCB(int step, int value, void* dialog);
  static int segmentsCB(int step, int value, void* dialog);
  static int faceCB(int item, void* dialog);
  static const char* nameCB(int code, char* text, void* dialog);
  static int createCB(int state, void* dialog);
  static int recreateCB(int state, void* dialog);
  static int clearCB(int state, void* dialog);
  static void closedCB(int code, int value, int reserved, void* dialog);

  int32_t mode = 0;
  int32_t nX = 5, nY = 5;
  int32_t triangles = 1;
  float unit = 1.0f;
  int32_t segments = 16;
  int W = 0, H = 0;
  float scale = 1.0f;
  int32_t pointCount = 0;
  std::vector<float> points;  // records of three floats from record 1
  GVRevolution preview;
  char name[kGeoNameSize] = {};
  int32_t currentGeoId = 0;
  ObjHandle* geoList = nullptr;
  GVView* view = nullptr;
  GVCreateGeoOwnerFn owner = nullptr;
  void* ownerData = nullptr;

  HwFrameWindow* gridGroup = nullptr;
  HwFrameWindow* segmentGroup = nullptr;
  HwFrame* canvasFrame = nullptr;
  HWND canvas = nullptr;
  HwBaseControl* gridXField = nullptr;
  HwBaseControl* gridYField = nullptr;
  HwBaseControl* segmentField = nullptr;
  HwDropDownCntrl* faceChooser = nullptr;
  HwLabel* nameLabel = nullptr;
  HwEditControl* nameEdit = nullptr;
  HwBMButton* createButton = nullptr;
  HwBMButton* recreateButton = nullptr;
  HwBMButton* clearButton = nullptr;

 private:
  void layout(bool clearDrawing);
  void paint(HDC dc) const;
  void redrawCanvas();
};

// The title of a swept-shape mode.
const char* GVSweptTitle(int32_t mode);
