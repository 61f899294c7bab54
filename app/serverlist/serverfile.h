// The server list's files beside the program: Server.dat (the saved list)
// and Delta.dat (the journal of servers added or removed by hand).
//
// Server.dat: "kv", 0x00, then records of a 28-byte head (address in
// network order, port, ping, flags, 19 reserved zero bytes; numbers
// little-endian) followed by host name, server name and game name, each
// NUL-terminated. Delta.dat: the same header, then 12-byte records (kind
// '+' or '-', 3 reserved, address, port, 2 reserved).
#ifndef SKOVALT_SERVERLIST_SERVERFILE_H
#define SKOVALT_SERVERLIST_SERVERFILE_H

#include <windows.h>
#include <stdint.h>
#include <stdio.h>

#include "kv/kv.h"

enum {
    ServerRecordHeadSize = 28,
    DeltaRecordSize = 12,
    ServerFileHeaderSize = 3,
};

// Writes Server.dat: the rows of the server list view in display order,
// then the entries not shown, deleted ones never. The old file is replaced
// only when the new one was written completely. Returns 0, or 1 after the
// message "Cannot create 'Server.dat'" (the old file and FlagModified are
// then as they were).
int SaveServers(HWND mainWindow);

// Loads Server.dat into the table and inserts the rows that pass the
// favourites and game filters into serverList. Returns 0, -11 when the file
// cannot be opened, 1 on a bad header or lack of memory (after a message).
// A record cut short ends the load; the whole records before it are kept.
int LoadServers(HWND serverList);

// Writes one Server.dat record. Returns 0; 1 when address is 0 (nothing
// written); 2 when a write fell short. Null texts are written empty.
int WriteServerRecord(FILE *file, uint8_t flags, uint16_t ping, uint32_t address, uint16_t port,
                      const char *hostName, const char *serverName, const char *gameName);

// Appends one record ('+' or '-') to Delta.dat, writing the header first
// when the file is empty. Returns 0, or 1 for a null key, address 0, another
// kind, or a file that cannot be opened.
int AppendDelta(const tagKvHOST *host, char kind);

// One Delta.dat record.
struct DeltaRecord {
    char kind;
    uint32_t ip;     // network order
    uint16_t port;
};

// Reads every record of Delta.dat into a new block (free it with free()).
// Returns 0; -11 when the file cannot be opened (no message); 1 after a
// message on a bad header or lack of memory. *records is null unless 0.
int ReadDelta(HWND owner, DeltaRecord **records, int *count);

// "a.b.c.d" or "a.b.c.d:port" into host (port 27910 unless given).
// Returns 0, or 1 (address 0) when the text is null, does not begin with a
// digit, is no dotted address, or names a port outside 1 .. 65535.
int ParseHostAddress(const char *text, tagKvHOST *host);

// The size of an open file; the read position is kept.
long FileSize(FILE *file);

// Tests only: replaces the function that writes Server.dat's bytes (to
// simulate a full disk); null restores fwrite.
using ServerFileWriter = size_t (*)(const void *data, size_t size, FILE *file);
void SetServerFileWriterForTests(ServerFileWriter writer);

#endif
