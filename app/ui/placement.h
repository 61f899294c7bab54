// The main window's stored placement ("Pos") and splitter position ("Split").
#ifndef SKOVALT_UI_PLACEMENT_H
#define SKOVALT_UI_PLACEMENT_H

#include <windows.h>

struct MainPlacement {
    int x, y, width, height;   // CW_USEDEFAULT where not stored
    int showCommand;
};

// Reads a "Pos" text ("%ld %ld %ld %ld [%d]") for a start with showCommand.
// A text without "[" is ignored entirely; the stored show command replaces
// the caller's only when that is SW_SHOWNORMAL.
MainPlacement ParsePlacement(const char *text, int showCommand);

// Creates and shows the main window (class and title "Skovalt") at the
// stored placement. Null when it cannot be created.
HWND CreateMainWindow(int showCommand);

// Stores "Pos" from the window placement and "Split" from the splitter.
void SaveWindowPlacement(HWND mainWindow);

#endif
