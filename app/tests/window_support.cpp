#include "window_support.h"

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/placement.h"
#include "ui/mainwindow.h"

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
    if (main && IsWindow(main))
        DestroyWindow(main);
    Pump();
    AppTest::TearDown();
}

void MainWindowTest::OpenMainWindow(int showCommand)
{
    main = CreateMainWindow(showCommand);
    ASSERT_NE(main, nullptr);
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
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}
