#include "editors/scene_settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "appwins/file_list.h"
#include "appwins/help_window.h"
#include "geo/geo_list.h"
#include "platform/win32.h"
#include "scene/edit_rules.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_limits.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"

namespace {

// The one editor the link answers for.
HwEditScOG* gEditor = nullptr;

// Setting codes of GVSceneDlgCB.
enum : int32_t {
  kRead = 1,
  kShadowType = 2,
  kTextureSize = 4,
  kFarDistance = 8,
  kExtrusion = 0x10,
  kBackgroundType = 0x20,
  kImage = 0x40,
  kSkyTiles = 0x80,
  kSkySegments = 0x100,
  kSkyDistance = 0x200,
  kSkySpeed = 0x400,
  kRttGeoStepped = 0x800,
  kViewStatus = 0x1000,
  kMayChangeStatus = 0x2000,
};
constexpr int kTexturesMode = 0x2000;
// Tiles and segments of the sky dome.
constexpr int kSkyCountMin = 2, kSkyCountMax = 64;

// The scene-option words of the render-to-texture Geo and of the view mode.
constexpr int kOptRttGeo = 2;
constexpr int kOptViewMode = 3;

SceneOpts* options() { return GVScene().options; }
GeoList* geos() { return GVScene().geoList ? GVGeoListOf(GVScene().geoList) : nullptr; }

// "name  {id}", "ALL Geos", "Group_n" or "NONE".
void geoChooserText(int32_t id, char* text, size_t size) {
  if (id >= 1) {
    const GObject* g = geos() ? GVGetGeoById(geos(), id) : nullptr;
    std::snprintf(text, size, "%s  {%d}", g && g->name ? g->name : "no name", id);
  } else if (id == -1) {
    std::snprintf(text, size, "ALL Geos");
  } else if (id < -1) {
    std::snprintf(text, size, "Group_%d", -id);
  } else {
    std::snprintf(text, size, "NONE");
  }
}

}  // namespace

HwEditScOG::HwEditScOG(int x, int32_t rttGeo, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Global Scene Props", x, 110, 370, 512, kEditorFrameStyle, 1,
                   nullptr, GVShowHelpPage, user),
      rttGeo_(rttGeo),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_scene");
  gEditor = this;
  GeoEditorLinks l = GVGeoEditorLinks();
  l.sceneEditorGeo = [] { return gEditor ? gEditor->rttGeo() : 0; };
  GVSetGeoEditorLinks(l);
  build();
}

HwEditScOG::~HwEditScOG() {
  if (gEditor == this) {
    gEditor = nullptr;
    GeoEditorLinks l = GVGeoEditorLinks();
    l.sceneEditorGeo = nullptr;
    GVSetGeoEditorLinks(l);
  }
  delete shadowType;
  delete textureSize;
  delete farDistance;
  delete extrusion;
  delete backgroundType;
  delete imageLabel;
  delete imageField;
  delete loadButton;
  delete fileList;
  delete skyTiles;
  delete skySegments;
  delete skyDistance;
  delete skySpeed;
  delete rttSelector;
  delete viewStatus;
  for (HwFrameWindow*& f : frames) delete f;
}

void HwEditScOG::resize(int w, int h) { HwDialogTemp::resize(w, h); }

int32_t HwEditScOG::ask(int32_t code, int32_t* i, float* f, char* text) {
  return GVSceneDlgCB(code, kRead, i, f, text, user_);
}

void HwEditScOG::write(int32_t state, int32_t code, int32_t i, float f, const char* text) {
  char copy[kSceneDlgTextSize] = "";
  if (text) std::snprintf(copy, sizeof copy, "%s", text);
  GVSceneDlgCB(state, code, &i, &f, copy, user_);
}

void HwEditScOG::build() {
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;
  const int frameY[4] = {5, 135, 205, 315}, frameH[4] = {125, 65, 105, 100};
  for (int f = 0; f < 4; ++f) {
    frames[f] = new HwFrameWindow();
    frames[f]->create(parent, inst, 5, frameY[f], W - 10, frameH[f], 2);
  }
  const int full = W - 20 - 2 * frames[0]->border;
  // Labels as wide as their text needs where the font runs wider than the
  // layout allows; the value boxes beside them give up as much.
  const int typeW = std::max(HwLabelWidthFor(frames[0]->inner, "Shadow Type:  ", 95, 4),
                             HwLabelWidthFor(frames[1]->inner, "BkGnd Type:  ", 95, 4));

  // Shadows.
  HWND p = frames[0]->inner;
  shadowType = new HwDropDownCntrl(inst, "Shadow Type:  ", p, 5, 5, full, 25, typeW, 0.2f,
                                   [](int item, void* e) {
                                     static_cast<HwEditScOG*>(e)->write(0, kShadowType, item, 0, nullptr);
                                     return item;
                                   },
                                   this);
  static const char* const kShadowItems[2] = {"None", "Scripted"};
  shadowType->fillList(kShadowItems, 2);
  textureSize = new HwDropDownCntrl(inst, "Txt Size:  ", p, 5, 35, 150, 25, 80, 0.2f,
                                    [](int item, void* e) {
                                      static_cast<HwEditScOG*>(e)->write(0, kTextureSize, item, 0, nullptr);
                                      return item;
                                    },
                                    this);
  static const char* const kSizeItems[3] = {"512", "1024", "2048"};
  textureSize->fillList(kSizeItems, 3);
  farDistance = new HwSliderGroup();
  farDistance->addFloat(82, inst, p, 5, 65, full, 25, "dFar Dist:  ", 60, 0, 0, 100, 0x994, 1.0f,
                        [](int a, float v, void* e) {
                          auto* d = static_cast<HwEditScOG*>(e);
                          return d->shadowSlider(kFarDistance, d->farDistance, a, v);
                        },
                        this);
  extrusion = new HwSliderGroup();
  extrusion->addFloat(82, inst, p, 5, 95, full, 25, "dExtr Off:  ", 60, 0, 0, 100, 0x994, 1.0f,
                      [](int a, float v, void* e) {
                        auto* d = static_cast<HwEditScOG*>(e);
                        return d->shadowSlider(kExtrusion, d->extrusion, a, v);
                      },
                      this);

  // Background.
  p = frames[1]->inner;
  backgroundType = new HwDropDownCntrl(inst, "BkGnd Type:  ", p, 5, 5, full, 25, typeW, 0.2f,
                                       [](int item, void* e) {
                                         auto* d = static_cast<HwEditScOG*>(e);
                                         d->write(0, kBackgroundType, item, 0, nullptr);
                                         d->refresh();
                                         return item;
                                       },
                                       this);
  static const char* const kBackgroundItems[3] = {"None", "Image", "Sky Dome"};
  backgroundType->fillList(kBackgroundItems, 3);
  imageLabel = new HwLabel(p, "Image:", inst, 5, 32, 60, 25, 12, 0, -1, 0);
  imageField = new HwEditControl(2, 1, p, inst, 66, 32, 163, 25, 0, 0, "NONE", nullptr, nullptr, nullptr, nullptr);
  loadButton = new HwBMButton();
  loadButton->create(p, inst, "Load:", 0, 141, 142, 0, 0, 12, 230, 32, 50, 20, 3, "", 0, 0,
                     [](int, void* e) {
                       static_cast<HwEditScOG*>(e)->openFileList();
                       return 0;
                     },
                     this);

  // Sky.
  p = frames[2]->inner;
  const int skyW = std::max(HwLabelWidthFor(p, "Sky NTiles :", 75, 4), HwLabelWidthFor(p, "Sky NSegs :", 75, 4));
  auto skyField = [&](int x, const char* label, int32_t code) {
    auto* c = new HwBaseControl();
    HwEditIntCB cb =
        code == kSkyTiles
            ? +[](int s, int v, void* e) { return static_cast<HwEditScOG*>(e)->skyCount(kSkyTiles, s, v); }
            : +[](int s, int v, void* e) { return static_cast<HwEditScOG*>(e)->skyCount(kSkySegments, s, v); };
    c->createInt(p, inst, x, 5, 130, 25, label, skyW, cb, this);
    c->setIntRange(kSkyCountMin, kSkyCountMax);
    return c;
  };
  skyTiles = skyField(5, "Sky NTiles :", kSkyTiles);
  skySegments = skyField(W - 145, "Sky NSegs :", kSkySegments);
  skyDistance = new HwSliderGroup();
  skyDistance->addFloat(82, inst, p, 5, 35, full, 25, "Sky Dist :", 60, 10, 200, 1000, 0x151, 10.0f,
                        [](int a, float v, void* e) {
                          v = std::max(10.0f, std::min(1000.0f, v));
                          if (a != 3) static_cast<HwEditScOG*>(e)->write(0, kSkyDistance, 0, v, nullptr);
                          return v;
                        },
                        this);
  skySpeed = new HwSliderGroup();
  skySpeed->addFloat(82, inst, p, 5, 65, full, 25, "Sky Speed :", 60, 0, 0.02f, 0.2f, 0x158, 10.0f,
                     [](int a, float v, void* e) {
                       v = std::max(0.0f, std::min(0.2f, v));
                       if (a != 3) static_cast<HwEditScOG*>(e)->write(0, kSkySpeed, 0, v, nullptr);
                       return v;
                     },
                     this);

  // Render to texture.
  p = frames[3]->inner;
  char text[kHwSelectorBuffer];
  geoChooserText(rttGeo_, text, sizeof text);
  rttSelector = new HwSelectorTool(inst, "RTT Geo(s):", full, 80, 2, 5, 5, chooseRttGeo, this, p, text);
  if (rttSelector->button2) rttSelector->button2->setLabel(" ");
  if (rttSelector->button3) rttSelector->button3->setLabel(" ");
  viewStatus = new HwDropDownCntrl(inst, "RTT View Status:  ", p, 5, 38, full - 50, 25,
                                   HwLabelWidthFor(p, "RTT View Status:  ", 120, 4), 0.2f,
                                   [](int item, void* e) {
                                     auto* d = static_cast<HwEditScOG*>(e);
                                     SceneOpts* o = options();
                                     if (!o) return d->viewStatus ? d->viewStatus->selected : 1;
                                     int32_t none = 0;
                                     if (!GVSceneDlgCB(0, kMayChangeStatus, &none, nullptr, nullptr, d->user_)) return 1;
                                     o->fields[kOptViewMode] = item == 2 ? 1 : 0;
                                     d->write(o->fields[kOptViewMode], kViewStatus, 0, 0, nullptr);
                                     return item;
                                   },
                                   this);
  static const char* const kStatusItems[2] = {"Main Scene", "RTT Sub-Scene"};
  viewStatus->fillList(kStatusItems, 2);
  refresh();
}

// ---- the controls ----

float HwEditScOG::shadowSlider(int32_t code, HwSliderGroup* s, int action, float value) {
  value = std::max(0.0f, GVBoundSceneValue(value));
  if (action == 0 && s) s->setRange(s->floatMinimum, s->niceLimit(value));
  if (action != 3) write(0, code, 0, value, nullptr);
  return value;
}

int HwEditScOG::skyCount(int32_t code, int step, int value) {
  value = GVStepIntWithin(step, value, kSkyCountMin, kSkyCountMax);
  write(0, code, value, 0, nullptr);
  return value;
}

void HwEditScOG::showImage(const char* name) {
  if (!imageField) return;
  imageField->setText(name && *name ? name : "NONE");
  InvalidateRect(imageField->window, nullptr, TRUE);
}

void HwEditScOG::openFileList() {
  GVSetDirTextures();
  if (!fileList) {
    RECT area = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    fileList = new HwListDlg((area.right - area.left) / 2 + 150, 500, kTexturesMode, fileListReport, this);
    if (fileList && !fileList->isVisible()) fileList->show();
    return;
  }
  fileList->listFiles(kTexturesMode);
  if (!fileList->isVisible()) fileList->show();
}

void HwEditScOG::fileListReport(int code, int, const char* text, void* editor) {
  auto* self = static_cast<HwEditScOG*>(editor);
  if (!self || !(code & kTexturesMode)) return;
  if (code & 2) GVSetDirTextures();
  if ((code & 0x20) && text && *text) {
    self->showImage(text);
    GVSetDirRoot();
    self->write(0, kImage, 0, 0, text);
  }
}

void HwEditScOG::chooseRttGeo(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditScOG*>(editor);
  GeoList* list = geos();
  if (!self || !list || !list->head) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  int32_t& id = self->rttGeo_;
  if (action == -1) id = GVPrevGeoSel(list, id);
  if (action == 1) id = GVNextGeoSel(list, id);
  if (action == 0 && id >= 1 && GVGeoExists(GVScene().geoList, id)) {
    char name[kHwSelectorBuffer];
    std::snprintf(name, sizeof name, "%s", text);
    GVRenameGeo(name, id);
  }
  if (SceneOpts* o = options()) o->fields[kOptRttGeo] = id;
  geoChooserText(id, text, kHwSelectorBuffer);
  if (action != 4) GVSceneDlgCB(action, kRttGeoStepped, nullptr, nullptr, nullptr, self->user_);
}

// ---- refresh ----

void HwEditScOG::clear() {
  for (HwDropDownCntrl* d : {shadowType, textureSize, backgroundType, viewStatus})
    if (d && d->multiList) d->selectItem(1);
  showImage(nullptr);
  for (HwSliderGroup* s : {farDistance, extrusion, skyDistance, skySpeed})
    if (s) s->setRangeValue(0, 0, 100);
  for (HwBaseControl* c : {skyTiles, skySegments})
    if (c && c->editButton && c->editButton->edit) c->editButton->edit->setInt(0);
  rttGeo_ = 0;
  if (rttSelector) rttSelector->setValue("NONE");
}

void HwEditScOG::refreshRtt() {
  const SceneOpts* o = options();
  rttGeo_ = o ? o->fields[kOptRttGeo] : 0;
  if (rttSelector) rttSelector->report(4);
  if (viewStatus && viewStatus->multiList) viewStatus->selectItem(o && o->fields[kOptViewMode] == 1 ? 2 : 1);
}

void HwEditScOG::refresh() {
  if (!user_) {
    clear();
    refreshRtt();
    return;
  }
  int32_t i = 0;
  float f = 0;
  char text[kSceneDlgTextSize] = "";
  auto pick = [&](HwDropDownCntrl* d, int32_t code, std::initializer_list<int32_t> values) {
    if (!d || !d->multiList) return;
    if (!ask(code, &i, &f, text)) {
      d->selectItem(1);
      return;
    }
    int item = 1;
    for (int32_t v : values) {
      if (v == i) {
        d->selectItem(item);
        return;
      }
      ++item;
    }
  };
  pick(shadowType, kShadowType, {0, 5});
  pick(textureSize, kTextureSize, {512, 1024, 2048});
  pick(backgroundType, kBackgroundType, {0, 1, 2});

  int32_t kind = 0;
  const bool hasKind = ask(kBackgroundType, &kind, &f, text) != 0;
  text[0] = 0;
  if (hasKind && (kind == 1 || kind == 2 || kind == 4) && ask(kImage, &i, &f, text) && text[0])
    showImage(text);
  else
    showImage(nullptr);

  for (auto [s, code] : {std::pair{farDistance, kFarDistance}, std::pair{extrusion, kExtrusion}}) {
    if (!s) continue;
    f = 0;
    if (!ask(code, &i, &f, text)) f = 0;
    float lo = 0, hi = 0;
    s->fitRangeFloat(&f, &lo, &hi);
    s->setRangeValue(lo, f, hi);
  }
  for (auto [c, code] : {std::pair{skyTiles, kSkyTiles}, std::pair{skySegments, kSkySegments}}) {
    i = 0;
    if (!ask(code, &i, &f, text)) i = 0;
    if (c && c->editButton && c->editButton->edit) {
      c->editButton->edit->setInt(i);
      c->editButton->redraw();
    }
  }
  for (auto [s, code] : {std::pair{skyDistance, kSkyDistance}, std::pair{skySpeed, kSkySpeed}}) {
    f = 0;
    if (!ask(code, &i, &f, text)) f = 0;
    if (s) s->setValue(f);
  }
  refreshRtt();
}

// ---- the opener's entry ----

namespace {

int32_t sceneRttGeo() { return options() ? options()->fields[kOptRttGeo] : 0; }

}  // namespace

GVEditorEntry GVSceneSettingsEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditScOG(a.x, sceneRttGeo(), a.main); };
  e.show = [](HwDialogWindow* d) {
    auto* s = static_cast<HwEditScOG*>(d);
    s->setRttGeo(sceneRttGeo());
    s->refresh();
    d->show();
  };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t) {
    auto* s = static_cast<HwEditScOG*>(d);
    s->setRttGeo(sceneRttGeo());
    s->refresh();
  };
  return e;
}
