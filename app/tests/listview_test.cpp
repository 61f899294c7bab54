// The server and player lists: columns, cells, icons, sorting, filters,
// grayout, row moves and the Filter page.
#include "window_support.h"

#include <commctrl.h>
#include <string.h>

#include "q2sim.h"
#include "resources/resource.h"
#include "serverlist/servertable.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/rows.h"
#include "ui/displaylist.h"
#include "ui/listview.h"
#include "ui/rowdrag.h"

namespace {

using ListView = MainWindowTest;

void SetFilter(const char *names, size_t size)
{
    free(appData->gameFilter);
    appData->gameFilter = static_cast<char *>(malloc(size));
    memcpy(appData->gameFilter, names, size);
}

std::vector<LPARAM> Sorted(HWND list, char key)
{
    SortServerList(list, key);
    return RowParams(list);
}

TEST_F(ListView, ColumnsComeFromTheTemplateParts)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    BuildColumns(list, "%s%t%y", "70\t");
    HWND header = ListView_GetHeader(list);
    EXPECT_EQ(Header_GetItemCount(header), 1);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 70);
    BuildColumns(list, "%s%t%g%t%m%t", "40\t41\t42\t43\t44\t");
    EXPECT_EQ(Header_GetItemCount(header), 3);
    EXPECT_EQ(ListView_GetColumnWidth(list, 2), 42);

    char part[64];
    EXPECT_TRUE(TemplatePart("%s%t%n/%x%t", 1, part, sizeof part));
    EXPECT_STREQ(part, "%n/%x");
    EXPECT_FALSE(TemplatePart("%s%t%n/%x%t", 2, part, sizeof part));
    EXPECT_FALSE(TemplatePart("%s%t%y", 1, part, sizeof part));
}

TEST_F(ListView, CellsAndIconsComeFromTheRecords)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    int a = AddServer(Ip("10.0.0.1"), 27910, "", "Alpha", "ctf", 42);
    int b = AddServer(Ip("10.0.0.2"), 27910, "", nullptr, nullptr, 0xFFFF, SlotFavorite);
    RebuildDisplayList(main);
    EXPECT_EQ(CellText(list, 0, 0), "Alpha");
    EXPECT_EQ(CellText(list, 0, 4), "ctf");
    EXPECT_EQ(RowImage(list, 0), 4);   // a name, no rules
    EXPECT_EQ(RowImage(list, 1), 9);   // no name yet, favourite
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{a, b}));

    // A template with fewer parts than columns leaves the cell empty.
    strcpy(appData->serverTemplate, "%s%t");
    EXPECT_EQ(CellText(list, 0, 0), "Alpha");
    EXPECT_EQ(CellText(list, 0, 3), "");
}

TEST_F(ListView, IconsAndGrayoutFollowTheServersAnswers)
{
    std::vector<q2sim::ServerConfig> configs(3);
    configs[0].rules = {{"hostname", "Full"}, {"maxclients", "2"}, {"mapname", "q2dm1"}};
    configs[0].players = {{10, 50, "a"}, {5, 60, "b"}};
    configs[1].rules = {{"hostname", "Open"}, {"maxclients", "8"}, {"mapname", "base1"}};
    configs[1].players = {{3, 40, "c"}};
    configs[1].delayMs = 30;  // a ping well above 0
    configs[2].mode = q2sim::Mode::Silent;
    q2sim::Simulator *sim = q2sim::Start(configs);
    ASSERT_NE(sim, nullptr);
    OpenMainWindow();
    for (size_t i = 0; i < 3; ++i) {
        int index = AddServer(Ip("127.0.0.1"), q2sim::Port(sim, i), "", nullptr, nullptr);
        KvServerRefresh(SlotAt(&appData->table, index)->server, appData->fixupNames, 1, 1);
    }
    q2sim::Stop(sim);
    tagQServer *full = SlotAt(&appData->table, 0)->server;
    tagQServer *open = SlotAt(&appData->table, 1)->server;
    tagQServer *down = SlotAt(&appData->table, 2)->server;
    ASSERT_EQ(KvServerGetErrorCode(open), 0);
    ASSERT_NE(KvServerGetErrorCode(down), 0);
    EXPECT_EQ(ServerImage(full, false), 3);
    EXPECT_EQ(ServerImage(down, false), 6);
    EXPECT_EQ(ServerImage(open, true), 7);

    uint16_t ping = KvServerGetPing(open);
    EXPECT_FALSE(ServerIsGrey(open, ping));      // at the threshold
    EXPECT_TRUE(ServerIsGrey(open, static_cast<uint16_t>(ping - 1)));  // above it
    EXPECT_FALSE(ServerIsGrey(open, static_cast<uint16_t>(ping + 1)));
    EXPECT_TRUE(ServerIsGrey(full, 500));        // 2 of 2
    EXPECT_TRUE(ServerIsGrey(down, 500));        // no answer

    // Map names and full level names sort without case; a server without
    // a map compares by ping.
    EXPECT_GT(CompareServers(full, open, 'm'), 0);  // q2dm1 after base1
    EXPECT_GT(CompareServers(full, open, 'L'), 0);  // The Edge after Outer Base
    EXPECT_LT(CompareServers(open, full, 'l'), 0);
    EXPECT_EQ(CompareServers(open, down, 'm'),
              static_cast<int>(KvServerGetPing(open)) - static_cast<int>(KvServerGetPing(down)));

    RebuildDisplayList(main);
    HWND list = Child(ID_SERVERLIST);
    EXPECT_EQ(CellText(list, 1, 0), "Open");
    EXPECT_EQ(CellText(list, 1, 2), "1/8");
    EXPECT_EQ(CellText(list, 1, 3), "Outer Base");

    // The custom draw greys only while grayout is on.
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = list;
    draw.nmcd.hdr.idFrom = ID_SERVERLIST;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&draw)), CDRF_DODEFAULT);
    appData->flags |= FlagGrayout;
    appData->pingThreshold = 500;
    EXPECT_EQ(SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&draw)), CDRF_NOTIFYITEMDRAW);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    for (DWORD_PTR row = 0; row < 3; ++row) {
        draw.nmcd.dwItemSpec = row;
        draw.clrText = RGB(0, 0, 0);
        EXPECT_EQ(SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&draw)), CDRF_NEWFONT);
        EXPECT_EQ(draw.clrText, row == 1 ? RGB(0, 0, 0) : RGB(128, 128, 128)) << row;
    }
}

TEST_F(ListView, SortingUsesTheColumnsKey)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    AddServer(Ip("10.0.0.1"), 27910, "", "bravo", "CTF", 30);     // 0
    AddServer(Ip("10.0.0.2"), 27910, "", "Alpha", "dm", 20);      // 1
    AddServer(Ip("10.0.0.3"), 27910, "", "charlie", "ctf", 10);   // 2
    AddServer(Ip("10.0.0.4"), 27910, "", nullptr, nullptr, 5);    // 3
    RebuildDisplayList(main);
    EXPECT_EQ(Sorted(list, 'p'), (std::vector<LPARAM>{3, 2, 1, 0}));
    EXPECT_EQ(Sorted(list, 'y'), (std::vector<LPARAM>{3, 2, 1, 0}));
    // Names without case; a missing name compares by ping.
    EXPECT_EQ(Sorted(list, 's'), (std::vector<LPARAM>{3, 1, 0, 2}));
    EXPECT_EQ(Sorted(list, 'S'), (std::vector<LPARAM>{3, 1, 0, 2}));
    // Games: equal names (any case) and missing ones by ping.
    EXPECT_EQ(Sorted(list, 'g'), (std::vector<LPARAM>{3, 2, 0, 1}));
    EXPECT_EQ(Sorted(list, 'g'), (std::vector<LPARAM>{3, 2, 0, 1}));
    // No map names yet: by ping.
    EXPECT_EQ(Sorted(list, 'm'), (std::vector<LPARAM>{3, 2, 1, 0}));
    EXPECT_EQ(Sorted(list, 'l'), (std::vector<LPARAM>{3, 2, 1, 0}));

    // A column click sorts by its part's key and marks the list changed.
    appData->flags &= ~FlagModified;
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = ID_SERVERLIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iSubItem = 4;  // "%g"
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{3, 2, 0, 1}));
    EXPECT_NE(appData->flags & FlagModified, 0u);
    click.iSubItem = 7;  // beyond the template: ping
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{3, 2, 1, 0}));

    // Refused while refresh workers run.
    shownMessages.clear();
    HoldRefresh();
    click.iSubItem = 0;
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Can't sort servers while refreshing."});
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{3, 2, 1, 0}));
    ReleaseRefresh();
}

// The server list is virtual: its selection is kept by row, so inserts,
// deletes and sorts must carry it with the servers, and typing a name's
// first letters is answered by the program.
TEST_F(ListView, SelectionStaysWithItsServersAndTypingFindsOne)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    AddServer(Ip("10.0.0.1"), 27910, "", "bravo", "ctf", 30);    // 0
    AddServer(Ip("10.0.0.2"), 27910, "", "Alpha", "dm", 20);     // 1
    AddServer(Ip("10.0.0.3"), 27910, "", "charlie", "ctf", 10);  // 2
    AddServer(Ip("10.0.0.4"), 27910, "", "delta", "dm", 40);     // 3
    int echo = AddServer(Ip("10.0.0.5"), 27910, "", "echo", "dm", 50);
    RebuildDisplayList(main);
    ASSERT_TRUE(DeleteRow(list, 4));
    SelectRow(list, 1);
    ListView_SetItemState(list, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    auto marked = [&](UINT state) {
        std::vector<LPARAM> params;
        for (int row = -1; (row = ListView_GetNextItem(list, row, state)) >= 0;)
            params.push_back(RowParams(list)[static_cast<size_t>(row)]);
        return params;
    };

    EXPECT_EQ(Sorted(list, 'p'), (std::vector<LPARAM>{2, 1, 0, 3}));
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(marked(LVNI_FOCUSED), (std::vector<LPARAM>{3}));
    EXPECT_EQ(InsertCallbackRow(list, 1, ServerRowParam(echo)), 1);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{2, echo, 1, 0, 3}));
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(marked(LVNI_FOCUSED), (std::vector<LPARAM>{3}));
    EXPECT_TRUE(DeleteRow(list, 0));
    EXPECT_FALSE(DeleteRow(list, 4));
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{echo, 1, 0, 3}));
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(marked(LVNI_FOCUSED), (std::vector<LPARAM>{3}));
    EXPECT_EQ(CellText(list, 1, 0), "Alpha");

    // Several rows at once: the focus passes to the next row kept.
    DeleteRows(list, {0, 2});
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(marked(LVNI_FOCUSED), (std::vector<LPARAM>{3}));
    DeleteRows(list, {1});
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{1}));
    EXPECT_EQ(marked(LVNI_FOCUSED), (std::vector<LPARAM>{1}));

    RebuildDisplayList(main);
    SetFocus(list);
    PressKey('C');
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{2}));
    EXPECT_EQ(marked(LVNI_FOCUSED), (std::vector<LPARAM>{2}));

    // Rows inserted into a run of selected rows come in unselected.
    SendMessageA(main, WM_COMMAND, CMD_SELECTALL, 0);
    EXPECT_EQ(InsertCallbackRows(list, 1, {7, 8}), 1);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 7, 8, 1, 2, 3, echo}));
    EXPECT_EQ(marked(LVNI_SELECTED), (std::vector<LPARAM>{0, 1, 2, 3, echo}));
}

TEST_F(ListView, FiltersRebuildTheListFromTheTable)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    AddServer(Ip("10.0.0.1"), 27910, "", "a", "ctf", 1, SlotFavorite);  // 0
    AddServer(Ip("10.0.0.2"), 27910, "", "b", "CTF", 1);                // 1
    AddServer(Ip("10.0.0.3"), 27910, "", "c", nullptr, 1, SlotFavorite);  // 2
    AddServer(Ip("10.0.0.4"), 27910, "", "d", "dm", 1, SlotFavorite);   // 3
    int deleted = AddServer(Ip("10.0.0.5"), 27910, "", "e", "ctf", 1);  // 4
    MarkSlotDeleted(&appData->table, deleted);

    RebuildDisplayList(main);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 1, 2, 3}));
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "New filter applied");
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 3), "4 servers");

    SendMessageA(main, WM_COMMAND, CMD_FAVORITESONLY, 0);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 2, 3}));
    EXPECT_TRUE(SendMessageA(Child(ID_TOOLBAR), TB_ISBUTTONCHECKED, CMD_FAVORITESONLY, 0));
    SetFilter("ctf\0", 5);
    RebuildDisplayList(main);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0}));
    SendMessageA(main, WM_COMMAND, CMD_FAVORITESONLY, 0);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 1}));
    EXPECT_FALSE(SendMessageA(Child(ID_TOOLBAR), TB_ISBUTTONCHECKED, CMD_FAVORITESONLY, 0));

    SendMessageA(main, WM_COMMAND, CMD_SHOWALLGAMES, 0);
    EXPECT_EQ(appData->gameFilter, nullptr);
    EXPECT_EQ(RowParams(list).size(), 4u);

    // "Only show servers with this game" takes the selected row's game.
    SelectRow(list, 3);
    SetFocus(list);
    SendMessageA(main, WM_COMMAND, CMD_THISGAMEONLY, 0);
    ASSERT_NE(appData->gameFilter, nullptr);
    EXPECT_STREQ(appData->gameFilter, "dm");
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{3}));
    // A server without a game changes nothing.
    SendMessageA(main, WM_COMMAND, CMD_SHOWALLGAMES, 0);
    SelectRow(list, 2);
    SendMessageA(main, WM_COMMAND, CMD_THISGAMEONLY, 0);
    EXPECT_EQ(appData->gameFilter, nullptr);

    // No rebuild while a refresh runs.
    HoldRefresh();
    SendMessageA(main, WM_COMMAND, CMD_FAVORITESONLY, 0);
    EXPECT_EQ(RowParams(list).size(), 4u);
    ReleaseRefresh();
}

TEST_F(ListView, RowsMoveAndAreDraggedBeforeTheDropRow)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    for (int i = 0; i < 8; ++i)
        AddServer(Ip("10.0.0.1"), static_cast<uint16_t>(27910 + i), "", "s", "ctf", 1);
    RebuildDisplayList(main);
    appData->flags &= ~FlagModified;

    EXPECT_EQ(MoveRow(list, 5, 2), 0);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 1, 3, 4, 2, 5, 6, 7}));
    EXPECT_NE(appData->flags & FlagModified, 0u);
    EXPECT_EQ(MoveRow(list, 0, 6), 0);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{6, 0, 1, 3, 4, 2, 5, 7}));
    EXPECT_EQ(MoveRow(list, 0, 99), 1);

    // Drag row 2 and drop it on row 5.
    RebuildDisplayList(main);
    auto rowPoint = [&](int row) {
        RECT r;
        ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
        POINT p = {r.left + 5, (r.top + r.bottom) / 2};
        MapWindowPoints(list, main, &p, 1);
        return MAKELPARAM(p.x, p.y);
    };
    NMLISTVIEW drag = {};
    drag.hdr.hwndFrom = list;
    drag.hdr.idFrom = ID_SERVERLIST;
    drag.hdr.code = LVN_BEGINDRAG;
    drag.iItem = 2;
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(appData->dragSource, 2);
    SendMessageA(main, WM_MOUSEMOVE, 0, rowPoint(4));
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 4);
    SendMessageA(main, WM_LBUTTONUP, 0, rowPoint(5));
    EXPECT_EQ(appData->dragSource, -1);
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 1, 3, 4, 2, 5, 6, 7}));
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 5);

    // Dropping row 5 on row 2 puts it at 2.
    drag.iItem = 5;
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&drag));
    SendMessageA(main, WM_LBUTTONUP, 0, rowPoint(2));
    EXPECT_EQ(RowParams(list), (std::vector<LPARAM>{0, 1, 5, 3, 4, 2, 6, 7}));
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2);

    // No drag while workers run, none from the player list.
    HoldRefresh();
    SendMessageA(main, WM_NOTIFY, ID_SERVERLIST, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(appData->dragSource, -1);
    ReleaseRefresh();
    drag.hdr.idFrom = ID_PLAYERLIST;
    SendMessageA(main, WM_NOTIFY, ID_PLAYERLIST, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(appData->dragSource, -1);
}

// Drives the Filter page inside a property sheet: a timer sets the
// controls and presses OK.
struct FilterScript {
    bool favourites;
    std::vector<std::string> select;  // texts to select (others cleared)
    std::vector<std::string> shown;   // what the page offered
    std::vector<std::string> preselected;
};
FilterScript *script;

void CALLBACK DriveFilterPage(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND sheet = FindWindowA(nullptr, "Skovalt test sheet");
    if (!sheet)
        return;
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    HWND box = GetDlgItem(page, IDC_FILTER_GAMES);
    int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64];
        SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        script->shown.push_back(text);
        if (SendMessageA(box, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0)
            script->preselected.push_back(text);
        bool wanted = false;
        for (const std::string &s : script->select)
            wanted = wanted || s == text;
        SendMessageA(box, LB_SETSEL, wanted, i);
    }
    CheckDlgButton(page, IDC_FILTER_FAVORITES, script->favourites ? BST_CHECKED : BST_UNCHECKED);
    PropSheet_PressButton(sheet, PSBTN_OK);
}

void RunFilterSheet(FilterScript *s)
{
    script = s;
    PROPSHEETPAGEA page;
    InitFilterPage(&page);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.pszCaption = "Skovalt test sheet";
    header.nPages = 1;
    header.ppsp = &page;
    SetTimer(nullptr, 0, 50, DriveFilterPage);
    PropertySheetA(&header);
}

TEST_F(ListView, FilterPageOffersTheGamesAndSetsTheFilter)
{
    OpenMainWindow();
    AddServer(Ip("10.0.0.1"), 27910, "", "a", "ctf", 1);
    AddServer(Ip("10.0.0.2"), 27910, "", "b", "CTF", 1);
    AddServer(Ip("10.0.0.3"), 27910, "", "c", "dm", 1);
    AddServer(Ip("10.0.0.4"), 27910, "", "d", nullptr, 1);

    FilterScript first = {true, {"dm", "ctf"}, {}, {}};
    RunFilterSheet(&first);
    EXPECT_EQ(first.shown, (std::vector<std::string>{"<All games>", "ctf", "dm"}));
    EXPECT_EQ(first.preselected, std::vector<std::string>{"<All games>"});
    EXPECT_NE(appData->flags & FlagFavoritesOnly, 0u);
    ASSERT_NE(appData->gameFilter, nullptr);
    EXPECT_STREQ(appData->gameFilter, "ctf");
    EXPECT_STREQ(appData->gameFilter + 4, "dm");
    EXPECT_EQ(appData->gameFilter[7], '\0');

    FilterScript second = {false, {"<All games>"}, {}, {}};
    RunFilterSheet(&second);
    EXPECT_EQ(second.preselected, (std::vector<std::string>{"ctf", "dm"}));
    EXPECT_EQ(appData->flags & FlagFavoritesOnly, 0u);
    EXPECT_EQ(appData->gameFilter, nullptr);

    FilterScript third = {false, {"<All games>", "dm"}, {}, {}};
    RunFilterSheet(&third);
    ASSERT_NE(appData->gameFilter, nullptr);
    EXPECT_TRUE(GameFilterAccepts("DM"));
    EXPECT_FALSE(GameFilterAccepts("ctf"));
}

TEST_F(ListView, BackgroundImageFallsBackToWhite)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    SetListBackground(list, true);
    COLORREF text = ListView_GetTextBkColor(list);
    EXPECT_TRUE(text == CLR_NONE || text == RGB(255, 255, 255));
    SetListBackground(list, false);
    EXPECT_EQ(ListView_GetTextBkColor(list), RGB(255, 255, 255));
}

}  // namespace
