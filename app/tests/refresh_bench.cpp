// Timings of a refresh against servers served outside the program (by
// tools/bench/refresh-scale.sh): the whole refresh with 10 and with 50
// workers, and the longest time the user-interface thread's message loop
// went without handling its 10 ms timer during each.
//   BENCH_PORT_BASE  first port of the servers on 127.0.0.1 (required)
//   BENCH_SERVERS    number of servers (default 1000)
#include "window_support.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "startup.h"
#include "settings/settings.h"

namespace {

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double lastTick = 0;
double longestGap = 0;

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    double now = Now();
    if (lastTick > 0 && now - lastTick > longestGap)
        longestGap = now - lastTick;
    lastTick = now;
}

// A thread that posts the user-interface thread a stamped message every
// 10 ms, as input arrives: the loop measures how long each waited.
const UINT kProbe = WM_APP + 77;
volatile bool probing = false;
DWORD uiThread = 0;
double longestProbe = 0;

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

double ProbeDelay(LPARAM stamp)
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart - stamp) / static_cast<double>(frequency.QuadPart);
}

using RefreshBenchmark = MainWindowTest;

TEST_F(RefreshBenchmark, LoopbackServers)
{
    const char *base = getenv("BENCH_PORT_BASE");
    ASSERT_NE(base, nullptr) << "set BENCH_PORT_BASE";
    int first = atoi(base);
    int count = getenv("BENCH_SERVERS") ? atoi(getenv("BENCH_SERVERS")) : 1000;
    Bytes list = {'k', 'v', 0};
    for (int i = 0; i < count; ++i)
        list = Concat({list, ServerRecord({127, 0, 0, 1}, static_cast<uint16_t>(first + i), 0xFFFF, 0, "", "", "")});
    WriteFile("Server.dat", list);
    OpenMainWindow();
    ShowWindow(main, SW_SHOW);
    appData->flags |= FlagNoHostNames;
    HWND servers = Child(ID_SERVERLIST);
    ASSERT_EQ(SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0), count);

    for (int threads : {10, 50, 10, 50}) {
        WriteSetting("NumServerThreads", std::to_string(threads).c_str());
        UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);
        lastTick = 0;
        longestGap = 0;
        longestProbe = 0;
        uiThread = GetCurrentThreadId();
        probing = true;
        HANDLE prober = CreateThread(nullptr, 0, Prober, nullptr, 0, nullptr);
        double start = Now();
        SendMessageA(main, WM_COMMAND, CMD_REFRESH, 0);
        MSG msg;
        while (RefreshRunning()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == kProbe) {
                    double delay = ProbeDelay(msg.lParam);
                    if (delay > longestProbe)
                        longestProbe = delay;
                    continue;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        double seconds = Now() - start;
        KillTimer(nullptr, timer);
        probing = false;
        WaitForSingleObject(prober, INFINITE);
        CloseHandle(prober);
        double ideal = count / static_cast<double>(threads) * 0.020;
        int answered = 0;
        for (int row = 0; row < count; ++row)
            answered += !CellText(servers, row, 1).empty();
        printf("[ BENCH    ] %d servers, %2d workers: %.3f s (ideal %.3f s, %.2f x), %d answered, "
               "longest wait of a posted message %.0f ms, longest gap between 10 ms timer ticks %.0f ms\n",
               count, threads, seconds, ideal, seconds / ideal, answered, longestProbe * 1000, longestGap * 1000);
    }
}

}  // namespace
