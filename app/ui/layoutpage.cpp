// The Layout page: the field table, both list boxes and the template they
// make, fonts, grid lines, background image and grayout.
#include "ui/layoutpage.h"

#include <commctrl.h>
#include <commdlg.h>
#include <stdio.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/text.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/listview.h"

namespace {

const struct {
    const char *description;
    const char *code;
} Fields[] = {
    {"Server", "%s"},
    {"Host", "%h"},
    {"Host IP", "%d"},
    {"Server ping", "%y"},
    {"Full levelname", "%l"},
    {"Short mapname", "%m"},
    {"Max clients", "%x"},
    {"Game", "%g"},
    {"Top fragger on server", "%a"},
    {"Worst fragger on server", "%z"},
    {"Playername", "%p"},
    {"Number of players", "%n"},
    {"Number of players/Max", "%n/%x"},
    {"Player rank", "%r"},
    {"Player rank/Num players", "%r/%n"},
    {"Player ping", "%i"},
    {"Player frags", "%f"},
};

const size_t TemplateSize = 512;  // a template holds at most 511 characters
const size_t EntrySize = 600;     // "User defined", a tab and a part
const int NoWindow = -1;
const char *const TemplateSettings[] = {"ServerTemplate", "PlayerTemplate"};

HWND Available(HWND page)
{
    return GetDlgItem(page, IDC_LAYOUT_AVAILABLE);
}

HWND Selected(HWND page)
{
    return GetDlgItem(page, IDC_LAYOUT_SELECTED);
}

HWND MainList(int id)
{
    return appData && appData->mainWindow ? GetDlgItem(appData->mainWindow, id) : nullptr;
}

int Count(HWND box)
{
    return static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
}

std::string EntryText(HWND box, int index)
{
    LRESULT length = SendMessageA(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

int AddEntry(HWND box, const std::string &text)
{
    return static_cast<int>(SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void InsertEntry(HWND box, int index, const std::string &text)
{
    SendMessageA(box, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<int> SelectedEntries(HWND box)
{
    int n = static_cast<int>(SendMessageA(box, LB_GETSELCOUNT, 0, 0));
    std::vector<int> rows(n > 0 ? static_cast<size_t>(n) : 0);
    if (n > 0)
        SendMessageA(box, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(rows.data()));
    return rows;
}

// Makes one entry the only selected one and the caret entry.
void SelectOnly(HWND box, int index)
{
    int count = Count(box);
    if (count <= 0)
        return;
    if (index >= count)
        index = count - 1;
    SendMessageA(box, LB_SETSEL, FALSE, -1);
    SendMessageA(box, LB_SETSEL, TRUE, index);
    SendMessageA(box, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

int ShownWindow(HWND page)
{
    return static_cast<int>(GetWindowLongPtrA(page, GWLP_USERDATA)) - 1;
}

void SetShownWindow(HWND page, int window)
{
    SetWindowLongPtrA(page, GWLP_USERDATA, window + 1);
}

// The lists for a window: every field in Available, the template's parts
// in Selected, each part taken out of Available when it is a field.
// A longer stored template shows its whole columns that fit.
void ShownTemplate(int window, char *text, size_t size)
{
    ReadSettingFields(TemplateSettings[window], text, size, "%t");
}

void FillLists(HWND page, int window)
{
    char stored[TemplateSize];
    ShownTemplate(window, stored, sizeof stored);
    HWND available = Available(page);
    HWND selected = Selected(page);
    SendMessageA(available, LB_RESETCONTENT, 0, 0);
    SendMessageA(selected, LB_RESETCONTENT, 0, 0);
    for (const auto &field : Fields)
        AddEntry(available, std::string(field.description) + "\t" + field.code);

    const char *p = stored;
    while (const char *end = strstr(p, "%t")) {
        std::string part(p, static_cast<size_t>(end - p));
        p = end + 2;
        const char *description = nullptr;
        for (const auto &field : Fields) {
            if (strncmp(field.code, part.c_str(), part.size()) == 0) {
                description = field.description;
                break;
            }
        }
        if (!description) {
            AddEntry(selected, "User defined\t" + part);
            continue;
        }
        std::string entry = std::string(description) + "\t" + part;
        AddEntry(selected, entry);
        LRESULT at = SendMessageA(available, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(entry.c_str()));
        if (at != LB_ERR)
            SendMessageA(available, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
    }
    AddEntry(selected, "");
    SelectOnly(available, 0);
    SelectOnly(selected, 0);
    SetShownWindow(page, window);
}

// Stores the Selected list as the template of a window.
void StoreTemplate(HWND page, int window)
{
    if (window != 0 && window != 1)
        return;
    HWND selected = Selected(page);
    std::vector<std::string> codes;
    for (int i = 0; i + 1 < Count(selected); ++i) {
        std::string entry = EntryText(selected, i);
        size_t tab = entry.find('\t');
        if (tab != std::string::npos)
            codes.push_back(entry.substr(tab + 1));
    }
    std::vector<const char *> parts;
    for (const std::string &code : codes)
        parts.push_back(code.c_str());
    char text[TemplateSize];
    JoinTemplateParts(parts.data(), parts.size(), text, sizeof text);
    // Unchanged, a template too long for the page stays stored whole.
    char shown[TemplateSize];
    ShownTemplate(window, shown, sizeof shown);
    if (strcmp(text, shown) != 0)
        WriteSetting(TemplateSettings[window], text);
}

void OnAdd(HWND page)
{
    HWND available = Available(page);
    HWND selected = Selected(page);
    std::vector<int> taken = SelectedEntries(available);
    std::vector<int> at = SelectedEntries(selected);
    if (taken.empty() || at.empty())
        return;
    int insertion = at[0];
    // Taken from the bottom up so the positions above stay valid; inserted
    // in their own order before the insertion entry.
    std::vector<std::string> texts;
    for (int row : taken)
        texts.push_back(EntryText(available, row));
    for (size_t k = taken.size(); k-- > 0;)
        SendMessageA(available, LB_DELETESTRING, static_cast<WPARAM>(taken[k]), 0);
    for (size_t k = 0; k < texts.size(); ++k)
        InsertEntry(selected, insertion + static_cast<int>(k), texts[k]);
    SelectOnly(available, taken[0]);
}

void OnRemove(HWND page)
{
    HWND available = Available(page);
    HWND selected = Selected(page);
    std::vector<int> rows = SelectedEntries(selected);
    if (rows.empty())
        return;
    int last = Count(selected) - 1;  // the final empty entry stays
    for (size_t k = rows.size(); k-- > 0;) {
        if (rows[k] == last)
            continue;
        AddEntry(available, EntryText(selected, rows[k]));
        SendMessageA(selected, LB_DELETESTRING, static_cast<WPARAM>(rows[k]), 0);
    }
    SelectOnly(selected, rows[0]);
}

void OnMove(HWND page, int step)
{
    HWND selected = Selected(page);
    std::vector<int> rows = SelectedEntries(selected);
    if (rows.empty())
        return;
    int from = rows[0];
    int count = Count(selected);
    if (from + 1 >= count)
        return;  // the final empty entry never moves
    int to = from + step;
    if (to < 0 || to + 1 >= count)
        return;  // nothing moves onto or past the final empty entry
    std::string text = EntryText(selected, from);
    SendMessageA(selected, LB_DELETESTRING, static_cast<WPARAM>(from), 0);
    InsertEntry(selected, to, text);
    SelectOnly(selected, to);
}

void OnWindowChosen(HWND page)
{
    int chosen = static_cast<int>(SendDlgItemMessageA(page, IDC_LAYOUT_WINDOW, CB_GETCURSEL, 0, 0));
    int shown = ShownWindow(page);
    if (chosen < 0 || chosen == shown)
        return;
    StoreTemplate(page, shown);
    FillLists(page, chosen);
}

void OnFont(HWND page)
{
    int window = static_cast<int>(SendDlgItemMessageA(page, IDC_LAYOUT_WINDOW, CB_GETCURSEL, 0, 0));
    if (window != 0 && window != 1)
        return;
    const char *setting = window == 0 ? "FontS" : "FontP";
    LOGFONTA font;
    int dpi = WindowDpi(page);
    ReadListFont(setting, dpi, &font);
    CHOOSEFONTA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = page;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&dialog))
        return;
    WriteListFont(setting, dpi, &font);
    HWND list = MainList(window == 0 ? ID_SERVERLIST : ID_PLAYERLIST);
    if (!list)
        return;
    // Same columns, new font: the list's font is made from what was just
    // stored.
    ReplaceListFont(list);
    InvalidateRect(list, nullptr, TRUE);
}

void OnGrid(HWND page)
{
    DWORD styles = LVS_EX_FULLROWSELECT |
                   (IsDlgButtonChecked(page, IDC_LAYOUT_GRID) == BST_CHECKED ? LVS_EX_GRIDLINES : 0);
    for (int id : {ID_SERVERLIST, ID_PLAYERLIST}) {
        HWND list = MainList(id);
        if (!list)
            continue;
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, styles);
        InvalidateRect(list, nullptr, TRUE);
    }
}

void OnBackground(HWND page)
{
    bool on = IsDlgButtonChecked(page, IDC_LAYOUT_BKIMG) == BST_CHECKED;
    for (int id : {ID_SERVERLIST, ID_PLAYERLIST}) {
        HWND list = MainList(id);
        if (!list)
            continue;
        SetListBackground(list, on);
        InvalidateRect(list, nullptr, TRUE);
    }
}

void OnGrayout(HWND page)
{
    bool on = IsDlgButtonChecked(page, IDC_LAYOUT_GRAYOUT) == BST_CHECKED;
    EnableWindow(GetDlgItem(page, IDC_LAYOUT_THRESHOLD), on);
    EnableWindow(GetDlgItem(page, IDC_LAYOUT_THRESHOLDSPIN), on);
    if (on)
        appData->flags |= FlagGrayout;
    else
        appData->flags &= ~FlagGrayout;
    HWND list = MainList(ID_SERVERLIST);
    if (list)
        InvalidateRect(list, nullptr, TRUE);
}

void InitPageControls(HWND page)
{
    HWND combo = GetDlgItem(page, IDC_LAYOUT_WINDOW);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Server"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Player"));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    FillLists(page, 0);
    INT tabStop = 500;
    SendMessageA(Available(page), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SendMessageA(Selected(page), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));

    CheckDlgButton(page, IDC_LAYOUT_GRID, ReadFlag("Grid") ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_LAYOUT_BKIMG, ReadFlag("BkImg") ? BST_CHECKED : BST_UNCHECKED);
    bool grayout = (appData->flags & FlagGrayout) != 0;
    CheckDlgButton(page, IDC_LAYOUT_GRAYOUT, grayout ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, IDC_LAYOUT_THRESHOLD), grayout);
    EnableWindow(GetDlgItem(page, IDC_LAYOUT_THRESHOLDSPIN), grayout);
    SendDlgItemMessageA(page, IDC_LAYOUT_THRESHOLDSPIN, UDM_SETRANGE32, 0, 500);
    SendDlgItemMessageA(page, IDC_LAYOUT_THRESHOLDSPIN, UDM_SETPOS32, 0, appData->pingThreshold);
    // A threshold above the spin's range (typed earlier) is shown as it is.
    SetDlgItemInt(page, IDC_LAYOUT_THRESHOLD, appData->pingThreshold, FALSE);
    CenterWindow(GetParent(page));
}

void ApplyLayoutPage(HWND page)
{
    StoreTemplate(page, ShownWindow(page));
    WriteFlag("Grid", IsDlgButtonChecked(page, IDC_LAYOUT_GRID) == BST_CHECKED);
    WriteFlag("BkImg", IsDlgButtonChecked(page, IDC_LAYOUT_BKIMG) == BST_CHECKED);
    bool grayout = IsDlgButtonChecked(page, IDC_LAYOUT_GRAYOUT) == BST_CHECKED;
    WriteFlag("Grayout", grayout);
    if (grayout)
        appData->flags |= FlagGrayout;
    else
        appData->flags &= ~FlagGrayout;
    char threshold[20];
    GetDlgItemTextA(page, IDC_LAYOUT_THRESHOLD, threshold, sizeof threshold);
    uint16_t value;
    if (ThresholdFromText(threshold, &value)) {
        WriteSetting("PingThreshold", threshold);
        appData->pingThreshold = value;
    }
}

void OnCommand(HWND page, int id, int code)
{
    if (id == IDC_LAYOUT_WINDOW) {
        if (code == CBN_CLOSEUP || code == CBN_SELCHANGE)
            OnWindowChosen(page);
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IDC_LAYOUT_ADD:
        OnAdd(page);
        break;
    case IDC_LAYOUT_REMOVE:
        OnRemove(page);
        break;
    case IDC_LAYOUT_UP:
        OnMove(page, -1);
        break;
    case IDC_LAYOUT_DOWN:
        OnMove(page, +1);
        break;
    case IDC_LAYOUT_FONT:
        OnFont(page);
        break;
    case IDC_LAYOUT_GRID:
        OnGrid(page);
        break;
    case IDC_LAYOUT_BKIMG:
        OnBackground(page);
        break;
    case IDC_LAYOUT_GRAYOUT:
        OnGrayout(page);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK LayoutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetShownWindow(page, NoWindow);
        InitPageControls(page);
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR *>(lParam)->code == static_cast<UINT>(PSN_APPLY))
            ApplyLayoutPage(page);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void JoinTemplateParts(const char *const *codes, size_t count, char *out, size_t size)
{
    if (size == 0)
        return;
    out[0] = '\0';
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t length = strlen(codes[i]);
        if (used + length + 2 >= size)
            break;  // the whole part with its "%t", or nothing
        memcpy(out + used, codes[i], length);
        memcpy(out + used + length, "%t", 3);
        used += length + 2;
    }
}

bool ThresholdFromText(const char *text, uint16_t *threshold)
{
    long value;
    if (!ParseSettingNumber(text, &value))
        return false;
    *threshold = static_cast<uint16_t>(value > 65535 ? 65535 : value);
    return true;
}

void InitLayoutPage(PROPSHEETPAGEA *page)
{
    InitSheetPage(page, IDD_LAYOUT, IDI_LAYOUT, LayoutPageProc);
}
