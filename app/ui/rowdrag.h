// Moving server list rows: MoveRow and drag and drop with the mouse.
#ifndef SKOVALT_UI_ROWDRAG_H
#define SKOVALT_UI_ROWDRAG_H

#include <windows.h>
#include <commctrl.h>

// Moves row source so it lands before row target. Returns 0, or 1 when
// nothing was moved.
int MoveRow(HWND list, int target, int source);

// Row drag and drop of the server list (not while refreshing).
void OnListBeginDrag(HWND mainWindow, NMLISTVIEW *drag);
void OnDragMouseMove(HWND mainWindow, int x, int y);
void OnDragButtonUp(HWND mainWindow, int x, int y);

#endif
