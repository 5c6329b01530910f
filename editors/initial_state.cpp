#include "editors/initial_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "appwins/help_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/motion_commands.h"
#include "dynamics/world.h"
#include "platform/win32.h"
#include "dynamics/world_runner.h"
#include "editors/editor_common.h"
#include "geo/geo_jel_links.h"
#include "jel/jel_object.h"
#include "scene/edit_rules.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"

namespace {

constexpr float kRadToDeg = 57.295776f;
constexpr float kPi = 3.14159265358979f;
constexpr unsigned kFrameFlags = 0x1190;
constexpr unsigned kMotionFlags = 0x1da4;
constexpr int kAxisMask[3] = {2, 4, 8};
// Event bits of the reports, by axis.
constexpr uint32_t kPosEvent[3] = {4, 8, 16};
constexpr uint32_t kVelEvent[3] = {32, 64, 128};
constexpr uint32_t kAVelEvent[3] = {256, 512, 1024};
// Check codes of GVIsJelTransformBlocked.
constexpr int32_t kCheckPosition = 4, kCheckVelocity = 5, kCheckSpin = 6;

HWorld* world() { return GVEditorWorld(); }
int32_t stateMode() { return world() ? world()->params.stateMode : 0; }

float largestAbs(const float v[3]) { return std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])}); }
float dropTiny(float v) { return std::fabs(v) < 1e-6f ? 0.0f : v; }

bool jelInList(int32_t id) { return id >= 1 && world() && GVGetJelById(world(), id); }

}  // namespace

HwInitialState::HwInitialState(int x, int32_t id, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Initial State Editor", x, 110, 355, 720, kEditorFrameStyle, 0,
                   GVLinkedEditorOwnerCB, GVShowHelpPage, &link),
      id_(id),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_istate");
  link.jelId = id;
  link.visible = isVisible() ? 1 : 0;
  link.editor = this;
  link.showStateMode = [](void* d, int32_t mode) { static_cast<HwInitialState*>(d)->showStateMode(mode); };
  GVEditors().initialState = &link;
  build();
}

HwInitialState::~HwInitialState() {
  if (GVEditors().initialState == &link) GVEditors().initialState = nullptr;
  delete stateDrop;
  delete selector;
  for (HwSliderGroup*& s : sliders) delete s;
  for (HwBaseControl*& c : commands) delete c;
  delete floorHeight;
  for (HwFrameWindow*& f : frames) delete f;
}

void HwInitialState::build() {
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;
  selector = GVMakeJelSelector(parent, W - 10, id_, chooserCB, this);

  stateDrop = new HwDropDownCntrl(inst, "State:", parent, 5, 38, 150, 30, 60, 0.2f, stateCB, this);
  static const char* const kStates[2] = {"Initial", "Natural"};
  stateDrop->fillList(kStates, 2);
  if (stateDrop->multiList) stateDrop->selectItem(stateMode() == 0 ? 1 : 2);

  // The four groups, 5 px apart under the drop-down.
  const int heights[4] = {61, 89, 89, 89};
  static const char* const kLabels[kSliders] = {"First Fr", "Last Fr", "Pos X",  "Pos Y",  "Pos Z", "Vel X",
                                                "Vel Y",    "Vel Z",   "AVel X", "AVel Y", "AVel Z"};
  HwSliderFloatCB floatCBs[9] = {posCB<0>, posCB<1>, posCB<2>, velCB<0>, velCB<1>, velCB<2>,
                                 aVelCB<0>, aVelCB<1>, aVelCB<2>};
  HWorld* w = world();
  const int32_t first = w ? w->params.startFrame : 0, last = w ? w->params.endFrame : 0;
  const int frameMax = std::max({GVNiceIntLimit(first), GVNiceIntLimit(last), 100});
  float values[3][3] = {};
  const int32_t m = stateMode();
  if (w && id_ != 0) {
    GVGetSelPosition(w, 1, id_, m, 14, values[0], nullptr, nullptr);
    GVGetSelVelocity(w, 1, id_, m, 14, values[1]);
    GVGetSelAngVelocity(w, 1, id_, m, 14, values[2]);
    for (float& v : values[2]) v *= kRadToDeg;
  }
  const float ranges[3] = {GVNiceFloatLimit(largestAbs(values[0]), 10, 0x100),
                           GVNiceFloatLimit(largestAbs(values[1]), 10, 0x100),
                           GVNiceFloatLimit(largestAbs(values[2]), 90, 0x200)};
  int y = 73;
  int slider = 0;
  for (int g = 0; g < 4; ++g) {
    frames[g] = new HwFrameWindow();
    frames[g]->create(parent, inst, 5, y, W - 10, heights[g], 2);
    y += heights[g] + 5;
    HWND inner = frames[g]->inner;
    const int innerW = W - 10 - 2 * frames[g]->border;
    const int rows = g == 0 ? 2 : 3;
    for (int r = 0; r < rows; ++r, ++slider) {
      auto* s = sliders[slider] = new HwSliderGroup();
      const int sy = 5 + r * 28;
      if (g == 0) {
        s->addInt(50, inst, inner, 0, sy, innerW, 23, kLabels[slider], 55, 0, r == 0 ? first : last, frameMax,
                  kFrameFlags, 10, r == 0 ? firstCB : lastCB, this);
        s->setEntryIntRange(0, kGVFrameLimit);
      } else {
        const float R = ranges[g - 1];
        s->addFloat(50, inst, inner, 0, sy, innerW, 23, kLabels[slider], 55, -R, values[g - 1][r], R, kMotionFlags,
                    10, floatCBs[slider - 2], this);
      }
    }
  }

  static const char* const kCommandLabels[kCommands] = {"Put On Floor:", "Clear Vel:", "Align To Geo:",
                                                         "Set Initial State:", "Set Natural State:"};
  HwButtonCB commandCBs[kCommands] = {commandCB<kFloor>, commandCB<kClearVel>, commandCB<kAlign>,
                                      commandCB<kSetInitial>, commandCB<kSetNatural>};
  for (int c = 0; c < kCommands; ++c) {
    commands[c] = new HwBaseControl();
    commands[c]->createButton(inst, parent, 5, 441 + 30 * c, 160, 25, kCommandLabels[c], "", 25, 4, commandCBs[c],
                              this);
  }
  floorHeight = new HwEditButControl(parent, inst, 175, 441, 80, 23, 1, 4, 0, 0.0f, nullptr, floorCB, this);
}

void HwInitialState::setCurrent(int32_t id) {
  id_ = id;
  link.jelId = id;
}

void HwInitialState::send(int32_t code, uint32_t event, float value) { GVInitialStateCB(code, event, value, user_); }

void HwInitialState::updateFields(int32_t id) {
  setCurrent(id);
  HWorld* w = world();
  if (!w || id == 0) {
    for (int s = kFirst; s <= kLast; ++s)
      if (sliders[s]) sliders[s]->setIntRangeValue(0, 0, 100);
    for (int s = kPosX; s < kSliders; ++s)
      if (sliders[s]) sliders[s]->setRangeValue(-10, 0, 10);
    return;
  }
  const int32_t first = GVJelStartFrame(GVScene().world, id), last = GVJelEndFrame(GVScene().world, id);
  const int frameMax = std::max({GVNiceIntLimit(last), GVNiceIntLimit(first), 100});
  if (sliders[kFirst]) sliders[kFirst]->setIntRangeValue(0, first, frameMax);
  if (sliders[kLast]) sliders[kLast]->setIntRangeValue(0, last, frameMax);
  const int32_t m = stateMode();
  float v[3][3] = {};
  GVGetSelPosition(w, 1, id, m, 14, v[0], nullptr, nullptr);
  GVGetSelVelocity(w, 1, id, m, 14, v[1]);
  GVGetSelAngVelocity(w, 1, id, m, 14, v[2]);
  for (float& a : v[2]) a *= kRadToDeg;
  const float R[3] = {GVNiceFloatLimit(largestAbs(v[0]), 10, 0x100), GVNiceFloatLimit(largestAbs(v[1]), 10, 0x100),
                      GVNiceFloatLimit(largestAbs(v[2]), 90, 0x200)};
  for (int g = 0; g < 3; ++g)
    for (int a = 0; a < 3; ++a)
      if (HwSliderGroup* s = sliders[kPosX + 3 * g + a]) s->setRangeValue(-R[g], v[g][a], R[g]);
}

void HwInitialState::refresh(int32_t id) {
  HWorld* w = world();
  if (id < 0 && (!w || GVNextJelInSel(w, id, 0, 0) == 0)) id = 0;
  if (id == 0 && jelInList(id_)) return;
  if (id > 0 && !jelInList(id)) id = 0;
  setCurrent(id);
  GVShowJelChooser(selector, id);
  updateFields(id);
}

void HwInitialState::showStateMode(int32_t mode) {
  if (stateDrop && stateDrop->multiList) stateDrop->selectItem(mode == -1 ? 2 : 1);
  updateFields(id_);
}

// ---- sliders ----

void HwInitialState::syncRanges(int slider) {
  const int first = kPosX + (slider - kPosX) / 3 * 3;
  const HwSliderGroup* s = sliders[slider];
  if (!s) return;
  for (int i = first; i < first + 3; ++i) {
    HwSliderGroup* o = sliders[i];
    if (i == slider || !o) continue;
    if (o->floatMinimum > s->floatMinimum + 0.1f || o->floatMaximum < s->floatMaximum - 0.1f)
      o->setRange(s->floatMinimum, s->floatMaximum);
  }
}

void HwInitialState::refitGroup(int first) {
  HwSliderGroup* head = sliders[first];
  if (!head || !(head->flags & (kSliderSymmetric | kSliderAutoExtend))) return;
  float largest = 0;
  for (int i = first; i < first + 3; ++i)
    if (sliders[i]) largest = std::max(largest, std::fabs(sliders[i]->floatValue));
  const float L = head->niceLimit(largest);
  const float lo = head->flags & kSliderSymmetric ? -L : head->floatMinimum;
  const float hi = head->flags & kSliderAutoExtend ? L : head->floatMaximum;
  for (int i = first; i < first + 3; ++i)
    if (sliders[i]) sliders[i]->setRange(lo, hi);
}

float HwInitialState::positionEdit(int axis, int event, float value) {
  HWorld* w = world();
  if (id_ == 0 || !w) return 0;
  const int32_t m = stateMode();
  const bool allowed = m == -1 || GVIsJelTransformBlocked(id_, m, kCheckPosition) == 0;
  if (event == 3) {
    refitGroup(kPosX);
    return value;
  }
  if (allowed) {
    float target[3] = {};
    target[axis] = GVBoundSceneValue(value);
    GVSetSelPosition(w, 1, id_, m, kAxisMask[axis], target, nullptr, nullptr);
  }
  float centre[3] = {};
  GVGetSelPosition(w, 1, id_, m, 14, centre, nullptr, nullptr);
  value = dropTiny(centre[axis]);
  if (!allowed) return value;
  if (event == 0) syncRanges(kPosX + axis);
  send(event, kPosEvent[axis], value);
  return value;
}

float HwInitialState::velocityEdit(int axis, int event, float value, bool angular) {
  HWorld* w = world();
  if (id_ == 0 || !w) return 0;
  const int32_t m = stateMode();
  const bool allowed = GVIsJelTransformBlocked(id_, m, angular ? kCheckSpin : kCheckVelocity) == 0;
  if (m == -1) return 0;  // nothing moves in the natural state
  const int first = angular ? kAVelX : kVelX;
  if (event == 3) {
    refitGroup(first);
    return value;
  }
  if (event == 2 || !allowed) return value;
  float target[3] = {};
  float now[3] = {};
  value = GVBoundSceneValue(value);
  if (angular) {
    target[axis] = value * kPi / 180.0f;
    GVSetSelAngVelocity(w, 1, id_, m, kAxisMask[axis], target);
    GVGetSelAngVelocity(w, 1, id_, m, 14, now);
    value = dropTiny(now[axis] * 180.0f / kPi);
  } else {
    target[axis] = value;
    GVSetSelVelocity(w, 1, id_, m, kAxisMask[axis], target);
    GVGetSelVelocity(w, 1, id_, m, 14, now);
    value = dropTiny(now[axis]);
  }
  if (event == 0) syncRanges(first + axis);
  send(event, (angular ? kAVelEvent : kVelEvent)[axis], value);
  return value;
}

template <int Axis>
float HwInitialState::posCB(int e, float v, void* d) {
  return static_cast<HwInitialState*>(d)->positionEdit(Axis, e, v);
}
template <int Axis>
float HwInitialState::velCB(int e, float v, void* d) {
  return static_cast<HwInitialState*>(d)->velocityEdit(Axis, e, v, false);
}
template <int Axis>
float HwInitialState::aVelCB(int e, float v, void* d) {
  return static_cast<HwInitialState*>(d)->velocityEdit(Axis, e, v, true);
}

int HwInitialState::firstFrameEdit(int event, int value) {
  HWorld* w = world();
  if (!w || event == 3) return value;
  const int last = sliders[kLast] && sliders[kLast]->edit ? sliders[kLast]->edit->getInt() : 0;
  if (last != 0 && last < value) value = last;
  GVDropSelFrames(w, id_);
  for (HObject* j = w->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, id_)) j->playParams.startFrame = value;
  if (id_ == -1) w->params.startFrame = value;  // "ALL Jels" reads the world's frames
  send(id_, 2048, static_cast<float>(GVJelStartFrame(GVScene().world, id_)));
  return value;
}

int HwInitialState::lastFrameEdit(int event, int value) {
  HWorld* w = world();
  if (!w || event == 3) return value;
  const int first = sliders[kFirst] && sliders[kFirst]->edit ? sliders[kFirst]->edit->getInt() : 0;
  if (value != 0 && value < first) value = first;
  GVTruncSelFrames(w, id_, value);
  const int32_t shown = GVJelEndFrame(GVScene().world, id_);
  send(event, 4096, static_cast<float>(shown));
  return shown;
}

int HwInitialState::firstCB(int e, int v, void* d) { return static_cast<HwInitialState*>(d)->firstFrameEdit(e, v); }
int HwInitialState::lastCB(int e, int v, void* d) { return static_cast<HwInitialState*>(d)->lastFrameEdit(e, v); }

// ---- drop-down, floor field, commands, chooser ----

int HwInitialState::stateCB(int item, void* d) {
  auto* self = static_cast<HwInitialState*>(d);
  GVSetWorldStateMode(world(), item == 1 ? 0 : -1);
  self->send(item == 1 ? 0 : -1, 2, 0);
  self->updateFields(self->id_);
  return item;
}

float HwInitialState::floorCB(int step, float v, void* d) {
  if (step == -1) v -= 1.0f;
  if (step == 1) v += 1.0f;
  v = GVBoundSceneValue(v);
  static_cast<HwInitialState*>(d)->send(step, 8192, v);
  return v;
}

int HwInitialState::command(int which) {
  HWorld* w = world();
  if (id_ == 0 || !w) return 0;
  const int32_t m = stateMode();
  GeoList* geos = GVGeoListOf(GVScene().geoList);
  switch (which) {
    case kFloor: {
      if (GVJelHasKeyFramedGeo(w, id_, geos)) return 0;
      const float h = floorHeight && floorHeight->edit && floorHeight->edit->text ? floorHeight->getFloat() : 0.0f;
      GVAdvanceToFrame(w, 0, GVFrameCallback, GVUpdateAfterStep);
      GVSetJelSelLowestY(w, id_, h);
      GVSelStoreFrame(w, id_, m);
      updateFields(id_);
      send(0, 16384, h);
      break;
    }
    case kClearVel: {
      if (GVIsJelTransformBlocked(id_, m, kCheckVelocity)) return 0;
      const float zero[3] = {};
      GVSetSelNodeVelocities(w, id_, m, zero);
      updateFields(id_);
      send(0, 32768, 0);
      break;
    }
    case kAlign:
      send(0, 262144, 0);
      updateFields(id_);
      break;
    case kSetInitial:
    case kSetNatural: {
      const bool initial = which == kSetInitial;
      if (GVJelHasKeyFramedGeo(w, id_, geos)) {
        send(0, initial ? 1048576 : 524288, 0);
        return 0;
      }
      GVSelStoreFrame(w, id_, initial ? 0 : -1);
      send(0, initial ? 65536 : 131072, 0);
      updateFields(id_);
      break;
    }
    default:
      break;
  }
  return 0;
}

template <int Which>
int HwInitialState::commandCB(int, void* d) {
  return static_cast<HwInitialState*>(d)->command(Which);
}

void HwInitialState::chooserCB(int action, char* text, void* d) {
  auto* self = static_cast<HwInitialState*>(d);
  HWorld* w = world();
  if (!w || !w->head) {
    self->updateFields(self->id_);
    std::strcpy(text, "NONE");
  } else {
    if (action == -1 || action == 1) {
      self->setCurrent(action == 1 ? GVNextJelSel(w, self->id_) : GVPrevJelSel(w, self->id_));
      self->updateFields(self->id_);
    } else if (action == 2 || action == 3) {
      self->updateFields(self->id_);
    } else if (action == 0 && self->id_ >= 1 && GVJelExists(GVScene().world, self->id_)) {
      char name[kHwSelectorBuffer];
      std::strncpy(name, text, sizeof name - 1);
      name[sizeof name - 1] = 0;
      GVRenameJel(name, self->id_);
    }
    GVJelChooserText(self->id_, text, kHwSelectorBuffer);
  }
  if (action != 4) self->send(action, 1, 0);
}

// ---- the opener's entry ----

GVEditorEntry GVInitialStateEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* {
    auto* d = new HwInitialState(a.x, a.jelId, a.main);
    d->link.visible = d->isVisible() ? 1 : 0;
    return d;
  };
  e.show = [](HwDialogWindow* d) { GVShowLinkedEditor(d, &static_cast<HwInitialState*>(d)->link); };
  e.hide = [](HwDialogWindow* d) { GVHideLinkedEditor(d, &static_cast<HwInitialState*>(d)->link); };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t jelId) { static_cast<HwInitialState*>(d)->refresh(jelId); };
  return e;
}
