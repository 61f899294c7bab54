// Editing the list by hand, through the keys and dialogs a user uses:
// Add, Paste (queried against simulated servers on 127.0.0.1), Copy,
// Delete, Move to top, Favourite, Find and same game.
#include "window_support.h"

#include <commctrl.h>
#include <string.h>

#include <string>
#include <vector>

#include "q2sim.h"
#include "refresh/refresh.h"
#include "serverlist/serverfile.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/rows.h"
#include "ui/listedit.h"
#include "ui/refreshview.h"
#include "ui/statusbar.h"

namespace {

const Bytes Header = {'k', 'v', 0};

q2sim::ServerConfig Named(const std::string &name, const std::string &game = "")
{
    q2sim::ServerConfig c;
    c.rules = {{"hostname", name}, {"mapname", "q2dm1"}, {"maxclients", "8"}};
    if (!game.empty())
        c.rules.push_back({"gamename", game});
    return c;
}

// Takes the clipboard away from Copy between its opening and its data.
LRESULT CALLBACK CloseClipboardOnCopying(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *message = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && message->message == SB_SETTEXTA && message->lParam &&
        strcmp(reinterpret_cast<const char *>(message->lParam), "Copying server(s) to clipboard") == 0)
        CloseClipboard();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class ListEdit : public MainWindowTest {
protected:
    void TearDown() override
    {
        WaitForRefreshEnd();
        MainWindowTest::TearDown();
        q2sim::Stop(sim);
    }
    void Open(const Bytes &list = Header)
    {
        WriteFile("Server.dat", list);
        OpenMainWindow();
        appData->timeout = 1;
        appData->flags |= FlagNoHostNames;
        servers = Child(ID_SERVERLIST);
        SetFocus(servers);
    }
    void Serve(const std::vector<q2sim::ServerConfig> &configs)
    {
        std::string error;
        sim = q2sim::Start(configs, 0, &error);
        ASSERT_NE(sim, nullptr) << error;
    }
    std::string Address(size_t index) { return "127.0.0.1:" + std::to_string(q2sim::Port(sim, index)); }
    void WaitForRefreshEnd()
    {
        while (RefreshRunning()) {
            Pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        Pump();
    }
    int Rows() { return static_cast<int>(SendMessageA(servers, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Status(int part = 0) { return StatusText(Child(ID_STATUSBAR), part); }
    // The Add server dialog filled in and confirmed.
    void AddServer(const std::string &name, const std::string &port)
    {
        FillNextDialog([=](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_ADD_NAME, name.c_str());
            SetDlgItemTextA(dialog, IDC_ADD_PORT, port.c_str());
            size_t messages = shownMessages.size();
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            if (shownMessages.size() > messages)  // refused: the dialog stays, cancel it
                SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        PressKey(VK_INSERT);
    }
    // The Delta.dat records as "+port" / "-port".
    std::vector<std::string> Journal()
    {
        std::vector<std::string> records;
        Bytes data = ReadFile("Delta.dat");
        for (size_t at = 3; at + 12 <= data.size(); at += 12)
            records.push_back(std::string(1, static_cast<char>(data[at])) +
                              std::to_string(data[at + 8] | data[at + 9] << 8));
        return records;
    }

    q2sim::Simulator *sim = nullptr;
    HWND servers = nullptr;
};

TEST_F(ListEdit, AddServerQueriesItRefusesDuplicatesAndLongTexts)
{
    Serve({Named("Added")});
    Open();
    std::string port = std::to_string(q2sim::Port(sim, 0));
    AddServer("127.0.0.1", port);
    EXPECT_TRUE(RefreshRunning() || Status() == Address(0) + " added to list");
    WaitForRefreshEnd();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(CellText(servers, 0, 0), "Added");  // queried
    EXPECT_EQ(Status(), Address(0) + " added to list");
    EXPECT_EQ(Status(3), "1 servers");
    EXPECT_EQ(Journal(), std::vector<std::string>{"+" + port});
    EXPECT_NE(appData->flags & FlagModified, 0u);
    tagQServer *added = RowServer(RowParams(servers)[0]);
    EXPECT_STREQ(KvServerGetHostName(added), Address(0).c_str());

    // The same address and port again: the row is selected, nothing added.
    AddServer("127.0.0.1", port);
    EXPECT_EQ(shownMessages.back(), "Server '" + Address(0) + "' is already in list.");
    EXPECT_EQ(Rows(), 1);
    // Port 27910 leaves the text as typed.
    AddServer("127.0.0.2", "27910");
    WaitForRefreshEnd();
    EXPECT_EQ(Rows(), 2);
    EXPECT_STREQ(KvServerGetHostName(RowServer(RowParams(servers)[0])), "127.0.0.2");
    // No name, and a name and port too long for a host name.
    AddServer("", "27910");
    EXPECT_EQ(shownMessages.back(), "Could not resolve name ");
    AddServer(std::string(255, 'a'), "27912");
    EXPECT_EQ(shownMessages.back().find("The name and port are too long"), 0u);
    // An empty or zero port is refused alike for addresses and names; a
    // short form is no address.
    const char *portRule = "': a port is a number from 1 to 65535.";
    const std::vector<std::vector<std::string>> refused = {
        {"127.0.0.1", "", "Invalid port in '127.0.0.1:" + std::string(portRule)},
        {"localhost", "", "Invalid port in 'localhost:" + std::string(portRule)},
        {"localhost:0", "27910", "Invalid port in 'localhost:0" + std::string(portRule)},
        {"1", "27910", "Could not resolve name 1"},
        {"no-such-host.invalid", "27910", "Could not resolve name no-such-host.invalid"},
    };
    for (const auto &c : refused) {
        AddServer(c[0], c[1]);
        EXPECT_EQ(shownMessages.back(), c[2]);
    }
    EXPECT_EQ(Rows(), 2);
}

TEST_F(ListEdit, AnAddedServerIsSaidWhenItsQueryStopsOrCannotStart)
{
    q2sim::ServerConfig slow = Named("Slow");
    slow.delayMs = 5000;
    Serve({slow});
    Open();
    AddServer("127.0.0.1", std::to_string(q2sim::Port(sim, 0)));
    ASSERT_TRUE(RefreshRunning());
    PressKey(VK_ESCAPE);
    WaitForRefreshEnd();
    EXPECT_EQ(Status(), Address(0) + " added to list (query aborted)");

    // A refresh that begins while the dialog is open.
    FillNextDialog([this](HWND dialog) {
        StartRefresh(main, 0);
        SetDlgItemTextA(dialog, IDC_ADD_NAME, "127.0.0.3");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    PressKey(VK_INSERT);
    EXPECT_EQ(shownMessages.back(), "127.0.0.3 added to list, but not queried while a refresh runs.");
    EXPECT_EQ(Rows(), 2);
}

TEST_F(ListEdit, PasteTakesEveryFormOnceAndQueriesThemTogether)
{
    Serve({Named("P0"), Named("P1"), Named("P2"), Named("P3")});
    Open();
    // The Copy format with and without a name, ", ", an address with blanks
    // and a port, a ':' without digits (no server), then a line without '.'.
    SetClipboardText(Address(0) + ",Old name\r\n" + Address(1) + ",\r\n" + Address(2) + ", x\r\n127.0.0.1   " +
                     std::to_string(q2sim::Port(sim, 3)) + " free\r\n127.0.0.1:\r\nend\r\n" + Address(0));
    PressKey('V', Ctrl);
    EXPECT_EQ(Rows(), 4);
    WaitForRefreshEnd();
    EXPECT_EQ(Status(), "4 server(s) added to list, 1 skipped (unknown host or bad port)");
    std::vector<std::string> names;
    for (int row = 0; row < Rows(); ++row)
        names.push_back(CellText(servers, row, 0));
    EXPECT_EQ(names, (std::vector<std::string>{"P3", "P2", "P1", "P0"}));  // each at the top
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(q2sim::QueryCount(sim, i), 1) << i;

    // The same text again adds nothing.
    PressKey('V', Ctrl);
    WaitForRefreshEnd();
    EXPECT_EQ(Status(), "0 server(s) added to list, 1 skipped (unknown host or bad port)");
    EXPECT_EQ(Rows(), 4);
    // Lines ending in LF alone are one line: only its first host counts.
    SetClipboardText("127.0.0.5\n127.0.0.6\n");
    PressKey('V', Ctrl);
    WaitForRefreshEnd();
    EXPECT_EQ(Rows(), 5);

    // No text on the clipboard: nothing happens.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    std::string status = Status();
    PressKey('V', Ctrl);
    OnCmdPaste(main);
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(Rows(), 5);
}

TEST_F(ListEdit, PasteOnAFullDiskLeavesTheJournalWholeAndSaysSo)
{
    Serve({Named("P0"), Named("P1"), Named("P2")});
    Open();
    const std::string cannot =
        "Cannot write 'Delta.dat'.\nThe server(s) just added will not be kept by 'Reload from master'.";
    // No journal yet and no room at all: no empty file is left behind.
    SetClipboardText(Address(0) + "\r\n");
    {
        FullDisk full;
        PressKey('V', Ctrl);
    }
    WaitForRefreshEnd();
    EXPECT_EQ(shownMessages, std::vector<std::string>{cannot});
    EXPECT_FALSE(Exists("Delta.dat"));
    EXPECT_EQ(Rows(), 1);  // the list itself has the server

    // A journal with one record; room for part of the next two only.
    tagKvHOST first = {Ip("10.9.9.9"), 27910};
    ASSERT_EQ(AppendDelta(&first, '+'), 0);
    Bytes journal = ReadFile("Delta.dat");
    shownMessages.clear();
    SetClipboardText(Address(1) + "\r\n" + Address(2) + "\r\n");
    {
        FullDisk full(17);
        PressKey('V', Ctrl);
    }
    WaitForRefreshEnd();
    EXPECT_EQ(shownMessages, std::vector<std::string>{cannot});
    EXPECT_EQ(ReadFile("Delta.dat"), journal);

    // With room again the journal goes on after its last whole record.
    SelectRow(servers, 0);
    messageAnswers = {IDYES};
    PressKey(VK_DELETE);
    EXPECT_EQ(Journal(), (std::vector<std::string>{"+27910", "-" + std::to_string(q2sim::Port(sim, 2))}));
}

TEST_F(ListEdit, CopyDeleteMoveFavouriteFindAndSameGame)
{
    Bytes list = Header;
    const char *games[] = {"ctf", "dm", "ctf", "dm", "ra", "ctf", "dm", "ra", "dm", "ctf"};
    for (int i = 0; i < 10; ++i) {
        std::string name = i == 1 ? "" : "Server " + std::to_string(i);
        list = Concat({list, ServerRecord({10, 0, 0, static_cast<unsigned char>(i + 1)},
                                          static_cast<uint16_t>(i == 2 ? 27911 : 27910), 50,
                                          i == 3 ? SlotFavorite : 0, i == 4 ? "q4.clan.example" : "",
                                          name.c_str(), games[i])});
    }
    Open(list);

    // Copy: address (port only when not 27910), comma, name.
    SelectRow(servers, 0);
    ListView_SetItemState(servers, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(servers, 2, LVIS_SELECTED, LVIS_SELECTED);
    PressKey('C', Ctrl);
    EXPECT_EQ(ClipboardText(), "10.0.0.1,Server 0\r\n10.0.0.2,\r\n10.0.0.3:27911,Server 2\r\n");
    EXPECT_EQ(Status(), "3 server(s) copied to clipboard.");
    // The clipboard held by another window, or taken away before the data.
    ASSERT_TRUE(OpenClipboard(Child(ID_PLAYERLIST)));
    PressKey('C', Ctrl);
    CloseClipboard();
    EXPECT_EQ(shownMessages.back(), "Cannot open clipboard.");
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CloseClipboardOnCopying, nullptr, GetCurrentThreadId());
    PressKey('C', Ctrl);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(shownMessages.back(), "Clipboard error.");

    // Favourite: a mixed selection asks; Cancel changes nothing, Yes marks.
    ListView_SetItemState(servers, 3, LVIS_SELECTED, LVIS_SELECTED);
    messageAnswers = {IDCANCEL};
    PressKey(VK_F4);
    EXPECT_EQ(shownMessages.back().find("The selection contains both favorites"), 0u);
    EXPECT_EQ(SlotAt(&appData->table, 0)->flags & SlotFavorite, 0);
    messageAnswers = {IDYES};
    PressKey(VK_F4);
    EXPECT_EQ(Status(), "4 server(s) marked as favorite");
    shownMessages.clear();
    PressKey(VK_F4);  // favourites only: cleared without a question
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(Status(), "4 server(s) de-marked as favorite");

    // Move to top of rows 5 and 9.
    SelectRow(servers, 5);
    ListView_SetItemState(servers, 9, LVIS_SELECTED, LVIS_SELECTED);
    PressKey(VK_UP, Ctrl);
    std::vector<LPARAM> order = RowParams(servers);
    EXPECT_EQ(order, (std::vector<LPARAM>{5, 9, 0, 1, 2, 3, 4, 6, 7, 8}));
    EXPECT_EQ(Status(), "2 server(s) moved to top");

    // Same game from row 2 (server 0, ctf): forward to server 2, back again.
    SelectRow(servers, 2);
    PressKey(VK_DOWN, Shift);
    EXPECT_EQ(ListView_GetNextItem(servers, -1, LVNI_SELECTED), 4);
    PressKey(VK_UP, Shift);
    EXPECT_EQ(ListView_GetNextItem(servers, -1, LVNI_SELECTED), 2);
    SelectRow(servers, 9);  // server 8, dm: no dm below
    PressKey(VK_DOWN, Shift);
    EXPECT_EQ(shownMessages.back(), "Server not found.");

    // Find: a host name fragment, then no wrap past the last row.
    FillNextDialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_PROMPT_EDIT, "CLAN");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    SelectRow(servers, 0);
    PressKey('F', Ctrl);
    EXPECT_EQ(Setting("LastFind"), "CLAN");
    EXPECT_EQ(ListView_GetNextItem(servers, -1, LVNI_SELECTED), 6);  // server 4
    PressKey(VK_F3);
    EXPECT_EQ(shownMessages.back(), "Host 'CLAN' not found.");
    // An empty text finds the next server that has a host name.
    FillNextDialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_PROMPT_EDIT, "");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    SelectRow(servers, 0);
    PressKey('F', Ctrl);
    EXPECT_EQ(ListView_GetNextItem(servers, -1, LVNI_SELECTED), 6);

    // Delete three rows: asked, journaled, counted.
    SelectRow(servers, 0);
    ListView_SetItemState(servers, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(servers, 2, LVIS_SELECTED, LVIS_SELECTED);
    messageAnswers = {IDYES};
    PressKey(VK_DELETE);
    EXPECT_EQ(shownMessages.back(), "Delete selected server(s) from list ?");
    EXPECT_EQ(Status(), "3 server(s) deleted from list");
    EXPECT_EQ(Status(3), "7 servers");
    EXPECT_EQ(Journal(), (std::vector<std::string>{"-27910", "-27910", "-27910"}));
    EXPECT_NE(SlotAt(&appData->table, 5)->flags & SlotDeleted, 0);

    // Select all, and the list is saved without the deleted servers.
    PressKey('A', Ctrl);
    EXPECT_EQ(SendMessageA(servers, LVM_GETSELECTEDCOUNT, 0, 0), 7);
    PressKey('S', Ctrl);
    EXPECT_EQ(Status(), "7 servers written");
}

}  // namespace
