#include "bench_support.h"

namespace {

const UINT kProbe = WM_APP + 77;
volatile bool probing = false;
DWORD uiThread = 0;
double lastTick = 0;
double longestGap = 0;

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    double now = Now();
    if (lastTick > 0 && now - lastTick > longestGap)
        longestGap = now - lastTick;
    lastTick = now;
}

DWORD WINAPI Prober(LPVOID)
{
    while (probing) {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        PostThreadMessageA(uiThread, kProbe, 0, static_cast<LPARAM>(counter.QuadPart));
        Sleep(10);
    }
    return 0;
}

// User and kernel time of the calling thread, in seconds.
double ThreadSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return static_cast<double>(k.QuadPart + u.QuadPart) / 1e7;
}

}  // namespace

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Responsiveness RunProbed(const std::function<void()> &start, const std::function<bool()> &done,
                         const std::function<void(MSG *)> &handle)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Responsiveness r = {0, 0, 0};
    lastTick = 0;
    longestGap = 0;
    uiThread = GetCurrentThreadId();
    probing = true;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);
    HANDLE prober = CreateThread(nullptr, 0, Prober, nullptr, 0, nullptr);
    double cpu = ThreadSeconds();
    start();
    MSG msg;
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == kProbe) {
                LARGE_INTEGER now;
                QueryPerformanceCounter(&now);
                double wait = static_cast<double>(now.QuadPart - msg.lParam) / static_cast<double>(frequency.QuadPart);
                if (wait > r.longestProbeWait)
                    r.longestProbeWait = wait;
                continue;
            }
            handle(&msg);
        }
    }
    r.threadSeconds = ThreadSeconds() - cpu;
    KillTimer(nullptr, timer);
    probing = false;
    WaitForSingleObject(prober, INFINITE);
    CloseHandle(prober);
    r.longestTimerGap = longestGap;
    return r;
}
