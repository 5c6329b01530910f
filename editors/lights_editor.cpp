#include "editors/lights_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "camera/camera_record.h"
#include "appwins/help_window.h"
#include "editors/editor_common.h"
#include "platform/win32.h"
#include "scene/display_settings.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "scene/light_list.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/frames.h"
#include "toolkit/slider_group.h"

namespace {

// The one lights editor the links and the service entry answer for.
HwLight* gEditor = nullptr;

// Requests of GVLightsDlgCB.
enum : int32_t {
  kReqChooser = 1,
  kReqType = 2,
  kReqDelete = 0x8000,
  kReqCameraMode = 0x20000,
  kReqCameraFollow = 0x40000,
  kReqCameraType = 0x80000,
  kReqCameraStep = 0x100000,
  kReqClipNear = 0x400000,
  kReqClipFar = 0x800000,
  kAutoClip = 0x1000000,
  kReqCastShadows = 0x2000000,
  kReqShadowOff = 0x4000000,
};

enum Kind : int32_t { kNone = 0, kPoint = 1, kDirectional = 2, kSpot = 3 };

struct SliderRow {
  const char* label;
  int frame;
  int row;
  unsigned flags;
  float step;
  int32_t request;
};

constexpr unsigned kColourFlags = 0x854;
constexpr unsigned kPositionFlags = 0x1da0;
constexpr unsigned kClipFlags = 0x994;

constexpr SliderRow kRows[HwLight::kSliders] = {
    {"BGnd R", 0, 0, kColourFlags, 1, 4},         {"BGnd G", 0, 1, kColourFlags, 1, 4},
    {"BGnd B", 0, 2, kColourFlags, 1, 4},         {"Ambnt R", 1, 0, kColourFlags, 1, 8},
    {"Ambnt G", 1, 1, kColourFlags, 1, 8},        {"Ambnt B", 1, 2, kColourFlags, 1, 8},
    {"Diff R", 3, 0, kColourFlags, 1, 16},        {"Diff G", 3, 1, kColourFlags, 1, 16},
    {"Diff B", 3, 2, kColourFlags, 1, 16},        {"Spclr", 4, 0, kColourFlags, 1, 32},
    {"Pos X", 5, 0, kPositionFlags, 10, 64},      {"Pos Y", 5, 1, kPositionFlags, 10, 128},
    {"Pos Z", 5, 2, kPositionFlags, 10, 256},     {"Dir X", 6, 0, kColourFlags, 1, 512},
    {"Dir Y", 6, 1, kColourFlags, 1, 1024},       {"Dir Z", 6, 2, kColourFlags, 1, 2048},
    {"SptIn", 7, 0, kColourFlags, 1, 4096},       {"SptOut", 7, 1, kColourFlags, 1, 8192},
    {"Clip Near", 8, 0, kClipFlags, 1, kReqClipNear}, {"Clip Far", 8, 1, kClipFlags, 1, kReqClipFar},
};

// Frame windows from the top: y and height (frame 2 holds the type row).
constexpr int kFrameY[9] = {5, 104, 251, 296, 395, 438, 537, 636, 707};
constexpr int kFrameH[9] = {94, 94, 40, 94, 38, 94, 94, 66, 94};

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
float tiny0(float v) { return std::fabs(v) < 0.000001f ? 0.0f : v; }

void setSlider(HwSliderGroup* s, float lo, float v, float hi) {
  if (s) s->setRangeValue(lo, v, hi);
}

}  // namespace

HwLight::HwLight(int x, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Ogre Lights", x, 110, 370, 920, kEditorFrameStyle, 1, nullptr,
                   GVShowHelpPage, user),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_lights");
  gEditor = this;
  GeoEditorLinks l = GVGeoEditorLinks();
  l.lightsEditorVisible = [] { return gEditor && gEditor->isVisible() ? 1 : 0; };
  l.lightsEditorCamera = []() -> CameraRec* { return gEditor ? gEditor->savedCamera(0) : nullptr; };
  l.lightsEditorUpdateFields = [] {
    if (gEditor) gEditor->updateFields();
  };
  l.lightsEditorCameraOn = [] { return gEditor && gEditor->cameraMode() ? 1 : 0; };
  l.lightsEditorLight = [] { return gEditor ? gEditor->current() : 0; };
  GVSetGeoEditorLinks(l);
  build();
}

HwLight::~HwLight() {
  if (gEditor == this) {
    gEditor = nullptr;
    GeoEditorLinks l = GVGeoEditorLinks();
    l.lightsEditorVisible = nullptr;
    l.lightsEditorCamera = nullptr;
    l.lightsEditorUpdateFields = nullptr;
    l.lightsEditorCameraOn = nullptr;
    l.lightsEditorLight = nullptr;
    GVSetGeoEditorLinks(l);
  }
  delete selector;
  delete typeDrop;
  delete shadowButton;
  delete camButton;
  for (HwSliderGroup*& s : sliders) delete s;
  for (HwFrameWindow*& f : frames) delete f;
  for (CameraRec**& cell : saved_)
    if (cell) GVFreeCamera(cell);
}

CameraRec* HwLight::savedCamera(int k) const { return saved_[k] ? *saved_[k] : nullptr; }

DisplaySettings* HwLight::display() const { return GVScene().display; }
LightList* HwLight::lights() const { return GVScene().lights; }
LightRec* HwLight::light() const { return GVGetLight(index_, lights()); }

void HwLight::tell(int32_t value, int32_t request) { GVLightsDlgCB(value, request, index_, user_); }

void HwLight::resize(int w, int h) {
  // The controls keep their places; only the dialog's own form follows.
  HwDialogTemp::resize(w, h);
}

void HwLight::build() {
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;
  for (int f = 0; f < 9; ++f) {
    if (f == 2) continue;  // the light selector sits between frames 1 and 2
    frames[f] = new HwFrameWindow();
    frames[f]->create(parent, inst, 5, f < 2 ? kFrameY[f] : kFrameY[f], W - 10, kFrameH[f], 2);
  }
  // The selector at 213, then the type row's frame at 251.
  selector = new HwSelectorTool(inst, "Light:", W - 10, 60, 4, 5, 213, chooseLight, this, parent, "Light 0");
  if (selector->button2) selector->button2->setLabel("x");
  if (selector->button3) selector->button3->setLabel("+");
  frames[2] = new HwFrameWindow();
  frames[2]->create(parent, inst, 5, kFrameY[2], W - 10, kFrameH[2], 2);

  HWND typeRow = frames[2]->inner;
  typeDrop = new HwDropDownCntrl(inst, "Type: ", typeRow, 5, 3, 152, 28, 50, 0.2f,
                                 [](int item, void* e) { return static_cast<HwLight*>(e)->setType(item); }, this);
  static const char* const kTypes[4] = {"None", "Point", "Direct", "Spot"};
  typeDrop->fillList(kTypes, 4);
  if (typeDrop->multiList) typeDrop->selectItem(1);
  shadowButton = new HwBMButton();
  shadowButton->create(typeRow, inst, "Shadow", 2, 0, 0, 0, 0, 12, 177, 6, 56, 24, 3, "toggle casts shadows", 0, 0,
                       [](int, void* e) { return static_cast<HwLight*>(e)->toggleShadow(); }, this);
  camButton = new HwBMButton();
  camButton->create(typeRow, inst, "Cam", 2, 0, 0, 0, 0, 12, W - 10 - 42, 6, 36, 24, 3, "", 0, 0,
                    [](int, void* e) { return static_cast<HwLight*>(e)->toggleCamera(); }, this);

  static const HwSliderFloatCB kCBs[kSliders] = {
      sliderCB<kBgR>,  sliderCB<kBgG>,  sliderCB<kBgB>,  sliderCB<kAmbR>,    sliderCB<kAmbG>,
      sliderCB<kAmbB>, sliderCB<kDiffR>, sliderCB<kDiffG>, sliderCB<kDiffB>, sliderCB<kSpec>,
      sliderCB<kPosX>, sliderCB<kPosY>, sliderCB<kPosZ>, sliderCB<kDirX>,    sliderCB<kDirY>,
      sliderCB<kDirZ>, sliderCB<kSpotIn>, sliderCB<kSpotOut>, sliderCB<kClipNear>, sliderCB<kClipFar>};
  // The labels of a frame as wide as its widest text needs where the font runs
  // wider than the layout allows; the tracks beside them give up as much.
  int labelW[9] = {60, 60, 60, 60, 60, 60, 60, 60, 60};
  for (const SliderRow& r : kRows)
    if (frames[r.frame]) labelW[r.frame] = HwLabelWidthFor(frames[r.frame]->inner, r.label, labelW[r.frame], 4);
  for (int i = 0; i < kSliders; ++i) {
    const SliderRow& r = kRows[i];
    HwFrameWindow* f = frames[r.frame];
    if (!f) continue;
    const float lo = i >= kPosX && i <= kDirZ ? -1.0f : 0.0f;
    const float hi = i >= kClipNear ? 100.0f : i >= kSpotIn ? 180.0f : 1.0f;
    sliders[i] = new HwSliderGroup();
    sliders[i]->addFloat(labelW[r.frame], inst, f->inner, 5, 5 + 28 * r.row, W - 20 - 2 * f->border, 23, r.label, 55,
                         lo, 0, hi, r.flags, r.step, kCBs[i], this);
  }
  showLight(index_);
}

// ---- showing ----

void HwLight::clearLightFields() {
  if (shadowButton) shadowButton->setState(0);
  if (camButton) camButton->setState(0);
  for (int i = kDiffR; i <= kSpec; ++i) setSlider(sliders[i], 0, 0, 1);
  for (int i = kPosX; i <= kPosZ; ++i) setSlider(sliders[i], -10, 0, 10);
  for (int i = kDirX; i <= kDirZ; ++i) setSlider(sliders[i], -1, 0, 1);
  for (int i = kSpotIn; i <= kSpotOut; ++i) setSlider(sliders[i], 0, 0, 180);
  for (int i = kClipNear; i <= kClipFar; ++i) setSlider(sliders[i], 0, 0, 100);
}

void HwLight::showLight(int32_t index) {
  index_ = index;
  const DisplaySettings* d = display();
  const float bg[3] = {d ? d->background.r : 0, d ? d->background.g : 0, d ? d->background.b : 0};
  const float amb[3] = {d ? d->background2.r : 0, d ? d->background2.g : 0, d ? d->background2.b : 0};
  for (int k = 0; k < 3; ++k) {
    setSlider(sliders[kBgR + k], 0, bg[k], 1);
    setSlider(sliders[kAmbR + k], 0, amb[k], 1);
  }
  const LightRec* l = light();
  const int32_t kind = l ? l->kind : kNone;
  if (typeDrop && typeDrop->multiList) typeDrop->selectItem(kind >= 0 && kind <= 3 ? kind + 1 : 1);
  if (kind == kNone) {
    clearLightFields();
    return;
  }
  if (shadowButton) shadowButton->setState(l->flags & 1 ? 1 : 0);
  const GColour* diffuse = l->colour2;
  const GColour* specular = l->colour3;
  setSlider(sliders[kDiffR], 0, diffuse ? diffuse->r : 0, 1);
  setSlider(sliders[kDiffG], 0, diffuse ? diffuse->g : 0, 1);
  setSlider(sliders[kDiffB], 0, diffuse ? diffuse->b : 0, 1);
  setSlider(sliders[kSpec], 0, specular ? specular->r : 0, 1);
  const bool placed = kind != kDirectional;
  const float P = GVNiceSliderMax(
      placed ? std::max({std::fabs(l->position[0]), std::fabs(l->position[1]), std::fabs(l->position[2])}) : 0, 10);
  for (int k = 0; k < 3; ++k) setSlider(sliders[kPosX + k], -P, placed ? l->position[k] : 0, P);
  const bool aimed = kind != kPoint;
  for (int k = 0; k < 3; ++k) setSlider(sliders[kDirX + k], -1, aimed ? l->direction[k] : 0, 1);
  const bool spot = kind == kSpot;
  setSlider(sliders[kSpotIn], 0, spot ? l->angle1 : 0, 180);
  setSlider(sliders[kSpotOut], 0, spot ? l->angle2 : 0, 180);
  if (HwSliderGroup* far = sliders[kClipFar]) {
    float v = l->param2, lo = 0, hi = 0;
    far->fitRangeFloat(&v, &lo, &hi);
    setSlider(sliders[kClipNear], 0, l->param1, hi);
    setSlider(far, 0, l->param2, hi);
  }
}

void HwLight::refresh(int32_t index) {
  index_ = index;
  if (selector) selector->report(4);
  showLight(index_);
}

void HwLight::updateFields() {
  const LightRec* l = light();
  if (!l || l->kind == kNone) return;
  for (int k = 0; k < 3; ++k) {
    if (sliders[kPosX + k] && l->kind != kDirectional) {
      HwSliderGroup* s = sliders[kPosX + k];
      float v = l->position[k], lo = 0, hi = 0;
      s->fitRangeFloat(&v, &lo, &hi);
      s->setRangeValue(lo, l->position[k], hi);
    }
    if (sliders[kDirX + k] && l->kind != kPoint) sliders[kDirX + k]->setValue(l->direction[k]);
  }
}

// ---- camera mode ----

void HwLight::endCameraMode() {
  cameraMode_ = 0;
  lock = 0;
  if (camButton) camButton->setState(0);
}

void HwLight::cancelMode() {
  if (!cameraMode_) return;
  cameraMode_ = 0;
  tell(0, kReqCameraMode);
  endCameraMode();
}

int HwLight::toggleCamera() {
  for (CameraRec**& cell : saved_) {
    if (cell) continue;
    cell = new CameraRec*(nullptr);
    GVNewCamera(cell);
  }
  const LightRec* l = light();
  if (savedCamera(0) && savedCamera(1) && l && l->kind != kNone) {
    cameraMode_ = !cameraMode_;
    lock = cameraMode_;
    tell(cameraMode_, kReqCameraMode);
    return cameraMode_ ? 2 : 0;
  }
  // No light to look through: a view still looking from a light gets its
  // camera back.
  if (cameraMode_) tell(0, kReqCameraMode);
  endCameraMode();
  return 0;
}

// ---- type and shadow ----

int HwLight::setType(int item) {
  LightRec* l = light();
  if (l && item >= 1 && item <= 4) l->kind = item - 1;
  showLight(index_);
  const int32_t kind = l ? l->kind : kNone;
  tell(kind, kReqType);
  if (cameraMode_) {
    if (kind == kNone) {
      cameraMode_ = 0;
      tell(0, kReqCameraMode);
      endCameraMode();
    }
    tell(kind, kReqCameraType);
  }
  return item;
}

int HwLight::toggleShadow() {
  if (!lights()) return 0;
  const int32_t on = GVToggleLight(lights(), index_);
  if (!on) tell(on, kReqShadowOff);
  tell(on, kReqCastShadows);
  return on ? 1 : 0;
}

// ---- the sliders ----

float HwLight::editDirection(int axis, float value) {
  LightRec* l = light();
  float* d = l->direction;
  const int a = (axis + 1) % 3, b = (axis + 2) % 3;
  d[axis] = tiny0(std::max(-1.0f, std::min(1.0f, value)));
  if (std::fabs(d[axis]) + std::fabs(d[a]) + std::fabs(d[b]) < 0.00001f) {
    d[axis] = 0;
    d[a] = d[b] = 0.7071068f;
  } else if (std::fabs(d[a]) + std::fabs(d[b]) < 0.00001f) {
    d[axis] = d[axis] > 0 ? 1.0f : -1.0f;
  }
  const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (len > 0)
    for (int k = 0; k < 3; ++k) d[k] /= len;
  if (sliders[kDirX + a]) sliders[kDirX + a]->setValue(d[a]);
  if (sliders[kDirX + b]) sliders[kDirX + b]->setValue(d[b]);
  return d[axis];
}

float HwLight::editClipFar(int action, float value) {
  LightRec* l = light();
  HwSliderGroup* far = sliders[kClipFar];
  if (action == 1 && value < 0.01f) {
    // Released at 0: the application measures the range from the casters.
    tell(kAutoClip, kReqClipFar);
    l = light();
    if (!l) return 0;
    const float L = far ? far->niceLimit(l->param2) : l->param2;
    if (far && far->floatMaximum < L) {
      setSlider(sliders[kClipNear], 0, l->param1, L);
      far->setRange(0, L);
    }
    showLight(index_);
    return l->param2;
  }
  l->param2 = value;
  if (action == 0 && far) {
    const float L = far->niceLimit(value);
    far->setRange(0, L);
    if (sliders[kClipNear]) sliders[kClipNear]->setRange(0, L);
    showLight(index_);
  }
  tell(action, kReqClipFar);
  return value;
}

float HwLight::edit(int slider, int action, float value) {
  const int32_t request = kRows[slider].request;
  if (slider <= kAmbB) {
    value = clamp01(value);
    if (DisplaySettings* d = display()) {
      GColour& c = slider <= kBgB ? d->background : d->background2;
      float* rgb[3] = {&c.r, &c.g, &c.b};
      *rgb[(slider - kBgR) % 3] = value;
    }
    if (action != 3) tell(action, request);
    return value;
  }
  LightRec* l = light();
  const int32_t kind = l ? l->kind : kNone;
  if (slider <= kSpec) {
    value = clamp01(value);
    if (kind != kNone) {
      GColour* c = slider == kSpec ? l->colour3 : l->colour2;
      if (c && slider == kSpec) c->r = c->g = c->b = value;
      if (c && slider != kSpec) *(&c->r + (slider - kDiffR)) = value;
    }
    if (action != 3) tell(action, request);
    return value;
  }
  if (slider >= kClipNear) {
    value = std::max(0.0f, GVBoundSceneValue(value));
    if (kind == kNone) return 0;
    if (slider == kClipFar) return editClipFar(action, value);
    l->param1 = value;
    if (action != 3) tell(action, request);
    return value;
  }
  // Position, direction and spot angles: only the kinds that have them.
  const bool isPos = slider <= kPosZ, isDir = slider >= kDirX && slider <= kDirZ;
  const bool has = isPos ? kind == kPoint || kind == kSpot : isDir ? kind == kDirectional || kind == kSpot
                                                                   : kind == kSpot;
  if (!has) return 0;
  if (action == 3) return value;
  if (isPos) {
    value = tiny0(GVBoundSceneValue(value));
    l->position[slider - kPosX] = value;
    if (action == 0) {
      // The other two take the edited slider's wider range.
      const HwSliderGroup* s = sliders[slider];
      for (int k = 1; s && k <= 2; ++k) {
        HwSliderGroup* o = sliders[kPosX + (slider - kPosX + k) % 3];
        if (o && (o->floatMinimum > s->floatMinimum + 0.1f || o->floatMaximum < s->floatMaximum - 0.1f))
          o->setRange(s->floatMinimum, s->floatMaximum);
      }
    }
  } else if (isDir) {
    value = editDirection(slider - kDirX, value);
  } else {
    value = tiny0(std::max(0.0f, std::min(180.0f, value)));
    if (slider == kSpotIn)
      l->angle1 = value = std::min(value, l->angle2);
    else
      l->angle2 = value = std::max(value, l->angle1);
  }
  tell(action, request);
  if (cameraMode_ && (isPos || isDir)) tell(request, kReqCameraFollow);
  return value;
}

template <int Slider>
float HwLight::sliderCB(int action, float value, void* editor) {
  return static_cast<HwLight*>(editor)->edit(Slider, action, value);
}

// ---- the light chooser ----

void HwLight::chooseLight(int action, char* text, void* editor) {
  auto* self = static_cast<HwLight*>(editor);
  LightList* list = self ? self->lights() : nullptr;
  if (!self || !list) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  const int32_t count = list->lights ? list->count : 0;
  switch (action) {
    case -1:
    case 1:
      if (count <= 0)
        self->index_ = -1;
      else if (action == 1)
        self->index_ = self->index_ >= count - 1 || self->index_ < 0 ? 0 : self->index_ + 1;
      else
        self->index_ = self->index_ <= 0 || self->index_ >= count ? count - 1 : self->index_ - 1;
      self->showLight(self->index_);
      if (self->cameraMode_ && self->light() && self->light()->kind != kNone) self->tell(0, kReqCameraStep);
      break;
    case 2:
      if (count <= 1) {
        MessageBeep(MB_ICONHAND);
        break;
      }
      self->tell(2, kReqDelete);
      self->showLight(std::max(0, self->index_ - 1));
      break;
    case 3: {
      const int32_t added = GVAddLight(list);
      self->showLight(GVGetLight(added, list) ? added : self->index_);
      break;
    }
    default:
      break;
  }
  if (self->index_ < 0)
    std::snprintf(text, kHwSelectorBuffer, "NONE");
  else
    std::snprintf(text, kHwSelectorBuffer, "Light %d", self->index_);
  if (action != 4) self->tell(action, kReqChooser);
}

// ---- the opener's entry and the service ----

GVEditorEntry GVLightsEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwLight(a.x, a.main); };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t) {
    auto* l = static_cast<HwLight*>(d);
    const LightList* list = GVScene().lights;
    if (!list || l->current() >= list->count) l->refresh(0);
  };
  return e;
}

void GVEndLightEdit() {
  if (gEditor) gEditor->cancelMode();
}
