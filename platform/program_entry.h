// The process entry: platform/entry/main.cpp's main hands its arguments here and
// this calls the program's WinMain the way Windows would.
#pragma once

#include "platform/win_types.h"

typedef int (*GVWinMainFunction)(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// Calls winMain with the module's instance, no previous instance, the arguments
// after the program name joined into one command line (arguments holding blanks
// quoted) and SW_SHOWDEFAULT; returns its result as the exit status.
int GVRunWinMain(int argc, char** argv, GVWinMainFunction winMain);
