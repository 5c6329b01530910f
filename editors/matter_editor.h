// HwMatter, the "Matter Editor": the twelve MatterProps fields of one Jel as
// slider groups. It reads node 1 of the Jel's stored frame 0 and writes every
// change twice, into stored frame 0 (where a run starts) and into the live
// state, skipping Jels in replay. F-Ratio never stays below the sub-steps the
// matter needs, and Elasticity and Damping end at their stable limits.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "jel/matter.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwFrameWindow;
class HwSelectorTool;
class HwSliderGroup;

class HwMatter : public HwDialogTemp {
 public:
  // Opens at x with the Jel id; user is the main window.
  HwMatter(int x, int32_t id, void* user);
  ~HwMatter() override;

  // The main window's panel update: id 0 keeps a current Jel that still exists.
  void update(int32_t id);
  // Makes id current and reads every slider again (the no-Jel values without it).
  void refresh(int32_t id);
  void clearSliders();
  // Raises the record's F-Ratio to the sub-steps it needs; when the F-Ratio
  // slider must rise (or flags has 8) it is re-ranged and Elasticity and
  // Damping take their limits at that count.
  void fitSubSteps(MatterProps* record, uint32_t flags);
  // "Minimise slider range?" on a force slider: all three take one range.
  void fitForceRanges();

  int32_t current() const { return id_; }

  enum { kFRatio, kScaleL, kScaleT, kDensity, kElasticity, kDamping, kBulge, kFriction, kFx, kFy, kFz, kFlatZ,
         kSliders };
  HwSelectorTool* selector = nullptr;
  HwFrameWindow* frames[5] = {};
  HwSliderGroup* sliders[kSliders] = {};
  GVJelEditorLink link;

  static void chooseJel(int action, char* text, void* editor);

 private:
  void build();
  void setCurrent(int32_t id);
  bool hasJel() const;
  void read(MatterProps* record, uint32_t mask);
  void write(const MatterProps& record, uint32_t mask, int32_t frame);
  float edit(int slider, int action, float value);
  void shareForceRange(int slider);

  static int fRatioCB(int action, int value, void* d);
  template <int Slider> static float fieldCB(int action, float value, void* d);

  int32_t id_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 2.
GVEditorEntry GVMatterEntry();
