// Parlet internals shared by the library's source files (and its tests).
#ifndef PARLET_INTERNAL_H
#define PARLET_INTERNAL_H

#include <windows.h>

#include <stddef.h>

#include "parlet/parlet.h"

// The library's process-wide state.
struct ParletState {
    HINSTANCE module;
    HWND callbackWindow;          // receives the client's replies
    HWND notificationWindow;      // receives the client's notifications

    // Reply slot: the last reply, written only by MainWndProc.
    DWORD replyCode;              // recorded, never examined
    DWORD replyLength;            // 0 when the last request got no reply data
    unsigned char *replyData;     // heap copy of the last reply, or null
    bool replyLost;               // a reply came but could not be copied

    // Last notification, valid only while NotificationWndProc handles it.
    DWORD noticeCode;
    DWORD noticeLength;
    const void *noticeData;

    // Heap accounting: blocks handed out by ParletAlloc and not yet freed,
    // and a countdown that makes one future allocation fail (-1: none).
    long liveBlocks;
    long failCountdown;
};

extern ParletState g_parlet;

// Trace hook: receives a printf-style message at every step of the channel.
// The messages are discarded.
void Trace(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Heap. ParletAlloc returns zeroed memory, or null when memory runs out.
void *ParletAlloc(size_t size);
void ParletFree(void *block);

// Library start and end, run by the entry point on process attach and
// detach.
void LibraryAttach(HINSTANCE module);
void LibraryDetach();

// Callback window and request channel.
// The library's hidden windows: class registered (an earlier registration
// that survived is fine) and a WS_POPUP window of it made, or the window
// released and the class unregistered. Used for the callback window and
// the notification window alike.
HWND CreateLibraryWindow(const char *className, WNDPROC procedure);
void DestroyLibraryWindow(HWND *window, const char *className);

void InitWindow();
void UninitWindow();
void CheckMainWnd();
HWND FindClientWindow();
bool SendRequest(HWND client, const COPYDATASTRUCT *request);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Notification window.
void InitNotificationWindow();
void UninitNotificationWindow();
LRESULT CALLBACK NotificationWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A 4-byte window field: the handle's low 32 bits identify the window.
inline unsigned HandleField(HWND window) { return (unsigned)(ULONG_PTR)window; }

// Reading a reply (or a notification's data): items one after another from a
// running position. A read that the remaining data cannot hold returns false
// and changes nothing, so decoding never goes past the data's length.
struct ReplyReader {
    const unsigned char *data;
    DWORD length;
    DWORD position;
};

// A reader over length bytes at data (none when data is null), or over the
// reply slot.
ReplyReader ReaderOver(const void *data, DWORD length);
ReplyReader ReaderOverReply();
bool ReadInt32(ReplyReader *reader, int *value);
bool ReadInt16(ReplyReader *reader, short *value);
bool ReadByte(ReplyReader *reader, unsigned char *value);
// Copies the NUL-terminated text at the position into a field of width
// bytes: at most width - 1 characters, the rest of the field NUL. The
// position moves past the whole text and its NUL. A text that the data ends
// before its NUL yields the characters the data holds and ends the reply.
bool ReadText(ReplyReader *reader, char *field, size_t width);
DWORD RemainingBytes(const ReplyReader *reader);
// How many items of at least itemSize bytes the data left can hold, but no
// more than the announced count: none for a count of 0 or below.
DWORD ItemsHeld(const ReplyReader *reader, int announced, DWORD itemSize);

// Making a request: every call goes through CallClient.

// What a call needs of the reply to its request.
enum ReplyUse {
    ReplyUnused,   // nothing: the client taking the request is enough
    ReplyOptional, // a reply without data will do, one lost for want of memory will not
    ReplyRequired  // reply data
};

// Bytes of a request's payload.
struct PayloadPart {
    const void *data;
    DWORD length;
};

// One request as a call makes it.
struct ClientRequest {
    DWORD code;
    ReplyUse reply;
    const char *sendName = nullptr;   // names in the trace; null: not traced
    const char *resultName = nullptr;
    // The payload: the parts joined into one block on the library's heap,
    // released once the request returns (none when they hold no bytes); with
    // sentAsIs, the first part is sent from where the caller holds it.
    PayloadPart parts[2] = {};
    bool sentAsIs = false;
    HWND tracedWindow = nullptr;      // the window the trace names; null: the callback window
};

// Finds the client, sends it the request and checks the reply as the
// request's ReplyUse says. True when the client took the request in time
// and the reply is as the call needs it; reader (when given) then reads over
// the reply. False, with nothing left allocated, when the client is not
// running, did not take the request, the payload's block could not be had,
// or the reply is not what the call needs.
bool CallClient(const ClientRequest *request, ReplyReader *reader);

#endif
