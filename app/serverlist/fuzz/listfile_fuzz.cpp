// libFuzzer target: any bytes as Server.dat, as Delta.dat, as an address
// text, as pasted text and as a master list (with the bytes' own Delta.dat
// records replayed on it). Nothing may be read past the data (each reader
// gets an exactly-sized heap copy, so AddressSanitizer sees any overrun),
// and no reader may yield an address that names no server.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <vector>

#include "serverlist/listformat.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        abort();
}

void ReadServerFile(const unsigned char *data, size_t size)
{
    size_t at = ListFileHeaderSize;
    ServerFileRecord record;
    while (size_t taken = ReadServerRecord(data + at, size - at, &record)) {
        Check(taken <= size - at);
        // The texts are terminated inside the data.
        size_t lengths = strlen(record.hostName) + strlen(record.serverName) + strlen(record.gameName);
        Check(lengths + 3 + ServerRecordHeadSize == taken);
        at += taken;
    }
}

void ReadPaste(const char *text, size_t size)
{
    const char *end = text + size;
    char token[256];
    for (const char *line = text; line && ReadPastedHost(line, end, token, sizeof token, &line);) {
        Check(!line || (line > text && line <= end));
        Check(strlen(token) < sizeof token && strchr(token, '.'));
        tagKvHOST host;
        if (ParseHostAddress(token, &host) == HostTextOk)
            Check(IsServerHost(host.ip, host.port));
    }
}

// The master list with the journal replayed: every record a server, each
// once.
void BuildMaster(const char *master, size_t masterSize, const std::vector<DeltaRecord> &deltas)
{
    size_t size = 0, masterServers = 0;
    unsigned char *file =
        BuildMasterServerFile(master, masterSize, deltas.data(), deltas.size(), &size, &masterServers);
    if (!file)
        return;
    Check(HasListFileHeader(file, size));
    std::set<uint64_t> servers;
    size_t at = ListFileHeaderSize;
    ServerFileRecord record;
    while (size_t taken = ReadServerRecord(file + at, size - at, &record)) {
        Check(IsServerHost(record.ip, record.port) && record.ping == 0xFFFF && record.flags == 0);
        Check(servers.insert(static_cast<uint64_t>(record.ip) << 16 | record.port).second);
        at += taken;
    }
    Check(at == size && servers.size() <= deltas.size() + masterServers);
    free(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unsigned char *copy = static_cast<unsigned char *>(malloc(size ? size : 1));
    if (!copy)
        return 0;
    memcpy(copy, data, size);
    const char *text = reinterpret_cast<const char *>(copy);

    std::vector<DeltaRecord> deltas;
    if (HasListFileHeader(copy, size)) {
        ReadServerFile(copy, size);
        size_t records = DeltaRecordCount(size - ListFileHeaderSize);
        for (size_t i = 0; i < records; ++i)
            deltas.push_back(ReadDeltaRecord(copy + ListFileHeaderSize + i * DeltaRecordSize));
    }
    tagKvHOST host;
    if (ParseHostAddress(text, size, &host) == HostTextOk)
        Check(IsServerHost(host.ip, host.port));
    ReadPaste(text, size);
    BuildMaster(text, size, deltas);

    char *terminated = static_cast<char *>(malloc(size + 1));
    if (terminated) {
        memcpy(terminated, data, size);
        terminated[size] = '\0';
        if (ParseHostAddress(terminated, &host) == HostTextOk)
            Check(IsServerHost(host.ip, host.port));
        free(terminated);
    }
    free(copy);
    return 0;
}
