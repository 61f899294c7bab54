// "Reload from master" against master lists served on 127.0.0.1 (HTTP, and
// Quake 2 UDP masters): the rebuild of Server.dat with the user's own
// additions and removals, the merge of the servers not shown, the union of
// several sources, and downloads that must change nothing.
#include "window_support.h"

#include <commctrl.h>

#include "httpsim.h"
#include "master.h"
#include "net/web.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "serverlist/listformat.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "startup.h"
#include "ui/commands.h"
#include "ui/masterimport.h"

namespace {

const Bytes Header = {'k', 'v', 0};

// One record of a UDP master's answer: address and port in network order.
std::string UdpRecord(const Bytes &ip, uint16_t port)
{
    const char record[6] = {static_cast<char>(ip[0]), static_cast<char>(ip[1]), static_cast<char>(ip[2]),
                            static_cast<char>(ip[3]), static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
    return std::string(record, sizeof record);
}

const std::string UdpHeader("\xFF\xFF\xFF\xFFservers ", 12);

Bytes Delta(char kind, const Bytes &ip, uint16_t port)
{
    return {static_cast<unsigned char>(kind), 0, 0, 0, ip[0], ip[1], ip[2], ip[3],
            static_cast<unsigned char>(port), static_cast<unsigned char>(port >> 8), 0, 0};
}

class Master : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        http = httpsim::Start();
        ASSERT_NE(http, nullptr);
        WriteSetting("MasterListURL", httpsim::Url(http, "/master").c_str());
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        httpsim::Stop(http);
        webLimits = HttpDefaultLimits();
    }
    void ServeMaster(const std::string &body, int status = 200, bool chunked = false)
    {
        httpsim::Response r;
        r.status = status;
        r.body = body;
        r.chunked = chunked;
        httpsim::Serve(http, "/master", r);
    }
    // "Reload from master" as the user gives it: the command returns at
    // once, the window answers while the list arrives.
    void Reload()
    {
        DWORD start = GetTickCount();
        SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
        EXPECT_LT(GetTickCount() - start, 500u);
        EXPECT_TRUE(WaitUntil([] { return !MasterReloadRunning(); }));
    }
    // "a.b.c.d:port" of every record of Server.dat, in file order.
    std::vector<std::string> SavedServers()
    {
        std::vector<std::string> out;
        Bytes data = ReadFile("Server.dat");
        size_t at = ListFileHeaderSize;
        ServerFileRecord r;
        while (at < data.size()) {
            size_t taken = ReadServerRecord(data.data() + at, data.size() - at, &r);
            if (!taken)
                break;
            at += taken;
            const unsigned char *ip = reinterpret_cast<const unsigned char *>(&r.ip);
            out.push_back(std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
                          std::to_string(ip[3]) + ":" + std::to_string(r.port));
        }
        return out;
    }
    std::string Status(int part = 0) { return StatusText(Child(ID_STATUSBAR), part); }
    int Rows() { return static_cast<int>(SendMessageA(Child(ID_SERVERLIST), LVM_GETITEMCOUNT, 0, 0)); }
    httpsim::Server *http = nullptr;
};

TEST_F(Master, ReloadReplaysTheJournalAndMergesWhatIsNotShown)
{
    // Comments, blanks, ":27910", another port, 0.0.0.0 and a bad address.
    ServeMaster("# Quake 2 servers\r\n10.0.0.1:27910\r\n\r\n10.0.0.2\r\n10.0.0.2:27911\r\n0.0.0.0\r\n1.2.3.x\r\n"
                "10.0.0.3\r\n10.0.0.9\r\n");
    // Added by hand: 10.0.0.9 (also in the master), 10.0.0.8 (added, then
    // removed: still written). Removed: 10.0.0.3, and 10.0.0.1 on another port.
    WriteFile("Delta.dat", Concat({Header, Delta('+', {10, 0, 0, 9}, 27910), Delta('+', {10, 0, 0, 8}, 27910),
                                   Delta('-', {10, 0, 0, 8}, 27910), Delta('-', {10, 0, 0, 3}, 27910),
                                   Delta('-', {10, 0, 0, 1}, 27911)}));
    WriteFile("Server.dat", Header);
    OpenMainWindow();
    Reload();
    // 10.0.0.9, added by hand and in the master list, is written once.
    std::vector<std::string> rebuilt = {"10.0.0.9:27910", "10.0.0.8:27910", "10.0.0.1:27910", "10.0.0.2:27910",
                                        "10.0.0.2:27911"};
    EXPECT_EQ(SavedServers(), rebuilt);
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(Status(), "5 new servers added to list");
    EXPECT_EQ(Status(3), "5 servers");
    EXPECT_NE(appData->flags & FlagModified, 0u);

    // A shown list takes nothing twice: once more, nothing is new. The list
    // comes chunked this time: the chunk sizes are no servers.
    appData->flags &= ~FlagModified;
    ServeMaster("# Quake 2 servers\r\n10.0.0.1:27910\r\n\r\n10.0.0.2\r\n10.0.0.2:27911\r\n0.0.0.0\r\n1.2.3.x\r\n"
                "10.0.0.3\r\n10.0.0.9\r\n", 200, true);
    Reload();
    EXPECT_EQ(SavedServers(), rebuilt);
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(Status(), "0 new servers added to list");
    EXPECT_NE(appData->flags & FlagModified, 0u);

    // A server hidden by the game filter counts as not shown: the master's
    // 10.0.0.21 (game dm) is added again, 10.0.0.20 (ctf, shown) is not.
    DestroyWindow(main);
    Pump();
    EndProgram();
    WriteFile("Server.dat", Concat({Header, ServerRecord({10, 0, 0, 20}, 27910, 5, 0, "", "A", "ctf"),
                                    ServerRecord({10, 0, 0, 21}, 27910, 5, 0, "", "B", "dm")}));
    DeleteFileA(FilePath("Delta.dat").c_str());
    WriteSetting("GameFilter", "ctf,");
    StartAppData();
    OpenMainWindow();
    ASSERT_EQ(Rows(), 1);
    ServeMaster("10.0.0.20\r\n10.0.0.21\r\n");
    Reload();
    EXPECT_EQ(Status(), "1 new servers added to list");
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(appData->table.serverCount, 3);
}

TEST_F(Master, AServerNamedAgainIsMergedOnceIntoAnEmptyList)
{
    WriteFile("Server.dat", Header);
    OpenMainWindow();
    // The download fails, so the merge reads a file that names two servers
    // three times each.
    Bytes named = Header;
    for (int i = 0; i < 3; ++i)
        named = Concat({named, ServerRecord({10, 0, 0, 1}, 27910, 5, 0, "", "A", "dm"),
                        ServerRecord({10, 0, 0, 2}, 27910, 5, 0, "", "B", "dm")});
    WriteFile("Server.dat", named);
    ServeMaster("", 404);
    Reload();
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Status(), "2 new servers added to list");
}

TEST_F(Master, AFailedOrEmptyDownloadKeepsServerDatAndSaysWhy)
{
    Bytes list = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 5, 0, "", "Kept", "dm")});
    WriteFile("Server.dat", list);
    WriteFile("Server.txt", {'o', 'l', 'd'});
    OpenMainWindow();
    webLimits.receiveMs = 300;
    webLimits.totalMs = 1500;
    std::string url = httpsim::Url(http, "/master");
    auto with = [](int status, const char *body) {
        httpsim::Response r;
        r.status = status;
        r.body = body;
        return r;
    };
    httpsim::Response loop = httpsim::Redirect("/master"), big = with(200, "10.0.0.7\n"), silent, cut, drip;
    big.repeat = 1 << 20;  // 9 MiB of server lines
    silent.hangBeforeAnswer = true;
    cut = with(200, "10.0.0.7\n10.0.0.8\n");
    cut.cutAfter = 12;
    drip = with(200, "10.0.0.7\n10.0.0.8\n10.0.0.9\n");
    drip.dripMs = 100;
    const struct {
        httpsim::Response response;
        const char *message;
    } cases[] = {
        {with(404, ""), "Internet error on:\n%s\nItem not found"},
        {with(500, "<html>down</html>"), "Internet error on:\n%s\nHTTP status 500"},
        {loop, "Internet error on:\n%s\nToo many redirects (more than 5)"},
        {big, "Internet error on:\n%s\nLarger than 8 MiB, refused"},
        {silent, "Internet error on:\n%s\nTimeout: no data for 1 s"},
        {drip, "Internet error on:\n%s\nTimeout: not complete within 2 s"},
        {cut, "Internet error on:\n%s\nConnection reset"},
        {with(200, "<html><body>Moved to 10.0.0.1.example</body></html>"), "No servers in the master list"},
        {with(200, ""), "No servers in the master list"},
    };
    for (const auto &c : cases) {
        httpsim::Serve(http, "/master", c.response);
        shownMessages.clear();
        int before = httpsim::RequestCount(http, "/master");
        Reload();
        char expected[256];
        snprintf(expected, sizeof expected, c.message, url.c_str());
        ASSERT_FALSE(shownMessages.empty()) << expected;
        EXPECT_EQ(shownMessages[0], expected);
        EXPECT_EQ(ReadFile("Server.dat"), list) << expected;
        if (c.message[0] == 'I') {
            EXPECT_EQ(ReadFile("Server.txt"), Bytes({'o', 'l', 'd'})) << expected;
        }
        // A redirect loop is followed five times, then given up.
        EXPECT_EQ(httpsim::RequestCount(http, "/master") - before, c.response.status == 302 ? 6 : 1) << expected;
        // The merge ran on the old file: its server is shown already.
        EXPECT_EQ(Status(), "0 new servers added to list");
        EXPECT_EQ(Rows(), 1);
    }
}

// A master that never answers leaves the window answering: the commands
// that change the list are greyed as during a refresh, F5 is refused, and
// Esc, Stop or closing the program end the download at once with every
// file as it was.
TEST_F(Master, AHangingMasterIsCancelledByEscStopAndClosing)
{
    Bytes list = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 5, 0, "", "Kept", "dm")});
    WriteFile("Server.dat", list);
    WriteFile("Server.txt", {'o', 'l', 'd'});
    WriteFile("Delta.dat", Header);
    OpenMainWindow();
    httpsim::Response silent, headersOnly;
    silent.hangBeforeAnswer = true;
    headersOnly.body = "10.0.0.7\n";
    headersOnly.hangAfterHeaders = true;
    for (int way = 0; way < 3; ++way) {
        httpsim::Serve(http, "/master", way == 1 ? headersOnly : silent);
        shownMessages.clear();
        DWORD start = GetTickCount();
        SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
        ASSERT_LT(GetTickCount() - start, 500u);
        ASSERT_TRUE(WaitUntil([&] { return httpsim::RequestCount(http, "/master") == way + 1; }, 5000));
        Pump();
        ASSERT_TRUE(MasterReloadRunning());
        EXPECT_EQ(Status().find("Reading from " + httpsim::Url(http, "/master")), 0u) << Status();
        CommandFacts facts = CurrentCommandFacts(main);
        for (int command : {CMD_REFRESH, CMD_RELOADMASTER, CMD_ADDSERVER, CMD_DELETE, CMD_FINDPLAYER})
            EXPECT_FALSE(CommandEnabled(command, facts)) << command;
        EXPECT_TRUE(CommandEnabled(CMD_STOP, facts));
        HWND toolbar = Child(ID_TOOLBAR);
        EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, CMD_REFRESH, 0));
        EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, CMD_STOP, 0));
        PressKey(VK_F5);
        EXPECT_FALSE(RefreshRunning());
        start = GetTickCount();
        if (way == 0)
            PressKey(VK_ESCAPE);
        else if (way == 1)
            SendMessageA(main, WM_COMMAND, CMD_STOP, 0);
        else
            EXPECT_TRUE(SendMessageA(main, WM_CLOSE, 0, 0) == 0 && Pump());  // the quit message
        EXPECT_TRUE(WaitUntil([] { return !MasterReloadRunning(); }, 1000)) << way;
        EXPECT_LT(GetTickCount() - start, 1000u) << way;
        EXPECT_TRUE(shownMessages.empty()) << shownMessages[0];
        if (way < 2) {
            EXPECT_EQ(Status(), "Reading the master list cancelled");
        }
        EXPECT_EQ(ReadFile("Server.dat"), list);
        EXPECT_EQ(ReadFile("Server.txt"), Bytes({'o', 'l', 'd'}));
        EXPECT_EQ(ReadFile("Delta.dat"), Header);
        EXPECT_EQ(Rows(), 1);
        EXPECT_EQ(appData->flags & FlagModified, 0u);
        if (way < 2) {
            EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, CMD_REFRESH, 0));
        }
    }
}

// "MasterListURL" names several sources: HTTP lists and Quake 2 UDP
// masters, read in turn while the window answers. Their union, first source
// first and each server once, is the master list; a source that fails is
// named and the others still count; when none yields a server, every file
// stays.
TEST_F(Master, ReloadReadsEverySourceAndKeepsTheirUnion)
{
    WriteSetting("Timeout", "1");  // a silent master is given up after 1 s
    WriteFile("Server.dat", Header);
    WriteFile("Delta.dat", Concat({Header, Delta('-', {10, 0, 0, 3}, 27910)}));  // removed by hand
    ServeMaster("10.0.0.1\r\n10.0.0.2:27911\r\n10.0.0.3\r\n");
    // The UDP answer in three datagrams: servers named by the HTTP list
    // too, records no server has (port 0, 0.0.0.0, the broadcast address)
    // and a cut record at the end of the second.
    q2sim::Master *udp = q2sim::StartMasterDatagrams(
        {UdpHeader + UdpRecord({10, 0, 0, 2}, 27911) + UdpRecord({10, 0, 0, 4}, 27910) + UdpRecord({10, 0, 0, 7}, 0) +
             UdpRecord({0, 0, 0, 0}, 27910) + UdpRecord({255, 255, 255, 255}, 27910),
         UdpHeader + UdpRecord({10, 0, 0, 5}, 27912) + std::string("\x0a\x00\x00", 3),
         UdpHeader + UdpRecord({10, 0, 0, 1}, 27910)});
    ASSERT_NE(udp, nullptr);
    std::string httpUrl = httpsim::Url(http, "/master");
    std::string udpUrl = "udp://127.0.0.1:" + std::to_string(q2sim::MasterPort(udp));
    WriteSetting("MasterListURL", (httpUrl + "  " + udpUrl).c_str());
    OpenMainWindow();
    DWORD start = GetTickCount();
    SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
    EXPECT_LT(GetTickCount() - start, 500u);
    // While the UDP master's answer is read (until a second of silence),
    // the window answers and names it.
    ASSERT_TRUE(WaitUntil([&] { return q2sim::MasterQueryCount(udp) == 1; }, 5000));
    Pump();
    EXPECT_TRUE(MasterReloadRunning());
    EXPECT_EQ(Status(), "Reading from " + udpUrl + " ...");
    EXPECT_TRUE(WaitUntil([] { return !MasterReloadRunning(); }));
    EXPECT_TRUE(shownMessages.empty()) << shownMessages[0];
    std::string text = "10.0.0.1:27910\r\n10.0.0.2:27911\r\n10.0.0.3:27910\r\n10.0.0.4:27910\r\n10.0.0.5:27912\r\n";
    EXPECT_EQ(ReadFile("Server.txt"), Bytes(text.begin(), text.end()));
    EXPECT_EQ(SavedServers(),
              (std::vector<std::string>{"10.0.0.1:27910", "10.0.0.2:27911", "10.0.0.4:27910", "10.0.0.5:27912"}));
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(Status(), "4 new servers added to list");
    EXPECT_EQ(httpsim::RequestCount(http, "/master"), 1);
    q2sim::StopMaster(udp);

    // A failing HTTP list, a master that answers garbage and one that says
    // nothing, beside a master that answers: each failure is named, the
    // list that came counts.
    ServeMaster("", 404);
    q2sim::Master *garbage = q2sim::StartMaster("<html>garbage</html>");
    q2sim::Master *silent = q2sim::StartMasterDatagrams({});
    udp = q2sim::StartMaster(UdpHeader + UdpRecord({10, 0, 0, 6}, 27910));
    ASSERT_TRUE(garbage && silent && udp);
    std::string garbageUrl = "udp://127.0.0.1:" + std::to_string(q2sim::MasterPort(garbage));
    std::string silentUrl = "udp://127.0.0.1:" + std::to_string(q2sim::MasterPort(silent));
    udpUrl = "udp://127.0.0.1:" + std::to_string(q2sim::MasterPort(udp));
    WriteSetting("MasterListURL", (httpUrl + " " + garbageUrl + "\t" + silentUrl + " " + udpUrl).c_str());
    shownMessages.clear();
    Reload();
    EXPECT_EQ(shownMessages, (std::vector<std::string>{"Internet error on:\n" + httpUrl + "\nItem not found",
                                                        "Internet error on:\n" + garbageUrl +
                                                            "\nThe master's answer is not a server list",
                                                        "Internet error on:\n" + silentUrl +
                                                            "\nNo answer from the master"}));
    text = "10.0.0.6:27910\r\n";
    EXPECT_EQ(ReadFile("Server.txt"), Bytes(text.begin(), text.end()));
    EXPECT_EQ(SavedServers(), std::vector<std::string>{"10.0.0.6:27910"});
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(Status(), "1 new servers added to list");
    q2sim::StopMaster(udp);

    // Every source fails, or the one that answers names no server: Server.txt
    // and Server.dat stay.
    Bytes savedText = ReadFile("Server.txt"), savedList = ReadFile("Server.dat");
    udp = q2sim::StartMaster(UdpHeader + UdpRecord({10, 0, 0, 9}, 0));
    ASSERT_NE(udp, nullptr);
    udpUrl = "udp://127.0.0.1:" + std::to_string(q2sim::MasterPort(udp));
    for (const std::string &sources : {httpUrl + " " + silentUrl, httpUrl + " " + udpUrl}) {
        WriteSetting("MasterListURL", sources.c_str());
        shownMessages.clear();
        Reload();
        ASSERT_EQ(shownMessages.size(), 2u) << sources;
        EXPECT_EQ(shownMessages[1], sources.find(silentUrl) != std::string::npos
                                        ? "Internet error on:\n" + silentUrl + "\nNo answer from the master"
                                        : "No servers in the master list");
        EXPECT_EQ(ReadFile("Server.txt"), savedText);
        EXPECT_EQ(ReadFile("Server.dat"), savedList);
        EXPECT_EQ(Status(), "0 new servers added to list");
    }

    // Esc ends the reading of a master that says nothing within a second;
    // the sources after it are not read.
    WriteSetting("Timeout", "60");
    WriteSetting("MasterListURL", (silentUrl + " " + httpUrl).c_str());
    shownMessages.clear();
    int requests = httpsim::RequestCount(http, "/master");
    SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
    ASSERT_TRUE(WaitUntil([&] { return q2sim::MasterQueryCount(silent) == 3; }, 5000));
    Pump();
    EXPECT_EQ(Status(), "Reading from " + silentUrl + " ...");
    start = GetTickCount();
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([] { return !MasterReloadRunning(); }, 1000));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(Status(), "Reading the master list cancelled");
    EXPECT_TRUE(shownMessages.empty()) << shownMessages[0];
    EXPECT_EQ(httpsim::RequestCount(http, "/master"), requests);
    EXPECT_EQ(ReadFile("Server.dat"), savedList);
    q2sim::StopMaster(udp);
    q2sim::StopMaster(garbage);
    q2sim::StopMaster(silent);
}

}  // namespace
