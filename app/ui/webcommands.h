// The web from the main window: the version check (at start-up and from
// the menu), a game server's web site, and the program's home page.
#ifndef SKOVALT_UI_WEBCOMMANDS_H
#define SKOVALT_UI_WEBCOMMANDS_H

#include <windows.h>

// The start-up check (unless "DontCheckNewVersion"): offers a newer
// version. True when the download was started and the program is closing.
bool CheckVersionAtStartup(HWND mainWindow);

// "Check for new version". Returns 1 when the program is closing for the
// download, else 0.
int OnCmdCheckVersion(HWND mainWindow);

// "Goto Web site": the selected server's site, from its rules or its host
// name.
void OnCmdGotoWebSite(HWND mainWindow);
// The program's home page.
void OnCmdHomepage(HWND mainWindow);

#endif
