// Timings of a refresh against servers served outside the program (by
// tools/bench/refresh-scale.sh and tools/bench/search-scale.sh): the whole
// refresh with 10 and with 50 workers, and the longest time the
// user-interface thread's message loop went without handling its 10 ms
// timer during each; then the same refresh with and without a player search.
//   BENCH_PORT_BASE  first port of the servers on 127.0.0.1 (required)
//   BENCH_SERVERS    number of servers (default 1000)
//   BENCH_SEARCH     the search words of the search case (skipped without)
//   BENCH_WORKERS    workers of the search case (default 50)
//   BENCH_RUNS       refreshes of the search case, each way (default 5)
#include "bench_support.h"
#include "window_support.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/rows.h"
#include "ui/mainwindow.h"
#include "ui/playersearch.h"

namespace {

int EnvNumber(const char *name, int fallback)
{
    const char *value = getenv(name);
    return value && *value ? atoi(value) : fallback;
}

class RefreshBenchmark : public MainWindowTest {
protected:
    // The main window on a list of count servers from port first on.
    void OpenOnServers(int first, int count)
    {
        Bytes list = {'k', 'v', 0};
        for (int i = 0; i < count; ++i)
            list =
                Concat({list, ServerRecord({127, 0, 0, 1}, static_cast<uint16_t>(first + i), 0xFFFF, 0, "", "", "")});
        WriteFile("Server.dat", list);
        OpenMainWindow();
        ShowWindow(main, SW_SHOW);
        appData->flags |= FlagNoHostNames;
        ASSERT_EQ(SendMessageA(Child(ID_SERVERLIST), LVM_GETITEMCOUNT, 0, 0), count);
    }
    // A refresh of every server by the Refresh command, probed.
    Responsiveness TimedRefresh(double *seconds)
    {
        double start = Now();
        Responsiveness r =
            RunProbed([&] { SendMessageA(main, WM_COMMAND, CMD_REFRESH, 0); }, [] { return !RefreshRunning(); },
                      [&](MSG *msg) { HandleLoopMessage(main, accelerators, msg); });
        *seconds = Now() - start;
        return r;
    }
    int Answered(int count)
    {
        int answered = 0;
        for (int row = 0; row < count; ++row)
            answered += !CellText(Child(ID_SERVERLIST), row, 1).empty();
        return answered;
    }
};

TEST_F(RefreshBenchmark, LoopbackServers)
{
    const char *base = getenv("BENCH_PORT_BASE");
    ASSERT_NE(base, nullptr) << "set BENCH_PORT_BASE";
    int count = EnvNumber("BENCH_SERVERS", 1000);
    OpenOnServers(atoi(base), count);

    for (int threads : {10, 50, 10, 50}) {
        WriteSetting("NumServerThreads", std::to_string(threads).c_str());
        double seconds;
        Responsiveness r = TimedRefresh(&seconds);
        double ideal = count / static_cast<double>(threads) * 0.020;
        printf("[ BENCH    ] %d servers, %2d workers: %.3f s (ideal %.3f s, %.2f x), %d answered, "
               "longest wait of a posted message %.0f ms, longest gap between 10 ms timer ticks %.0f ms\n",
               count, threads, seconds, ideal, seconds / ideal, Answered(count), r.longestProbeWait * 1000,
               r.longestTimerGap * 1000);
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The same refresh without and with a player search, alternately (without,
// with, with, without, ...) so that a change of the machine's load meets
// both alike. The user-interface thread's processor time is the steadier
// figure on a loaded machine; the wall time and the longest wait of a
// posted message are printed beside it.
TEST_F(RefreshBenchmark, PlayerSearch)
{
    const char *base = getenv("BENCH_PORT_BASE");
    const char *words = getenv("BENCH_SEARCH");
    if (!base || !words)
        GTEST_SKIP() << "no search words: tools/bench/search-scale.sh runs this case";
    int count = EnvNumber("BENCH_SERVERS", 1000);
    int workers = EnvNumber("BENCH_WORKERS", 50);
    int runs = EnvNumber("BENCH_RUNS", 5);
    OpenOnServers(atoi(base), count);
    WriteSetting("NumServerThreads", std::to_string(workers).c_str());
    HWND players = Child(ID_PLAYERLIST);
    double wall;
    TimedRefresh(&wall);  // the first answers: the records grow to their size

    std::vector<double> seconds[2], cpu[2], waits[2];
    for (int i = 0; i < 2 * runs; ++i) {
        bool search = i % 4 == 1 || i % 4 == 2;
        if (search) {
            SetSearchText(words);
        } else {
            free(appData->searchText);
            appData->searchText = nullptr;
        }
        Responsiveness r = TimedRefresh(&wall);
        int answered = Answered(count);
        int rows = static_cast<int>(SendMessageA(players, LVM_GETITEMCOUNT, 0, 0));
        printf("[ BENCH    ] %d servers, %d workers, %-14s %.3f s, user-interface thread %.3f s, "
               "longest wait of a posted message %.0f ms, %d answered, %d player rows\n",
               count, workers, search ? "with search:" : "without search:", wall, r.threadSeconds,
               r.longestProbeWait * 1000, answered, rows);
        seconds[search].push_back(wall);
        cpu[search].push_back(r.threadSeconds);
        waits[search].push_back(r.longestProbeWait);
        if (!search)
            continue;
        // Every match has its row, and the server refreshed last has its
        // players at the top in the server's order.
        int matches = 0;
        for (long slot = 0; slot < appData->table.serverCount; ++slot) {
            tagQServer *server = RowServer(ServerRowParam(slot));
            int position = 0;
            for (tagPlayer *p = server ? KvServerGetFirstPlayer(server) : nullptr;
                 p && position <= kMaxRowPlayerPosition; p = KvServerGetNextPlayer(server, p), ++position)
                matches += PlayerMatches(p);
        }
        EXPECT_EQ(rows, matches);
        LPARAM top, next;
        for (int row = 0; row + 1 < rows && RowParam(players, row, &top) && RowParam(players, row + 1, &next) &&
                          RowSlotIndex(next) == RowSlotIndex(top);
             ++row)
            EXPECT_LT(RowPlayerPosition(top), RowPlayerPosition(next)) << row;
    }
    double plain = Median(cpu[0]), searching = Median(cpu[1]);
    printf("[ BENCH    ] medians of %d runs each: without search %.3f s (user-interface thread %.3f s), "
           "with search %.3f s (user-interface thread %.3f s); the search adds %+.1f %% of wall time, "
           "%+.1f %% of user-interface thread time; longest wait of a posted message %.0f ms without, %.0f ms with\n",
           runs, Median(seconds[0]), plain, Median(seconds[1]), searching,
           (Median(seconds[1]) / Median(seconds[0]) - 1) * 100, plain > 0 ? (searching / plain - 1) * 100 : 0.0,
           *std::max_element(waits[0].begin(), waits[0].end()) * 1000,
           *std::max_element(waits[1].begin(), waits[1].end()) * 1000);
}

}  // namespace
