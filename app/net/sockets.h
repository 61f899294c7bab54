// The socket layer shared by the fetches of net/ (HTTP and the UDP master):
// Winsock or BSD sockets behind one set of names, the host lookup, and the
// wait on a socket that looks at a cancel flag and an overall limit.
#ifndef SKOVALT_NET_SOCKETS_H
#define SKOVALT_NET_SOCKETS_H

#include <stdint.h>
#include <string.h>

#include <atomic>
#include <chrono>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace netio {

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
inline void CloseSocket(Socket s) { closesocket(s); }
using PollFd = WSAPOLLFD;
inline int PollOne(WSAPOLLFD *fd, int ms) { return WSAPoll(fd, 1, ms); }
inline bool SetNonBlocking(Socket s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
inline bool InProgress() { return WSAGetLastError() == WSAEWOULDBLOCK; }
inline bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
const int kSendFlags = 0;
// Winsock is started and ended around each fetch (it counts).
inline bool NetStart()
{
    WSADATA wsa;
    return WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
}
inline void NetEnd() { WSACleanup(); }
#else
using Socket = int;
const Socket kNoSocket = -1;
inline void CloseSocket(Socket s) { close(s); }
using PollFd = pollfd;
inline int PollOne(pollfd *fd, int ms)
{
    int n;
    do
        n = poll(fd, 1, ms);
    while (n < 0 && errno == EINTR);
    return n;
}
inline bool SetNonBlocking(Socket s) { return fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK) == 0; }
inline bool InProgress() { return errno == EINPROGRESS; }
inline bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
const int kSendFlags = MSG_NOSIGNAL;  // a peer that closes early must not end the program
inline bool NetStart() { return true; }
inline void NetEnd() {}
#endif

// True when text begins with prefix (lower case), in any case: the
// schemes of addresses, HTTP header names.
inline bool StartsWithNoCase(const char *text, const char *prefix)
{
    for (; *prefix; ++text, ++prefix) {
        char a = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (a != *prefix)
            return false;
    }
    return true;
}

using Clock = std::chrono::steady_clock;

inline long long MsLeft(Clock::time_point deadline)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

// A dotted address or a host name into ipNet (network order).
inline bool Resolve(const char *host, uint32_t *ipNet)
{
    in_addr numeric;
    if (inet_pton(AF_INET, host, &numeric) == 1) {
        *ipNet = numeric.s_addr;
        return true;
    }
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
        return false;
    *ipNet = reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

// The IPv4 socket address of ipNet (network order) and port.
inline sockaddr_in SocketAddress(uint32_t ipNet, uint16_t port)
{
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ipNet;
    to.sin_port = htons(port);
    return to;
}

enum WaitResult { WaitReady, WaitCancelled, WaitEnd, WaitDeadline, WaitFailed };

// Waits for events on s in slices of 50 ms, looking at cancel (may be
// null) between them: WaitReady; WaitCancelled; WaitEnd when the overall
// limit end passed, WaitDeadline when deadline did; WaitFailed when the
// poll failed.
inline int WaitSocket(Socket s, short events, const std::atomic<bool> *cancel, Clock::time_point end,
                      Clock::time_point deadline)
{
    for (;;) {
        if (cancel && cancel->load())
            return WaitCancelled;
        long long total = MsLeft(end), left = MsLeft(deadline);
        if (total <= 0)
            return WaitEnd;
        if (left <= 0)
            return WaitDeadline;
        long long slice = left < total ? left : total;
        PollFd fd;
        memset(&fd, 0, sizeof fd);
        fd.fd = s;
        fd.events = events;
        int n = PollOne(&fd, static_cast<int>(slice < 50 ? slice : 50));
        if (n < 0)
            return WaitFailed;
        if (n > 0)
            return WaitReady;
    }
}

}  // namespace netio

#endif
