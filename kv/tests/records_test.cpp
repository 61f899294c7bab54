// Record creation and release, the lookups and %-code template expansion.
#include "test_util.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

const unsigned long kAddress = 0x0100A8C0;  // 192.168.0.1 in network byte order

std::string Expand(const char *tmpl, tagQServer *server, tagPlayer *player = nullptr,
                   int flags = KV_EXPAND_SINGLE | KV_EXPAND_TERMINATE, const char *levels = nullptr) {
    char out[512];
    int n = KvExpandParamLine(out, sizeof out, player, server, (char *)tmpl, (char *)levels, flags);
    return n < 0 ? "<overflow>" : std::string(out);
}

TEST(ServerAlloc, StoresWhatItIsGiven) {
    tagQServer *s = nullptr;
    ASSERT_EQ(KvServerAlloc(&s, kAddress, 27911, (char *)"q2.example:27911", (char *)"Arena",
                            (char *)"ctf", 42),
              0);
    EXPECT_STREQ(KvServerGetHostName(s), "q2.example:27911");
    EXPECT_STREQ(KvServerGetServerName(s), "Arena");
    EXPECT_STREQ(KvServerGetGameName(s), "ctf");
    EXPECT_EQ(KvServerGetHostIP(s), kAddress);
    EXPECT_EQ(KvServerGetHostPort(s), 27911);
    EXPECT_EQ(KvServerGetPing(s), 42);
    EXPECT_EQ(KvServerGetNumberPlayers(s), 255);
    EXPECT_EQ(KvServerGetErrorCode(s), 0);
    EXPECT_EQ(KvServerFree(s), 0);
}

TEST(ServerAlloc, DropsOnlyTheDefaultPortSuffix) {
    char text[] = "10.0.0.5:27910";
    tagQServer *s = nullptr;
    ASSERT_EQ(KvServerAlloc(&s, kAddress, 27910, text, (char *)"", nullptr, 0xFFFF), 0);
    EXPECT_STREQ(KvServerGetHostName(s), "10.0.0.5");
    EXPECT_STREQ(text, "10.0.0.5:27910");  // the caller's text is untouched
    EXPECT_EQ(KvServerGetServerName(s), nullptr);  // empty texts are not copied
    EXPECT_EQ(KvServerGetGameName(s), nullptr);
    KvServerFree(s);

    ASSERT_EQ(KvServerAlloc(&s, kAddress, 27911, (char *)"10.0.0.5:27911", nullptr, nullptr, 0), 0);
    EXPECT_STREQ(KvServerGetHostName(s), "10.0.0.5:27911");
    KvServerFree(s);
}

TEST(ServerAlloc, RefusesAddressZeroAndNullArguments) {
    tagQServer *s = (tagQServer *)0x1;
    EXPECT_EQ(KvServerAlloc(&s, 0, 27910, nullptr, nullptr, nullptr, 0), KV_ERR_ARGUMENT);
    EXPECT_EQ(s, (tagQServer *)0x1);  // left untouched
    EXPECT_EQ(KvServerAlloc(nullptr, kAddress, 27910, nullptr, nullptr, nullptr, 0), KV_ERR_ARGUMENT);
    EXPECT_EQ(KvServerFree(nullptr), KV_ERR_ARGUMENT);
    EXPECT_EQ(KvServerFreePlayers(nullptr), KV_ERR_ARGUMENT);
    EXPECT_EQ(KvServerFreeRules(nullptr), KV_ERR_ARGUMENT);
    EXPECT_EQ(KvServerRefresh(nullptr, nullptr, 1, 1), KV_ERR_ARGUMENT);
}

TEST(Accessors, NullRecordsGiveTheirDocumentedValues) {
    EXPECT_EQ(KvServerGetHostName(nullptr), nullptr);
    EXPECT_EQ(KvServerGetHostIP(nullptr), 0u);
    EXPECT_EQ(KvServerGetHostPort(nullptr), 0);
    EXPECT_EQ(KvServerGetPing(nullptr), 0xFFFF);
    EXPECT_EQ(KvServerGetNumberPlayers(nullptr), 255);
    EXPECT_EQ(KvServerGetErrorCode(nullptr), -1);
    EXPECT_EQ(KvServerGetMaxClients(nullptr), 255);
    EXPECT_EQ(KvPlayerGetFrags(nullptr), -1);
    EXPECT_EQ(KvPlayerGetPing(nullptr), -1);
    EXPECT_EQ(KvServerGetNextPlayer(nullptr, nullptr), nullptr);
    EXPECT_EQ(KvServerGetNextRule(nullptr, nullptr), nullptr);
    EXPECT_EQ(KvServerGetRuleValue(nullptr, (char *)"x"), nullptr);
    EXPECT_EQ(KvServerGetPlayerRank(nullptr, (char *)"x"), -1);
}

TEST(Accessors, FreeingListsMarksThemUnknown) {
    Parsed p(Reply("\\mapname\\q2dm1\n1 2 \"a\"\n"));
    EXPECT_EQ(KvServerFreePlayers(p.server), 0);
    EXPECT_EQ(KvServerGetNumberPlayers(p.server), 255);
    EXPECT_EQ(KvServerGetFirstPlayer(p.server), nullptr);
    EXPECT_EQ(KvServerFreeRules(p.server), 0);
    EXPECT_EQ(p.server->numberRules, 0);
    EXPECT_EQ(KvServerGetMapName(p.server), nullptr);
}

TEST(Lookups, MapAndMaxClients) {
    Parsed p(Reply("\\maxclients\\16\\mapname\\q2dm3\n"));
    EXPECT_EQ(KvServerGetMaxClients(p.server), 16);
    EXPECT_STREQ(KvServerGetMapName(p.server), "q2dm3");
    EXPECT_STREQ(KvServerGetRuleValue(p.server, (char *)"MAPNAME"), "q2dm3");
    EXPECT_EQ(KvServerGetRuleValue(p.server, (char *)"mapnam"), nullptr);  // whole keys only

    Parsed old(Reply("\\map\\base1\\maxclients\\300\n"));
    EXPECT_STREQ(KvServerGetMapName(old.server), "base1");
    EXPECT_EQ(KvServerGetMaxClients(old.server), 44);  // low 8 bits of 300

    Parsed odd(Reply("\\maxclients\\  -1x\n"));
    EXPECT_EQ(KvServerGetMaxClients(odd.server), 255);
    Parsed long_(Reply("\\maxclients\\99999999999999999999999\n"));
    EXPECT_EQ(KvServerGetMaxClients(long_.server), 255);  // the number mod 256, no overflow
    Parsed none(Reply("\\a\\b\n"));
    EXPECT_EQ(KvServerGetMaxClients(none.server), 0);
}

TEST(Lookups, AddressStrings) {
    tagQServer *s = nullptr;
    KvServerAlloc(&s, kAddress, 27910, nullptr, nullptr, nullptr, 0);
    char buffer[32];
    EXPECT_STREQ(KvServerGetHostIPString(s, buffer, sizeof buffer), "192.168.0.1");
    s->hostPort = 27911;
    EXPECT_STREQ(KvServerGetHostIPString(s, buffer, sizeof buffer), "192.168.0.1:27911");
    EXPECT_STREQ(KvServerGetHostIPString(s, buffer, 5), "192.");
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(KvServerGetHostIPString(s, buffer, 0), buffer);
    EXPECT_EQ(buffer[0], 'x');  // size 0 writes nothing
    EXPECT_EQ(KvServerGetHostIPString(nullptr, buffer, sizeof buffer), nullptr);
    s->hostIP = 0xFFFFFFFF;
    s->hostPort = 65535;
    EXPECT_STREQ(KvServerGetHostIPString(s, buffer, 22), "255.255.255.255:65535");
    KvServerFree(s);
}

TEST(Lookups, FullLevelNames) {
    std::string levels = NameList({"no bar here", "q2dm1|The Edge", "q2dm10|Other", "base1x|Nope"});
    char buffer[64];
    Parsed dm10(Reply("\\mapname\\Q2DM10\n"));
    EXPECT_EQ(KvServerGetFullLevelName(dm10.server, buffer, sizeof buffer, &levels[0]), 0);
    EXPECT_STREQ(buffer, "The Edge");  // the first entry whose key begins the map name

    Parsed base(Reply("\\mapname\\base1\n"));
    KvServerGetFullLevelName(base.server, buffer, sizeof buffer, &levels[0]);
    EXPECT_STREQ(buffer, "base1");
    KvServerGetFullLevelName(base.server, buffer, 4, &levels[0]);
    EXPECT_STREQ(buffer, "bas");
    KvServerGetFullLevelName(base.server, buffer, sizeof buffer, nullptr);
    EXPECT_STREQ(buffer, "base1");

    Parsed nomap(Reply("\\a\\b\n"));
    strcpy(buffer, "old");
    EXPECT_EQ(KvServerGetFullLevelName(nomap.server, buffer, sizeof buffer, &levels[0]), 0);
    EXPECT_STREQ(buffer, "");

    buffer[0] = 'x';
    EXPECT_EQ(KvServerGetFullLevelName(base.server, buffer, 0, &levels[0]), 0);
    EXPECT_EQ(buffer[0], 'x');  // size 0 writes nothing
    EXPECT_EQ(KvServerGetFullLevelName(base.server, nullptr, 10, &levels[0]), 0);
}

TEST(Lookups, PlayersAndRanks) {
    Parsed p(Reply("\\a\\b\n5 1 \"five\"\n20 1 \"twenty\"\n5 1 \"alsofive\"\n"));
    EXPECT_EQ(KvServerGetPlayerRank(p.server, (char *)"twenty"), 1);
    EXPECT_EQ(KvServerGetPlayerRank(p.server, (char *)"five"), 2);
    EXPECT_EQ(KvServerGetPlayerRank(p.server, (char *)"alsofive"), 3);
    EXPECT_EQ(KvServerGetPlayerRank(p.server, (char *)"FIVE"), KV_ERR_NO_PLAYER);
    EXPECT_EQ(KvServerGetPlayerRank(p.server, nullptr), KV_ERR_ARGUMENT);

    tagPlayer *found = nullptr;
    EXPECT_EQ(KvServerGetPlayer(p.server, &found, (char *)"alsofive"), 0);
    EXPECT_STREQ(KvPlayerGetName(found), "alsofive");
    tagPlayer *untouched = (tagPlayer *)0x1;
    EXPECT_EQ(KvServerGetPlayer(p.server, &untouched, (char *)"Twenty"), KV_ERR_NO_PLAYER);
    EXPECT_EQ(untouched, (tagPlayer *)0x1);
    EXPECT_EQ(KvServerGetPlayer(p.server, nullptr, (char *)"x"), KV_ERR_ARGUMENT);

    Parsed empty(Reply("\\a\\b\n"));
    EXPECT_EQ(KvServerGetNumberPlayers(empty.server), 0);
    EXPECT_EQ(KvServerGetPlayerRank(empty.server, (char *)"x"), KV_ERR_NO_PLAYER);
}

TEST(Expand, ValuesOfEveryCode) {
    Parsed p(Reply("\\hostname\\Arena\\game\\ctf\\mapname\\q2dm1\\maxclients\\8\n"
                   "10 50 \"top\"\n3 70 \"mid\"\n-1 90 \"low\"\n"));
    p.server->ping = 33;
    p.server->hostName = KvCopyString("arena.example");
    tagPlayer *mid = p.server->firstPlayer->next;
    std::string levels = NameList({"q2dm1|The Edge"});
    EXPECT_EQ(Expand("%h|%d|%s|%p|%m|%l|%n|%x|%a|%z", p.server, mid,
                     KV_EXPAND_SINGLE | KV_EXPAND_TERMINATE, levels.c_str()),
              "arena.example|10.0.0.1|Arena|mid|q2dm1|The Edge|3|8|top|low");
    EXPECT_EQ(Expand("%r/%n %i %y %f %g %% %q %t.", p.server, mid), "2/3 70 33 3 ctf % %q \t.");
    // %z makes the worst fragger the current player.
    EXPECT_EQ(Expand("%p %z %f %r %p", p.server, mid), "mid low -1 3 low");
    EXPECT_EQ(Expand("%S %G %P %F %Q %T", p.server, mid), "ARENA CTF MID 3 %Q \t");
}

TEST(Expand, EmptyValuesForUnknownsAndMissingRecords) {
    tagQServer *s = nullptr;
    KvServerAlloc(&s, kAddress, 27911, nullptr, nullptr, nullptr, 0xFFFF);
    EXPECT_EQ(Expand("%n/%x", s), "/");
    EXPECT_EQ(Expand("[%y][%a][%z][%g][%h][%m][%l]", s), "[][][][][][][]");
    EXPECT_EQ(Expand("%s", s), "192.168.0.1:27911");  // no names: the address
    EXPECT_EQ(Expand("[%h%d%s%p%n%x%a%z%r%i%y%f%g%l%m]", nullptr), "[]");
    KvServerFree(s);

    Parsed p(Reply("\\mapname\\q2dm1\n4 30 \"x\"\n"));
    p.server->serverName = KvCopyString("y");
    // The built-in template when none is given.
    EXPECT_EQ(Expand(nullptr, p.server, p.server->firstPlayer), "x,y,q2dm1,4,30");
    EXPECT_EQ(Expand("", p.server, p.server->firstPlayer), "x,y,q2dm1,4,30");
    // A player that is not on the server ranks -14; no server ranks -1.
    tagPlayer stranger = {(char *)"nobody", 1, 2, nullptr};
    EXPECT_EQ(Expand("%r", p.server, &stranger), "-14");
    EXPECT_EQ(Expand("%r", nullptr, &stranger), "-1");
}

TEST(Expand, ServerLabelCarriesTheErrorText) {
    tagQServer *s = nullptr;
    KvServerAlloc(&s, kAddress, 27910, nullptr, (char *)"Arena", nullptr, 0xFFFF);
    s->errorCode = KV_ERR_TIMEOUT;
    EXPECT_EQ(Expand("%S", s), "ARENA: SERVER TIMED OUT");
    // The whole label stays within 127 characters.
    free(s->serverName);
    s->serverName = KvCopyString(std::string(200, 'n').c_str());
    EXPECT_EQ(Expand("%s", s).size(), 127u);
    KvServerFree(s);
}

TEST(Expand, Captions) {
    EXPECT_EQ(Expand("%s%t%y%t%n/%x%t%l%t%g%t", nullptr, nullptr, 0x4A),
              "Server\tPing\t#/Max\tLevel\tGame\t");
    EXPECT_EQ(Expand("%p%t%r/%n%t%i%t%h%t%d%t%m%t%a%t%z%t%f", nullptr, nullptr, 0x4A),
              "Player\tRank/#\tPing\tHost\tHost IP\tMap\tTop Fragger\tWorst Fragger\tFrags");
    EXPECT_EQ(Expand("%S %Y %% %q", nullptr, nullptr, 0x4A), "SERVER PING % %q");
}

TEST(Expand, SizesEndingsAndOverflow) {
    char out[32];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(KvExpandParamLine(out, 0, nullptr, nullptr, (char *)"abc", nullptr, 0x0A), 0);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(KvExpandParamLine(out, -5, nullptr, nullptr, (char *)"abc", nullptr, 0x0A), 0);

    EXPECT_EQ(KvExpandParamLine(out, 10, nullptr, nullptr, (char *)"123456789", nullptr, 0x0A), 10);
    EXPECT_STREQ(out, "123456789");
    memset(out, 'x', sizeof out);
    EXPECT_EQ(KvExpandParamLine(out, 10, nullptr, nullptr, (char *)"1234567890", nullptr, 0x0A), -1);
    EXPECT_EQ(out[10], 'x');             // nothing past the size
    EXPECT_EQ(strlen(out), 9u);          // and still terminated

    memset(out, 'x', sizeof out);
    EXPECT_EQ(KvExpandParamLine(out, sizeof out, nullptr, nullptr, (char *)"ab", nullptr, 0x1A), 5);
    EXPECT_EQ(memcmp(out, "ab\r\n\0", 5), 0);
    EXPECT_EQ(KvExpandParamLine(out, sizeof out, nullptr, nullptr, (char *)"ab", nullptr, 0x02), 2);
    EXPECT_EQ(memcmp(out, "ab", 2), 0);

    // A code whose text does not fit ends the expansion at once.
    memset(out, 'x', sizeof out);
    EXPECT_EQ(KvExpandParamLine(out, 6, nullptr, nullptr, (char *)"ab%S", nullptr, 0x4A), -1);
    EXPECT_EQ(memcmp(out, "ab", 2), 0);
    EXPECT_EQ(out[6], 'x');

    // %0 writes a zero byte, so a template can build a name list.
    EXPECT_EQ(KvExpandParamLine(out, sizeof out, nullptr, nullptr, (char *)"a%0b%0", nullptr, 0x0A), 5);
    EXPECT_EQ(memcmp(out, "a\0b\0\0", 5), 0);
    EXPECT_EQ(KvExpandParamLine(out, 1, nullptr, nullptr, (char *)"%0", nullptr, 0x02), 1);
    EXPECT_EQ(KvExpandParamLine(out, 1, nullptr, nullptr, (char *)"%0", nullptr, 0x0A), -1);

    // A lone % at the end stays a %.
    EXPECT_EQ(Expand("50%", nullptr), "50%");
}

TEST(Expand, RotationTakesTheTemplatesInTurn) {
    std::string list = NameList({"A", "B"});
    std::string seen;
    for (int i = 0; i < 5; ++i) {
        char out[8];
        ASSERT_GT(KvExpandParamLine(out, sizeof out, nullptr, nullptr, &list[0], nullptr, 0x08), 0);
        seen += out;
    }
    EXPECT_EQ(seen, "ABABA");
}

}  // namespace
