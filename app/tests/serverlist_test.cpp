// The server table, Server.dat and Delta.dat.
#include "support.h"

#include <string.h>

#include "serverlist/serverfile.h"
#include "ui/displaylist.h"
#include "serverlist/servertable.h"
#include "settings/appdata.h"
#include "startup.h"
#include "settings/settings.h"
#include "base/paths.h"
#include "ui/rows.h"
#include "ui/statusbar.h"

namespace {

const Bytes Header = {'k', 'v', 0};

class ServerListTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartAppData();
        shownMessages.clear();
    }
};

TEST_F(ServerListTest, TableGrowsBy25AndEntriesNeverMove)
{
    ServerTable *table = &appData->table;
    ASSERT_EQ(AddServer(Ip("10.0.0.1"), 27910, "a", nullptr, nullptr), 0);
    ServerSlot *first = SlotAt(table, 0);
    tagQServer *firstServer = first->server;
    for (int i = 1; i < 1600; ++i)
        ASSERT_EQ(AddServer(Ip("10.0.0.2"), static_cast<uint16_t>(i), nullptr, nullptr, nullptr), i);
    EXPECT_EQ(table->serverCapacity, 1600);
    EXPECT_EQ(AddServer(Ip("10.0.0.3"), 1, nullptr, nullptr, nullptr), 1600);
    EXPECT_EQ(table->serverCapacity, 1625);
    for (int i = 1601; i < 5000; ++i)
        ASSERT_EQ(AddServer(Ip("10.0.0.4"), 1, nullptr, nullptr, nullptr), i);
    EXPECT_EQ(table->serverCapacity, 5000);
    EXPECT_EQ(SlotAt(table, 0), first);
    EXPECT_EQ(first->server, firstServer);
    EXPECT_EQ(KvServerGetHostPort(SlotAt(table, 1599)->server), 1599);
    EXPECT_EQ(SlotAt(table, 5000), nullptr);
    EXPECT_EQ(SlotAt(table, -1), nullptr);

    EXPECT_EQ(MarkSlotDeleted(table, 4999), 0);
    EXPECT_EQ(SlotAt(table, 4999)->flags, SlotDeleted);
    EXPECT_EQ(MarkSlotDeleted(table, 5000), 1);
    EXPECT_EQ(RowServer(0x7F000000 | 1599), SlotAt(table, 1599)->server);
    EXPECT_EQ(RowServer(5000), nullptr);
}

TEST_F(ServerListTest, TableWithoutItsFirstBlockGrowsFromNothing)
{
    ServerTable table = {};
    tagQServer *server = nullptr;
    ASSERT_EQ(KvServerAlloc(&server, Ip("10.0.0.1"), 27910, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(AddSlot(&table, server, SlotFavorite), 0);
    EXPECT_EQ(table.serverCapacity, 25);
    EXPECT_EQ(SlotAt(&table, 0)->server, server);
    FreeSlots(&table);
    EXPECT_EQ(table.serverCount, 0);
}

TEST_F(ServerListTest, SaveWritesShownRowsThenHiddenOnesNeverDeleted)
{
    ListWindow w;
    int a = AddServer(Ip("10.0.0.1"), 27910, "alpha.example", "Alpha", "ctf", 40);
    int b = AddServer(Ip("10.0.0.2"), 27911, nullptr, nullptr, nullptr, 0xFFFF, SlotFavorite);
    int c = AddServer(Ip("192.168.1.3"), 27910, "", "Gamma", "dm", 0x1234);
    int d = AddServer(Ip("10.0.0.4"), 27910, "deleted", "Delta", "dm", 5);
    MarkSlotDeleted(&appData->table, d);
    // Shown: c then a, plus the deleted one; b is hidden by a filter.
    InsertCallbackRow(w.serverList, 0, c);
    InsertCallbackRow(w.serverList, 1, d);
    InsertCallbackRow(w.serverList, 2, a);
    appData->flags |= FlagModified;

    ASSERT_EQ(SaveServerList(w.window), 0);
    Bytes expected = Concat({Header,
                             ServerRecord({192, 168, 1, 3}, 27910, 0x1234, 0, "", "Gamma", "dm"),
                             ServerRecord({10, 0, 0, 1}, 27910, 40, 0, "alpha.example", "Alpha", "ctf"),
                             ServerRecord({10, 0, 0, 2}, 27911, 0xFFFF, SlotFavorite, "", "", "")});
    EXPECT_EQ(ReadFile("Server.dat"), expected);
    EXPECT_EQ(StatusText(w.statusBar, 0), "3 servers written");
    EXPECT_EQ(appData->flags & FlagModified, 0u);
    EXPECT_FALSE(Exists("Server.dat.new"));
    for (int i : {a, b, c, d})
        EXPECT_EQ(SlotAt(&appData->table, i)->flags & SlotSaved, 0) << i;
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(ServerListTest, SavingAnEmptyTableWritesTheHeaderOnly)
{
    ListWindow w;
    ASSERT_EQ(SaveServerList(w.window), 0);
    EXPECT_EQ(ReadFile("Server.dat"), Header);
    EXPECT_EQ(StatusText(w.statusBar, 0), "0 servers written");
}

TEST_F(ServerListTest, AFailedSaveKeepsTheOldFileAndTheModifiedMark)
{
    ListWindow w;
    Bytes old = Concat({Header, ServerRecord({1, 2, 3, 4}, 27910, 1, 0, "old", "Old", "dm")});
    WriteFile("Server.dat", old);
    for (int i = 0; i < 50; ++i)
        AddServer(Ip("10.0.0.1"), static_cast<uint16_t>(27910 + i), "host", "Name", "ctf", 10);
    appData->flags |= FlagModified;
    StatusPrint(w.statusBar, "Ready");

    // The disk fills up in the middle of the list.
    {
        FullDisk full(700);
        EXPECT_EQ(SaveServerList(w.window), 1);
    }
    EXPECT_EQ(ReadFile("Server.dat"), old);
    EXPECT_FALSE(Exists("Server.dat.new"));
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Cannot create 'Server.dat'"});
    EXPECT_NE(appData->flags & FlagModified, 0u);
    EXPECT_EQ(StatusText(w.statusBar, 0).find("servers written"), std::string::npos);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(SlotAt(&appData->table, i)->flags, 0);

    // The new file cannot even be created.
    shownMessages.clear();
    ASSERT_TRUE(CreateDirectoryA(FilePath("Server.dat.new").c_str(), nullptr));
    EXPECT_EQ(SaveServerList(w.window), 1);
    EXPECT_EQ(ReadFile("Server.dat"), old);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Cannot create 'Server.dat'"});
    EXPECT_NE(appData->flags & FlagModified, 0u);
    RemoveDirectoryA(FilePath("Server.dat.new").c_str());

    // With room again, the save goes through.
    EXPECT_EQ(SaveServerList(w.window), 0);
    EXPECT_EQ(ReadFile("Server.dat").size(), 3u + 50u * (28u + 5u + 5u + 4u));
}

Bytes ThreeServers()
{
    return Concat({Header,
                   ServerRecord({10, 0, 0, 1}, 27910, 0xFFFF, 0, "one.example", "One", "ctf"),
                   ServerRecord({10, 0, 0, 2}, 27920, 33, SlotFavorite, "", "Two", "dm"),
                   ServerRecord({10, 0, 0, 3}, 27910, 44, SlotFavorite, "", "", "")});
}

TEST_F(ServerListTest, LoadReadsHandWrittenRecordsInFileOrder)
{
    ListWindow w;
    WriteFile("Server.dat", ThreeServers());
    appData->flags |= FlagModified;
    ASSERT_EQ(LoadServerList(w.window), 0);
    EXPECT_EQ(appData->table.serverCount, 3);
    EXPECT_EQ(RowParams(w.serverList), (std::vector<LPARAM>{0, 1, 2}));
    EXPECT_EQ(StatusText(w.statusBar, 3), "3 servers");
    EXPECT_EQ(appData->flags & FlagModified, 0u);
    EXPECT_TRUE(shownMessages.empty());

    tagQServer *one = SlotAt(&appData->table, 0)->server;
    EXPECT_EQ(KvServerGetHostIP(one), Ip("10.0.0.1"));
    EXPECT_EQ(KvServerGetPing(one), 0xFFFF);
    EXPECT_STREQ(KvServerGetHostName(one), "one.example");
    EXPECT_STREQ(KvServerGetGameName(one), "ctf");
    tagQServer *two = SlotAt(&appData->table, 1)->server;
    EXPECT_EQ(KvServerGetHostPort(two), 27920);
    EXPECT_EQ(KvServerGetPing(two), 33);
    EXPECT_EQ(SlotAt(&appData->table, 1)->flags, SlotFavorite);

    // Saved again unchanged, the file is the same byte for byte.
    ASSERT_EQ(SaveServerList(w.window), 0);
    Bytes saved = ReadFile("Server.dat");
    Bytes original = ThreeServers();
    // Empty texts may come back null or empty: both are written as "".
    EXPECT_EQ(saved, original);
}

TEST_F(ServerListTest, LoadAppliesFavouritesAndGameFilterButKeepsEverything)
{
    ListWindow w;
    WriteFile("Server.dat", ThreeServers());
    appData->flags |= FlagFavoritesOnly;
    ASSERT_EQ(LoadServerList(w.window), 0);
    EXPECT_EQ(RowParams(w.serverList), (std::vector<LPARAM>{1, 2}));
    EXPECT_EQ(StatusText(w.statusBar, 3), "2 servers");

    // Saving writes the hidden server too, after the shown ones.
    ASSERT_EQ(SaveServerList(w.window), 0);
    Bytes saved = ReadFile("Server.dat");
    Bytes expected = Concat({Header,
                             ServerRecord({10, 0, 0, 2}, 27920, 33, SlotFavorite, "", "Two", "dm"),
                             ServerRecord({10, 0, 0, 3}, 27910, 44, SlotFavorite, "", "", ""),
                             ServerRecord({10, 0, 0, 1}, 27910, 0xFFFF, 0, "one.example", "One", "ctf")});
    EXPECT_EQ(saved, expected);
}

TEST_F(ServerListTest, LoadUnderAGameFilterHidesOtherAndUnknownGames)
{
    ListWindow w;
    WriteFile("Server.dat", ThreeServers());
    char *filter = static_cast<char *>(calloc(8, 1));
    strcpy(filter, "DM");
    appData->gameFilter = filter;
    ASSERT_EQ(LoadServerList(w.window), 0);
    EXPECT_EQ(RowParams(w.serverList), (std::vector<LPARAM>{1}));
    EXPECT_EQ(appData->table.serverCount, 3);
}

TEST_F(ServerListTest, TransientFlagsFromAFileLoseNoServer)
{
    ListWindow w;
    WriteFile("Server.dat", Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 1, 0x82, "", "Saved", ""),
                                    ServerRecord({10, 0, 0, 2}, 27910, 2, 0x01, "", "Gone", "")}));
    ASSERT_EQ(LoadServerList(w.window), 0);
    EXPECT_EQ(RowParams(w.serverList), (std::vector<LPARAM>{0}));
    EXPECT_EQ(SlotAt(&appData->table, 0)->flags, SlotFavorite);
    ASSERT_EQ(SaveServerList(w.window), 0);
    EXPECT_EQ(ReadFile("Server.dat"),
              Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 1, SlotFavorite, "", "Saved", "")}));
}

TEST_F(ServerListTest, LoadRefusesMissingAndForeignFiles)
{
    ListWindow w;
    EXPECT_EQ(LoadServerList(w.window), -11);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0],
              "Server file 'Server.dat' could not be opened.\nYou can rebuild a new serverlist with 'Orvik | Reload "
              "from master'.");

    for (const Bytes &bad : {Bytes{'k', 'v', 1}, Bytes{'k', 'v'}, Bytes{}, Bytes{'K', 'V', 0}}) {
        shownMessages.clear();
        WriteFile("Server.dat", bad);
        EXPECT_EQ(LoadServerList(w.window), 1);
        EXPECT_EQ(shownMessages, std::vector<std::string>{"Invalid file format 'Server.dat'"});
    }
    EXPECT_EQ(appData->table.serverCount, 0);
}

TEST_F(ServerListTest, TruncatedFilesLoadTheirWholeRecords)
{
    ListWindow w;
    Bytes whole = ThreeServers();
    Bytes two = Concat({Header, ServerRecord({10, 0, 0, 1}, 27910, 0xFFFF, 0, "one.example", "One", "ctf"),
                        ServerRecord({10, 0, 0, 2}, 27920, 33, SlotFavorite, "", "Two", "dm")});
    // Cut inside the third record's head and inside each of its texts.
    for (size_t cut = two.size() + 1; cut < whole.size(); ++cut) {
        EndProgram();
        StartAppData();
        Bytes data(whole.begin(), whole.begin() + static_cast<long>(cut));
        WriteFile("Server.dat", data);
        ASSERT_EQ(LoadServerList(w.window), 0) << cut;
        EXPECT_EQ(appData->table.serverCount, 2) << cut;
        EXPECT_EQ(RowParams(w.serverList).size(), 2u) << cut;
    }
}

TEST_F(ServerListTest, GarbageNeverReadsPastTheDataAndWarnsOnce)
{
    ListWindow w;
    // Zero records: address 0 throughout. One box, not one per record.
    Bytes zeros = Header;
    zeros.insert(zeros.end(), 31 * 200, 0);
    WriteFile("Server.dat", zeros);
    ASSERT_EQ(LoadServerList(w.window), 0);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Server with IP = 0 in file"});
    EXPECT_EQ(appData->table.serverCount, 0);

    // Pseudo-random bytes of several lengths.
    unsigned state = 12345;
    for (int round = 0; round < 40; ++round) {
        Bytes junk = Header;
        size_t length = 1 + (state % 600);
        for (size_t i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            unsigned char byte = static_cast<unsigned char>(state >> 16);
            junk.push_back(round % 2 ? byte : static_cast<unsigned char>(byte & 0x7F ? byte : 1));
        }
        WriteFile("Server.dat", junk);
        EXPECT_EQ(LoadServerList(w.window), 0);
    }
    EXPECT_LE(shownMessages.size(), 81u);
}

TEST_F(ServerListTest, DeltaJournalIsAppendedAndReadBack)
{
    tagKvHOST host = {Ip("10.1.2.3"), 27911};
    EXPECT_EQ(AppendDelta(&host, '+'), 0);
    EXPECT_EQ(ReadFile("Delta.dat"), (Bytes{'k', 'v', 0, '+', 0, 0, 0, 10, 1, 2, 3, 0x07, 0x6D, 0, 0}));
    host.port = 27910;
    EXPECT_EQ(AppendDelta(&host, '-'), 0);
    EXPECT_EQ(ReadFile("Delta.dat").size(), 27u);

    tagKvHOST none = {0, 27910};
    EXPECT_EQ(AppendDelta(&none, '+'), 1);
    EXPECT_EQ(AppendDelta(nullptr, '+'), 1);
    EXPECT_EQ(AppendDelta(&host, 'x'), 1);
    EXPECT_EQ(ReadFile("Delta.dat").size(), 27u);

    DeltaRecord *records = nullptr;
    int count = -1;
    ASSERT_EQ(ReadDelta(nullptr, &records, &count), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(records[0].kind, '+');
    EXPECT_EQ(records[0].ip, Ip("10.1.2.3"));
    EXPECT_EQ(records[0].port, 27911);
    EXPECT_EQ(records[1].kind, '-');
    EXPECT_EQ(records[1].port, 27910);
    free(records);

    // A trailing fragment is ignored: 3 + 25 bytes are two records.
    Bytes data = ReadFile("Delta.dat");
    data.push_back('+');
    WriteFile("Delta.dat", data);
    ASSERT_EQ(ReadDelta(nullptr, &records, &count), 0);
    EXPECT_EQ(count, 2);
    free(records);

    // Header only: no records.
    WriteFile("Delta.dat", Header);
    ASSERT_EQ(ReadDelta(nullptr, &records, &count), 0);
    EXPECT_EQ(count, 0);
    free(records);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(ServerListTest, DeltaJournalRefusesMissingAndForeignFiles)
{
    DeltaRecord *records = reinterpret_cast<DeltaRecord *>(1);
    int count = -1;
    EXPECT_EQ(ReadDelta(nullptr, &records, &count), -11);
    EXPECT_EQ(records, nullptr);
    EXPECT_TRUE(shownMessages.empty());

    WriteFile("Delta.dat", Bytes{'k', 'x', 0, '+'});
    EXPECT_EQ(ReadDelta(nullptr, &records, &count), 1);
    EXPECT_EQ(records, nullptr);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Invalid file format 'Delta.dat'"});
    // Told once, the journal starts afresh; the old file is set aside.
    EXPECT_EQ(ReadDelta(nullptr, &records, &count), -11);
    EXPECT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(ReadFile("Delta.dat.bad"), (Bytes{'k', 'x', 0, '+'}));
    tagKvHOST host = {Ip("10.1.2.3"), 27911};
    EXPECT_EQ(AppendDelta(&host, '+'), 0);
    EXPECT_EQ(ReadFile("Delta.dat").size(), 15u);

    // A fragment that a cut-off append left is not built upon.
    Bytes data = ReadFile("Delta.dat");
    data.insert(data.end(), {'-', 0, 0});
    WriteFile("Delta.dat", data);
    EXPECT_EQ(AppendDelta(&host, '-'), 0);
    ASSERT_EQ(ReadDelta(nullptr, &records, &count), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(records[1].kind, '-');
    EXPECT_EQ(records[1].ip, host.ip);
    free(records);
}

}  // namespace
