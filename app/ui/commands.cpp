// The command dispatcher: menu entries, accelerators and toolbar buttons
// share their identifiers. Commands of modules not linked in yet (search,
// editing, details, launch, web, preferences, about, messenger) are
// ignored, as every unknown identifier is.
#include <windows.h>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "serverlist/serverfile.h"
#include "settings/appdata.h"
#include "ui/helpers.h"
#include "ui/listview.h"
#include "ui/mainwindow.h"

namespace {

void OnCmdLaunch(HWND mainWindow)
{
    if (appData->refreshThread) {
        if (ReportMessage(mainWindow, MB_YESNO | MB_ICONINFORMATION,
                          "Can't start Quake2 while refreshing.\nStop refreshing ?") == IDYES)
            SendMessageA(mainWindow, WM_COMMAND, CMD_STOP, 0);
        return;
    }
}

}  // namespace

void DispatchCommand(HWND mainWindow, int command)
{
    switch (command) {
    case CMD_SAVELIST:
        SaveServers(mainWindow);
        break;
    case CMD_EXIT:
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
        break;
    case CMD_LAUNCH:
        OnCmdLaunch(mainWindow);
        break;
    case CMD_STOP:
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
    default:
        break;
    }
}
