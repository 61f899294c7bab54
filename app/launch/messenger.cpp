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

int GetOnlineNicknames(std::vector<std::string> *names)
{
    names->clear();
    int count = 0;
    UloUser **users = nullptr;
    if (!UloAPICall_GetOnlineListDetails(&count, &users))
        return 1;
    int version = appData ? static_cast<int>(appData->uloVersion) : 0;
    for (int i = 0; i < count; ++i) {
        // A user the client sends no details of keeps an empty nickname.
        if (users[i] && UloAPICall_GetFullUserData(users[i], version)) {
            size_t length = strnlen(users[i]->nickname, sizeof users[i]->nickname);
            if (length > 0)
                names->emplace_back(users[i]->nickname, length);
        }
    }
    UloAPIUtil_FreeUsers(count, users);
    return 0;
}
