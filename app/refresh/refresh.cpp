// The refresh coordinator and its workers.
#include "refresh/refresh.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "base/text.h"

namespace {

// Stack of a worker: the exchange keeps its buffer on the heap.
const SIZE_T kWorkerStack = 256 * 1024;

// After a stop the coordinator waits this long for the queries in flight,
// then abandons them: a silent server would hold it for a whole time-out.
const DWORD kStopGraceMs = 250;

// The engine's state: one refresh at a time.
volatile LONG running;
volatile LONG stopRequested;
volatile LONG workersAlive;  // of every refresh, abandoned ones included
// Set by every worker as it ends, so the coordinator's wait for the last
// workers ends at once instead of at the next look. Made once, never
// closed: a worker may still set it after the coordinator has gone.
HANDLE workerEnded;
// The finish hooks of the workers go one at a time; an abandoned refresh
// is marked under it, so no finish follows the ended hook.
CRITICAL_SECTION finishLock;
INIT_ONCE engineOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitEngine(PINIT_ONCE, PVOID, PVOID *)
{
    InitializeCriticalSection(&finishLock);
    workerEnded = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return workerEnded != nullptr;
}

// One refresh: what the coordinator and its workers share. The options
// are copied when the refresh starts, so the caller's may change meanwhile.
// The coordinator and each worker hold a reference; the last one frees it,
// so a worker still waiting on its server after the coordinator has
// abandoned it finds its run (and the name list it queries with) intact.
struct RefreshRun {
    volatile LONG references;
    volatile LONG activeWorkers;  // workers started and not yet ended
    volatile LONG abandoned;      // 1: the coordinator has ended; answers are dropped
    RefreshHooks hooks;
    RefreshOptions options;
    char *fixupNames;       // private copy, or null
    CRITICAL_SECTION queueLock;
    RefreshItem *queue[kMaxRefreshWorkers];
    int queueHead;
    int queueCount;
    HANDLE queued;          // semaphore: items in the queue, plus one per worker at the end
    HANDLE room;            // semaphore: free places in the queue
};

// A private copy of a name list, or null (for null, or out of memory).
char *CopyNameList(const char *list)
{
    if (!list)
        return nullptr;
    const char *p = list;
    while (*p)
        p += strlen(p) + 1;
    size_t size = static_cast<size_t>(p - list) + 1;
    char *copy = static_cast<char *>(malloc(size));
    if (copy)
        memcpy(copy, list, size);
    return copy;
}

void FreeRun(RefreshRun *run)
{
    if (run->queued)
        CloseHandle(run->queued);
    if (run->room)
        CloseHandle(run->room);
    DeleteCriticalSection(&run->queueLock);
    free(run->fixupNames);
    free(run);
}

// Drops one reference; the last frees the run.
void ReleaseRun(RefreshRun *run)
{
    if (InterlockedDecrement(&run->references) == 0)
        FreeRun(run);
}

// Takes the next item from the queue; null once the coordinator has
// closed it.
RefreshItem *NextItem(RefreshRun *run)
{
    WaitForSingleObject(run->queued, INFINITE);
    RefreshItem *item = nullptr;
    EnterCriticalSection(&run->queueLock);
    if (run->queueCount > 0) {
        item = run->queue[run->queueHead];
        run->queueHead = (run->queueHead + 1) % kMaxRefreshWorkers;
        run->queueCount--;
    }
    LeaveCriticalSection(&run->queueLock);
    if (item)
        ReleaseSemaphore(run->room, 1, nullptr);
    return item;
}

// A worker queries one server after another until the queue closes. After
// a stop it drops what is left in the queue: no server starts after a stop.
// An answer that comes after the coordinator abandoned the run is dropped.
DWORD WINAPI RefreshWorker(LPVOID parameter)
{
    RefreshRun *run = static_cast<RefreshRun *>(parameter);
    while (RefreshItem *item = NextItem(run)) {
        bool taken = false;
        if (!run->abandoned && !stopRequested) {
            KvServerRefresh(item->copy, run->fixupNames, run->options.timeout, run->options.noHostNames);
            EnterCriticalSection(&finishLock);
            if (!run->abandoned) {
                run->hooks.finish(run->hooks.context, item);
                taken = true;
            }
            LeaveCriticalSection(&finishLock);
        }
        if (!taken)
            KvServerFree(item->copy);
        free(item);
    }
    InterlockedDecrement(&run->activeWorkers);
    SetEvent(workerEnded);
    ReleaseRun(run);
    InterlockedDecrement(&workersAlive);
    return 0;
}

// Starts up to count workers; a worker that cannot be started costs a beep.
void StartWorkers(RefreshRun *run, int count)
{
    for (int i = 0; i < count; ++i) {
        InterlockedIncrement(&run->activeWorkers);
        InterlockedIncrement(&run->references);
        InterlockedIncrement(&workersAlive);
        HANDLE worker = CreateThread(nullptr, kWorkerStack, RefreshWorker, run,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (worker) {
            CloseHandle(worker);
        } else {
            MessageBeep(0);
            InterlockedDecrement(&run->activeWorkers);
            InterlockedDecrement(&run->references);
            InterlockedDecrement(&workersAlive);
        }
    }
}

// Hands an item to the workers once the queue has room, looking every
// 10 ms. A stop that comes during the wait drops the item. Returns false
// when no worker runs to take it.
bool HandOut(RefreshRun *run, RefreshItem *item)
{
    while (WaitForSingleObject(run->room, 10) == WAIT_TIMEOUT && !stopRequested) {
    }
    if (stopRequested || run->activeWorkers == 0) {
        KvServerFree(item->copy);
        free(item);
        return false;
    }
    EnterCriticalSection(&run->queueLock);
    run->queue[(run->queueHead + run->queueCount) % kMaxRefreshWorkers] = item;
    run->queueCount++;
    LeaveCriticalSection(&run->queueLock);
    ReleaseSemaphore(run->queued, 1, nullptr);
    return true;
}

DWORD WINAPI RefreshCoordinator(LPVOID parameter)
{
    RefreshRun *run = static_cast<RefreshRun *>(parameter);
    const RefreshHooks &hooks = run->hooks;
    int total = run->options.total;

    // Never more workers than servers; the queue holds as many servers
    // ready as there are workers.
    int workers = total < run->options.workers ? total : run->options.workers;
    if (workers < 0)
        workers = 0;
    run->queued = CreateSemaphoreA(nullptr, 0, kMaxRefreshWorkers * 2, nullptr);
    run->room = CreateSemaphoreA(nullptr, workers > 0 ? workers : 1, kMaxRefreshWorkers, nullptr);
    if (run->queued && run->room)
        StartWorkers(run, workers);

    for (int i = 0; i < total && !stopRequested; ++i) {
        RefreshItem *item = static_cast<RefreshItem *>(calloc(1, sizeof(RefreshItem)));
        if (!item)
            break;
        item->position = i;
        item->total = total;
        if (!hooks.prepare(hooks.context, item)) {
            free(item);  // no server there, or stopped meanwhile
            continue;
        }
        if (!HandOut(run, item))
            break;
    }

    hooks.windingUp(hooks.context);
    // Close the queue: one empty take for every worker ends it.
    if (run->queued)
        ReleaseSemaphore(run->queued, workers, nullptr);
    // Wait for the workers; once stopped, for kStopGraceMs at most: the
    // queries still in flight then go on alone and their answers are
    // dropped, however long the time-out.
    DWORD stoppedAt = 0;
    bool sawStop = false;
    while (run->activeWorkers > 0) {
        if (stopRequested && !sawStop) {
            sawStop = true;
            stoppedAt = GetTickCount();
        }
        if (sawStop && GetTickCount() - stoppedAt >= kStopGraceMs)
            break;
        WaitForSingleObject(workerEnded, sawStop ? 10 : 50);
    }
    EnterCriticalSection(&finishLock);
    InterlockedExchange(&run->abandoned, 1);
    LeaveCriticalSection(&finishLock);

    bool stopped = stopRequested != 0;
    hooks.ended(hooks.context, stopped);
    InterlockedExchange(&running, 0);
    ReleaseRun(run);
    return 0;
}

// One record refreshed on its own thread.
struct ServerRefresh {
    tagQServer *server;
    char *fixupNames;  // private copy, or null
    long timeout;
    int noHostNames;
    void (*finish)(void *context, tagQServer *server);
    void *context;
};

DWORD WINAPI ServerRefreshThread(LPVOID parameter)
{
    ServerRefresh *job = static_cast<ServerRefresh *>(parameter);
    KvServerRefresh(job->server, job->fixupNames, job->timeout, job->noHostNames);
    job->finish(job->context, job->server);
    free(job->fixupNames);
    free(job);
    return 0;
}

}  // namespace

int StartRefreshEngine(const RefreshOptions *options, const RefreshHooks *hooks)
{
    if (!InitOnceExecuteOnce(&engineOnce, InitEngine, nullptr, nullptr))
        return 2;
    if (InterlockedCompareExchange(&running, 1, 0) != 0)
        return 1;
    InterlockedExchange(&stopRequested, 0);

    RefreshRun *run = static_cast<RefreshRun *>(calloc(1, sizeof(RefreshRun)));
    if (!run) {
        InterlockedExchange(&running, 0);
        return 2;
    }
    run->references = 1;  // the coordinator's
    run->hooks = *hooks;
    run->options = *options;
    if (run->options.workers < 1)
        run->options.workers = 1;
    if (run->options.workers > kMaxRefreshWorkers)
        run->options.workers = kMaxRefreshWorkers;
    run->fixupNames = CopyNameList(options->fixupNames);
    run->options.fixupNames = nullptr;
    InitializeCriticalSection(&run->queueLock);

    HANDLE thread = CreateThread(nullptr, 0, RefreshCoordinator, run, 0, nullptr);
    if (!thread) {
        FreeRun(run);
        InterlockedExchange(&running, 0);
        return 2;
    }
    CloseHandle(thread);
    return 0;
}

bool RefreshRunning()
{
    return running != 0;
}

void RequestRefreshStop()
{
    InterlockedExchange(&stopRequested, 1);
}

bool RefreshStopRequested()
{
    return stopRequested != 0;
}

int RefreshWorkersAlive()
{
    return static_cast<int>(workersAlive);
}

int RefreshWorkerLimit(const char *setting)
{
    long n = 0;
    if (!ParseSettingNumber(setting, &n) || n <= 0)
        return kDefaultRefreshWorkers;
    return n > kMaxRefreshWorkers ? kMaxRefreshWorkers : static_cast<int>(n);
}

int StartServerRefresh(tagQServer *server, const RefreshOptions *options,
                       void (*finish)(void *context, tagQServer *server), void *context)
{
    ServerRefresh *job = static_cast<ServerRefresh *>(calloc(1, sizeof(ServerRefresh)));
    if (!job)
        return 1;
    *job = {server, CopyNameList(options->fixupNames), options->timeout, options->noHostNames, finish, context};
    HANDLE thread = CreateThread(nullptr, kWorkerStack, ServerRefreshThread, job, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                 nullptr);
    if (!thread) {
        free(job->fixupNames);
        free(job);
        return 1;
    }
    CloseHandle(thread);
    return 0;
}
