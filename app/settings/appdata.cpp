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

// Reads a template or widths value; a missing or empty one gets its
// default, which is written back at once.
void LoadTextSetting(const char *name, char *buffer)
{
    if (!buffer)
        return;
    ReadSetting(name, buffer, TextBufferSize);
    if (buffer[0] == '\0') {
        const char *defaultText = SettingDefault(name);
        strncpy(buffer, defaultText, TextBufferSize - 1);
        WriteSetting(name, defaultText);
    }
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
    LoadTextSetting("PlayerTemplate", appData->playerTemplate);
    LoadTextSetting("PlayerTemplateWidth", appData->playerWidths);
    LoadTextSetting("ServerTemplate", appData->serverTemplate);
    LoadTextSetting("ServerTemplateWidth", appData->serverWidths);

    appData->fixupNames = AllocText();
    if (appData->fixupNames) {
        LoadTextSetting("FixupNames", appData->fixupNames);
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
