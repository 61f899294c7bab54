#include "q2sim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>

#include "socket.h"

namespace q2sim {

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::shared_ptr<const std::string>;

const char kStatusQuery[] = "\xFF\xFF\xFF\xFFstatus";
const size_t kStatusQueryLength = sizeof kStatusQuery - 1;
const char kPrintHeader[] = "\xFF\xFF\xFF\xFFprint\n";

// A reply that could not go out at once because the send buffer was full is
// tried again a millisecond later, this many times at most.
const int kSendTries = 200;

struct ServerSlot {
    Socket socket = kNoSocket;
    uint16_t port = 0;
    Bytes reply;      // null: silent (guarded by Simulator::configLock)
    int delayMs = 0;  // guarded by Simulator::configLock
    std::atomic<int> queries{0};
};

struct PendingReply {
    Clock::time_point due;
    uint64_t order;  // keeps replies due at the same time in arrival order
    size_t server;
    sockaddr_in peer;
    Bytes bytes;
    int tries;
};

struct LaterFirst {
    bool operator()(const PendingReply& a, const PendingReply& b) const {
        if (a.due != b.due) return a.due > b.due;
        return a.order > b.order;
    }
};

}  // namespace

struct Simulator {
    size_t count = 0;
    std::unique_ptr<ServerSlot[]> servers;
    Socket wake = kNoSocket;  // Stop sends itself a datagram here to end the wait
    std::mutex configLock;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

namespace {

Bytes MakeReply(const ServerConfig& config) {
    if (config.mode == Mode::Silent) return nullptr;
    return std::make_shared<const std::string>(BuildReply(config));
}

void AppendInfoAndPlayers(std::string* out, const ServerConfig& config) {
    for (const auto& rule : config.rules) {
        *out += '\\';
        *out += rule.first;
        *out += '\\';
        *out += rule.second;
    }
    *out += '\n';
    for (const Player& p : config.players) {
        *out += std::to_string(p.frags);
        *out += ' ';
        *out += std::to_string(p.ping);
        *out += " \"";
        *out += p.name;
        *out += "\"\n";
    }
}

// Player lines "frags ping "filler NNNNNN"" until the datagram is exactly
// kMaxDatagram bytes. Frags spread over -100..100 so the client has a real
// sort to do.
void AppendFiller(std::string* out) {
    const size_t lineMax = 40;
    for (unsigned k = 1; out->size() + 2 * lineMax < kMaxDatagram; ++k) {
        char line[lineMax + 1];
        int frags = static_cast<int>((k * 7919u) % 201u) - 100;
        int n = std::snprintf(line, sizeof line, "%d %u \"filler %06u\"\n", frags, k % 1000u, k);
        out->append(line, static_cast<size_t>(n));
    }
    // The last line takes up the rest: `0 0 "xxx...x"\n` is 7 bytes plus the name.
    size_t rest = kMaxDatagram - std::min(out->size(), kMaxDatagram);
    if (rest >= 7) {
        *out += "0 0 \"";
        out->append(rest - 7, 'x');
        *out += "\"\n";
    } else {
        out->append(rest, '\n');
    }
}

bool IsStatusQuery(const char* data, size_t size) {
    return size >= kStatusQueryLength && std::memcmp(data, kStatusQuery, kStatusQueryLength) == 0;
}

void SendReply(Simulator* sim, std::priority_queue<PendingReply, std::vector<PendingReply>, LaterFirst>* queue,
               PendingReply reply) {
    const std::string& b = *reply.bytes;
    IoResult r = SendTo(sim->servers[reply.server].socket, b.data(), b.size(), reply.peer);
    if (r == IoResult::WouldBlock && ++reply.tries < kSendTries) {
        reply.due = Clock::now() + std::chrono::milliseconds(1);
        queue->push(std::move(reply));
    }
}

void Serve(Simulator* sim) {
    std::vector<PollFd> fds(sim->count + 1);
    fds[0].fd = sim->wake;
    fds[0].events = kPollIn;
    for (size_t i = 0; i < sim->count; ++i) {
        fds[i + 1].fd = sim->servers[i].socket;
        fds[i + 1].events = kPollIn;
    }
    std::priority_queue<PendingReply, std::vector<PendingReply>, LaterFirst> queue;
    uint64_t order = 0;
    std::vector<char> buf(2048);

    while (!sim->stopping.load()) {
        long long timeoutUs = -1;
        if (!queue.empty()) {
            auto wait = queue.top().due - Clock::now();
            // Round up: waking a little early would only spin.
            long long us = std::chrono::ceil<std::chrono::microseconds>(wait).count();
            timeoutUs = us <= 0 ? 0 : us;
        }
        for (PollFd& f : fds) f.revents = 0;
        int ready = PollSockets(fds.data(), fds.size(), timeoutUs);
        if (ready < 0) {
            std::fprintf(stderr, "q2sim: waiting on the sockets failed; no more replies\n");
            break;
        }
        if (sim->stopping.load()) break;

        for (size_t i = 0; ready > 0 && i < sim->count; ++i) {
            if (fds[i + 1].revents == 0) continue;
            ServerSlot& slot = sim->servers[i];
            for (int failures = 0; failures < 8;) {
                size_t got = 0;
                sockaddr_in peer;
                IoResult r = ReceiveFrom(slot.socket, buf.data(), buf.size(), &got, &peer);
                if (r == IoResult::WouldBlock) break;
                if (r == IoResult::Failed) {
                    // Usually an error left behind by an earlier send (the
                    // client's port is gone); read on, but give up on a
                    // socket that keeps failing until the next wake-up.
                    ++failures;
                    continue;
                }
                if (!IsStatusQuery(buf.data(), got)) continue;
                // Counted before the reply leaves, so a client that has its
                // reply always sees its query counted.
                slot.queries.fetch_add(1);
                Bytes reply;
                int delayMs;
                {
                    std::lock_guard<std::mutex> lock(sim->configLock);
                    reply = slot.reply;
                    delayMs = slot.delayMs;
                }
                if (reply) {
                    PendingReply p{Clock::now() + std::chrono::milliseconds(delayMs), order++, i, peer,
                                   std::move(reply), 0};
                    if (delayMs == 0)
                        SendReply(sim, &queue, std::move(p));
                    else
                        queue.push(std::move(p));
                }
            }
        }

        auto now = Clock::now();
        while (!queue.empty() && queue.top().due <= now) {
            PendingReply p = queue.top();
            queue.pop();
            SendReply(sim, &queue, std::move(p));
        }
    }
}

void CloseAll(Simulator* sim) {
    for (size_t i = 0; i < sim->count; ++i) CloseSocket(sim->servers[i].socket);
    CloseSocket(sim->wake);
}

}  // namespace

Simulator* Start(const std::vector<ServerConfig>& servers, uint16_t basePort, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (basePort != 0 && !servers.empty() && basePort + (servers.size() - 1) > 65535) {
        *error = "ports " + std::to_string(basePort) + " and up cannot hold " + std::to_string(servers.size()) +
                 " servers";
        return nullptr;
    }
    if (!NetStartup(servers.size() + 1)) {
        *error = "cannot start Windows Sockets";
        return nullptr;
    }
    auto sim = std::make_unique<Simulator>();
    sim->count = servers.size();
    sim->servers.reset(new ServerSlot[servers.size()]);
    bool ok = true;
    sim->wake = OpenUdp(0, error);
    ok = sim->wake != kNoSocket;
    for (size_t i = 0; ok && i < servers.size(); ++i) {
        ServerSlot& slot = sim->servers[i];
        uint16_t want = basePort == 0 ? 0 : static_cast<uint16_t>(basePort + i);
        slot.socket = OpenUdp(want, error);
        if (slot.socket == kNoSocket) {
            ok = false;
            break;
        }
        slot.port = LocalPort(slot.socket);
        slot.reply = MakeReply(servers[i]);
        slot.delayMs = std::max(0, servers[i].delayMs);
    }
    if (!ok) {
        CloseAll(sim.get());
        NetCleanup();
        return nullptr;
    }
    sim->thread = std::thread(Serve, sim.get());
    return sim.release();
}

size_t ServerCount(const Simulator* sim) { return sim ? sim->count : 0; }

uint16_t Port(const Simulator* sim, size_t index) {
    if (!sim || index >= sim->count) return 0;
    return sim->servers[index].port;
}

bool Configure(Simulator* sim, size_t index, const ServerConfig& config) {
    if (!sim || index >= sim->count) return false;
    Bytes reply = MakeReply(config);  // built outside the lock
    std::lock_guard<std::mutex> lock(sim->configLock);
    sim->servers[index].reply = std::move(reply);
    sim->servers[index].delayMs = std::max(0, config.delayMs);
    return true;
}

int QueryCount(const Simulator* sim, size_t index) {
    if (!sim || index >= sim->count) return -1;
    return sim->servers[index].queries.load();
}

void Stop(Simulator* sim) {
    if (!sim) return;
    sim->stopping.store(true);
    sockaddr_in self;
    std::memset(&self, 0, sizeof self);
    self.sin_family = AF_INET;
    self.sin_port = htons(LocalPort(sim->wake));
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SendTo(sim->wake, "x", 1, self);
    sim->thread.join();
    CloseAll(sim);
    delete sim;
    NetCleanup();
}

std::string BuildReply(const ServerConfig& config) {
    std::string out;
    switch (config.mode) {
    case Mode::Silent:
        return out;
    case Mode::Raw:
        out = config.raw;
        break;
    case Mode::Garbage:
        static const char garbage[] = "\x01\x02\x03\x04 HTTP/1.0 400 Bad Request\r\n\xFE\xFD\x00\x7F not a Quake 2 reply\n";
        out.assign(garbage, sizeof garbage - 1);
        break;
    case Mode::Reply:
        out = kPrintHeader;
        AppendInfoAndPlayers(&out, config);
        break;
    case Mode::ExtraLine:
        out = kPrintHeader;
        out += config.extraLine;
        out += '\n';
        AppendInfoAndPlayers(&out, config);
        break;
    case Mode::Oversized:
        out = kPrintHeader;
        AppendInfoAndPlayers(&out, config);
        AppendFiller(&out);
        break;
    }
    if (out.size() > kMaxDatagram) out.resize(kMaxDatagram);
    return out;
}

const char* ModeName(Mode mode) {
    switch (mode) {
    case Mode::Reply: return "reply";
    case Mode::Silent: return "silent";
    case Mode::Garbage: return "garbage";
    case Mode::Oversized: return "oversized";
    case Mode::Raw: return "raw";
    case Mode::ExtraLine: return "extraline";
    }
    return "?";
}

bool ParseMode(const std::string& text, Mode* mode) {
    const Mode all[] = {Mode::Reply, Mode::Silent, Mode::Garbage, Mode::Oversized, Mode::Raw, Mode::ExtraLine};
    for (Mode m : all) {
        if (text == ModeName(m)) {
            *mode = m;
            return true;
        }
    }
    return false;
}

bool PadToMaxDatagram(ServerConfig* config) {
    if (config->mode != Mode::Reply || config->players.empty()) return false;
    size_t size = BuildReply(*config).size();
    if (size >= kMaxDatagram) return false;
    config->players.back().name.append(kMaxDatagram - size, 'x');
    return true;
}

ServerConfig MakeDefaultServer(size_t index, int players) {
    static const char* const maps[] = {"q2dm1", "q2dm2", "q2dm3", "q2dm4", "q2dm5", "q2dm6", "q2dm7", "q2dm8"};
    static const char* const names[] = {"Grunt", "Major", "Sarge", "Cypher", "Rampage", "Stroggo", "Viper", "Phantom"};
    ServerConfig c;
    c.rules = {{"cheats", "0"},
               {"deathmatch", "1"},
               {"dmflags", "16"},
               {"fraglimit", "30"},
               {"hostname", "Sim Server " + std::to_string(index + 1)},
               {"mapname", maps[index % 8]},
               {"maxclients", "16"},
               {"protocol", "34"},
               {"timelimit", "20"},
               {"version", "q2sim 1.0 x86_64 Linux"}};
    for (int p = 0; p < players; ++p) {
        c.players.push_back({(players - p) * 3 - 2, 20 + 7 * p, std::string(names[p % 8]) + (p >= 8 ? std::to_string(p / 8) : "")});
    }
    return c;
}

}  // namespace q2sim
