// Menu entry states and the help texts of highlighted entries.
#include "ui/menus.h"

#include <commctrl.h>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/commands.h"
#include "ui/statusbar.h"

namespace {

// Sets every entry of menu and of its submenus.
void SetEntries(HMENU menu, const CommandFacts &facts, bool inMenuLoop)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            SetEntries(sub, facts, inMenuLoop);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue;  // separator
        int command = static_cast<int>(id);
        bool enabled = inMenuLoop ? CommandEnabled(command, facts) : CommandAccepted(command, facts);
        EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, id, MF_BYCOMMAND | (CommandChecked(command, facts) ? MF_CHECKED : MF_UNCHECKED));
    }
}

}  // namespace

void UpdateMenuStates(HWND mainWindow, HMENU menu, bool inMenuLoop)
{
    SetEntries(menu, CurrentCommandFacts(mainWindow), inMenuLoop);
}

void ShowMenuHelp(HWND mainWindow, UINT item, UINT flags, HMENU menu)
{
    if (RefreshRunning())
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
