// A Quake 2 UDP master, portable (Winsock or BSD sockets, net/sockets.h):
// the client sends "query\n"; the master answers with one or more
// datagrams, each FF FF FF FF "servers " followed by 6-byte records (the
// address, then the port, both in network order). The program's master
// reload and kvquery read masters through this.
#ifndef SKOVALT_NET_UDPMASTER_H
#define SKOVALT_NET_UDPMASTER_H

#include <stddef.h>
#include <stdint.h>

#include <atomic>

enum { UdpMasterDefaultPort = 27900 };

struct UdpMasterHost {
    uint32_t ip;  // network order
    uint16_t port;
};

// A master's answer as it is read.
struct UdpMasterReply {
    UdpMasterHost *hosts;  // malloc'd, in the master's order; null when none
    size_t count;
    size_t capacity;
    int lists;             // datagrams that were server lists
    int others;            // datagrams that were not
    size_t cutBytes;       // bytes of cut last records left out, all datagrams
};

void UdpMasterReplyInit(UdpMasterReply *reply);
void UdpMasterReplyFree(UdpMasterReply *reply);

// Reads one datagram into reply. A datagram without the header counts in
// others and adds nothing; records of address 0.0.0.0 or 255.255.255.255
// or port 0 are skipped; a cut last record is left out. Returns HttpOk, or
// HttpErrMemory (net/httpget.h).
int UdpMasterFeed(UdpMasterReply *reply, const unsigned char *data, size_t size);

// Sends the query to address ("udp://host[:port]" or "host[:port]", port
// 27900 unless given) and reads every datagram of the answer into reply
// (initialised here; free it whatever the result). The answer ends at
// silenceMs without a datagram after the first one, or when totalMs have
// passed since the query. cancel (may be null) is looked at every 50 ms.
// Returns HttpOk when at least one datagram was a server list (it may
// hold no server); HttpErrBadUrl, HttpErrResolve, HttpErrSocket,
// HttpErrNoAnswer (nothing came), HttpErrNotServerList (only datagrams of
// another kind came), HttpErrCancelled or HttpErrMemory otherwise.
int UdpMasterGet(const char *address, long silenceMs, long totalMs, const std::atomic<bool> *cancel,
                 UdpMasterReply *reply);

// The hosts of a reply as text, one "a.b.c.d:port" a line (LF): a
// malloc'd, NUL-terminated block of *size bytes, or null when memory runs
// out (or, with *size 0, when there is no host).
char *UdpMasterReplyText(const UdpMasterReply *reply, size_t *size);

#endif
