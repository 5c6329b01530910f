// HwForm: the attachment layout of every window that holds controls. Each placed
// control has one definition attaching its four sides to the form's edges, to
// another control's sides, or to a fixed or natural size; setSize solves them by
// repeated passes and moves every control through the move operation of its kind.
#pragma once

#include "platform/user32.h"

struct FormSide {
  int type;
  void* ref;     // referenced control, matched by pointer
  int refKind;   // kept, not used in solving
  int refIndex;  // definition index of ref, set by resolveReferences (0: none)
  int offset;
};

struct FormDef {
  void* control;
  int kind;  // 1..26
  FormSide top, left, right, bottom;
  int x, y, w, h;  // form coordinates, before the inset
  int xResolved, yResolved, wResolved, hResolved;
  int skip;  // takes no part in solving, completeness or moving
};

class HwForm {
 public:
  HwForm(HWND window, int inset);
  ~HwForm();
  HwForm(const HwForm&) = delete;
  HwForm& operator=(const HwForm&) = delete;

  void addDefinition(void* control, int kind, int topType, int topOffset, void* topRef, int topRefKind,
                     int leftType, int leftOffset, void* leftRef, int leftRefKind, int rightType,
                     int rightOffset, void* rightRef, int rightRefKind, int bottomType, int bottomOffset,
                     void* bottomRef, int bottomRefKind);
  // Re-attaches the last definition of this control and kind: top and bottom as
  // given, left by type and offset, right 10 from the form's right.
  void changeDefinition(void* control, int kind, int topType, int topOffset, void* topRef, int topRefKind,
                        int leftType, int leftOffset, int bottomType, int bottomOffset, void* bottomRef,
                        int bottomRefKind);
  // Gives every reference the index of the referenced control's (last) definition.
  void resolveReferences();
  void setSize(int width, int height);
  void doArrange();

  HWND window;
  FormDef* definitions = nullptr;  // entries 1..count; entry 0 unused
  int count = 0;
  int capacity = 0;
  int width = 0, height = 0;
  int inset;
};

// What the form needs of a control kind: moving it, and its natural size (the
// width and height the control keeps).
struct GVFormKindOps {
  void (*move)(void* control, int x, int y, int width, int height);
  void (*naturalSize)(const void* control, int* width, int* height);
};
// The folders that own a control kind register it here.
void GVSetFormKind(int kind, const GVFormKindOps& ops);

// Kind 1: a plain child window.
struct GVChildWindowRec {
  HWND window;
  int x, y, width, height;
};
// The record's older name, kept for the code that still spells it so.
typedef GVChildWindowRec QwChildWinRec;

// Creates a visible child of the class (title "", clipping its siblings and
// children) at the record's place and shows it.
void GVCreateChildWindow(GVChildWindowRec* rec, HINSTANCE instance, HWND parent, const char* className, int x, int y,
                         int width, int height);

// Kind 23's placement: a separator is 2 pixels high, 3 for style 1, whatever
// height its definition solves to.
void GVMoveSeparator(HWND window, int x, int y, int width, int style);
