// The real main window for in-process tests.
#ifndef SKOVALT_TESTS_WINDOW_SUPPORT_H
#define SKOVALT_TESTS_WINDOW_SUPPORT_H

#include "support.h"

class MainWindowTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the main window and runs its start-up continuation.
    void OpenMainWindow(int showCommand = SW_SHOWNORMAL);
    // Handles every queued message; true when a quit message was among them.
    bool Pump();
    HWND Child(int id) const { return GetDlgItem(main, id); }
    HWND main = nullptr;
};

#endif
