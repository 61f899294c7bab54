// Editing the server list by hand.
#include "ui/listedit.h"

#include <commctrl.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/report.h"
#include "base/text.h"
#include "resources/resource.h"
#include "serverlist/listformat.h"
#include "serverlist/serverfile.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/rows.h"
#include "ui/prompt.h"
#include "ui/refreshview.h"
#include "ui/rowdrag.h"
#include "ui/statusbar.h"

namespace {

const size_t kAddTextSize = 256;
const size_t kFindTextSize = 64;

HWND Child(HWND mainWindow, int id) { return GetDlgItem(mainWindow, id); }

int RowCount(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

void ShowRow(HWND list, int row)
{
    SelectRow(list, row);
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

ServerSlot *RowSlot(HWND list, int row)
{
    LPARAM param;
    if (!RowParam(list, row, &param))
        return nullptr;
    return SlotAt(&appData->table, RowSlotIndex(param));
}

// The host a typed or pasted text "host[:port]" names: an address
// (beginning with a digit) or a name looked up, each with a port from 1 to
// 65535 (27910 when none is given). A HostTextResult.
int HostOfText(const char *text, tagKvHOST *host)
{
    if (isdigit(static_cast<unsigned char>(text[0])))
        return ParseHostAddress(text, host);
    size_t nameLength;
    uint16_t port;
    if (ReadHostPort(text, strlen(text), &nameLength, &port) != HostTextOk)
        return HostTextBadPort;
    std::string name(text, nameLength);
    tagKvHOST found = {};
    if (name.empty() || KvGetHostIP(&found, &name[0]) != 0 || !IsServerHost(found.ip, port))
        return HostTextNoAddress;
    host->ip = found.ip;
    host->port = port;
    return HostTextOk;
}

struct AddServerData {
    char text[kAddTextSize];
};

INT_PTR CALLBACK AddServerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        SendDlgItemMessageA(dialog, IDC_ADD_NAME, EM_LIMITTEXT, kAddTextSize - 1, 0);
        for (const char *port : {"27910", "27911", "27912", "27913", "27914", "27915"})
            SendDlgItemMessageA(dialog, IDC_ADD_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port));
        SendDlgItemMessageA(dialog, IDC_ADD_PORT, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>("27910"));
        return TRUE;
    }
    case WM_COMMAND: {
        auto *data = reinterpret_cast<AddServerData *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        if (LOWORD(wParam) != IDOK)
            return FALSE;
        char name[kAddTextSize], port[25];
        GetDlgItemTextA(dialog, IDC_ADD_NAME, name, sizeof name);
        GetDlgItemTextA(dialog, IDC_ADD_PORT, port, sizeof port);
        int n = atoi(port) == KV_DEFAULT_PORT ? snprintf(data->text, sizeof data->text, "%s", name)
                                                : snprintf(data->text, sizeof data->text, "%s:%s", name, port);
        // A host name is never cut: a text that does not fit is refused.
        if (n < 0 || static_cast<size_t>(n) >= sizeof data->text) {
            ReportMessage(dialog, MB_ICONEXCLAMATION, "The name and port are too long for a server (%u characters at most).",
                          static_cast<unsigned>(sizeof data->text - 1));
            return TRUE;
        }
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int FindRowByHost(HWND list, const tagKvHOST *host, int start)
{
    int rows = RowCount(list);
    for (int row = start < 0 ? 0 : start + 1; row < rows; ++row) {
        ServerSlot *slot = RowSlot(list, row);
        if (slot && slot->server && KvServerGetHostIP(slot->server) == host->ip &&
            KvServerGetHostPort(slot->server) == host->port)
            return row;
    }
    return -1;
}

namespace {

// A table entry for a server not yet asked; its index, or -1.
int AddNewServer(const tagKvHOST *host, const char *text)
{
    tagQServer *server = nullptr;
    if (KvServerAlloc(&server, host->ip, host->port, const_cast<char *>(text), nullptr, nullptr, 0xFFFF) != 0 ||
        !server)
        return -1;
    int index = AddSlot(&appData->table, server, 0);
    if (index < 0)
        KvServerFree(server);
    return index;
}

// New servers' rows go in at the top, in one go.
void ShowNewRows(HWND mainWindow, const std::vector<LPARAM> &rows)
{
    HWND list = Child(mainWindow, ID_SERVERLIST);
    InsertCallbackRows(list, 0, rows);
    appData->flags |= FlagModified;
    StatusPrintPart(Child(mainWindow, ID_STATUSBAR), 3, "%d servers", RowCount(list));
}

// AddServerToList without its journal record.
int AddUnjournaled(HWND mainWindow, const tagKvHOST *host, const char *text)
{
    int index = AddNewServer(host, text);
    if (index < 0)
        return 1;
    ShowNewRows(mainWindow, {ServerRowParam(index)});
    return 0;
}

// Shows what was added, then has the new rows (the top count rows)
// queried as a refresh queries them; says so when that cannot start.
void QueryAddedRows(HWND mainWindow, int count, const char *added)
{
    StatusPrint(Child(mainWindow, ID_STATUSBAR), "%s", added);
    std::vector<int> top(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        top[static_cast<size_t>(i)] = i;
    int started = StartRefreshOfRows(mainWindow, top.data(), count, added);
    if (started != 0)
        ReportMessage(mainWindow, MB_ICONINFORMATION,
                      started == 1 ? "%s, but not queried while a refresh runs." : "%s, but the query could not be started.",
                      added);
}

// Journals servers added ('+') or removed ('-') in Delta.dat; the user is
// told when that fails, as a master reload will then not keep the change.
void Journal(HWND mainWindow, const tagKvHOST *hosts, size_t count, char kind)
{
    if (count > 0 && AppendDeltas(hosts, count, kind) != 0)
        ReportMessage(mainWindow, MB_ICONEXCLAMATION,
                      "Cannot write 'Delta.dat'.\nThe server(s) just %s will not be kept by 'Reload from master'.",
                      kind == '+' ? "added" : "removed");
}

}  // namespace

int AddServerToList(HWND mainWindow, const tagKvHOST *host, const char *text)
{
    if (AddUnjournaled(mainWindow, host, text) != 0)
        return 1;
    Journal(mainWindow, host, 1, '+');
    return 0;
}

void OnCmdAddServer(HWND mainWindow)
{
    AddServerData data = {};
    if (DialogBoxParamA(appData->instance, MAKEINTRESOURCEA(IDD_ADDSERVER), mainWindow, AddServerProc,
                        reinterpret_cast<LPARAM>(&data)) != IDOK)
        return;
    tagKvHOST host;
    int found = HostOfText(data.text, &host);
    if (found == HostTextBadPort) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Invalid port in '%s': a port is a number from 1 to 65535.",
                      data.text);
        return;
    }
    if (found != HostTextOk) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Could not resolve name %s", data.text);
        return;
    }
    HWND list = Child(mainWindow, ID_SERVERLIST);
    int row = FindRowByHost(list, &host, -1);
    if (row >= 0) {
        ShowRow(list, row);
        ReportMessage(mainWindow, MB_ICONINFORMATION, "Server '%s' is already in list.", data.text);
        return;
    }
    if (AddServerToList(mainWindow, &host, data.text) != 0)
        return;
    ShowRow(list, 0);
    // The new server is queried without holding the window.
    char added[kAddTextSize + 32];
    snprintf(added, sizeof added, "%s added to list", data.text);
    QueryAddedRows(mainWindow, 1, added);
}

void OnCmdPaste(HWND mainWindow)
{
    if (!OpenClipboard(mainWindow))
        return;
    HANDLE handle = GetClipboardData(CF_TEXT);
    const char *text = handle ? static_cast<const char *>(GlobalLock(handle)) : nullptr;
    if (!text) {
        CloseClipboard();
        return;
    }
    // The text ends at its NUL or at the end of its block, whichever comes
    // first: a block without a NUL is never read past.
    const char *end = text + strnlen(text, GlobalSize(handle));
    HWND list = Child(mainWindow, ID_SERVERLIST);
    HWND statusBar = Child(mainWindow, ID_STATUSBAR);
    RowKeys shown = ShownRowKeys(list);
    std::vector<tagKvHOST> added;
    SendMessageA(statusBar, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    std::vector<LPARAM> rows;
    int skipped = 0;
    char token[kAddTextSize];
    for (const char *line = text; line && ReadPastedHost(line, end, token, sizeof token, &line);) {
        StatusPrint(statusBar, "Adding %s to list", token);
        tagKvHOST host;
        if (HostOfText(token, &host) != HostTextOk) {
            ++skipped;
            continue;
        }
        if (shown.count(RowKey(host.ip, host.port)))
            continue;
        int index = AddNewServer(&host, token);
        if (index >= 0) {
            shown.insert(RowKey(host.ip, host.port));
            added.push_back(host);
            rows.push_back(ServerRowParam(index));
        }
    }
    // The server pasted last stands at the top.
    std::reverse(rows.begin(), rows.end());
    if (!rows.empty())
        ShowNewRows(mainWindow, rows);
    GlobalUnlock(handle);
    CloseClipboard();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    SendMessageA(statusBar, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(statusBar, nullptr, TRUE);
    // One journal write for the whole paste.
    Journal(mainWindow, added.data(), added.size(), '+');

    int count = static_cast<int>(added.size());
    char done[128];
    int n = snprintf(done, sizeof done, "%d server(s) added to list", count);
    if (skipped > 0)
        snprintf(done + n, sizeof done - static_cast<size_t>(n), ", %d skipped (unknown host or bad port)", skipped);
    if (count == 0) {
        StatusPrint(statusBar, "%s", done);
        return;
    }
    // The new servers are the top rows; they are queried together, as a
    // refresh queries them, while the window goes on answering.
    QueryAddedRows(mainWindow, count, done);
}

void OnCmdCopy(HWND mainWindow)
{
    HWND list = ActiveList(mainWindow);
    HWND statusBar = Child(mainWindow, ID_STATUSBAR);
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return;
    // The block is sized from the lines themselves, however long a name.
    std::string lines;
    int count = 0;
    for (int row = -1; (row = ListView_GetNextItem(list, row, LVNI_SELECTED)) >= 0;) {
        ServerSlot *slot = RowSlot(list, row);
        if (!slot || !slot->server)
            continue;
        char address[128];
        KvServerGetHostIPString(slot->server, address, sizeof address);
        const char *name = KvServerGetServerName(slot->server);
        lines += address;
        lines += ',';
        lines += name ? name : "";
        lines += "\r\n";
        ++count;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, lines.size() + 1);
    char *text = block ? static_cast<char *>(GlobalLock(block)) : nullptr;
    if (!text) {
        if (block)
            GlobalFree(block);
        return;
    }
    memcpy(text, lines.data(), lines.size());
    GlobalUnlock(block);
    if (!OpenClipboard(mainWindow) || !EmptyClipboard()) {
        CloseClipboard();
        GlobalFree(block);
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Cannot open clipboard.");
        return;
    }
    StatusPrint(statusBar, "Copying server(s) to clipboard");
    if (!SetClipboardData(CF_TEXT, block)) {
        GlobalFree(block);
        CloseClipboard();
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Clipboard error.");
        return;
    }
    CloseClipboard();
    StatusPrint(statusBar, "%d server(s) copied to clipboard.", count);
}

void OnCmdDelete(HWND mainWindow)
{
    HWND list = Child(mainWindow, ID_SERVERLIST);
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0 ||
        ReportMessage(mainWindow, MB_YESNO | MB_ICONQUESTION, "Delete selected server(s) from list ?") != IDYES)
        return;
    HWND players = Child(mainWindow, ID_PLAYERLIST);
    int count = 0;
    std::vector<tagKvHOST> removed;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    std::vector<int> rows = SelectedRowsFrom(list, 0);
    for (int row : rows) {
        LPARAM param = 0;
        RowParam(list, row, &param);
        long index = RowSlotIndex(param);
        ServerSlot *slot = SlotAt(&appData->table, index);
        if (slot && slot->server) {
            RemovePlayerRows(players, index);
            removed.push_back({static_cast<uint32_t>(KvServerGetHostIP(slot->server)),
                               KvServerGetHostPort(slot->server)});
            MarkSlotDeleted(&appData->table, index);
        }
        appData->flags |= FlagModified;
        ++count;
    }
    DeleteRows(list, rows);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    Journal(mainWindow, removed.data(), removed.size(), '-');
    HWND statusBar = Child(mainWindow, ID_STATUSBAR);
    StatusPrint(statusBar, "%d server(s) deleted from list", count);
    StatusPrintPart(statusBar, 3, "%d servers", RowCount(list));
}

void OnCmdMoveToTop(HWND mainWindow)
{
    HWND list = Child(mainWindow, ID_SERVERLIST);
    std::vector<int> selected = SelectedRowsFrom(list, 0);
    int moved = static_cast<int>(selected.size());
    if (moved > 0) {
        // The selected rows first, in their order, then the others.
        std::vector<LPARAM> order(static_cast<size_t>(RowCount(list)));
        std::vector<bool> taken(order.size(), false);
        size_t next = 0;
        for (int row : selected) {
            RowParam(list, row, &order[next++]);
            taken[static_cast<size_t>(row)] = true;
        }
        for (size_t row = 0; row < taken.size(); ++row) {
            if (!taken[row])
                RowParam(list, static_cast<int>(row), &order[next++]);
        }
        SetRows(list, order);
        appData->flags |= FlagModified;
    }
    SelectRow(list, 0);
    StatusPrint(Child(mainWindow, ID_STATUSBAR), "%d server(s) moved to top", moved);
}

void OnCmdSelectAll(HWND mainWindow)
{
    ListView_SetItemState(ActiveList(mainWindow), -1, LVIS_SELECTED, LVIS_SELECTED);
}

void OnCmdFavorite(HWND mainWindow)
{
    HWND list = Child(mainWindow, ID_SERVERLIST);
    bool favourites = false, others = false;
    for (int row = -1; (row = ListView_GetNextItem(list, row, LVNI_SELECTED)) >= 0;) {
        ServerSlot *slot = RowSlot(list, row);
        if (slot)
            (slot->flags & SlotFavorite ? favourites : others) = true;
    }
    if (!favourites && !others)
        return;
    bool mark = others;
    if (favourites && others) {
        int answer = ReportMessage(mainWindow, MB_YESNOCANCEL | MB_ICONQUESTION,
                                   "The selection contains both favorites as non-favorites.\nDo you want to mark all "
                                   "items as favorites ?\n(Type No to mark all items as non-favorites)");
        if (answer == IDCANCEL)
            return;
        mark = answer == IDYES;
    }
    int count = 0;
    for (int row = -1; (row = ListView_GetNextItem(list, row, LVNI_SELECTED)) >= 0;) {
        ServerSlot *slot = RowSlot(list, row);
        if (!slot)
            continue;
        uint8_t flags = mark ? (slot->flags | SlotFavorite) : (slot->flags & ~SlotFavorite);
        if (flags != slot->flags) {
            slot->flags = flags;
            InvalidateRow(list, row);
        }
        appData->flags |= FlagModified;
        ++count;
    }
    StatusPrint(Child(mainWindow, ID_STATUSBAR), mark ? "%d server(s) marked as favorite"
                                                      : "%d server(s) de-marked as favorite",
                count);
}

void OnCmdFindServer(HWND mainWindow)
{
    char text[kFindTextSize];
    ReadSettingFields("LastFind", text, sizeof text, nullptr);
    if (PromptDialog(mainWindow, text, sizeof text, "Server find",
                     "Textfragment to look for (IP, DNS or Q2 servername)") != 0)
        return;
    WriteSetting("LastFind", text);
    OnCmdFindNext(mainWindow);
}

void OnCmdFindNext(HWND mainWindow)
{
    char text[kFindTextSize];
    ReadSettingFields("LastFind", text, sizeof text, nullptr);
    HWND list = Child(mainWindow, ID_SERVERLIST);
    int rows = RowCount(list);
    int start = ListView_GetNextItem(list, -1, LVNI_SELECTED | LVNI_FOCUSED);
    for (int row = start + 1; row < rows; ++row) {
        ServerSlot *slot = RowSlot(list, row);
        if (!slot || !slot->server)
            continue;
        const char *hostName = KvServerGetHostName(slot->server);
        char address[kFindTextSize];
        KvServerGetHostIPString(slot->server, address, sizeof address);
        // An empty text finds every server that has a host name.
        bool match = text[0] == '\0' ? hostName != nullptr
                                     : FindNoCase(hostName, text) || FindNoCase(KvServerGetServerName(slot->server), text) ||
                                           FindNoCase(address, text);
        if (match) {
            ShowRow(list, row);
            return;
        }
    }
    ReportMessage(mainWindow, MB_ICONINFORMATION, "Host '%s' not found.", text);
}

void OnCmdSameGame(HWND mainWindow, bool forward)
{
    HWND list = ActiveList(mainWindow);
    int row = ListView_GetNextItem(list, -1, LVNI_SELECTED | LVNI_FOCUSED);
    if (row < 0)
        return;
    ServerSlot *slot = RowSlot(list, row);
    const char *game = slot && slot->server ? KvServerGetGameName(slot->server) : nullptr;
    if (!game || !*game)
        return;
    int rows = RowCount(list);
    for (int r = forward ? row + 1 : row - 1; r >= 0 && r < rows; r += forward ? 1 : -1) {
        ServerSlot *other = RowSlot(list, r);
        const char *otherGame = other && other->server ? KvServerGetGameName(other->server) : nullptr;
        if (otherGame && _stricmp(otherGame, game) == 0) {
            ShowRow(list, r);
            return;
        }
    }
    ReportMessage(mainWindow, MB_OK, "Server not found.");
}
