#include <array>
#include <vector>

#include "entry_typing.h"
#include "toolkit/edit_control.h"
#include "toolkit/slider_group.h"
#include "toolkit/time_bar.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kRed = RGB(250, 0, 0);
const COLORREF kTick1 = RGB(250, 250, 100);
const COLORREF kStrip = RGB(65, 65, 65);

// What the bar asked of its owner: (code, what, value).
struct Owner {
  std::vector<std::array<int, 3>> calls;
  int geoSelection = 7, jelSelection = -1;
  int lastFrameCap = 1 << 30;
};

int ownerCB(int code, int what, int value, void* user) {
  auto* o = static_cast<Owner*>(user);
  o->calls.push_back({code, what, value});
  if (what == 2) return o->geoSelection;
  if (what == 4) return o->jelSelection;
  if (what == 1) return value < o->lastFrameCap ? value : o->lastFrameCap;
  return value;
}

// A scene of the test's own: record range 20 .. 180, loop 30 + 100, key frames
// of Geo 7 at 10, 50 and 250, stored frames of every Jel at 5 and 120.
bool playMarks(const void*, HwTimeBarPlayMarks* out) {
  *out = {2, 20, 180, 1, 30, 100};
  return true;
}
void keyFrames(const void*, int selection, void (*visit)(int, void*), void* context) {
  if (selection != 7) return;
  for (int f : {10, 50, 250}) visit(f, context);
}
int nextStoredFrame(const void*, int selection, int after) {
  if (selection != -1) return -1;
  return after < 5 ? 5 : after < 120 ? 120 : -1;
}

int gScene = 0;  // stands for the Geo list and the world

class TimeBars : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 640, 240);
    HwTimeBar::setDefaultCallback(ownerCB);
    HwTimeBar::setSceneHooks({playMarks, keyFrames, nextStoredFrame});
  }
  void TearDown() override {
    HwTimeBar::setDefaultCallback(nullptr);
    HwTimeBar::setSceneHooks({});
    ToolkitTest::TearDown();
  }
  // 490 wide: a 404-pixel ruler beside the last-frame box.
  void make(HwTimeBar& bar, int y = 0) {
    bar.create(instance_, parent_, 490, 0, &gScene, &gScene, &owner_);
    bar.move(0, y, 490, 50);
    settle();
  }
  // The caller's part of a cursor move, then the move.
  static void stepTo(HwTimeBar& bar, int frame) {
    bar.previousFrame = bar.currentFrame;
    bar.currentFrame = frame;
    bar.moveMarker(frame);
    GVComposeScreen();
  }
  static RECT strip(HWND w) { return rectOf(w); }
  static int redIn(HWND w) { return countScreen(kRed, strip(w)); }
  HWND parent_ = nullptr;
  Owner owner_;
};

TEST_F(TimeBars, RulerTicksNumbersAndPointerFrames) {
  HwTimeBar bar;
  make(bar);
  RECT r = strip(bar.ruler);
  ASSERT_EQ(r.right - r.left, 404);
  EXPECT_FLOAT_EQ(bar.scale(404), 2.0f);
  EXPECT_EQ(HwTimeBar::tickUnit(2.0f), 10);
  int mid = r.top + (r.bottom - r.top) / 2;
  // Every 10 frames a tick; long ones every 100 frames.
  for (int f = 10; f < 200; f += 10) EXPECT_EQ(screen(r.left + 2 * f, mid), kTick1) << f;
  EXPECT_EQ(screen(r.left + 2 * 15, mid), kStrip);
  EXPECT_EQ(screen(r.left + 200, mid + 3), kTick1);
  EXPECT_EQ(screen(r.left + 20, mid + 3), kStrip);
  EXPECT_EQ(screen(r.left + 400, mid), kRed);  // the cursor at 200
  // Numbers at 0, 100 and 200 only: dark ink near those places.
  RECT n = strip(bar.numberStrip);
  auto ink = [&](int from, int to) { return countScreen(RGB(0, 0, 50), RECT{n.left + from, n.top, n.left + to, n.bottom}); };
  EXPECT_GT(ink(0, 12), 0);
  EXPECT_GT(ink(190, 212), 0);
  EXPECT_GT(ink(380, 401), 0);
  EXPECT_EQ(ink(30, 170) + ink(230, 370), 0);

  GVTestMouseDown(r.left + 101, mid);
  settle();
  GVTestMouseMove(r.left + 100, mid);
  settle();
  GVTestMouseMove(r.left + 900, mid);
  settle();
  GVTestMouseUp(r.left + 900, mid);
  settle();
  std::vector<std::array<int, 3>> pointer;
  for (auto& c : owner_.calls)
    if (c[1] == 32 || c[1] == 8) pointer.push_back(c);
  ASSERT_EQ(pointer.size(), 4u);
  EXPECT_EQ(pointer[0], (std::array<int, 3>{0, 32, 51}));
  EXPECT_EQ(pointer[1], (std::array<int, 3>{0, 32, 50}));
  EXPECT_EQ(pointer[2], (std::array<int, 3>{0, 32, 200}));  // held to the last frame
  EXPECT_EQ(pointer[3], (std::array<int, 3>{0, 8, 200}));
  // A range of one frame: ticks every frame and the long tick at 0.
  bar.lastFrame = 1;
  EXPECT_EQ(HwTimeBar::tickUnit(bar.scale(404)), 1);

  // The form's move: inner 596 x 56 gives a ruler 18 high below 16 of markers.
  bar.move(10, 20, 600, 60);
  settle();
  RECT m = strip(bar.markerStrip);
  r = strip(bar.ruler);
  EXPECT_EQ(m.top, 22);
  EXPECT_EQ(r.top - m.top, 16);
  EXPECT_EQ(r.bottom - r.top, 18);
  // The strips and, 4 to their right, the box share the inner width.
  RECT box = rectOf(bar.lastFrameBox->frame->window);
  EXPECT_EQ(box.right, 12 + 596);
  EXPECT_EQ(m.right - m.left + 4 + (box.right - box.left), 596);
  EXPECT_EQ(box.bottom - box.top, 52);
}

TEST_F(TimeBars, CursorAndMarkers) {
  HwTimeBar bar;
  make(bar);
  RECT r = strip(bar.ruler);
  stepTo(bar, 50);
  EXPECT_EQ(screen(r.left + 100, r.top + 2), kRed);
  EXPECT_EQ(screen(r.left + 99, r.top + 2), kRed);
  EXPECT_EQ(redIn(bar.ruler), 2 * (r.bottom - r.top));  // the old cursor at 200 is gone
  stepTo(bar, 202);  // last + 2: erased, none drawn
  EXPECT_EQ(redIn(bar.ruler), 0);
  stepTo(bar, 60);
  bar.previousFrame = bar.currentFrame = 203;  // last + 3: nothing happens
  bar.moveMarker(203);
  GVComposeScreen();
  EXPECT_EQ(screen(r.left + 120, r.top + 2), kRed);
  EXPECT_EQ(redIn(bar.ruler), 2 * (r.bottom - r.top));

  RECT m = strip(bar.markerStrip);
  auto at = [&](int frame, int dx, int y) { return screen(m.left + 2 * frame + dx, m.top + y); };
  EXPECT_EQ(at(20, 0, 1), kRed);                 // record start
  EXPECT_EQ(at(180, 1, 4), RGB(250, 150, 200));  // record end
  EXPECT_EQ(at(30, 0, 8), RGB(0, 250, 0));       // loop start
  EXPECT_EQ(at(130, -1, 11), RGB(0, 250, 0));    // loop end
  EXPECT_EQ(at(10, 0, 3), kRed);                 // key frames of the selected Geo
  EXPECT_EQ(at(50, -1, 4), kRed);
  EXPECT_EQ(at(5, 0, 8), RGB(0, 0, 50));         // stored frames of the selected Jels
  EXPECT_EQ(at(120, 0, 9), RGB(0, 0, 50));
  EXPECT_EQ(bar.selectedGeo, 7);
  EXPECT_EQ(bar.selectedJel, -1);
  // A range from 100: the cursor at the first frame stands at the strip's left.
  bar.firstFrame = 100;
  bar.currentFrame = bar.previousFrame = 100;
  bar.redraw();
  GVComposeScreen();
  EXPECT_EQ(screen(r.left, r.top + 2), kRed);
  bar.firstFrame = 0;
  // Another Geo selected: its keys are not marked.
  owner_.geoSelection = 3;
  bar.redraw();
  GVComposeScreen();
  EXPECT_EQ(at(50, -1, 4), kStrip);
}

TEST_F(TimeBars, LastFrameBoxStepsAndTypedValues) {
  HwTimeBar bar;
  make(bar);
  HwEditControl* entry = bar.lastFrameBox->edit;
  TypeIntoEntry(entry->window, "5\r");
  EXPECT_EQ(bar.lastFrame, 5);
  owner_.calls.clear();
  RECT down = rectOf(bar.lastFrameBox->downButton->face);
  GVTestClick((down.left + down.right) / 2, (down.top + down.bottom) / 2);
  settle();
  ASSERT_FALSE(owner_.calls.empty());
  EXPECT_EQ(owner_.calls[0], (std::array<int, 3>{-1, 1, 0}));
  EXPECT_EQ(bar.lastFrame, 0);
  EXPECT_STREQ(entry->text, "0");

  // The owner's answer is the last frame; the ruler rescales to it.
  owner_.lastFrameCap = 300;
  TypeIntoEntry(entry->window, "400\r");
  settle();
  EXPECT_EQ(bar.lastFrame, 300);
  EXPECT_STREQ(entry->text, "300");
  RECT r = strip(bar.ruler);
  int mid = r.top + (r.bottom - r.top) / 2;
  EXPECT_EQ(screen(r.left + 133, mid + 3), kTick1);  // frame 100 at 4/3 pixels per frame
  EXPECT_EQ(screen(r.left + 200, mid + 3), kStrip);

  // A last frame of 0 draws as a range of one frame; the pointer gives frame 0.
  TypeIntoEntry(entry->window, "0\r");
  settle();
  EXPECT_EQ(bar.lastFrame, 0);
  owner_.calls.clear();
  GVTestClick(r.left + 300, mid);
  settle();
  ASSERT_EQ(owner_.calls.size(), 2u);
  EXPECT_EQ(owner_.calls[1], (std::array<int, 3>{0, 8, 0}));

  // The bar's window going does not end the program.
  DestroyWindow(bar.frame.window);
  settle();
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(TimeBars, GalleryOfSlidersAndTimeBarsInTheirColourModes) {
  std::array<HwTimeBar, 3> bars;
  for (int mode = 0; mode < 3; mode++) {
    make(bars[mode], 10 + 55 * mode);
    bars[mode].mode = mode;
    stepTo(bars[mode], 70 + 40 * mode);
    bars[mode].redraw();
  }
  HwSliderGroup sliders[4];
  sliders[0].addInt(60, instance_, parent_, 10, 180, 240, 23, "Count:", 40, 0, 30, 100, 0, 1, nullptr, nullptr);
  sliders[1].addFloat(60, instance_, parent_, 10, 208, 240, 23, "Ratio:", 50, -1.0f, 0.25f, 1.0f, 4, 1.0f, nullptr,
                      nullptr);
  sliders[2].addInt(0, instance_, parent_, 500, 10, 50, 200, "", 40, 0, 75, 100, kSliderVertical, 1, nullptr, nullptr);
  sliders[3].addFloat(0, instance_, parent_, 560, 10, 50, 200, "", 40, 0.0f, 0.8f, 1.0f,
                      kSliderVertical | kSliderNoEntry, 1.0f, nullptr, nullptr);
  settle();
  RECT ruler2 = strip(bars[2].ruler);
  EXPECT_EQ(screen(ruler2.left + 2 * 100, ruler2.top + (ruler2.bottom - ruler2.top) / 2), RGB(0, 250, 0));
  EXPECT_EQ(screen(ruler2.left + 3, ruler2.top + 1), RGB(0, 0, 0));
  EXPECT_EQ(redIn(bars[2].ruler), 2 * (ruler2.bottom - ruler2.top));
  RECT ruler0 = strip(bars[0].ruler);
  EXPECT_EQ(screen(ruler0.left + 2 * 100, ruler0.top + (ruler0.bottom - ruler0.top) / 2), RGB(0, 0, 50));
  EXPECT_EQ(sliders[3].knobY, 143);  // 800 steps of 179
  EXPECT_TRUE(GVSaveScreenPng("toolkit_slider_time_bar_gallery.png"));
  EXPECT_TRUE(box_->texts.empty());
}

}  // namespace
