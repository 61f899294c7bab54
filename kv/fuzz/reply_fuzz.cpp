// libFuzzer target: status replies, and templates expanded over what they
// parsed into. The input is a template, a zero byte, then the datagram.
#include "kv/internal.h"

#include <stdint.h>
#include <string.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *text = (const char *)data;
    const char *split = (const char *)memchr(text, '\0', size);
    std::string templ = split ? std::string(text, (size_t)(split - text)) : std::string();
    const char *datagram = split ? split + 1 : text;
    size_t datagramSize = split ? size - (size_t)(datagram - text) : size;

    static const char kFixups[] = "Brakkon\0Al\0X\0";
    static const char kLevels[] = "q2dm1|The Edge\0q2|Any\0|Empty key\0";
    tagQServer *server = nullptr;
    if (KvServerAlloc(&server, 0x0100007F, 27910, (char *)"host", nullptr, nullptr, 0xFFFF) != 0)
        return 0;
    // A copy of exactly the datagram's size, so any read past it is caught.
    char *copy = new char[datagramSize ? datagramSize : 1];
    memcpy(copy, datagram, datagramSize);
    server->errorCode = KvParseStatusReply(server, copy, datagramSize, kFixups);
    delete[] copy;

    char out[256];
    for (int flags : {0x0A, 0x4A, 0x1A, 0x02}) {
        for (tagPlayer *p = server->firstPlayer; ; p = p->next) {
            KvExpandParamLine(out, sizeof out, p, server, &templ[0], (char *)kLevels, flags);
            if (!p) break;
        }
    }
    KvExpandParamLine(out, 7, nullptr, server, &templ[0], (char *)kLevels, 0x0A);
    KvServerGetFullLevelName(server, out, sizeof out, (char *)kLevels);
    KvServerGetMaxClients(server);
    KvServerFree(server);
    return 0;
}
