// The master list: download, rebuild of Server.dat, merge into the list.
#include "ui/masterimport.h"

#include <commctrl.h>
#include <stdlib.h>

#include <vector>

#include "base/report.h"
#include "kv/kv.h"
#include "net/endpoints.h"
#include "net/web.h"
#include "resources/resource.h"
#include "serverlist/listformat.h"
#include "serverlist/serverfile.h"
#include "settings/appdata.h"
#include "ui/rows.h"
#include "ui/statusbar.h"

int RebuildServerFile(HWND mainWindow, const char *url)
{
    HWND statusBar = GetDlgItem(mainWindow, ID_STATUSBAR);
    StatusPrint(statusBar, "Reading from %s ...", url);
    int result = DownloadToFile(mainWindow, "Server.txt", url);
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
    char url[1024];
    EndpointUrl(EndpointMasterList, url, sizeof url);
    RebuildServerFile(mainWindow, url);

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
