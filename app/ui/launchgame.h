// The game launch as the user sees it: the preferences when no game is set
// up, its messages, closing the messenger before the game and reopening it
// when the user comes back.
#ifndef SKOVALT_UI_LAUNCHGAME_H
#define SKOVALT_UI_LAUNCHGAME_H

#include <windows.h>

// Starts Quake2 so that it connects to address (a server's address text,
// "" for none) with the parameter line of game (null for none). Opens the
// Quake2 page of the preferences first when no executable is set; closes
// the messenger first when "CloseUlo" asks for it and then sets
// FlagUloClosed. While the messenger is given time to close the window
// keeps answering; a launch asked for meanwhile is ignored.
void LaunchGame(HWND mainWindow, const char *address, const char *game);

// True while a launch is under way: commands that start a refresh are
// refused meanwhile (ui/commands.h), as a second launch is.
bool LaunchUnderWay();

// The program is closing: a launch under way starts no game, and a
// messenger it closed is started again (the window will not be activated
// again to do it). The main window calls it when it really closes.
void CancelLaunch(HWND mainWindow);

// Starts the messenger again, hidden, from its App Paths entry (asking
// first when "CloseUloConfirm" is set). The main window calls it when it
// becomes active while FlagUloClosed is set, after clearing the bit.
void ReopenMessenger(HWND mainWindow);

#endif
