// Timings of a refresh against servers served outside the program (by
// tools/bench/refresh-scale.sh): the whole refresh with 10 and with 50
// workers, and the longest time the user-interface thread's message loop
// went without handling its 10 ms timer during each.
//   BENCH_PORT_BASE  first port of the servers on 127.0.0.1 (required)
//   BENCH_SERVERS    number of servers (default 1000)
#include "window_support.h"
#include "bench_support.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/mainwindow.h"

namespace {

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
        double start = Now();
        Responsiveness r = RunProbed([&] { SendMessageA(main, WM_COMMAND, CMD_REFRESH, 0); },
                                     [] { return !RefreshRunning(); },
                                     [&](MSG *msg) { HandleLoopMessage(main, accelerators, msg); });
        double seconds = Now() - start;
        double ideal = count / static_cast<double>(threads) * 0.020;
        int answered = 0;
        for (int row = 0; row < count; ++row)
            answered += !CellText(servers, row, 1).empty();
        printf("[ BENCH    ] %d servers, %2d workers: %.3f s (ideal %.3f s, %.2f x), %d answered, "
               "longest wait of a posted message %.0f ms, longest gap between 10 ms timer ticks %.0f ms\n",
               count, threads, seconds, ideal, seconds / ideal, answered, r.longestProbeWait * 1000, r.longestTimerGap * 1000);
    }
}

}  // namespace
