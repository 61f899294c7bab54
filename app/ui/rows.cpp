// List rows: their parameters, the virtual server list's rows, the player
// list's rows and the selection.
#include "ui/rows.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "resources/resource.h"
#include "settings/appdata.h"

LPARAM ServerRowParam(long slot)
{
    return static_cast<LPARAM>(slot & 0xFFFFFF);
}

LPARAM PlayerRowParam(long slot, int position)
{
    return static_cast<LPARAM>((static_cast<unsigned long>(position & 0xFF) << 24) | (slot & 0xFFFFFF));
}

long RowSlotIndex(LPARAM param)
{
    return static_cast<long>(param & 0xFFFFFF);
}

int RowPlayerPosition(LPARAM param)
{
    return static_cast<int>((static_cast<unsigned long>(param) >> 24) & 0xFF);
}

namespace {

// The rows of the virtual list: its parameters in display order.
struct VirtualRows {
    HWND list;
    std::vector<LPARAM> params;
};
VirtualRows virtualRows = {nullptr, {}};

std::vector<LPARAM> *VirtualParams(HWND list)
{
    return list && list == virtualRows.list ? &virtualRows.params : nullptr;
}

// Rows first to last.
struct RowRun {
    int first;
    int last;
};

// The runs of consecutive rows of rows (ascending).
std::vector<RowRun> RunsOf(const std::vector<int> &rows)
{
    std::vector<RowRun> runs;
    for (int row : rows) {
        if (!runs.empty() && runs.back().last + 1 == row)
            runs.back().last = row;
        else
            runs.push_back({row, row});
    }
    return runs;
}

// The rows of runs a that no run of b holds (both ascending, apart).
std::vector<RowRun> RunsWithout(const std::vector<RowRun> &a, const std::vector<RowRun> &b)
{
    std::vector<RowRun> left;
    size_t j = 0;
    for (RowRun run : a) {
        while (j < b.size() && b[j].last < run.first)
            ++j;
        for (size_t k = j; k < b.size() && b[k].first <= run.last && run.first <= run.last; ++k) {
            if (b[k].first > run.first)
                left.push_back({run.first, b[k].first - 1});
            run.first = b[k].last + 1;
        }
        if (run.first <= run.last)
            left.push_back(run);
    }
    return left;
}

void SetRowsState(HWND list, const RowRun &run, UINT state)
{
    for (int row = run.first; row <= run.last; ++row)
        ListView_SetItemState(list, row, state, LVIS_SELECTED);
}

int movingRowMarks = 0;

// The selection marks of the rows before become those of the rows after.
// Only the marks that differ are set, so that a run of 100,000 selected
// rows moved down by one costs two changes; the same servers stay
// selected, so the command states are not asked again for each.
void MoveRowMarks(HWND list, const std::vector<RowRun> &before, const std::vector<RowRun> &after)
{
    ++movingRowMarks;
    for (const RowRun &run : RunsWithout(before, after))
        SetRowsState(list, run, 0);
    for (const RowRun &run : RunsWithout(after, before))
        SetRowsState(list, run, LVIS_SELECTED);
    --movingRowMarks;
}

}  // namespace

bool MovingRowMarks()
{
    return movingRowMarks > 0;
}

std::vector<int> SelectedRowsFrom(HWND list, int row)
{
    std::vector<int> rows;
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return rows;
    for (int at = row - 1; (at = ListView_GetNextItem(list, at, LVNI_SELECTED)) >= 0;)
        rows.push_back(at);
    return rows;
}

uint64_t RowKey(uint32_t ip, uint16_t port)
{
    return static_cast<uint64_t>(ip) << 16 | port;
}

RowKeys ShownRowKeys(HWND list)
{
    RowKeys keys;
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    keys.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        LPARAM param;
        tagQServer *server = RowParam(list, row, &param) ? RowServer(param) : nullptr;
        if (server)
            keys.insert(RowKey(static_cast<uint32_t>(KvServerGetHostIP(server)), KvServerGetHostPort(server)));
    }
    return keys;
}

namespace {

// How many rows each server (by table index) has in the player list. A
// refresh removes each server's rows before and after its query; with
// thousands of found players a scan of the list each time made a search
// refresh many times slower than the refresh itself, while most servers
// have no row at all. Counts of one list: another list starts them anew.
struct PlayerRowCounts {
    HWND list;
    std::vector<int> bySlot;
};
PlayerRowCounts playerRows = {nullptr, {}};

std::vector<int> &RowCountsOf(HWND players)
{
    if (playerRows.list != players) {
        playerRows.list = players;
        playerRows.bySlot.clear();
    }
    return playerRows.bySlot;
}

}  // namespace

int InsertPlayerRow(HWND players, int row, long slot, int position)
{
    std::vector<int> &counts = RowCountsOf(players);
    if (slot < 0)
        return -1;
    if (static_cast<size_t>(slot) >= counts.size())
        counts.resize(static_cast<size_t>(slot) + 1, 0);
    int inserted = InsertCallbackRow(players, row, PlayerRowParam(slot, position));
    if (inserted >= 0)
        ++counts[static_cast<size_t>(slot)];
    return inserted;
}

void RemovePlayerRows(HWND players, long slot)
{
    std::vector<int> &counts = RowCountsOf(players);
    if (slot < 0 || static_cast<size_t>(slot) >= counts.size() || counts[static_cast<size_t>(slot)] == 0)
        return;
    int &left = counts[static_cast<size_t>(slot)];
    // From the top, where the servers refreshed last have their rows.
    int count = static_cast<int>(SendMessageA(players, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count && left > 0;) {
        LPARAM param;
        if (RowParam(players, row, &param) && param != kNoServerRowParam && RowSlotIndex(param) == slot &&
            SendMessageA(players, LVM_DELETEITEM, static_cast<WPARAM>(row), 0)) {
            --left;
            --count;
        } else {
            ++row;
        }
    }
    left = 0;
}

void ClearPlayerRows(HWND players)
{
    SendMessageA(players, LVM_DELETEALLITEMS, 0, 0);
    RowCountsOf(players).clear();
}

int ServerRowOfSlot(HWND list, int row, long slot)
{
    LPARAM param;
    if (RowParam(list, row, &param) && RowSlotIndex(param) == slot)
        return row;
    if (std::vector<LPARAM> *rows = VirtualParams(list)) {
        auto at = std::find(rows->begin(), rows->end(), ServerRowParam(slot));
        return at == rows->end() ? -1 : static_cast<int>(at - rows->begin());
    }
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = ServerRowParam(slot);
    return static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void SelectRow(HWND list, int row)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void MakeVirtualRows(HWND list)
{
    virtualRows.list = list;
    virtualRows.params.clear();
}

void SetRows(HWND list, const std::vector<LPARAM> &params)
{
    if (std::vector<LPARAM> *rows = VirtualParams(list)) {
        *rows = params;
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);  // the selection and focus
        SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows->size()), 0);
        return;
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < params.size(); ++i)
        InsertCallbackRow(list, static_cast<int>(i), params[i]);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

int InsertCallbackRows(HWND list, int row, const std::vector<LPARAM> &params)
{
    if (row < 0)
        return -1;
    std::vector<LPARAM> *rows = VirtualParams(list);
    if (!rows) {
        int first = -1;
        for (size_t i = 0; i < params.size(); ++i) {
            int at = InsertCallbackRow(list, row + static_cast<int>(i), params[i]);
            if (first < 0)
                first = at;
        }
        return first;
    }
    row = std::min(row, static_cast<int>(rows->size()));  // past the end appends
    int added = static_cast<int>(params.size());
    std::vector<RowRun> before = RunsOf(SelectedRowsFrom(list, row));
    std::vector<RowRun> after = before;
    for (RowRun &run : after) {
        run.first += added;
        run.last += added;
    }
    int focus = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    rows->insert(rows->begin() + row, params.begin(), params.end());
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows->size()), LVSICF_NOSCROLL);
    // The control keeps the selection by position: it moves down with the
    // rows.
    MoveRowMarks(list, before, after);
    if (focus >= row)
        ListView_SetItemState(list, focus + added, LVIS_FOCUSED, LVIS_FOCUSED);
    return row;
}

bool DeleteRow(HWND list, int row)
{
    std::vector<LPARAM> *rows = VirtualParams(list);
    if (!rows)
        return SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != 0;
    if (row < 0 || static_cast<size_t>(row) >= rows->size())
        return false;
    rows->erase(rows->begin() + row);
    // The control moves the selection and focus of the rows below up.
    return SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != 0;
}

void DeleteRows(HWND list, const std::vector<int> &rows)
{
    std::vector<LPARAM> *params = VirtualParams(list);
    if (!params) {
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(*row), 0);
        return;
    }
    // Where each row goes: its new position, or for a removed row -1 - the
    // position of the next row kept.
    int count = static_cast<int>(params->size());
    std::vector<int> moved(static_cast<size_t>(count), 0);
    for (int row : rows) {
        if (row >= 0 && row < count)
            moved[static_cast<size_t>(row)] = -1;
    }
    int kept = 0;
    for (int row = 0; row < count; ++row) {
        int &to = moved[static_cast<size_t>(row)];
        if (to < 0) {
            to = -1 - kept;
            continue;
        }
        to = kept;
        (*params)[static_cast<size_t>(kept++)] = (*params)[static_cast<size_t>(row)];
    }
    if (kept == count)
        return;
    params->resize(static_cast<size_t>(kept));
    std::vector<int> selected = SelectedRowsFrom(list, 0);
    int focus = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(kept), LVSICF_NOSCROLL);
    for (int row : selected) {
        int to = moved[static_cast<size_t>(row)];
        if (to >= 0)
            ListView_SetItemState(list, to, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focus >= 0 && focus < count && kept > 0) {
        int to = moved[static_cast<size_t>(focus)];
        to = to >= 0 ? to : std::min(-1 - to, kept - 1);
        ListView_SetItemState(list, to, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    InvalidateRect(list, nullptr, TRUE);
}

void SortRows(HWND list, PFNLVCOMPARE compare, LPARAM key)
{
    std::vector<LPARAM> *rows = VirtualParams(list);
    if (!rows) {
        SendMessageA(list, LVM_SORTITEMS, static_cast<WPARAM>(key), reinterpret_cast<LPARAM>(compare));
        return;
    }
    std::vector<int> before = SelectedRowsFrom(list, 0);
    std::unordered_set<LPARAM> selected;
    for (int row : before)
        selected.insert((*rows)[static_cast<size_t>(row)]);
    LPARAM focused = 0;
    bool hasFocus = RowParam(list, ListView_GetNextItem(list, -1, LVNI_FOCUSED), &focused);
    std::stable_sort(rows->begin(), rows->end(), [&](LPARAM a, LPARAM b) { return compare(a, b, key) < 0; });
    std::vector<int> after;
    for (size_t row = 0; row < rows->size() && after.size() < selected.size(); ++row) {
        if (selected.count((*rows)[row]))
            after.push_back(static_cast<int>(row));
    }
    MoveRowMarks(list, RunsOf(before), RunsOf(after));
    if (hasFocus) {
        auto at = std::find(rows->begin(), rows->end(), focused);
        if (at != rows->end())
            ListView_SetItemState(list, static_cast<int>(at - rows->begin()), LVIS_FOCUSED, LVIS_FOCUSED);
    }
    InvalidateRect(list, nullptr, TRUE);
}

int InsertCallbackRow(HWND list, int row, LPARAM param)
{
    if (VirtualParams(list))
        return InsertCallbackRows(list, row, {param});
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.iImage = I_IMAGECALLBACK;
    item.lParam = param;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool RowParam(HWND list, int row, LPARAM *param)
{
    if (std::vector<LPARAM> *rows = VirtualParams(list)) {
        if (row < 0 || static_cast<size_t>(row) >= rows->size())
            return false;
        *param = (*rows)[static_cast<size_t>(row)];
        return true;
    }
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    *param = item.lParam;
    return true;
}

tagQServer *RowServer(LPARAM param)
{
    if (!appData)
        return nullptr;
    ServerSlot *slot = SlotAt(&appData->table, RowSlotIndex(param));
    return slot ? slot->server : nullptr;
}

HWND ActiveList(HWND mainWindow)
{
    HWND players = GetDlgItem(mainWindow, ID_PLAYERLIST);
    return players && GetFocus() == players ? players : GetDlgItem(mainWindow, ID_SERVERLIST);
}

bool SelectedRowParam(HWND mainWindow, LPARAM *param)
{
    HWND list = ActiveList(mainWindow);
    return list && RowParam(list, ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED), param);
}

tagQServer *SelectedServer(HWND mainWindow)
{
    LPARAM param;
    return SelectedRowParam(mainWindow, &param) ? RowServer(param) : nullptr;
}

void InvalidateRow(HWND list, int row)
{
    RECT rect;
    if (ListView_GetItemRect(list, row, &rect, LVIR_BOUNDS))
        InvalidateRect(list, &rect, TRUE);
}
