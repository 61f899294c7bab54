// Files the program names without a folder live beside its executable.
#ifndef SKOVALT_BASE_PATHS_H
#define SKOVALT_BASE_PATHS_H

#include <stddef.h>

// The program folder (ending in a backslash) with fileName appended, into
// buffer (size bytes, always NUL-terminated). The folder is looked up once.
void ModulePath(char *buffer, size_t size, const char *fileName);

// Tests only: a folder (with its final backslash) used instead of the
// executable's; null restores it.
void SetModuleDirForTests(const char *directory);

// True when the file can be opened for reading.
bool FileExists(const char *path);

#endif
