// The parts of a game launch that know no window of the program's.
#include "launch/gamelaunch.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/files.h"
#include "parlet/parlet.h"
#include "settings/appdata.h"
#include "settings/settings.h"

namespace {

const char kConfigExec[] = " +exec Skovalt.cfg";
const char kMessengerAppPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Ulo.exe";

ShortPathFunction shortPathFunction = GetShortPathNameA;

}  // namespace

const char *GameParamSetting(const char *game)
{
    if (game && _stricmp(game, "ctf") == 0)
        return "ParamCtf";
    if (game && _stricmp(game, "lmctf") == 0)
        return "ParamLMCtf";
    if (game && _stricmp(game, "ra") == 0)
        return "ParamRA";
    return "Param";
}

bool BuildGameCommand(GameCommand *command, const char *exe, const char *param, bool withConfig)
{
    command->line[0] = command->exe[0] = command->folder[0] = '\0';
    char shortPath[MAX_PATH];
    DWORD length = shortPathFunction(exe, shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath)
        return false;
    // Unquoted, "C:\Games\Quake 2\quake2.exe" would start C:\Games\Quake.exe
    // where one exists.
    const char *quote = strchr(shortPath, ' ') ? "\"" : "";
    size_t pathLength = length + 2 * strlen(quote);
    size_t reserved = withConfig ? strlen(kConfigExec) : 0;
    if (pathLength + 1 + reserved > kGameCommandMax) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    memcpy(command->exe, shortPath, length + 1);
    const char *slash = strrchr(shortPath, '\\');
    size_t folderLength = slash ? static_cast<size_t>(slash - shortPath) : 0;
    memcpy(command->folder, shortPath, folderLength);
    command->folder[folderLength] = '\0';

    // The parameter gets what is left; the part that makes the game connect
    // never is cut.
    int room = static_cast<int>(kGameCommandMax - pathLength - 1 - reserved);
    snprintf(command->line, sizeof command->line, "%s%s%s %.*s", quote, shortPath, quote, room, param ? param : "");
    return true;
}

void AddConfigExec(GameCommand *command)
{
    size_t length = strlen(command->line);
    snprintf(command->line + length, sizeof command->line - length, "%s", kConfigExec);
}

bool WriteGameConfig(const char *folder, const char *address)
{
    char path[MAX_PATH + 32];
    int length = snprintf(path, sizeof path, "%s\\baseq2\\Skovalt.cfg", folder);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path)
        return false;
    // The line end of a text file on Windows, as the game reads it.
    char line[300];
    length = snprintf(line, sizeof line, "connect %s\r\n", address);
    if (length < 0 || static_cast<size_t>(length) >= sizeof line)
        return false;
    return WriteWholeFile(path, line, static_cast<size_t>(length));
}

bool StartGame(const GameCommand *command, DWORD *error)
{
    char line[sizeof command->line];
    memcpy(line, command->line, sizeof line);  // CreateProcessA may write to it
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(command->exe, line, nullptr, nullptr, FALSE, 0, nullptr, command->folder, &startup, &process)) {
        *error = GetLastError();
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void SetShortPathFunctionForTests(ShortPathFunction function)
{
    shortPathFunction = function ? function : GetShortPathNameA;
}

int MessengerCloseWait()
{
    return static_cast<int>(ReadNumberSetting("CloseUloWait"));  // 0 to 10
}

HWND FindMessengerWindow()
{
    UloUser *owner = nullptr;
    if (!appData || !UloAPICall_GetFullOwnerData(&owner, static_cast<int>(appData->uloVersion)) || !owner)
        return nullptr;
    char title[16];
    snprintf(title, sizeof title, "%d", owner->uin);
    UloAPIUtil_FreeUser(owner);
    return FindWindowA(nullptr, title);
}

bool MessengerInstallPath(char *path, size_t size)
{
    path[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMessengerAppPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char value[257] = {};
    DWORD type = 0;
    DWORD bytes = 256;
    LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(value), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || value[0] == '\0')
        return false;
    snprintf(path, size, "%s", value);
    return true;
}
