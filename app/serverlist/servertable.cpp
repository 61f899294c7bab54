// The server table: blocks that stay where they are (see servertable.h).
#include "serverlist/servertable.h"

#include <windows.h>
#include <stdlib.h>

namespace {

// The slot of index inside the directory; the block must exist.
ServerSlot *BlockEntry(const ServerTable *table, long index)
{
    long block = index / SlotBlockSize;
    SlotPage *page = table->pages[block / SlotBlocksPerPage];
    if (!page)
        return nullptr;
    ServerSlot *base = page->blocks[block % SlotBlocksPerPage];
    if (!base)
        return nullptr;
    return base + index % SlotBlockSize;
}

// Puts a block into the directory, creating its page when needed.
bool SetBlock(ServerTable *table, long block, ServerSlot *base)
{
    SlotPage *&page = table->pages[block / SlotBlocksPerPage];
    if (!page) {
        page = static_cast<SlotPage *>(calloc(1, sizeof(SlotPage)));
        if (!page)
            return false;
    }
    page->blocks[block % SlotBlocksPerPage] = base;
    return true;
}

}  // namespace

int InitSlots(ServerTable *table)
{
    *table = ServerTable{};
    ServerSlot *first = static_cast<ServerSlot *>(calloc(SlotInitialCapacity, sizeof(ServerSlot)));
    if (!first)
        return 1;
    table->initialBlock = first;
    for (long b = 0; b < SlotInitialCapacity / SlotBlockSize; ++b) {
        if (!SetBlock(table, b, first + b * SlotBlockSize)) {
            FreeSlots(table);
            return 1;
        }
    }
    table->serverCapacity = SlotInitialCapacity;
    return 0;
}

int AddSlot(ServerTable *table, tagQServer *server, uint8_t flags)
{
    long count = table->serverCount;
    if (count >= SlotMaxEntries)
        return -1;
    if (count == table->serverCapacity) {
        // Grow by 25 entries: one new block, the old ones stay in place.
        ServerSlot *block = static_cast<ServerSlot *>(calloc(SlotGrowth, sizeof(ServerSlot)));
        if (!block)
            return -1;
        if (!SetBlock(table, table->serverCapacity / SlotBlockSize, block)) {
            free(block);
            return -1;
        }
        table->serverCapacity += SlotGrowth;
    }
    ServerSlot *slot = BlockEntry(table, count);
    slot->server = server;
    slot->flags = flags;
    // Readers on other threads test the index against serverCount: the
    // entry is complete before the count says it exists.
    InterlockedExchange(const_cast<long *>(&table->serverCount), count + 1);
    return static_cast<int>(count);
}

ServerSlot *SlotAt(const ServerTable *table, long index)
{
    if (index < 0 || index >= table->serverCount)
        return nullptr;
    return BlockEntry(table, index);
}

int MarkSlotDeleted(ServerTable *table, long index)
{
    ServerSlot *slot = SlotAt(table, index);
    if (!slot)
        return 1;
    slot->flags |= SlotDeleted;
    return 0;
}

void FreeSlots(ServerTable *table)
{
    for (long i = 0; i < table->serverCount; ++i) {
        ServerSlot *slot = BlockEntry(table, i);
        if (slot && slot->server)
            KvServerFree(slot->server);
    }
    const long initialBlocks = table->initialBlock ? SlotInitialCapacity / SlotBlockSize : 0;
    for (long p = 0; p < SlotDirectoryPages; ++p) {
        SlotPage *page = table->pages[p];
        if (!page)
            continue;
        for (long b = 0; b < SlotBlocksPerPage; ++b) {
            long block = p * SlotBlocksPerPage + b;
            if (block >= initialBlocks)
                free(page->blocks[b]);
        }
        free(page);
    }
    free(table->initialBlock);
    *table = ServerTable{};
}

tagQServer *CopyServerRecord(tagQServer *s)
{
    tagQServer *copy = nullptr;
    if (KvServerAlloc(&copy, KvServerGetHostIP(s), KvServerGetHostPort(s), KvServerGetHostName(s),
                      KvServerGetServerName(s), KvServerGetGameName(s), KvServerGetPing(s)) != 0)
        return nullptr;
    return copy;
}
