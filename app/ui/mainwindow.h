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

// Sizes of the main window's children in 96-DPI units: the splitter's
// height and how far it reaches past each side, the animation's width.
const int kSplitterHeight = 7;
const int kSplitterEdge = 3;
const int kAnimationWidth = 32;

// Lays the children out for the main window's client area.
void LayoutChildren(HWND mainWindow);

// Makes everything drawn at the window's DPI for the DPI it is on now: the
// toolbar's images and buttons, the list images, fonts and column widths,
// the splitter, the animation, the status parts; then the layout. At
// creation and on WM_DPICHANGED.
void ApplyWindowDpi(HWND mainWindow);

// The splitter after a drag (UM_SPLITMOVED).
void OnSplitMoved(HWND mainWindow);

// The exit sequence (WM_CLOSE). Returns true when the quit message was
// posted, false when the window stays.
bool OnClose(HWND mainWindow);

#endif
