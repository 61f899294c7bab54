// The loopback HTTP server of the tests.
#include "httpsim.h"

#include <atomic>
#include <cstdio>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
void CloseSocket(Socket s) { closesocket(s); }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
using Socket = int;
const Socket kNoSocket = -1;
void CloseSocket(Socket s) { close(s); }
#endif

namespace httpsim {

struct Server {
    Socket listener = kNoSocket;
    uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptor;
    std::mutex lock;  // routes, counts, connections
    std::map<std::string, Response> routes;
    std::map<std::string, int> counts;
    int connections = 0;
    std::vector<std::thread> threads;
};

namespace {

const char *Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

// Sends in pieces of at most 64 KiB, each after the socket can take more,
// so that a client that stopped reading does not hold the server at Stop.
bool SendAll(Server *server, Socket s, const char *data, size_t size)
{
    while (size > 0) {
        if (server->stopping)
            return false;
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval wait = {0, 50000};
        int ready = select(static_cast<int>(s) + 1, nullptr, &writable, nullptr, &wait);
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        size_t piece = size < 65536 ? size : 65536;
#ifdef _WIN32
        u_long on = 1;
        ioctlsocket(s, FIONBIO, &on);
        int n = send(s, data, static_cast<int>(piece), 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
#else
        // A client that gives up must not end the test with SIGPIPE.
        int n = static_cast<int>(send(s, data, piece, MSG_NOSIGNAL | MSG_DONTWAIT));
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
#endif
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Waits ms milliseconds, or until the server stops (ms < 0: until then).
// False when the server stops.
bool Pause(Server *server, int ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!server->stopping) {
        if (ms >= 0 && std::chrono::steady_clock::now() >= end)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// The body as it goes on the wire: plain, or in chunks (5 bytes, 64 KiB for
// a body over 64 KiB) with an extension on the first.
std::string Encode(const Response &response, size_t size)
{
    std::string body;
    body.reserve(size);
    for (size_t i = 0; i < response.repeat && body.size() < size; ++i)
        body += response.body;
    body.resize(size < body.size() ? size : body.size());
    if (!response.chunked)
        return body;
    std::string wire;
    char head[32];
    size_t chunk = body.size() > 65536 ? 65536 : 5;
    for (size_t at = 0; at < body.size(); at += chunk) {
        size_t n = body.size() - at < chunk ? body.size() - at : chunk;
        if (at == 0)
            snprintf(head, sizeof head, "%lx;name=value\r\n", static_cast<unsigned long>(n));
        else
            snprintf(head, sizeof head, "%lX\r\n", static_cast<unsigned long>(n));
        wire += head + body.substr(at, n) + "\r\n";
    }
    return wire + "0\r\nX-Trailer: yes\r\n\r\n";
}

void Answer(Server *server, Socket s)
{
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<size_t>(n));
    }
    // "GET /path HTTP/1.1"
    size_t start = request.find(' ');
    size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    std::string path = end == std::string::npos ? "" : request.substr(start + 1, end - start - 1);
    Response response;
    response.status = 404;
    response.body = "<html><body>Not found</body></html>";
    response.contentType = "text/html";
    {
        std::lock_guard<std::mutex> guard(server->lock);
        server->counts[path]++;
        server->connections++;
        auto found = server->routes.find(path);
        if (found != server->routes.end())
            response = found->second;
    }
    size_t full = response.body.size() * response.repeat;
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) +
                       "\r\nContent-Type: " + response.contentType +
                       (response.chunked ? "\r\nTransfer-Encoding: chunked"
                                         : "\r\nContent-Length: " + std::to_string(full)) +
                       (response.location.empty() ? "" : "\r\nLocation: " + response.location) +
                       "\r\nConnection: close\r\n\r\n";
    if (response.hangBeforeAnswer)
        Pause(server, -1);
    else if (SendAll(server, s, head.data(), head.size())) {
        if (response.hangAfterHeaders)
            Pause(server, -1);
        else if (response.delayMs > 0)
            Pause(server, response.delayMs);
        std::string wire = Encode(response, response.cutAfter < full ? response.cutAfter : full);
        if (response.dripMs <= 0) {
            if (!server->stopping)
                SendAll(server, s, wire.data(), wire.size());
        } else {
            for (size_t i = 0; i < wire.size() && SendAll(server, s, wire.data() + i, 1); ++i)
                if (!Pause(server, response.dripMs))
                    break;
        }
    }
#ifdef _WIN32
    shutdown(s, SD_SEND);
#else
    shutdown(s, SHUT_WR);
#endif
    CloseSocket(s);
}

void AcceptLoop(Server *server)
{
    while (!server->stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(server->listener, &readable);
        timeval wait = {0, 50000};
        if (select(static_cast<int>(server->listener) + 1, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        Socket s = accept(server->listener, nullptr, nullptr);
        if (s == kNoSocket)
            continue;
        std::lock_guard<std::mutex> guard(server->lock);
        server->threads.emplace_back(Answer, server, s);
    }
}

}  // namespace

Server *Start(std::string *error)
{
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        if (error)
            *error = "WSAStartup failed";
        return nullptr;
    }
#endif
    Server *server = new Server;
    server->listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (server->listener == kNoSocket ||
        bind(server->listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(server->listener, 64) != 0 ||
        getsockname(server->listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (error)
            *error = "cannot listen on 127.0.0.1";
        if (server->listener != kNoSocket)
            CloseSocket(server->listener);
        delete server;
        return nullptr;
    }
    server->port = ntohs(address.sin_port);
    server->acceptor = std::thread(AcceptLoop, server);
    return server;
}

uint16_t Port(const Server *server)
{
    return server ? server->port : 0;
}

std::string Url(const Server *server, const std::string &path)
{
    return "http://127.0.0.1:" + std::to_string(Port(server)) + path;
}

void Serve(Server *server, const std::string &path, const Response &response)
{
    std::lock_guard<std::mutex> guard(server->lock);
    server->routes[path] = response;
}

Response Redirect(const std::string &location)
{
    Response r;
    r.status = 302;
    r.location = location;
    return r;
}

int Connections(const Server *server)
{
    std::lock_guard<std::mutex> guard(const_cast<Server *>(server)->lock);
    return server->connections;
}

int RequestCount(const Server *server, const std::string &path)
{
    std::lock_guard<std::mutex> guard(const_cast<Server *>(server)->lock);
    auto found = server->counts.find(path);
    return found == server->counts.end() ? 0 : found->second;
}

void Stop(Server *server)
{
    if (!server)
        return;
    server->stopping = true;
    server->acceptor.join();
    CloseSocket(server->listener);
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(server->lock);
        threads.swap(server->threads);
    }
    for (std::thread &t : threads)
        t.join();
    delete server;
#ifdef _WIN32
    WSACleanup();
#endif
}

}  // namespace httpsim
