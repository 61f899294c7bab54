// Pictures of the main window, the preferences sheet's pages and the about
// box for the README, taken in-process from the screen of a headless session:
//   SKOVALT_SHOTS=FOLDER wine64 app_screenshots.exe
// (tools/scripts/screenshot-dialogs.sh runs it and makes PNG files). Each
// picture is a 24-bit BMP named after what it shows. Without SKOVALT_SHOTS
// the test is skipped.
#include "sheet_support.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/messages.h"
#include "ui/preferences.h"

namespace {

std::string shots;

// Writes what the screen shows of a window as a BMP file.
void Capture(HWND window, const char *name)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    // The screen is read back from the X server, which shows what was
    // drawn a moment later: a picture tool may wait.
    Sleep(300);
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    DWORD size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::string path = shots + name + ".bmp";
    FILE *out = fopen(path.c_str(), "wb");
    if (out) {
        fwrite(&file, sizeof file, 1, out);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        fwrite(bits, 1, size, out);
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

class Screenshots : public SheetTest {
protected:
    void SetUp() override
    {
        const char *folder = getenv("SKOVALT_SHOTS");
        if (!folder || !*folder)
            GTEST_SKIP() << "SKOVALT_SHOTS names no folder";
        shots = folder;
        if (shots.back() != '\\' && shots.back() != '/')
            shots += '\\';
        SheetTest::SetUp();
    }
};

TEST_F(Screenshots, SheetPagesAndAboutBox)
{
    // The Quake2 page is left only for a file that exists: one in the
    // session's own prefix.
    CreateDirectoryA("C:\\Games", nullptr);
    CreateDirectoryA("C:\\Games\\Quake2", nullptr);
    HANDLE exe = CreateFileA("C:\\Games\\Quake2\\quake2.exe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(exe, INVALID_HANDLE_VALUE);
    CloseHandle(exe);
    WriteSetting("Exe", "C:\\Games\\Quake2\\quake2.exe");
    WriteSetting("Param", "+set cl_maxfps 90");
    WriteSetting("CloseUlo", "Y");
    WriteSetting("Startup", "S");
    AddServer(Ip("10.0.0.1"), 27910, "", "Brakkon's CTF", "ctf", 40);
    AddServer(Ip("10.0.0.2"), 27910, "", "Rocket Arena", "arena", 80);
    AddServer(Ip("10.0.0.3"), 27910, "", "Deathmatch", "baseq2", 30);
    // Under the program's own name at 96 DPI; at another DPI with the DPI
    // after it, to be looked at (tools/scripts/screenshot-dialogs.sh
    // keeps only the main window's of those).
    int dpi = WindowDpi(main);
    std::string suffix = dpi == kBaseDpi ? "" : "-" + std::to_string(dpi);
    ShowWindow(main, SW_SHOWNORMAL);
    MoveWindow(main, 0, 0, ScaleToDpi(480, dpi), ScaleToDpi(330, dpi), TRUE);
    HWND splitter = GetDlgItem(main, ID_SPLITTER);
    RECT split;
    ChildRect(splitter, &split);
    MoveWindow(splitter, split.left, ScaleToDpi(180, dpi), split.right - split.left, split.bottom - split.top, TRUE);
    SendMessageA(main, UM_SPLITMOVED, 0, 0);
    Pump();
    Capture(main, ("main" + suffix).c_str());
    static std::string names[5];
    const char *bases[] = {"prefs-general", "prefs-startup", "prefs-quake2", "prefs-layout", "prefs-filter"};
    for (int i = 0; i < 5; ++i)
        names[i] = bases[i] + suffix;
    std::vector<SheetScript> steps;
    for (int page = PageGeneral; page <= PageFilter; ++page) {
        steps.push_back([page](HWND sheet) {
            Capture(sheet, names[page].c_str());
            if (page < PageFilter)
                PropSheet_SetCurSel(sheet, nullptr, page + 1);
            else
                PropSheet_PressButton(sheet, PSBTN_CANCEL);
        });
    }
    RunSheetSteps(PageGeneral, steps);
    EXPECT_EQ(leftOpen, 0);
    EXPECT_TRUE(shownMessages.empty());

    RunInDialog("Skovalt", [](HWND dialog) {
        Capture(dialog, ("about" + std::string(WindowDpi(dialog) == kBaseDpi ? "" : "-" + std::to_string(WindowDpi(dialog)))).c_str());
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(main, WM_COMMAND, CMD_ABOUT, 0);
    for (const char *name : {"main", "prefs-general", "prefs-filter", "about"})
        EXPECT_TRUE(GetFileAttributesA((shots + name + suffix + ".bmp").c_str()) != INVALID_FILE_ATTRIBUTES) << name;
}

}  // namespace
