#include "kv/platform.h"

#include <string.h>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#endif

KvReceiveFn kvReceiveOverride = nullptr;

static sockaddr_in MakeAddress(uint32_t ipNet, uint16_t port) {
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = ipNet;
    return address;
}

#if defined(_WIN32)

bool PlatformNetStartup() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        WSACleanup();
        return false;
    }
    return true;
}

void PlatformNetCleanup() { WSACleanup(); }

KvSocket PlatformUdpOpen() {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return s == INVALID_SOCKET ? kKvNoSocket : (KvSocket)s;
}

bool PlatformConnect(KvSocket s, uint32_t ipNet, uint16_t port) {
    sockaddr_in address = MakeAddress(ipNet, port);
    return connect((SOCKET)s, (sockaddr *)&address, sizeof address) == 0;
}

bool PlatformSend(KvSocket s, const void *data, int size) {
    return send((SOCKET)s, (const char *)data, size, 0) == size;
}

int PlatformWaitReadable(KvSocket s, long seconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET((SOCKET)s, &readable);
    // The same longest wait as on Linux (about 24 days): larger values may
    // make select fail instead of waiting.
    timeval wait;
    wait.tv_sec = seconds < 0 ? 0 : (seconds > 2147483 ? 2147483 : seconds);
    wait.tv_usec = 0;
    int n = select(0, &readable, nullptr, nullptr, &wait);
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

int PlatformReceive(KvSocket s, char *buffer, int size) {
    if (kvReceiveOverride) return kvReceiveOverride(s, buffer, size);
    int n = recv((SOCKET)s, buffer, size, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

void PlatformClose(KvSocket s) { closesocket((SOCKET)s); }

uint64_t PlatformMilliseconds() {
    // The performance counter, not the tick count: the tick count moves in
    // steps of 10 to 16 ms on Windows, far too coarse for a ping.
    static const uint64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return (uint64_t)f.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t ticks = (uint64_t)now.QuadPart;
    return ticks / frequency * 1000u + ticks % frequency * 1000u / frequency;
}

void PlatformBeep() { MessageBeep(0); }

bool PlatformResolve(const char *host, uint32_t *ipNet) {
    // Winsock keeps the result in per-thread storage: safe on any thread.
    hostent *entry = gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list ||
        !entry->h_addr_list[0])
        return false;
    memcpy(ipNet, entry->h_addr_list[0], 4);
    return true;
}

char *PlatformReverseName(uint32_t ipNet) {
    hostent *entry = gethostbyaddr((const char *)&ipNet, 4, AF_INET);
    return entry ? entry->h_name : nullptr;
}

size_t PlatformExecutableFolder(char *buffer, size_t size) {
    if (size < 2) return 0;
    DWORD n = GetModuleFileNameA(nullptr, buffer, (DWORD)size);
    if (n == 0 || n >= size) return 0;  // failed, or cut short
    char *slash = strrchr(buffer, '\\');
    if (!slash) return 0;
    slash[1] = '\0';
    return (size_t)(slash + 1 - buffer);
}

FILE *PlatformOpenBesideExecutable(const char *fileName) {
    if (!fileName || !*fileName || strpbrk(fileName, "\\/:")) return nullptr;
    wchar_t path[1024];
    DWORD n = GetModuleFileNameW(nullptr, path, 1024);
    if (n == 0 || n >= 1024) return nullptr;  // failed, or cut short
    wchar_t *slash = wcsrchr(path, L'\\');
    if (!slash) return nullptr;
    ++slash;
    int room = (int)(path + 1024 - slash);
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, fileName, -1, slash, room) == 0) return nullptr;
    return _wfopen(path, L"r");
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return PlatformNetStartup() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        PlatformNetCleanup();
        break;
    }
    return TRUE;
}

#else  // Linux and other POSIX systems

bool PlatformNetStartup() { return true; }

void PlatformNetCleanup() {}

KvSocket PlatformUdpOpen() {
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    return s < 0 ? kKvNoSocket : (KvSocket)s;
}

bool PlatformConnect(KvSocket s, uint32_t ipNet, uint16_t port) {
    sockaddr_in address = MakeAddress(ipNet, port);
    return connect((int)s, (sockaddr *)&address, sizeof address) == 0;
}

bool PlatformSend(KvSocket s, const void *data, int size) {
    return send((int)s, data, (size_t)size, MSG_NOSIGNAL) == size;
}

int PlatformWaitReadable(KvSocket s, long seconds) {
    // poll, not select: a busy process may hold descriptors past FD_SETSIZE.
    long long ms = seconds < 0 ? 0 : (seconds > 2147483 ? 2147483 : seconds) * 1000LL;
    pollfd entry;
    entry.fd = (int)s;
    entry.events = POLLIN;
    entry.revents = 0;
    for (;;) {
        int n = poll(&entry, 1, (int)ms);
        if (n < 0 && errno == EINTR) continue;
        // An error on the socket (port unreachable) also ends the wait: the
        // receive then reports it.
        return n < 0 ? -1 : (n > 0 ? 1 : 0);
    }
}

int PlatformReceive(KvSocket s, char *buffer, int size) {
    if (kvReceiveOverride) return kvReceiveOverride(s, buffer, size);
    ssize_t n;
    do {
        n = recv((int)s, buffer, (size_t)size, 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : (int)n;
}

void PlatformClose(KvSocket s) { close((int)s); }

uint64_t PlatformMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

void PlatformBeep() {}

bool PlatformResolve(const char *host, uint32_t *ipNet) {
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *result = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return false;
    bool found = false;
    for (addrinfo *a = result; a && !found; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            *ipNet = ((sockaddr_in *)a->ai_addr)->sin_addr.s_addr;
            found = true;
        }
    }
    freeaddrinfo(result);
    return found;
}

char *PlatformReverseName(uint32_t ipNet) {
    // Per-thread storage, as Winsock keeps it.
    static thread_local char name[NI_MAXHOST];
    sockaddr_in address = MakeAddress(ipNet, 0);
    if (getnameinfo((sockaddr *)&address, sizeof address, name, sizeof name, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return nullptr;
    return name;
}

size_t PlatformExecutableFolder(char *buffer, size_t size) {
    if (size < 2) return 0;
    ssize_t n = readlink("/proc/self/exe", buffer, size);
    if (n <= 0 || (size_t)n >= size) return 0;
    buffer[n] = '\0';
    char *slash = strrchr(buffer, '/');
    if (!slash) return 0;
    slash[1] = '\0';
    return (size_t)(slash + 1 - buffer);
}

FILE *PlatformOpenBesideExecutable(const char *fileName) {
    if (!fileName || !*fileName || strchr(fileName, '/')) return nullptr;
    char path[1024];
    size_t folder = PlatformExecutableFolder(path, sizeof path);
    if (folder == 0 || folder + strlen(fileName) >= sizeof path) return nullptr;
    strcpy(path + folder, fileName);
    return fopen(path, "r");
}

#endif
