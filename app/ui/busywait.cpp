// Waits that keep the main window painting and answering.
#include "ui/busywait.h"

#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/mainwindow.h"

namespace {

int busyDepth;
BusyClock busyClock;

DWORD Now()
{
    return busyClock ? busyClock() : GetTickCount();
}

// The longest stretch between two looks at the clock.
const DWORD kSliceMs = 50;

}  // namespace

bool WaitPumpingMessages(HWND mainWindow, HANDLE object, DWORD milliseconds)
{
    HACCEL accelerators = appData ? LoadAcceleratorsA(appData->instance, MAKEINTRESOURCEA(IDA_MAIN)) : nullptr;
    ++busyDepth;
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    DWORD start = Now();
    bool signalled = false;
    for (;;) {
        bool quit = false;
        MSG msg;
        while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                quit = true;
            } else {
                HandleLoopMessage(mainWindow, accelerators, &msg);
            }
        }
        if (object && WaitForSingleObject(object, 0) == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        DWORD elapsed = Now() - start;
        if (quit || elapsed >= milliseconds)
            break;
        DWORD slice = milliseconds - elapsed < kSliceMs ? milliseconds - elapsed : kSliceMs;
        MsgWaitForMultipleObjectsEx(object ? 1 : 0, object ? &object : nullptr, slice, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
    --busyDepth;
    SetCursor(previous);
    return signalled;
}

bool BusyWaiting()
{
    return busyDepth > 0;
}

void SetBusyClockForTests(BusyClock clock)
{
    busyClock = clock;
}
