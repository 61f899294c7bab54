// Loading and saving Server.dat, and the Delta.dat journal.
#include "serverlist/serverfile.h"

#include <winsock2.h>
#include <commctrl.h>
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/helpers.h"

namespace {

const unsigned char FileHeader[ServerFileHeaderSize] = {'k', 'v', 0};

size_t WriteBytesDefault(const void *data, size_t size, FILE *file)
{
    return fwrite(data, 1, size, file);
}

ServerFileWriter writeBytes = WriteBytesDefault;

void PutLe16(unsigned char *p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

uint16_t GetLe16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool WriteChecked(const void *data, size_t size, FILE *file)
{
    return writeBytes(data, size, file) == size;
}

HWND StatusBarOf(HWND mainWindow)
{
    return GetDlgItem(mainWindow, ID_STATUSBAR);
}

struct SaveState {
    FILE *file;
    HWND statusBar;
    int written;
    bool failed;
};

// Writes an entry that has a record and is not deleted, and shows the
// progress. Returns true when the entry was handed to WriteServerRecord.
bool WriteSlot(SaveState *save, ServerSlot *slot)
{
    if (!slot || !slot->server || (slot->flags & SlotDeleted))
        return false;
    tagQServer *s = slot->server;
    int rc = WriteServerRecord(save->file, slot->flags & ~SlotSaved, KvServerGetPing(s),
                               static_cast<uint32_t>(KvServerGetHostIP(s)), KvServerGetHostPort(s),
                               KvServerGetHostName(s), KvServerGetServerName(s), KvServerGetGameName(s));
    if (rc == 0)
        ++save->written;
    else if (rc == 2)
        save->failed = true;
    if (save->written % 32 == 0)
        StatusPrint(save->statusBar, "%d servers written", save->written);
    return true;
}

// Both passes: the rows of the view from the top, then the entries not
// shown, in table order. Clears every SlotSaved again.
void WriteAllSlots(SaveState *save, HWND mainWindow)
{
    HWND list = GetDlgItem(mainWindow, ID_SERVERLIST);
    ServerTable *table = &appData->table;

    int rows = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    for (int row = 0; row < rows; ++row) {
        LPARAM param;
        if (!RowParam(list, row, &param))
            continue;
        ServerSlot *slot = SlotAt(table, static_cast<long>(param & 0xFFFFFF));
        // A row shown twice is written once.
        if (!slot || (slot->flags & SlotSaved))
            continue;
        if (WriteSlot(save, slot))
            slot->flags |= SlotSaved;
    }

    for (long i = 0; i < table->serverCount; ++i) {
        ServerSlot *slot = SlotAt(table, i);
        if (slot->flags & SlotSaved) {
            slot->flags &= ~SlotSaved;
            continue;
        }
        WriteSlot(save, slot);
    }
}

}  // namespace

// Reads the 3-byte header both list files start with; false when it is
// missing or wrong.
bool ReadFileHeader(FILE *file)
{
    unsigned char header[ServerFileHeaderSize];
    return fread(header, 1, sizeof header, file) == sizeof header &&
           memcmp(header, FileHeader, sizeof header) == 0;
}

long FileSize(FILE *file)
{
    long position = ftell(file);
    if (position < 0 || fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = ftell(file);
    fseek(file, position, SEEK_SET);
    return size;
}

void SetServerFileWriterForTests(ServerFileWriter writer)
{
    writeBytes = writer ? writer : WriteBytesDefault;
}

int WriteServerRecord(FILE *file, uint8_t flags, uint16_t ping, uint32_t address, uint16_t port,
                      const char *hostName, const char *serverName, const char *gameName)
{
    if (address == 0)
        return 1;
    unsigned char head[ServerRecordHeadSize] = {};
    memcpy(head, &address, 4);  // network order as held
    PutLe16(head + 4, port);
    PutLe16(head + 6, ping);
    head[8] = flags;
    bool ok = WriteChecked(head, sizeof head, file);
    const char *texts[3] = {hostName, serverName, gameName};
    for (const char *text : texts) {
        if (!text)
            text = "";
        ok = ok && WriteChecked(text, strlen(text) + 1, file);
    }
    return ok ? 0 : 2;
}

int SaveServers(HWND mainWindow)
{
    char path[256], tempPath[256];
    ModulePath(path, sizeof path, "Server.dat");
    ModulePath(tempPath, sizeof tempPath, "Server.dat.new");

    // The new list goes to a file of its own; Server.dat is replaced only
    // when that is complete, so a failed save never loses the old list.
    FILE *file = fopen(tempPath, "wb");
    if (!file) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Cannot create 'Server.dat'");
        return 1;
    }
    SaveState save = {file, StatusBarOf(mainWindow), 0, false};
    save.failed = !WriteChecked(FileHeader, sizeof FileHeader, file);
    // The progress texts are set but not painted one by one: nothing can
    // repaint while the save holds the user-interface thread anyway, and a
    // status bar that paints each text at once (Wine's does) would make
    // saving 100,000 servers take seconds.
    SendMessageA(save.statusBar, WM_SETREDRAW, FALSE, 0);
    WriteAllSlots(&save, mainWindow);
    SendMessageA(save.statusBar, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(save.statusBar, nullptr, TRUE);

    bool ok = !save.failed && fflush(file) == 0 && !ferror(file);
    ok = (fclose(file) == 0) && ok;
    ok = ok && MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileA(tempPath);
        StatusPrint(StatusBarOf(mainWindow), "Ready");
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Cannot create 'Server.dat'");
        return 1;
    }
    appData->flags &= ~FlagModified;
    StatusPrint(StatusBarOf(mainWindow), "%d servers written", save.written);
    return 0;
}

int LoadServers(HWND serverList)
{
    HWND mainWindow = GetParent(serverList);
    HWND statusBar = StatusBarOf(mainWindow);
    StatusPrintPart(statusBar, 3, "%d servers", 0);
    SendMessageA(serverList, LVM_DELETEALLITEMS, 0, 0);

    char path[256];
    ModulePath(path, sizeof path, "Server.dat");
    FILE *file = fopen(path, "rb");
    if (!file) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION,
                      "Server file 'Server.dat' could not be opened.\nYou can rebuild a new serverlist "
                      "with 'Orvik | Reload from master'.");
        return KV_ERR_OPEN;
    }
    if (!ReadFileHeader(file)) {
        fclose(file);
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Invalid file format 'Server.dat'");
        return 1;
    }
    long size = FileSize(file) - ServerFileHeaderSize;
    if (size < 0)
        size = 0;
    // One byte more than the data, so the block is never empty.
    unsigned char *block = static_cast<unsigned char *>(calloc(static_cast<size_t>(size) + 1, 1));
    if (!block) {
        fclose(file);
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Could not allocate space for data in server.dat");
        return 1;
    }

    SendMessageA(serverList, WM_SETREDRAW, FALSE, 0);
    // Room for as many rows as the file can hold records, in one go.
    SendMessageA(serverList, LVM_SETITEMCOUNT, static_cast<WPARAM>(size / (ServerRecordHeadSize + 3)), 0);
    size_t length = fread(block, 1, static_cast<size_t>(size), file);
    const unsigned char *p = block;
    const unsigned char *end = block + length;
    int rows = 0;
    bool zeroReported = false, allocReported = false;
    bool favoritesOnly = (appData->flags & FlagFavoritesOnly) != 0;
    while (p < end) {
        // A record must be whole: its head and three terminated texts.
        if (end - p < ServerRecordHeadSize)
            break;
        const char *texts[3];
        const unsigned char *q = p + ServerRecordHeadSize;
        bool whole = true;
        for (const char *&text : texts) {
            const void *nul = memchr(q, 0, static_cast<size_t>(end - q));
            if (!nul) {
                whole = false;
                break;
            }
            text = reinterpret_cast<const char *>(q);
            q = static_cast<const unsigned char *>(nul) + 1;
        }
        if (!whole)
            break;

        uint32_t address;
        memcpy(&address, p, 4);
        uint16_t port = GetLe16(p + 4);
        uint16_t ping = GetLe16(p + 6);
        // SlotSaved means something only inside a save: one read from a
        // file would keep the entry out of both save passes.
        uint8_t flags = static_cast<uint8_t>(p[8] & ~SlotSaved);
        p = q;

        // One box per load and kind: a damaged file must not bury the user
        // under a box per record.
        if (address == 0) {
            if (!zeroReported)
                ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Server with IP = 0 in file");
            zeroReported = true;
            continue;
        }
        tagQServer *server = nullptr;
        if (KvServerAlloc(&server, address, port, const_cast<char *>(texts[0]), const_cast<char *>(texts[1]),
                          const_cast<char *>(texts[2]), ping) != 0 || !server) {
            if (!allocReported)
                ReportMessage(mainWindow, MB_ICONEXCLAMATION, "KvServerAlloc() returned error in LoadServers()");
            allocReported = true;
            continue;
        }
        int index = AddSlot(&appData->table, server, flags);
        if (index < 0) {
            KvServerFree(server);
            continue;
        }
        if (!(flags & SlotDeleted) && (!favoritesOnly || (flags & SlotFavorite)) &&
            GameFilterAccepts(KvServerGetGameName(server))) {
            if (InsertCallbackRow(serverList, rows, index) >= 0)
                ++rows;
        }
    }
    SendMessageA(serverList, WM_SETREDRAW, TRUE, 0);
    free(block);
    fclose(file);
    StatusPrintPart(statusBar, 3, "%d servers", rows);
    appData->flags &= ~FlagModified;
    return 0;
}

int AppendDelta(const tagKvHOST *host, char kind)
{
    if (!host || host->ip == 0 || (kind != '+' && kind != '-'))
        return 1;
    char path[256];
    ModulePath(path, sizeof path, "Delta.dat");
    FILE *file = fopen(path, "ab");
    if (!file)
        return 1;
    bool ok = true;
    if (FileSize(file) == 0)
        ok = fwrite(FileHeader, 1, sizeof FileHeader, file) == sizeof FileHeader;
    unsigned char record[DeltaRecordSize] = {};
    record[0] = static_cast<unsigned char>(kind);
    memcpy(record + 4, &host->ip, 4);
    PutLe16(record + 8, host->port);
    ok = ok && fwrite(record, 1, sizeof record, file) == sizeof record;
    ok = (fclose(file) == 0) && ok;
    return ok ? 0 : 1;
}

int ReadDelta(HWND owner, DeltaRecord **records, int *count)
{
    *records = nullptr;
    *count = 0;
    char path[256];
    ModulePath(path, sizeof path, "Delta.dat");
    FILE *file = fopen(path, "rb");
    if (!file)
        return KV_ERR_OPEN;
    if (!ReadFileHeader(file)) {
        fclose(file);
        ReportMessage(owner, MB_ICONEXCLAMATION, "Invalid file format 'Delta.dat'");
        return 1;
    }
    long size = FileSize(file) - ServerFileHeaderSize;
    long n = size > 0 ? size / DeltaRecordSize : 0;
    unsigned char *raw = static_cast<unsigned char *>(malloc(static_cast<size_t>(n) * DeltaRecordSize + 1));
    DeltaRecord *out = static_cast<DeltaRecord *>(calloc(static_cast<size_t>(n) + 1, sizeof(DeltaRecord)));
    if (!raw || !out) {
        free(raw);
        free(out);
        fclose(file);
        ReportMessage(owner, MB_ICONEXCLAMATION, "Could not allocate space for data in Delta.dat");
        return 1;
    }
    // Only whole records count; a file read short gives fewer.
    size_t got = fread(raw, 1, static_cast<size_t>(n) * DeltaRecordSize, file);
    n = static_cast<long>(got / DeltaRecordSize);
    fclose(file);
    for (long i = 0; i < n; ++i) {
        const unsigned char *r = raw + i * DeltaRecordSize;
        out[i].kind = static_cast<char>(r[0]);
        memcpy(&out[i].ip, r + 4, 4);
        out[i].port = GetLe16(r + 8);
    }
    free(raw);
    *records = out;
    *count = static_cast<int>(n);
    return 0;
}

int ParseHostAddress(const char *text, tagKvHOST *host)
{
    host->port = KV_DEFAULT_PORT;
    host->ip = 0;
    if (!text || !isdigit(static_cast<unsigned char>(text[0])))
        return 1;
    char address[64];
    const char *colon = strrchr(text, ':');
    size_t length = colon ? static_cast<size_t>(colon - text) : strlen(text);
    if (length >= sizeof address)
        return 1;
    memcpy(address, text, length);
    address[length] = '\0';
    if (colon) {
        char *stop = nullptr;
        long port = strtol(colon + 1, &stop, 10);
        if (stop == colon + 1 || port < 1 || port > 0xFFFF)
            return 1;
        host->port = static_cast<uint16_t>(port);
    }
    unsigned long ip = inet_addr(address);
    // inet_addr answers INADDR_NONE for a text that is no address; that
    // must not become the broadcast address 255.255.255.255.
    if (ip == INADDR_NONE && strcmp(address, "255.255.255.255") != 0)
        return 1;
    host->ip = static_cast<uint32_t>(ip);
    return 0;
}
