// HwExport, "Export Geos / Jels": a Geo chooser and a Jel chooser over single
// objects and groups, "Export" (owner code 8 with the chosen ids) and "Clear"
// (both choices none, code 16). The owner callback is (mode, code, Geo id,
// Jel id, user); the choosers report code 2 (Geo) and 4 (Jel) with the mode.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "records/obj_handle.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/dialog_window.h"

struct HWorld;

typedef void (*HwExportCB)(int32_t mode, int32_t code, int32_t geoId, int32_t jelId, void* user);

class HwExport : public HwDialogTemp {
 public:
  HwExport(int x, ObjHandle* geoList, HWorld** world, int32_t geoId, int32_t jelId, HwExportCB owner, void* user);
  ~HwExport() override;

  // A non-zero id replaces its choice; both choosers show their texts (both
  // "NONE" without the object lists).
  void refresh(int32_t geoId, int32_t jelId);
  void clearChoices();

  static void geoChooserCB(int mode, char* text, void* dialog);
  static void jelChooserCB(int mode, char* text, void* dialog);
  static int exportCB(int state, void* dialog);
  static int clearCB(int state, void* dialog);

  HwSelectorTool* geoChooser = nullptr;
  HwSelectorTool* jelChooser = nullptr;
  HwBMButton* exportButton = nullptr;
  HwBMButton* clearButton = nullptr;
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  int32_t geoChoice = 0;
  int32_t jelChoice = 0;
  void* ownerUser = nullptr;
  HwExportCB owner = nullptr;

 private:
  bool haveLists() const { return geoList && world; }
  // The chooser's text for the mode (4: text only) into a selector buffer.
  void geoText(int mode, char* text);
  void jelText(int mode, char* text);
};

// The export dialog's slot of the opener's table (kEditorExport): made with
// the given Geo (else the current one) and the current Jel, refreshed with
// the Geo only.
GVEditorEntry GVExportDialogEntry();
