// Restoring and storing the main window's placement.
#include "ui/placement.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/helpers.h"

MainPlacement ParsePlacement(const char *text, int showCommand)
{
    MainPlacement placement = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, showCommand};
    const char *bracket = text ? strchr(text, '[') : nullptr;
    if (!bracket)
        return placement;

    int stored = atoi(bracket + 1);
    // A stored command that would leave the window hidden (or is no show
    // command at all) would make the program unreachable: use normal.
    if (stored <= SW_HIDE || stored > SW_MAX)
        stored = SW_SHOWNORMAL;

    // The numbers come before the bracket; the bracket is never a number.
    char numbers[32];
    size_t length = static_cast<size_t>(bracket - text);
    if (length >= sizeof numbers)
        length = sizeof numbers - 1;
    memcpy(numbers, text, length);
    numbers[length] = '\0';
    int *fields[4] = {&placement.x, &placement.y, &placement.width, &placement.height};
    char *context = nullptr;
    char *token = strtok_r(numbers, ", ", &context);
    for (int i = 0; i < 4 && token; ++i) {
        *fields[i] = atoi(token);
        token = strtok_r(nullptr, ", ", &context);
    }
    if (showCommand == SW_SHOWNORMAL)
        placement.showCommand = stored;
    return placement;
}

HWND CreateMainWindow(int showCommand)
{
    char pos[31];
    ReadSetting("Pos", pos, sizeof pos);
    MainPlacement p = ParsePlacement(pos, showCommand);
    HWND window = CreateWindowExA(0, "Skovalt", "Skovalt", WS_OVERLAPPEDWINDOW, p.x, p.y, p.width, p.height,
                                  nullptr, nullptr, appData ? appData->instance : nullptr, nullptr);
    if (window)
        ShowWindow(window, p.showCommand);
    return window;
}

void SaveWindowPlacement(HWND mainWindow)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(mainWindow, &placement)) {
        const RECT &r = placement.rcNormalPosition;
        char text[64];
        snprintf(text, sizeof text, "%ld %ld %ld %ld [%d]", static_cast<long>(r.left), static_cast<long>(r.top),
                 static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top),
                 static_cast<int>(placement.showCmd));
        WriteSetting("Pos", text);
    }
    HWND splitter = GetDlgItem(mainWindow, ID_SPLITTER);
    if (splitter) {
        RECT rect;
        ChildRect(splitter, &rect);
        char text[16];
        snprintf(text, sizeof text, "%ld", static_cast<long>(rect.top));
        WriteSetting("Split", text);
    }
}
