// Paths in wide characters. The program may live under a user profile
// whose name the ANSI code page cannot hold (Cyrillic, Japanese): the
// ...A file functions then see "????" and find nothing, so every path to
// a file is built and opened through the ...W functions. File names the
// program chooses itself ("Server.dat") are plain ASCII and stay 8-bit.
#ifndef SKOVALT_BASE_PATHS_H
#define SKOVALT_BASE_PATHS_H

#include <stddef.h>
#include <wchar.h>

// The longest path the program builds, with its terminator.
const size_t kPathMax = 260;

// A path in a record of its own, for values handed between functions.
struct WidePath {
    wchar_t text[kPathMax];
};

// The program folder (ending in a backslash) with fileName (ASCII)
// appended, into buffer (count characters, always NUL-terminated). The
// folder is looked up once. False when the path does not fit (buffer then
// holds it cut short, which names another file: a caller that writes must
// not use it) or the folder cannot be had.
bool ModulePath(wchar_t *buffer, size_t count, const char *fileName);
bool ModulePath(WidePath *path, const char *fileName);

// The user's temporary folder with fileName (ASCII) appended. False when
// the folder cannot be had or the path does not fit.
bool TempFolderPath(WidePath *path, const char *fileName);

// path followed by suffix (L".part", L".tmp"), the name of a file written
// beside path before it takes path's place. False when it does not fit.
bool PathWithSuffix(WidePath *out, const wchar_t *path, const wchar_t *suffix);

// An 8-bit path as the ...A functions read it (ANSI code page) in wide
// characters. False when it does not fit or holds bytes the code page
// does not map.
bool WidePathFromAnsi(WidePath *out, const char *path);

// The 8-bit form of path for what only takes 8-bit paths (the "Exe"
// setting, the messenger): path itself when the ANSI code page holds every
// character of it, else its short (8.3) form when that one converts
// cleanly. False when neither exists (a volume without 8.3 names) or it
// does not fit; buffer then holds "".
bool AnsiPath(const wchar_t *path, char *buffer, size_t size);

// The short (8.3) form of path in 8-bit characters; false when the system
// gives none that the ANSI code page holds, or it does not fit. A volume
// without short names gives the long path back.
bool ShortAnsiPath(const wchar_t *path, char *buffer, size_t size);

// path in 8-bit characters for a message to the user (characters the code
// page lacks become '?'). Returns buffer.
const char *PathForMessage(const wchar_t *path, char *buffer, size_t size);

// Tests only: replaces GetShortPathNameW (a volume without 8.3 names
// returns the long path; Wine always invents a short one); null restores it.
using ShortPathFunction = unsigned long(__stdcall *)(const wchar_t *longPath, wchar_t *shortPath, unsigned long size);
void SetShortPathFunctionForTests(ShortPathFunction function);

// Tests only: a folder (with its final backslash) used instead of the
// executable's; null restores it.
void SetModuleDirForTests(const wchar_t *directory);

// True when the file can be opened for reading.
bool FileExists(const wchar_t *path);

#endif
