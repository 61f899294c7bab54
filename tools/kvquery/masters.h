// Server lists for kvquery from masters: the plain-text list over HTTP
// (--master URL) and a Quake 2 UDP master (--udp-master HOST[:PORT]).
// Every host comes back as "a.b.c.d:port", in the master's order.
#ifndef KVQUERY_MASTERS_H
#define KVQUERY_MASTERS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/udpmaster.h"

namespace kvquery {

constexpr uint16_t kUdpMasterPort = UdpMasterDefaultPort;
// A UDP master's answer ends after this long without a datagram.
constexpr long kUdpMasterSilenceMs = 1000;
// A master list bigger than this is refused, not read on without end.
constexpr size_t kMaxMasterListBytes = 8u << 20;

// The hosts of a plain-text master list: the server lines that the
// program's master import takes ("a.b.c.d[:port]"), other lines skipped.
std::vector<std::string> ParseMasterList(const char* text, size_t size);

// GETs url ("http://host[:port]/path") and reads its server lines into
// hosts. False with *error on a bad URL, a failed connection, a status
// other than 200, a list over kMaxMasterListBytes or no reply within
// timeoutSeconds.
bool FetchMasterList(const std::string& url, long timeoutSeconds, std::vector<std::string>* hosts,
                     std::string* error);

// Sends "query\n" to the UDP master at hostPort (port 27900 unless given)
// and reads the hosts of every datagram of its answer (net/udpmaster.h:
// records of address or port 0 skipped). False with *error when it does
// not answer within timeoutSeconds or its answer is no server list; cut
// records at a datagram's end are left out with a note in *warning.
bool QueryUdpMaster(const std::string& hostPort, long timeoutSeconds, std::vector<std::string>* hosts,
                    std::string* error, std::string* warning);

}  // namespace kvquery

#endif  // KVQUERY_MASTERS_H
