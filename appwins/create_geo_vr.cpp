// The swept-shape dialog: the canvas on which a profile is drawn with the
// mouse, its grid and hint painting, the fields under it, and Create /
// ReCreate / Clear.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "GVAppWins/view_window.h"
#include "appwins/create_geo.h"
#include "appwins/create_geo_common.h"
#include "platform/win32.h"
#include "scene/create_callbacks.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/multi_list.h"
#include "toolkit/object_names.h"
#include "toolkit/window_classes.h"

namespace {

const char kCanvasClass[] = "CreateGeoVRClass";
constexpr int kMaxGrid = 2048;
constexpr int kGroupHeight = 110;
constexpr int kCanvasFrameStyle = 2;

const char* const kHints[3] = {
    "Vol of Rev:  draw points CLOCKWISE from 12 O'Clock",
    "Extruded Cyl:  draw points CLOCKWISE (auto-completed)",
    "Extruded Surf:  draw points CLOCKWISE",
};


HwCreateGeoVR* dialogOf(HWND hwnd) {
  return reinterpret_cast<HwCreateGeoVR*>(GetWindowLongA(hwnd, GWL_USERDATA));
}

void freeGroup(HwFrameWindow*& g) {
  if (!g) return;
  if (g->outer) DestroyWindow(g->outer);
  delete g;
  g = nullptr;
}

}  // namespace

const char* GVSweptTitle(int32_t mode) {
  switch (mode) {
    case 0: return "Create Geo Vol of Rev";
    case 1: return "Create Geo X-Clinder";
    case 2: return "Create Geo X-Surface";
    default: return "NO TITLE";
  }
}

ATOM HwCreateGeoVR::registerClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, kCanvasClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, canvasProc, nullptr, 0);
}

HwCreateGeoVR::HwCreateGeoVR(int32_t startMode, int32_t currentId, GVView* v, void* data)
    : HwDialogTemp(GetModuleHandleA(nullptr), GVSweptTitle(startMode), GVCreateDialogX(), 110, 500, 600, 5, 0,
                   closedCB, nullptr, this),
      mode(startMode), currentGeoId(currentId), geoList(GVScene().geoList), view(v), owner(CreateGeoMenuCB),
      ownerData(data) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA known = {};
  known.cbSize = sizeof known;
  if (!GetClassInfoExA(instance, kCanvasClass, &known)) registerClass(instance);
  points.reserve(3 * 101);
  points.assign(3, 0.0f);  // record 0

  HWND inside = content ? content->inner : client;
  gridGroup = new (std::nothrow) HwFrameWindow();
  segmentGroup = new (std::nothrow) HwFrameWindow();
  canvasFrame = new (std::nothrow) HwFrame();
  if (gridGroup) gridGroup->create(inside, instance, 5, 0, 150, kGroupHeight, 4);
  if (segmentGroup) segmentGroup->create(inside, instance, 165, 0, 200, kGroupHeight, 4);
  if (canvasFrame) {
    canvasFrame->create(inside, instance, 5, 5, 100, 100, kCanvasFrameStyle, 0);
    canvas = CreateWindowExA(0, kCanvasClass, "", kGVChildStyle, canvasFrame->border, canvasFrame->border, 10, 10,
                             canvasFrame->window, nullptr, instance, nullptr);
    if (canvas) SetWindowLongA(canvas, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  if (gridGroup) {
    gridXField = GVMakeNumberField(gridGroup->inner, 5, 5, 140, 80, "Num X-pts:", false, float(nX), gridXCB, nullptr,
                                   this);
    gridYField = GVMakeNumberField(gridGroup->inner, 5, 40, 140, 80, "Num Y-pts:", false, float(nY), gridYCB, nullptr,
                                   this);
    for (HwBaseControl* f : {gridXField, gridYField})
      if (f) f->setIntRange(2, kMaxGrid);
  }
  if (segmentGroup) {
    HWND seg = segmentGroup->inner;
    // A label as wide as its text needs where the font runs wider than the
    // layout allows; the entry beside it gives up as much.
    segmentField = GVMakeNumberField(seg, 5, 5, 140, HwLabelWidthFor(seg, "Num Segs:", 70, 4), "Num Segs:", false,
                                     float(segments), segmentsCB, nullptr, this);
    if (segmentField) segmentField->setIntRange(2, kSweptMaxSegments);
    faceChooser = new (std::nothrow) HwDropDownCntrl(instance, "Face Elts:", seg, 5, 40, 190, 30, 69, 0.2f, faceCB, this);
    if (faceChooser) {
      static const char* const kFaces[2] = {"Triangle", "Quad"};
      faceChooser->fillList(kFaces, 2);
      faceChooser->selectItem(1);
    }
    // The name row ends at the group's inner edge, not a pixel past it.
    const int nameH = std::min(30, kGroupHeight - 2 * segmentGroup->border - 75);
    nameLabel = new (std::nothrow) HwLabel(seg, "Name:", instance, 5, 75, 72, nameH, 12, 0, -1, 0);
    nameEdit = new (std::nothrow)
        HwEditControl(2, 0, seg, instance, 77, 75, 118, nameH, 0, 0.0f, "", nullptr, nullptr, nameCB, this);
  }
  createButton = GVMakeRowButton(this, "Create", margin, createCB);
  recreateButton = GVMakeRowButton(this, "ReCreate", margin + 60, recreateCB);
  clearButton = GVMakeRowButton(this, "Clear", margin + 130, clearCB);
  layout(false);
  recomputePreview();
  HwDialogWindow::show();
}

HwCreateGeoVR::~HwCreateGeoVR() {
  hidePreview();
  if (canvas) GVDetachObject(canvas, this);
  for (HwBaseControl* f : {gridXField, gridYField, segmentField}) GVFreeDialogRec2(f);
  delete faceChooser;
  delete nameLabel;
  delete nameEdit;
  delete createButton;
  delete recreateButton;
  delete clearButton;
  if (canvasFrame) {
    if (canvasFrame->window) DestroyWindow(canvasFrame->window);
    delete canvasFrame;
  }
  freeGroup(gridGroup);
  freeGroup(segmentGroup);
}

void HwCreateGeoVR::setMode(int32_t newMode) {
  if (newMode != mode) {
    mode = newMode;
    clear();
  }
  const char* title = GVSweptTitle(mode);
  if (titleBar) titleBar->setText(title);
  if (popup) SetWindowTextA(popup, title);
}

void HwCreateGeoVR::show(int32_t newMode) {
  setMode(newMode);
  HwDialogWindow::show();
  showPreview();
}

void HwCreateGeoVR::closedCB(int code, int, int, void* dialog) {
  // Closed or dismissed: the view shows the scene again.
  if (code == 1 || code == 4)
    if (auto* d = static_cast<HwCreateGeoVR*>(dialog)) d->hidePreview();
}

void HwCreateGeoVR::resize(int w, int h) {
  HwDialogTemp::resize(w, h);
  layout(true);
}

void HwCreateGeoVR::layout(bool clearDrawing) {
  if (!content || !canvasFrame) return;  // still being made
  RECT r = {0, 0, 0, 0};
  GetClientRect(content->inner, &r);
  const int cw = r.right - r.left, ch = r.bottom - r.top;
  const int groupY = std::max(0, ch - 5 - kGroupHeight);
  if (gridGroup) gridGroup->move(150, kGroupHeight, 5, groupY);
  if (segmentGroup) segmentGroup->move(200, kGroupHeight, 165, groupY);
  const int frameH = std::max(2 * canvasFrame->border + 1, groupY - 15 - 5);
  const int frameW = std::max(2 * canvasFrame->border + 1, cw - 10);
  canvasFrame->move(5, 5, frameW, frameH);
  const int b = canvasFrame->border;
  if (canvas) MoveWindow(canvas, b, b, frameW - 2 * b, frameH - 2 * b, TRUE);
  RECT c = {0, 0, 0, 0};
  if (canvas) GetClientRect(canvas, &c);
  const bool changed = c.right - c.left != W || c.bottom - c.top != H;
  W = c.right - c.left, H = c.bottom - c.top;
  recomputeScale();
  GVPlaceOnButtonRow(this, createButton, margin);
  GVPlaceOnButtonRow(this, recreateButton, margin + 60);
  GVPlaceOnButtonRow(this, clearButton, margin + 130);
  if (clearDrawing && changed)
    clear();
  else
    recomputePreview();
}

void HwCreateGeoVR::recomputeScale() {
  const float a = std::max(float(nX - 1) * unit, 1.0f), b = std::max(float(nY - 1) * unit, 1.0f);
  scale = std::min(float(W - 40) / a, float(H - 40) / b);
  if (!(scale > 0.0f)) scale = 1.0f;  // a canvas too small to draw on
}

GVSweptProfile HwCreateGeoVR::profile() const {
  GVSweptProfile p;
  p.points = points.data();
  p.count = std::min(pointCount, kSweptMaxPoints);
  p.segments = std::clamp(segments, 2, kSweptMaxSegments);
  p.width = W, p.height = H;
  p.scale = scale;
  p.triangles = triangles;
  return p;
}

void HwCreateGeoVR::recomputePreview() {
  if (!GVComputeRevolution(profile(), &preview)) GVMessage("Create Geo: out of memory for the preview");
  showPreview();
}

void HwCreateGeoVR::showPreview() {
  if (!view) return;
  const bool faces = pointCount >= 2 && preview.entries > 0 && isVisible();
  if (!faces) {
    hidePreview();
    return;
  }
  view->previewVertices = preview.vertices.data();
  view->previewQuads = preview.quads.data();
  view->previewEntries = preview.entries;
  GVRedrawView(view);
}

void HwCreateGeoVR::hidePreview() {
  if (!view || view->previewQuads != preview.quads.data()) return;
  view->previewVertices = nullptr;
  view->previewQuads = nullptr;
  view->previewEntries = 0;
  GVRedrawView(view);
}

void HwCreateGeoVR::redrawCanvas() {
  if (canvas) InvalidateRect(canvas, nullptr, TRUE);
}

void HwCreateGeoVR::clear() {
  pointCount = 0;
  points.resize(3);
  redrawCanvas();
  recomputePreview();
}

void HwCreateGeoVR::addPoint(int x, int y) {
  if (mode == 0) x = std::max(x, W / 2);
  points.push_back(float(x));
  points.push_back(float(y));
  points.push_back(0.0f);
  ++pointCount;
  recomputePreview();
  redrawCanvas();
}

void HwCreateGeoVR::dropPoint() {
  if (pointCount <= 0) return;
  --pointCount;
  points.resize(3 * (pointCount + 1));
  recomputePreview();
  redrawCanvas();
}

void HwCreateGeoVR::paint(HDC dc) const {
  GVFillRect(0, 0, W, H, dc, QwPens.brushGrey80);
  const float cell = unit * scale;
  const float gw = float(nX - 1) * cell, gh = float(nY - 1) * cell;
  const int x0 = int(float(W) / 2 - gw / 2), x1 = int(float(W) / 2 + gw / 2);
  const int y0 = int(float(H) / 2 - gh / 2), y1 = int(float(H) / 2 + gh / 2);
  HGDIOBJ old = SelectObject(dc, QwPens.penGrey100);
  for (int i = 0; i < nX; ++i) {
    const int x = int(float(x0) + float(i) * cell);
    GVDrawLine(dc, x, y0, x, y1);
  }
  for (int j = 0; j < nY; ++j) {
    const int y = int(float(y1) - float(j) * cell);
    GVDrawLine(dc, x0, y, x1, y);
  }
  SelectObject(dc, QwPens.penLavender2);
  GVDrawLine(dc, W / 2, y0, W / 2, y1);
  GVDrawLine(dc, x1, H / 2 + 1, x0, H / 2 + 1);
  auto at = [this](int p) { return POINT{int(points[3 * p]), int(points[3 * p + 1])}; };
  SelectObject(dc, QwPens.penBlue);
  for (int p = 2; p <= pointCount; ++p) {
    const POINT a = at(p - 1), b = at(p);
    GVDrawLine(dc, a.x, a.y, b.x, b.y);
    GVDrawLine(dc, b.x, b.y - 1, b.x, b.y + 2);
  }
  SelectObject(dc, QwPens.penRed);
  for (int p = 1; p <= pointCount; ++p) {
    const POINT a = at(p);
    GVDrawLine(dc, a.x - 1, a.y, a.x + 2, a.y);
    GVDrawLine(dc, a.x, a.y - 1, a.x, a.y + 2);
  }
  SelectObject(dc, old);
  if (pointCount == 0 && mode >= 0 && mode <= 2) {
    HGDIOBJ oldFont = QwFontTable[1] ? SelectObject(dc, QwFontTable[1]) : nullptr;
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    const char* hint = kHints[mode];
    const int len = int(std::strlen(hint));
    const GVColourRec colour = {180, 180, 220};
    GVDrawTextRGB(dc, &colour, (W - tm.tmAveCharWidth * len) / 2, H - tm.tmHeight - 4, hint, len);
    if (oldFont) SelectObject(dc, oldFont);
  }
}

LRESULT CALLBACK HwCreateGeoVR::canvasProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  HwCreateGeoVR* d = dialogOf(hwnd);
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (d) d->paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // a quick second click is a point too
      SetCapture(hwnd);
      if (d) {
        SetActiveWindow(d->popup);
        d->addPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      }
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      SetCapture(hwnd);
      if (d) {
        SetActiveWindow(d->popup);
        d->dropPoint();
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: ReleaseCapture(); return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

int HwCreateGeoVR::gridXCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateGeoVR*>(dialog);
  if (!d) return value;
  d->nX = GVStepIntWithin(step, value, 2, kMaxGrid);
  d->recomputeScale();
  d->recomputePreview();
  d->redrawCanvas();
  return d->nX;
}

int HwCreateGeoVR::gridYCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateGeoVR*>(dialog);
  if (!d) return value;
  d->nY = GVStepIntWithin(step, value, 2, kMaxGrid);
  d->recomputeScale();
  d->recomputePreview();
  d->redrawCanvas();
  return d->nY;
}

int HwCreateGeoVR::segmentsCB(int step, int value, void* dialog) {
  auto* d = static_cast<HwCreateGeoVR*>(dialog);
  if (!d) return value;
  d->segments = GVStepIntWithin(step, value, 2, kSweptMaxSegments);
  d->recomputePreview();
  return d->segments;
}

int HwCreateGeoVR::faceCB(int item, void* dialog) {
  // Either choice gives triangles: the quads of a revolution are not offered yet.
  if (auto* d = static_cast<HwCreateGeoVR*>(dialog)) d->triangles = 1;
  return item;
}

const char* HwCreateGeoVR::nameCB(int, char* text, void* dialog) {
  auto* d = static_cast<HwCreateGeoVR*>(dialog);
  if (!d || !text) return text;
  char typed[kGeoNameSize];
  GVCopyGeoName(typed, text);
  if (GVCheckNewName(typed)) {
    std::memcpy(d->name, typed, sizeof typed);
  } else {
    GVMessage(kGeoBadNameMessage);
    d->name[0] = '\0';
  }
  std::snprintf(text, kHwEditTextMax + 1, "%s", d->name);
  return text;
}

int32_t HwCreateGeoVR::create(bool recreate) {
  if (pointCount < 2) return 0;
  segments = std::clamp(segments, 2, kSweptMaxSegments);
  GVTakeTypedGeoName(nameEdit, name);
  char cleaned[kGeoNameSize];
  const int32_t existing = GVCheckCreateName(geoList, name, recreate, cleaned);
  if (existing < 0) {
    redrawCanvas();
    return 0;
  }
  const int32_t id = GVNextGeoId(geoList);
  ObjHandle* cell = nullptr;
  if (mode == 0) {
    recomputePreview();
    cell = GVBuildRevolutionGeo(cleaned, id, profile(), preview);
  } else if (mode == 1 || mode == 2) {
    triangles = 1;
    cell = mode == 1 ? GVBuildCylinderGeo(cleaned, id, profile()) : GVBuildSurfaceGeo(cleaned, id, profile());
  }
  const int32_t made = GVFinishCreate(geoList, cell, existing, recreate);
  if (!made) return 0;
  currentGeoId = made;
  // The Geo itself now shows where the preview did.
  hidePreview();
  if (view) GVRedrawView(view);
  static const int32_t kCodes[3] = {1, 2, 4};
  if (owner) owner(kCodes[mode], made, ownerData);
  return made;
}

int HwCreateGeoVR::createCB(int, void* dialog) {
  if (auto* d = static_cast<HwCreateGeoVR*>(dialog)) d->create(false);
  return 0;
}

int HwCreateGeoVR::recreateCB(int, void* dialog) {
  if (auto* d = static_cast<HwCreateGeoVR*>(dialog)) d->create(true);
  return 0;
}

int HwCreateGeoVR::clearCB(int, void* dialog) {
  if (auto* d = static_cast<HwCreateGeoVR*>(dialog)) d->clear();
  return 0;
}
