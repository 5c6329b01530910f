#include <string>
#include <utility>
#include <vector>

#include "toolkit/edit_control.h"
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit_fixture.h"

namespace {

struct Calls {
  std::vector<std::pair<int, int>> ints;  // (code, value)
  std::vector<std::pair<int, float>> floats;
};

// A commit shows 10; a step moves the value by 10.
int byTens(int code, int value, void* user) {
  static_cast<Calls*>(user)->ints.push_back({code, value});
  return code == 0 ? 10 : value + 10 * code;
}

float keepFloat(int code, float value, void* user) {
  static_cast<Calls*>(user)->floats.push_back({code, value});
  return value;
}

class Entries : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 400, 300);
  }
  // Keys as a US keyboard gives the characters; '<' is the left arrow. Blanks,
  // digits, Enter, Backspace and Tab are their own key codes.
  static void type(const std::string& text) {
    for (char ch : text) {
      UINT vk = ch >= 'a' && ch <= 'z' ? UINT(ch - 'a' + 'A') : UINT(ch);
      const std::string special = "!-+.,<";
      const UINT keys[] = {'1', VK_SUBTRACT, VK_ADD, VK_DECIMAL, VK_OEM_COMMA, VK_LEFT};
      if (special.find(ch) != std::string::npos) vk = keys[special.find(ch)];
      if (ch == '!') GVInputKey(VK_SHIFT, true);
      GVTestKeyPress(vk);
      if (ch == '!') GVInputKey(VK_SHIFT, false);
    }
    settle();
  }
  static RECT client(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    POINT o = {0, 0};
    ClientToScreen(w, &o);
    return RECT{o.x, o.y, o.x + r.right, o.y + r.bottom};
  }
  // Screen point of the text boundary before character i of the entry.
  static POINT boundary(const HwEditControl& e, int i) {
    HDC dc = GetDC(e.window);
    SIZE s = {0, 0};
    GetTextExtentPoint32A(dc, e.text, i, &s);
    ReleaseDC(e.window, dc);
    RECT c = client(e.window);
    return POINT{c.left + e.caret.leftMargin + static_cast<int>(s.cx), (c.top + c.bottom) / 2};
  }
  // The entry looks exactly like a fresh unfocused entry holding the text.
  bool shows(const HwEditControl& e, const char* text) {
    SetFocus(nullptr);
    RECT r;
    GetWindowRect(e.window, &r);
    HwEditControl reference(2, 1, parent_, instance_, 0, 200, r.right - r.left, r.bottom - r.top, 0, 0, text,
                            nullptr, nullptr, nullptr, nullptr);
    settle();
    bool same = grab(client(e.window)) == grab(client(reference.window));
    DestroyWindow(reference.window);
    settle();
    return same;
  }
  static void clickEnd(const HwEditControl& e) {
    RECT c = client(e.window);
    click(POINT{c.right - 2, (c.top + c.bottom) / 2});
  }
  HWND parent_ = nullptr;
  Calls calls_;
};

TEST_F(Entries, IntegerEntryFiltersCharactersAndCommitsThroughTheCallback) {
  HwEditControl e(0, 0, parent_, instance_, 10, 10, 120, 22, 5, 0, nullptr, byTens, nullptr, nullptr, &calls_);
  clickEnd(e);
  type("- ");
  EXPECT_STREQ(e.text, "5");  // '-' after a digit and a blank are ignored
  type("<-");
  EXPECT_STREQ(e.text, "-5");
  type("<<<");  // not below the first boundary
  EXPECT_EQ(e.caret.caretIndex, 0);
  clickEnd(e);
  type("+,!7");
  EXPECT_STREQ(e.text, "-5+,!7");
  type("\t");
  EXPECT_EQ(GVTestBeepCount(), 1u);
  EXPECT_EQ(GVTestLastBeep(), 0xFFFFFFFFu);
  // No whole number: refused whole, the owner hears nothing, the held 5 comes back.
  type("\r");
  EXPECT_EQ(GVTestBeepCount(), 2u);
  EXPECT_TRUE(calls_.ints.empty());
  EXPECT_TRUE(shows(e, "5"));
  clickEnd(e);
  type("a");
  EXPECT_STREQ(e.text, "5a");  // a letter is kept, so the text is judged whole
  type("\r");
  EXPECT_EQ(GVTestBeepCount(), 3u);
  EXPECT_TRUE(calls_.ints.empty());
  // Past its range a number reaches the owner at the nearer end.
  e.setIntRange(-20, 20);
  clickEnd(e);
  type("0\r");
  ASSERT_EQ(calls_.ints.size(), 1u);
  EXPECT_EQ(calls_.ints[0], std::make_pair(0, 20));
  EXPECT_TRUE(shows(e, "10"));
}

TEST_F(Entries, FloatEntryShowsItsDecimalsUntilATypedValueHasMore) {
  HwEditControl f(1, 4, parent_, instance_, 10, 10, 120, 22, 0, 2.5f, nullptr, nullptr, keepFloat, nullptr,
                  &calls_);
  EXPECT_TRUE(shows(f, "2.50"));
  clickEnd(f);
  type("7\r");
  ASSERT_EQ(calls_.floats.size(), 1u);
  EXPECT_FLOAT_EQ(calls_.floats[0].second, 2.507f);
  EXPECT_TRUE(shows(f, "2.507"));
  f.setFloat(1.0f);
  EXPECT_TRUE(shows(f, "1.000"));
}

TEST(FloatText, OnlyAFiniteFloatIsTaken) {
  const struct {
    const char* text;
    bool taken;
    float value;
  } cases[] = {
      {"2.5", true, 2.5f},    {" -1e3 ", true, -1000.0f}, {"", true, 0.0f},      {"3e38", true, 3e38f},
      {"4e38", false, 0.0f},  {"1e39", false, 0.0f},      {"-1e39", false, 0.0f}, {"nan", false, 0.0f},
      {"inf", false, 0.0f},   {"1,5", false, 0.0f},       {"-", false, 0.0f},     {"12abc", false, 0.0f},
  };
  for (const auto& c : cases) {
    float v = -7.0f;
    EXPECT_EQ(GVReadFloatText(c.text, &v), c.taken) << c.text;
    EXPECT_EQ(v, c.taken ? c.value : -7.0f) << c.text;
  }
}

TEST_F(Entries, FloatEntryRefusesTextThatIsNoFiniteFloatAndKeepsItsValue) {
  HwEditControl f(1, 4, parent_, instance_, 10, 10, 200, 22, 0, 2.5f, nullptr, nullptr, keepFloat, nullptr,
                  &calls_);
  for (const char* typed : {"1e39", "nan", "12abc"}) {
    click(f.window, 2);  // selects the whole text
    type(std::string(typed) + "\r");
    EXPECT_STREQ(f.text, "2.50") << typed;
    EXPECT_EQ(f.getFloat(), 2.5f) << typed;
  }
  EXPECT_TRUE(calls_.floats.empty());
  EXPECT_EQ(GVTestBeepCount(), 3u);
}

TEST_F(Entries, MousePlacesTheCaretSelectsByDragAndDoubleClickSelectsAll) {
  HwEditControl e(2, 0, parent_, instance_, 10, 10, 160, 22, 0, 0, "abcdefgh", nullptr, nullptr, nullptr, nullptr);
  POINT b3 = boundary(e, 3);
  click(POINT{b3.x + 1, b3.y});
  EXPECT_EQ(e.caret.caretIndex, 3);
  POINT caret;
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_EQ(caret.x, b3.x - client(e.window).left);

  POINT b2 = boundary(e, 2), b5 = boundary(e, 5);
  drag(b2, {b5});
  RECT c = client(e.window);
  RECT inside = {b2.x, c.top, b5.x, c.bottom}, before = {c.left, c.top, b2.x - 1, c.bottom};
  int area = (b5.x - b2.x) * (c.bottom - c.top);
  EXPECT_GT(countScreen(RGB(0, 0, 0), inside), area / 3);  // white on black
  EXPECT_GT(countScreen(RGB(255, 255, 255), inside), 5);
  EXPECT_EQ(countScreen(RGB(255, 255, 255), before), 0);
  type("\b");
  EXPECT_STREQ(e.text, "abfgh");

  click(b2, 2);
  EXPECT_GT(countScreen(RGB(0, 0, 0), c), 0);
  type("z");
  EXPECT_STREQ(e.text, "z");
  EXPECT_TRUE(shows(e, "z"));

  HwEditControl empty(2, 0, parent_, instance_, 10, 40, 160, 22, 0, 0, "", nullptr, nullptr, nullptr, nullptr);
  RECT ec = client(empty.window);
  click(POINT{ec.left + 20, ec.top + 5}, 2);
  EXPECT_EQ(empty.caret.selectionEnd, -1);
  EXPECT_EQ(countScreen(RGB(0, 0, 0), ec), 0);
}

TEST_F(Entries, EachEntryKeepsItsCaretAndSelectionAcrossFocusChanges) {
  HwEditControl a(2, 0, parent_, instance_, 10, 10, 160, 22, 0, 0, "abcdef", nullptr, nullptr, nullptr, nullptr);
  HwEditControl b(2, 0, parent_, instance_, 10, 40, 160, 22, 0, 0, "uvwxyz", nullptr, nullptr, nullptr, nullptr);
  POINT a1 = boundary(a, 1), a3 = boundary(a, 3);
  drag(a1, {a3});
  click(boundary(b, 2));
  EXPECT_GT(countScreen(RGB(0, 0, 0), client(a.window)), 0);  // a's selection still shows
  SetFocus(a.window);
  type("q");
  EXPECT_STREQ(a.text, "aqdef");
  SetFocus(b.window);
  type("k");
  EXPECT_STREQ(b.text, "uvkwxyz");
}

TEST_F(Entries, TextLimitsBeepAndCutAndALowEntryWarnsOnce) {
  HwEditControl e(2, 1, parent_, instance_, 10, 10, 300, 22, 0, 0, std::string(126, 'w').c_str(), nullptr,
                  nullptr, nullptr, nullptr);
  clickEnd(e);
  type("x");
  EXPECT_EQ(std::string(e.text).size(), 127u);
  std::string full = e.text;
  type("y ");
  EXPECT_EQ(e.text, full);
  EXPECT_EQ(GVTestBeepCount(), 2u);
  e.setText(std::string(300, 'q').c_str());
  EXPECT_EQ(std::string(e.text), std::string(127, 'q'));
  EXPECT_EQ(e.caret.length, 127);

  EXPECT_TRUE(box_->texts.empty());
  HwEditControl low(0, 0, parent_, instance_, 10, 40, 60, 17, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
  HwEditControl ok(0, 0, parent_, instance_, 10, 70, 60, 18, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
  settle();
  EXPECT_EQ(box_->texts, std::vector<std::string>{"Warning: HwEditControl: height too small for caret (18 pxls min)"});
}

TEST_F(Entries, StepButtonsAskTheCallbackAndWithoutOneTheValueStays) {
  HwEditButControl counted(parent_, instance_, 10, 10, 120, 26, 0, 0, 5, 0, byTens, nullptr, &calls_);
  HwEditButControl plain(parent_, instance_, 10, 50, 120, 26, 1, 4, 0, 1.5f, nullptr, nullptr, nullptr);
  settle();
  auto press = [](HwBMButton* b) { click(POINT{rectOf(b->face).left + 5, rectOf(b->face).top + 5}); };
  press(counted.upButton);
  press(counted.downButton);
  press(counted.downButton);
  ASSERT_EQ(calls_.ints.size(), 3u);
  EXPECT_EQ(calls_.ints[0], std::make_pair(1, 5));
  EXPECT_EQ(calls_.ints[1], std::make_pair(-1, 15));
  EXPECT_TRUE(shows(*counted.edit, "-5"));
  SendMessageA(counted.window, WM_COMMAND, static_cast<WPARAM>(counted.ids[1]), 0);
  EXPECT_EQ(calls_.ints.back(), std::make_pair(1, -5));
  EXPECT_EQ(counted.getInt(), 5);
  press(plain.upButton);
  press(plain.downButton);
  EXPECT_TRUE(shows(*plain.edit, "1.50"));
  // Up is the top half beside the entry, down the bottom half.
  RECT up = rectOf(counted.upButton->face);
  EXPECT_EQ(up.left, rectOf(counted.edit->window).right + 2);
  EXPECT_EQ(rectOf(counted.downButton->face).top, up.bottom);
}

TEST_F(Entries, LabelledFieldPlacesLabelAndEntryAsItsMoveSays) {
  auto* field = new HwBaseControl();
  field->createFloat(parent_, instance_, 10, 10, 240, 30, "Mass:", 80, 1.5f, keepFloat, &calls_);
  settle();
  EXPECT_TRUE(shows(*field->editButton->edit, "1.50"));
  HwForm form(parent_, 0);
  form.addDefinition(field, 10, 1, 20, nullptr, 0, 2, 30, nullptr, 0, 3, 30, nullptr, 0, 18, 34, nullptr, 0);
  form.resolveReferences();
  form.setSize(400, 300);
  int b = field->border, innerW = 400 - 60 - 2 * b;
  RECT label = rectOf(field->label->window), frame = rectOf(field->editButton->frame->window);
  EXPECT_EQ(label.left, 30 + b + 1);
  EXPECT_EQ(label.right - label.left, 80);
  EXPECT_EQ(frame.left, 30 + b + 80 + 1);
  EXPECT_EQ(frame.top, 20 + b + 1);
  EXPECT_EQ(frame.right - frame.left, innerW - 80 - 2);
  EXPECT_EQ(rectOf(field->editButton->upButton->face).right, frame.right - 1);
  GVSetFieldFloat(field, 3.25f);
  EXPECT_TRUE(shows(*field->editButton->edit, "3.25"));
  GVFreeDialogRec2(field);
}

const char* upperFirst(int code, char* text, void* user) {
  static_cast<Calls*>(user)->ints.push_back({code, static_cast<int>(std::string(text).size())});
  text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

TEST_F(Entries, TextFieldTakesBlanksAndShowsWhatItsOwnerReturns) {
  HwTextField field;
  field.create(parent_, instance_, 10, 10, 200, 24, &calls_);
  field.callback = upperFirst;
  settle();
  clickEnd(*field.edit);
  type("glue on\r");
  EXPECT_EQ(calls_.ints, (std::vector<std::pair<int, int>>{{0, 7}}));
  EXPECT_TRUE(shows(*field.edit, "Glue on"));
}

}  // namespace
