// The request calls: each finds the client, sends its request and decodes
// the reply from the reply slot.
#include "parlet/internal.h"

#include <stdio.h>
#include <string.h>

bool Exchange(HWND client, const char *sendName, const char *resultName, DWORD code,
              const void *payload, DWORD length)
{
    COPYDATASTRUCT request;
    request.dwData = code;
    request.cbData = length;
    request.lpData = length ? (void *)payload : nullptr;
    if (sendName)
        Trace("%s - Sending request, callback window %08X\n", sendName,
              HandleField(g_parlet.callbackWindow));
    if (!SendRequest(client, &request))
        return false;
    if (resultName)
        Trace("%s - Got result, length %d\n", resultName, (int)g_parlet.replyLength);
    return true;
}

// Calls whose reply is one int32.
static int RequestNumber(const char *sendName, const char *resultName, DWORD code, int *value)
{
    if (!value)
        return 0;
    HWND client = FindClientWindow();
    if (!client || !Exchange(client, sendName, resultName, code, nullptr, 0))
        return 0;
    ReplyReader reader = ReaderOverReply();
    return ReadInt32(&reader, value) ? 1 : 0;
}

// The detail items of codes 4 and 5, read as far as the reply goes.
static void ReadDetails(ReplyReader *reader, UloUser *user, int version)
{
    bool complete = ReadInt32(reader, &user->number1) &&
                    ReadText(reader, user->nickname, sizeof user->nickname) &&
                    ReadText(reader, user->text1, sizeof user->text1) &&
                    ReadText(reader, user->text2, sizeof user->text2) &&
                    ReadText(reader, user->text3, sizeof user->text3) &&
                    ReadText(reader, user->text4, sizeof user->text4) &&
                    ReadText(reader, user->text5, sizeof user->text5) &&
                    ReadInt32(reader, &user->number2) &&
                    ReadText(reader, user->text6, sizeof user->text6) &&
                    ReadText(reader, user->text7, sizeof user->text7) &&
                    ReadInt32(reader, &user->number3) &&
                    ReadText(reader, user->text8, sizeof user->text8) &&
                    ReadByte(reader, &user->flag) &&
                    ReadInt32(reader, &user->number4);
    if (version > ULO_VERSION_WITH_NUMBER5) {
        if (complete)
            ReadInt32(reader, &user->number5);
    } else {
        user->number5 = 0;
    }
}

static DWORD Smaller(DWORD a, DWORD b)
{
    return a < b ? a : b;
}

extern "C" {

int PARLET_CALL UloAPICall_GetVersion(int *version)
{
    return RequestNumber("UloAPIGetVersion", "UloAPIGetVersion", UloRequest_GetVersion, version);
}

int PARLET_CALL UloAPICall_GetDockingState(int *state)
{
    return RequestNumber("UloAPIGetDockingState", "UloAPIGetDockingStateVersion",
                         UloRequest_GetDockingState, state);
}

int PARLET_CALL UloAPICall_GetOnlineListPlacement(int *placement)
{
    return RequestNumber("UloAPIGetOnlineListPlacement", "UloAPIGetOnlineListPlacement",
                         UloRequest_GetOnlineListPlacement, placement);
}

int PARLET_CALL UloAPICall_GetOnlineListType(int *type)
{
    return RequestNumber("UloAPIGetListType", "UloAPIGetListType", UloRequest_GetOnlineListType,
                         type);
}

int PARLET_CALL UloAPICall_GetFirewallSettings(UloFirewallSettings *settings)
{
    if (!settings)
        return 0;
    HWND client = FindClientWindow();
    if (!client || !Exchange(client, "UloAPIGetFirewallSettings", "UloAPIGetFirewallSettings",
                             UloRequest_GetFirewallSettings, nullptr, 0))
        return 0;
    ReplyReader reader = ReaderOverReply();
    if (reader.length == 0)
        return 0;
    if (!ReadByte(&reader, &settings->firstFlag) || settings->firstFlag == 0)
        return 1;
    if (!ReadByte(&reader, &settings->secondFlag) || settings->secondFlag == 0)
        return 1;
    if (ReadInt16(&reader, &settings->kind) &&
        ReadText(&reader, settings->text, sizeof settings->text) &&
        ReadInt32(&reader, &settings->number) && settings->kind == 5)
        ReadByte(&reader, &settings->extra);
    return 1;
}

int PARLET_CALL UloAPICall_GetFullOwnerData(UloUser **owner, int version)
{
    if (!owner)
        return 0;
    HWND client = FindClientWindow();
    if (!client || !Exchange(client, nullptr, nullptr, UloRequest_GetFullOwnerData, nullptr, 0))
        return 0;
    ReplyReader reader = ReaderOverReply();
    if (reader.length == 0)
        return 0;
    Trace("UloAPIGetFullOwnerData - got data at %u size %d\n", (unsigned)(ULONG_PTR)reader.data,
          (int)reader.length);
    int uin;
    if (!ReadInt32(&reader, &uin))
        return 0;
    UloUser *user = (UloUser *)ParletAlloc(sizeof(UloUser));
    if (!user)
        return 0;
    user->uin = uin;
    ReadDetails(&reader, user, version);
    *owner = user;
    return 1;
}

int PARLET_CALL UloAPICall_GetFullUserData(UloUser *user, int version)
{
    if (!user)
        return 0;
    HWND client = FindClientWindow();
    if (!client)
        return 0;
    unsigned char *payload = (unsigned char *)ParletAlloc(4);
    if (!payload)
        return 0;
    memcpy(payload, &user->uin, 4);
    bool answered = Exchange(client, nullptr, nullptr, UloRequest_GetFullUserData, payload, 4);
    ParletFree(payload);
    if (!answered || g_parlet.replyLost)
        return 0;
    ReplyReader reader = ReaderOverReply();
    if (reader.length == 0)
        return 1;
    Trace("UloAPIGetUserDetails - got data at %u size %d\n", (unsigned)(ULONG_PTR)reader.data,
          (int)reader.length);
    ReadDetails(&reader, user, version);
    return 1;
}

int PARLET_CALL UloAPICall_GetOnlineListDetails(int *count, UloUser ***users)
{
    if (!count || !users)
        return 0;
    HWND client = FindClientWindow();
    if (!client || !Exchange(client, "UloAPIGetUsers", "UloAPIGetUsers",
                             UloRequest_GetOnlineListDetails, nullptr, 0))
        return 0;
    ReplyReader reader = ReaderOverReply();
    if (reader.length == 0)
        return 0;
    *count = 0;
    *users = nullptr;
    int announced;
    if (!ReadInt32(&reader, &announced))
        return 0;
    if (announced <= 0)
        return 1;
    // No more records than the pairs the data holds.
    DWORD held = Smaller((DWORD)announced, RemainingBytes(&reader) / 8);
    if (held == 0)
        return 1;
    Trace("UloAPIGetUsers - got %d users\n", (int)held);
    UloUser **list = (UloUser **)ParletAlloc(held * sizeof(UloUser *));
    if (!list)
        return 0;
    for (DWORD i = 0; i < held; i++) {
        UloUser *user = (UloUser *)ParletAlloc(sizeof(UloUser));
        if (!user) {
            UloAPIUtil_FreeUsers((int)i, list);
            return 0;
        }
        ReadInt32(&reader, &user->uin);
        ReadInt32(&reader, &user->listValue);
        list[i] = user;
    }
    *count = (int)held;
    *users = list;
    return 1;
}

enum GroupRead { GroupMade, GroupCutShort, GroupNoMemory };

// Reads one group. Its users are as many as the announced count and the data
// both allow. Nothing stays allocated unless the group was made.
static GroupRead ReadGroup(ReplyReader *reader, UloGroup **group)
{
    char name[sizeof((UloGroup *)nullptr)->name];
    int announced;
    if (!ReadText(reader, name, sizeof name) || !ReadInt32(reader, &announced))
        return GroupCutShort;
    UloGroup *made = (UloGroup *)ParletAlloc(sizeof(UloGroup));
    if (!made)
        return GroupNoMemory;
    memcpy(made->name, name, sizeof name);
    DWORD held = announced > 0 ? Smaller((DWORD)announced, RemainingBytes(reader) / 4) : 0;
    if (held) {
        made->users = (UloUser **)ParletAlloc(held * sizeof(UloUser *));
        if (!made->users) {
            ParletFree(made);
            return GroupNoMemory;
        }
    }
    for (DWORD i = 0; i < held; i++) {
        UloUser *user = (UloUser *)ParletAlloc(sizeof(UloUser));
        if (!user) {
            UloAPIUtil_FreeGroup(made);
            ParletFree(made);
            return GroupNoMemory;
        }
        ReadInt32(reader, &user->uin);
        made->users[i] = user;
        made->userCount = (int)i + 1;
    }
    *group = made;
    return GroupMade;
}

int PARLET_CALL UloAPICall_GetGroupOnlineListDetails(int *count, UloGroup ***groups)
{
    if (!count || !groups)
        return 0;
    HWND client = FindClientWindow();
    if (!client || !Exchange(client, "UloAPIGetUsers", "UloAPIGroupGetUsers",
                             UloRequest_GetGroupOnlineListDetails, nullptr, 0))
        return 0;
    if (g_parlet.replyLost)
        return 0;
    ReplyReader reader = ReaderOverReply();
    int announced;
    if (!ReadInt32(&reader, &announced))
        return 1;
    *count = 0;
    *groups = nullptr;
    Trace("UloAPIGroupGetUsers - got %d groups\n", announced);
    // A group takes at least 5 bytes: an empty name's NUL and its count.
    DWORD room = announced > 0 ? Smaller((DWORD)announced, RemainingBytes(&reader) / 5) : 0;
    if (room == 0)
        return 1;
    UloGroup **list = (UloGroup **)ParletAlloc(room * sizeof(UloGroup *));
    if (!list)
        return 0;
    DWORD taken = 0;
    while (taken < room) {
        UloGroup *group = nullptr;
        GroupRead read = ReadGroup(&reader, &group);
        if (read == GroupNoMemory) {
            UloAPIUtil_FreeGroups((int)taken, list);
            return 0;
        }
        if (read == GroupCutShort)
            break;
        list[taken++] = group;
    }
    if (taken == 0) {
        ParletFree(list);
        return 1;
    }
    *count = (int)taken;
    *groups = list;
    return 1;
}

int PARLET_CALL UloAPICall_GetOnlineListHandle(int)
{
    HWND client = FindClientWindow();
    return client && Exchange(client, "UloAPIGetOnlineListHandle", "UloAPIGetOnlineListHandle",
                              UloRequest_GetOnlineListHandle, nullptr, 0)
               ? 1
               : 0;
}

int PARLET_CALL UloAPICall_GetWindowHandle(int)
{
    HWND client = FindClientWindow();
    return client && Exchange(client, "UloAPIGetWindowHandle", "UloAPIGetWindowHandle",
                              UloRequest_GetWindowHandle, nullptr, 0)
               ? 1
               : 0;
}

int PARLET_CALL UloAPICall_SendFile(int uin, const char *path)
{
    if (!path)
        return 0;
    HWND client = FindClientWindow();
    if (!client)
        return 0;
    char number[16];
    int numberLength = snprintf(number, sizeof number, "%d,", uin);
    size_t pathLength = strlen(path);
    DWORD length = (DWORD)(numberLength + pathLength + 1);
    char *payload = (char *)ParletAlloc(length);
    if (!payload)
        return 0;
    memcpy(payload, number, numberLength);
    memcpy(payload + numberLength, path, pathLength + 1);
    bool answered = Exchange(client, nullptr, nullptr, UloRequest_SendFile, payload, length);
    ParletFree(payload);
    return answered ? 1 : 0;
}

int PARLET_CALL UloAPICall_Generic(int code, const void *data, int length, void **replyData,
                                   int *replyLength)
{
    if (length < 0 || (length > 0 && !data))
        return 0;
    HWND client = FindClientWindow();
    if (!client || !Exchange(client, nullptr, nullptr, (DWORD)code, data, (DWORD)length))
        return 0;
    if (replyData && replyLength) {
        if (g_parlet.replyLost)
            return 0;
        *replyLength = (int)g_parlet.replyLength;
        *replyData = g_parlet.replyLength ? g_parlet.replyData : nullptr;
    }
    return 1;
}

} // extern "C"
