#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "entry_typing.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kKnob = RGB(200, 200, 210);

struct Calls {
  std::vector<std::pair<int, int>> ints;  // (code, value)
  std::vector<std::pair<int, float>> floats;
};

int keepInt(int code, int value, void* user) {
  static_cast<Calls*>(user)->ints.push_back({code, value});
  return value;
}

float keepFloat(int code, float value, void* user) {
  static_cast<Calls*>(user)->floats.push_back({code, value});
  return value;
}

struct Asked {
  std::string text, caption;
  UINT type = 0;
  int answer = IDOK;
};

int answerBox(HWND, const char* text, const char* caption, UINT type, void* user) {
  auto* a = static_cast<Asked*>(user);
  a->text = text;
  a->caption = caption;
  a->type = type;
  return a->answer;
}

class Sliders : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 600, 400);
  }
  static RECT trackRect(const HwSliderGroup& g) { return rectOf(g.track); }
  // The knob's left edge on the screen, from its painted face (1 pixel in),
  // relative to the track: along x for a horizontal slider, y for a vertical one.
  static int knobOnScreen(const HwSliderGroup& g) {
    RECT t = trackRect(g);
    if (g.vertical) {
      int x = t.left + (t.right - t.left - 21) / 2 + 1 + 5;
      for (int y = t.top; y < t.bottom; y++)
        if (screen(x, y) == kKnob) return y - t.top - 1;
    } else {
      int y = t.top + (t.bottom - t.top - 21) / 2 + 1 + 5;
      for (int x = t.left; x < t.right; x++)
        if (screen(x, y) == kKnob) return x - t.left - 1;
    }
    return -1;
  }
  // A press, moves and a release along the track, at track offsets.
  static void drag(const HwSliderGroup& g, const std::vector<int>& along) {
    RECT t = trackRect(g);
    auto at = [&](int a) {
      return g.vertical ? POINT{t.left + 30, t.top + a} : POINT{t.left + a, t.top + 11};
    };
    GVTestAdvanceClock(1000);
    POINT p = at(along.front());
    GVTestMouseDown(p.x, p.y);
    settle();
    for (size_t i = 1; i < along.size(); i++) {
      p = at(along[i]);
      GVTestMouseMove(p.x, p.y);
      settle();
    }
    GVTestMouseUp(p.x, p.y);
    settle();
  }
  HWND parent_ = nullptr;
  Calls calls_;
};

TEST_F(Sliders, KnobStandsAtTheValueAndJumpsUnderThePointer) {
  HwSliderGroup g;
  // Label 60 and entry 40 leave a 221-pixel track: 200 usable pixels.
  g.addInt(60, instance_, parent_, 10, 10, 321, 23, "Count:", 40, 0, 50, 100, 0, 1, keepInt, &calls_);
  settle();
  EXPECT_EQ(trackRect(g).right - trackRect(g).left, 221);
  EXPECT_EQ(g.knobX, 100);
  EXPECT_EQ(knobOnScreen(g), 100);
  g.setIntValue(33);
  settle();
  EXPECT_EQ(knobOnScreen(g), 66);
  EXPECT_STREQ(g.edit->text, "33");
  EXPECT_TRUE(calls_.ints.empty());

  // Beside the knob: its centre comes under the pointer and the value follows.
  drag(g, {170});
  EXPECT_EQ(knobOnScreen(g) + 10, 170);
  EXPECT_EQ(g.intValue, 80);
  EXPECT_STREQ(g.edit->text, "80");
  ASSERT_EQ(calls_.ints.size(), 1u);  // only the release, without the live flag
  EXPECT_EQ(calls_.ints[0], std::make_pair(1, 80));

  // Held on the knob, it moves by the pointer's way and stops at the track's end.
  calls_.ints.clear();
  drag(g, {165, 125, 500});
  EXPECT_EQ(g.intValue, 100);
  EXPECT_EQ(knobOnScreen(g), 200);
  ASSERT_EQ(calls_.ints.size(), 1u);
  EXPECT_EQ(calls_.ints[0], std::make_pair(1, 100));

  // The form's move lays the parts out again and the knob follows the track.
  g.move(20, 250, 421, 30);
  settle();
  EXPECT_EQ(trackRect(g).left, 20 + 100);
  EXPECT_EQ(trackRect(g).right - trackRect(g).left, 321);
  EXPECT_EQ(knobOnScreen(g), 300);
}

TEST_F(Sliders, LiveFloatAndVerticalSlidersReportEveryMove) {
  HwSliderGroup f;
  f.addFloat(60, instance_, parent_, 10, 10, 321, 23, "Ratio:", 40, 0.0f, 0.5f, 1.0f, kSliderLive | 4, 1.0f,
             keepFloat, &calls_);
  settle();
  EXPECT_STREQ(f.edit->text, "0.50");
  drag(f, {105, 138, 171, -50});
  ASSERT_EQ(calls_.floats.size(), 4u);
  for (size_t i = 0; i < 3; i++) EXPECT_EQ(calls_.floats[i].first, 2);
  EXPECT_EQ(calls_.floats[3].first, 1);
  for (auto& c : calls_.floats) {
    // Two decimals and nothing more.
    float hundredths = c.second * 100;
    EXPECT_NEAR(hundredths, std::round(hundredths), 1e-3) << c.second;
  }
  EXPECT_FLOAT_EQ(calls_.floats[0].second, 0.67f);  // pixel 133: 665 steps
  EXPECT_FLOAT_EQ(calls_.floats[3].second, 0.0f);

  // Vertical: the entry above, the track below it, the knob along y.
  HwSliderGroup v;
  v.addInt(0, instance_, parent_, 400, 10, 60, 25 + 221, "", 40, 0, 50, 100, kSliderVertical | kSliderLive, 1,
           keepInt, &calls_);
  settle();
  EXPECT_EQ(trackRect(v).top, rectOf(v.window).top + 25);
  EXPECT_EQ(v.knobY, 100);
  EXPECT_EQ(knobOnScreen(v), 100);
  calls_.ints.clear();
  drag(v, {170, 180});
  EXPECT_EQ(knobOnScreen(v), 170);
  EXPECT_EQ(v.intValue, 85);
  ASSERT_EQ(calls_.ints.size(), 2u);
  EXPECT_EQ(calls_.ints[0], std::make_pair(2, 85));
  EXPECT_EQ(calls_.ints[1], std::make_pair(1, 85));
}

TEST_F(Sliders, TypedValuesAreClampedOrWidenTheRange) {
  HwSliderGroup wide, clamped, symmetric;
  wide.addInt(60, instance_, parent_, 10, 10, 321, 23, "Wide:", 40, 0, 10, 100,
              kSliderAutoExtend | kSliderPowerOfTen, 1, keepInt, &calls_);
  clamped.addInt(60, instance_, parent_, 10, 40, 321, 23, "Clamped:", 40, 0, 10, 100, kSliderPowerOfTen, 1,
                 keepInt, &calls_);
  symmetric.addFloat(60, instance_, parent_, 10, 70, 321, 23, "Sym:", 50, -5.0f, 0.0f, 5.0f,
                     kSliderSymmetric | kSliderPowerOfTen | 4, 1.0f, keepFloat, &calls_);
  settle();
  TypeIntoEntry(wide.edit->window, "250\r");
  EXPECT_EQ(wide.intMaximum, 300);
  EXPECT_EQ(wide.intValue, 250);
  EXPECT_STREQ(wide.edit->text, "250");
  EXPECT_EQ(wide.knobX, 166);  // 833 steps
  TypeIntoEntry(clamped.edit->window, "250\r");
  EXPECT_EQ(clamped.intMaximum, 100);
  EXPECT_STREQ(clamped.edit->text, "100");
  ASSERT_EQ(calls_.ints.size(), 2u);
  EXPECT_EQ(calls_.ints[0], std::make_pair(0, 250));
  EXPECT_EQ(calls_.ints[1], std::make_pair(0, 100));
  TypeIntoEntry(symmetric.edit->window, "7<-\r");
  EXPECT_FLOAT_EQ(symmetric.floatMinimum, -7.0f);
  EXPECT_FLOAT_EQ(symmetric.floatMaximum, 5.0f);
  EXPECT_FLOAT_EQ(symmetric.floatValue, -7.0f);
  EXPECT_EQ(symmetric.knobX, 0);

  // Nice limits with the power-of-ten flag and steps of 1.
  for (auto [m, limit] : {std::pair{37, 40}, {100, 100}, {101, 200}, {250, 300}, {0, 1}})
    EXPECT_EQ(wide.niceLimitInt(m), limit) << m;
  EXPECT_FLOAT_EQ(symmetric.niceLimit(3.7f), 4.0f);
  EXPECT_FLOAT_EQ(symmetric.niceLimit(0.37f), 1.0f);
  // Multiples of the step; a step of 0 counts as no step flag and ends at once.
  wide.flags = kSliderStepped;
  wide.intStep = 25;
  EXPECT_EQ(wide.niceLimitInt(101), 125);
  EXPECT_EQ(wide.niceLimitInt(3), 25);
  wide.intStep = 0;
  EXPECT_EQ(wide.niceLimitInt(1000000), 1);
  symmetric.flags = kSliderStepped;
  symmetric.floatStep = 0.0f;
  EXPECT_FLOAT_EQ(symmetric.niceLimit(3.7f), 0.1f);
  symmetric.floatStep = 0.25f;
  EXPECT_FLOAT_EQ(symmetric.niceLimit(3.7f), 3.75f);
}

TEST_F(Sliders, AClampedTypedValueShowsTheValueHeld) {
  HwSliderGroup s;
  s.addFloat(60, instance_, parent_, 10, 10, 321, 23, "Min:", 50, 0.01f, 1.0f, 10.0f, kSliderPowerOfTen | 4, 1.0f,
             keepFloat, &calls_);
  settle();
  // An entry emptied with Backspace commits 0; the minimum is what the slider
  // then holds.
  for (auto [typed, held] : {std::pair{"\b", 0.01f}, {"0", 0.01f}, {"0.001", 0.01f}, {"25", 10.0f}}) {
    TypeIntoEntry(s.edit->window, std::string(typed) + "\r");
    EXPECT_FLOAT_EQ(s.floatValue, held) << typed;
    EXPECT_EQ(static_cast<float>(std::atof(s.edit->text)), s.floatValue) << typed << " shows " << s.edit->text;
  }
}

TEST_F(Sliders, NoRangeOrNoTrackLengthKeepsTheValueWithTheKnobAtZero) {
  HwSliderGroup flat, narrow;
  flat.addInt(60, instance_, parent_, 10, 10, 321, 23, "Flat:", 40, 7, 7, 7, 0, 1, keepInt, &calls_);
  // A 15-pixel track is shorter than the knob.
  narrow.addFloat(60, instance_, parent_, 10, 40, 115, 23, "Narrow:", 40, 0.0f, 0.3f, 1.0f, 4, 1.0f, keepFloat,
                  &calls_);
  settle();
  EXPECT_EQ(flat.knobX, 0);
  EXPECT_EQ(narrow.knobX, 0);
  drag(flat, {150, 200});
  drag(narrow, {10, 5});
  EXPECT_EQ(flat.intValue, 7);
  EXPECT_FLOAT_EQ(narrow.floatValue, 0.3f);
  EXPECT_EQ(flat.knobX, 0);
  flat.setRangeInt(0, 14);
  EXPECT_EQ(flat.knobX, 100);
}

TEST_F(Sliders, DoubleClickOffersToMinimiseTheRange) {
  Asked asked;
  GVTestSetMessageBoxHandler(answerBox, &asked);
  HwSliderGroup own, passed;
  // Vertical sliders whose entries leave part of the group window bare.
  own.addInt(0, instance_, parent_, 10, 10, 100, 150, "", 40, 0, 37, 1000,
             kSliderVertical | kSliderOfferMinimise | kSliderPowerOfTen, 1, keepInt, &calls_);
  passed.addFloat(0, instance_, parent_, 200, 10, 100, 150, "", 40, -50.0f, 3.7f, 50.0f,
                  kSliderVertical | kSliderOfferMinimise | kSliderOwnerMinimises | kSliderSymmetric, 1.0f,
                  keepFloat, &calls_);
  settle();
  auto doubleClick = [](const HwSliderGroup& g) {
    RECT w = rectOf(g.window);
    GVTestAdvanceClock(1000);
    GVTestClick(w.left + 80, w.top + 10);
    GVTestClick(w.left + 80, w.top + 10);
    settle();
  };
  asked.answer = IDCANCEL;
  doubleClick(own);
  EXPECT_EQ(asked.text, "Minimise slider range?");
  EXPECT_EQ(asked.caption, "SliderGroup Message:");
  EXPECT_EQ(asked.type, UINT(MB_OKCANCEL | MB_TASKMODAL));
  EXPECT_EQ(own.intMaximum, 1000);
  asked.answer = IDOK;
  doubleClick(own);
  EXPECT_EQ(own.intMinimum, 0);
  EXPECT_EQ(own.intMaximum, 40);
  EXPECT_EQ(own.intValue, 37);
  EXPECT_TRUE(calls_.ints.empty());
  doubleClick(passed);
  ASSERT_EQ(calls_.floats.size(), 1u);
  EXPECT_EQ(calls_.floats[0], std::make_pair(3, 3.7f));
  EXPECT_FLOAT_EQ(passed.floatMaximum, 50.0f);
  // Without the owner flag a symmetric float slider takes -L .. L.
  passed.flags &= ~kSliderOwnerMinimises;
  passed.flags |= kSliderPowerOfTen;
  doubleClick(passed);
  EXPECT_FLOAT_EQ(passed.floatMinimum, -4.0f);
  EXPECT_FLOAT_EQ(passed.floatMaximum, 4.0f);

  // A horizontal group is covered by its label, entry and track: the label takes
  // the double click to the group.
  HwSliderGroup wide;
  wide.addInt(60, instance_, parent_, 10, 200, 321, 23, "Count:", 40, 0, 37, 1000,
              kSliderOfferMinimise | kSliderPowerOfTen, 1, keepInt, &calls_);
  settle();
  asked.text.clear();
  RECT label = rectOf(wide.label->window);
  GVTestAdvanceClock(1000);
  GVTestClick(label.left + 10, label.top + 5);
  GVTestClick(label.left + 10, label.top + 5);
  settle();
  EXPECT_EQ(asked.text, "Minimise slider range?");
  EXPECT_EQ(wide.intMaximum, 40);
}

}  // namespace
