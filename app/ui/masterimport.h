// "Reload from master": the master list is read from its sources (HTTP
// lists and Quake 2 UDP masters, "MasterListURL") and their union is
// written to Server.txt, the user's own additions and removals (Delta.dat)
// are replayed on it, the result becomes the new Server.dat, and the
// servers of that file that the server list does not show yet are added to
// it.
#ifndef SKOVALT_UI_MASTERIMPORT_H
#define SKOVALT_UI_MASTERIMPORT_H

#include <windows.h>

// "Reload from master": starts reading the sources of the master list, one
// after the other (each on a thread of its own; the window keeps
// answering). A source that fails gets its message and the others still
// count. When the last ended, RebuildServerFile (unless every source
// failed) and then MergeServerFile run; a cancelled reload (Stop, Esc,
// closing) changes nothing. Returns 0 when started, 1 when a reload runs
// already or no thread can be started.
int OnCmdReloadMaster(HWND mainWindow);
// True while the master list is being downloaded.
bool MasterReloadRunning();

// Writes the master list (the union of the sources: size bytes of
// "a.b.c.d:port" lines) to Server.txt and the new Server.dat from it and
// Delta.dat. Returns 0, or non-zero (the list loader's result, or 1) after
// a message; Server.dat is then as it was, and so is Server.txt when the
// list holds no server.
int RebuildServerFile(HWND mainWindow, const char *list, size_t size);

// Adds the servers of Server.dat that the list does not show. Returns 0
// after a merge; -11 when Server.dat cannot be opened; 1 when it is no
// server file or memory runs out.
int MergeServerFile(HWND mainWindow);

#endif
