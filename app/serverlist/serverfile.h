// The server list's files beside the program: loading and saving
// Server.dat, and appending to and reading the Delta.dat journal. The
// bytes are listformat.h's; this side opens, replaces and reports.
#ifndef SKOVALT_SERVERLIST_SERVERFILE_H
#define SKOVALT_SERVERLIST_SERVERFILE_H

#include <windows.h>
#include <stdint.h>

#include "kv/kv.h"
#include "serverlist/listformat.h"
#include "serverlist/servertable.h"

// Called every 32 records a save writes, with the count so far.
using SaveProgress = void (*)(int written, void *context);

// Writes Server.dat: first the entries named by order (count indices, in
// that order; an index named twice is written once), then every other
// entry in table order; deleted entries never. The old file is replaced
// only when the new one was written completely and flushed to the disk; a
// read-only one never. A file that did not load whole is first kept as
// Server.dat.bad, with a notice. Returns the number of servers written, or
// -1 after the message "Cannot create 'Server.dat'" (or, for a read-only
// file, one that says so); the old file is then as it was.
int SaveServers(HWND owner, ServerTable *table, const long *order, long count, SaveProgress progress,
                void *context);

// Makes a server of a record read from a list file and appends it to the
// table with flags. Returns its index; -1 when the table cannot grow; -2
// when the server record cannot be made. Nothing is kept on failure.
int AddFileRecord(ServerTable *table, const ServerFileRecord *record, uint8_t flags);

// Appends the records of Server.dat to the table. Returns 0; -11 when the
// file cannot be opened; 1 on a bad header or lack of memory; each after
// its message. A record cut short ends the load; the whole records before
// it are kept. Records with address 0 are skipped (one message per load).
// A file that did not load whole is kept at the first save over it. A
// Server.dat.new that a cut-off save left behind is removed.
int LoadServers(HWND owner, ServerTable *table);

// Reads a file of the program folder whole into a new block (free it
// with free()), one byte longer than the data. Returns 0; -11 when it
// cannot be opened; 1 when memory runs out.
int ReadProgramFile(const char *name, unsigned char **data, size_t *size);

// Reads Server.dat whole into a new block (free it with free()), without
// a message. Returns 0; -11 when it cannot be opened; 1 when memory runs
// out; 2 when its header is wrong.
int ReadServerFileBytes(unsigned char **data, size_t *size);

// Replaces Server.dat by data (header included) as SaveServers does: the
// new file is written beside it and takes its place only when complete.
// Returns 0, or 1 (the old file is then as it was).
int ReplaceServerFile(const unsigned char *data, size_t size);

// Appends one record ('+' or '-') to Delta.dat, writing the header first
// when the file is empty, and flushes it to the disk. The records land
// whole or not at all: a failed append leaves the file as it was. Returns
// 0, or 1 for a null host, address 0, another kind, or a file that cannot
// be opened or written.
int AppendDelta(const tagKvHOST *host, char kind);
// The same for count hosts at once, in one opening of the file; hosts
// with address 0 are left out. Returns 0 or 1.
int AppendDeltas(const tagKvHOST *hosts, size_t count, char kind);

// Reads every record of Delta.dat into a new block (free it with free()).
// Returns 0; -11 when the file cannot be opened (no message); 1 after a
// message on a bad header or lack of memory. *records is null unless 0.
// A file with a bad header is moved aside to Delta.dat.bad after its
// message, so the journal starts afresh.
int ReadDelta(HWND owner, DeltaRecord **records, int *count);

#endif
