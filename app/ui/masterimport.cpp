// The master list: download from its sources, rebuild of Server.dat, merge
// into the list.
#include "ui/masterimport.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "base/report.h"
#include "kv/kv.h"
#include "net/endpoints.h"
#include "net/web.h"
#include "resources/resource.h"
#include "serverlist/listformat.h"
#include "serverlist/serverfile.h"
#include "settings/appdata.h"
#include "ui/messages.h"
#include "ui/rows.h"
#include "ui/statusbar.h"

namespace {

void ShowProgress(HWND mainWindow, const WebFetch *fetch)
{
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    unsigned kb = static_cast<unsigned>(fetch->received / 1024);
    if (fetch->announced > 0)
        StatusPrint(statusBar, "Reading from %s ... %u of %u KB", fetch->url, kb,
                    static_cast<unsigned>(fetch->announced / 1024));
    else
        StatusPrint(statusBar, "Reading from %s ... %u KB", fetch->url, kb);
}

// A reload reads the sources of the master list ("MasterListURL": HTTP
// lists and Quake 2 UDP masters, separated by blanks) one after the other,
// each on a fetch thread; its state lives on the window's thread.
struct MasterReload {
    std::string sources;
    size_t next = 0;    // where the next source begins in sources
    int answered = 0;   // sources read without failure
    std::string list;   // the union so far: "a.b.c.d:port" lines, first source first
    std::unordered_set<uint64_t> listed;
};
MasterReload reload;

void SourceFetched(HWND mainWindow, const WebFetch *fetch);

// Starts reading the next source. False when none is left (or no fetch
// can be started).
bool StartNextSource(HWND mainWindow)
{
    const std::string &sources = reload.sources;
    for (;;) {
        size_t begin = sources.find_first_not_of(" \t", reload.next);
        if (begin == std::string::npos)
            return false;
        size_t end = sources.find_first_of(" \t", begin);
        if (end == std::string::npos)
            end = sources.size();
        reload.next = end;
        std::string url = sources.substr(begin, end - begin);
        if (StartWebFetch(mainWindow, UM_WEBFETCH, WebFetchMasterList, url.c_str(), ShowProgress, SourceFetched)) {
            StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Reading from %s ...", url.c_str());
            return true;
        }
    }
}

// Adds the servers of one source's list (master list text) that the union
// does not hold yet, in their order.
void AddToUnion(HWND mainWindow, const unsigned char *body, size_t size)
{
    size_t fileSize = 0, servers = 0;
    unsigned char *file =
        BuildMasterServerFile(reinterpret_cast<const char *>(body), size, nullptr, 0, &fileSize, &servers);
    if (!file) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Memory error !");
        return;
    }
    ServerFileRecord record;
    for (size_t at = ListFileHeaderSize, n; (n = ReadServerRecord(file + at, fileSize - at, &record)); at += n) {
        if (!reload.listed.insert(RowKey(record.ip, record.port)).second)
            continue;
        char line[32];
        FormatHostAddress(record.ip, record.port, line, sizeof line);
        reload.list += line;
        reload.list += '\n';
    }
    free(file);
}

// One source was read, or failed, or the reload was cancelled.
void SourceFetched(HWND mainWindow, const WebFetch *fetch)
{
    if (fetch->result == HttpErrCancelled) {
        // Stop, Esc: nothing is written and nothing merged.
        reload = MasterReload();
        StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Reading the master list cancelled");
        return;
    }
    // A source that fails is named; the others still count.
    if (fetch->result != HttpOk) {
        ReportWebFailure(mainWindow, fetch);
    } else {
        ++reload.answered;
        AddToUnion(mainWindow, fetch->body, fetch->size);
    }
    if (StartNextSource(mainWindow))
        return;
    if (reload.answered > 0)
        RebuildServerFile(mainWindow, reload.list.data(), reload.list.size());
    else
        StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Ready");
    reload = MasterReload();
    MergeServerFile(mainWindow);
}

}  // namespace

int RebuildServerFile(HWND mainWindow, const char *list, size_t size)
{
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    int result = 0;
    if (size == 0) {
        // Empty bodies or web pages are no master list: the list the user
        // has stays, and so does the old Server.txt.
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "No servers in the master list");
        result = 1;
    } else {
        result = SaveDownload(mainWindow, "Server.txt", reinterpret_cast<const unsigned char *>(list), size);
    }
    unsigned char *master = nullptr;
    size_t masterSize = 0;
    if (result == 0) {
        result = ReadProgramFile("Server.txt", &master, &masterSize);
        if (result != 0)
            ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Could not read Server.txt.");
    }
    if (result == 0) {
        DeltaRecord *deltas = nullptr;
        int deltaCount = 0;
        ReadDelta(mainWindow, &deltas, &deltaCount);
        StatusPrint(statusBar, "Creating new server file...");
        size_t size = 0, masterServers = 0;
        unsigned char *file = BuildMasterServerFile(reinterpret_cast<const char *>(master), masterSize, deltas,
                                                    static_cast<size_t>(deltaCount), &size, &masterServers);
        if (!file) {
            ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Memory error !");
            result = 1;
        } else if (masterServers == 0) {
            // An empty body or a web page is no master list: the list the
            // user has stays.
            ReportMessage(mainWindow, MB_ICONEXCLAMATION, "No servers in the master list");
            result = 1;
        } else if (ReplaceServerFile(file, size) != 0) {
            ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Cannot create new 'Server.dat'");
            result = 1;
        }
        free(file);
        free(deltas);
    }
    free(master);
    StatusPrint(statusBar, result == 0 ? "New server file created" : "Ready");
    return result;
}

int OnCmdReloadMaster(HWND mainWindow)
{
    if (MasterReloadRunning())
        return 1;
    char sources[1024];
    EndpointUrl(EndpointMasterList, sources, sizeof sources);
    reload = MasterReload();
    reload.sources = sources;
    return StartNextSource(mainWindow) ? 0 : 1;
}

bool MasterReloadRunning()
{
    return WebFetchRunning(WebFetchMasterList);
}

int MergeServerFile(HWND mainWindow)
{
    unsigned char *data = nullptr;
    size_t size = 0;
    int read = ReadServerFileBytes(&data, &size);
    if (read == KV_ERR_OPEN)
        return KV_ERR_OPEN;
    if (read == 1)
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Memory error !");
    if (read != 0)
        return 1;

    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    int initialRows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    // Only the rows shown count: a server hidden by a filter is added again.
    // Each server of the file is added once, also to an empty list.
    RowKeys shown = ShownRowKeys(list);
    std::vector<LPARAM> added;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    StatusPrintPart(statusBar, 0, "Adding news servers to list, please wait...");

    size_t at = ListFileHeaderSize;
    ServerFileRecord record;
    bool allocReported = false;
    while (size_t taken = ReadServerRecord(data + at, size - at, &record)) {
        at += taken;
        if (record.ip == 0)
            continue;
        uint64_t key = RowKey(record.ip, record.port);
        if (shown.count(key))
            continue;
        int index = AddFileRecord(&appData->table, &record, 0);
        if (index == -2) {
            if (!allocReported)
                ReportMessage(mainWindow, MB_ICONEXCLAMATION, "KvServerAlloc() failed in OnCmdReloadMaster()");
            allocReported = true;
        }
        if (index < 0)
            continue;
        added.push_back(ServerRowParam(index));
        shown.insert(key);
    }
    // The new servers stand at the top, in file order, whatever the
    // filters say.
    InsertCallbackRows(list, 0, added);
    StatusPrintPart(statusBar, 3, "%d servers", initialRows + static_cast<int>(added.size()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    SetCursor(cursor);
    free(data);
    StatusPrint(statusBar, "%d new servers added to list", static_cast<int>(added.size()));
    appData->flags |= FlagModified;
    return 0;
}
