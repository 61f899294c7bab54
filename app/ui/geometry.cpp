#include "ui/geometry.h"

#include <stddef.h>
#include <string.h>

#include "resources/resource.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI *)(HWND);
using SystemParametersInfoForDpiFn = BOOL(WINAPI *)(UINT, UINT, PVOID, UINT, UINT);

// A function of user32 that older Windows lacks, looked up once; null where
// there is none.
template <typename Fn>
Fn User32Function(const char *name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return kBaseDpi;
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

int ValidDpi(int dpi)
{
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int WindowDpi(HWND window)
{
    static const GetDpiForWindowFn getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (window && getDpiForWindow) {
        UINT dpi = getDpiForWindow(window);
        if (dpi > 0)
            return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int ScaleToDpi(int units, int dpi)
{
    return MulDiv(units, ValidDpi(dpi), kBaseDpi);
}

int UnscaleFromDpi(int pixels, int dpi)
{
    return MulDiv(pixels, kBaseDpi, ValidDpi(dpi));
}

int ArtworkScale(int dpi)
{
    if (dpi < 120)
        return 100;
    if (dpi < 168)
        return 150;
    return 200;
}

bool MessageFontForDpi(int dpi, LOGFONTA *font)
{
    memset(font, 0, sizeof *font);
    dpi = ValidDpi(dpi);
    static const SystemParametersInfoForDpiFn forDpi =
        User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    if (forDpi) {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof metrics;
        if (forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, static_cast<UINT>(dpi))) {
            const LOGFONTW &wide = metrics.lfMessageFont;
            // Every field up to the face name is the same in both records.
            memcpy(font, &wide, offsetof(LOGFONTA, lfFaceName));
            if (WideCharToMultiByte(CP_ACP, 0, wide.lfFaceName, -1, font->lfFaceName, LF_FACESIZE, nullptr,
                                    nullptr) == 0)
                font->lfFaceName[0] = '\0';
            return true;
        }
    }
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return false;
    // That font is sized for the screen's DPI.
    *font = metrics.lfMessageFont;
    int screenDpi = ScreenDpi();
    font->lfHeight = MulDiv(font->lfHeight, dpi, screenDpi);
    font->lfWidth = MulDiv(font->lfWidth, dpi, screenDpi);
    return true;
}

RECT CenteredOnWorkArea(HWND window, int width, int height)
{
    HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT area;
    if (!monitor || !GetMonitorInfoA(monitor, &info) || IsRectEmpty(&info.rcWork)) {
        if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
            SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    } else {
        area = info.rcWork;
    }
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    if (left < area.left)
        left = area.left;
    if (top < area.top)
        top = area.top;
    RECT rect = {left, top, left + width, top + height};
    return rect;
}

int ArtworkResource(int resource, int dpi)
{
    static const struct {
        int base, at150, at200;
    } kScaled[] = {
        {IDB_TOOLBAR, IDB_TOOLBAR150, IDB_TOOLBAR200},      {IDB_LISTIMAGES, IDB_LISTIMAGES150, IDB_LISTIMAGES200},
        {IDC_SPLIT, IDC_SPLIT150, IDC_SPLIT200},            {IDC_DRAGROW, IDC_DRAGROW150, IDC_DRAGROW200},
        {IDR_REFRESHAVI, IDR_REFRESHAVI150, IDR_REFRESHAVI200},
    };
    int scale = ArtworkScale(dpi);
    for (const auto &art : kScaled) {
        if (art.base == resource)
            return scale == 200 ? art.at200 : scale == 150 ? art.at150 : art.base;
    }
    return resource;
}

int ArtworkHeight(HINSTANCE instance, int bitmap, int fallback)
{
    HBITMAP handle = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info = {};
    int height = handle && GetObjectA(handle, sizeof info, &info) ? info.bmHeight : fallback;
    if (handle)
        DeleteObject(handle);
    return height < 0 ? -height : height;
}

void CenterWindow(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    RECT centred = CenteredOnWorkArea(window, rect.right - rect.left, rect.bottom - rect.top);
    SetWindowPos(window, nullptr, centred.left, centred.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
