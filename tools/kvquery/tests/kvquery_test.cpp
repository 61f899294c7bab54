// Tests of kvquery: its argument handling, and whole runs against simulated
// servers on loopback (output order, unresolvable hosts, exit statuses, the
// bound on concurrent queries, JSON lines, server lists from an HTTP master
// and a UDP master, hostile ones included).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "httpsim.h"
#include "kvquery.h"
#include "master.h"
#include "masters.h"
#include "q2sim.h"

namespace {

using Clock = std::chrono::steady_clock;

struct RunResult {
    int status = -100;
    std::string out, err;
};

std::string ReadAll(FILE* f) {
    std::string text;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

RunResult RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "kvquery");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    RunResult r;
    if (!out || !err) return r;
    r.status = kvquery::RunKvQuery(static_cast<int>(args.size()), argv.data(), out, err);
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    return r;
}

kvquery::Options Parse(std::vector<std::string> args, int* status, std::string* err) {
    args.insert(args.begin(), "kvquery");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    FILE* errFile = std::tmpfile();
    kvquery::Options options;
    *status = kvquery::ParseArgs(static_cast<int>(argv.size()), argv.data(), &options, errFile);
    *err = ReadAll(errFile);
    return options;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Address(const q2sim::Simulator* sim, size_t i) { return "127.0.0.1:" + std::to_string(q2sim::Port(sim, i)); }

q2sim::ServerConfig Server(const std::string& name, const std::string& map, int players, int delayMs = 0) {
    q2sim::ServerConfig c;
    c.rules = {{"deathmatch", "1"}, {"gamename", "baseq2"}, {"hostname", name}, {"mapname", map}, {"maxclients", "8"}};
    for (int i = 0; i < players; ++i) c.players.push_back({i, 40 + i, "Player " + std::to_string(i)});
    c.delayMs = delayMs;
    return c;
}

TEST(KvQueryArgs, ReadsOptionsAndClampsOutOfRangeValues) {
    int status;
    std::string err;
    kvquery::Options o = Parse({"a", "-j", "4", "--timeout", "7", "-t", "%s %n", "b:27911"}, &status, &err);
    EXPECT_EQ(status, -1) << err;
    EXPECT_EQ(o.threads, 4);
    EXPECT_EQ(o.timeoutSeconds, 7);
    EXPECT_EQ(o.templateText, "%s %n");
    EXPECT_EQ(o.hosts, (std::vector<std::string>{"a", "b:27911"}));

    o = Parse({"-j8", "--timeout=2", "-t%y", "--", "-odd-host"}, &status, &err);
    EXPECT_EQ(status, -1) << err;
    EXPECT_EQ(o.threads, 8);
    EXPECT_EQ(o.timeoutSeconds, 2);
    EXPECT_EQ(o.templateText, "%y");
    EXPECT_EQ(o.hosts, std::vector<std::string>{"-odd-host"});

    o = Parse({"h"}, &status, &err);
    EXPECT_EQ(o.threads, 10);
    EXPECT_EQ(o.timeoutSeconds, 3);
    EXPECT_EQ(o.templateText, "%s%t%y%t%n/%x%t%l%t%g");

    const struct {
        std::vector<std::string> args;
        int threads;
        long timeout;
    } clamps[] = {
        {{"-j", "0", "h"}, 1, 3},
        {{"-j", "-5", "h"}, 1, 3},
        {{"-j", "100000", "h"}, 256, 3},
        {{"-j", "99999999999999999999999", "h"}, 256, 3},
        {{"--timeout", "0", "h"}, 10, 1},
        {{"--timeout", "999999", "h"}, 10, 3600},
    };
    for (const auto& c : clamps) {
        o = Parse(c.args, &status, &err);
        EXPECT_EQ(status, -1) << c.args[1];
        EXPECT_EQ(o.threads, c.threads) << c.args[1];
        EXPECT_EQ(o.timeoutSeconds, c.timeout) << c.args[1];
        EXPECT_NE(err.find("out of range"), std::string::npos) << c.args[1];
    }
}

TEST(KvQueryArgs, RefusesBadArgumentsWithUsage) {
    const std::vector<std::string> bad[] = {
        {},                                      // no hosts
        {"-j"},                                  // missing values
        {"h", "-t"},
        {"h", "--timeout"},
        {"-f"},
        {"-j", "ten", "h"},                      // not numbers
        {"-j", "4x", "h"},
        {"-j", "", "h"},
        {"--timeout", "1.5", "h"},
        {"--timeout=", "h"},
        {"-x", "h"},                             // unknown options
        {"--threads", "4", "h"},
        {"h", ""},                               // an empty host
        {"-f", "kvquery-test-no-such-file.txt"},
    };
    for (const auto& args : bad) {
        int status;
        std::string err;
        Parse(args, &status, &err);
        std::string shown = args.empty() ? "(none)" : args[0] + (args.size() > 1 ? " " + args[1] : "");
        EXPECT_EQ(status, kvquery::kExitUsage) << shown;
        EXPECT_EQ(err.compare(0, 9, "kvquery: "), 0) << shown << ": " << err;
    }
    RunResult help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.compare(0, 7, "usage: "), 0);
}

TEST(KvQueryArgs, ReadsHostFiles) {
    const char* path = "kvquery-test-hosts.txt";
    {
        std::ofstream f(path, std::ios::binary);
        f << "# servers\r\n\r\n  alpha:27911  \r\n#beta\n\tgamma\n\n";
    }
    int status;
    std::string err;
    kvquery::Options o = Parse({"first", "-f", path}, &status, &err);
    EXPECT_EQ(status, -1) << err;
    EXPECT_EQ(o.hosts, (std::vector<std::string>{"first", "alpha:27911", "gamma"}));

    {
        std::ofstream f(path, std::ios::binary);
        f << "# only comments\n\n";
    }
    Parse({"-f", path}, &status, &err);
    EXPECT_EQ(status, kvquery::kExitUsage);
    std::remove(path);
}

TEST(KvQuery, PrintsEveryServerInInputOrder) {
    // The first server answers last; its line must still come first.
    q2sim::ServerConfig silent = Server("Gone", "q2dm2", 0);
    silent.mode = q2sim::Mode::Silent;
    std::string error;
    q2sim::Simulator* sim = q2sim::Start(
        {Server("Slow Server", "q2dm3", 3, 300), Server("Fast Server", "q2dm1", 0), silent, Server("Ctf", "q2ctf1", 8)},
        0, &error);
    ASSERT_NE(sim, nullptr) << error;

    const std::string silentAddress = Address(sim, 2);
    RunResult r = RunTool({"-t", "%s|%n/%x|%m|%g|%a", "--timeout", "1", Address(sim, 0), "127.0.0.1:99999",
                           Address(sim, 1), silentAddress, "no-such-host.invalid", Address(sim, 3)});
    q2sim::Stop(sim);

    EXPECT_EQ(r.status, kvquery::kExitAnswered) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0], "Slow Server|3/8|q2dm3|baseq2|Player 2");
    EXPECT_EQ(lines[1], "Fast Server|0/8|q2dm1|baseq2|");
    // A silent server shows its address and the timeout, with no counts.
    EXPECT_EQ(lines[2].compare(0, silentAddress.size() + 1, silentAddress + ":"), 0) << lines[2];
    EXPECT_NE(lines[2].find("|/|||"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "Ctf|8/8|q2ctf1|baseq2|Player 7");

    // Both bad hosts are named, in input order.
    std::vector<std::string> errs = Lines(r.err);
    ASSERT_EQ(errs.size(), 2u) << r.err;
    EXPECT_NE(errs[0].find("127.0.0.1:99999"), std::string::npos) << errs[0];
    EXPECT_NE(errs[1].find("no-such-host.invalid"), std::string::npos) << errs[1];
}

TEST(KvQuery, FailsWhenNoServerAnswers) {
    // Replies that are no status reply do not count as answers.
    q2sim::ServerConfig garbage = Server("Junk", "q2dm2", 0);
    garbage.mode = q2sim::Mode::Garbage;
    q2sim::ServerConfig empty = garbage;
    empty.mode = q2sim::Mode::Raw;
    std::string error;
    q2sim::Simulator* sim = q2sim::Start({garbage, empty}, 0, &error);
    ASSERT_NE(sim, nullptr) << error;
    RunResult r = RunTool({Address(sim, 0), Address(sim, 1), "127.0.0.1:"});
    q2sim::Stop(sim);
    EXPECT_EQ(r.status, kvquery::kExitNoAnswer) << r.out << r.err;
    EXPECT_EQ(Lines(r.out).size(), 2u) << r.out;
    EXPECT_NE(r.err.find("127.0.0.1:"), std::string::npos) << r.err;
}

// Six servers that each take 400 ms, two at a time: three rounds. All at
// once would take one round, one at a time six.
TEST(KvQuery, QueriesAtMostThreadsServersAtOnce) {
    const int kDelayMs = 400;  // long enough that a slow machine's start-up fits the margin
    std::string error;
    q2sim::Simulator* sim = q2sim::Start(std::vector<q2sim::ServerConfig>(6, Server("S", "q2dm1", 1, kDelayMs)), 0,
                                         &error);
    ASSERT_NE(sim, nullptr) << error;
    std::vector<std::string> args = {"-j", "2", "-t", "%s"};
    for (size_t i = 0; i < 6; ++i) args.push_back(Address(sim, i));
    auto start = Clock::now();
    RunResult r = RunTool(args);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    q2sim::Stop(sim);
    EXPECT_EQ(r.status, kvquery::kExitAnswered) << r.err;
    EXPECT_EQ(Lines(r.out), std::vector<std::string>(6, "S"));
    EXPECT_GE(ms, 3 * kDelayMs - 5);
    EXPECT_LT(ms, 5.5 * kDelayMs);
}

// Every byte a server sends comes out as valid JSON: escapes for quotes,
// backslashes and control characters, \u00XX for bytes that are not UTF-8,
// valid UTF-8 as it is.
TEST(KvQueryJson, PrintsOneObjectPerServerWhateverBytesItSends) {
    q2sim::ServerConfig hostile = Server("a\"b\x01\x7f caf\xc3\xa9 \xff\xc0\x80\xe2\x82", "xjson1", 0);
    hostile.rules.push_back({"motd", "say \"hi\"\ttab"});
    hostile.players = {{12, 50, "Fr\xe9" "d\x02}"}, {3, 999, "<b>"}};
    q2sim::ServerConfig silent = Server("Gone", "q2dm2", 0);
    silent.mode = q2sim::Mode::Silent;
    std::string error;
    q2sim::Simulator* sim = q2sim::Start({hostile, silent}, 0, &error);
    ASSERT_NE(sim, nullptr) << error;
    const std::string address = Address(sim, 0);
    RunResult r = RunTool({"--json", "--timeout", "1", address, Address(sim, 1)});
    q2sim::Stop(sim);

    EXPECT_EQ(r.status, kvquery::kExitAnswered) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    const std::string& a = lines[0];
    EXPECT_EQ(a.find("{\"address\":\"" + address + "\",\"host\":\"" + address +
                     "\",\"name\":\"a\\\"b\\u0001\\u007f caf\xc3\xa9 \\u00ff\\u00c0\\u0080\\u00e2\\u0082\","
                     "\"map\":\"xjson1\",\"level\":\"xjson1\",\"game\":\"baseq2\",\"numPlayers\":2,\"maxPlayers\":8,\"ping\":"),
              0u)
        << a;
    EXPECT_NE(a.find(",\"error\":0,\"errorText\":\"\",\"rules\":{\"deathmatch\":\"1\","
                     "\"mapname\":\"xjson1\",\"maxclients\":\"8\",\"motd\":\"say \\\"hi\\\"\\ttab\"},"
                     "\"players\":[{\"name\":\"Fr\\u00e9d\\u0002}\",\"frags\":12,\"ping\":50},"
                     "{\"name\":\"<b>\",\"frags\":3,\"ping\":999}]}"),
              std::string::npos)
        << a;
    EXPECT_EQ(a.back(), '}');
    // A server that does not answer: nulls, the error code and its text.
    EXPECT_NE(lines[1].find("\"numPlayers\":null,\"maxPlayers\":null,\"ping\":null,\"error\":-8,\"errorText\":\""),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find("\"rules\":{},\"players\":[]}"), std::string::npos) << lines[1];
}

TEST(KvQueryHelp, ListsEveryTemplateCode) {
    RunResult r = RunTool({"--help"});
    EXPECT_EQ(r.status, kvquery::kExitAnswered);
    for (const char* code : {"%s", "%h", "%d", "%m", "%l", "%g", "%y", "%n", "%x", "%a", "%z", "%p", "%r", "%i", "%f",
                             "%t", "%0", "%%", "--json", "--master", "--udp-master"})
        EXPECT_NE(r.out.find(code), std::string::npos) << code;
}

// The HTTP master's list: server lines in order, other lines skipped; a
// failed fetch is an error, not an empty list.
TEST(KvQueryMaster, QueriesTheServersOfAnHttpMasterList) {
    std::string error;
    q2sim::Simulator* sim = q2sim::Start({Server("One", "q2dm1", 1), Server("Two", "q2dm2", 2)}, 0, &error);
    ASSERT_NE(sim, nullptr) << error;
    httpsim::Server* web = httpsim::Start(&error);
    ASSERT_NE(web, nullptr) << error;
    httpsim::Response list;
    list.body = "<html>\r\n# servers\r\n" + Address(sim, 1) + "\r\nnot a server\r\n0.0.0.0:27910\n" + Address(sim, 0) +
                "\n";
    httpsim::Serve(web, "/list", list);
    httpsim::Response missing;
    missing.status = 404;
    missing.body = "1.2.3.4:27910\n";
    httpsim::Serve(web, "/gone", missing);
    httpsim::Response huge;
    huge.body = std::string(kvquery::kMaxMasterListBytes + 1, '\n');
    httpsim::Serve(web, "/huge", huge);

    // The same list in chunks, behind a redirect: the chunk sizes are no hosts.
    list.chunked = true;
    httpsim::Serve(web, "/chunked", list);
    httpsim::Serve(web, "/moved", httpsim::Redirect("/chunked"));

    for (const char* path : {"/list", "/chunked", "/moved"}) {
        RunResult r = RunTool({"-t", "%s", "--master", httpsim::Url(web, path)});
        EXPECT_EQ(r.status, kvquery::kExitAnswered) << r.err;
        EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Two", "One"})) << path;
    }
    RunResult r;

    for (const char* path : {"/gone", "/huge"}) {
        r = RunTool({"--master", httpsim::Url(web, path), "127.0.0.1:1"});
        EXPECT_EQ(r.status, kvquery::kExitUsage) << path;
        EXPECT_EQ(r.out, "") << path;
        EXPECT_NE(r.err.find(path == std::string("/gone") ? "status 404" : "refused"), std::string::npos) << r.err;
    }
    r = RunTool({"--master", "ftp://127.0.0.1/list"});
    EXPECT_EQ(r.status, kvquery::kExitUsage);
    EXPECT_NE(r.err.find("http://"), std::string::npos) << r.err;
    httpsim::Stop(web);
    q2sim::Stop(sim);
}

TEST(KvQueryMaster, QueriesTheServersOfAUdpMasterAndRefusesHostileReplies) {
    std::string error;
    q2sim::Simulator* sim = q2sim::Start({Server("One", "q2dm1", 1), Server("Two", "q2dm2", 2)}, 0, &error);
    ASSERT_NE(sim, nullptr) << error;
    // The answer comes in two datagrams. Records of port 0 and of the
    // broadcast address are skipped; the cut record at the end is left out
    // with a note.
    q2sim::Master* master = q2sim::StartMasterDatagrams(
        {q2sim::MasterReply({q2sim::Port(sim, 1), 0}) + std::string("\xFF\xFF\xFF\xFF\x6d\x06", 6),
         q2sim::MasterReply({q2sim::Port(sim, 0)}) + std::string("\x7f\0\0", 3)},
        &error);
    ASSERT_NE(master, nullptr) << error;
    RunResult r = RunTool({"-t", "%s", "--udp-master", "127.0.0.1:" + std::to_string(q2sim::MasterPort(master))});
    EXPECT_EQ(r.status, kvquery::kExitAnswered) << r.err;
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Two", "One"}));
    EXPECT_NE(r.err.find("cut record (3 bytes)"), std::string::npos) << r.err;
    EXPECT_EQ(q2sim::MasterQueryCount(master), 1);
    q2sim::StopMaster(master);

    // Garbage, an empty datagram, and a reply of another kind are errors;
    // so is a master that never answers.
    for (const std::string& bad :
         {std::string("garbage"), std::string(), std::string("\xFF\xFF\xFF\xFFprint\nhi"), std::string("silent")}) {
        master = bad == "silent" ? q2sim::StartMasterDatagrams({}, &error) : q2sim::StartMaster(bad, &error);
        ASSERT_NE(master, nullptr) << error;
        r = RunTool({"--timeout", "1", "--udp-master", "127.0.0.1:" + std::to_string(q2sim::MasterPort(master))});
        q2sim::StopMaster(master);
        EXPECT_EQ(r.status, kvquery::kExitUsage) << bad;
        EXPECT_NE(r.err.find(bad == "silent" ? "No answer from the master" : "not a server list"), std::string::npos)
            << r.err;
    }
    q2sim::Stop(sim);

    // The largest datagram's worth of records is read whole.
    std::vector<uint16_t> ports(10900);
    for (size_t i = 0; i < ports.size(); ++i) ports[i] = static_cast<uint16_t>(1 + i);
    master = q2sim::StartMaster(q2sim::MasterReply(ports), &error);
    ASSERT_NE(master, nullptr) << error;
    std::vector<std::string> hosts;
    std::string warning;
    ASSERT_TRUE(kvquery::QueryUdpMaster("127.0.0.1:" + std::to_string(q2sim::MasterPort(master)), 3, &hosts, &error,
                                        &warning))
        << error;
    q2sim::StopMaster(master);
    ASSERT_EQ(hosts.size(), ports.size());
    EXPECT_EQ(hosts.back(), "127.0.0.1:10900");
    EXPECT_EQ(warning, "");
}

}  // namespace
