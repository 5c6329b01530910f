// The Win32 stand-in as one include: what the windowing, GDI and GL code of the
// program uses. Only code above the simulation includes it.
#pragma once

#include "platform/win_types.h"
#include "platform/kernel32.h"
#include "platform/user32.h"
#include "platform/gdi32.h"
#include "platform/wgl.h"
