// The main window's stored placement ("Pos") and splitter position ("Split").
#ifndef SKOVALT_UI_PLACEMENT_H
#define SKOVALT_UI_PLACEMENT_H

#include <windows.h>

struct MainPlacement {
    int x, y, width, height;   // CW_USEDEFAULT where not stored
    int showCommand;
};

// The smallest the main window gets, by the user's sizing or a stored
// placement.
const int kMainMinWidth = 400;
const int kMainMinHeight = 300;

// Reads a "Pos" text ("%ld %ld %ld %ld [%d]") for a start with showCommand.
// A text without "[" is ignored entirely; the stored show command replaces
// the caller's only when that is SW_SHOWNORMAL. A position outside
// -32768..32767 or a size below 1 is no number (the system's default is
// used); a larger one is held at 32767.
MainPlacement ParsePlacement(const char *text, int showCommand);

// Moves a rectangle onto the work area of the monitor nearest to it, and
// sizes it to at least the main window's minimum and at most that work
// area.
RECT FitOnWorkArea(RECT rect);

// Creates and shows the main window (class and title "Skovalt") at the
// stored placement, moved and sized onto a monitor. Null when it cannot be
// created.
HWND CreateMainWindow(int showCommand);

// The main window's minimum size (WM_GETMINMAXINFO).
void SetMainMinimumSize(MINMAXINFO *info);

// Stores "Pos" from the window placement and "Split" from the splitter.
void SaveWindowPlacement(HWND mainWindow);

#endif
