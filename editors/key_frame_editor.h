// HwKeyFrame, the "Edit Geo Transform" dialog: for one Geo, the transform it
// shows at the current frame (translation, rotation in degrees, scale, per
// axis), taken from the transform slot its drive mode selects, edited field by
// field; key frames set and removed at the current frame; the bake, un-bake
// and clear commands of the Geo's transform slots. Every change is reported to
// GVKeyFrameDlgCB, which also answers whether the Geo may change now and puts
// the dialog's warnings on the status line.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwFrameWindow;
class HwSelectorTool;

class HwKeyFrame : public HwDialogTemp {
 public:
  // Opens at x with the Geo (and Jel) ids; negative ids count as 0. user is
  // the main window.
  HwKeyFrame(int x, int32_t geoId, int32_t jelId, void* user);
  ~HwKeyFrame() override;

  // The main window's panel update: id 0 keeps a current Geo still in the list.
  void refresh(int32_t id);
  // The Geo shown at the world's current frame; setGeoFull takes the
  // evaluation source from the Geo's drive mode.
  void setGeo(int32_t id);
  void setGeoFull(int32_t id);
  // Makes the id current and shows its transform at the time (source -1: the
  // start slot's angles, 0 the drive mode's; override 1: from the drive mode).
  void updateFields(int32_t id, float time, int32_t source, int32_t override);
  // Translation and rotation 0, scale 1.
  void clearFields();
  // The common step of the nine fields: component code 1..9 (translation x,
  // y, z, rotation x, y, z in degrees, scale x, y, z) set to the value.
  static void applyTransform(HwKeyFrame* dialog, int32_t geoId, int code, float value);
  // The nine fields; rotation in radians.
  void readFields(float translation[3], float rotation[3], float scale[3]) const;

  int32_t current() const { return geoId_; }

  enum { kSetKey, kRemoveKey, kBake, kBakeScale, kUnbake, kClear, kCommands };
  HwSelectorTool* selector = nullptr;
  HwFrameWindow* frames[3] = {};
  HwBaseControl* fields[9] = {};
  HwBaseControl* commands[kCommands + 1] = {};  // the last slot stays empty
  GVKeyFrameEditorLink link;

 private:
  void build();
  void setCurrent(int32_t id);
  int32_t send(int32_t a, int32_t mask, int32_t geoId, const char* text = nullptr);
  void warn(const char* text);
  void reshowIfVisible();
  float fieldEdit(int code, int event, float value);
  void chooser(int action, char* text);
  void command(int which);

  template <int Code> static float fieldCB(int event, float value, void* d);
  template <int Which> static int commandCB(int state, void* d);
  static void chooserCB(int action, char* text, void* d);
  static void ownerCB(int code, int value, int reserved, void* d);

  int32_t geoId_ = 0;
  int32_t jelId_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 10.
GVEditorEntry GVKeyFrameEntry();
