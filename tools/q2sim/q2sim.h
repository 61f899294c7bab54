// q2sim: a loopback Quake 2 server simulator.
//
// One simulator serves many UDP ports on 127.0.0.1 at once from a single
// thread (poll over all sockets, replies with a delay kept in a timer queue,
// so a slow server never holds up the others). Each port answers the status
// query "\xFF\xFF\xFF\xFFstatus" (with or without arguments after the word)
// the way its ServerConfig says. Tests link it in-process; the q2sim program
// runs it from the command line.
//
// Ownership: Start returns a simulator that only Stop frees. Every other
// call may come from any thread while the simulator runs.
#ifndef Q2SIM_Q2SIM_H
#define Q2SIM_Q2SIM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace q2sim {

// The largest UDP payload IPv4 carries. Longer replies are cut to it.
constexpr size_t kMaxDatagram = 65507;

enum class Mode {
    Reply,      // "\xFF\xFF\xFF\xFFprint\n", info string, "\n", player lines
    Silent,     // counts the query, never answers
    Garbage,    // answers with bytes that are no Quake 2 reply
    Oversized,  // the Reply datagram followed by filler player lines up to kMaxDatagram bytes
    Raw,        // answers with ServerConfig::raw exactly (an empty raw sends an empty datagram)
    ExtraLine   // "print\n", ServerConfig::extraLine, "\n", then as Reply
};

struct Player {
    int frags = 0;
    int ping = 0;
    std::string name;  // sent between double quotes, as given
};

struct ServerConfig {
    // Info keys and values in the order they are sent. Written as given, with
    // no escaping, so a test can send hostile keys and values.
    std::vector<std::pair<std::string, std::string>> rules;
    std::vector<Player> players;
    int delayMs = 0;  // time between a query and its reply; negative counts as 0
    Mode mode = Mode::Reply;
    std::string raw;                             // the datagram of Mode::Raw
    std::string extraLine = "Server status:";    // the extra line of Mode::ExtraLine
};

struct Simulator;

// Binds one UDP socket per server on 127.0.0.1 and starts serving. With
// basePort 0 every socket takes a free port; otherwise server i gets
// basePort + i. Returns null when a socket cannot be made or bound, and then
// describes the failure in *error (when error is not null).
Simulator* Start(const std::vector<ServerConfig>& servers, uint16_t basePort = 0,
                 std::string* error = nullptr);

size_t ServerCount(const Simulator* sim);

// The UDP port of server index (0 for an index out of range).
uint16_t Port(const Simulator* sim, size_t index);

// Replaces a running server's configuration. Queries that arrive afterwards
// get the new answer; replies already scheduled keep the old one. False for
// an index out of range.
bool Configure(Simulator* sim, size_t index, const ServerConfig& config);

// Status queries server index has received so far (silent servers count
// theirs too). A query is counted before its reply is sent. -1 for an index
// out of range.
int QueryCount(const Simulator* sim, size_t index);

// Stops serving, drops replies not yet sent, closes the sockets and frees
// the simulator. Null is allowed.
void Stop(Simulator* sim);

// The datagram a server with this configuration answers with (empty for
// Mode::Silent), at most kMaxDatagram bytes.
std::string BuildReply(const ServerConfig& config);

// Lengthens the name of the last player of a Reply server so that its
// reply is kMaxDatagram bytes exactly. False (and nothing changed) when it
// has no player or its reply is that long already.
bool PadToMaxDatagram(ServerConfig* config);

const char* ModeName(Mode mode);
bool ParseMode(const std::string& text, Mode* mode);

// A server set read from a configuration file (format: see config.cpp).
struct ConfigFile {
    std::vector<ServerConfig> servers;
    uint16_t basePort = 0;  // 0: any free ports
};

// Parses configuration text. False with a message naming the line on error.
bool ParseConfig(const std::string& text, ConfigFile* out, std::string* error);

// A plain deathmatch server as the simulator's quick forms make it: server
// number index gets its own host name and a map from the stock rotation.
ServerConfig MakeDefaultServer(size_t index, int players);

}  // namespace q2sim

#endif  // Q2SIM_Q2SIM_H
