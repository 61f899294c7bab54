// q2sim: serves simulated Quake 2 servers on 127.0.0.1 until interrupted.
//
//   q2sim --config FILE [--base-port P] [--seconds N] [--quiet]
//   q2sim --count N [--base-port P] [--delay MS] [--mode M] [--players K]
//         [--seconds N] [--quiet]
//
// It prints one line per server (address, mode, host name, players) and runs
// until SIGINT or SIGTERM (Ctrl+C or Ctrl+Break on Windows), or for N
// seconds. Exit status: 0 after a normal stop, 1 when the servers cannot be
// started (a port in use, say), 2 for bad arguments.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "q2sim.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::atomic<bool> g_interrupted{false};

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD) {
    g_interrupted.store(true);
    return TRUE;
}
#else
extern "C" void OnSignal(int) { g_interrupted.store(true); }
#endif

void Usage(FILE* to) {
    std::fputs(
        "usage: q2sim --config FILE [--base-port P] [--seconds N] [--quiet]\n"
        "       q2sim --count N [--base-port P] [--delay MS] [--mode M] [--players K]\n"
        "             [--seconds N] [--quiet]\n"
        "Serves simulated Quake 2 servers on 127.0.0.1 until Ctrl+C (or N seconds).\n"
        "  --config FILE   servers from a configuration file (see tools/q2sim/demo.cfg)\n"
        "  --count N       N plain deathmatch servers (1 to 20000)\n"
        "  --base-port P   server i listens on port P+i (default: any free ports)\n"
        "  --delay MS      each reply waits MS milliseconds (--count only)\n"
        "  --mode M        reply, silent, garbage, oversized, raw or extraline (--count only)\n"
        "  --players K     players per server (--count only; default: 0 to 3 by turns)\n"
        "  --seconds N     stop after N seconds\n"
        "  --quiet         do not list the servers\n",
        to);
}

bool ParseLong(const char* text, long lo, long hi, long* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ReadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return !in.bad();
}

std::string RuleValue(const q2sim::ServerConfig& c, const char* key) {
    for (const auto& r : c.rules)
        if (r.first == key) return r.second;
    return "";
}

int BadArgs(const std::string& why) {
    std::fprintf(stderr, "q2sim: %s\n", why.c_str());
    Usage(stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string configPath;
    long count = -1, basePort = -1, delay = -1, players = -1, seconds = -1;
    std::string modeText;
    bool quiet = false;

    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            Usage(stdout);
            return 0;
        }
        if (a == "--quiet") {
            quiet = true;
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool known = true, ok = true;
        if (a == "--config") {
            ok = value && *value;
            configPath = ok ? value : "";
        } else if (a == "--count")
            ok = ParseLong(value, 1, 20000, &count);
        else if (a == "--base-port")
            ok = ParseLong(value, 1, 65535, &basePort);
        else if (a == "--delay")
            ok = ParseLong(value, 0, 3600 * 1000, &delay);
        else if (a == "--players")
            ok = ParseLong(value, 0, 1000, &players);
        else if (a == "--seconds")
            ok = ParseLong(value, 1, 365L * 24 * 3600, &seconds);
        else if (a == "--mode") {
            ok = value && *value;
            modeText = ok ? value : "";
        } else
            known = false;
        if (!known) return BadArgs("unknown argument \"" + a + "\"");
        if (!value) return BadArgs(a + " needs a value");
        if (!ok) return BadArgs("bad value \"" + std::string(value) + "\" for " + a);
        ++i;
    }

    q2sim::ConfigFile config;
    if (!configPath.empty() && count >= 0) return BadArgs("give --config or --count, not both");
    if (configPath.empty() && count < 0) return BadArgs("give --config FILE or --count N");
    if (!configPath.empty()) {
        if (delay >= 0 || players >= 0 || !modeText.empty())
            return BadArgs("--delay, --mode and --players go with --count only");
        std::string text, error;
        if (!ReadFile(configPath, &text)) {
            std::fprintf(stderr, "q2sim: cannot read %s\n", configPath.c_str());
            return 2;
        }
        if (!q2sim::ParseConfig(text, &config, &error)) {
            std::fprintf(stderr, "q2sim: %s: %s\n", configPath.c_str(), error.c_str());
            return 2;
        }
        if (config.servers.empty()) {
            std::fprintf(stderr, "q2sim: %s describes no servers\n", configPath.c_str());
            return 2;
        }
    } else {
        q2sim::Mode mode = q2sim::Mode::Reply;
        if (!modeText.empty() && !q2sim::ParseMode(modeText, &mode))
            return BadArgs("--mode is one of reply, silent, garbage, oversized, raw, extraline");
        for (long i = 0; i < count; ++i) {
            q2sim::ServerConfig c = q2sim::MakeDefaultServer(static_cast<size_t>(i),
                                                             players >= 0 ? static_cast<int>(players) : i % 4);
            c.delayMs = delay >= 0 ? static_cast<int>(delay) : 0;
            c.mode = mode;
            config.servers.push_back(std::move(c));
        }
    }
    if (basePort > 0) config.basePort = static_cast<uint16_t>(basePort);

    std::string error;
    q2sim::Simulator* sim = q2sim::Start(config.servers, config.basePort, &error);
    if (!sim) {
        std::fprintf(stderr, "q2sim: %s\n", error.c_str());
        return 1;
    }

#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#endif

    if (!quiet) {
        for (size_t i = 0; i < config.servers.size(); ++i) {
            const q2sim::ServerConfig& c = config.servers[i];
            std::printf("127.0.0.1:%u\t%s\t%s\t%s\t%u players", q2sim::Port(sim, i), q2sim::ModeName(c.mode),
                        RuleValue(c, "hostname").c_str(), RuleValue(c, "mapname").c_str(),
                        static_cast<unsigned>(c.players.size()));
            if (c.delayMs > 0) std::printf("\t%d ms", c.delayMs);
            std::printf("\n");
        }
    }
    std::fflush(stdout);
    std::fprintf(stderr, "q2sim: serving %u servers on 127.0.0.1; Ctrl+C stops\n",
                 static_cast<unsigned>(config.servers.size()));

    // The simulator runs on its own thread; this one only waits for the end.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds > 0 ? seconds : 0);
    while (!g_interrupted.load() && (seconds <= 0 || std::chrono::steady_clock::now() < until))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

    q2sim::Stop(sim);
    return 0;
}
