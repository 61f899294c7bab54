// Server.dat and Delta.dat bytes, and address texts.
#include "serverlist/listformat.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#endif

const unsigned char ListFileHeader[ListFileHeaderSize] = {'k', 'v', 0};

namespace {

void PutLe16(unsigned char *p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

uint16_t GetLe16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool HasListFileHeader(const unsigned char *data, size_t size)
{
    return data && size >= ListFileHeaderSize && memcmp(data, ListFileHeader, ListFileHeaderSize) == 0;
}

size_t ReadServerRecord(const unsigned char *data, size_t size, ServerFileRecord *record)
{
    if (!data || size < ServerRecordHeadSize)
        return 0;
    const char *texts[3];
    size_t at = ServerRecordHeadSize;
    for (const char *&text : texts) {
        const void *nul = memchr(data + at, 0, size - at);
        if (!nul)
            return 0;
        text = reinterpret_cast<const char *>(data + at);
        at = static_cast<size_t>(static_cast<const unsigned char *>(nul) - data) + 1;
    }
    memcpy(&record->ip, data, 4);
    record->port = GetLe16(data + 4);
    record->ping = GetLe16(data + 6);
    record->flags = data[8];
    record->hostName = texts[0];
    record->serverName = texts[1];
    record->gameName = texts[2];
    return at;
}

void EncodeServerRecordHead(const ServerFileRecord *record, unsigned char head[ServerRecordHeadSize])
{
    memset(head, 0, ServerRecordHeadSize);
    memcpy(head, &record->ip, 4);  // network order as held
    PutLe16(head + 4, record->port);
    PutLe16(head + 6, record->ping);
    head[8] = record->flags;
}

size_t DeltaRecordCount(size_t size)
{
    return size / DeltaRecordSize;
}

DeltaRecord ReadDeltaRecord(const unsigned char *data)
{
    DeltaRecord record;
    record.kind = static_cast<char>(data[0]);
    memcpy(&record.ip, data + 4, 4);
    record.port = GetLe16(data + 8);
    return record;
}

void EncodeDeltaRecord(const DeltaRecord *record, unsigned char out[DeltaRecordSize])
{
    memset(out, 0, DeltaRecordSize);
    out[0] = static_cast<unsigned char>(record->kind);
    memcpy(out + 4, &record->ip, 4);
    PutLe16(out + 8, record->port);
}

int ParseHostAddress(const char *text, tagKvHOST *host)
{
    host->port = KV_DEFAULT_PORT;
    host->ip = 0;
    if (!text || !isdigit(static_cast<unsigned char>(text[0])))
        return 1;
    char address[64];
    const char *colon = strrchr(text, ':');
    size_t length = colon ? static_cast<size_t>(colon - text) : strlen(text);
    if (length >= sizeof address)
        return 1;
    memcpy(address, text, length);
    address[length] = '\0';
    if (colon) {
        char *stop = nullptr;
        long port = strtol(colon + 1, &stop, 10);
        if (stop == colon + 1 || port < 1 || port > 0xFFFF)
            return 1;
        host->port = static_cast<uint16_t>(port);
    }
    unsigned long ip = inet_addr(address);
    // inet_addr answers INADDR_NONE for a text that is no address; that
    // must not become the broadcast address 255.255.255.255.
    if (ip == INADDR_NONE && strcmp(address, "255.255.255.255") != 0)
        return 1;
    host->ip = static_cast<uint32_t>(ip);
    return 0;
}

namespace {

// Appends one record without texts to the block, growing it as needed.
bool AppendBareRecord(unsigned char **block, size_t *size, size_t *capacity, uint32_t ip, uint16_t port)
{
    const size_t recordSize = ServerRecordHeadSize + 3;
    if (*size + recordSize > *capacity) {
        size_t grown = *capacity * 2 + recordSize;
        unsigned char *bigger = static_cast<unsigned char *>(realloc(*block, grown));
        if (!bigger)
            return false;
        *block = bigger;
        *capacity = grown;
    }
    ServerFileRecord record = {ip, port, 0xFFFF, 0, "", "", ""};
    EncodeServerRecordHead(&record, *block + *size);
    memset(*block + *size + ServerRecordHeadSize, 0, 3);
    *size += recordSize;
    return true;
}

}  // namespace

unsigned char *BuildMasterServerFile(const char *master, size_t masterSize, const DeltaRecord *deltas,
                                     size_t deltaCount, size_t *size, size_t *masterServers)
{
    *size = 0;
    *masterServers = 0;
    size_t capacity = 4096;
    unsigned char *block = static_cast<unsigned char *>(malloc(capacity));
    if (!block)
        return nullptr;
    memcpy(block, ListFileHeader, ListFileHeaderSize);
    *size = ListFileHeaderSize;
    bool ok = true;
    for (size_t i = 0; ok && i < deltaCount; ++i) {
        if (deltas[i].kind == '+' && deltas[i].ip != 0)
            ok = AppendBareRecord(&block, size, &capacity, deltas[i].ip, deltas[i].port);
    }
    const char *end = master ? master + masterSize : nullptr;
    for (const char *p = master; ok && p && p < end;) {
        const char *lineEnd = p;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        char line[300];
        size_t length = static_cast<size_t>(lineEnd - p);
        bool fits = length < sizeof line;
        if (fits) {
            memcpy(line, p, length);
            line[length] = '\0';
        }
        p = lineEnd;
        while (p < end && (*p == '\r' || *p == '\n'))
            ++p;
        tagKvHOST host;
        if (!fits || ParseHostAddress(line, &host) != 0 || host.ip == 0)
            continue;  // no server line, or 0.0.0.0
        ++*masterServers;
        bool removed = false;
        for (size_t i = 0; i < deltaCount && !removed; ++i)
            removed = deltas[i].kind == '-' && deltas[i].ip == host.ip && deltas[i].port == host.port;
        if (!removed)
            ok = AppendBareRecord(&block, size, &capacity, host.ip, host.port);
    }
    if (!ok) {
        free(block);
        *size = 0;
        return nullptr;
    }
    return block;
}

bool ReadPastedHost(const char *line, const char *end, char *token, size_t size, const char **next)
{
    *next = nullptr;
    if (!token || size < 2 || !line || line >= end)
        return false;
    const char *cr = static_cast<const char *>(memchr(line, '\r', static_cast<size_t>(end - line)));
    const char *lineEnd = cr ? cr : end;
    const char *dot = static_cast<const char *>(memchr(line, '.', static_cast<size_t>(lineEnd - line)));
    if (!dot)
        return false;
    const char *start = dot;
    while (start > line && isalnum(static_cast<unsigned char>(start[-1])))
        --start;
    size_t n = 0;
    const char *p = start;
    while (p < lineEnd && n < size - 1 && (isalnum(static_cast<unsigned char>(*p)) || *p == '.'))
        token[n++] = *p++;
    token[n] = '\0';
    if (!memchr(token, '.', n))
        return false;
    if (p < lineEnd && *p == ':') {
        // The ':' stays, with the digits after it.
        if (n < size - 1)
            token[n++] = *p++;
        while (p < lineEnd && n < size - 1 && isdigit(static_cast<unsigned char>(*p)))
            token[n++] = *p++;
    } else if (p < lineEnd && *p == ' ') {
        while (p < lineEnd && isspace(static_cast<unsigned char>(*p)))
            ++p;
        if (p < lineEnd && isdigit(static_cast<unsigned char>(*p)) && n < size - 1) {
            token[n++] = ':';
            while (p < lineEnd && n < size - 1 && isdigit(static_cast<unsigned char>(*p)))
                token[n++] = *p++;
        }
    }
    token[n] = '\0';
    if (cr) {
        const char *after = cr + 1;
        if (after < end && *after == '\n')
            ++after;
        *next = after < end ? after : nullptr;
    }
    return true;
}
