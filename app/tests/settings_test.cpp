// The settings store, AppData's start and end, and the stored placement.
#include "support.h"

#include <string.h>

#include <utility>

#include "settings/appdata.h"
#include "startup.h"
#include "ui/placement.h"
#include "settings/settings.h"
#include "base/text.h"

namespace {

using SettingsTest = AppTest;

std::vector<std::string> Names(const char *list)
{
    std::vector<std::string> names;
    for (const char *p = list; p && *p; p += strlen(p) + 1)
        names.push_back(p);
    return names;
}

TEST_F(SettingsTest, FirstStartWritesDefaultsAndKeepsOthersMissing)
{
    StartAppData();
    EXPECT_STREQ(appData->serverTemplate, "%s%t%y%t%n/%x%t%l%t%g%t");
    EXPECT_STREQ(appData->playerTemplate, "%p%t%r/%n%t%i%t%s%t%l%t");
    EXPECT_STREQ(appData->serverWidths, "100\t25\t25\t50\t30\t");
    EXPECT_STREQ(appData->playerWidths, "100\t100\t100\t100\t100\t");
    EXPECT_EQ(Setting("ServerTemplate"), "%s%t%y%t%n/%x%t%l%t%g%t");
    EXPECT_EQ(Setting("PlayerTemplate"), "%p%t%r/%n%t%i%t%s%t%l%t");
    EXPECT_EQ(Setting("ServerTemplateWidth"), "100\t25\t25\t50\t30\t");
    EXPECT_EQ(Setting("PlayerTemplateWidth"), "100\t100\t100\t100\t100\t");
    EXPECT_EQ(Setting("FixupNames"), "Brakkon,Tessaly,Ovrim,");
    EXPECT_EQ(Names(appData->fixupNames), (std::vector<std::string>{"Brakkon", "Tessaly", "Ovrim"}));

    // A missing timeout is 3 seconds: 0 would time out every server.
    EXPECT_EQ(appData->timeout, 3);
    EXPECT_EQ(appData->pingThreshold, 0);
    EXPECT_EQ(appData->flags, 0u);
    EXPECT_EQ(appData->gameFilter, nullptr);
    EXPECT_EQ(appData->uloVersion, 0u);
    EXPECT_EQ(appData->dragSource, -1);
    EXPECT_EQ(appData->table.serverCapacity, 1600);
    EXPECT_EQ(appData->table.serverCount, 0);
    EXPECT_EQ(Setting("Pos"), "<missing>");
    EXPECT_EQ(Setting("Favorites"), "<missing>");

    // The build puts MapData.txt beside the program: no message.
    EXPECT_NE(appData->mapList, nullptr);
    EXPECT_TRUE(shownMessages.empty());

    EndProgram();
    EXPECT_EQ(appData, nullptr);
    EXPECT_EQ(Setting("Favorites"), "N");
    EXPECT_EQ(Setting("DontGetHostNames"), "N");
    EXPECT_EQ(Setting("GameFilter"), "");
}

TEST_F(SettingsTest, StoredNumbersAreUsedAsStored)
{
    // The time-out in use is 1 to 60 s: 0 would time every server out at
    // once, a huge one would hold a stopped refresh; the stored text stays.
    for (const auto &timeout : {std::make_pair("0", 1L), std::make_pair("999999", 60L), std::make_pair("60", 60L)}) {
        WriteSetting("Timeout", timeout.first);
        StartAppData();
        EXPECT_EQ(appData->timeout, timeout.second) << timeout.first;
        EXPECT_EQ(Setting("Timeout"), timeout.first);
        EndProgram();
    }
    WriteSetting("PingThreshold", "200");
    StartAppData();
    EXPECT_EQ(appData->pingThreshold, 200);
    EndProgram();

    WriteSetting("Timeout", "7");
    WriteSetting("PingThreshold", "70000");  // saturates, never wraps to 4464
    StartAppData();
    EXPECT_EQ(appData->timeout, 7);
    EXPECT_EQ(appData->pingThreshold, 65535);
}

// A "Timeout" that is no number must not become 0 (or less): every server
// would time out at once. It means the default.
TEST_F(SettingsTest, ATimeoutThatIsNoNumberMeansTheDefault)
{
    for (const char *text : {"abc", "-3", "", " 5x"}) {
        WriteSetting("Timeout", text);
        StartAppData();
        EXPECT_EQ(appData->timeout, 3) << text;
        EndProgram();
    }
    WriteSetting("Timeout", " 12 ");
    StartAppData();
    EXPECT_EQ(appData->timeout, 12);
}

TEST_F(SettingsTest, StoredTextsAreKeptAndEmptyOnesReplaced)
{
    WriteSetting("ServerTemplate", "%s%t%g%t");
    WriteSetting("ServerTemplateWidth", "");
    WriteSetting("FixupNames", "");
    StartAppData();
    EXPECT_STREQ(appData->serverTemplate, "%s%t%g%t");
    EXPECT_EQ(Setting("ServerTemplate"), "%s%t%g%t");
    EXPECT_STREQ(appData->serverWidths, "100\t25\t25\t50\t30\t");
    EXPECT_EQ(Setting("ServerTemplateWidth"), "100\t25\t25\t50\t30\t");
    EXPECT_EQ(Setting("FixupNames"), "Brakkon,Tessaly,Ovrim,");
}

TEST_F(SettingsTest, FlagsAreOnOnlyForExactlyY)
{
    const struct {
        const char *text;
        bool on;
    } cases[] = {{"Y", true}, {"N", false}, {"y", false}, {"Yes", false}, {"", false}};
    for (const auto &c : cases) {
        WriteSetting("Grid", c.text);
        EXPECT_EQ(ReadFlag("Grid"), c.on) << c.text;
    }
    EXPECT_FALSE(ReadFlag("NoSuchFlag"));
    WriteFlag("Grid", true);
    EXPECT_EQ(Setting("Grid"), "Y");
    WriteFlag("Grid", false);
    EXPECT_EQ(Setting("Grid"), "N");
}

TEST_F(SettingsTest, FlagSettingsSetTheirBitsAndAreStoredAtTheEnd)
{
    WriteFlag("Grayout", true);
    WriteFlag("DontGetHostNames", true);
    WriteSetting("Favorites", "Yes");
    StartAppData();
    EXPECT_EQ(appData->flags, static_cast<uint32_t>(FlagGrayout | FlagNoHostNames));
    appData->flags |= FlagFavoritesOnly;
    appData->flags &= ~FlagNoHostNames;
    EndProgram();
    EXPECT_EQ(Setting("Favorites"), "Y");
    EXPECT_EQ(Setting("DontGetHostNames"), "N");
    EXPECT_EQ(Setting("Grayout"), "Y");
}

TEST_F(SettingsTest, ReadSettingRefusesWhatDoesNotFit)
{
    char buffer[8];
    WriteSetting("LastFind", "1234567");
    EXPECT_EQ(ReadSetting("LastFind", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "1234567");
    WriteSetting("LastFind", "12345678");
    EXPECT_NE(ReadSetting("LastFind", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_NE(ReadSetting("Missing", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_NE(ReadSetting("LastFind", nullptr, 8), 0);
    EXPECT_EQ(WriteSetting("LastFind", nullptr), 1);

    // Names are one value whatever their letter case.
    WriteFlag("Autoconnect", true);
    EXPECT_TRUE(ReadFlag("AutoConnect"));

    // A text stored without its NUL that fills the buffer must not come
    // back unterminated.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Holmdrey\\SkovaltTest\\SettingsTest.ReadSettingRefusesWhatDoesNotFit",
                            0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE *>("abcdefgh"), 8);
    RegCloseKey(key);
    EXPECT_NE(ReadSetting("Raw", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(SettingsTest, FontBytesRoundTrip)
{
    LOGFONTA font = {};
    font.lfHeight = -13;
    strcpy(font.lfFaceName, "Tahoma");
    static_assert(sizeof font == 60, "the stored font is a 60-byte LOGFONTA");
    EXPECT_EQ(WriteSettingBytes("FontS", &font, sizeof font), 0);
    LOGFONTA back;
    EXPECT_EQ(ReadSettingBytes("FontS", &back, sizeof back), 0);
    EXPECT_EQ(memcmp(&font, &back, sizeof font), 0);
    EXPECT_NE(ReadSettingBytes("FontP", &back, sizeof back), 0);
    LOGFONTA zero = {};
    EXPECT_EQ(memcmp(&zero, &back, sizeof back), 0);
}

TEST_F(SettingsTest, GameFilterIsReadCheckedAndWrittenBack)
{
    WriteSetting("GameFilter", "ctf,lmctf,");
    StartAppData();
    EXPECT_EQ(Names(appData->gameFilter), (std::vector<std::string>{"ctf", "lmctf"}));
    EXPECT_TRUE(GameFilterAccepts("ctf"));
    EXPECT_TRUE(GameFilterAccepts("LMCTF"));
    EXPECT_FALSE(GameFilterAccepts("dm"));
    EXPECT_FALSE(GameFilterAccepts(nullptr));
    EndProgram();
    EXPECT_EQ(Setting("GameFilter"), "ctf,lmctf,");

    WriteSetting("GameFilter", "");
    StartAppData();
    EXPECT_EQ(appData->gameFilter, nullptr);
    EXPECT_TRUE(GameFilterAccepts(nullptr));
    EXPECT_TRUE(GameFilterAccepts("anything"));
}

TEST_F(SettingsTest, NameListsAreCutWithoutGapsAndAlwaysEnded)
{
    char buffer[32] = ",,ctf,,lmctf";
    CutNameList(buffer, sizeof buffer);
    EXPECT_EQ(Names(buffer), (std::vector<std::string>{"ctf", "lmctf"}));

    // A text that fills the whole buffer still ends in an empty name.
    char full[1024];
    memset(full, 'a', sizeof full - 1);
    full[sizeof full - 1] = '\0';
    CutNameList(full, sizeof full);
    EXPECT_EQ(full[sizeof full - 1], '\0');
    EXPECT_EQ(full[sizeof full - 2], '\0');
    EXPECT_EQ(strlen(full), sizeof full - 2);

    char joined[16];
    JoinNameList("ctf\0lmctf\0", joined, sizeof joined);
    EXPECT_STREQ(joined, "ctf,lmctf,");
    JoinNameList("ctf\0lmctf\0", joined, 8);  // only whole names fit
    EXPECT_STREQ(joined, "ctf,");
}

TEST_F(SettingsTest, PlacementTextsAreReadAsStored)
{
    MainPlacement p = ParsePlacement("10 20 640 480 [3]", SW_SHOWNORMAL);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.showCommand, SW_SHOWMAXIMIZED);

    p = ParsePlacement("10 20 640 480 [3]", SW_SHOWMINNOACTIVE);
    EXPECT_EQ(p.showCommand, SW_SHOWMINNOACTIVE);
    EXPECT_EQ(p.width, 640);

    p = ParsePlacement("10 20 640 480", SW_SHOWNORMAL);
    EXPECT_EQ(p.x, CW_USEDEFAULT);
    EXPECT_EQ(p.height, CW_USEDEFAULT);
    EXPECT_EQ(p.showCommand, SW_SHOWNORMAL);

    p = ParsePlacement("", SW_SHOWNORMAL);
    EXPECT_EQ(p.x, CW_USEDEFAULT);

    // Fewer numbers keep the defaults after them; the bracket is no width.
    p = ParsePlacement("10, 20 [1]", SW_SHOWNORMAL);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(p.width, CW_USEDEFAULT);

    // A stored hidden state would leave the program without a window.
    p = ParsePlacement("10 20 640 480 [0]", SW_SHOWNORMAL);
    EXPECT_EQ(p.showCommand, SW_SHOWNORMAL);
}

}  // namespace
