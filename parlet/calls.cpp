// The request calls: each makes its request through CallClient, which finds
// the client, sends the request and checks the reply, and decodes the reply
// from the reply slot.
#include "parlet/internal.h"

#include <stdio.h>
#include <string.h>

bool CallClient(const ClientRequest *request, ReplyReader *reader)
{
    HWND client = FindClientWindow();
    if (!client)
        return false;
    const PayloadPart *parts = request->parts;
    const void *payload = parts[0].data;
    DWORD length = parts[0].length;
    unsigned char *block = nullptr;
    if (!request->sentAsIs) {
        // The parts joined into one block on the library's heap.
        length += parts[1].length;
        if (length) {
            block = (unsigned char *)ParletAlloc(length);
            if (!block)
                return false;
            if (parts[0].length)
                memcpy(block, parts[0].data, parts[0].length);
            if (parts[1].length)
                memcpy(block + parts[0].length, parts[1].data, parts[1].length);
        }
        payload = block;
    }

    COPYDATASTRUCT data;
    data.dwData = request->code;
    data.cbData = length;
    data.lpData = length ? (void *)payload : nullptr;
    if (request->sendName) {
        HWND traced = request->tracedWindow ? request->tracedWindow : g_parlet.callbackWindow;
        Trace("%s - Sending request, callback window %08X\n", request->sendName,
              HandleField(traced));
    }
    bool taken = SendRequest(client, &data);
    ParletFree(block);
    if (!taken)
        return false;
    if (request->resultName)
        Trace("%s - Got result, length %d\n", request->resultName, (int)g_parlet.replyLength);

    ReplyReader over = ReaderOverReply();
    if (reader)
        *reader = over;
    switch (request->reply) {
    case ReplyUnused:
        break;
    case ReplyOptional:
        return !g_parlet.replyLost;
    case ReplyRequired:
        return over.length != 0;
    }
    return true;
}

// Calls whose reply is one int32.
static int RequestNumber(const char *sendName, const char *resultName, DWORD code, int *value)
{
    if (!value)
        return 0;
    ClientRequest request = {code, ReplyRequired, sendName, resultName};
    ReplyReader reader;
    if (!CallClient(&request, &reader))
        return 0;
    return ReadInt32(&reader, value) ? 1 : 0;
}

// Calls that need only the client to take their request.
static int RequestTaken(const char *name, DWORD code)
{
    ClientRequest request = {code, ReplyUnused, name, name};
    return CallClient(&request, nullptr) ? 1 : 0;
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
    ClientRequest request = {UloRequest_GetFirewallSettings, ReplyRequired,
                             "UloAPIGetFirewallSettings", "UloAPIGetFirewallSettings"};
    ReplyReader reader;
    if (!CallClient(&request, &reader))
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
    ClientRequest request = {UloRequest_GetFullOwnerData, ReplyRequired};
    ReplyReader reader;
    if (!CallClient(&request, &reader))
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
    ClientRequest request = {UloRequest_GetFullUserData, ReplyOptional};
    request.parts[0] = {&user->uin, 4};
    ReplyReader reader;
    if (!CallClient(&request, &reader))
        return 0;
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
    ClientRequest request = {UloRequest_GetOnlineListDetails, ReplyRequired, "UloAPIGetUsers",
                             "UloAPIGetUsers"};
    ReplyReader reader;
    if (!CallClient(&request, &reader))
        return 0;
    *count = 0;
    *users = nullptr;
    int announced;
    if (!ReadInt32(&reader, &announced))
        return 0;
    // No more records than the pairs the data holds.
    DWORD held = ItemsHeld(&reader, announced, 8);
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
    DWORD held = ItemsHeld(reader, announced, 4);
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
    ClientRequest request = {UloRequest_GetGroupOnlineListDetails, ReplyOptional, "UloAPIGetUsers",
                             "UloAPIGroupGetUsers"};
    ReplyReader reader;
    if (!CallClient(&request, &reader))
        return 0;
    int announced;
    if (!ReadInt32(&reader, &announced))
        return 1;
    *count = 0;
    *groups = nullptr;
    Trace("UloAPIGroupGetUsers - got %d groups\n", announced);
    // A group takes at least 5 bytes: an empty name's NUL and its count.
    DWORD room = ItemsHeld(&reader, announced, 5);
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
    return RequestTaken("UloAPIGetOnlineListHandle", UloRequest_GetOnlineListHandle);
}

int PARLET_CALL UloAPICall_GetWindowHandle(int)
{
    return RequestTaken("UloAPIGetWindowHandle", UloRequest_GetWindowHandle);
}

int PARLET_CALL UloAPICall_SendFile(int uin, const char *path)
{
    if (!path)
        return 0;
    // "uin,path" and its NUL.
    char number[16];
    int numberLength = snprintf(number, sizeof number, "%d,", uin);
    ClientRequest request = {UloRequest_SendFile, ReplyUnused};
    request.parts[0] = {number, (DWORD)numberLength};
    request.parts[1] = {path, (DWORD)(strlen(path) + 1)};
    return CallClient(&request, nullptr) ? 1 : 0;
}

int PARLET_CALL UloAPICall_Generic(int code, const void *data, int length, void **replyData,
                                   int *replyLength)
{
    if (length < 0 || (length > 0 && !data))
        return 0;
    bool wantsReply = replyData && replyLength;
    ClientRequest request = {(DWORD)code, wantsReply ? ReplyOptional : ReplyUnused};
    request.parts[0] = {data, (DWORD)length};
    request.sentAsIs = true;
    ReplyReader reader;
    if (!CallClient(&request, &reader))
        return 0;
    if (wantsReply) {
        *replyLength = (int)reader.length;
        *replyData = reader.length ? (void *)reader.data : nullptr;
    }
    return 1;
}

} // extern "C"
