// Command rules and the command dispatcher.
#include "ui/commands.h"

#include <commctrl.h>
#include <stdio.h>

#include "base/report.h"
#include "net/web.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/aboutbox.h"
#include "ui/detailsdialog.h"
#include "ui/displaylist.h"
#include "ui/rows.h"
#include "ui/launchgame.h"
#include "ui/listedit.h"
#include "ui/masterimport.h"
#include "ui/playersearch.h"
#include "ui/preferences.h"
#include "ui/refreshview.h"
#include "ui/ulodialogs.h"
#include "ui/webcommands.h"
#include "ui/toolbar.h"

namespace {

// A refresh may start: none runs, and no launch waits for the messenger to
// close (the game would start while the refresh runs).
bool RefreshMayStart(const CommandFacts &f)
{
    return !f.refreshing && !f.launching;
}

// The table entry of the focused selected row of the active list, or null.
ServerSlot *SelectedSlot(HWND mainWindow)
{
    LPARAM param;
    if (!appData || !SelectedRowParam(mainWindow, &param))
        return nullptr;
    return SlotAt(&appData->table, RowSlotIndex(param));
}

void OnCmdLaunch(HWND mainWindow)
{
    if (RefreshRunning()) {
        if (ReportMessage(mainWindow, MB_YESNO | MB_ICONINFORMATION,
                          "Can't start Quake2 while refreshing.\nStop refreshing ?") == IDYES)
            SendMessageA(mainWindow, WM_COMMAND, CMD_STOP, 0);
        return;
    }
    tagQServer *server = SelectedServer(mainWindow);
    if (!server)
        return;
    char address[128];
    KvServerGetHostIPString(server, address, sizeof address);
    // The launch may run message loops (the preferences sheet) while it
    // still needs the game name: it gets a copy, not the record's text.
    const char *gameName = KvServerGetGameName(server);
    char game[64];
    snprintf(game, sizeof game, "%s", gameName ? gameName : "");
    LaunchGame(mainWindow, address, gameName ? game : nullptr);
}

}  // namespace

CommandFacts CurrentCommandFacts(HWND mainWindow)
{
    CommandFacts facts = {};
    facts.refreshing = RefreshRunning();
    facts.launching = LaunchUnderWay();
    facts.reloading = MasterReloadRunning();
    HWND players = GetDlgItem(mainWindow, ID_PLAYERLIST);
    facts.playersActive = players && ActiveList(mainWindow) == players;
    ServerSlot *slot = SelectedSlot(mainWindow);
    facts.serverSelected = slot && slot->server;
    facts.favourite = slot && (slot->flags & SlotFavorite);
    facts.clipboardText = IsClipboardFormatAvailable(CF_TEXT) != 0;
    if (appData) {
        facts.messenger = appData->uloVersion != 0;
        facts.favoritesOnly = (appData->flags & FlagFavoritesOnly) != 0;
        facts.gameFilter = appData->gameFilter != nullptr;
    }
    return facts;
}

bool CommandEnabled(int command, const CommandFacts &f, CommandSurface surface)
{
    // A reload from the master greys what a refresh greys, on the toolbar
    // too: there Refresh would stop a refresh, and none runs.
    if (f.reloading && command != CMD_STOP) {
        CommandFacts refreshing = f;
        refreshing.refreshing = true;
        refreshing.reloading = false;
        return CommandEnabled(command, refreshing, MenuEntry);
    }
    switch (command) {
    case CMD_REFRESH:
        return f.refreshing ? surface == ToolbarButton : !f.launching;
    case CMD_REFRESHSELECTED:
        return !f.launching;
    case CMD_STOP:
        return f.refreshing || f.reloading;
    case CMD_LAUNCH:
        return f.serverSelected && !f.refreshing;
    case CMD_DELETE:
    case CMD_MOVETOTOP:
        return !f.playersActive && !f.refreshing;
    case CMD_SERVERDETAILS:
    case CMD_NEXTSAMEGAME:
    case CMD_PREVSAMEGAME:
        return f.serverSelected;
    case CMD_COPY:
        return !f.playersActive;
    case CMD_PASTE:
        return f.clipboardText && RefreshMayStart(f);
    case CMD_RELOADMASTER:
    case CMD_SAVELIST:
    case CMD_FINDPLAYER:
    case CMD_ADDSERVER:
        return RefreshMayStart(f);
    case CMD_THISGAMEONLY:
    case CMD_SHOWALLGAMES:
    case CMD_FAVORITESONLY:
        return !f.refreshing;
    case CMD_SENDSERVERINFO:
        return f.serverSelected && f.messenger;
    default:
        return true;
    }
}

bool CommandChecked(int command, const CommandFacts &f, CommandSurface surface)
{
    switch (command) {
    case CMD_REFRESH:
        return f.refreshing && surface == ToolbarButton;
    case CMD_FAVORITESONLY:
        return f.favoritesOnly;
    case CMD_FAVORITE:
        return f.favourite;
    case CMD_SHOWALLGAMES:
        return !f.gameFilter;
    default:
        return false;
    }
}

bool CommandAccepted(int command, const CommandFacts &facts)
{
    if (facts.reloading)
        return CommandEnabled(command, facts);
    switch (command) {
    case CMD_REFRESH:
    case CMD_REFRESHSELECTED:
        return facts.refreshing || CommandEnabled(command, facts);
    case CMD_LAUNCH:
    case CMD_STOP:
        return true;
    default:
        return CommandEnabled(command, facts);
    }
}

void UpdateCommandStates(HWND mainWindow, bool refreshEnding)
{
    HWND toolbar = GetDlgItem(mainWindow, ID_TOOLBAR);
    if (!toolbar)
        return;
    CommandFacts facts = CurrentCommandFacts(mainWindow);
    if (refreshEnding)
        facts.refreshing = false;
    for (int i = 0; int command = ToolbarCommand(i); ++i) {
        ToolbarEnable(toolbar, command, CommandEnabled(command, facts, ToolbarButton));
        ToolbarCheck(toolbar, command, CommandChecked(command, facts, ToolbarButton));
    }
}

void DispatchCommand(HWND mainWindow, int command)
{
    if (!CommandAccepted(command, CurrentCommandFacts(mainWindow)))
        return;
    switch (command) {
    case CMD_SAVELIST:
        SaveServerList(mainWindow);
        break;
    case CMD_RELOADMASTER:
        OnCmdReloadMaster(mainWindow);
        break;
    case CMD_CHECKVERSION:
        OnCmdCheckVersion(mainWindow);
        break;
    case CMD_ADDSERVER:
        OnCmdAddServer(mainWindow);
        break;
    case CMD_DELETE:
        OnCmdDelete(mainWindow);
        break;
    case CMD_PASTE:
        OnCmdPaste(mainWindow);
        break;
    case CMD_COPY:
        OnCmdCopy(mainWindow);
        break;
    case CMD_MOVETOTOP:
        OnCmdMoveToTop(mainWindow);
        break;
    case CMD_SELECTALL:
        OnCmdSelectAll(mainWindow);
        break;
    case CMD_FAVORITE:
        OnCmdFavorite(mainWindow);
        break;
    case CMD_FINDSERVER:
        OnCmdFindServer(mainWindow);
        break;
    case CMD_FINDNEXT:
        OnCmdFindNext(mainWindow);
        break;
    case CMD_NEXTSAMEGAME:
        OnCmdSameGame(mainWindow, true);
        break;
    case CMD_PREVSAMEGAME:
        OnCmdSameGame(mainWindow, false);
        break;
    case CMD_GOTOWEBSITE:
        OnCmdGotoWebSite(mainWindow);
        break;
    case CMD_HOMEPAGE:
        OnCmdHomepage(mainWindow);
        break;
    case CMD_EXIT:
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
        break;
    case CMD_LAUNCH:
        OnCmdLaunch(mainWindow);
        break;
    case CMD_STOP:
        CancelWebFetches();
        OnCmdStop(mainWindow);
        break;
    case CMD_REFRESH:
        OnCmdRefresh(mainWindow);
        break;
    case CMD_REFRESHSELECTED:
        OnCmdRefreshSelected(mainWindow);
        break;
    case CMD_FAVORITESONLY:
        OnCmdFavoritesOnly(mainWindow);
        break;
    case CMD_THISGAMEONLY:
        OnCmdThisGameOnly(mainWindow);
        break;
    case CMD_SHOWALLGAMES:
        OnCmdShowAllGames(mainWindow);
        break;
    case CMD_PREFERENCES:
        ShowPreferences(mainWindow, PageGeneral);
        break;
    case CMD_ABOUT:
        ShowAboutBox(mainWindow);
        break;
    case CMD_SENDSERVERINFO:
        OnCmdSendServerInfo(mainWindow);
        break;
    case CMD_FINDPLAYER:
        OnCmdFindPlayer(mainWindow);
        break;
    case CMD_SERVERDETAILS:
        OnCmdServerDetails(mainWindow);
        break;
    default:
        break;
    }
    if (IsWindow(mainWindow))
        UpdateCommandStates(mainWindow);
}
