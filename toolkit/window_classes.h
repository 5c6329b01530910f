// The toolkit's start-up and shut-down: every window class of the program, the
// shared fonts, pens and brushes, and the singletons freed at the end.
#pragma once

#include "platform/user32.h"

// Registers the classes, makes the shared GDI objects and starts the control-id
// counter. Runs once, before the main window exists.
void GVRegisterWindowClasses(HINSTANCE instance);
// Deletes the fonts, pens and brushes and frees the toolkit's singleton windows.
void GVFreeWindowResources();

// Where the folders that own a class's windows plug in, before the start-up.
// A class's window procedure (until one is given, the class paints its
// background and nothing more):
bool GVSetWindowClassProc(const char* className, WNDPROC proc);
// A folder that registers a class itself, in its place in the order:
typedef ATOM (*GVClassRegistrar)(HINSTANCE instance);
bool GVSetWindowClassRegistrar(const char* className, GVClassRegistrar registrar);

// The registration pattern every class follows. A failure shows the system's
// text in a box titled "Error" and gives 0. iconId 0: no icon.
ATOM GVRegisterToolkitClass(HINSTANCE instance, const char* className, UINT style, WNDPROC proc,
                            HBRUSH background, int iconId);

// The style of the toolkit's child windows: visible, clipping their siblings and
// children (0x56000000); and the same without WS_VISIBLE (0x46000000).
constexpr DWORD kGVChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kGVHiddenChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Sent by a control that has no use for Escape to its top-level window: a
// window that closes on Escape closes and answers 1, any other answers 0.
constexpr UINT kGVEscapeMessage = WM_USER + 27;

// Clears the window's GWL_USERDATA when it still holds this object, so the
// window's last messages (it dies later, with its parent) find no object.
void GVDetachObject(HWND window, const void* object);

// Paints the window's client area in the toolkit's dark grey (its WM_PAINT).
void GVPaintBackground(HWND hwnd);

// The window procedure of "BaseControlClass": a plain background.
LRESULT CALLBACK GVBaseControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The application's help and notes windows: the start-up hands the module to the
// help window, the shut-down frees both.
struct GVToolkitWindowHooks {
  void (*startHelpWindow)(HINSTANCE instance);
  void (*freeHelpWindow)();
  void (*freeNotesWindow)();
};
void GVSetToolkitWindowHooks(const GVToolkitWindowHooks& hooks);
