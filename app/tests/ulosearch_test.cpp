// The player search for messenger users (the UloStub stand-in as the
// client): the start-up search for everybody online and the "Online Ulo
// users" dialog behind the Find dialog.
#include "window_support.h"

#include <string>

#include "harness.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "startup.h"
#include "ui/ulodialogs.h"

namespace {

// Three users online; the client has no details of the first.
const char kThreeOnline[] =
    "version 65537\nowner 1\nuser 1 nickname Owner\n"
    "user 12 nickname Zed\nuser 13 nickname Amy\n"
    "online 11 0\nonline 12 0\nonline 13 0\n";

class UloSearch : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // Loopback and a closed port: a search may start a refresh.
        WriteFile("Server.dat", Concat({Bytes{'k', 'v', 0}, ServerRecord({127, 0, 0, 1}, 9, 50, 0, "", "One", "")}));
        WriteSetting("Pos", "0 0 600 400 [1]");  // not the first start: no greeting
    }
    void StartMessenger(const char *config)
    {
        std::string error;
        ASSERT_TRUE(StartStub(&run, "skovalt-search", config, &error)) << error;
        running = true;
        EndProgram();
        StartAppData();  // asks the client for its version
    }
    void TearDown() override
    {
        if (RefreshRunning()) {
            RequestRefreshStop();
            WaitUntil([] { return !RefreshRunning(); }, 10000);
        }
        MainWindowTest::TearDown();
        if (running)
            StopStub(&run);
    }
    // Ctrl+P with fill run on the Find dialog; the dialog is then cancelled.
    void InFindDialog(std::function<void(HWND)> fill)
    {
        FillNextDialog([fill](HWND dialog) {
            fill(dialog);
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        PressKey('P', Ctrl);
    }
    std::string Text(HWND dialog) const
    {
        char text[1100] = "";
        GetDlgItemTextA(dialog, IDC_FIND_TEXT, text, sizeof text);
        return text;
    }
    StubRun run = {};
    bool running = false;
};

TEST_F(UloSearch, StartupSearchJoinsTheReadableNicknames)
{
    StartMessenger(kThreeOnline);
    WriteSetting("Startup", "I");
    OpenMainWindow();
    ASSERT_NE(appData->searchText, nullptr);
    EXPECT_STREQ(appData->searchText, "Zed,Amy");
    EXPECT_EQ(Setting("LastFindPlayer"), "Zed,Amy");
    EXPECT_TRUE(RefreshRunning());
}

// Everybody online is searched for; what is kept for the next time is as
// much as the Find dialog takes (1,023 characters), cut after a whole name.
TEST_F(UloSearch, AStartupSearchForManyKeepsWhatTheFindDialogShowsAgain)
{
    std::string config = "version 65537\nowner 1\nuser 1 nickname Owner\n", everybody;
    for (int uin = 100; uin < 250; ++uin) {
        std::string n = std::to_string(uin);
        config += "user " + n + " nickname Player" + n + "\nonline " + n + " 0\n";
        everybody += (everybody.empty() ? "Player" : ",Player") + n;
    }
    StartMessenger(config.c_str());
    WriteSetting("Timeout", "1");
    WriteSetting("Startup", "I");
    OpenMainWindow();
    ASSERT_NE(appData->searchText, nullptr);
    EXPECT_EQ(appData->searchText, everybody);
    std::string kept = everybody.substr(0, 102 * 10);  // "Player100," to "Player201,"
    EXPECT_EQ(Setting("LastFindPlayer"), kept);
    ASSERT_TRUE(WaitUntil([] { return !RefreshRunning(); }));
    std::string shown;
    InFindDialog([&](HWND find) { shown = Text(find); });
    EXPECT_EQ(shown, kept);
}

// The start-up's repeat reads at most 511 characters of a longer search
// (the Find dialog takes 1,023): it is cut after a whole name, never
// emptied into a search for everybody, and stays stored whole.
TEST_F(UloSearch, RepeatingALongLastSearchCutsItAfterAWholeName)
{
    std::string names;
    for (int n = 100; names.size() < 600; ++n)
        names += "Name" + std::to_string(n) + ",";
    WriteSetting("LastFindPlayer", names.c_str());
    WriteSetting("Startup", "L");
    OpenMainWindow();
    ASSERT_NE(appData->searchText, nullptr);
    EXPECT_EQ(appData->searchText, names.substr(0, 63 * 8));  // "Name100," to "Name162,"
    EXPECT_EQ(Setting("LastFindPlayer"), names);
}

TEST_F(UloSearch, StartupSearchWithNobodyOnlineOrNoClient)
{
    StartMessenger("version 65537\nowner 1\n");
    WriteSetting("Startup", "I");
    OpenMainWindow();
    EXPECT_EQ(shownMessages, std::vector<std::string>{"The startup option was 'Search for online Ulo users' but "
                                                       "there are currently no Ulo users online."});
    EXPECT_FALSE(RefreshRunning());
    DestroyWindow(main);
    Pump();

    StopStub(&run);
    running = false;
    shownMessages.clear();
    OpenMainWindow();
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Ulo was closed !"});
    EXPECT_EQ(appData->uloVersion, 0u);
    EXPECT_EQ(appData->searchText, nullptr);
}

TEST_F(UloSearch, OnlineUsersDialogFillsTheFindDialog)
{
    StartMessenger(kThreeOnline);
    OpenMainWindow();
    std::string picked, listed;
    InFindDialog([&](HWND find) {
        FillNextDialog([&](HWND) {
            HWND online = FindWindowA("#32770", "Online Ulo users");
            HWND list = GetDlgItem(online, IDC_ONLINE_USERS);
            for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
                char name[40];
                SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
                listed += name + std::string(SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0 ? "+ " : " ");
            }
            SendMessageA(online, WM_COMMAND, IDOK, 0);
        });
        SendDlgItemMessageA(find, IDC_FIND_ONLINE, BM_CLICK, 0, 0);
        picked = Text(find);
    });
    EXPECT_EQ(listed, "Amy+ Zed+ ");  // sorted, all selected, the unreadable one left out
    EXPECT_EQ(picked, "Amy,Zed");
    EXPECT_EQ(appData->searchText, nullptr);  // Cancel in the Find dialog

    // A result cut to its buffer ends at a whole name.
    char small[7] = "";
    FillNextDialog([](HWND online) { SendMessageA(online, WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(ShowOnlineUsersDialog(main, small, sizeof small), 0);
    EXPECT_STREQ(small, "Amy");
}

TEST_F(UloSearch, TheButtonIsOffWithoutAClientAndAGoneClientTurnsItOff)
{
    OpenMainWindow();
    bool enabled = true;
    InFindDialog([&](HWND find) { enabled = IsWindowEnabled(GetDlgItem(find, IDC_FIND_ONLINE)) != 0; });
    EXPECT_FALSE(enabled);
    DestroyWindow(main);
    Pump();

    StartMessenger(kThreeOnline);
    OpenMainWindow();
    StopStub(&run);
    running = false;
    std::string text;
    InFindDialog([&](HWND find) {
        SetDlgItemTextA(find, IDC_FIND_TEXT, "kept");
        SendDlgItemMessageA(find, IDC_FIND_ONLINE, BM_CLICK, 0, 0);
        text = Text(find);
        enabled = IsWindowEnabled(GetDlgItem(find, IDC_FIND_ONLINE)) != 0;
    });
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Ulo was closed !"});
    EXPECT_EQ(appData->uloVersion, 0u);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(enabled);
}

}  // namespace
