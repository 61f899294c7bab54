// Versions and the web: the program's own version from its resource, the
// version file's text, and (against a loopback HTTP server) downloads, the
// version check and the master list.
#include "window_support.h"

#include <commctrl.h>

#include "httpsim.h"
#include "net/dialup.h"
#include "net/version.h"
#include "net/web.h"
#include "q2sim.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "skovalt_version.h"
#include "ui/rows.h"
#include "ui/webcommands.h"

namespace {

TEST(Version, OwnVersionIsTheResourcesAndTheProjects)
{
    uint32_t own = GetOwnVersion();
    EXPECT_EQ(own, PackVersion(SKOVALT_VERSION_MAJOR, SKOVALT_VERSION_MINOR, SKOVALT_VERSION_RELEASE));
    EXPECT_EQ(own, PackVersion(4, 7, 2));
    EXPECT_EQ(own, 4u << 24 | 7u << 16 | 2u << 8);
}

TEST(Version, VersionFileTexts)
{
    uint32_t own = PackVersion(4, 7, 2);
    EXPECT_GT(ParseVersionText("4.8"), own);
    EXPECT_EQ(ParseVersionText("4.7.2\r\nSkovalt"), own);
    EXPECT_GT(ParseVersionText("4.7.10"), own);
    EXPECT_EQ(ParseVersionText("4.7.10"), PackVersion(4, 7, 10));
    EXPECT_EQ(ParseVersionText("5"), kNoVersion);
    EXPECT_EQ(ParseVersionText("<html>"), kNoVersion);
    EXPECT_EQ(ParseVersionText("x.y"), 0u);  // read like atoi: no digits, 0
    EXPECT_EQ(ParseVersionText("4.999.1"), PackVersion(4, 255, 1));  // a part saturates
    EXPECT_EQ(ParseVersionText(nullptr), kNoVersion);
}

// Whatever a server sends as its web site, only a printable address of at
// most 512 characters that names a site is opened; nothing is read beyond
// the value.
TEST(WebSiteUrl, RuleValuesOfAnyLengthAndBytes)
{
    struct Case {
        std::string value;
        int result;
        std::string url;
    };
    std::string site = "http://" + std::string(505, 'a');  // 512 characters
    const Case cases[] = {
        {"www.clan.example", WebSiteUrlOk, "http://www.clan.example"},
        {"HTTP://Site.example", WebSiteUrlOk, "HTTP://Site.example"},
        {"ftp://files.example", WebSiteUrlOk, "http://ftp://files.example"},
        {"", WebSiteUrlNoSite, ""},
        {"http:/", WebSiteUrlNoSite, ""},
        {"HTTP://", WebSiteUrlNoSite, ""},
        {"http:/x", WebSiteUrlNoSite, ""},
        {"www.a\x01b.example", WebSiteUrlUnprintable, ""},
        {"www.example\r\nmore", WebSiteUrlUnprintable, ""},
        {"www.caf\xE9.example", WebSiteUrlUnprintable, ""},
        {site, WebSiteUrlOk, site},
        {site + "a", WebSiteUrlTooLong, ""},
        {std::string(505, 'a'), WebSiteUrlOk, "http://" + std::string(505, 'a')},
        {std::string(506, 'a'), WebSiteUrlTooLong, ""},
        {std::string(1500, 'a'), WebSiteUrlTooLong, ""},
    };
    for (const Case &c : cases) {
        // A block exactly as long as the value: nothing past it is read.
        std::vector<char> value(c.value.begin(), c.value.end());
        value.push_back('\0');
        char url[kMaxWebSiteUrl + 1];
        EXPECT_EQ(WebSiteUrlFromRule(value.data(), url, sizeof url), c.result) << c.value.size();
        EXPECT_EQ(url, c.url) << c.value.size();
    }
    char url[kMaxWebSiteUrl + 1];
    EXPECT_EQ(WebSiteUrlFromHostName("q1.clan.example:27911", url, sizeof url), WebSiteUrlOk);
    EXPECT_STREQ(url, "http://www.clan.example");
    EXPECT_EQ(WebSiteUrlFromHostName("localhost", url, sizeof url), WebSiteUrlNoDot);
    EXPECT_EQ(WebSiteUrlFromHostName(("q1." + std::string(600, 'b') + ".example").c_str(), url, sizeof url),
              WebSiteUrlTooLong);
    // A buffer too small for the address is refused, not cut.
    char small[16];
    EXPECT_EQ(WebSiteUrlFromRule("www.clan.example", small, sizeof small), WebSiteUrlTooLong);
    EXPECT_STREQ(small, "");
}

// Dial-up does nothing (result 0) where its library or function is
// missing.
TEST(Version, DialUpWithoutItsLibraryOrFunctionDoesNothing)
{
    EXPECT_EQ(DialUpThrough("no-such-library.dll", "InternetAutodial"), 0);
    EXPECT_EQ(DialUpThrough("kernel32.dll", "InternetAutodial"), 0);
}

}  // namespace

namespace {

const Bytes Header = {'k', 'v', 0};

std::string Text(const Bytes &data) { return std::string(data.begin(), data.end()); }

class Web : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::string error;
        http = httpsim::Start(&error);
        ASSERT_NE(http, nullptr) << error;
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        httpsim::Stop(http);
    }
    void Serve(const std::string &path, const std::string &body, int status = 200)
    {
        httpsim::Response r;
        r.status = status;
        r.body = body;
        httpsim::Serve(http, path, r);
    }
    std::string Url(const std::string &path) { return httpsim::Url(http, path); }
    std::string Status() { return StatusText(Child(ID_STATUSBAR), 0); }
    httpsim::Server *http = nullptr;
};

// A download is written in text mode and takes the old file's place only
// when written whole; a name too long for a path is refused, never cut
// into the name of another file.
TEST_F(Web, SavedDownloadsReplaceTheFileOnlyWhenWrittenWhole)
{
    OpenMainWindow();
    shownMessages.clear();  // no list yet
    WriteFile("Server.txt", {'o', 'l', 'd'});
    const unsigned char body[] = "10.0.0.1\n";
    ASSERT_EQ(SaveDownload(main, "Server.txt", body, sizeof body - 1), 0);
    EXPECT_EQ(Text(ReadFile("Server.txt")), "10.0.0.1\r\n");  // text mode
    EXPECT_TRUE(shownMessages.empty());

    EXPECT_NE(SaveDownload(main, "no folder\\Server.txt", body, sizeof body - 1), 0);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].find("Cannot write"), 0u);

    // The whole path fits in MAX_PATH, "<path>.part" does not.
    size_t folder = FilePath("").size();
    std::string name(MAX_PATH - 3 - folder, 'n');
    shownMessages.clear();
    EXPECT_NE(SaveDownload(main, name.c_str(), body, sizeof body - 1), 0);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"The path of '" + name + "' is too long"});
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(FilePath("nnn*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(Web, VersionCheckFromTheMenuAndAtStartup)
{
    WriteSetting("VersionURL", Url("/version.txt").c_str());
    WriteSetting("SetupURL", "http://127.0.0.1:9/setup.exe");
    WriteFlag("DontCheckNewVersion", true);
    OpenMainWindow();
    const struct {
        const char *file;
        const char *message;
    } cases[] = {
        {"4.7.2\r\n", "No new version of Skovalt available."},
        {"4.6.9", "No new version of Skovalt available."},
        {"5", "Error while checking for new version info"},
        {"4.7.10", "Version 4.7.10 of Skovalt is available.\nWould you like to download it now ?"},
        {"4.8", "Version 4.8.0 of Skovalt is available.\nWould you like to download it now ?"},
    };
    auto check = [&] {
        SendMessageA(main, WM_COMMAND, CMD_CHECKVERSION, 0);
        EXPECT_TRUE(WaitUntil([] { return !WebFetchRunning(WebFetchVersion); }));
    };
    for (const auto &c : cases) {
        Serve("/version.txt", c.file);
        shownMessages.clear();
        messageAnswers = {IDNO};
        check();
        EXPECT_EQ(shownMessages, std::vector<std::string>{c.message}) << c.file;
    }
    EXPECT_TRUE(shellOpened.empty());
    Serve("/version.txt", "", 404);
    shownMessages.clear();
    check();
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Error while checking for new version info"});
    // Only the first 512 bytes count, however long the file.
    Serve("/version.txt", "4.7.2" + std::string(10 << 20, ' '));
    shownMessages.clear();
    check();
    EXPECT_EQ(shownMessages, std::vector<std::string>{"No new version of Skovalt available."});

    // Yes opens the setup URL and closes the program the ordinary way.
    Serve("/version.txt", "4.8");
    messageAnswers = {IDYES};
    SendMessageA(main, WM_COMMAND, CMD_CHECKVERSION, 0);
    EXPECT_TRUE(WaitUntil([&] { return !shellOpened.empty(); }));
    ASSERT_EQ(shellOpened.size(), 1u);
    EXPECT_EQ(shellOpened[0].target, "http://127.0.0.1:9/setup.exe");
    EXPECT_EQ(Status(), "Cleaning up...");  // the ordinary exit
    DestroyWindow(main);
    Pump();

    // At start-up the start-up action runs at once, beside the check: a
    // version server that never answers delays nothing. A newer version
    // is offered when the answer comes; Yes stops the refresh and closes.
    WriteFlag("DontCheckNewVersion", false);
    WriteSetting("Startup", "S");
    WriteFile("Server.dat", Concat({Header, ServerRecord({127, 0, 0, 1}, 9, 0xFFFF, 0, "", "", "")}));
    httpsim::Response silent;
    silent.hangBeforeAnswer = true;
    httpsim::Serve(http, "/silent.txt", silent);
    WriteSetting("VersionURL", Url("/silent.txt").c_str());
    shownMessages.clear();
    appData->timeout = 2;
    DWORD start = GetTickCount();
    OpenMainWindow();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(RefreshRunning());
    EXPECT_TRUE(WebFetchRunning(WebFetchStartupVersion));
    EXPECT_TRUE(shownMessages.empty());
    RequestRefreshStop();
    EXPECT_TRUE(WaitUntil([] { return !RefreshRunning(); }));
    DestroyWindow(main);  // the check still waits: it is cancelled
    Pump();
    EXPECT_FALSE(WebFetchRunning(WebFetchStartupVersion));

    WriteSetting("VersionURL", Url("/version.txt").c_str());
    for (int answer : {IDNO, IDYES}) {
        shownMessages.clear();
        shellOpened.clear();
        messageAnswers = {answer};
        appData->timeout = 2;
        OpenMainWindow();
        EXPECT_TRUE(WaitUntil([] { return !WebFetchRunning(WebFetchStartupVersion); }));
        EXPECT_EQ(shownMessages.size(), 1u);
        EXPECT_EQ(shellOpened.size(), answer == IDYES ? 1u : 0u);
        // Yes: the refresh was stopped and the program closed.
        EXPECT_EQ(RefreshRunning(), answer == IDNO);
        EXPECT_EQ(Status() == "Cleaning up...", answer == IDYES);
        RequestRefreshStop();
        EXPECT_TRUE(WaitUntil([] { return !RefreshRunning(); }));
        DestroyWindow(main);
        Pump();
    }
}

char *NoReverseName(tagQServer *) { return nullptr; }

TEST_F(Web, WebSiteOfAServerAndTheHomepage)
{
    // Servers with web rules are refreshed from simulated servers (the
    // last three with rules no address can come from); the last two rows
    // have no rules, only host names.
    std::vector<q2sim::ServerConfig> configs;
    for (auto rule : std::vector<std::pair<std::string, std::string>>{{"www", "www.clan.example/q2"},
                                                                      {"url", "HTTP://Site.example"},
                                                                      {"web", "ftp://files.example"},
                                                                      {"www", "www." + std::string(1500, 'a')},
                                                                      {"www", "http:/"},
                                                                      {"website", "www.a\x01.example"}}) {
        q2sim::ServerConfig c;
        c.rules = {{"hostname", "x"}, {"maxclients", "8"}, rule};
        configs.push_back(c);
    }
    std::string error;
    q2sim::Simulator *sim = q2sim::Start(configs, 0, &error);
    ASSERT_NE(sim, nullptr) << error;
    Bytes list = Header;
    for (size_t i = 0; i < configs.size(); ++i)
        list = Concat({list, ServerRecord({127, 0, 0, 1}, q2sim::Port(sim, i), 0xFFFF, 0, "", "", "")});
    list = Concat({list, ServerRecord({10, 0, 0, 1}, 27911, 50, 0, "q1.clan.example:27911", "Named", "dm"),
                   ServerRecord({127, 0, 0, 1}, 1, 50, 0, "", "Nameless", "dm")});
    WriteFile("Server.dat", list);
    WriteSetting("HomepageURL", "http://127.0.0.1:9/home/");
    OpenMainWindow();
    appData->timeout = 1;
    appData->flags |= FlagNoHostNames;
    HWND servers = Child(ID_SERVERLIST);
    SelectRow(servers, 0);
    for (int row = 1; row < static_cast<int>(configs.size()); ++row)
        ListView_SetItemState(servers, row, LVIS_SELECTED, LVIS_SELECTED);
    PressKey(VK_F5);
    while (RefreshRunning()) {
        Pump();
        Sleep(5);
    }
    q2sim::Stop(sim);

    const struct {
        int row;
        const char *url;
    } opened[] = {{0, "http://www.clan.example/q2"},
                  {1, "HTTP://Site.example"},
                  {2, "http://ftp://files.example"},
                  {6, "http://www.clan.example"}};
    for (const auto &o : opened) {
        shellOpened.clear();
        SelectRow(servers, o.row);
        PressKey('W', Ctrl);
        ASSERT_EQ(shellOpened.size(), 1u) << o.row;
        EXPECT_EQ(shellOpened[0].target, o.url);
        EXPECT_EQ(shellOpened[0].showCommand, SW_SHOWMAXIMIZED);
        EXPECT_EQ(Status(), std::string("Browsing ") + (o.url + 7));
    }
    // A 1,507-character address would crash Wine's shell; "http:/" names
    // nothing (and ends before the text the status line shows); a control
    // byte has no place in an address. Each is refused with a reason.
    const struct {
        int row;
        const char *message;
    } refused[] = {
        {3, "The web site address of this server is not opened: it is longer than 512 characters."},
        {4, "The web site address of this server is not opened: it names no site."},
        {5, "The web site address of this server is not opened: it holds characters that are not printable."}};
    for (const auto &r : refused) {
        shellOpened.clear();
        shownMessages.clear();
        SelectRow(servers, r.row);
        PressKey('W', Ctrl);
        EXPECT_TRUE(shellOpened.empty()) << r.row;
        EXPECT_EQ(shownMessages, std::vector<std::string>{r.message}) << r.row;
    }
    // No host name, and look-ups are off: asked first; No ends it. Yes
    // looks the name up, and a failed look-up says so.
    shellOpened.clear();
    SelectRow(servers, 7);
    messageAnswers = {IDNO};
    PressKey('W', Ctrl);
    EXPECT_EQ(shownMessages.back(), "No hostname available.\nDo want to look up the hostname ?");
    EXPECT_TRUE(shellOpened.empty());
    SetHostNameLookupForTests(NoReverseName);
    shownMessages.clear();
    messageAnswers = {IDYES};
    PressKey('W', Ctrl);
    SetHostNameLookupForTests(nullptr);
    EXPECT_EQ(shownMessages,
              (std::vector<std::string>{"No hostname available.\nDo want to look up the hostname ?",
                                        "Skovalt is unable to lookup the hostname. The server does not have a DNS "
                                        "name or some error occured."}));
    EXPECT_TRUE(shellOpened.empty());

    SendMessageA(main, WM_COMMAND, CMD_HOMEPAGE, 0);
    ASSERT_EQ(shellOpened.size(), 1u);
    EXPECT_EQ(shellOpened[0].target, "http://127.0.0.1:9/home/");
}

}  // namespace
