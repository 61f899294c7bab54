// The web from the main window: the version check (at start-up and from
// the menu), a game server's web site, and the program's home page.
#ifndef SKOVALT_UI_WEBCOMMANDS_H
#define SKOVALT_UI_WEBCOMMANDS_H

#include <windows.h>
#include <stddef.h>

#include "kv/kv.h"

// The start-up check (unless "DontCheckNewVersion"): starts reading the
// version file and returns at once; when a newer version is published the
// user is asked then, and a download started closes the program through
// its ordinary exit. True when the check was started.
bool CheckVersionAtStartup(HWND mainWindow);

// "Check for new version": starts reading the version file; the answer is
// shown when it arrives. Returns 0 when started, 1 when a check from the
// menu runs already.
int OnCmdCheckVersion(HWND mainWindow);

// "Goto Web site": the selected server's site, from its rules or its host
// name.
void OnCmdGotoWebSite(HWND mainWindow);
// The program's home page.
void OnCmdHomepage(HWND mainWindow);

// A server's web-site address, made from what the server says, goes to the
// shell only when it is printable ASCII, names something after "http://"
// and is at most kMaxWebSiteUrl characters long.
const size_t kMaxWebSiteUrl = 512;
enum {
    WebSiteUrlOk,
    WebSiteUrlNoSite,       // nothing after the scheme
    WebSiteUrlTooLong,      // longer than kMaxWebSiteUrl (or than url holds)
    WebSiteUrlUnprintable,  // a control byte, or one outside ASCII
    WebSiteUrlNoDot         // a host name without a '.'
};
// The address a web-site rule's value names: "http://" and the value, or
// the value itself when it begins with "http:/" in any case. Into url
// (size bytes, kMaxWebSiteUrl + 1 hold any); empty unless WebSiteUrlOk.
int WebSiteUrlFromRule(const char *value, char *url, size_t size);
// The address a host name suggests: "http://www" and the name from its
// first '.' on, without a port.
int WebSiteUrlFromHostName(const char *hostName, char *url, size_t size);

// Tests only: the reverse look-up of a server without a host name; null
// restores the real one.
using HostNameLookup = char *(*)(tagQServer *server);
void SetHostNameLookupForTests(HostNameLookup lookup);

#endif
