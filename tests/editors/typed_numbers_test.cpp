// Numbers a field cannot hold, typed into every float and whole-number entry of
// every editor, panel and creation dialog of an opened sample scene: each is
// refused, the scene stays as it was and keeps playing finite frames; the
// largest walls and transform the editors accept play and draw; the step
// arrows stop at their field's ends; a count left without Enter is built.
#include <cctype>
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "appwins/anim_dialog.h"
#include "editors/key_frame_editor.h"
#include "editors/walls_dialog.h"
#include "every_window.h"
#include "geo/geo_list_services.h"
#include "jel/live_state.h"
#include "platform/input.h"
#include "platform/pixel_surface.h"
#include "scene/frame_driver.h"
#include "scene/scene_limits.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/time_bar.h"

namespace {

const char* const kUnholdable[] = {"10000000000000000000000000000000000000000", "1e39", "-1e39", "nan", "inf"};
const char* const kNoWholeNumber[] = {"99999999999", "2147483648", "-2147483649", "12abc", "1e3"};

class TypedNumbers : public EveryWindowTest {
 public:
  // The scene as its file holds it.
  std::string sceneBytes() {
    GVSaveSceneAs("Snapshot.gvs");
    std::ifstream in(samples_.root / "GVSceneFiles/Scenes/Snapshot.gvs", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The visible entries of a kind (0 whole number, 1 float) under a window, in
  // window order.
  static void entries(HWND parent, int kind, std::vector<HwEditControl*>* found) {
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      char name[32] = {};
      GetClassNameA(w, name, sizeof name);
      auto* e = reinterpret_cast<HwEditControl*>(GetWindowLongA(w, GWL_USERDATA));
      if (std::string(name) == "EditControlClass" && e && e->window == w && e->kind == kind && IsWindowVisible(w))
        found->push_back(e);
      entries(w, kind, found);
    }
  }
  // The step-button control an entry sits in, if any.
  static HwEditButControl* stepper(const HwEditControl* e) {
    HWND parent = GetParent(e->window);
    char name[32] = {};
    GetClassNameA(parent, name, sizeof name);
    auto* b = reinterpret_cast<HwEditButControl*>(GetWindowLongA(parent, GWL_USERDATA));
    return std::string(name) == "EditButControlClass" && b && b->edit == e ? b : nullptr;
  }
  // A double click selects the entry's text; the keys replace it and Enter
  // commits. A leading '-' is typed last, after the caret went to the start.
  static void type(const HwEditControl* e, const std::string& text) {
    click(e->window, 2);
    const bool negative = !text.empty() && text[0] == '-';
    const std::string body = negative ? text.substr(1) : text;
    for (char ch : body) GVTestKeyPress(ch == '.' ? VK_DECIMAL : UINT(std::toupper(static_cast<unsigned char>(ch))));
    if (negative) {
      for (size_t i = 0; i < body.size(); ++i) GVTestKeyPress(VK_LEFT);
      GVTestKeyPress(VK_SUBTRACT);
    }
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  // The keys typed over the double-clicked text, then Enter.
  static void typeOver(const HwEditControl* e, const std::string& keys) {
    click(e->window, 2);
    for (char ch : keys) GVTestKeyPress(ch == '-' ? VK_SUBTRACT : ch == '.' ? VK_DECIMAL : UINT(ch));
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  // Every unholdable number into every float entry of the window: each beeps
  // and the entry and the scene keep what they held. Returns the entries seen.
  int refuseAll(const std::string& what, HWND root) {
    settle();
    std::vector<HwEditControl*> found;
    entries(root, 1, &found);
    const std::string before = sceneBytes();
    for (size_t i = 0; i < found.size(); ++i) {
      const std::string shown = found[i]->text;
      for (const char* text : kUnholdable) {
        const unsigned beeps = GVTestBeepCount();
        type(found[i], text);
        EXPECT_EQ(GVTestBeepCount(), beeps + 1) << what << " entry " << i << " " << text;
        EXPECT_EQ(found[i]->text, shown) << what << " entry " << i << " " << text;
      }
    }
    EXPECT_TRUE(sceneBytes() == before) << what;
    return static_cast<int>(found.size());
  }
  // Every whole-number entry under the window: it has a bound of its own, text
  // that is no whole number an int holds beeps and leaves the value held
  // shown, and its step arrows stop at the ends of its range. Returns the
  // entries seen.
  int wholeNumbers(const std::string& what, HWND root) {
    std::vector<HwEditControl*> found;
    entries(root, 0, &found);
    const std::string before = sceneBytes();
    for (size_t i = 0; i < found.size(); ++i) {
      HwEditControl* e = found[i];
      const std::string at = what + " entry " + std::to_string(i);
      EXPECT_TRUE(e->intMinimum > INT_MIN && e->intMaximum < INT_MAX) << at;
      const std::string shown = e->text;
      for (const char* text : kNoWholeNumber) {
        const unsigned beeps = GVTestBeepCount();
        type(e, text);
        EXPECT_EQ(GVTestBeepCount(), beeps + 1) << at << " " << text;
        EXPECT_EQ(e->text, shown) << at << " " << text;
      }
      if (HwEditButControl* b = stepper(e)) {
        for (int end : {e->intMaximum, e->intMinimum}) {
          type(e, std::to_string(end));
          const std::string last = e->text;
          EXPECT_TRUE(e->getInt() >= e->intMinimum && e->getInt() <= e->intMaximum) << at << " " << last;
          for (int k = 0; k < 3; ++k) click((end == e->intMaximum ? b->upButton : b->downButton)->face);
          EXPECT_EQ(e->text, last) << at << " arrow past " << end;
        }
        type(e, shown);
      }
    }
    EXPECT_TRUE(sceneBytes() == before) << what;
    return static_cast<int>(found.size());
  }
  // Frames from the current one: no frame is taken back for a non-finite
  // value, and every Jel node and Geo vertex is a number.
  void playFinite(int frames = 50) {
    const int32_t restores = world()->nonFiniteRestores;
    const int32_t first = GVCurrentFrame(GVScene().world);
    for (int32_t f = first + 1; f <= first + frames; ++f) GVStepFrame(f, 1);
    EXPECT_EQ(world()->nonFiniteRestores, restores);
    for (HObject* j = world()->head; j; j = GVNextJel(j)) EXPECT_TRUE(j->state && j->state->isFinite()) << j->id;
    for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next)
      for (int32_t v = 1; v <= g->vertexCount; ++v)
        for (float c : g->vertices[v]) ASSERT_TRUE(std::isfinite(c)) << "Geo " << g->id;
    win_->redrawView();
    settle();
  }
};

TEST_F(TypedNumbers, UnholdableFloatsAreRefusedEverywhereAndTheLargestAcceptedPlay) {
  int seen = 0;
  visitEveryWindow([&](const std::string& what, HWND root) { seen += refuseAll(what, root); });
  EXPECT_GE(seen, 90);
  playFinite();

  // The largest walls: every side at the limit, typed past it.
  open(kEditorWalls);
  auto* walls = static_cast<HwWalls*>(win_->editors[kEditorWalls]);
  ASSERT_NE(walls, nullptr);
  // Slots: Upper Y, Upper X, Lower X, Upper Z, Lower Z, Lower Y.
  const bool upper[6] = {true, true, false, true, false, false};
  for (int i = 0; i < 6; ++i) type(walls->fields[i].editButton->edit, upper[i] ? "1e9" : "-1e9");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(GVScene().bounds[i], i % 2 ? kGVSceneValueLimit : -kGVSceneValueLimit);
  hide(walls);

  // The largest transform of a Geo free to move: each component at the limit.
  GObject* free = GVGeoListOf(GVScene().geoList)->head;
  while (free && free->jelId != 0) free = free->next;
  ASSERT_NE(free, nullptr);
  open(kEditorKeyFrame);
  auto* keys = static_cast<HwKeyFrame*>(win_->editors[kEditorKeyFrame]);
  ASSERT_NE(keys, nullptr);
  for (int i = 0; i < 10 && keys->current() != free->id; ++i) click(keys->selector->nextButton->face);
  ASSERT_EQ(keys->current(), free->id);
  for (HwBaseControl* f : keys->fields) type(f->editButton->edit, "1e9");
  for (HwBaseControl* f : keys->fields) EXPECT_EQ(f->editButton->getFloat(), kGVSceneValueLimit);
  playFinite();
  // The view is not blanked: the Jels still show on its background.
  const RECT v = rectOf(win_->view->window);
  const COLORREF background = screen(v.left + 2, v.top + 2);
  int ink = 0;
  for (int y = v.top; y < v.bottom; y += 4)
    for (int x = v.left; x < v.right; x += 4) ink += screen(x, y) != background;
  EXPECT_GT(ink, 100);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (samples_.back / "typed_floats_largest.png").c_str()));
}

}  // namespace

// Keys typed over a double-clicked number do what the entry shows: "-3" is -3
// wherever the field holds it (as the minus typed before the 3 is), Enter
// alone keeps every entry's value, and a control character leaves the text as
// it was.
TEST_F(TypedNumbers, TypingOverASelectionDoesWhatTheEntryShows) {
  int negatives = 0, fields = 0;
  auto overSelections = [&](const std::string& what, HWND root) {
    settle();
    std::vector<HwEditControl*> found;
    for (int kind : {0, 1, 2}) entries(root, kind, &found);
    for (size_t i = 0; i < found.size(); ++i) {
      HwEditControl* e = found[i];
      const std::string at = what + " entry " + std::to_string(i) + " kind " + std::to_string(e->kind);
      const std::string shown = e->text;
      typeOver(e, "");
      EXPECT_EQ(e->text, shown) << at << ": Enter over the selection";
      if (e->kind == 2) continue;
      click(e->window);
      GVInputKey(VK_CONTROL, true);
      GVTestKeyPress('A');
      GVInputKey(VK_CONTROL, false);
      settle();
      EXPECT_EQ(e->text, shown) << at << ": Ctrl+A";
    }
    for (size_t i = 0; i < found.size(); ++i) {
      HwEditControl* e = found[i];
      if (e->kind == 2 || (e->kind == 0 && (e->intMinimum > -3 || e->intMaximum < -3))) continue;
      const std::string at = what + " entry " + std::to_string(i) + " kind " + std::to_string(e->kind);
      const std::string shown = e->text;
      auto value = [e] { return e->kind == 0 ? float(e->getInt()) : e->getFloat(); };
      typeOver(e, "3");
      const float positive = value();
      type(e, "-3");
      const std::string minusFirst = e->text;
      typeOver(e, "-3");
      // What the minus typed first gives (the owner may hold the field to a
      // range of its own); where the field's other values move with it (a
      // light's direction), at least less than 3 gives.
      EXPECT_TRUE(e->text == minusFirst || value() < positive) << at << " shows " << e->text;
      negatives += value() == -3.0f;
      ++fields;
      type(e, shown);
    }
  };
  overSelections("main window", win_->client);
  visitEveryWindow(overSelections);
  EXPECT_GT(fields, 90);
  EXPECT_GT(negatives, 0);
  playFinite(20);
}

TEST_F(TypedNumbers, WholeNumbersStayInTheirRangesEverywhereAndTheArrowsStopAtTheEnds) {
  // The time bar and the animation panel, then every other window.
  int seen = wholeNumbers("main window", win_->client);
  visitEveryWindow([&](const std::string& what, HWND root) { seen += wholeNumbers(what, root); });
  // Frames, F-Ratio, loop length, body sizes, sky counts and the dialogs' counts.
  EXPECT_GE(seen, 20);
  playFinite(20);

  // The frame-count box past the int's top: the bound, and the arrow stays there.
  HwEditButControl* box = win_->timeBar->lastFrameBox;
  type(box->edit, "2147483647");
  for (int k = 0; k < 5; ++k) click(box->upButton->face);
  EXPECT_EQ(box->edit->text, std::to_string(kGVFrameLimit));
  EXPECT_EQ(win_->timeBar->lastFrame, kGVFrameLimit);
  // Six digits typed show whole: the last digit's columns hold ink.
  for (HwEditButControl* field : {box, win_->animationPanel->loopLength}) {
    type(field->edit, "100000");
    EXPECT_STREQ(field->edit->text, "100000");
    HDC dc = GetDC(field->edit->window);
    SIZE five = {}, six = {};
    GetTextExtentPoint32A(dc, "10000", 5, &five);
    GetTextExtentPoint32A(dc, "100000", 6, &six);
    ReleaseDC(field->edit->window, dc);
    RECT c = {};
    GetClientRect(field->edit->window, &c);
    POINT o = {0, 0};
    ClientToScreen(field->edit->window, &o);
    const int left = o.x + field->edit->caret.leftMargin;
    const RECT lastDigit = {left + five.cx, o.y + 2, std::min<LONG>(left + six.cx, o.x + c.right), o.y + c.bottom - 2};
    // Ink reaches the last digit's right side, inside the entry.
    const auto [first, last] = ink(lastDigit, RGB(200, 200, 200));
    EXPECT_LE(first, last) << "no sixth digit in " << field->edit->text;
    EXPECT_GE(last, left + six.cx - 3) << "the sixth digit cut off in " << field->edit->text;
  }

  // A count typed and left with Tab is what Create builds: a 3 x 6 x 6 box has
  // 2 (18 + 36 + 18) vertices.
  win_->showCreateDialog(kCreateDialogBlockGeo, 0, GVAppSelection().geoId, GVAppSelection().jelId);
  auto* block = win_->createGeoBlock;
  ASSERT_NE(block, nullptr);
  type(block->nameEdit, "Tabbed");
  HwEditControl* nx = block->countField[0]->editButton->edit;
  click(nx->window, 2);
  GVTestKeyPress('3');
  GVTestKeyPress(VK_TAB);
  settle();
  click(block->createButton->face);
  EXPECT_STREQ(nx->text, "3");
  GObject* made = GVGetGeoById(GVGeoListOf(GVScene().geoList), block->currentGeoId);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->vertexCount, 144);
}
