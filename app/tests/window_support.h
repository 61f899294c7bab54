// The real main window for in-process tests.
#ifndef SKOVALT_TESTS_WINDOW_SUPPORT_H
#define SKOVALT_TESTS_WINDOW_SUPPORT_H

#include "support.h"

#include <functional>

class MainWindowTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the main window and runs its start-up continuation.
    void OpenMainWindow(int showCommand = SW_SHOWNORMAL);
    // Handles every queued message as the program's message loop does
    // (accelerators included); true when a quit message was among them.
    bool Pump();
    // Pumps messages until cond holds; false after timeoutMs.
    bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs = 30000);
    HWND Child(int id) const { return GetDlgItem(main, id); }
    // The messages a popup gets when the user opens it: its entries then
    // show their enabled and checked states.
    void OpenMenu(HMENU menu);
    // A key pressed as the user presses it: posted to the window with the
    // focus, with the modifiers held, then the messages pumped.
    enum { Ctrl = 1, Shift = 2, Alt = 4 };
    void PressKey(UINT key, int modifiers = 0);
    // The next dialog this thread opens is handed to fill (which sets its
    // controls and presses a button) as soon as it shows; null: none.
    void FillNextDialog(std::function<void(HWND dialog)> fill);
    HWND main = nullptr;
    HACCEL accelerators = nullptr;  // the program's table, loaded once
};

#endif
