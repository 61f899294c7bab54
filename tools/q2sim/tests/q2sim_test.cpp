// Tests of the simulator: its datagrams against replies captured from a
// real server, real UDP exchanges on loopback, and delays that must not hold
// up other servers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "q2sim.h"
#include "socket.h"

#ifndef _WIN32
#include <arpa/inet.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using q2sim::Mode;
using q2sim::ServerConfig;

// Byte for byte what a GPL Quake 2 server (protocol 34) sent to "status\n".
const std::string kThreePlayers(
    "\xFF\xFF\xFF\xFFprint\n\\cheats\\0\\coop\\0\\deathmatch\\1\\dmflags\\1040\\fraglimit\\0\\gamedate\\Dec  7 "
    "2026\\gamename\\baseq2\\hostname\\Spike Server\\mapname\\q2dm1\\maxclients\\8\\maxspectators\\4\\needpass\\0"
    "\\protocol\\34\\singleplayer\\0\\timelimit\\0\\version\\8.71pre x86_64 Dec  7 2026 Linux\n0 1 \"Bot One\"\n-2 "
    "83 \"Frag Bait\"\n0 201 \"[Spike]Player\"\n");
const std::string kCtfTwoPlayers(
    "\xFF\xFF\xFF\xFFprint\n\\capturelimit\\0\\cheats\\0\\competition\\0\\coop\\0\\ctf\\1\\deathmatch\\1\\dmflags\\16"
    "\\fraglimit\\0\\game\\ctf\\gamedate\\Dec  7 2026\\gamedir\\ctf\\gamename\\ctf\\hostname\\Spike CTF\\instantweap"
    "\\0\\mapname\\q2ctf1\\matchlock\\1\\matchtime\\20\\maxclients\\8\\protocol\\34\\singleplayer\\0\\timelimit\\0"
    "\\version\\8.71pre x86_64 Dec  7 2026 Linux\n0 21 \"Red Guy\"\n0 51 \"Blue Guy\"\n");

const std::string kStatus("\xFF\xFF\xFF\xFFstatus\n");

ServerConfig ThreePlayersServer() {
    ServerConfig c;
    c.rules = {{"cheats", "0"},          {"coop", "0"},          {"deathmatch", "1"},
               {"dmflags", "1040"},      {"fraglimit", "0"},     {"gamedate", "Dec  7 2026"},
               {"gamename", "baseq2"},   {"hostname", "Spike Server"}, {"mapname", "q2dm1"},
               {"maxclients", "8"},      {"maxspectators", "4"}, {"needpass", "0"},
               {"protocol", "34"},       {"singleplayer", "0"},  {"timelimit", "0"},
               {"version", "8.71pre x86_64 Dec  7 2026 Linux"}};
    c.players = {{0, 1, "Bot One"}, {-2, 83, "Frag Bait"}, {0, 201, "[Spike]Player"}};
    return c;
}

// A UDP client socket on loopback.
struct Client {
    q2sim::Socket socket = q2sim::kNoSocket;
    Client() {
        std::string error;
        socket = q2sim::OpenUdp(0, &error);
    }
    ~Client() { q2sim::CloseSocket(socket); }
};

void Send(const Client& c, uint16_t port, const std::string& bytes) {
    ASSERT_EQ(q2sim::SendTo(c.socket, bytes.data(), bytes.size(), q2sim::Loopback(port)), q2sim::IoResult::Done);
}

// One datagram within timeoutMs: true with its bytes and source port.
bool Receive(const Client& c, int timeoutMs, std::string* bytes, uint16_t* fromPort = nullptr) {
    q2sim::PollFd fd;
    fd.fd = c.socket;
    fd.events = q2sim::kPollIn;
    fd.revents = 0;
    if (q2sim::PollSockets(&fd, 1, timeoutMs * 1000LL) <= 0) return false;
    std::string buf(70000, '\0');
    size_t got = 0;
    sockaddr_in from;
    if (q2sim::ReceiveFrom(c.socket, &buf[0], buf.size(), &got, &from) != q2sim::IoResult::Done) return false;
    bytes->assign(buf.data(), got);
    if (fromPort) *fromPort = ntohs(from.sin_port);
    return true;
}

// Waits until the server has handled `count` queries; false after 5 s.
bool WaitForQueries(const q2sim::Simulator* sim, size_t index, int count) {
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (q2sim::QueryCount(sim, index) < count) {
        if (Clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// Every line after the info string of a reply must be `int int "name"`.
bool AllPlayerLinesWellFormed(const std::string& reply, size_t from, size_t* lines) {
    *lines = 0;
    std::istringstream in(reply.substr(from));
    std::string line;
    while (std::getline(in, line)) {
        int frags = 0, ping = 0, used = 0;
        if (std::sscanf(line.c_str(), "%d %d %n", &frags, &ping, &used) != 2) return false;
        if (line.size() < static_cast<size_t>(used) + 2 || line[used] != '"' || line.back() != '"') return false;
        ++*lines;
    }
    return true;
}

TEST(BuildReply, ReproducesCapturedRepliesByteForByte) {
    EXPECT_EQ(q2sim::BuildReply(ThreePlayersServer()), kThreePlayers);

    ServerConfig ctf;
    ctf.rules = {{"capturelimit", "0"}, {"cheats", "0"},      {"competition", "0"},   {"coop", "0"},
                 {"ctf", "1"},          {"deathmatch", "1"},  {"dmflags", "16"},      {"fraglimit", "0"},
                 {"game", "ctf"},       {"gamedate", "Dec  7 2026"}, {"gamedir", "ctf"}, {"gamename", "ctf"},
                 {"hostname", "Spike CTF"}, {"instantweap", "0"}, {"mapname", "q2ctf1"}, {"matchlock", "1"},
                 {"matchtime", "20"},   {"maxclients", "8"},  {"protocol", "34"},     {"singleplayer", "0"},
                 {"timelimit", "0"},    {"version", "8.71pre x86_64 Dec  7 2026 Linux"}};
    ctf.players = {{0, 21, "Red Guy"}, {0, 51, "Blue Guy"}};
    EXPECT_EQ(q2sim::BuildReply(ctf), kCtfTwoPlayers);
}

TEST(BuildReply, OtherModes) {
    ServerConfig c = ThreePlayersServer();
    const std::string normal = q2sim::BuildReply(c);

    // A Reply padded to the largest datagram: the last name takes the rest.
    ServerConfig padded = c;
    ASSERT_TRUE(q2sim::PadToMaxDatagram(&padded));
    EXPECT_EQ(q2sim::BuildReply(padded).size(), q2sim::kMaxDatagram);
    EXPECT_EQ(padded.players.back().name.size(), c.players.back().name.size() + q2sim::kMaxDatagram - normal.size());
    EXPECT_FALSE(q2sim::PadToMaxDatagram(&padded));

    c.mode = Mode::ExtraLine;
    c.extraLine = "Welcome to Spike's server";
    EXPECT_EQ(q2sim::BuildReply(c), "\xFF\xFF\xFF\xFFprint\nWelcome to Spike's server\n" + normal.substr(10));

    c.mode = Mode::Silent;
    EXPECT_EQ(q2sim::BuildReply(c), "");

    c.mode = Mode::Garbage;
    std::string garbage = q2sim::BuildReply(c);
    EXPECT_GE(garbage.size(), 11u);
    EXPECT_NE(garbage.compare(0, 10, normal, 0, 10), 0);

    c.mode = Mode::Raw;
    c.raw = std::string("\xFF\xFF\xFF\xFFprint\n\0\\x", 14);
    EXPECT_EQ(q2sim::BuildReply(c), c.raw);
    c.raw.assign(q2sim::kMaxDatagram + 100, 'r');
    EXPECT_EQ(q2sim::BuildReply(c).size(), q2sim::kMaxDatagram);

    // Oversized: the normal reply, then well-formed filler players up to the
    // IPv4 limit exactly, far more than 255 of them.
    c.mode = Mode::Oversized;
    std::string big = q2sim::BuildReply(c);
    ASSERT_EQ(big.size(), q2sim::kMaxDatagram);
    EXPECT_EQ(big.compare(0, normal.size(), normal), 0);
    size_t infoEnd = big.find('\n', 10);
    size_t lines = 0;
    EXPECT_TRUE(AllPlayerLinesWellFormed(big, infoEnd + 1, &lines));
    EXPECT_GT(lines, 1000u);
    EXPECT_EQ(big.back(), '\n');
}

TEST(Simulator, AnswersStatusQueriesOverUdp) {
    ServerConfig silent = ThreePlayersServer();
    silent.mode = Mode::Silent;
    ServerConfig garbage;
    garbage.mode = Mode::Garbage;
    ServerConfig oversized = ThreePlayersServer();
    oversized.mode = Mode::Oversized;
    std::string error;
    q2sim::Simulator* sim = q2sim::Start({ThreePlayersServer(), silent, garbage, oversized}, 0, &error);
    ASSERT_NE(sim, nullptr) << error;
    Client client;
    ASSERT_NE(client.socket, q2sim::kNoSocket);
    std::string got;
    uint16_t from = 0;

    // The plain query, and the query with arguments real servers accept.
    Send(client, q2sim::Port(sim, 0), kStatus);
    ASSERT_TRUE(Receive(client, 5000, &got, &from));
    EXPECT_EQ(got, kThreePlayers);
    EXPECT_EQ(from, q2sim::Port(sim, 0));
    Send(client, q2sim::Port(sim, 0), "\xFF\xFF\xFF\xFFstatus 23\n");
    ASSERT_TRUE(Receive(client, 5000, &got));
    EXPECT_EQ(got, kThreePlayers);
    EXPECT_EQ(q2sim::QueryCount(sim, 0), 2);

    // Other datagrams get no answer and are not counted; a silent server
    // counts the query and stays silent. The simulator's one thread reads
    // the sockets in index order and sends immediate replies as it reads, so
    // once server 1 shows its query, any answer to the datagrams before it
    // (or from server 1 itself) would reach the client ahead of the reply
    // asked for next.
    Send(client, q2sim::Port(sim, 0), "\xFF\xFF\xFF\xFFgetinfo\n");
    Send(client, q2sim::Port(sim, 0), "\xFF\xFF\xFF\xFFstat");
    Send(client, q2sim::Port(sim, 1), kStatus);
    ASSERT_TRUE(WaitForQueries(sim, 1, 1));
    Send(client, q2sim::Port(sim, 0), kStatus);
    ASSERT_TRUE(Receive(client, 5000, &got, &from));
    EXPECT_EQ(from, q2sim::Port(sim, 0));
    EXPECT_EQ(got, kThreePlayers);
    EXPECT_EQ(q2sim::QueryCount(sim, 0), 3);

    Send(client, q2sim::Port(sim, 2), kStatus);
    ASSERT_TRUE(Receive(client, 5000, &got, &from));
    EXPECT_EQ(from, q2sim::Port(sim, 2));
    EXPECT_EQ(got, q2sim::BuildReply(garbage));

    // The largest datagram IPv4 carries arrives whole.
    Send(client, q2sim::Port(sim, 3), kStatus);
    ASSERT_TRUE(Receive(client, 5000, &got, &from));
    EXPECT_EQ(from, q2sim::Port(sim, 3));
    EXPECT_EQ(got.size(), q2sim::kMaxDatagram);
    EXPECT_EQ(got, q2sim::BuildReply(oversized));

    // Reconfigured while running: later queries get the new answer.
    ServerConfig raw;
    raw.mode = Mode::Raw;
    raw.raw = "\xFF\xFF\xFF\xFFprint\n\\hostname\\Renamed\n";
    ASSERT_TRUE(q2sim::Configure(sim, 1, raw));
    Send(client, q2sim::Port(sim, 1), kStatus);
    ASSERT_TRUE(Receive(client, 5000, &got, &from));
    EXPECT_EQ(from, q2sim::Port(sim, 1));
    EXPECT_EQ(got, raw.raw);
    EXPECT_EQ(q2sim::QueryCount(sim, 1), 2);

    EXPECT_FALSE(q2sim::Configure(sim, 4, raw));
    EXPECT_EQ(q2sim::QueryCount(sim, 4), -1);
    EXPECT_EQ(q2sim::Port(sim, 4), 0);
    q2sim::Stop(sim);
}

// A thousand servers that each wait 20 ms must answer 20 ms after their own
// query, not one after another (which would take 20 s).
TEST(Simulator, DelaysOfManyServersRunSideBySide) {
    const size_t kServers = 1000, kClients = 20;
    const int kDelayMs = 20;
    ServerConfig c = ThreePlayersServer();
    c.delayMs = kDelayMs;
    std::string error;
    q2sim::Simulator* sim = q2sim::Start(std::vector<ServerConfig>(kServers, c), 0, &error);
    ASSERT_NE(sim, nullptr) << error;

    // Several client sockets, so that no socket's receive buffer has to hold
    // more than a few dozen replies.
    std::vector<Client> clients(kClients);
    std::vector<q2sim::PollFd> fds(kClients);
    for (size_t k = 0; k < kClients; ++k) {
        ASSERT_NE(clients[k].socket, q2sim::kNoSocket);
        fds[k].fd = clients[k].socket;
        fds[k].events = q2sim::kPollIn;
    }
    std::map<uint16_t, size_t> indexOfPort;
    for (size_t i = 0; i < kServers; ++i) indexOfPort[q2sim::Port(sim, i)] = i;

    std::vector<Clock::time_point> sent(kServers);
    std::vector<double> latencyMs(kServers, -1);
    auto start = Clock::now();
    for (size_t i = 0; i < kServers; ++i) {
        sent[i] = Clock::now();
        Send(clients[i % kClients], q2sim::Port(sim, i), kStatus);
    }
    size_t received = 0;
    std::vector<char> buf(2048);
    auto deadline = start + std::chrono::seconds(30);
    while (received < kServers && Clock::now() < deadline) {
        for (auto& f : fds) f.revents = 0;
        if (q2sim::PollSockets(fds.data(), fds.size(), 1000 * 1000) <= 0) continue;
        for (size_t k = 0; k < kClients; ++k) {
            if (!fds[k].revents) continue;
            size_t got = 0;
            sockaddr_in from;
            while (q2sim::ReceiveFrom(clients[k].socket, buf.data(), buf.size(), &got, &from) ==
                   q2sim::IoResult::Done) {
                auto it = indexOfPort.find(ntohs(from.sin_port));
                ASSERT_NE(it, indexOfPort.end());
                ASSERT_EQ(latencyMs[it->second], -1) << "two replies from server " << it->second;
                EXPECT_EQ(got, kThreePlayers.size());
                latencyMs[it->second] = std::chrono::duration<double, std::milli>(Clock::now() - sent[it->second]).count();
                ++received;
            }
        }
    }
    double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ASSERT_EQ(received, kServers);
    for (size_t i = 0; i < kServers; ++i) ASSERT_GE(latencyMs[i], kDelayMs - 1) << "server " << i;
    // One after another would take 20 s. Natively this takes about 30 ms;
    // under Wine every socket call costs 50 to 150 us, and a busy machine
    // more, so the bound is generous.
    EXPECT_LT(elapsedMs, 8000.0);
    for (size_t i = 0; i < kServers; ++i) EXPECT_EQ(q2sim::QueryCount(sim, i), 1);
    q2sim::Stop(sim);
}

TEST(Simulator, BasePortGivesConsecutivePortsAndRefusesTakenOnes) {
    std::string error;
    EXPECT_EQ(q2sim::Start(std::vector<ServerConfig>(2), 65535, &error), nullptr);
    EXPECT_FALSE(error.empty());

    // Some block of three ports up here is free on any test machine.
    q2sim::Simulator* sim = nullptr;
    uint16_t base = 0;
    for (uint16_t b = 47310; b < 47900 && !sim; b += 30) {
        sim = q2sim::Start(std::vector<ServerConfig>(3), b, &error);
        base = b;
    }
    ASSERT_NE(sim, nullptr) << error;
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(q2sim::Port(sim, i), base + i);

    // Overlapping the running servers fails and names the port in use.
    error.clear();
    EXPECT_EQ(q2sim::Start(std::vector<ServerConfig>(2), static_cast<uint16_t>(base + 2), &error), nullptr);
    EXPECT_NE(error.find("127.0.0.1:" + std::to_string(base + 2)), std::string::npos) << error;
    q2sim::Stop(sim);
}

TEST(ParseConfig, ReadsServersAndReportsBadLines) {
    q2sim::ConfigFile file;
    std::string error;
    ASSERT_TRUE(q2sim::ParseConfig("# demo\r\n"
                                   "base-port 27950\r\n"
                                   "server\n"
                                   "  rule hostname  My  Server  \n"
                                   "rule needpass\n"
                                   "rule motd tab\\there\\\\x\\x41\n"
                                   "player -3 48 \"[RA] Tank\"\n"
                                   "player 7 0 Plain Name\n"
                                   "delay 250\n"
                                   "server\n"
                                   "mode raw\n"
                                   "raw \\xFF\\xFF\\xFF\\xFFprint\\n\n",
                                   &file, &error))
        << error;
    EXPECT_EQ(file.basePort, 27950);
    ASSERT_EQ(file.servers.size(), 2u);
    const ServerConfig& a = file.servers[0];
    ASSERT_EQ(a.rules.size(), 3u);
    EXPECT_EQ(a.rules[0], std::make_pair(std::string("hostname"), std::string("My  Server")));
    EXPECT_EQ(a.rules[1], std::make_pair(std::string("needpass"), std::string("")));
    EXPECT_EQ(a.rules[2].second, "tab\there\\xA");
    ASSERT_EQ(a.players.size(), 2u);
    EXPECT_EQ(a.players[0].frags, -3);
    EXPECT_EQ(a.players[0].ping, 48);
    EXPECT_EQ(a.players[0].name, "[RA] Tank");
    EXPECT_EQ(a.players[1].name, "Plain Name");
    EXPECT_EQ(a.delayMs, 250);
    EXPECT_EQ(file.servers[1].mode, Mode::Raw);
    EXPECT_EQ(file.servers[1].raw, "\xFF\xFF\xFF\xFFprint\n");

    const char* bad[][2] = {
        {"rule hostname x\n", "line 1"},
        {"server\nmode loud\n", "line 2"},
        {"server\n\nplayer 1 x name\n", "line 3"},
        {"server\nplayer 99999999999 1 name\n", "line 2"},
        {"server\ndelay -5\n", "line 2"},
        {"server\nrule a b\\q\n", "line 2"},
        {"server\nraw \\x4\n", "line 2"},
        {"server\nbase-port 27910\n", "line 2"},
        {"server\nwhatever 1\n", "line 2"},
    };
    for (const auto& b : bad) {
        error.clear();
        EXPECT_FALSE(q2sim::ParseConfig(b[0], &file, &error)) << b[0];
        EXPECT_EQ(error.compare(0, std::strlen(b[1]), b[1]), 0) << b[0] << " gave: " << error;
    }
}

TEST(ParseConfig, DemoSetIsValid) {
    std::ifstream in(Q2SIM_DEMO_CFG, std::ios::binary);
    ASSERT_TRUE(in) << Q2SIM_DEMO_CFG;
    std::stringstream text;
    text << in.rdbuf();
    q2sim::ConfigFile file;
    std::string error;
    ASSERT_TRUE(q2sim::ParseConfig(text.str(), &file, &error)) << error;
    EXPECT_EQ(file.basePort, 27910);
    EXPECT_EQ(file.servers.size(), 8u);
}

}  // namespace
