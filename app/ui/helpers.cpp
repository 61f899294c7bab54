// Window and control helpers: property-sheet pages, redraw, child
// rectangles, column widths, character widths.
#include "ui/helpers.h"

#include <commctrl.h>
#include <string.h>

#include "settings/appdata.h"

void InitSheetPage(PROPSHEETPAGEA *page, int dialog, int icon, DLGPROC procedure)
{
    memset(page, 0, sizeof *page);
    page->dwSize = sizeof *page;
    page->hInstance = appData->instance;
    page->pszTemplate = MAKEINTRESOURCEA(dialog);
    page->pfnDlgProc = procedure;
    if (icon) {
        page->dwFlags = PSP_USEICONID;
        page->pszIcon = MAKEINTRESOURCEA(icon);
    }
}

void SwitchRedraw(HWND window, bool on)
{
    // The count of switches off not yet matched, kept with the window.
    static const char kOffCount[] = "SkovaltRedrawOff";
    INT_PTR off = reinterpret_cast<INT_PTR>(GetPropA(window, kOffCount));
    if (!on) {
        if (off == 0)
            SendMessageA(window, WM_SETREDRAW, FALSE, 0);
        SetPropA(window, kOffCount, reinterpret_cast<HANDLE>(off + 1));
        return;
    }
    if (off == 0)
        return;  // not switched off here
    if (off > 1) {
        SetPropA(window, kOffCount, reinterpret_cast<HANDLE>(off - 1));
        return;
    }
    RemovePropA(window, kOffCount);
    SendMessageA(window, WM_SETREDRAW, TRUE, 0);
}

void ChildRect(HWND child, RECT *rect)
{
    GetWindowRect(child, rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT *>(rect), 2);
}

void FillLastColumn(HWND list, int column, int columnCount)
{
    RECT client;
    GetClientRect(list, &client);
    int others = 0;
    for (int i = 0; i < columnCount; ++i) {
        if (i != column)
            others += ListView_GetColumnWidth(list, i);
    }
    ListView_SetColumnWidth(list, column, client.right - others);
}

int AverageCharWidth(HWND window)
{
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmAveCharWidth;
}

