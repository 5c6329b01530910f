#include "editors/walls_dialog.h"

#include <new>

#include "appwins/help_window.h"
#include "platform/win32.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"

namespace {

// Bounds indices: the limit a field edits and its partner.
constexpr int kLowerX = 0, kUpperX = 1, kLowerY = 2, kUpperY = 3, kLowerZ = 4, kUpperZ = 5;
// Field slots (creation order) of each bounds index.
constexpr int kSlotOf[6] = {2, 1, 5, 0, 4, 3};
constexpr int kCodeOf[6] = {2, 1, 8, 4, 32, 16};

struct FieldPlace {
  const char* label;
  int frame, y;
  HwEditFloatCB cb;
};

}  // namespace

HwWalls::HwWalls(int x, float* sceneBounds, HwWallsCB ownerCB, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Walls Editor", x, 110, 230, 350, kEditorFrameStyle,
                   kDialogNeverResizable, nullptr, GVShowHelpPage, user),
      bounds(sceneBounds), owner(ownerCB), ownerUser(user) {
  GVSetEditorHelpTopic(this, "dlg_walls");
  if (!content || !content->inner) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const int frameY[4] = {10, 50, 120, 190}, frameH[4] = {35, 65, 65, 35};
  for (int i = 0; i < 4; ++i) frames[i].create(content->inner, instance, 10, frameY[i], 160, frameH[i], 2);
  const FieldPlace places[6] = {{"Upper Y :", 0, 5, setUpperY},  {"Upper X :", 1, 5, setUpperX},
                                {"Lower X :", 1, 35, setLowerX}, {"Upper Z :", 2, 5, setUpperZ},
                                {"Lower Z :", 2, 35, setLowerZ}, {"Lower Y :", 3, 5, setLowerY}};
  const int limitOf[6] = {kUpperY, kUpperX, kLowerX, kUpperZ, kLowerZ, kLowerY};
  for (int i = 0; i < 6; ++i) {
    HWND parent = frames[places[i].frame].inner;
    if (!parent) continue;
    fields[i].create(parent, instance, 10, places[i].y, 140, 25, places[i].label, 65, 1, 4,
                     bounds ? bounds[limitOf[i]] : 0.0f, nullptr, places[i].cb, this);
  }
  refresh();
}

HwWalls::~HwWalls() {
  for (HwBaseControl& f : fields) f.destroy();
  for (HwFrameWindow& f : frames) f.destroy();
}

void HwWalls::refresh() {
  for (int limit : {kUpperX, kLowerX, kUpperY, kLowerY, kUpperZ, kLowerZ}) {
    HwBaseControl& f = fields[kSlotOf[limit]];
    if (f.editButton) f.editButton->setFloat(bounds ? bounds[limit] : 0.0f);
  }
}

float HwWalls::change(int limit, int direction, float value) {
  if (!bounds) return 0.0f;
  if (direction == -1 || direction == 1) value += static_cast<float>(direction);
  value = GVBoundSceneValue(value);
  const bool upper = limit % 2 == 1;
  const float partner = bounds[upper ? limit - 1 : limit + 1];
  if (upper ? !(partner < value) : !(value < partner)) return bounds[limit];
  bounds[limit] = value;
  if (owner) owner(direction, kCodeOf[limit], value, ownerUser);
  return value;
}

float HwWalls::setUpperX(int d, float v, void* w) { return static_cast<HwWalls*>(w)->change(kUpperX, d, v); }
float HwWalls::setLowerX(int d, float v, void* w) { return static_cast<HwWalls*>(w)->change(kLowerX, d, v); }
float HwWalls::setUpperY(int d, float v, void* w) { return static_cast<HwWalls*>(w)->change(kUpperY, d, v); }
float HwWalls::setLowerY(int d, float v, void* w) { return static_cast<HwWalls*>(w)->change(kLowerY, d, v); }
float HwWalls::setUpperZ(int d, float v, void* w) { return static_cast<HwWalls*>(w)->change(kUpperZ, d, v); }
float HwWalls::setLowerZ(int d, float v, void* w) { return static_cast<HwWalls*>(w)->change(kLowerZ, d, v); }

GVEditorEntry GVWallsEditorEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* {
    return new (std::nothrow) HwWalls(a.x, GVScene().bounds, GVWallsDlgCB, a.main);
  };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t) { static_cast<HwWalls*>(d)->refresh(); };
  return e;
}
