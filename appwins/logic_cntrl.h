// HwLogicCntrl: the editor of the main logic program ("Main"). One row per
// line (number, result, sign, command with its suffix, arguments), a header
// and catalogue pane to choose a category and a command, seven buttons (Print,
// Copy, Paste, Susp, Del, New, Void), a slider for the constant under edit,
// a comment entry, and the values each line produced in the last frame. It
// keeps no program data: every edit goes through the logic line services.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/user32.h"

class HwBMButton;
class HwFrame;
class HwFrameWindow;
class HwScrollBar;
class HwSliderGroup;
class HwTextField;
struct LogicLine;
struct LogicProgram;
struct LogicSystem;
struct ObjHandle;
struct HWorld;

// Owner callback: (object id, code, extra, user). Codes: 1 lines deleted or
// pasted, 2 an argument stepped, 8 values wanted, 16 restart the run, 32 a
// Geo named (id), 64 a Jel named (id, part as extra).
typedef int32_t (*GVLogicOwnerCB)(int32_t id, int32_t code, int32_t extra, void* user);
typedef void (*GVLogicHelpCB)(const char* key, int kind);

// The value pane's text of a line: "." when it did not run, else by its
// result type ("T"/"F", "%d", "%.4g", "( %.3g,  %.3g,  %.3g )"; magnitudes
// below 0.0001 as 0), empty for other types.
void GVLogicValueText(const LogicLine* line, LogicProgram* program, char* text, size_t size);

class HwLogicCntrl {
 public:
  static constexpr int kRowHeight = 30;
  static constexpr int kY = 76;

  // Builds the window as a child of parent at (x, 76); style bit 0 hides it.
  HwLogicCntrl(HINSTANCE instance, HWND parent, int x, int width, int height, int style, void* user);
  ~HwLogicCntrl();
  HwLogicCntrl(const HwLogicCntrl&) = delete;
  HwLogicCntrl& operator=(const HwLogicCntrl&) = delete;

  static ATOM registerClass(HINSTANCE instance);
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // Clears the process-wide editing state (before the program's entry).
  static void resetGlobals();

  void move(int x, int y, int width, int height);
  bool isVisible() const;
  void reset();
  void updateScrollBar();

  // ---- display ----
  void computeMetrics();
  int lineAtY(int y) const;
  void paintLine(LogicLine* line, int row);
  void redrawLines();
  void clearLines();
  void refreshLines();
  // Column 1 result, 2 sign, 3 command, 5..9 arguments: false when absent.
  bool columnExtent(LogicLine* line, int column, int* start, int* end);
  int textWidth(const char* text, HDC dc) const;
  void showLineValue(LogicLine* line, int program, int row);
  void clearValuePane();
  // The value pane refilled: every visible line's value of the last frame.
  void showValues();
  void paintHeader();
  // "vals:", "CATEGORIES" or the chosen category's name.
  const char* headerText() const;
  void paintPane();

  // ---- editing by mouse ----
  int columnAtX(int x, LogicLine* line);
  void onClick(int kind);
  bool isOverColumn(int y, int x);
  void selectDragRange(int y);
  void openValueEditor(int lineNumber, int column, int program, LogicLine* line);
  static float valueSliderCB(int code, float value, void* self);
  void openTextEdit(LogicLine* line, int row);
  void endTextEdit();
  static void scrollCB(int code, int line, void* self);

  // ---- the buttons (state before the press -> new state) ----
  static int printCB(int state, void* self);
  static int copyCB(int state, void* self);
  static int pasteCB(int state, void* self);
  static int suspCB(int state, void* self);
  static int delCB(int state, void* self);
  static int newCB(int state, void* self);
  static int voidCB(int state, void* self);

  // Whether values mode (Print) is on.
  static bool valuesMode();
  // The catalogue choice: category (-1 none) and command (-1 none).
  static int chosenCategory();
  static int chosenCommand();

  HwFrameWindow* frame = nullptr;
  HwBMButton* print = nullptr;
  HwBMButton* copy = nullptr;
  HwBMButton* paste = nullptr;
  HwBMButton* susp = nullptr;
  HwBMButton* del = nullptr;
  HwBMButton* newVar = nullptr;
  HwBMButton* makeVoid = nullptr;
  HwFrameWindow* buttonBar = nullptr;
  HwFrame* headerFrame = nullptr;
  HWND header = nullptr;
  HwFrame* paneFrame = nullptr;
  HWND pane = nullptr;
  HwFrame* linesFrame = nullptr;
  HWND lines = nullptr;
  HwScrollBar* scroll = nullptr;
  HwTextField* textEdit = nullptr;
  HwSliderGroup* slider = nullptr;
  int x = 0, y = kY, width = 0, height = 0;
  int inset = 0;
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  int style = 0;
  LogicLine* editLine = nullptr;  // the line under text edit
  LogicSystem* logic = nullptr;
  void* user = nullptr;
  GVLogicOwnerCB owner = nullptr;
  GVLogicHelpCB help = nullptr;
  char* helpTopic = nullptr;
  // The object the user picked last: references to it are underlined.
  int32_t highlightGeo = 1, highlightJel = 1, highlightPart = 0;
  int colours[11][3] = {};
  HINSTANCE instance = nullptr;

 private:
  void build(HINSTANCE instance, HWND parent, int x, int width, int height, int style, void* user);
  void fitInnerWindows();
  void send(int32_t code, int32_t id = 0, int32_t extra = 0);
  void clearChosenCommand();
  void paneClick(int y, bool doubleClick);
  void headerClick();
  void clearCatalogue();
  void onLineMessage(UINT msg, WPARAM wp, LPARAM lp);
  void notifyObjects(LogicLine* line, int kind);
  void repaintRow(LogicLine* line, int lineNumber);
  int rowOf(int lineNumber) const;
  int firstLine() const;
  int countLines() const;
};
