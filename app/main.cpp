// Skovalt: a Quake2 server browser. The program entry runs the start-up,
// the message loop and the end.
#include <windows.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "startup.h"
#include "ui/mainwindow.h"
#include "ui/placement.h"
#include "ui/splitter.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand)
{
    if (StartProgram(instance) != 0)
        return 0;
    if (!previous) {
        RegisterMainClass(instance);
        if (!RegisterSplitterClass(instance)) {
            EndProgram();
            return 1;
        }
    }
    HWND mainWindow = CreateMainWindow(showCommand);
    appData->mainWindow = mainWindow;
    if (!mainWindow) {
        EndProgram();
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    int exitCode = RunMessageLoop(mainWindow, accelerators);
    // The window goes while AppData still exists: its children release
    // what they hold before EndProgram releases the rest.
    if (IsWindow(mainWindow))
        DestroyWindow(mainWindow);
    EndProgram();
    return exitCode;
}
