// The refresh engine: a number of servers are queried concurrently under
// one coordinator thread per refresh. The coordinator starts as many worker
// threads as the refresh allows (never more than servers) and keeps a queue
// of servers ready for them, one place per worker; each worker queries one
// server after another, so at most that many servers are queried at once,
// and a worker done with one server starts the next without waiting.
//
// The engine knows no window and no server table. Its caller (the refresh
// view) gives it hooks: prepare makes the private record a worker queries,
// finish takes the refreshed record back, and the two end hooks say that
// the refresh is winding up and that it is over. The hooks run on the
// engine's threads; the view hands their work to its own thread.
#ifndef SKOVALT_REFRESH_REFRESH_H
#define SKOVALT_REFRESH_REFRESH_H

#include "kv/kv.h"

// The most worker threads one refresh runs at once, whatever
// "NumServerThreads" says.
const int kMaxRefreshWorkers = 64;
// Workers when "NumServerThreads" is missing, not a number, 0 or less.
const int kDefaultRefreshWorkers = 10;

// One server of a refresh, from prepare to finish.
struct RefreshItem {
    int position;        // 0 .. total-1, in the order the servers are taken
    int total;
    long slot;           // set by prepare: whatever names the server to the caller
    int row;             // set by prepare: likewise
    tagQServer *copy;    // set by prepare: the record the worker refreshes
};

struct RefreshHooks {
    void *context;
    // Coordinator thread, for each position in turn: fill in the item and
    // return true, or false to leave the server out. Not called after a
    // stop.
    bool (*prepare)(void *context, RefreshItem *item);
    // Worker thread, after the query: the hook owns item->copy from then
    // on. Calls of finish come one at a time, never after ended.
    void (*finish)(void *context, RefreshItem *item);
    // Coordinator thread: no more servers start; the running ones are
    // waited for.
    void (*windingUp)(void *context);
    // Coordinator thread, the last call of a refresh: every worker has
    // ended. RefreshRunning() is still true during the call.
    void (*ended)(void *context, bool stopped);
};

struct RefreshOptions {
    int total;               // servers (positions) to prepare
    int workers;             // at most this many at once (1 .. kMaxRefreshWorkers)
    long timeout;            // query timeout in seconds
    int noHostNames;         // 1: no host-name lookups
    const char *fixupNames;  // name fix-up list (copied), or null
};

// Starts a refresh. Returns 0 when it runs; 1 when one runs already
// (nothing is done); 2 when it could not be started (no thread or memory;
// no hook is called).
int StartRefreshEngine(const RefreshOptions *options, const RefreshHooks *hooks);

// True from the start of a refresh until its ended hook has returned:
// rows must not be sorted, reordered or edited meanwhile.
bool RefreshRunning();

// Asks the running refresh to stop: no server starts after this; the ones
// being queried get a quarter second to answer, then the refresh ends
// without them and drops their answers, however long the time-out (their
// threads end on their own, touching nothing of the caller's). Harmless
// when none runs (the next start clears it).
void RequestRefreshStop();
bool RefreshStopRequested();

// Worker threads of any refresh still running, those of a stopped refresh
// still waiting on their servers included.
int RefreshWorkersAlive();

// The worker limit for a "NumServerThreads" text.
int RefreshWorkerLimit(const char *setting);

// Refreshes one record on a thread of its own, beside any running refresh
// (the refresh of one server asked for on the spot). Only options->timeout,
// noHostNames and fixupNames (copied) are used. finish gets the refreshed
// record on that thread and owns it from then on. Returns 0, or 1 when the
// thread could not be started (the caller keeps server; finish is not
// called).
int StartServerRefresh(tagQServer *server, const RefreshOptions *options,
                       void (*finish)(void *context, tagQServer *server), void *context);

#endif
