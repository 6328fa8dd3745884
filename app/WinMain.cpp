// The Windows entry point of zedevaviz.exe: everything happens in the entry sequence.
#include <windows.h>

#include "Entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunZedevaviz(); }
