// The library's heap and the releases of the records it hands out.
#include "parlet/internal.h"

void *ParletAlloc(size_t size)
{
    if (g_parlet.failCountdown == 0) {
        g_parlet.failCountdown = -1;
        return nullptr;
    }
    if (g_parlet.failCountdown > 0)
        g_parlet.failCountdown--;
    void *block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1);
    if (block)
        g_parlet.liveBlocks++;
    return block;
}

void ParletFree(void *block)
{
    if (!block)
        return;
    HeapFree(GetProcessHeap(), 0, block);
    g_parlet.liveBlocks--;
}

extern "C" {

void PARLET_CALL UloAPIUtil_FreeUser(UloUser *user)
{
    ParletFree(user);
}

void PARLET_CALL UloAPIUtil_FreeUsers(int count, UloUser **users)
{
    if (!users)
        return;
    for (int i = 0; i < count; i++)
        ParletFree(users[i]);
    ParletFree(users);
}

void PARLET_CALL UloAPIUtil_FreeGroup(UloGroup *group)
{
    if (!group)
        return;
    UloAPIUtil_FreeUsers(group->userCount, group->users);
    // Empty, so that releasing the group list afterwards frees nothing twice.
    group->users = nullptr;
    group->userCount = 0;
}

void PARLET_CALL UloAPIUtil_FreeGroups(int count, UloGroup **groups)
{
    if (!groups)
        return;
    for (int i = 0; i < count; i++) {
        UloAPIUtil_FreeGroup(groups[i]);
        ParletFree(groups[i]);
    }
    ParletFree(groups);
}

} // extern "C"
