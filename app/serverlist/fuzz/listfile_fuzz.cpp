// libFuzzer target: any bytes as Server.dat, as Delta.dat and as an address
// text. Nothing may be read past the data (the data is an exactly-sized
// heap copy, so AddressSanitizer sees any overrun).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "serverlist/listformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unsigned char *copy = static_cast<unsigned char *>(malloc(size ? size : 1));
    if (!copy)
        return 0;
    memcpy(copy, data, size);

    if (HasListFileHeader(copy, size)) {
        size_t at = ListFileHeaderSize;
        ServerFileRecord record;
        while (size_t taken = ReadServerRecord(copy + at, size - at, &record)) {
            if (taken > size - at)
                abort();
            // The texts are terminated inside the data.
            size_t lengths = strlen(record.hostName) + strlen(record.serverName) + strlen(record.gameName);
            if (lengths + 3 + ServerRecordHeadSize != taken)
                abort();
            at += taken;
        }
        size_t records = DeltaRecordCount(size - ListFileHeaderSize);
        for (size_t i = 0; i < records; ++i)
            (void)ReadDeltaRecord(copy + ListFileHeaderSize + i * DeltaRecordSize);
    }

    char *text = static_cast<char *>(malloc(size + 1));
    if (text) {
        memcpy(text, data, size);
        text[size] = '\0';
        tagKvHOST host;
        if (ParseHostAddress(text, &host) == 0 && host.port == 0)
            abort();
        free(text);
    }
    free(copy);
    return 0;
}
