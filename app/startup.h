// The program's start-up and end, in their order. WinMain runs them around
// the main window; the tests run them around each test.
#ifndef SKOVALT_STARTUP_H
#define SKOVALT_STARTUP_H

#include <windows.h>

// COM for the thread; AppData with the server table and the settings kept
// in memory; the common controls; the messenger's version (unless
// "NoUloStuff"); the greeting of the messenger's owner on the first start;
// the map names of MapData.txt; the dial-up when "AutoConnect" is on.
// Returns 0, or 1 when AppData cannot be made.
int StartProgram(HINSTANCE instance);

// Stores the settings kept until the end, frees AppData and ends COM.
void EndProgram();

#endif
