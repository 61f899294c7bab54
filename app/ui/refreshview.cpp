// The refresh as the user sees it: commands, hooks of the engine, rows,
// progress, toolbar, animation and sounds.
#include "ui/refreshview.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "kv/kv.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/commands.h"
#include "ui/helpers.h"
#include "ui/rows.h"
#include "ui/sounds.h"
#include "ui/messages.h"
#include "ui/playersearch.h"
#include "ui/statusbar.h"

namespace {

// Image of the buddy status line in the player list's image list.
const int kBuddyImage = 2;
// The animation frame shown while no refresh runs.
const int kIdleFrame = 7;

HWND Child(HWND mainWindow, int id) { return GetDlgItem(mainWindow, id); }

// The refresh on screen; one at a time, as the engine runs one at a time.
// mainWindow is set before the engine starts and read by its hooks; the
// other fields belong to the user-interface thread.
struct RefreshView {
    HWND mainWindow;
    std::vector<int> rows;  // the server list rows to refresh, in order
    char doneText[128];     // part 0 at the end ("Ready" when empty)
    HCURSOR cursor;         // the cursor before the refresh
};
RefreshView view;

// With many workers, answers arrive up to a thousand a second. Repainting
// each row and the progress text as it changes would keep a paint pending
// all the time, and Windows makes WM_TIMER messages only when none is: every
// timer of the user-interface thread would stall for the whole refresh. The
// rows and the progress a refresh changes are therefore repainted together,
// kRepaintDelayMs after the first change; the screen still follows the
// answers as they come. User-interface thread only.
const UINT kRepaintDelayMs = 30;
// The player list is slower still: its redraw turned back on and a paint
// took some 20 ms under Wine however few its rows, and a search adds rows
// for most answers. While a search refresh changes the list its redraw
// therefore stays off, and the found players are shown every
// kPlayersRepaintMs and at the end.
const DWORD kPlayersRepaintMs = 1000;
struct PendingRepaint {
    int firstRow;  // -1: no row to repaint
    int lastRow;
    bool progress;
    bool timerSet;
    bool players;  // the player list's redraw is off
};
PendingRepaint pendingRepaint = {-1, -1, false, false, false};
DWORD playersShownAt = 0;  // GetTickCount of the last ReleasePlayerList

void ScheduleRepaint(HWND mainWindow)
{
    if (pendingRepaint.timerSet)
        return;
    pendingRepaint.timerSet = SetTimer(mainWindow, kRefreshRepaintTimer, kRepaintDelayMs, nullptr) != 0;
    if (!pendingRepaint.timerSet)
        RepaintRefreshChanges(mainWindow);
}

// The player list's redraw off until ReleasePlayerList.
void HoldPlayerList(HWND mainWindow)
{
    if (pendingRepaint.players)
        return;
    SwitchRedraw(Child(mainWindow, ID_PLAYERLIST), false);
    pendingRepaint.players = true;
    ScheduleRepaint(mainWindow);
}

void ReleasePlayerList(HWND mainWindow)
{
    if (!pendingRepaint.players)
        return;
    SwitchRedraw(Child(mainWindow, ID_PLAYERLIST), true);
    ShowFoundPlayers(mainWindow);
    pendingRepaint.players = false;
    playersShownAt = GetTickCount();
}

// Before a server's player rows change: a search refresh changes many.
void HoldPlayerListForSearch(HWND mainWindow)
{
    if (appData->searchText && *appData->searchText)
        HoldPlayerList(mainWindow);
}

// The engine's hooks: each hands its work to the user-interface thread.
bool PrepareHook(void *, RefreshItem *item)
{
    return SendMessageA(view.mainWindow, UM_REFRESHBEGIN, 0, reinterpret_cast<LPARAM>(item)) != 0;
}

void FinishHook(void *, RefreshItem *item)
{
    // A window gone meanwhile takes nothing: the copy is freed here.
    if (!SendMessageA(view.mainWindow, UM_REFRESHEND, 0, reinterpret_cast<LPARAM>(item)))
        KvServerFree(item->copy);
}

void WindingUpHook(void *)
{
    SendMessageA(view.mainWindow, UM_REFRESHWINDUP, 0, 0);
}

void EndedHook(void *, bool stopped)
{
    SendMessageA(view.mainWindow, UM_REFRESHENDED, stopped ? 1 : 0, 0);
}

void AddBuddyStatusLine(HWND players)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = const_cast<char *>(BuddyStatusText(&now));
    item.iImage = kBuddyImage;
    item.lParam = kNoServerRowParam;
    SendMessageA(players, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// UM_REFRESHBEGIN: the next row's server, copied for a worker. The stop
// is checked here, on the thread that runs the Stop command, so that no
// "Querying" text can follow "Refresh interrupted".
LRESULT OnBegin(HWND mainWindow, RefreshItem *item)
{
    if (RefreshStopRequested())
        return 0;
    HWND list = Child(mainWindow, ID_SERVERLIST);
    if (item->position < 0 || static_cast<size_t>(item->position) >= view.rows.size())
        return 0;
    int row = view.rows[static_cast<size_t>(item->position)];
    LPARAM param;
    if (!RowParam(list, row, &param))
        return 0;
    item->row = row;
    item->slot = RowSlotIndex(param);
    ServerSlot *slot = SlotAt(&appData->table, item->slot);
    if (!slot || !slot->server || (slot->flags & SlotDeleted))
        return 0;

    HoldPlayerListForSearch(mainWindow);
    RemovePlayerRows(Child(mainWindow, ID_PLAYERLIST), item->slot);
    item->copy = CopyServerRecord(slot->server);
    if (!item->copy)
        return 0;
    char address[128];
    KvServerGetHostIPString(item->copy, address, sizeof address);
    if (ProgressUpdateUnpainted(item->position, item->total + 1, "Querying %s", address)) {
        pendingRepaint.progress = true;
        ScheduleRepaint(mainWindow);
    }
    return 1;
}

// UM_REFRESHEND: the refreshed copy replaces the table's record. Returns
// 1: the copy is taken (or freed).
LRESULT OnEnd(HWND mainWindow, RefreshItem *item)
{
    ServerSlot *slot = SlotAt(&appData->table, item->slot);
    if (!slot || (slot->flags & SlotDeleted)) {
        KvServerFree(item->copy);
        return 1;
    }
    tagQServer *old = slot->server;
    slot->server = item->copy;
    KvServerFree(old);
    // The server's rows point into the record by position: the old rows go
    // (also those a refresh of the details dialog may have put there since
    // this one began), the matches of the new record come.
    HWND players = Child(mainWindow, ID_PLAYERLIST);
    HoldPlayerListForSearch(mainWindow);
    RemovePlayerRows(players, item->slot);
    InsertMatchingPlayers(players, item->slot);
    int row = ServerRowOfSlot(Child(mainWindow, ID_SERVERLIST), item->row, item->slot);
    if (row >= 0) {
        if (pendingRepaint.firstRow < 0 || row < pendingRepaint.firstRow)
            pendingRepaint.firstRow = row;
        if (row > pendingRepaint.lastRow)
            pendingRepaint.lastRow = row;
        ScheduleRepaint(mainWindow);
    }
    return 1;
}

// UM_REFRESHENDED: the screen as after a refresh.
void OnEnded(HWND mainWindow, bool stopped)
{
    HWND status = Child(mainWindow, ID_STATUSBAR);
    ProgressEnd(status);
    SendMessageA(Child(mainWindow, ID_ANIMATION), ACM_PLAY, 1, MAKELPARAM(kIdleFrame, kIdleFrame));
    UpdateCommandStates(mainWindow, true);
    ReleasePlayerList(mainWindow);
    HWND players = Child(mainWindow, ID_PLAYERLIST);
    if (appData->searchText && SendMessageA(players, LVM_GETITEMCOUNT, 0, 0) == 0 && !stopped)
        AddBuddyStatusLine(players);
    PlayWave(nullptr, 0);
    PlayWave("ready.wav", SND_ASYNC);
    SetCursor(view.cursor);
    // A text of the caller (what was added) outlasts a stop.
    if (stopped && view.doneText[0])
        StatusPrintPart(status, 0, "%s (query aborted)", view.doneText);
    else
        StatusPrintPart(status, 0, "%s", stopped ? "Aborted" : view.doneText[0] ? view.doneText : "Ready");
}

}  // namespace

LRESULT OnRefreshMessage(HWND mainWindow, UINT message, WPARAM wParam, LPARAM lParam)
{
    RefreshItem *item = reinterpret_cast<RefreshItem *>(lParam);
    switch (message) {
    case UM_REFRESHBEGIN:
        return OnBegin(mainWindow, item);
    case UM_REFRESHEND:
        return OnEnd(mainWindow, item);
    case UM_REFRESHWINDUP:
        ProgressUpdate(Child(mainWindow, ID_STATUSBAR), static_cast<int>(view.rows.size()) + 1,
                       static_cast<int>(view.rows.size()) + 1, "Cleaning up, please wait");
        return 0;
    case UM_REFRESHENDED:
        OnEnded(mainWindow, wParam != 0);
        return 0;
    default:
        return 0;
    }
}

void RepaintRefreshChanges(HWND mainWindow)
{
    if (pendingRepaint.timerSet)
        KillTimer(mainWindow, kRefreshRepaintTimer);
    if (pendingRepaint.progress)
        ProgressRepaint(Child(mainWindow, ID_STATUSBAR));
    if (pendingRepaint.firstRow >= 0) {
        // One rectangle from the first to the last changed row.
        HWND list = Child(mainWindow, ID_SERVERLIST);
        RECT first, last;
        if (ListView_GetItemRect(list, pendingRepaint.firstRow, &first, LVIR_BOUNDS) &&
            ListView_GetItemRect(list, pendingRepaint.lastRow, &last, LVIR_BOUNDS)) {
            UnionRect(&first, &first, &last);
            InvalidateRect(list, &first, TRUE);
        } else {
            InvalidateRect(list, nullptr, TRUE);
        }
    }
    if (!RefreshRunning() || GetTickCount() - playersShownAt >= kPlayersRepaintMs)
        ReleasePlayerList(mainWindow);
    bool playersHeld = pendingRepaint.players;
    pendingRepaint = {-1, -1, false, false, playersHeld};
    // Found players not shown yet: a look again until their time comes.
    if (playersHeld) {
        pendingRepaint.timerSet = SetTimer(mainWindow, kRefreshRepaintTimer, kRepaintDelayMs, nullptr) != 0;
        if (!pendingRepaint.timerSet)
            ReleasePlayerList(mainWindow);
    }
}

const char *BuddyStatusText(const SYSTEMTIME *now)
{
    if (!now)
        return "Hmm, check your PC time";
    int hour = now->wHour, day = now->wDayOfWeek;  // day 0 is Sunday
    if (now->wMonth == 3 && now->wDay == 26)
        return "Buddies are at Mireva's birthday party !";
    if (day >= 1 && day <= 5 && hour == 20 && now->wMinute <= 30)
        return "Buddies are watching The Bold & The Beautiful";
    if (day == 0 && hour >= 9 && hour <= 11)
        return "Buddies are praizing the Lord";
    if (hour >= 4 && hour <= 12)
        return "Buddies are sleeping";
    if (day == 6 && hour >= 13 && hour <= 16)
        return "Buddies are gone shopping with their girlies";
    if (day == 0 && hour >= 13 && hour <= 16)
        return "Buddies are visiting their mother in law";
    if (hour >= 13 && hour <= 15)
        return "Buddies are having breakfast";
    static const char *const kByMinute[10] = {
        "Buddies are at a LAN party",
        "Buddies are installing new hardware",
        "Buddies haven't paid their ISP's bills",
        "Buddies are being treated for RSI",
        "Buddies are configuring their new 3DFX Banshee SLI card",
        "Buddies are on Ulo chatting about you",
        "Buddies are training with a bunch of bots",
        "You don't have any buddies, sorry",
        "Buddies are being treated for RSI",
        "Buddies are on high speed servers you don't know about",
    };
    return kByMinute[now->wMinute % 10];
}

namespace {

// Starts the engine on view.rows; the caller has filled them in.
int StartRefreshOfViewRows(HWND mainWindow, bool clearPlayers)
{
    // Whatever the last refresh left to repaint (its window may be gone).
    RepaintRefreshChanges(mainWindow);

    HWND status = Child(mainWindow, ID_STATUSBAR);
    if (clearPlayers)
        ClearPlayerRows(Child(mainWindow, ID_PLAYERLIST));
    if (!appData->searchText) {
        StatusPrintPart(status, 1, "No player searching");
    } else {
        char line[128];  // the whole line cut to 127 characters
        snprintf(line, sizeof line, "Looking for: %s", *appData->searchText ? appData->searchText : "all players");
        StatusPrintPart(status, 1, "%s", line);
    }

    // The settings a refresh uses are taken now, so the preferences may
    // change meanwhile without a worker reading them.
    char workers[32];
    ReadSetting("NumServerThreads", workers, sizeof workers);
    RefreshOptions options = {};
    options.total = static_cast<int>(view.rows.size());
    options.workers = RefreshWorkerLimit(workers);
    options.timeout = appData->timeout;
    options.noHostNames = (appData->flags & FlagNoHostNames) ? 1 : 0;
    options.fixupNames = appData->fixupNames;
    RefreshHooks hooks = {nullptr, PrepareHook, FinishHook, WindingUpHook, EndedHook};

    view.mainWindow = mainWindow;
    if (StartRefreshEngine(&options, &hooks) != 0)
        return 2;

    view.cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    PlayWave("wait.wav", SND_ASYNC | SND_LOOP);
    ProgressBegin(status);
    SendMessageA(Child(mainWindow, ID_ANIMATION), ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, -1));
    UpdateCommandStates(mainWindow);
    return 0;
}

}  // namespace

int StartRefresh(HWND mainWindow, int selectedOnly)
{
    if (RefreshRunning())
        return 1;
    HWND servers = Child(mainWindow, ID_SERVERLIST);
    view.rows.clear();
    view.doneText[0] = '\0';
    if (selectedOnly) {
        for (int row = -1; (row = static_cast<int>(SendMessageA(servers, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                                 LVNI_SELECTED))) >= 0;)
            view.rows.push_back(row);
    } else {
        int count = static_cast<int>(SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0));
        view.rows.resize(static_cast<size_t>(count));
        for (int row = 0; row < count; ++row)
            view.rows[static_cast<size_t>(row)] = row;
    }
    return StartRefreshOfViewRows(mainWindow, !selectedOnly);
}

int StartRefreshOfRows(HWND mainWindow, const int *rows, int count, const char *doneText)
{
    if (RefreshRunning())
        return 1;
    view.rows.assign(rows, rows + (count > 0 ? count : 0));
    snprintf(view.doneText, sizeof view.doneText, "%s", doneText ? doneText : "");
    return StartRefreshOfViewRows(mainWindow, false);
}

void OnCmdStop(HWND mainWindow)
{
    if (RefreshRunning()) {
        ProgressUpdate(Child(mainWindow, ID_STATUSBAR), 1, 1, "Refresh interrupted");
        PlayWave(nullptr, 0);
    }
    RequestRefreshStop();
}

void OnCmdRefresh(HWND mainWindow)
{
    if (RefreshRunning()) {
        OnCmdStop(mainWindow);
        return;
    }
    int selected = static_cast<int>(SendMessageA(Child(mainWindow, ID_SERVERLIST), LVM_GETSELECTEDCOUNT, 0, 0));
    StartRefresh(mainWindow, selected > 1 ? 1 : 0);
}

void OnCmdRefreshSelected(HWND mainWindow)
{
    if (RefreshRunning()) {
        OnCmdStop(mainWindow);
        return;
    }
    StartRefresh(mainWindow, 1);
}
