#include "window_support.h"

#include <string.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/mainwindow.h"
#include "ui/placement.h"
#include "ui/splitter.h"

void MainWindowTest::SetUp()
{
    AppTest::SetUp();
    StartAppData();
    shownMessages.clear();
    static bool registered = false;
    if (!registered) {
        ASSERT_TRUE(RegisterMainClass(GetModuleHandleA(nullptr)));
        ASSERT_TRUE(RegisterSplitterClass(GetModuleHandleA(nullptr)));
        registered = true;
    }
}

void MainWindowTest::TearDown()
{
    FillNextDialog(nullptr);
    if (main && IsWindow(main))
        DestroyWindow(main);
    Pump();
    AppTest::TearDown();
}

void MainWindowTest::OpenMainWindow(int showCommand)
{
    main = CreateMainWindow(showCommand);
    ASSERT_NE(main, nullptr);
    if (!accelerators)
        accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDA_MAIN));
    appData->mainWindow = main;
    Pump();
}

bool MainWindowTest::Pump()
{
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        HandleLoopMessage(main, accelerators, &msg);
    }
    return quit;
}

bool MainWindowTest::WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (cond())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void MainWindowTest::OpenMenu(HMENU menu)
{
    SendMessageA(main, WM_ENTERMENULOOP, FALSE, 0);
    SendMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    SendMessageA(main, WM_EXITMENULOOP, FALSE, 0);
}

namespace {

std::function<void(HWND)> dialogFiller;

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    char name[16];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) && strcmp(name, "#32770") == 0) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK FillDialogTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!dialogFiller) {
        KillTimer(nullptr, timer);
        return;
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    auto fill = std::move(dialogFiller);
    dialogFiller = nullptr;
    fill(dialog);
}

}  // namespace

void MainWindowTest::FillNextDialog(std::function<void(HWND dialog)> fill)
{
    bool running = static_cast<bool>(dialogFiller);
    dialogFiller = std::move(fill);
    if (dialogFiller && !running)
        SetTimer(nullptr, 0, 20, FillDialogTimer);
}

void MainWindowTest::PressKey(UINT key, int modifiers)
{
    BYTE state[256];
    GetKeyboardState(state);
    BYTE saved[256];
    memcpy(saved, state, sizeof saved);
    state[VK_CONTROL] = (modifiers & Ctrl) ? 0x80 : 0;
    state[VK_SHIFT] = (modifiers & Shift) ? 0x80 : 0;
    state[VK_MENU] = (modifiers & Alt) ? 0x80 : 0;
    SetKeyboardState(state);
    HWND focus = GetFocus();
    // Alt makes a system key, with the context bit set.
    UINT message = (modifiers & Alt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    LPARAM lParam = 1 | ((modifiers & Alt) ? (1L << 29) : 0);
    PostMessageA(focus ? focus : main, message, key, lParam);
    Pump();
    SetKeyboardState(saved);
}
