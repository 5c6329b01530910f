#include "editors/render_editor.h"

#include <algorithm>

#include <cstdio>
#include <cstring>

#include "appwins/file_list.h"
#include "appwins/help_window.h"
#include "geo/geo_list.h"
#include "geo/uv_sets.h"
#include "platform/win32.h"
#include "scene/edit_rules.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"

namespace {

HwRender* gShown = nullptr;

constexpr unsigned kColourFlags = 0x854;
constexpr float kDropTime = 0.2f;

const char* const kTypes[2] = {"Props", "Script"};
const char* const kOnOff[2] = {"OFF", "ON"};
const char* const kDisplayItems[7] = {"Opaque",     "Transparent", "AlphaMask",  "IGNORE",
                                      "RTT_Opaque", "RTT_Trnspnt", "RTT_AlphMsk"};
// The display mode of each "Display" item, in item order.
const int32_t kDisplayModes[7] = {GEO_MAT_OPAQUE,     GEO_MAT_TRANSPARENT,     GEO_MAT_ALPHA_MASK,     GEO_MAT_IGNORE,
                                  GEO_MAT_RTT_OPAQUE, GEO_MAT_RTT_TRANSPARENT, GEO_MAT_RTT_ALPHA_MASK};
constexpr int kItemIgnore = 4;

struct ColourRow {
  const char* label;
  float step;
  int32_t mask;
};
constexpr ColourRow kColourRows[HwRender::kColours] = {
    {"Amb R", 1, 0x80},     {"Amb G", 1, 0x100},    {"Amb B", 1, 0x200},    {"Amb A", 1, 0x400},
    {"Diff R", 1, 0x800},   {"Diff G", 1, 0x1000},  {"Diff B", 1, 0x2000},  {"Diff A", 1, 0x4000},
    {"Spec R", 1, 0x8000},  {"Spec G", 1, 0x10000}, {"Spec B", 1, 0x20000}, {"Spec A", 10, 0x40000},
};
constexpr int32_t kShineMask = 0x80000;

// The colour block of a slider (ambient, diffuse, specular by fours).
GColour*& blockOf(GeoMaterial* m, int slider) {
  return slider < 4 ? m->colourA : slider < 8 ? m->colourB : m->colourC;
}
float& componentOf(GColour* c, int slider) {
  switch (slider % 4) {
    case 0: return c->r;
    case 1: return c->g;
    case 2: return c->b;
    default: return c->a;
  }
}

int displayItem(int32_t mode) {
  for (int i = 0; i < 7; ++i)
    if (kDisplayModes[i] == mode) return i + 1;
  return 0;
}

int workAreaHalf() {
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return (work.right - work.left) / 2;
}

// A name copied into a 256-character buffer, cut to fit.
void copyName(char* buffer, const char* text) { std::snprintf(buffer, kMaterialNameMax, "%s", text ? text : ""); }

void select(HwDropDownCntrl* d, int item) {
  if (d && d->multiList) d->selectItem(item);
}

void setEdit(HwEditControl* e, const char* text) {
  if (!e) return;
  e->setText(text);
  if (e->window) InvalidateRect(e->window, nullptr, TRUE);
}

void setSelector(HwSelectorTool* s, const char* text) {
  if (!s) return;
  s->setValue(text);
  if (s->window) RedrawWindow(s->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HwDropDownCntrl* makeDrop(HWND parent, const char* label, int x, int y, int width, int labelWidth,
                          const char* const* items, int count, HwDropDownCB cb, void* user) {
  auto* d = new HwDropDownCntrl(GetModuleHandleA(nullptr), label, parent, x, y, width, 28, labelWidth, kDropTime, cb,
                                user);
  d->fillList(items, count);
  return d;
}

HwSelectorTool* makeSelector(HWND parent, const char* label, int x, int y, int width, int labelWidth,
                             const char* third, HwSelectorCB cb, void* user) {
  auto* s = new HwSelectorTool(GetModuleHandleA(nullptr), label, width, labelWidth, 4, x, y, cb, user, parent, "NONE");
  if (s->button2) s->button2->setLabel(" ");
  if (s->button3) s->button3->setLabel(third);
  return s;
}

HwLabel* makeLabel(HWND parent, const char* text, int x, int y, int width) {
  return new HwLabel(parent, text, GetModuleHandleA(nullptr), x, y, width, 25, 12, 0, 1, 6);
}

const char* keepTyped(int, char* text, void*) { return text; }

HwEditControl* makeTextEdit(HWND parent, int x, int y, int width, HwEditTextCB cb, void* user) {
  return new HwEditControl(2, 0, parent, GetModuleHandleA(nullptr), x, y, width, 25, 0, 0.0f, "NONE", nullptr,
                           nullptr, cb, user);
}

HwBaseControl* makeLoad(HWND parent, int x, int y, int width, HwButtonCB cb, void* user) {
  auto* b = new HwBaseControl();
  b->createButton(GetModuleHandleA(nullptr), parent, x, y, width, 25, "Load:", "", 20, 4, cb, user);
  return b;
}

bool scriptState(const GObject* g, int layer) { return layer == 0 && g->materialType == 2 && GVGeoHasMatStrings(g); }

const char* orNone(const char* text) { return text && text[0] ? text : "NONE"; }

}  // namespace

HwRender* GVRenderEditor() { return gShown; }

HwRender::HwRender(int x, int32_t id, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Geo Render Editor", x, 110, 355, 860, kEditorFrameStyle, 0, nullptr,
                   GVShowHelpPage, nullptr),
      user_(user) {
  gShown = this;
  GeoEditorLinks links = GVGeoEditorLinks();
  links.renderEditorGeo = [] { return gShown ? gShown->geoId : 0; };
  // The current Geo's own strings: the owner's copy keeps what the Geo holds.
  links.renderEditorMatFile = []() -> const char* {
    const GObject* g = gShown ? gShown->currentGeo() : nullptr;
    return g ? g->matFile : nullptr;
  };
  links.renderEditorMatAux = []() -> const char* {
    const GObject* g = gShown ? gShown->currentGeo() : nullptr;
    return g ? g->matName2 : nullptr;
  };
  GVSetGeoEditorLinks(links);
  build(id);
}

HwRender::~HwRender() {
  if (gShown == this) {
    gShown = nullptr;
    GeoEditorLinks links = GVGeoEditorLinks();
    links.renderEditorGeo = nullptr;
    links.renderEditorMatFile = nullptr;
    links.renderEditorMatAux = nullptr;
    GVSetGeoEditorLinks(links);
  }
  delete matFileList;
  delete materialList;
  delete textureList;
  delete geoSelector;
  delete layerSelector;
  delete materialType;
  delete matFileLoad;
  delete matFileLabel;
  delete matFileEdit;
  delete matScriptLabel;
  delete matScriptEdit;
  delete castShadows;
  delete receiveShadows;
  for (HwSliderGroup*& s : colours) delete s;
  delete shine;
  delete display;
  delete uvSelector;
  delete textureLabel;
  delete textureEdit;
  delete textureLoad;
  for (HwFrameWindow*& f : frames) delete f;
}

void HwRender::resize(int w, int h) {
  editorWidth = w;
  editorHeight = h;
  if (form) {
    form->setSize(w, h);
    form->doArrange();
  }
}

void HwRender::build(int32_t id) {
  editorWidth = 355;
  editorHeight = 860;
  geoList = GVScene().geoList;
  geoId = id < 0 ? 0 : id;
  layer = 0;
  matFileName[0] = matName[0] = 0;
  GVSetEditorHelpTopic(this, "dlg_grend");
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;

  geoSelector = makeSelector(parent, "Geo(s):", 5, 5, W - 10, 60, "H", chooseGeo, this);
  layerSelector = makeSelector(parent, "Layer:", 5, 43, W - 10, 60, "X", chooseLayer, this);
  const int frameY[kFrames] = {96, 199, 242, 369, 496, 679};
  // The material source frame holds its last row (71 down, 25 high) inside its border.
  const int frameH[kFrames] = {100, 43, 122, 122, 178, 71};
  HWND inner[kFrames];
  int innerW[kFrames];
  for (int f = 0; f < kFrames; ++f) {
    frames[f] = new HwFrameWindow();
    frames[f]->create(parent, inst, 5, frameY[f], W - 10, frameH[f], 2);
    inner[f] = frames[f]->inner;
    innerW[f] = W - 10 - 2 * frames[f]->border;
  }

  HWND src = inner[kSourceFrame];
  materialType = makeDrop(src, "Material Type: ", 5, 5, 180, 100, kTypes, 2, setMaterialType, this);
  matFileLoad = makeLoad(src, W - 92, 7, 76, loadMaterialFile, this);
  // Labels as wide as their text needs where the font runs wider than the
  // layout allows; the fields beside them give up as much.
  const int fileW = std::max(HwLabelWidthFor(src, "Mat File:", 70, 6), HwLabelWidthFor(src, "Mat Script:", 70, 6));
  matFileLabel = makeLabel(src, "Mat File:", 5, 38, fileW);
  matFileEdit = makeTextEdit(src, 6 + fileW, 38, W - 93 - (fileW - 70), keepTyped, this);
  matScriptLabel = makeLabel(src, "Mat Script:", 5, 71, fileW);
  matScriptEdit = makeTextEdit(src, 6 + fileW, 71, W - 93 - (fileW - 70), keepTyped, this);

  HWND sh = inner[kShadowFrame];
  const int shadowW = std::max(HwLabelWidthFor(sh, "Shdw Cast: ", 76, 4), HwLabelWidthFor(sh, "Shdw Recv: ", 76, 4));
  const int grow = shadowW - 76;
  castShadows = makeDrop(sh, "Shdw Cast: ", 5, 5, 138 + grow, shadowW, kOnOff, 2, setCastShadows, this);
  receiveShadows =
      makeDrop(sh, "Shdw Recv: ", 148 + grow, 5, 138 + grow, shadowW, kOnOff, 2, setReceiveShadows, this);

  static const HwSliderFloatCB kCBs[kColours] = {
      colourCB<0>, colourCB<1>, colourCB<2>, colourCB<3>, colourCB<4>,  colourCB<5>,
      colourCB<6>, colourCB<7>, colourCB<8>, colourCB<9>, colourCB<10>, colourCB<11>};
  for (int i = 0; i < kColours; ++i) {
    const int f = kAmbientFrame + i / 4;
    colours[i] = new HwSliderGroup();
    colours[i]->addFloat(60, inst, inner[f], 5, 5 + 28 * (i % 4), innerW[f] - 10, 23, kColourRows[i].label, 55, 0, 0,
                         1, kColourFlags, kColourRows[i].step, kCBs[i], this);
  }
  HWND spec = inner[kSpecularFrame];
  shine = new HwSliderGroup();
  shine->addFloat(60, inst, spec, 5, 117, innerW[kSpecularFrame] - 10, 23, "Shine", 55, 0, 0, 128, kColourFlags, 10,
                  setShininess, this);
  display = makeDrop(spec, "Display", 5, 145, 190, 57, kDisplayItems, 7, setDisplayMode, this);

  HWND tex = inner[kTextureFrame];
  uvSelector = makeSelector(tex, "UVSet:", 5, 5, W - 20, 58, "X", chooseUVSet, this);
  const int textureW = HwLabelWidthFor(tex, "Texture:", 56, 6);
  // The "Load:" field's label is what its 20-pixel button leaves (38 of 62): the
  // field grows by what the text lacks, and the texture edit gives up as much.
  const int loadGrow = HwLabelWidthFor(tex, "Load:", 38, 4) - 38;
  textureLabel = makeLabel(tex, "Texture:", 5, 38, textureW);
  textureEdit = makeTextEdit(tex, 6 + textureW, 38, 154 - (textureW - 56) - loadGrow, textureText, this);
  textureLoad = makeLoad(tex, 221 - loadGrow, 38, 62 + loadGrow, loadTexture, this);

  char text[kHwSelectorBuffer] = "";
  chooseGeo(4, text, this);
  setSelector(geoSelector, text);
  fill(0, true);
}

GObject* HwRender::currentGeo() const {
  return geoId >= 1 && geoList ? GVGetGeoById(GVGeoListOf(geoList), geoId) : nullptr;
}

GeoMaterial* HwRender::layerMaterial() const {
  const GObject* g = currentGeo();
  return g ? GVGetGeoMaterial(g->materials, layer) : nullptr;
}

void HwRender::notify(int32_t value, int32_t mask) { GVRenderDlgCB(value, mask, geoId, user_); }

void HwRender::update(int32_t id) {
  if (id < 0) id = 0;
  if (id == 0 && currentGeo()) return;
  geoList = GVScene().geoList;
  geoId = id;
  if (!currentGeo()) geoId = 0;
  char text[kHwSelectorBuffer] = "";
  chooseGeo(4, text, this);
  setSelector(geoSelector, text);
  selectGeo(geoId);
}

void HwRender::selectGeo(int32_t id) {
  if (!geoList || id == 0) {
    clearFields();
    return;
  }
  geoId = id;
  const GObject* g = currentGeo();
  if (!g || !g->materials || g->materials->count < 1) {
    clearFields();
    return;
  }
  layer = 0;
  showLayer(0);
}

void HwRender::showLayer(int k) { fill(k, false); }

// showLayer's steps; at creation a Geo of material type 2 shows zero colours
// and an unknown display mode "IGNORE".
void HwRender::fill(int k, bool atCreation) {
  const GObject* g = currentGeo();
  const int n = g && g->materials ? g->materials->count : 0;
  if (!geoList || n < 1) {
    clearFields();
    return;
  }
  layer = k > n - 1 || k < 0 ? 0 : k;
  GeoMaterial* m = &g->materials->materials[layer];
  char text[kHwSelectorBuffer];
  std::snprintf(text, sizeof text, "Layer {%d}", layer);
  setSelector(layerSelector, text);
  const bool script = scriptState(g, layer);
  select(materialType, script ? 2 : 1);
  setEdit(matFileEdit, script ? orNone(g->matFile) : "NONE");
  setEdit(matScriptEdit, script ? orNone(g->matScript) : "NONE");
  const GeoMaterial* first = &g->materials->materials[0];
  select(castShadows, (first->word18 & 1u) ? 2 : 1);
  select(receiveShadows, (first->word18 & 2u) ? 2 : 1);
  const bool zero = script || (atCreation && g->materialType == 2);
  for (int i = 0; i < kColours; ++i) {
    if (!colours[i]) continue;
    const GColour* c = blockOf(m, i);
    colours[i]->setRangeValue(0, zero || !c ? 0.0f : componentOf(const_cast<GColour*>(c), i), 1);
  }
  if (shine) shine->setRangeValue(0, zero ? 0.0f : m->shininess, 128);
  const int item = displayItem(m->mode);
  select(display, item ? item : atCreation ? kItemIgnore : 1);
  if (script) {
    setSelector(uvSelector, "NONE");
  } else {
    text[0] = 0;
    chooseUVSet(4, text, this);
    setSelector(uvSelector, text);
  }
  showTexture(g, m, script);
}

void HwRender::showTexture(const GObject* g, const GeoMaterial* m, bool script) {
  const UVSet* set = m->uvSetIndex >= 0 ? GVGetUVSet(g->uvSets, m->uvSetIndex) : nullptr;
  if (set && set->setWord == 0 && !script)
    setEdit(textureEdit, m->textureFile ? m->textureFile : "");
  else
    setEdit(textureEdit, "NONE");
}

void HwRender::clearFields() {
  select(materialType, 1);
  setSelector(layerSelector, "NONE");
  select(castShadows, 1);
  select(receiveShadows, 1);
  for (HwSliderGroup* s : colours)
    if (s) s->setRangeValue(0, 0, 1);
  if (shine) shine->setRangeValue(0, 0, 128);
  select(display, kItemIgnore);
  setSelector(uvSelector, "NONE");
  setEdit(textureEdit, "NONE");
}

// ---- the choosers ----

void HwRender::chooseGeo(int code, char* text, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  GeoList* list = self->geoList ? GVGeoListOf(self->geoList) : nullptr;
  if (!list || !list->head) {
    self->selectGeo(self->geoId);
    std::strcpy(text, "NONE");
    return;
  }
  if (code >= -1 && code <= 3 && code != 0) {
    int32_t id = self->geoId;
    if (code == -1) {
      id = GVPrevGeoId(self->geoList, self->geoId);
    } else if (code == 1) {
      const GObject* at = GVGetGeoById(list, self->geoId);
      id = at && at->next ? at->next->id : list->head->id;
    }
    self->geoId = id;
    if (code != 2) self->selectGeo(id);
  } else if (code == 0 && self->currentGeo()) {
    char name[kHwSelectorBuffer];
    copyName(name, text);
    GVRenameGeo(name, self->geoId);
  }
  const GObject* g = self->currentGeo();
  if (g)
    std::snprintf(text, kHwSelectorBuffer, "%s  {%d}", g->name ? g->name : "", g->id);
  else
    std::strcpy(text, "NONE");
  if (code != 4) self->notify(code, 1);
}

void HwRender::chooseLayer(int code, char* text, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  const GObject* g = self->currentGeo();
  if (!g || !g->materials) {
    self->clearFields();
    std::strcpy(text, "NONE");
    return;
  }
  const int n = g->materials->count;
  int k = self->layer;
  if (code == -1) k = n <= 1 ? 0 : k <= 0 ? n - 1 : k > n - 1 ? n - 1 : k - 1;
  if (code == 1) k = n <= 1 ? 0 : k >= n - 1 || k < 0 ? 0 : k + 1;
  if (code >= -1 && code <= 3 && code != 0) {
    self->showLayer(k);
    if (code == 3) {
      const int removed = self->layer;
      self->notify(removed, 0x1000000);
      if (removed > 0) {
        self->layer = 0;
        self->selectGeo(self->geoId);
      }
    }
  }
  std::snprintf(text, kHwSelectorBuffer, "Layer {%d}", self->layer);
}

// ---- material source ----

int HwRender::setMaterialType(int item, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  GObject* g = self->currentGeo();
  if (!g) return 1;
  if (item == 2 && self->layer > 0) {
    MessageBeep(MB_ICONHAND);
    item = 1;
  }
  const bool wasScript = g->materialType == 2;
  g->materialType = item == 2 ? 2 : 1;
  const int transition = wasScript ? (item == 2 ? 4 : 3) : (item == 2 ? 2 : 1);
  if (item == 2 && g->materials && g->materials->count > 0) g->materials->materials[0].mode = GEO_MAT_OPAQUE;
  self->showLayer(self->layer);
  self->notify(transition, 4);
  return item == 2 ? 2 : 1;
}

int HwRender::loadMaterialFile(int, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  const GObject* g = self->currentGeo();
  if (!g || g->materialType != 2) return 0;
  GVSetDirScripts();
  if (!self->matFileList) {
    self->matFileList = new HwListDlg(workAreaHalf() + 150, 530, 0x4000, materialFileChosen, self);
  } else {
    self->matFileList->listFiles(0x4000);
    if (!self->matFileList->isVisible()) self->matFileList->show();
  }
  return 0;
}

void HwRender::materialFileChosen(int flags, int, const char* text, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  if (flags == (0x4000 | 2)) {
    GVSetDirScripts();
  } else if (flags == (0x4000 | 0x20)) {
    copyName(self->matFileName, text);
    setEdit(self->matFileEdit, self->matFileName);
    self->openMaterialList();
    GVSetDirRoot();
  }
}

void HwRender::openMaterialList() {
  GVSetDirScripts();
  if (!materialList) {
    materialList = HwListDlg::createMaterialList(workAreaHalf() + 150, scriptMaterialChosen, this);
    if (materialList) materialList->listFolder(matFileName);
  } else {
    materialList->listFolder(matFileName);
    if (!materialList->isVisible()) materialList->show();
  }
}

int HwRender::findScriptMaterial(const char* name) const {
  if (!matFileList) return -1;
  const int r = GVFindScriptMaterial(matFileName, name);
  GVSetDirRoot();
  return r;
}

void HwRender::scriptMaterialChosen(int flags, int, const char* text, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  if (flags == (0x8000 | 2)) {
    GVSetDirScripts();
    return;
  }
  GObject* g = self->currentGeo();
  if (flags != (0x8000 | 0x20) || !g) return;
  if (g->materialType == 2) {
    copyName(self->matName, text);
    setEdit(self->matScriptEdit, self->matName);
    GVSetString(&g->matFile, self->matFileName);
    GVSetString(&g->matScript, self->matName);
    const size_t len = std::strlen(self->matFileName);
    if (self->findScriptMaterial(self->matName) == 1 && len > 9) {
      char reference[2 * kMaterialNameMax + 2];
      std::snprintf(reference, sizeof reference, "%.*s/%s", static_cast<int>(len - 9), self->matFileName,
                    self->matName);
      GVSetString(&g->matName2, reference);
    } else {
      GVSetString(&g->matName2, self->matName);
    }
    self->notify(self->layer, 0x10);
  } else {
    GVSetString(&g->matFile, "");
    GVSetString(&g->matScript, "");
    GVSetString(&g->matName2, "");
    self->matName[0] = 0;
  }
  self->showLayer(self->layer);
  GVSetDirRoot();
}

// ---- shadows, colours, shininess, display ----

int HwRender::setShadowBit(int item, uint32_t bit, int32_t mask) {
  GObject* g = currentGeo();
  GeoMaterial* first = g ? GVGetGeoMaterial(g->materials, 0) : nullptr;
  if (!first) return 1;
  if (item == 2)
    first->word18 |= bit;
  else
    first->word18 &= ~bit;
  notify(static_cast<int32_t>(first->word18 & bit), mask);
  return item == 2 ? 2 : 1;
}

int HwRender::setCastShadows(int item, void* editor) { return static_cast<HwRender*>(editor)->setShadowBit(item, 1u, 0x20); }

int HwRender::setReceiveShadows(int item, void* editor) {
  return static_cast<HwRender*>(editor)->setShadowBit(item, 2u, 0x40);
}

// A colour component or (slider kColours) the shininess of the layer's material.
float HwRender::setColour(int slider, int event, float value) {
  const float top = slider == kColours ? 128.0f : 1.0f;
  value = value < 0 ? 0 : value > top ? top : value;
  GObject* g = currentGeo();
  if (!g || (layer == 0 && g->materialType == 2)) return value;
  if (GeoMaterial* m = GVGetGeoMaterial(g->materials, layer)) {
    if (slider == kColours) {
      m->shininess = value;
    } else {
      GColour*& c = blockOf(m, slider);
      if (!c) c = new GColour{1, 0, 0, 0, 1};
      c->mode = 1;
      componentOf(c, slider) = value;
    }
  }
  if (event != 3) notify(event, slider == kColours ? kShineMask : kColourRows[slider].mask);
  return value;
}

template <int Slider>
float HwRender::colourCB(int event, float value, void* editor) {
  return static_cast<HwRender*>(editor)->setColour(Slider, event, value);
}

float HwRender::setShininess(int event, float value, void* editor) {
  return static_cast<HwRender*>(editor)->setColour(kColours, event, value);
}

int HwRender::setDisplayMode(int item, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  GObject* g = self->currentGeo();
  GeoMaterial* m = self->layerMaterial();
  if (!g || !m) return 1;
  if (self->layer == 0 && g->materialType == 2) {
    m->mode = GEO_MAT_OPAQUE;
    return 1;
  }
  if (item < 1 || item > 7) return displayItem(m->mode) ? displayItem(m->mode) : 1;
  m->mode = kDisplayModes[item - 1];
  self->notify(0, 0x200000);
  return item;
}

// ---- UV set and texture ----

void HwRender::chooseUVSet(int code, char* text, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  GObject* g = self->currentGeo();
  if (!g || !g->uvSets || !g->materials) {
    std::strcpy(text, "NONE");
    return;
  }
  if (g->materials->count < 1 || self->layer < 0 || self->layer >= g->materials->count) return;
  GeoMaterial* m = &g->materials->materials[self->layer];
  auto setOf = [&]() { return m->uvSetIndex >= 0 ? GVGetUVSet(g->uvSets, m->uvSetIndex) : nullptr; };
  if (code == 0) {
    if (UVSet* s = setOf()) GVSetString(&s->name, text);
  } else {
    if (code != 4) {
      if (m->uvSetIndex == -1) {
        if ((code == -1 || code == 1) && g->uvSets->count >= 1) {
          m->uvSetIndex = self->layer;
          m->uvSetRef = 1;
          m->uvSet = GVGetUVSet(g->uvSets, self->layer);
        }
      } else if (UVSet* s = setOf()) {
        if (code == -1 || code == 1) s->setWord = s->setWord == 0 ? 1 : 0;
        if (s->setWord == 0 && s->uvCount < 1) s->setWord = 1;
      }
      if (code == 3) GVSetString(&m->textureFile, "");
    }
    const UVSet* s = setOf();
    copyName(text, s && s->setWord == 0 ? (s->name ? s->name : "") : "NONE");
  }
  self->notify(code, 0x400000);
  if (code >= -1 && code <= 3 && code != 0) self->showTexture(g, m, scriptState(g, self->layer));
}

const char* HwRender::textureText(int, char*, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  const GeoMaterial* m = self->layerMaterial();
  copyName(self->textureShown_, m ? (m->textureFile ? m->textureFile : "") : "NONE");
  return self->textureShown_;
}

int HwRender::loadTexture(int, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  if (!self->currentGeo()) return 0;
  GVSetDirTextures();
  if (!self->textureList) {
    self->textureList = new HwListDlg(workAreaHalf() + 150, 500, 0x2000, textureChosen, self);
  } else {
    self->textureList->listFiles(0x2000);
    if (!self->textureList->isVisible()) self->textureList->show();
  }
  return 0;
}

void HwRender::textureChosen(int flags, int, const char* text, void* editor) {
  auto* self = static_cast<HwRender*>(editor);
  if (flags == (0x2000 | 2)) {
    GVSetDirTextures();
    return;
  }
  if (flags != (0x2000 | 0x20)) return;
  if (GeoMaterial* m = self->layerMaterial()) {
    setEdit(self->textureEdit, text);
    GVSetString(&m->textureFile, text);
  } else {
    setEdit(self->textureEdit, "");
  }
  GVSetDirRoot();
  self->notify(self->layer, 0x800000);
}

// ---- the opener's entry ----

GVEditorEntry GVRenderEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwRender(a.x, a.geoId, a.main); };
  e.refresh = [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwRender*>(d)->update(geoId); };
  return e;
}
