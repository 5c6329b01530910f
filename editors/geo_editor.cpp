#include "editors/geo_editor.h"

#include <cstdio>
#include <cstring>

#include "appwins/help_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "geo/geo_binding.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"
#include "platform/win32.h"
#include "scene/edit_rules.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"

namespace {

// Geo flag bits this dialog reads or writes.
constexpr uint32_t kDefMode = GEO_FLAG_BOUND;
constexpr uint32_t kDoubleSided = 0x4;
constexpr uint32_t kOutside = GEO_FLAG_TOO_FAR_OUTSIDE;
constexpr uint32_t kStatic = GEO_FLAG_VERTEX_BINDING;
constexpr uint32_t kSoftTf = GEO_FLAG_CELL_BINDING;
constexpr uint32_t kSoftTf2 = GEO_FLAG_CELL_BINDING2;
constexpr uint32_t kSmooth = GEO_FLAG_SEAM_LISTS;

// Owner events.
enum : int32_t {
  kEvGeo = 1, kEvJel = 2, kEvDefMode = 4, kEvStyle = 8, kEvMassoc = 16, kEvClear = 32, kEvBake = 64,
  kEvLast = 128, kEvPart = 0x100, kEvMetric = 2048, kEvSmooth = 4096, kEvPartOk = 0x2000,
  kEvPartFallback = 0x4000, kEvPartOutside = 0x8000, kEvNoDeform = 0x20000, kEvSided = 0x80000,
};

const char* const kNaturalOnly = "This operation must be performed in NATURAL STATE mode.";

// The one live editor, for the callback's links (the main window owns at
// most one).
HwEditGeo* gLive = nullptr;

HWorld* world() { return GVEditorWorld(); }
GeoList* geoList() { return GVGeoListOf(GVScene().geoList); }
bool natural() { return world() && world()->params.stateMode == -1; }
void status(const char* text) {
  if (auto f = GVSceneServices().showStatusLine) f(text);
}
void put(char* text, const char* s) { std::snprintf(text, kHwSelectorBuffer, "%s", s); }
void partText(char* text, int32_t part) {
  if (part > 0)
    std::snprintf(text, kHwSelectorBuffer, "Part %d", part);
  else
    put(text, "NONE");
}
void showText(HwSelectorTool* s, const char* text) {
  if (!s) return;
  s->setValue(text);
  if (s->window) RedrawWindow(s->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
void select(HwDropDownCntrl* d, int item) {
  if (d && d->multiList) d->selectItem(item);
}
HwDropDownCntrl* makeDrop(HWND parent, int x, int y, int labelWidth, const char* label,
                          std::initializer_list<const char*> items, int item, HwDropDownCB cb, void* user) {
  auto* d = new HwDropDownCntrl(GetModuleHandleA(nullptr), label, parent, x, y, 220, 25, labelWidth, 0.2f, cb, user);
  d->fillList(items.begin(), static_cast<int>(items.size()));
  select(d, item);
  return d;
}
HwFrameWindow* makeFrame(HWND parent, int y, int width, int height) {
  auto* f = new HwFrameWindow();
  f->create(parent, GetModuleHandleA(nullptr), 5, y, width, height, 2);
  return f;
}
HwSelectorTool* makeSelector(HWND parent, const char* label, int y, int width, HwSelectorCB cb, void* user,
                             const char* third) {
  auto* s = new HwSelectorTool(GetModuleHandleA(nullptr), label, width, 60, 2, 5, y, cb, user, parent, "NONE");
  if (s->button2) s->button2->setLabel(" ");
  if (s->button3) s->button3->setLabel(third);
  return s;
}
HwBaseControl* makeButton(HWND parent, int y, const char* label, HwButtonCB cb, void* user) {
  auto* b = new HwBaseControl();
  b->createButton(GetModuleHandleA(nullptr), parent, 5, y, 180, 25, label, "", 24, 1, cb, user);
  return b;
}
int level1Item(uint32_t flags) { return flags & kStatic ? 2 : flags & kSoftTf ? 3 : 1; }
// As a refresh shows it: "Soft-Tf" wins over "Static".
int shownLevel1Item(uint32_t flags) { return flags & kSoftTf ? 3 : flags & kStatic ? 2 : 1; }

}  // namespace

HwEditGeo::HwEditGeo(int x, int32_t geoId, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Geo Props", x, 110, 355, 645, kEditorFrameStyle, 0, nullptr,
                   GVShowHelpPage, nullptr),
      subject_(geoId < 0 ? 0 : geoId),
      user_(user),
      owner_(GVEditGeoCB) {
  GVSetEditorHelpTopic(this, "dlg_edgeo");
  gLive = this;
  GeoEditorLinks links = GVGeoEditorLinks();
  links.geoEditorGeo = [] { return gLive ? gLive->subject() : 0; };
  links.geoEditorLevel = [](int32_t which, int32_t* part, int32_t* jel) {
    if (gLive) gLive->level(which, part, jel);
  };
  links.geoEditorUpdateFields = [] {
    if (gLive) gLive->updateFields(gLive->subject());
  };
  GVSetGeoEditorLinks(links);
  deriveBinding();
  build();
}

HwEditGeo::~HwEditGeo() {
  if (gLive == this) {
    gLive = nullptr;
    GeoEditorLinks links = GVGeoEditorLinks();
    links.geoEditorGeo = nullptr;
    links.geoEditorLevel = nullptr;
    links.geoEditorUpdateFields = nullptr;
    GVSetGeoEditorLinks(links);
  }
  for (HwSelectorTool* s : {geoSelector, jel1Selector, part1Selector, jel2Selector, part2Selector}) delete s;
  for (HwDropDownCntrl* d : {defMode, level1Style, level2Style, smoothing, doubleSided}) delete d;
  for (HwBaseControl* c : {massocButton, clearMassocButton, bakeButton, makeLastButton, collMetric}) delete c;
  for (HwFrameWindow* f : {bindFrame, actionFrame, smoothFrame, sidedFrame}) delete f;
}

void HwEditGeo::build() {
  if (!content || !content->inner) return;
  HWND parent = content->inner;
  const int W = contentWidth;
  const GObject* g = subjectGeo();
  const uint32_t f = g ? g->flags : 0;
  char text[kHwSelectorBuffer];

  geoSelector = makeSelector(parent, "Geo : ", 5, W - 10, [](int c, char* t, void* d) {
    static_cast<HwEditGeo*>(d)->chooseGeo(c, t);
  }, this, "H");
  chooseGeo(4, text);
  showText(geoSelector, text);
  defMode = makeDrop(parent, 15, 43, 120, "Def Mode:", {"ON", "OFF"}, f & kDefMode ? 1 : 2,
                     [](int i, void* d) { return static_cast<HwEditGeo*>(d)->setDefMode(i); }, this);
  level1Style = makeDrop(parent, 15, 76, 120, "Def Style Level 1:", {"NONE", "Static", "Soft-Tf"}, level1Item(f),
                         [](int i, void* d) { return static_cast<HwEditGeo*>(d)->setLevel1Style(i); }, this);
  level2Style = makeDrop(parent, 15, 109, 120, "Def Style Level 2:", {"NONE", "Soft-Tf"}, f & kSoftTf2 ? 2 : 1,
                         [](int i, void* d) { return static_cast<HwEditGeo*>(d)->setLevel2Style(i); }, this);

  bindFrame = makeFrame(parent, 142, W - 10, 142);
  HWND bind = bindFrame->inner;
  jel1Selector = makeSelector(bind, "Jel 1 : ", 5, W - 20, [](int c, char* t, void* d) {
    static_cast<HwEditGeo*>(d)->chooseJel(1, c, t);
  }, this, " ");
  part1Selector = makeSelector(bind, "Part 1 : ", 38, W - 20, [](int c, char* t, void* d) {
    static_cast<HwEditGeo*>(d)->choosePart(1, c, t);
  }, this, " ");
  jel2Selector = makeSelector(bind, "Jel 2 : ", 76, W - 20, [](int c, char* t, void* d) {
    static_cast<HwEditGeo*>(d)->chooseJel(2, c, t);
  }, this, " ");
  part2Selector = makeSelector(bind, "Part 2 : ", 109, W - 20, [](int c, char* t, void* d) {
    static_cast<HwEditGeo*>(d)->choosePart(2, c, t);
  }, this, " ");

  actionFrame = makeFrame(parent, 289, W - 10, 125);
  HWND act = actionFrame->inner;
  massocButton = makeButton(act, 5, "Massoc Geo~Jel1: ", [](int, void* d) {
    static_cast<HwEditGeo*>(d)->massoc();
    return 0;
  }, this);
  clearMassocButton = makeButton(act, 35, "Clear Massoc Geo: ", [](int, void* d) {
    static_cast<HwEditGeo*>(d)->clearMassoc();
    return 0;
  }, this);
  bakeButton = makeButton(act, 65, "Bake Geo Shape: ", [](int, void* d) {
    static_cast<HwEditGeo*>(d)->bakeShape();
    return 0;
  }, this);
  makeLastButton = makeButton(act, 95, "Make Geo Last: ", [](int, void* d) {
    static_cast<HwEditGeo*>(d)->makeLast();
    return 0;
  }, this);

  collMetric = new HwBaseControl();
  collMetric->createFloat(parent, GetModuleHandleA(nullptr), 5, 419, W - 30, 30, "Geo Coll Metric:", 144,
                          g ? g->faceSize : 0.0f,
                          [](int c, float v, void* d) { return static_cast<HwEditGeo*>(d)->setCollMetric(c, v); },
                          this);
  smoothFrame = makeFrame(parent, 454, W - 10, 31);
  smoothing = makeDrop(smoothFrame->inner, 5, 3, 144, "Smooth Vtx Norms:", {"OFF", "ON"}, f & kSmooth ? 2 : 1,
                       [](int i, void* d) { return static_cast<HwEditGeo*>(d)->setSmoothNormals(i); }, this);
  sidedFrame = makeFrame(parent, 490, W - 10, 31);
  doubleSided = makeDrop(sidedFrame->inner, 5, 3, 144, "Draw Dbl-Sided:", {"OFF", "ON"}, f & kDoubleSided ? 2 : 1,
                         [](int i, void* d) { return static_cast<HwEditGeo*>(d)->setDoubleSided(i); }, this);
  if (g) showJelSelectors();
}

void HwEditGeo::resize(int width, int height) {
  templateWidth = width;
  templateHeight = height;
  HwDialogTemp::resize(width, height);
}

void HwEditGeo::level(int32_t which, int32_t* part, int32_t* jel) const {
  if (part) *part = which == 2 ? part2_ : part1_;
  if (jel) *jel = which == 2 ? jel2_ : jel1_;
}

GObject* HwEditGeo::subjectGeo() const { return subject_ >= 1 ? GVGetGeoById(geoList(), subject_) : nullptr; }

void HwEditGeo::notify(int32_t code, int32_t mask, int32_t id, int32_t value) {
  if (owner_) owner_(code, mask, id, value, user_);
}

template <typename Fn>
void HwEditGeo::forEachSelected(Fn fn) {
  GeoList* list = geoList();
  if (!list || subject_ == 0) return;
  for (GObject* g = list->head; g; g = g->next)
    if (subject_ == -1 || GVGeoIdInSel(g->id, subject_, GVScene().geoList)) fn(g);
}

// ---- refresh ----

void HwEditGeo::setGeo(int32_t id) {
  if (id != 0) subject_ = id;
  if (subject_ != 0 && !subjectGeo()) subject_ = 0;
  char text[kHwSelectorBuffer];
  chooseGeo(4, text);
  showText(geoSelector, text);
  updateFields(subject_);
}

void HwEditGeo::clearToggles() {
  select(smoothing, 1);
  select(doubleSided, 1);
}

void HwEditGeo::updateFields(int32_t id) {
  subject_ = id;
  GObject* g = subjectGeo();
  if (!geoList() || !world() || !g) {
    clearToggles();
    return;
  }
  deriveBinding();
  select(defMode, g->flags & kDefMode ? 1 : 2);
  select(level1Style, shownLevel1Item(g->flags));
  select(level2Style, g->flags & kSoftTf2 ? 2 : 1);
  showJelSelectors();
  GVSetFieldFloat(collMetric, g->faceSize);
  select(smoothing, g->flags & kSmooth ? 2 : 1);
  select(doubleSided, g->flags & kDoubleSided ? 2 : 1);
}

// ---- binding values ----

void HwEditGeo::deriveBinding() {
  const GObject* g = subjectGeo();
  if (!g) return;
  if (g->flags & kStatic) {
    jel1_ = g->jelId;
    part1_ = 1;
  } else if (g->cellBind && g->cellBind->jelId != 0) {
    jel1_ = g->cellBind->jelId;
    part1_ = g->cellBind->part;
  } else {
    jel1_ = g->jelId;
    part1_ = 0;
  }
  const bool second = g->cellBind2 && g->cellBind2->jelId != 0;
  jel2_ = second ? g->cellBind2->jelId : 0;
  part2_ = second ? g->cellBind2->part : 0;
}

bool HwEditGeo::canDeform() const {
  const GObject* g = subjectGeo();
  if (!world() || !g) return false;
  const bool one = jel1_ != 0 && part1_ != 0;
  const bool two = g->cellBind2 && g->cellBind2->jelId != 0 && g->cellBind2->part != 0;
  return (one && (g->flags & (kStatic | kSoftTf))) || (two && (g->flags & kSoftTf2));
}

void HwEditGeo::showJelSelectors() {
  const GObject* g = subjectGeo();
  if (!g) return;
  HWorld* w = world();
  for (int32_t* jel : {&jel1_, &jel2_})
    if (*jel < 1 || !w || !GVGetJelById(w, *jel)) *jel = 0;
  if (jel1_ == 0) part1_ = 0;
  if (jel2_ == 0) part2_ = 0;
  char text[kHwSelectorBuffer];
  if (g->flags & (kStatic | kSoftTf)) {
    chooseJel(1, 4, text);
    showText(jel1Selector, text);
    choosePart(1, 4, text);
    showText(part1Selector, text);
  } else {
    showText(jel1Selector, "NONE");
    showText(part1Selector, "NONE");
  }
  if (g->flags & kSoftTf2) {
    if (w && w->head)
      GVJelChooserText(jel2_, text, sizeof text);
    else
      put(text, "NONE");
    showText(jel2Selector, text);
    partText(text, part2_);
    showText(part2Selector, text);
  } else {
    showText(jel2Selector, "NONE");
    showText(part2Selector, "NONE");
  }
}

// The report of a level apply: the part does not enclose the Geo, the block
// part was taken, or the binding fell back.
int HwEditGeo::levelReport(const GObject* g, int32_t r) const {
  return g->flags & kOutside ? kEvPartOutside : r != 0 ? kEvPartOk : kEvPartFallback;
}

void HwEditGeo::applyLevel1() {
  GObject* g = subjectGeo();
  if (!g) return;
  HObject* jel = jel1_ >= 1 ? GVGetJelById(world(), jel1_) : nullptr;
  if (g->flags & kStatic) {
    part1_ = 1;
    if (jel) {
      GVUpdateJelDeform(jel, 0);
      GVApplyGeoTransform(g, GEO_SEL_START);
      GVMassocGeoMode(jel->handle, g->handle, 1);
    }
    if (jel1_ != 0 && part1_ != 0 && (g->flags & kOutside)) notify(1, kEvPartOutside, subject_, 0);
    updateFields(subject_);
  } else if (g->flags & kSoftTf) {
    GVApplyGeoTransform(g, GEO_SEL_START);
    const int32_t r = jel ? GVCellBindGeo(g, jel, part1_) : 0;
    if (jel1_ != 0 && part1_ != 0) notify(1, levelReport(g, r), subject_, 0);
    deriveBinding();
  }
}

void HwEditGeo::applyLevel2() {
  GObject* g = subjectGeo();
  if (!g || !(g->flags & kSoftTf2)) return;
  HObject* jel = jel2_ >= 1 ? GVGetJelById(world(), jel2_) : nullptr;
  GVApplyGeoTransform(g, GEO_SEL_START);
  const int32_t r = jel ? GVCellBindGeoSecondary(g, jel, part2_) : 0;
  if (jel2_ != 0 && part2_ != 0) notify(2, levelReport(g, r), subject_, 0);
  const bool second = g->cellBind2 && g->cellBind2->jelId != 0;
  jel2_ = second ? g->cellBind2->jelId : 0;
  part2_ = second ? g->cellBind2->part : 0;
}

// ---- choosers ----

void HwEditGeo::chooseGeo(int code, char* text) {
  GeoList* list = geoList();
  if (!list || !list->head) {
    updateFields(subject_);
    put(text, "NONE");
    return;
  }
  if (code == -1) {
    subject_ = GVPrevGeoId(GVScene().geoList, subject_);
    updateFields(subject_);
  } else if (code == 1) {
    const GObject* g = subjectGeo();
    subject_ = g && g->next ? g->next->id : list->head->id;
    updateFields(subject_);
  } else if (code == 2 || code == 3) {
    updateFields(subject_);
  } else if (code == 0 && subjectGeo()) {
    char name[kHwSelectorBuffer];
    put(name, text);
    GVRenameGeo(name, subject_);
  }
  if (subject_ >= 1) {
    char name[kHwSelectorBuffer] = "";
    const GObject* g = subjectGeo();
    if (g && g->name) put(name, g->name);
    std::snprintf(text, kHwSelectorBuffer, "%s  {%d}", name, subject_);
  } else if (subject_ == -1) {
    put(text, "ALL Geos");
  } else if (subject_ < -1) {
    std::snprintf(text, kHwSelectorBuffer, "Group_%d", -subject_);
  } else {
    put(text, "NONE");
  }
  if (code != 4) notify(code, kEvGeo, subject_, 0);
}

void HwEditGeo::chooseJel(int level, int code, char* text) {
  HWorld* w = world();
  GObject* g = subjectGeo();
  if (!w || !w->head || !geoList() || !g) {
    put(text, "NONE");
    return;
  }
  int32_t& jel = level == 1 ? jel1_ : jel2_;
  const int32_t part = level == 1 ? part1_ : part2_;
  if ((code == -1 || code == 1) && !natural()) {
    status(kNaturalOnly);
    GVJelChooserText(jel, text, kHwSelectorBuffer);
    return;
  }
  // The candidates: the Jels of group 1, in list order.
  HObject *first = nullptr, *last = nullptr, *before = nullptr, *after = nullptr;
  bool found = false;
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, -1)) continue;
    if (!first) first = j;
    if (found && !after) after = j;
    if (j->id == jel) found = true;
    if (!found) before = j;
    last = j;
  }
  if (code == -1) {
    HObject* j = found && before ? before : last;
    jel = j ? j->id : 0;
  } else if (code == 1) {
    HObject* j = found && after ? after : first;
    jel = j ? j->id : 0;
  } else if (code == 3 && level == 2) {
    jel = 0;
  } else if (code == 0 && jel >= 1 && GVGetJelById(w, jel)) {
    char name[kHwSelectorBuffer];
    put(name, text);
    GVRenameJel(name, jel);
  }
  if (level == 1) g->jelId = jel;
  GVJelChooserText(jel, text, kHwSelectorBuffer);
  if (code == 4) return;
  notify(code, kEvJel, jel, part);
  if (code == -1 || code == 1) level == 1 ? applyLevel1() : applyLevel2();
}

void HwEditGeo::choosePart(int level, int code, char* text) {
  HWorld* w = world();
  GObject* g = subjectGeo();
  if (!w || !w->head || !geoList() || !g) {
    put(text, "NONE");
    return;
  }
  const int32_t jel = level == 1 ? jel1_ : jel2_;
  int32_t& part = level == 1 ? part1_ : part2_;
  if ((code == -1 || code == 1) && !natural()) {
    status(kNaturalOnly);
    partText(text, part);
    return;
  }
  if (code == 0) {
    const int p = GVParseSmallInt(text);
    if (p >= 1 && p <= 30) part = p;
    partText(text, part);
    notify(0, kEvPart, jel, part);
    return;
  }
  if (code == -1) part = GVPrevPartIndex(w, jel, part);
  if (code == 1) part = GVNextJelPart(GVScene().world, part);
  if (code == 3 && level == 2) part = 0;
  if (level == 1 && (g->flags & kStatic) && (code == -1 || code == 1 || code == 3)) part = 1;
  partText(text, part);
  if (code == 2 && !(jel >= 1 && GVGetJelById(w, jel))) {
    put(text, "NONE");
    return;
  }
  if (code == 4) return;
  notify(code, kEvPart, jel, part);
  if ((code == -1 || code == 1 || code == 2) && natural()) level == 1 ? applyLevel1() : applyLevel2();
}

// ---- drop-downs ----

int HwEditGeo::setDefMode(int item) {
  GObject* g = subjectGeo();
  if (!geoList() || !g) return 2;
  const int applied = canDeform() ? item : 2;
  const int32_t before = g->flags & kDefMode ? 1 : 0;
  if (applied == 1)
    g->flags |= kDefMode;
  else
    g->flags &= ~kDefMode;
  notify(applied == 1 ? 1 : 0, kEvDefMode, subject_, before);
  return applied;
}

int HwEditGeo::setLevel1Style(int item) {
  GObject* g = subjectGeo();
  if (!geoList() || !world() || !g) return 1;
  if (!natural()) {
    status(kNaturalOnly);
    return level1Item(g->flags);
  }
  const uint32_t set = item == 2 ? kStatic : item == 3 ? kSoftTf : 0;
  forEachSelected([set](GObject* o) { o->flags = (o->flags & ~(kStatic | kSoftTf)) | set; });
  showJelSelectors();
  applyLevel1();
  styleChanged();
  return item;
}

int HwEditGeo::setLevel2Style(int item) {
  GObject* g = subjectGeo();
  if (!geoList() || !world() || !g) return 1;
  if (!natural()) {
    status(kNaturalOnly);
    return g->flags & kSoftTf2 ? 2 : 1;
  }
  forEachSelected([item](GObject* o) {
    if (item == 2)
      o->flags |= kSoftTf2;
    else
      o->flags &= ~kSoftTf2;
  });
  showJelSelectors();
  applyLevel2();
  styleChanged();
  return item;
}

// After a style change: a deforming Geo that can no longer deform has its
// mode turned off (and says so); the callback hears of the new style.
void HwEditGeo::styleChanged() {
  GObject* g = subjectGeo();
  if (g && (g->flags & kDefMode)) {
    if (canDeform()) {
      select(defMode, 1);
    } else {
      g->flags &= ~kDefMode;
      select(defMode, 2);
      notify(0, kEvNoDeform, subject_, 0);
    }
  }
  notify(0, kEvStyle, subject_, 0);
}

// ---- actions ----

void HwEditGeo::massoc() {
  GeoList* list = geoList();
  HWorld* w = world();
  GObject* g = subjectGeo();
  if (!list || !w || !g) return;
  if (!natural()) {
    status(kNaturalOnly);
    return;
  }
  if (jel1_ != 0) {
    GVSelUpdateJelDeform(w, jel1_);
    GVApplyGeoTransform(g, GEO_SEL_FRAME);
    GVMassocGeosToJel(jel1_, list, subject_, w);
    GVCopyGeoTransform(g, GEO_SEL_FRAME, GEO_SEL_START);
    if (g->flags & kOutside) status("Gv warning: bad association: Geo object too far outside Jel object");
    forEachSelected([](GObject* o) { o->flags |= kStatic; });
  }
  if ((g = subjectGeo())) {
    select(defMode, g->flags & kDefMode ? 1 : 2);
    select(level1Style, shownLevel1Item(g->flags));
    deriveBinding();  // a massoc'd Geo is bound "Static" to part 1 of Jel 1
  }
  showJelSelectors();
  notify(0, kEvMassoc, subject_, jel1_);
}

void HwEditGeo::clearMassoc() {
  if (!geoList() || !world()) return;
  forEachSelected([](GObject* o) {
    GVValidateGeoMassoc(o, -1);
    o->flags &= ~(kStatic | kSoftTf);
  });
  if (const GObject* g = subjectGeo()) select(defMode, g->flags & kDefMode ? 1 : 2);
  select(level1Style, 1);
  showJelSelectors();
  notify(0, kEvClear, subject_, jel1_);
}

void HwEditGeo::bakeShape() {
  GObject* g = subjectGeo();
  if (!g) return;
  if (GVGeoIsKeyFramed(g->handle)) status("Gv warning: Baking GEO transform will effect keyframed motion!");
  GVBakeGeoCurrentShape(g);
  notify(0, kEvBake, subject_, 0);
  updateFields(subject_);
}

void HwEditGeo::makeLast() {
  if (!subjectGeo()) return;
  const int32_t following = GVMoveGeoToEnd(geoList(), subject_);
  notify(0, kEvLast, following, 0);
  if (following != 0)
    setGeo(following);
  else
    MessageBeep(MB_ICONHAND);
}

float HwEditGeo::setCollMetric(int code, float value) {
  GObject* g = subjectGeo();
  if (!g) return 0.0f;
  float v = value;
  if (code == -1) v = value - 0.1f;
  if (code == 1) v = value + 0.1f;
  if (code == 0 && value < 1e-5f) v = GVCalcGeoFaceSize(g);
  v = GVBoundSceneValue(v);
  if (v >= 0.01f) g->faceSize = v;
  GVCalcGeoFaceNormals(g);
  notify(code, kEvMetric, subject_, 0);
  return g->faceSize;
}

int HwEditGeo::setSmoothNormals(int item) {
  if (!subjectGeo()) return 1;
  notify(item != 1 ? 1 : 0, kEvSmooth, subject_, 0);
  return item;
}

int HwEditGeo::setDoubleSided(int item) {
  GObject* g = subjectGeo();
  if (!g) return 1;
  if (item == 1)
    g->flags &= ~kDoubleSided;
  else
    g->flags |= kDoubleSided;
  notify(item != 1 ? 1 : 0, kEvSided, subject_, 0);
  return item;
}

// ---- the opener's entry ----

GVEditorEntry GVEditGeoEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditGeo(a.x, a.geoId, a.main); };
  e.refresh = [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwEditGeo*>(d)->setGeo(geoId); };
  return e;
}
