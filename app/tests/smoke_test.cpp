// Starts the real Skovalt.exe in a folder of its own with a prepared
// Server.dat, checks its window and rows, closes it with WM_CLOSE and checks
// what it saved. It uses the program's real settings key (of the test
// prefix), emptied before and after. Keys reach it as typed input; its list
// views are read through a page of its own memory.
#include "support.h"

#include <commctrl.h>
#include <string.h>

#include <algorithm>
#include <set>
#include <vector>

#include "harness.h"
#include "httpsim.h"
#include "master.h"
#include "q2sim.h"
#include "serverlist/listformat.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

const Bytes Header = {'k', 'v', 0};

// A visible top-level window of one process with a given class (and
// title, when one is given).
struct Found {
    DWORD pid;
    HWND window;
    const char *className = "Skovalt";  // the main window; "#32770" for a dialog
    const char *title = nullptr;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM data)
{
    auto *found = reinterpret_cast<Found *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[32], title[64] = "";
    if (pid == found->pid && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        strcmp(name, found->className) == 0 &&
        (!found->title || (GetWindowTextA(window, title, sizeof title) && strcmp(title, found->title) == 0))) {
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
        if (stub.process.hProcess)
            StopStub(&stub);
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
    // The program's dialog with this title, when it shows.
    HWND Dialog(const char *title)
    {
        Found box = {process.dwProcessId, nullptr, "#32770", title};
        EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&box));
        return box.window;
    }
    HWND WaitForDialog(const char *title)
    {
        HWND dialog = nullptr;
        WaitFor([&] { return (dialog = Dialog(title)) != nullptr; });
        return dialog;
    }
    // Keys typed as the user types them, into the focused control of the
    // program's window: pressed in order, released in reverse order
    // ({VK_CONTROL, 'P'} is Ctrl+P).
    void Type(HWND window, std::initializer_list<WORD> keys)
    {
        if (GetForegroundWindow() != window)
            SetForegroundWindow(window);
        size_t count = keys.size();
        std::vector<INPUT> input(2 * count, INPUT{});
        for (size_t i = 0; i < count; ++i) {
            input[i].type = input[2 * count - 1 - i].type = INPUT_KEYBOARD;
            input[i].ki.wVk = input[2 * count - 1 - i].ki.wVk = keys.begin()[i];
            input[2 * count - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
        }
        SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
    }
    // The program's list views fill records that lParam points to in the
    // program's own memory: one page there carries them.
    char *Page()
    {
        if (!page)
            page = static_cast<char *>(
                VirtualAllocEx(process.hProcess, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        return page;
    }
    std::string Cell(HWND list, int row, int column)
    {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = Page() + sizeof item;
        item.cchTextMax = 256;
        char text[257] = "";
        WriteProcessMemory(process.hProcess, Page(), &item, sizeof item, nullptr);
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(Page()));
        ReadProcessMemory(process.hProcess, item.pszText, text, 256, nullptr);
        return text;
    }
    // Part 0 of the program's status bar.
    std::string Status(HWND window)
    {
        char local[256] = "";
        SendMessageA(GetDlgItem(window, ID_STATUSBAR), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(Page()));
        ReadProcessMemory(process.hProcess, Page(), local, sizeof local - 1, nullptr);
        return local;
    }
    // A click on a row: the list takes the focus and selects the row.
    void Click(HWND list, int row)
    {
        RECT rect = {};
        rect.left = LVIR_LABEL;
        WriteProcessMemory(process.hProcess, Page(), &rect, sizeof rect, nullptr);
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(Page()));
        ReadProcessMemory(process.hProcess, Page(), &rect, sizeof rect, nullptr);
        LPARAM at = MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
        PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
    }
    PROCESS_INFORMATION process = {};
    char *page = nullptr;
    StubRun stub = {};
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

// Settings that do not fit the program's buffers, set before it starts: a
// server template, a player template and widths of 5,000 characters are
// used cut after their last whole column that fits, and stay stored as
// they were; a "Pos" off the screen opens the window on it.
TEST_F(SmokeTest, SettingsTooLongForTheProgramAreUsedCutAndKept)
{
    CopyProgram();
    WriteFile("Server.dat", Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 50, 0, "", "One", "ctf")}));
    std::string servers = "%g%t", players = "%f%t", widths;
    while (servers.size() < 5000)
        servers += "%s%t%m%t";
    while (players.size() < 5000)
        players += "%p%t";
    while (widths.size() < 5000)
        widths += "77\t";
    WriteSetting("ServerTemplate", servers.c_str());
    WriteSetting("PlayerTemplate", players.c_str());
    WriteSetting("ServerTemplateWidth", widths.c_str());
    WriteSetting("Pos", "5000 5000 640 480 [1]");

    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(1, &found));
    const struct {
        int id;
        const char *first;
        int width;
    } lists[] = {{ID_SERVERLIST, "Game", 77}, {ID_PLAYERLIST, "Frags", 100}};
    for (const auto &l : lists) {
        HWND list = GetDlgItem(found.window, l.id);
        HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
        EXPECT_GT(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5) << l.id;
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = Page() + sizeof item;
        item.cchTextMax = 32;
        char caption[33] = "";
        WriteProcessMemory(process.hProcess, Page(), &item, sizeof item, nullptr);
        SendMessageA(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(Page()));
        ReadProcessMemory(process.hProcess, Page(), &item, sizeof item, nullptr);
        ReadProcessMemory(process.hProcess, Page() + sizeof item, caption, 32, nullptr);
        EXPECT_STREQ(caption, l.first);
        EXPECT_EQ(item.cxy, l.width) << l.id;
    }
    RECT work, window;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(found.window, &window);
    EXPECT_EQ(window.right, work.right);
    EXPECT_EQ(window.bottom, work.bottom);
    EXPECT_EQ(window.right - window.left, 640);

    PostMessageA(found.window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(Setting("ServerTemplate"), servers);
    EXPECT_EQ(Setting("PlayerTemplate"), players);
    EXPECT_EQ(Setting("ServerTemplateWidth"), widths);
    EXPECT_EQ(Setting("Pos"), std::to_string(work.right - work.left - 640) + " " +
                                  std::to_string(work.bottom - work.top - 480) + " 640 480 [1]");
}

// Quitting the real program when its read-only Server.dat refuses the
// save: it says so and asks, No keeps it running, Yes quits; the file
// stays as it was. A save file left by a save cut off earlier is removed
// at start.
TEST_F(SmokeTest, QuitWithAListThatCannotBeSavedAsksFirst)
{
    CopyProgram();
    Bytes list = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 50, 0, "", "One", "ctf"),
                         ServerRecord({10, 0, 0, 2}, 27911, 20, 2, "", "Two", "dm")});
    WriteFile("Server.dat", list);
    WriteFile("Server.dat.new", Header);
    std::string path = FilePath("Server.dat");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(2, &found));
    EXPECT_FALSE(Exists("Server.dat.new"));
    DWORD_PTR result;
    SendMessageTimeoutA(found.window, WM_COMMAND, CMD_FAVORITESONLY, 0, SMTO_ABORTIFHUNG, 5000, &result);
    SendMessageTimeoutA(found.window, WM_COMMAND, CMD_FAVORITESONLY, 0, SMTO_ABORTIFHUNG, 5000, &result);

    // The next box of the program, other than the one answered before.
    HWND answered = nullptr;
    auto box = [&](std::string *text) {
        HWND next = nullptr;
        WaitFor([&] { return (next = Dialog("Skovalt")) != nullptr && next != answered; });
        char buffer[256] = "";
        if (next)
            GetDlgItemTextA(next, 0xFFFF, buffer, sizeof buffer);
        *text = buffer;
        return answered = next;
    };
    std::string text;
    for (int answer : {IDNO, IDYES}) {
        PostMessageA(found.window, WM_CLOSE, 0, 0);
        HWND refused = box(&text);
        ASSERT_NE(refused, nullptr);
        EXPECT_EQ(text, "Cannot save the server list: 'Server.dat' is read-only.");
        PostMessageA(refused, WM_COMMAND, IDOK, 0);
        HWND question = box(&text);
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(text, "Quit without saving the server list?");
        PostMessageA(question, WM_COMMAND, answer, 0);
        if (answer == IDNO) {
            // Still running, its window open, once the box has gone.
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(question); }));
            EXPECT_EQ(WaitForSingleObject(process.hProcess, 300), static_cast<DWORD>(WAIT_TIMEOUT));
            EXPECT_TRUE(IsWindowVisible(found.window));
        }
    }
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadFile("Server.dat"), list);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
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

// A server that never answers and a stored "Timeout" of 999999: Esc ends
// the refresh within a second (the query is abandoned), and the program
// then quits at once.
TEST_F(SmokeTest, EscEndsARefreshWithALongTimeOutAndTheProgramQuits)
{
    q2sim::ServerConfig silent;
    silent.mode = q2sim::Mode::Silent;
    q2sim::Simulator *sim = q2sim::Start({silent});
    ASSERT_NE(sim, nullptr);
    CopyProgram();
    WriteFile("Server.dat", Concat({Header, ServerRecord({127, 0, 0, 1}, q2sim::Port(sim, 0), 0xFFFF, 0, "", "", "")}));
    WriteSetting("Timeout", "999999");
    WriteSetting("DontGetHostNames", "Y");

    Found found = {};
    ASSERT_NO_FATAL_FAILURE(StartProgram(1, &found));
    PostMessageA(found.window, WM_COMMAND, CMD_REFRESH, 0);
    ASSERT_TRUE(WaitFor([&] { return q2sim::QueryCount(sim, 0) == 1; }));
    HWND status = GetDlgItem(found.window, ID_STATUSBAR);
    DWORD start = GetTickCount();
    Type(found.window, {VK_ESCAPE});
    ASSERT_TRUE(WaitFor([&] {
        char text[64] = "";
        SendMessageA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return strcmp(text, "Aborted") == 0;
    }));
    printf("Esc ended the refresh in %lu ms\n", GetTickCount() - start);
    PostMessageA(found.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    q2sim::Stop(sim);
}

// The list travels: Skovalt.exe on an empty list rebuilds it from the
// union of an HTTP master list and a Quake 2 UDP master (300 simulated
// servers, 50 named by both), refreshes them, loses one (Delete) and
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
    // Servers 0 to 199 over HTTP; 150 to 299 from the UDP master, in two
    // datagrams.
    std::string master = "Servers of the test master\r\n", text;
    std::vector<uint16_t> udpPorts[2];
    for (size_t i = 0; i < kServers; ++i) {
        uint16_t port = q2sim::Port(sim, i);
        if (i < 200)
            master += "127.0.0.1:" + std::to_string(port) + "\r\n";
        if (i >= 150)
            udpPorts[i < 225 ? 0 : 1].push_back(port);
        text += "127.0.0.1:" + std::to_string(port) + "\r\n";
    }
    httpsim::Response response;
    response.body = master;
    httpsim::Serve(http, "/master.txt", response);
    q2sim::Master *udp = q2sim::StartMasterDatagrams({q2sim::MasterReply(udpPorts[0]), q2sim::MasterReply(udpPorts[1])});
    ASSERT_NE(udp, nullptr);
    std::string udpUrl = "udp://127.0.0.1:" + std::to_string(q2sim::MasterPort(udp));

    CopyProgram();
    WriteFile("Server.dat", Header);
    WriteSetting("MasterListURL", (httpsim::Url(http, "/master.txt") + " " + udpUrl).c_str());
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
    DWORD_PTR result;
    auto command = [&](int id) {
        SendMessageTimeoutA(found.window, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_ABORTIFHUNG, 30000, &result);
    };

    // The sources are read beside the window, each named while it is read;
    // the merge follows them.
    std::vector<std::string> statuses;
    auto noteStatus = [&] {
        std::string now = Status(found.window);
        if (statuses.empty() || statuses.back() != now)
            statuses.push_back(now);
    };
    command(CMD_RELOADMASTER);
    ASSERT_TRUE(WaitFor([&] {
        noteStatus();
        return rows() == kServers;
    }));
    noteStatus();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Reading from " + udpUrl + " ..."), statuses.end());
    EXPECT_EQ(statuses.back(), "300 new servers added to list");
    Bytes savedText = ReadFile("Server.txt");
    EXPECT_EQ(std::string(savedText.begin(), savedText.end()), text);
    for (const std::string &line : statuses)
        fprintf(stderr, "status: %s\n", line.c_str());
    size_t twoLines = text.find('\n', text.find('\n') + 1) + 1;
    fprintf(stderr, "Server.txt, %zu bytes:\n%s...\n%s", savedText.size(), text.substr(0, twoLines).c_str(),
           text.substr(text.rfind('\n', text.size() - 2) + 1).c_str());
    key(servers, VK_F5);
    ASSERT_TRUE(WaitFor([&] { return refreshPressed(); }));
    ASSERT_TRUE(WaitFor([&] { return !refreshPressed(); }));
    for (size_t i = 0; i < kServers; ++i)
        ASSERT_EQ(q2sim::QueryCount(sim, i), 1) << i;

    // Delete the first row, answering the question.
    key(servers, VK_HOME);
    key(servers, VK_DELETE);
    HWND question = WaitForDialog("Skovalt");
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(WaitFor([&] { return rows() == kServers - 1; }));
    // Add the one server the master does not list.
    key(servers, VK_INSERT);
    HWND add = WaitForDialog("Add server");
    ASSERT_NE(add, nullptr);
    SetDlgItemTextA(add, IDC_ADD_NAME, "127.0.0.1");
    SetDlgItemTextA(add, IDC_ADD_PORT, std::to_string(q2sim::Port(sim, kServers)).c_str());
    PostMessageA(add, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return q2sim::QueryCount(sim, kServers) == 1 && !refreshPressed(); }));
    ASSERT_EQ(rows(), kServers);

    // Another reload: the deleted server stays away, the added one stays.
    command(CMD_RELOADMASTER);
    EXPECT_TRUE(WaitFor([&] { return Status(found.window) == "0 new servers added to list"; }));
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
    q2sim::StopMaster(udp);
    q2sim::Stop(sim);
}

// A player search in the real program over 200 simulated servers, with
// UloStub as the messenger: Ctrl+P and the Find dialog list exactly the
// matching players; Enter on a player's row starts the game for that
// player's server; the context menu's "Send serverinfo to Ulo user" sends
// the selected servers to the chosen user.
// Web servers that never answer, answer forever or in circles, or send too
// much: the window keeps answering, the start-up refresh starts at once
// beside the version check, Esc ends a download, and each failure is
// told without touching the files. The figures (the longest time the
// window did not answer, requests, bytes written) go to standard error.
TEST_F(SmokeTest, SilentEndlessAndCircularWebServersNeverFreezeTheWindow)
{
    CopyProgram();
    Bytes list = Concat({Header, ServerRecord({127, 0, 0, 1}, 9, 0xFFFF, 0, "", "Quiet", "")});
    WriteFile("Server.dat", list);
    httpsim::Server *http = httpsim::Start();
    ASSERT_NE(http, nullptr);
    httpsim::Response silent, loop = httpsim::Redirect("/master"), big;
    silent.hangBeforeAnswer = true;
    big.body = std::string(1024, '\n');
    big.repeat = 50 << 10;  // 50 MiB
    httpsim::Serve(http, "/version.txt", silent);
    httpsim::Serve(http, "/master", silent);
    WriteSetting("VersionURL", httpsim::Url(http, "/version.txt").c_str());
    WriteSetting("MasterListURL", httpsim::Url(http, "/master").c_str());
    WriteSetting("Startup", "S");

    Found found = {};
    DWORD start = GetTickCount();
    ASSERT_NO_FATAL_FAILURE(StartProgram(1, &found));
    HWND toolbar = GetDlgItem(found.window, ID_TOOLBAR);
    // The refresh runs while the version file has not come.
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(toolbar, TB_ISBUTTONCHECKED, CMD_REFRESH, 0) != 0; }));
    DWORD refreshAfter = GetTickCount() - start;
    EXPECT_LT(refreshAfter, 5000u);
    EXPECT_TRUE(WaitFor([&] { return httpsim::RequestCount(http, "/version.txt") == 1; }));

    // The longest time the window did not answer within ms milliseconds.
    auto longestSilence = [&](DWORD ms) {
        DWORD end = GetTickCount() + ms, longest = 0;
        while (GetTickCount() < end) {
            DWORD_PTR result;
            DWORD asked = GetTickCount();
            SendMessageTimeoutA(found.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result);
            longest = std::max(longest, GetTickCount() - asked);
            Sleep(10);
        }
        return longest;
    };
    auto status = [&] { return Status(found.window); };
    DWORD silenceAtStart = longestSilence(1000);
    EXPECT_LT(silenceAtStart, 500u);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(toolbar, TB_ISBUTTONCHECKED, CMD_REFRESH, 0) == 0; }));

    PostMessageA(found.window, WM_COMMAND, CMD_RELOADMASTER, 0);
    ASSERT_TRUE(WaitFor([&] { return httpsim::RequestCount(http, "/master") == 1; }));
    DWORD silenceInReload = longestSilence(1000);
    EXPECT_LT(silenceInReload, 500u);
    DWORD escAt = GetTickCount();
    Type(found.window, {VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return status() == "Reading the master list cancelled"; })) << status();
    DWORD cancelMs = GetTickCount() - escAt;
    EXPECT_LT(cancelMs, 1000u);
    EXPECT_EQ(ReadFile("Server.dat"), list);
    EXPECT_FALSE(Exists("Server.txt"));

    // A loop of redirects, then a list of 50 MiB: each ends with its text.
    const struct {
        httpsim::Response response;
        const char *text;
    } failures[] = {{loop, "Too many redirects (more than 5)"}, {big, "Larger than 8 MiB, refused"}};
    int requests[2] = {};
    DWORD silences[2] = {};
    for (int i = 0; i < 2; ++i) {
        httpsim::Serve(http, "/master", failures[i].response);
        int before = httpsim::RequestCount(http, "/master");
        PostMessageA(found.window, WM_COMMAND, CMD_RELOADMASTER, 0);
        silences[i] = longestSilence(300);
        HWND box = WaitForDialog("Skovalt");
        ASSERT_NE(box, nullptr) << failures[i].text;
        char text[512] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        EXPECT_EQ(std::string(text), "Internet error on:\n" + httpsim::Url(http, "/master") + "\n" + failures[i].text);
        requests[i] = httpsim::RequestCount(http, "/master") - before;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !Dialog("Skovalt"); }));
        EXPECT_EQ(ReadFile("Server.dat"), list);
        EXPECT_FALSE(Exists("Server.txt"));
    }
    EXPECT_EQ(requests[0], 6);
    fprintf(stderr,
            "figures: refresh started %lu ms after launch; window silent at most %lu ms at start-up, %lu ms in a "
            "hanging reload, %lu ms in a redirect loop, %lu ms with 50 MiB; Esc ended the reload in %lu ms; "
            "redirect loop: %d requests; Server.txt bytes written: %ld\n",
            static_cast<unsigned long>(refreshAfter), static_cast<unsigned long>(silenceAtStart),
            static_cast<unsigned long>(silenceInReload), static_cast<unsigned long>(silences[0]),
            static_cast<unsigned long>(silences[1]), static_cast<unsigned long>(cancelMs), requests[0],
            static_cast<long>(Exists("Server.txt") ? ReadFile("Server.txt").size() : 0));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    httpsim::Stop(http);
}

TEST_F(SmokeTest, FindPlayersLaunchTheServerOfOneAndSendServersToAUloUser)
{
    // Every server holds "Grunt<n>" and "Bob<n>"; every 4th also "RoBoT<n>",
    // every 5th "Camel<n>", every 50th "camBOT<n>" (both words): the
    // search "bot, Cam" finds exactly these.
    const size_t kServers = 200;
    std::vector<q2sim::ServerConfig> configs(kServers);
    std::multiset<std::string> matching;
    std::string serverLines;
    for (size_t i = 0; i < kServers; ++i) {
        std::string n = std::to_string(i);
        configs[i].rules = {{"hostname", "Crowd " + n}, {"maxclients", "16"}};
        if (i % 2)
            configs[i].rules.push_back({"game", "ctf"});
        configs[i].players = {{9, 30, "Grunt" + n}, {3, 30, "Bob" + n}};
        for (const char *name : {i % 4 == 0 ? "RoBoT" : "", i % 5 == 0 ? "Camel" : "", i % 50 == 0 ? "camBOT" : ""})
            if (*name) {
                configs[i].players.push_back({5, 40, name + n});
                matching.insert(name + n);
            }
    }
    q2sim::Simulator *sim = q2sim::Start(configs);
    ASSERT_NE(sim, nullptr);
    std::string error;
    ASSERT_TRUE(StartStub(&stub, "skovalt-smoke",
                          "owner 2001\nonline 4512 1\nonline 3107 1\nuser 3107 nickname Rail\n"
                          "user 4512 nickname Quadfrag\n",
                          &error))
        << error;
    CopyProgram();
    std::string exe = InstallFakeGame();
    ASSERT_NE(exe, "");
    Bytes list = Header;
    for (size_t i = 0; i < kServers; ++i) {
        uint16_t port = q2sim::Port(sim, i);
        list = Concat({list, ServerRecord({127, 0, 0, 1}, port, 0xFFFF, 0, "", "", "")});
        serverLines += "127.0.0.1:" + std::to_string(port) + ", Crowd " + std::to_string(i) + "\r\n";
    }
    WriteFile("Server.dat", list);
    WriteSetting("Timeout", "1");
    WriteSetting("DontGetHostNames", "Y");
    WriteSetting("NumServerThreads", "50");
    WriteSetting("Exe", exe.c_str());
    WriteSetting("Param", "+set cl_maxfps 60");
    WriteSetting("ParamCtf", "+set game ctf");
    // The program writes the file it sends into its temporary folder.
    char savedTmp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
    SetEnvironmentVariableA("TMP", dir.c_str());
    Found found = {};
    StartProgram(static_cast<int>(kServers), &found);
    SetEnvironmentVariableA("TMP", savedTmp);
    ASSERT_FALSE(HasFatalFailure());
    HWND servers = GetDlgItem(found.window, ID_SERVERLIST);
    HWND players = GetDlgItem(found.window, ID_PLAYERLIST);
    HWND toolbar = GetDlgItem(found.window, ID_TOOLBAR);

    Type(found.window, {VK_CONTROL, 'P'});
    HWND find = WaitForDialog("Find");
    ASSERT_NE(find, nullptr);
    SetDlgItemTextA(find, IDC_FIND_TEXT, "bot, Cam");
    PostMessageA(find, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] {
        for (size_t i = 0; i < kServers; ++i)
            if (q2sim::QueryCount(sim, i) != 1)
                return false;
        return SendMessageA(toolbar, TB_ISBUTTONCHECKED, CMD_REFRESH, 0) == 0;
    }));
    std::multiset<std::string> listed;
    for (int row = 0; row < SendMessageA(players, LVM_GETITEMCOUNT, 0, 0); ++row)
        listed.insert(Cell(players, row, 0));
    EXPECT_EQ(listed, matching);

    // Enter on the top player's row. The refresh may still be winding up
    // for a moment after the toolbar shows it done: the program then asks
    // whether to stop it; No, and Enter again.
    Click(players, 0);
    std::string top = Cell(players, 0, 0);
    size_t server = std::stoul(top.substr(top.find_first_of("0123456789")));
    PostMessageA(players, WM_KEYDOWN, VK_RETURN, 1);
    std::string record;
    ASSERT_TRUE(WaitFor([&] {
        if (HWND question = Dialog("Skovalt")) {
            PostMessageA(question, WM_COMMAND, IDNO, 0);
            PostMessageA(players, WM_KEYDOWN, VK_RETURN, 1);
        }
        Bytes data = ReadFile("Quake 2\\launched.txt");
        record.assign(data.begin(), data.end());
        return std::count(record.begin(), record.end(), '\n') == 2;
    }));
    char shortExe[MAX_PATH];
    GetShortPathNameA(exe.c_str(), shortExe, sizeof shortExe);
    EXPECT_EQ(record.substr(0, record.find('\n')),
              std::string(shortExe) + (server % 2 ? " +set game ctf" : " +set cl_maxfps 60") + " +exec Skovalt.cfg");
    Bytes config = ReadFile("Quake 2\\baseq2\\Skovalt.cfg");
    EXPECT_EQ(std::string(config.begin(), config.end()),
              "connect 127.0.0.1:" + std::to_string(q2sim::Port(sim, server)) + "\r\n");

    // Every server selected (Ctrl+A in the server list), the context menu
    // (the menu key), its entry (U), and Rail (the second of the sorted
    // users) chosen.
    Click(servers, 0);
    Type(found.window, {VK_CONTROL, 'A'});
    ASSERT_TRUE(
        WaitFor([&] { return static_cast<size_t>(SendMessageA(servers, LVM_GETSELECTEDCOUNT, 0, 0)) == kServers; }));
    Type(found.window, {VK_APPS});
    Type(found.window, {'U'});
    HWND choose = WaitForDialog("Select Ulo user");
    ASSERT_NE(choose, nullptr);
    SendDlgItemMessageA(choose, IDC_SELECTUSER_LIST, LB_SETCURSEL, 1, 0);
    PostMessageA(choose, WM_COMMAND, IDOK, 0);
    std::string path = dir + "\\Server.txt";
    ASSERT_TRUE(WaitFor([&] { return !StubLog(stub, "sendfile").empty(); }));
    EXPECT_EQ(StubLog(stub, "sendfile"), std::vector<std::string>{"sendfile 3107," + path});
    Bytes sent = ReadFile("\\Server.txt");
    EXPECT_EQ(std::string(sent.begin(), sent.end()), serverLines);
    q2sim::Stop(sim);
}

}  // namespace
