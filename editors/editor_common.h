// What the property editors share: the range limits of their sliders, the
// text of a Jel chooser, the scene records they edit and the opener's
// make/show/hide entries that keep an editor's link current.
#pragma once

#include <cstddef>
#include <cstdint>

#include "appwins/editor_opener.h"
#include "toolkit/choosers.h"

struct GVJelEditorLink;
struct HWorld;
class HwDialogWindow;
class HwSelectorTool;
class HwBaseControl;

// A slider maximum: the magnitude rounded up to one significant digit (step
// 1 up to 1), at least floor and at least 0.1. 3 -> 10, 37 -> 40, 250 -> 300.
float GVNiceSliderMax(float value, float floor);
// The same on integers with floor 10.
int GVNiceSliderMaxInt(int value);
// An integer range limit: |n| rounded up by a tenth of its power of ten, at
// least 10. 37 -> 40, 5 -> 10, 101 -> 200.
int GVNiceIntLimit(int n);
// A float range limit, never below 0.1. Mode 0x100: |x| rounded up by a tenth
// of its power of ten, at least m; mode 0x200: m, or the multiple of m that
// holds |x|; other modes 0 (held at 0.1).
float GVNiceFloatLimit(float x, float m, int mode);

// The scene's world, null without one.
HWorld* GVEditorWorld();
// The chooser text of a Jel selection: "name  {id}", "ALL Jels", "Group_n" or
// "NONE".
void GVJelChooserText(int32_t id, char* text, size_t size);
// Prints the chooser text of the id into the selector's box and redraws it.
void GVShowJelChooser(HwSelectorTool* selector, int32_t id);

// The Jel before (step -1) or after (step 1) the current one among the Jels
// of the all-objects selection (group bit 1), in list order and wrapping; the
// last or first one when the current one is not among them; 0 when none is.
int32_t GVStepAllObjectsJel(int32_t current, int step);

// The object chooser shared by the editors over Geos or Jels: the previous
// and next buttons step through every object in list order and then the used
// groups (GVPrevGeoSel / GVNextGeoSel, GVPrevJelSel / GVNextJelSel); the two
// extra buttons keep the id; a committed text renames the object (its name
// shown again when refused); refresh (4) only writes the text. Writes the
// text of the id into text ("name  {id}", "ALL Geos" / "ALL Jels",
// "Group_n", "NONE"). False when there is no list or it is empty: the text is
// "NONE" and the editor tells nobody.
enum GVChooserKind { kChooseGeo, kChooseJel };
bool GVObjectChooser(GVChooserKind kind, int action, char* text, int32_t* id);
// The chooser text of an id (Geo: "name  {id}" or "no name  {id}").
void GVObjectChooserText(GVChooserKind kind, int32_t id, char* text, size_t size);
// A selector (5, y) with the label, the width less 10 wide, the label width
// given, style 2, its extra buttons captioned.
HwSelectorTool* GVMakeEditorSelector(HWND parent, const char* label, int y, int width, int labelWidth,
                                     const char* caption2, const char* caption3, const char* text,
                                     HwSelectorCB callback, void* user);
// Shows a text in the selector's box without calling its owner, and redraws.
void GVShowSelectorText(HwSelectorTool* selector, const char* text);
// A button pressed or released from the program: its state and both windows.
void GVSetButtonDown(HwBaseControl* control, bool down);

// The chooser text of a Geo selection: "name  {id}" (an empty name for a
// Geo without one), "ALL Geos", "Group_n" or "NONE".
void GVGeoChooserText(int32_t id, char* text, size_t size);
// Prints the chooser text of the id into the selector's box and redraws it at once.
void GVShowGeoChooser(HwSelectorTool* selector, int32_t id);
// The Geo after the one with the id in list order; the first Geo after the
// last one or for an id not in the list; 0 for an empty list.
int32_t GVNextGeoIdWrapped(int32_t id);
// 1 when a Geo with the id (>= 1) is in the scene's list.
int32_t GVGeoInScene(int32_t id);
// Renames the Geo with the id (>= 1) to the typed text; 0 when refused.
int32_t GVRenameGeoFromChooser(const char* text, int32_t id);

// The two extra buttons of an editor's Jel selector: " " and "G".
void GVLabelJelSelectorButtons(HwSelectorTool* selector);
// An editor's Jel chooser at (5, 5): "Jel(s):" over the id's chooser text,
// with its two extra buttons labelled.
HwSelectorTool* GVMakeJelSelector(HWND parent, int width, int32_t id, HwSelectorCB callback, void* user);

// Opener entries of an editor with a Jel link: showing and hiding keep the
// link's visible word; the dialog's owner callback clears it on Dismiss.
void GVShowLinkedEditor(HwDialogWindow* editor, GVJelEditorLink* link);
void GVHideLinkedEditor(HwDialogWindow* editor, GVJelEditorLink* link);
// The owner callback of a linked editor (user: the link).
void GVLinkedEditorOwnerCB(int code, int value, int reserved, void* link);
