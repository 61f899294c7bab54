// "Reload from master" against a master list served on 127.0.0.1: the
// rebuild of Server.dat with the user's own additions and removals, the
// merge of the servers not shown, and downloads that must change nothing.
#include "window_support.h"

#include <commctrl.h>

#include "httpsim.h"
#include "resources/resource.h"
#include "serverlist/listformat.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "startup.h"

namespace {

const Bytes Header = {'k', 'v', 0};

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
    }
    void ServeMaster(const std::string &body, int status = 200)
    {
        httpsim::Response r;
        r.status = status;
        r.body = body;
        httpsim::Serve(http, "/master", r);
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
    SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
    // 10.0.0.9, added by hand and in the master list, is written once.
    std::vector<std::string> rebuilt = {"10.0.0.9:27910", "10.0.0.8:27910", "10.0.0.1:27910", "10.0.0.2:27910",
                                        "10.0.0.2:27911"};
    EXPECT_EQ(SavedServers(), rebuilt);
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(Status(), "5 new servers added to list");
    EXPECT_EQ(Status(3), "5 servers");
    EXPECT_NE(appData->flags & FlagModified, 0u);

    // A shown list takes nothing twice: once more, nothing is new.
    appData->flags &= ~FlagModified;
    SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
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
    SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
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
    SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Status(), "2 new servers added to list");
}

TEST_F(Master, AFailedOrEmptyDownloadKeepsServerDat)
{
    Bytes list = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 5, 0, "", "Kept", "dm")});
    WriteFile("Server.dat", list);
    OpenMainWindow();
    std::string url = httpsim::Url(http, "/master");
    const struct {
        int status;
        const char *body;
        const char *message;
    } cases[] = {
        {404, "", "Internet error on:\n%s\nItem not found"},
        {500, "<html>down</html>", "Internet error on:\n%s\nHTTP status 500"},
        {200, "<html><body>Moved to 10.0.0.1.example</body></html>", "No servers in the master list"},
        {200, "", "No servers in the master list"},
    };
    for (const auto &c : cases) {
        ServeMaster(c.body, c.status);
        shownMessages.clear();
        SendMessageA(main, WM_COMMAND, CMD_RELOADMASTER, 0);
        char expected[256];
        snprintf(expected, sizeof expected, c.message, url.c_str());
        ASSERT_FALSE(shownMessages.empty()) << c.status;
        EXPECT_EQ(shownMessages[0], expected);
        EXPECT_EQ(ReadFile("Server.dat"), list) << c.status << " " << c.body;
        // The merge ran on the old file: its server is shown already.
        EXPECT_EQ(Status(), "0 new servers added to list");
        EXPECT_EQ(Rows(), 1);
    }
}

}  // namespace
