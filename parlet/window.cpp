// The callback window and the request channel.
//
// A request is a WM_COPYDATA message sent to the client's window with our
// callback window in wParam. The client answers by sending its own
// WM_COPYDATA to that window while it still handles the request; our thread
// waits inside SendMessageTimeoutA, which dispatches such incoming sent
// messages, so the reply slot is filled when the request returns.
#include "parlet/internal.h"

#include <string.h>

ParletState g_parlet = {nullptr, nullptr, nullptr, 0, 0, nullptr, false, 0, 0, nullptr, 0, -1};

static const char kCallbackClass[] = "UloUloAPI-CALLBACK";
static const UINT kRequestTimeoutMs = 1000;

void Trace(const char *, ...)
{
}

void LibraryAttach(HINSTANCE module)
{
    g_parlet.module = module;
    InitWindow();
    InitNotificationWindow();
}

void LibraryDetach()
{
    UninitWindow();
    UninitNotificationWindow();
}

HWND CreateLibraryWindow(const char *className, WNDPROC procedure)
{
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = g_parlet.module;
    windowClass.lpszMenuName = "";
    windowClass.lpszClassName = className;
    // Fails harmlessly when the class survived an earlier window (CheckMainWnd).
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_parlet.module,
                           nullptr);
}

void DestroyLibraryWindow(HWND *window, const char *className)
{
    if (!*window)
        return;
    // Detach may run on any thread, and only the owner thread may destroy the
    // window: unhook our procedure (the library is about to go) and let the
    // window wind down through the default one.
    SetWindowLongPtrA(*window, GWLP_WNDPROC, (LONG_PTR)DefWindowProcA);
    PostMessageA(*window, WM_DESTROY, 0, 0);
    PostMessageA(*window, WM_NCDESTROY, 0, 0);
    *window = nullptr;
    UnregisterClassA(className, g_parlet.module);
}

void InitWindow()
{
    g_parlet.callbackWindow = CreateLibraryWindow(kCallbackClass, MainWndProc);
    Trace("InitWindow - window handle %08X\n", HandleField(g_parlet.callbackWindow));
}

void UninitWindow()
{
    if (!g_parlet.callbackWindow)
        return;
    DestroyLibraryWindow(&g_parlet.callbackWindow, kCallbackClass);
    Trace("UninitWindow\n");
}

void CheckMainWnd()
{
    if (IsWindow(g_parlet.callbackWindow))
        return;
    Trace("CheckMainWnd - Bad Window handle %08X\n", HandleField(g_parlet.callbackWindow));
    InitWindow();
}

// Keeps a copy of the reply. When the copy cannot be made the slot reads as
// empty (and lost), never as a length without data.
static void StoreReply(const COPYDATASTRUCT *reply)
{
    g_parlet.replyCode = (DWORD)reply->dwData;
    g_parlet.replyLength = 0;
    g_parlet.replyLost = false;
    ParletFree(g_parlet.replyData);
    g_parlet.replyData = nullptr;
    if (reply->cbData == 0 || !reply->lpData)
        return;
    unsigned firstInt = 0;
    if (reply->cbData >= 4)
        memcpy(&firstInt, reply->lpData, 4);
    Trace("MainWndProc - WM_COPYDATA got %d bytes, first int %08X\n", (int)reply->cbData,
          firstInt);
    unsigned char *copy = (unsigned char *)ParletAlloc(reply->cbData);
    if (!copy) {
        g_parlet.replyLost = true;
        return;
    }
    memcpy(copy, reply->lpData, reply->cbData);
    g_parlet.replyData = copy;
    g_parlet.replyLength = reply->cbData;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Trace("MainWndProc - hwnd %08X message %04X wparam %08X lparam %08X\n", HandleField(window),
          message, (unsigned)wParam, (unsigned)lParam);
    if (message != WM_COPYDATA || !lParam)
        return DefWindowProcA(window, message, wParam, lParam);
    Trace("MainWndProc - WM_COPYDATA\n");
    StoreReply((const COPYDATASTRUCT *)lParam);
    return TRUE;
}

HWND FindClientWindow()
{
    return FindWindowA(nullptr, ULO_CLIENT_WINDOW_TITLE);
}

bool SendRequest(HWND client, const COPYDATASTRUCT *request)
{
    CheckMainWnd();
    g_parlet.replyLength = 0;
    g_parlet.replyLost = false;
    DWORD_PTR ignored = 0;
    LRESULT sent = SendMessageTimeoutA(client, WM_COPYDATA, (WPARAM)g_parlet.callbackWindow,
                                       (LPARAM)request, SMTO_ABORTIFHUNG, kRequestTimeoutMs,
                                       &ignored);
    return sent != 0;
}
