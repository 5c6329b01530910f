#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "appwins/anim_dialog.h"
#include "appwins/app_main_win.h"
#include "appwins/editor_bar.h"
#include "appwins/help_window.h"
#include "appwins/menu_bar.h"
#include "appwins/message_dlg.h"
#include "appwins/tool_dialogs.h"
#include "main_window_fixture.h"
#include "platform/input.h"
#include "scene/work_folders.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/label.h"
#include "toolkit/multi_list.h"

namespace fs = std::filesystem;

namespace {

// A temporary application root whose help folder holds the shipped pages.
class HelpWindow : public MainWindowTest {
 public:
  void SetUp() override {
    MainWindowTest::SetUp();
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_help_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVHelpFiles");
    for (auto& e : fs::directory_iterator(fs::path(GV_SOURCE_DIR) / "GVHelpFiles"))
      if (e.path().extension() == ".hhf") fs::copy_file(e.path(), root_ / "GVHelpFiles" / e.path().filename());
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
  }
  void TearDown() override {
    GVFreeHelpWindow();
    fs::current_path(old_);
    fs::remove_all(root_);
    MainWindowTest::TearDown();
  }
  void write(const char* topic, uint32_t count, const std::string& body) {
    std::ofstream f(root_ / "GVHelpFiles" / (std::string(topic) + ".hhf"), std::ios::binary);
    const char head[4] = {char(count), char(count >> 8), char(count >> 16), char(count >> 24)};
    f.write(head, 4);
    f << body;
  }
  fs::path old_, root_;
};

TEST_F(HelpWindow, EveryTopicOpensCentredFromItsFile) {
  const char* topics[] = {"dlg_anim", "dlg_move", "dlg_cam", "dlg_lcd", "dlg_vhcl", "dlg_kfbc",
                          "dlg_istate", "dlg_mat", "dlg_struct", "dlg_part", "dlg_hgrp", "dlg_ggrp",
                          "dlg_edglue", "dlg_edgeo", "dlg_edgog", "dlg_scene", "dlg_kf", "dlg_grend",
                          "dlg_lights", "dlg_walls", "hlp_whatgv", "hlp_cntlsoverview", "hlp_helpoverview"};
  for (const char* topic : topics) {
    GVShowHelpPage(topic, 0);
    settle();
    HWND w = FindWindowA("DialogWindowClass", "Gelvane Help");
    ASSERT_TRUE(w) << topic;
    EXPECT_TRUE(IsWindowVisible(w)) << topic;
    EXPECT_EQ(rectOf(w).left, 660);
    EXPECT_EQ(rectOf(w).top, 290);
    const std::string text = GVHelpWindow()->text();
    EXPECT_GT(text.size(), 40u) << topic;
    EXPECT_EQ(text.find('\r'), std::string::npos) << topic;
  }
  GVShowHelpPage("dlg_walls", 0);
  settle();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "help_page.png").c_str()));
}

// The wheel over the page scrolls it while the focus is elsewhere: away from
// the user toward the top, toward the user toward the end.
TEST_F(HelpWindow, WheelUnderThePointerScrollsThePage) {
  std::string body;
  for (int i = 1; i <= 120; ++i) body += "line " + std::to_string(i) + "\n";
  write("long", uint32_t(body.size()), body);
  GVShowHelpPage("long", 0);
  settle();
  HwScrollWinTxt* help = GVHelpWindow();
  ASSERT_TRUE(help && help->textWin);
  SetFocus(win_->client);
  ASSERT_NE(GetFocus(), help->textWin->window);
  const POINT over = centre(help->textWin->window);
  GVTestMouseMove(over.x, over.y);
  const int top = help->textWin->firstLine;
  const int steps[] = {-WHEEL_DELTA, -WHEEL_DELTA, WHEEL_DELTA};
  const int expected[] = {top + 1, top + 2, top + 1};
  for (int k = 0; k < 3; ++k) {
    GVInputMouseWheel(steps[k]);
    settle();
    EXPECT_EQ(help->textWin->firstLine, expected[k]) << k;
  }
}

TEST_F(HelpWindow, CountsAndLineEndsAndMissingFiles) {
  write("crlf", 5, "a\r\r\nb\r\n");  // bytes past the count are ignored
  GVShowHelpPage("crlf", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "a\r\nb");
  write("crlf", 4, "a\r\nb");
  GVShowHelpPage("crlf", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "a\nb");
  write("zero", 0, "ignored");
  GVShowHelpPage("zero", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "a\nb");
  write("huge", 0x7fffffff, "0123456789abcdef");  // 20 bytes in all
  GVShowHelpPage("huge", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "0123456789abcdef");
  GVShowHelpPage("nosuch", 0);
  settle();
  EXPECT_FALSE(IsWindowVisible(GVHelpWindow()->popup));
  HWND box = FindWindowA("DialogWindowClass", "Gv Message");
  ASSERT_TRUE(box);
  auto* dlg = reinterpret_cast<HwMessageDlg*>(GetWindowLongA(box, GWL_USERDATA));
  EXPECT_EQ(dlg->text, "Gv error: cannot open helpfile " + std::string(GVHelpFilesDir()) + "/nosuch.hhf");
}

// The texts a page quotes (between double quotes).
std::vector<std::string> quotedTexts(const std::string& text) {
  std::vector<std::string> out;
  for (size_t at = text.find('"'); at != std::string::npos; at = text.find('"', at + 1)) {
    const size_t end = text.find('"', at + 1);
    out.push_back(end == std::string::npos ? "<unclosed quote>" : text.substr(at + 1, end - at - 1));
    if (end == std::string::npos) break;
    at = end;
  }
  return out;
}

void addItems(std::set<std::string>& labels, const QwMultiList* list) {
  for (int l = 0; list && l < list->listCount; ++l)
    for (int i = 0; i < list->table[l].count; ++i) labels.insert(list->table[l].items[i].text);
}

// Every label the overview pages quote is one the main window shows: menus,
// choosers and their items, the panels' buttons (also as they read once
// pressed) and the selector bar's tooltips.
TEST_F(HelpWindow, OverviewPagesQuoteOnlyLabelsTheMainWindowShows) {
  std::set<std::string> labels;
  GVMenuBar* menu = win_->menuBar;
  for (HwMenuButton* m : {menu->file, menu->create, menu->help}) {
    labels.insert(m->label);
    addItems(labels, m->multiList);
  }
  labels.insert(menu->notes->label);
  menu->notesShown = 1;
  GVSetNotesButtonTitle(menu);
  labels.insert(menu->notes->label);
  for (HwDropDownCntrl* c : {win_->geoDisplay, win_->jelDisplay, win_->fpsChooser}) {
    labels.insert(c->label->text);
    addItems(labels, c->multiList);
  }
  for (HwBMButton* b : win_->cameraPanel->buttons) labels.insert(b->label);
  for (HwBMButton* b : win_->selectorBar->buttons) labels.insert(b->label), labels.insert(b->toolTip);
  GVAnimDialog* anim = win_->animationPanel;
  labels.insert(anim->modeButton->label);
  labels.insert(anim->stateButton->label);
  GVSetAnimInitButton(anim, -1);
  labels.insert(anim->stateButton->label);

  size_t count = 0;
  for (const char* topic : {"hlp_whatgv", "hlp_cntlsoverview", "hlp_helpoverview"}) {
    GVShowHelpPage(topic, 0);
    const std::vector<std::string> texts = quotedTexts(GVHelpWindow()->text());
    for (const std::string& q : texts) EXPECT_TRUE(labels.count(q)) << topic << ": \"" << q << "\"";
    count += texts.size();
  }
  EXPECT_GE(count, 20u);  // the pages name the controls by their labels
  for (const char* kept : {"File", "Create", "Help", "INIT", "NAT", "REC", "Pa", "Zo", "Fix POI", "Set POI", "Atc"})
    EXPECT_TRUE(labels.count(kept)) << kept;
}

// What each dialog's window shows, as its tables give it: labels, items,
// tool-tips, its title and its selector-bar button. Trailing colons and blanks
// are dropped on both sides, so a page may write "Def Mode" or "Def Mode:".
const std::map<std::string, std::string> kWindowLabels = {
    {"dlg_anim", "INIT|NAT|REC|clear R3-Recording|toggle Loop Mode"},
    {"dlg_move", "Transform Tool: translate|Transform Tool: rotate|Transform Tool: scale"},
    {"dlg_cam", "Clear Display Modes|Pa|Ti|Ra|Tr|Do|Zo|Fix POI|Set POI|Z-Align Camera|Cam Mode: Pan|Cam Mode: Tilt|"
                "Cam Mode: Raise|Cam Mode: Track|Cam Mode: Dolly|Cam Mode: Zoom|Fix/Unfix Camera Point of Interest|"
                "Set Camera Point of Interest"},
    {"dlg_kfbc", " KF |Geo KeyFrame: Step to Previous|Geo KeyFrame: Set|Geo KeyFrame: Step to Next"},
    {"dlg_lcd", "Constraint Editor|Print|Copy|Paste|Susp|Del|New|Void|CATEGORIES|vals:|CONTROL|LOGIC|ARITHMETIC|TRIG|"
                "VECTOR|HPROPS|HDYN_1|HDYN_2|CAMERA|DRAWING|EFFECTS|=|::|.|T|F"},
    {"dlg_vhcl", "Vehicle Controls|F|N|R|SpeedUp|MaxV|MaxA|FRX|Cam Mode3|Cam ModeB|Cam ModeF|Toggle Camera Mode|W:|L:|"
                 "Spnsn|None|2 2 2|3 2 2|2 2 3|3 2 3|3 3 3|Create2x2|Create 2x2 Vehicle|ChAttchs|Check Attachments|"
                 "Drive|4WD|FWD|RWD|NONE|Brake|4WB|FWB|RWB|Geo Offset:|Gravity|Tyre Grip Front|Tyre Grip Back|"
                 "Wheel Offset"},
    {"dlg_istate", "Jel Initial State Editor|Initial State Editor|Jel(s):|ALL Jels|NONE|State:|Initial|Natural|"
                   "First Fr|Last Fr|Pos X|Pos Y|Pos Z|Vel X|Vel Y|Vel Z|AVel X|AVel Y|AVel Z|Put On Floor:|"
                   "Clear Vel:|Align To Geo:|Set Initial State:|Set Natural State:"},
    {"dlg_mat", "Jel Material Attributes Editor|Matter Editor|Jel(s):|F-Ratio|Sc_L|Sc_T|Density|Elasticity|Damping|"
                "Bulge|Friction|Fx|Fy|Fz|FlatZ"},
    {"dlg_struct", "Jel Structure Editor|Edit Jel Structure|JEL(S):|Edit Jel Structure Mode:"},
    {"dlg_part", "Jel Parts Editor|Edit Jel Part|Edit Geo Part|Jel(s):|Geo(s):|Part:|+|NONE|Edit Jel Part Mode:|"
                 "Edit Geo Part Mode:"},
    {"dlg_hgrp", "Jel Group Editor|Edit Jel Group|Jel(s):|Jel Group|+|ALL Jels|Add Selected Jel:|Rem Selected Jel:|"
                 "Display Vhcl Aux Group"},
    {"dlg_ggrp", "Geo Group Editor|Edit Geo Group|Geo(s):|Geo Group:|+|ALL Geos|Add Selected Geo:|Rem Selected Geo:|"
                 "Merge Geo Group (eq)|Merge Geo Group (neq)|Un-Merge Selected Geo"},
    {"dlg_edglue", "Jel Glue Editor|Edit Jel Glue|Jel(s):|Part:|Add Glue Bindings:|Rem Glue Bindings:|"
                   "Draw Glue Mode:|OFF|ON"},
    {"dlg_edgeo", "Geo Properties Editor|Edit Geo Props|Geo : |Def Mode:|ON|OFF|Def Style Level 1:|NONE|Static|"
                  "Soft-Tf|Def Style Level 2:|Jel 1 : |Part 1 : |Jel 2 : |Part 2 : |Massoc Geo~Jel1: |"
                  "Clear Massoc Geo: |Bake Geo Shape: |Make Geo Last: |Geo Coll Metric:|Smooth Vtx Norms:|"
                  "Draw Dbl-Sided:"},
    {"dlg_edgog", "Atc|Geo Attachments Editor|Edit Geo Attachment Props|Geo Obj: |Geo_0: |Jel_0:  |"
                  "Geo Attach Mthd:  |Geo_Z: |Jel_Z:  |Jel Prt:  |Apply|None|Jel0|Jel0_to_JelZ|Geo0_to_JelZ|"
                  "Jel0_to_GeoZ|Geo0_to_GeoZ|Geo0|Steering Wheel|Motor_Drive Front|Motor_Drive Back"},
    {"dlg_scene", "Scn|Scene Settings|Edit Global Scene Props|Shadow Type:  |None|Scripted|Txt Size:  |512|1024|"
                  "2048|dFar Dist:  |dExtr Off:  |BkGnd Type:  |Image|Sky Dome|Image:|Load:|Sky NTiles :|"
                  "Sky NSegs :|Sky Dist :|Sky Speed :|RTT Geo(s):|RTT View Status:  |Main Scene|RTT Sub-Scene"},
    {"dlg_kf", "Geo Transform Editor|Edit Geo Transform|Geo : |Translate X :|Translate Y :|Translate Z :|"
               "Rotate X :|Rotate Y :|Rotate Z :|Scale X :|Scale Y :|Scale Z :|Set KeyFrame: |"
               "Set KeyFrame + Evaluate|Rem KeyFrame: |Bake Transform: |Bake Scale: |UnBake Translation: |"
               "Clear Transform: "},
    {"dlg_grend", "Geo Render Editor|Geo(s):|H|Layer:|X|Material Type: |Props|Script|Load:|Mat File:|"
                  "Mat Script:|Shdw Cast: |Shdw Recv: |OFF|ON|Amb R|Amb G|Amb B|Amb A|Diff R|Diff G|Diff B|"
                  "Diff A|Spec R|Spec G|Spec B|Spec A|Shine|Display|Opaque|Transparent|AlphaMask|IGNORE|"
                  "RTT_Opaque|RTT_Trnspnt|RTT_AlphMsk|UVSet:|Texture:"},
    {"dlg_lights", "Lit|Lights|Edit Ogre Lights|BGnd R|BGnd G|BGnd B|Ambnt R|Ambnt G|Ambnt B|Light:|x|+|Type: |"
                   "None|Point|Direct|Spot|Shadow|toggle casts shadows|Cam|Diff R|Diff G|Diff B|Spclr|Pos X|"
                   "Pos Y|Pos Z|Dir X|Dir Y|Dir Z|SptIn|SptOut|Clip Near|Clip Far"},
    {"dlg_walls", "Walls Editor|Upper Y :|Upper X :|Lower X :|Upper Z :|Lower Z :|Lower Y :"},
};

std::string bare(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == ':')) s.pop_back();
  return s.substr(std::min(s.find_first_not_of(' '), s.size()));
}

// Every dialog page, as shipped, quotes only labels of its own window, and
// names its controls by them.
TEST(HelpPages, DialogPagesQuoteOnlyTheirWindowsLabels) {
  std::set<std::string> pages;
  for (auto& e : fs::directory_iterator(fs::path(GV_SOURCE_DIR) / "GVHelpFiles"))
    if (e.path().extension() == ".hhf" && e.path().stem().string().rfind("dlg_", 0) == 0)
      pages.insert(e.path().stem().string());
  EXPECT_EQ(pages.size(), kWindowLabels.size());
  for (const std::string& topic : pages) {
    const auto row = kWindowLabels.find(topic);
    ASSERT_NE(row, kWindowLabels.end()) << topic << " has no window here";
    std::set<std::string> labels;
    std::stringstream list(row->second);
    for (std::string label; std::getline(list, label, '|');) labels.insert(bare(label));
    std::string text;
    const std::string path = std::string(GV_SOURCE_DIR) + "/GVHelpFiles/" + topic + ".hhf";
    ASSERT_EQ(GVReadHelpFile(path.c_str(), text), 1) << topic;
    const std::vector<std::string> texts = quotedTexts(text);
    for (const std::string& q : texts) EXPECT_TRUE(labels.count(bare(q))) << topic << ": \"" << q << "\"";
    EXPECT_GE(texts.size(), 3u) << topic;
  }
}

}  // namespace
