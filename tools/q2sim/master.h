// A Quake 2 UDP master on 127.0.0.1 for tests: it answers each "query\n"
// datagram with the datagrams it is given, byte for byte and in order, so
// tests can send well-formed lists, long lists in several datagrams and
// hostile ones alike; given none, it never answers. Other datagrams get no
// answer.
//
// Ownership: StartMaster returns a master that only StopMaster frees.
#ifndef Q2SIM_MASTER_H
#define Q2SIM_MASTER_H

#include <cstdint>
#include <string>
#include <vector>

namespace q2sim {

struct Master;

// Listens on a free port. Null on failure (reason in *error).
Master* StartMaster(const std::string& reply, std::string* error = nullptr);
Master* StartMasterDatagrams(const std::vector<std::string>& datagrams, std::string* error = nullptr);
uint16_t MasterPort(const Master* master);
// Queries answered so far.
int MasterQueryCount(const Master* master);
void StopMaster(Master* master);  // null is allowed

// A well-formed reply: FF FF FF FF "servers " and one 6-byte record per
// address (127.0.0.1 with each port, both in network order).
std::string MasterReply(const std::vector<uint16_t>& loopbackPorts);

}  // namespace q2sim

#endif  // Q2SIM_MASTER_H
