// empty_gui.cpp - the floor for the launcher's timings: a GUI-subsystem program
// built like the launcher that does nothing at all.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
