// AppData's life: InitAppData at start-up, FreeAppData at the end, and the
// settings it keeps in memory meanwhile.
#include "settings/appdata.h"

#include <commctrl.h>
#include <objbase.h>
#include <stdlib.h>
#include <string.h>

#include "launch/messenger.h"
#include "net/dialup.h"
#include "settings/settings.h"
#include "ui/helpers.h"

AppData *appData;

namespace {

const size_t TextBufferSize = 1024;

char *AllocText()
{
    return static_cast<char *>(calloc(TextBufferSize, 1));
}

// Reads a template or widths value; a missing or empty one gets its
// default, which is written back at once.
void LoadTextSetting(const char *name, char *buffer, const char *defaultText)
{
    if (!buffer)
        return;
    ReadSetting(name, buffer, TextBufferSize);
    if (buffer[0] == '\0') {
        strncpy(buffer, defaultText, TextBufferSize - 1);
        WriteSetting(name, defaultText);
    }
}

long ReadTimeout()
{
    char text[30];
    if (ReadSetting("Timeout", text, sizeof text) != 0 || text[0] == '\0')
        return DEFAULT_TIMEOUT;
    return atol(text);
}

void GreetOwner()
{
    char pos[30];
    ReadSetting("Pos", pos, sizeof pos);
    if (pos[0] != '\0' || appData->uloVersion == 0)
        return;
    char nickname[25];
    if (GetOwnerNickname(nickname, sizeof nickname) == 0 && nickname[0] != '\0')
        ReportMessage(nullptr, MB_OK, "Hi %s\nWelcome to Skovalt !", nickname);
}

}  // namespace

void CutNameList(char *buffer, size_t size)
{
    if (!buffer || size < 2)
        return;
    // Names are copied together so that empty fields (",,") leave no gaps;
    // the last two bytes are kept for a name's NUL and the final empty name.
    char *source = static_cast<char *>(malloc(size));
    if (!source) {
        buffer[0] = '\0';
        return;
    }
    memcpy(source, buffer, size);
    source[size - 1] = '\0';
    memset(buffer, 0, size);
    size_t out = 0;
    const char *p = source;
    while (*p) {
        const char *end = strchr(p, ',');
        size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
        if (length > 0) {
            if (out + length + 2 > size)
                length = size - out - 2;
            if (length == 0)
                break;
            memcpy(buffer + out, p, length);
            out += length + 1;
        }
        if (!end)
            break;
        p = end + 1;
    }
    free(source);
}

void JoinNameList(const char *list, char *out, size_t size)
{
    if (!out || size == 0)
        return;
    out[0] = '\0';
    size_t used = 0;
    for (const char *name = list; name && *name; name += strlen(name) + 1) {
        size_t length = strlen(name);
        if (used + length + 2 > size)
            break;
        memcpy(out + used, name, length);
        used += length;
        out[used++] = ',';
        out[used] = '\0';
    }
}

bool GameFilterAccepts(const char *gameName)
{
    const char *filter = appData ? appData->gameFilter : nullptr;
    if (!filter || filter[0] == '\0')
        return true;
    if (!gameName)
        return false;
    for (const char *name = filter; *name; name += strlen(name) + 1) {
        if (_stricmp(name, gameName) == 0)
            return true;
    }
    return false;
}

int InitAppData(HINSTANCE instance)
{
    CoInitialize(nullptr);

    appData = static_cast<AppData *>(calloc(1, sizeof(AppData)));
    if (!appData)
        return 1;
    appData->instance = instance;

    InitSlots(&appData->table);
    appData->dragSource = -1;

    appData->timeout = ReadTimeout();
    char number[30];
    ReadSetting("PingThreshold", number, sizeof number);
    appData->pingThreshold = static_cast<uint16_t>(atoi(number));

    if (ReadFlag("Grayout"))
        appData->flags |= FlagGrayout;
    if (ReadFlag("DontGetHostNames"))
        appData->flags |= FlagNoHostNames;
    if (ReadFlag("Favorites"))
        appData->flags |= FlagFavoritesOnly;

    appData->playerTemplate = AllocText();
    appData->serverTemplate = AllocText();
    appData->playerWidths = AllocText();
    appData->serverWidths = AllocText();
    LoadTextSetting("PlayerTemplate", appData->playerTemplate, DEFAULT_PLAYER_TEMPLATE);
    LoadTextSetting("PlayerTemplateWidth", appData->playerWidths, DEFAULT_PLAYER_WIDTHS);
    LoadTextSetting("ServerTemplate", appData->serverTemplate, DEFAULT_SERVER_TEMPLATE);
    LoadTextSetting("ServerTemplateWidth", appData->serverWidths, DEFAULT_SERVER_WIDTHS);

    appData->fixupNames = AllocText();
    if (appData->fixupNames) {
        LoadTextSetting("FixupNames", appData->fixupNames, DEFAULT_FIXUP_NAMES);
        CutNameList(appData->fixupNames, TextBufferSize);
    }

    char *filter = AllocText();
    if (filter) {
        ReadSetting("GameFilter", filter, TextBufferSize);
        CutNameList(filter, TextBufferSize);
        if (filter[0] == '\0')
            free(filter);
        else
            appData->gameFilter = filter;
    }

    InitializeCriticalSection(&appData->refreshLock);
    InitializeCriticalSection(&appData->listLock);

    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS |
                                         ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    if (!ReadFlag("NoUloStuff")) {
        int version = 0;
        appData->uloVersion = AskMessengerVersion(&version) ? static_cast<uint32_t>(version) : 0;
    }
    GreetOwner();

    if (KvListLoadAlloc(&appData->mapList, const_cast<char *>("MapData.txt")) != 0) {
        appData->mapList = nullptr;
        ReportMessage(GetDesktopWindow(), MB_ICONEXCLAMATION, "Cannot load 'Mapdata.txt'");
    }

    if (ReadFlag("AutoConnect"))
        DialUp();
    return 0;
}

void FreeAppData()
{
    if (!appData)
        return;
    WriteFlag("Favorites", (appData->flags & FlagFavoritesOnly) != 0);
    WriteFlag("DontGetHostNames", (appData->flags & FlagNoHostNames) != 0);

    char filter[TextBufferSize];
    JoinNameList(appData->gameFilter, filter, sizeof filter);
    WriteSetting("GameFilter", filter);

    CoUninitialize();

    FreeSlots(&appData->table);
    if (appData->mapList)
        KvListFree(appData->mapList);
    free(appData->playerTemplate);
    free(appData->serverTemplate);
    free(appData->playerWidths);
    free(appData->serverWidths);
    free(appData->searchText);
    free(appData->fixupNames);
    free(appData->gameFilter);
    DeleteCriticalSection(&appData->refreshLock);
    DeleteCriticalSection(&appData->listLock);
    free(appData);
    appData = nullptr;
}
