// Start-up with and without a messenger client (the UloStub stand-in).
#include "support.h"

#include "harness.h"
#include "launch/messenger.h"
#include "settings/appdata.h"
#include "startup.h"
#include "settings/settings.h"

namespace {

class MessengerStart : public AppTest {
protected:
    void StartMessenger(const char *config)
    {
        std::string error;
        ASSERT_TRUE(StartStub(&run, "skovalt-app", config, &error)) << error;
        running = true;
    }
    void TearDown() override
    {
        if (appData)
            EndProgram();
        if (running)
            StopStub(&run);
        AppTest::TearDown();
    }
    StubRun run = {};
    bool running = false;
};

TEST_F(MessengerStart, FirstStartGreetsTheOwnerOnce)
{
    StartMessenger("version 65537\nowner 2001\nuser 2001 nickname Holm\n");
    StartAppData();
    EXPECT_EQ(appData->uloVersion, 65537u);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Hi Holm\nWelcome to Skovalt !"});
    char nickname[25];
    EXPECT_EQ(GetOwnerNickname(nickname, sizeof nickname), 0);
    EXPECT_STREQ(nickname, "Holm");
    EXPECT_EQ(GetOwnerNickname(nickname, 3), 0);
    EXPECT_STREQ(nickname, "Ho");
    EndProgram();

    // "Pos" exists after the first close: no greeting any more.
    WriteSetting("Pos", "1 2 3 4 [1]");
    shownMessages.clear();
    StartAppData();
    EXPECT_EQ(appData->uloVersion, 65537u);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(MessengerStart, NoMessengerMeansNoMessengerFeatures)
{
    StartAppData();
    EXPECT_EQ(appData->uloVersion, 0u);
    EXPECT_TRUE(shownMessages.empty());
    char nickname[25] = "x";
    EXPECT_EQ(GetOwnerNickname(nickname, sizeof nickname), 1);
    EXPECT_STREQ(nickname, "");
    EndProgram();

    // Switched off, the running client is never asked.
    StartMessenger("owner 2001\nuser 2001 nickname Holm\n");
    WriteFlag("NoUloStuff", true);
    StartAppData();
    EXPECT_EQ(appData->uloVersion, 0u);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_TRUE(StubLog(run, "request").empty());
}

}  // namespace
