// List rows: each row's parameter (which server, which player), the
// virtual server list's rows, the player list's rows counted per server,
// and the selection. Those that touch a control do it with synchronous
// window messages.
#ifndef SKOVALT_UI_ROWS_H
#define SKOVALT_UI_ROWS_H

#include <windows.h>
#include <stdint.h>

#include <commctrl.h>

#include <unordered_set>
#include <vector>

#include "kv/kv.h"

// A list row's item parameter. In both lists the low 24 bits hold the
// table index of the server the row shows; a player list row holds the
// player's position on that server in the high 8 bits.
LPARAM ServerRowParam(long slot);
LPARAM PlayerRowParam(long slot, int position);
// The last position 8 bits hold: players further down get no row.
const int kMaxRowPlayerPosition = 255;
long RowSlotIndex(LPARAM param);
int RowPlayerPosition(LPARAM param);
// The parameter of a player list row that shows no server's player.
const LPARAM kNoServerRowParam = 0xFFFFFF;

// The servers a list shows, by address and port, for finding one among
// many rows at once (the same answer as FindRowByHost row by row).
using RowKeys = std::unordered_set<uint64_t>;
uint64_t RowKey(uint32_t ip, uint16_t port);
RowKeys ShownRowKeys(HWND list);

// The player list's rows of players go in and out through these, which
// count each server's rows: removing the rows of a server that has none
// then costs nothing. InsertPlayerRow inserts a row at position row for
// the player at position on the server at table index slot, and returns
// the new row's position or -1; RemovePlayerRows removes one server's
// rows; ClearPlayerRows removes every row.
int InsertPlayerRow(HWND players, int row, long slot, int position);
void RemovePlayerRows(HWND players, long slot);
void ClearPlayerRows(HWND players);
// The server list row that shows a table index: row when it still does,
// else wherever the index is now; -1 when no row shows it.
int ServerRowOfSlot(HWND list, int row, long slot);

void SelectRow(HWND list, int row);

// The server list is a virtual list view (LVS_OWNERDATA): the control
// keeps only the number of rows and their selection, and the rows'
// parameters are kept here, in display order. Filling a list view row by
// row costs seconds at 100,000 servers; setting a count costs nothing.
// The row functions below work on either kind of list; a list is virtual
// from MakeVirtualRows (called once it is created) until another list is.
void MakeVirtualRows(HWND list);
// Replaces every row of a list with rows of these parameters, none of
// them selected.
void SetRows(HWND list, const std::vector<LPARAM> &params);
// The item parameter of a row (its server's table index in the low 24
// bits). False when the list has no such row; *param is then untouched.
bool RowParam(HWND list, int row, LPARAM *param);
// Inserts a row at position row whose text and icon come on demand, with
// param as its parameter; the rows below keep their selection. Returns the
// new row's position or -1. InsertCallbackRows inserts several at once.
int InsertCallbackRow(HWND list, int row, LPARAM param);
int InsertCallbackRows(HWND list, int row, const std::vector<LPARAM> &params);
// Removes a row; the rows below keep their selection.
bool DeleteRow(HWND list, int row);
// Removes rows (positions, top to bottom) in one go; the rows kept keep
// their selection, and the focus stays on its row or, when that row goes,
// passes to the next row kept.
void DeleteRows(HWND list, const std::vector<int> &rows);
// The selected rows from row down, top to bottom.
std::vector<int> SelectedRowsFrom(HWND list, int row);
// True while the row functions move selection marks along with their
// rows: the same servers stay selected, so nothing needs to follow each
// change.
bool MovingRowMarks();
// Sorts the rows by compare (as LVM_SORTITEMS would, keeping each row's
// selection and the focus); rows that compare equal keep their order.
void SortRows(HWND list, PFNLVCOMPARE compare, LPARAM key);
// The list the row commands act on: the player list when it has the
// keyboard focus, else the server list.
HWND ActiveList(HWND mainWindow);
// The parameter of the active list's focused selected row; false when it
// has none.
bool SelectedRowParam(HWND mainWindow, LPARAM *param);
// The server of the focused selected row of the active list, or null.
tagQServer *SelectedServer(HWND mainWindow);
// The server a row parameter names, or null.
tagQServer *RowServer(LPARAM param);
// Redraws one row.
void InvalidateRow(HWND list, int row);

#endif
