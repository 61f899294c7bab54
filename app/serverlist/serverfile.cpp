// Loading and saving Server.dat, and the Delta.dat journal.
#include "serverlist/serverfile.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "base/report.h"

namespace {

// The Server.dat found at start-up when it could not be read whole (a
// wrong header, a record cut short, no memory for it); empty otherwise.
// The first replacement of that file keeps it as Server.dat.bad.
char damagedServerFile[MAX_PATH];

// The size of an open file; the read position is kept.
long FileSize(FILE *file)
{
    long position = ftell(file);
    if (position < 0 || fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = ftell(file);
    fseek(file, position, SEEK_SET);
    return size;
}

}  // namespace

int ReadProgramFile(const char *name, unsigned char **data, size_t *size)
{
    *data = nullptr;
    *size = 0;
    char path[MAX_PATH];
    ModulePath(path, sizeof path, name);
    FILE *file = fopen(path, "rb");
    if (!file)
        return KV_ERR_OPEN;
    long length = FileSize(file);
    if (length < 0)
        length = 0;
    // One byte more than the data, so the block is never empty.
    unsigned char *block = static_cast<unsigned char *>(malloc(static_cast<size_t>(length) + 1));
    if (block)
        *size = fread(block, 1, static_cast<size_t>(length), file);
    fclose(file);
    *data = block;
    return block ? 0 : 1;
}

namespace {

struct SaveState {
    std::vector<unsigned char> *bytes;
    SaveProgress progress;
    void *context;
    int written;
};

// Adds one entry that has a record and is not deleted to the file's bytes.
// Returns true when the entry was handed to the file (added, or skipped
// for address 0).
bool WriteSlot(SaveState *save, const ServerSlot *slot)
{
    if (!slot || !slot->server || (slot->flags & SlotDeleted))
        return false;
    tagQServer *s = slot->server;
    ServerFileRecord record = {static_cast<uint32_t>(KvServerGetHostIP(s)), KvServerGetHostPort(s),
                               KvServerGetPing(s), static_cast<uint8_t>(slot->flags & ~SlotSaved),
                               KvServerGetHostName(s), KvServerGetServerName(s), KvServerGetGameName(s)};
    if (record.ip == 0)
        return true;
    unsigned char head[ServerRecordHeadSize];
    EncodeServerRecordHead(&record, head);
    save->bytes->insert(save->bytes->end(), head, head + sizeof head);
    for (const char *text : {record.hostName, record.serverName, record.gameName}) {
        if (!text)
            text = "";
        save->bytes->insert(save->bytes->end(), text, text + strlen(text) + 1);
    }
    ++save->written;
    if (save->progress && save->written % 32 == 0)
        save->progress(save->written, save->context);
    return true;
}

// Replaces Server.dat by data. A file that did not load whole is first
// kept as Server.dat.bad (one copy; the replacement is refused when that
// fails), and the user is told once it has been replaced.
ReplaceResult ReplaceListFile(HWND owner, const unsigned char *data, size_t size)
{
    char path[MAX_PATH], tempPath[MAX_PATH], badPath[MAX_PATH];
    ModulePath(path, sizeof path, "Server.dat");
    ModulePath(tempPath, sizeof tempPath, "Server.dat.new");
    ModulePath(badPath, sizeof badPath, "Server.dat.bad");
    DWORD attributes = GetFileAttributesA(path);
    // A read-only file is refused below, and so needs no copy.
    bool keep = strcmp(damagedServerFile, path) == 0 && attributes != INVALID_FILE_ATTRIBUTES &&
                !(attributes & FILE_ATTRIBUTE_READONLY);
    if (keep) {
        SetFileAttributesA(badPath, FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileA(path, badPath, FALSE))
            return ReplaceFailed;
    }
    ReplaceResult result = ReplaceWholeFile(path, tempPath, data, size);
    if (result == ReplaceDone && keep) {
        damagedServerFile[0] = '\0';
        ReportMessage(owner, MB_ICONINFORMATION,
                      "The old 'Server.dat' could not be read whole; it was kept as 'Server.dat.bad'.");
    }
    return result;
}

}  // namespace

int SaveServers(HWND owner, ServerTable *table, const long *order, long count, SaveProgress progress,
                void *context)
{
    // The list is made in memory and written in one go; Server.dat is
    // replaced only when all of it has landed, so a failed save never
    // loses the old list.
    std::vector<unsigned char> bytes(ListFileHeader, ListFileHeader + ListFileHeaderSize);
    SaveState save = {&bytes, progress, context, 0};

    // First the entries in the order given, marked so that the second pass
    // (every entry in table order) leaves them out; it clears the marks.
    for (long i = 0; i < count; ++i) {
        ServerSlot *slot = SlotAt(table, order[i]);
        if (!slot || (slot->flags & SlotSaved))
            continue;
        if (WriteSlot(&save, slot))
            slot->flags |= SlotSaved;
    }
    for (long i = 0; i < table->serverCount; ++i) {
        ServerSlot *slot = SlotAt(table, i);
        if (slot->flags & SlotSaved) {
            slot->flags &= ~SlotSaved;
            continue;
        }
        WriteSlot(&save, slot);
    }

    switch (ReplaceListFile(owner, bytes.data(), bytes.size())) {
    case ReplaceDone:
        return save.written;
    case ReplaceReadOnly:
        ReportMessage(owner, MB_ICONEXCLAMATION, "Cannot save the server list: 'Server.dat' is read-only.");
        return -1;
    default:
        ReportMessage(owner, MB_ICONEXCLAMATION, "Cannot create 'Server.dat'");
        return -1;
    }
}

int ReadServerFileBytes(unsigned char **data, size_t *size)
{
    int result = ReadProgramFile("Server.dat", data, size);
    if (result != 0)
        return result;
    if (!HasListFileHeader(*data, *size)) {
        free(*data);
        *data = nullptr;
        return 2;
    }
    return 0;
}

int ReplaceServerFile(const unsigned char *data, size_t size)
{
    return ReplaceListFile(GetActiveWindow(), data, size) == ReplaceDone ? 0 : 1;
}

int AddFileRecord(ServerTable *table, const ServerFileRecord *record, uint8_t flags)
{
    tagQServer *server = nullptr;
    if (KvServerAlloc(&server, record->ip, record->port, const_cast<char *>(record->hostName),
                      const_cast<char *>(record->serverName), const_cast<char *>(record->gameName),
                      record->ping) != 0 ||
        !server)
        return -2;
    int index = AddSlot(table, server, flags);
    if (index < 0)
        KvServerFree(server);
    return index;
}

int LoadServers(HWND owner, ServerTable *table)
{
    char path[MAX_PATH], tempPath[MAX_PATH];
    ModulePath(path, sizeof path, "Server.dat");
    ModulePath(tempPath, sizeof tempPath, "Server.dat.new");
    // A save that was cut off before its new file took Server.dat's place
    // leaves that file behind; Server.dat is then the old list, whole.
    DeleteFileA(tempPath);
    // Until the file has proved whole, a save must not replace it unkept.
    snprintf(damagedServerFile, sizeof damagedServerFile, "%s", path);

    unsigned char *data;
    size_t size;
    switch (ReadServerFileBytes(&data, &size)) {
    case 0:
        break;
    case KV_ERR_OPEN:
        damagedServerFile[0] = '\0';
        ReportMessage(owner, MB_ICONEXCLAMATION,
                      "Server file 'Server.dat' could not be opened.\nYou can rebuild a new serverlist "
                      "with 'Orvik | Reload from master'.");
        return KV_ERR_OPEN;
    case 1:
        ReportMessage(owner, MB_ICONEXCLAMATION, "Could not allocate space for data in server.dat");
        return 1;
    default:
        ReportMessage(owner, MB_ICONEXCLAMATION, "Invalid file format 'Server.dat'");
        return 1;
    }

    const unsigned char *p = data + ListFileHeaderSize;
    const unsigned char *end = data + size;
    bool zeroReported = false, allocReported = false;
    ServerFileRecord record;
    while (size_t taken = ReadServerRecord(p, static_cast<size_t>(end - p), &record)) {
        p += taken;
        // SlotSaved means something only inside a save: one read from a
        // file would keep the entry out of both save passes.
        uint8_t flags = static_cast<uint8_t>(record.flags & ~SlotSaved);
        // One box per load and kind: a damaged file must not bury the user
        // under a box per record.
        if (record.ip == 0) {
            if (!zeroReported)
                ReportMessage(owner, MB_ICONEXCLAMATION, "Server with IP = 0 in file");
            zeroReported = true;
            continue;
        }
        if (AddFileRecord(table, &record, flags) == -2) {
            if (!allocReported)
                ReportMessage(owner, MB_ICONEXCLAMATION, "KvServerAlloc() returned error in LoadServers()");
            allocReported = true;
        }
    }
    if (p == end)
        damagedServerFile[0] = '\0';
    free(data);
    return 0;
}

int AppendDelta(const tagKvHOST *host, char kind)
{
    if (!host || host->ip == 0)
        return 1;
    return AppendDeltas(host, 1, kind);
}

int AppendDeltas(const tagKvHOST *hosts, size_t count, char kind)
{
    if (!hosts || (kind != '+' && kind != '-'))
        return 1;
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i < count; ++i) {
        if (hosts[i].ip == 0)
            continue;
        DeltaRecord record = {kind, hosts[i].ip, hosts[i].port};
        unsigned char encoded[DeltaRecordSize];
        EncodeDeltaRecord(&record, encoded);
        bytes.insert(bytes.end(), encoded, encoded + sizeof encoded);
    }
    if (bytes.empty())
        return 0;
    char path[MAX_PATH];
    ModulePath(path, sizeof path, "Delta.dat");
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(file, &length)) {
        CloseHandle(file);
        return 1;
    }
    // The records go after the last whole one: a fragment that a cut-off
    // append left would shift every later record. A file too short for its
    // header gets the header first.
    LONGLONG at = 0;
    if (length.QuadPart >= ListFileHeaderSize) {
        size_t records = DeltaRecordCount(static_cast<size_t>(length.QuadPart - ListFileHeaderSize));
        at = ListFileHeaderSize + static_cast<LONGLONG>(records * DeltaRecordSize);
    }
    if (at == 0)
        bytes.insert(bytes.begin(), ListFileHeader, ListFileHeader + ListFileHeaderSize);
    LARGE_INTEGER position;
    position.QuadPart = at;
    bool ok = SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
              WriteAll(file, bytes.data(), bytes.size()) && FlushFileBuffers(file);
    if (!ok) {
        // What did land is cut off again: the journal keeps its whole
        // records, and a file that held none is not left behind empty.
        position.QuadPart = at;
        SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    }
    ok = CloseHandle(file) && ok;
    if (!ok && at == 0)
        DeleteFileA(path);
    return ok ? 0 : 1;
}

int ReadDelta(HWND owner, DeltaRecord **records, int *count)
{
    *records = nullptr;
    *count = 0;
    unsigned char *data;
    size_t size;
    int read = ReadProgramFile("Delta.dat", &data, &size);
    if (read != 0) {
        if (read == KV_ERR_OPEN)
            return KV_ERR_OPEN;
        ReportMessage(owner, MB_ICONEXCLAMATION, "Could not allocate space for data in Delta.dat");
        return 1;
    }
    if (!HasListFileHeader(data, size)) {
        free(data);
        ReportMessage(owner, MB_ICONEXCLAMATION, "Invalid file format 'Delta.dat'");
        // Told once: the journal starts afresh (the next append writes a
        // new one), and the old file is kept aside as Delta.dat.bad.
        char path[MAX_PATH], badPath[MAX_PATH];
        ModulePath(path, sizeof path, "Delta.dat");
        ModulePath(badPath, sizeof badPath, "Delta.dat.bad");
        MoveFileExA(path, badPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        return 1;
    }
    // Only whole records count.
    size_t n = DeltaRecordCount(size - ListFileHeaderSize);
    DeltaRecord *out = static_cast<DeltaRecord *>(calloc(n + 1, sizeof(DeltaRecord)));
    if (!out) {
        free(data);
        ReportMessage(owner, MB_ICONEXCLAMATION, "Could not allocate space for data in Delta.dat");
        return 1;
    }
    for (size_t i = 0; i < n; ++i)
        out[i] = ReadDeltaRecord(data + ListFileHeaderSize + i * DeltaRecordSize);
    free(data);
    *records = out;
    *count = static_cast<int>(n);
    return 0;
}
