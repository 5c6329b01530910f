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
