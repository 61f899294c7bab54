// The fixture of the refresh tests: the real main window with a server
// list of simulated servers on 127.0.0.1.
#ifndef SKOVALT_TESTS_REFRESH_FIXTURE_H
#define SKOVALT_TESTS_REFRESH_FIXTURE_H

#include "window_support.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "q2sim.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/rows.h"
#include "ui/statusbar.h"

namespace {

const Bytes Header = {'k', 'v', 0};

q2sim::ServerConfig Server(const std::string &name, int players, int maxClients, int delayMs = 0,
                           q2sim::Mode mode = q2sim::Mode::Reply)
{
    q2sim::ServerConfig c;
    c.rules = {{"hostname", name}, {"mapname", "q2dm1"}, {"maxclients", std::to_string(maxClients)}};
    for (int i = 0; i < players; ++i)
        c.players.push_back({10 - i, 30 + i, name + "-player" + std::to_string(i)});
    c.delayMs = delayMs;
    c.mode = mode;
    return c;
}

q2sim::ServerConfig Silent() { return Server("silent", 0, 8, 0, q2sim::Mode::Silent); }

class Refresh : public MainWindowTest {
protected:
    void TearDown() override
    {
        if (RefreshRunning()) {
            RequestRefreshStop();
            WaitForRefreshEnd();
        }
        MainWindowTest::TearDown();
        q2sim::Stop(sim);
    }

    // Serves the servers, lists them in Server.dat (with no names, so every
    // name a row shows comes from a refresh) and opens the main window.
    void Open(const std::vector<q2sim::ServerConfig> &servers, int extraClosedPorts = 0)
    {
        std::string error;
        sim = q2sim::Start(servers, 0, &error);
        ASSERT_NE(sim, nullptr) << error;
        Bytes list = Header;
        for (size_t i = 0; i < servers.size(); ++i)
            list = Concat({list, ServerRecord({127, 0, 0, 1}, q2sim::Port(sim, i), 0xFFFF, 0, "", "", "")});
        for (int i = 0; i < extraClosedPorts; ++i) {
            q2sim::Simulator *gone = q2sim::Start({Server("gone", 0, 8)});
            ASSERT_NE(gone, nullptr);
            closedPorts.push_back(q2sim::Port(gone, 0));
            q2sim::Stop(gone);
            list = Concat({list, ServerRecord({127, 0, 0, 1}, closedPorts.back(), 0xFFFF, 0, "", "", "")});
        }
        WriteFile("Server.dat", list);
        OpenMainWindow();
        appData->timeout = 1;
        appData->flags |= FlagNoHostNames;
        servers_ = Child(ID_SERVERLIST);
        ASSERT_EQ(Rows(), static_cast<int>(servers.size()) + extraClosedPorts);
    }

    bool WaitForRefreshEnd(DWORD timeoutMs = 60000)
    {
        return WaitUntil([] { return !RefreshRunning(); }, timeoutMs);
    }
    void Command(int id) { SendMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void RefreshAll()
    {
        Command(CMD_REFRESH);
        ASSERT_TRUE(WaitForRefreshEnd());
    }

    int Rows() const { return static_cast<int>(SendMessageA(servers_, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column, HWND list = nullptr) const
    {
        return CellText(list ? list : servers_, row, column);
    }
    // The row showing simulated server index.
    int RowOf(size_t index) const
    {
        for (int row = 0; row < Rows(); ++row) {
            tagQServer *s = RowServer(RowParam(row));
            if (s && KvServerGetHostPort(s) == q2sim::Port(sim, index))
                return row;
        }
        return -1;
    }
    LPARAM RowParam(int row) const
    {
        LPARAM param = 0;
        ::RowParam(servers_, row, &param);
        return param;
    }
    void Select(std::initializer_list<int> rows)
    {
        ListView_SetItemState(servers_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int row : rows)
            ListView_SetItemState(servers_, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    std::string Progress() const
    {
        char text[1000];
        CopyProgressText(text, sizeof text);
        return text;
    }
    bool ButtonChecked(int id) const
    {
        return SendMessageA(Child(ID_TOOLBAR), TB_ISBUTTONCHECKED, static_cast<WPARAM>(id), 0) != 0;
    }
    bool ButtonEnabled(int id) const
    {
        return SendMessageA(Child(ID_TOOLBAR), TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
    }
    int Queries(size_t index) const { return q2sim::QueryCount(sim, index); }

    q2sim::Simulator *sim = nullptr;
    HWND servers_ = nullptr;
    std::vector<uint16_t> closedPorts;
};

}  // namespace

#endif
