// The main window's toolbar: its 16 entries and the calls that switch a
// button. Which button is enabled or checked is decided in commands.h.
#ifndef SKOVALT_UI_TOOLBAR_H
#define SKOVALT_UI_TOOLBAR_H

#include <windows.h>
#include <commctrl.h>

// Creates the toolbar with its 16 entries; *images gets its image list,
// which the caller destroys.
HWND CreateMainToolbar(HWND mainWindow, HIMAGELIST *images);
// The toolbar's height in 96-DPI units.
const int kToolbarHeight = 35;
// Sets the toolbar's images (the artwork for its DPI, in a new list that
// replaces *images, the old one destroyed) and its button size for the DPI
// it is on now.
void SetToolbarDpi(HWND toolbar, HIMAGELIST *images);

// The command of the index-th button (separators not counted), or 0 past
// the last one.
int ToolbarCommand(int index);

// Checks or enables one button; either leaves the other state as it is.
void ToolbarCheck(HWND toolbar, int command, bool on);
void ToolbarEnable(HWND toolbar, int command, bool on);

#endif
