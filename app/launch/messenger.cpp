// Questions to the Ulo messenger client through the Parlet library.
#include "launch/messenger.h"

#include <string.h>

#include "parlet/parlet.h"
#include "settings/appdata.h"

int AskMessengerVersion(int *version)
{
    int answer = 0;
    int ok = UloAPICall_GetVersion(&answer);
    if (version)
        *version = ok ? answer : 0;
    return ok ? 1 : 0;
}

int GetOwnerNickname(char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return 1;
    buffer[0] = '\0';
    if (!appData || appData->uloVersion == 0)
        return 1;
    UloUser *owner = nullptr;
    if (!UloAPICall_GetFullOwnerData(&owner, static_cast<int>(appData->uloVersion)) || !owner)
        return 1;
    // The record's nickname field need not be terminated.
    size_t length = strnlen(owner->nickname, sizeof owner->nickname);
    if (length > size - 1)
        length = size - 1;
    memcpy(buffer, owner->nickname, length);
    buffer[length] = '\0';
    UloAPIUtil_FreeUser(owner);
    return 0;
}
