// The refresh engine: all or the selected servers of the server list are
// queried concurrently under one coordinator thread per refresh. The
// coordinator starts as many worker threads as NumServerThreads allows
// (never more than servers) and keeps a queue of servers ready for them, as
// long as the queue has places for one per worker; each worker queries one
// server after another, so at most NumServerThreads servers are queried at
// once, and a worker done with one server starts the next without waiting.
//
// Records of the server table are read and written on the user-interface
// thread only. A worker never touches the table: the user-interface thread
// hands it a private copy of its server's record (UM_REFRESHBEGIN), the
// worker refreshes the copy without any lock, and the user-interface thread
// puts the refreshed copy in the table in place of the old record
// (UM_REFRESHEND). The list views, the details dialog, Paste and the Filter
// page thus never see a record that a worker is filling in: a row shows its
// previous texts until its worker is done, then the new ones.
#ifndef SKOVALT_REFRESH_REFRESH_H
#define SKOVALT_REFRESH_REFRESH_H

#include <windows.h>

// The most worker threads one refresh runs at once, whatever
// "NumServerThreads" says.
const int kMaxRefreshWorkers = 64;
// Workers when "NumServerThreads" is missing, not a number, 0 or less.
const int kDefaultRefreshWorkers = 10;

// Starts a refresh of every row of the server list, or of its selected rows
// only. Returns 1 and does nothing while a refresh runs; 0 otherwise (also
// when the coordinator thread could not be started: the program stays idle).
int StartRefresh(HWND mainWindow, int selectedOnly);

// True from the start of a refresh until its end: the list must not be
// sorted, reordered or edited meanwhile. (Worker counts alone would let a
// change through before the first worker starts and after the last ends.)
bool RefreshRunning();

// The Refresh (40003), Refresh selected (40018) and Stop (40009) commands.
void OnCmdRefresh(HWND mainWindow);
void OnCmdRefreshSelected(HWND mainWindow);
void OnCmdStop(HWND mainWindow);

// The main window's handlers of the engine's two private messages; they
// run on the user-interface thread. lParam is the engine's task record.
LRESULT OnRefreshBegin(HWND mainWindow, LPARAM task);
LRESULT OnRefreshEnd(HWND mainWindow, LPARAM task);
// The rows and progress text a refresh changed are repainted together, on
// the main window's timer kRefreshRepaintTimer (its WM_TIMER calls this).
const UINT_PTR kRefreshRepaintTimer = 1301;
void RepaintRefreshChanges(HWND mainWindow);

// The worker limit for a "NumServerThreads" text.
int RefreshWorkerLimit(const char *setting);

// The line shown in an empty player list after a player search, from the
// local time (null: the time cannot be had).
const char *BuddyStatusText(const SYSTEMTIME *now);

#endif
