// Menu entry states and the help texts of highlighted entries.
#ifndef SKOVALT_UI_MENUS_H
#define SKOVALT_UI_MENUS_H

#include <windows.h>

// Sets the entries of a popup about to open (WM_INITMENUPOPUP) from the
// command rules. inMenuLoop: the user opens the menu, and it shows what is
// enabled and checked. Outside a menu loop the popup is being looked at
// by an accelerator key, which is refused for a greyed entry: the entries
// are then enabled as far as the command is accepted, so that F5 stops a
// running refresh and Enter asks to stop it although both look greyed.
void UpdateMenuStates(HWND mainWindow, HMENU menu, bool inMenuLoop);

// The help text of the highlighted entry in status part 0 (WM_MENUSELECT).
void ShowMenuHelp(HWND mainWindow, UINT item, UINT flags, HMENU menu);

#endif
