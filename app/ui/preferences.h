// The preferences sheet "Settings": five pages (General, Startup, Quake2,
// Layout, Filter) that edit the stored settings, and what the main window
// picks up after the sheet closes.
#ifndef SKOVALT_UI_PREFERENCES_H
#define SKOVALT_UI_PREFERENCES_H

#include <windows.h>

// The pages, in the order the sheet shows them.
enum PreferencesPage {
    PageGeneral = 0,
    PageStartup = 1,
    PageQuake2 = 2,  // the game launch opens this one when "Exe" is empty
    PageLayout = 3,
    PageFilter = 4,
};

// Runs the sheet modally, showing startPage first. Each page that was
// opened writes its settings when OK is pressed; after the sheet closes (OK
// or Cancel alike) changed column templates rebuild their list's columns,
// a changed game filter refills the server list, and sounds stop when
// "NoSound" is now on. Returns 0.
int ShowPreferences(HWND mainWindow, int startPage);

#endif
