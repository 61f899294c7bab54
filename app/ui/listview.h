// The server list and the player list: columns from templates,
// cell texts and icons, sorting, grayout, fonts, background image and
// column widths.
#ifndef SKOVALT_UI_LISTVIEW_H
#define SKOVALT_UI_LISTVIEW_H

#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#include "kv/kv.h"

// A list font of "FontS" or "FontP" at dpi: the stored sizes are in
// 96-DPI units; with none stored, the system's message font. Writing
// stores the sizes of a font at dpi in 96-DPI units again.
void ReadListFont(const char *setting, int dpi, LOGFONTA *font);
void WriteListFont(const char *setting, int dpi, const LOGFONTA *font);
// Creates the list's font from "FontS" or "FontP" (the old one is deleted)
// and rebuilds its columns from its template and widths.
void ApplyListFont(HWND list);
// Only the font: the list's font is made again from "FontS" or "FontP"
// (the old one deleted), set without redraw; the columns stay.
void ReplaceListFont(HWND list);
// Deletes the fonts ApplyListFont made (at exit).
void DeleteListFont(HWND list);

void BuildColumns(HWND list, const char *templateText, const char *widths);

// The column part i of a template (the text before its i-th "%t"), into
// part (size bytes). False when the template has fewer parts.
bool TemplatePart(const char *templateText, int column, char *part, size_t size);

// LVN_GETDISPINFO of either list.
void OnListDisplayText(NMLVDISPINFOA *info);
// The icon of a server row (images 3 to 10).
int ServerImage(tagQServer *server, bool favourite);

// Column click: sorts the server list by the column's key.
void OnListColumnClick(HWND mainWindow, NMLISTVIEW *click);
// Compares two servers for a sort key ('s', 'm', 'g', 'l' or another for
// ping); <0, 0 or >0.
int CompareServers(tagQServer *a, tagQServer *b, char key);
void SortServerList(HWND list, char key);

// Grayout: true when the server is down, full or slower than threshold.
bool ServerIsGrey(tagQServer *server, uint16_t threshold);
LRESULT OnListCustomDraw(NMLVCUSTOMDRAW *draw);
// Typing in the server list: the row, from find->iStart on, whose first
// column begins with (or, without LVFI_PARTIAL, is) the typed text, case
// aside; -1 when none. The server list is virtual, so the list view asks
// its parent to search. The text is wide when the code is LVN_ODFINDITEMW.
LRESULT OnListFindItem(NMLVFINDITEMA *find);

void SetListBackground(HWND list, bool on);
void StoreColumnWidths(HWND mainWindow);

#endif
