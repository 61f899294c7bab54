// The request calls against a running stand-in, and without one.
#include <gtest/gtest.h>

#include <string.h>

#include "client_fixture.h"
#include "core_support.h"

namespace {

// Expects every detail field of user uin as DetailLines sets it.
void ExpectDetails(const UloUser &user, int uin, const char *nickname, bool withNumber5)
{
    EXPECT_STREQ(user.nickname, nickname);
    const char *texts[] = {user.text1, user.text2, user.text3, user.text4,
                           user.text5, user.text6, user.text7, user.text8};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(std::string(texts[i]), "t" + std::to_string(i + 1) + "-" + std::to_string(uin));
    EXPECT_EQ(user.number1, uin * 10 + 1);
    EXPECT_EQ(user.number2, uin * 10 + 2);
    EXPECT_EQ(user.number3, uin * 10 + 3);
    EXPECT_EQ(user.number4, uin * 10 + 4);
    EXPECT_EQ(user.number5, withNumber5 ? uin * 10 + 5 : 0);
    EXPECT_EQ(user.flag, 7);
}

std::string FullClient()
{
    return "version 65537\ndocking 3\nplacement 4\nlisttype 2\nowner 4242\n" +
           DetailLines(4242, "Owner") + DetailLines(7, "Seven") +
           "online 7 10\nonline 9 14\n"
           "group Friends\nmember 7\nmember 9\ngroup Nobody\n"
           "firewall 1 1 5 8080 9 proxy.example\n";
}

// What the calls write to, each output set to a value no call leaves.
struct CallOutputs {
    int value, count;
    UloUser *owner;
    UloUser **users;
    UloGroup **groups;
    UloUser user;
    UloFirewallSettings settings;
    void *data;
    int length;
};

CallOutputs UnwrittenOutputs()
{
    static int noReply;
    CallOutputs outputs;
    memset(&outputs, 0x33, sizeof outputs);
    outputs.value = outputs.count = outputs.length = -5;
    outputs.owner = nullptr;
    outputs.users = nullptr;
    outputs.groups = nullptr;
    outputs.data = &noReply;
    return outputs;
}

// Every request call, with its result when the client takes the request but
// sends no reply data.
struct EveryCallEntry {
    const char *name;
    int (*call)(CallOutputs *out);
    int resultWithoutData;
};

const unsigned char kOneCode[] = {0};

const EveryCallEntry kEveryCall[] = {
    {"GetVersion", [](CallOutputs *o) { return UloAPICall_GetVersion(&o->value); }, 0},
    {"GetDockingState", [](CallOutputs *o) { return UloAPICall_GetDockingState(&o->value); }, 0},
    {"GetOnlineListPlacement",
     [](CallOutputs *o) { return UloAPICall_GetOnlineListPlacement(&o->value); }, 0},
    {"GetOnlineListType", [](CallOutputs *o) { return UloAPICall_GetOnlineListType(&o->value); },
     0},
    {"GetFirewallSettings",
     [](CallOutputs *o) { return UloAPICall_GetFirewallSettings(&o->settings); }, 0},
    {"GetFullOwnerData",
     [](CallOutputs *o) { return UloAPICall_GetFullOwnerData(&o->owner, 65537); }, 0},
    {"GetFullUserData", [](CallOutputs *o) { return UloAPICall_GetFullUserData(&o->user, 65537); },
     1},
    {"GetOnlineListDetails",
     [](CallOutputs *o) { return UloAPICall_GetOnlineListDetails(&o->count, &o->users); }, 0},
    {"GetGroupOnlineListDetails",
     [](CallOutputs *o) { return UloAPICall_GetGroupOnlineListDetails(&o->count, &o->groups); }, 1},
    {"GetOnlineListHandle", [](CallOutputs *) { return UloAPICall_GetOnlineListHandle(0); }, 1},
    {"GetWindowHandle", [](CallOutputs *) { return UloAPICall_GetWindowHandle(0); }, 1},
    {"SendFile", [](CallOutputs *) { return UloAPICall_SendFile(7, "C:\\file.txt"); }, 1},
    {"Generic",
     [](CallOutputs *o) { return UloAPICall_Generic(1, nullptr, 0, &o->data, &o->length); }, 1},
    {"RegisterNotify", [](CallOutputs *) { return UloAPICall_RegisterNotify(0, 1, kOneCode); }, 1},
    {"UnRegisterNotify", [](CallOutputs *) { return UloAPICall_UnRegisterNotify(); }, 1},
};

// Makes the calls from kEveryCall[first] on (0 is GetVersion) against a
// client that is missing or never answers in time (answered false), or one
// that takes each request but sends no reply data. Each call returns 0, or
// its result without reply data, allocates nothing and leaves every output
// as it was; only Generic, answered, reports that the reply had no data.
void ExpectEveryCall(bool answered, size_t first = 0)
{
    long before = OwnedBlocks();
    CallOutputs out = UnwrittenOutputs();
    const CallOutputs unwritten = out;
    for (size_t i = first; i < sizeof kEveryCall / sizeof kEveryCall[0]; i++) {
        const EveryCallEntry &entry = kEveryCall[i];
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.call(&out), answered ? entry.resultWithoutData : 0);
        EXPECT_EQ(out.value, -5);
        EXPECT_EQ(out.count, -5);
        EXPECT_EQ(out.owner, nullptr);
        EXPECT_EQ(out.users, nullptr);
        EXPECT_EQ(out.groups, nullptr);
        EXPECT_EQ(memcmp(&out.user, &unwritten.user, sizeof out.user), 0);
        EXPECT_EQ(memcmp(&out.settings, &unwritten.settings, sizeof out.settings), 0);
        bool genericAnswered = answered && strcmp(entry.name, "Generic") == 0;
        EXPECT_EQ(out.length, genericAnswered ? 0 : -5);
        EXPECT_EQ(out.data, genericAnswered ? nullptr : unwritten.data);
        out.length = unwritten.length;
        out.data = unwritten.data;
        EXPECT_EQ(OwnedBlocks(), before);
    }
}

using CallsTest = ClientTest;

TEST_F(CallsTest, EveryCallFailsAndAllocatesNothingWithoutClient)
{
    ASSERT_EQ(FindWindowA(nullptr, "Parlet Window"), nullptr);
    ExpectEveryCall(false);
}

TEST_F(CallsTest, AnswersEveryCall)
{
    StartClient(FullClient());
    long before = OwnedBlocks();

    int value = 0;
    ASSERT_EQ(UloAPICall_GetVersion(&value), 1);
    EXPECT_EQ(value, 65537);
    ASSERT_EQ(UloAPICall_GetDockingState(&value), 1);
    EXPECT_EQ(value, 3);
    ASSERT_EQ(UloAPICall_GetOnlineListPlacement(&value), 1);
    EXPECT_EQ(value, 4);
    ASSERT_EQ(UloAPICall_GetOnlineListType(&value), 1);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(UloAPICall_GetOnlineListHandle(0), 1);
    EXPECT_EQ(UloAPICall_GetWindowHandle(0), 1);

    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, 65537), 1);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->uin, 4242);
    EXPECT_EQ(owner->listValue, 0);
    ExpectDetails(*owner, 4242, "Owner", true);
    UloAPIUtil_FreeUser(owner);

    int count = 0;
    UloUser **users = nullptr;
    ASSERT_EQ(UloAPICall_GetOnlineListDetails(&count, &users), 1);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(users[0]->uin, 7);
    EXPECT_EQ(users[0]->listValue, 10);
    EXPECT_EQ(users[1]->uin, 9);
    EXPECT_EQ(users[1]->listValue, 14);
    EXPECT_STREQ(users[0]->nickname, "");

    // The record keeps its list numbers while the details come in.
    ASSERT_EQ(UloAPICall_GetFullUserData(users[0], 65537), 1);
    EXPECT_EQ(users[0]->uin, 7);
    EXPECT_EQ(users[0]->listValue, 10);
    ExpectDetails(*users[0], 7, "Seven", true);
    UloAPIUtil_FreeUsers(count, users);

    UloGroup **groups = nullptr;
    ASSERT_EQ(UloAPICall_GetGroupOnlineListDetails(&count, &groups), 1);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(groups[0]->name, "Friends");
    ASSERT_EQ(groups[0]->userCount, 2);
    EXPECT_EQ(groups[0]->users[0]->uin, 7);
    EXPECT_EQ(groups[0]->users[1]->uin, 9);
    EXPECT_STREQ(groups[1]->name, "Nobody");
    EXPECT_EQ(groups[1]->userCount, 0);
    EXPECT_EQ(groups[1]->users, nullptr);
    // FreeGroup empties a group; releasing the list afterwards frees no twice.
    UloAPIUtil_FreeGroup(groups[0]);
    EXPECT_EQ(groups[0]->users, nullptr);
    EXPECT_EQ(groups[0]->userCount, 0);
    UloAPIUtil_FreeGroups(count, groups);

    UloFirewallSettings settings = UloFirewallSettings();
    ASSERT_EQ(UloAPICall_GetFirewallSettings(&settings), 1);
    EXPECT_EQ(settings.firstFlag, 1);
    EXPECT_EQ(settings.secondFlag, 1);
    EXPECT_EQ(settings.kind, 5);
    EXPECT_STREQ(settings.text, "proxy.example");
    EXPECT_EQ(settings.number, 8080);
    EXPECT_EQ(settings.extra, 9);

    EXPECT_EQ(UloAPICall_SendFile(7, "C:\\f.txt"), 1);
    EXPECT_EQ(OwnedBlocks(), before);

    // Every request named our callback window as the one to answer.
    std::vector<std::string> requests = Log("request");
    ASSERT_EQ(requests.size(), 12u);
    char field[16];
    snprintf(field, sizeof field, "%08X", HandleField(g_parlet.callbackWindow));
    for (const std::string &line : requests)
        EXPECT_EQ(Value(line, "caller"), field) << line;
}

TEST_F(CallsTest, OnlineListLayout)
{
    // The client's bytes exactly: count 2, then (7, 10) and (9, 14).
    StartClient("reply 6 hex 02000000 07000000 0A000000 09000000 0E000000\n");
    int count = 0;
    UloUser **users = nullptr;
    ASSERT_EQ(UloAPICall_GetOnlineListDetails(&count, &users), 1);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(users[0]->uin, 7);
    EXPECT_EQ(users[0]->listValue, 10);
    EXPECT_EQ(users[1]->uin, 9);
    EXPECT_EQ(users[1]->listValue, 14);
    UloAPIUtil_FreeUsers(count, users);
}

TEST_F(CallsTest, EmptyOnlineList)
{
    StartClient("");
    long before = OwnedBlocks();
    int count = -1;
    UloUser **users = (UloUser **)&count;
    ASSERT_EQ(UloAPICall_GetOnlineListDetails(&count, &users), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(users, nullptr);
    UloAPIUtil_FreeUsers(0, nullptr);
    EXPECT_EQ(OwnedBlocks(), before);
}

TEST_F(CallsTest, VersionAbove65536CarriesNumber5)
{
    // 01 00 01 00 is 65537: the details then end with number5.
    StartClient("reply 1 hex 01 00 01 00\nversion 65537\nowner 5\n" + DetailLines(5, "Five"));
    int version = 0;
    ASSERT_EQ(UloAPICall_GetVersion(&version), 1);
    EXPECT_EQ(version, 65537);
    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, version), 1);
    ExpectDetails(*owner, 5, "Five", true);
    UloUser user = UloUser();
    user.uin = 5;
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, version), 1);
    ExpectDetails(user, 5, "Five", true);
    UloAPIUtil_FreeUser(owner);
}

TEST_F(CallsTest, Version65536EndsAfterNumber4)
{
    StartClient("version 65536\nowner 5\n" + DetailLines(5, "Five"));
    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, 65536), 1);
    ExpectDetails(*owner, 5, "Five", false);
    UloUser user = UloUser();
    user.uin = 5;
    user.number5 = 99;
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, 65536), 1);
    ExpectDetails(user, 5, "Five", false);
    UloAPIUtil_FreeUser(owner);
}

TEST_F(CallsTest, LongNicknameIsCutAndTheRestStillRead)
{
    const char *nickname = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    ASSERT_EQ(strlen(nickname), 25u);
    StartClient("owner 3\n" + DetailLines(3, nickname));
    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, 65537), 1);
    ExpectDetails(*owner, 3, "ABCDEFGHIJKLMNOPQRS", true);
    UloUser user = UloUser();
    user.uin = 3;
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, 65537), 1);
    ExpectDetails(user, 3, "ABCDEFGHIJKLMNOPQRS", true);
    UloAPIUtil_FreeUser(owner);
}

TEST_F(CallsTest, UserWithoutDetailsKeepsTheRecord)
{
    StartClient("user 5 nickname Five\n");
    UloUser user;
    memset(&user, 0x5A, sizeof user);
    user.uin = -77;
    UloUser before = user;
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, 65537), 1);
    EXPECT_EQ(memcmp(&user, &before, sizeof user), 0);
    // The request carried the uin, little-endian.
    std::vector<std::string> requests = Log("request code=5");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Value(requests[0], "data"), "B3 FF FF FF");
}

TEST_F(CallsTest, FirewallSettingsFollowTheFlags)
{
    struct Case {
        const char *line;
        int first, second, kind, number, extra;
        const char *text;
    } cases[] = {
        // first 0: only firstFlag changes
        {"firewall 0 1 5 1 2 text", 0, 0x44, 0x4444, 0x44444444, 0x44, "keep"},
        // second 0: the two flags change
        {"firewall 1 0 5 1 2 text", 1, 0, 0x4444, 0x44444444, 0x44, "keep"},
        // kind 4: no extra byte
        {"firewall 1 2 4 3128 9 squid", 1, 2, 4, 3128, 0x44, "squid"},
        {"firewall 3 2 5 1080 9 socks", 3, 2, 5, 1080, 9, "socks"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        StartClient(std::string(c.line) + "\n");
        UloFirewallSettings settings;
        memset(&settings, 0x44, sizeof settings);
        strcpy(settings.text, "keep");
        ASSERT_EQ(UloAPICall_GetFirewallSettings(&settings), 1);
        EXPECT_EQ(settings.firstFlag, c.first);
        EXPECT_EQ(settings.secondFlag, c.second);
        EXPECT_EQ(settings.kind, (short)c.kind);
        EXPECT_EQ(settings.number, c.number);
        EXPECT_EQ(settings.extra, c.extra);
        EXPECT_STREQ(settings.text, c.text);
        StopClient();
    }
}

TEST_F(CallsTest, SendFilePayload)
{
    StartClient("");
    long before = OwnedBlocks();
    ASSERT_EQ(UloAPICall_SendFile(-42, "C:\\My Files\\server.txt"), 1);
    ASSERT_EQ(UloAPICall_SendFile(2147483647, ""), 1);
    EXPECT_EQ(OwnedBlocks(), before);
    std::vector<std::string> requests = Log("request code=11");
    ASSERT_EQ(requests.size(), 2u);
    std::string first = "-42,C:\\My Files\\server.txt";
    EXPECT_EQ(Value(requests[0], "length"), std::to_string(first.size() + 1));
    EXPECT_EQ(Value(requests[0], "data"), HexOfText(first));
    EXPECT_EQ(Value(requests[1], "length"), "12");
    EXPECT_EQ(Value(requests[1], "data"), HexOfText("2147483647,"));
    EXPECT_EQ(Log("sendfile")[0], "sendfile " + first);
}

TEST_F(CallsTest, GenericHandsBackTheReply)
{
    StartClient("reply 50 hex 01 02 03\n");
    const char payload[] = {'a', 'b'};
    void *data = nullptr;
    int length = 0;
    ASSERT_EQ(UloAPICall_Generic(50, payload, 2, &data, &length), 1);
    ASSERT_EQ(length, 3);
    EXPECT_EQ(memcmp(data, "\x01\x02\x03", 3), 0);
    EXPECT_EQ(data, (void *)g_parlet.replyData);
    // Without outputs, or for a request the client does not answer.
    EXPECT_EQ(UloAPICall_Generic(50, payload, 2, nullptr, nullptr), 1);
    ASSERT_EQ(UloAPICall_Generic(51, nullptr, 0, &data, &length), 1);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(data, nullptr);
    // Unsafe arguments are refused before anything is sent.
    EXPECT_EQ(UloAPICall_Generic(50, payload, -1, &data, &length), 0);
    EXPECT_EQ(UloAPICall_Generic(50, nullptr, 4, &data, &length), 0);
    std::vector<std::string> requests = Log("request");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(Value(requests[0], "data"), "61 62");
}

// The client takes each request but sends no reply data, or no reply.
TEST_F(CallsTest, AnsweredWithoutReplyData)
{
    for (const char *config : {"reply * empty\n", "reply * none\n"}) {
        SCOPED_TRACE(config);
        StartClient(config);
        ExpectEveryCall(true);
        StopClient();
    }
}

// A request the client takes later than 1000 ms fails; the late reply only
// refills the reply slot.
TEST_F(CallsTest, ClientTooSlow)
{
    StartClient("slow 1100\nversion 4711\n");
    long before = OwnedBlocks();
    int value = -5;

    DWORD start = GetTickCount();
    EXPECT_EQ(UloAPICall_GetVersion(&value), 0);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 5000u);
    // The late reply arrives once this thread pumps its messages.
    auto versionArrived = [](void *) -> bool {
        int first = 0;
        if (g_parlet.replyLength >= 4)
            memcpy(&first, g_parlet.replyData, 4);
        return first == 4711;
    };
    EXPECT_TRUE(PumpMessagesUntil(versionArrived, nullptr, 5000));
    EXPECT_EQ(value, -5);

    // Every other call fails in the same way.
    ExpectEveryCall(false, 1);
    EXPECT_EQ(OwnedBlocks(), before);
}

TEST_F(CallsTest, DestroyedCallbackWindowIsRecreated)
{
    StartClient("version 31\n");
    HWND old = g_parlet.callbackWindow;
    ASSERT_TRUE(DestroyWindow(old));
    ASSERT_FALSE(IsWindow(old));
    int version = 0;
    ASSERT_EQ(UloAPICall_GetVersion(&version), 1);
    EXPECT_EQ(version, 31);
    ASSERT_TRUE(IsWindow(g_parlet.callbackWindow));
    char className[64];
    GetClassNameA(g_parlet.callbackWindow, className, sizeof className);
    EXPECT_STREQ(className, "UloUloAPI-CALLBACK");
    char field[16];
    snprintf(field, sizeof field, "%08X", HandleField(g_parlet.callbackWindow));
    EXPECT_EQ(Value(Log("request")[0], "caller"), field);
}

} // namespace
