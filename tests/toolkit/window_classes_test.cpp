#include <cstring>
#include <string>
#include <vector>

#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit_fixture.h"

namespace {

struct ExpectedClass {
  const char* name;
  UINT style;
  COLORREF background;
  bool icon;
};

const UINT kRedraw = CS_HREDRAW | CS_VREDRAW;
const UINT kDbl = kRedraw | CS_DBLCLKS;
const COLORREF kGrey65 = RGB(65, 65, 65), kTip = RGB(220, 100, 100);

const ExpectedClass kClasses[] = {
    {"BaseControlClass", kDbl, kGrey65, false},        {"FrameClass", kDbl, kGrey65, false},
    {"FrameWindowClass", kDbl, kGrey65, false},        {"BMButtonClass", kRedraw, kGrey65, false},
    {"ToolTipWindowClass", kRedraw, kTip, false},      {"TitleBarClass", kDbl, RGB(0, 0, 200), false},
    {"MainAppWindowClass", kDbl, kGrey65, true},       {"DialogWindowClass", kDbl, kGrey65, true},
    {"EditControlClass", kDbl, kGrey65, false},        {"EditButControlClass", kRedraw, kGrey65, false},
    {"LabelClass", kDbl, kGrey65, false},              {"SliderGrpClass", kDbl, kGrey65, false},
    {"DropDownControlClass", kRedraw, kGrey65, false}, {"DDSubWindowClass", kRedraw, kTip, false},
    {"ScrollBarClass", kDbl, RGB(220, 100, 100), false}, {"ListWindowClass", kDbl, RGB(200, 200, 200), false},
    {"TextWinClass", kRedraw, RGB(220, 220, 220), false}, {"TextScrollClassOLD", kDbl, RGB(80, 80, 80), false},
    {"SelectorToolClass", kRedraw, kGrey65, false},    {"SeparatorClass", kDbl, kGrey65, false},
    {"TimeBarClass", kRedraw, kGrey65, false},
};

// Classes whose windows paint only through their control object: a bare window
// of them shows nothing of the class brush.
bool paintsThroughObject(const char* name) {
  for (const char* n : {"FrameClass", "FrameWindowClass", "BMButtonClass", "ToolTipWindowClass", "DDSubWindowClass",
                        "EditControlClass"})
    if (std::strcmp(n, name) == 0) return true;
  return false;
}

using StartUp = ToolkitTest;

TEST_F(StartUp, ClassesAreRegisteredInOrderAndPaintTheirBackgrounds) {
  ATOM previous = 0;
  int x = 0;
  for (const ExpectedClass& c : kClasses) {
    WNDCLASSEXA wc = {};
    ATOM atom = static_cast<ATOM>(GetClassInfoExA(instance_, c.name, &wc));
    ASSERT_GT(atom, previous) << c.name;
    previous = atom;
    EXPECT_EQ(wc.style, c.style) << c.name;
    EXPECT_EQ(wc.hIcon != nullptr, c.icon) << c.name;
    LOGBRUSH brush = {};
    ASSERT_TRUE(GetObjectA(wc.hbrBackground, sizeof brush, &brush)) << c.name;
    EXPECT_EQ(brush.lbColor, c.background) << c.name;
    if (paintsThroughObject(c.name)) continue;
    HWND w = popup(c.name, x, 0, 30, 20);
    ASSERT_TRUE(w) << c.name;
    EXPECT_EQ(countScreen(c.background, RECT{x, 0, x + 30, 20}), 30 * 20) << c.name;
    x += 40;
  }
  EXPECT_TRUE(box_->texts.empty());
}

TEST_F(StartUp, ClassRegisteredTwiceShowsTheSystemErrorAndStartUpGoesOn) {
  GVFreeWindowResources();
  GVTestReset();
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance_;
  wc.lpszClassName = "LabelClass";
  ASSERT_TRUE(RegisterClassExA(&wc));
  struct Shown {
    std::vector<std::string> texts, captions;
  } shown;
  GVTestSetMessageBoxHandler(
      [](HWND, const char* text, const char* caption, UINT, void* user) {
        static_cast<Shown*>(user)->texts.push_back(text);
        static_cast<Shown*>(user)->captions.push_back(caption);
        return IDOK;
      },
      &shown);
  GVRegisterWindowClasses(instance_);
  ASSERT_EQ(shown.texts.size(), 1u);
  EXPECT_EQ(shown.captions[0], "Error");
  EXPECT_EQ(shown.texts[0], "Class already exists.\r\n");
  WNDCLASSEXA after = {};
  EXPECT_TRUE(GetClassInfoExA(instance_, "SeparatorClass", &after));
}

TEST_F(StartUp, FontLookupGivesTheTableSlotOrReportsAndFallsBack) {
  for (HFONT f : QwFontTable) EXPECT_TRUE(f);
  EXPECT_EQ(QWGetFont(1, -16, 0), QwFontTable[4]);
  EXPECT_EQ(QWGetFont(2, -19, 0), QwFontTable[6]);
  EXPECT_EQ(QWGetFont(1, 16, 4), QwFontTable[3]);
  EXPECT_TRUE(box_->texts.empty());
  EXPECT_EQ(QWGetFont(1, -12, 0), QwFontTable[0]);
  ASSERT_EQ(box_->texts.size(), 1u);
  EXPECT_EQ(box_->texts[0],
            "QWGetFont not defined:  qwfontID ( 1 )  ...   pnt,pix = (0, -12) ...   style 0");
}

TEST_F(StartUp, ControlIdsRunFrom3001AndStopAtTheLimit) {
  EXPECT_EQ(QwTakeControlId(), 3001);
  for (int i = 2; i <= 1000; i++) QwTakeControlId();
  EXPECT_EQ(QwTakeControlId(), -1);
  EXPECT_EQ(QwTakeControlId(), -1);
}

TEST_F(StartUp, ShutDownLeavesNoObjectAndFreesTheSingletons) {
  static int helpStarted, helpFreed, notesFreed;
  helpStarted = helpFreed = notesFreed = 0;
  GVFreeWindowResources();
  GVTestReset();
  GVSetToolkitWindowHooks({[](HINSTANCE) { helpStarted++; }, [] { helpFreed++; }, [] { notesFreed++; }});
  GVRegisterWindowClasses(instance_);
  GVMessage("made");
  GVFreeWindowResources();
  GVTestReset();
  GVSetToolkitWindowHooks({});
  EXPECT_EQ(GVTestGdiObjectCount(), objectsBefore_);
  for (HFONT f : QwFontTable) EXPECT_FALSE(f);
  EXPECT_EQ(QwPens.brushBackground, nullptr);
  EXPECT_EQ(helpStarted, 1);
  EXPECT_EQ(helpFreed, 1);
  EXPECT_EQ(notesFreed, 1);
  EXPECT_EQ(box_->destroyed, 1);
}

}  // namespace
