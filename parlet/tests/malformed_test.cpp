// Replies that do not match their layout, and memory running out: decoding
// stays inside the reply, and a failed call leaves nothing allocated.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "client_fixture.h"
#include "core_support.h"

namespace {

using MalformedTest = ClientTest;

TEST_F(MalformedTest, NumberReplyShorterThanItsInt)
{
    StartClient("reply 1 hex 01 02 03\nreply 13 hex 01\n");
    int value = -5;
    EXPECT_EQ(UloAPICall_GetVersion(&value), 0);
    EXPECT_EQ(UloAPICall_GetOnlineListType(&value), 0);
    EXPECT_EQ(value, -5);
}

TEST_F(MalformedTest, OnlineCountBeyondTheData)
{
    struct Case {
        const char *reply;
        int result, count, firstUin;
    } cases[] = {
        // 0x7FFFFFFF users announced, one and a half pairs sent
        {"hex FFFFFF7F 07000000 0A000000 09000000", 1, 1, 7},
        {"hex 03000000", 1, 0, 0},
        {"hex FEFFFFFF 07000000 0A000000", 1, 0, 0},
        // not even the count
        {"hex 050000", 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reply);
        StartClient(std::string("reply 6 ") + c.reply + "\n");
        long before = OwnedBlocks();
        int count = -5;
        UloUser **users = (UloUser **)&count;
        EXPECT_EQ(UloAPICall_GetOnlineListDetails(&count, &users), c.result);
        EXPECT_EQ(count, c.count);
        if (c.count) {
            ASSERT_NE(users, nullptr);
            EXPECT_EQ(users[0]->uin, c.firstUin);
            EXPECT_EQ(users[0]->listValue, 10);
        } else {
            EXPECT_EQ(users, nullptr);
        }
        UloAPIUtil_FreeUsers(count, users);
        EXPECT_EQ(OwnedBlocks(), before);
        StopClient();
    }
}

TEST_F(MalformedTest, OwnerDetailsCutShort)
{
    // uin 5, number1 1, then a nickname without its NUL
    StartClient("reply 4 hex 05000000 01000000 426F62\n");
    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, 65537), 1);
    EXPECT_EQ(owner->uin, 5);
    EXPECT_EQ(owner->number1, 1);
    EXPECT_STREQ(owner->nickname, "Bob");
    EXPECT_STREQ(owner->text1, "");
    EXPECT_EQ(owner->number4, 0);
    EXPECT_EQ(owner->number5, 0);
    UloAPIUtil_FreeUser(owner);
    StopClient();

    // Without the owner's number there is no owner.
    StartClient("reply 4 hex 050000\n");
    long before = OwnedBlocks();
    owner = nullptr;
    EXPECT_EQ(UloAPICall_GetFullOwnerData(&owner, 65537), 0);
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(OwnedBlocks(), before);
}

TEST_F(MalformedTest, UserDetailsCutShort)
{
    // number1, then 30 characters and the end of the data
    StartClient("reply 5 hex 01000000 " + std::string(60, 'A') + "\n");
    UloUser user;
    memset(&user, 0x21, sizeof user);
    strcpy(user.text1, "kept");
    user.uin = 8;
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, 65537), 1);
    EXPECT_EQ(user.uin, 8);
    EXPECT_EQ(user.number1, 1);
    EXPECT_EQ(std::string(user.nickname), std::string(19, '\xAA'));
    EXPECT_STREQ(user.text1, "kept");
    EXPECT_EQ(user.number5, 0x21212121);
    // With an older client's version number5 is 0 whatever the reply held.
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, 65536), 1);
    EXPECT_EQ(user.number5, 0);
}

TEST_F(MalformedTest, Number5MissingFromANewerVersionsReply)
{
    // The client's details end after number4, the caller expects number5.
    StartClient("version 65536\nowner 6\n" + DetailLines(6, "Six"));
    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, 65537), 1);
    EXPECT_EQ(owner->number4, 64);
    EXPECT_EQ(owner->number5, 0);
    UloUser user = UloUser();
    user.uin = 6;
    user.number5 = -3;
    ASSERT_EQ(UloAPICall_GetFullUserData(&user, 65537), 1);
    EXPECT_EQ(user.number4, 64);
    EXPECT_EQ(user.number5, -3);
    UloAPIUtil_FreeUser(owner);
}

TEST_F(MalformedTest, GroupsCutShort)
{
    // 5 groups announced: "A" with 7 and 9; "B" announcing 100 users but
    // holding one (11); then "C" cut off inside its name.
    StartClient("reply 14 hex 05000000 4100 02000000 07000000 09000000"
                " 4200 64000000 0B000000 43\n");
    long before = OwnedBlocks();
    int count = 0;
    UloGroup **groups = nullptr;
    ASSERT_EQ(UloAPICall_GetGroupOnlineListDetails(&count, &groups), 1);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(groups[0]->name, "A");
    ASSERT_EQ(groups[0]->userCount, 2);
    EXPECT_EQ(groups[0]->users[1]->uin, 9);
    EXPECT_STREQ(groups[1]->name, "B");
    ASSERT_EQ(groups[1]->userCount, 1);
    EXPECT_EQ(groups[1]->users[0]->uin, 11);
    UloAPIUtil_FreeGroups(count, groups);
    EXPECT_EQ(OwnedBlocks(), before);
    StopClient();

    struct Case {
        const char *reply;
        int count;
    } cases[] = {
        {"hex 01000000 4100 FFFFFFFF", 1},  // a negative user count: no users
        {"hex 00000000", 0},
        {"hex 09000000 41", 0},             // nothing whole
        {"hex 010000", -5},                 // no count: outputs untouched
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reply);
        StartClient(std::string("reply 14 ") + c.reply + "\n");
        count = -5;
        groups = nullptr;
        ASSERT_EQ(UloAPICall_GetGroupOnlineListDetails(&count, &groups), 1);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(groups != nullptr, c.count > 0);
        if (c.count > 0) {
            EXPECT_EQ(groups[0]->userCount, 0);
            EXPECT_EQ(groups[0]->users, nullptr);
        }
        UloAPIUtil_FreeGroups(count, groups);
        EXPECT_EQ(OwnedBlocks(), before);
        StopClient();
    }
}

TEST_F(MalformedTest, FirewallCutShort)
{
    // kind 5, then a text without its NUL: number and extra keep their values
    StartClient("reply 3 hex 01 02 05 00 414243\n");
    UloFirewallSettings settings;
    memset(&settings, 0x44, sizeof settings);
    ASSERT_EQ(UloAPICall_GetFirewallSettings(&settings), 1);
    EXPECT_EQ(settings.kind, 5);
    EXPECT_STREQ(settings.text, "ABC");
    EXPECT_EQ(settings.number, 0x44444444);
    EXPECT_EQ(settings.extra, 0x44);
    StopClient();

    // half of kind
    StartClient("reply 3 hex 01 02 05\n");
    memset(&settings, 0x44, sizeof settings);
    ASSERT_EQ(UloAPICall_GetFirewallSettings(&settings), 1);
    EXPECT_EQ(settings.secondFlag, 2);
    EXPECT_EQ(settings.kind, 0x4444);
}

// Makes the 1st, 2nd, ... allocation of a call fail until the call needs no
// more: each failure returns 0 and leaves no block behind.
void ExpectCleanFailures(const char *name, const std::function<int()> &call,
                         const std::function<void()> &release)
{
    SCOPED_TRACE(name);
    for (long n = 0; n < 100; n++) {
        long before = OwnedBlocks();
        g_parlet.failCountdown = n;
        int result = call();
        bool failed = g_parlet.failCountdown == -1;
        g_parlet.failCountdown = -1;
        if (!failed) {
            EXPECT_EQ(result, 1) << "with every allocation granted";
            EXPECT_GT(n, 0) << "the call allocates nothing";
            release();
            EXPECT_EQ(OwnedBlocks(), before);
            return;
        }
        EXPECT_EQ(result, 0) << "allocation " << n << " failed";
        EXPECT_EQ(OwnedBlocks(), before) << "allocation " << n << " failed";
    }
    ADD_FAILURE() << "never succeeded";
}

TEST_F(MalformedTest, AllocationFailuresReturn0AndLeakNothing)
{
    StartClient("owner 3\n" + DetailLines(3, "Three") +
                "online 1 1\nonline 2 2\nonline 3 3\n"
                "group G\nmember 1\nmember 2\ngroup H\nmember 3\n"
                "firewall 1 1 5 80 1 host\nreply 60 hex 01\n");
    int value = 0, count = 0;
    UloUser *owner = nullptr;
    UloUser **users = nullptr;
    UloGroup **groups = nullptr;
    UloUser user = UloUser();
    user.uin = 3;
    UloFirewallSettings settings = UloFirewallSettings();
    void *data = nullptr;
    unsigned char codes[] = {0, 8};
    auto nothing = [] {};

    ExpectCleanFailures("GetVersion", [&] { return UloAPICall_GetVersion(&value); }, nothing);
    ExpectCleanFailures("GetFirewallSettings",
                        [&] { return UloAPICall_GetFirewallSettings(&settings); }, nothing);
    ExpectCleanFailures(
        "GetFullOwnerData",
        [&] {
            owner = nullptr;
            int result = UloAPICall_GetFullOwnerData(&owner, 65537);
            EXPECT_EQ(owner != nullptr, result == 1);
            return result;
        },
        [&] { UloAPIUtil_FreeUser(owner); });
    ExpectCleanFailures("GetFullUserData", [&] { return UloAPICall_GetFullUserData(&user, 65537); },
                        nothing);
    ExpectCleanFailures(
        "GetOnlineListDetails",
        [&] {
            int result = UloAPICall_GetOnlineListDetails(&count, &users);
            if (!result) {
                EXPECT_EQ(users, nullptr);
            }
            return result;
        },
        [&] {
            EXPECT_EQ(count, 3);
            UloAPIUtil_FreeUsers(count, users);
        });
    ExpectCleanFailures("GetGroupOnlineListDetails",
                        [&] { return UloAPICall_GetGroupOnlineListDetails(&count, &groups); },
                        [&] {
                            EXPECT_EQ(count, 2);
                            UloAPIUtil_FreeGroups(count, groups);
                        });
    ExpectCleanFailures("SendFile", [&] { return UloAPICall_SendFile(1, "C:\\a.txt"); }, nothing);
    ExpectCleanFailures("RegisterNotify", [&] { return UloAPICall_RegisterNotify(0, 2, codes); },
                        nothing);
    ExpectCleanFailures("UnRegisterNotify", [&] { return UloAPICall_UnRegisterNotify(); }, nothing);
    ExpectCleanFailures("Generic",
                        [&] { return UloAPICall_Generic(60, nullptr, 0, &data, &value); }, nothing);
}

} // namespace
