// Server.dat and Delta.dat bytes, and address texts.
#include "serverlist/listformat.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <unordered_set>

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

bool IsServerHost(uint32_t ip, uint16_t port)
{
    return ip != 0 && ip != 0xFFFFFFFFu && port != 0;
}

void FormatHostAddress(uint32_t ip, uint16_t port, char *text, size_t size)
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(&ip);
    snprintf(text, size, "%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], static_cast<unsigned>(port));
}

namespace {

bool IsDecimal(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseDottedQuad(const char *text, size_t length, uint32_t *ip)
{
    if (!text)
        return false;
    const char *p = text, *end = text + length;
    unsigned char parts[4];
    for (unsigned char &part : parts) {
        if (&part != parts) {
            if (p == end || *p != '.')
                return false;
            ++p;
        }
        const char *digits = p;
        unsigned value = 0;
        while (p < end && p - digits < 3 && IsDecimal(*p))
            value = value * 10 + static_cast<unsigned>(*p++ - '0');
        // "010" would be octal 8 to inet_addr: a leading zero is refused.
        if (p == digits || value > 255 || (p - digits > 1 && *digits == '0'))
            return false;
        part = static_cast<unsigned char>(value);
    }
    if (p != end)
        return false;
    memcpy(ip, parts, 4);  // first part first: network order
    return true;
}

int ReadHostPort(const char *text, size_t length, size_t *hostLength, uint16_t *port)
{
    *port = KV_DEFAULT_PORT;
    *hostLength = length;
    size_t colon = length;
    while (colon > 0 && text[colon - 1] != ':')
        --colon;
    if (colon == 0)
        return HostTextOk;
    *hostLength = colon - 1;
    size_t digits = length - colon;
    if (digits == 0 || digits > 5)
        return HostTextBadPort;
    unsigned long value = 0;
    for (size_t i = colon; i < length; ++i) {
        if (!IsDecimal(text[i]))
            return HostTextBadPort;
        value = value * 10 + static_cast<unsigned long>(text[i] - '0');
    }
    if (value < 1 || value > 0xFFFF)
        return HostTextBadPort;
    *port = static_cast<uint16_t>(value);
    return HostTextOk;
}

int ParseHostAddress(const char *text, size_t length, tagKvHOST *host)
{
    host->port = KV_DEFAULT_PORT;
    host->ip = 0;
    if (!text || length == 0 || !IsDecimal(text[0]))
        return HostTextNoAddress;
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t'))
        --length;
    size_t addressLength;
    uint16_t port;
    if (ReadHostPort(text, length, &addressLength, &port) != HostTextOk)
        return HostTextBadPort;
    uint32_t ip;
    if (!ParseDottedQuad(text, addressLength, &ip) || !IsServerHost(ip, port))
        return HostTextNoAddress;
    host->ip = ip;
    host->port = port;
    return HostTextOk;
}

int ParseHostAddress(const char *text, tagKvHOST *host)
{
    return ParseHostAddress(text, text ? strlen(text) : 0, host);
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
    // A server named again (by the journal and the master, or twice by
    // the master) is written at its first place only.
    std::unordered_set<uint64_t> written;
    auto append = [&](uint32_t ip, uint16_t port) {
        if (!written.insert(static_cast<uint64_t>(ip) << 16 | port).second)
            return true;
        return AppendBareRecord(&block, size, &capacity, ip, port);
    };
    bool ok = true;
    for (size_t i = 0; ok && i < deltaCount; ++i) {
        // The journal is a file like any other: a record that names no
        // server (0.0.0.0, the broadcast address, port 0) is no server.
        if (deltas[i].kind == '+' && IsServerHost(deltas[i].ip, deltas[i].port))
            ok = append(deltas[i].ip, deltas[i].port);
    }
    const char *end = master ? master + masterSize : nullptr;
    for (const char *p = master; ok && p && p < end;) {
        const char *lineEnd = p;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        tagKvHOST host;
        int parsed = ParseHostAddress(p, static_cast<size_t>(lineEnd - p), &host);
        p = lineEnd;
        while (p < end && (*p == '\r' || *p == '\n'))
            ++p;
        if (parsed != HostTextOk)
            continue;  // no server line
        ++*masterServers;
        bool removed = false;
        for (size_t i = 0; i < deltaCount && !removed; ++i)
            removed = deltas[i].kind == '-' && deltas[i].ip == host.ip && deltas[i].port == host.port;
        if (!removed)
            ok = append(host.ip, host.port);
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
