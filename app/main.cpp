// Skovalt: a Quake2 server browser. The program entry runs the start-up
// order, the message loop and the final clean-up.
#include <windows.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/placement.h"
#include "ui/mainwindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand)
{
    if (InitAppData(instance) != 0)
        return 0;
    if (!previous) {
        RegisterMainClass(instance);
        if (!RegisterSplitterClass(instance)) {
            FreeAppData();
            return 1;
        }
    }
    HWND mainWindow = CreateMainWindow(showCommand);
    appData->mainWindow = mainWindow;
    if (!mainWindow) {
        FreeAppData();
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    int exitCode = RunMessageLoop(mainWindow, accelerators);
    // The window goes while AppData still exists: its children release
    // what they hold before FreeAppData releases the rest.
    if (IsWindow(mainWindow))
        DestroyWindow(mainWindow);
    FreeAppData();
    return exitCode;
}
