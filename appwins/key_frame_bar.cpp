#include "appwins/key_frame_bar.h"

#include <cstring>
#include <new>

#include "appwins/help_window.h"
#include "geo/geo_binding.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/key_frame_edits.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/buttons.h"
#include "toolkit/frames.h"

namespace {

constexpr const char* kTopic = "dlg_kfbc";

int32_t ask(GVKeyFrameBar* b, int32_t frame, int32_t request, int32_t id) {
  return b->owner ? b->owner(frame, request, id, nullptr, b->user) : 0;
}

// The frame the world stands at (one on once the last sub-step is taken).
int32_t currentFrame(const GVKeyFrameBar* b) { return GVCurrentFrame(b->world); }

GObject* currentGeo(GVKeyFrameBar* b, int32_t* id) {
  *id = ask(b, 0, kKeyBarCurrentGeo, 0);
  return *id >= 1 ? GVGeoOf(GVFindGeo(b->geoList, *id)) : nullptr;
}

int styleIndex(int style) { return style >= 0 && style <= 5 ? (style > 3 ? 3 : style) : 0; }

// A 36 x 26 button at (x, 2): a bitmap face, or without bitmaps a text face.
HwBMButton* makeButton(HWND parent, HINSTANCE instance, const char* label, int up, int down, int x, const char* tip,
                       HwButtonCB callback, GVKeyFrameBar* b) {
  auto* button = new (std::nothrow) HwBMButton();
  if (!button) return nullptr;
  const bool text = up == 0;
  button->create(parent, instance, label, text ? 2 : 0, up, down, 0, 0, text ? 12 : 0, x, 2, 36, 26, 0, tip, 0, 0,
                 callback, b);
  return button;
}

}  // namespace

int GVKeyBarPreviousCB(int, void* bar) {
  auto* b = static_cast<GVKeyFrameBar*>(bar);
  int32_t id = 0;
  if (GObject* g = currentGeo(b, &id)) {
    const int32_t k = GVGetGeoPrevKeyFrame(g, currentFrame(b));
    if (k >= 0) ask(b, k, kKeyBarPrevious, id);
  }
  return 0;
}

int GVKeyBarNextCB(int, void* bar) {
  auto* b = static_cast<GVKeyFrameBar*>(bar);
  int32_t id = 0;
  if (GObject* g = currentGeo(b, &id)) {
    const int32_t k = GVNextGeoKeyFrame(g->handle, currentFrame(b));
    if (k >= 0) ask(b, k, kKeyBarNext, id);
  }
  return 0;
}

int GVKeyBarSetCB(int, void* bar) {
  auto* b = static_cast<GVKeyFrameBar*>(bar);
  const int32_t id = ask(b, 0, kKeyBarCurrentGeo, 0);
  if (id == 0) return 0;
  const int32_t t = currentFrame(b);
  if (GVSetGeoKeyFromSlot(b->geoList, b->world, id)) ask(b, t, kKeyBarKeySet, id);
  return 0;
}

GVKeyFrameBar* GVCreateKeyFrameBar(GVKeyFrameBar* b, HINSTANCE instance, HWND parent, int value,
                                   GVKeyFrameBarFn owner, void* user) {
  if (!b) return nullptr;
  b->helpTopic = nullptr;
  b->geoList = GVScene().geoList;
  b->world = GVScene().world;
  b->placement = value;
  b->frameCallback = GVFrameCallback;
  b->afterFrameCallback = GVUpdateAfterStep;
  b->user = user;
  b->frameStyle = 4;
  b->owner = owner;
  b->helpTopic = new (std::nothrow) char[std::strlen(kTopic) + 1];
  if (b->helpTopic) std::strcpy(b->helpTopic, kTopic);
  b->styleIndex = styleIndex(b->frameStyle);
  b->width = 116 + 2 * b->styleIndex;
  b->height = 30 + 2 * b->styleIndex;

  b->frame = new (std::nothrow) HwFrameWindow();
  if (!b->frame) return b;
  b->frame->createStyled(parent, instance, b->helpTopic, b->placement, 0, b->width, b->height, b->frameStyle, 0,
                         GVShowHelpPage);
  HWND in = b->frame->inner;
  b->previous = makeButton(in, instance, "", 160, 161, 2, "Geo KeyFrame: Step to Previous", GVKeyBarPreviousCB, b);
  b->set = makeButton(in, instance, " KF ", 0, 0, 40, "Geo KeyFrame: Set", GVKeyBarSetCB, b);
  b->next = makeButton(in, instance, "", 162, 163, 78, "Geo KeyFrame: Step to Next", GVKeyBarNextCB, b);
  return b;
}

void GVDestroyKeyFrameBar(GVKeyFrameBar* b) {
  if (!b) return;
  for (HwBMButton** button : {&b->previous, &b->set, &b->next}) {
    delete *button;
    *button = nullptr;
  }
  if (b->frame) {
    if (b->frame->outer) DestroyWindow(b->frame->outer);
    delete b->frame;
    b->frame = nullptr;
  }
  delete[] b->helpTopic;
  b->helpTopic = nullptr;
}

void GVMoveKeyFrameBar(GVKeyFrameBar* b, int x, int y) {
  if (b && b->frame && b->frame->outer) MoveWindow(b->frame->outer, x, y, b->frame->width, b->frame->height, TRUE);
}
