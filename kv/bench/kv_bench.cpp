// Benchmarks of the Kv library's hot paths: parsing status replies and
// expanding the server list's template.
#include "kv/internal.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <string>

namespace {

// A busy real-world server: the usual rules of a deathmatch mod and 22
// players, 1,400 bytes.
std::string BusyReply() {
    std::string r = "\xFF\xFF\xFF\xFFprint\n";
    r += "\\cheats\\0\\coop\\0\\deathmatch\\1\\dmflags\\16404\\fraglimit\\50\\game\\lithium"
         "\\gamedate\\Nov 12 2003\\gamedir\\lithium\\gamename\\baseq2\\hostname\\The Frag Pit "
         "[Lithium II] 24/7 DM\\mapname\\q2dm1\\maxclients\\24\\maxspectators\\4\\needpass\\0"
         "\\protocol\\34\\singleplayer\\0\\timelimit\\20\\version\\R1Q2 b7759 i386 Nov 12 2003 "
         "Linux\\uptime\\12 days 4 hours\\Admin\\frag@pit.example\\website\\http://pit.example"
         "\\use_hook\\1\\use_runes\\1\\fastswitch\\1\\anticheat\\1\\motd\\Welcome to the pit, "
         "play fair and have fun\\location\\Frankfurt, Germany\n";
    const char *names[] = {"[FP]Slayer", "Grunt", "xXx_sniper_xXx", "Railgun Annie",
                           "100% Brakkon", "Mr. Q", "{UG}Tank", "Bot One",
                           "NoobSlayer2000", "Frag Bait", "Shambler", "Strogg",
                           "[Spike]Player", "Makron", "Icarus", "Gunner", "Berserker",
                           "Parasite", "Iron Maiden", "Brains", "Medic", "Flyer"};
    for (int i = 0; i < 22; ++i)
        r += std::to_string(40 - i * 3) + " " + std::to_string(20 + i * 7) + " \"" + names[i] +
             "\"\n";
    // Fill up to exactly 1,400 bytes with a longer message of the day.
    r.insert(r.find("\\location"), std::string(1400 - r.size(), '!'));
    return r;
}

// The largest reply a status answer gets in practice: 254 players with
// long names in about 64 KB.
std::string HugeReply() {
    std::string r = "\xFF\xFF\xFF\xFFprint\n\\hostname\\Huge\\mapname\\q2dm1\\maxclients\\255\n";
    for (int i = 0; i < 254; ++i)
        r += std::to_string((i * 7919) % 200 - 50) + " " + std::to_string(i) + " \"" +
             std::string(240, (char)('a' + i % 26)) + std::to_string(i) + "\"\n";
    return r;
}

void ParseReply(benchmark::State &state, const std::string &reply) {
    tagQServer *server = nullptr;
    KvServerAlloc(&server, 0x0100007F, 27910, nullptr, nullptr, nullptr, 0xFFFF);
    for (auto _ : state) {
        KvServerFreePlayers(server);
        KvServerFreeRules(server);
        int result = KvParseStatusReply(server, reply.data(), reply.size(), nullptr);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)reply.size());
    state.counters["bytes"] = (double)reply.size();
    KvServerFree(server);
}

void BM_ParseBusyReply(benchmark::State &state) { ParseReply(state, BusyReply()); }
BENCHMARK(BM_ParseBusyReply);

void BM_ParseHugeReply(benchmark::State &state) { ParseReply(state, HugeReply()); }
BENCHMARK(BM_ParseHugeReply);

void BM_ExpandServerTemplate(benchmark::State &state) {
    std::string reply = BusyReply();
    tagQServer *server = nullptr;
    KvServerAlloc(&server, 0x0100007F, 27910, nullptr, nullptr, nullptr, 0xFFFF);
    KvParseStatusReply(server, reply.data(), reply.size(), nullptr);
    server->ping = 48;
    char levels[] = "q2dm1|The Edge\0q2dm2|Tokay's Towers\0q2dm3|The Frag Pipe\0";
    char templ[] = "%s%t%y%t%n/%x%t%l%t%g%t";
    char out[512];
    for (auto _ : state) {
        int n = KvExpandParamLine(out, sizeof out, nullptr, server, templ, levels, 0x0A);
        benchmark::DoNotOptimize(n);
    }
    KvServerFree(server);
}
BENCHMARK(BM_ExpandServerTemplate);

}  // namespace

BENCHMARK_MAIN();
