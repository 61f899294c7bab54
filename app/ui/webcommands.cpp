// The version check, a game server's web site and the home page.
#include "ui/webcommands.h"

#include <stdio.h>
#include <string.h>

#include "base/report.h"
#include "base/shell.h"
#include "base/text.h"
#include "kv/kv.h"
#include "net/endpoints.h"
#include "net/version.h"
#include "net/web.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/busywait.h"
#include "ui/helpers.h"
#include "ui/messages.h"
#include "ui/statusbar.h"

namespace {

// Asks whether to download the newer version; on Yes opens the setup URL
// and, when the shell took it, closes the program through its ordinary
// exit. True when closing.
bool OfferNewVersion(HWND mainWindow, HWND owner, uint32_t version)
{
    if (ReportMessage(owner, MB_YESNO | MB_ICONQUESTION,
                      "Version %u.%u.%u of Skovalt is available.\nWould you like to download it now ?",
                      VersionMajor(version), VersionMinor(version), VersionRelease(version)) != IDYES)
        return false;
    char url[1024];
    EndpointUrl(EndpointSetup, url, sizeof url);
    if (!OpenWithShell(owner, url, nullptr, "", SW_SHOWNORMAL))
        return false;
    // The answer may come during the start-up refresh, and the program
    // does not close while one runs: it is stopped first.
    if (RefreshRunning()) {
        SendMessageA(mainWindow, WM_COMMAND, CMD_STOP, 0);
        while (RefreshRunning() && IsWindow(mainWindow))
            WaitPumpingMessages(mainWindow, nullptr, 50);
    }
    SendMessageA(mainWindow, WM_CLOSE, 0, 0);
    return true;
}

// The site a rule names, with "http://" put in front unless the value
// begins with it (in any case).
bool WebSiteFromRules(tagQServer *server, char *url, size_t size)
{
    static const char *const keys[] = {"www", "website", "webside", "web", "url"};
    for (const char *key : keys) {
        const char *value = KvServerGetRuleValue(server, const_cast<char *>(key));
        if (!value)
            continue;
        bool hasScheme = _strnicmp(value, "http:/", 6) == 0;
        snprintf(url, size, "%s%s", hasScheme ? "" : "http://", value);
        return true;
    }
    return false;
}

// "http://www" and the host name from its first '.' on, cut at a ':' (a
// port) after the scheme. False for a name without a '.'.
bool WebSiteFromHostName(const char *hostName, char *url, size_t size)
{
    const char *dot = strchr(hostName, '.');
    if (!dot)
        return false;
    snprintf(url, size, "http://www%s", dot);
    char *colon = strlen(url) > 6 ? strchr(url + 6, ':') : nullptr;
    if (colon)
        *colon = '\0';
    return true;
}

}  // namespace

namespace {

// The start-up check's answer: only a newer version is spoken of.
void StartupVersionFetched(HWND mainWindow, const WebFetch *fetch)
{
    uint32_t version = NewerVersion(fetch);
    if (fetch->result != HttpErrCancelled)
        StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Ready");
    if (version != 0 && version != kNoVersion)
        OfferNewVersion(mainWindow, mainWindow, version);
}

void VersionFetched(HWND mainWindow, const WebFetch *fetch)
{
    uint32_t version = NewerVersion(fetch);
    if (fetch->result == HttpErrCancelled)
        StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Check for new version cancelled");
    else if (version == 0)
        ReportMessage(mainWindow, MB_ICONINFORMATION, "No new version of Skovalt available.");
    else if (version == kNoVersion)
        ReportMessage(mainWindow, MB_ICONINFORMATION, "Error while checking for new version info");
    else
        OfferNewVersion(mainWindow, GetDesktopWindow(), version);
}

bool StartVersionFetch(HWND mainWindow, WebFetchKind kind, WebFetchHook done)
{
    char url[1024];
    EndpointUrl(EndpointVersion, url, sizeof url);
    return StartWebFetch(mainWindow, UM_WEBFETCH, kind, url, nullptr, done);
}

}  // namespace

bool CheckVersionAtStartup(HWND mainWindow)
{
    if (ReadFlag("DontCheckNewVersion"))
        return false;
    if (!StartVersionFetch(mainWindow, WebFetchStartupVersion, StartupVersionFetched))
        return false;
    StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Checking if new version of Skovalt is available...");
    return true;
}

int OnCmdCheckVersion(HWND mainWindow)
{
    return StartVersionFetch(mainWindow, WebFetchVersion, VersionFetched) ? 0 : 1;
}

void OnCmdGotoWebSite(HWND mainWindow)
{
    tagQServer *server = SelectedServer(mainWindow);
    if (!server)
        return;
    char url[1024];
    if (!WebSiteFromRules(server, url, sizeof url)) {
        const char *hostName = KvServerGetHostName(server);
        if (!hostName || !*hostName) {
            if ((appData->flags & FlagNoHostNames) &&
                ReportMessage(mainWindow, MB_YESNO | MB_ICONQUESTION,
                              "No hostname available.\nDo want to look up the hostname ?") != IDYES)
                return;
            hostName = KvServerQueryHostName(server);
            if (!hostName || !*hostName) {
                ReportMessage(mainWindow, MB_OK,
                              "Skovalt is unable to lookup the hostname. The server does not have a DNS name or "
                              "some error occured.");
                return;
            }
        }
        if (!WebSiteFromHostName(hostName, url, sizeof url))
            return;
    }
    OpenWithShell(mainWindow, url, nullptr, "", SW_SHOWMAXIMIZED);
    StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Browsing %s", url + 7);
}

void OnCmdHomepage(HWND mainWindow)
{
    char url[1024];
    EndpointUrl(EndpointHomepage, url, sizeof url);
    OpenWithShell(mainWindow, url, "", nullptr, SW_SHOWNORMAL);
}
