// Host names, name-list files and the texts of result codes.
#include "kv/internal.h"
#include "kv/platform.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" int KvGetHostIP(tagKvHOST *host, char *text) {
    if (!host || !text) return 1;
    host->port = KV_DEFAULT_PORT;
    // "host:port": the last colon separates the port. The host part is
    // copied, so the caller's text is never touched.
    const char *colon = strrchr(text, ':');
    size_t hostLength = colon ? (size_t)(colon - text) : strlen(text);
    if (colon) {
        int port = 0;
        KvReadInt(colon + 1, colon + 1 + strlen(colon + 1), &port, nullptr);
        // A port number no UDP port can have is refused, not wrapped around.
        if (port < 0 || port > 0xFFFF) return 1;
        host->port = (uint16_t)port;
    }
    // No host at all would resolve to this machine on Windows: refuse it.
    if (hostLength == 0) return 1;
    char *hostPart = KvCopyText(text, hostLength);
    if (!hostPart) return 1;
    uint32_t ip;
    bool found = PlatformResolve(hostPart, &ip);
    free(hostPart);
    if (!found) return 1;
    host->ip = ip;
    return 0;
}

extern "C" char *KvServerQueryHostName(tagQServer *server) {
    if (!server) return nullptr;
    return PlatformReverseName(server->hostIP);
}

extern "C" int KvListLoadAlloc(char **out, char *fileName) {
    if (!out) return KV_ERR_ARGUMENT;
    *out = nullptr;
    if (!fileName || !*fileName) return KV_ERR_ARGUMENT;

    // List files lie beside the running program, whatever folder is current.
    FILE *file = PlatformOpenBesideExecutable(fileName);
    if (!file) return KV_ERR_OPEN;
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0) length = ftell(file);
    if (length < 0 || fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return KV_ERR_READ;
    }
    // Text mode can only shrink the file, so length bytes hold every line
    // with its terminator; one more byte ends the list even when the last
    // line has no line feed.
    size_t capacity = (size_t)length + 2;
    char *block = (char *)calloc(capacity, 1);
    if (!block) {
        fclose(file);
        return KV_ERR_MEMORY;
    }
    *out = block;

    size_t at = 0;
    // One byte always stays free for the list's ending empty string.
    while (capacity - at > 2) {
        size_t room = capacity - at - 1;
        if (!fgets(block + at, room > 0x7FFFFFFF ? 0x7FFFFFFF : (int)room, file)) break;
        size_t n = strlen(block + at);
        while (n > 0 && (block[at + n - 1] == '\n' || block[at + n - 1] == '\r')) --n;
        block[at + n] = '\0';
        if (n > 0) at += n + 1;
    }
    // Whatever fgets left past the last string is cleared.
    memset(block + at, 0, capacity - at);
    int result = ferror(file) ? KV_ERR_READ : KV_OK;
    fclose(file);
    return result;
}

extern "C" int KvListFree(char *list) {
    if (!list) return KV_ERR_ARGUMENT;
    free(list);
    return KV_OK;
}

const char *KvErrorText(int code) {
    switch (code) {
    case -2:
    case -3: return "No response";
    case KV_ERR_SOCKET: return "Could not open socket";
    case KV_ERR_CONNECT: return "Could not connect";
    case KV_ERR_SEND: return "Error on sending to socket";
    case KV_ERR_RECEIVE: return "Error on receiving from socket";
    case KV_ERR_TIMEOUT: return "Server timed out";
    case KV_ERR_NOT_QUAKE2:
    case KV_ERR_PLAYER_LINE: return "Not a Quake2 server";
    case KV_ERR_MEMORY: return "Insufficient memory";
    }
    return "Unknown or internal error";
}

extern "C" char *KvGetErrorString(char *buffer, unsigned size, int code) {
    if (buffer && size > 0) snprintf(buffer, size, "%s", KvErrorText(code));
    return buffer;
}
