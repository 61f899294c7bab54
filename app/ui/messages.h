// The main window's private messages, all of them.
#ifndef SKOVALT_UI_MESSAGES_H
#define SKOVALT_UI_MESSAGES_H

#include <windows.h>

// Posted by the main window to itself as the last step of its creation:
// load the list, then the start-up action.
#define UM_STARTUP (WM_USER + 1100)
// Sent by the splitter to its parent after a drag.
#define UM_SPLITMOVED (WM_USER + 1200)

// Sent by the refresh engine's threads through the refresh view's hooks,
// so that only the user-interface thread reads and writes the server
// table's records and the controls (see refreshview.h). lParam: the
// engine's RefreshItem, or for UM_REFRESHENDED wParam 1 when stopped.
#define UM_REFRESHBEGIN (WM_APP + 1)  // make the item's private copy; 0: leave it out
#define UM_REFRESHEND (WM_APP + 2)    // put the refreshed copy in the table
#define UM_REFRESHWINDUP (WM_APP + 3) // no more servers start
#define UM_REFRESHENDED (WM_APP + 4)  // every worker has ended

// Sent by the thread that refreshed a server for the details dialog
// (detailsdialog.h); lParam: its job. Returns 1: the job is taken.
#define UM_DETAILSREFRESHED (WM_APP + 5)

// Posted by the threads of web fetches (net/web.h): wParam the fetch's
// kind, lParam progress or done.
#define UM_WEBFETCH (WM_APP + 6)

#endif
