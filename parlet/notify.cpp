// The notification channel: a second hidden window receives the client's
// events, and each event's data goes to the function the program set for it.
#include "parlet/internal.h"

#include <string.h>

static const char kNotificationClass[] = "UloUloAPI-NOTIFICATION";

struct EventEntry;
typedef void (*EventDecoder)(const EventEntry *entry, const unsigned char *data, DWORD length);

struct EventEntry {
    int code;
    EventDecoder decoder;         // null ends the table
    UloNotifyFunc userFunc;       // null: the event is switched off
    const char *name;
};

// Events with a number: the int32 at the start of the data. Data too short
// to hold one is not an event the function can be called for.
static void DecodeNumber(const EventEntry *entry, const unsigned char *data, DWORD length)
{
    ReplyReader reader = ReaderOver(data, length);
    int number;
    if (!ReadInt32(&reader, &number))
        return;
    Trace("%s %d", entry->name, number);
    ((UloNotifyNumberFunc)entry->userFunc)(number);
}

static void DecodeNothing(const EventEntry *entry, const unsigned char *, DWORD)
{
    Trace("%s", entry->name);
    entry->userFunc();
}

// The text at the start of the data, bounded by the data's length whether or
// not the client sent its NUL. The function gets a copy that is released
// when it returns.
static void DecodeText(const EventEntry *entry, const unsigned char *data, DWORD length)
{
    if (!data)
        length = 0;
    const void *end = length ? memchr(data, 0, length) : nullptr;
    size_t textLength = end ? (size_t)((const unsigned char *)end - data) : length;
    char *copy = (char *)ParletAlloc(textLength + 1);
    if (!copy)
        return;
    if (textLength)
        memcpy(copy, data, textLength);
    Trace("%s %s", entry->name, copy);
    ((UloNotifyTextFunc)entry->userFunc)(copy);
    ParletFree(copy);
}

static EventEntry g_events[] = {
    {UloAPINotify_OnlineListChange, DecodeNumber, nullptr, "UloAPINotify_OnlineListChange"},
    {UloAPINotify_FullUserDataChange, DecodeNumber, nullptr, "UloAPINotify_FullUserDataChange"},
    {UloAPINotify_AppBarStateChange, DecodeNumber, nullptr, "UloAPINotify_AppBarStateChange"},
    {UloAPINotify_OnlinePlacement_Change, DecodeNothing, nullptr,
     "UloAPINotify_OnlinePlacement_Change"},
    {UloAPINotify_OwnerChange, DecodeNumber, nullptr, "UloAPINotify_OwnerChange"},
    {UloAPINotify_FullOwnerData_Change, DecodeNothing, nullptr,
     "UloAPINotify_FullOwnerData_Change"},
    {UloAPINotify_OnlineListHandle_Change, DecodeNumber, nullptr,
     "UloAPINotify_OnlineListHandle_Change"},
    {UloAPINotify_FileReceived, DecodeText, nullptr, "UloAPINotify_FileReceived"},
    {UloAPINotify_CloseVistrel, DecodeNothing, nullptr, "UloAPINotify_CloseVistrel"},
    {0, nullptr, nullptr, nullptr},
};

void InitNotificationWindow()
{
    g_parlet.notificationWindow = CreateLibraryWindow(kNotificationClass, NotificationWndProc);
    Trace("InitNotificationWindow - window handle %08X\n",
          HandleField(g_parlet.notificationWindow));
}

void UninitNotificationWindow()
{
    if (!g_parlet.notificationWindow)
        return;
    DestroyLibraryWindow(&g_parlet.notificationWindow, kNotificationClass);
    Trace("UninitNotificationWindow\n");
}

LRESULT CALLBACK NotificationWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Trace("NotificationWndProc - hwnd %08X message %04X wparam %08X lparam %08X\n",
          HandleField(window), message, (unsigned)wParam, (unsigned)lParam);
    if (message != WM_COPYDATA || !lParam)
        return DefWindowProcA(window, message, wParam, lParam);
    const COPYDATASTRUCT *notice = (const COPYDATASTRUCT *)lParam;
    Trace("NotificationWndProc - WM_COPYDATA code %d\n", (int)notice->dwData);
    g_parlet.noticeCode = (DWORD)notice->dwData;
    g_parlet.noticeLength = notice->cbData;
    g_parlet.noticeData = notice->lpData;
    for (const EventEntry *entry = g_events; entry->decoder; entry++) {
        if ((ULONG_PTR)entry->code == notice->dwData && entry->userFunc)
            entry->decoder(entry, (const unsigned char *)notice->lpData, notice->cbData);
    }
    // The data belongs to the sender and ends with this message.
    g_parlet.noticeData = nullptr;
    return TRUE;
}

// Request code 10 or 12 with its payload. The client answers it by sending
// notifications to the notification window, which the trace names.
static int SendSubscription(const char *name, DWORD code, const void *payload, DWORD length)
{
    ClientRequest request = {code, ReplyUnused, name};
    request.parts[0] = {payload, length};
    request.tracedWindow = g_parlet.notificationWindow;
    return CallClient(&request, nullptr) ? 1 : 0;
}

extern "C" {

int PARLET_CALL UloAPICall_RegisterNotify(int value, int count, const unsigned char *codes)
{
    // The window, the value, and the event set of one bit per code.
    const DWORD eventSetOffset = 8;
    unsigned char payload[18] = {};
    unsigned window = HandleField(g_parlet.notificationWindow);
    memcpy(payload, &window, 4);
    memcpy(payload + 4, &value, 4);
    for (int i = 0; codes && i < count; i++) {
        // The event set has room for codes 0 to 79 only.
        if (codes[i] < ULO_NOTIFY_CODE_LIMIT)
            payload[eventSetOffset + codes[i] / 8] |= (unsigned char)(1u << (codes[i] % 8));
    }
    return SendSubscription("UloAPIRegisterNotify", UloRequest_RegisterNotify, payload,
                            sizeof payload);
}

int PARLET_CALL UloAPICall_UnRegisterNotify(void)
{
    unsigned window = HandleField(g_parlet.notificationWindow);
    return SendSubscription("UloAPIUnRegisterNotify", UloRequest_UnRegisterNotify, &window, 4);
}

void PARLET_CALL UloAPIUtil_SetUserNotificationFunc(int code, UloNotifyFunc func)
{
    for (EventEntry *entry = g_events; entry->decoder; entry++) {
        if (entry->code == code)
            entry->userFunc = func;
    }
}

} // extern "C"
