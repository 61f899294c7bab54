// The about box, the picture drawn with its own palette, and the picture
// offered after a feedback mail.
#include "ui/aboutbox.h"

#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/files.h"
#include "base/paths.h"
#include "base/report.h"
#include "base/shell.h"
#include "net/feedbackmail.h"
#include "net/version.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/sounds.h"

namespace {

uint32_t versionForTests = kNoVersion;

HINSTANCE Instance()
{
    return appData ? appData->instance : GetModuleHandleA(nullptr);
}

// Writes data to path through a temporary file beside it, so that a
// failed write leaves no partial picture, and never over an existing file.
bool WriteWhole(const wchar_t *path, const void *data, DWORD size)
{
    WidePath temporary;
    if (!PathWithSuffix(&temporary, path, L".tmp"))
        return false;
    if (!WriteWholeFile(temporary.text, data, size))
        return false;
    if (MoveFileExW(temporary.text, path, MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.text);
    return false;
}

void OnDrawPicture(DRAWITEMSTRUCT *draw)
{
    const RECT &r = draw->rcItem;
    DrawBitmapResource(IDB_PORTRAIT, draw->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        char text[64];
        AboutVersionText(versionForTests != kNoVersion ? versionForTests : GetOwnVersion(), text, sizeof text);
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wParam != IDC_ABOUT_PICTURE)
            return FALSE;
        OnDrawPicture(reinterpret_cast<DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_ABOUT_MAIL: {
            bool sent = false;
            if (SendFeedbackMail(dialog, &sent) == 0 && sent)
                OfferPicture(dialog);
            return TRUE;
        }
        case IDC_ABOUT_PICTURE:
            PlayWave("mireva.wav", SND_ASYNC);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

void ShowAboutBox(HWND mainWindow)
{
    DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_ABOUT), mainWindow, AboutProc, 0);
}

void AboutVersionText(uint32_t packed, char *text, size_t size)
{
    if (packed == 0)
        snprintf(text, size, "Skovalt");
    else
        snprintf(text, size, "Skovalt %u.%u.%u", VersionMajor(packed), VersionMinor(packed), VersionRelease(packed));
}

int DrawBitmapResource(int resource, HDC dc, int x, int y, int width, int height)
{
    HINSTANCE instance = Instance();
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const BITMAPINFO *info = loaded ? static_cast<const BITMAPINFO *>(LockResource(loaded)) : nullptr;
    if (!info || SizeofResource(instance, found) < sizeof(BITMAPINFOHEADER))
        return 1;
    const BITMAPINFOHEADER &header = info->bmiHeader;
    int colours = 0;
    if (header.biBitCount <= 8)
        colours = header.biClrUsed ? static_cast<int>(header.biClrUsed) : 1 << header.biBitCount;

    HDC screen = GetDC(nullptr);
    HPALETTE palette = nullptr;
    HPALETTE oldPalette = nullptr;
    if (colours > 0) {
        size_t size = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(colours);
        LOGPALETTE *logical = static_cast<LOGPALETTE *>(calloc(1, size));
        if (logical) {
            logical->palVersion = 0x300;
            logical->palNumEntries = static_cast<WORD>(colours);
            for (int i = 0; i < colours; ++i) {
                logical->palPalEntry[i].peRed = info->bmiColors[i].rgbRed;
                logical->palPalEntry[i].peGreen = info->bmiColors[i].rgbGreen;
                logical->palPalEntry[i].peBlue = info->bmiColors[i].rgbBlue;
            }
            palette = CreatePalette(logical);
            free(logical);
        }
        if (palette) {
            oldPalette = SelectPalette(screen, palette, FALSE);
            RealizePalette(screen);
        }
    }
    const BYTE *bits = reinterpret_cast<const BYTE *>(info) + header.biSize + sizeof(RGBQUAD) * colours;
    HBITMAP bitmap = CreateDIBitmap(screen, &header, CBM_INIT, bits, info, DIB_RGB_COLORS);
    if (palette)
        SelectPalette(screen, oldPalette, FALSE);
    ReleaseDC(nullptr, screen);

    HDC memory = CreateCompatibleDC(dc);
    HPALETTE oldTarget = nullptr;
    HPALETTE oldMemory = nullptr;
    if (palette) {
        oldTarget = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
        oldMemory = SelectPalette(memory, palette, FALSE);
        RealizePalette(memory);
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    // The picture fills the box it is drawn in: at another size than its
    // own (its button on a screen of more than 96 DPI) smoothly stretched.
    int pictureWidth = static_cast<int>(header.biWidth);
    int pictureHeight = static_cast<int>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    if (width == pictureWidth && height == pictureHeight) {
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    } else {
        int oldMode = SetStretchBltMode(dc, HALFTONE);
        POINT oldOrigin;
        SetBrushOrgEx(dc, 0, 0, &oldOrigin);
        StretchBlt(dc, x, y, width, height, memory, 0, 0, pictureWidth, pictureHeight, SRCCOPY);
        SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
        SetStretchBltMode(dc, oldMode);
    }
    SelectObject(memory, oldBitmap);
    if (palette) {
        SelectPalette(memory, oldMemory, FALSE);
        SelectPalette(dc, oldTarget, FALSE);
    }
    DeleteObject(bitmap);
    if (palette)
        DeleteObject(palette);
    DeleteDC(memory);
    return 0;
}

void OfferPicture(HWND owner)
{
    WidePath path;
    if (!ModulePath(&path, "Mireva.jpg") || GetFileAttributesW(path.text) != INVALID_FILE_ATTRIBUTES)
        return;
    HINSTANCE instance = Instance();
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_PORTRAITJPEG), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void *data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(instance, found) : 0;
    if (!data || size == 0)
        return;
    if (ReportMessage(owner, MB_YESNO | MB_ICONQUESTION,
                      "Thanks for your feedback !\nWould you like to have my picture ?") != IDYES)
        return;
    // The shell takes an 8-bit path: the short form where the folder's
    // name does not fit the code page.
    char shown[kPathMax * 2];
    if (!WriteWhole(path.text, data, size))
        ReportMessage(owner, MB_OK | MB_ICONEXCLAMATION, "Could not write %s",
                      PathForMessage(path.text, shown, sizeof shown));
    else if (AnsiPath(path.text, shown, sizeof shown))
        OpenWithShell(owner, shown, nullptr, nullptr, SW_SHOWNORMAL);
}

void SetAboutVersionForTests(uint32_t packed)
{
    versionForTests = packed;
}
