// The refresh as the user sees it: the commands that start and stop it,
// the rows, progress text, toolbar, animation and sounds that follow it.
//
// Records of the server table are read and written on the user-interface
// thread only. The engine's hooks (refresh/refresh.h) send their work here:
// UM_REFRESHBEGIN makes a private copy of a row's record for a worker,
// which refreshes it without any lock; UM_REFRESHEND puts the refreshed
// copy in the table in place of the old record. The list views, the
// details dialog, Paste and the Filter page thus never see a record that a
// worker is filling in: a row shows its previous texts until its worker is
// done, then the new ones.
#ifndef SKOVALT_UI_REFRESHVIEW_H
#define SKOVALT_UI_REFRESHVIEW_H

#include <windows.h>

// Starts a refresh of every row of the server list, or of its selected rows
// only. Returns 0 when it runs; 1 and does nothing while a refresh runs; 2
// when the engine could not start (the program stays idle).
int StartRefresh(HWND mainWindow, int selectedOnly);

// Refreshes the given rows of the server list (servers just added), with
// doneText instead of "Ready" in part 0 when it ends, and followed by
// " (query aborted)" when it is stopped. Returns as StartRefresh does.
int StartRefreshOfRows(HWND mainWindow, const int *rows, int count, const char *doneText);

// The Refresh, Refresh selected and Stop commands.
void OnCmdRefresh(HWND mainWindow);
void OnCmdRefreshSelected(HWND mainWindow);
void OnCmdStop(HWND mainWindow);

// The main window's handlers of the refresh messages (messages.h).
LRESULT OnRefreshMessage(HWND mainWindow, UINT message, WPARAM wParam, LPARAM lParam);

// The rows and progress text a refresh changed are repainted together, on
// the main window's timer kRefreshRepaintTimer (its WM_TIMER calls this);
// the players a search found, less often while the refresh runs.
const UINT_PTR kRefreshRepaintTimer = 1301;
void RepaintRefreshChanges(HWND mainWindow);

// The line shown in an empty player list after a player search, from the
// local time (null: the time cannot be had).
const char *BuddyStatusText(const SYSTEMTIME *now);

#endif
