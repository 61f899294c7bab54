// The horizontal splitter bar between the two lists (class "ClassHSplit").
// Its window word holds the state: 0x01 while dragging, 0x80 horizontal.
#include "ui/splitter.h"

#include <string.h>

#include "resources/resource.h"
#include "ui/geometry.h"
#include "ui/helpers.h"
#include "ui/messages.h"

namespace {

const LONG Dragging = 0x01;
const LONG Horizontal = 0x80;

// The y of the drag line last drawn on the parent (0: none).
short dragLineY;

// Draws (or, drawn again, erases) the drag line on the parent.
void InvertLine(HWND splitter, short y)
{
    HWND parent = GetParent(splitter);
    RECT rect;
    ChildRect(splitter, &rect);
    HDC dc = GetDC(parent);
    int oldRop = SetROP2(dc, R2_NOT);
    HPEN pen = CreatePen(PS_SOLID, ScaleToDpi(4, WindowDpi(splitter)), RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, rect.right, y);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    SetROP2(dc, oldRop);
    ReleaseDC(parent, dc);
}

void OnPaint(HWND splitter)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(splitter, &paint);
    RECT rect;
    GetClientRect(splitter, &rect);
    InflateRect(&rect, 1, 1);
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    InflateRect(&rect, -1, -1);
    DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    EndPaint(splitter, &paint);
}

void OnMouseMove(HWND splitter, LPARAM lParam)
{
    if (!(GetWindowLongA(splitter, 0) & Dragging))
        return;
    if (dragLineY)
        InvertLine(splitter, dragLineY);
    RECT rect;
    ChildRect(splitter, &rect);
    dragLineY = static_cast<short>(static_cast<short>(HIWORD(lParam)) + rect.top);
    InvertLine(splitter, dragLineY);
}

void OnButtonUp(HWND splitter)
{
    LONG state = GetWindowLongA(splitter, 0);
    if (!(state & Dragging))
        return;
    if (dragLineY)
        InvertLine(splitter, dragLineY);
    ReleaseCapture();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (dragLineY) {
        RECT rect;
        ChildRect(splitter, &rect);
        if (state & Horizontal)
            MoveWindow(splitter, rect.left, dragLineY, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    dragLineY = 0;
    SetWindowLongA(splitter, 0, state & ~Dragging);
    SendMessageA(GetParent(splitter), UM_SPLITMOVED, 0, 0);
}

LRESULT CALLBACK SplitterProc(HWND splitter, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        char name[32];
        GetClassNameA(splitter, name, sizeof name);
        if (_stricmp(name, "ClassHSplit") == 0)
            SetWindowLongA(splitter, 0, Horizontal);
        return 0;
    }
    case WM_PAINT:
        OnPaint(splitter);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(splitter, GWLP_HINSTANCE)),
                                  MAKEINTRESOURCEA(ArtworkResource(IDC_SPLIT, WindowDpi(splitter)))));
            return TRUE;
        }
        return DefWindowProcA(splitter, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        SetWindowLongA(splitter, 0, GetWindowLongA(splitter, 0) | Dragging);
        SetCapture(splitter);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(splitter, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(splitter);
        return 0;
    default:
        return DefWindowProcA(splitter, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterSplitterClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SplitterProc;
    wc.cbWndExtra = sizeof(LONG);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_SPLIT));
    wc.lpszClassName = "ClassHSplit";
    return RegisterClassExA(&wc) != 0;
}
