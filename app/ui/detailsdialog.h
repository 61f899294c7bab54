// The server details dialog (resource 108): one server refreshed on the
// spot, its players with frags and ping and its rules, in a modeless,
// resizable window that is refilled in place for another server.
//
// The server is refreshed on a thread of its own while the user-interface
// thread goes on with its messages (the wait cursor shows meanwhile): like
// the refresh engine's workers, that thread fills a private copy of the
// record, which replaces the table's record on the user-interface thread
// when it is done. No record is refreshed by two threads at once, even when
// a refresh of all servers has the same server queued or in flight: each
// has its copy, and the one done last is the one the table keeps. The
// latest details command wins: one given while a details refresh runs (for
// another server, or after the dialog was closed) starts its own, and the
// dialog shows the server asked for last; the earlier refresh still
// updates its server's record when it ends.
#ifndef SKOVALT_UI_DETAILSDIALOG_H
#define SKOVALT_UI_DETAILSDIALOG_H

#include <windows.h>

// Server details (command 1010, a double click): the server of the focused
// selected row of the active list, in the dialog (made when it is not
// open).
void OnCmdServerDetails(HWND mainWindow);

// UM_DETAILSREFRESHED at the main window.
LRESULT OnDetailsRefreshed(HWND mainWindow, LPARAM job);

// True while the refresh of the server asked for last runs.
bool DetailsRefreshPending();

// The main window is going: the refreshes still running are forgotten
// (their threads free their records when they end).
void ForgetDetailsRefresh();

// The item data of a player row of the dialog: ping in the high 16 bits,
// frags in the low 16 bits (as a signed 16-bit value); each saturates.
LPARAM DetailsPlayerParam(int ping, int frags);

#endif
