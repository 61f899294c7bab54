// Message boxes, sounds, paths, text and list helpers.
#include "ui/helpers.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"

namespace {

char moduleDirOverride[MAX_PATH];
MessageHook messageHook;

}  // namespace

int ReportMessage(HWND owner, UINT type, const char *format, ...)
{
    char text[1000];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (messageHook)
        return messageHook(owner, type, text);
    return MessageBoxA(owner, text, "Skovalt", type);
}

void SetMessageHookForTests(MessageHook hook)
{
    messageHook = hook;
}

void PlayWave(const char *fileName, DWORD flags)
{
    bool stopOnly = !fileName && flags == 0;
    if (!stopOnly && ReadFlag("NoSound"))
        return;
    char path[MAX_PATH];
    ModulePath(path, sizeof path, fileName);
    PlaySoundA(path, nullptr, flags | SND_FILENAME | SND_NODEFAULT | SND_PURGE);
}

void ModulePath(char *buffer, size_t size, const char *fileName)
{
    if (!buffer || size == 0)
        return;
    char path[MAX_PATH];
    if (moduleDirOverride[0]) {
        snprintf(path, sizeof path, "%s", moduleDirOverride);
    } else {
        DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        if (n == 0 || n >= sizeof path)
            path[0] = '\0';
        char *slash = strrchr(path, '\\');
        if (slash)
            slash[1] = '\0';
        else
            path[0] = '\0';
    }
    snprintf(buffer, size, "%s%s", path, fileName ? fileName : "");
}

void SetModuleDirForTests(const char *directory)
{
    snprintf(moduleDirOverride, sizeof moduleDirOverride, "%s", directory ? directory : "");
}

const char *NextField(char *dest, size_t size, const char *source, char separator)
{
    if (!source)
        return nullptr;
    if (!dest || size == 0)
        return source;
    while (*source == ' ')
        ++source;
    size_t n = 0;
    while (*source && *source != separator && n < size - 1)
        dest[n++] = *source++;
    dest[n] = '\0';
    while (n > 0 && dest[n - 1] == ' ')
        dest[--n] = '\0';
    // After the separator; a copy cut at the size limit passes over the
    // character where it stopped.
    if (*source)
        ++source;
    return source;
}

const char *FindNoCase(const char *text, const char *pattern)
{
    if (!text || !pattern)
        return nullptr;
    size_t length = strlen(pattern);
    for (const char *p = text; *p; ++p) {
        if (_strnicmp(p, pattern, length) == 0)
            return p;
    }
    return length == 0 ? text : nullptr;
}

bool FileExists(const char *path)
{
    FILE *f = path ? fopen(path, "rb") : nullptr;
    if (!f)
        return false;
    fclose(f);
    return true;
}

void SelectRow(HWND list, int row)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int InsertCallbackRow(HWND list, int row, LPARAM param)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.iImage = I_IMAGECALLBACK;
    item.lParam = param;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool RowParam(HWND list, int row, LPARAM *param)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    *param = item.lParam;
    return true;
}

tagQServer *RowServer(LPARAM param)
{
    if (!appData)
        return nullptr;
    ServerSlot *slot = SlotAt(&appData->table, static_cast<long>(param & 0xFFFFFF));
    return slot ? slot->server : nullptr;
}

tagQServer *SelectedServer(HWND mainWindow)
{
    HWND players = GetDlgItem(mainWindow, ID_PLAYERLIST);
    HWND list = (players && GetFocus() == players) ? players : GetDlgItem(mainWindow, ID_SERVERLIST);
    if (!list)
        return nullptr;
    LPARAM param;
    if (!RowParam(list, ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED), &param))
        return nullptr;
    return RowServer(param);
}

void ChildRect(HWND child, RECT *rect)
{
    GetWindowRect(child, rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT *>(rect), 2);
}

void InvalidateRow(HWND list, int row)
{
    RECT rect;
    if (ListView_GetItemRect(list, row, &rect, LVIR_BOUNDS))
        InvalidateRect(list, &rect, TRUE);
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

void CenterWindow(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (width > screenWidth || height > screenHeight)
        return;
    SetWindowPos(window, nullptr, (screenWidth - width) / 2, (screenHeight - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
