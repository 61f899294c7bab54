// kvquery: queries Quake 2 servers through the Kv library and prints one
// line per server. The program's main() only calls RunKvQuery; the tests
// call the parts.
#ifndef KVQUERY_KVQUERY_H
#define KVQUERY_KVQUERY_H

#include <cstdio>
#include <string>
#include <vector>

namespace kvquery {

// Exit statuses.
enum { kExitAnswered = 0, kExitNoAnswer = 1, kExitUsage = 2 };

// The server list's default columns: server, ping, players/max, level, game.
extern const char kDefaultTemplate[];

constexpr int kMinThreads = 1, kMaxThreads = 256;
constexpr long kMinTimeout = 1, kMaxTimeout = 3600;

struct Options {
    std::string templateText = kDefaultTemplate;
    int threads = 10;
    long timeoutSeconds = 3;
    std::vector<std::string> hosts;  // command-line hosts, then those of -f files, in order
    std::vector<std::string> masters;     // --master URLs: their hosts follow, in order
    std::vector<std::string> udpMasters;  // --udp-master HOST[:PORT]: their hosts come last
    bool json = false;                    // one JSON object per server instead of the template
    bool help = false;
};

// Reads the arguments (argv[0] is the program) and the -f files. Returns -1
// when the query should run, otherwise the exit status: kExitUsage after a
// message and the usage on err, 0 with options->help set for -h/--help.
// Values out of range are clamped with a note on err.
int ParseArgs(int argc, char** argv, Options* options, FILE* err);

void PrintUsage(FILE* to);

// Adds the hosts of every --master and --udp-master to options->hosts.
// False after naming the master that failed on err; notes (a cut record)
// go to err too.
bool ReadMasters(Options* options, FILE* err);

// Queries every host (at most options.threads at once) and prints one line
// per server, in input order, on out; hosts that do not resolve are named
// on err. kExitAnswered when at least one server answered.
int QueryServers(const Options& options, FILE* out, FILE* err);

int RunKvQuery(int argc, char** argv, FILE* out, FILE* err);

}  // namespace kvquery

#endif  // KVQUERY_KVQUERY_H
