// Sizes at any DPI: units to pixels and back, the artwork for a DPI, the
// message font, centring on a monitor, and a program's DPI at 144 and 192
// (Wine gives every program the LogPixels of the prefix when it starts).
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support.h"
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

// Each scale's artwork as Windows loads it: image counts and sizes, the
// cursors' sizes and hot spots, the animation's frame, every icon size.
TEST(Geometry, ArtworkOfEveryScaleLoads)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr, instance,
                                  nullptr);
    ASSERT_NE(parent, nullptr);
    const struct {
        int scale, toolbar, toolbarSize, listImages, split, dragRow, animation, animationWidth, animationHeight;
    } scales[] = {
        {100, IDB_TOOLBAR, 19, IDB_LISTIMAGES, IDC_SPLIT, IDC_DRAGROW, IDR_REFRESHAVI, 32, 35},
        {150, IDB_TOOLBAR150, 28, IDB_LISTIMAGES150, IDC_SPLIT150, IDC_DRAGROW150, IDR_REFRESHAVI150, 48, 52},
        {200, IDB_TOOLBAR200, 38, IDB_LISTIMAGES200, IDC_SPLIT200, IDC_DRAGROW200, IDR_REFRESHAVI200, 64, 70},
    };
    for (const auto &a : scales) {
        SCOPED_TRACE(a.scale);
        HIMAGELIST toolbar = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(a.toolbar), a.toolbarSize, 0,
                                                  CLR_DEFAULT, IMAGE_BITMAP, LR_CREATEDIBSECTION);
        ASSERT_NE(toolbar, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(toolbar), 13);
        ImageList_Destroy(toolbar);
        int listSize = 16 * a.scale / 100;
        HIMAGELIST list = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(a.listImages), listSize, 0,
                                               RGB(0, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(list), 11) << listSize;
        ImageList_Destroy(list);

        int cursorSize = 32 * a.scale / 100;
        for (int id : {a.split, a.dragRow}) {
            // No size asked: the cursor as it is stored.
            HCURSOR cursor = static_cast<HCURSOR>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_CURSOR, 0, 0, 0));
            ASSERT_NE(cursor, nullptr) << id;
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(cursor, &info));
            BITMAP mask = {};
            GetObjectA(info.hbmMask, sizeof mask, &mask);
            EXPECT_EQ(mask.bmWidth, cursorSize) << id;
            DWORD hotspot = id == a.split ? static_cast<DWORD>(cursorSize * 15 / 64) : 0;
            EXPECT_EQ(info.xHotspot, hotspot) << id;
            EXPECT_EQ(info.yHotspot, hotspot) << id;
            DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
            DestroyCursor(cursor);
        }

        HWND animation = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                                         nullptr, instance, nullptr);
        ASSERT_TRUE(SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(instance),
                                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(a.animation))));
        RECT frame;
        GetClientRect(animation, &frame);
        EXPECT_EQ(frame.right, a.animationWidth);
        EXPECT_EQ(frame.bottom, a.animationHeight);
        // The frame decodes: the dark ring crosses the middle column
        // between the top and the centre.
        SendMessageA(animation, ACM_PLAY, 1, MAKELPARAM(0, 0));
        bool ring = false;
        for (DWORD start = GetTickCount(); !ring && GetTickCount() - start < 5000;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            UpdateWindow(animation);
            HDC dc = GetDC(animation);
            for (int y = 0; y < frame.bottom / 2 && !ring; ++y)
                ring = GetPixel(dc, frame.right / 2, y) == RGB(64, 64, 64);
            ReleaseDC(animation, dc);
            if (!ring)
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        EXPECT_TRUE(ring);
        DestroyWindow(animation);
    }
    DestroyWindow(parent);

    // Every icon holds each size itself (48 and up as PNG), not stretched from another.
    for (int id : {IDI_SKOVALT, IDI_STARTUP, IDI_QUAKE2, IDI_LAYOUT, IDI_FILTER}) {
        HRSRC group = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
        ASSERT_NE(group, nullptr) << id;
        BYTE *directory = static_cast<BYTE *>(LockResource(LoadResource(instance, group)));
        for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
            int entry = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
            HRSRC image = FindResourceA(instance, MAKEINTRESOURCEA(entry), MAKEINTRESOURCEA(3) /* RT_ICON */);
            ASSERT_NE(image, nullptr) << id << " " << size;
            HICON icon = CreateIconFromResourceEx(static_cast<BYTE *>(LockResource(LoadResource(instance, image))),
                                                  SizeofResource(instance, image), TRUE, 0x00030000, 0, 0,
                                                  LR_DEFAULTCOLOR);
            ASSERT_NE(icon, nullptr) << id << " " << size;
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour = {};
            GetObjectA(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size) << id;
            EXPECT_EQ(colour.bmHeight, size) << id;
            DeleteObject(info.hbmMask);
            DeleteObject(info.hbmColor);
            DestroyIcon(icon);
        }
    }
}

// Run in a child process started by ProgramsTakeTheDpiTheyStartWith: ends
// the process with the DPI of a window, the screen's and the artwork's if
// they agree, else with 1. Does nothing in a plain run.
TEST(Geometry, ChildReportsItsDpi)
{
    if (!ChildTestDpi())
        return;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    int dpi = WindowDpi(window);
    bool agree = window && WindowDpi(nullptr) == dpi && ArtworkScale(dpi) == MulDiv(dpi, 100, kBaseDpi);
    ExitProcess(agree ? static_cast<UINT>(dpi) : 1);
}

TEST(Geometry, ProgramsTakeTheDpiTheyStartWith)
{
    for (DWORD dpi : {144u, 192u})
        EXPECT_EQ(RunSelfAtDpi(dpi, "Geometry.ChildReportsItsDpi"), dpi);
}

}  // namespace
