// WinINet downloads and the version check.
#include "net/web.h"

#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/paths.h"
#include "base/report.h"
#include "net/endpoints.h"
#include "net/version.h"

namespace {

const DWORD kBlockSize = 512;

// The two WinINet handles of one request.
struct Request {
    HINTERNET session;
    HINTERNET url;
};

void CloseRequest(Request *request)
{
    if (request->url)
        InternetCloseHandle(request->url);
    if (request->session)
        InternetCloseHandle(request->session);
    request->url = request->session = nullptr;
}

// Opens WinINet and the URL, every fetch from the server, nothing cached.
// Returns 0; -1 when WinINet cannot be opened; else the error code of the
// URL (request->url null).
int OpenRequest(const char *url, Request *request)
{
    request->url = nullptr;
    request->session = InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!request->session)
        return -1;
    request->url = InternetOpenUrlA(request->session, url, nullptr, 0,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!request->url) {
        int code = static_cast<int>(GetLastError());
        return code != 0 ? code : ERROR_INTERNET_INTERNAL_ERROR;
    }
    return 0;
}

// The HTTP status of an opened URL; 200 for other schemes (a file: or ftp:
// URL has none).
DWORD HttpStatus(HINTERNET url)
{
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(url, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 200;
    return status;
}

// The Content-Length the server announced, or -1.
long long ContentLength(HINTERNET url)
{
    char text[32] = "";
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(url, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return -1;
    return atoll(text);
}

void ReportInternetError(HWND owner, const char *url, int code, DWORD httpStatus)
{
    char text[64];
    if (httpStatus == 404 || code == ERROR_INTERNET_ITEM_NOT_FOUND)
        snprintf(text, sizeof text, "Item not found");
    else if (httpStatus != 0)
        snprintf(text, sizeof text, "HTTP status %lu", static_cast<unsigned long>(httpStatus));
    else if (code == ERROR_INTERNET_TIMEOUT)
        snprintf(text, sizeof text, "Timeout");
    else if (code == ERROR_INTERNET_CANNOT_CONNECT)
        snprintf(text, sizeof text, "Cannot connect");
    else if (code == ERROR_INTERNET_CONNECTION_RESET)
        snprintf(text, sizeof text, "Connection reset");
    else
        snprintf(text, sizeof text, "Error code: %d", code);
    ReportMessage(owner, MB_ICONEXCLAMATION, "Internet error on:\n%s\n%s", url, text);
}

}  // namespace

int DownloadToFile(HWND owner, const char *fileName, const char *url)
{
    Request request;
    int code = OpenRequest(url, &request);
    if (code == -1) {
        ReportMessage(owner, MB_ICONEXCLAMATION, "Could not read file:\n%s\nInternetOpen() failed", url);
        return -1;
    }
    DWORD httpStatus = 0;
    if (code == 0) {
        // An error page is no download, whatever WinINet says of the request.
        DWORD status = HttpStatus(request.url);
        if (status != 200) {
            httpStatus = status;
            code = static_cast<int>(status);
        }
    }
    bool cannotWrite = false;
    char path[MAX_PATH], partPath[MAX_PATH];
    ModulePath(path, sizeof path, fileName);
    snprintf(partPath, sizeof partPath, "%s.part", path);
    if (code == 0) {
        // Text mode: line feeds are stored as CR LF.
        FILE *file = fopen(partPath, "w");
        if (!file) {
            cannotWrite = true;
        } else {
            long long received = 0;
            char block[kBlockSize];
            for (;;) {
                DWORD got = 0;
                if (!InternetReadFile(request.url, block, kBlockSize, &got)) {
                    code = static_cast<int>(GetLastError());
                    if (code == 0)
                        code = ERROR_INTERNET_CONNECTION_RESET;
                    break;
                }
                if (got == 0)
                    break;
                received += got;
                if (fwrite(block, 1, got, file) != got) {
                    cannotWrite = true;
                    break;
                }
            }
            // A body that ended before its announced length was cut off.
            long long announced = ContentLength(request.url);
            if (code == 0 && !cannotWrite && announced >= 0 && received < announced)
                code = ERROR_INTERNET_CONNECTION_RESET;
            cannotWrite = (fclose(file) != 0) || cannotWrite;
            if (code == 0 && !cannotWrite && !MoveFileExA(partPath, path, MOVEFILE_REPLACE_EXISTING))
                cannotWrite = true;
            if (code != 0 || cannotWrite)
                DeleteFileA(partPath);
        }
    }
    CloseRequest(&request);
    if (code != 0) {
        ReportInternetError(owner, url, code, httpStatus);
        return code;
    }
    if (cannotWrite) {
        ReportMessage(owner, MB_ICONEXCLAMATION, "Cannot write '%s'", path);
        return 1;
    }
    return 0;
}

uint32_t GetLatestVersion()
{
    char url[1024];
    EndpointUrl(EndpointVersion, url, sizeof url);
    Request request;
    uint32_t version = kNoVersion;
    if (OpenRequest(url, &request) == 0 && HttpStatus(request.url) == 200) {
        char text[kBlockSize + 1];
        DWORD got = 0;
        if (InternetReadFile(request.url, text, kBlockSize, &got)) {
            text[got] = '\0';
            version = ParseVersionText(text);
        }
    }
    CloseRequest(&request);
    return version;
}

uint32_t CheckNewVersion()
{
    uint32_t latest = GetLatestVersion();
    if (latest == kNoVersion)
        return kNoVersion;
    return latest > GetOwnVersion() ? latest : 0;
}
