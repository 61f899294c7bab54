// The Kv library's platform seam: sockets, name lookups, the clock, the
// beep and the executable's folder. platform.cpp has the Winsock and the
// BSD-sockets versions side by side; nothing else in the library includes
// a system header that differs between Windows and Linux.
#ifndef KV_PLATFORM_H
#define KV_PLATFORM_H

#include <stddef.h>
#include <stdio.h>
#include <stdint.h>

typedef intptr_t KvSocket;
const KvSocket kKvNoSocket = -1;

// Starts and stops the socket layer (Winsock 2.2 on Windows; nothing to do
// on Linux). The DLL does this on load and unload.
bool PlatformNetStartup();
void PlatformNetCleanup();

// A UDP socket of the IPv4 family, or kKvNoSocket.
KvSocket PlatformUdpOpen();
// Fixes the peer of the datagram socket. ipNet is in network byte order.
bool PlatformConnect(KvSocket s, uint32_t ipNet, uint16_t port);
bool PlatformSend(KvSocket s, const void *data, int size);
// 1 when readable, 0 when the wait ran out, -1 on error. A negative wait
// counts as no wait at all.
int PlatformWaitReadable(KvSocket s, long seconds);
// Bytes received, or -1 (this includes "port unreachable" answers).
int PlatformReceive(KvSocket s, char *buffer, int size);
void PlatformClose(KvSocket s);

// Milliseconds from a monotonic clock (never jumps with the wall clock).
uint64_t PlatformMilliseconds();
// The default system beep.
void PlatformBeep();

// Forward lookup of a host name or dotted address; first IPv4 address in
// network byte order. False when nothing is found.
bool PlatformResolve(const char *host, uint32_t *ipNet);
// Reverse lookup; the text lives in the calling thread's own storage until
// its next lookup. Null when nothing is found.
char *PlatformReverseName(uint32_t ipNet);

// The running executable's full path, cut after its last path separator,
// into buffer (at most size bytes with the terminator). Returns the length,
// or 0 when the path cannot be had, does not fit or has no separator.
size_t PlatformExecutableFolder(char *buffer, size_t size);

// Opens fileName, a bare name in 8-bit characters, in the running
// executable's folder for reading text. On Windows the folder is taken in
// wide characters (it may hold letters the ANSI code page lacks) and the
// name is read in the ANSI code page, as the 8-bit file functions read it;
// a name holding a path separator, or bytes the code page does not map,
// opens nothing. Null when the file cannot be opened.
FILE *PlatformOpenBesideExecutable(const char *fileName);

// Test seam: when set, the status exchange receives through this function
// instead of the socket (tests use it for replies IPv4 cannot carry).
typedef int (*KvReceiveFn)(KvSocket s, char *buffer, int size);
extern KvReceiveFn kvReceiveOverride;

#endif
