// The status bar: plain texts in its four parts and the owner-drawn
// refresh progress display in part 0. The calls send synchronous messages
// to the control, so they may come from any thread.
#ifndef SKOVALT_UI_STATUSBAR_H
#define SKOVALT_UI_STATUSBAR_H

#include <windows.h>
#include <stddef.h>

// Plain text in status part 0; nothing while a refresh runs.
void StatusPrint(HWND statusBar, const char *format, ...);
// Plain text in any status part, also during a refresh (parts 1 to 3 are
// not the progress display).
void StatusPrintPart(HWND statusBar, int part, const char *format, ...);

// The refresh progress display in status part 0.
void ProgressBegin(HWND statusBar);
void ProgressUpdate(HWND statusBar, int position, int total, const char *format, ...);
// ProgressUpdate without the repaint, for a caller that repaints many
// updates at once with ProgressRepaint; false when no display is shown.
bool ProgressUpdateUnpainted(int position, int total, const char *format, ...);
void ProgressRepaint(HWND statusBar);
void ProgressEnd(HWND statusBar);
// The progress display's text into buffer; false when no progress display
// is shown (the buffer then holds "").
bool CopyProgressText(char *buffer, size_t size);
// Draws the display (the main window's WM_DRAWITEM for the status bar).
void DrawProgress(const DRAWITEMSTRUCT *item);
// Sets the four part edges for a main window client width.
void SetStatusParts(HWND statusBar, int width);

#endif
