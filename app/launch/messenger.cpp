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

int GetOnlineUsers(std::vector<OnlineUser> *users, int *listed)
{
    users->clear();
    *listed = 0;
    int count = 0;
    UloUser **list = nullptr;
    if (!UloAPICall_GetOnlineListDetails(&count, &list))
        return 1;
    *listed = count;
    int version = appData ? static_cast<int>(appData->uloVersion) : 0;
    for (int i = 0; i < count; ++i) {
        if (list[i] && UloAPICall_GetFullUserData(list[i], version))
            users->push_back({std::string(list[i]->nickname, strnlen(list[i]->nickname, sizeof list[i]->nickname)),
                              list[i]->uin});
    }
    UloAPIUtil_FreeUsers(count, list);
    return 0;
}

int GetOnlineNicknames(std::vector<std::string> *names)
{
    names->clear();
    std::vector<OnlineUser> users;
    int listed;
    if (GetOnlineUsers(&users, &listed) != 0)
        return 1;
    // A user the client sends no details of keeps an empty nickname.
    for (const OnlineUser &user : users) {
        if (!user.nickname.empty())
            names->push_back(user.nickname);
    }
    return 0;
}
