// Subscriptions and the dispatch of notifications to user functions.
#include <gtest/gtest.h>

#include <string.h>

#include "client_fixture.h"
#include "core_support.h"

namespace {

// What the user functions saw, in order.
struct Received {
    int code;
    int number;
    std::string text;
    const char *textPointer;
    long blocksDuringCall;
};

std::vector<Received> g_received;

void Record(int code, int number, const char *text)
{
    Received received = {code, number, text ? text : "", text, OwnedBlocks()};
    g_received.push_back(received);
}

void OnOnlineList(int number) { Record(0, number, nullptr); }
void OnUserData(int number) { Record(1, number, nullptr); }
void OnAppBar(int number) { Record(2, number, nullptr); }
void OnPlacement() { Record(3, 0, nullptr); }
void OnOwner(int number) { Record(4, number, nullptr); }
void OnOwnerData() { Record(5, 0, nullptr); }
void OnListHandle(int number) { Record(6, number, nullptr); }
void OnFile(const char *path) { Record(8, 0, path); }
void OnClose() { Record(79, 0, nullptr); }
void OnAnything() { Record(-1, 0, nullptr); }

void SetAllFunctions()
{
    UloAPIUtil_SetUserNotificationFunc(0, (UloNotifyFunc)OnOnlineList);
    UloAPIUtil_SetUserNotificationFunc(1, (UloNotifyFunc)OnUserData);
    UloAPIUtil_SetUserNotificationFunc(2, (UloNotifyFunc)OnAppBar);
    UloAPIUtil_SetUserNotificationFunc(3, OnPlacement);
    UloAPIUtil_SetUserNotificationFunc(4, (UloNotifyFunc)OnOwner);
    UloAPIUtil_SetUserNotificationFunc(5, OnOwnerData);
    UloAPIUtil_SetUserNotificationFunc(6, (UloNotifyFunc)OnListHandle);
    UloAPIUtil_SetUserNotificationFunc(8, (UloNotifyFunc)OnFile);
    UloAPIUtil_SetUserNotificationFunc(79, OnClose);
}

void ClearAllFunctions()
{
    for (int code = 0; code < 80; code++)
        UloAPIUtil_SetUserNotificationFunc(code, nullptr);
}

class NotifyTest : public ClientTest {
protected:
    void SetUp() override
    {
        g_received.clear();
        ClearAllFunctions();
    }
    void TearDown() override
    {
        ClearAllFunctions();
        ClientTest::TearDown();
    }

    // Has the stand-in send notification "CODE DATA" to its subscribers while
    // our request waits; returns how many windows it went to.
    int Trigger(const std::string &notice)
    {
        void *reply = nullptr;
        int length = 0;
        EXPECT_EQ(UloAPICall_Generic(1000, notice.c_str(), (int)notice.size() + 1, &reply, &length),
                  1);
        int sent = -1;
        if (length == 4)
            memcpy(&sent, reply, 4);
        return sent;
    }

    void SubscribeToEverything()
    {
        unsigned char codes[80];
        for (int i = 0; i < 80; i++)
            codes[i] = (unsigned char)i;
        ASSERT_EQ(UloAPICall_RegisterNotify(0, 80, codes), 1);
    }

    static std::string WindowField()
    {
        char field[16];
        snprintf(field, sizeof field, "%08X", HandleField(g_parlet.notificationWindow));
        return field;
    }
};

TEST_F(NotifyTest, EventSetHoldsOneBitPerCode)
{
    StartClient("");
    long before = OwnedBlocks();
    const unsigned char first[] = {0, 8, 79};
    ASSERT_EQ(UloAPICall_RegisterNotify(-123456, 3, first), 1);
    ASSERT_EQ(UloAPICall_RegisterNotify(5, 0, nullptr), 1);
    // Codes that do not fit the set are left out.
    const unsigned char outside[] = {80, 255, 3, 81};
    ASSERT_EQ(UloAPICall_RegisterNotify(6, 4, outside), 1);
    ASSERT_EQ(UloAPICall_UnRegisterNotify(), 1);
    EXPECT_EQ(OwnedBlocks(), before);

    std::vector<std::string> subscribed = Log("subscribe");
    ASSERT_EQ(subscribed.size(), 3u);
    EXPECT_EQ(Value(subscribed[0], "window"), WindowField());
    EXPECT_EQ(Value(subscribed[0], "value"), "-123456");
    EXPECT_EQ(Value(subscribed[0], "events"), "01 01 00 00 00 00 00 00 00 80");
    EXPECT_EQ(Value(subscribed[1], "events"), "00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(Value(subscribed[2], "events"), "08 00 00 00 00 00 00 00 00 00");
    std::vector<std::string> requests = Log("request code=1");
    ASSERT_EQ(requests.size(), 4u);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(Value(requests[i], "length"), "18");
    EXPECT_EQ(Value(requests[3], "length"), "4");
    std::vector<std::string> unsubscribed = Log("unsubscribe");
    ASSERT_EQ(unsubscribed.size(), 1u);
    EXPECT_EQ(Value(unsubscribed[0], "window"), WindowField());
}

TEST_F(NotifyTest, EachEventReachesItsFunction)
{
    StartClient("");
    SetAllFunctions();
    SubscribeToEverything();
    long before = OwnedBlocks();
    EXPECT_EQ(Trigger("0 int 11"), 1);
    EXPECT_EQ(Trigger("1 int -12"), 1);
    EXPECT_EQ(Trigger("2 int 13"), 1);
    EXPECT_EQ(Trigger("3"), 1);
    EXPECT_EQ(Trigger("4 int 14"), 1);
    EXPECT_EQ(Trigger("5 int 99"), 1);
    EXPECT_EQ(Trigger("6 int 16"), 1);
    EXPECT_EQ(Trigger("8 text C:\\Incoming\\map.bsp"), 1);
    EXPECT_EQ(Trigger("79"), 1);
    ASSERT_EQ(g_received.size(), 9u);
    const int codes[] = {0, 1, 2, 3, 4, 5, 6, 8, 79};
    const int numbers[] = {11, -12, 13, 0, 14, 0, 16, 0, 0};
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(g_received[i].code, codes[i]);
        EXPECT_EQ(g_received[i].number, numbers[i]);
    }
    // The path is the library's copy, released when the function returns.
    EXPECT_EQ(g_received[7].text, "C:\\Incoming\\map.bsp");
    EXPECT_EQ(g_received[7].blocksDuringCall, before + 1);
    EXPECT_EQ(OwnedBlocks(), before);
    ASSERT_EQ(UloAPICall_UnRegisterNotify(), 1);
    EXPECT_EQ(Trigger("0 int 1"), 0);
    EXPECT_EQ(g_received.size(), 9u);
}

TEST_F(NotifyTest, NotificationsWithoutAFunctionAreIgnored)
{
    StartClient("");
    SubscribeToEverything();
    // No function set: answered, nothing called.
    EXPECT_EQ(Trigger("0 int 1"), 1);
    EXPECT_EQ(Trigger("8 text C:\\x"), 1);
    // Codes without an event: setting a function for them changes nothing.
    UloAPIUtil_SetUserNotificationFunc(7, OnAnything);
    UloAPIUtil_SetUserNotificationFunc(50, OnAnything);
    EXPECT_EQ(Trigger("7 int 1"), 1);
    EXPECT_EQ(Trigger("50 int 1"), 1);
    // A function switched off again.
    UloAPIUtil_SetUserNotificationFunc(0, (UloNotifyFunc)OnOnlineList);
    UloAPIUtil_SetUserNotificationFunc(0, nullptr);
    EXPECT_EQ(Trigger("0 int 1"), 1);
    EXPECT_TRUE(g_received.empty());
    // Every notification was taken (answered TRUE).
    for (const std::string &line : Log("notify"))
        EXPECT_EQ(Value(line, "taken"), "1") << line;
}

TEST_F(NotifyTest, MalformedNotificationData)
{
    StartClient("");
    SetAllFunctions();
    SubscribeToEverything();
    long before = OwnedBlocks();
    // A number event whose data cannot hold the number is not delivered.
    Trigger("0 hex 01 02");
    Trigger("4 empty");
    EXPECT_TRUE(g_received.empty());
    // A path without its NUL ends with the data; no data is an empty path.
    Trigger("8 rawtext C:\\cut");
    Trigger("8 empty");
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].text, "C:\\cut");
    EXPECT_EQ(g_received[1].text, "");
    // No memory for the copy: the function is not called.
    // The copy is the first allocation: the notification comes before our reply.
    g_parlet.failCountdown = 0;
    Trigger("8 text C:\\lost");
    g_parlet.failCountdown = -1;
    EXPECT_EQ(g_received.size(), 2u);
    EXPECT_EQ(OwnedBlocks(), before);
}

TEST_F(NotifyTest, DeliveredWhileTheThreadPumpsMessages)
{
    // The stand-in sends this once our subscription request has returned.
    StartClient("onsubscribe 6 int 606\n");
    SetAllFunctions();
    const unsigned char codes[] = {6};
    ASSERT_EQ(UloAPICall_RegisterNotify(0, 1, codes), 1);
    EXPECT_TRUE(g_received.empty());
    EXPECT_TRUE(PumpMessagesUntil([](void *) { return !g_received.empty(); }, nullptr, 5000));
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].code, 6);
    EXPECT_EQ(g_received[0].number, 606);
}

} // namespace
