// Fetches on their own threads, and the saving of a download.
#include "net/web.h"

#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <new>

#include "base/paths.h"
#include "base/report.h"
#include "net/udpmaster.h"
#include "net/version.h"
#include "settings/settings.h"

HttpLimits webLimits = HttpDefaultLimits();

namespace {

// Only the first bytes of the version file count.
const size_t kVersionTextBytes = 512;

// A UDP master's answer ends after this long without a datagram.
const long kUdpSilenceMs = 1000;

// The progress message is posted at most this often.
const DWORD kProgressMs = 200;

enum { MessageProgress = 0, MessageDone = 1 };

struct Job {
    WebFetch fetch;
    HttpLimits limits;
    HttpResponse response;
    long udpTotalMs;  // a UDP master's whole answer: the query time-out
    HWND window;
    UINT message;
    WebFetchHook progress;
    WebFetchHook done;
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::atomic<size_t> received{0};
    std::atomic<long long> announced{-1};
    std::atomic<bool> progressPosted{false};
    std::atomic<DWORD> lastProgress{0};
    HANDLE thread = nullptr;
};

// The running fetches, by kind; read and written on the window's thread.
Job *jobs[WebFetchKinds];

// On the fetch's thread, as the body arrives.
void OnProgress(void *context, size_t received, long long announced)
{
    Job *job = static_cast<Job *>(context);
    job->received = received;
    job->announced = announced;
    DWORD now = GetTickCount();
    if (!job->progress || now - job->lastProgress < kProgressMs || job->progressPosted.exchange(true))
        return;
    job->lastProgress = now;
    PostMessageA(job->window, job->message, static_cast<WPARAM>(job->fetch.kind), MessageProgress);
}

bool IsUdpMaster(const char *url)
{
    return _strnicmp(url, "udp://", 6) == 0;
}

// A Quake 2 UDP master: its servers become the body, one "a.b.c.d:port" a
// line, as an HTTP master list serves them.
int ReadUdpMaster(Job *job)
{
    UdpMasterReply reply;
    int result = UdpMasterGet(job->fetch.url, kUdpSilenceMs, job->udpTotalMs, &job->cancel, &reply);
    if (result == HttpOk) {
        size_t size = 0;
        char *text = UdpMasterReplyText(&reply, &size);
        if (!text && size == 0 && reply.count > 0)
            result = HttpErrMemory;
        job->response.body = reinterpret_cast<unsigned char *>(text);
        job->response.size = job->response.capacity = size;
        job->response.status = 200;
    }
    UdpMasterReplyFree(&reply);
    return result;
}

DWORD WINAPI RunJob(void *parameter)
{
    Job *job = static_cast<Job *>(parameter);
    if (IsUdpMaster(job->fetch.url))
        job->fetch.result = ReadUdpMaster(job);
    else
        job->fetch.result = HttpGet(job->fetch.url, &job->limits, &job->cancel, OnProgress, job, &job->response);
    job->finished = true;
    PostMessageA(job->window, job->message, static_cast<WPARAM>(job->fetch.kind), MessageDone);
    return 0;
}

// Waits for the job's thread and frees it.
void FreeJob(Job *job)
{
    if (job->thread) {
        WaitForSingleObject(job->thread, INFINITE);
        CloseHandle(job->thread);
    }
    HttpResponseFree(&job->response);
    delete job;
}

}  // namespace

bool StartWebFetch(HWND window, UINT message, WebFetchKind kind, const char *url, WebFetchHook progress,
                   WebFetchHook done)
{
    if (kind < 0 || kind >= WebFetchKinds || jobs[kind] || !url)
        return false;
    Job *job = new (std::nothrow) Job;
    if (!job)
        return false;
    memset(&job->fetch, 0, sizeof job->fetch);
    job->fetch.kind = kind;
    job->fetch.result = HttpMore;
    job->fetch.announced = -1;
    snprintf(job->fetch.url, sizeof job->fetch.url, "%s", url);
    job->limits = webLimits;
    if (kind != WebFetchMasterList) {
        job->limits.maxBody = kVersionTextBytes;
        job->limits.keepFirst = true;
    }
    HttpResponseInit(&job->response, job->limits.maxBody, job->limits.keepFirst);
    job->udpTotalMs = ReadTimeoutSetting() * 1000;
    job->window = window;
    job->message = message;
    job->progress = progress;
    job->done = done;
    job->lastProgress = GetTickCount() - kProgressMs;
    job->thread = CreateThread(nullptr, 0, RunJob, job, 0, nullptr);
    if (!job->thread) {
        FreeJob(job);
        return false;
    }
    jobs[kind] = job;
    return true;
}

bool WebFetchRunning(WebFetchKind kind)
{
    return kind >= 0 && kind < WebFetchKinds && jobs[kind] != nullptr;
}

void CancelWebFetches()
{
    for (Job *job : jobs)
        if (job)
            job->cancel = true;
}

void EndWebFetches()
{
    for (Job *&job : jobs) {
        if (!job)
            continue;
        job->cancel = true;
        FreeJob(job);
        job = nullptr;
    }
}

LRESULT OnWebFetchMessage(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam >= WebFetchKinds || !jobs[wParam])
        return 0;
    Job *job = jobs[wParam];
    if (lParam == MessageProgress) {
        job->progressPosted = false;
        if (!job->finished && job->progress) {
            job->fetch.received = job->received;
            job->fetch.announced = job->announced;
            job->progress(window, &job->fetch);
        }
        return 0;
    }
    // A done message of a fetch that ended before this one started is
    // not this one's.
    if (!job->finished)
        return 0;
    jobs[wParam] = nullptr;  // the hook may start the next fetch of its kind
    job->fetch.status = job->response.status;
    job->fetch.body = job->response.body;
    job->fetch.size = job->response.size;
    job->fetch.received = job->response.size;
    if (job->done)
        job->done(window, &job->fetch);
    FreeJob(job);
    return 0;
}

void ReportWebFailure(HWND owner, const WebFetch *fetch)
{
    HttpLimits limits = webLimits;
    if (fetch->kind != WebFetchMasterList)
        limits.maxBody = kVersionTextBytes;
    char text[128];
    HttpResultText(fetch->result, fetch->status, &limits, text, sizeof text);
    ReportMessage(owner, MB_ICONEXCLAMATION, "Internet error on:\n%s\n%s", fetch->url, text);
}

int SaveDownload(HWND owner, const char *fileName, const unsigned char *body, size_t size)
{
    char path[MAX_PATH], partPath[MAX_PATH];
    if (!ModulePath(path, sizeof path, fileName) || !PathWithSuffix(partPath, sizeof partPath, path, ".part")) {
        ReportMessage(owner, MB_ICONEXCLAMATION, "The path of '%s' is too long", fileName);
        return 1;
    }
    // Text mode: line feeds are stored as CR LF.
    FILE *file = fopen(partPath, "w");
    bool ok = file != nullptr;
    if (file) {
        ok = (size == 0 || fwrite(body, 1, size, file) == size);
        // The C runtime's fclose may report success when its last flush
        // failed (a full disk): the flush is checked first, and the data
        // reach the disk before the file takes the old one's place.
        ok = ok && fflush(file) == 0 && !ferror(file);
        HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
        ok = ok && handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
        ok = (fclose(file) == 0) && ok;
        ok = ok && MoveFileExA(partPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok)
            DeleteFileA(partPath);
    }
    if (!ok) {
        ReportMessage(owner, MB_ICONEXCLAMATION, "Cannot write '%s'", path);
        return 1;
    }
    return 0;
}

uint32_t NewerVersion(const WebFetch *fetch)
{
    if (fetch->result != HttpOk || !fetch->body)
        return kNoVersion;
    char text[kVersionTextBytes + 1];
    size_t n = fetch->size < kVersionTextBytes ? fetch->size : kVersionTextBytes;
    memcpy(text, fetch->body, n);
    text[n] = '\0';
    uint32_t latest = ParseVersionText(text);
    if (latest == kNoVersion)
        return kNoVersion;
    return latest > GetOwnVersion() ? latest : 0;
}
