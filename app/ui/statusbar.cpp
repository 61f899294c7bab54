// The status bar: plain texts and the owner-drawn refresh progress display.
//
// The progress record is one per process and lives as long as the process:
// refresh threads update it while the user-interface thread draws it, and a
// record that is never freed can never be drawn after its release. A lock
// guards its fields and is never held across a window message, so a thread
// waiting for the user-interface thread never blocks it.
#include "ui/statusbar.h"

#include <commctrl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "refresh/refresh.h"
#include "ui/geometry.h"

namespace {

struct ProgressRecord {
    bool attached;       // status part 0 shows this record
    bool hasText;
    char text[1000];
    int position;
    int total;
};

ProgressRecord progress;
SRWLOCK progressLock = SRWLOCK_INIT;

void SetPartText(HWND statusBar, int part, const char *text)
{
    SendMessageA(statusBar, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
}

// The formatted text (cut to 999 characters) in one part.
void PrintPart(HWND statusBar, int part, const char *format, va_list args)
{
    char text[1000];
    vsnprintf(text, sizeof text, format, args);
    SetPartText(statusBar, part, text);
}

// Repaints part 0 without touching its content.
void RepaintPart0(HWND statusBar)
{
    RECT rect;
    if (SendMessageA(statusBar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&rect)))
        InvalidateRect(statusBar, &rect, FALSE);
}

}  // namespace

void StatusPrint(HWND statusBar, const char *format, ...)
{
    if (RefreshRunning())
        return;
    va_list args;
    va_start(args, format);
    PrintPart(statusBar, 0, format, args);
    va_end(args);
}

void StatusPrintPart(HWND statusBar, int part, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    PrintPart(statusBar, part, format, args);
    va_end(args);
}

void ProgressBegin(HWND statusBar)
{
    AcquireSRWLockExclusive(&progressLock);
    progress.attached = true;
    progress.hasText = false;
    progress.text[0] = '\0';
    progress.position = 0;
    progress.total = 0;
    ReleaseSRWLockExclusive(&progressLock);
    SendMessageA(statusBar, SB_SETTEXTA, SBT_OWNERDRAW | 0, reinterpret_cast<LPARAM>(&progress));
}

namespace {

// Stores the display's text, position and total; false when no progress
// display is shown.
bool StoreProgress(int position, int total, const char *format, va_list args)
{
    char text[sizeof progress.text];
    vsnprintf(text, sizeof text, format, args);
    AcquireSRWLockExclusive(&progressLock);
    bool attached = progress.attached;
    if (attached) {
        memcpy(progress.text, text, sizeof text);
        progress.hasText = true;
        progress.position = position;
        progress.total = total;
    }
    ReleaseSRWLockExclusive(&progressLock);
    return attached;
}

}  // namespace

void ProgressUpdate(HWND statusBar, int position, int total, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    bool attached = StoreProgress(position, total, format, args);
    va_end(args);
    if (attached)
        RepaintPart0(statusBar);
}

bool ProgressUpdateUnpainted(int position, int total, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    bool attached = StoreProgress(position, total, format, args);
    va_end(args);
    return attached;
}

void ProgressRepaint(HWND statusBar)
{
    RepaintPart0(statusBar);
}

void ProgressEnd(HWND statusBar)
{
    AcquireSRWLockExclusive(&progressLock);
    bool attached = progress.attached;
    progress.attached = false;
    ReleaseSRWLockExclusive(&progressLock);
    if (attached)
        SetPartText(statusBar, 0, "Ready");
}

bool CopyProgressText(char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    AcquireSRWLockShared(&progressLock);
    bool attached = progress.attached;
    snprintf(buffer, size, "%s", attached && progress.hasText ? progress.text : "");
    ReleaseSRWLockShared(&progressLock);
    return attached;
}

void DrawProgress(const DRAWITEMSTRUCT *item)
{
    ProgressRecord shown;
    AcquireSRWLockShared(&progressLock);
    shown = progress;
    ReleaseSRWLockShared(&progressLock);
    if (!shown.attached || !shown.hasText || shown.total == 0)
        return;

    const RECT &r = item->rcItem;
    HDC dc = item->hDC;
    long long position = shown.position;
    char percent[32];
    snprintf(percent, sizeof percent, "%d %%", static_cast<int>(position * 100 / shown.total));
    int split = static_cast<int>(r.right * position / shown.total);
    if (split < r.left)
        split = r.left;
    if (split > r.right)
        split = r.right;

    RECT filled = {r.left, r.top, split, r.bottom};
    RECT rest = {split, r.top, r.right, r.bottom};
    int textLength = static_cast<int>(strlen(shown.text));
    int percentLength = static_cast<int>(strlen(percent));
    SIZE percentSize = {};
    GetTextExtentPoint32A(dc, percent, percentLength, &percentSize);
    int textY = r.top + (r.bottom - r.top - percentSize.cy) / 2;
    int padding = ScaleToDpi(5, WindowDpi(item->hwndItem));
    int percentX = r.right - padding - percentSize.cx;

    int oldMode = SetBkMode(dc, OPAQUE);
    COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_BTNSHADOW));
    COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    ExtTextOutA(dc, r.left + padding, textY, ETO_OPAQUE | ETO_CLIPPED, &filled, shown.text, textLength, nullptr);
    ExtTextOutA(dc, percentX, textY, ETO_CLIPPED, &filled, percent, percentLength, nullptr);

    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutA(dc, r.left + padding, textY, ETO_OPAQUE | ETO_CLIPPED, &rest, shown.text, textLength, nullptr);
    ExtTextOutA(dc, percentX, textY, ETO_CLIPPED, &rest, percent, percentLength, nullptr);

    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    SetBkMode(dc, oldMode);
}

void SetStatusParts(HWND statusBar, int width)
{
    // Parts of 200, 100 and 80 units on the right, the rest for part 0.
    int dpi = WindowDpi(statusBar);
    int edges[4] = {width - ScaleToDpi(380, dpi), width - ScaleToDpi(180, dpi), width - ScaleToDpi(80, dpi), width};
    SendMessageA(statusBar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}
