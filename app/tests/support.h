// Shared fixture of the program's tests: every test gets an empty settings
// key of its own, an empty temporary program directory, and a record of
// the message boxes the code would have shown (answered from a script).
#ifndef SKOVALT_TESTS_SUPPORT_H
#define SKOVALT_TESTS_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kv/kv.h"

using Bytes = std::vector<unsigned char>;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file in the test's program directory.
    std::string FilePath(const char *name) const;
    void WriteFile(const char *name, const Bytes &data) const;
    Bytes ReadFile(const char *name) const;
    bool Exists(const char *name) const;

    // Copies FakeQuake2.exe (beside the test program) into the folder
    // "Quake 2" as quake2.exe, with a baseq2 folder beside it; returns its
    // path, "" when that failed. The game appends its command line and
    // working folder to "Quake 2\launched.txt".
    std::string InstallFakeGame() const;

    // A registry value of the test key, or "<missing>".
    std::string Setting(const char *name) const;

    // Points every web address of the settings at a closed port of this
    // machine (SetUp does it for the test key).
    void KeepOffTheWeb();

    // InitAppData with a MapData.txt-less directory tolerated.
    void StartAppData();

    std::string dir;  // ends with a backslash
};

// For SetShortPathFunctionForTests: a volume without 8.3 names, where the
// short form of a path is the long path itself.
DWORD WINAPI NoShortNames(LPCWSTR longPath, LPWSTR shortPath, DWORD size);

// Message boxes shown since the last clear, and the answers to give
// (IDOK when the script is empty).
extern std::vector<std::string> shownMessages;
extern std::vector<int> messageAnswers;

// What the program asked the shell to open (nothing is opened in tests).
struct ShellOpen {
    std::string target;
    std::string parameters;
    int showCommand;
};
extern std::vector<ShellOpen> shellOpened;

// A full disk for the program's file writes while it lives: room more
// bytes land, then every write fails (the part that fits lands first).
struct FullDisk {
    explicit FullDisk(size_t room = 0);
    ~FullDisk();
};

// A top-level window holding a status bar (100), a server list (103) and a
// player list (102) like the main window's; destroyed by the destructor.
struct ListWindow {
    ListWindow();
    ~ListWindow();
    HWND window;
    HWND statusBar;
    HWND serverList;
    HWND playerList;
};

// A refresh of the engine that queries nothing and runs until
// ReleaseRefresh: a test sees the program as it is while refreshing,
// without any server. ReleaseRefresh waits for the refresh's end.
void HoldRefresh();
void ReleaseRefresh();

// The status bar text of a part.
std::string StatusText(HWND statusBar, int part);
// Puts text on the clipboard (CF_TEXT); ClipboardText reads it back.
void SetClipboardText(const std::string &text);
std::string ClipboardText();

// The text of a list cell (cut to 255 characters).
std::string CellText(HWND list, int row, int column);
// The icon of a list row (asked for as the list asks when it draws).
int RowImage(HWND list, int row);
// The row parameters of a list, top to bottom.
std::vector<LPARAM> RowParams(HWND list);
// Appends a record with the given fields to the table; returns its index.
int AddServer(uint32_t ip, uint16_t port, const char *host, const char *name, const char *game,
              uint16_t ping = 0xFFFF, uint8_t flags = 0);
// Builds one Server.dat record by hand.
Bytes ServerRecord(const Bytes &ip, uint16_t port, uint16_t ping, uint8_t flags, const char *host,
                   const char *name, const char *game);
Bytes Concat(std::initializer_list<Bytes> parts);
uint32_t Ip(const char *dotted);

// Runs this test program again, with only the tests of filter, as a child
// at dpi: Wine reads LogPixels of the prefix's user when a program starts,
// so it is set for the child's start and put back after. The child sees
// dpi in ChildTestDpi. Returns its exit code (0: its tests passed), or
// 0xFFFFFFFF when it did not start or end within 60 s.
DWORD RunSelfAtDpi(DWORD dpi, const char *filter);
// The DPI a child of RunSelfAtDpi was started for; 0 in a plain run.
int ChildTestDpi();

#endif
