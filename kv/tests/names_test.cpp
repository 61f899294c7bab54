// Host names, name-list files beside the executable, and error texts.
#include "kv/platform.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>

namespace {

uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    unsigned char octets[4] = {(unsigned char)a, (unsigned char)b, (unsigned char)c, (unsigned char)d};
    uint32_t ip;
    memcpy(&ip, octets, 4);
    return ip;
}

TEST(HostIP, AddressesAndPorts) {
    tagKvHOST host = {0, 0};
    char text[] = "10.1.2.3:27911";
    EXPECT_EQ(KvGetHostIP(&host, text), 0);
    EXPECT_EQ(host.ip, Ip(10, 1, 2, 3));
    EXPECT_EQ(host.port, 27911);
    EXPECT_STREQ(text, "10.1.2.3:27911");

    EXPECT_EQ(KvGetHostIP(&host, (char *)"10.1.2.4"), 0);
    EXPECT_EQ(host.ip, Ip(10, 1, 2, 4));
    EXPECT_EQ(host.port, 27910);

    EXPECT_EQ(KvGetHostIP(&host, (char *)"10.1.2.5:"), 0);
    EXPECT_EQ(host.port, 0);
    EXPECT_EQ(KvGetHostIP(&host, (char *)"10.1.2.5:12ab"), 0);
    EXPECT_EQ(host.port, 12);
}

TEST(HostIP, FailuresLeaveTheAddress) {
    tagKvHOST host = {Ip(1, 2, 3, 4), 0};
    EXPECT_EQ(KvGetHostIP(&host, (char *)"no-such-host.invalid"), 1);
    EXPECT_EQ(host.ip, Ip(1, 2, 3, 4));
    EXPECT_EQ(host.port, 27910);
    // A port no UDP port can have, and an empty host, are refused.
    EXPECT_EQ(KvGetHostIP(&host, (char *)"10.0.0.1:99999"), 1);
    EXPECT_EQ(KvGetHostIP(&host, (char *)"10.0.0.1:-5"), 1);
    EXPECT_EQ(KvGetHostIP(&host, (char *)":27911"), 1);
    EXPECT_EQ(KvGetHostIP(&host, (char *)""), 1);
    EXPECT_EQ(host.ip, Ip(1, 2, 3, 4));
    EXPECT_EQ(KvGetHostIP(nullptr, (char *)"10.0.0.1"), 1);
    EXPECT_EQ(KvGetHostIP(&host, nullptr), 1);
}

TEST(HostIP, NamesBothWays) {
    EXPECT_EQ(KvServerQueryHostName(nullptr), nullptr);
    // The loopback address has a name wherever the hosts file gives one
    // (every machine this runs on; a bare chroot may have none).
    tagQServer *s = nullptr;
    KvServerAlloc(&s, Ip(127, 0, 0, 1), 27910, nullptr, nullptr, nullptr, 0);
    const char *found = KvServerQueryHostName(s);
    std::string name = found ? found : "";
    KvServerFree(s);
    if (name.empty()) GTEST_SKIP() << "127.0.0.1 has no name on this machine";
    // The name leads back to the address, with a port when it has one.
    tagKvHOST host = {0, 0};
    std::string text = name + ":27999";
    ASSERT_EQ(KvGetHostIP(&host, &text[0]), 0) << text;
    EXPECT_EQ(host.ip, Ip(127, 0, 0, 1)) << name;
    EXPECT_EQ(host.port, 27999);
    EXPECT_EQ(text, name + ":27999");
}

// A list file beside the test program, removed again at the end.
struct ListFile {
    std::string name;
    std::string path;
    ListFile(const char *tag, const std::string &content) {
        char folder[1024];
        size_t n = PlatformExecutableFolder(folder, sizeof folder);
        name = std::string("kvtest-") + tag + ".txt";
        path = std::string(folder, n) + name;
        FILE *f = fopen(path.c_str(), "wb");
        if (f) {
            fwrite(content.data(), 1, content.size(), f);
            fclose(f);
        }
    }
    ~ListFile() { remove(path.c_str()); }
};

std::string LoadList(const char *name, int *result) {
    char *list = (char *)0x1;
    *result = KvListLoadAlloc(&list, (char *)name);
    if (!list) return "<null>";
    std::string content;
    for (const char *s = list; *s; s += strlen(s) + 1) content.append(s).push_back('|');
    KvListFree(list);
    return content;
}

TEST(ListFiles, OneStringPerNonEmptyLine) {
    int result;
    ListFile crlf("crlf", "a\r\n\r\nb\r\n");
    EXPECT_EQ(LoadList(crlf.name.c_str(), &result), "a|b|");
    EXPECT_EQ(result, 0);

    ListFile spaces("spaces", "  q2dm1|The Edge \t\n\n\nbase1|Outer Base");
    EXPECT_EQ(LoadList(spaces.name.c_str(), &result), "  q2dm1|The Edge \t|base1|Outer Base|");
    EXPECT_EQ(result, 0);

    ListFile empty("empty", "");
    EXPECT_EQ(LoadList(empty.name.c_str(), &result), "");
    EXPECT_EQ(result, 0);
}

TEST(ListFiles, LastLineWithoutLineFeedStillEndsTheList) {
    // The smallest files: a block of length+1 would have no room for the
    // list's ending, and readers would run past it.
    int result;
    ListFile one("one", "x");
    EXPECT_EQ(LoadList(one.name.c_str(), &result), "x|");
    ListFile two("two", "x\ny");
    EXPECT_EQ(LoadList(two.name.c_str(), &result), "x|y|");
    ListFile blank("blank", "\n\r\n\n");
    EXPECT_EQ(LoadList(blank.name.c_str(), &result), "");
    std::string binary("a\0b\nc\n", 6);
    ListFile zeros("zeros", binary);
    EXPECT_EQ(LoadList(zeros.name.c_str(), &result), "a|c|");
}

TEST(ListFiles, Failures) {
    int result;
    EXPECT_EQ(LoadList("kvtest-missing.txt", &result), "<null>");
    EXPECT_EQ(result, KV_ERR_OPEN);
    EXPECT_EQ(LoadList("", &result), "<null>");
    EXPECT_EQ(result, KV_ERR_ARGUMENT);
    EXPECT_EQ(LoadList(nullptr, &result), "<null>");
    EXPECT_EQ(result, KV_ERR_ARGUMENT);
    EXPECT_EQ(KvListLoadAlloc(nullptr, (char *)"x"), KV_ERR_ARGUMENT);
    EXPECT_EQ(KvListFree(nullptr), KV_ERR_ARGUMENT);
}

TEST(ErrorStrings, TextsAndSizes) {
    char buffer[64];
    EXPECT_STREQ(KvGetErrorString(buffer, sizeof buffer, -8), "Server timed out");
    EXPECT_STREQ(KvGetErrorString(buffer, sizeof buffer, -2), "No response");
    EXPECT_STREQ(KvGetErrorString(buffer, sizeof buffer, -10), "Not a Quake2 server");
    EXPECT_STREQ(KvGetErrorString(buffer, sizeof buffer, -7), "Error on receiving from socket");
    EXPECT_STREQ(KvGetErrorString(buffer, sizeof buffer, -15), "Unknown or internal error");
    EXPECT_STREQ(KvGetErrorString(buffer, sizeof buffer, 0), "Unknown or internal error");
    EXPECT_STREQ(KvGetErrorString(buffer, 7, -8), "Server");
    buffer[0] = 'x';
    EXPECT_EQ(KvGetErrorString(buffer, 0, -8), buffer);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(KvGetErrorString(nullptr, 10, -8), nullptr);
}

}  // namespace
