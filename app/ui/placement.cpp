// Restoring and storing the main window's placement.
#include "ui/placement.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <initializer_list>

#include "base/text.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/geometry.h"
#include "ui/helpers.h"

MainPlacement ParsePlacement(const char *text, int showCommand)
{
    MainPlacement placement = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, showCommand};
    const char *bracket = text ? strchr(text, '[') : nullptr;
    if (!bracket)
        return placement;

    // A stored command that would leave the window hidden (or is no show
    // command at all) would make the program unreachable: use normal.
    char command[16] = "";
    NextField(command, sizeof command, bracket + 1, ']');
    long stored = SW_SHOWNORMAL;
    if (!ParseSettingNumber(command, &stored) || stored <= SW_HIDE || stored > SW_MAX)
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
        long value;
        if (ParseSettingNumber(token, i < 2 ? -32768 : 1, 32767, &value))
            *fields[i] = static_cast<int>(value);
        token = strtok_r(nullptr, ", ", &context);
    }
    if (showCommand == SW_SHOWNORMAL)
        placement.showCommand = static_cast<int>(stored);
    return placement;
}

RECT FitOnWorkArea(RECT rect)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    const RECT &work = monitor.rcWork;
    long width = std::max<long>(rect.right - rect.left, kMainMinWidth);
    long height = std::max<long>(rect.bottom - rect.top, kMainMinHeight);
    width = std::min<long>(width, work.right - work.left);
    height = std::min<long>(height, work.bottom - work.top);
    long left = std::max<long>(work.left, std::min<long>(rect.left, work.right - width));
    long top = std::max<long>(work.top, std::min<long>(rect.top, work.bottom - height));
    return RECT{left, top, left + width, top + height};
}

HWND CreateMainWindow(int showCommand)
{
    char pos[31];
    ReadSetting("Pos", pos, sizeof pos);
    MainPlacement p = ParsePlacement(pos, showCommand);
    // "Pos" is in 96-DPI units: at the screen's DPI here, before the
    // window is on a monitor.
    int dpi = WindowDpi(nullptr);
    for (int *value : {&p.x, &p.y, &p.width, &p.height}) {
        if (*value != CW_USEDEFAULT)
            *value = ScaleToDpi(*value, dpi);
    }
    HWND window = CreateWindowExA(0, "Skovalt", "Skovalt", WS_OVERLAPPEDWINDOW, p.x, p.y, p.width, p.height,
                                  nullptr, nullptr, appData ? appData->instance : nullptr, nullptr);
    if (!window)
        return nullptr;
    // Still hidden: a stored place off every monitor (a monitor since
    // removed, a value edited by hand) is moved onto the nearest one
    // before the window shows, also as the restored place of a maximised
    // window.
    RECT rect;
    GetWindowRect(window, &rect);
    RECT fitted = FitOnWorkArea(rect);
    if (!EqualRect(&rect, &fitted)) {
        SetWindowPos(window, nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(window, p.showCommand);
    return window;
}

void SetMainMinimumSize(MINMAXINFO *info)
{
    info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, kMainMinWidth);
    info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, kMainMinHeight);
}

void SaveWindowPlacement(HWND mainWindow)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    int dpi = WindowDpi(mainWindow);
    if (GetWindowPlacement(mainWindow, &placement)) {
        const RECT &r = placement.rcNormalPosition;
        char text[64];
        snprintf(text, sizeof text, "%d %d %d %d [%d]", UnscaleFromDpi(r.left, dpi), UnscaleFromDpi(r.top, dpi),
                 UnscaleFromDpi(r.right - r.left, dpi), UnscaleFromDpi(r.bottom - r.top, dpi),
                 static_cast<int>(placement.showCmd));
        WriteSetting("Pos", text);
    }
    HWND splitter = GetDlgItem(mainWindow, ID_SPLITTER);
    if (splitter) {
        RECT rect;
        ChildRect(splitter, &rect);
        char text[16];
        snprintf(text, sizeof text, "%d", UnscaleFromDpi(rect.top, dpi));
        WriteSetting("Split", text);
    }
}
