// The server list's rows through the favourites and game filters, loading
// and saving them, the commands that change the filters, and the Filter page.
#include "ui/displaylist.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "serverlist/serverfile.h"
#include "settings/appdata.h"
#include "ui/commands.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/rows.h"
#include "ui/statusbar.h"

namespace {

const char AllGames[] = "<All games>";
const size_t FilterNameSize = 50;  // each name of the Filter page's block

void ShowSaveProgress(int written, void *statusBar)
{
    StatusPrint(static_cast<HWND>(statusBar), "%d servers written", written);
}

void FillGameList(HWND page)
{
    HWND box = GetDlgItem(page, IDC_FILTER_GAMES);
    ServerTable *table = &appData->table;
    for (long i = 0; i < table->serverCount; ++i) {
        ServerSlot *slot = SlotAt(table, i);
        const char *game = slot->server ? KvServerGetGameName(slot->server) : nullptr;
        if (!game || !*game)
            continue;
        if (SendMessageA(box, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(game)) != LB_ERR)
            continue;
        SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(game));
    }
    SendMessageA(box, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(AllGames));

    const char *filter = appData->gameFilter;
    if (!filter || !*filter) {
        SendMessageA(box, LB_SETSEL, TRUE, 0);
        return;
    }
    for (const char *name = filter; *name; name += strlen(name) + 1) {
        LRESULT at = SendMessageA(box, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
        if (at != LB_ERR)
            SendMessageA(box, LB_SETSEL, TRUE, at);
    }
}

void ApplyFilterPage(HWND page)
{
    if (IsDlgButtonChecked(page, IDC_FILTER_FAVORITES) == BST_CHECKED)
        appData->flags |= FlagFavoritesOnly;
    else
        appData->flags &= ~FlagFavoritesOnly;
    free(appData->gameFilter);
    appData->gameFilter = nullptr;

    HWND box = GetDlgItem(page, IDC_FILTER_GAMES);
    int selected = static_cast<int>(SendMessageA(box, LB_GETSELCOUNT, 0, 0));
    if (selected <= 0)
        return;
    if (selected == 1 && SendMessageA(box, LB_GETSEL, 0, 0) > 0)
        return;  // "<All games>" alone: no filter
    char *block = static_cast<char *>(calloc(static_cast<size_t>(selected) + 1, FilterNameSize));
    if (!block)
        return;
    int *rows = static_cast<int *>(calloc(static_cast<size_t>(selected), sizeof(int)));
    if (!rows) {
        free(block);
        return;
    }
    SendMessageA(box, LB_GETSELITEMS, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(rows));
    char *out = block;
    for (int i = 0; i < selected; ++i) {
        char name[256];
        LRESULT length = SendMessageA(box, LB_GETTEXTLEN, static_cast<WPARAM>(rows[i]), 0);
        if (length < 0 || static_cast<size_t>(length) >= sizeof name)
            continue;
        SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(rows[i]), reinterpret_cast<LPARAM>(name));
        name[FilterNameSize - 1] = '\0';  // each name is held in 49 characters
        size_t n = strlen(name);
        memcpy(out, name, n + 1);
        out += n + 1;
    }
    free(rows);
    appData->gameFilter = block;
}

INT_PTR CALLBACK FilterPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CheckDlgButton(page, IDC_FILTER_FAVORITES,
                       (appData->flags & FlagFavoritesOnly) ? BST_CHECKED : BST_UNCHECKED);
        FillGameList(page);
        CenterWindow(GetParent(page));
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR *>(lParam)->code == static_cast<UINT>(PSN_APPLY)) {
            ApplyFilterPage(page);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

bool RowShown(const ServerSlot *slot)
{
    if (!slot || !slot->server || (slot->flags & SlotDeleted))
        return false;
    if ((appData->flags & FlagFavoritesOnly) && !(slot->flags & SlotFavorite))
        return false;
    return GameFilterAccepts(KvServerGetGameName(slot->server));
}

int InsertShownRows(HWND list, long firstEntry)
{
    ServerTable *table = &appData->table;
    std::vector<LPARAM> rows;
    rows.reserve(static_cast<size_t>(table->serverCount - firstEntry));
    for (long i = firstEntry; i < table->serverCount; ++i) {
        if (RowShown(SlotAt(table, i)))
            rows.push_back(ServerRowParam(i));
    }
    SetRows(list, rows);
    return static_cast<int>(rows.size());
}

int LoadServerList(HWND mainWindow)
{
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    StatusPrintPart(statusBar, 3, "%d servers", 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    long first = appData->table.serverCount;
    int result = LoadServers(mainWindow, &appData->table);
    if (result != 0)
        return result;
    int rows = InsertShownRows(list, first);
    StatusPrintPart(statusBar, 3, "%d servers", rows);
    appData->flags &= ~FlagModified;
    return 0;
}

int SaveServerList(HWND mainWindow)
{
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    std::vector<long> order;
    int rows = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    order.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        LPARAM param;
        if (RowParam(list, row, &param))
            order.push_back(RowSlotIndex(param));
    }
    // The progress texts are set but not painted one by one: nothing can
    // repaint while the save holds the user-interface thread anyway, and a
    // status bar that paints each text at once (Wine's does) would make
    // saving 100,000 servers take seconds.
    SendMessageA(statusBar, WM_SETREDRAW, FALSE, 0);
    int written = SaveServers(mainWindow, &appData->table, order.data(), static_cast<long>(order.size()),
                              ShowSaveProgress, statusBar);
    SendMessageA(statusBar, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(statusBar, nullptr, TRUE);
    if (written < 0) {
        StatusPrint(statusBar, "Ready");
        return 1;
    }
    appData->flags &= ~FlagModified;
    StatusPrint(statusBar, "%d servers written", written);
    return 0;
}

void RebuildDisplayList(HWND mainWindow)
{
    if (RefreshRunning())
        return;
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    StatusPrint(statusBar, "Rebuilding display list...");
    appData->flags |= FlagModified;
    int rows = InsertShownRows(list, 0);
    StatusPrint(statusBar, "New filter applied");
    StatusPrintPart(statusBar, 3, "%d servers", rows);
    SelectRow(list, 0);
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

void OnCmdFavoritesOnly(HWND mainWindow)
{
    appData->flags ^= FlagFavoritesOnly;
    UpdateCommandStates(mainWindow);
    RebuildDisplayList(mainWindow);
}

void OnCmdThisGameOnly(HWND mainWindow)
{
    tagQServer *server = SelectedServer(mainWindow);
    const char *game = server ? KvServerGetGameName(server) : nullptr;
    if (!game || !*game)
        return;
    size_t length = strlen(game);
    char *block = static_cast<char *>(calloc(length + 2, 1));
    if (!block)
        return;
    memcpy(block, game, length);
    free(appData->gameFilter);
    appData->gameFilter = block;
    RebuildDisplayList(mainWindow);
}

void OnCmdShowAllGames(HWND mainWindow)
{
    if (!appData->gameFilter)
        return;
    free(appData->gameFilter);
    appData->gameFilter = nullptr;
    RebuildDisplayList(mainWindow);
}

void InitFilterPage(PROPSHEETPAGEA *page)
{
    InitSheetPage(page, IDD_FILTER, 0, FilterPageProc);
}
