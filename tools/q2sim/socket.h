// The few socket calls the simulator needs, for Winsock and BSD sockets.
#ifndef Q2SIM_SOCKET_H
#define Q2SIM_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#endif

namespace q2sim {

#ifdef _WIN32
using Socket = SOCKET;
using PollFd = WSAPOLLFD;
constexpr Socket kNoSocket = INVALID_SOCKET;
constexpr short kPollIn = POLLRDNORM;
#else
using Socket = int;
using PollFd = pollfd;
constexpr Socket kNoSocket = -1;
constexpr short kPollIn = POLLIN;
#endif

// Process-wide set-up (WSAStartup, a 1 ms timer period on Windows; a higher
// open-file limit for `sockets` descriptors elsewhere). Each successful
// NetStartup is paired with one NetCleanup.
bool NetStartup(size_t sockets);
void NetCleanup();

// A non-blocking UDP socket bound to 127.0.0.1:port (0: any free port).
// kNoSocket on failure, with the reason in *error.
Socket OpenUdp(uint16_t port, std::string* error);
void CloseSocket(Socket s);
uint16_t LocalPort(Socket s);

// poll() over the set; a negative timeout waits without end. The count of
// ready sockets, 0 on timeout, -1 on failure (an interrupted wait counts as
// 0). Linux waits to the microsecond; Windows rounds up to milliseconds.
int PollSockets(PollFd* fds, size_t count, long long timeoutUs);

enum class IoResult { Done, WouldBlock, Failed };

// One datagram into buf (cut to size); *got is its length, or size when it
// was longer. Errors a UDP socket reports for earlier sends (port
// unreachable) come back as Failed; the caller just reads on.
IoResult ReceiveFrom(Socket s, char* buf, size_t size, size_t* got, sockaddr_in* from);
IoResult SendTo(Socket s, const char* data, size_t size, const sockaddr_in& to);

// The address 127.0.0.1:port.
sockaddr_in Loopback(uint16_t port);

}  // namespace q2sim

#endif  // Q2SIM_SOCKET_H
