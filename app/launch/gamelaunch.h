// Starting Quake2 for one server: the command line, the config file that
// makes the game connect, and the messenger's window and install path. No
// windows of the program's own; the launch command (ui/launchgame.h) puts
// the steps together.
#ifndef SKOVALT_LAUNCH_GAMELAUNCH_H
#define SKOVALT_LAUNCH_GAMELAUNCH_H

#include <windows.h>
#include <stddef.h>

// The longest command line the game is started with.
const size_t kGameCommandMax = 255;

// A game's command line, the executable it starts and the folder it runs
// in.
struct GameCommand {
    char line[kGameCommandMax + 1];
    char exe[MAX_PATH];
    char folder[MAX_PATH];
};

// The setting that holds the parameter line for a game (case-insensitive):
// "ParamCtf" for ctf, "ParamLMCtf" for lmctf, "ParamRA" for ra, else
// (also for null) "Param".
const char *GameParamSetting(const char *game);

// Starts a command from the executable's path: its short (8.3) form, in
// quotes when it holds a blank (a volume without short names gives the
// long path back), a blank and as much of param as fits. withConfig keeps room for the
// " +exec Skovalt.cfg" that AddConfigExec appends later, so the parameter
// value is what gets cut. The folder is the short path up to its last
// backslash. False, with the last error set, when the short path
// cannot be had or leaves no room.
bool BuildGameCommand(GameCommand *command, const char *exe, const char *param, bool withConfig);
void AddConfigExec(GameCommand *command);

// Writes "<folder>\baseq2\Skovalt.cfg" holding "connect <address>" and a
// line end (CR LF), replacing an older file. True only when the whole file
// landed on the disk; otherwise no file is left.
bool WriteGameConfig(const char *folder, const char *address);

// Starts the command in its folder without waiting for it, naming the
// executable to the system apart from the line, so that no part of a path
// with blanks can be taken for another program. False with *error set to
// the system's error number when it did not start.
bool StartGame(const GameCommand *command, DWORD *error);

// Tests only: replaces GetShortPathNameA (a volume without 8.3 names
// returns the long path); null restores it.
using ShortPathFunction = DWORD(WINAPI *)(LPCSTR longPath, LPSTR shortPath, DWORD size);
void SetShortPathFunctionForTests(ShortPathFunction function);

// "CloseUloWait" as seconds to wait, 0 to 10 (a negative or unreadable
// value is 0, anything above 10 is 10).
int MessengerCloseWait();

// The messenger's main window: the top-level window titled with its
// owner's number. Null when no client answers or no such window exists.
HWND FindMessengerWindow();

// The messenger's executable from the App Paths key of "Ulo.exe" under
// HKEY_LOCAL_MACHINE. False when the key or its default value cannot be
// read (path then holds "").
bool MessengerInstallPath(char *path, size_t size);

#endif
