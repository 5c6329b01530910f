#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/choosers.h"
#include "toolkit/dialog_window.h"
#include "toolkit/form.h"
#include "toolkit_fixture.h"

namespace {

struct Owner {
  std::vector<int> codes;
  std::vector<std::string> texts;
  int answer = -1;  // the drop-down owner's answer; -1 echoes the pick
};

int choose(int item, void* user) {
  auto* o = static_cast<Owner*>(user);
  o->codes.push_back(item);
  return o->answer < 0 ? item : o->answer;
}

void name(int code, char* text, void* user) {
  auto* o = static_cast<Owner*>(user);
  o->codes.push_back(code);
  o->texts.push_back(text);
  std::snprintf(text, kHwSelectorBuffer, "Object%d  {%d}", code + 5, code + 5);
}

class Choosers : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 500, 400);
  }
  HwDropDownCntrl* makeDropDown(int y, Owner* owner) {
    auto* d = new HwDropDownCntrl(instance_, "Geo Dply:", parent_, 10, y, 240, 28, 90, 0.2f, choose, owner);
    d->rebuildList();
    HDC dc = GetDC(d->valueBox);
    d->multiList->initialiseList(0, 4);
    for (const char* t : {"None", "Wire", "Solid", "Hidden Line"}) d->multiList->addItem(0, dc, t, 0);
    ReleaseDC(d->valueBox, dc);
    settle();
    return d;
  }
  // Opens the list and waits until it has rolled open.
  static QwDDSubWindow* open(HwDropDownCntrl& d) {
    click(centre(d.listButton->face));
    elapse(250);
    return d.multiList->mainWindow;
  }
  static void pickRow(QwDDSubWindow* w, int row) {
    RECT r = rectOf(w->popup);
    click(POINT{r.left + 30, r.top + 1 + 4 + row * w->rowHeight + w->rowHeight / 2});
    elapse(250);
  }
  // Inked columns (not the light grey) inside the value box's border.
  static std::pair<int, int> boxInk(HWND box) {
    RECT r = rectOf(box);
    return ink(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, RGB(200, 200, 200));
  }
  HWND parent_ = nullptr;
};

TEST_F(Choosers, DropDownRollsOpenUnderItsBoxAndShowsThePickCentred) {
  Owner owner;
  HwDropDownCntrl* d = makeDropDown(10, &owner);
  RECT box = rectOf(d->valueBox);
  EXPECT_EQ(box.left, 10 + 90 + 3);
  EXPECT_EQ(box.right - box.left, 240 - 90 - 3 - 24);
  EXPECT_EQ(rectOf(d->listButton->face).left, 10 + 240 - 28 + 5);
  EXPECT_EQ(countScreen(RGB(200, 200, 200), RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}),
            (box.right - box.left - 2) * (box.bottom - box.top - 2));  // nothing selected yet

  QwDDSubWindow* list = open(*d);
  ASSERT_TRUE(list);
  RECT lr = rectOf(list->popup);
  EXPECT_EQ(lr.left, box.left);
  EXPECT_EQ(lr.top, box.bottom);
  pickRow(list, 2);
  EXPECT_EQ(owner.codes, std::vector<int>{3});
  EXPECT_EQ(d->selected, 3);
  auto [left, right] = boxInk(d->valueBox);
  ASSERT_LT(left, right);
  EXPECT_LE(std::abs((left + right + 1) / 2 - (box.left + box.right) / 2), 2);

  owner.answer = 0;  // the owner refuses: the previous item stays
  pickRow(open(*d), 0);
  EXPECT_EQ(owner.codes, (std::vector<int>{3, 1}));
  EXPECT_EQ(d->selected, 3);

  d->selectItem(0);
  d->selectItem(5);
  EXPECT_EQ(d->selected, 3);
  EXPECT_EQ(box_->texts, std::vector<std::string>(2, "error: HwDropDownCntrl::selectItem() bad selection!"));
  delete d;
}

TEST_F(Choosers, DropDownDismissedBeforeAnySelectionSelectsTheFirstItem) {
  Owner owner;
  HwDropDownCntrl* d = makeDropDown(60, &owner);
  open(*d);
  click(POINT{450, 350});
  elapse(250);
  EXPECT_TRUE(owner.codes.empty());
  EXPECT_EQ(d->selected, 1);
  // Without a list the control refuses and says why.
  HwDropDownCntrl bare(instance_, "Fps:", parent_, 10, 200, 200, 28, 60, 0.2f, choose, &owner);
  bare.selectItem(1);
  click(centre(bare.listButton->face));
  EXPECT_EQ(box_->texts, (std::vector<std::string>{"error: HwDropDownCntrl::selectItem() not initialised!",
                                                   "HwMenuButton::privCB: got no mMultiList!!!"}));
  delete d;
}

TEST_F(Choosers, SelectorAsksItsOwnerAndShowsWhatItWritesBack) {
  Owner owner;
  auto* tool = new HwSelectorTool(instance_, "Geo:", 200, 60, 2, 10, 10, name, &owner, parent_, "Cube  {1}");
  settle();
  RECT box = rectOf(tool->textBox->window);
  EXPECT_EQ(tool->border, 2);
  EXPECT_EQ(box.right - box.left, 41);
  EXPECT_EQ(rectOf(tool->prevButton->face).left, 10 + 2 + 196 - 92);

  click(centre(tool->prevButton->face));
  click(centre(tool->nextButton->face));
  click(centre(tool->button3->face));
  EXPECT_EQ(owner.codes, (std::vector<int>{-1, 1, 3}));
  EXPECT_EQ(owner.texts, (std::vector<std::string>{"Cube  {1}", "Object4  {4}", "Object6  {6}"}));
  EXPECT_STREQ(tool->textBox->text, "Object8  {8}");

  tool->setValue("Ball");
  click(POINT{box.right - 2, (box.top + box.bottom) / 2});
  GVTestKeyPress('X');
  GVTestKeyPress(VK_RETURN);
  settle();
  EXPECT_EQ(owner.codes.back(), 0);
  EXPECT_EQ(owner.texts.back(), "Ballx");
  EXPECT_STREQ(tool->textBox->text, "Object5  {5}");
  EXPECT_EQ(owner.codes.size(), 4u);  // setValue told nobody

  HwForm form(parent_, 0);
  form.addDefinition(tool, 14, 1, 50, nullptr, 0, 2, 5, nullptr, 0, 17, 300, nullptr, 0, 18, 28, nullptr, 0);
  form.resolveReferences();
  form.setSize(500, 400);
  EXPECT_EQ(rectOf(tool->textBox->window).right - rectOf(tool->textBox->window).left, 141);
  EXPECT_EQ(rectOf(tool->button3->face).right, 5 + 2 + 296 - 3);
  delete tool;
}

TEST_F(Choosers, OwnerTextsAreCutToTheBoxAndClosingTheDialogEndsNothing) {
  auto* dialog = new HwDialogTemp(instance_, "Geo", 40, 30, 320, 200, 3, 0, nullptr, nullptr, nullptr);
  dialog->show();
  Owner owner;
  auto longName = [](int, char* text, void*) { std::snprintf(text, kHwSelectorBuffer, "%s", std::string(255, 'n').c_str()); };
  HwSelectorTool tool(instance_, "Geo:", 260, 60, 5, 5, 5, longName, &owner, dialog->content->inner, "Cube");
  HwSelectorTool unbuilt(instance_, std::string(200, 'L').c_str(), 260, 60, 5, 5, 40, name, &owner,
                         dialog->content->inner, "");
  EXPECT_FALSE(unbuilt.window);
  settle();
  click(centre(tool.nextButton->face));
  EXPECT_EQ(std::string(tool.textBox->text), std::string(127, 'n'));

  SendMessageA(tool.window, WM_CLOSE, 0, 0);
  delete dialog;
  settle();
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
