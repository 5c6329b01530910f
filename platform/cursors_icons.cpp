// Icons and cursors are small records naming a resource number: the stock cursors
// (IDC_ARROW and the sizing arrows) and the program's icons. The presenter turns
// the current cursor into the display's pointer shape.
#include <map>
#include <utility>

#include "platform/kernel32.h"
#include "platform/wm_state.h"

static GVIcon* lookup(HINSTANCE instance, LPCSTR name, bool cursor) {
  static std::map<std::pair<HINSTANCE, int>, GVIcon*>* table = new std::map<std::pair<HINSTANCE, int>, GVIcon*>();
  if (!name || !IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  int id = (int)(ULONG_PTR)name;
  if (!instance) {
    // Stock resources: the cursors 32512..32651 and the application icon.
    if (id < 32512 || id > 32651) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
  }
  auto key = std::make_pair(instance, id * 2 + (cursor ? 1 : 0));
  auto it = table->find(key);
  if (it != table->end()) return it->second;
  GVIcon* icon = new GVIcon();
  icon->resourceId = id;
  icon->isCursor = cursor;
  icon->instance = instance;
  (*table)[key] = icon;
  return icon;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) { return lookup(instance, name, false); }

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) { return lookup(instance, name, true); }

HCURSOR SetCursor(HCURSOR cursor) {
  GVWMState& s = gvState();
  HCURSOR old = s.currentCursor;
  if (cursor != old) {
    s.currentCursor = cursor;
    if (GVHooks().cursorChanged) GVHooks().cursorChanged(cursor);
  }
  return old;
}

HCURSOR GetCursor(void) { return gvState().currentCursor; }

HCURSOR GVCurrentCursor() { return gvState().currentCursor; }
