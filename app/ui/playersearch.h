// The player search: the search words, the Find dialog, the rows of the
// matching players in the player list, and the start-up searches.
#ifndef SKOVALT_UI_PLAYERSEARCH_H
#define SKOVALT_UI_PLAYERSEARCH_H

#include <windows.h>

#include "kv/kv.h"

// Whether a player's name holds one of the comma-separated words of
// searchText (case-insensitive). An empty word matches everybody; with no
// search (searchText null) nobody matches.
bool PlayerMatches(tagPlayer *player);

// Replaces searchText by a copy of text.
void SetSearchText(const char *text);

// Inserts a row at the top of the player list for each player of the
// server at table index slot that matches the search, top fragger first,
// and returns how many. Nothing while searchText is null or empty. A row
// holds the player's position in 8 bits: players below position
// kMaxRowPlayerPosition get no row. The list is neither repainted nor
// counted: the caller holds its redraw off meanwhile (under Wine each row
// shown at once costs milliseconds) and calls ShowFoundPlayers, once for
// many servers.
int InsertMatchingPlayers(HWND players, long slot);
// Repaints the player list and shows "%d players found" while a search
// is on.
void ShowFoundPlayers(HWND mainWindow);
// Both for one server, the list's redraw off meanwhile (SwitchRedraw: a
// search refresh that holds it off keeps it off).
void AddMatchingPlayers(HWND mainWindow, long slot);

// Refresh and find player (command 40027): the Find dialog, then a refresh
// of all servers searching for its words.
void OnCmdFindPlayer(HWND mainWindow);

// Start-up action "I": searches for the nicknames of the messenger users
// who are online.
void SearchOnlineUsers(HWND mainWindow);

// Start-up action "L": the last search ("LastFindPlayer") again.
void RepeatLastSearch(HWND mainWindow);

#endif
