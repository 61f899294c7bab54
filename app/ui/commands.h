// The commands of the main window: the one place that decides whether a
// command is enabled or checked, and the dispatcher. Menu entries,
// accelerators and toolbar buttons share the command identifiers; the menus
// (menus.h), the toolbar (UpdateCommandStates) and the dispatcher all ask
// the rules here.
#ifndef SKOVALT_UI_COMMANDS_H
#define SKOVALT_UI_COMMANDS_H

#include <windows.h>

// What the rules look at, gathered at one moment.
struct CommandFacts {
    bool refreshing;      // a refresh runs
    bool launching;       // a launch is under way (it may wait for the messenger to close)
    bool reloading;       // the master list is being downloaded (greys what a refresh greys)
    bool serverSelected;  // the focused selected row of the active list shows a server
    bool playersActive;   // the player list has the focus (it is the active list)
    bool favourite;       // that row's server is a favourite
    bool clipboardText;   // the clipboard holds text
    bool messenger;       // a messenger client answered at start-up
    bool favoritesOnly;   // only favourites are shown
    bool gameFilter;      // a game filter is set
};

CommandFacts CurrentCommandFacts(HWND mainWindow);

// Where a command's state shows. The rules are the same for both but for
// Refresh: while a refresh runs its menu entry is greyed, its toolbar
// button stays usable and pressed (a click stops the refresh, as F5 does).
enum CommandSurface { MenuEntry, ToolbarButton };

// Enabled: a menu entry is not greyed, a toolbar button can be pressed.
bool CommandEnabled(int command, const CommandFacts &facts, CommandSurface surface = MenuEntry);
// Checked: a menu entry has its check mark, a toolbar button looks pressed.
bool CommandChecked(int command, const CommandFacts &facts, CommandSurface surface = MenuEntry);
// Carried out when it arrives (from a key, a menu, a button): every enabled
// command, and a few that act while greyed: Refresh and "Refresh selected"
// stop a running refresh, Launch asks to stop it, Stop may always be asked.
// Commands that start a refresh are refused while a launch is under way.
bool CommandAccepted(int command, const CommandFacts &facts);

// Sets every toolbar button from the rules. refreshEnding: the refresh
// that still runs is ending, and the buttons are set as after it.
void UpdateCommandStates(HWND mainWindow, bool refreshEnding = false);

// Carries out a command (WM_COMMAND) when it is accepted, then updates the
// toolbar. Unknown identifiers are ignored.
void DispatchCommand(HWND mainWindow, int command);

#endif
