#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit_fixture.h"

namespace {

class Form : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    holder_ = popup("BaseControlClass", 100, 100, 500, 400);
  }
  HWND child() {
    return CreateWindowExA(0, "BaseControlClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, holder_, nullptr,
                           instance_, nullptr);
  }
  HWND holder_ = nullptr;
};

void expectAt(HWND w, int inset, int x, int y, int width, int height, const char* what) {
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 100 + inset + x) << what;
  EXPECT_EQ(r.top, 100 + inset + y) << what;
  EXPECT_EQ(r.right - r.left, width) << what;
  EXPECT_EQ(r.bottom - r.top, height) << what;
}

TEST_F(Form, SevenControlsFollowTheirAttachmentsAtTwoSizes) {
  const int inset = 3;
  HwForm form(holder_, inset);
  GVChildWindowRec a{child(), 0, 0, 40, 20}, b{child(), 0, 0, 0, 0}, c{child(), 0, 0, 0, 0},
      d{child(), 0, 0, 0, 0}, e{child(), 0, 0, 0, 0}, g{child(), 0, 0, 0, 0};
  GVSeparatorRec f{child(), 0, 0};
  // Edges and natural size; B refers forward to C, D backward to B and forward to E.
  form.addDefinition(&a, 1, 1, 5, nullptr, 0, 2, 5, nullptr, 0, 19, 0, nullptr, 0, 20, 0, nullptr, 0);
  form.addDefinition(&b, 1, 13, 0, &c, 1, 10, 4, &a, 1, 11, 4, &c, 1, 18, 20, nullptr, 0);
  form.addDefinition(&c, 1, 9, 6, &a, 1, 6, 60, nullptr, 0, 3, 5, nullptr, 0, 18, 20, nullptr, 0);
  form.addDefinition(&d, 1, 9, 5, &b, 1, 14, 0, &b, 1, 15, 0, &b, 1, 12, 8, &e, 1);
  form.addDefinition(&e, 1, 5, 30, nullptr, 0, 2, 5, nullptr, 0, 3, 5, nullptr, 0, 18, 20, nullptr, 0);
  form.addDefinition(&f, 23, 9, 2, &d, 1, 2, 0, nullptr, 0, 3, 0, nullptr, 0, 18, 10, nullptr, 0);
  form.addDefinition(&g, 1, 1, 5, nullptr, 0, 17, 30, nullptr, 0, 7, 280, nullptr, 0, 16, 0, &c, 1);
  form.resolveReferences();
  for (auto [W, H] : {std::pair{300, 200}, std::pair{400, 260}}) {
    form.setSize(W, H);
    expectAt(a.window, inset, 5, 5, 40, 20, "a");
    expectAt(b.window, inset, 49, 31, W - 113, 20, "b");
    expectAt(c.window, inset, W - 60, 31, 55, 20, "c");
    expectAt(d.window, inset, 49, 56, W - 113, H - 94, "d");
    expectAt(e.window, inset, 5, H - 30, W - 10, 20, "e");
    expectAt(f.window, inset, 0, H - 36, W, 2, "separator");
    expectAt(g.window, inset, 250, 5, 30, 46, "g");
    EXPECT_EQ(d.width, W - 113);
  }
  form.changeDefinition(&g, 1, 9, 4, &e, 1, 2, 70, 18, 12, nullptr, 0);
  form.resolveReferences();
  form.setSize(400, 260);
  expectAt(g.window, inset, 70, 260 - 30 + 20 + 4, 400 - 80, 12, "g re-attached");
  EXPECT_TRUE(box_->texts.empty());
}

TEST_F(Form, UnfinishedFormReportsTheLimitOnceAndMovesNothing) {
  HwForm form(holder_, 0);
  GVChildWindowRec a{child(), 0, 0, 40, 20}, b{child(), 0, 0, 40, 20};
  MoveWindow(a.window, 7, 8, 10, 10, TRUE);
  form.addDefinition(&a, 1, 1, 5, nullptr, 0, 2, 5, nullptr, 0, 19, 0, nullptr, 0, 20, 0, nullptr, 0);
  form.addDefinition(&b, 1, 1, 5, nullptr, 0, 0, 0, nullptr, 0, 0, 0, nullptr, 0, 18, 10, nullptr, 0);
  form.resolveReferences();
  form.setSize(300, 200);
  ASSERT_EQ(box_->texts.size(), 1u);
  EXPECT_EQ(box_->texts[0], "HwForm::doArrange: reached max iterations =  1000");
  expectAt(a.window, 0, 7, 8, 10, 10, "a unmoved");
  // Skipping the stuck definition lets the rest arrange.
  form.definitions[2].skip = 1;
  form.setSize(300, 200);
  EXPECT_EQ(box_->texts.size(), 1u);
  expectAt(a.window, 0, 5, 5, 40, 20, "a placed");
}

TEST_F(Form, DefinitionsGrowByElevenAndReferencesTakeTheLastDefinition) {
  HwForm empty(holder_, 0);
  empty.setSize(10, 10);
  EXPECT_TRUE(box_->texts.empty());
  HwForm form(holder_, 0);
  GVChildWindowRec recs[12] = {};
  for (int i = 0; i < 10; i++)
    form.addDefinition(&recs[i], 1, 1, 0, nullptr, 0, 2, 0, nullptr, 0, 17, 1, nullptr, 0, 18, 1, nullptr, 0);
  EXPECT_EQ(form.capacity, 11);
  form.addDefinition(&recs[0], 1, 1, 0, nullptr, 0, 14, 3, &recs[10], 1, 17, 1, nullptr, 0, 18, 1, nullptr, 0);
  EXPECT_EQ(form.capacity, 22);
  form.addDefinition(&recs[10], 1, 1, 0, nullptr, 0, 2, 0, nullptr, 0, 17, 1, nullptr, 0, 18, 1, nullptr, 0);
  form.resolveReferences();
  EXPECT_EQ(form.capacity, 13);
  EXPECT_EQ(form.definitions[11].left.refIndex, 12);
  form.setSize(50, 50);
  EXPECT_EQ(recs[0].x, 3);  // the later definition of the same record was moved last
  EXPECT_TRUE(box_->texts.empty());
}

}  // namespace
