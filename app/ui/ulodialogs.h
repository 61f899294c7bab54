// The dialogs of the messenger features: the users who are online, to
// pick nicknames from.
#ifndef SKOVALT_UI_ULODIALOGS_H
#define SKOVALT_UI_ULODIALOGS_H

#include <windows.h>

// What the caller of a messenger dialog passes: the buffer the result goes
// to and its size in bytes.
struct UloDialogResult {
    char *buffer;
    int size;
};

// "Online Ulo users" (dialog 112): every online user whose details can be
// had, by nickname, all selected. OK puts the selected nicknames, joined
// by commas, into the result (empty when none is selected) and ends with
// 0; Cancel, or a client that has gone (uloVersion then drops to 0 and
// "Ulo was closed !" is shown), ends with 1. Nicknames that do not fit the
// buffer whole end the result at the last one that does.
INT_PTR CALLBACK OnlineUsersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ShowOnlineUsersDialog(HWND owner, char *buffer, int size);

#endif
