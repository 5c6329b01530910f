#include "editors/matter_editor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "appwins/help_window.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "platform/win32.h"
#include "dynamics/world_runner.h"
#include "editors/editor_common.h"
#include "jel/jel_object.h"
#include "jel/state_interface.h"
#include "scene/edit_rules.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/slider_group.h"

namespace {

struct SliderRow {
  const char* label;
  unsigned flags;
  float step;
  uint32_t request;
  uint32_t mask;
};

constexpr SliderRow kRows[HwMatter::kSliders] = {
    {"F-Ratio", 0x1190, 10, 2, kMatterFRatio},           {"Sc_L", 0x1194, 10, 4, kMatterScaleL},
    {"Sc_T", 0x1194, 10, 8, kMatterScaleT},              {"Density", 0x1194, 10, 16, kMatterDensity},
    {"Elasticity", 0x194, 10, 32, kMatterElasticity},    {"Damping", 0x194, 10, 128, kMatterDamping},
    {"Bulge", 0x194, 10, 64, kMatterBulge},              {"Friction", 0x194, 10, 256, kMatterFriction},
    {"Fx", 0x15a4, 10, 512, kMatterForceX},              {"Fy", 0x15a4, 10, 1024, kMatterForceY},
    {"Fz", 0x15a4, 10, 2048, kMatterForceZ},             {"FlatZ", 0x54, 1, 4096, kMatterFlatZ},
};

// The record's field of a slider (F-Ratio first, in the sliders' order).
float& field(MatterProps& m, int slider) {
  float* const fields[HwMatter::kSliders] = {&m.fRatio,     &m.scaleL,  &m.scaleT, &m.density,
                                             &m.elasticity, &m.damping, &m.bulge,  &m.friction,
                                             &m.forceX,     &m.forceY,  &m.forceZ, &m.flatZ};
  return *fields[slider];
}

// A typed or dragged value as the Jel's record will hold it, so that the
// sub-step check and the field see what the Jel gets.
float heldValue(int slider, float value) {
  if (slider == HwMatter::kScaleL || slider == HwMatter::kScaleT)
    return std::fmax(kMatterScaleMin, std::fmin(kMatterScaleMax, value));
  MatterProps m;
  field(m, slider) = value;
  GVClampMatter(&m, kRows[slider].mask);
  return GVBoundSceneValue(field(m, slider));
}


HWorld* world() { return GVEditorWorld(); }
HObject* jelOf(int32_t id) { return id >= 1 && world() ? GVGetJelById(world(), id) : nullptr; }

// Whole sub-steps for a ratio; a ratio no int holds (a file may give one) is
// kept far inside the int range.
int roundUp(float f) {
  const double c = std::ceil(static_cast<double>(f) - 1e-6);
  return c >= -1.0e9 && c <= 1.0e9 ? static_cast<int>(c) : c > 0 ? 1000000000 : -1000000000;
}

// The F-Ratio a user may type: the range the matter record keeps it in.
int fRatioLimit(bool upper) {
  const MatterFieldInfo& info = GVMatterFieldInfo(0);
  return static_cast<int>(upper ? info.high : info.low);
}

// Node 1 of stored frame 0, every field.
MatterProps storedRecord(HObject* jel) {
  MatterProps m;
  jel->getNodeMatter(1, 0, kMatterAllFields, &m);
  return m;
}

float forceMax(const MatterProps& m) {
  return GVNiceSliderMax(std::max({std::fabs(m.forceX), std::fabs(m.forceY), std::fabs(m.forceZ)}), 10);
}

}  // namespace

HwMatter::HwMatter(int x, int32_t id, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Matter Editor", x, 110, 355, 540, kEditorFrameStyle, 0,
                   GVLinkedEditorOwnerCB, GVShowHelpPage, &link),
      id_(id < 0 ? 0 : id),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_mat");
  link.jelId = id_;
  link.visible = isVisible() ? 1 : 0;
  link.editor = this;
  GVEditors().matter = &link;
  build();
}

HwMatter::~HwMatter() {
  if (GVEditors().matter == &link) GVEditors().matter = nullptr;
  delete selector;
  for (HwFrameWindow*& f : frames) delete f;
  for (HwSliderGroup*& s : sliders) delete s;
}

void HwMatter::setCurrent(int32_t id) {
  id_ = id;
  link.jelId = id;
}

bool HwMatter::hasJel() const { return world() && id_ != 0; }

void HwMatter::build() {
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;
  selector = GVMakeJelSelector(parent, W - 10, id_, chooseJel, this);

  // The record shown, and the maxima it gives.
  MatterProps m;
  float maxima[kSliders];
  std::fill(maxima, maxima + kSliders, 10.0f);
  int fShown = 1;
  if (HObject* jel = jelOf(id_)) {
    m = storedRecord(jel);
    const float s = jel->cellSize;
    const float need = std::max(m.fRatio, GVMatterSubSteps(&m, s));
    fShown = roundUp(need);
    maxima[kFRatio] = static_cast<float>(roundUp(GVNiceSliderMax(need, 10)));
    GVMatterLimitsForSubSteps(&maxima[kElasticity], &maxima[kDamping], &m, fShown, s);
    for (int i : {kScaleL, kScaleT, kDensity}) maxima[i] = GVNiceSliderMax(field(m, i), 10);
  } else {
    for (int i = kScaleL; i < kSliders; ++i) field(m, i) = 0;
  }
  maxima[kBulge] = 2;
  maxima[kFriction] = maxima[kFlatZ] = 1;
  maxima[kFx] = maxima[kFy] = maxima[kFz] = forceMax(m);

  const int heights[5] = {33, 89, 117, 89, 33};
  const int firstOf[6] = {kFRatio, kScaleL, kElasticity, kFx, kFlatZ, kSliders};
  int y = 38;
  for (int g = 0; g < 5; ++g) {
    frames[g] = new HwFrameWindow();
    frames[g]->create(parent, inst, 5, y, W - 10, heights[g], 2);
    y += heights[g] + 5;
    HWND inner = frames[g]->inner;
    const int innerW = W - 10 - 2 * frames[g]->border, innerH = heights[g] - 2 * frames[g]->border;
    for (int i = firstOf[g]; i < firstOf[g + 1]; ++i) {
      const SliderRow& r = kRows[i];
      auto* s = sliders[i] = new HwSliderGroup();
      const int sy = 5 + (i - firstOf[g]) * 28;
      if (i == kFRatio) {
        s->addInt(70, inst, inner, 0, sy, innerW, innerH - 10, r.label, 55, 1, fShown,
                  static_cast<int>(maxima[kFRatio]), r.flags, 10, fRatioCB, this);
        s->setEntryIntRange(fRatioLimit(false), fRatioLimit(true));
        continue;
      }
      static const HwSliderFloatCB kCBs[kSliders] = {
          nullptr,         fieldCB<kScaleL>, fieldCB<kScaleT>, fieldCB<kDensity>,
          fieldCB<kElasticity>, fieldCB<kDamping>, fieldCB<kBulge>,  fieldCB<kFriction>,
          fieldCB<kFx>,    fieldCB<kFy>,     fieldCB<kFz>,     fieldCB<kFlatZ>};
      const float minimum = i <= kDensity ? 0.01f : (i >= kFx && i <= kFz ? -maxima[i] : 0.0f);
      s->addFloat(70, inst, inner, 0, sy, innerW, 23, r.label, 55, minimum, field(m, i), maxima[i], r.flags, r.step,
                  kCBs[i], this);
    }
  }
}

// ---- reading and writing ----

void HwMatter::read(MatterProps* record, uint32_t mask) { GVGetSelMatter(world(), id_, mask, record); }

void HwMatter::write(const MatterProps& record, uint32_t mask, int32_t frame) {
  HWorld* w = world();
  if (!w || id_ == 0) return;
  // Group ids -2 .. -31 name bit -id of the group mask, unsigned.
  const uint32_t groupBit = id_ <= -2 && id_ >= -31 ? 1u << static_cast<uint32_t>(-id_) : 0u;
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    const bool chosen = j->id == id_ || (groupBit && (static_cast<uint32_t>(j->groupMask) & groupBit));
    if (!chosen || j->playParams.mode == kWorldReplay) continue;
    MatterProps copy = record;  // the lattice clamps its record in place
    j->setPartMatter(1, 0, mask, &copy);
  }
  GVSetSelMatter(w, id_, frame, 1, mask, &record);
}

void HwMatter::fitSubSteps(MatterProps* record, uint32_t flags) {
  HWorld* w = world();
  float s = w ? GVJelSelScale(w, id_) : 1.0f;
  if (s < 0.00001f) s = 1.0f;
  record->fRatio = std::max(record->fRatio, GVMatterSubSteps(record, s));
  HwSliderGroup* f = sliders[kFRatio];
  int v = f && f->edit ? f->edit->getInt() : 0;
  const int c = roundUp(record->fRatio);
  const bool below = v < c;
  if (below) v = c;
  if (!below && !(flags & kMatterFRatio)) return;
  if (f) {
    int lo = f->intMinimum, hi = f->intMaximum;
    f->fitRangeInt(&v, &lo, &hi);
    f->setIntRangeValue(lo, v, hi);
  }
  float eMax = 10, dMax = 10;
  GVMatterLimitsForSubSteps(&eMax, &dMax, record, v, s);
  if (sliders[kElasticity]) sliders[kElasticity]->setRangeValue(0, record->elasticity, eMax);
  if (sliders[kDamping]) sliders[kDamping]->setRangeValue(0, record->damping, dMax);
}

void HwMatter::clearSliders() {
  if (sliders[kFRatio]) sliders[kFRatio]->setIntRangeValue(1, 1, 10);
  for (int i = kScaleL; i < kSliders; ++i) {
    HwSliderGroup* s = sliders[i];
    if (!s) continue;
    if (i <= kDensity)
      s->setRangeValue(0.01f, 0, 10);
    else if (i == kBulge)
      s->setRangeValue(0, 0, 2);
    else if (i >= kFx && i <= kFz)
      s->setRangeValue(-10, 0, 10);
    else
      s->setRangeValue(0, 0, 1);
  }
}

void HwMatter::refresh(int32_t id) {
  setCurrent(id);
  HObject* jel = world() && id != 0 ? jelOf(id) : nullptr;
  if (!jel) {
    clearSliders();
    return;
  }
  MatterProps m = storedRecord(jel);
  const int f = roundUp(m.fRatio);
  if (sliders[kFRatio]) sliders[kFRatio]->setIntRangeValue(1, f, GVNiceSliderMaxInt(f));
  fitSubSteps(&m, 0xffffffffu);
  const float M = forceMax(m);
  for (int i = kScaleL; i < kSliders; ++i) {
    HwSliderGroup* s = sliders[i];
    if (!s || i == kElasticity || i == kDamping) continue;
    const float v = field(m, i);
    if (i <= kDensity)
      s->setRangeValue(0.01f, v, GVNiceSliderMax(v, 10));
    else if (i == kBulge)
      s->setRangeValue(0, v, 2);
    else if (i >= kFx && i <= kFz)
      s->setRangeValue(-M, v, M);
    else
      s->setRangeValue(0, v, 1);
  }
}

void HwMatter::update(int32_t id) {
  if (id < 0) id = 0;
  if (id == 0 && jelOf(id_)) return;
  setCurrent(jelOf(id) ? id : 0);
  GVShowJelChooser(selector, id_);
  refresh(id_);
}

// ---- slider callbacks ----

void HwMatter::shareForceRange(int slider) {
  const HwSliderGroup* s = sliders[slider];
  if (!s) return;
  for (int k = 1; k <= 2; ++k) {
    HwSliderGroup* o = sliders[kFx + (slider - kFx + k) % 3];
    if (o && (o->floatMinimum > s->floatMinimum + 0.1f || o->floatMaximum < s->floatMaximum - 0.1f))
      o->setRange(s->floatMinimum, s->floatMaximum);
  }
}

void HwMatter::fitForceRanges() {
  HwSliderGroup* fx = sliders[kFx];
  if (!fx || !(fx->flags & (kSliderSymmetric | kSliderAutoExtend))) return;
  float largest = 0;
  for (int i = kFx; i <= kFz; ++i)
    if (sliders[i]) largest = std::max(largest, std::fabs(sliders[i]->floatValue));
  const float L = fx->niceLimit(largest);
  const float lo = fx->flags & kSliderSymmetric ? -L : fx->floatMinimum;
  const float hi = fx->flags & kSliderAutoExtend ? L : fx->floatMaximum;
  for (int i = kFx; i <= kFz; ++i)
    if (sliders[i]) sliders[i]->setRange(lo, hi);
}

float HwMatter::edit(int slider, int action, float value) {
  if (!hasJel()) return 0;
  const uint32_t mask = kRows[slider].mask;
  const bool isForce = slider >= kFx && slider <= kFz;
  if (action == 3) {
    if (isForce) fitForceRanges();
    return value;
  }
  value = heldValue(slider, value);
  MatterProps m;
  switch (slider) {
    case kFriction:
    case kFlatZ:
      field(m, slider) = value;
      write(m, mask, kFrameInStep);
      read(&m, mask);
      value = field(m, slider);
      break;
    case kFx:
    case kFy:
    case kFz:
      field(m, slider) = value;
      write(m, mask, kFrameCommitted);
      read(&m, mask);
      value = field(m, slider);
      if (action == 0) shareForceRange(slider);
      break;
    default: {
      // Sc_L, Sc_T, Density, Elasticity, Damping, Bulge.
      const bool keepsCheck = slider == kScaleL || slider == kScaleT || slider == kBulge;
      if (action == 0 || keepsCheck) {
        read(&m, kMatterAllFields);
        field(m, slider) = value;
        fitSubSteps(&m, mask);
        const bool withRatio = action == 0 || slider != kBulge;
        write(m, withRatio ? mask | kMatterFRatio : mask, action == 0 ? kFrameCommitted : kFrameInStep);
      } else {
        field(m, slider) = value;
        write(m, mask, kFrameInStep);
      }
      break;
    }
  }
  GVMatterDlgCB(action, kRows[slider].request, value, user_);
  return value;
}

template <int Slider>
float HwMatter::fieldCB(int action, float value, void* d) {
  return static_cast<HwMatter*>(d)->edit(Slider, action, value);
}

int HwMatter::fRatioCB(int action, int value, void* d) {
  auto* self = static_cast<HwMatter*>(d);
  if (!self->hasJel()) return 1;
  if (action == 3) return value;
  MatterProps m;
  self->read(&m, kMatterAllFields);
  m.fRatio = static_cast<float>(value);
  self->fitSubSteps(&m, kMatterFRatio);
  self->write(m, kMatterFRatio, kFrameCommitted);
  GVMatterDlgCB(action, kRows[kFRatio].request, m.fRatio, self->user_);
  return roundUp(m.fRatio);
}

// ---- chooser ----

void HwMatter::chooseJel(int action, char* text, void* editor) {
  auto* self = static_cast<HwMatter*>(editor);
  if (!self) {
    std::strcpy(text, "NONE");
    return;
  }
  HWorld* w = world();
  if (!w || !w->head) {
    self->refresh(self->id_);
    std::strcpy(text, "NONE");
    return;
  }
  if (action == -1 || action == 1) self->setCurrent(GVStepAllObjectsJel(self->id_, action));
  if (action >= -1 && action <= 3 && action != 0) self->refresh(self->id_);
  if (action == 0 && self->id_ >= 1 && GVJelExists(GVScene().world, self->id_)) {
    char name[kHwSelectorBuffer];
    std::strncpy(name, text, sizeof name - 1);
    name[sizeof name - 1] = 0;
    GVRenameJel(name, self->id_);
  }
  GVJelChooserText(self->id_, text, kHwSelectorBuffer);
  if (action != 4) GVMatterDlgCB(action, 1, 0.0f, self->user_);
}

// ---- the opener's entry ----

GVEditorEntry GVMatterEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwMatter(a.x, a.jelId, a.main); };
  e.show = [](HwDialogWindow* d) { GVShowLinkedEditor(d, &static_cast<HwMatter*>(d)->link); };
  e.hide = [](HwDialogWindow* d) { GVHideLinkedEditor(d, &static_cast<HwMatter*>(d)->link); };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t jelId) { static_cast<HwMatter*>(d)->update(jelId); };
  return e;
}
