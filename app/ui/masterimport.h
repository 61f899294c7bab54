// "Reload from master": the master list is downloaded to Server.txt, the
// user's own additions and removals (Delta.dat) are replayed on it, the
// result becomes the new Server.dat, and the servers of that file that the
// server list does not show yet are added to it.
#ifndef SKOVALT_UI_MASTERIMPORT_H
#define SKOVALT_UI_MASTERIMPORT_H

#include <windows.h>

// Downloads url to Server.txt and writes the new Server.dat from it and
// Delta.dat. Returns 0, or non-zero (the download's result, the list
// loader's, or 1) after a message; Server.dat is then as it was.
int RebuildServerFile(HWND mainWindow, const char *url);

// The command: RebuildServerFile with the master list URL, then the merge
// of Server.dat (also after a failed rebuild). Returns 0 after a merge;
// -11 when Server.dat cannot be opened; 1 when it is no server file or
// memory runs out.
int OnCmdReloadMaster(HWND mainWindow);

#endif
