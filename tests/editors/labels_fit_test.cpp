// Every window and dialog of the program opened on a sample scene, and every
// caption in it checked: a label's text, measured in its own font, fits its
// label beside the margin it keeps, a text button's caption fits its face, a
// title fits its title bar, a whole-number field shows the widest number its
// range allows; and each of them lies inside the windows that hold it.
#include <climits>
#include <cstring>
#include <string>

#include "appwins/app_main_win.h"
#include "appwins/editor_opener.h"
#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "appwins/help_window.h"
#include "every_window.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/title_bar.h"

namespace {

class LabelsFit : public EveryWindowTest {
 public:
  // The width a text takes in a font on a window's DC (its own font when null).
  static int measure(HWND hwnd, HFONT font, const char* text) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return extent.cx;
  }
  static int clientWidth(HWND hwnd) {
    RECT r = {};
    GetClientRect(hwnd, &r);
    return r.right - r.left;
  }
  // The window lies inside the client area of every window that holds it, up
  // to its top-level window.
  static void inside(const std::string& what, HWND hwnd) {
    const RECT r = rectOf(hwnd);
    for (HWND child = hwnd; GetWindowLongA(child, GWL_STYLE) & WS_CHILD;) {
      HWND parent = GetParent(child);
      if (!parent) break;
      RECT c = {};
      GetClientRect(parent, &c);
      POINT corner = {0, 0};
      ClientToScreen(parent, &corner);
      c.left += corner.x, c.right += corner.x, c.top += corner.y, c.bottom += corner.y;
      if (r.left < c.left || r.top < c.top || r.right > c.right || r.bottom > c.bottom) {
        ADD_FAILURE() << what << " at " << r << " outside its holder at " << c;
        return;
      }
      child = parent;
    }
  }
  // Every caption shown under the window, its children's children too; how
  // many there were.
  static int checkCaptions(const std::string& where, HWND parent) {
    int count = 0;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      if (!IsWindowVisible(w)) continue;
      char name[32] = {};
      GetClassNameA(w, name, sizeof name);
      const std::string cls = name;
      void* object = reinterpret_cast<void*>(GetWindowLongA(w, GWL_USERDATA));
      if (cls == "LabelClass" && object && static_cast<HwLabel*>(object)->window == w) {
        const HwLabel* l = static_cast<HwLabel*>(object);
        if (l->text[0]) {
          const std::string what = where + " label \"" + l->text + "\"";
          const int margin = l->alignment == -1 || l->alignment == 1 ? l->margin : 0;
          EXPECT_LE(measure(w, l->font, l->text) + margin, clientWidth(w)) << what;
          inside(what, w);
          ++count;
        }
      } else if (cls == "BMButtonClass" && object && static_cast<HwBMButton*>(object)->face == w) {
        const HwBMButton* b = static_cast<HwBMButton*>(object);
        if (b->label[0] && !(b->imageId && b->maskId)) {
          const std::string what = where + " button \"" + b->label + "\"";
          const int text = measure(w, b->font, b->label), room = clientWidth(w);
          const int left = b->labelX + (room - text) / 2;
          EXPECT_TRUE(left >= 0 && left + text <= room) << what << ": " << text << " wide from " << left << " in "
                                                        << room;
          inside(what, w);
          ++count;
        }
      } else if (cls == "EditControlClass" && object && static_cast<HwEditControl*>(object)->window == w) {
        // Both ends of the range, with the caret after the last digit.
        const HwEditControl* e = static_cast<HwEditControl*>(object);
        if (e->kind == 0 && e->intMinimum > INT_MIN && e->intMaximum < INT_MAX) {
          for (int end : {e->intMinimum, e->intMaximum}) {
            const std::string text = std::to_string(end);
            EXPECT_LE(e->caret.leftMargin + measure(w, nullptr, text.c_str()) + 1, clientWidth(w))
                << where << " field showing " << text;
          }
          inside(where + " field", w);
          ++count;
        }
      } else if (cls == "TitleBarClass" && object && static_cast<HwTitleBar*>(object)->window == w) {
        const HwTitleBar* t = static_cast<HwTitleBar*>(object);
        if (t->text[0]) {
          const std::string what = where + " title \"" + t->text + "\"";
          EXPECT_LE(measure(w, nullptr, t->text), t->textAreaWidth) << what;
          inside(what, w);
          ++count;
        }
      }
      count += checkCaptions(where, w);
    }
    return count;
  }
  void check(const std::string& what, HWND root) {
    ASSERT_NE(root, nullptr) << what;
    ASSERT_TRUE(IsWindowVisible(root)) << what;
    settle();
    EXPECT_GT(checkCaptions(what, root), 0) << what;
  }
};

TEST_F(LabelsFit, EveryCaptionOfEveryWindowFitsItsBox) {
  // The main window with its menu, camera, transform, animation and key-frame
  // panels, the selector bar, the choosers and the frame ruler.
  check("main window", win_->frame);
  GVShowNotesWindow();
  check("notes", GVNotesWindow() ? GVNotesWindow()->popup : nullptr);
  GVHideNotesWindow();

  // Every editor, panel and creation dialog, then the Geo part editor, which
  // its Geo's editor opens, and the export dialog of the File menu.
  visitEveryWindow([this](const std::string& what, HWND root) { check(what, root); });
  GVOpenEditor(kEditorGeoPart, win_);
  ASSERT_NE(win_->editors[kEditorGeoPart], nullptr);
  check("Geo part editor", win_->editors[kEditorGeoPart]->popup);
  hide(win_->editors[kEditorGeoPart]);
  GVShowExportDialog(win_, GVAppSelection().geoId);
  ASSERT_NE(win_->editors[kEditorExport], nullptr);
  check("export dialog", win_->editors[kEditorExport]->popup);
  hide(win_->editors[kEditorExport]);

  // The files list, the save dialog, a help page and the message box.
  win_->showFilesList(0x200);
  ASSERT_NE(win_->fileList, nullptr);
  check("files list", win_->fileList->popup);
  win_->fileList->hide();
  win_->showSaveDialog(0x210, win_->sceneName.c_str());
  ASSERT_NE(win_->saveDialog, nullptr);
  check("save dialog", win_->saveDialog->popup);
  hide(win_->saveDialog);
  GVShowHelpPage("dlg_vhcl", 0);
  check("help", GVHelpWindow() ? GVHelpWindow()->popup : nullptr);
  GVHelpWindow()->hide();
  GVMessage("Gv Warning: Vehicle not created. System must be in Natural State Mode");
  check("message box", FindWindowA("DialogWindowClass", "Gv Message"));
}

}  // namespace
