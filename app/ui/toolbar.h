// The main window's toolbar: its 16 entries and the calls that switch a
// button. Which button is enabled or checked is decided in commands.h.
#ifndef SKOVALT_UI_TOOLBAR_H
#define SKOVALT_UI_TOOLBAR_H

#include <windows.h>
#include <commctrl.h>

// Creates the toolbar with its 16 entries; *images gets its image list,
// which the caller destroys.
HWND CreateMainToolbar(HWND mainWindow, HIMAGELIST *images);

// The command of the index-th button (separators not counted), or 0 past
// the last one.
int ToolbarCommand(int index);

// Checks or enables one button; either leaves the other state as it is.
void ToolbarCheck(HWND toolbar, int command, bool on);
void ToolbarEnable(HWND toolbar, int command, bool on);

#endif
