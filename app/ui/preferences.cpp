// The preferences sheet and its General, Startup and Quake2 pages.
#include "ui/preferences.h"

#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "base/paths.h"
#include "base/report.h"
#include "base/text.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/displaylist.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/sounds.h"
#include "ui/layoutpage.h"
#include "ui/listview.h"

namespace {

const size_t TextSize = 256;        // every text the pages read and store
const size_t TemplateSize = 1024;   // AppData's template buffers

// Answers a property-sheet notification.
INT_PTR NotifyResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

UINT NotifyCode(LPARAM lParam)
{
    return reinterpret_cast<NMHDR *>(lParam)->code;
}

bool Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

void Check(HWND page, int id, bool on)
{
    CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// A stored text longer than the page takes, as the page shows it: cut.
// False when the value fits or is missing.
bool ShownCut(const char *setting, char *text, size_t size)
{
    return ReadSetting(setting, text, size) != 0 && ReadSettingFields(setting, text, size, nullptr) == 0;
}

void StoreItemText(HWND page, int id, const char *setting)
{
    char text[TextSize], shown[TextSize];
    GetDlgItemTextA(page, id, text, sizeof text);
    // Left as shown, a value too long for the page stays stored whole.
    if (ShownCut(setting, shown, sizeof shown) && strcmp(shown, text) == 0)
        return;
    WriteSetting(setting, text);
}

// Shows a text setting in an edit, or fallback when the setting is empty;
// one too long for the page shows cut, never emptied.
void ShowTextSetting(HWND page, int id, const char *setting, const char *fallback)
{
    char text[TextSize];
    ReadSettingFields(setting, text, sizeof text, nullptr);
    SetDlgItemTextA(page, id, text[0] ? text : fallback);
}

// A number field: its up-down control offers low..high, and the field
// shows the number in use, also where the up-down cannot (a time-out or a
// thread count above its range, set before).
void ShowNumberField(HWND page, int edit, int spin, int low, int high, long number)
{
    long position = number < low ? low : number > high ? high : number;
    SendDlgItemMessageA(page, spin, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
    SendDlgItemMessageA(page, spin, UDM_SETPOS32, 0, position);
    char text[32];
    snprintf(text, sizeof text, "%ld", number);
    SetDlgItemTextA(page, edit, text);
}

// OK stores a number field only when the user changed it: a field that
// still shows the number in use leaves the stored value as it is (a "0"
// that means the default, a value above the up-down's range).
bool NumberFieldChanged(HWND page, int edit, long shown)
{
    char text[TextSize], number[32];
    GetDlgItemTextA(page, edit, text, sizeof text);
    snprintf(number, sizeof number, "%ld", shown);
    return strcmp(text, number) != 0;
}

// --- General page

void InitGeneralPage(HWND page)
{
    // The time-out in use (1 to 60 s) is shown as it is, also above the
    // spin's range.
    ShowNumberField(page, IDC_GENERAL_TIMEOUT, IDC_GENERAL_TIMEOUTSPIN, 1, 10, appData->timeout);
    // A missing, unreadable or 0 count shows the 10 workers a refresh then
    // runs (the spin would show 0 as 1, and OK would store it).
    ShowNumberField(page, IDC_GENERAL_THREADS, IDC_GENERAL_THREADSSPIN, 1, 50, ReadNumberSetting("NumServerThreads"));
    Check(page, IDC_GENERAL_SOUND, !ReadFlag("NoSound"));
    Check(page, IDC_GENERAL_NOULO, ReadFlag("NoUloStuff"));
    Check(page, IDC_GENERAL_ASKSAVE, ReadFlag("AskSave"));
    Check(page, IDC_GENERAL_NOHOSTNAMES, (appData->flags & FlagNoHostNames) != 0);
    CenterWindow(GetParent(page));
}

void ApplyGeneralPage(HWND page)
{
    if (NumberFieldChanged(page, IDC_GENERAL_TIMEOUT, appData->timeout)) {
        char timeout[TextSize];
        GetDlgItemTextA(page, IDC_GENERAL_TIMEOUT, timeout, sizeof timeout);
        WriteSetting("Timeout", timeout);
        appData->timeout = ReadTimeoutSetting();
    }
    WriteFlag("NoSound", !Checked(page, IDC_GENERAL_SOUND));
    if (Checked(page, IDC_GENERAL_NOULO)) {
        WriteFlag("NoUloStuff", true);
        appData->uloVersion = 0;  // every messenger feature off at once
    } else {
        WriteFlag("NoUloStuff", false);  // back with the next start
    }
    WriteFlag("AskSave", Checked(page, IDC_GENERAL_ASKSAVE));
    if (Checked(page, IDC_GENERAL_NOHOSTNAMES))
        appData->flags |= FlagNoHostNames;
    else
        appData->flags &= ~FlagNoHostNames;
    // Stored as typed; each refresh reads it through RefreshWorkerLimit.
    if (NumberFieldChanged(page, IDC_GENERAL_THREADS, ReadNumberSetting("NumServerThreads")))
        StoreItemText(page, IDC_GENERAL_THREADS, "NumServerThreads");
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitGeneralPage(page);
        return TRUE;
    case WM_NOTIFY:
        if (NotifyCode(lParam) == static_cast<UINT>(PSN_APPLY))
            ApplyGeneralPage(page);
        return NotifyResult(page, PSNRET_NOERROR);
    default:
        return FALSE;
    }
}

// --- Startup page

const struct {
    int id;
    char letter;
} StartupChoices[] = {
    {IDC_STARTUP_ULOSEARCH, 'I'},
    {IDC_STARTUP_QUERY, 'Q'},
    {IDC_STARTUP_REFRESH, 'S'},
    {IDC_STARTUP_LASTQUERY, 'L'},
};

void InitStartupPage(HWND page)
{
    char startup[TextSize];
    ReadSetting("Startup", startup, sizeof startup);
    int id = IDC_STARTUP_NOTHING;
    for (const auto &choice : StartupChoices) {
        if (startup[0] == choice.letter)
            id = choice.id;
    }
    Check(page, id, true);
    Check(page, IDC_STARTUP_DIALUP, ReadFlag("AutoConnect"));
    Check(page, IDC_STARTUP_CHECKVERSION, !ReadFlag("DontCheckNewVersion"));
    CenterWindow(GetParent(page));
}

void ApplyStartupPage(HWND page)
{
    char startup[2] = "N";
    for (const auto &choice : StartupChoices) {
        if (Checked(page, choice.id)) {
            startup[0] = choice.letter;
            break;
        }
    }
    WriteSetting("Startup", startup);
    WriteFlag("AutoConnect", Checked(page, IDC_STARTUP_DIALUP));
    WriteFlag("DontCheckNewVersion", !Checked(page, IDC_STARTUP_CHECKVERSION));
}

INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitStartupPage(page);
        return TRUE;
    case WM_NOTIFY:
        if (NotifyCode(lParam) == static_cast<UINT>(PSN_APPLY))
            ApplyStartupPage(page);
        return NotifyResult(page, PSNRET_NOERROR);
    default:
        return FALSE;
    }
}

// --- Quake2 page

void EnableCloseUloControls(HWND page)
{
    bool on = Checked(page, IDC_QUAKE2_CLOSEULO);
    for (int id : {IDC_QUAKE2_WAIT, IDC_QUAKE2_WAITSPIN, IDC_QUAKE2_CONFIRM, IDC_QUAKE2_WAITLABEL})
        EnableWindow(GetDlgItem(page, id), on);
}

void InitQuake2Page(HWND page)
{
    ShowTextSetting(page, IDC_QUAKE2_EXE, "Exe", "C:\\Quake2\\Quake2.exe");
    ShowTextSetting(page, IDC_QUAKE2_PARAM, "Param", "");
    ShowTextSetting(page, IDC_QUAKE2_PARAMCTF, "ParamCtf", "");
    ShowTextSetting(page, IDC_QUAKE2_PARAMLMCTF, "ParamLMCtf", "+set game lmctf");
    ShowTextSetting(page, IDC_QUAKE2_PARAMRA, "ParamRA", "+set game arena");
    Check(page, IDC_QUAKE2_CLOSEULO, ReadFlag("CloseUlo"));
    Check(page, IDC_QUAKE2_CONFIRM, ReadFlag("CloseUloConfirm"));
    ShowNumberField(page, IDC_QUAKE2_WAIT, IDC_QUAKE2_WAITSPIN, 0, 10, ReadNumberSetting("CloseUloWait"));
    EnableCloseUloControls(page);
    CenterWindow(GetParent(page));
}

void BrowseExecutable(HWND page)
{
    wchar_t file[kPathMax] = L"c:\\quake2\\quake2.exe";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = page;
    dialog.lpstrFilter = L"Executables and batch files\0q*.exe;*.bat\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = kPathMax;
    dialog.lpstrInitialDir = L"c:\\quake2";
    dialog.lpstrTitle = L"Quake2 executable";
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    if (GetOpenFileNameW(&dialog))
        SetDlgItemTextW(page, IDC_QUAKE2_EXE, file);
}

// Leaving the page: the path must name a file that can be read. True when
// the page may be left.
bool CheckExecutable(HWND page)
{
    // Read wide: a path the ANSI code page cannot hold is stored in its
    // short form, which the edit then shows.
    wchar_t path[kPathMax];
    GetDlgItemTextW(page, IDC_QUAKE2_EXE, path, kPathMax);
    char stored[TextSize];
    if (path[0] == L'\0')
        ReportMessage(page, MB_OK | MB_ICONINFORMATION, "Please enter full path of Quake2 executable.");
    else if (!FileExists(path))
        ReportMessage(page, MB_OK | MB_ICONINFORMATION,
                      "Quake2 executable not found at given location:\n%s\n\nPlease check.",
                      PathForMessage(path, stored, sizeof stored));
    else if (!AnsiPath(path, stored, sizeof stored))
        ReportMessage(page, MB_OK | MB_ICONINFORMATION,
                      "The path of the Quake2 executable cannot be stored:\n%s\n\nIts folder has no "
                      "short name this system's code page can hold. Please move Quake2 to a folder "
                      "named in plain letters.",
                      PathForMessage(path, stored, sizeof stored));
    else {
        SetDlgItemTextA(page, IDC_QUAKE2_EXE, stored);
        return true;
    }
    SetFocus(GetDlgItem(page, IDC_QUAKE2_EXE));
    return false;
}

void ApplyQuake2Page(HWND page)
{
    StoreItemText(page, IDC_QUAKE2_EXE, "Exe");
    StoreItemText(page, IDC_QUAKE2_PARAM, "Param");
    StoreItemText(page, IDC_QUAKE2_PARAMCTF, "ParamCtf");
    StoreItemText(page, IDC_QUAKE2_PARAMLMCTF, "ParamLMCtf");
    StoreItemText(page, IDC_QUAKE2_PARAMRA, "ParamRA");
    WriteFlag("CloseUlo", Checked(page, IDC_QUAKE2_CLOSEULO));
    WriteFlag("CloseUloConfirm", Checked(page, IDC_QUAKE2_CONFIRM));
    if (NumberFieldChanged(page, IDC_QUAKE2_WAIT, ReadNumberSetting("CloseUloWait")))
        StoreItemText(page, IDC_QUAKE2_WAIT, "CloseUloWait");
}

INT_PTR CALLBACK Quake2PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitQuake2Page(page);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (LOWORD(wParam) == IDC_QUAKE2_CLOSEULO)
            EnableCloseUloControls(page);
        else if (LOWORD(wParam) == IDC_QUAKE2_BROWSE)
            BrowseExecutable(page);
        return TRUE;
    case WM_NOTIFY:
        switch (NotifyCode(lParam)) {
        case static_cast<UINT>(PSN_KILLACTIVE):
            // TRUE keeps the page active, and OK does not close the sheet.
            return NotifyResult(page, CheckExecutable(page) ? FALSE : TRUE);
        case static_cast<UINT>(PSN_APPLY):
            ApplyQuake2Page(page);
            break;
        default:
            break;
        }
        return NotifyResult(page, PSNRET_NOERROR);
    default:
        return FALSE;
    }
}

// --- After the sheet

// A copy of a name list (null for none); the caller frees it.
char *CopyNameList(const char *list)
{
    if (!list)
        return nullptr;
    size_t size = 1;
    for (const char *name = list; *name; name += strlen(name) + 1)
        size += strlen(name) + 1;
    char *copy = static_cast<char *>(malloc(size));
    if (copy)
        memcpy(copy, list, size);
    return copy;
}

// Whether two name lists hold the same names in the same order, ignoring
// case; null is no list at all.
bool SameNameLists(const char *a, const char *b)
{
    if (!a || !b)
        return !a && !b;
    while (*a && *b) {
        if (_stricmp(a, b) != 0)
            return false;
        a += strlen(a) + 1;
        b += strlen(b) + 1;
    }
    return *a == *b;
}

// Takes a stored template into AppData when it differs from the one in
// use, and rebuilds the list's columns from it.
void PickUpTemplate(HWND mainWindow, const char *setting, char *inUse, int listId)
{
    if (!inUse)
        return;
    char stored[TemplateSize];
    ReadSettingFields(setting, stored, sizeof stored, "%t");
    if (strcmp(stored, inUse) == 0)
        return;
    memcpy(inUse, stored, sizeof stored);
    HWND list = GetDlgItem(mainWindow, listId);
    if (list)
        ApplyListFont(list);
}

}  // namespace

int ShowPreferences(HWND mainWindow, int startPage)
{
    char *filterBefore = CopyNameList(appData->gameFilter);

    PROPSHEETPAGEA pages[5];
    InitSheetPage(&pages[PageGeneral], IDD_GENERAL, IDI_SKOVALT, GeneralPageProc);
    InitSheetPage(&pages[PageStartup], IDD_STARTUP, IDI_STARTUP, StartupPageProc);
    InitSheetPage(&pages[PageQuake2], IDD_QUAKE2, IDI_QUAKE2, Quake2PageProc);
    InitLayoutPage(&pages[PageLayout]);
    InitFilterPage(&pages[PageFilter]);
    pages[PageFilter].dwFlags |= PSP_USEICONID;
    pages[PageFilter].pszIcon = MAKEINTRESOURCEA(IDI_FILTER);

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = mainWindow;
    header.hInstance = appData->instance;
    header.pszCaption = "Settings";
    header.nPages = 5;
    header.nStartPage = startPage >= PageGeneral && startPage <= PageFilter ? static_cast<UINT>(startPage) : 0;
    header.ppsp = pages;
    PropertySheetA(&header);

    PickUpTemplate(mainWindow, "ServerTemplate", appData->serverTemplate, ID_SERVERLIST);
    PickUpTemplate(mainWindow, "PlayerTemplate", appData->playerTemplate, ID_PLAYERLIST);
    if (!RefreshRunning() && !SameNameLists(filterBefore, appData->gameFilter))
        RebuildDisplayList(mainWindow);
    if (ReadFlag("NoSound"))
        PlayWave(nullptr, 0);
    free(filterBefore);
    return 0;
}
