// Columns from templates, cell texts and icons, sorting, grayout, the
// background image and column widths of both lists.
#include "ui/listview.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "base/paths.h"
#include "base/report.h"
#include "base/text.h"
#include "ui/geometry.h"
#include "ui/rows.h"
#include "ui/playersearch.h"
#include "ui/statusbar.h"

namespace {

const char FontProperty[] = "SkovaltListFont";

// The text of the cell asked for last; the list copies it before it asks
// again, and it asks only on the user-interface thread.
char displayBuffer[128];

bool IsServerList(HWND list)
{
    return GetDlgCtrlID(list) == ID_SERVERLIST;
}

ServerSlot *RowSlot(LPARAM param)
{
    return appData ? SlotAt(&appData->table, RowSlotIndex(param)) : nullptr;
}

int CompareTexts(const char *a, const char *b, int pingDifference)
{
    if (!a || !b)
        return pingDifference;
    int c = _stricmp(a, b);
    return c != 0 ? c : pingDifference;
}

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM key)
{
    ServerSlot *sa = RowSlot(a);
    ServerSlot *sb = RowSlot(b);
    if (!sa || !sb || !sa->server || !sb->server)
        return 0;
    return CompareServers(sa->server, sb->server, static_cast<char>(key));
}

}  // namespace

void ReadListFont(const char *setting, int dpi, LOGFONTA *font)
{
    bool stored = ReadSettingBytes(setting, font, sizeof *font) == 0;
    if (!stored || (font->lfHeight == 0 && font->lfFaceName[0] == '\0')) {
        // None chosen: the system's message font at the list's DPI.
        if (!MessageFontForDpi(dpi, font))
            memset(font, 0, sizeof *font);
        return;
    }
    font->lfHeight = ScaleToDpi(font->lfHeight, dpi);
    font->lfWidth = ScaleToDpi(font->lfWidth, dpi);
}

void WriteListFont(const char *setting, int dpi, const LOGFONTA *font)
{
    LOGFONTA stored = *font;
    stored.lfHeight = UnscaleFromDpi(font->lfHeight, dpi);
    stored.lfWidth = UnscaleFromDpi(font->lfWidth, dpi);
    WriteSettingBytes(setting, &stored, sizeof stored);
}

void ReplaceListFont(HWND list)
{
    DeleteListFont(list);
    LOGFONTA description;
    ReadListFont(IsServerList(list) ? "FontS" : "FontP", WindowDpi(list), &description);
    HFONT font = CreateFontIndirectA(&description);
    if (font) {
        SetPropA(list, FontProperty, font);
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

void ApplyListFont(HWND list)
{
    ReplaceListFont(list);
    bool server = IsServerList(list);
    if (appData) {
        BuildColumns(list, server ? appData->serverTemplate : appData->playerTemplate,
                     server ? appData->serverWidths : appData->playerWidths);
    }
}

void DeleteListFont(HWND list)
{
    HFONT font = static_cast<HFONT>(RemovePropA(list, FontProperty));
    if (font) {
        SendMessageA(list, WM_SETFONT, 0, FALSE);
        DeleteObject(font);
    }
}

bool TemplatePart(const char *templateText, int column, char *part, size_t size)
{
    if (!templateText || size == 0)
        return false;
    const char *p = templateText;
    for (int i = 0; i < column; ++i) {
        p = strstr(p, "%t");
        if (!p)
            return false;
        p += 2;
    }
    const char *end = strstr(p, "%t");
    if (!end)
        return false;  // text after the last "%t" belongs to no column
    size_t length = static_cast<size_t>(end - p);
    if (length >= size)
        length = size - 1;
    memcpy(part, p, length);
    part[length] = '\0';
    return true;
}

void BuildColumns(HWND list, const char *templateText, const char *widths)
{
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0))
        ;
    char captions[512] = "";
    if (templateText) {
        KvExpandParamLine(captions, sizeof captions, nullptr, nullptr, const_cast<char *>(templateText), nullptr,
                          KV_EXPAND_CAPTION | KV_EXPAND_TERMINATE | KV_EXPAND_SINGLE);
    }
    // Every caption is followed by the tab of its "%t"; text after the last
    // tab is no column.
    int columns = 0;
    int dpi = WindowDpi(list);
    const char *p = captions;
    while (const char *tab = strchr(p, '\t')) {
        char caption[50];
        NextField(caption, sizeof caption, p, '\t');
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = ScaleToDpi(100, dpi);
        column.pszText = caption;
        column.iSubItem = columns;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(columns), reinterpret_cast<LPARAM>(&column));
        ++columns;
        p = tab + 1;
    }
    const char *w = widths;
    for (int i = 0; i < columns && w && *w; ++i) {
        char width[50];
        w = NextField(width, sizeof width, w, '\t');
        long pixels;
        if (ParseSettingNumber(width, 0, 32767, &pixels))
            SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                         MAKELPARAM(ScaleToDpi(static_cast<int>(pixels), dpi), 0));
    }
}

int ServerImage(tagQServer *server, bool favourite)
{
    int image;
    if (KvServerGetErrorCode(server) != 0)
        image = 6;
    else if (!KvServerGetServerName(server))
        image = 5;
    else if (!KvServerGetFirstRule(server))
        image = 4;
    else
        image = 3;
    return favourite ? image + 4 : image;
}

void OnListDisplayText(NMLVDISPINFOA *info)
{
    LVITEMA &item = info->item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
        item.pszText[0] = '\0';
    bool serverList = info->hdr.idFrom == ID_SERVERLIST;
    // The server list is virtual: its rows' parameters are not the
    // control's to give.
    LPARAM param = item.lParam;
    if (serverList && !RowParam(info->hdr.hwndFrom, item.iItem, &param))
        return;
    ServerSlot *slot = RowSlot(param);
    if (!slot || !slot->server)
        return;
    tagQServer *server = slot->server;

    tagPlayer *player = nullptr;
    if (!serverList) {
        int position = RowPlayerPosition(param);
        player = KvServerGetFirstPlayer(server);
        for (int i = 0; player && i < position; ++i)
            player = KvServerGetNextPlayer(server, player);
        if (!player)
            return;
    }

    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) {
        if (serverList)
            item.iImage = ServerImage(server, (slot->flags & SlotFavorite) != 0);
        else
            item.iImage = PlayerMatches(player) ? 1 : 0;
    }
    if (!(item.mask & LVIF_TEXT))
        return;
    char part[512];
    const char *templateText = serverList ? appData->serverTemplate : appData->playerTemplate;
    if (!TemplatePart(templateText, item.iSubItem, part, sizeof part))
        return;
    displayBuffer[0] = '\0';
    KvExpandParamLine(displayBuffer, sizeof displayBuffer, player, server, part, appData->mapList,
                      KV_EXPAND_TERMINATE | KV_EXPAND_SINGLE);
    item.pszText = displayBuffer;
}

int CompareServers(tagQServer *a, tagQServer *b, char key)
{
    int d = static_cast<int>(KvServerGetPing(a)) - static_cast<int>(KvServerGetPing(b));
    switch (key | 0x20) {
    case 's':
        return CompareTexts(KvServerGetServerName(a), KvServerGetServerName(b), d);
    case 'm':
        return CompareTexts(KvServerGetMapName(a), KvServerGetMapName(b), d);
    case 'g':
        return CompareTexts(KvServerGetGameName(a), KvServerGetGameName(b), d);
    case 'l': {
        char la[64] = "", lb[64] = "";
        char *list = appData ? appData->mapList : nullptr;
        KvServerGetFullLevelName(a, la, sizeof la, list);
        KvServerGetFullLevelName(b, lb, sizeof lb, list);
        return CompareTexts(la, lb, d);
    }
    default:
        return d;
    }
}

void SortServerList(HWND list, char key)
{
    SortRows(list, CompareRows, static_cast<LPARAM>(key));
}

void OnListColumnClick(HWND mainWindow, NMLISTVIEW *click)
{
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    if (RefreshRunning()) {
        ReportMessage(mainWindow, MB_ICONINFORMATION, "Can't sort servers while refreshing.");
        return;
    }
    // The player list's rows point at players of many servers; sorting
    // them by server would scatter a server's players, so it stays as is.
    if (click->hdr.idFrom != ID_SERVERLIST)
        return;
    appData->flags |= FlagModified;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    StatusPrint(statusBar, "Sorting...");
    char part[512];
    char key = 'p';
    if (TemplatePart(appData->serverTemplate, click->iSubItem, part, sizeof part) && part[0] == '%' && part[1])
        key = part[1];
    SortServerList(click->hdr.hwndFrom, key);
    StatusPrint(statusBar, "Ready");
    SetCursor(old);
}

LRESULT OnListFindItem(NMLVFINDITEMA *find)
{
    const LVFINDINFOA &info = find->lvfi;
    if (!info.psz || !(info.flags & (LVFI_STRING | LVFI_PARTIAL)))
        return -1;
    char wanted[260] = "";
    if (find->hdr.code == LVN_ODFINDITEMW)
        WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(info.psz), -1, wanted, sizeof wanted, nullptr,
                            nullptr);
    else
        lstrcpynA(wanted, info.psz, sizeof wanted);
    size_t length = strlen(wanted);
    HWND list = find->hdr.hwndFrom;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    int start = find->iStart >= 0 && find->iStart < count ? find->iStart : 0;
    for (int n = 0; length > 0 && n < count; ++n) {
        int row = start + n;
        if (row >= count) {
            if (!(info.flags & LVFI_WRAP))
                break;
            row -= count;
        }
        char text[260] = "";
        ListView_GetItemText(list, row, 0, text, sizeof text);
        if ((info.flags & LVFI_PARTIAL) ? _strnicmp(text, wanted, length) == 0 : _stricmp(text, wanted) == 0)
            return row;
    }
    return -1;
}

bool ServerIsGrey(tagQServer *server, uint16_t threshold)
{
    return KvServerGetErrorCode(server) != 0 || KvServerGetPing(server) > threshold ||
           KvServerGetMaxClients(server) == KvServerGetNumberPlayers(server);
}

LRESULT OnListCustomDraw(NMLVCUSTOMDRAW *draw)
{
    if (draw->nmcd.hdr.idFrom != ID_SERVERLIST || !(appData->flags & FlagGrayout))
        return CDRF_DODEFAULT;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        LPARAM param;
        ServerSlot *slot = RowParam(draw->nmcd.hdr.hwndFrom, static_cast<int>(draw->nmcd.dwItemSpec), &param)
                               ? RowSlot(param)
                               : nullptr;
        if (!slot || !slot->server)
            return CDRF_DODEFAULT;
        if (ServerIsGrey(slot->server, appData->pingThreshold))
            draw->clrText = RGB(128, 128, 128);
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void SetListBackground(HWND list, bool on)
{
    LVBKIMAGEW image = {};
    if (on) {
        wchar_t url[kPathMax + 8] = L"file:///";
        ModulePath(url + 8, kPathMax, "Bkgnd.jpg");
        SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
        image.ulFlags = LVBKIF_SOURCE_URL | LVBKIF_STYLE_TILE;
        image.pszImage = url;
        if (!SendMessageW(list, LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image)))
            SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(RGB(255, 255, 255)));
        return;
    }
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(RGB(255, 255, 255)));
    image.ulFlags = LVBKIF_SOURCE_NONE;
    SendMessageW(list, LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image));
}

void StoreColumnWidths(HWND mainWindow)
{
    const struct {
        int id;
        const char *setting;
    } lists[] = {{ID_SERVERLIST, "ServerTemplateWidth"}, {ID_PLAYERLIST, "PlayerTemplateWidth"}};
    for (const auto &l : lists) {
        HWND list = GetDlgItem(mainWindow, l.id);
        if (!list)
            continue;
        HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
        int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        char text[512] = "";
        size_t used = 0;
        int dpi = WindowDpi(list);
        for (int i = 0; i < columns; ++i) {
            int width = UnscaleFromDpi(
                static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0)), dpi);
            int n = snprintf(text + used, sizeof text - used, "%d\t", width);
            if (n < 0 || static_cast<size_t>(n) >= sizeof text - used) {
                text[used] = '\0';
                break;
            }
            used += static_cast<size_t>(n);
        }
        // Widths the user did not change leave the stored value as it is,
        // also where it holds more than the columns shown (or is too long
        // to be read whole).
        char stored[1024];
        if (ReadSettingFields(l.setting, stored, sizeof stored, "\t") != 0 || strncmp(stored, text, used) != 0)
            WriteSetting(l.setting, text);
    }
}
