// The server table: every server the user knows of, one ServerSlot each.
//
// An entry's index never changes and, because refresh workers read entries
// while the user-interface thread may append (Paste), an entry never moves
// in memory either: the table is a fixed directory of blocks of
// SlotBlockSize entries, and growing adds blocks without touching the ones
// that exist. The logical capacity starts at 1600 and grows by 25 entries.
#ifndef SKOVALT_SERVERLIST_SERVERTABLE_H
#define SKOVALT_SERVERLIST_SERVERTABLE_H

#include <stdint.h>
#include <stddef.h>

#include "kv/kv.h"

// Bits of ServerSlot.flags.
enum : uint8_t {
    SlotDeleted = 0x01,   // removed by the user; never shown or saved again
    SlotFavorite = 0x02,  // a favourite; saved in Server.dat
    SlotSaved = 0x80,     // transient, inside SaveServers only
};

struct ServerSlot {
    tagQServer *server;   // owned by the table
    uint8_t flags;
};

enum {
    SlotInitialCapacity = 1600,
    SlotGrowth = 25,
    SlotBlockSize = 25,
    // Row parameters carry the index in 24 bits.
    SlotMaxEntries = 1 << 24,
    SlotBlocksPerPage = 4096,
    SlotDirectoryPages = (SlotMaxEntries / SlotBlockSize + SlotBlocksPerPage - 1) / SlotBlocksPerPage + 1,
};

// A directory page: pointers to blocks of SlotBlockSize entries.
struct SlotPage {
    ServerSlot *blocks[SlotBlocksPerPage];
};

struct ServerTable {
    SlotPage *pages[SlotDirectoryPages];  // allocated on demand, never moved
    ServerSlot *initialBlock;             // the first 1600 entries, one block
    volatile long serverCount;            // entries in use (published last)
    int serverCapacity;                   // entries allocated
};

// Creates the empty table with room for 1600 entries. Returns 0, or 1 when
// memory runs out (the table then stays empty and AddSlot grows it from
// nothing).
int InitSlots(ServerTable *table);

// Appends an entry and returns its index, or -1 when the table cannot grow
// (out of memory, or 2^24 entries); then the table is unchanged and the
// caller still owns the record.
int AddSlot(ServerTable *table, tagQServer *server, uint8_t flags);

// The entry at index, or null when the index is outside 0 .. serverCount-1.
// Safe from any thread while the user-interface thread appends.
ServerSlot *SlotAt(const ServerTable *table, long index);

// Sets SlotDeleted. Returns 0, or 1 when the index is out of range.
int MarkSlotDeleted(ServerTable *table, long index);

// A new record with the server's address, names and ping, for a refresh to
// fill in while the table keeps the old one; null when memory runs out.
tagQServer *CopyServerRecord(tagQServer *server);

// Frees every record (deleted ones too) and the table's memory.
void FreeSlots(ServerTable *table);

#endif
