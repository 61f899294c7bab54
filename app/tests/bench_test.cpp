// Timings of the list at 100,000 servers: load and show, save, sort by ping
// and by name, rebuild through a game filter. Each must stay under 2 s
// under Wine; the figures are printed for the record.
#include "window_support.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "resources/resource.h"
#include "serverlist/serverfile.h"
#include "ui/displaylist.h"
#include "settings/appdata.h"
#include "startup.h"
#include "ui/listview.h"

namespace {

const int Servers = 100000;
const double BarSeconds = 2.0;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Bytes BigList()
{
    Bytes data = {'k', 'v', 0};
    const char *games[] = {"ctf", "dm", "lmctf", "ra", "baseq2"};
    unsigned state = 1;
    for (int i = 0; i < Servers; ++i) {
        state = state * 1103515245u + 12345u;
        char host[32], name[48];
        snprintf(host, sizeof host, "q%d.example.net", i);
        snprintf(name, sizeof name, "Server %08X", state);
        Bytes ip = {10, static_cast<unsigned char>(i >> 16), static_cast<unsigned char>(i >> 8),
                    static_cast<unsigned char>(i)};
        Bytes r = ServerRecord(ip, 27910, static_cast<uint16_t>((state >> 8) % 1000), i % 7 == 0 ? 2 : 0, host,
                               name, games[i % 5]);
        data.insert(data.end(), r.begin(), r.end());
    }
    return data;
}

void Report(const char *what, double seconds)
{
    printf("[ BENCH    ] %-40s %7.3f s\n", what, seconds);
    EXPECT_LT(seconds, BarSeconds) << what;
}

using Benchmark = MainWindowTest;

TEST_F(Benchmark, HundredThousandServers)
{
    OpenMainWindow();  // starts without a list
    WriteFile("Server.dat", BigList());
    HWND list = Child(ID_SERVERLIST);
    ShowWindow(main, SW_SHOW);
    EndProgram();
    StartAppData();
    appData->mainWindow = main;

    double t = Now();
    ASSERT_EQ(LoadServerList(main), 0);
    UpdateWindow(list);
    Report("load 100,000 servers and show them", Now() - t);
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), Servers);

    t = Now();
    ASSERT_EQ(SaveServerList(main), 0);
    Report("save 100,000 servers", Now() - t);

    t = Now();
    SortServerList(list, 'y');
    UpdateWindow(list);
    Report("sort by ping", Now() - t);

    t = Now();
    SortServerList(list, 's');
    UpdateWindow(list);
    Report("sort by server name", Now() - t);

    char *filter = static_cast<char *>(calloc(8, 1));
    strcpy(filter, "ctf");
    free(appData->gameFilter);
    appData->gameFilter = filter;
    t = Now();
    RebuildDisplayList(main);
    UpdateWindow(list);
    Report("rebuild the list with a game filter", Now() - t);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), Servers / 5);
}

}  // namespace
