// Recognition and parsing of status replies, from captured real replies and
// from hostile or malformed ones.
#include "test_util.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> PlayerNames(tagQServer *s) {
    std::vector<std::string> names;
    for (tagPlayer *p = KvServerGetFirstPlayer(s); p; p = KvServerGetNextPlayer(s, p))
        names.push_back(KvPlayerGetName(p));
    return names;
}

std::vector<int> PlayerFrags(tagQServer *s) {
    std::vector<int> frags;
    for (tagPlayer *p = KvServerGetFirstPlayer(s); p; p = KvServerGetNextPlayer(s, p))
        frags.push_back(KvPlayerGetFrags(p));
    return frags;
}

size_t RuleCount(tagQServer *s) {
    size_t n = 0;
    for (tagRule *r = KvServerGetFirstRule(s); r; r = KvServerGetNextRule(s, r)) ++n;
    return n;
}

TEST(RealReplies, ThreePlayersOnBaseq2) {
    std::string datagram = ReadFixture("three-players.bin");
    ASSERT_FALSE(datagram.empty());
    Parsed p(datagram);
    ASSERT_EQ(p.result, 0);
    EXPECT_STREQ(KvServerGetServerName(p.server), "Spike Server");
    EXPECT_STREQ(KvServerGetGameName(p.server), "baseq2");
    EXPECT_STREQ(KvServerGetMapName(p.server), "q2dm1");
    EXPECT_EQ(KvServerGetMaxClients(p.server), 8);
    EXPECT_EQ(KvServerGetNumberPlayers(p.server), 3);
    // Highest frags first; equal frags keep the order the server sent.
    EXPECT_EQ(PlayerNames(p.server),
              (std::vector<std::string>{"Bot One", "[Spike]Player", "Frag Bait"}));
    EXPECT_EQ(PlayerFrags(p.server), (std::vector<int>{0, 0, -2}));
    EXPECT_EQ(KvPlayerGetPing(KvServerGetFirstPlayer(p.server)), 1);
    // 16 keys, less hostname, gamedate and gamename.
    EXPECT_EQ(RuleCount(p.server), 13u);
    EXPECT_EQ(KvServerGetRuleValue(p.server, (char *)"gamedate"), nullptr);
    EXPECT_STREQ(KvServerGetRuleValue(p.server, (char *)"dmflags"), "1040");
    EXPECT_STREQ(KvServerGetRuleValue(p.server, (char *)"version"),
                 "8.71pre x86_64 Dec  7 2026 Linux");
}

TEST(RealReplies, EmptyServerHasZeroPlayers) {
    Parsed p(ReadFixture("empty-baseq2.bin"));
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(KvServerGetNumberPlayers(p.server), 0);
    EXPECT_EQ(KvServerGetFirstPlayer(p.server), nullptr);
}

TEST(RealReplies, ModFolderIsTheGameNotTheGameLibrary) {
    // game\spikemod ... gamedir\spikemod ... gamename\baseq2, sorted by key.
    Parsed p(ReadFixture("mod-with-password.bin"));
    ASSERT_EQ(p.result, 0);
    EXPECT_STREQ(KvServerGetGameName(p.server), "spikemod");
    EXPECT_STREQ(KvServerGetRuleValue(p.server, (char *)"needpass"), "1");
    EXPECT_EQ(KvServerGetMaxClients(p.server), 16);
}

TEST(RealReplies, CtfWithTwoPlayers) {
    Parsed p(ReadFixture("ctf-two-players.bin"));
    ASSERT_EQ(p.result, 0);
    EXPECT_STREQ(KvServerGetGameName(p.server), "ctf");
    EXPECT_STREQ(KvServerGetServerName(p.server), "Spike CTF");
    EXPECT_EQ(PlayerNames(p.server), (std::vector<std::string>{"Red Guy", "Blue Guy"}));
}

TEST(Recognition, AcceptsBothReplyForms) {
    Parsed plain(Reply("\\maxclients\\8\n"));
    EXPECT_EQ(plain.result, 0);
    EXPECT_EQ(RuleCount(plain.server), 1u);
    EXPECT_STREQ(KvServerGetRuleValue(plain.server, (char *)"maxclients"), "8");
    EXPECT_EQ(KvServerGetNumberPlayers(plain.server), 0);

    // One extra printed line before the info string.
    Parsed extra(Reply("Welcome!\n\\hostname\\Extra\\mapname\\q2dm2\n3 40 \"a\"\n"));
    EXPECT_EQ(extra.result, 0);
    EXPECT_STREQ(KvServerGetServerName(extra.server), "Extra");
    EXPECT_EQ(KvServerGetNumberPlayers(extra.server), 1);
}

TEST(Recognition, RefusesWhatIsNotAStatusReply) {
    const std::vector<std::string> bad = {
        "",
        "\xFF\xFF\xFF\xFFprint",       // short
        "\xFF\xFF\xFF\xFFprint\n",     // 10 bytes: nothing after the header
        "\xFF\xFF\xFF\xFFstatusResponse\n\\a\\b\n",
        "\xFF\xFF\xFF\xFFprint\nno info string here\n",
        "\xFF\xFF\xFF\xFFprint\nline\nsecond line\n\\a\\b\n",
        std::string("\xFF\xFF\xFF\xFFprint\n\0\\a\\b\n", 17),  // text ends at the zero
        "\xFF\xFF\xFF\xFFprint\n\\a\\b",  // info string never ends
    };
    for (const std::string &datagram : bad) {
        Parsed p(datagram);
        EXPECT_EQ(p.result, KV_ERR_NOT_QUAKE2) << "datagram of " << datagram.size() << " bytes";
        EXPECT_EQ(KvServerGetFirstPlayer(p.server), nullptr);
    }
}

TEST(Recognition, IgnoresTheFirstFourBytesAndStopsAtAZero) {
    std::string datagram("\0\0\0\0print\n\\mapname\\q2dm8\n1 2 \"x\"\n", 33);
    Parsed p(datagram);
    EXPECT_EQ(p.result, 0);
    EXPECT_STREQ(KvServerGetMapName(p.server), "q2dm8");

    std::string cut = Reply(std::string("\\mapname\\q2dm8\n1 2 \"x\"\n\0 3 4 \"y\"\n", 34));
    Parsed q(cut);
    EXPECT_EQ(q.result, 0);
    EXPECT_EQ(PlayerNames(q.server), (std::vector<std::string>{"x"}));
}

TEST(InfoString, GameAndHostnameKeysFillTheNamesNotTheRules) {
    Parsed p(Reply("\\gamename\\baseq2\\mapname\\q2dm1\\game\\ctf\n"));
    EXPECT_STREQ(KvServerGetGameName(p.server), "ctf");
    EXPECT_EQ(RuleCount(p.server), 1u);
    EXPECT_EQ(KvServerGetRuleValue(p.server, (char *)"game"), nullptr);
    EXPECT_EQ(KvServerGetRuleValue(p.server, (char *)"gamename"), nullptr);

    // The mod folder wins whichever order the keys come in.
    Parsed q(Reply("\\game\\rocket\\gamename\\baseq2\\GAMEDATE\\today\n"));
    EXPECT_STREQ(KvServerGetGameName(q.server), "rocket");
    EXPECT_EQ(RuleCount(q.server), 0u);

    Parsed h(Reply("\\hostname\\A\\HostNameX\\B\n"));
    EXPECT_STREQ(KvServerGetServerName(h.server), "B");
    EXPECT_EQ(RuleCount(h.server), 0u);

    // Rules run newest first, so a repeated key gives its last value.
    Parsed r(Reply("\\map\\a\\map\\b\n"));
    EXPECT_STREQ(KvServerGetRuleValue(r.server, (char *)"MAP"), "b");
    EXPECT_STREQ(KvRuleGetName(KvServerGetFirstRule(r.server)), "map");
}

TEST(InfoString, ValueEndsAtNextBackslashBeforeLineFeed) {
    // The value of "motd" runs over the line feed up to the next backslash.
    Parsed p(Reply("\\motd\\two\nlines\\mapname\\q2dm3\n"));
    EXPECT_EQ(p.result, 0);
    EXPECT_STREQ(KvServerGetRuleValue(p.server, (char *)"motd"), "two\nlines");
    EXPECT_STREQ(KvServerGetMapName(p.server), "q2dm3");
}

TEST(PlayerLines, BadLinesEndTheParseAndKeepWhatCameBefore) {
    Parsed bad(Reply("\\mapname\\q2dm1\n7 30 \"first\"\nabc 10 \"x\"\n"));
    EXPECT_EQ(bad.result, KV_ERR_PLAYER_LINE);
    EXPECT_STREQ(KvServerGetMapName(bad.server), "q2dm1");
    EXPECT_EQ(PlayerNames(bad.server), (std::vector<std::string>{"first"}));

    Parsed open(Reply("\\mapname\\q2dm1\n7 30 \"first\"\n8 40 \"never closed\n"));
    EXPECT_EQ(open.result, 0);
    EXPECT_EQ(PlayerNames(open.server), (std::vector<std::string>{"first"}));

    Parsed unquoted(Reply("\\mapname\\q2dm1\n7 30 first\n"));
    EXPECT_EQ(unquoted.result, 0);
    EXPECT_EQ(KvServerGetNumberPlayers(unquoted.server), 0);
}

TEST(PlayerLines, NamesMayHoldAnythingButAQuote) {
    // (Backslashes cannot be in a player name: they separate the game's
    // user info.)
    Parsed p(Reply("\\a\\b\n-3 999 \"{weird}  'n' \t%s\"\n"));
    EXPECT_EQ(p.result, 0);
    ASSERT_EQ(KvServerGetNumberPlayers(p.server), 1);
    EXPECT_STREQ(KvPlayerGetName(KvServerGetFirstPlayer(p.server)), "{weird}  'n' \t%s");
    EXPECT_EQ(KvPlayerGetFrags(KvServerGetFirstPlayer(p.server)), -3);
}

TEST(PlayerSort, HighestFragsFirst) {
    Parsed p(Reply("\\a\\b\n5 1 \"five\"\n20 1 \"twenty\"\n-1 1 \"minus\"\n"));
    EXPECT_EQ(PlayerFrags(p.server), (std::vector<int>{20, 5, -1}));
}

TEST(PlayerSort, ExtremeFragsDoNotOverflowTheComparison) {
    Parsed p(Reply("\\a\\b\n-2147483648 1 \"min\"\n2147483647 1 \"max\"\n0 1 \"zero\"\n"
                   "99999999999 1 \"huge\"\n-99999999999 1 \"tiny\"\n"));
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(PlayerFrags(p.server),
              (std::vector<int>{INT_MAX, INT_MAX, 0, INT_MIN, INT_MIN}));
    EXPECT_EQ(PlayerNames(p.server),
              (std::vector<std::string>{"max", "huge", "zero", "min", "tiny"}));
}

TEST(HugeReplies, EveryPlayerIsKeptAndTheCountSaturates) {
    std::string text = "\\mapname\\q2dm1\n";
    for (int i = 0; i < 1000; ++i)
        text += std::to_string(i % 37) + " 50 \"p" + std::to_string(i) + "\"\n";
    Parsed p(Reply(text));
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(KvServerGetNumberPlayers(p.server), 254);  // never 255 ("unknown"), never wrapped
    std::vector<int> frags = PlayerFrags(p.server);
    ASSERT_EQ(frags.size(), 1000u);
    for (size_t i = 1; i < frags.size(); ++i) ASSERT_GE(frags[i - 1], frags[i]) << i;
    // The rank walks the whole list.
    EXPECT_EQ(KvServerGetPlayerRank(p.server, (char *)"p36"), 1);
}

TEST(HugeReplies, RuleCountSaturatesAt255) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "\\k" + std::to_string(i) + "\\v";
    Parsed p(Reply(text + "\n"));
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.server->numberRules, 255);
    EXPECT_EQ(RuleCount(p.server), 300u);
    EXPECT_STREQ(KvServerGetRuleValue(p.server, (char *)"k0"), "v");
}

TEST(NameFixup, RestoresMangledPercentPrefix) {
    std::string list = NameList({"Brakkon", "Other"});
    Parsed p(Reply("\\a\\b\n1 1 \"100rakkon\"\n2 1 \"100akkon\"\n3 1 \"99rakkon\"\n"
                   "4 1 \"100RAKKON\"\n5 1 \"100zzz\"\n"),
             list.c_str());
    EXPECT_EQ(PlayerNames(p.server),
              (std::vector<std::string>{"100zzz", "100% Brakkon", "99rakkon", "100% Brakkon",
                                        "100% Brakkon"}));
}

TEST(NameFixup, ShortEntriesDoNotRenameEveryone) {
    // An entry of one or two letters leaves nothing to compare after the
    // lost characters; it must not match every "100..." name.
    std::string list = NameList({"X", "Al"});
    Parsed p(Reply("\\a\\b\n1 1 \"100abc\"\n2 1 \"100l\"\n"), list.c_str());
    EXPECT_EQ(PlayerNames(p.server), (std::vector<std::string>{"100% Al", "100abc"}));

    std::string empty = NameList({});
    Parsed q(Reply("\\a\\b\n1 1 \"100rakkon\"\n"), empty.c_str());
    EXPECT_EQ(PlayerNames(q.server), (std::vector<std::string>{"100rakkon"}));
}

}  // namespace
