// The Quake 2 UDP master: the answer's reader and the query over a socket.
#include "net/udpmaster.h"

#include <stdlib.h>
#include <string.h>

#include "net/httpget.h"
#include "net/sockets.h"
#include "serverlist/listformat.h"

using namespace netio;

namespace {

const char kHeader[] = "\xFF\xFF\xFF\xFFservers ";
const size_t kHeaderSize = sizeof kHeader - 1;
const size_t kRecordSize = 6;
const char kQuery[] = "query\n";


// "host[:port]" into host (size bytes) and port; false when it is empty,
// too long or its port is no number from 1 to 65535.
bool SplitAddress(const char *address, char *host, size_t size, uint16_t *port)
{
    if (StartsWithNoCase(address, "udp://"))
        address += 6;
    size_t length = strlen(address);
    if (length > 0 && address[length - 1] == '/')
        --length;
    size_t hostLength = 0;
    if (ReadHostPort(address, length, &hostLength, port) != HostTextOk)
        return false;
    if (!memchr(address, ':', length))
        *port = UdpMasterDefaultPort;
    if (hostLength == 0 || hostLength >= size || memchr(address, '/', hostLength))
        return false;
    memcpy(host, address, hostLength);
    host[hostLength] = '\0';
    return true;
}

}  // namespace

void UdpMasterReplyInit(UdpMasterReply *reply)
{
    memset(reply, 0, sizeof *reply);
}

void UdpMasterReplyFree(UdpMasterReply *reply)
{
    free(reply->hosts);
    UdpMasterReplyInit(reply);
}

int UdpMasterFeed(UdpMasterReply *reply, const unsigned char *data, size_t size)
{
    if (size < kHeaderSize || memcmp(data, kHeader, kHeaderSize) != 0) {
        ++reply->others;
        return HttpOk;
    }
    ++reply->lists;
    size_t records = (size - kHeaderSize) / kRecordSize;
    reply->cutBytes += (size - kHeaderSize) % kRecordSize;
    if (records > reply->capacity - reply->count) {
        size_t capacity = reply->capacity ? reply->capacity : 256;
        while (capacity - reply->count < records)
            capacity *= 2;
        UdpMasterHost *grown = static_cast<UdpMasterHost *>(realloc(reply->hosts, capacity * sizeof *grown));
        if (!grown)
            return HttpErrMemory;
        reply->hosts = grown;
        reply->capacity = capacity;
    }
    const unsigned char *p = data + kHeaderSize;
    for (size_t i = 0; i < records; ++i, p += kRecordSize) {
        UdpMasterHost host;
        memcpy(&host.ip, p, 4);
        host.port = static_cast<uint16_t>(p[4] << 8 | p[5]);
        if (IsServerHost(host.ip, host.port))
            reply->hosts[reply->count++] = host;
    }
    return HttpOk;
}

int UdpMasterGet(const char *address, long silenceMs, long totalMs, const std::atomic<bool> *cancel,
                 UdpMasterReply *reply)
{
    UdpMasterReplyInit(reply);
    char host[256];
    uint16_t port = 0;
    if (!address || !SplitAddress(address, host, sizeof host, &port))
        return HttpErrBadUrl;
    if (!NetStart())
        return HttpErrSocket;
    int result = HttpOk;
    uint32_t ip = 0;
    Socket s = kNoSocket;
    do {
        if (!Resolve(host, &ip)) {
            result = HttpErrResolve;
            break;
        }
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (s == kNoSocket || !SetNonBlocking(s)) {
            result = HttpErrSocket;
            break;
        }
        sockaddr_in to = SocketAddress(ip, port);
        // Connected: only the master's datagrams arrive.
        if (connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0 ||
            send(s, kQuery, sizeof kQuery - 1, kSendFlags) != static_cast<int>(sizeof kQuery - 1)) {
            result = HttpErrNoAnswer;
            break;
        }
        Clock::time_point end = Clock::now() + std::chrono::milliseconds(totalMs);
        Clock::time_point deadline = end;  // until the first datagram, the whole time
        // The largest UDP payload fits: no datagram is cut by the buffer.
        const size_t kDatagramMax = 65536;
        unsigned char *datagram = static_cast<unsigned char *>(malloc(kDatagramMax));
        if (!datagram) {
            result = HttpErrMemory;
            break;
        }
        for (;;) {
            int wait = WaitSocket(s, POLLIN, cancel, end, deadline);
            if (wait == WaitCancelled) {
                result = HttpErrCancelled;
                break;
            }
            if (wait != WaitReady)
                break;  // silence, the time is up, or the socket failed
            int n = static_cast<int>(recv(s, reinterpret_cast<char *>(datagram), kDatagramMax, 0));
            if (n < 0 && WouldBlock())
                continue;
            if (n < 0)
                break;  // an unreachable port, for instance
            result = UdpMasterFeed(reply, datagram, static_cast<size_t>(n));
            if (result != HttpOk)
                break;
            deadline = Clock::now() + std::chrono::milliseconds(silenceMs);
        }
        free(datagram);
        if (result == HttpOk && reply->lists == 0)
            result = reply->others > 0 ? HttpErrNotServerList : HttpErrNoAnswer;
    } while (false);
    if (s != kNoSocket)
        CloseSocket(s);
    NetEnd();
    if (result != HttpOk)
        UdpMasterReplyFree(reply);
    return result;
}

char *UdpMasterReplyText(const UdpMasterReply *reply, size_t *size)
{
    *size = 0;
    if (reply->count == 0)
        return nullptr;
    const size_t line = 22;  // "255.255.255.255:65535\n"
    char *text = static_cast<char *>(malloc(reply->count * line + 1));
    if (!text)
        return nullptr;
    size_t at = 0;
    for (size_t i = 0; i < reply->count; ++i) {
        FormatHostAddress(reply->hosts[i].ip, reply->hosts[i].port, text + at, line);
        at += strlen(text + at);
        text[at++] = '\n';
    }
    text[at] = '\0';
    *size = at;
    return text;
}
