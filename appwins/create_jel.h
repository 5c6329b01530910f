// The two dialogs that make Jels: HwCreateJel ("Create Jel") builds a block
// Jel from point counts and an element length; HwCreateGJel ("Create Jel From
// Geo") builds a Jel around a Geo or a Geo group and binds them to it. Either
// can rebuild ("ReCreate") a Jel by name. Both report to the application
// through GVCreateJelCB with the main window as user value.
#pragma once

#include <cstdint>

#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwDropDownCntrl;
class HwEditControl;
class HwLabel;
class HwSelectorTool;
class HwSliderGroup;
struct HWorld;
struct LatticeBuilder;
struct ObjHandle;

// (code, event, Jel id, argument, user): the shape of GVCreateJelCB.
typedef int32_t (*GVCreateJelOwnerFn)(int32_t code, uint32_t event, int32_t jelId, intptr_t arg, void* user);

constexpr int kJelNameSize = 100;

// The controls and state both dialogs share: the matter choice, the name
// edit with its label and the two action buttons.
class HwJelDialogBase : public HwDialogTemp {
 public:
  HwJelDialogBase(const char* title, int width, int height, void* ownerData);
  ~HwJelDialogBase() override;

  // The typed name cleaned into `name`; "Bad name!" and an empty name when
  // nothing usable is left.
  static const char* nameCB(int code, char* text, void* dialog);
  static int matterCB(int item, void* dialog);
  // A name typed but not committed with Enter counts when a button is pressed.
  void takeTypedName();
  // The typed name, cleaned into checked (kJelNameSize bytes), when it is a
  // usable new Jel name and the owner lets a structure be built; otherwise the
  // refusal is shown and false returned.
  bool newNameUsable(char* checked);

  HwDropDownCntrl* matterChooser = nullptr;
  HwLabel* nameLabel = nullptr;
  HwEditControl* nameEdit = nullptr;
  HwBMButton* createButton = nullptr;
  HwBMButton* recreateButton = nullptr;
  int32_t matterChoice = 0;  // 0 Default, 1 Inherit
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  int32_t jelId = 0;  // the Jel shown, or the last one made
  GVCreateJelOwnerFn owner = nullptr;
  void* ownerData = nullptr;
  char name[kJelNameSize] = {};

 protected:
  void buildNameAndButtons(int labelX, int labelWidth, int editX, int editWidth, int y, HwButtonCB create,
                           HwButtonCB recreate);
  void buildMatter(int x, int y, int width, int labelWidth);
  int32_t tell(int32_t code, uint32_t event, int32_t id, intptr_t arg);
  HWorld* worldRecord() const;
};

class HwCreateJel : public HwJelDialogBase {
 public:
  HwCreateJel(void* ownerData, int32_t currentJelId);
  ~HwCreateJel() override;

  // Loads the Jel's largest grid indices and cell size; id 0 (or no world)
  // clears the dialog to 5 x 5 x 5 points of length 1.0 and an empty name.
  void showJel(int32_t id);
  // The Jel of that name built (or rebuilt) from the dialog's settings: its
  // id, 0 when nothing was built (the scene then is as it was).
  int32_t createWorker(const char* jelName, bool recreate);

  static int countXCB(int step, int value, void* dialog);
  static int countYCB(int step, int value, void* dialog);
  static int countZCB(int step, int value, void* dialog);
  static float lengthCB(int code, float value, void* dialog);
  static int createCB(int state, void* dialog);
  static int recreateCB(int state, void* dialog);

  HwBaseControl* fieldX = nullptr;
  HwBaseControl* fieldY = nullptr;
  HwBaseControl* fieldZ = nullptr;
  HwSliderGroup* lengthSlider = nullptr;
  int32_t nx = 5, ny = 5, nz = 5;
  float length = 1.0f;
  // Marks the lattice's solid cells in the cleared builder: the whole box.
  void (*fillGrid)(LatticeBuilder* builder) = nullptr;

 private:
  void showValues();
};

class HwCreateGJel : public HwJelDialogBase {
 public:
  HwCreateGJel(void* ownerData, int32_t currentGeoId, int32_t currentJelId);
  ~HwCreateGJel() override;

  // The panels' current Geo: 0 keeps a Geo that still exists; an id naming no
  // Geo becomes 0. The chooser shows the result.
  void setGeo(int32_t id);
  int32_t createWorker(const char* jelName, bool recreate);

  static void geoCB(int code, char* text, void* dialog);
  static int pointsCB(int step, int value, void* dialog);
  static int directionCB(int item, void* dialog);
  static int methodCB(int item, void* dialog);
  static int symmetryCB(int item, void* dialog);
  static int dimensionCB(int item, void* dialog);
  static int createCB(int state, void* dialog);
  static int recreateCB(int state, void* dialog);

  HwSelectorTool* geoChooser = nullptr;
  HwBaseControl* pointsField = nullptr;
  HwDropDownCntrl* directionChooser = nullptr;
  HwDropDownCntrl* methodChooser = nullptr;
  HwDropDownCntrl* symmetryChooser = nullptr;
  HwDropDownCntrl* dimensionChooser = nullptr;
  int32_t points = 5;
  int32_t method = 11;    // 13 Block, 11 Shaped, 12 Shaped Hollow
  int32_t direction = 4;  // 1 x, 2 y, 3 z, 4 the largest extent
  int32_t symmetry = 0;   // None, X, Y, Z, XY, YZ, ZX, XYZ
  int32_t dimension = 3;
  int32_t geoSel = 0;

 private:
  // The chooser's text for the selection after the action (4 only refreshes).
  void chooseGeo(int code, char* text);
};
