// The server details dialog.
#include "ui/detailsdialog.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "base/text.h"
#include "kv/kv.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/rows.h"
#include "ui/messages.h"
#include "ui/playersearch.h"

namespace {

// Images of the player list (the program's list images).
const int kPlayerImage = 0;
const int kMatchImage = 1;
const int kErrorImage = 6;
// The window is never lower than this.
const int kMinHeight = 150;

// A refresh of one server for the dialog: the thread that refreshes the
// copy hands the job to the main window when it is done.
struct DetailsJob {
    HWND mainWindow;
    long slot;
    tagQServer *copy;
    unsigned generation;  // jobsGeneration when it began
};
// The job the dialog waits for: the one asked for last. Earlier jobs still
// running update their servers' records when done, but not the dialog.
// User-interface thread only.
DetailsJob *pendingJob;
// Counts the main windows gone: a job of an earlier one touches nothing.
unsigned jobsGeneration;
HCURSOR cursorBefore;
// True while the dialog takes its stored size.
bool restoringSize;

// On the refresh thread. A main window gone meanwhile takes nothing: the
// copy is freed here.
void FinishHook(void *context, tagQServer *)
{
    DetailsJob *job = static_cast<DetailsJob *>(context);
    if (!SendMessageA(job->mainWindow, UM_DETAILSREFRESHED, 0, reinterpret_cast<LPARAM>(job))) {
        KvServerFree(job->copy);
        delete job;
    }
}

void AddColumn(HWND list, int column, const char *caption, int width)
{
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = const_cast<char *>(caption);
    c.cx = width;
    c.iSubItem = column;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
}

// Appends a row with its first cell; returns its position.
int AddRow(HWND list, const char *text, int image, LPARAM param)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char *>(text ? text : "");
    item.iImage = image;
    item.lParam = param;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetCell(HWND list, int row, int column, const char *text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char *>(text ? text : "");
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void AddRuleRow(HWND rules, const char *name, const char *value)
{
    int row = AddRow(rules, name, -1, 0);
    if (row >= 0)
        SetCell(rules, row, 1, value);
}

void InitDetails(HWND dialog)
{
    HINSTANCE instance = appData->instance;
    int dpi = WindowDpi(dialog);
    int iconSize = ScaleToDpi(16, dpi);
    HICON icon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUAKE2), IMAGE_ICON, iconSize, iconSize, LR_SHARED));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    // The lists do not share their image lists: each destroys its own.
    HWND players = GetDlgItem(dialog, IDC_DETAILS_PLAYERS);
    int bitmap = ArtworkResource(IDB_LISTIMAGES, dpi);
    HIMAGELIST images = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(bitmap), ArtworkHeight(instance, bitmap, 16), 0,
                                             RGB(0, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageA(players, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    SendMessageA(players, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int width = 6 * AverageCharWidth(players);
    AddColumn(players, 0, "Player", width);
    AddColumn(players, 1, "Frags", width);
    AddColumn(players, 2, "Ping", width);

    HWND rules = GetDlgItem(dialog, IDC_DETAILS_RULES);
    SendMessageA(rules, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumn(rules, 0, "Rule", width);
    AddColumn(rules, 1, "Value", width);

    // The stored size (in 96-DPI units) comes back as it was, also where
    // it is wider than the rule list allows (the frame's width differs
    // between systems).
    char size[32];
    ReadSetting("ServerDlg", size, sizeof size);
    char storedWidth[16] = "";
    const char *height = NextField(storedWidth, sizeof storedWidth, size, ' ');
    long w, h;
    if (ParseSettingNumber(storedWidth, 0, 32767, &w) && ParseSettingNumber(height, 0, 32767, &h)) {
        restoringSize = true;
        SetWindowPos(dialog, nullptr, 0, 0, ScaleToDpi(static_cast<int>(w), dpi), ScaleToDpi(static_cast<int>(h), dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        restoringSize = false;
    }
}

// The lists keep their left edge, top and width; they reach down to 5
// pixels above the bottom.
void OnDetailsSize(HWND dialog, int clientHeight)
{
    for (int id : {IDC_DETAILS_PLAYERS, IDC_DETAILS_RULES}) {
        HWND list = GetDlgItem(dialog, id);
        RECT r;
        ChildRect(list, &r);
        MoveWindow(list, r.left, r.top, r.right - r.left, clientHeight - r.top - ScaleToDpi(5, WindowDpi(dialog)), TRUE);
    }
}

// Not narrower than the player list, not wider than the rule list (edges
// from the window's left edge), not lower than kMinHeight.
void OnDetailsMinMax(HWND dialog, MINMAXINFO *info)
{
    HWND players = GetDlgItem(dialog, IDC_DETAILS_PLAYERS);
    HWND rules = GetDlgItem(dialog, IDC_DETAILS_RULES);
    if (!players || !rules)
        return;  // still being made
    RECT window, p, r;
    GetWindowRect(dialog, &window);
    GetWindowRect(players, &p);
    GetWindowRect(rules, &r);
    int dpi = WindowDpi(dialog);
    info->ptMinTrackSize.x = p.right - window.left + ScaleToDpi(5, dpi);
    if (!restoringSize)
        info->ptMaxTrackSize.x = r.right - window.left + ScaleToDpi(10, dpi);
    info->ptMinTrackSize.y = ScaleToDpi(kMinHeight, dpi);
}

void CloseDetails(HWND dialog)
{
    RECT r;
    GetWindowRect(dialog, &r);
    char size[32];
    int dpi = WindowDpi(dialog);
    snprintf(size, sizeof size, "%d %d", UnscaleFromDpi(r.right - r.left, dpi), UnscaleFromDpi(r.bottom - r.top, dpi));
    WriteSetting("ServerDlg", size);
    DestroyWindow(dialog);
}

INT_PTR CALLBACK DetailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDetails(dialog);
        return TRUE;
    case WM_SIZE:
        OnDetailsSize(dialog, HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        OnDetailsMinMax(dialog, reinterpret_cast<MINMAXINFO *>(lParam));
        return TRUE;
    case WM_SETCURSOR:
        if (!pendingJob)
            return FALSE;
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            CloseDetails(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        CloseDetails(dialog);
        return TRUE;
    case WM_DESTROY:
        if (appData && appData->detailsDialog == dialog)
            appData->detailsDialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

// Both lists are filled with their redraw off and shown once at the end:
// under Wine a list view that repaints as each row comes took 29 s for the
// 4,001 players one datagram can hold.
void FillDetails(HWND dialog, tagQServer *server)
{
    HWND players = GetDlgItem(dialog, IDC_DETAILS_PLAYERS);
    HWND rules = GetDlgItem(dialog, IDC_DETAILS_RULES);
    SwitchRedraw(players, false);
    SwitchRedraw(rules, false);
    int error = KvServerGetErrorCode(server);
    if (error != 0) {
        char text[128] = "";
        KvGetErrorString(text, sizeof text, error);
        AddRow(players, text, kErrorImage, 0);
        FillLastColumn(players, 0, 3);
    }

    char address[128] = "";
    KvServerGetHostIPString(server, address, sizeof address);
    const char *title = KvServerGetServerName(server);
    if (!title || !*title)
        title = KvServerGetHostName(server);
    if (!title || !*title)
        title = address;
    SetWindowTextA(dialog, title);

    int count = 0;
    for (tagPlayer *p = KvServerGetFirstPlayer(server); p; p = KvServerGetNextPlayer(server, p), ++count) {
        int row = AddRow(players, KvPlayerGetName(p), PlayerMatches(p) ? kMatchImage : kPlayerImage,
                         DetailsPlayerParam(KvPlayerGetPing(p), KvPlayerGetFrags(p)));
        char number[16];
        snprintf(number, sizeof number, "%d", KvPlayerGetFrags(p));
        SetCell(players, row, 1, number);
        snprintf(number, sizeof number, "%d", KvPlayerGetPing(p));
        SetCell(players, row, 2, number);
    }
    if (count == 0 && error == 0)
        AddRow(players, "No players", kPlayerImage, 0);
    FillLastColumn(players, 0, 3);

    static const struct {
        const char *name;
        const char *code;
    } derived[] = {{"hostname", "%h"}, {"ip", "%d"}, {"ping", "%y"}, {"level", "%l"}};
    int shown = error != 0 ? 2 : 4;
    for (int i = 0; i < shown; ++i) {
        char value[128] = "";
        KvExpandParamLine(value, sizeof value, nullptr, server, const_cast<char *>(derived[i].code), appData->mapList,
                          KV_EXPAND_SINGLE | KV_EXPAND_TERMINATE);
        AddRuleRow(rules, derived[i].name, value);
    }
    for (tagRule *r = KvServerGetFirstRule(server); r; r = KvServerGetNextRule(server, r))
        AddRuleRow(rules, KvRuleGetName(r), KvRuleGetValue(r));
    SendMessageA(rules, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    FillLastColumn(rules, 1, 2);
    for (HWND list : {players, rules}) {
        SwitchRedraw(list, true);
        InvalidateRect(list, nullptr, TRUE);
    }
}

}  // namespace

LPARAM DetailsPlayerParam(int ping, int frags)
{
    unsigned long high = ping < 0 ? 0 : ping > 0xFFFF ? 0xFFFF : static_cast<unsigned long>(ping);
    int low = frags < -32768 ? -32768 : frags > 32767 ? 32767 : frags;
    return static_cast<LPARAM>((high << 16) | (static_cast<unsigned long>(low) & 0xFFFF));
}

void OnCmdServerDetails(HWND mainWindow)
{
    LPARAM param;
    if (!SelectedRowParam(mainWindow, &param))
        return;
    long index = RowSlotIndex(param);
    ServerSlot *slot = SlotAt(&appData->table, index);
    if (!slot || !slot->server)
        return;

    if (!appData->detailsDialog) {
        HWND dialog = CreateDialogParamA(appData->instance, MAKEINTRESOURCEA(IDD_DETAILS), mainWindow, DetailsProc, 0);
        if (!dialog)
            return;
        appData->detailsDialog = dialog;
        ShowWindow(dialog, SW_SHOW);
    }
    HWND dialog = appData->detailsDialog;
    SendDlgItemMessageA(dialog, IDC_DETAILS_PLAYERS, LVM_DELETEALLITEMS, 0, 0);
    SendDlgItemMessageA(dialog, IDC_DETAILS_RULES, LVM_DELETEALLITEMS, 0, 0);

    DetailsJob *job =
        new (std::nothrow) DetailsJob{mainWindow, index, CopyServerRecord(slot->server), jobsGeneration};
    if (!job || !job->copy) {
        delete job;
        return;
    }
    RemovePlayerRows(GetDlgItem(mainWindow, ID_PLAYERLIST), index);
    RefreshOptions options = {};
    options.timeout = appData->timeout;
    options.noHostNames = (appData->flags & FlagNoHostNames) ? 1 : 0;
    options.fixupNames = appData->fixupNames;
    // A job asked for earlier and still running no longer fills the dialog.
    if (!pendingJob)
        cursorBefore = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    pendingJob = job;
    if (StartServerRefresh(job->copy, &options, FinishHook, job) != 0) {
        pendingJob = nullptr;
        SetCursor(cursorBefore);
        KvServerFree(job->copy);
        delete job;
    }
}

LRESULT OnDetailsRefreshed(HWND mainWindow, LPARAM lParam)
{
    DetailsJob *job = reinterpret_cast<DetailsJob *>(lParam);
    bool current = job == pendingJob;
    if (current) {
        pendingJob = nullptr;
        SetCursor(cursorBefore);
    }
    ServerSlot *slot = job->generation == jobsGeneration ? SlotAt(&appData->table, job->slot) : nullptr;
    if (!slot || !slot->server || (slot->flags & SlotDeleted)) {
        // A job of a window gone, or a server deleted meanwhile.
        KvServerFree(job->copy);
        delete job;
        return 1;
    }
    tagQServer *old = slot->server;
    slot->server = job->copy;
    KvServerFree(old);
    // The server's rows point into the record by position.
    RemovePlayerRows(GetDlgItem(mainWindow, ID_PLAYERLIST), job->slot);
    AddMatchingPlayers(mainWindow, job->slot);
    HWND servers = GetDlgItem(mainWindow, ID_SERVERLIST);
    InvalidateRow(servers, ServerRowOfSlot(servers, -1, job->slot));
    if (current && appData->detailsDialog)
        FillDetails(appData->detailsDialog, slot->server);
    delete job;
    return 1;
}

bool DetailsRefreshPending()
{
    return pendingJob != nullptr;
}

void ForgetDetailsRefresh()
{
    pendingJob = nullptr;
    ++jobsGeneration;
}
