// The status exchange over real UDP, against simulated servers on loopback.
#include "kv/platform.h"
#include "q2sim.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const unsigned long kLoopback = 0x0100007F;  // 127.0.0.1 in network byte order

q2sim::ServerConfig Arena(int delayMs = 0) {
    q2sim::ServerConfig c;
    c.rules = {{"hostname", "Arena"}, {"game", "rocket"}, {"mapname", "q2dm2"}, {"maxclients", "8"}};
    c.players = {{3, 40, "low"}, {12, 55, "high"}, {7, 80, "100rakkon"}};
    c.delayMs = delayMs;
    return c;
}

struct Servers {
    q2sim::Simulator *sim;
    explicit Servers(const std::vector<q2sim::ServerConfig> &configs) {
        std::string error;
        sim = q2sim::Start(configs, 0, &error);
        EXPECT_NE(sim, nullptr) << error;
    }
    ~Servers() { q2sim::Stop(sim); }
    tagQServer *Record(size_t index, const char *host = nullptr) const {
        tagQServer *s = nullptr;
        KvServerAlloc(&s, kLoopback, q2sim::Port(sim, index), (char *)host, nullptr, nullptr,
                      KV_PING_UNKNOWN);
        return s;
    }
};

TEST(Exchange, RefreshFillsTheRecord) {
    Servers servers({Arena()});
    tagQServer *s = servers.Record(0);
    std::string fixups = NameList({"Brakkon"});
    ASSERT_EQ(KvServerRefresh(s, &fixups[0], 3, 1), 0);
    EXPECT_EQ(KvServerGetErrorCode(s), 0);
    EXPECT_STREQ(KvServerGetServerName(s), "Arena");
    EXPECT_STREQ(KvServerGetGameName(s), "rocket");
    EXPECT_STREQ(KvServerGetMapName(s), "q2dm2");
    EXPECT_EQ(KvServerGetNumberPlayers(s), 3);
    EXPECT_STREQ(KvPlayerGetName(KvServerGetFirstPlayer(s)), "high");
    EXPECT_EQ(KvServerGetPlayerRank(s, (char *)"100% Brakkon"), 2);
    EXPECT_LT(KvServerGetPing(s), 1000);
    EXPECT_EQ(KvServerGetHostName(s), nullptr);  // no reverse lookup asked
    // One query datagram per refresh.
    EXPECT_EQ(q2sim::QueryCount(servers.sim, 0), 1);

    // A second refresh starts from empty lists: nothing doubles up.
    ASSERT_EQ(KvServerRefresh(s, nullptr, 3, 1), 0);
    EXPECT_EQ(KvServerGetNumberPlayers(s), 3);
    EXPECT_EQ(KvServerGetPlayerRank(s, (char *)"100rakkon"), 2);
    EXPECT_EQ(q2sim::QueryCount(servers.sim, 0), 2);
    KvServerFree(s);
}

TEST(Exchange, PingMeasuresTheRoundTrip) {
    Servers servers({Arena(250)});
    tagQServer *s = servers.Record(0);
    ASSERT_EQ(KvServerRefresh(s, nullptr, 3, 1), 0);
    EXPECT_GE(KvServerGetPing(s), 240);
    EXPECT_LT(KvServerGetPing(s), 2000);
    KvServerFree(s);
}

TEST(Exchange, OtherReplyForms) {
    q2sim::ServerConfig extra = Arena();
    extra.mode = q2sim::Mode::ExtraLine;
    q2sim::ServerConfig garbage;
    garbage.mode = q2sim::Mode::Garbage;
    q2sim::ServerConfig oversized = Arena();
    oversized.mode = q2sim::Mode::Oversized;
    q2sim::ServerConfig empty;
    empty.mode = q2sim::Mode::Raw;
    Servers servers({extra, garbage, oversized, empty});

    tagQServer *s = servers.Record(0);
    EXPECT_EQ(KvServerRefresh(s, nullptr, 3, 1), 0);
    EXPECT_STREQ(KvServerGetServerName(s), "Arena");
    KvServerFree(s);

    s = servers.Record(1);
    EXPECT_EQ(KvServerRefresh(s, nullptr, 3, 1), KV_ERR_NOT_QUAKE2);
    EXPECT_EQ(KvServerGetErrorCode(s), KV_ERR_NOT_QUAKE2);
    EXPECT_EQ(KvServerGetPing(s), KV_PING_UNKNOWN);
    KvServerFree(s);

    // The largest datagram IPv4 carries still fits the receive buffer.
    s = servers.Record(2);
    EXPECT_EQ(KvServerRefresh(s, nullptr, 3, 1), 0);
    EXPECT_EQ(KvServerGetNumberPlayers(s), 254);
    KvServerFree(s);

    s = servers.Record(3);
    EXPECT_EQ(KvServerRefresh(s, nullptr, 3, 1), KV_ERR_NOT_QUAKE2);
    KvServerFree(s);
}

int FullBufferReceive(KvSocket, char *buffer, int size) {
    memset(buffer, 'x', (size_t)size);
    return size;
}

TEST(Exchange, AReplyThatFillsTheBufferIsRefused) {
    Servers servers({Arena()});
    tagQServer *s = servers.Record(0);
    kvReceiveOverride = FullBufferReceive;
    int result = KvServerRefresh(s, nullptr, 3, 1);
    kvReceiveOverride = nullptr;
    EXPECT_EQ(result, KV_ERR_REPLY_TOO_BIG);
    EXPECT_EQ(KvServerGetPing(s), KV_PING_UNKNOWN);
    EXPECT_EQ(KvServerGetNumberPlayers(s), 255);
    KvServerFree(s);
}

TEST(Exchange, SilentSlowAndClosedServers) {
    q2sim::ServerConfig silent = Arena();
    silent.mode = q2sim::Mode::Silent;
    Servers servers({Arena(), silent, Arena(1600)});

    // Learn the names first: a server that stops answering keeps them.
    tagQServer *quiet = servers.Record(1);
    q2sim::Configure(servers.sim, 1, Arena());
    ASSERT_EQ(KvServerRefresh(quiet, nullptr, 3, 1), 0);
    q2sim::Configure(servers.sim, 1, silent);
    tagQServer *slow = servers.Record(2);
    // A port nobody listens on: the port of a simulator that has stopped.
    q2sim::Simulator *gone = q2sim::Start({Arena()});
    ASSERT_NE(gone, nullptr);
    uint16_t closedPort = q2sim::Port(gone, 0);
    q2sim::Stop(gone);
    tagQServer *closed = nullptr;
    KvServerAlloc(&closed, kLoopback, closedPort, nullptr, nullptr, nullptr, 0xFFFF);

    // The three waits run side by side: each record on its own thread.
    int quietResult = 0, slowResult = 0, closedResult = 0;
    std::thread a([&] { quietResult = KvServerRefresh(quiet, nullptr, 1, 1); });
    std::thread b([&] { slowResult = KvServerRefresh(slow, nullptr, 1, 1); });
    std::thread c([&] { closedResult = KvServerRefresh(closed, nullptr, 1, 1); });
    a.join();
    b.join();
    c.join();

    EXPECT_EQ(quietResult, KV_ERR_TIMEOUT);
    EXPECT_STREQ(KvServerGetServerName(quiet), "Arena");
    EXPECT_STREQ(KvServerGetGameName(quiet), "rocket");
    EXPECT_EQ(KvServerGetNumberPlayers(quiet), 255);
    EXPECT_EQ(KvServerGetPing(quiet), KV_PING_UNKNOWN);
    EXPECT_EQ(KvServerGetFirstRule(quiet), nullptr);

    EXPECT_EQ(slowResult, KV_ERR_TIMEOUT);
    // Linux reports the closed port at once; Windows may too, Wine waits.
    EXPECT_TRUE(closedResult == KV_ERR_RECEIVE || closedResult == KV_ERR_TIMEOUT) << closedResult;
    EXPECT_EQ(KvServerGetErrorCode(closed), closedResult);

    // The slow server's late reply went to a closed socket; the next
    // refresh gets a fresh answer.
    q2sim::Configure(servers.sim, 2, Arena());
    EXPECT_EQ(KvServerRefresh(slow, nullptr, 3, 1), 0);
    EXPECT_EQ(KvServerGetNumberPlayers(slow), 3);

    KvServerFree(quiet);
    KvServerFree(slow);
    KvServerFree(closed);
}

TEST(Exchange, AddressZeroAndReverseLookups) {
    Servers servers({Arena()});
    tagQServer *s = servers.Record(0, "127.0.0.1");
    s->hostIP = 0;
    EXPECT_EQ(KvServerRefresh(s, nullptr, 1, 1), KV_ERR_ARGUMENT);
    EXPECT_EQ(KvServerGetErrorCode(s), KV_ERR_ARGUMENT);
    s->hostIP = kLoopback;

    // A dotted address stays with lookups switched off ...
    ASSERT_EQ(KvServerRefresh(s, nullptr, 3, 1), 0);
    EXPECT_STREQ(KvServerGetHostName(s), "127.0.0.1");
    // ... and gives way to the reverse lookup's name otherwise (none where
    // the machine has no name for 127.0.0.1).
    ASSERT_EQ(KvServerRefresh(s, nullptr, 3, 0), 0);
    char *expected = KvServerQueryHostName(s);
    if (expected) {
        std::string name = expected;
        ASSERT_NE(KvServerGetHostName(s), nullptr);
        EXPECT_EQ(std::string(KvServerGetHostName(s)), name);
    } else {
        EXPECT_EQ(KvServerGetHostName(s), nullptr);
    }
    KvServerFree(s);

    // A name that is not a number is never looked up again.
    s = servers.Record(0, "my.server");
    ASSERT_EQ(KvServerRefresh(s, nullptr, 3, 0), 0);
    EXPECT_STREQ(KvServerGetHostName(s), "my.server");
    KvServerFree(s);
}

TEST(Exchange, ManyRecordsOnManyThreads) {
    const size_t kServers = 200, kThreads = 16;
    std::vector<q2sim::ServerConfig> configs;
    for (size_t i = 0; i < kServers; ++i) {
        q2sim::ServerConfig c = q2sim::MakeDefaultServer(i, (int)(i % 5));
        c.delayMs = (int)(i % 7) * 3;
        configs.push_back(c);
    }
    Servers servers(configs);
    std::vector<tagQServer *> records;
    for (size_t i = 0; i < kServers; ++i) records.push_back(servers.Record(i));

    std::atomic<size_t> next{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (size_t t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (size_t i; (i = next++) < kServers;)
                if (KvServerRefresh(records[i], nullptr, 3, 1) != 0) ++failures;
        });
    for (std::thread &t : threads) t.join();

    EXPECT_EQ(failures.load(), 0);
    for (size_t i = 0; i < kServers; ++i) {
        std::string expected = "Sim Server " + std::to_string(i + 1);
        EXPECT_EQ(KvServerGetServerName(records[i]), expected) << i;
        EXPECT_EQ(KvServerGetNumberPlayers(records[i]), i % 5) << i;
        EXPECT_EQ(q2sim::QueryCount(servers.sim, i), 1) << i;
        KvServerFree(records[i]);
    }
}

}  // namespace
