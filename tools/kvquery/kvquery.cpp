#include "kvquery.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

#include "jsonline.h"
#include "kv/kv.h"
#include "masters.h"

namespace kvquery {

const char kDefaultTemplate[] = "%s%t%y%t%n/%x%t%l%t%g";

namespace {

// Both flags as the server list uses them for its cells: the template as it
// is (no rotation, so threads never share state) and a terminating zero.
const int kExpandFlags = KV_EXPAND_SINGLE | KV_EXPAND_TERMINATE;

int UsageError(FILE* err, const std::string& why) {
    std::fprintf(err, "kvquery: %s\n", why.c_str());
    PrintUsage(err);
    return kExitUsage;
}

// A whole decimal number. Out-of-range numbers are clamped to the long's
// range, so the caller's own clamp still applies to them.
bool ParseInteger(const std::string& text, long long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || end == text.c_str()) return false;
    *value = v;  // strtoll saturates on overflow
    return true;
}

long long Clamp(const char* option, long long value, long long lo, long long hi, FILE* err) {
    long long clamped = value < lo ? lo : value > hi ? hi : value;
    if (clamped != value)
        std::fprintf(err, "kvquery: %s %lld is out of range (%lld to %lld); using %lld\n", option, value, lo, hi,
                     clamped);
    return clamped;
}

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

// One host per line; blank lines and lines beginning with # are skipped.
// "-" reads standard input.
bool ReadHostFile(const std::string& path, std::vector<std::string>* hosts) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (path != "-") {
        file.open(path);
        if (!file) return false;
        in = &file;
    }
    std::string line;
    while (std::getline(*in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        hosts->push_back(line);
    }
    return !in->bad();
}

// Checks the ":port" part of a host text (the Kv library reads as many
// digits as there are and would take "host:" as port 0). Empty when fine.
std::string CheckHostText(const std::string& text) {
    size_t colon = text.rfind(':');
    if (colon == 0) return "no host name in \"" + text + "\"";
    if (colon == std::string::npos) return "";
    std::string port = text.substr(colon + 1);
    long long value = 0;
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        !ParseInteger(port, &value) || value < 1 || value > 65535)
        return "bad port in \"" + text + "\" (1 to 65535)";
    return "";
}

enum class JobState { Waiting, BadHost, Queried };

struct Job {
    std::string text;
    JobState state = JobState::Waiting;
    std::string problem;  // BadHost: why
    tagQServer* server = nullptr;
};

struct Shared {
    std::vector<Job>* jobs;
    long timeoutSeconds;
    std::atomic<size_t> next{0};  // the next job to take
    std::condition_variable allTaken;  // told when the last job is taken
    // Output: the worker that finishes the earliest unprinted job prints it
    // and every finished job after it, under the lock, so lines go out in
    // input order as soon as every earlier server is done, with no thread
    // that only waits to print.
    std::mutex lock;
    size_t printed = 0;  // jobs printed so far
    size_t finished = 0;  // jobs finished so far
    FILE* out;
    FILE* err;
    bool json;
    std::vector<char> templ;  // zero-terminated
    std::vector<char> line;
    char* levels;
    bool anyAnswer = false;
};

// Prints a finished job's line and frees its record. Runs under the lock.
void PrintJob(Shared* shared, Job* job) {
    if (job->state == JobState::BadHost) {
        std::fprintf(shared->err, "kvquery: %s\n", job->problem.c_str());
        return;
    }
    if (KvServerGetErrorCode(job->server) == KV_OK) shared->anyAnswer = true;
    if (shared->json) {
        std::string object = ServerJson(job->server, job->text, shared->levels);
        object.push_back('\n');
        std::fwrite(object.data(), 1, object.size(), shared->out);
    } else {
        std::vector<char>& line = shared->line;
        std::memset(line.data(), 0, line.size());
        int n = KvExpandParamLine(line.data(), static_cast<int>(line.size()), nullptr, job->server,
                                  shared->templ.data(), shared->levels, kExpandFlags);
        // The count includes the terminating zero; %0 may put more zeros inside.
        size_t length = n > 0 ? static_cast<size_t>(n) - 1
                              : static_cast<size_t>(std::find(line.begin(), line.end(), '\0') - line.begin());
        std::fwrite(line.data(), 1, length, shared->out);
        std::fputc('\n', shared->out);
    }
    KvServerFree(job->server);
    job->server = nullptr;
}

void Finish(Shared* shared, Job* job, JobState state) {
    std::lock_guard<std::mutex> guard(shared->lock);
    job->state = state;
    ++shared->finished;
    std::vector<Job>& jobs = *shared->jobs;
    size_t before = shared->printed;
    while (shared->printed < jobs.size() && jobs[shared->printed].state != JobState::Waiting)
        PrintJob(shared, &jobs[shared->printed++]);
    if (shared->printed != before) {
        std::fflush(shared->out);
        std::fflush(shared->err);
    }
}

// Resolves and refreshes jobs until none is left. The Kv calls run without
// any lock: each record belongs to this worker until it is marked finished.
void Worker(Shared* shared) {
    std::vector<Job>& jobs = *shared->jobs;
    for (;;) {
        size_t i = shared->next.fetch_add(1);
        if (i >= jobs.size()) return;
        if (i + 1 == jobs.size()) shared->allTaken.notify_all();
        Job& job = jobs[i];
        job.problem = CheckHostText(job.text);
        if (!job.problem.empty()) {
            Finish(shared, &job, JobState::BadHost);
            continue;
        }
        std::vector<char> text(job.text.begin(), job.text.end());
        text.push_back('\0');
        tagKvHOST host{};
        if (KvGetHostIP(&host, text.data()) != 0 || host.ip == 0) {
            job.problem = "cannot resolve host \"" + job.text + "\"";
            Finish(shared, &job, JobState::BadHost);
            continue;
        }
        tagQServer* server = nullptr;
        int r = KvServerAlloc(&server, host.ip, host.port, text.data(), nullptr, nullptr, KV_PING_UNKNOWN);
        if (r != KV_OK || !server) {
            char why[128];
            KvGetErrorString(why, sizeof why, r);
            job.problem = "cannot query \"" + job.text + "\": " + why;
            Finish(shared, &job, JobState::BadHost);
            continue;
        }
        // No reverse lookups: the line shows the host as it was given.
        KvServerRefresh(server, nullptr, shared->timeoutSeconds, 1);
        job.server = server;
        Finish(shared, &job, JobState::Queried);
    }
}

// Starting a thread costs more than a loopback query that is answered at
// once, so the first worker queries alone while it keeps finishing queries;
// once 2 ms pass without a finished query (a slow or silent server), the
// other workers start: prompt servers are taken one after another, slow ones
// get every thread. Returns when every worker it started has ended.
void Supervise(Shared* shared, size_t more) {
    std::vector<std::thread> threads;
    std::unique_lock<std::mutex> guard(shared->lock);
    for (size_t lastFinished = 0;;) {
        if (shared->allTaken.wait_for(guard, std::chrono::milliseconds(2),
                                      [&] { return shared->next >= shared->jobs->size(); }))
            break;
        if (shared->finished == lastFinished) {
            guard.unlock();
            while (threads.size() < more) threads.emplace_back(Worker, shared);
            break;
        }
        lastFinished = shared->finished;
    }
    if (guard.owns_lock()) guard.unlock();
    for (std::thread& t : threads) t.join();
}

}  // namespace

void PrintUsage(FILE* to) {
    std::fprintf(to,
                 "usage: kvquery [OPTION]... host[:port]...\n"
                 "       kvquery [OPTION]... -f FILE | --master URL | --udp-master HOST[:PORT]\n"
                 "Queries Quake 2 servers and prints one line per server, in the order given.\n"
                 "  -t TEMPLATE   %%-codes of the line (default \"%s\")\n"
                 "  --json        one JSON object per server and line instead: address, host,\n"
                 "                name, map, level, game, numPlayers, maxPlayers, ping, error,\n"
                 "                errorText, rules {name: value}, players [{name, frags, ping}];\n"
                 "                bytes that are not UTF-8 come out as \\u00XX\n"
                 "  -j THREADS    servers queried at once, %d to %d (default 10)\n"
                 "  --timeout S   seconds to wait for each reply, %ld to %ld (default 3)\n"
                 "  -f FILE       hosts from FILE, one per line (# comments; - reads stdin)\n"
                 "  --master URL  hosts from a plain-text master list over HTTP (a.b.c.d[:port]\n"
                 "                lines; other lines are skipped)\n"
                 "  --udp-master HOST[:PORT]\n"
                 "                hosts from a Quake 2 UDP master (port %u unless given)\n"
                 "Hosts come in this order: arguments, -f files, --master, --udp-master.\n"
                 "Template codes (a capital letter, as %%S, gives the text in capitals):\n"
                 "  %%s  server name, else host name, else address; with the error when the\n"
                 "       query failed\n"
                 "  %%h  host name as given     %%d  address a.b.c.d[:port]\n"
                 "  %%m  map                    %%l  full level name (MapData.txt beside the\n"
                 "                              program), else the map\n"
                 "  %%g  game (mod folder)      %%y  ping of the server, ms\n"
                 "  %%n  number of players      %%x  maximum players\n"
                 "  %%a  top fragger            %%z  worst fragger\n"
                 "  %%p  %%r  %%i  %%f  player name, rank, ping, frags (player lines only;\n"
                 "                    empty in kvquery's server lines)\n"
                 "  %%t  tab    %%0  a zero byte    %%%%  a percent sign\n"
                 "Exit status: 0 when a server answered, 1 when none did, 2 for bad arguments\n"
                 "or a master that could not be read.\n",
                 kDefaultTemplate, kMinThreads, kMaxThreads, kMinTimeout, kMaxTimeout,
                 static_cast<unsigned>(kUdpMasterPort));
}

int ParseArgs(int argc, char** argv, Options* options, FILE* err) {
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (optionsEnded || a.empty() || a[0] != '-') {
            if (a.empty()) return UsageError(err, "empty host name");
            options->hosts.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "-h" || a == "--help") {
            options->help = true;
            continue;
        }
        if (a == "--json") {
            options->json = true;
            continue;
        }
        // The option's value: attached ("-j8", "--timeout=5") or the next argument.
        std::string name, value;
        bool attached = false;
        if (a.compare(0, 2, "--") == 0) {
            size_t eq = a.find('=');
            name = a.substr(0, eq);
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
                attached = true;
            }
        } else {
            name = a.substr(0, 2);
            if (a.size() > 2) {
                value = a.substr(2);
                attached = true;
            }
        }
        if (name != "-t" && name != "-j" && name != "-f" && name != "--timeout" && name != "--master" &&
            name != "--udp-master")
            return UsageError(err, "unknown option \"" + a + "\"");
        if (!attached) {
            if (i + 1 >= argc) return UsageError(err, name + " needs a value");
            value = argv[++i];
        }
        long long number = 0;
        if (name == "-t") {
            options->templateText = value;
        } else if (name == "--master" || name == "--udp-master") {
            if (value.empty()) return UsageError(err, name + " needs a value");
            (name == "--master" ? options->masters : options->udpMasters).push_back(value);
        } else if (name == "-f") {
            if (value.empty()) return UsageError(err, "-f needs a file name");
            files.push_back(value);
        } else if (name == "-j") {
            if (!ParseInteger(value, &number)) return UsageError(err, "-j needs a number, not \"" + value + "\"");
            options->threads = static_cast<int>(Clamp("-j", number, kMinThreads, kMaxThreads, err));
        } else {
            if (!ParseInteger(value, &number))
                return UsageError(err, "--timeout needs whole seconds, not \"" + value + "\"");
            options->timeoutSeconds = static_cast<long>(Clamp("--timeout", number, kMinTimeout, kMaxTimeout, err));
        }
    }
    if (options->help) return kExitAnswered;
    for (const std::string& f : files) {
        if (!ReadHostFile(f, &options->hosts)) {
            std::fprintf(err, "kvquery: cannot read %s\n", f.c_str());
            return kExitUsage;
        }
    }
    if (options->hosts.empty() && options->masters.empty() && options->udpMasters.empty())
        return UsageError(err, files.empty() ? "no hosts given" : "no hosts in the file");
    return -1;
}

int QueryServers(const Options& options, FILE* out, FILE* err) {
    std::vector<Job> jobs(options.hosts.size());
    for (size_t i = 0; i < jobs.size(); ++i) jobs[i].text = options.hosts[i];

    Shared shared;
    shared.jobs = &jobs;
    shared.timeoutSeconds = options.timeoutSeconds;
    shared.out = out;
    shared.err = err;
    shared.json = options.json;
    shared.templ.assign(options.templateText.begin(), options.templateText.end());
    shared.templ.push_back('\0');
    // Each code's text is at most 127 bytes, and a code takes two template
    // characters, so this always holds the expansion.
    shared.line.resize(options.templateText.size() * 128 + 16);
    // Full level names for %l come from MapData.txt beside the program, as
    // in the browser; without the file the map name shows.
    shared.levels = nullptr;
    KvListLoadAlloc(&shared.levels, const_cast<char*>("MapData.txt"));

    // The calling thread is the first worker; Supervise starts the others
    // only when it stalls (see there). A single server, or -j 1, starts no
    // thread at all.
    size_t workers = std::min<size_t>(static_cast<size_t>(options.threads), jobs.size());
    std::thread supervisor;
    if (workers > 1) supervisor = std::thread(Supervise, &shared, workers - 1);
    Worker(&shared);
    if (supervisor.joinable()) supervisor.join();
    KvListFree(shared.levels);
    return shared.anyAnswer ? kExitAnswered : kExitNoAnswer;
}

bool ReadMasters(Options* options, FILE* err) {
    for (const std::string& url : options->masters) {
        std::vector<std::string> hosts;
        std::string error;
        if (!FetchMasterList(url, options->timeoutSeconds, &hosts, &error)) {
            std::fprintf(err, "kvquery: %s\n", error.c_str());
            return false;
        }
        options->hosts.insert(options->hosts.end(), hosts.begin(), hosts.end());
    }
    for (const std::string& master : options->udpMasters) {
        std::vector<std::string> hosts;
        std::string error, warning;
        if (!QueryUdpMaster(master, options->timeoutSeconds, &hosts, &error, &warning)) {
            std::fprintf(err, "kvquery: %s\n", error.c_str());
            return false;
        }
        if (!warning.empty()) std::fprintf(err, "kvquery: %s\n", warning.c_str());
        options->hosts.insert(options->hosts.end(), hosts.begin(), hosts.end());
    }
    return true;
}

int RunKvQuery(int argc, char** argv, FILE* out, FILE* err) {
    Options options;
    int status = ParseArgs(argc, argv, &options, err);
    if (options.help) {
        PrintUsage(out);
        return kExitAnswered;
    }
    if (status >= 0) return status;
    if (!ReadMasters(&options, err)) return kExitUsage;
    if (options.hosts.empty()) {
        std::fprintf(err, "kvquery: the masters listed no servers\n");
        return kExitNoAnswer;
    }
    return QueryServers(options, out, err);
}

}  // namespace kvquery
