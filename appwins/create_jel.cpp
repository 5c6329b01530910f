// The Create Jel dialogs: their controls, the name and matter rules they
// share, and the two creation workers.
#include "appwins/create_jel.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/jel_from_geo.h"
#include "geo/key_frames.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/matter.h"
#include "platform/win32.h"
#include "scene/create_callbacks.h"
#include "scene/edit_rules.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/object_names.h"
#include "toolkit/slider_group.h"

namespace {

constexpr int kDialogY = 110;
constexpr float kMinLength = 0.1f;
// Grid points along an axis of a block Jel at most.
constexpr int kJelGridMaxPoints = 100;

int dialogX() {
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return (work.right - work.left) / 2 + 180;
}

HINSTANCE appInstance() { return GetModuleHandleA(nullptr); }

HwDropDownCntrl* makeChooser(HWND parent, const char* label, int x, int y, int width, int height, int labelWidth,
                             const char* const* items, int count, int selected, HwDropDownCB callback, void* user) {
  auto* d = new (std::nothrow)
      HwDropDownCntrl(appInstance(), label, parent, x, y, width, height, labelWidth, 0.2f, callback, user);
  if (!d) return nullptr;
  d->fillList(items, count);
  d->selectItem(selected);
  return d;
}

HwBaseControl* makeCountField(HWND parent, const char* label, int x, int y, int width, int height, int labelWidth,
                              int value, HwEditIntCB callback, void* user) {
  auto* f = new (std::nothrow) HwBaseControl();
  if (f) f->create(parent, appInstance(), x, y, width, height, label, labelWidth, 0, 0, float(value), callback, nullptr,
                   user);
  return f;
}

void showCount(HwBaseControl* field, int value) {
  if (!field || !field->editButton || !field->editButton->edit) return;
  field->editButton->edit->setInt(value);
  field->editButton->redraw();
}


// The defaults of a new Jel's matter under the "Default" choice.
void defaultMatter(MatterProps* m) {
  GVSetMatterDefaults(m);
  m->fRatio = 4.0f;
  m->elasticity = 3.0f;
  m->damping = 4.0f;
  m->friction = 1.0f;
  m->forceY = -10.0f;
}

GeoList* geosOf(ObjHandle* list) { return GVGeoListOf(list); }

// The Geos of a selection take the slot the state-mode word shows them by.
void applyStateTransforms(GeoList* list, int32_t geoSel, int32_t stateMode) {
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(geoSel, g)) GVApplyGeoTransform(g, stateMode == -1 ? GEO_SEL_START : GEO_SEL_BIRTH);
}

bool hasKeys(const GObject* g) { return g->keyTrack && g->keyTrack->firstKey; }

// The old lattice of a Geo Jel's rebuild goes without the world's leaving
// rule: that rule goes by id, and the rebuilt Geos are already bound to the
// successor under the same id. Whatever else held on to the old Jel lets go.
void retireRebuiltJel(HWorld* world, GeoList* list, int32_t geoSel, HObject* old) {
  GVSetJelAside(world, old);
  const SceneServices& sv = GVSceneServices();
  if (sv.destroyJelRenderObj) sv.destroyJelRenderObj(old);
  for (GObject* g = list->head; g; g = g->next) {
    for (GeoCellBind* b : {g->cellBind, g->cellBind2})
      if (b && b->jel == old) {
        GVFreeCellBind(b);
        *b = GeoCellBind{};
      }
    if (GVGeoMatchesSel(geoSel, g) || (g->jel != old && g->jelId != old->id)) continue;
    GVReleaseGeoFromJel(old, g);
    g->flags &= ~uint32_t(GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING);
    g->jel = nullptr;
    g->jelId = 0;
  }
  if (old->handle)
    GVDeleteJelHandle(old->handle);
  else
    delete old;
}

}  // namespace

// ---- shared part ----

HwJelDialogBase::HwJelDialogBase(const char* title, int w, int h, void* data)
    : HwDialogTemp(appInstance(), title, dialogX(), kDialogY, w, h, 5, 0, nullptr, nullptr, nullptr),
      geoList(GVScene().geoList), world(GVScene().world), owner(GVCreateJelCB), ownerData(data) {}

HwJelDialogBase::~HwJelDialogBase() {
  delete matterChooser;
  delete nameLabel;
  delete nameEdit;
  delete createButton;
  delete recreateButton;
}

HWorld* HwJelDialogBase::worldRecord() const { return GVWorldOf(world); }

int32_t HwJelDialogBase::tell(int32_t code, uint32_t event, int32_t id, intptr_t arg) {
  return owner ? owner(code, event, id, arg, ownerData) : 0;
}

void HwJelDialogBase::buildMatter(int x, int y, int w, int labelWidth) {
  static const char* const kItems[] = {"Default", "Inherit"};
  HWND inside = content ? content->inner : client;
  matterChooser = makeChooser(inside, "Matter:", x, y, w, 30, labelWidth, kItems, 2, 1, matterCB, this);
}

void HwJelDialogBase::buildNameAndButtons(int labelX, int labelWidth, int editX, int editWidth, int y,
                                          HwButtonCB create, HwButtonCB recreate) {
  HWND inside = content ? content->inner : client;
  nameLabel = new (std::nothrow) HwLabel(inside, "Jel Name:", appInstance(), labelX, y, labelWidth, 25, 12, 0, -1, 0);
  nameEdit = new (std::nothrow) HwEditControl(2, 0, inside, appInstance(), editX, y, editWidth, 25, 0, 0.0f, "",
                                              nullptr, nullptr, nameCB, this);
  createButton = new (std::nothrow) HwBMButton();
  if (createButton)
    createButton->createTextButton(client, appInstance(), 195, 196, "Create", 10, margin, buttonRowY, 50, 25, 0,
                                   create, this);
  recreateButton = new (std::nothrow) HwBMButton();
  if (recreateButton)
    recreateButton->createTextButton(client, appInstance(), 195, 196, "ReCreate", 10, margin + 70, buttonRowY, 50,
                                     25, 0, recreate, this);
}

const char* HwJelDialogBase::nameCB(int, char* text, void* dialog) {
  auto* d = static_cast<HwJelDialogBase*>(dialog);
  if (!d || !text) return text;
  // The name is kept in a buffer of kJelNameSize: a longer one is cut first.
  char typed[kJelNameSize];
  std::snprintf(typed, sizeof typed, "%s", text);
  if (GVCheckNewName(typed)) {
    std::memcpy(d->name, typed, sizeof typed);
  } else {
    GVMessage("Bad name!");
    d->name[0] = '\0';
  }
  std::snprintf(text, kHwEditTextMax + 1, "%s", d->name);
  return text;
}

void HwJelDialogBase::takeTypedName() {
  if (!nameEdit || !nameEdit->text || std::strcmp(nameEdit->text, name) == 0) return;
  char typed[kJelNameSize];
  std::snprintf(typed, sizeof typed, "%s", nameEdit->text);
  if (GVCheckNewName(typed))
    std::memcpy(name, typed, sizeof typed);
  else
    name[0] = '\0';
  nameEdit->setText(name);
  InvalidateRect(nameEdit->window, nullptr, TRUE);
}

bool HwJelDialogBase::newNameUsable(char* checked) {
  if (!worldRecord()) return false;
  takeTypedName();
  std::memcpy(checked, name, kJelNameSize);
  if (!GVCheckNewName(checked)) {
    GVMessage("Bad name: Jel not created!");
    return false;
  }
  if (GVFindJelByName(worldRecord(), checked) != 0) {
    GVMessage("Bad name: Jel already exists!");
    return false;
  }
  return tell(0, kCreateJelMayRebuild, 0, 0) != 0;
}

int HwJelDialogBase::matterCB(int item, void* dialog) {
  auto* d = static_cast<HwJelDialogBase*>(dialog);
  if (d) d->matterChoice = item == 2 ? 1 : 0;
  return item == 2 ? 2 : 1;
}

// ---- HwCreateJel ----

HwCreateJel::HwCreateJel(void* data, int32_t currentJelId)
    : HwJelDialogBase("Create Jel", 300, 335, data), fillGrid(GVGridFillAll) {
  HWND inside = content ? content->inner : client;
  fieldX = makeCountField(inside, "Num X Pts:", 5, 10, 160, 30, 90, nx, countXCB, this);
  fieldY = makeCountField(inside, "Num Y Pts:", 5, 45, 160, 30, 90, ny, countYCB, this);
  fieldZ = makeCountField(inside, "Num Z Pts:", 5, 80, 160, 30, 90, nz, countZCB, this);
  for (HwBaseControl* f : {fieldX, fieldY, fieldZ})
    if (f) f->setIntRange(f == fieldZ ? 1 : 2, kJelGridMaxPoints);
  lengthSlider = new (std::nothrow) HwSliderGroup();
  if (lengthSlider)
    lengthSlider->addFloat(92, appInstance(), inside, 5, 120, contentWidth - 10, 30, "Elt Length:", 50, 0.1f, length,
                           10.0f, 0x54, 0.1f, lengthCB, this);
  buildMatter(5, 155, 180, 90);
  buildNameAndButtons(23, 76, 97, 100, 195, createCB, recreateCB);
  if (currentJelId != 0) showJel(currentJelId);
  show();
}

HwCreateJel::~HwCreateJel() {
  for (HwBaseControl* f : {fieldX, fieldY, fieldZ}) GVFreeDialogRec2(f);
  delete lengthSlider;
}

void HwCreateJel::showValues() {
  showCount(fieldX, nx);
  showCount(fieldY, ny);
  showCount(fieldZ, nz);
  if (lengthSlider) lengthSlider->setValue(length);
}

void HwCreateJel::showJel(int32_t id) {
  if (id == 0 || !worldRecord()) {
    name[0] = '\0';
    if (nameEdit) nameEdit->setText("");
    nx = ny = nz = 5;
    length = 1.0f;
    showValues();
    return;
  }
  jelId = id;
  HObject* jel = GVJelOf(GVFindJel(world, id));
  if (!jel) return;
  LatticeDims dims = {};
  if (jel->nodeCount > 0) jel->getLatticeDims(&dims);
  nx = dims.maxIndex[0];
  ny = dims.maxIndex[1];
  nz = dims.maxIndex[2];
  length = dims.cellSize;
  showValues();
}

int HwCreateJel::countXCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateJel*>(dialog);
  return d ? d->nx = GVStepIntWithin(step, value, 2, kJelGridMaxPoints) : value;
}

int HwCreateJel::countYCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateJel*>(dialog);
  return d ? d->ny = GVStepIntWithin(step, value, 2, kJelGridMaxPoints) : value;
}

int HwCreateJel::countZCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateJel*>(dialog);
  return d ? d->nz = GVStepIntWithin(step, value, 1, kJelGridMaxPoints) : value;
}

float HwCreateJel::lengthCB(int code, float value, void* dialog) {
  auto* d = static_cast<HwCreateJel*>(dialog);
  if (!d || code < 0 || code > 2) return value;
  if (code == 0 && value < kMinLength) value = kMinLength;
  d->length = value;
  return value;
}

int HwCreateJel::createCB(int, void* dialog) {
  auto* d = static_cast<HwCreateJel*>(dialog);
  char checked[kJelNameSize];
  if (!d || !d->newNameUsable(checked)) return 0;
  const int32_t id = d->createWorker(checked, false);
  if (id == 0) {
    GVMessage("Jel not created: lattice could not be built!");
    return 0;
  }
  d->tell(0, kCreateJelBlock, id, 0);
  return 0;
}

int HwCreateJel::recreateCB(int, void* dialog) {
  auto* d = static_cast<HwCreateJel*>(dialog);
  if (!d || !d->worldRecord()) return 0;
  d->takeTypedName();
  const int32_t old = d->name[0] ? GVFindJelByName(d->worldRecord(), d->name) : 0;
  if (old == 0) {
    GVMessage("Cannot recreate: Specified Jel does not exist!");
    return 0;
  }
  if (!d->tell(0, kCreateJelMayRebuild, old, 0)) return 0;
  const int32_t id = d->createWorker(d->name, true);
  if (id == 0) {
    GVMessage("Cannot recreate: Jel could not be built!");
    return 0;
  }
  d->tell(0, kCreateJelBlock, id, 0);
  return 0;
}

int32_t HwCreateJel::createWorker(const char* jelName, bool recreate) {
  HWorld* w = worldRecord();
  if (!w || !jelName || !jelName[0]) return 0;
  LatticeSpec spec;
  spec.cellSize = length < 0.01f ? 0.01f : length;
  spec.nx = nx;
  spec.ny = ny;
  spec.nz = nz;
  MatterProps matter;
  const int32_t old = GVFindJelByName(w, jelName);
  if (old != 0 && recreate) {
    GVGetSelMatter(w, old, kMatterAllFields, &matter);
  } else if (matterChoice == 1) {
    tell(0, kCreateJelMatter, 0, reinterpret_cast<intptr_t>(&matter));
  } else {
    defaultMatter(&matter);
  }
  if (nz >= 2) matter.flatZ = 1.0f;
  matter.scaleL = length;
  const int32_t newId = GVNextJelId(world);

  // The new Jel is built before anything of the old one is touched, so that
  // a build that fails leaves the scene as it was.
  auto* builder = new (std::nothrow) LatticeBuilder(&spec);
  HObject** cell = nullptr;
  if (builder) {
    GVClearLatticeGrid(builder);
    if (fillGrid) fillGrid(builder);
    cell = GVNewJelFromBuilder(builder, newId, 0, 0, &matter);
    GVDestroyLatticeBuilder(builder);
  }
  if (!cell) return 0;

  if (old != 0) {
    // Leaving the world, the old Jel lets go of its Geos; its render objects go first.
    const SceneServices& sv = GVSceneServices();
    for (HObject* j = w->head; j; j = GVNextJel(j))
      if (GVJelInSel(j, old) && sv.destroyJelRenderObj) sv.destroyJelRenderObj(j);
    GVDeleteJels(world, old);
  }
  jelId = newId;
  GVSetString(&(*cell)->name, jelName);
  (*cell)->restoreFrame(w->params.stateMode);
  GVRebuildJelContactGrid(cell);
  GVAddJelToScene(world, cell);
  GVSetActiveJel(world, 0, newId);
  GVLimitComputedFrames(w, 0);
  return newId;
}

// ---- HwCreateGJel ----

HwCreateGJel::HwCreateGJel(void* data, int32_t currentGeoId, int32_t currentJelId)
    : HwJelDialogBase("Create Jel From Geo", 340, 380, data) {
  jelId = currentJelId;
  geoSel = currentGeoId;
  if (geoSel > 0 && !GVGetGeoById(geosOf(geoList), geoSel)) geoSel = 0;
  HWND inside = content ? content->inner : client;
  char text[kHwSelectorBuffer] = "";
  chooseGeo(4, text);
  geoChooser = new (std::nothrow)
      HwSelectorTool(appInstance(), "Geo:", contentWidth - 10, 60, 0, 5, 5, geoCB, this, inside, text);
  pointsField = makeCountField(inside, "Num Lin Pts:", 5, 63, 150, 28, 87, points, pointsCB, this);
  if (pointsField) pointsField->setIntRange(2, kGeoJelMaxAxisPoints);
  static const char* const kDirections[] = {"MAX", "X", "Y", "Z"};
  directionChooser = makeChooser(inside, "Dirn:", 160, 63, 120, 28, 38, kDirections, 4, 1, directionCB, this);
  static const char* const kMethods[] = {"Block", "Shaped", "Shaped Hollow"};
  methodChooser = makeChooser(inside, "Method:", 5, 96, 220, 30, 86, kMethods, 3, 2, methodCB, this);
  static const char* const kSymmetries[] = {"None", "X", "Y", "Z", "XY", "YZ", "ZX", "XYZ"};
  symmetryChooser = makeChooser(inside, "Symmetry:", 5, 131, 170, 30, 86, kSymmetries, 8, 1, symmetryCB, this);
  static const char* const kDimensions[] = {"3D", "2D"};
  dimensionChooser = makeChooser(inside, "Dimension:", 5, 166, 160, 30, 86, kDimensions, 2, 1, dimensionCB, this);
  buildMatter(5, 201, 180, 86);
  buildNameAndButtons(5, 89, 94, 120, 241, createCB, recreateCB);
  show();
}

HwCreateGJel::~HwCreateGJel() {
  delete geoChooser;
  GVFreeDialogRec2(pointsField);
  delete directionChooser;
  delete methodChooser;
  delete symmetryChooser;
  delete dimensionChooser;
}

void HwCreateGJel::chooseGeo(int code, char* text) {
  GeoList* list = geosOf(geoList);
  if (!list || !list->head) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  if (code == -1) geoSel = GVPrevGeoSel(list, geoSel);
  if (code == 1) geoSel = GVNextGeoSel(list, geoSel);
  if (code == 0 && geoSel > 0 && GVGetGeoById(list, geoSel)) {
    char typed[kHwSelectorBuffer];
    std::snprintf(typed, sizeof typed, "%s", text);
    GVRenameGeo(typed, geoSel);
  }
  const GObject* g = geoSel > 0 ? GVGetGeoById(list, geoSel) : nullptr;
  if (g)
    std::snprintf(text, kHwSelectorBuffer, "%s  {%d}", g->name ? g->name : "", int(geoSel));
  else if (geoSel == -1)
    std::snprintf(text, kHwSelectorBuffer, "ALL Geos");
  else if (geoSel <= -2 && geoSel >= -31)
    std::snprintf(text, kHwSelectorBuffer, "Group_%d", int(-geoSel));
  else
    std::snprintf(text, kHwSelectorBuffer, "NONE");
  if (code != 4) tell(code, kCreateJelGeoChoice, 0, geoSel);
}

void HwCreateGJel::geoCB(int code, char* text, void* dialog) {
  if (auto* d = static_cast<HwCreateGJel*>(dialog)) d->chooseGeo(code, text);
}

void HwCreateGJel::setGeo(int32_t id) {
  GeoList* list = geosOf(geoList);
  if (id == 0 && geoSel > 0 && GVGetGeoById(list, geoSel)) return;
  geoSel = id > 0 && !GVGetGeoById(list, id) ? 0 : id;
  char text[kHwSelectorBuffer] = "";
  chooseGeo(4, text);
  if (geoChooser) geoChooser->setValue(text);
}

int HwCreateGJel::pointsCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateGJel*>(dialog);
  return d ? d->points = GVStepIntWithin(step, value, 2, kGeoJelMaxAxisPoints) : value;
}

int HwCreateGJel::directionCB(int item, void* dialog) {
  static const int32_t kCodes[] = {4, 1, 2, 3};
  auto* d = static_cast<HwCreateGJel*>(dialog);
  if (d) d->direction = item >= 1 && item <= 4 ? kCodes[item - 1] : 4;
  return item >= 1 && item <= 4 ? item : 1;
}

int HwCreateGJel::methodCB(int item, void* dialog) {
  static const int32_t kCodes[] = {13, 11, 12};
  auto* d = static_cast<HwCreateGJel*>(dialog);
  if (d) d->method = item >= 1 && item <= 3 ? kCodes[item - 1] : 11;
  return item >= 1 && item <= 3 ? item : 2;
}

int HwCreateGJel::symmetryCB(int item, void* dialog) {
  auto* d = static_cast<HwCreateGJel*>(dialog);
  if (d) d->symmetry = item >= 1 && item <= 8 ? item - 1 : 0;
  return item >= 1 && item <= 8 ? item : 1;
}

int HwCreateGJel::dimensionCB(int item, void* dialog) {
  auto* d = static_cast<HwCreateGJel*>(dialog);
  if (d) d->dimension = item == 2 ? 2 : 3;
  return item == 2 ? 2 : 1;
}

int HwCreateGJel::createCB(int, void* dialog) {
  auto* d = static_cast<HwCreateGJel*>(dialog);
  char checked[kJelNameSize];
  if (!d || !d->newNameUsable(checked)) return 0;
  d->createWorker(checked, false);
  return 0;
}

int HwCreateGJel::recreateCB(int, void* dialog) {
  auto* d = static_cast<HwCreateGJel*>(dialog);
  if (!d || !d->worldRecord()) return 0;
  d->takeTypedName();
  const int32_t old = d->name[0] ? GVFindJelByName(d->worldRecord(), d->name) : 0;
  if (old == 0) {
    GVMessage("Cannot recreate: Specified Jel does not exist!");
    return 0;
  }
  if (!d->tell(0, kCreateJelMayRebuild, old, 0)) return 0;
  d->createWorker(d->name, true);
  return 0;
}

int32_t HwCreateGJel::createWorker(const char* jelName, bool recreate) {
  GeoList* list = geosOf(geoList);
  HWorld* w = worldRecord();
  if (!list || !w || geoSel == 0) return 0;
  if (!jelName || !jelName[0]) {
    GVMessage("Bad name: Jel not Created");
    return 0;
  }
  MatterProps matter;
  int32_t id = jelId;
  if (!recreate) {
    for (GObject* g = list->head; g; g = g->next)
      if (GVGeoMatchesSel(geoSel, g) && (g->jelId != 0 || g->jel)) {
        GVMessage("Geo object(s) already associated with Jel object: Jel not Created");
        return 0;
      }
  } else {
    const int32_t named = GVFindJelByName(w, jelName);
    for (GObject* g = list->head; g; g = g->next)
      if (GVGeoMatchesSel(geoSel, g) && (named == 0 || g->jelId != named)) {
        char text[kJelNameSize + 80];
        std::snprintf(text, sizeof text, "Geo{s) not massoc'd with Jel called \"%s\": Jel not Re-Created", jelName);
        GVMessage(text);
        return 0;
      }
    id = GVGeoSelJelId(list, geoSel);
    if (id == 0) {
      GVMessage("Geo not massoc'd with Jel: Jel not Re-Created!");
      return 0;
    }
    GVGetSelMatter(w, id, kMatterAllFields, &matter);
  }
  const int32_t stateMode = w->params.stateMode;
  const int32_t loopRun = w->params.loopFlag && w->params.loopLength == w->params.endFrame - w->params.startFrame;
  const int32_t endFrame = w->params.endFrame + (loopRun ? 1 : 0);
  const float dt = w->params.fps > 0 ? 1.0f / float(w->params.fps) : 0.0f;

  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(geoSel, g)) continue;
    if (!recreate) {
      GVCopyGeoTransform(g, GEO_SEL_FRAME, GEO_SEL_START);
      GVApplyGeoTransform(g, GEO_SEL_START);
    }
    if (hasKeys(g)) {
      float pos[3], mat[9], scale[3];
      GVGetGeoTransform(g, GEO_SEL_BIRTH, pos, mat, scale, nullptr);
      GVEvalGeoKeyTrack(g, float(endFrame), pos, mat, scale);
      GVSetGeoTransform(g, GEO_SEL_BIRTH, pos, mat, scale, dt);
      GVEvalGeoKeyTrack(g, float(endFrame + 1), pos, mat, scale);
      GVSetGeoTransform(g, GEO_SEL_BIRTH_NEXT, pos, mat, scale, dt);
    } else if (stateMode == -1 || stateMode == 0) {
      const int from = stateMode == -1 ? GEO_SEL_START : GEO_SEL_FRAME;
      GVCopyGeoTransform(g, from, GEO_SEL_BIRTH);
      GVCopyGeoTransform(g, from, GEO_SEL_BIRTH_NEXT);
      GVApplyGeoTransform(g, stateMode == -1 ? GEO_SEL_START : GEO_SEL_BIRTH);
    }
  }
  if (!recreate) {
    if (matterChoice == 1)
      tell(0, kCreateJelMatter, 0, reinterpret_cast<intptr_t>(&matter));
    else
      defaultMatter(&matter);
    if (dimension == 3) matter.flatZ = 1.0f;
    id = GVNextJelId(world);
  }
  static const int32_t kSymmetryMasks[8] = {0, 2, 4, 8, 6, 12, 10, 14};
  const int32_t mask = kSymmetryMasks[symmetry >= 0 && symmetry < 8 ? symmetry : 0];

  GVApplyGeoSelTransform(list, geoSel);
  float bounds[6];
  GVGeoSelBounds(list, geoSel, bounds);
  if (direction >= 1 && direction <= 3 && !(bounds[2 * direction - 1] - bounds[2 * direction - 2] >= 0.01f)) {
    GVMessage("Warning: Bad direction specified for flat Geo object!");
    applyStateTransforms(list, geoSel, stateMode);
    return 0;
  }

  // The successor is built while the old Jel is still in the world: a build
  // that fails leaves it there.
  HObject* old = recreate ? GVGetJelById(w, id) : nullptr;
  HObject* jel = GVCreateJelFromGeos(list, geoSel, id, endFrame, stateMode, jelName, method, mask, dimension,
                                     direction, points, &matter);
  if (!jel) {
    applyStateTransforms(list, geoSel, stateMode);
    GVMessage(recreate ? "Cannot recreate: Jel could not be built!" : "Jel not created: lattice could not be built!");
    return 0;
  }
  if (old) retireRebuiltJel(w, list, geoSel, old);
  jelId = id;
  GVAddJel(w, jel);
  GVGiveJelCells(w);
  GVRefillJelFrames(w, jel);
  for (GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(geoSel, g)) g->flags |= GEO_FLAG_VERTEX_BINDING;
  if (recreate) {
    GVDropSelFrames(w, id);
    tell(0, kCreateJelStateReset, id, 0);
  }
  tell(0, kCreateJelFromGeo, id, 0);
  return id;
}
