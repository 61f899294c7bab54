// The main window: its two window classes, the window procedure, the
// layout of its children, the start-up continuation and the exit sequence.
#ifndef SKOVALT_UI_MAINWINDOW_H
#define SKOVALT_UI_MAINWINDOW_H

#include <windows.h>
#include <commctrl.h>

// Registers the main class "Skovalt".
bool RegisterMainClass(HINSTANCE instance);

// One message of the loop: the details dialog's, an accelerator of the
// main window, or translated and dispatched.
void HandleLoopMessage(HWND mainWindow, HACCEL accelerators, MSG *msg);

// Runs the message loop until the quit message; returns its value.
int RunMessageLoop(HWND mainWindow, HACCEL accelerators);

// Lays the children out for the main window's client area.
void LayoutChildren(HWND mainWindow);

// The splitter after a drag (UM_SPLITMOVED).
void OnSplitMoved(HWND mainWindow);

// The exit sequence (WM_CLOSE). Returns true when the quit message was
// posted, false when the window stays.
bool OnClose(HWND mainWindow);

#endif
