// Plain child windows of a given class, the inner panes of the application windows.
#include "platform/user32.h"
#include "toolkit/form.h"
#include "toolkit/window_classes.h"

void GVCreateChildWindow(GVChildWindowRec* rec, HINSTANCE instance, HWND parent, const char* className, int x, int y,
                         int width, int height) {
  rec->x = x;
  rec->y = y;
  rec->width = width;
  rec->height = height;
  rec->window = CreateWindowExA(0, className, "", kGVChildStyle, x, y,
                                width, height, parent, nullptr, instance, nullptr);
  ShowWindow(rec->window, SW_SHOW);
  UpdateWindow(rec->window);
}
