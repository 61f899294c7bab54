// UloStub: a stand-in for the Ulo messenger client.
//
// It owns a hidden window titled "Parlet Window" that answers the requests a
// Parlet client sends, and a top-level window titled with the owner's number,
// as the messenger does. Each reply is sent to the caller's window (wParam of
// the request) while the request is handled, so it arrives before the
// caller's SendMessageTimeout returns. Notifications go to the windows that
// subscribed with request 10.
//
//   UloStub.exe [-c FILE] [-e LINE]... [-l LOGFILE]
//
// -c and -e give configuration lines (README.md); -l appends one line per
// event to LOGFILE. Closing either window ends the program.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "replies.h"
#include "stubconfig.h"

namespace {

const char kRequestClass[] = "UloStubRequest";
const char kOwnerClass[] = "UloStubOwner";
const char kRequestTitle[] = "Parlet Window";
const UINT kSendSubscribeNotices = WM_APP + 1;
const UINT kReplyTimeoutMs = 5000;

struct Subscription {
    HWND window;
    int value;
    unsigned char events[10];
};

struct StubState {
    StubConfig config;
    std::string logPath;
    HWND requestWindow;
    HWND ownerWindow;
    std::vector<Subscription> subscriptions;
    std::vector<HWND> newSubscribers;   // waiting for their on-subscribe notices
};

StubState g_stub;

void Log(const char *format, ...) __attribute__((format(printf, 1, 2)));

void Log(const char *format, ...)
{
    if (g_stub.logPath.empty())
        return;
    // Opened per line so that a reader sees every line as soon as the event
    // that wrote it is over.
    FILE *file = fopen(g_stub.logPath.c_str(), "ab");
    if (!file)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputc('\n', file);
    fclose(file);
}

unsigned Field(HWND window)
{
    return (unsigned)(ULONG_PTR)window;
}

// A window handle from a 4-byte field: sign-extended, as Windows widens
// 32-bit handles.
HWND WindowFromField(unsigned field)
{
    return (HWND)(LONG_PTR)(LONG)field;
}

// Sends WM_COPYDATA from our request window; false when not taken in time.
bool SendData(HWND to, int code, const StubData &data)
{
    COPYDATASTRUCT message;
    message.dwData = (ULONG_PTR)code;
    message.cbData = data.kind == StubDataBytes ? (DWORD)data.bytes.size() : 0;
    message.lpData = message.cbData ? (void *)data.bytes.data() : nullptr;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(to, WM_COPYDATA, (WPARAM)g_stub.requestWindow, (LPARAM)&message,
                               SMTO_NORMAL, kReplyTimeoutMs, &result) != 0;
}

bool Subscribed(const Subscription &subscription, int code)
{
    return code >= 0 && code < 80 && (subscription.events[code / 8] & (1u << (code % 8)));
}

int Notify(int code, const StubData &data, HWND only)
{
    int sent = 0;
    // A copy: a subscriber's function may call back into us meanwhile.
    std::vector<Subscription> subscriptions = g_stub.subscriptions;
    for (const Subscription &subscription : subscriptions) {
        if (!Subscribed(subscription, code) || (only && subscription.window != only))
            continue;
        bool taken = SendData(subscription.window, code, data);
        Log("notify code=%d window=%08X length=%u taken=%d", code, Field(subscription.window),
            (unsigned)data.bytes.size(), taken ? 1 : 0);
        if (taken)
            sent++;
    }
    return sent;
}

// Ends every subscription of the window.
void RemoveSubscriptions(HWND window)
{
    for (size_t i = 0; i < g_stub.subscriptions.size(); i++) {
        if (g_stub.subscriptions[i].window == window)
            g_stub.subscriptions.erase(g_stub.subscriptions.begin() + i--);
    }
}

void Subscribe(const unsigned char *payload, unsigned length)
{
    if (length < 18) {
        Log("subscribe malformed length=%u", length);
        return;
    }
    Subscription subscription;
    unsigned field;
    memcpy(&field, payload, 4);
    memcpy(&subscription.value, payload + 4, 4);
    memcpy(subscription.events, payload + 8, 10);
    subscription.window = WindowFromField(field);
    // A repeated subscription replaces the window's earlier one.
    RemoveSubscriptions(subscription.window);
    g_stub.subscriptions.push_back(subscription);
    Log("subscribe window=%08X value=%d events=%s", field, subscription.value,
        HexText(subscription.events, 10).c_str());
    if (!g_stub.config.onSubscribe.empty()) {
        g_stub.newSubscribers.push_back(subscription.window);
        PostMessageA(g_stub.requestWindow, kSendSubscribeNotices, 0, 0);
    }
}

void Unsubscribe(const unsigned char *payload, unsigned length)
{
    if (length < 4) {
        Log("unsubscribe malformed length=%u", length);
        return;
    }
    unsigned field;
    memcpy(&field, payload, 4);
    RemoveSubscriptions(WindowFromField(field));
    Log("unsubscribe window=%08X", field);
}

// Request 1000: "CODE DATA" sends one notification to its subscribers.
StubData ControlNotify(const unsigned char *payload, unsigned length)
{
    std::string text(payload ? (const char *)payload : "", payload ? length : 0);
    text = text.c_str();
    char *end = nullptr;
    long code = strtol(text.c_str(), &end, 0);
    StubData data;
    std::string error;
    StubData reply;
    reply.kind = StubDataBytes;
    int sent = 0;
    // A notification without data still goes out, as WM_COPYDATA without data.
    if (end == text.c_str() || !ParseStubData(*end ? std::string(end + 1) : "empty", &data, &error))
        Log("control malformed \"%s\" %s", text.c_str(), error.c_str());
    else
        sent = Notify((int)code, data, nullptr);
    for (int i = 0; i < 4; i++)
        reply.bytes.push_back((unsigned char)((unsigned)sent >> (8 * i)));
    return reply;
}

LRESULT OnRequest(HWND caller, const COPYDATASTRUCT *request)
{
    int code = (int)request->dwData;
    unsigned length = request->lpData ? request->cbData : 0;
    const unsigned char *payload = (const unsigned char *)request->lpData;
    Log("request code=%d length=%u caller=%08X data=%s", code, length, Field(caller),
        HexText(payload, length).c_str());
    if (g_stub.config.slowMs)
        Sleep(g_stub.config.slowMs);

    StubData reply;
    if (code == StubControlNotify) {
        reply = ControlNotify(payload, length);
    } else {
        if (code == 10)
            Subscribe(payload, length);
        else if (code == 12)
            Unsubscribe(payload, length);
        else if (code == 11)
            Log("sendfile %s", std::string((const char *)payload, length ? length - 1 : 0).c_str());
        reply = BuildReply(g_stub.config, code, payload, length, Field(g_stub.ownerWindow));
    }
    if (reply.kind == StubDataNone)
        return TRUE;
    bool taken = SendData(caller, code, reply);
    Log("reply code=%d length=%u taken=%d", code,
        (unsigned)(reply.kind == StubDataBytes ? reply.bytes.size() : 0), taken ? 1 : 0);
    return TRUE;
}

void SendSubscribeNotices()
{
    std::vector<HWND> windows;
    windows.swap(g_stub.newSubscribers);
    for (HWND window : windows) {
        for (const StubNotice &notice : g_stub.config.onSubscribe)
            Notify(notice.code, notice.data, window);
    }
}

LRESULT CALLBACK RequestWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA:
        return lParam ? OnRequest((HWND)wParam, (const COPYDATASTRUCT *)lParam) : FALSE;
    case kSendSubscribeNotices:
        SendSubscribeNotices();
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK OwnerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        Log("owner window closed");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool ReadArguments(int argc, char **argv, std::string *error)
{
    for (int i = 1; i < argc; i++) {
        std::string option = argv[i];
        if (i + 1 >= argc) {
            *error = "option " + option + " needs a value";
            return false;
        }
        const char *value = argv[++i];
        if (option == "-c") {
            if (!LoadStubFile(&g_stub.config, value, error))
                return false;
        } else if (option == "-e") {
            if (!ApplyStubLine(&g_stub.config, value, error))
                return false;
        } else if (option == "-l") {
            g_stub.logPath = value;
        } else {
            *error = "unknown option " + option;
            return false;
        }
    }
    return true;
}

bool CreateWindows(HINSTANCE instance)
{
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.hInstance = instance;
    windowClass.lpfnWndProc = RequestWndProc;
    windowClass.lpszClassName = kRequestClass;
    if (!RegisterClassA(&windowClass))
        return false;
    windowClass.lpfnWndProc = OwnerWndProc;
    windowClass.lpszClassName = kOwnerClass;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    if (!RegisterClassA(&windowClass))
        return false;
    // The request window comes last: once it can be found, everything is up.
    char title[16];
    snprintf(title, sizeof title, "%d", g_stub.config.ownerUin);
    g_stub.ownerWindow = CreateWindowExA(0, kOwnerClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                         CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance,
                                         nullptr);
    g_stub.requestWindow = CreateWindowExA(0, kRequestClass, kRequestTitle, WS_POPUP, 0, 0, 0, 0,
                                           nullptr, nullptr, instance, nullptr);
    if (!g_stub.requestWindow || !g_stub.ownerWindow)
        return false;
    if (g_stub.config.showOwnerWindow)
        ShowWindow(g_stub.ownerWindow, SW_SHOWNOACTIVATE);
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_stub.config = DefaultStubConfig();
    std::string error;
    if (!ReadArguments(__argc, __argv, &error)) {
        Log("error %s", error.c_str());
        return 2;
    }
    if (!CreateWindows(instance)) {
        Log("error cannot create windows (%lu)", GetLastError());
        return 3;
    }
    Log("ready pid=%lu request=%08X owner=%08X", GetCurrentProcessId(), Field(g_stub.requestWindow),
        Field(g_stub.ownerWindow));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyWindow(g_stub.ownerWindow);
    DestroyWindow(g_stub.requestWindow);
    Log("stop");
    return 0;
}
