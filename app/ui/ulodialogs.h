// Dialogs and commands that use the running Ulo messenger: picking
// nicknames of online users, choosing one user, and sending the selected
// servers to one.
#ifndef SKOVALT_UI_ULODIALOGS_H
#define SKOVALT_UI_ULODIALOGS_H

#include <windows.h>
#include <stddef.h>

// The parameter of a messenger dialog: the caller's buffer (size bytes)
// that the dialog writes its result into.
struct UloDialogBuffer {
    char *text;
    size_t size;
};

// "Select Ulo user" (dialog 154), run with a UloDialogBuffer. Ends with 0
// and the chosen user's number in decimal, or with 1: cancelled, nobody
// online, or the client gone (uloVersion is then 0).
INT_PTR CALLBACK SelectUserDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// "Send serverinfo to Ulo user" (command 40039): writes the servers of the
// active list's selected rows to Server.txt in the temporary folder and
// has the messenger send that file to the user chosen in "Select Ulo
// user". Nothing is sent when the file could not be written whole.
void OnCmdSendServerInfo(HWND mainWindow);

// "Online Ulo users" (dialog 112), run with a UloDialogBuffer: every online
// user whose details can be had, by nickname, all selected. OK puts the
// selected nicknames, joined by commas, into the buffer (empty when none
// is selected) and ends with 0; Cancel, or a client that has gone
// (uloVersion then drops to 0 and "Ulo was closed !" is shown), ends with
// 1. Nicknames that do not fit the buffer whole end the result at the last
// one that does.
INT_PTR CALLBACK OnlineUsersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ShowOnlineUsersDialog(HWND owner, char *buffer, int size);

#endif
