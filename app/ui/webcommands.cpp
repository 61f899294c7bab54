// The version check, a game server's web site and the home page.
#include "ui/webcommands.h"

#include <stdio.h>
#include <string.h>

#include <string>

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
#include "ui/messages.h"
#include "ui/rows.h"
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

namespace {

// An address taken from a server goes to the shell only when it is one:
// printable ASCII, something after the scheme, and not longer than
// kMaxWebSiteUrl (Wine's ShellExecuteA crashes the program on an address of
// 997 characters or more).
int CheckWebSiteUrl(const std::string &url)
{
    if (url.size() > kMaxWebSiteUrl)
        return WebSiteUrlTooLong;
    for (unsigned char c : url) {
        if (c < 0x20 || c > 0x7E)
            return WebSiteUrlUnprintable;
    }
    return url.size() > 7 ? WebSiteUrlOk : WebSiteUrlNoSite;
}

// The checked address into url (at least kMaxWebSiteUrl + 1 bytes).
int CopyWebSiteUrl(const std::string &text, char *url, size_t size)
{
    int result = CheckWebSiteUrl(text);
    if (result == WebSiteUrlOk && text.size() >= size)
        result = WebSiteUrlTooLong;
    if (size > 0)
        snprintf(url, size, "%s", result == WebSiteUrlOk ? text.c_str() : "");
    return result;
}

// The value of the server's first web-site rule, or null.
const char *WebSiteRule(tagQServer *server)
{
    static const char *const keys[] = {"www", "website", "webside", "web", "url"};
    for (const char *key : keys) {
        if (const char *value = KvServerGetRuleValue(server, const_cast<char *>(key)))
            return value;
    }
    return nullptr;
}

HostNameLookup hostNameLookup = KvServerQueryHostName;

}  // namespace

int WebSiteUrlFromRule(const char *value, char *url, size_t size)
{
    std::string text = value ? value : "";
    if (_strnicmp(text.c_str(), "http:/", 6) != 0)
        text.insert(0, "http://");
    return CopyWebSiteUrl(text, url, size);
}

int WebSiteUrlFromHostName(const char *hostName, char *url, size_t size)
{
    const char *dot = strchr(hostName ? hostName : "", '.');
    if (!dot)
        return WebSiteUrlNoDot;
    std::string text = std::string("http://www") + dot;
    size_t colon = text.find(':', 6);
    if (colon != std::string::npos)
        text.erase(colon);
    return CopyWebSiteUrl(text, url, size);
}

void SetHostNameLookupForTests(HostNameLookup lookup)
{
    hostNameLookup = lookup ? lookup : KvServerQueryHostName;
}


void OnCmdGotoWebSite(HWND mainWindow)
{
    tagQServer *server = SelectedServer(mainWindow);
    if (!server)
        return;
    char url[kMaxWebSiteUrl + 1];
    int result;
    if (const char *rule = WebSiteRule(server)) {
        result = WebSiteUrlFromRule(rule, url, sizeof url);
    } else {
        const char *hostName = KvServerGetHostName(server);
        if (!hostName || !*hostName) {
            if ((appData->flags & FlagNoHostNames) &&
                ReportMessage(mainWindow, MB_YESNO | MB_ICONQUESTION,
                              "No hostname available.\nDo want to look up the hostname ?") != IDYES)
                return;
            hostName = hostNameLookup(server);
            if (!hostName || !*hostName) {
                ReportMessage(mainWindow, MB_OK,
                              "Skovalt is unable to lookup the hostname. The server does not have a DNS name or "
                              "some error occured.");
                return;
            }
        }
        result = WebSiteUrlFromHostName(hostName, url, sizeof url);
    }
    switch (result) {
    case WebSiteUrlOk:
        break;
    case WebSiteUrlNoDot:
        return;
    case WebSiteUrlTooLong:
        ReportMessage(mainWindow, MB_ICONEXCLAMATION,
                      "The web site address of this server is not opened: it is longer than %d characters.",
                      static_cast<int>(kMaxWebSiteUrl));
        return;
    case WebSiteUrlUnprintable:
        ReportMessage(mainWindow, MB_ICONEXCLAMATION,
                      "The web site address of this server is not opened: it holds characters that are not "
                      "printable.");
        return;
    default:
        ReportMessage(mainWindow, MB_ICONEXCLAMATION,
                      "The web site address of this server is not opened: it names no site.");
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
