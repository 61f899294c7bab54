// The server list's rows: which entries of the server table are shown
// (the favourites and game filters), loading and saving the list in the
// order it is shown, the commands that change the filters, and the Filter
// page of the preferences sheet.
#ifndef SKOVALT_UI_DISPLAYLIST_H
#define SKOVALT_UI_DISPLAYLIST_H

#include <windows.h>
#include <prsht.h>

#include "serverlist/servertable.h"

// The row filter: a server is shown when it has a record, is not deleted,
// is a favourite or favourites are not asked for, and passes the game
// filter.
bool RowShown(const ServerSlot *slot);

// Replaces the rows of the server list by a row for every shown entry from
// firstEntry on, in table order. Returns the number of rows.
int InsertShownRows(HWND list, long firstEntry);

// Loads Server.dat into the table and shows the rows of the entries it
// added (start-up). Returns
// LoadServers' result: 0, or -11 or 1 after a message.
int LoadServerList(HWND mainWindow);

// Saves the list to Server.dat in the order the server list shows it, then
// the entries not shown. Returns 0 ("%d servers written"), or 1 after the
// message; FlagModified is cleared only by a save that succeeded.
int SaveServerList(HWND mainWindow);

// Refills the server list through the filters (not while refreshing).
void RebuildDisplayList(HWND mainWindow);
void OnCmdFavoritesOnly(HWND mainWindow);
void OnCmdThisGameOnly(HWND mainWindow);
void OnCmdShowAllGames(HWND mainWindow);

// The Filter page (dialog 144) for the preferences sheet.
void InitFilterPage(PROPSHEETPAGEA *page);

#endif
