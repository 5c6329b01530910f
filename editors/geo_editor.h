// HwEditGeo, the "Edit Geo Props" dialog: for one subject Geo, its name, how
// it follows a Jel (deformation mode, the level-1 and level-2 deformation
// styles with their Jel and part, massoc, clear massoc, bake), its place in
// the Geo list, its collision metric, vertex-normal smoothing and two-sided
// drawing. Controls are filled from the Geo record whenever they are shown;
// every change is reported to GVEditGeoCB with one event bit.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwDropDownCntrl;
class HwFrameWindow;
class HwSelectorTool;
struct GObject;

class HwEditGeo : public HwDialogTemp {
 public:
  // Opens at x on the Geo (a negative id counts as none); user is the main
  // window, handed to the owner callback.
  HwEditGeo(int x, int32_t geoId, void* user);
  ~HwEditGeo() override;

  // The panel refresh: a non-zero id becomes the subject; a subject that left
  // the Geo list becomes 0; then every control is filled again.
  void setGeo(int32_t id);
  // Makes id the subject and fills every control from its Geo.
  void updateFields(int32_t id);
  void resize(int width, int height) override;

  int32_t subject() const { return subject_; }
  // The level's Jel and part (level 1 or 2).
  void level(int32_t which, int32_t* part, int32_t* jel) const;

  HwSelectorTool* geoSelector = nullptr;
  HwDropDownCntrl* defMode = nullptr;
  HwDropDownCntrl* level1Style = nullptr;
  HwDropDownCntrl* level2Style = nullptr;
  HwFrameWindow* bindFrame = nullptr;
  HwFrameWindow* actionFrame = nullptr;
  HwSelectorTool* jel1Selector = nullptr;
  HwSelectorTool* part1Selector = nullptr;
  HwSelectorTool* jel2Selector = nullptr;
  HwSelectorTool* part2Selector = nullptr;
  HwBaseControl* massocButton = nullptr;
  HwBaseControl* clearMassocButton = nullptr;
  HwBaseControl* bakeButton = nullptr;
  HwBaseControl* makeLastButton = nullptr;
  HwBaseControl* collMetric = nullptr;
  HwFrameWindow* smoothFrame = nullptr;
  HwDropDownCntrl* smoothing = nullptr;
  HwFrameWindow* sidedFrame = nullptr;
  HwDropDownCntrl* doubleSided = nullptr;
  int templateWidth = 355, templateHeight = 645;

 private:
  void build();
  GObject* subjectGeo() const;
  void notify(int32_t code, int32_t mask, int32_t id, int32_t value);
  // Every Geo of the subject selection (one Geo, -1 every Geo, -n group n).
  template <typename Fn> void forEachSelected(Fn fn);
  void deriveBinding();
  bool canDeform() const;
  void showJelSelectors();
  void applyLevel1();
  void applyLevel2();
  void clearToggles();
  int levelReport(const GObject* g, int32_t r) const;

  void chooseGeo(int code, char* text);
  void chooseJel(int level, int code, char* text);
  void choosePart(int level, int code, char* text);
  int setDefMode(int item);
  int setLevel1Style(int item);
  int setLevel2Style(int item);
  void styleChanged();
  void massoc();
  void clearMassoc();
  void bakeShape();
  void makeLast();
  float setCollMetric(int code, float value);
  int setSmoothNormals(int item);
  int setDoubleSided(int item);

  int32_t subject_ = 0;
  int32_t jel1_ = 0, part1_ = 0, jel2_ = 0, part2_ = 0;
  void* user_ = nullptr;
  void (*owner_)(int32_t code, int32_t mask, int32_t id, int32_t value, void* user) = nullptr;
};

// The opener's entry of code 7.
GVEditorEntry GVEditGeoEntry();
