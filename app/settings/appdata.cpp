// AppData's life: InitAppData at start-up, FreeAppData at the end, and the
// settings it keeps in memory meanwhile.
#include "settings/appdata.h"

#include <stdlib.h>
#include <string.h>

#include "base/text.h"
#include "settings/settings.h"

AppData *appData;

namespace {

const size_t TextBufferSize = 1024;

char *AllocText()
{
    return static_cast<char *>(calloc(TextBufferSize, 1));
}

// Reads a template, widths or names value; a missing or empty one gets
// its default, which is written back at once. One too long for the buffer
// is cut after its last whole field (separator ends each) and left stored
// as it is.
void LoadTextSetting(const char *name, char *buffer, const char *separator)
{
    if (!buffer)
        return;
    ReadSettingFields(name, buffer, TextBufferSize, separator);
    if (buffer[0] == '\0') {
        const char *defaultText = SettingDefault(name);
        strncpy(buffer, defaultText, TextBufferSize - 1);
        WriteSetting(name, defaultText);
    }
}

// Reads "GameFilter" as a name list into a 1024-byte buffer, cut after
// its last whole name when it is longer. Null when none is stored or the
// memory runs out; the caller frees it.
char *LoadGameFilter()
{
    char *filter = AllocText();
    if (filter && ReadSettingFields("GameFilter", filter, TextBufferSize, ",") != 0) {
        free(filter);
        return nullptr;
    }
    if (filter)
        CutNameList(filter, TextBufferSize);
    return filter;
}

// Writes the game filter in use as "name,name,", unless the stored value
// reads as that already: one too long for the buffer, of which only the
// names that fit are in use, stays as it is.
void StoreGameFilter(const char *list)
{
    char filter[TextBufferSize];
    JoinNameList(list, filter, sizeof filter);
    char *stored = LoadGameFilter();
    char storedText[TextBufferSize] = "";
    if (stored)
        JoinNameList(stored, storedText, sizeof storedText);
    bool same = stored && strcmp(storedText, filter) == 0;
    free(stored);
    if (!same)
        WriteSetting("GameFilter", filter);
}

}  // namespace

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
    appData = static_cast<AppData *>(calloc(1, sizeof(AppData)));
    if (!appData)
        return 1;
    appData->instance = instance;

    InitSlots(&appData->table);
    appData->dragSource = -1;

    appData->timeout = ReadTimeoutSetting();
    // A threshold above 65535 ms saturates instead of wrapping to a small one.
    long threshold = ReadNumberSetting("PingThreshold");
    appData->pingThreshold = static_cast<uint16_t>(threshold > 65535 ? 65535 : threshold);

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
    LoadTextSetting("PlayerTemplate", appData->playerTemplate, "%t");
    LoadTextSetting("PlayerTemplateWidth", appData->playerWidths, "\t");
    LoadTextSetting("ServerTemplate", appData->serverTemplate, "%t");
    LoadTextSetting("ServerTemplateWidth", appData->serverWidths, "\t");

    appData->fixupNames = AllocText();
    if (appData->fixupNames) {
        LoadTextSetting("FixupNames", appData->fixupNames, ",");
        CutNameList(appData->fixupNames, TextBufferSize);
    }

    char *filter = LoadGameFilter();
    if (filter && filter[0] == '\0')
        free(filter);
    else
        appData->gameFilter = filter;
    return 0;
}

void FreeAppData()
{
    if (!appData)
        return;
    WriteFlag("Favorites", (appData->flags & FlagFavoritesOnly) != 0);
    WriteFlag("DontGetHostNames", (appData->flags & FlagNoHostNames) != 0);

    StoreGameFilter(appData->gameFilter);

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
    free(appData);
    appData = nullptr;
}
