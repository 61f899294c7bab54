// The main window's toolbar: 16 entries, images from bitmap 126 (160 and
// 161 at 150 and 200 %).
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/geometry.h"
#include "ui/toolbar.h"

namespace {

struct ToolbarEntry {
    int image;    // -1 for a separator
    int command;
};

const ToolbarEntry Buttons[] = {
    {9, CMD_COPY},        {4, CMD_PASTE},         {1, CMD_DELETE},     {10, CMD_ADDSERVER},
    {8, CMD_SERVERDETAILS}, {11, CMD_GOTOWEBSITE}, {7, CMD_MOVETOTOP},  {-1, 0},
    {5, CMD_FINDSERVER},  {3, CMD_FINDPLAYER},    {6, CMD_LAUNCH},     {-1, 0},
    {0, CMD_STOP},        {2, CMD_REFRESH},       {-1, 0},             {12, CMD_FAVORITESONLY},
};
static_assert(sizeof Buttons / sizeof Buttons[0] == 16, "the toolbar has 16 entries");

}  // namespace

int ToolbarCommand(int index)
{
    int seen = 0;
    for (const ToolbarEntry &entry : Buttons) {
        if (entry.image >= 0 && seen++ == index)
            return entry.command;
    }
    return 0;
}

HWND CreateMainToolbar(HWND mainWindow, HIMAGELIST *images)
{
    RECT client;
    GetClientRect(mainWindow, &client);
    HWND toolbar = CreateWindowExA(WS_EX_TOOLWINDOW, TOOLBARCLASSNAMEA, nullptr,
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                                       CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                   0, 0, client.right, ScaleToDpi(kToolbarHeight, WindowDpi(mainWindow)), mainWindow,
                                   reinterpret_cast<HMENU>(ID_TOOLBAR), appData->instance, nullptr);
    if (!toolbar)
        return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    TBBUTTON buttons[16] = {};
    for (int i = 0; i < 16; ++i) {
        if (Buttons[i].image < 0) {
            buttons[i].fsStyle = BTNS_SEP;
            continue;
        }
        buttons[i].iBitmap = Buttons[i].image;
        buttons[i].idCommand = Buttons[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON;
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, 16, reinterpret_cast<LPARAM>(buttons));
    *images = nullptr;
    SetToolbarDpi(toolbar, images);
    return toolbar;
}

void SetToolbarDpi(HWND toolbar, HIMAGELIST *images)
{
    int dpi = WindowDpi(toolbar);
    int bitmap = ArtworkResource(IDB_TOOLBAR, dpi);
    // The images are square, side by side: the strip's height is their size.
    int size = ArtworkHeight(appData->instance, bitmap, 19);
    // CLR_DEFAULT: the colour of the top-left pixel is transparent.
    HIMAGELIST loaded = ImageList_LoadImageA(appData->instance, MAKEINTRESOURCEA(bitmap), size, 0, CLR_DEFAULT,
                                             IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
    SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(loaded));
    if (*images)
        ImageList_Destroy(*images);
    *images = loaded;
    SendMessageA(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(ScaleToDpi(28, dpi), ScaleToDpi(30, dpi)));
}

void ToolbarCheck(HWND toolbar, int command, bool on)
{
    SendMessageA(toolbar, TB_CHECKBUTTON, static_cast<WPARAM>(command), MAKELPARAM(on ? TRUE : FALSE, 0));
}

void ToolbarEnable(HWND toolbar, int command, bool on)
{
    SendMessageA(toolbar, TB_ENABLEBUTTON, static_cast<WPARAM>(command), MAKELPARAM(on ? TRUE : FALSE, 0));
}
