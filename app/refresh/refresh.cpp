// The refresh coordinator, its workers and the refresh commands.
#include "refresh/refresh.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kv/kv.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/helpers.h"
#include "ui/mainwindow.h"

namespace {

// Row parameter of the buddy status line: no server has this index.
const LPARAM kNoServerParam = 0xFFFFFF;
// Image of the buddy status line in the player list's image list.
const int kBuddyImage = 2;
// The animation frame shown while no refresh runs.
const int kIdleFrame = 7;
// Stack of a worker: the exchange keeps its buffer on the heap.
const SIZE_T kWorkerStack = 256 * 1024;

HWND Child(HWND mainWindow, int id) { return GetDlgItem(mainWindow, id); }

// With many workers, answers arrive up to a thousand a second. Repainting
// each row and the progress text as it changes would keep a paint pending
// all the time, and Windows makes WM_TIMER messages only when none is: every
// timer of the user-interface thread would stall for the whole refresh. The
// rows and the progress a refresh changes are therefore repainted together,
// kRepaintDelayMs after the first change; the screen still follows the
// answers as they come. User-interface thread only.
const UINT kRepaintDelayMs = 30;
struct PendingRepaint {
    int firstRow;  // -1: no row to repaint
    int lastRow;
    bool progress;
    bool timerSet;
};
PendingRepaint pendingRepaint = {-1, -1, false, false};

}  // namespace

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
    pendingRepaint = {-1, -1, false, false};
}

namespace {

void ScheduleRepaint(HWND mainWindow)
{
    if (pendingRepaint.timerSet)
        return;
    pendingRepaint.timerSet = SetTimer(mainWindow, kRefreshRepaintTimer, kRepaintDelayMs, nullptr) != 0;
    if (!pendingRepaint.timerSet)
        RepaintRefreshChanges(mainWindow);
}

struct RefreshTask;

// One refresh: what the coordinator and its workers share. The settings
// are taken on the user-interface thread when the refresh starts, so the
// preferences may change meanwhile without a worker reading them.
struct RefreshRun {
    HWND mainWindow;
    int selectedOnly;
    HANDLE thread;          // the coordinator's own handle
    long timeout;
    int noHostNames;
    char *fixupNames;       // private copy of the name fix-up list, or null
    // Servers ready for the workers: made by the coordinator ahead of need,
    // so a worker that is done with one server starts the next at once,
    // without waiting for the user-interface thread.
    CRITICAL_SECTION queueLock;
    RefreshTask *queue[kMaxRefreshWorkers];
    int queueHead;
    int queueCount;
    HANDLE queued;          // semaphore: tasks in the queue, plus one per worker at the end
    HANDLE room;            // semaphore: free places in the queue
};

// One server of a refresh: made by the coordinator, filled in by the
// user-interface thread (UM_REFRESHBEGIN), refreshed by a worker and handed
// back (UM_REFRESHEND).
struct RefreshTask {
    RefreshRun *run;
    int position;           // for the progress display: server position of total
    int total;
    int row;                // server list row when the task was made
    long slot;              // table index of the server
    tagQServer *copy;       // the private record the worker refreshes
};

// Set by every worker as it ends, so the coordinator's wait for the last
// workers ends at once instead of at the next look. Made once, never
// closed: a worker may still set it after the coordinator has gone.
HANDLE workerEnded;

size_t NameListSize(const char *list)
{
    const char *p = list;
    while (*p) p += strlen(p) + 1;
    return (size_t)(p - list) + 1;
}

// Removes the player list's entries of one server (their parameters carry
// the server's table index in the low 24 bits).
void RemovePlayersOf(HWND players, long slot)
{
    int count = (int)SendMessageA(players, LVM_GETITEMCOUNT, 0, 0);
    for (int row = count - 1; row >= 0; --row) {
        LPARAM param;
        if (RowParam(players, row, &param) && (param & 0xFFFFFF) == slot)
            SendMessageA(players, LVM_DELETEITEM, (WPARAM)row, 0);
    }
}

// The server list row that shows a table index: the row the task started
// from when it still does, else wherever the index is now.
int RowOfSlot(HWND list, int row, long slot)
{
    LPARAM param;
    if (RowParam(list, row, &param) && (param & 0xFFFFFF) == slot)
        return row;
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = slot;
    return (int)SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
}

// Takes the next task from the queue; null once the coordinator has
// closed it.
RefreshTask *NextTask(RefreshRun *run)
{
    WaitForSingleObject(run->queued, INFINITE);
    RefreshTask *task = nullptr;
    EnterCriticalSection(&run->queueLock);
    if (run->queueCount > 0) {
        task = run->queue[run->queueHead];
        run->queueHead = (run->queueHead + 1) % kMaxRefreshWorkers;
        run->queueCount--;
    }
    LeaveCriticalSection(&run->queueLock);
    if (task)
        ReleaseSemaphore(run->room, 1, nullptr);
    return task;
}

// A worker queries one server after another until the queue closes. After
// a stop it drops what is left in the queue: no server starts after a stop.
DWORD WINAPI RefreshWorker(LPVOID parameter)
{
    RefreshRun *run = (RefreshRun *)parameter;
    while (RefreshTask *task = NextTask(run)) {
        if (!appData->stopRequested) {
            KvServerRefresh(task->copy, run->fixupNames, run->timeout, run->noHostNames);
            // The view updates of the workers go one at a time.
            EnterCriticalSection(&appData->listLock);
            SendMessageA(run->mainWindow, UM_REFRESHEND, 0, (LPARAM)task);
            LeaveCriticalSection(&appData->listLock);
        } else {
            KvServerFree(task->copy);
        }
        free(task);
    }
    InterlockedDecrement(&appData->activeWorkers);
    SetEvent(workerEnded);
    return 0;
}

// Starts up to count workers; a worker that cannot be started costs a beep.
void StartWorkers(RefreshRun *run, int count)
{
    for (int i = 0; i < count; ++i) {
        InterlockedIncrement(&appData->activeWorkers);
        HANDLE worker = CreateThread(nullptr, kWorkerStack, RefreshWorker, run,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (worker) {
            CloseHandle(worker);
        } else {
            MessageBeep(0);
            InterlockedDecrement(&appData->activeWorkers);
        }
    }
}

// Hands a task to the workers once the queue has room, looking every
// 10 ms. A stop that comes during the wait drops the task. Returns false
// when no worker runs to take it.
bool HandOut(RefreshRun *run, RefreshTask *task)
{
    while (WaitForSingleObject(run->room, 10) == WAIT_TIMEOUT && !appData->stopRequested) {
    }
    if (appData->stopRequested || appData->activeWorkers == 0) {
        KvServerFree(task->copy);
        free(task);
        return false;
    }
    EnterCriticalSection(&run->queueLock);
    run->queue[(run->queueHead + run->queueCount) % kMaxRefreshWorkers] = task;
    run->queueCount++;
    LeaveCriticalSection(&run->queueLock);
    ReleaseSemaphore(run->queued, 1, nullptr);
    return true;
}

void SetRefreshToolbar(HWND toolbar, bool running)
{
    static const int kLocked[] = {CMD_FINDPLAYER, CMD_MOVETOTOP, CMD_FAVORITESONLY, CMD_DELETE,
                                  CMD_PASTE,      CMD_LAUNCH,    CMD_ADDSERVER};
    ToolbarCheck(toolbar, CMD_REFRESH, running);
    for (int command : kLocked) ToolbarEnable(toolbar, command, !running);
    if (!running) ToolbarCheck(toolbar, CMD_FAVORITESONLY, (appData->flags & FlagFavoritesOnly) != 0);
}

void AddBuddyStatusLine(HWND players)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = (char *)BuddyStatusText(&now);
    item.iImage = kBuddyImage;
    item.lParam = kNoServerParam;
    SendMessageA(players, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

DWORD WINAPI RefreshCoordinator(LPVOID parameter)
{
    RefreshRun *run = (RefreshRun *)parameter;
    HWND mainWindow = run->mainWindow;
    HWND servers = Child(mainWindow, ID_SERVERLIST);
    HWND players = Child(mainWindow, ID_PLAYERLIST);
    HWND status = Child(mainWindow, ID_STATUSBAR);
    HWND toolbar = Child(mainWindow, ID_TOOLBAR);
    HWND animation = Child(mainWindow, ID_ANIMATION);

    EnterCriticalSection(&appData->refreshLock);
    appData->stopRequested = 0;
    char setting[32];
    ReadSetting("NumServerThreads", setting, sizeof setting);
    int limit = RefreshWorkerLimit(setting);

    HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    PlayWave("wait.wav", SND_ASYNC | SND_LOOP);
    int total = (int)SendMessageA(servers, run->selectedOnly ? LVM_GETSELECTEDCOUNT : LVM_GETITEMCOUNT,
                                  0, 0);
    ProgressBegin(status);
    SendMessageA(animation, ACM_PLAY, (WPARAM)-1, MAKELPARAM(0, -1));
    SetRefreshToolbar(toolbar, true);

    // Never more workers than servers; the queue holds as many servers
    // ready as there are workers.
    int workers = total < limit ? total : limit;
    InitializeCriticalSection(&run->queueLock);
    run->queued = CreateSemaphoreA(nullptr, 0, kMaxRefreshWorkers * 2, nullptr);
    run->room = CreateSemaphoreA(nullptr, workers, kMaxRefreshWorkers, nullptr);
    if (run->queued && run->room)
        StartWorkers(run, workers);

    int row = -1;
    for (int i = 0; i < total && !appData->stopRequested; ++i) {
        row = run->selectedOnly ? (int)SendMessageA(servers, LVM_GETNEXTITEM, (WPARAM)row, LVNI_SELECTED)
                                : i;
        if (row < 0) break;
        RefreshTask *task = (RefreshTask *)calloc(1, sizeof(RefreshTask));
        if (!task) break;
        task->run = run;
        task->position = i;
        task->total = total + 1;
        task->row = row;
        if (!SendMessageA(mainWindow, UM_REFRESHBEGIN, 0, (LPARAM)task)) {
            free(task);  // no server behind the row, or stopped meanwhile
            continue;
        }
        if (!HandOut(run, task))
            break;
    }

    ProgressUpdate(status, total + 1, total + 1, "Cleaning up, please wait");
    // Close the queue: one empty take for every worker ends it.
    if (run->queued)
        ReleaseSemaphore(run->queued, workers, nullptr);
    while (appData->activeWorkers > 0) WaitForSingleObject(workerEnded, 50);
    if (run->queued)
        CloseHandle(run->queued);
    if (run->room)
        CloseHandle(run->room);
    DeleteCriticalSection(&run->queueLock);
    ProgressEnd(status);
    SendMessageA(animation, ACM_PLAY, 1, MAKELPARAM(kIdleFrame, kIdleFrame));
    SetRefreshToolbar(toolbar, false);

    if (appData->searchText && SendMessageA(players, LVM_GETITEMCOUNT, 0, 0) == 0 &&
        !appData->stopRequested)
        AddBuddyStatusLine(players);
    PlayWave(nullptr, 0);
    PlayWave("ready.wav", SND_ASYNC);
    SetCursor(cursor);
    StatusPrintPart(status, 0, appData->stopRequested ? "Aborted" : "Ready");

    HANDLE self = run->thread;
    free(run->fixupNames);
    free(run);
    appData->refreshThread = 0;
    LeaveCriticalSection(&appData->refreshLock);
    CloseHandle(self);
    return 0;
}

}  // namespace

bool RefreshRunning()
{
    return appData->refreshThread != 0 || appData->activeWorkers != 0;
}

int RefreshWorkerLimit(const char *setting)
{
    long n = setting ? strtol(setting, nullptr, 10) : 0;
    if (n <= 0) return kDefaultRefreshWorkers;
    return n > kMaxRefreshWorkers ? kMaxRefreshWorkers : (int)n;
}

const char *BuddyStatusText(const SYSTEMTIME *now)
{
    if (!now) return "Hmm, check your PC time";
    int hour = now->wHour, day = now->wDayOfWeek;  // day 0 is Sunday
    if (now->wMonth == 3 && now->wDay == 26) return "Buddies are at Mireva's birthday party !";
    if (day >= 1 && day <= 5 && hour == 20 && now->wMinute <= 30)
        return "Buddies are watching The Bold & The Beautiful";
    if (day == 0 && hour >= 9 && hour <= 11) return "Buddies are praizing the Lord";
    if (hour >= 4 && hour <= 12) return "Buddies are sleeping";
    if (day == 6 && hour >= 13 && hour <= 16) return "Buddies are gone shopping with their girlies";
    if (day == 0 && hour >= 13 && hour <= 16) return "Buddies are visiting their mother in law";
    if (hour >= 13 && hour <= 15) return "Buddies are having breakfast";
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

int StartRefresh(HWND mainWindow, int selectedOnly)
{
    if (appData->refreshThread) return 1;
    if (!workerEnded) workerEnded = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // Whatever the last refresh left to repaint (its window may be gone).
    RepaintRefreshChanges(mainWindow);

    if (!selectedOnly) SendMessageA(Child(mainWindow, ID_PLAYERLIST), LVM_DELETEALLITEMS, 0, 0);
    HWND status = Child(mainWindow, ID_STATUSBAR);
    if (!appData->searchText) {
        StatusPrintPart(status, 1, "No player searching");
    } else {
        char line[128];  // the whole line cut to 127 characters
        snprintf(line, sizeof line, "Looking for: %s",
                 *appData->searchText ? appData->searchText : "all players");
        StatusPrintPart(status, 1, "%s", line);
    }

    RefreshRun *run = (RefreshRun *)calloc(1, sizeof(RefreshRun));
    if (!run) return 0;
    run->mainWindow = mainWindow;
    run->selectedOnly = selectedOnly;
    run->timeout = appData->timeout;
    run->noHostNames = (appData->flags & FlagNoHostNames) ? 1 : 0;
    if (appData->fixupNames) {
        size_t size = NameListSize(appData->fixupNames);
        run->fixupNames = (char *)malloc(size);
        if (run->fixupNames) memcpy(run->fixupNames, appData->fixupNames, size);
    }
    // Suspended until its handle is stored: the coordinator clears
    // refreshThread at its end, which must come after the store.
    HANDLE thread = CreateThread(nullptr, 0, RefreshCoordinator, run, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        free(run->fixupNames);
        free(run);
        return 0;
    }
    run->thread = thread;
    appData->refreshThread = (uintptr_t)thread;
    ResumeThread(thread);
    return 0;
}

void OnCmdStop(HWND mainWindow)
{
    if (appData->refreshThread) {
        ProgressUpdate(Child(mainWindow, ID_STATUSBAR), 1, 1, "Refresh interrupted");
        PlayWave(nullptr, 0);
    }
    appData->stopRequested = 1;
}

void OnCmdRefresh(HWND mainWindow)
{
    if (appData->refreshThread) {
        OnCmdStop(mainWindow);
        return;
    }
    int selected = (int)SendMessageA(Child(mainWindow, ID_SERVERLIST), LVM_GETSELECTEDCOUNT, 0, 0);
    StartRefresh(mainWindow, selected > 1 ? 1 : 0);
}

void OnCmdRefreshSelected(HWND mainWindow)
{
    if (appData->refreshThread) {
        OnCmdStop(mainWindow);
        return;
    }
    StartRefresh(mainWindow, 1);
}

LRESULT OnRefreshBegin(HWND mainWindow, LPARAM parameter)
{
    RefreshTask *task = (RefreshTask *)parameter;
    // Checked here, on the thread that runs the Stop command, so that no
    // "Querying" text can follow "Refresh interrupted".
    if (appData->stopRequested) return 0;
    LPARAM param;
    if (!RowParam(Child(mainWindow, ID_SERVERLIST), task->row, &param)) return 0;
    task->slot = (long)(param & 0xFFFFFF);
    ServerSlot *slot = SlotAt(&appData->table, task->slot);
    if (!slot || !slot->server || (slot->flags & SlotDeleted)) return 0;

    RemovePlayersOf(Child(mainWindow, ID_PLAYERLIST), task->slot);
    tagQServer *s = slot->server;
    if (KvServerAlloc(&task->copy, KvServerGetHostIP(s), KvServerGetHostPort(s),
                      KvServerGetHostName(s), KvServerGetServerName(s), KvServerGetGameName(s),
                      KvServerGetPing(s)) != 0)
        return 0;
    char address[128];
    KvServerGetHostIPString(task->copy, address, sizeof address);
    if (ProgressUpdateUnpainted(task->position, task->total, "Querying %s", address)) {
        pendingRepaint.progress = true;
        ScheduleRepaint(mainWindow);
    }
    return 1;
}

LRESULT OnRefreshEnd(HWND mainWindow, LPARAM parameter)
{
    RefreshTask *task = (RefreshTask *)parameter;
    ServerSlot *slot = SlotAt(&appData->table, task->slot);
    if (!slot || (slot->flags & SlotDeleted)) {
        KvServerFree(task->copy);
        return 0;
    }
    tagQServer *old = slot->server;
    slot->server = task->copy;
    KvServerFree(old);
    HWND list = Child(mainWindow, ID_SERVERLIST);
    int row = RowOfSlot(list, task->row, task->slot);
    if (row >= 0) {
        if (pendingRepaint.firstRow < 0 || row < pendingRepaint.firstRow)
            pendingRepaint.firstRow = row;
        if (row > pendingRepaint.lastRow)
            pendingRepaint.lastRow = row;
        ScheduleRepaint(mainWindow);
    }
    return 0;
}

