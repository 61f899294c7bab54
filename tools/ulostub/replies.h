// Building UloStub's replies in the byte layouts a Parlet client expects.
#ifndef ULOSTUB_REPLIES_H
#define ULOSTUB_REPLIES_H

#include <string>
#include <vector>

#include "stubconfig.h"

// Request codes the stand-in knows beyond the messenger's own.
enum {
    // Payload: text "CODE DATA" (DATA as for ParseStubData). Sends the
    // notification CODE to every subscriber that asked for it, while the
    // request is handled; the reply is the int32 number of windows sent to.
    StubControlNotify = 1000
};

// The reply to a request: its data (kind StubDataNone: no reply at all).
// ownerWindowField is what requests 7 and 9 are answered with.
StubData BuildReply(const StubConfig &config, int code, const unsigned char *payload,
                    unsigned length, unsigned ownerWindowField);

// Bytes as "01 02 ...", for the log.
std::string HexText(const unsigned char *bytes, size_t length);

#endif
