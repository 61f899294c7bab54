// The main window: children, start-up continuation, menu states, layout,
// window placement and the exit sequence.
#include "window_support.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "resources/resource.h"
#include "serverlist/serverfile.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/rows.h"
#include "ui/mainwindow.h"
#include "ui/placement.h"
#include "ui/statusbar.h"
#include "refresh/refresh.h"
#include "ui/displaylist.h"
#include "startup.h"

namespace {

const Bytes Header = {'k', 'v', 0};

Bytes DemoList()
{
    return Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 50, 0, "", "One", "ctf"),
                   ServerRecord({10, 0, 0, 2}, 27910, 20, SlotFavorite, "", "Two", "dm"),
                   ServerRecord({10, 0, 0, 3}, 27911, 0xFFFF, 0, "", "Three", "ctf")});
}

std::string ColumnText(HWND list, int column)
{
    char text[64] = "";
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT;
    c.pszText = text;
    c.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
    return text;
}

int ColumnCount(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

UINT MenuState(HMENU menu, int command)
{
    return GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND);
}

using MainWindow = MainWindowTest;

TEST_F(MainWindow, StartsWithItsChildrenAndShowsTheLoadedList)
{
    WriteFile("Server.dat", DemoList());
    main = CreateMainWindow(SW_SHOWNORMAL);
    ASSERT_NE(main, nullptr);
    appData->mainWindow = main;
    char title[32];
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(title, "Skovalt");
    for (int id : {ID_STATUSBAR, ID_TOOLBAR, ID_PLAYERLIST, ID_SERVERLIST, ID_SPLITTER, ID_ANIMATION})
        EXPECT_NE(Child(id), nullptr) << id;
    // The lists stay hidden until the start-up continuation has run.
    EXPECT_FALSE(IsWindowVisible(Child(ID_SERVERLIST)));
    Pump();
    EXPECT_TRUE(IsWindowVisible(Child(ID_SERVERLIST)));
    EXPECT_TRUE(IsWindowVisible(Child(ID_PLAYERLIST)));
    EXPECT_EQ(RowParams(Child(ID_SERVERLIST)), (std::vector<LPARAM>{0, 1, 2}));
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 3), "3 servers");
    EXPECT_EQ(ListView_GetNextItem(Child(ID_SERVERLIST), -1, LVNI_FOCUSED | LVNI_SELECTED), 0);
    EXPECT_TRUE(shownMessages.empty());

    EXPECT_EQ(SendMessageA(Child(ID_TOOLBAR), TB_BUTTONCOUNT, 0, 0), 16);
    EXPECT_EQ(SendMessageA(Child(ID_TOOLBAR), TB_GETSTATE, CMD_REFRESH, 0), TBSTATE_ENABLED);

    // Columns from the default templates, with their stored widths.
    HWND servers = Child(ID_SERVERLIST);
    ASSERT_EQ(ColumnCount(servers), 5);
    const char *captions[] = {"Server", "Ping", "#/Max", "Level", "Game"};
    const int widths[] = {100, 25, 25, 50, 30};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ColumnText(servers, i), captions[i]);
        EXPECT_EQ(ListView_GetColumnWidth(servers, i), widths[i]);
    }
    EXPECT_EQ(ColumnCount(Child(ID_PLAYERLIST)), 5);
    EXPECT_EQ(ColumnText(Child(ID_PLAYERLIST), 0), "Player");

    // The manifest (the program's resources, linked into this test too)
    // brings the themed common controls of version 6, the side-by-side
    // copy, not the system folder's version 5.
    char controls[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), controls, sizeof controls);
    CharLowerA(controls);
    EXPECT_NE(strstr(controls, "\\winsxs\\"), nullptr) << controls;
}

TEST_F(MainWindow, ListsFollowTheGridAndFontSettings)
{
    WriteFlag("Grid", true);
    LOGFONTA font = {};
    font.lfHeight = -20;
    strcpy(font.lfFaceName, "Tahoma");
    WriteSettingBytes("FontS", &font, sizeof font);
    OpenMainWindow();
    for (int id : {ID_SERVERLIST, ID_PLAYERLIST}) {
        DWORD extended = ListView_GetExtendedListViewStyle(Child(id));
        EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT) << id;
        EXPECT_TRUE(extended & LVS_EX_GRIDLINES) << id;
    }
    LOGFONTA used = {};
    HFONT serverFont = reinterpret_cast<HFONT>(SendMessageA(Child(ID_SERVERLIST), WM_GETFONT, 0, 0));
    ASSERT_NE(serverFont, nullptr);
    GetObjectA(serverFont, sizeof used, &used);
    EXPECT_EQ(used.lfHeight, -20);
    EXPECT_STREQ(used.lfFaceName, "Tahoma");
}

TEST_F(MainWindow, ToolTipsAreTheCommandsHelpTexts)
{
    OpenMainWindow();
    NMTTDISPINFOA info = {};
    info.hdr.code = TTN_GETDISPINFOA;
    info.hdr.idFrom = CMD_REFRESH;
    SendMessageA(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, "Refresh server list");
    info.hdr.idFrom = CMD_THISGAMEONLY;
    SendMessageA(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(strlen(info.lpszText), 80u);  // cut to the tool tip's 80 characters
}

TEST_F(MainWindow, AMissingListIsReported)
{
    OpenMainWindow();
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].find("Server file 'Server.dat' could not be opened."), 0u);
    EXPECT_EQ(SendMessageA(Child(ID_SERVERLIST), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(Child(ID_SERVERLIST)));
}

TEST_F(MainWindow, MenuStatesFollowSelectionRefreshAndFilters)
{
    WriteFile("Server.dat", DemoList());
    OpenMainWindow();
    HMENU menu = GetMenu(main);
    OpenMenu(menu);
    EXPECT_TRUE(MenuState(menu, CMD_STOP) & MF_GRAYED);
    EXPECT_FALSE(MenuState(menu, CMD_LAUNCH) & MF_GRAYED);
    EXPECT_FALSE(MenuState(menu, CMD_SERVERDETAILS) & MF_GRAYED);
    EXPECT_FALSE(MenuState(menu, CMD_DELETE) & MF_GRAYED);
    EXPECT_TRUE(MenuState(menu, CMD_SHOWALLGAMES) & MF_CHECKED);
    EXPECT_FALSE(MenuState(menu, CMD_FAVORITESONLY) & MF_CHECKED);
    EXPECT_FALSE(MenuState(menu, CMD_FAVORITE) & MF_CHECKED);

    // Row 1 is a favourite; no messenger: "Send serverinfo" stays grey.
    SelectRow(Child(ID_SERVERLIST), 1);
    HMENU context = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_CONTEXT));
    HMENU popup = GetSubMenu(context, 0);
    OpenMenu(popup);
    EXPECT_TRUE(MenuState(popup, CMD_FAVORITE) & MF_CHECKED);
    EXPECT_TRUE(MenuState(popup, CMD_SENDSERVERINFO) & MF_GRAYED);
    EXPECT_FALSE(MenuState(popup, CMD_NEXTSAMEGAME) & MF_GRAYED);
    DestroyMenu(context);

    // A refresh with workers running greys the editing entries.
    HoldRefresh();
    appData->flags |= FlagFavoritesOnly;
    OpenMenu(menu);
    EXPECT_FALSE(MenuState(menu, CMD_STOP) & MF_GRAYED);
    for (int command : {CMD_LAUNCH, CMD_DELETE, CMD_MOVETOTOP, CMD_SAVELIST, CMD_RELOADMASTER, CMD_ADDSERVER,
                        CMD_REFRESH, CMD_FINDPLAYER, CMD_FAVORITESONLY, CMD_SHOWALLGAMES})
        EXPECT_TRUE(MenuState(menu, command) & MF_GRAYED) << command;
    EXPECT_TRUE(MenuState(menu, CMD_FAVORITESONLY) & MF_CHECKED);
    EXPECT_FALSE(MenuState(menu, CMD_SERVERDETAILS) & MF_GRAYED);
    EXPECT_FALSE(MenuState(menu, CMD_COPY) & MF_GRAYED);

    // Menu help stays out of the status bar while a refresh runs.
    StatusPrintPart(Child(ID_STATUSBAR), 0, "progress");
    SendMessageA(main, WM_MENUSELECT, MAKEWPARAM(CMD_SAVELIST, MF_STRING), reinterpret_cast<LPARAM>(menu));
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "progress");
    ReleaseRefresh();
    SendMessageA(main, WM_MENUSELECT, MAKEWPARAM(CMD_SAVELIST, MF_STRING), reinterpret_cast<LPARAM>(menu));
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Save serverlist");
    SendMessageA(main, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ready");
}

TEST_F(MainWindow, StopOnlyRequestsUnlessARefreshRuns)
{
    OpenMainWindow();
    StatusPrint(Child(ID_STATUSBAR), "before");
    SendMessageA(main, WM_COMMAND, CMD_STOP, 0);
    EXPECT_TRUE(RefreshStopRequested());
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "before");
    // Unknown commands are ignored quietly; About shows its box only.
    FillNextDialog([](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    SendMessageA(main, WM_COMMAND, CMD_ABOUT, 0);
    SendMessageA(main, WM_COMMAND, 12345, 0);
    EXPECT_TRUE(shownMessages.size() == 1u);  // the missing list only
}

TEST_F(MainWindow, LayoutKeepsTheSplitterBetweenToolbarAndStatusBar)
{
    WriteSetting("Split", "5000");
    OpenMainWindow();
    RECT client, split, status, servers, players;
    GetClientRect(main, &client);
    ChildRect(Child(ID_SPLITTER), &split);
    ChildRect(Child(ID_STATUSBAR), &status);
    ChildRect(Child(ID_SERVERLIST), &servers);
    ChildRect(Child(ID_PLAYERLIST), &players);
    EXPECT_EQ(split.bottom, status.top);
    EXPECT_EQ(split.bottom - split.top, 7);
    EXPECT_EQ(servers.top, 35);
    EXPECT_EQ(servers.bottom, split.top);
    EXPECT_EQ(players.top, split.bottom);
    EXPECT_EQ(split.left, -3);
    EXPECT_EQ(split.right, client.right + 3);
}

TEST_F(MainWindow, TheSplitterIsDraggedAndStaysAboveTheStatusBar)
{
    OpenMainWindow();
    HWND splitter = Child(ID_SPLITTER);
    RECT split, status, servers, players;
    ChildRect(splitter, &split);
    int start = split.top;

    // Pressed and released without moving: it stays.
    SendMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 3));
    SendMessageA(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, 3));
    ChildRect(splitter, &split);
    EXPECT_EQ(split.top, start);

    // Dragged 60 pixels up: the lists follow.
    SendMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 3));
    SendMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, -60));
    SendMessageA(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, -60));
    ChildRect(splitter, &split);
    ChildRect(Child(ID_SERVERLIST), &servers);
    ChildRect(Child(ID_PLAYERLIST), &players);
    EXPECT_EQ(split.top, start - 60);
    EXPECT_EQ(servers.top, 35);
    EXPECT_EQ(servers.bottom, split.top);
    EXPECT_EQ(players.top, split.bottom);

    // Dragged below the status bar: it ends right above it.
    SendMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 3));
    SendMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 2000));
    SendMessageA(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, 2000));
    ChildRect(splitter, &split);
    ChildRect(Child(ID_STATUSBAR), &status);
    EXPECT_EQ(split.bottom, status.top);
    EXPECT_EQ(split.bottom - split.top, 7);
}

TEST_F(MainWindow, PlacementAndSplitRoundTrip)
{
    WriteSetting("Pos", "10 20 640 480 [1]");
    WriteSetting("Split", "200");
    OpenMainWindow();
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(main, &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, 10);
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 640);
    RECT split;
    ChildRect(Child(ID_SPLITTER), &split);
    EXPECT_EQ(split.top, 200);

    MoveWindow(main, 30, 40, 600, 420, TRUE);
    messageAnswers = {};
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(Setting("Pos"), "30 40 600 420 [1]");
    EXPECT_EQ(Setting("Split"), "200");
}

// The main window at the DPI this process runs at (96 in a plain run, 144
// and 192 in the children of TheMainWindowDrawsAtEachDpi): the artwork and
// every size follow the DPI, the stored sizes are 96-DPI units scaled on
// use and stored back unscaled, and WM_DPICHANGED lays it out again.
TEST_F(MainWindow, DrawsAtTheDpiOfItsScreen)
{
    WriteFile("Server.dat", DemoList());
    WriteSetting("Pos", "10 20 400 300 [1]");
    WriteSetting("Split", "150");
    LOGFONTA chosen = {};
    chosen.lfHeight = -20;
    strcpy(chosen.lfFaceName, "Tahoma");
    WriteSettingBytes("FontS", &chosen, sizeof chosen);
    OpenMainWindow();
    int dpi = WindowDpi(main);
    EXPECT_EQ(dpi, ChildTestDpi() ? ChildTestDpi() : WindowDpi(nullptr));
    auto scaled = [dpi](int units) { return ScaleToDpi(units, dpi); };

    // The window, the splitter and the columns from the stored units.
    RECT window;
    GetWindowRect(main, &window);
    EXPECT_EQ(window.right - window.left, scaled(400));
    EXPECT_EQ(window.bottom - window.top, scaled(300));
    RECT split, status, servers, players, toolbar;
    ChildRect(Child(ID_SPLITTER), &split);
    EXPECT_EQ(split.top, scaled(150));
    EXPECT_EQ(split.bottom - split.top, scaled(7));
    EXPECT_EQ(split.left, -scaled(3));
    HWND list = Child(ID_SERVERLIST);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), scaled(100));
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), scaled(25));  // "100\t25\t25\t50\t30\t" as loaded

    // The toolbar: artwork for the DPI (19, 28 or 38 pixels), buttons and
    // height scaled; the animation as high as the toolbar.
    int artwork = ArtworkScale(dpi) == 200 ? 38 : ArtworkScale(dpi) == 150 ? 28 : 19;
    HWND bar = Child(ID_TOOLBAR);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_GETIMAGELIST, 0, 0)), &cx, &cy);
    EXPECT_EQ(cx, artwork);
    EXPECT_EQ(cy, artwork);
    LRESULT button = SendMessageA(bar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(button), scaled(28));
    EXPECT_EQ(HIWORD(button), scaled(30));
    ChildRect(bar, &toolbar);
    EXPECT_EQ(toolbar.bottom, scaled(35));
    RECT animation;
    ChildRect(Child(ID_ANIMATION), &animation);
    EXPECT_EQ(animation.bottom, toolbar.bottom);
    EXPECT_EQ(animation.right - animation.left, scaled(32));

    // The lists: their images for the DPI (16, 24 or 32 pixels), the stored
    // font's size scaled, the player list (no font stored) in the message
    // font, and rows high enough for both.
    ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_SMALL), &cx, &cy);
    EXPECT_EQ(cy, MulDiv(16, ArtworkScale(dpi), 100));
    LOGFONTA used = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), sizeof used, &used);
    EXPECT_EQ(used.lfHeight, scaled(-20));
    LOGFONTA message = {};
    ASSERT_TRUE(MessageFontForDpi(dpi, &message));
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Child(ID_PLAYERLIST), WM_GETFONT, 0, 0)), sizeof used, &used);
    EXPECT_EQ(used.lfHeight, message.lfHeight);
    EXPECT_STREQ(used.lfFaceName, message.lfFaceName);
    RECT row;
    ASSERT_TRUE(ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS));
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_GE(row.bottom - row.top, metrics.tmHeight);
    EXPECT_GE(row.bottom - row.top, cy);

    // The status parts: 200, 100 and 80 units, each text within its part.
    HWND statusBar = Child(ID_STATUSBAR);
    StatusPrintPart(statusBar, 2, "%d players found", 999);
    StatusPrintPart(statusBar, 3, "%d servers", 99999);
    int edges[4] = {};
    ASSERT_EQ(SendMessageA(statusBar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 4);
    EXPECT_EQ(edges[1] - edges[0], scaled(200));
    EXPECT_EQ(edges[2] - edges[1], scaled(100));
    EXPECT_EQ(edges[3] - edges[2], scaled(80));
    dc = GetDC(statusBar);
    old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(statusBar, WM_GETFONT, 0, 0)));
    for (int part = 2; part < 4; ++part) {
        std::string text = StatusText(statusBar, part);
        SIZE size = {};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        RECT rect;
        SendMessageA(statusBar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect));
        EXPECT_LE(size.cx, rect.right - rect.left) << part << " " << text;
    }
    SelectObject(dc, old);
    ReleaseDC(statusBar, dc);

    // WM_DPICHANGED: the suggested place is taken and everything is laid
    // out again, the toolbar made afresh.
    MoveWindow(bar, 0, 0, 10, 5, TRUE);
    SendMessageA(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(10, 10));
    RECT suggested = {30, 40, 30 + scaled(420), 40 + scaled(320)};
    SendMessageA(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(main, &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    button = SendMessageA(bar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(button), scaled(28));
    RECT client;
    GetClientRect(main, &client);
    ChildRect(bar, &toolbar);
    ChildRect(Child(ID_SPLITTER), &split);
    ChildRect(statusBar, &status);
    ChildRect(list, &servers);
    ChildRect(Child(ID_PLAYERLIST), &players);
    EXPECT_EQ(toolbar.bottom, scaled(35));
    EXPECT_EQ(toolbar.right, client.right - scaled(32));
    EXPECT_EQ(servers.top, toolbar.bottom);
    EXPECT_EQ(servers.right, client.right);
    EXPECT_EQ(servers.bottom, split.top);
    EXPECT_EQ(players.top, split.bottom);
    EXPECT_EQ(players.bottom, status.top);
    EXPECT_EQ(status.bottom, client.bottom);

    // The round trip: closing stores 96-DPI units again.
    MoveWindow(main, scaled(10), scaled(20), scaled(400), scaled(300), TRUE);
    ListView_SetColumnWidth(list, 0, scaled(123));
    messageAnswers = {};
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(Setting("Pos"), "10 20 400 300 [1]");
    EXPECT_EQ(Setting("Split"), "150");
    EXPECT_EQ(Setting("ServerTemplateWidth"), "123\t25\t25\t50\t30\t");
    LOGFONTA stored = {};
    ReadSettingBytes("FontS", &stored, sizeof stored);
    EXPECT_EQ(stored.lfHeight, -20);
}

TEST(MainWindowDpi, TheMainWindowDrawsAtEachDpi)
{
    if (ChildTestDpi())
        return;
    for (DWORD dpi : {144u, 192u})
        EXPECT_EQ(RunSelfAtDpi(dpi, "MainWindow.DrawsAtTheDpiOfItsScreen"), 0u) << dpi;
}

// A stored place off every monitor, a size below the minimum, a number too
// big for any: the window opens whole on the work area, at least its
// minimum size, and that is the place the close stores.
TEST_F(MainWindow, AStoredPlaceOffTheScreenOpensOnIt)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (const char *pos : {"-5000 -5000 640 480 [1]", "5000 5000 640 480 [1]", "10 20 -640 -480 [1]",
                            "99999999999 20 640 480 [1]"}) {
        WriteSetting("Pos", pos);
        OpenMainWindow();
        RECT r;
        GetWindowRect(main, &r);
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
            << pos << ": " << r.left << " " << r.top << " " << r.right << " " << r.bottom;
        EXPECT_GE(r.right - r.left, kMainMinWidth) << pos;
        EXPECT_GE(r.bottom - r.top, kMainMinHeight) << pos;
        SendMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(Pump());
        char stored[64];
        snprintf(stored, sizeof stored, "%ld %ld %ld %ld [1]", static_cast<long>(r.left - work.left),
                 static_cast<long>(r.top - work.top), static_cast<long>(r.right - r.left),
                 static_cast<long>(r.bottom - r.top));
        EXPECT_EQ(Setting("Pos"), stored);
        DestroyWindow(main);
    }
}

TEST_F(MainWindow, ExitSavesAChangedListWithoutAskingWhenAskSaveIsOff)
{
    WriteFile("Server.dat", DemoList());
    OpenMainWindow();
    SendMessageA(main, WM_COMMAND, CMD_FAVORITESONLY, 0);  // changes the list
    SendMessageA(main, WM_COMMAND, CMD_FAVORITESONLY, 0);
    ASSERT_NE(appData->flags & FlagModified, 0u);
    WriteFile("Server.dat", Header);  // what is there now gets replaced
    ListView_SetColumnWidth(Child(ID_SERVERLIST), 0, 123);
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(ReadFile("Server.dat"), DemoList());
    EXPECT_EQ(Setting("ServerTemplateWidth"), "123\t25\t25\t50\t30\t");
    EXPECT_EQ(Setting("PlayerTemplateWidth"), "100\t100\t100\t100\t100\t");
    EXPECT_NE(Setting("Pos"), "<missing>");
}

TEST_F(MainWindow, ExitAsksWhenAskSaveIsOn)
{
    WriteFlag("AskSave", true);
    WriteFile("Server.dat", DemoList());
    OpenMainWindow();
    // Unchanged: no question at all.
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_TRUE(shownMessages.empty());
    DestroyWindow(main);
    EndProgram();

    const struct {
        int answer;
        bool closes;
        bool saves;
    } cases[] = {{IDCANCEL, false, false}, {IDNO, true, false}, {IDYES, true, true}};
    for (const auto &c : cases) {
        StartAppData();
        WriteFile("Server.dat", DemoList());
        WriteSetting("ServerTemplateWidth", "1\t");
        OpenMainWindow();
        appData->flags |= FlagModified;
        WriteFile("Server.dat", Header);
        shownMessages.clear();
        messageAnswers = {c.answer};
        SendMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(Pump(), c.closes) << c.answer;
        EXPECT_EQ(shownMessages, std::vector<std::string>{"Do you want to save the modified serverlist ?"});
        EXPECT_EQ(ReadFile("Server.dat"), c.saves ? DemoList() : Header) << c.answer;
        // The widths are stored before the question, Cancel or not.
        EXPECT_EQ(Setting("ServerTemplateWidth"), "100\t25\t25\t50\t30\t");
        DestroyWindow(main);
        EndProgram();
    }
    StartAppData();
}

TEST_F(MainWindow, ExitKeepsADamagedListAndAsksBeforeLosingAnUnsavedOne)
{
    // A list cut inside its last record, and a save cut off before its new
    // file took Server.dat's place.
    Bytes damaged = DemoList();
    damaged.resize(damaged.size() - 3);
    Bytes whole = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 50, 0, "", "One", "ctf"),
                          ServerRecord({10, 0, 0, 2}, 27910, 20, SlotFavorite, "", "Two", "dm")});
    WriteFile("Server.dat", damaged);
    WriteFile("Server.dat.new", Header);
    OpenMainWindow();
    EXPECT_FALSE(Exists("Server.dat.new"));
    EXPECT_EQ(RowParams(Child(ID_SERVERLIST)).size(), 2u);
    // The first save over it keeps it; the next ones do not again.
    PressKey('S', Ctrl);
    EXPECT_EQ(shownMessages, std::vector<std::string>{
                                 "The old 'Server.dat' could not be read whole; it was kept as 'Server.dat.bad'."});
    EXPECT_EQ(ReadFile("Server.dat.bad"), damaged);
    EXPECT_EQ(ReadFile("Server.dat"), whole);
    WriteFile("Server.dat", damaged);
    WriteFile("Server.dat.bad", Header);
    PressKey('S', Ctrl);
    EXPECT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(ReadFile("Server.dat.bad"), Header);
    EXPECT_EQ(ReadFile("Server.dat"), whole);
    WriteFile("Server.dat", Header);  // what is there when a save fails

    // A read-only file is not replaced: quitting without the changes is
    // asked, and No keeps the window open.
    const std::string quit = "Quit without saving the server list?";
    appData->flags |= FlagModified;
    std::string path = FilePath("Server.dat");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    shownMessages.clear();
    messageAnswers = {IDOK, IDNO};
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(shownMessages,
              (std::vector<std::string>{"Cannot save the server list: 'Server.dat' is read-only.", quit}));
    EXPECT_EQ(ReadFile("Server.dat"), Header);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));

    // A full disk: the same question; the old file stays.
    {
        FullDisk full(10);
        shownMessages.clear();
        messageAnswers = {IDOK, IDNO};
        SendMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_FALSE(Pump());
        EXPECT_EQ(shownMessages, (std::vector<std::string>{"Cannot create 'Server.dat'", quit}));
        EXPECT_EQ(ReadFile("Server.dat"), Header);

        // Windows ending the session waits for no answer.
        shownMessages.clear();
        SendMessageA(main, WM_ENDSESSION, TRUE, 0);
        EXPECT_TRUE(shownMessages.empty());
        EXPECT_EQ(ReadFile("Server.dat"), Header);
    }
    // With room, the end of the session saves what it can.
    SendMessageA(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(ReadFile("Server.dat"), whole);

    // Yes quits without the changes.
    appData->flags |= FlagModified;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    messageAnswers = {IDOK, IDYES};
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(shownMessages.back(), quit);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MainWindow, ClosingIsRefusedWhileRefreshing)
{
    OpenMainWindow();
    shownMessages.clear();
    HoldRefresh();
    appData->flags |= FlagModified;
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Cannot quit while refreshing servers."});
    EXPECT_EQ(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), FALSE);
    ReleaseRefresh();
    EXPECT_EQ(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_FALSE(Exists("Server.dat"));
}

}  // namespace
