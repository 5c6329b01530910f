// HwEditGOG, the "Edit Geo Attachment Props" dialog: the attachment record of
// one Geo (its method and the Geos, Jels and part it is placed by), chosen
// with six selectors and a method list and written by "Apply". Attachments are
// set in natural-state mode only; GVApplyAttachmentsCB checks and places them.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "toolkit/dialog_window.h"

class HwDropDownCntrl;
class HwSelectorTool;

class HwEditGOG : public HwDialogTemp {
 public:
  // Opens at x on the Geo; user is the main window.
  HwEditGOG(int x, int32_t geoId, void* user);
  ~HwEditGOG() override;

  // The panel refresh: a non-zero id becomes current (0 when not in the
  // list); the Geo's attachment is shown.
  void setGeo(int32_t id);
  // The record of the Geo in the selectors and the method list.
  void showAttachment(int32_t id);
  // Every choice 0, "NONE" in the reference selectors, method "None".
  void clear();

  int32_t current() const { return geoId_; }

  enum Chooser { kGeo, kGeo0, kJel0, kGeoZ, kJelZ, kPart, kChoosers };
  HwSelectorTool* selectors[kChoosers] = {};
  HwDropDownCntrl* methodDrop = nullptr;
  HwBMButton* applyButton = nullptr;
  int32_t geo0 = 0, geoZ = 0, jel0 = 0, jelZ = 0, part = 0, method = 0;

 private:
  void build();
  void send(int32_t code, int32_t request, int32_t id, int32_t value);
  void chooserText(int which, char* text) const;
  // The chooser's text, or the fixed text, printed into its box.
  void showChooser(int which, const char* fixed = nullptr);
  void chooser(int which, int action, char* text);
  int methodChosen(int item);
  void apply();
  int32_t partJel() const;

  template <int Which> static void chooserCB(int action, char* text, void* d);
  static int methodCB(int item, void* d);
  static int applyCB(int state, void* d);

  int32_t geoId_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 15.
GVEditorEntry GVAttachmentEntry();
