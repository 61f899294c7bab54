// Small window and control helpers: property-sheet pages, redraw
// switches, child rectangles, column widths, character widths.
#ifndef SKOVALT_UI_HELPERS_H
#define SKOVALT_UI_HELPERS_H

#include <windows.h>
#include <prsht.h>

// Fills a property-sheet page of the program's dialog resource with its
// procedure, and its tab icon when icon is not 0.
void InitSheetPage(PROPSHEETPAGEA *page, int dialog, int icon, DLGPROC procedure);
void ChildRect(HWND child, RECT *rect);
// Switches a window's redraw off (on false) or back on (on true). The
// switches nest: redraw comes back with the on that matches the first off,
// so a batch inside another batch leaves the outer one's redraw off.
void SwitchRedraw(HWND window, bool on);
void FillLastColumn(HWND list, int column, int columnCount);
int AverageCharWidth(HWND window);

#endif
