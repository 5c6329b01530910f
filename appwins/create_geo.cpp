// The Create Geo Block and Create Geo Pane dialogs: their fields, the name
// rules and Create / ReCreate.
#include "appwins/create_geo.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "appwins/create_geo_common.h"
#include "geo/geo_list.h"
#include "platform/win32.h"
#include "scene/create_callbacks.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/object_names.h"

namespace {

constexpr float kMinLength = 0.1f;
constexpr float kMaxLength = 1000.0f;
const char* const kLengthLabels[3] = {"Length X :", "Length Y :", "Length Z :"};
const char* const kCountLabels[3] = {"Num Pts X :", "Num Pts Y :", "Num Pts Z :"};

}  // namespace

// ---- helpers shared with the swept-shape dialog ----

int GVCreateDialogX() {
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return (work.right - work.left) / 2 + 180;
}

HwBMButton* GVMakeRowButton(HwDialogTemp* d, const char* label, int x, HwButtonCB callback) {
  auto* b = new (std::nothrow) HwBMButton();
  if (b)
    b->createTextButton(d->client, GetModuleHandleA(nullptr), 195, 196, label, 10, x, d->buttonRowY, 50, 25, 0,
                        callback, d);
  return b;
}

void GVPlaceOnButtonRow(HwDialogTemp* d, HwBMButton* b, int x) {
  if (!b) return;
  const int y = d->dismissButton ? d->dismissButton->y : d->buttonRowY;
  d->buttonRowY = y;
  b->move(x, y, 50, 25);
}

HwBaseControl* GVMakeNumberField(HWND parent, int x, int y, int width, int labelWidth, const char* label, bool isFloat,
                                 float value, HwEditIntCB intCB, HwEditFloatCB floatCB, void* user) {
  auto* f = new (std::nothrow) HwBaseControl();
  if (f)
    f->create(parent, GetModuleHandleA(nullptr), x, y, width, 30, label, labelWidth, isFloat ? 1 : 0, isFloat ? 4 : 0,
              value, intCB, floatCB, user);
  return f;
}

void GVShowFieldInt(HwBaseControl* field, int value) {
  if (!field || !field->editButton || !field->editButton->edit) return;
  field->editButton->edit->setInt(value);
  field->editButton->redraw();
}

void GVCopyGeoName(char* out, const char* typed) {
  std::snprintf(out, kGeoNameSize, "%s", typed ? typed : "");
}

bool GVTakeTypedGeoName(HwEditControl* edit, char* name) {
  if (!edit || !edit->text || std::strcmp(edit->text, name) == 0) return false;
  char typed[kGeoNameSize];
  GVCopyGeoName(typed, edit->text);
  if (GVCheckNewName(typed))
    std::memcpy(name, typed, sizeof typed);
  else
    name[0] = '\0';
  edit->setText(name);
  InvalidateRect(edit->window, nullptr, TRUE);
  return true;
}

int32_t GVCheckCreateName(ObjHandle* list, const char* name, bool recreate, char* cleaned) {
  GVCopyGeoName(cleaned, name);
  if (!GVCheckNewName(cleaned)) {
    GVMessage(kGeoBadNameMessage);
    return -1;
  }
  const int32_t existing = GVFindGeoByName(GVGeoListOf(list), cleaned);
  if (!recreate && existing) {
    GVMessage(kGeoExistsMessage);
    return -1;
  }
  if (recreate && !existing) {
    GVMessage(kGeoNoOldMessage);
    return -1;
  }
  return existing;
}

int32_t GVFinishCreate(ObjHandle* list, ObjHandle* cell, int32_t replaceId, bool recreate) {
  if (!cell) {
    if (recreate) GVMessage(kGeoNotRebuiltMessage);
    return 0;
  }
  GVPlaceNewGeo(list, cell, replaceId);
  return GVGeoOf(cell)->id;
}

// ---- the box and the pane ----

HwCreateGeoBox::HwCreateGeoBox(const char* title, int h, int axisCount, int32_t currentId, void* data)
    : HwDialogTemp(GetModuleHandleA(nullptr), title, GVCreateDialogX(), 110, 300, h, 5, 0, nullptr, nullptr,
                   nullptr),
      axes(axisCount), currentGeoId(currentId), geoList(GVScene().geoList), owner(CreateGeoMenuCB),
      ownerData(data) {}

HwCreateGeoBox::~HwCreateGeoBox() {
  for (int k = 0; k < 3; ++k) {
    GVFreeDialogRec2(lengthField[k]);
    GVFreeDialogRec2(countField[k]);
  }
  delete nameLabel;
  delete nameEdit;
  delete createButton;
  delete recreateButton;
  for (HwFrameWindow* g : {lengthGroup, countGroup})
    if (g) {
      if (g->outer) DestroyWindow(g->outer);
      delete g;
    }
}

void HwCreateGeoBox::buildControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND inside = content ? content->inner : client;
  const int groupHeight = axes == 3 ? 110 : 75;
  const int nameY = axes == 3 ? 265 : 195;
  lengthGroup = new (std::nothrow) HwFrameWindow();
  countGroup = new (std::nothrow) HwFrameWindow();
  if (lengthGroup) lengthGroup->create(inside, instance, 5, 5, contentWidth - 10, groupHeight, 4);
  if (countGroup) countGroup->create(inside, instance, 5, 10 + groupHeight, contentWidth - 10, groupHeight, 4);
  static const HwEditFloatCB kLengthCBs[3] = {lengthCB<0>, lengthCB<1>, lengthCB<2>};
  static const HwEditIntCB kCountCBs[3] = {countCB<0>, countCB<1>, countCB<2>};
  for (int k = 0; k < axes; ++k) {
    if (lengthGroup)
      lengthField[k] = GVMakeNumberField(lengthGroup->inner, 5, 5 + 35 * k, 195, 90, kLengthLabels[k], true,
                                         length[k], nullptr, kLengthCBs[k], this);
    if (countGroup)
      countField[k] = GVMakeNumberField(countGroup->inner, 5, 5 + 35 * k, 195, 90, kCountLabels[k], false,
                                        float(count[k]), kCountCBs[k], nullptr, this);
    // 0 keeps the count and anything below 1 gives 1, so the range reaches below both.
    if (countField[k]) countField[k]->setIntRange(-kGeoEdgeMaxCount, kGeoEdgeMaxCount);
  }
  nameLabel = new (std::nothrow) HwLabel(inside, "Geo Name:", instance, 23, nameY, 76, 25, 12, 0, -1, 0);
  nameEdit = new (std::nothrow)
      HwEditControl(2, 0, inside, instance, 97, nameY, 100, 25, 0, 0.0f, "", nullptr, nullptr, nameCB, this);
  createButton = GVMakeRowButton(this, "Create", margin, createCB);
  recreateButton = GVMakeRowButton(this, "ReCreate", margin + 70, recreateCB);
  show();
}

void HwCreateGeoBox::resize(int w, int h) {
  HwDialogTemp::resize(w, h);
  GVPlaceOnButtonRow(this, createButton, margin);
  GVPlaceOnButtonRow(this, recreateButton, margin + 70);
}

template <int Axis>
float HwCreateGeoBox::lengthCB(int step, float value, void* dialog) {
  auto* d = static_cast<HwCreateGeoBox*>(dialog);
  if (!d) return value;
  float v = step == -1 ? value - 1.0f : step == 1 ? value + 1.0f : value;
  if (!(v >= kMinLength)) v = kMinLength;  // NaN too
  if (v > kMaxLength) v = kMaxLength;
  return d->length[Axis] = v;
}

template <int Axis>
int HwCreateGeoBox::countCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateGeoBox*>(dialog);
  if (!d) return value;
  if (value == 0) return d->count[Axis];
  return d->count[Axis] = GVStepIntWithin(step, value, 1, kGeoEdgeMaxCount);
}

const char* HwCreateGeoBox::nameCB(int, char* text, void* dialog) {
  auto* d = static_cast<HwCreateGeoBox*>(dialog);
  if (!d || !text) return text;
  char typed[kGeoNameSize];
  GVCopyGeoName(typed, text);
  if (!GVCheckNewName(typed)) {
    GVMessage(kGeoBadNameMessage);
    d->name[0] = '\0';
  } else {
    std::memcpy(d->name, typed, sizeof typed);
    // Kept all the same: ReCreate needs the name of an existing Geo.
    if (GVFindGeoByName(GVGeoListOf(d->geoList), d->name)) GVMessage(kGeoExistsMessage);
  }
  std::snprintf(text, kHwEditTextMax + 1, "%s", d->name);
  return text;
}

int32_t HwCreateGeoBox::create(bool recreate) {
  GVTakeTypedGeoName(nameEdit, name);
  char cleaned[kGeoNameSize];
  const int32_t existing = GVCheckCreateName(geoList, name, recreate, cleaned);
  if (existing < 0) return 0;
  // Built first: a refused ReCreate leaves the old Geo in place.
  ObjHandle* cell = build(cleaned, GVNextGeoId(geoList));
  const int32_t id = GVFinishCreate(geoList, cell, existing, recreate);
  if (!id) return 0;
  currentGeoId = id;
  if (owner) owner(eventCode(), id, ownerData);
  return id;
}

int HwCreateGeoBox::createCB(int, void* dialog) {
  if (auto* d = static_cast<HwCreateGeoBox*>(dialog)) d->create(false);
  return 0;
}

int HwCreateGeoBox::recreateCB(int, void* dialog) {
  if (auto* d = static_cast<HwCreateGeoBox*>(dialog)) d->create(true);
  return 0;
}

HwCreateGeoBlock::HwCreateGeoBlock(int32_t currentId, void* data)
    : HwCreateGeoBox("Create Geo Block", 425, 3, currentId, data) {
  buildControls();
}

ObjHandle* HwCreateGeoBlock::build(const char* geoName, int32_t id) const {
  return GVBuildBlockGeo(geoName, id, length, count);
}

HwCreateGeoPlane::HwCreateGeoPlane(int32_t currentId, void* data)
    : HwCreateGeoBox("Create Geo Pane", 400, 2, currentId, data) {
  buildControls();
}

ObjHandle* HwCreateGeoPlane::build(const char* geoName, int32_t id) const {
  return GVBuildPlaneGeo(geoName, id, length[0], length[1], count[0], count[1]);
}
