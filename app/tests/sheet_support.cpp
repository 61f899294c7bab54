#include "sheet_support.h"

#include "ui/preferences.h"

namespace {

struct Pending {
    std::string title;
    std::vector<SheetScript> steps;
    int *ran;
    int *leftOpen;
    bool sheet;
};
std::vector<Pending> pending;

// After a sheet's script: a sheet that is still open when the modal loop
// next runs was left open by the script.
HWND guardedSheet;
int *guardCount;
UINT_PTR guardTimer;

void CALLBACK CancelLeftOpen(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    guardTimer = 0;
    if (!IsWindow(guardedSheet))
        return;
    if (guardCount)
        ++*guardCount;
    PropSheet_PressButton(guardedSheet, PSBTN_CANCEL);
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (pending.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    HWND window = FindWindowA("#32770", pending.back().title.c_str());
    if (!window || !IsWindowVisible(window))
        return;  // not shown yet: the next tick looks again
    // One step a tick: what a step posts (PropSheet_PressButton posts its
    // click) is handled before the next step runs.
    Pending &next = pending.back();
    SheetScript step = next.steps.front();
    next.steps.erase(next.steps.begin());
    if (!next.steps.empty()) {
        step(window);
        return;
    }
    KillTimer(nullptr, timer);
    Pending p = pending.back();
    pending.pop_back();
    step(window);
    if (p.ran)
        ++*p.ran;
    if (p.sheet) {
        guardedSheet = window;
        guardCount = p.leftOpen;
        guardTimer = SetTimer(nullptr, 0, 50, CancelLeftOpen);
    }
}

}  // namespace

void RunInDialog(const char *title, const SheetScript &script)
{
    pending.push_back({title, {script}, nullptr, nullptr, false});
    SetTimer(nullptr, 0, 20, RunPending);
}

void SheetTest::SetUp()
{
    MainWindowTest::SetUp();
    OpenMainWindow();
    shownMessages.clear();  // no Server.dat here
}

void SheetTest::RunSheet(int page, const SheetScript &script)
{
    RunSheetSteps(page, {script});
}

void SheetTest::RunSheetSteps(int page, const std::vector<SheetScript> &steps)
{
    pending.push_back({"Settings", steps, &scriptsRun, &leftOpen, true});
    SetTimer(nullptr, 0, 20, RunPending);
    ShowPreferences(main, page);
    EndGuard();
}

void SheetTest::RunSheetByKey(UINT key, const SheetScript &script)
{
    pending.push_back({"Settings", {script}, &scriptsRun, &leftOpen, true});
    SetTimer(nullptr, 0, 20, RunPending);
    PressKey(key);
    EndGuard();
}

// The sheet has ended: its guard is not needed.
void SheetTest::EndGuard()
{
    if (guardTimer)
        KillTimer(nullptr, guardTimer);
    guardTimer = 0;
    guardedSheet = nullptr;
}

std::map<std::string, std::string> SheetTest::AllSettings() const
{
    std::map<std::string, std::string> values;
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string path = std::string("Software\\Holmdrey\\SkovaltTest\\") + info->test_suite_name() + "." + info->name();
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[2048];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = std::string(reinterpret_cast<char *>(data), dataSize);
    }
    RegCloseKey(key);
    return values;
}

HWND Page(HWND sheet, int index)
{
    return PropSheet_IndexToHwnd(sheet, index);
}

bool ShowPage(HWND sheet, int index)
{
    PropSheet_SetCurSel(sheet, nullptr, index);
    return PropSheet_HwndToIndex(sheet, PropSheet_GetCurrentPageHwnd(sheet)) == index;
}

void Click(HWND page, int id)
{
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

void SetText(HWND page, int id, const char *text)
{
    SetDlgItemTextA(page, id, text);
}

std::string Text(HWND page, int id)
{
    char text[1024];
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

bool IsChecked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

void SetChecked(HWND page, int id, bool on)
{
    if (IsChecked(page, id) != on)
        Click(page, id);
}

std::vector<std::string> Entries(HWND box)
{
    std::vector<std::string> entries;
    int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[1024];
        SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::vector<int> SelectedRows(HWND box)
{
    std::vector<int> rows;
    int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageA(box, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0)
            rows.push_back(i);
    }
    return rows;
}

void SelectRows(HWND box, const std::vector<int> &rows)
{
    SendMessageA(box, LB_SETSEL, FALSE, -1);
    for (int row : rows)
        SendMessageA(box, LB_SETSEL, TRUE, row);
}
