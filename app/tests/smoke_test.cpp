// Starts the real Skovalt.exe in a folder of its own with a prepared
// Server.dat, checks its window and rows, closes it with WM_CLOSE and checks
// what it saved. It uses the program's real settings key (of the test
// prefix), emptied before and after.
#include "support.h"

#include <commctrl.h>
#include <string.h>

#include <algorithm>
#include <set>

#include "httpsim.h"
#include "q2sim.h"
#include "serverlist/listformat.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

const Bytes Header = {'k', 'v', 0};

// A visible top-level window of one process with a given class.
struct Found {
    DWORD pid;
    HWND window;
    const char *className = "Skovalt";  // the main window; "#32770" for a message box
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM data)
{
    auto *found = reinterpret_cast<Found *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[32];
    if (pid == found->pid && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        strcmp(name, found->className) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

class SmokeTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SetSettingsKeyForTests(SETTINGS_KEY);
        DeleteSettingsKey();
        KeepOffTheWeb();
    }
    void TearDown() override
    {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        AppTest::TearDown();
    }
    void CopyProgram()
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string bin = self;
        bin.erase(bin.find_last_of('\\') + 1);
        for (const char *file : {"Skovalt.exe", "Kv.dll", "Parlet.dll", "MapData.txt", "wait.wav", "ready.wav",
                                 "Bkgnd.jpg"})
            ASSERT_TRUE(CopyFileA((bin + file).c_str(), FilePath(file).c_str(), FALSE)) << file;
    }
    // Waits until cond holds or the program ends (at most 30 s).
    template <typename Cond>
    bool WaitFor(Cond cond)
    {
        for (int i = 0; i < 1500; ++i) {
            if (cond())
                return true;
            if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
                return cond();
        }
        return false;
    }
    // Starts the copied program in the test folder and waits for its main
    // window to show the given number of rows.
    void StartProgram(int rows, Found *found)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string exe = FilePath("Skovalt.exe");
        ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                                   &startup, &process));
        *found = {process.dwProcessId, nullptr};
        ASSERT_TRUE(WaitFor([&] {
            EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(found));
            HWND servers = found->window ? GetDlgItem(found->window, ID_SERVERLIST) : nullptr;
            return servers && IsWindowVisible(servers) && SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0) == rows;
        })) << "no main window with " << rows << " rows";
    }
    PROCESS_INFORMATION process = {};
};

TEST_F(SmokeTest, StartsShowsTheListAndSavesOnClose)
{
    CopyProgram();
    Bytes list = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 50, 0, "", "One", "ctf"),
                         ServerRecord({10, 0, 0, 2}, 27911, 20, 2, "two.example", "Two", "dm"),
                         ServerRecord({10, 0, 0, 3}, 27910, 0xFFFF, 0, "", "Three", "")});
    WriteFile("Server.dat", list);

    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(3, &found));
    HWND servers = GetDlgItem(found.window, ID_SERVERLIST);

    char title[32] = "";
    GetWindowTextA(found.window, title, sizeof title);
    EXPECT_STREQ(title, "Skovalt");
    HWND header = reinterpret_cast<HWND>(SendMessageA(servers, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(found.window, ID_PLAYERLIST)));
    EXPECT_EQ(SendMessageA(GetDlgItem(found.window, ID_TOOLBAR), TB_BUTTONCOUNT, 0, 0), 16);
    EXPECT_EQ(Setting("ServerTemplate"), "%s%t%y%t%n/%x%t%l%t%g%t");

    // Change the list (the favourites view on and off marks it modified)
    // and take the file away: closing must write it again.
    DWORD_PTR result;
    SendMessageTimeoutA(found.window, WM_COMMAND, CMD_FAVORITESONLY, 0, SMTO_ABORTIFHUNG, 5000, &result);
    EXPECT_EQ(SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0), 1);
    SendMessageTimeoutA(found.window, WM_COMMAND, CMD_FAVORITESONLY, 0, SMTO_ABORTIFHUNG, 5000, &result);
    EXPECT_EQ(SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0), 3);
    WriteFile("Server.dat", Header);

    PostMessageA(found.window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);

    EXPECT_EQ(ReadFile("Server.dat"), list);
    EXPECT_NE(Setting("Pos").find(" ["), std::string::npos) << Setting("Pos");
    EXPECT_NE(Setting("Split"), "<missing>");
    EXPECT_EQ(Setting("ServerTemplateWidth"), "100\t25\t25\t50\t30\t");
    EXPECT_EQ(Setting("Favorites"), "N");
    EXPECT_EQ(Setting("DontGetHostNames"), "N");
    EXPECT_EQ(Setting("GameFilter"), "");
}

// F5 in the real program against simulated servers: every server is asked
// once, the toolbar's Refresh button is pressed while it runs, and the list
// saved afterwards keeps the names the refresh learnt.
TEST_F(SmokeTest, RefreshesSimulatedServersAndSavesWhatItLearnt)
{
    q2sim::ServerConfig first, second, silent;
    first.rules = {{"hostname", "Smoke Arena"}, {"mapname", "q2dm1"}, {"maxclients", "8"}};
    first.players = {{5, 40, "Grunt"}};
    first.delayMs = 200;
    second.rules = {{"hostname", "Smoke CTF"}, {"game", "ctf"}, {"mapname", "q2ctf1"}};
    silent.mode = q2sim::Mode::Silent;
    q2sim::Simulator *sim = q2sim::Start({first, second, silent});
    ASSERT_NE(sim, nullptr);
    CopyProgram();
    Bytes list = Header;
    for (size_t i = 0; i < 3; ++i)
        list = Concat({list, ServerRecord({127, 0, 0, 1}, q2sim::Port(sim, i), 0xFFFF, 0, "", "", "")});
    WriteFile("Server.dat", list);
    WriteSetting("Timeout", "1");
    WriteSetting("DontGetHostNames", "Y");

    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(3, &found));
    HWND toolbar = GetDlgItem(found.window, ID_TOOLBAR);
    auto refreshPressed = [&] { return SendMessageA(toolbar, TB_ISBUTTONCHECKED, CMD_REFRESH, 0) != 0; };

    PostMessageA(found.window, WM_COMMAND, CMD_REFRESH, 0);
    ASSERT_TRUE(WaitFor([&] { return refreshPressed(); }));
    ASSERT_TRUE(WaitFor([&] {
        return q2sim::QueryCount(sim, 0) == 1 && q2sim::QueryCount(sim, 1) == 1 && q2sim::QueryCount(sim, 2) == 1 &&
               !refreshPressed();
    }));
    DWORD_PTR result;
    SendMessageTimeoutA(found.window, WM_COMMAND, CMD_SAVELIST, 0, SMTO_ABORTIFHUNG, 5000, &result);
    // The toolbar is released a moment before the refresh ends, and a
    // close in that moment is refused with a message box: answer it and
    // close again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        PostMessageA(found.window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 3000) == WAIT_OBJECT_0)
            break;
        Found box = {process.dwProcessId, nullptr, "#32770"};
        EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&box));
        if (box.window)
            PostMessageA(box.window, WM_COMMAND, IDOK, 0);
    }
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_OBJECT_0);
    q2sim::Stop(sim);

    Bytes saved = ReadFile("Server.dat");
    std::string text(saved.begin(), saved.end());
    EXPECT_NE(text.find("Smoke Arena"), std::string::npos);
    EXPECT_NE(text.find("Smoke CTF"), std::string::npos);
    EXPECT_NE(text.find("ctf"), std::string::npos);
}

// The list travels: Skovalt.exe on an empty list rebuilds it from a master
// list of 300 simulated servers, refreshes them, loses one (Delete) and
// gains one (Add); a second reload keeps both changes, and the saved list
// holds exactly the right servers.
TEST_F(SmokeTest, MasterReloadRefreshDeleteAndAddSurviveAnotherReload)
{
    const size_t kServers = 300;
    std::vector<q2sim::ServerConfig> configs(kServers + 1);
    for (size_t i = 0; i < configs.size(); ++i)
        configs[i].rules = {{"hostname", "Master " + std::to_string(i)}, {"maxclients", "8"}};
    q2sim::Simulator *sim = q2sim::Start(configs);
    ASSERT_NE(sim, nullptr);
    httpsim::Server *http = httpsim::Start();
    ASSERT_NE(http, nullptr);
    std::string master = "Servers of the test master\r\n";
    for (size_t i = 0; i < kServers; ++i)
        master += "127.0.0.1:" + std::to_string(q2sim::Port(sim, i)) + "\r\n";
    httpsim::Response response;
    response.body = master;
    httpsim::Serve(http, "/master.txt", response);

    CopyProgram();
    WriteFile("Server.dat", Header);
    WriteSetting("MasterListURL", httpsim::Url(http, "/master.txt").c_str());
    WriteSetting("Timeout", "1");
    WriteSetting("NumServerThreads", "50");
    WriteSetting("DontGetHostNames", "Y");
    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(0, &found));
    HWND servers = GetDlgItem(found.window, ID_SERVERLIST);
    HWND toolbar = GetDlgItem(found.window, ID_TOOLBAR);
    auto rows = [&] { return static_cast<size_t>(SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0)); };
    auto refreshPressed = [&] { return SendMessageA(toolbar, TB_ISBUTTONCHECKED, CMD_REFRESH, 0) != 0; };
    auto key = [&](HWND window, UINT vk) { PostMessageA(window, WM_KEYDOWN, vk, 1); };
    auto dialog = [&](const char *title) {
        Found box = {process.dwProcessId, nullptr, "#32770"};
        return WaitFor([&] {
                   EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&box));
                   char text[64] = "";
                   return box.window && GetWindowTextA(box.window, text, sizeof text) && strcmp(text, title) == 0;
               })
                   ? box.window
                   : nullptr;
    };
    DWORD_PTR result;
    auto command = [&](int id) {
        SendMessageTimeoutA(found.window, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_ABORTIFHUNG, 30000, &result);
    };

    command(CMD_RELOADMASTER);
    ASSERT_EQ(rows(), kServers);
    key(servers, VK_F5);
    ASSERT_TRUE(WaitFor([&] { return refreshPressed(); }));
    ASSERT_TRUE(WaitFor([&] { return !refreshPressed(); }));
    for (size_t i = 0; i < kServers; ++i)
        ASSERT_EQ(q2sim::QueryCount(sim, i), 1) << i;

    // Delete the first row, answering the question.
    key(servers, VK_HOME);
    key(servers, VK_DELETE);
    HWND question = dialog("Skovalt");
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(WaitFor([&] { return rows() == kServers - 1; }));
    // Add the one server the master does not list.
    key(servers, VK_INSERT);
    HWND add = dialog("Add server");
    ASSERT_NE(add, nullptr);
    SetDlgItemTextA(add, IDC_ADD_NAME, "127.0.0.1");
    SetDlgItemTextA(add, IDC_ADD_PORT, std::to_string(q2sim::Port(sim, kServers)).c_str());
    PostMessageA(add, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return q2sim::QueryCount(sim, kServers) == 1 && !refreshPressed(); }));
    ASSERT_EQ(rows(), kServers);

    // Another reload: the deleted server stays away, the added one stays.
    command(CMD_RELOADMASTER);
    EXPECT_EQ(rows(), kServers);
    command(CMD_SAVELIST);
    PostMessageA(found.window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    httpsim::Stop(http);

    Bytes delta = ReadFile("Delta.dat");
    ASSERT_EQ(delta.size(), 3u + 2 * 12);
    EXPECT_EQ(delta[3], '-');
    uint16_t deleted = static_cast<uint16_t>(delta[3 + 8] | delta[3 + 9] << 8);
    EXPECT_EQ(delta[15], '+');
    Bytes file = ReadFile("Server.dat");
    std::string saved(file.begin(), file.end());
    std::set<uint16_t> ports;
    size_t at = 3;
    ServerFileRecord record;
    while (size_t taken = ReadServerRecord(file.data() + at, file.size() - at, &record)) {
        at += taken;
        EXPECT_TRUE(ports.insert(record.port).second) << record.port;
    }
    EXPECT_EQ(ports.size(), kServers);
    EXPECT_EQ(ports.count(deleted), 0u);
    EXPECT_EQ(ports.count(q2sim::Port(sim, kServers)), 1u);
    EXPECT_NE(saved.find("Master 150"), std::string::npos);  // names the refresh learnt
    q2sim::Stop(sim);
}

// Enter in the real program starts the game for the selected server.
TEST_F(SmokeTest, EnterLaunchesTheGameForTheSelectedServer)
{
    CopyProgram();
    std::string exe = InstallFakeGame();
    ASSERT_NE(exe, "");
    WriteSetting("Exe", exe.c_str());
    WriteSetting("ParamCtf", "+set game ctf");
    WriteFile("Server.dat", Concat({Header, ServerRecord({10, 0, 0, 1}, 27911, 50, 0, "", "One", "ctf")}));

    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(1, &found));
    PostMessageA(GetDlgItem(found.window, ID_SERVERLIST), WM_KEYDOWN, VK_RETURN, 1);
    std::string record;
    ASSERT_TRUE(WaitFor([&] {
        Bytes data = ReadFile("Quake 2\\launched.txt");
        record.assign(data.begin(), data.end());
        return std::count(record.begin(), record.end(), '\n') == 2;
    }));
    char shortExe[MAX_PATH];
    GetShortPathNameA(exe.c_str(), shortExe, sizeof shortExe);
    EXPECT_EQ(record.substr(0, record.find('\n')), std::string(shortExe) + " +set game ctf +exec Skovalt.cfg");
    Bytes config = ReadFile("Quake 2\\baseq2\\Skovalt.cfg");
    EXPECT_EQ(std::string(config.begin(), config.end()), "connect 10.0.0.1:27911\r\n");
    PostMessageA(found.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
}

}  // namespace
