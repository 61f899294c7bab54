// Files the program names without a folder live beside its executable.
#ifndef SKOVALT_BASE_PATHS_H
#define SKOVALT_BASE_PATHS_H

#include <stddef.h>

// The program folder (ending in a backslash) with fileName appended, into
// buffer (size bytes, always NUL-terminated). The folder is looked up once.
// False when the path does not fit (buffer then holds it cut short, which
// names another file: a caller that writes must not use it).
bool ModulePath(char *buffer, size_t size, const char *fileName);

// path followed by suffix (".part", ".tmp"), the name of a file written
// beside path before it takes path's place. False when it does not fit.
bool PathWithSuffix(char *buffer, size_t size, const char *path, const char *suffix);

// Tests only: a folder (with its final backslash) used instead of the
// executable's; null restores it.
void SetModuleDirForTests(const char *directory);

// True when the file can be opened for reading.
bool FileExists(const char *path);

#endif
