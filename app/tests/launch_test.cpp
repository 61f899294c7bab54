// Launching the game (Enter), closing and reopening the messenger around
// it, and sending servers to a messenger user. The game is FakeQuake2.exe
// in a folder whose name holds a blank (InstallFakeGame); the messenger is
// UloStub.
#include "window_support.h"

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "harness.h"
#include "launch/gamelaunch.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/busywait.h"
#include "ui/rows.h"

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Ulo.exe";
const Bytes Header = {'k', 'v', 0};

std::string Text(const Bytes &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The wait clock of the launch: every look at it is a second later.
DWORD clockNow;
std::vector<DWORD> clockReads;
std::function<void()> onClockRead;

DWORD FastClock()
{
    clockNow += 1000;
    clockReads.push_back(clockNow);
    if (onClockRead)
        onClockRead();
    return clockNow;
}

LRESULT CALLBACK CountLaunches(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count)
{
    if (message == WM_COMMAND && LOWORD(wParam) == CMD_LAUNCH)
        ++*reinterpret_cast<int *>(count);
    return DefSubclassProc(window, message, wParam, lParam);
}

class Launch : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        exe = InstallFakeGame();
        ASSERT_NE(exe, "");
        char shortPath[MAX_PATH];
        ASSERT_NE(GetShortPathNameA(exe.c_str(), shortPath, sizeof shortPath), 0u);
        shortExe = shortPath;
        ASSERT_EQ(shortExe.find(' '), std::string::npos);
        WriteSetting("Exe", exe.c_str());
        clockReads.clear();
        SetBusyClockForTests(FastClock);
    }
    void TearDown() override
    {
        onClockRead = nullptr;
        SetBusyClockForTests(nullptr);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey);
        if (running)
            StopStub(&run);
        MainWindowTest::TearDown();
    }
    void Open()
    {
        WriteFile("Server.dat", Concat({Header, ServerRecord({10, 0, 0, 5}, 27911, 50, 0, "", "One", "CTF"),
                                        ServerRecord({10, 0, 0, 6}, 27910, 20, 0, "", "", "arena")}));
        OpenMainWindow();
    }
    void StartMessenger(const char *config)
    {
        std::string error;
        ASSERT_TRUE(StartStub(&run, "skovalt-launch", config, &error)) << error;
        running = true;
        appData->uloVersion = 65537;
    }
    void Enter(int row)
    {
        HWND list = Child(ID_SERVERLIST);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        SelectRow(list, row);
        SetFocus(list);
        PressKey(VK_RETURN);
    }
    // The game's records so far, waiting until there are count of them:
    // {command line, working folder} each.
    std::vector<std::string> Launched(size_t count)
    {
        std::vector<std::string> lines;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(10)) {
            std::string text = Text(ReadFile("Quake 2\\launched.txt"));
            lines.clear();
            for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                lines.push_back(text.substr(at, end - at));
            if (lines.size() >= 2 * count)
                break;
        }
        return lines;
    }
    std::string Config() const { return Text(ReadFile("Quake 2\\baseq2\\Skovalt.cfg")); }
    void SetMessengerAppPath(const char *path)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(path), strlen(path) + 1);
        RegCloseKey(key);
    }

    std::string exe, shortExe;
    StubRun run = {};
    bool running = false;
};

TEST_F(Launch, GameChoosesTheParameterAndTheConfigNamesTheServer)
{
    WriteSetting("Param", "+set cl_maxfps 60");
    WriteSetting("ParamCtf", "+set game ctf");
    WriteSetting("ParamRA", "+set game ra");
    Open();
    std::string folder = shortExe.substr(0, shortExe.rfind('\\'));

    Enter(0);  // game "CTF", port 27911
    std::vector<std::string> got = Launched(1);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], shortExe + " +set game ctf +exec Skovalt.cfg");
    EXPECT_EQ(got[1], folder);
    EXPECT_EQ(Config(), "connect 10.0.0.5:27911\r\n");

    Enter(1);  // game "arena" is no "ra"; port 27910 is left out
    got = Launched(2);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[2], shortExe + " +set cl_maxfps 60 +exec Skovalt.cfg");
    EXPECT_EQ(Config(), "connect 10.0.0.6\r\n");

    // A parameter too long for 255 characters is cut; the config is run.
    WriteSetting("Param", std::string(300, 'x').c_str());
    Enter(1);
    got = Launched(3);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[4], shortExe + " " + std::string(255 - shortExe.size() - 19, 'x') + " +exec Skovalt.cfg");

    // Without a whole config file (a full disk, no folder) the game starts,
    // but is not told to run one.
    {
        FullDisk full(5);
        Enter(0);
    }
    got = Launched(4);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[6], shortExe + " +set game ctf");
    EXPECT_FALSE(Exists("Quake 2\\baseq2\\Skovalt.cfg"));
    RemoveDirectoryA(FilePath("Quake 2\\baseq2").c_str());
    Enter(0);
    got = Launched(5);
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got[8], shortExe + " +set game ctf");
    EXPECT_TRUE(shownMessages.empty());
}

// A volume without 8.3 names gives the long path back: the path is quoted
// and named to the system, so Quake.exe beside "Quake 2" never starts.
TEST_F(Launch, APathWithBlanksStartsOnlyTheGame)
{
    ASSERT_TRUE(CopyFileA(exe.c_str(), FilePath("Quake.exe").c_str(), TRUE));  // the decoy
    SetShortPathFunctionForTests(NoShortNames);
    WriteSetting("Param", "+set cl_maxfps 60");
    Open();
    Enter(1);
    std::vector<std::string> got = Launched(1);
    SetShortPathFunctionForTests(nullptr);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], "\"" + exe + "\" +set cl_maxfps 60 +exec Skovalt.cfg");
    EXPECT_EQ(got[1], exe.substr(0, exe.rfind('\\')));
    EXPECT_FALSE(Exists("launched.txt"));
}

TEST_F(Launch, NothingStartsWithoutAGameOrWhileRefreshing)
{
    Open();
    std::string missing = FilePath("Quake 2\\missing.exe");
    WriteSetting("Exe", missing.c_str());
    Enter(0);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Quake path is invalid:\n" + missing +
                                                      "\nPlease correct in View | Preferences"});
    EXPECT_FALSE(Exists("Quake 2\\baseq2\\Skovalt.cfg"));

    WriteSetting("Exe", exe.c_str());
    HoldRefresh();
    shownMessages.clear();
    messageAnswers = {IDYES};
    Enter(0);
    EXPECT_EQ(shownMessages.size(), 1u);
    EXPECT_TRUE(RefreshStopRequested());
    ReleaseRefresh();
    EXPECT_FALSE(Exists("Quake 2\\baseq2\\Skovalt.cfg"));  // written just before the start
}

// A file that is no program: the start fails with the system's error.
TEST_F(Launch, AGameThatCannotStartIsReported)
{
    WriteFile("Quake 2\\broken.exe", Bytes{'n', 'o', ' ', 'p', 'r', 'o', 'g', 'r', 'a', 'm'});
    WriteSetting("Exe", FilePath("Quake 2\\broken.exe").c_str());
    Open();
    Enter(0);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].rfind("Could not start Quake2.\nError ", 0), 0u) << shownMessages[0];
    EXPECT_NE(shownMessages[0], "Could not start Quake2.\nError 0");
}

TEST_F(Launch, EmptyExeOpensTheQuake2PageAndUsesThePathGivenThere)
{
    WriteSetting("Exe", "");
    Open();
    bool quake2Page = false;
    FillNextDialog([&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        quake2Page = GetDlgItem(page, IDC_QUAKE2_EXE) != nullptr;
        SetDlgItemTextA(page, IDC_QUAKE2_EXE, exe.c_str());
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    Enter(0);
    EXPECT_TRUE(quake2Page);
    EXPECT_EQ(Launched(1).size(), 2u);
    EXPECT_EQ(Setting("Exe"), exe);
}

TEST_F(Launch, ClosesTheMessengerKeepsAnsweringWhileWaitingAndReopensIt)
{
    StartMessenger("owner 2001\n");
    WriteFlag("CloseUlo", true);
    WriteSetting("CloseUloWait", "25");
    Open();
    int launches = 0;
    SetWindowSubclass(main, CountLaunches, 1, reinterpret_cast<DWORD_PTR>(&launches));
    // While waiting the window repaints, and Enter comes again: a second
    // launch would stop at the missing game and say so.
    bool waitCursor = false, painted = false;
    int launchesSeen = 0;
    onClockRead = [&] {
        if (clockReads.size() == 1) {
            waitCursor = GetCursor() == LoadCursorA(nullptr, IDC_WAIT);
            InvalidateRect(main, nullptr, FALSE);
            WriteSetting("Exe", "C:\\missing.exe");
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
            return;
        }
        painted = !GetUpdateRect(main, nullptr, FALSE);
        launchesSeen = launches;
    };
    Enter(0);
    onClockRead = nullptr;
    RemoveWindowSubclass(main, CountLaunches, 1);
    EXPECT_EQ(clockReads.back() - clockReads.front(), 10000u);
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(painted);
    EXPECT_EQ(launchesSeen, 2);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(Launched(1).size(), 2u);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ulo closed");
    EXPECT_TRUE(appData->flags & FlagUloClosed);
    EXPECT_TRUE(PumpMessagesUntil(
        [](void *r) { return !StubLog(*static_cast<StubRun *>(r), "owner window closed").empty(); }, &run, 5000));

    SetMessengerAppPath("C:\\Ulo\\Ulo.exe");
    SendMessageA(main, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    SendMessageA(main, WM_ACTIVATE, WA_ACTIVE, 0);  // once only
    ASSERT_EQ(shellOpened.size(), 1u);
    EXPECT_EQ(shellOpened[0].target, "C:\\Ulo\\Ulo.exe");
    EXPECT_EQ(shellOpened[0].parameters, "");
    EXPECT_EQ(shellOpened[0].showCommand, SW_HIDE);
    EXPECT_EQ(StatusText(Child(ID_STATUSBAR), 0), "Ulo reopened");
    EXPECT_FALSE(appData->flags & FlagUloClosed);
}

// While the launch waits for the messenger to close, a refresh is refused
// (F5, the toolbar's Refresh) as a second launch is; closing the program
// then cancels the launch and brings the messenger back.
TEST_F(Launch, WhileWaitingForTheMessengerRefreshIsRefusedAndClosingCancels)
{
    StartMessenger("owner 2001\n");
    WriteFlag("CloseUlo", true);
    WriteSetting("CloseUloWait", "5");
    SetMessengerAppPath("C:\\Ulo\\Ulo.exe");
    // Loopback only: a refresh let through queries this server.
    WriteFile("Server.dat", Concat({Header, ServerRecord({127, 0, 0, 1}, 9, 50, 0, "", "One", "dm")}));
    OpenMainWindow();
    appData->timeout = 1;
    HWND toolbar = Child(ID_TOOLBAR);
    bool refreshed = false, buttonEnabled = true;
    onClockRead = [&] {
        if (clockReads.size() == 1) {
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_F5, 1);
            RECT r;
            SendMessageA(toolbar, TB_GETRECT, CMD_REFRESH, reinterpret_cast<LPARAM>(&r));
            LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(toolbar, WM_LBUTTONUP, 0, at);
        } else if (clockReads.size() == 2) {
            refreshed = RefreshRunning();
            buttonEnabled = SendMessageA(toolbar, TB_ISBUTTONENABLED, CMD_REFRESH, 0) != 0;
            PostMessageA(main, WM_CLOSE, 0, 0);
        }
    };
    Enter(0);
    onClockRead = nullptr;
    EXPECT_FALSE(refreshed);
    EXPECT_FALSE(buttonEnabled);
    EXPECT_LT(clockReads.size(), 5u);  // the close ended the wait
    EXPECT_FALSE(appData->flags & FlagUloClosed);
    ASSERT_EQ(shellOpened.size(), 1u);
    EXPECT_EQ(shellOpened[0].target, "C:\\Ulo\\Ulo.exe");
    if (RefreshRunning())
        WaitUntil([] { return !RefreshRunning(); });

    // No game was started: the next launch's is the only one.
    WriteFlag("CloseUlo", false);
    WriteSetting("Param", "+set next 1");
    Enter(0);
    std::vector<std::string> got = Launched(1);
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], shortExe + " +set next 1 +exec Skovalt.cfg");
}

// With "CloseUloConfirm" the launch asks before closing the messenger and
// the window before starting it again; No leaves it as it is. Sending
// servers with nobody online says so.
TEST_F(Launch, ConfirmQuestionsAndNobodyOnline)
{
    StartMessenger("owner 2001\n");
    WriteFlag("CloseUlo", true);
    WriteFlag("CloseUloConfirm", true);
    WriteSetting("CloseUloWait", "1");
    SetMessengerAppPath("C:\\Ulo\\Ulo.exe");
    Open();

    messageAnswers = {IDNO};
    Enter(0);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Do you want Ulo to be closed ?"});
    EXPECT_EQ(Launched(1).size(), 2u);
    EXPECT_FALSE(appData->flags & FlagUloClosed);

    SendMessageA(main, WM_COMMAND, CMD_SENDSERVERINFO, 0);
    EXPECT_EQ(shownMessages.back(), "There are no Ulo users online !");
    EXPECT_NE(appData->uloVersion, 0u);
    EXPECT_TRUE(StubLog(run, "sendfile").empty());

    shownMessages.clear();
    messageAnswers = {IDYES, IDNO};
    Enter(0);
    EXPECT_EQ(Launched(2).size(), 4u);
    EXPECT_TRUE(appData->flags & FlagUloClosed);
    SendMessageA(main, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(shownMessages,
              (std::vector<std::string>{"Do you want Ulo to be closed ?", "Do you want to restart Ulo ?"}));
    EXPECT_TRUE(shellOpened.empty());
    EXPECT_FALSE(appData->flags & FlagUloClosed);
}

TEST_F(Launch, WithoutTheOwnersWindowNothingIsClosedOrReopened)
{
    // The client names owner 2002; its window is titled 2001.
    StartMessenger("owner 2001\nreply 4 int 2002\n");
    WriteFlag("CloseUlo", true);
    WriteSetting("CloseUloWait", "5");
    SetMessengerAppPath("C:\\Ulo\\Ulo.exe");
    Open();
    Enter(0);
    EXPECT_EQ(Launched(1).size(), 2u);
    EXPECT_TRUE(clockReads.empty());
    EXPECT_FALSE(appData->flags & FlagUloClosed);
    SendMessageA(main, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_TRUE(shellOpened.empty());
    EXPECT_TRUE(StubLog(run, "owner window closed").empty());
}

TEST_F(Launch, SendServerInfoWritesTheSelectedServersForTheChosenUser)
{
    StartMessenger("owner 2001\nonline 3107 1\nonline 4512 1\nonline 5555 1\nuser 3107 nickname Rail\n"
                   "user 4512 nickname Quadfrag\nuser 5555 nickname ABCDEFGHIJKLMNOPQRSTUVW\n");
    char savedTmp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
    SetEnvironmentVariableA("TMP", dir.c_str());
    Open();
    HWND list = Child(ID_SERVERLIST);
    SelectRow(list, 0);
    ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(list);
    std::string path = dir + "Server.txt";
    std::vector<std::string> entries;
    auto chooseQuadfrag = [&](bool doubleClick) {
        FillNextDialog([&, doubleClick](HWND dialog) {
            HWND users = GetDlgItem(dialog, IDC_SELECTUSER_LIST);
            entries.clear();
            char entry[64];
            for (int i = 0; SendMessageA(users, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry)) != LB_ERR; ++i)
                entries.push_back(entry);
            SendMessageA(users, LB_SETCURSEL, 1, 0);
            if (doubleClick)
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SELECTUSER_LIST, LBN_DBLCLK),
                             reinterpret_cast<LPARAM>(users));
            else
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(main, WM_COMMAND, CMD_SENDSERVERINFO, 0);
    };
    chooseQuadfrag(false);
    EXPECT_EQ(entries, (std::vector<std::string>{"ABCDEFGHIJKLMNOPQRS\t5555", "Quadfrag\t4512", "Rail\t3107"}));
    EXPECT_EQ(Text(ReadFile("Server.txt")), "10.0.0.5:27911, One\r\n10.0.0.6\r\n");
    chooseQuadfrag(true);
    EXPECT_EQ(StubLog(run, "sendfile"), std::vector<std::string>(2, "sendfile 4512," + path));

    // A file that cannot be written, or not whole, sends nothing and says so.
    DeleteFileA(path.c_str());
    CreateDirectoryA(path.c_str(), nullptr);
    chooseQuadfrag(false);
    EXPECT_EQ(StubLog(run, "sendfile").size(), 2u);
    RemoveDirectoryA(path.c_str());
    {
        FullDisk full(10);
        chooseQuadfrag(false);
    }
    EXPECT_EQ(StubLog(run, "sendfile").size(), 2u);
    EXPECT_EQ(shownMessages, std::vector<std::string>(2, "Cannot write '" + path + "'"));
    EXPECT_FALSE(Exists("Server.txt"));
    shownMessages.clear();

    // The client gone: the messenger features are off.
    StopStub(&run);
    running = false;
    SendMessageA(main, WM_COMMAND, CMD_SENDSERVERINFO, 0);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Ulo was closed !"});
    EXPECT_EQ(appData->uloVersion, 0u);
    SetEnvironmentVariableA("TMP", savedTmp);
}

}  // namespace
