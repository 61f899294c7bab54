// libFuzzer target: any bytes as an HTTP response, fed in pieces whose
// size the first byte picks, and as a version file. Nothing may be read
// past the data, the body never exceeds its limit and is always
// NUL-terminated.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "net/httpget.h"
#include "net/version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    size_t piece = 1 + data[0] % 64;
    bool keepFirst = (data[0] & 0x40) != 0;
    size_t maxBody = (data[0] & 0x80) ? 64 : 1 << 20;
    ++data;
    --size;
    char *copy = static_cast<char *>(malloc(size + 1));
    if (!copy)
        return 0;
    memcpy(copy, data, size);

    HttpResponse r;
    HttpResponseInit(&r, maxBody, keepFirst);
    int result = HttpMore;
    for (size_t at = 0; at < size && result == HttpMore; at += piece)
        result = HttpResponseFeed(&r, copy + at, piece < size - at ? piece : size - at);
    if (result == HttpMore)
        result = HttpResponseEnd(&r);
    if (r.size > maxBody || (r.size > 0 && (!r.body || r.body[r.size] != '\0')))
        abort();
    if (result == HttpOk && !HttpHeadComplete(&r))
        abort();
    // The answer does not change once given.
    if (result != HttpMore && HttpResponseFeed(&r, "x", 1) != result)
        abort();
    HttpResponseFree(&r);

    // The version file: its first 512 bytes as a text.
    copy[size < 512 ? size : 512] = '\0';
    uint32_t version = ParseVersionText(copy);
    if (version != kNoVersion && (version & 0xFF) != 0)
        abort();
    free(copy);
    return 0;
}
