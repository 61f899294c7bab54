#include "masters.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "kv/kv.h"
#include "net/httpget.h"
#include "serverlist/listformat.h"

namespace kvquery {

namespace {

#ifdef _WIN32
using Socket = SOCKET;
using PollFd = WSAPOLLFD;
const Socket kNoSocket = INVALID_SOCKET;
void CloseSocket(Socket s) { closesocket(s); }
int PollOne(PollFd* fd, int ms) { return WSAPoll(fd, 1, ms); }
bool SetNonBlocking(Socket s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
const int kSendFlags = 0;
#else
using Socket = int;
using PollFd = pollfd;
const Socket kNoSocket = -1;
void CloseSocket(Socket s) { close(s); }
int PollOne(PollFd* fd, int ms) {
    int n;
    do n = poll(fd, 1, ms);
    while (n < 0 && errno == EINTR);
    return n;
}
bool SetNonBlocking(Socket s) { return fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK) == 0; }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
// A master that closes early must not end the program with SIGPIPE.
const int kSendFlags = MSG_NOSIGNAL;
#endif

// Closes its socket when it goes out of scope.
struct SocketGuard {
    Socket s;
    ~SocketGuard() {
        if (s != kNoSocket) CloseSocket(s);
    }
};

using Clock = std::chrono::steady_clock;

// Waits until s is ready for events or the deadline passes: 1 ready, 0 time
// up, -1 failure.
int WaitUntil(Socket s, short events, Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    PollFd fd{};
    fd.fd = s;
    fd.events = events;
    int n = PollOne(&fd, static_cast<int>(left > 2000000000 ? 2000000000 : left));
    return n < 0 ? -1 : n > 0 ? 1 : 0;
}

std::string AddressText(uint32_t ipNet, uint16_t port) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&ipNet);
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], port);
    return text;
}

// "name" or "name:port" into the address and port (defaultPort when none
// is given). False with *error when the name does not resolve or the port
// is no number from 1 to 65535.
bool ResolveHostPort(const std::string& text, uint16_t defaultPort, uint32_t* ipNet, uint16_t* port,
                     std::string* error) {
    std::string name = text;
    *port = defaultPort;
    size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        name = text.substr(0, colon);
        std::string digits = text.substr(colon + 1);
        long value = digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos
                         ? 0
                         : std::strtol(digits.c_str(), nullptr, 10);
        if (value < 1 || value > 65535) {
            *error = "bad port in \"" + text + "\" (1 to 65535)";
            return false;
        }
        *port = static_cast<uint16_t>(value);
    }
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    tagKvHOST host{};
    if (name.empty() || KvGetHostIP(&host, buffer.data()) != 0 || host.ip == 0) {
        *error = "cannot resolve host \"" + name + "\"";
        return false;
    }
    *ipNet = host.ip;
    return true;
}

sockaddr_in SocketAddress(uint32_t ipNet, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ipNet;
    to.sin_port = htons(port);
    return to;
}

}  // namespace

std::vector<std::string> ParseMasterList(const char* text, size_t size) {
    std::vector<std::string> hosts;
    size_t fileSize = 0, servers = 0;
    unsigned char* file = BuildMasterServerFile(text, size, nullptr, 0, &fileSize, &servers);
    if (!file) return hosts;
    ServerFileRecord record;
    for (size_t at = ListFileHeaderSize, n; at < fileSize && (n = ReadServerRecord(file + at, fileSize - at, &record));
         at += n)
        hosts.push_back(AddressText(record.ip, record.port));
    std::free(file);
    return hosts;
}

bool ParseUdpMasterReply(const char* data, size_t size, std::vector<std::string>* hosts, std::string* error,
                         std::string* warning) {
    static const char kHeader[] = "\xFF\xFF\xFF\xFFservers ";
    const size_t headerSize = sizeof kHeader - 1;
    if (size < headerSize || std::memcmp(data, kHeader, headerSize) != 0) {
        *error = "the master's reply is not a server list (it does not begin with FF FF FF FF \"servers \")";
        return false;
    }
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data) + headerSize;
    size_t records = (size - headerSize) / 6, rest = (size - headerSize) % 6;
    for (size_t i = 0; i < records; ++i, p += 6) {
        uint32_t ip;
        std::memcpy(&ip, p, 4);
        uint16_t port = static_cast<uint16_t>(p[4] << 8 | p[5]);
        if (ip != 0 && port != 0) hosts->push_back(AddressText(ip, port));
    }
    if (rest != 0)
        *warning = "the master's reply ends in a cut record (" + std::to_string(rest) + " bytes); ignored it";
    return true;
}

bool FetchMasterList(const std::string& url, long timeoutSeconds, std::vector<std::string>* hosts,
                     std::string* error) {
    if (url.compare(0, 7, "http://") != 0) {
        *error = "the master URL must begin with http:// (\"" + url + "\")";
        return false;
    }
    // The program's own HTTP client: redirects, chunked bodies, the size
    // limit; the timeout bounds each wait and the whole fetch.
    HttpLimits limits = HttpDefaultLimits();
    limits.connectMs = limits.receiveMs = limits.totalMs = timeoutSeconds * 1000;
    limits.maxBody = kMaxMasterListBytes;
    HttpResponse response;
    int result = HttpGet(url.c_str(), &limits, nullptr, nullptr, nullptr, &response);
    if (result != HttpOk) {
        char text[128];
        if (result == HttpErrStatus)
            std::snprintf(text, sizeof text, "HTTP status %d", response.status);
        else
            HttpResultText(result, response.status, &limits, text, sizeof text);
        *error = "master " + url + ": " + text;
        HttpResponseFree(&response);
        return false;
    }
    *hosts = ParseMasterList(reinterpret_cast<const char*>(response.body), response.size);
    HttpResponseFree(&response);
    return true;
}

bool QueryUdpMaster(const std::string& hostPort, long timeoutSeconds, std::vector<std::string>* hosts,
                    std::string* error, std::string* warning) {
    uint32_t ip = 0;
    uint16_t port = 0;
    if (!ResolveHostPort(hostPort, kUdpMasterPort, &ip, &port, error)) return false;
    SocketGuard guard{socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)};
    if (guard.s == kNoSocket || !SetNonBlocking(guard.s)) {
        *error = "cannot open a socket";
        return false;
    }
    sockaddr_in to = SocketAddress(ip, port);
    const std::string where = "UDP master " + AddressText(ip, port);
    static const char kQuery[] = "query\n";
    if (connect(guard.s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 ||
        send(guard.s, kQuery, sizeof kQuery - 1, kSendFlags) != static_cast<int>(sizeof kQuery - 1)) {
        *error = "cannot send the query to " + where;
        return false;
    }
    // One datagram; anything up to the largest UDP payload fits, so a reply
    // is never cut by the buffer.
    std::vector<char> reply(65536);
    auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        int ready = WaitUntil(guard.s, POLLIN, deadline);
        if (ready == 0) {
            *error = where + " did not answer within " + std::to_string(timeoutSeconds) + " s";
            return false;
        }
        int n = ready < 0 ? -1 : static_cast<int>(recv(guard.s, reply.data(), static_cast<int>(reply.size()), 0));
        if (n < 0 && ready > 0 && WouldBlock()) continue;
        if (n < 0) {
            *error = where + " cannot be reached";
            return false;
        }
        return ParseUdpMasterReply(reply.data(), static_cast<size_t>(n), hosts, error, warning);
    }
}

}  // namespace kvquery
