// The player search and the server details dialog, in-process against
// simulated servers: the Find dialog, the player list's rows, the start-up
// searches, and the details dialog refilled in place.
#include "refresh_fixture.h"

#include <algorithm>
#include <set>

#include "settings/settings.h"
#include "ui/detailsdialog.h"
#include "ui/playersearch.h"

namespace {

q2sim::ServerConfig WithPlayers(const std::string &name, std::vector<std::string> players, int delayMs = 0)
{
    q2sim::ServerConfig c = Server(name, 0, 32, delayMs);
    int frags = 50;
    for (const std::string &player : players)
        c.players.push_back({frags--, 40, player});
    return c;
}

class PlayerSearch : public Refresh {
protected:
    // Ctrl+P, the words typed into the Find dialog, OK; then the refresh.
    void Search(const char *words)
    {
        FillNextDialog([words](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_FIND_TEXT, words);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        PressKey('P', Ctrl);
        ASSERT_TRUE(WaitForRefreshEnd());
    }
    std::multiset<std::string> Found()
    {
        std::multiset<std::string> names;
        HWND players = Child(ID_PLAYERLIST);
        for (int row = 0; row < SendMessageA(players, LVM_GETITEMCOUNT, 0, 0); ++row)
            names.insert(Cell(row, 0, players));
        return names;
    }
};

TEST_F(PlayerSearch, WordsFromTheFindDialogListMatchingPlayersOnce)
{
    Open({WithPlayers("One", {"RoBoT1", "Bob", "camper"}), WithPlayers("Two", {"xbotx", "Ann"})});
    Search("bot, Cam");
    EXPECT_EQ(Found(), (std::multiset<std::string>{"RoBoT1", "camper", "xbotx"}));
    EXPECT_EQ(Setting("LastFindPlayer"), "bot, Cam");
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 1), "Looking for: bot, Cam");
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 2), "3 players found");
    HWND players = Child(ID_PLAYERLIST);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(RowImage(players, row), 1) << row;

    // The first server refreshed again on its own: its players are
    // replaced, not added twice.
    Select({RowOf(0)});
    Command(CMD_REFRESHSELECTED);
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(Found(), (std::multiset<std::string>{"RoBoT1", "camper", "xbotx"}));

    // A trailing comma adds no word; a blank word matches everybody.
    Search("camper,");
    EXPECT_EQ(Found(), (std::multiset<std::string>{"camper"}));
    Search("zzz, ,x");
    EXPECT_EQ(Found().size(), 5u);
}

// The players of the server refreshed last stand at the top, each
// server's in frag order.
TEST_F(PlayerSearch, TheServerRefreshedLastStandsAtTheTopInFragOrder)
{
    Open({WithPlayers("First", {"camA", "camB"}), WithPlayers("Last", {"camC", "camD"}, 300)});
    Search("cam");
    std::vector<std::string> names;
    for (int row = 0; row < 4; ++row)
        names.push_back(Cell(row, 0, Child(ID_PLAYERLIST)));
    EXPECT_EQ(names, (std::vector<std::string>{"camC", "camD", "camA", "camB"}));
}

TEST_F(PlayerSearch, EmptySearchListsNobodyAndCancelChangesNothing)
{
    Open({WithPlayers("One", {"Bob", "Ann"})});
    FillNextDialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_FIND_TEXT, "Bob");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    PressKey('P', Ctrl);
    EXPECT_FALSE(RefreshRunning());
    EXPECT_EQ(appData->searchText, nullptr);
    EXPECT_EQ(Setting("LastFindPlayer"), "<missing>");
    EXPECT_EQ(Queries(0), 0);

    Search("");
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 1), "Looking for: all players");
    HWND players = Child(ID_PLAYERLIST);
    ASSERT_EQ(RowParams(players), std::vector<LPARAM>{kNoServerRowParam});  // the buddy line alone
    EXPECT_EQ(RowImage(players, 0), 2);
}

// The list is repainted now and then while a search refresh runs, not
// only at its end: the quick server's player shows while the slow one is
// still being asked.
TEST_F(PlayerSearch, FoundPlayersShowWhileTheRefreshRuns)
{
    Open({WithPlayers("Quick", {"camper"}, 300), WithPlayers("Slow", {"cameo"}, 3000)});
    appData->timeout = 5;
    FillNextDialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_FIND_TEXT, "cam");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    PressKey('P', Ctrl);
    EXPECT_TRUE(WaitUntil([&] { return StatusText(Child(ID_STATUSBAR), 2) == "1 players found"; }, 2500));
    EXPECT_TRUE(RefreshRunning());
    EXPECT_EQ(Found(), (std::multiset<std::string>{"camper"}));
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(Found(), (std::multiset<std::string>{"camper", "cameo"}));
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 2), "2 players found");
}

// What the player list is told about its redraw, in order.
LRESULT CALLBACK RecordRedraw(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR record)
{
    if (message == WM_SETREDRAW)
        reinterpret_cast<std::vector<bool> *>(record)->push_back(wParam != 0);
    return DefSubclassProc(window, message, wParam, lParam);
}

// A details refresh that ends while a search refresh holds the player
// list's redraw off leaves it off: the list is switched off and on by
// turns, never on while the search still holds it.
TEST_F(PlayerSearch, ADetailsRefreshDuringTheSearchKeepsTheListsRedrawOff)
{
    Open({WithPlayers("Quick", {"camper"}, 100), WithPlayers("Slow", {"cameo"}, 2000),
          WithPlayers("Detailed", {"camel"}, 300)});
    appData->timeout = 5;
    HWND players = Child(ID_PLAYERLIST);
    std::vector<bool> redraw;
    ASSERT_TRUE(SetWindowSubclass(players, RecordRedraw, 1, reinterpret_cast<DWORD_PTR>(&redraw)));
    FillNextDialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_FIND_TEXT, "cam");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    PressKey('P', Ctrl);
    ASSERT_TRUE(WaitUntil([&] { return Queries(0) == 1 && Queries(1) == 1 && Queries(2) == 1; }));
    SelectRow(servers_, RowOf(2));
    SetFocus(servers_);
    PressKey(VK_RETURN, Alt);
    // Not handling messages for a while lets the answers queue up in the
    // order they come: Quick's and Detailed's to the search (each holds the
    // list), then Detailed's to the details command.
    Sleep(800);
    Pump();
    EXPECT_FALSE(DetailsRefreshPending());
    ASSERT_TRUE(WaitForRefreshEnd());
    RemoveWindowSubclass(players, RecordRedraw, 1);
    ASSERT_FALSE(redraw.empty());
    for (size_t i = 0; i < redraw.size(); ++i)
        EXPECT_EQ(redraw[i], i % 2 == 1) << i;
    EXPECT_TRUE(redraw.back());
    EXPECT_EQ(Found(), (std::multiset<std::string>{"camper", "cameo", "camel"}));
}

TEST_F(PlayerSearch, PositionsBeyondWhatARowHoldsAreLeftOut)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("p" + std::to_string(i));
    Open({WithPlayers("Crowd", names)});
    Search("p");
    std::set<int> positions;
    for (LPARAM param : RowParams(Child(ID_PLAYERLIST)))
        positions.insert(RowPlayerPosition(param));
    EXPECT_EQ(RowParams(Child(ID_PLAYERLIST)).size(), 256u);
    EXPECT_EQ(positions.size(), 256u);  // 0 .. 255, none twice
    EXPECT_EQ(Cell(255, 0, Child(ID_PLAYERLIST)), "p255");
}

TEST_F(PlayerSearch, StartupRepeatsTheLastSearchOrAsksForOne)
{
    WriteSetting("LastFindPlayer", "cam");
    WriteSetting("Startup", "L");
    Open({WithPlayers("One", {"camper", "Bob"})});
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_STREQ(appData->searchText, "cam");
    EXPECT_EQ(Found(), (std::multiset<std::string>{"camper"}));

    // "Q" opens the Find dialog with the last search in it.
    WriteSetting("Startup", "Q");
    DestroyWindow(main);
    main = nullptr;
    std::string offered;
    FillNextDialog([&offered](HWND dialog) {
        char text[100];
        GetDlgItemTextA(dialog, IDC_FIND_TEXT, text, sizeof text);
        offered = text;
        SetDlgItemTextA(dialog, IDC_FIND_TEXT, "bob");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    OpenMainWindow();
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(offered, "cam");
    EXPECT_EQ(Found(), (std::multiset<std::string>{"Bob"}));
}

TEST(PlayerMatch, WordsAndBlanks)
{
    AppData data = {};
    AppData *saved = appData;
    appData = &data;
    auto matches = [](const char *search, const char *name) {
        free(appData->searchText);
        appData->searchText = search ? _strdup(search) : nullptr;
        tagPlayer player = {const_cast<char *>(name), 0, 0, nullptr};
        return PlayerMatches(&player);
    };
    EXPECT_FALSE(matches(nullptr, "Bob"));
    EXPECT_TRUE(matches("bot, Cam", "RoBoT1"));
    EXPECT_TRUE(matches("bot, Cam", "camper"));
    EXPECT_FALSE(matches("bot, Cam", "Bob"));
    EXPECT_FALSE(matches("abc,", "Bob"));
    EXPECT_TRUE(matches("abc, ,x", "Bob"));
    EXPECT_TRUE(matches("", "Bob"));
    free(data.searchText);
    appData = saved;
}

class ServerDetails : public Refresh {
protected:
    HWND Dialog() const { return appData->detailsDialog; }
    HWND DialogList(int id) const { return GetDlgItem(Dialog(), id); }
    std::vector<std::string> Column(int id, int column) const
    {
        std::vector<std::string> cells;
        HWND list = DialogList(id);
        for (int row = 0; row < SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++row)
            cells.push_back(CellText(list, row, column));
        return cells;
    }
    std::string Title() const
    {
        char text[200] = "";
        GetWindowTextA(Dialog(), text, sizeof text);
        return text;
    }
    // Alt+Enter on a server row, then the wait for its refresh.
    void ShowDetails(int row)
    {
        SelectRow(servers_, row);
        SetFocus(servers_);
        PressKey(VK_RETURN, Alt);
        ASSERT_TRUE(WaitUntil([] { return !DetailsRefreshPending(); }));
    }
};

TEST_F(ServerDetails, SilentServerThenAServerWithoutPlayersInTheSameWindow)
{
    Open({Silent(), WithPlayers("Quiet place", {})});
    SelectRow(servers_, RowOf(0));
    SetFocus(servers_);
    PressKey(VK_RETURN, Alt);
    // The window goes on while the server is waited for, with the wait
    // cursor; a second request meanwhile asks again, and its answer is the
    // one shown.
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_TRUE(DetailsRefreshPending());
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    SetFocus(servers_);
    PressKey(VK_RETURN, Alt);
    ASSERT_TRUE(WaitUntil([] { return !DetailsRefreshPending(); }));
    EXPECT_EQ(Queries(0), 2);

    HWND first = Dialog();
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 0), std::vector<std::string>{"Server timed out"});
    EXPECT_EQ(RowImage(DialogList(IDC_DETAILS_PLAYERS), 0), 6);
    EXPECT_EQ(Column(IDC_DETAILS_RULES, 0), (std::vector<std::string>{"hostname", "ip"}));
    std::string address = "127.0.0.1:" + std::to_string(q2sim::Port(sim, 0));
    EXPECT_EQ(Column(IDC_DETAILS_RULES, 1)[1], address);
    EXPECT_EQ(Title(), address);
    // The table's record is the refreshed one: its row says so.
    EXPECT_EQ(Cell(RowOf(0), 0), address + ": Server timed out");

    ShowDetails(RowOf(1));
    EXPECT_EQ(Dialog(), first);
    EXPECT_EQ(Title(), "Quiet place");
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 0), std::vector<std::string>{"No players"});
    std::vector<std::string> rules = Column(IDC_DETAILS_RULES, 0);
    ASSERT_GE(rules.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(rules.begin(), rules.begin() + 4),
              (std::vector<std::string>{"hostname", "ip", "ping", "level"}));
    EXPECT_NE(std::find(rules.begin(), rules.end(), "mapname"), rules.end());
}

TEST_F(ServerDetails, PlayersWithFragsAndPingAndTheSearchMarked)
{
    q2sim::ServerConfig busy = WithPlayers("Busy", {"camper", "Bob"});
    busy.players.push_back({-40000, 70000, "wrapped"});
    Open({busy});
    appData->searchText = _strdup("cam");
    ShowDetails(0);
    HWND players = DialogList(IDC_DETAILS_PLAYERS);
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 0), (std::vector<std::string>{"camper", "Bob", "wrapped"}));
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 1), (std::vector<std::string>{"50", "49", "-40000"}));
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 2), (std::vector<std::string>{"40", "40", "70000"}));
    EXPECT_EQ(RowImage(players, 0), 1);
    EXPECT_EQ(RowImage(players, 1), 0);
    std::vector<LPARAM> params = RowParams(players);
    EXPECT_EQ(static_cast<DWORD>(params[0]), (40u << 16) | 50u);
    EXPECT_EQ(static_cast<DWORD>(params[2]), 0xFFFF8000u);  // both saturated
    EXPECT_EQ(static_cast<DWORD>(DetailsPlayerParam(-5, 40000)), 0x00007FFFu);
    // The matching player is in the main player list as well.
    EXPECT_EQ(RowParams(Child(ID_PLAYERLIST)), std::vector<LPARAM>{PlayerRowParam(RowSlotIndex(RowParam(0)), 0)});
}

TEST_F(ServerDetails, DetailsDuringARefreshOfTheSameServerKeepOneCopyEach)
{
    Open({WithPlayers("Slow", {"camper", "Bob"}, 400)});
    appData->searchText = _strdup("cam");
    Command(CMD_REFRESH);
    ASSERT_TRUE(WaitUntil([&] { return Queries(0) == 1; }));
    ShowDetails(0);  // while the refresh's worker waits for the same server
    ASSERT_TRUE(WaitForRefreshEnd());
    EXPECT_EQ(Queries(0), 2);
    EXPECT_EQ(RowParams(Child(ID_PLAYERLIST)).size(), 1u);
    EXPECT_EQ(Cell(0, 0), "Slow");
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 0), (std::vector<std::string>{"camper", "Bob"}));
}

// The latest request wins: a server asked for while another's answer is
// awaited, or after the dialog was closed meanwhile, is asked and shown;
// the earlier answer, coming later, updates its own row only.
TEST_F(ServerDetails, TheServerAskedForLastIsShown)
{
    Open({WithPlayers("Late", {"Zed"}, 700), WithPlayers("Second", {"Bob"}), WithPlayers("Third", {"Ann"})});
    auto request = [&](int row) {
        SelectRow(servers_, row);
        SetFocus(servers_);
        PressKey(VK_RETURN, Alt);
    };
    request(RowOf(0));
    ASSERT_TRUE(DetailsRefreshPending());
    ShowDetails(RowOf(1));
    EXPECT_EQ(Queries(1), 1);
    EXPECT_EQ(Title(), "Second");
    ASSERT_TRUE(WaitUntil([&] { return Cell(RowOf(0), 0) == "Late"; }));
    EXPECT_EQ(Title(), "Second");
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 0), std::vector<std::string>{"Bob"});

    q2sim::ServerConfig later = WithPlayers("Later", {"Zed"}, 700);
    q2sim::Configure(sim, 0, later);
    request(RowOf(0));
    ASSERT_TRUE(DetailsRefreshPending());
    SendMessageA(Dialog(), WM_CLOSE, 0, 0);
    ASSERT_EQ(Dialog(), nullptr);
    ShowDetails(RowOf(2));
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_EQ(Queries(2), 1);
    EXPECT_EQ(Title(), "Third");
    ASSERT_TRUE(WaitUntil([&] { return Cell(RowOf(0), 0) == "Later"; }));
    EXPECT_EQ(Title(), "Third");
    EXPECT_EQ(Column(IDC_DETAILS_PLAYERS, 0), std::vector<std::string>{"Ann"});
}

// The 4,001 players of the largest reply a datagram holds fill the dialog
// at once (one by one, with the list repainting, they took half a minute).
TEST_F(ServerDetails, ThousandsOfPlayersFillTheDialogAtOnce)
{
    q2sim::ServerConfig crowd = Server("Crowd", 0, 4096);
    for (int i = 0; i < 4001; ++i)
        crowd.players.push_back({i % 100, 30 + i % 70, "p" + std::to_string(i)});
    ASSERT_TRUE(q2sim::PadToMaxDatagram(&crowd));
    Open({crowd});
    DWORD start = GetTickCount();
    ShowDetails(0);
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(SendMessageA(DialogList(IDC_DETAILS_PLAYERS), LVM_GETITEMCOUNT, 0, 0), 4001);
    EXPECT_LT(took, 5000u);
}

TEST_F(ServerDetails, SizeIsKeptAndEscCloses)
{
    Open({WithPlayers("Sized", {"Bob"})});
    auto size = [&] {
        RECT r;
        GetWindowRect(Dialog(), &r);
        return std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
    };
    ShowDetails(0);
    // (Wine's thin frame keeps a sized window a little narrower than 500.)
    SetWindowPos(Dialog(), nullptr, 0, 0, 480, 300, SWP_NOMOVE | SWP_NOZORDER);
    SetFocus(DialogList(IDC_DETAILS_PLAYERS));
    PressKey(VK_ESCAPE);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Setting("ServerDlg"), "480 300");
    ShowDetails(0);
    EXPECT_EQ(size(), "480 300");
    SendMessageA(Dialog(), WM_CLOSE, 0, 0);

    WriteSetting("ServerDlg", "500 300");
    ShowDetails(0);
    EXPECT_EQ(size(), "500 300");
    // Lower than 150 pixels it does not go, nor wider than the rule list
    // (plus 10) when sized.
    SetWindowPos(Dialog(), nullptr, 0, 0, 900, 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT r, rules;
    GetWindowRect(Dialog(), &r);
    GetWindowRect(DialogList(IDC_DETAILS_RULES), &rules);
    EXPECT_EQ(r.bottom - r.top, 150);
    EXPECT_EQ(r.right, rules.right + 10);
}

}  // namespace
