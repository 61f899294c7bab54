// libFuzzer target: any bytes as a UDP master's answer, cut into datagrams
// whose size the first byte picks. Every host kept is a server's address,
// the cut bytes are fewer than a record per datagram, and the text holds
// one line per host.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "net/httpget.h"
#include "net/udpmaster.h"
#include "serverlist/listformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    size_t piece = 12 + data[0];  // 12: the header alone
    ++data;
    --size;
    UdpMasterReply reply;
    UdpMasterReplyInit(&reply);
    int datagrams = 0;
    for (size_t at = 0; at < size; at += piece, ++datagrams) {
        size_t n = size - at < piece ? size - at : piece;
        // Each datagram in a block of its own, so a read past it is seen.
        unsigned char *copy = static_cast<unsigned char *>(malloc(n ? n : 1));
        if (!copy)
            break;
        memcpy(copy, data + at, n);
        if (UdpMasterFeed(&reply, copy, n) != HttpOk)
            abort();
        free(copy);
    }
    if (reply.lists + reply.others != datagrams || reply.cutBytes > 5 * static_cast<size_t>(datagrams))
        abort();
    for (size_t i = 0; i < reply.count; ++i)
        if (!IsServerHost(reply.hosts[i].ip, reply.hosts[i].port))
            abort();
    size_t textSize = 0;
    char *text = UdpMasterReplyText(&reply, &textSize);
    size_t lines = 0;
    for (size_t i = 0; i < textSize; ++i)
        lines += text[i] == '\n';
    if (lines != reply.count || (text && text[textSize] != '\0'))
        abort();
    free(text);
    UdpMasterReplyFree(&reply);
    return 0;
}
