// The bytes of Server.dat and Delta.dat and the address texts, natively and
// on Windows: records round-trip, and a list cut anywhere yields exactly its
// whole records.
#include "serverlist/listformat.h"

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<unsigned char>;

void Append(Bytes *out, const ServerFileRecord &record)
{
    unsigned char head[ServerRecordHeadSize];
    EncodeServerRecordHead(&record, head);
    out->insert(out->end(), head, head + sizeof head);
    for (const char *text : {record.hostName, record.serverName, record.gameName})
        out->insert(out->end(), text, text + strlen(text) + 1);
}

// Every record of a list, as read; stops at the first partial one.
std::vector<std::string> ReadAll(const Bytes &list)
{
    std::vector<std::string> names;
    if (!HasListFileHeader(list.data(), list.size()))
        return names;
    size_t at = ListFileHeaderSize;
    ServerFileRecord record;
    while (size_t taken = ReadServerRecord(list.data() + at, list.size() - at, &record)) {
        names.push_back(record.serverName);
        at += taken;
    }
    return names;
}

TEST(ListFormat, ServerRecordsRoundTripAndACutListKeepsItsWholeRecords)
{
    Bytes list(ListFileHeader, ListFileHeader + ListFileHeaderSize);
    ServerFileRecord one = {0x0100007F, 27910, 45, 0x02, "q.example", "One", "ctf"};
    ServerFileRecord two = {0x0200000A, 65535, 0xFFFF, 0, "", "", ""};
    Append(&list, one);
    size_t firstEnd = list.size();
    Append(&list, two);

    ServerFileRecord read;
    ASSERT_EQ(ReadServerRecord(list.data() + 3, list.size() - 3, &read), firstEnd - 3);
    EXPECT_EQ(read.ip, one.ip);
    EXPECT_EQ(read.port, 27910);
    EXPECT_EQ(read.ping, 45);
    EXPECT_EQ(read.flags, 0x02);
    EXPECT_STREQ(read.hostName, "q.example");
    EXPECT_STREQ(read.gameName, "ctf");
    // Little-endian numbers, address as held.
    EXPECT_EQ(list[3], 0x7F);
    EXPECT_EQ(list[7], 0x06);
    EXPECT_EQ(list[8], 0x6D);

    for (size_t cut = 0; cut <= list.size(); ++cut) {
        Bytes part(list.begin(), list.begin() + static_cast<long>(cut));
        size_t expected = cut < 3 ? 0 : cut < firstEnd ? 0 : cut < list.size() ? 1 : 2;
        EXPECT_EQ(ReadAll(part).size(), expected) << cut;
    }
    Bytes foreign = list;
    foreign[1] = 'w';
    EXPECT_TRUE(ReadAll(foreign).empty());
}

TEST(ListFormat, DeltaRecordsRoundTrip)
{
    DeltaRecord record = {'-', 0x0A0B0C0D, 27911};
    unsigned char bytes[DeltaRecordSize];
    EncodeDeltaRecord(&record, bytes);
    EXPECT_EQ(bytes[0], '-');
    EXPECT_EQ(bytes[1] | bytes[2] | bytes[3] | bytes[10] | bytes[11], 0);
    DeltaRecord back = ReadDeltaRecord(bytes);
    EXPECT_EQ(back.kind, '-');
    EXPECT_EQ(back.ip, 0x0A0B0C0Du);
    EXPECT_EQ(back.port, 27911);
    EXPECT_EQ(DeltaRecordCount(35), 2u);
}

TEST(ListFormat, HostAddressTexts)
{
    tagKvHOST host;
    EXPECT_EQ(ParseHostAddress("127.0.0.1", &host), 0);
    EXPECT_EQ(host.port, KV_DEFAULT_PORT);
    EXPECT_EQ(ParseHostAddress("127.0.0.1:1", &host), 0);
    EXPECT_EQ(host.port, 1);
    for (const char *bad : {"", "x1.2.3.4", "1.2.3.x", "1.2.3.4:0", "1.2.3.4:65536", "1.2.3.4:"}) {
        EXPECT_EQ(ParseHostAddress(bad, &host), 1) << bad;
        EXPECT_EQ(host.ip, 0u) << bad;
    }
    EXPECT_EQ(ParseHostAddress(nullptr, &host), 1);
}

// Every token a pasted text yields, as the paste reads them.
std::vector<std::string> PastedHosts(const std::string &text)
{
    std::vector<std::string> tokens;
    const char *line = text.data(), *end = text.data() + text.size();
    char token[256];
    while (line && ReadPastedHost(line, end, token, sizeof token, &line))
        tokens.push_back(token);
    return tokens;
}

TEST(ListFormat, PastedTextForms)
{
    using V = std::vector<std::string>;
    // What Copy writes, with and without names, and with ", ".
    EXPECT_EQ(PastedHosts("10.0.0.1,Alpha\r\n10.0.0.2:27911,\r\n10.0.0.3, Gamma\r\n"),
              (V{"10.0.0.1", "10.0.0.2:27911", "10.0.0.3"}));
    // An address, blanks and a port; a name; a ':' without digits stays.
    EXPECT_EQ(PastedHosts("  10.0.0.4  27911 players\r\nq2.example.net\r\n10.0.0.5:x"),
              (V{"10.0.0.4:27911", "q2.example.net", "10.0.0.5:"}));
    // Lines ending in LF alone are one line: only its first host counts.
    EXPECT_EQ(PastedHosts("10.0.0.6\n10.0.0.7\n"), V{"10.0.0.6"});
    // The first line without a '.' ends the paste.
    EXPECT_EQ(PastedHosts("10.0.0.8\r\nno host here\r\n10.0.0.9\r\n"), V{"10.0.0.8"});
    // A token is cut at 255 characters; one cut before its '.' ends it.
    EXPECT_EQ(PastedHosts(std::string(300, 'a') + ".example\r\n10.0.0.1"), V{});
    EXPECT_EQ(PastedHosts(std::string(250, 'a') + ".example")[0].size(), 255u);
}

TEST(ListFormat, HostilePastesNeverReadPastTheText)
{
    // Binary bytes, CRs at the very end, a megabyte without a line end, and
    // 10,000 addresses: each read stays inside its text.
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>(i * 37));
    for (const std::string &text : {binary, std::string("1.2\r"), std::string("1.2\r\n"), std::string(1 << 20, '.')}) {
        std::vector<char> exact(text.begin(), text.end());  // no NUL after it
        const char *line = exact.data(), *end = exact.data() + exact.size();
        char token[256];
        int guard = 0;
        while (line && ReadPastedHost(line, end, token, sizeof token, &line) && ++guard < 100000)
            ASSERT_TRUE(!line || (line > exact.data() && line <= end));
    }
    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250) + "\r\n";
    EXPECT_EQ(PastedHosts(many).size(), 10000u);
}

}  // namespace
