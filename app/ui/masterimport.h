// "Reload from master": the master list is downloaded to Server.txt, the
// user's own additions and removals (Delta.dat) are replayed on it, the
// result becomes the new Server.dat, and the servers of that file that the
// server list does not show yet are added to it.
#ifndef SKOVALT_UI_MASTERIMPORT_H
#define SKOVALT_UI_MASTERIMPORT_H

#include <windows.h>

struct WebFetch;

// "Reload from master": starts the download of the master list (on a
// thread of its own; the window keeps answering). When it ends,
// RebuildServerFile and then MergeServerFile run; a cancelled download
// (Stop, Esc, closing) changes nothing. Returns 0 when started, 1 when a
// reload runs already or no thread can be started.
int OnCmdReloadMaster(HWND mainWindow);
// True while the master list is being downloaded.
bool MasterReloadRunning();

// Writes the downloaded master list to Server.txt and the new Server.dat
// from it and Delta.dat. Returns 0, or non-zero (the download's result,
// the list loader's, or 1) after a message; Server.dat is then as it was.
int RebuildServerFile(HWND mainWindow, const WebFetch *fetch);

// Adds the servers of Server.dat that the list does not show. Returns 0
// after a merge; -11 when Server.dat cannot be opened; 1 when it is no
// server file or memory runs out.
int MergeServerFile(HWND mainWindow);

#endif
