// The executable's main: the program itself starts at WinMain.
#include "platform/program_entry.h"
#include "platform/user32.h"

int main(int argc, char** argv) { return GVRunWinMain(argc, argv, WinMain); }
