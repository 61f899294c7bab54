// Server records: creation, release and the status exchange.
#include "kv/internal.h"
#include "kv/platform.h"

#include <stdlib.h>
#include <string.h>

// The status query: four 0xFF bytes, "status" and a line feed; no zero.
static const char kStatusQuery[11] = {'\xFF', '\xFF', '\xFF', '\xFF', 's', 't',
                                      'a',    't',    'u',    's',    '\n'};

extern "C" int KvServerAlloc(tagQServer **out, unsigned long hostIP, unsigned short hostPort,
                             char *hostText, char *serverName, char *gameName,
                             unsigned short ping) {
    if (!out || hostIP == 0) return KV_ERR_ARGUMENT;
    tagQServer *server = (tagQServer *)calloc(1, sizeof(tagQServer));
    *out = server;
    if (!server) return KV_ERR_MEMORY;
    server->hostPort = hostPort;
    server->hostIP = (uint32_t)hostIP;
    server->ping = ping;
    server->numberPlayers = KV_PLAYERS_UNKNOWN;

    bool ok = true;
    if (hostText && *hostText) {
        // "host:27910" is kept as "host": the default port goes without saying.
        size_t size = strlen(hostText);
        const char *colon = strchr(hostText, ':');
        int port;
        if (colon && KvReadInt(colon + 1, hostText + size, &port, nullptr) &&
            port == KV_DEFAULT_PORT)
            size = (size_t)(colon - hostText);
        ok = (server->hostName = KvCopyText(hostText, size)) != nullptr;
    }
    if (ok && serverName && *serverName)
        ok = (server->serverName = KvCopyString(serverName)) != nullptr;
    if (ok && gameName && *gameName)
        ok = (server->gameName = KvCopyString(gameName)) != nullptr;
    if (!ok) {
        KvServerFree(server);
        *out = nullptr;
        return KV_ERR_MEMORY;
    }
    return KV_OK;
}

extern "C" int KvServerFreePlayers(tagQServer *server) {
    if (!server) return KV_ERR_ARGUMENT;
    tagPlayer *player = server->firstPlayer;
    while (player) {
        tagPlayer *next = player->next;
        free(player->name);
        free(player);
        player = next;
    }
    server->firstPlayer = nullptr;
    server->numberPlayers = KV_PLAYERS_UNKNOWN;
    return KV_OK;
}

extern "C" int KvServerFreeRules(tagQServer *server) {
    if (!server) return KV_ERR_ARGUMENT;
    tagRule *rule = server->firstRule;
    while (rule) {
        tagRule *next = rule->next;
        free(rule->name);
        free(rule->value);
        free(rule);
        rule = next;
    }
    server->firstRule = nullptr;
    server->numberRules = 0;
    return KV_OK;
}

extern "C" int KvServerFree(tagQServer *server) {
    if (!server) return KV_ERR_ARGUMENT;
    free(server->hostName);
    free(server->serverName);
    free(server->gameName);
    KvServerFreePlayers(server);
    KvServerFreeRules(server);
    memset(server, 0, sizeof *server);
    free(server);
    return KV_OK;
}

// Sends the query on the connected socket, waits for one datagram and
// parses it. Stores the round trip in the record on success.
static int ExchangeStatus(tagQServer *server, KvSocket s, const char *fixupNames, long timeout) {
    char *buffer = (char *)malloc(kKvReceiveBufferSize);
    if (!buffer) return KV_ERR_MEMORY;

    int result;
    uint64_t sent = PlatformMilliseconds();
    if (!PlatformSend(s, kStatusQuery, sizeof kStatusQuery)) {
        result = KV_ERR_SEND;
    } else {
        int ready = PlatformWaitReadable(s, timeout);
        int size = ready > 0 ? PlatformReceive(s, buffer, kKvReceiveBufferSize) : 0;
        uint64_t received = PlatformMilliseconds();
        if (ready < 0 || size < 0) {
            result = KV_ERR_RECEIVE;
        } else if (ready == 0) {
            result = KV_ERR_TIMEOUT;
        } else if (size >= kKvReceiveBufferSize) {
            // The reply may have been cut: refuse it rather than show half.
            PlatformBeep();
            result = KV_ERR_REPLY_TOO_BIG;
        } else {
            result = KvParseStatusReply(server, buffer, (size_t)size, fixupNames);
            if (result == KV_OK) {
                // 0xFFFF means "unknown": a longer round trip shows as 0xFFFE.
                uint64_t elapsed = received - sent;
                server->ping = (uint16_t)(elapsed < 0xFFFF ? elapsed : 0xFFFE);
            }
        }
    }
    free(buffer);
    return result;
}

extern "C" int KvServerRefresh(tagQServer *server, char *fixupNames, long timeout,
                               int noHostNames) {
    if (!server) return KV_ERR_ARGUMENT;
    server->ping = KV_PING_UNKNOWN;
    KvServerFreePlayers(server);
    KvServerFreeRules(server);
    if (server->hostIP == 0) {
        server->errorCode = KV_ERR_ARGUMENT;
        return KV_ERR_ARGUMENT;
    }

    // A missing name, or a dotted address, gives way to the reverse lookup.
    if (!noHostNames && (!server->hostName || (server->hostName[0] >= '0' &&
                                               server->hostName[0] <= '9'))) {
        char *name = KvServerQueryHostName(server);
        free(server->hostName);
        server->hostName = name ? KvCopyString(name) : nullptr;
    }

    int result;
    KvSocket s = PlatformUdpOpen();
    if (s == kKvNoSocket) {
        result = KV_ERR_SOCKET;
    } else {
        if (!PlatformConnect(s, server->hostIP, server->hostPort))
            result = KV_ERR_CONNECT;
        else
            result = ExchangeStatus(server, s, fixupNames, timeout);
        PlatformClose(s);
    }
    server->errorCode = result;
    return result;
}
