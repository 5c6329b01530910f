#include "appwins/logic_cntrl.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "appwins/help_window.h"
#include "logic/line_services.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "logic/slot_types.h"
#include "platform/win32.h"
#include "scene/scene_records.h"
#include "scene/scene_limits.h"
#include "toolkit/buttons.h"
#include "toolkit/drawing.h"
#include "toolkit/edit_control.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/form.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/slider_group.h"
#include "toolkit/window_classes.h"

namespace {

const char kClass[] = "LogicCntrlClass";
constexpr int kProgram = 1;
constexpr int kCopyBuffer = 0;
constexpr int kMargin = 15;
constexpr int kResultRight = 65;
constexpr int kSignX = 80, kSignWidth = 20;
constexpr int kNameX = 110;
constexpr int kCommentX = 33;
constexpr int kEntryX = 28;
constexpr int kPaneWidth = 110;
constexpr int kTextMax = 512;

enum Colour { kNormal, kOff, kOffShadow, kCurve, kCommand, kComment, kNumber, kGeoRef, kJelRef, kSpecialA, kSpecialB };
constexpr int kColours[11][3] = {{230, 230, 230}, {55, 55, 55},   {95, 95, 95},   {200, 50, 50},
                                 {150, 150, 200}, {200, 200, 180}, {20, 20, 50},   {216, 153, 216},
                                 {150, 175, 255}, {210, 210, 160}, {210, 150, 150}};
const COLORREF kBackground = RGB(80, 80, 80);
const COLORREF kSelection = RGB(100, 100, 100);
const COLORREF kHeaderFill = RGB(65, 65, 65);
const COLORREF kCatalogueText = RGB(200, 200, 200);
const COLORREF kUnderline = RGB(250, 250, 100);

// The editing state: one set for the process, the window exists once.
struct EditState {
  int program = 0, visibleRows = 0, rowHeight = 0, viewHeight = 0, fontHeight = 0, avgCharWidth = 0;
  int category = -1, command = -1;
  int values = 0, pasteArmed = 0, newArmed = 0, voidArmed = 0;
  HWND pressWindow = nullptr;
  int pressX = 0, pressY = 0, pressKind = 0, pressColumn = 0, pressLine = 0, dragLine = 0, swallowRight = 0;
  int targetLine = 0, targetColumn = 0;
  LogicLine* target = nullptr;
};
EditState gEdit;
// The mouse words the line window keeps: 10 and 11 the press, 0..4 cleared on release.
int32_t gInputRecord[12] = {};

COLORREF colourOf(const int c[3]) { return RGB(c[0], c[1], c[2]); }

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  HBRUSH b = CreateSolidBrush(colour);
  RECT r = {left, top, right, bottom};
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void text(HDC dc, int x, int y, const char* s, COLORREF colour) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  TextOutA(dc, x, y, s, static_cast<int>(std::strlen(s)));
}

HwLogicCntrl* objectOf(HWND hwnd) { return reinterpret_cast<HwLogicCntrl*>(GetWindowLongA(hwnd, GWL_USERDATA)); }

void clearRelease() {
  for (int i = 0; i < 5; ++i) gInputRecord[i] = 0;
}

// The texts of one row, built once for painting and for the mouse's columns.
struct RowTexts {
  uint32_t mask = 1;       // the result's mask
  char result[32] = "";
  const char* sign = "";
  char name[160] = "";
  bool prefix = false;
  char args[kTextMax] = "";
  int pieceStart[5] = {}, pieceEnd[5] = {};  // character range of each argument
  int lastColumn = 0;
};

void appendText(char* buf, const char* more) {
  const size_t n = std::strlen(buf);
  std::snprintf(buf + n, kTextMax - n, "%s", more ? more : "");
}

const char* commandSuffix(uint32_t lf, uint32_t f, char* out, size_t size) {
  uint32_t axes = lf & 14u;
  if (axes == 0) axes = 14;
  out[0] = 0;
  if (axes != 14) {
    std::snprintf(out, size, "_%s%s%s", axes & 2 ? "X" : "", axes & 4 ? "Y" : "", axes & 8 ? "Z" : "");
    return out;
  }
  const char* s = "";
  if (f & 64) s = lf & 16 ? "_r" : "_d";
  else if (lf & 0x2000) s = "_L";
  else if (lf & 0x8000) s = "_L0";
  else if (lf & 0x10000) s = "_L1";
  else if (lf & 0x20000) s = "_L2";
  else if (f & 0x400) s = lf & 0x40000 ? ": STATIC" : lf & 0x100000 ? ": DYN2  " : ": DYN1  ";
  else if (f & 0x2000) s = lf & 0x400000 ? "_2" : "_1";
  else if (f & 0x800) s = lf & 0x100000 ? ": DYN2  " : ": DYN1  ";
  else if (lf & 0x200000) s = "_Crl";
  else if (lf & 0x800000) s = "_+/-";
  else if (lf & 0x1000000) s = "_ItW";
  std::snprintf(out, size, "%s", s);
  return out;
}

void buildRow(const LogicLine* line, const LogicSystem* sys, RowTexts* t) {
  t->mask = GVLogicColumnMask(line, 1, sys);
  if (t->mask != 1) {
    static const char* const kForms[] = {"PP %d", "i %d", "f %d", "v %d", "m %d", "AX %d"};
    const int types[] = {2, 4, 8, 16, 32, 64};
    const char* form = nullptr;
    for (int k = 0; k < 6; ++k)
      if (line->resultType == types[k]) form = kForms[k];
    if (form) std::snprintf(t->result, sizeof t->result, form, line->resultVar);
    else std::snprintf(t->result, sizeof t->result, "%s", (t->mask & 1) ? "  " : "$");
    if (line->resultType != 0) t->sign = line->resultType == 2 ? "::" : "=";
  }
  const char* prefix = GVLogicCmdPrefix(line, sys);
  t->prefix = prefix && prefix[0];
  char suffix[32];
  commandSuffix(line->flags, GVLogicCmdFlags(line, sys), suffix, sizeof suffix);
  std::snprintf(t->name, sizeof t->name, "%s%s", prefix ? prefix : "", suffix);
  const int k = GVLogicColumnKind(line, sys);
  t->lastColumn = k;
  const char* infix = GVLogicCmdInfix(line, sys);
  if (k >= 5 && GVLogicColumnMask(line, 5, sys) != 1) appendText(t->args, "( ");
  for (int c = 5; c <= 9; ++c) {
    const int i = c - 5;
    t->pieceStart[i] = static_cast<int>(std::strlen(t->args));
    GVLogicArgText(k, c, sys, line, t->args, kTextMax);
    t->pieceEnd[i] = static_cast<int>(std::strlen(t->args));
    if (k >= c && GVLogicColumnMask(line, c, sys) != 1) appendText(t->args, c == k ? " )" : infix);
  }
}

int widthOf(HDC dc, const char* s, int n) {
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, s, n, &size);
  return size.cx;
}

bool hasCurve(const LogicLine* line, uint32_t f) { return line->chan || ((f & 4) && line->fg); }

}  // namespace

// ---- construction ----

ATOM HwLogicCntrl::registerClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, kClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, windowProc,
                                QwPens.brushGrey80, 0);
}

void HwLogicCntrl::resetGlobals() {
  gEdit = EditState{};
  clearRelease();
}

bool HwLogicCntrl::valuesMode() { return gEdit.values != 0; }
int HwLogicCntrl::chosenCategory() { return gEdit.category; }
int HwLogicCntrl::chosenCommand() { return gEdit.command; }

HwLogicCntrl::HwLogicCntrl(HINSTANCE inst, HWND parent, int xPos, int w, int h, int styleWord, void* userValue) {
  logic = GVScene().logic;
  geoList = GVScene().geoList;
  world = GVScene().world;
  build(inst, parent, xPos, w, h, styleWord, userValue);
}

namespace {

HwBMButton* makeButton(HWND parent, HINSTANCE instance, const char* label, int x, int kind, const char* tip,
                       HwButtonCB cb, HwLogicCntrl* self) {
  auto* b = new (std::nothrow) HwBMButton();
  if (b) b->create(parent, instance, label, 2, 0, 0, 0, 0, 10, x, 3, 45, 22, kind, tip, 0, 0, cb, self);
  return b;
}

}  // namespace

void HwLogicCntrl::build(HINSTANCE inst, HWND parent, int xPos, int w, int h, int styleWord, void* userValue) {
  instance = inst;
  x = xPos, y = kY, width = w, height = h, style = styleWord, user = userValue;
  help = GVShowHelpPage;
  helpTopic = new (std::nothrow) char[8];
  if (helpTopic) std::strcpy(helpTopic, "dlg_lcd");
  highlightGeo = highlightJel = 1;
  highlightPart = 0;
  std::memcpy(colours, kColours, sizeof colours);
  gEdit.category = gEdit.command = -1;
  gEdit.values = gEdit.pasteArmed = gEdit.newArmed = gEdit.voidArmed = 0;
  gEdit.targetLine = gEdit.targetColumn = 0;
  gEdit.target = nullptr;
  gEdit.program = kProgram;
  gEdit.rowHeight = kRowHeight;

  frame = new (std::nothrow) HwFrameWindow();
  if (!frame) return;
  frame->createStyled(parent, inst, helpTopic ? helpTopic : "", x, y, w, h, 3, style & 1, GVShowHelpPage);
  inset = frame->border;
  HwForm* f = frame->form;
  if (!f || !frame->inner) return;
  const int b = inset;
  const int left = w - 2 * b - kPaneWidth;
  const int below = h - 2 * b - 33;

  headerFrame = new (std::nothrow) HwFrame();
  if (headerFrame) {
    headerFrame->create(frame->inner, inst, w - b - kPaneWidth, 0, kPaneWidth, 32, 1, 0);
    header = headerFrame->createInner(kClass, "", inst, this);
    f->addDefinition(headerFrame, 3, 1, 0, nullptr, 0, 19, 0, nullptr, 0, 3, 0, nullptr, 0, 20, 0, nullptr, 0);
  }
  buttonBar = new (std::nothrow) HwFrameWindow();
  if (buttonBar) {
    buttonBar->create(frame->inner, inst, 0, 0, left - 1, 32, 1);
    f->addDefinition(buttonBar, 4, 1, 0, nullptr, 0, 2, 0, nullptr, 0, 11, 1, headerFrame, 3, 20, 0, nullptr, 0);
    HWND in = buttonBar->inner;
    copy = makeButton(in, inst, "Copy", 3, 3, "Copy selected cmds (into buffer)", copyCB, this);
    paste = makeButton(in, inst, "Paste", 50, 3, "Paste selected cmds (from buffer)", pasteCB, this);
    susp = makeButton(in, inst, "Susp", 97, 3, "Suspend selected cmds", suspCB, this);
    del = makeButton(in, inst, "Del", 144, 0, "Delete selected cmds", delCB, this);
    newVar = makeButton(in, inst, "New", 191, 3, "Insert new variable", newCB, this);
    makeVoid = makeButton(in, inst, "Void", 238, 3, "Make 'void'", voidCB, this);
    print = makeButton(in, inst, "Print", 285, 3, "Display return vals", printCB, this);
  }
  paneFrame = new (std::nothrow) HwFrame();
  if (paneFrame) {
    paneFrame->create(frame->inner, inst, w - b - kPaneWidth, 35, kPaneWidth, below, 3, 0);
    pane = paneFrame->createInner(kClass, "", inst, this);
    f->addDefinition(paneFrame, 3, 9, 3, headerFrame, 3, 19, 0, nullptr, 0, 3, 0, nullptr, 0, 4, 0, nullptr, 0);
  }
  slider = new (std::nothrow) HwSliderGroup();
  if (slider) {
    slider->addFloat(110, inst, frame->inner, 18, h - 2 * b - 23, left - 19, 23, "Line 0,  Arg 0:", 60, 0.0f, 0.5f,
                     1.0f, 6560, 10.0f, valueSliderCB, this);
    f->addDefinition(slider, 11, 20, 0, nullptr, 0, 2, 18, nullptr, 0, 11, 1, paneFrame, 3, 4, 0, nullptr, 0);
  }
  if (logic) GVLogicEnsureLine(logic, kProgram);
  scroll = new (std::nothrow) HwScrollBar();
  if (scroll) {
    scroll->create(frame->inner, inst, below - 30, kRowHeight, below - 30, countLines(), scrollCB, this);
    gEdit.viewHeight = below - 30;
    f->addDefinition(scroll, 24, 9, 4, buttonBar, 4, 2, 0, nullptr, 0, 19, 0, nullptr, 0, 12, 11, slider, 11);
  }
  linesFrame = new (std::nothrow) HwFrame();
  if (linesFrame) {
    linesFrame->create(frame->inner, inst, 18, 36, left - 19, below - 30, 1, 0);
    lines = linesFrame->createInner(kClass, "", inst, this);
    f->addDefinition(linesFrame, 3, 9, 4, buttonBar, 4, 10, 0, scroll, 24, 11, 1, paneFrame, 3, 12, 11, slider, 11);
  }
  f->resolveReferences();
  f->doArrange();
  fitInnerWindows();
  reset();
}

HwLogicCntrl::~HwLogicCntrl() {
  for (HWND w : {header, pane, lines})
    if (w) GVDetachObject(w, this);
  for (HwBMButton** b : {&print, &copy, &paste, &susp, &del, &newVar, &makeVoid}) {
    delete *b;
    *b = nullptr;
  }
  delete textEdit;
  delete slider;
  delete scroll;
  delete linesFrame;
  delete paneFrame;
  delete headerFrame;
  delete buttonBar;
  if (frame) {
    if (frame->outer) DestroyWindow(frame->outer);
    delete frame;
  }
  delete[] helpTopic;
}

// The frames move with the form; the windows inside them follow here.
void HwLogicCntrl::fitInnerWindows() {
  auto fit = [](HwFrame* f, HWND inner) {
    if (!f || !inner) return;
    MoveWindow(inner, f->border, f->border, f->innerWidth > 1 ? f->innerWidth : 1,
               f->innerHeight > 1 ? f->innerHeight : 1, TRUE);
  };
  fit(headerFrame, header);
  fit(paneFrame, pane);
  fit(linesFrame, lines);
}

void HwLogicCntrl::move(int xPos, int yPos, int w, int h) {
  x = xPos, y = yPos, width = w, height = h;
  if (!frame) return;
  frame->move(w, h, xPos, yPos);
  fitInnerWindows();
  RECT r = {0, 0, 0, 0};
  if (lines) GetClientRect(lines, &r);
  if (scroll) {
    scroll->setViewHeight(r.bottom);
    if (LogicProgram* p = GVLogicProgram(logic, kProgram)) p->topLine = scroll->firstLine;
  }
  computeMetrics();
}

bool HwLogicCntrl::isVisible() const { return frame && frame->outer && IsWindowVisible(frame->outer); }

void HwLogicCntrl::reset() {
  logic = GVScene().logic;
  gEdit.values = 0;
  if (print) print->setState(0);
  openValueEditor(0, 0, kProgram, nullptr);
  gEdit.category = gEdit.command = -1;
  paintHeader();
  paintPane();
  updateScrollBar();
}

int HwLogicCntrl::firstLine() const {
  const LogicProgram* p = GVLogicProgram(logic, kProgram);
  return p && p->topLine >= 1 ? p->topLine : 1;
}

int HwLogicCntrl::countLines() const {
  const LogicProgram* p = GVLogicProgram(logic, kProgram);
  int n = 0;
  for (const LogicLine* l = p ? p->first : nullptr; l; l = l->next) ++n;
  return n;
}

void HwLogicCntrl::updateScrollBar() {
  computeMetrics();
  if (!logic || !scroll) return;
  scroll->setTotal(countLines());
  if (LogicProgram* p = GVLogicProgram(logic, kProgram)) p->topLine = scroll->firstLine;
}

void HwLogicCntrl::send(int32_t code, int32_t id, int32_t extra) {
  if (owner) owner(id, code, extra, user);
}

// ---- display ----

void HwLogicCntrl::computeMetrics() {
  gEdit.rowHeight = kRowHeight;
  gEdit.program = kProgram;
  if (!lines) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(lines, &r);
  gEdit.viewHeight = r.bottom;
  gEdit.visibleRows = r.bottom / kRowHeight > 1 ? r.bottom / kRowHeight : 1;
  HDC dc = GetDC(lines);
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  ReleaseDC(lines, dc);
  gEdit.fontHeight = tm.tmHeight;
  gEdit.avgCharWidth = tm.tmAveCharWidth;
}

int HwLogicCntrl::lineAtY(int yPos) const {
  if (!logic || gEdit.viewHeight < 1) return 0;
  const float rows = static_cast<float>(gEdit.viewHeight) / kRowHeight;
  return static_cast<int>(static_cast<float>(yPos) * rows / static_cast<float>(gEdit.viewHeight)) + firstLine();
}

int HwLogicCntrl::rowOf(int lineNumber) const { return lineNumber - firstLine() + 1; }

int HwLogicCntrl::textWidth(const char* s, HDC dc) const { return widthOf(dc, s, static_cast<int>(std::strlen(s))); }

void HwLogicCntrl::paintLine(LogicLine* line, int row) {
  if (!line || !logic || !lines || row < 1 || row > gEdit.visibleRows) return;
  HDC dc = GetDC(lines);
  RECT client = {0, 0, 0, 0};
  GetClientRect(lines, &client);
  const int top = (row - 1) * kRowHeight;
  fill(dc, 0, top, client.right, top + kRowHeight, (line->flags & kLineSelected) ? kSelection : kBackground);
  const bool off = (line->flags & kLineOff) != 0;
  const uint32_t f = GVLogicCmdFlags(line, logic);
  const int ty = top + (kRowHeight - gEdit.fontHeight) / 2;
  auto draw = [&](int tx, const char* s, int colour) {
    if (off) {
      text(dc, tx, ty, s, colourOf(colours[kOff]));
      text(dc, tx + 1, ty + 1, s, colourOf(colours[kOffShadow]));
    } else {
      text(dc, tx, ty, s, colourOf(colours[colour]));
    }
  };
  char number[16];
  std::snprintf(number, sizeof number, "%d.", firstLine() + row - 1);
  text(dc, 3, ty, number, colourOf(colours[kNumber]));
  if (f & kLogicOptComment) {
    if (line->comment) text(dc, kCommentX, ty, line->comment, colourOf(colours[off ? kOff : kComment]));
    ReleaseDC(lines, dc);
    return;
  }
  RowTexts t;
  buildRow(line, logic, &t);
  if (t.mask != 1) draw(kResultRight - textWidth(t.result, dc), t.result, hasCurve(line, f) ? kCurve : kNormal);
  if (t.sign[0]) draw(kSignX + (kSignWidth - textWidth(t.sign, dc)) / 2, t.sign, kNormal);
  draw(kNameX, t.name, kCommand);
  const int argX = kNameX + textWidth(t.name, dc) + (t.prefix ? 7 : 0);
  draw(argX, t.args, kNormal);
  if (!off) {
    LogicJelRefs refs = {};
    GVLogicLineJelRefs(line, logic, &refs);
    bool jelMatched = false;
    for (int a = 0; a < 5; ++a) {
      const uint32_t m = GVLogicColumnMask(line, a + 5, logic);
      const int n = t.pieceEnd[a] - t.pieceStart[a];
      if (m == 1 || n <= 0) continue;
      const int px = argX + widthOf(dc, t.args, t.pieceStart[a]);
      const std::string piece(t.args + t.pieceStart[a], n);
      const bool intConst = line->argType[a] == static_cast<int32_t>(kLogicIntConst);
      int colour = -1;
      if ((m & kLogicQualGeo) && (a < 2 || (a == 4 && intConst))) colour = kGeoRef;
      else if ((m & (kLogicQualJel | kLogicQualPart)) && a < 4) colour = kJelRef;
      else if ((m & 0x2000000) && (a == 2 || a == 3)) colour = kSpecialA;
      else if ((m & 0x4000000) && a == 4) colour = kSpecialB;
      if (colour >= 0) text(dc, px, ty, piece.c_str(), colourOf(colours[colour]));
      if (!intConst || (highlightGeo == 0 && highlightJel == 0)) continue;
      const int v = line->argInt[a];
      bool under = false;
      if ((m & kLogicQualGeo) && v == highlightGeo) under = true;
      if ((m & kLogicQualJel) && v == highlightJel) under = jelMatched = true;
      if ((m & kLogicQualPart) && highlightPart != 0 && v == highlightPart && jelMatched) under = true;
      if (!under) continue;
      HPEN pen = CreatePen(PS_SOLID, 3, kUnderline);
      HGDIOBJ old = SelectObject(dc, pen);
      const int uy = ty + gEdit.fontHeight + 2;
      MoveToEx(dc, px, uy, nullptr);
      LineTo(dc, px + n * gEdit.avgCharWidth, uy);
      SelectObject(dc, old);
      DeleteObject(pen);
    }
  }
  ReleaseDC(lines, dc);
}

void HwLogicCntrl::redrawLines() {
  if (!lines || !logic) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(lines, &r);
  HDC dc = GetDC(lines);
  fill(dc, 0, r.bottom - (kRowHeight + 2), r.right, r.bottom, kBackground);
  ReleaseDC(lines, dc);
  LogicLine* line = GVLogicGetLine(logic, kProgram, firstLine());
  for (int row = 1; row <= gEdit.visibleRows && line; ++row, line = line->next) paintLine(line, row);
}

void HwLogicCntrl::clearLines() {
  if (!lines) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(lines, &r);
  HDC dc = GetDC(lines);
  fill(dc, 0, 0, r.right, r.bottom, kBackground);
  ReleaseDC(lines, dc);
}

void HwLogicCntrl::refreshLines() {
  if (!lines) return;
  clearLines();
  RedrawWindow(lines, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool HwLogicCntrl::columnExtent(LogicLine* line, int column, int* start, int* end) {
  *start = *end = 0;
  if (!line || !logic || !lines) return false;
  if (GVLogicCmdFlags(line, logic) & kLogicOptComment) return false;
  RowTexts t;
  buildRow(line, logic, &t);
  HDC dc = GetDC(lines);
  bool present = false;
  if (column == 1 && t.mask != 1) {
    *start = kResultRight - textWidth(t.result, dc), *end = kResultRight, present = true;
  } else if (column == 2 && t.sign[0]) {
    *start = kSignX + (kSignWidth - textWidth(t.sign, dc)) / 2, *end = *start + textWidth(t.sign, dc), present = true;
  } else if (column == 3 || column == 4) {
    *start = kNameX, *end = kNameX + textWidth(t.name, dc), present = true;
  } else if (column >= 5 && column <= 9) {
    const int a = column - 5;
    if (column <= t.lastColumn && t.pieceEnd[a] > t.pieceStart[a]) {
      const int argX = kNameX + textWidth(t.name, dc) + (t.prefix ? 7 : 0);
      *start = argX + widthOf(dc, t.args, t.pieceStart[a]);
      *end = argX + widthOf(dc, t.args, t.pieceEnd[a]);
      present = true;
    }
  }
  ReleaseDC(lines, dc);
  return present;
}

void GVLogicValueText(const LogicLine* line, LogicProgram* p, char* s, size_t size) {
  auto small = [](float v) { return std::fabs(v) < 0.0001f ? 0.0f : v; };
  s[0] = 0;
  if (!line) return;
  if (line->flags & kLineNotRun) {
    std::snprintf(s, size, ".");
  } else if (line->resultType == 2) {
    const int32_t* v = GVLogicPPVar(p, line->resultVar);
    std::snprintf(s, size, "%s", v && *v ? "T" : "F");
  } else if (line->resultType == 4) {
    if (const int32_t* v = GVLogicIntVar(p, line->resultVar)) std::snprintf(s, size, "%d", *v);
  } else if (line->resultType == 8) {
    if (const float* v = GVLogicFloatVar(p, line->resultVar)) std::snprintf(s, size, "%.4g", small(*v));
  } else if (line->resultType == 16) {
    if (const float* v = GVLogicVecVar(p, line->resultVar))
      std::snprintf(s, size, "( %.3g,  %.3g,  %.3g )", small(v[0]), small(v[1]), small(v[2]));
  }
}

void HwLogicCntrl::showLineValue(LogicLine* line, int program, int row) {
  if (!gEdit.values || program != kProgram || row < 1 || row > gEdit.visibleRows || !line || !pane) return;
  char s[96];
  GVLogicValueText(line, GVLogicProgram(logic, program), s, sizeof s);
  RECT r = {0, 0, 0, 0};
  GetClientRect(pane, &r);
  HDC dc = GetDC(pane);
  const int top = (row - 1) * kRowHeight + 8;
  fill(dc, 0, top, r.right, top + gEdit.fontHeight, kBackground);
  text(dc, (r.right - textWidth(s, dc)) / 2, top, s, colourOf(colours[kCommand]));
  ReleaseDC(pane, dc);
}

void HwLogicCntrl::clearValuePane() {
  if (!gEdit.values || !pane) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(pane, &r);
  HDC dc = GetDC(pane);
  fill(dc, 0, 0, r.right, r.bottom, kBackground);
  ReleaseDC(pane, dc);
}

void HwLogicCntrl::showValues() {
  if (!gEdit.values || !logic) return;
  clearValuePane();
  LogicLine* line = GVLogicGetLine(logic, kProgram, firstLine());
  for (int row = 1; row <= gEdit.visibleRows && line; ++row, line = line->next) showLineValue(line, kProgram, row);
}

const char* HwLogicCntrl::headerText() const {
  if (gEdit.values) return "vals:";
  if (gEdit.category < 0) return "CATEGORIES";
  return logic ? GVLogicCategoryName(gEdit.category) : "NONE";
}

void HwLogicCntrl::paintHeader() {
  if (!header) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(header, &r);
  HDC dc = GetDC(header);
  fill(dc, 0, 0, r.right, r.bottom, kHeaderFill);
  const char* s = headerText();
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  text(dc, (r.right - textWidth(s, dc)) / 2, (r.bottom - tm.tmHeight) / 2, s, kCatalogueText);
  ReleaseDC(header, dc);
}

void HwLogicCntrl::paintPane() {
  if (!pane) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(pane, &r);
  HDC dc = GetDC(pane);
  fill(dc, 0, 0, r.right, r.bottom, kBackground);
  if (!gEdit.values && logic && logic->categories) {
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    const LogicCategory* cat = gEdit.category >= 0 ? &logic->categories[gEdit.category] : nullptr;
    const int rows = cat ? cat->highest + 1 : kLogicCategories;
    for (int i = 0; i < rows; ++i) {
      if (cat && i == gEdit.command) fill(dc, 0, 20 + 30 * i, r.right, 50 + 30 * i, kSelection);
      char s[64];
      std::snprintf(s, sizeof s, "%s", cat ? (cat->cmds && cat->cmds[i].name ? cat->cmds[i].name : "")
                                           : GVLogicCategoryName(i));
      text(dc, (r.right - textWidth(s, dc)) / 2, 35 + 30 * i - tm.tmHeight / 2, s,
           cat ? colourOf(colours[kCommand]) : kCatalogueText);
    }
  }
  ReleaseDC(pane, dc);
}

// ---- catalogue and buttons ----

void HwLogicCntrl::clearChosenCommand() {
  if (gEdit.command < 0) return;
  gEdit.command = -1;
  paintPane();
}

void HwLogicCntrl::clearCatalogue() {
  gEdit.category = gEdit.command = -1;
  paintHeader();
  paintPane();
}

void HwLogicCntrl::headerClick() {
  if (gEdit.values) return;
  gEdit.category = gEdit.category + 1 > kLogicCategories - 1 ? -1 : gEdit.category + 1;
  gEdit.command = -1;
  paintHeader();
  paintPane();
}

void HwLogicCntrl::paneClick(int yPos, bool doubleClick) {
  if (gEdit.values || !logic || !logic->categories) return;
  int row = (yPos - 20) / 30;
  const LogicCategory* cat = gEdit.category >= 0 ? &logic->categories[gEdit.category] : nullptr;
  const int highest = cat ? cat->highest : kLogicCategories - 1;
  if (row < 0 || row > highest) row = -1;
  if (doubleClick) {
    if (!help) return;
    if (row < 0 || !cat) help(helpTopic ? helpTopic : "dlg_lcd", 1);
    else help(cat->cmds[row].key ? cat->cmds[row].key : "", 3);
    return;
  }
  if (cat) {
    gEdit.command = row;
    paintPane();
    return;
  }
  gEdit.category = row;
  gEdit.command = -1;
  paintHeader();
  paintPane();
}

int HwLogicCntrl::copyCB(int, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  if (!w->logic) return 0;
  GVLogicCopySelected(kProgram, w->logic);
  const LogicProgram* buffer = GVLogicProgram(w->logic, kCopyBuffer);
  if (buffer && buffer->first) {
    gEdit.pasteArmed = 1;
    if (w->paste) w->paste->setState(1);
  }
  w->clearChosenCommand();
  return 0;
}

int HwLogicCntrl::pasteCB(int state, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  if (!w->logic) return 0;
  int result = 0;
  if (state == 0) {
    const LogicProgram* buffer = GVLogicProgram(w->logic, kCopyBuffer);
    result = gEdit.pasteArmed = buffer && buffer->first ? 1 : 0;
  } else {
    gEdit.pasteArmed = 0;
  }
  if (gEdit.values) w->send(8);
  w->clearChosenCommand();
  return result;
}

int HwLogicCntrl::suspCB(int, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  if (!w->logic) return 0;
  bool restart = false;
  const LogicProgram* p = GVLogicProgram(w->logic, kProgram);
  for (LogicLine* l = p ? p->first : nullptr; l; l = l->next)
    if ((l->flags & kLineSelected) && (l->flags & kLineOff) && (GVLogicCmdFlags(l, w->logic) & kLogicOptPasteReport))
      restart = true;
  GVLogicToggleSelectedOff(kProgram, w->logic);
  if (restart) w->send(16);
  w->redrawLines();
  w->clearChosenCommand();
  return 0;
}

int HwLogicCntrl::delCB(int, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  if (!w->logic) return 0;
  // The comment entry points into the program: it ends before any line goes.
  w->endTextEdit();
  GVLogicCopySelected(kProgram, w->logic);
  GVLogicDeleteSelected(kProgram, w->logic);
  w->openValueEditor(0, 0, kProgram, nullptr);
  w->send(1);
  w->updateScrollBar();
  w->clearLines();
  w->redrawLines();
  if (gEdit.values) w->send(8);
  w->clearChosenCommand();
  return 0;
}

int HwLogicCntrl::newCB(int state, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  gEdit.newArmed = state == 0 ? 1 : 0;
  w->clearChosenCommand();
  return gEdit.newArmed;
}

int HwLogicCntrl::voidCB(int state, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  gEdit.voidArmed = state == 0 ? 1 : 0;
  w->clearChosenCommand();
  return gEdit.voidArmed;
}

int HwLogicCntrl::printCB(int, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  if (!w->logic) return 0;
  gEdit.values = gEdit.values ? 0 : 1;
  w->paintHeader();
  gEdit.command = -1;
  w->paintPane();
  // The pane is painted before the values go into it: at once those the lines
  // gave in the last frame, then those of the frame run again.
  if (gEdit.values) {
    w->showValues();
    w->send(8);
  }
  return gEdit.values;
}

// ---- editing by mouse ----

int HwLogicCntrl::columnAtX(int xPos, LogicLine* line) {
  if (!line || xPos < kMargin) return 0;
  int s = 0, e = 0;
  if (columnExtent(line, 1, &s, &e) && xPos >= s - 2 && xPos <= e + 2) return 1;
  if (!columnExtent(line, 3, &s, &e)) return -1;
  if (xPos >= s - 2 && xPos <= e + 2) return 4;
  int zoneStart = e + 2;
  const int k = GVLogicColumnKind(line, logic);
  HDC dc = GetDC(lines);
  const char* infix = GVLogicCmdInfix(line, logic);
  const int half = textWidth(infix ? infix : "", dc) / 2;
  ReleaseDC(lines, dc);
  for (int c = 5; c <= k; ++c) {
    int as = 0, ae = 0;
    if (!columnExtent(line, c, &as, &ae)) continue;
    const int zoneEnd = c == k ? (c == 9 ? ae + 2 : ae) : ae + half;
    if (xPos >= zoneStart && xPos <= zoneEnd) return c;
    zoneStart = zoneEnd;
  }
  return -1;
}

bool HwLogicCntrl::isOverColumn(int yPos, int xPos) {
  LogicLine* line = GVLogicGetLine(logic, kProgram, lineAtY(yPos));
  if (!line || xPos < kMargin) return false;
  const int c = columnAtX(xPos, line);
  return c == 1 || c == 4 || (c >= 5 && c <= 9);
}

void HwLogicCntrl::selectDragRange(int yPos) {
  if (!logic) return;
  GVLogicSelectRange(kProgram, gEdit.pressLine, lineAtY(yPos), logic);
}

void HwLogicCntrl::openValueEditor(int lineNumber, int column, int program, LogicLine* line) {
  if (!slider) return;
  const int slot = column - 5;
  const bool editable = line && column >= 5 && column <= 9;
  gEdit.targetLine = editable ? lineNumber : 0;
  gEdit.targetColumn = editable ? column : 0;
  gEdit.target = editable ? line : nullptr;
  gEdit.program = program;
  if (editable) {
    float v = 0.0f;
    int decimals = 0;
    if (line->argType[slot] == static_cast<int32_t>(kLogicIntConst)) {
      v = static_cast<float>(line->argInt[slot]);
    } else {
      v = line->argFloat[slot];
      char s[32];
      std::snprintf(s, sizeof s, "%g", v);
      const char* dot = std::strchr(s, '.');
      for (int i = dot ? static_cast<int>(dot - s) + 1 : 20; i < 20 && s[i] >= '0' && s[i] <= '9'; ++i) ++decimals;
      if (decimals < 1) decimals = 1;
    }
    const float limit = slider->niceLimit(std::fabs(v));
    if (slider->edit) slider->edit->decimals = decimals;
    slider->setRangeValue(-limit, v, limit);
  }
  if (slider->label) {
    std::snprintf(slider->label->text, sizeof slider->label->text, "Line %d,  Arg %d:  ", lineNumber,
                  editable ? column - 4 : 0);
    if (slider->label->window) InvalidateRect(slider->label->window, nullptr, TRUE);
  }
}

float HwLogicCntrl::valueSliderCB(int, float value, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  LogicLine* line = gEdit.target;
  if (!w || !w->logic || !line || gEdit.targetColumn < 5) return value;
  // The target may have gone with an edit elsewhere: it must still be in the program.
  if (GVLogicLineNumber(kProgram, line, w->logic) != gEdit.targetLine) return value;
  const int slot = gEdit.targetColumn - 5;
  value = GVBoundSceneValue(value);
  if (line->argType[slot] == static_cast<int32_t>(kLogicIntConst)) line->argInt[slot] = static_cast<int32_t>(value);
  else if (line->argType[slot] == static_cast<int32_t>(kLogicFloatConst)) line->argFloat[slot] = value;
  w->repaintRow(line, gEdit.targetLine);
  w->clearChosenCommand();
  return value;
}

void HwLogicCntrl::openTextEdit(LogicLine* line, int row) {
  if (!lines || !line) return;
  RECT r = {0, 0, 0, 0};
  GetClientRect(lines, &r);
  const int top = (row - 1) * kRowHeight;
  if (!textEdit) {
    textEdit = new (std::nothrow) HwTextField();
    if (!textEdit) return;
    textEdit->create(lines, instance, kEntryX, top, r.right - 31, kRowHeight, this);
    textEdit->callback = [](int, char* s, void* self) -> const char* {
      static_cast<HwLogicCntrl*>(self)->endTextEdit();
      return s;
    };
  } else {
    textEdit->frame.move(kEntryX, top, r.right - 31, kRowHeight);
    if (textEdit->edit)
      textEdit->edit->move(textEdit->border, textEdit->border, r.right - 31 - 2 * textEdit->border,
                           kRowHeight - 2 * textEdit->border);
  }
  textEdit->setText(line->comment ? line->comment : "");
  editLine = line;
  if (textEdit->frame.window) ShowWindow(textEdit->frame.window, SW_SHOW);
}

void HwLogicCntrl::endTextEdit() {
  if (!textEdit || !textEdit->frame.window) return;
  // Only a line still in the program takes the text.
  if (editLine && logic && GVLogicLineNumber(kProgram, editLine, logic) != 0 && textEdit->edit &&
      textEdit->edit->text && textEdit->edit->text[0])
    GVLogicSetLineComment(editLine, textEdit->edit->text);
  if (!IsWindowVisible(textEdit->frame.window)) {
    editLine = nullptr;
    return;
  }
  editLine = nullptr;
  ShowWindow(textEdit->frame.window, SW_HIDE);
  refreshLines();
}

void HwLogicCntrl::scrollCB(int, int line, void* self) {
  auto* w = static_cast<HwLogicCntrl*>(self);
  if (!w->logic) return;
  w->endTextEdit();
  if (LogicProgram* p = GVLogicProgram(w->logic, kProgram)) p->topLine = line;
  w->clearLines();
  w->redrawLines();
}

void HwLogicCntrl::repaintRow(LogicLine* line, int lineNumber) { paintLine(line, rowOf(lineNumber)); }

void HwLogicCntrl::notifyObjects(LogicLine* line, int kind) {
  int32_t gs1 = 0, g1 = 0, gs2 = 0, g2 = 0;
  GVLogicLineGeoRefs(line, logic, &gs1, &g1, &gs2, &g2);
  LogicJelRefs j = {};
  GVLogicLineJelRefs(line, logic, &j);
  const bool left = kind == 1, right = kind == 3;
  if (g1 == 0 && j.jel == 0) {
    send(32, 0);
    send(64, 0, 0);
  } else if (j.jel != 0 && g1 == 0) {
    if (j.jel2 == 0) send(64, j.jel, j.part);
    else if (left) send(64, j.jel, j.part);
    else if (right) send(64, j.jel2, j.part2 ? j.part2 : j.part);
  } else if (g1 != 0 && j.jel != 0) {
    if (left) send(64, j.jel, j.part);
    else if (right) send(32, g1);
  } else {
    if (g2 == 0) send(32, g1);
    else if (left) send(32, g1);
    else if (right) send(32, g2);
  }
}

void HwLogicCntrl::onClick(int kind) {
  if (!logic) return;
  LogicProgram* p = GVLogicProgram(logic, kProgram);
  if (!p) return;
  if (!p->first) {
    if (kind != 1) return;
    GVLogicEnsureLine(logic, kProgram);
    updateScrollBar();
    send(32);
    send(64);
    refreshLines();
    return;
  }
  const int n = gEdit.pressLine;
  LogicLine* line = GVLogicGetLine(logic, kProgram, n);
  if (!line) {
    send(32);
    send(64);
    endTextEdit();
    return;
  }
  const uint32_t f = GVLogicCmdFlags(line, logic);
  const bool off = (line->flags & kLineOff) != 0;
  if (f & kLogicOptComment) {
    if (kind == 2 && !off) {
      openTextEdit(line, rowOf(n));
      refreshLines();
      return;
    }
    if (kind == 1 && line != editLine) {
      endTextEdit();
      openTextEdit(line, rowOf(n));
      if (textEdit && textEdit->edit && textEdit->edit->window) {
        const int ex = gEdit.pressX - kEntryX - textEdit->border;
        SendMessageA(textEdit->edit->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ex > 0 ? ex : 0, 5));
        SendMessageA(textEdit->edit->window, WM_LBUTTONUP, 0, MAKELPARAM(ex > 0 ? ex : 0, 5));
      }
      refreshLines();
      return;
    }
  }
  endTextEdit();
  if (gEdit.pasteArmed) {
    if (kind == 1 || kind == 3) {
      if (GVLogicPasteBuffer(line, kProgram, logic)) send(16);
      if (copy) copy->setState(0);
      if (kind == 1) {
        gEdit.pasteArmed = 0;
        if (paste) paste->setState(0);
      }
      updateScrollBar();
      send(1);
    }
    openValueEditor(0, 0, kProgram, nullptr);
    refreshLines();
    return;
  }
  if (off) return;
  const int c0 = columnAtX(gEdit.pressX, line);
  if (gEdit.newArmed || gEdit.voidArmed) {
    const bool isNew = gEdit.newArmed != 0;
    if (!isNew || c0 == 1) {
      if (kind != 2) {
        if (isNew) GVLogicAssignResultVar(logic, kProgram, line);
        else if (c0 > 0) GVLogicResetColumn(logic, kProgram, c0, line, GVFrameClock().restartFrame,
                                               GVFrameClock().currentFrame);
        if (kind == 1) {
          (isNew ? gEdit.newArmed : gEdit.voidArmed) = 0;
          if (HwBMButton* b = isNew ? newVar : makeVoid) b->setState(0);
        }
      }
      repaintRow(line, n);
      return;
    }
  }
  if (gEdit.pressX < kMargin + 2) {
    const int rowTop = (rowOf(n) - 1) * kRowHeight;
    if (gEdit.pressY < rowTop + kRowHeight / 2) GVLogicInsertLineBefore(logic, kProgram, line);
    else GVLogicInsertLineAfter(logic, kProgram, line);
    updateScrollBar();
    openValueEditor(0, 0, kProgram, nullptr);
    refreshLines();
    return;
  }
  int c = c0;
  // The zone just past the last argument adds the next one.
  const int k = GVLogicColumnKind(line, logic);
  int as = 0, ae = 0;
  if (c == -1 && k >= 5 && k < 9 && GVLogicColumnMask(line, k + 1, logic) != 1 && columnExtent(line, k, &as, &ae)) {
    HDC dc = GetDC(lines);
    const char* infix = GVLogicCmdInfix(line, logic);
    const int zone = ae + textWidth(infix ? infix : "", dc) / 2;
    ReleaseDC(lines, dc);
    if (gEdit.pressX >= zone && gEdit.pressX < zone + 10 && gEdit.pressX - ae <= 50) {
      const int slot = k + 1 - 5;
      GVLogicSetSlotConst(logic, kProgram, n, line->argType[slot], GVLogicColumnMask(line, k + 1, logic),
                          line->argVar[slot]);
      GVLogicSetupSlots(line, logic, kProgram, k + 1);
      c = k + 1;
    }
  }
  const int step = kind == 1 ? 1 : kind == 2 ? 0 : -1;
  if (c == 1) {
    GVLogicCycleColumn(logic, kProgram, step, 1, line, n);
    repaintRow(line, n);
  }
  if (gEdit.category >= 0 && gEdit.command >= 0 && !(f & kLogicOptComment)) {
    const LogicCmd& cmd = logic->categories[gEdit.category].cmds[gEdit.command];
    if (cmd.optionKind & 0x20) {
      MessageBeep(MB_ICONEXCLAMATION);
      return;
    }
    line->category = gEdit.category;
    line->command = gEdit.command;
    line->flags = 0;
    GVLogicFixLineTypes(logic, kProgram, n, line);
    GVLogicFixResultSlot(line, kProgram, logic);
    repaintRow(line, n);
    if (kind != 2) clearChosenCommand();
    return;
  }
  if (c == 4) {
    GVLogicCycleOption(line, 1, logic);
    gEdit.command = -1;
    repaintRow(line, n);
    paintPane();
    return;
  }
  clearChosenCommand();
  if (c >= 5 && c <= 9) {
    GVLogicCycleColumn(logic, kProgram, step, c, line, n);
    if (GVLogicColumnIsConst(line, c, logic)) openValueEditor(n, c, kProgram, line);
    repaintRow(line, n);
    send(2);
    if (GVLogicCmdFlags(line, logic) & kLogicOptPasteReport) send(16);
    return;
  }
  if (c == 1) return;
  notifyObjects(line, kind);
  refreshLines();
}

void HwLogicCntrl::onLineMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const int mx = static_cast<short>(LOWORD(lp)), my = static_cast<short>(HIWORD(lp));
  auto press = [&](int kind) {
    SetFocus(lines);
    gEdit.pressWindow = lines;
    gEdit.pressX = mx, gEdit.pressY = my, gEdit.pressKind = kind;
    gInputRecord[10] = mx, gInputRecord[11] = my;
    gEdit.pressLine = gEdit.dragLine = lineAtY(my);
    gEdit.pressColumn = isOverColumn(my, mx) ? 1 : 0;
    if (logic) GVLogicClearSelection(kProgram, logic);
  };
  switch (msg) {
    case WM_LBUTTONDOWN:
      SetCapture(lines);
      press(1);
      return;
    case WM_MOUSEMOVE: {
      if (!(wp & MK_LBUTTON) || (wp & MK_RBUTTON) || gEdit.pressWindow != lines || mx > 3000 || my > 2000) return;
      if (std::abs(mx - gEdit.pressX) <= 3 && std::abs(my - gEdit.pressY) <= 3) return;
      if (gEdit.pressColumn) {
        if (LogicLine* l = GVLogicGetLine(logic, kProgram, gEdit.pressLine)) repaintRow(l, gEdit.pressLine);
      }
      if (textEdit && textEdit->frame.window && IsWindowVisible(textEdit->frame.window)) return;
      const int now = lineAtY(my);
      if (now != gEdit.dragLine) {
        gEdit.dragLine = now;
        if (gEdit.pressKind == 1) selectDragRange(my);
        redrawLines();
      }
      return;
    }
    case WM_LBUTTONUP: {
      bool selected = false;
      const LogicProgram* p = GVLogicProgram(logic, kProgram);
      for (const LogicLine* l = p ? p->first : nullptr; l; l = l->next) selected |= (l->flags & kLineSelected) != 0;
      if (gEdit.pressWindow == lines) {
        if (selected) {
          send(32);
          send(64);
        } else {
          onClick(1);
        }
      }
      gEdit.pressWindow = nullptr;
      clearRelease();
      ReleaseCapture();
      return;
    }
    case WM_RBUTTONDOWN:
      press(3);
      if (!gEdit.pressColumn) redrawLines();
      return;
    case WM_RBUTTONUP:
      clearRelease();
      if (gEdit.pressWindow != lines || std::abs(mx - gEdit.pressX) > 20 || std::abs(my - gEdit.pressY) > 20) {
        gEdit.pressWindow = nullptr;
        return;
      }
      gEdit.pressWindow = nullptr;
      if (gEdit.swallowRight) {
        gEdit.swallowRight = 0;
      } else {
        onClick(3);
      }
      ReleaseCapture();
      return;
    case WM_RBUTTONDBLCLK:
      SetCapture(lines);
      press(2);
      gEdit.swallowRight = 1;
      onClick(2);
      gEdit.pressWindow = lines;
      return;
    case WM_MOUSEWHEEL: {
      const int delta = static_cast<short>(HIWORD(wp));
      if (!scroll || (delta > -10 && delta < 10)) return;
      const int before = scroll->firstLine;
      scroll->scrollBy(delta >= 10 ? -1 : 1);
      if (scroll->firstLine == before) return;
      if (LogicProgram* p = GVLogicProgram(logic, kProgram)) p->topLine = scroll->firstLine;
      endTextEdit();
      clearLines();
      redrawLines();
      return;
    }
    default: return;
  }
}

LRESULT CALLBACK HwLogicCntrl::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  HwLogicCntrl* w = objectOf(hwnd);
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: return 0;
    case WM_KILLFOCUS:
      HideCaret(hwnd);
      DestroyCaret();
      return 0;
    case WM_SETFOCUS:
      if (w) w->computeMetrics();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      if (!w) return 0;
      if (hwnd == w->lines) {
        w->clearLines();
        w->redrawLines();
      } else if (hwnd == w->header) {
        w->paintHeader();
      } else if (hwnd == w->pane) {
        w->paintPane();
      }
      return 0;
    }
    default: break;
  }
  if (!w || !w->logic) return DefWindowProcA(hwnd, msg, wp, lp);
  const bool header = hwnd == w->header, pane = hwnd == w->pane;
  if (header || pane) {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK)
      SetFocus(hwnd);
    if (gEdit.values) return DefWindowProcA(hwnd, msg, wp, lp);
    const int my = static_cast<short>(HIWORD(lp));
    switch (msg) {
      case WM_LBUTTONDOWN:
        if (header) w->headerClick();
        else w->paneClick(my, false);
        return 0;
      case WM_RBUTTONDBLCLK:
        if (header) w->headerClick();
        return 0;
      case WM_RBUTTONDOWN:
        w->clearCatalogue();
        return 0;
      case WM_LBUTTONDBLCLK:
        if (pane) w->paneClick(my, true);
        return 0;
      default: return DefWindowProcA(hwnd, msg, wp, lp);
    }
  }
  if (hwnd == w->lines) {
    switch (msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_RBUTTONDBLCLK:
      case WM_MOUSEMOVE:
      case WM_MOUSEWHEEL: w->onLineMessage(msg, wp, lp); return 0;
      default: break;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
