// Shared user-interface helpers: status bar texts and the refresh progress
// display, toolbar states, message boxes, sounds, paths, small text and
// list operations. Those that touch a control do it with synchronous
// window messages, so they may be called from any thread.
#ifndef SKOVALT_UI_HELPERS_H
#define SKOVALT_UI_HELPERS_H

#include <windows.h>
#include <stddef.h>

#include "kv/kv.h"

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

void ToolbarCheck(HWND toolbar, int command, bool on);
void ToolbarEnable(HWND toolbar, int command, bool on);

// A message box with caption "Skovalt"; returns its result.
int ReportMessage(HWND owner, UINT type, const char *format, ...);

// Tests only: every message box goes to the hook instead, which returns
// the answer (IDOK, IDYES, ...); null restores the boxes.
using MessageHook = int (*)(HWND owner, UINT type, const char *text);
void SetMessageHookForTests(MessageHook hook);

// Plays a wave file of the program directory unless "NoSound" is on; a
// call with no name and no flags stops any sound, "NoSound" or not.
void PlayWave(const char *fileName, DWORD flags);

// The program directory (ending in a backslash) with name appended.
void ModulePath(char *buffer, size_t size, const char *fileName);
// Tests only: a directory (with its final backslash) used instead of the
// executable's; null restores it.
void SetModuleDirForTests(const char *directory);

// Copies one separator-ended field of source into dest (blanks trimmed);
// returns the position after the separator, or null for a null source.
const char *NextField(char *dest, size_t size, const char *source, char separator);
// Case-insensitive substring search; null when not found or text is null.
const char *FindNoCase(const char *text, const char *pattern);
bool FileExists(const char *path);

// Modal prompt (dialog 140). Returns 0 on OK (buffer filled), 1 on Cancel.
int PromptDialog(HWND owner, char *buffer, int size, const char *caption, const char *prompt);

void SelectRow(HWND list, int row);
// The item parameter of a row (its server's table index in the low 24
// bits). False when the list has no such row; *param is then untouched.
bool RowParam(HWND list, int row, LPARAM *param);
// Inserts a row at position row whose text and icon come on demand, with
// param as its parameter. Returns the new row's position or -1.
int InsertCallbackRow(HWND list, int row, LPARAM param);
// The server of the focused selected row of the active list, or null.
tagQServer *SelectedServer(HWND mainWindow);
// The server a row parameter names (low 24 bits), or null.
tagQServer *RowServer(LPARAM param);
void ChildRect(HWND child, RECT *rect);
void InvalidateRow(HWND list, int row);
void FillLastColumn(HWND list, int column, int columnCount);
int AverageCharWidth(HWND window);
void CenterWindow(HWND window);

#endif
