// Command states and keys: the toolbar and the menus follow one set of
// rules, and every key of the accelerator table reaches its command through
// the program's message loop, idle and while a refresh runs.
#include "window_support.h"

#include <commctrl.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/rows.h"

namespace {

const Bytes Header = {'k', 'v', 0};

class Commands : public MainWindowTest {
protected:
    void Open()
    {
        // Loopback addresses only: a key may start a real refresh.
        WriteFile("Server.dat", Concat({Header, ServerRecord({127, 0, 0, 1}, 9, 50, 0, "", "One", "ctf"),
                                        ServerRecord({127, 0, 0, 1}, 11, 20, SlotFavorite, "", "Two", "dm")}));
        OpenMainWindow();
        appData->timeout = 1;
        appData->flags |= FlagNoHostNames;
        ASSERT_TRUE(SetWindowSubclass(main, RecordCommands, 1, reinterpret_cast<DWORD_PTR>(&received)));
        SetFocus(Child(ID_SERVERLIST));
    }
    void TearDown() override
    {
        if (main)
            RemoveWindowSubclass(main, RecordCommands, 1);
        if (RefreshRunning())
            ReleaseRefresh();
        MainWindowTest::TearDown();
    }

    static LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR log)
    {
        if (message == WM_COMMAND)
            reinterpret_cast<std::vector<int> *>(log)->push_back(LOWORD(wParam));
        return DefSubclassProc(window, message, wParam, lParam);
    }

    bool ButtonEnabled(int id) { return SendMessageA(Child(ID_TOOLBAR), TB_ISBUTTONENABLED, id, 0) != 0; }
    bool ButtonChecked(int id) { return SendMessageA(Child(ID_TOOLBAR), TB_ISBUTTONCHECKED, id, 0) != 0; }

    // Every toolbar button against the same entry of the menu bar or the
    // context menu, as the user would open them now. Refresh alone differs
    // while refreshing: its entry is greyed without a check mark, its
    // button stays usable and pressed, to stop the refresh.
    void ExpectToolbarAgreesWithMenus(const char *state)
    {
        HMENU bar = GetMenu(main);
        HMENU context = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_CONTEXT));
        HMENU popup = GetSubMenu(context, 0);
        OpenMenu(bar);
        OpenMenu(popup);
        const int buttons[] = {CMD_COPY,   CMD_PASTE,   CMD_DELETE,     CMD_ADDSERVER, CMD_SERVERDETAILS,
                               CMD_GOTOWEBSITE, CMD_MOVETOTOP, CMD_FINDSERVER, CMD_FINDPLAYER, CMD_LAUNCH,
                               CMD_STOP,   CMD_REFRESH, CMD_FAVORITESONLY};
        for (int id : buttons) {
            UINT entry = GetMenuState(bar, static_cast<UINT>(id), MF_BYCOMMAND);
            if (entry == static_cast<UINT>(-1))
                entry = GetMenuState(popup, static_cast<UINT>(id), MF_BYCOMMAND);
            ASSERT_NE(entry, static_cast<UINT>(-1)) << id;
            if (id == CMD_REFRESH) {
                EXPECT_EQ((entry & MF_GRAYED) != 0, RefreshRunning()) << state;
                EXPECT_FALSE(entry & MF_CHECKED) << state;
                EXPECT_TRUE(ButtonEnabled(id)) << state;
                EXPECT_EQ(ButtonChecked(id), RefreshRunning()) << state;
                continue;
            }
            EXPECT_EQ(ButtonEnabled(id), !(entry & MF_GRAYED)) << state << ": " << id;
            EXPECT_EQ(ButtonChecked(id), (entry & MF_CHECKED) != 0) << state << ": " << id;
        }
        DestroyMenu(context);
    }

    // A click on a toolbar button as the mouse makes it: pressed and
    // released over the button's rectangle.
    void ClickButton(int id)
    {
        HWND toolbar = Child(ID_TOOLBAR);
        RECT r;
        ASSERT_TRUE(SendMessageA(toolbar, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&r)));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(toolbar, WM_MOUSEMOVE, 0, at);
        PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(toolbar, WM_LBUTTONUP, 0, at);
        Pump();
    }

    std::vector<int> received;
};

TEST_F(Commands, ToolbarAndMenusAgreeIdleSelectedAndRefreshing)
{
    Open();
    HWND list = Child(ID_SERVERLIST);
    SendMessageA(main, WM_COMMAND, CMD_FAVORITESONLY, 0);  // on: one row, checked
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    Pump();
    EXPECT_FALSE(ButtonEnabled(CMD_LAUNCH));
    EXPECT_FALSE(ButtonEnabled(CMD_STOP));
    ExpectToolbarAgreesWithMenus("idle, no row");

    SelectRow(list, 0);
    Pump();
    EXPECT_TRUE(ButtonEnabled(CMD_LAUNCH));
    ExpectToolbarAgreesWithMenus("idle, a row");

    // Selecting a row while refreshing leaves Launch off, and disabling the
    // favourites button keeps its checked mark.
    HoldRefresh();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SelectRow(list, 0);
    Pump();
    EXPECT_FALSE(ButtonEnabled(CMD_LAUNCH));
    EXPECT_FALSE(ButtonEnabled(CMD_FAVORITESONLY));
    EXPECT_TRUE(ButtonChecked(CMD_FAVORITESONLY));
    EXPECT_TRUE(ButtonEnabled(CMD_STOP));
    ExpectToolbarAgreesWithMenus("refreshing");
    ReleaseRefresh();
}

// The toolbar's Refresh, pressed while a refresh runs, stops it as F5 does.
TEST_F(Commands, ToolbarRefreshClickedWhileRefreshingStops)
{
    Open();
    PressKey(VK_F5);
    ASSERT_TRUE(RefreshRunning());
    EXPECT_TRUE(ButtonChecked(CMD_REFRESH));
    received.clear();
    ClickButton(CMD_REFRESH);
    EXPECT_EQ(received, std::vector<int>{CMD_REFRESH});
    EXPECT_TRUE(RefreshStopRequested());
    ASSERT_TRUE(WaitUntil([] { return !RefreshRunning(); }));
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Aborted");
    EXPECT_FALSE(ButtonChecked(CMD_REFRESH));
}

TEST_F(Commands, EveryKeyReachesItsCommandIdleAndRefreshing)
{
    const struct {
        UINT key;
        int modifiers;
        int command;
        bool whileRefreshing;  // still carried out during a refresh
    } keys[] = {
        {'S', Ctrl, CMD_SAVELIST, false},          {VK_RETURN, 0, CMD_LAUNCH, true},
        {'C', Ctrl, CMD_COPY, true},               {'V', Ctrl, CMD_PASTE, false},
        {'A', Ctrl, CMD_SELECTALL, true},          {VK_INSERT, 0, CMD_ADDSERVER, false},
        {VK_DELETE, 0, CMD_DELETE, false},         {VK_UP, Ctrl, CMD_MOVETOTOP, false},
        {VK_F4, 0, CMD_FAVORITE, true},            {'F', Ctrl, CMD_FINDSERVER, true},
        {VK_F3, 0, CMD_FINDNEXT, true},            {'P', Ctrl, CMD_FINDPLAYER, false},
        {VK_RETURN, Alt, CMD_SERVERDETAILS, true}, {VK_ESCAPE, 0, CMD_STOP, true},
        {VK_F7, 0, CMD_PREFERENCES, true},         {VK_DOWN, Shift, CMD_NEXTSAMEGAME, true},
        {VK_UP, Shift, CMD_PREVSAMEGAME, true},    {'W', Ctrl, CMD_GOTOWEBSITE, true},
        {VK_F5, 0, CMD_REFRESH, true},
    };
    Open();
    // Paste needs text on the clipboard to be usable (and it adds nothing:
    // the line holds no '.').
    SetClipboardText("no server");

    for (bool refreshing : {false, true}) {
        if (refreshing)
            HoldRefresh();
        for (const auto &k : keys) {
            if (k.command == CMD_REFRESH && !refreshing)
                continue;  // idle, F5 starts a refresh: below
            SelectRow(Child(ID_SERVERLIST), 0);
            SetFocus(Child(ID_SERVERLIST));
            received.clear();
            messageAnswers = {IDNO};
            shownMessages.clear();
            // A key that opens a dialog finds it cancelled.
            FillNextDialog([](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
            PressKey(k.key, k.modifiers);
            FillNextDialog(nullptr);
            bool expected = !refreshing || k.whileRefreshing;
            EXPECT_EQ(std::count(received.begin(), received.end(), k.command), expected ? 1 : 0)
                << (refreshing ? "refreshing: " : "idle: ") << k.command;
        }
        if (!refreshing)
            continue;
        // While refreshing, Enter asked to stop first (answered No), and
        // F5 stopped the refresh.
        EXPECT_TRUE(RefreshStopRequested());
        ReleaseRefresh();
    }

    // Idle, F5 starts a refresh of every row.
    received.clear();
    PressKey(VK_F5);
    EXPECT_EQ(received, std::vector<int>{CMD_REFRESH});
    EXPECT_TRUE(RefreshRunning());
    PressKey(VK_F5);  // and stops it
    EXPECT_TRUE(RefreshStopRequested());
    while (RefreshRunning()) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

TEST_F(Commands, EnterWhileRefreshingAsksToStop)
{
    Open();
    HoldRefresh();
    messageAnswers = {IDYES};
    PressKey(VK_RETURN);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Can't start Quake2 while refreshing.\nStop refreshing ?"});
    EXPECT_TRUE(RefreshStopRequested());
    ReleaseRefresh();
}

}  // namespace
