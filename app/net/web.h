// Downloads over HTTP through WinINet, and the version check. Everything
// here runs on the calling thread and blocks it until the server answers.
#ifndef SKOVALT_NET_WEB_H
#define SKOVALT_NET_WEB_H

#include <windows.h>
#include <stdint.h>

// Fetches url into fileName of the program folder. The file is replaced
// only when the whole body arrived with status 200; otherwise the old file
// stays. Returns 0; -1 when WinINet cannot be opened; otherwise the WinINet
// error code, or the HTTP status for an answer other than 200, or 1 when
// the local file cannot be written; each failure is reported to the user
// (message boxes owned by owner) before returning.
int DownloadToFile(HWND owner, const char *fileName, const char *url);

// The version the version file publishes, or kNoVersion (net/version.h) on
// any failure, without a message.
uint32_t GetLatestVersion();

// kNoVersion when the published version cannot be had; the published
// version when it is newer than the program's own; 0 otherwise.
uint32_t CheckNewVersion();

#endif
