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

TEST(ListFormat, HostAddressTextsAreFourDecimalPartsAndAPort)
{
    tagKvHOST host;
    EXPECT_EQ(ParseHostAddress("127.0.0.1", &host), HostTextOk);
    EXPECT_EQ(host.ip, 0x0100007Fu);
    EXPECT_EQ(host.port, KV_DEFAULT_PORT);
    EXPECT_EQ(ParseHostAddress("10.20.255.0:1 \t", &host), HostTextOk);
    EXPECT_EQ(host.ip, 0x00FF140Au);
    EXPECT_EQ(host.port, 1);
    // Short forms, other bases, stray bytes and the addresses of no server.
    for (const char *bad : {"", "1", "127.0.0", "127.1", "1.2.3.4.5", "256.0.0.1", "1.2.3.1000", "010.0.0.1",
                            "0x7f.0.0.1", "1..2.3", "1.2.3.", "x1.2.3.4", "1.2.3.x", "1.2.3.4 5", "1.2.3.4x",
                            "0.0.0.0", "255.255.255.255"}) {
        EXPECT_EQ(ParseHostAddress(bad, &host), HostTextNoAddress) << bad;
        EXPECT_EQ(host.ip, 0u) << bad;
    }
    for (const char *bad : {"1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536", "1.2.3.4:000000", "1.2.3.4:27910x"})
        EXPECT_EQ(ParseHostAddress(bad, &host), HostTextBadPort) << bad;
    EXPECT_EQ(ParseHostAddress(nullptr, &host), HostTextNoAddress);
    // "127.0.0" with a NUL after it is not an address either.
    EXPECT_EQ(ParseHostAddress("127.0.0\0" "1", 9, &host), HostTextNoAddress);

    // A name's port follows the same rule.
    size_t nameLength;
    uint16_t port;
    EXPECT_EQ(ReadHostPort("q2.example:27911", 16, &nameLength, &port), HostTextOk);
    EXPECT_EQ(nameLength, 10u);
    EXPECT_EQ(port, 27911);
    EXPECT_EQ(ReadHostPort("localhost", 9, &nameLength, &port), HostTextOk);
    EXPECT_EQ(port, KV_DEFAULT_PORT);
    EXPECT_EQ(ReadHostPort("localhost:", 10, &nameLength, &port), HostTextBadPort);
    EXPECT_EQ(ReadHostPort("localhost:0", 11, &nameLength, &port), HostTextBadPort);
}

// "a.b.c.d:port" of every record a master list builds into.
std::vector<std::string> BuiltServers(const std::string &master, const std::vector<DeltaRecord> &deltas = {})
{
    size_t size = 0, masterServers = 0;
    unsigned char *file =
        BuildMasterServerFile(master.data(), master.size(), deltas.data(), deltas.size(), &size, &masterServers);
    std::vector<std::string> out;
    if (!file)
        return out;
    ServerFileRecord r;
    for (size_t at = ListFileHeaderSize; size_t taken = ReadServerRecord(file + at, size - at, &r); at += taken) {
        const unsigned char *ip = reinterpret_cast<const unsigned char *>(&r.ip);
        out.push_back(std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
                      std::to_string(ip[3]) + ":" + std::to_string(r.port));
    }
    free(file);
    return out;
}

TEST(ListFormat, MasterListBuildsEachServerOnceFromItsAddressesOnly)
{
    using V = std::vector<std::string>;
    // Short forms and a NUL byte are no server lines.
    EXPECT_EQ(BuiltServers(std::string("1\r\n127.0.0") + '\0' + "\r\n10.0.0.1:27911\r\n"), V{"10.0.0.1:27911"});
    // Two servers named three times each, and a hand-added one the master
    // names too: each once, at its first place.
    DeltaRecord added = {'+', 0x0300000A, 27910};
    EXPECT_EQ(BuiltServers("10.0.0.1\n10.0.0.2\n10.0.0.1\n10.0.0.2\n10.0.0.3\n10.0.0.1\n10.0.0.2\n", {added}),
              (V{"10.0.0.3:27910", "10.0.0.1:27910", "10.0.0.2:27910"}));
    // The journal's records that name no server: 1,000 broadcast ones,
    // 0.0.0.0 and port 0.
    std::vector<DeltaRecord> journal(1000, DeltaRecord{'+', 0xFFFFFFFFu, 65535});
    journal.push_back({'+', 0, 27910});
    journal.push_back({'+', 0x0400000A, 0});
    journal.push_back(added);
    EXPECT_EQ(BuiltServers("", journal), V{"10.0.0.3:27910"});
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
