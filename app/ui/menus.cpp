// Menu entry states and the help texts of highlighted entries.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/helpers.h"
#include "ui/mainwindow.h"

namespace {

void Gray(HMENU menu, int command, bool grayed)
{
    EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (grayed ? MF_GRAYED : MF_ENABLED));
}

void Check(HMENU menu, int command, bool checked)
{
    CheckMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// The slot of the focused selected row of the active list, or null.
ServerSlot *SelectedSlot(HWND mainWindow, bool playersActive)
{
    HWND list = GetDlgItem(mainWindow, playersActive ? ID_PLAYERLIST : ID_SERVERLIST);
    LPARAM param;
    if (!list || !RowParam(list, ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED), &param))
        return nullptr;
    return SlotAt(&appData->table, static_cast<long>(param & 0xFFFFFF));
}

}  // namespace

void UpdateMenuStates(HWND mainWindow, HMENU menu)
{
    bool busy = RefreshRunning();
    HWND players = GetDlgItem(mainWindow, ID_PLAYERLIST);
    bool playersActive = players && GetFocus() == players;
    ServerSlot *slot = SelectedSlot(mainWindow, playersActive);
    bool selected = slot && slot->server;
    bool clipboardText = IsClipboardFormatAvailable(CF_TEXT) != 0;

    Gray(menu, CMD_STOP, appData->refreshThread == 0);
    Gray(menu, CMD_LAUNCH, !selected || busy);
    Gray(menu, CMD_DELETE, playersActive || busy);
    Gray(menu, CMD_SERVERDETAILS, !selected);
    Gray(menu, CMD_COPY, playersActive);
    Gray(menu, CMD_PASTE, !clipboardText || busy);
    Gray(menu, CMD_MOVETOTOP, playersActive || busy);
    for (int command : {CMD_RELOADMASTER, CMD_SAVELIST, CMD_FINDPLAYER, CMD_THISGAMEONLY, CMD_ADDSERVER, CMD_REFRESH,
                        CMD_SHOWALLGAMES, CMD_FAVORITESONLY})
        Gray(menu, command, busy);
    Check(menu, CMD_FAVORITESONLY, (appData->flags & FlagFavoritesOnly) != 0);
    Gray(menu, CMD_SENDSERVERINFO, !selected || appData->uloVersion == 0);
    Gray(menu, CMD_NEXTSAMEGAME, !selected);
    Gray(menu, CMD_PREVSAMEGAME, !selected);
    Check(menu, CMD_FAVORITE, slot && (slot->flags & SlotFavorite));
    Check(menu, CMD_SHOWALLGAMES, appData->gameFilter == nullptr);
}

void ShowMenuHelp(HWND mainWindow, UINT item, UINT flags, HMENU menu)
{
    if (appData->refreshThread)
        return;
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    if (flags == 0xFFFF && !menu) {
        StatusPrint(statusBar, "Ready");
        return;
    }
    if (flags & (MF_POPUP | MF_SYSMENU))
        return;
    char text[256] = "";
    LoadStringA(appData->instance, item, text, sizeof text);
    SendMessageA(statusBar, SB_SETTEXTA, 0 | SBT_POPOUT, reinterpret_cast<LPARAM>(text));
}
