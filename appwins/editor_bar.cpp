// The editor selector bar: its frame, inner window and sixteen buttons.
#include "appwins/editor_bar.h"

#include <new>

#include "appwins/editor_opener.h"
#include "platform/win32.h"
#include "toolkit/buttons.h"

namespace {

constexpr int kButtonSize = 30;
constexpr int kButtonStep = 29;
constexpr int kGroupGap = 10;
constexpr int kTextLabelSize = 12;

HwBMButton* plainAllocation() { return new (std::nothrow) HwBMButton(); }
GVEditorButtonAllocator gAllocate = plainAllocation;

int buttonCB(int, void* user) {
  auto* link = static_cast<GVEditorBarLink*>(user);
  if (link && link->bar && link->bar->owner) link->bar->owner(link->code, link->bar->user);
  return 0;
}

}  // namespace

const GVEditorBarButton kEditorBarTable[kEditorBarButtons] = {
    {"Jel Initial State Editor", 169, 170, nullptr, kEditorInitialState, 0},
    {"Jel Material Attributes Editor", 171, 172, nullptr, kEditorMatter, 0},
    {"Jel Structure Editor", 173, 174, nullptr, kEditorStructure, 0},
    {"Jel Parts Editor", 175, 176, nullptr, kEditorJelPart, 0},
    {"Jel Group Editor", 177, 178, nullptr, kEditorJelGroup, 0},
    {"Jel Glue Editor", 179, 180, nullptr, kEditorGlue, 0},
    {"Geo Properties Editor", 181, 182, nullptr, kEditorGeoProperties, 1},
    // The Geo group editor shares the group editor's faces; it sends 9, never 8.
    {"Geo Group Editor", 177, 178, nullptr, kEditorGeoGroup, 1},
    {"Geo Transform Editor", 183, 184, nullptr, kEditorKeyFrame, 1},
    {"Geo Attachments Editor", 0, 0, "Atc", kEditorAttachment, 1},
    {"Geo Render Editor", 185, 186, nullptr, kEditorRender, 1},
    {"Walls Editor", 187, 188, nullptr, kEditorWalls, 2},
    {"Constraint Editor", 189, 190, nullptr, kEditorLogicPanel, 3},
    {"Vehicle Controls", 191, 192, nullptr, kEditorVehiclePanel, 3},
    {"Scene Settings", 0, 0, "Scn", kEditorSceneSettings, 3},
    {"Lights", 0, 0, "Lit", kEditorLights, 3},
};

void GVSetEditorButtonAllocator(GVEditorButtonAllocator allocate) {
  gAllocate = allocate ? allocate : plainAllocation;
}

void GVBuildEditorFrame(GVEditorBar* bar, HWND parent, void* mainWindow) {
  if (!bar) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  bar->owner = GVEditorFrameCB;
  bar->user = mainWindow;
  bar->width = kEditorBarWidth;
  bar->height = kEditorBarHeight;
  bar->frame.create(parent, instance, 0, 0, kEditorBarWidth, kEditorBarHeight, kEditorBarStyle, 0);
  bar->inner = bar->frame.window ? bar->frame.createInner("BaseControlClass", "", instance, nullptr) : nullptr;
  if (bar->inner) {
    ShowWindow(bar->inner, SW_SHOW);
    UpdateWindow(bar->inner);
  }
  int made = 0;
  for (int i = 0; i < kEditorBarButtons; ++i) {
    const GVEditorBarButton& t = kEditorBarTable[i];
    bar->links[i] = GVEditorBarLink{bar, t.code};
    HwBMButton* button = bar->inner ? gAllocate() : nullptr;
    if (!button) continue;
    const int x = kButtonStep * made + 1 + kGroupGap * t.group;
    if (t.text)
      button->create(bar->inner, instance, t.text, 1, 0, 0, 0, 0, kTextLabelSize, x, 1, kButtonSize, kButtonSize, 0,
                     t.toolTip, 0, 0, buttonCB, &bar->links[i]);
    else
      button->create(bar->inner, instance, "", 0, t.upBitmap, t.downBitmap, 0, 0, 0, x, 1, kButtonSize,
                     kButtonSize, 0, t.toolTip, 0, 0, buttonCB, &bar->links[i]);
    if (!button->face) {
      if (button->outer) DestroyWindow(button->outer);
      delete button;
      continue;
    }
    bar->buttons[i] = button;
    ++made;
  }
}

void GVMoveEditorFrame(GVEditorBar* bar, int x, int y, int width, int height) {
  if (!bar) return;
  bar->frame.moveWithInner(bar->inner, x, y, width, height);
  bar->x = x, bar->y = y, bar->width = width, bar->height = height;
}

void GVFreeEditorFrame(GVEditorBar* bar) {
  if (!bar) return;
  for (HwBMButton*& button : bar->buttons) {
    delete button;
    button = nullptr;
  }
}
