// Shared by the Kv tests: fixtures, parsed records and temporary list files.
// Test programs that use sockets link net_environment.cpp beside it, which
// starts the socket layer for them.
#ifndef KV_TESTS_TEST_UTIL_H
#define KV_TESTS_TEST_UTIL_H

#include "kv/internal.h"

#include <stdio.h>
#include <string>

// The captured replies of real servers, in kv/tests/fixtures.
inline std::string ReadFixture(const char *name) {
#ifdef _WIN32
    std::string path = std::string("Z:") + KV_FIXTURE_DIR + "/" + name;
#else
    std::string path = std::string(KV_FIXTURE_DIR) + "/" + name;
#endif
    std::string data;
    if (FILE *f = fopen(path.c_str(), "rb")) {
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, n);
        fclose(f);
    }
    return data;
}

// A status reply as a server sends it: header, then the given text.
inline std::string Reply(const std::string &text) { return "\xFF\xFF\xFF\xFFprint\n" + text; }

// A record for 10.0.0.1, filled by parsing the datagram.
struct Parsed {
    tagQServer *server = nullptr;
    int result = 0;
    Parsed(const std::string &datagram, const char *fixups = nullptr) {
        KvServerAlloc(&server, 0x0100000A, KV_DEFAULT_PORT, nullptr, nullptr, nullptr,
                      KV_PING_UNKNOWN);
        result = KvParseStatusReply(server, datagram.data(), datagram.size(), fixups);
    }
    ~Parsed() { KvServerFree(server); }
    Parsed(const Parsed &) = delete;
    Parsed &operator=(const Parsed &) = delete;
};

// A name list from strings: each one terminated, the whole ended by an empty one.
inline std::string NameList(std::initializer_list<const char *> names) {
    std::string list;
    for (const char *n : names) list.append(n).push_back('\0');
    list.push_back('\0');
    return list;
}

#endif
