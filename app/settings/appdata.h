// AppData: the program's single process-wide state record, and its life
// from InitAppData to FreeAppData. Every field belongs to one module; the
// comments name it. AppData and everything it holds is freed only by
// FreeAppData.
#ifndef SKOVALT_SETTINGS_APPDATA_H
#define SKOVALT_SETTINGS_APPDATA_H

#include <windows.h>
#include <stdint.h>

#include "serverlist/servertable.h"

// Bits of AppData.flags.
enum : uint32_t {
    FlagUloClosed = 0x01,      // the messenger was closed for a game (launch)
    FlagGrayout = 0x04,        // grey out unusable servers (list views)
    FlagModified = 0x08,       // the server list differs from Server.dat
    FlagFavoritesOnly = 0x10,  // show favourites only (list views)
    FlagNoHostNames = 0x20,    // no host-name lookups while refreshing
};

struct AppData {
    // Main window (start-up and window modules).
    HINSTANCE instance;
    HWND mainWindow;
    HWND detailsDialog;
    int dragSource;            // server list row being dragged, -1 when none

    // Settings that live in memory (settings module).
    char *playerTemplate;      // heap text
    char *serverTemplate;      // heap text
    char *playerWidths;        // heap text, 1024 bytes
    char *serverWidths;        // heap text, 1024 bytes
    char *fixupNames;          // name list in a 1024-byte buffer
    char *gameFilter;          // name list, or null for no filter
    char *mapList;             // name list from KvListLoadAlloc, or null
    long timeout;              // query timeout in seconds
    uint16_t pingThreshold;    // greyout ping limit in ms
    uint32_t uloVersion;       // messenger version, 0 = no messenger
    uint32_t flags;            // Flag* bits above

    // The server table (server list module).
    ServerTable table;

    // The player search (refresh and search modules).
    char *searchText;          // current player search, or null
};

// The one AppData of the process; null before InitAppData and after
// FreeAppData.
extern AppData *appData;

// Creates AppData with the empty table and the settings kept in memory.
// Returns 0, or 1 when memory runs out. (The rest of the start-up, in its
// order, is StartProgram's.)
int InitAppData(HINSTANCE instance);

// Stores "Favorites", "DontGetHostNames" and "GameFilter", then frees
// everything AppData holds, then AppData itself.
void FreeAppData();

// The game filter test: true when no filter is set, false for a missing
// game name, else whether the name is in the filter (case-insensitive).
bool GameFilterAccepts(const char *gameName);

#endif
