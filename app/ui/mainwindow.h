// The main window: its two window classes, the window procedure, the
// layout of its children, the start-up continuation and the exit sequence.
#ifndef SKOVALT_UI_MAINWINDOW_H
#define SKOVALT_UI_MAINWINDOW_H

#include <windows.h>
#include <commctrl.h>

// The program's private window messages.
#define UM_STARTUP (WM_USER + 1100)     // posted to itself at creation
#define UM_SPLITMOVED (WM_USER + 1200)  // sent by the splitter after a drag
// Sent by the refresh threads, so that only the user-interface thread reads
// and writes the server table's records (see refresh/refresh.h).
#define UM_REFRESHBEGIN (WM_USER + 1300)  // lParam: a task; makes its private copy
#define UM_REFRESHEND (WM_USER + 1301)    // lParam: a task; puts its copy in the table

// Register the main class "Skovalt" and the splitter class "ClassHSplit".
bool RegisterMainClass(HINSTANCE instance);
bool RegisterSplitterClass(HINSTANCE instance);

// Runs the message loop until the quit message; returns its value.
int RunMessageLoop(HWND mainWindow, HACCEL accelerators);

// Lays the children out for the main window's client area.
void LayoutChildren(HWND mainWindow);

// The splitter after a drag (UM_SPLITMOVED).
void OnSplitMoved(HWND mainWindow);

// The exit sequence (WM_CLOSE). Returns true when the quit message was
// posted, false when the window stays.
bool OnClose(HWND mainWindow);

// Command dispatch (commands.cpp) and menu states (menus.cpp).
void DispatchCommand(HWND mainWindow, int command);
void UpdateMenuStates(HWND mainWindow, HMENU menu);
void ShowMenuHelp(HWND mainWindow, UINT item, UINT flags, HMENU menu);

// The toolbar (toolbar.cpp): created with its 16 buttons.
HWND CreateMainToolbar(HWND mainWindow, HIMAGELIST *images);

#endif
