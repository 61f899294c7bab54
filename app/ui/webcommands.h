// The web from the main window: the version check (at start-up and from
// the menu), a game server's web site, and the program's home page.
#ifndef SKOVALT_UI_WEBCOMMANDS_H
#define SKOVALT_UI_WEBCOMMANDS_H

#include <windows.h>

// The start-up check (unless "DontCheckNewVersion"): starts reading the
// version file and returns at once; when a newer version is published the
// user is asked then, and a download started closes the program through
// its ordinary exit. True when the check was started.
bool CheckVersionAtStartup(HWND mainWindow);

// "Check for new version": starts reading the version file; the answer is
// shown when it arrives. Returns 0 when started, 1 when a check from the
// menu runs already.
int OnCmdCheckVersion(HWND mainWindow);

// "Goto Web site": the selected server's site, from its rules or its host
// name.
void OnCmdGotoWebSite(HWND mainWindow);
// The program's home page.
void OnCmdHomepage(HWND mainWindow);

#endif
