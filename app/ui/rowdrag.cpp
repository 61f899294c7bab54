// Moving server list rows: MoveRow and drag and drop with the mouse.
#include "ui/rowdrag.h"

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/geometry.h"
#include "ui/rows.h"

namespace {

// The row under a point of the main window's client area, or -1.
int RowAt(HWND mainWindow, HWND list, int x, int y)
{
    POINT point = {x, y};
    MapWindowPoints(mainWindow, list, &point, 1);
    LVHITTESTINFO hit = {};
    hit.pt = point;
    return static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

}  // namespace

int MoveRow(HWND list, int target, int source)
{
    LPARAM param;
    if (!RowParam(list, source, &param) || param < 0)
        return 1;
    DeleteRow(list, source);
    InsertCallbackRow(list, source < target ? target - 1 : target, param);
    appData->flags |= FlagModified;
    return 0;
}

void OnListBeginDrag(HWND mainWindow, NMLISTVIEW *drag)
{
    if (RefreshRunning() || drag->hdr.idFrom != ID_SERVERLIST)
        return;
    appData->dragSource = drag->iItem;
    SetCursor(LoadCursorA(appData->instance, MAKEINTRESOURCEA(ArtworkResource(IDC_DRAGROW, WindowDpi(mainWindow)))));
    SetCapture(mainWindow);
}

void OnDragMouseMove(HWND mainWindow, int x, int y)
{
    if (appData->dragSource == -1)
        return;
    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    int row = RowAt(mainWindow, list, x, y);
    if (row >= 0)
        SelectRow(list, row);
}

void OnDragButtonUp(HWND mainWindow, int x, int y)
{
    if (appData->dragSource == -1)
        return;
    int source = appData->dragSource;
    // Cleared first: releasing the capture may come back here.
    appData->dragSource = -1;
    ReleaseCapture();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    int target = RowAt(mainWindow, list, x, y);
    if (target >= 0) {
        MoveRow(list, target, source);
        SelectRow(list, target);
    }
}
