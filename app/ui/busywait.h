// Waiting on the user-interface thread without freezing the window: while
// the wait lasts, the main loop's messages go on being handled (painting,
// keys through the accelerator table, the details dialog) and the wait
// cursor shows. Whatever starts such a wait must expect its own command to
// arrive again meanwhile.
#ifndef SKOVALT_UI_BUSYWAIT_H
#define SKOVALT_UI_BUSYWAIT_H

#include <windows.h>

// Handles this thread's messages until object (null: none) is signalled or
// milliseconds have passed by the wait clock. A quit message ends the wait
// early and is posted again for the main loop. True when object was
// signalled.
bool WaitPumpingMessages(HWND mainWindow, HANDLE object, DWORD milliseconds);

// True while such a wait runs (the main window then keeps the wait cursor).
bool BusyWaiting();

// Tests only: the clock the waits measure their time by, in milliseconds
// (GetTickCount when null). A test clock that runs fast makes a long wait
// short without changing what happens during it.
using BusyClock = DWORD (*)();
void SetBusyClockForTests(BusyClock clock);

#endif
