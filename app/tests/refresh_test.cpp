// The refresh engine end to end, in-process: the real main window and its
// list views, refreshed against simulated servers on 127.0.0.1.
#include "window_support.h"

#include <commctrl.h>
#include <string.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "q2sim.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "startup.h"
#include "settings/settings.h"
#include "ui/rows.h"
#include "ui/listview.h"
#include "ui/refreshview.h"
#include "ui/statusbar.h"

#include "refresh_fixture.h"

namespace {

TEST_F(Refresh, AllServersFillTheirRowsAndTheToolbarComesBack)
{
    Open({Server("Arena", 3, 8, 150), Server("Full House", 4, 4, 150), Server("Empty", 0, 16, 150)});
    Command(CMD_REFRESH);
    // The toolbar changes before the first progress text.
    ASSERT_TRUE(WaitUntil([&] { return !Progress().empty(); }));
    EXPECT_TRUE(ButtonChecked(CMD_REFRESH));
    for (int id : {CMD_FINDPLAYER, CMD_MOVETOTOP, CMD_FAVORITESONLY, CMD_DELETE, CMD_PASTE, CMD_LAUNCH,
                   CMD_ADDSERVER})
        EXPECT_FALSE(ButtonEnabled(id)) << id;
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 1), "No player searching");
    ASSERT_TRUE(WaitForRefreshEnd());

    EXPECT_EQ(Cell(RowOf(0), 0), "Arena");
    EXPECT_EQ(Cell(RowOf(0), 2), "3/8");
    EXPECT_EQ(Cell(RowOf(1), 0), "Full House");
    EXPECT_EQ(Cell(RowOf(1), 2), "4/4");
    EXPECT_EQ(Cell(RowOf(2), 2), "0/16");
    EXPECT_GE(atoi(Cell(RowOf(0), 1).c_str()), 140);  // the ping column
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Queries(i), 1) << i;
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ready");
    EXPECT_FALSE(ButtonChecked(CMD_REFRESH));
    for (int id : {CMD_FINDPLAYER, CMD_MOVETOTOP, CMD_FAVORITESONLY, CMD_DELETE, CMD_LAUNCH, CMD_ADDSERVER})
        EXPECT_TRUE(ButtonEnabled(id)) << id;
    // Paste follows the clipboard.
    EXPECT_EQ(ButtonEnabled(CMD_PASTE), IsClipboardFormatAvailable(CF_TEXT) != 0);
    EXPECT_FALSE(ButtonChecked(CMD_FAVORITESONLY));
}

TEST_F(Refresh, TwoSelectedRowsRefreshOnlyThoseOneSelectedRefreshesAll)
{
    Open({Server("A", 0, 8), Server("B", 0, 8), Server("C", 0, 8), Server("D", 0, 8)});
    Select({1, 3});
    RefreshAll();
    std::vector<int> counts;
    for (size_t i = 0; i < 4; ++i)
        counts.push_back(Queries(i));
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 0, 1}));

    Select({2});
    RefreshAll();
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(Queries(i), counts[i] + 1) << i;

    // "Refresh selected server(s)" takes the one selected row only.
    Command(CMD_REFRESHSELECTED);
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(Queries(2), counts[2] + 2);
    EXPECT_EQ(Queries(0), counts[0] + 1);
}

TEST_F(Refresh, FailedServersShowTheirErrorsInTheirRows)
{
    Open({Silent(), Server("junk", 0, 8, 0, q2sim::Mode::Garbage), Server("Fine", 1, 8)}, 1);
    RefreshAll();
    EXPECT_EQ(Cell(RowOf(0), 0), "127.0.0.1:" + std::to_string(q2sim::Port(sim, 0)) + ": Server timed out");
    EXPECT_NE(Cell(RowOf(1), 0).find(": Not a Quake2 server"), std::string::npos);
    EXPECT_EQ(Cell(RowOf(2), 0), "Fine");
    // A closed port: Windows reports it, Wine lets it time out.
    std::string closed = Cell(3, 0);
    EXPECT_TRUE(closed.find(": Server timed out") != std::string::npos ||
                closed.find(": Error on receiving from socket") != std::string::npos)
        << closed;
    EXPECT_EQ(Cell(RowOf(0), 1), "");  // no ping
    EXPECT_EQ(Cell(RowOf(0), 2), "/");
}

TEST_F(Refresh, StopInTheMiddle)
{
    Open({Silent(), Silent(), Silent(), Silent(), Silent()});
    WriteSetting("NumServerThreads", "1");
    Command(CMD_REFRESH);
    // The first server's worker waits out its time-out; stop then.
    ASSERT_TRUE(WaitUntil([&] { return Queries(0) == 1; }));
    Command(CMD_REFRESH);  // Refresh while refreshing is Stop
    EXPECT_EQ(Progress(), "Refresh interrupted");
    EXPECT_TRUE(RefreshStopRequested());
    ASSERT_TRUE(WaitUntil([&] { return Progress() == "Cleaning up, please wait"; }));
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Aborted");
    // No server was handed out after the stop.
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(Queries(i), 0) << i;

    // The next refresh starts afresh.
    WriteSetting("NumServerThreads", "10");
    RefreshAll();
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ready");
    for (size_t i = 0; i < 5; ++i)
        EXPECT_GE(Queries(i), 1) << i;
}

// Stop (Esc) ends a refresh within a second however long the time-out:
// the queries in flight are left to end alone and their answers dropped.
TEST_F(Refresh, StopEndsALongTimeOutAtOnceAndDropsLateAnswers)
{
    Open({Silent(), Server("Late", 2, 8, 1500)});
    appData->timeout = 999999;
    Command(CMD_REFRESH);
    ASSERT_TRUE(WaitUntil([&] { return Queries(0) == 1 && Queries(1) == 1; }));
    std::string unanswered = Cell(RowOf(1), 0);
    DWORD start = GetTickCount();
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitForRefreshEnd(5000));
    DWORD took = GetTickCount() - start;
    printf("Stop ended the refresh in %lu ms\n", took);
    EXPECT_LT(took, 1000u);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Aborted");
    // The late answer comes; its worker drops it and ends. The silent
    // server's worker waits on alone.
    ASSERT_TRUE(WaitUntil([] { return RefreshWorkersAlive() == 1; }, 10000));
    Pump();
    EXPECT_EQ(Cell(RowOf(1), 0), unanswered);

    // The program may quit, and the next refresh runs beside that worker.
    SendMessageA(main, WM_QUERYENDSESSION, 0, 0);
    EXPECT_TRUE(shownMessages.empty());
    q2sim::Configure(sim, 1, Server("Late", 2, 8));
    appData->timeout = 1;
    Select({RowOf(1)});
    Command(CMD_REFRESHSELECTED);
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(Cell(RowOf(1), 0), "Late");
}

TEST_F(Refresh, StopBeforeTheFirstServerStillCleansUp)
{
    Open({Server("A", 0, 8)});
    RequestRefreshStop();  // a stop asked while idle is cleared by the next start
    RefreshAll();
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ready");
    Command(CMD_STOP);  // Stop while idle only sets the request
    EXPECT_TRUE(RefreshStopRequested());
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ready");
}

TEST_F(Refresh, OneWorkerRunsTheServersOneAfterAnother)
{
    std::vector<q2sim::ServerConfig> servers(4, Server("Slow", 0, 8, 300));
    Open(servers);
    WriteSetting("NumServerThreads", "1");
    DWORD start = GetTickCount();
    RefreshAll();
    EXPECT_GE(GetTickCount() - start, 4u * 290u);

    // 0 means 10 workers: the four wait side by side.
    WriteSetting("NumServerThreads", "0");
    start = GetTickCount();
    RefreshAll();
    EXPECT_LT(GetTickCount() - start, 4u * 290u);
}

TEST_F(Refresh, StartupSettingSRefreshesEveryServer)
{
    WriteSetting("Startup", "S");
    Open({Server("At start", 0, 8), Server("Also", 1, 8)});
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(Queries(0), 1);
    EXPECT_EQ(Queries(1), 1);
    EXPECT_EQ(Cell(RowOf(0), 0), "At start");

    // Only the first letter counts, and only a value of one letter.
    WriteSetting("Startup", "SS");
    DestroyWindow(main);
    main = nullptr;
    OpenMainWindow();
    Pump();
    EXPECT_FALSE(RefreshRunning());
    EXPECT_EQ(Queries(0), 1);
}

TEST_F(Refresh, QuittingIsRefusedWhileRefreshing)
{
    Open({Silent()});
    Command(CMD_REFRESH);
    ASSERT_TRUE(WaitUntil([&] { return Queries(0) == 1; }));
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main));
    ASSERT_FALSE(shownMessages.empty());
    EXPECT_EQ(shownMessages.back(), "Cannot quit while refreshing servers.");
    ASSERT_TRUE(WaitForRefreshEnd());
}

TEST_F(Refresh, SortingIsRefusedForTheWholeRefresh)
{
    Open({Server("B", 0, 8), Server("A", 0, 8)});
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = servers_;
    click.hdr.idFrom = ID_SERVERLIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    // The engine runs, no worker does yet (or any more).
    HoldRefresh();
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&click));
    ReleaseRefresh();
    ASSERT_FALSE(shownMessages.empty());
    EXPECT_EQ(shownMessages.back(), "Can't sort servers while refreshing.");
}

TEST_F(Refresh, FullAndSlowServersAreGrey)
{
    Open({Server("Full", 2, 2), Server("Slow", 1, 8, 400), Server("Good", 1, 8)});
    RefreshAll();
    auto grey = [&](size_t i) { return ServerIsGrey(RowServer(RowParam(RowOf(i))), 300); };
    EXPECT_TRUE(grey(0));
    EXPECT_TRUE(grey(1));
    EXPECT_FALSE(grey(2));
}

TEST_F(Refresh, SavedListKeepsWhatTheRefreshLearnt)
{
    Open({Server("Remembered One", 0, 8, 120), Server("Remembered Two", 2, 8)});
    RefreshAll();
    Command(CMD_SAVELIST);
    Bytes saved = ReadFile("Server.dat");
    std::string text(saved.begin(), saved.end());
    EXPECT_NE(text.find("Remembered One"), std::string::npos);
    EXPECT_NE(text.find("Remembered Two"), std::string::npos);
    // Reloaded, the first server shows its name and ping before any refresh.
    DestroyWindow(main);
    main = nullptr;
    Pump();
    EndProgram();
    StartAppData();
    OpenMainWindow();
    servers_ = Child(ID_SERVERLIST);
    EXPECT_EQ(Cell(RowOf(0), 0), "Remembered One");
    EXPECT_GE(atoi(Cell(RowOf(0), 1).c_str()), 110);
}

TEST_F(Refresh, SearchLineAndBuddyStatus)
{
    Open({Server("Nobody here", 0, 8)});
    RefreshAll();
    EXPECT_EQ(SendMessageA(Child(ID_PLAYERLIST), LVM_GETITEMCOUNT, 0, 0), 0);  // no search, no line

    appData->searchText = _strdup("");
    Command(CMD_REFRESH);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 1), "Looking for: all players");
    ASSERT_TRUE(WaitForRefreshEnd());
    HWND players = Child(ID_PLAYERLIST);
    ASSERT_EQ(SendMessageA(players, LVM_GETITEMCOUNT, 0, 0), 1);
    std::string line = Cell(0, 0, players);
    EXPECT_TRUE(line.rfind("Buddies", 0) == 0 || line == "You don't have any buddies, sorry") << line;

    free(appData->searchText);
    appData->searchText = _strdup(std::string(200, 'x').c_str());
    Command(CMD_REFRESH);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 1), "Looking for: " + std::string(114, 'x'));
    ASSERT_TRUE(WaitForRefreshEnd());
}

TEST_F(Refresh, ViewsKeepDrawingWhileWorkersRefresh)
{
    std::vector<q2sim::ServerConfig> servers;
    for (int i = 0; i < 150; ++i)
        servers.push_back(Server("Busy " + std::to_string(i), i % 9, 16, (i * 7) % 40));
    Open(servers);
    WriteSetting("NumServerThreads", "50");
    for (int round = 0; round < 2; ++round) {
        Command(CMD_REFRESH);
        // Read every row's texts and repaint over and over while workers
        // hand their records back.
        ASSERT_TRUE(WaitUntil([&] {
            for (int row = 0; row < Rows(); row += 7)
                Cell(row, 0), Cell(row, 2);
            RedrawWindow(servers_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return !RefreshRunning();
        }));
    }
    for (size_t i = 0; i < servers.size(); ++i) {
        ASSERT_EQ(Cell(RowOf(i), 0), "Busy " + std::to_string(i));
        ASSERT_EQ(Cell(RowOf(i), 2), std::to_string(i % 9) + "/16");
    }
}

// Records the update rectangle of every WM_PAINT the server list gets.
LRESULT CALLBACK RecordPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR log)
{
    RECT update;
    if (message == WM_PAINT && GetUpdateRect(window, &update, FALSE))
        reinterpret_cast<std::vector<RECT> *>(log)->push_back(update);
    return DefSubclassProc(window, message, wParam, lParam);
}

// Rows are repainted together, shortly after their answers; every row a
// refresh changed must still be repainted, also in a main window opened
// after the last one closed with a repaint still due.
TEST_F(Refresh, ChangedRowsAreRepainted)
{
    std::vector<q2sim::ServerConfig> servers;
    for (int i = 0; i < 12; ++i)
        servers.push_back(Server("Painted " + std::to_string(i), i % 3, 8));
    Open(servers);
    WriteSetting("NumServerThreads", "50");
    for (int window = 0; window < 2; ++window) {
        std::vector<RECT> paints;
        ASSERT_TRUE(SetWindowSubclass(servers_, RecordPaints, 1, reinterpret_cast<DWORD_PTR>(&paints)));
        UpdateWindow(servers_);
        paints.clear();
        RefreshAll();
        auto everyRowPainted = [&] {
            for (int row = 0; row < Rows(); ++row) {
                RECT rect, common;
                ListView_GetItemRect(servers_, row, &rect, LVIR_BOUNDS);
                bool painted = false;
                for (const RECT &paint : paints)
                    painted = painted || IntersectRect(&common, &rect, &paint);
                if (!painted)
                    return false;
            }
            return true;
        };
        EXPECT_TRUE(WaitUntil(everyRowPainted, 5000)) << "window " << window;
        EXPECT_EQ(Cell(RowOf(11), 0), "Painted 11");
        RemoveWindowSubclass(servers_, RecordPaints, 1);
        if (window == 0) {
            // A refresh, and the window closed as soon as it ends.
            Command(CMD_REFRESH);
            ASSERT_TRUE(WaitForRefreshEnd());
            DestroyWindow(main);
            Pump();
            OpenMainWindow();
            servers_ = Child(ID_SERVERLIST);
            ASSERT_EQ(Rows(), 12);
        }
    }
}

// 2,000 servers, a fifth of them silent and a tenth answering garbage,
// refreshed three times: twice stopped part of the way, the list scrolled
// and sorted in between, then to the end.
TEST_F(Refresh, StressThreeRefreshesWithStopsScrollsAndSorts)
{
    const int kServers = 2000;
    std::vector<q2sim::ServerConfig> servers;
    for (int i = 0; i < kServers; ++i) {
        if (i % 5 == 0)
            servers.push_back(Silent());
        else if (i % 10 == 1)
            servers.push_back(Server("junk", 0, 8, 0, q2sim::Mode::Garbage));
        else
            servers.push_back(Server("Stress " + std::to_string(i), i % 13, 16, i % 30));
    }
    DWORD start = GetTickCount();
    Open(servers);
    printf("opened in %lu ms\n", GetTickCount() - start);
    WriteSetting("NumServerThreads", "64");
    auto queried = [&] {
        int total = 0;
        for (int i = 0; i < kServers; ++i)
            total += Queries(static_cast<size_t>(i));
        return total;
    };
    auto sortBy = [&](int column) {
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = servers_;
        click.hdr.idFrom = ID_SERVERLIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&click));
    };

    for (int stopAt : {300, 1200}) {
        Command(CMD_REFRESH);
        // Generous: a busy machine (or the 32-bit build under qemu) is slow here.
        ASSERT_TRUE(WaitUntil([&] { return queried() >= stopAt; }, 120000));
        Command(CMD_STOP);
        ASSERT_TRUE(WaitForRefreshEnd());
        EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Aborted");
        for (int page = 0; page < 5; ++page)
            SendMessageA(servers_, WM_VSCROLL, SB_PAGEDOWN, 0);
        sortBy(0);
        Pump();
        sortBy(1);
        Pump();
        SendMessageA(servers_, WM_VSCROLL, SB_TOP, 0);
        ASSERT_EQ(Rows(), kServers);
    }
    start = GetTickCount();
    RefreshAll();
    printf("full refresh in %lu ms\n", GetTickCount() - start);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ready");

    std::map<uint16_t, int> rowOfPort;
    for (int row = 0; row < Rows(); ++row)
        rowOfPort[KvServerGetHostPort(RowServer(RowParam(row)))] = row;
    for (int i = 0; i < kServers; ++i) {
        auto found = rowOfPort.find(q2sim::Port(sim, static_cast<size_t>(i)));
        ASSERT_NE(found, rowOfPort.end()) << i;
        int row = found->second;
        std::string name = Cell(row, 0);
        if (i % 5 == 0) {
            ASSERT_NE(name.find(": Server timed out"), std::string::npos) << i << " " << name;
        } else if (i % 10 == 1) {
            ASSERT_NE(name.find(": Not a Quake2 server"), std::string::npos) << i << " " << name;
        } else {
            ASSERT_EQ(name, "Stress " + std::to_string(i));
            ASSERT_EQ(Cell(row, 2), std::to_string(i % 13) + "/16") << i;
        }
    }
}

TEST(RefreshSettings, WorkerLimit)
{
    EXPECT_EQ(RefreshWorkerLimit(nullptr), 10);
    EXPECT_EQ(RefreshWorkerLimit(""), 10);
    EXPECT_EQ(RefreshWorkerLimit("abc"), 10);
    EXPECT_EQ(RefreshWorkerLimit("0"), 10);
    EXPECT_EQ(RefreshWorkerLimit("-5"), 10);
    EXPECT_EQ(RefreshWorkerLimit("1"), 1);
    EXPECT_EQ(RefreshWorkerLimit("50"), 50);
    EXPECT_EQ(RefreshWorkerLimit("99999999999"), kMaxRefreshWorkers);
}

SYSTEMTIME At(int month, int day, int weekday, int hour, int minute)
{
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wDayOfWeek = static_cast<WORD>(weekday);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    return t;
}

TEST(BuddyStatus, FirstMatchingRuleWins)
{
    struct Case {
        SYSTEMTIME time;
        const char *text;
    } cases[] = {
        {At(3, 26, 0, 10, 0), "Buddies are at Mireva's birthday party !"},
        {At(3, 26, 3, 22, 47), "Buddies are at Mireva's birthday party !"},
        {At(12, 9, 3, 20, 15), "Buddies are watching The Bold & The Beautiful"},
        {At(12, 9, 3, 20, 31), "Buddies are installing new hardware"},
        {At(12, 12, 6, 20, 10), "Buddies are at a LAN party"},
        {At(12, 6, 0, 9, 0), "Buddies are praizing the Lord"},
        {At(12, 6, 0, 11, 59), "Buddies are praizing the Lord"},
        {At(12, 7, 1, 4, 0), "Buddies are sleeping"},
        {At(12, 6, 0, 12, 30), "Buddies are sleeping"},
        {At(12, 12, 6, 13, 0), "Buddies are gone shopping with their girlies"},
        {At(12, 12, 6, 16, 59), "Buddies are gone shopping with their girlies"},
        {At(12, 6, 0, 16, 1), "Buddies are visiting their mother in law"},
        {At(12, 9, 3, 14, 5), "Buddies are having breakfast"},
        {At(12, 9, 3, 16, 3), "Buddies are being treated for RSI"},
        {At(12, 9, 3, 22, 47), "You don't have any buddies, sorry"},
        {At(12, 9, 3, 3, 58), "Buddies are being treated for RSI"},
        {At(12, 9, 3, 23, 9), "Buddies are on high speed servers you don't know about"},
        {At(12, 9, 3, 0, 4), "Buddies are configuring their new 3DFX Banshee SLI card"},
    };
    for (const Case &c : cases)
        EXPECT_STREQ(BuddyStatusText(&c.time), c.text)
            << c.time.wMonth << "/" << c.time.wDay << " day " << c.time.wDayOfWeek << " " << c.time.wHour
            << ":" << c.time.wMinute;
    EXPECT_STREQ(BuddyStatusText(nullptr), "Hmm, check your PC time");
}

}  // namespace
