#include "editors/key_frame_editor.h"

#include <cstdio>
#include <cstring>

#include "appwins/help_window.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "geo/geo_transform.h"
#include "geo/key_interp.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "platform/win32.h"
#include "scene/edit_rules.h"
#include "scene/geo_editor_callbacks.h"
#include "geo/geo_list_services.h"
#include "scene/key_frame_edits.h"
#include "scene/scene_limits.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"

namespace {

constexpr float kDegToRad = 0.0174533f;
constexpr float kRadToDeg = 57.2958f;

// Requests to the application callback.
enum : int32_t {
  kChooser = 1,
  kApplied = 4,
  kBaked = 8,
  kScaleBaked = 16,
  kUnbaked = 32,
  kKeySet = 64,
  kKeyRemoved = 128,
  kWarning = 2048,
  kCleared = 4096,
  kMayChange = 16384,
};

ObjHandle* geoList() { return GVScene().geoList; }
HWorld** worldCell() { return GVScene().world; }
int32_t stateMode() { return GVEditorWorld() ? GVEditorWorld()->params.stateMode : 0; }
int32_t worldFrame() { return GVCurrentFrame(worldCell()); }

GObject* findGeo(int32_t id) { return id >= 1 ? GVGeoOf(GVFindGeo(geoList(), id)) : nullptr; }
bool keyFramed(const GObject* g) { return GVGeoIsKeyFramed(g->handle) != 0; }
bool attached(const GObject* g) { return GVGeoHasAttachment(g->handle) != 0; }

float fieldValue(const HwBaseControl* f) { return f && f->editButton ? f->editButton->getFloat() : 0.0f; }

// The fields show four decimals, whatever was typed into them.
void keepFourDecimals(HwBaseControl* f) {
  if (f && f->editButton && f->editButton->edit) f->editButton->edit->decimals = 4;
}

void showValue(HwBaseControl* f, float value) {
  keepFourDecimals(f);
  GVSetFieldFloat(f, value);
}

}  // namespace

HwKeyFrame::HwKeyFrame(int x, int32_t geoId, int32_t jelId, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Geo Transform", x, 110, 355, 710, kEditorFrameStyle, 0, ownerCB,
                   GVShowHelpPage, this),
      geoId_(geoId < 0 ? 0 : geoId),
      jelId_(jelId < 0 ? 0 : jelId),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_kf");
  link.geoId = geoId_;
  link.visible = isVisible() ? 1 : 0;
  link.editor = this;
  link.reshowGeo = [](void* d) {
    auto* k = static_cast<HwKeyFrame*>(d);
    k->setGeo(k->geoId_);
  };
  link.showGeoAt = [](void* d, int32_t id, float time, int32_t source, int32_t full) {
    auto* k = static_cast<HwKeyFrame*>(d);
    const bool changed = id != k->geoId_;
    k->updateFields(id, time, source, full);
    if (changed) GVShowGeoChooser(k->selector, k->geoId_);
  };
  GVEditors().keyFrame = &link;
  build();
}

HwKeyFrame::~HwKeyFrame() {
  if (GVEditors().keyFrame == &link) GVEditors().keyFrame = nullptr;
  delete selector;
  for (HwBaseControl*& f : fields) delete f;
  for (HwBaseControl*& c : commands) delete c;
  for (HwFrameWindow*& f : frames) delete f;
}

void HwKeyFrame::build() {
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;
  char text[kHwSelectorBuffer];
  GVGeoChooserText(geoId_, text, sizeof text);
  selector = new HwSelectorTool(inst, "Geo : ", W - 10, 55, 2, 5, 5, chooserCB, this, parent, text);
  if (selector->button2) selector->button2->setLabel(" ");
  if (selector->button3) selector->button3->setLabel("H");

  static const char* const kLabels[9] = {"Translate X :", "Translate Y :", "Translate Z :",
                                         "Rotate X :",    "Rotate Y :",    "Rotate Z :",
                                         "Scale X :",     "Scale Y :",     "Scale Z :"};
  HwEditFloatCB callbacks[9] = {fieldCB<1>, fieldCB<2>, fieldCB<3>, fieldCB<4>, fieldCB<5>,
                                fieldCB<6>, fieldCB<7>, fieldCB<8>, fieldCB<9>};
  const int frameY[3] = {38, 153, 268};
  for (int g = 0; g < 3; ++g) {
    frames[g] = new HwFrameWindow();
    frames[g]->create(parent, inst, 5, frameY[g], W - 10, 110, 2);
    for (int a = 0; a < 3; ++a) {
      const int i = 3 * g + a;
      fields[i] = new HwBaseControl();
      fields[i]->create(frames[g]->inner, inst, 5, 5 + 35 * a, 195, 30, kLabels[i], 95, 1, 8, g == 2 ? 1.0f : 0.0f,
                        nullptr, callbacks[i], this);
      showValue(fields[i], g == 2 ? 1.0f : 0.0f);
    }
  }

  static const char* const kCommandLabels[kCommands] = {"Set KeyFrame: ",     "Rem KeyFrame: ",
                                                         "Bake Transform: ",   "Bake Scale: ",
                                                         "UnBake Translation: ", "Clear Transform: "};
  HwButtonCB commandCBs[kCommands] = {commandCB<kSetKey>, commandCB<kRemoveKey>, commandCB<kBake>,
                                      commandCB<kBakeScale>, commandCB<kUnbake>, commandCB<kClear>};
  const int commandY[kCommands] = {393, 423, 453, 483, 513, 543};
  for (int c = 0; c < kCommands; ++c) {
    commands[c] = new HwBaseControl();
    commands[c]->createButton(inst, parent, 15, commandY[c], 170, c == kSetKey ? 25 : 28, kCommandLabels[c], "", 25, 4,
                              commandCBs[c], this);
  }
  if (commands[kSetKey]->button) {
    std::strncpy(commands[kSetKey]->button->toolTip, "Set KeyFrame + Evaluate", kHwToolTipMax);
    commands[kSetKey]->button->hasToolTip = true;
  }
  setGeo(geoId_);
}

void HwKeyFrame::setCurrent(int32_t id) {
  geoId_ = id;
  link.geoId = id;
}

int32_t HwKeyFrame::send(int32_t a, int32_t mask, int32_t geoId, const char* text) {
  return GVKeyFrameDlgCB(a, mask, geoId, text, user_);
}

void HwKeyFrame::warn(const char* text) { send(0, kWarning, 0, text); }

void HwKeyFrame::reshowIfVisible() {
  if (isVisible()) setGeo(geoId_);
}

// ---- showing ----

void HwKeyFrame::clearFields() {
  for (int i = 0; i < 9; ++i) showValue(fields[i], i >= 6 ? 1.0f : 0.0f);
}

void HwKeyFrame::updateFields(int32_t id, float time, int32_t source, int32_t override) {
  setCurrent(id);
  GObject* g = findGeo(id);
  if (!g || !g->keyTrack) return;
  const int32_t d = GVGetGeoDriveMode(worldFrame(), g, stateMode());
  float t[3], m[9], s[3];
  GVGetGeoTransform(g, d, t, m, s, nullptr);
  if (source == 0 || override) source = d == -1 ? -1 : 0;
  if (d == 0 && (g->flags & GEO_FLAG_BOUND)) {
    clearFields();
    return;
  }
  float angles[3];
  if (!GVEvalGeoTrack(g->handle, m, angles, source, time)) return;
  for (int a = 0; a < 3; ++a) {
    showValue(fields[a], t[a]);
    showValue(fields[3 + a], angles[a] * kRadToDeg);
    showValue(fields[6 + a], s[a]);
  }
}

void HwKeyFrame::setGeo(int32_t id) {
  if (geoList() && id != 0)
    updateFields(id, static_cast<float>(worldFrame()), 0, 0);
  else
    clearFields();
}

void HwKeyFrame::setGeoFull(int32_t id) {
  if (geoList() && id != 0)
    updateFields(id, static_cast<float>(worldFrame()), 0, 1);
  else
    clearFields();
}

void HwKeyFrame::refresh(int32_t id) {
  if (id < 0) id = 0;
  if (id == 0 && GVGeoInScene(geoId_)) return;
  setCurrent(GVGeoInScene(id) ? id : 0);
  GVShowGeoChooser(selector, geoId_);
  setGeo(geoId_);
}

void HwKeyFrame::readFields(float translation[3], float rotation[3], float scale[3]) const {
  for (int a = 0; a < 3; ++a) {
    translation[a] = fieldValue(fields[a]);
    rotation[a] = fieldValue(fields[3 + a]) * kDegToRad;
    scale[a] = fieldValue(fields[6 + a]);
  }
}

// ---- editing ----

void HwKeyFrame::applyTransform(HwKeyFrame* d, int32_t geoId, int code, float value) {
  GObject* g = findGeo(geoId);
  if (!d || !geoList() || !GVEditorWorld() || !g || !g->keyTrack || code < 1 || code > 9) return;
  float t[3], r[3], s[3];
  d->readFields(t, r, s);
  if (code <= 3) t[code - 1] = value;
  else if (code <= 6) r[code - 4] = value * kDegToRad;
  else s[code - 7] = value;
  float m[9];
  GVMat3FromEuler(r, m);
  const int32_t mode = GVGetGeoDriveModeSafe(g->handle, worldFrame(), stateMode());
  const bool attachmentFree = GVIsGeoAttachmentFree(g->handle) != 0;
  if (mode >= -5 && mode <= -1) GVSetGeoTransform(g, mode, t, m, s, g->slotScale);
  if (mode == -2 && !attachmentFree) GVCopyGeoTransform(g, -2, -1);
  if (mode == -1 && !attachmentFree) GVCopyGeoTransform(g, -1, -2);
  if (code >= 7) {
    GVApplyGeoTransform(g, -2);
    GVCalcGeoFaceSize(g);
    GVCalcGeoFaceNormals(g);
    GVCalcGeoVertexNormals(g);
  }
  d->send(code, kApplied, geoId);
}

float HwKeyFrame::fieldEdit(int code, int event, float value) {
  GObject* g = findGeo(geoId_);
  const bool scale = code >= 7;
  if (!g) return scale ? 0.0f : value;
  // A Geo bound to its Jel keeps its rest-shape scale against a typed value.
  if (scale && event == 0 && stateMode() == -1 && g->jelId != 0)
    value = g->xform[GEO_SLOT_START].scale[code - 7];
  if (send((code - 1) / 3 + 1, kMayChange, geoId_)) {
    // Refused: the field shows the Geo's value again.
    setGeo(geoId_);
    keepFourDecimals(fields[code - 1]);
    return fieldValue(fields[code - 1]);
  }
  if (event == -1 || event == 1) value += static_cast<float>(event) * (code >= 4 && code <= 6 ? 10.0f : 0.1f);
  value = GVBoundSceneValue(value);
  applyTransform(this, geoId_, code, value);
  keepFourDecimals(fields[code - 1]);
  return value;
}

void HwKeyFrame::command(int which) {
  GObject* g = findGeo(geoId_);
  if (!g) return;
  const int32_t id = geoId_;
  switch (which) {
    case kSetKey: {
      if (stateMode() == -1 && g->jelId != 0) {
        warn("Gv warning: Key frames cannot be added to MASSOC'd GEO in Natural State mode ");
        reshowIfVisible();
        return;
      }
      if (attached(g)) {
        warn("Gv warning: Key frames cannot be added to GEO with Attachment property");
        reshowIfVisible();
        return;
      }
      float t[3], r[3], s[3];
      readFields(t, r, s);
      if (GVSetGeoKeyFromFields(t, r, s, geoList(), worldCell(), id)) send(id, kKeySet, id);
      return;
    }
    case kRemoveKey:
      if (!GVRemoveGeoKeyAtFrame(geoList(), worldCell(), id)) return;
      send(id, kKeyRemoved, id);
      if ((g = findGeo(id)) && !keyFramed(g) && stateMode() == -1 && g->jelId != 0) GVCopyGeoTransform(g, -1, -2);
      // The Geo went where the keys left give it: the fields follow.
      reshowIfVisible();
      return;
    case kBake:
      if (keyFramed(g)) {
        warn("Gv warning: Cannot Bake keyframed GEO!");
        return;
      }
      if (attached(g)) {
        warn("Gv warning: Cannot bake transform of GEO with Attachment property");
        reshowIfVisible();
        return;
      }
      GVBakeGeoTransform(g);
      reshowIfVisible();
      send(0, kBaked, id);
      return;
    case kBakeScale:
      if (keyFramed(g)) {
        warn("Gv warning: Cannot Bake keyframed GEO!");
        return;
      }
      GVBakeGeoScale(g);
      reshowIfVisible();
      send(0, kScaleBaked, id);
      return;
    case kUnbake:
      if (keyFramed(g)) warn("Gv warning: Un-baking GEO transform will effect keyframed motion!");
      GVUnbakeGeoTransform(g);
      reshowIfVisible();
      send(0, kUnbaked, id);
      return;
    case kClear:
      if (send(0, kMayChange, id)) return;
      if (keyFramed(g)) {
        warn("Gv warning: Cannot Clear Transform of keyframed GEO!");
        return;
      }
      GVClearGeoTransform(g, -1);
      GVClearGeoTransform(g, -2);
      if (isVisible()) clearFields();
      send(0, kCleared, id);
      return;
    default:
      return;
  }
}

void HwKeyFrame::chooser(int action, char* text) {
  const GeoList* list = GVGeoListOf(geoList());
  if (!list || !list->head) {
    setGeo(geoId_);
    std::snprintf(text, kHwSelectorBuffer, "NONE");
  } else {
    switch (action) {
      case -1:
        setCurrent(GVPrevGeoId(geoList(), geoId_));
        setGeo(geoId_);
        break;
      case 1:
        setCurrent(GVNextGeoIdWrapped(geoId_));
        setGeo(geoId_);
        break;
      case 2:
      case 3:
        setGeo(geoId_);
        break;
      case 0:
        GVRenameGeoFromChooser(text, geoId_);
        break;
      default:
        break;
    }
    GVGeoChooserText(geoId_, text, kHwSelectorBuffer);
  }
  if (action != 4) send(action, kChooser, geoId_);
}

// ---- callbacks ----

template <int Code>
float HwKeyFrame::fieldCB(int event, float value, void* d) {
  return static_cast<HwKeyFrame*>(d)->fieldEdit(Code, event, value);
}

template <int Which>
int HwKeyFrame::commandCB(int, void* d) {
  static_cast<HwKeyFrame*>(d)->command(Which);
  return 0;
}

void HwKeyFrame::chooserCB(int action, char* text, void* d) { static_cast<HwKeyFrame*>(d)->chooser(action, text); }

void HwKeyFrame::ownerCB(int code, int, int, void* d) {
  // Closed or dismissed: the dialog hides itself after this call.
  if (code == 1 || code == 4) static_cast<HwKeyFrame*>(d)->link.visible = 0;
}

GVEditorEntry GVKeyFrameEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* {
    auto* d = new HwKeyFrame(a.x, a.geoId, a.jelId, a.main);
    d->link.visible = d->isVisible() ? 1 : 0;
    return d;
  };
  e.show = [](HwDialogWindow* d) {
    d->show();
    static_cast<HwKeyFrame*>(d)->link.visible = d->isVisible() ? 1 : 0;
  };
  e.hide = [](HwDialogWindow* d) {
    d->hide();
    static_cast<HwKeyFrame*>(d)->link.visible = d->isVisible() ? 1 : 0;
  };
  e.refresh = [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwKeyFrame*>(d)->refresh(geoId); };
  return e;
}
