#include "socket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <mmsystem.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace q2sim {

namespace {

std::string LastErrorText() {
#ifdef _WIN32
    int code = WSAGetLastError();
    switch (code) {
    case WSAEADDRINUSE: return "address already in use";
    case WSAEACCES: return "permission denied";
    case WSAEMFILE: return "too many open sockets";
    case WSAENOBUFS: return "no buffer space";
    default: return "Winsock error " + std::to_string(code);
    }
#else
    return std::strerror(errno);
#endif
}

bool WouldBlockError() {
#ifdef _WIN32
    return WSAGetLastError() == WSAEWOULDBLOCK;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

}  // namespace

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

#ifdef _WIN32

bool NetStartup(size_t) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    // Timed waits otherwise round up to the 15.6 ms system tick, which would
    // make a 20 ms reply delay take 31 ms.
    timeBeginPeriod(1);
    return true;
}

void NetCleanup() {
    timeEndPeriod(1);
    WSACleanup();
}

#else

bool NetStartup(size_t sockets) {
    // Thousands of servers need more descriptors than the usual soft limit
    // of 1024; raise it towards the hard limit.
    rlimit lim;
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0) {
        rlim_t want = static_cast<rlim_t>(sockets) + 256;
        if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < want) {
            lim.rlim_cur = (lim.rlim_max == RLIM_INFINITY || lim.rlim_max > want) ? want : lim.rlim_max;
            setrlimit(RLIMIT_NOFILE, &lim);
        }
    }
    return true;
}

void NetCleanup() {}

#endif

Socket OpenUdp(uint16_t port, std::string* error) {
    Socket s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == kNoSocket) {
        *error = "cannot open a UDP socket: " + LastErrorText();
        return kNoSocket;
    }
    sockaddr_in a = Loopback(port);
    if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        *error = "cannot bind 127.0.0.1:" + std::to_string(port) + ": " + LastErrorText();
        CloseSocket(s);
        return kNoSocket;
    }
#ifdef _WIN32
    u_long on = 1;
    bool ok = ioctlsocket(s, FIONBIO, &on) == 0;
    // Without this, a reply to a client that has gone away makes Windows
    // fail the next receive with WSAECONNRESET.
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif
    BOOL report = FALSE;
    DWORD bytes = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &bytes, nullptr, nullptr);
#else
    int flags = fcntl(s, F_GETFL, 0);
    bool ok = flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0 &&
              fcntl(s, F_SETFD, FD_CLOEXEC) == 0;
#endif
    if (!ok) {
        *error = "cannot make a socket non-blocking: " + LastErrorText();
        CloseSocket(s);
        return kNoSocket;
    }
    return s;
}

void CloseSocket(Socket s) {
    if (s == kNoSocket) return;
#ifdef _WIN32
    closesocket(s);
#else
    close(s);
#endif
}

uint16_t LocalPort(Socket s) {
    sockaddr_in a;
    socklen_t len = sizeof a;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
    return ntohs(a.sin_port);
}

int PollSockets(PollFd* fds, size_t count, long long timeoutUs) {
#ifdef _WIN32
    INT ms = -1;
    if (timeoutUs >= 0) ms = static_cast<INT>(std::min<long long>((timeoutUs + 999) / 1000, 1 << 30));
    int n = WSAPoll(fds, static_cast<ULONG>(count), ms);
    return n == SOCKET_ERROR ? -1 : n;
#else
    timespec wait;
    wait.tv_sec = static_cast<time_t>(timeoutUs / 1000000);
    wait.tv_nsec = static_cast<long>(timeoutUs % 1000000) * 1000;
    int n = ppoll(fds, static_cast<nfds_t>(count), timeoutUs < 0 ? nullptr : &wait, nullptr);
    if (n < 0 && errno == EINTR) return 0;
    return n;
#endif
}

IoResult ReceiveFrom(Socket s, char* buf, size_t size, size_t* got, sockaddr_in* from) {
    socklen_t len = sizeof *from;
#ifdef _WIN32
    int n = recvfrom(s, buf, static_cast<int>(size), 0, reinterpret_cast<sockaddr*>(from), &len);
    if (n == SOCKET_ERROR) {
        int code = WSAGetLastError();
        if (code == WSAEMSGSIZE) {  // the datagram was longer than buf: keep its start
            *got = size;
            return IoResult::Done;
        }
        return code == WSAEWOULDBLOCK ? IoResult::WouldBlock : IoResult::Failed;
    }
#else
    ssize_t n = recvfrom(s, buf, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(from), &len);
    if (n < 0) return WouldBlockError() ? IoResult::WouldBlock : IoResult::Failed;
    if (static_cast<size_t>(n) > size) n = static_cast<ssize_t>(size);
#endif
    *got = static_cast<size_t>(n);
    return IoResult::Done;
}

IoResult SendTo(Socket s, const char* data, size_t size, const sockaddr_in& to) {
#ifdef _WIN32
    int n = sendto(s, data, static_cast<int>(size), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (n == SOCKET_ERROR) return WouldBlockError() ? IoResult::WouldBlock : IoResult::Failed;
#else
    ssize_t n = sendto(s, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (n < 0) return WouldBlockError() ? IoResult::WouldBlock : IoResult::Failed;
#endif
    return IoResult::Done;
}

}  // namespace q2sim
