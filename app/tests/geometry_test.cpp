// Sizes at any DPI: units to pixels and back, the artwork for a DPI, the
// message font, centring on a monitor, and a program's DPI at 144 and 192
// (Wine gives every program the LogPixels of the prefix when it starts).
#include <windows.h>
#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

#include "ui/geometry.h"

namespace {

TEST(Geometry, StoredSizesSurviveTheRoundTrip)
{
    for (int dpi : {96, 120, 144, 192, 288}) {
        for (int units = -400; units <= 4000; ++units) {
            int pixels = ScaleToDpi(units, dpi);
            ASSERT_EQ(UnscaleFromDpi(pixels, dpi), units) << units << " units at " << dpi;
            ASSERT_LE(abs(pixels * kBaseDpi - units * dpi), kBaseDpi / 2) << units << " units at " << dpi;
        }
    }
    EXPECT_EQ(ScaleToDpi(19, 96), 19);
    EXPECT_EQ(ScaleToDpi(19, 144), 29);
    EXPECT_EQ(ScaleToDpi(-3, 144), -5);
    EXPECT_EQ(ScaleToDpi(200, 192), 400);
    EXPECT_EQ(UnscaleFromDpi(29, 144), 19);
    EXPECT_EQ(UnscaleFromDpi(28, 144), 19);
    // Below 96 DPI a round trip may miss by one; no DPI is taken as 96.
    for (int units = 0; units < 500; ++units)
        ASSERT_LE(abs(UnscaleFromDpi(ScaleToDpi(units, 72), 72) - units), 1) << units;
    EXPECT_EQ(ScaleToDpi(50, 0), 50);
    EXPECT_EQ(UnscaleFromDpi(50, -1), 50);
}

TEST(Geometry, ArtworkNearestTheDpi)
{
    const struct {
        int dpi, scale;
    } cases[] = {{72, 100}, {96, 100}, {119, 100}, {120, 150}, {144, 150}, {167, 150},
                 {168, 200}, {192, 200}, {288, 200}, {0, 100}};
    for (const auto &c : cases)
        EXPECT_EQ(ArtworkScale(c.dpi), c.scale) << c.dpi << " DPI";
}

TEST(Geometry, MessageFontFollowsTheDpi)
{
    LOGFONTA at96, at144, at192;
    ASSERT_TRUE(MessageFontForDpi(96, &at96));
    ASSERT_TRUE(MessageFontForDpi(144, &at144));
    ASSERT_TRUE(MessageFontForDpi(192, &at192));
    ASSERT_NE(at96.lfHeight, 0);
    EXPECT_NE(at96.lfFaceName[0], '\0');
    EXPECT_STREQ(at144.lfFaceName, at96.lfFaceName);
    EXPECT_LE(abs(at144.lfHeight * 2 - at96.lfHeight * 3), 2) << at96.lfHeight << " " << at144.lfHeight;
    EXPECT_LE(abs(at192.lfHeight - at96.lfHeight * 2), 1) << at96.lfHeight << " " << at192.lfHeight;
}

TEST(Geometry, WindowDpiAndCentringOnTheWindowsMonitor)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 50, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info));
    const RECT &work = info.rcWork;
    RECT r = CenteredOnWorkArea(window, 301, 151);
    EXPECT_EQ(r.right - r.left, 301);
    EXPECT_EQ(r.bottom - r.top, 151);
    EXPECT_LE(abs((r.left - work.left) - (work.right - r.right)), 1);
    EXPECT_LE(abs((r.top - work.top) - (work.bottom - r.bottom)), 1);
    // This process runs at the screen's DPI (96 unless the prefix says
    // otherwise); the window is drawn at it.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(WindowDpi(window), GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(WindowDpi(nullptr), WindowDpi(window));
    // One monitor here: the primary one.
    RECT primary = CenteredOnWorkArea(nullptr, 301, 151);
    EXPECT_TRUE(EqualRect(&primary, &r));
    // Larger than the work area: the top left corner stays on it.
    RECT big = CenteredOnWorkArea(window, 10000, 10000);
    EXPECT_EQ(big.left, work.left);
    EXPECT_EQ(big.top, work.top);
    EXPECT_EQ(big.right, work.left + 10000);
    DestroyWindow(window);
}

// Run in a child process started by ProgramsTakeTheDpiTheyStartWith: ends
// the process with the DPI of a window, the screen's and the artwork's if
// they agree, else with 1. Does nothing in a plain run.
TEST(Geometry, ChildReportsItsDpi)
{
    if (!getenv("SKOVALT_GEOMETRY_CHILD"))
        return;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    int dpi = WindowDpi(window);
    bool agree = window && WindowDpi(nullptr) == dpi && ArtworkScale(dpi) == MulDiv(dpi, 100, kBaseDpi);
    ExitProcess(agree ? static_cast<UINT>(dpi) : 1);
}

// Sets LogPixels of the prefix's user for as long as it lives, then puts
// back what was there.
struct LogPixels {
    explicit LogPixels(DWORD dpi)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr);
        DWORD size = sizeof old;
        had = key && RegQueryValueExA(key, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE *>(&old),
                                      &size) == ERROR_SUCCESS;
        if (key)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dpi), sizeof dpi);
    }
    ~LogPixels()
    {
        if (!key)
            return;
        if (had)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&old), sizeof old);
        else
            RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
    HKEY key = nullptr;
    DWORD old = 0;
    bool had = false;
};

DWORD ChildExitCode()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=Geometry.ChildReportsItsDpi";
    SetEnvironmentVariableA("SKOVALT_GEOMETRY_CHILD", "1");
    // The child's test report goes nowhere.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(exe, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableA("SKOVALT_GEOMETRY_CHILD", nullptr);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started)
        return 0;
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(Geometry, ProgramsTakeTheDpiTheyStartWith)
{
    for (DWORD dpi : {144u, 192u}) {
        LogPixels setting(dpi);
        ASSERT_NE(setting.key, nullptr);
        EXPECT_EQ(ChildExitCode(), dpi);
    }
}

}  // namespace
