// Loading and saving Server.dat, and the Delta.dat journal.
#include "serverlist/serverfile.h"

#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "base/paths.h"
#include "base/report.h"

namespace {

size_t WriteBytesDefault(const void *data, size_t size, FILE *file)
{
    return fwrite(data, 1, size, file);
}

ServerFileWriter writeBytes = WriteBytesDefault;

bool WriteChecked(const void *data, size_t size, FILE *file)
{
    return writeBytes(data, size, file) == size;
}

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

// Ends the writing of a replacement file: it takes path's place only when
// everything was written (ok) and it was flushed and closed; otherwise it
// is removed and the old file stays. True when replaced.
bool CommitReplacement(FILE *file, bool ok, const char *tempPath, const char *path)
{
    ok = ok && fflush(file) == 0 && !ferror(file);
    ok = (fclose(file) == 0) && ok;
    ok = ok && MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(tempPath);
    return ok;
}

struct SaveState {
    FILE *file;
    SaveProgress progress;
    void *context;
    int written;
    bool failed;
};

// Writes one entry that has a record and is not deleted. Returns true when
// the entry was handed to the file (written, or skipped for address 0).
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
    bool ok = WriteChecked(head, sizeof head, save->file);
    for (const char *text : {record.hostName, record.serverName, record.gameName}) {
        if (!text)
            text = "";
        ok = ok && WriteChecked(text, strlen(text) + 1, save->file);
    }
    if (!ok)
        save->failed = true;
    ++save->written;
    if (save->progress && save->written % 32 == 0)
        save->progress(save->written, save->context);
    return true;
}

}  // namespace

void SetServerFileWriterForTests(ServerFileWriter writer)
{
    writeBytes = writer ? writer : WriteBytesDefault;
}

int SaveServers(HWND owner, ServerTable *table, const long *order, long count, SaveProgress progress,
                void *context)
{
    char path[MAX_PATH], tempPath[MAX_PATH];
    ModulePath(path, sizeof path, "Server.dat");
    ModulePath(tempPath, sizeof tempPath, "Server.dat.new");

    // The new list goes to a file of its own; Server.dat is replaced only
    // when that is complete, so a failed save never loses the old list.
    FILE *file = fopen(tempPath, "wb");
    if (!file) {
        ReportMessage(owner, MB_ICONEXCLAMATION, "Cannot create 'Server.dat'");
        return -1;
    }
    SaveState save = {file, progress, context, 0, false};
    save.failed = !WriteChecked(ListFileHeader, sizeof ListFileHeader, file);

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

    if (!CommitReplacement(file, !save.failed, tempPath, path)) {
        ReportMessage(owner, MB_ICONEXCLAMATION, "Cannot create 'Server.dat'");
        return -1;
    }
    return save.written;
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
    char path[MAX_PATH], tempPath[MAX_PATH];
    ModulePath(path, sizeof path, "Server.dat");
    ModulePath(tempPath, sizeof tempPath, "Server.dat.new");
    FILE *file = fopen(tempPath, "wb");
    if (!file)
        return 1;
    return CommitReplacement(file, WriteChecked(data, size, file), tempPath, path) ? 0 : 1;
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
    unsigned char *data;
    size_t size;
    switch (ReadServerFileBytes(&data, &size)) {
    case 0:
        break;
    case KV_ERR_OPEN:
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
    char path[MAX_PATH];
    ModulePath(path, sizeof path, "Delta.dat");
    FILE *file = fopen(path, "ab");
    if (!file)
        return 1;
    bool ok = true;
    if (FileSize(file) == 0)
        ok = fwrite(ListFileHeader, 1, sizeof ListFileHeader, file) == sizeof ListFileHeader;
    for (size_t i = 0; ok && i < count; ++i) {
        if (hosts[i].ip == 0)
            continue;
        DeltaRecord record = {kind, hosts[i].ip, hosts[i].port};
        unsigned char bytes[DeltaRecordSize];
        EncodeDeltaRecord(&record, bytes);
        ok = fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
    }
    ok = (fclose(file) == 0) && ok;
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
