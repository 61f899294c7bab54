// The commands that edit the server list by hand: add, paste, copy,
// delete, move to the top, favourites, find, same game, select all. Each
// runs on the user-interface thread; additions and removals are journaled
// in Delta.dat so that a later master reload keeps them.
#ifndef SKOVALT_UI_LISTEDIT_H
#define SKOVALT_UI_LISTEDIT_H

#include <windows.h>

#include "kv/kv.h"

// The first row after start (-1: from the top) whose server has the
// host's address and port, or -1. Rows that name no entry are skipped.
int FindRowByHost(HWND list, const tagKvHOST *host, int start);

// Adds a server with text as its host name: a table entry, a row at the
// top of the server list, a '+' in Delta.dat. Returns 0, or 1 when it
// could not be made. The caller has it queried (StartRefreshOfRows).
int AddServerToList(HWND mainWindow, const tagKvHOST *host, const char *text);

void OnCmdAddServer(HWND mainWindow);
void OnCmdPaste(HWND mainWindow);
void OnCmdCopy(HWND mainWindow);
void OnCmdDelete(HWND mainWindow);
void OnCmdMoveToTop(HWND mainWindow);
void OnCmdSelectAll(HWND mainWindow);
void OnCmdFavorite(HWND mainWindow);
void OnCmdFindServer(HWND mainWindow);
void OnCmdFindNext(HWND mainWindow);
void OnCmdSameGame(HWND mainWindow, bool forward);

#endif
