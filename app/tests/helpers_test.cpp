// The shared UI helpers: status texts and the progress display, toolbar
// states, texts, paths and the prompt dialog.
#include "window_support.h"

#include <commctrl.h>
#include <string.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "base/paths.h"
#include "base/text.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/prompt.h"
#include "ui/statusbar.h"
#include "ui/toolbar.h"

namespace {

using Helpers = MainWindowTest;

TEST(TextHelpers, NextFieldTrimsAndSplits)
{
    char field[8];
    const char *text = "  abc  ,def";
    const char *p = NextField(field, sizeof field, text, ',');
    EXPECT_STREQ(field, "abc");
    p = NextField(field, sizeof field, p, ',');
    EXPECT_STREQ(field, "def");
    EXPECT_EQ(*p, '\0');

    // A field longer than the buffer: size - 1 characters, the next one is
    // passed over.
    char small[4];
    p = NextField(small, sizeof small, "abcdefg,h", ',');
    EXPECT_STREQ(small, "abc");
    EXPECT_STREQ(p, "efg,h");
    EXPECT_EQ(NextField(small, sizeof small, nullptr, ','), nullptr);
}

TEST(TextHelpers, FindNoCase)
{
    const char *text = "roBOT1";
    EXPECT_EQ(FindNoCase(text, "Bot"), text + 2);
    EXPECT_EQ(FindNoCase(text, "bots"), nullptr);
    EXPECT_EQ(FindNoCase(nullptr, "Bot"), nullptr);
}

TEST_F(Helpers, PathsAndFiles)
{
    WidePath path;
    ASSERT_TRUE(ModulePath(&path, "Server.dat"));
    EXPECT_EQ(std::wstring(path.text), std::wstring(dir.begin(), dir.end()) + L"Server.dat");
    EXPECT_FALSE(FileExists(path.text));
    WriteFile("Server.dat", Bytes{1});
    EXPECT_TRUE(FileExists(path.text));
    EXPECT_FALSE(FileExists(nullptr));
    SetModuleDirForTests(nullptr);
    ModulePath(&path, nullptr);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    *(wcsrchr(self, L'\\') + 1) = L'\0';
    EXPECT_STREQ(path.text, self);
}

TEST_F(Helpers, StatusTextsStayOutOfARunningRefresh)
{
    OpenMainWindow();
    HWND status = Child(ID_STATUSBAR);
    StatusPrint(status, "%d servers", 12);
    EXPECT_EQ(StatusText(status, 0), "12 servers");
    HoldRefresh();
    StatusPrint(status, "hidden");
    EXPECT_EQ(StatusText(status, 0), "12 servers");
    ReleaseRefresh();

    // Plain text in part 0: ProgressUpdate and ProgressEnd change nothing.
    ProgressUpdate(status, 1, 2, "x");
    ProgressEnd(status);
    EXPECT_EQ(StatusText(status, 0), "12 servers");

    ProgressBegin(status);
    EXPECT_NE(LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, 0, 0) >> 16) & SBT_OWNERDRAW, 0);
    ProgressUpdate(status, 3, 10, "Refreshing %s", "servers");
    ProgressEnd(status);
    EXPECT_EQ(StatusText(status, 0), "Ready");
}

// Draws the progress display into a bitmap and reads two pixels: one near
// the left edge, one near the right.
void DrawInto(COLORREF *left, COLORREF *right)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 200, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DRAWITEMSTRUCT item = {};
    item.CtlID = ID_STATUSBAR;
    item.hDC = dc;
    item.rcItem = all;
    DrawProgress(&item);
    *left = GetPixel(dc, 2, 1);
    *right = GetPixel(dc, 198, 1);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(Helpers, ProgressDisplayFillsByPosition)
{
    OpenMainWindow();
    HWND status = Child(ID_STATUSBAR);
    COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
    ProgressBegin(status);
    COLORREF left, right;
    DrawInto(&left, &right);  // no text yet: nothing drawn
    EXPECT_EQ(left, RGB(0, 0, 0));

    ProgressUpdate(status, 0, 10, "Refreshing");
    DrawInto(&left, &right);
    EXPECT_EQ(left, face);
    EXPECT_EQ(right, face);
    ProgressUpdate(status, 5, 10, "Refreshing");
    DrawInto(&left, &right);
    EXPECT_EQ(left, shadow);
    EXPECT_EQ(right, face);
    ProgressUpdate(status, 10, 10, "Refreshing");
    DrawInto(&left, &right);
    EXPECT_EQ(left, shadow);
    EXPECT_EQ(right, shadow);
    ProgressEnd(status);
    DrawInto(&left, &right);  // detached: nothing drawn
    EXPECT_EQ(left, RGB(0, 0, 0));
}

TEST_F(Helpers, ToolbarStates)
{
    OpenMainWindow();
    HWND toolbar = Child(ID_TOOLBAR);
    ToolbarCheck(toolbar, CMD_FAVORITESONLY, true);
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, CMD_FAVORITESONLY, 0));
    // Enabling and disabling keep the checked mark.
    ToolbarEnable(toolbar, CMD_FAVORITESONLY, false);
    EXPECT_EQ(SendMessageA(toolbar, TB_GETSTATE, CMD_FAVORITESONLY, 0), TBSTATE_CHECKED);
    ToolbarEnable(toolbar, CMD_FAVORITESONLY, true);
    EXPECT_EQ(SendMessageA(toolbar, TB_GETSTATE, CMD_FAVORITESONLY, 0), TBSTATE_ENABLED | TBSTATE_CHECKED);
    ToolbarEnable(toolbar, CMD_DELETE, false);
    EXPECT_EQ(SendMessageA(toolbar, TB_GETSTATE, CMD_DELETE, 0), 0);
    ToolbarEnable(toolbar, CMD_DELETE, true);
    EXPECT_EQ(SendMessageA(toolbar, TB_GETSTATE, CMD_DELETE, 0), TBSTATE_ENABLED);
}

TEST_F(Helpers, ListAndWindowHelpers)
{
    OpenMainWindow();
    HWND list = Child(ID_SERVERLIST);
    EXPECT_GT(AverageCharWidth(list), 0);
    RECT client;
    GetClientRect(list, &client);
    FillLastColumn(list, 4, 5);
    int total = 0;
    for (int i = 0; i < 5; ++i)
        total += ListView_GetColumnWidth(list, i);
    EXPECT_EQ(total, client.right);

    MoveWindow(main, 0, 0, 400, 300, TRUE);
    CenterWindow(main);
    RECT r;
    GetWindowRect(main, &r);
    RECT centred = CenteredOnWorkArea(main, 400, 300);
    EXPECT_TRUE(EqualRect(&r, &centred));
}

void CALLBACK AnswerPrompt(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND dialog = FindWindowA(nullptr, "Add server");
    if (!dialog)
        return;
    char prompt[64];
    GetDlgItemTextA(dialog, IDC_PROMPT_TEXT, prompt, sizeof prompt);
    char text[64];
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT, text, sizeof text);
    // Answer with what was shown, so the test sees both.
    SetDlgItemTextA(dialog, IDC_PROMPT_EDIT, (std::string(prompt) + "|" + text + "|10.0.0.9:27911").c_str());
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

void CALLBACK CancelPrompt(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND dialog = FindWindowA(nullptr, "Add server");
    if (dialog)
        SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
}

TEST_F(Helpers, PromptDialogReturnsTheText)
{
    char buffer[64] = "old";
    SetTimer(nullptr, 0, 30, AnswerPrompt);
    EXPECT_EQ(PromptDialog(nullptr, buffer, sizeof buffer, "Add server", "Address:"), 0);
    EXPECT_STREQ(buffer, "Address:|old|10.0.0.9:27911");
    SetTimer(nullptr, 0, 30, CancelPrompt);
    EXPECT_EQ(PromptDialog(nullptr, buffer, sizeof buffer, "Add server", "Address:"), 1);
    EXPECT_STREQ(buffer, "Address:|old|10.0.0.9:27911");
    // The copy back respects the buffer's size.
    char tiny[6] = "ab";
    SetTimer(nullptr, 0, 30, AnswerPrompt);
    EXPECT_EQ(PromptDialog(nullptr, tiny, sizeof tiny, "Add server", "P"), 0);
    EXPECT_STREQ(tiny, "P|ab|");
}

}  // namespace
