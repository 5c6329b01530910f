// HwRender, the "Geo Render Editor": how one layer of one Geo is rendered.
// A Geo carries one material per layer; the editor picks a Geo and a layer and
// edits that material's source (properties or, on layer 0, a material
// script), the shadow flags of the first material, the ambient, diffuse and
// specular colours, the shininess, the display mode, the UV set and the
// texture. Every change is reported to GVRenderDlgCB, which applies it to the
// view.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "appwins/material_scan.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwDropDownCntrl;
class HwEditControl;
class HwFrameWindow;
class HwLabel;
class HwListDlg;
class HwSelectorTool;
class HwSliderGroup;
struct GObject;
struct GeoMaterial;
struct ObjHandle;

class HwRender : public HwDialogTemp {
 public:
  // Opens at (x, 110) on the Geo; user is the main window.
  HwRender(int x, int32_t geoId, void* user);
  ~HwRender() override;

  void resize(int width, int height) override;
  void build(int32_t geoId);
  // The panel refresh: id 0 keeps a current Geo that still exists.
  void update(int32_t geoId);
  GObject* currentGeo() const;
  void selectGeo(int32_t id);
  void showLayer(int k);
  void clearFields();
  // The slash flag of the first entry listed under name in the chosen
  // material file, -1 before the material-file list exists or when absent.
  int findScriptMaterial(const char* name) const;
  void openMaterialList();

  // Control callbacks (the user word is the editor).
  static void chooseGeo(int code, char* text, void* editor);
  static void chooseLayer(int code, char* text, void* editor);
  static int setMaterialType(int item, void* editor);
  static int loadMaterialFile(int state, void* editor);
  static void materialFileChosen(int flags, int item, const char* text, void* editor);
  static void scriptMaterialChosen(int flags, int item, const char* text, void* editor);
  static int setCastShadows(int item, void* editor);
  static int setReceiveShadows(int item, void* editor);
  template <int Slider>
  static float colourCB(int event, float value, void* editor);
  static float setShininess(int event, float value, void* editor);
  static int setDisplayMode(int item, void* editor);
  static void chooseUVSet(int code, char* text, void* editor);
  static const char* textureText(int code, char* text, void* editor);
  static int loadTexture(int state, void* editor);
  static void textureChosen(int flags, int item, const char* text, void* editor);

  enum { kAmbR, kAmbG, kAmbB, kAmbA, kDiffR, kDiffG, kDiffB, kDiffA, kSpecR, kSpecG, kSpecB, kSpecA, kColours };
  enum { kSourceFrame, kShadowFrame, kAmbientFrame, kDiffuseFrame, kSpecularFrame, kTextureFrame, kFrames };

  HwSelectorTool* geoSelector = nullptr;
  HwFrameWindow* frames[kFrames] = {};
  HwSelectorTool* layerSelector = nullptr;
  HwDropDownCntrl* materialType = nullptr;
  HwBaseControl* matFileLoad = nullptr;
  HwLabel* matFileLabel = nullptr;
  HwEditControl* matFileEdit = nullptr;
  HwListDlg* matFileList = nullptr;
  HwLabel* matScriptLabel = nullptr;
  HwEditControl* matScriptEdit = nullptr;
  HwListDlg* materialList = nullptr;
  HwDropDownCntrl* castShadows = nullptr;
  HwDropDownCntrl* receiveShadows = nullptr;
  HwSliderGroup* colours[kColours] = {};
  HwSliderGroup* shine = nullptr;
  HwDropDownCntrl* display = nullptr;
  HwSelectorTool* uvSelector = nullptr;
  HwLabel* textureLabel = nullptr;
  HwEditControl* textureEdit = nullptr;
  HwBaseControl* textureLoad = nullptr;
  HwListDlg* textureList = nullptr;

  int editorWidth = 355, editorHeight = 860;
  ObjHandle* geoList = nullptr;
  int32_t geoId = 0;
  int layer = 0;
  char matFileName[kMaterialNameMax] = {};
  char matName[kMaterialNameMax] = {};

 private:
  void notify(int32_t value, int32_t mask);
  void fill(int k, bool atCreation);
  void showTexture(const GObject* g, const GeoMaterial* m, bool script);
  float setColour(int slider, int event, float value);
  int setShadowBit(int item, uint32_t bit, int32_t mask);
  GeoMaterial* layerMaterial() const;

  void* user_ = nullptr;
  char textureShown_[kMaterialNameMax] = {};
};

// The render editor shown (null when none), for the owner callback's links.
HwRender* GVRenderEditor();

// The opener's entry of code 11.
GVEditorEntry GVRenderEntry();
