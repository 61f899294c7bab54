// Fetches over HTTP (net/httpget), or from a Quake 2 UDP master
// (net/udpmaster), on threads of their own, so that a slow,
// silent or endless server never holds the window; the version check's
// reading of the answer; the saving of a download into the program folder.
//
// A fetch runs on its own thread and tells the window through the message
// given to StartWebFetch; the window passes that message to
// OnWebFetchMessage, which calls the fetch's hooks on the window's thread.
// At most one fetch of each kind runs at a time.
#ifndef SKOVALT_NET_WEB_H
#define SKOVALT_NET_WEB_H

#include <windows.h>
#include <stdint.h>

#include "net/httpget.h"

// The limits of every fetch (10 s to connect, 15 s without data, 60 s in
// all, 5 redirects, 8 MiB); tests shorten them. The version file is read
// up to its first 512 bytes whatever its length.
extern HttpLimits webLimits;

enum WebFetchKind {
    WebFetchMasterList,
    WebFetchStartupVersion,  // the version check at start-up
    WebFetchVersion,         // "Check for new version"
    WebFetchKinds
};

// A fetch as its hooks see it: while it runs (progress) and when it ended
// (done; body is valid during the call only).
struct WebFetch {
    int kind;
    char url[1024];
    int result;                 // HttpOk or an HttpErr... code (HttpMore while running)
    int status;                 // the HTTP status of the last answer, 0 when none
    const unsigned char *body;  // null when empty
    size_t size;
    size_t received;            // body bytes so far
    long long announced;        // the announced length, -1 when none
};
typedef void (*WebFetchHook)(HWND window, const WebFetch *fetch);

// Starts fetching url: "http://..." or, for the master list,
// "udp://host[:port]", a Quake 2 UDP master, whose servers become the body
// as "a.b.c.d:port" lines; it answers within the query time-out
// ("Timeout"), and its answer ends at a second without a datagram. progress (may be null) is called now and then while
// the body arrives, done once at the end, also after a cancel. False when
// a fetch of that kind runs already or no thread can be started (no hook
// is called).
bool StartWebFetch(HWND window, UINT message, WebFetchKind kind, const char *url, WebFetchHook progress,
                   WebFetchHook done);
bool WebFetchRunning(WebFetchKind kind);
// Stop and Esc: every running fetch ends soon with HttpErrCancelled.
void CancelWebFetches();
// The window closes: every running fetch is cancelled and waited for; no
// hook is called.
void EndWebFetches();
// The window's handler of the message given to StartWebFetch.
LRESULT OnWebFetchMessage(HWND window, WPARAM wParam, LPARAM lParam);

// Reports a failed fetch: "Internet error on:\n%s\n%s" with the URL and the
// failure's text (exclamation box owned by owner).
void ReportWebFailure(HWND owner, const WebFetch *fetch);

// Writes a downloaded body to fileName of the program folder, in text mode
// (a line feed is stored as CR LF). The file is replaced only when all of
// it was written and flushed; otherwise the old file stays. Returns 0, or 1
// after a message ("Cannot write '%s'", or "The path of '%s' is too long"
// when the name does not fit a path).
int SaveDownload(HWND owner, const char *fileName, const unsigned char *body, size_t size);

// The version a finished version fetch publishes (its first 512 bytes):
// kNoVersion (net/version.h) when it failed or has none; the version when
// it is newer than the program's own; 0 otherwise.
uint32_t NewerVersion(const WebFetch *fetch);

#endif
