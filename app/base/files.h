// Writing files so that a failure is never taken for success: every byte
// is checked, the data reaches the disk before the file counts as written,
// and a file that is replaced is either the old one or the whole new one.
#ifndef SKOVALT_BASE_FILES_H
#define SKOVALT_BASE_FILES_H

#include <windows.h>
#include <stddef.h>

// Writes size bytes of data to an open file at its position. True when all
// of them landed.
bool WriteAll(HANDLE file, const void *data, size_t size);

// Creates or replaces path with data and flushes it to the disk. True only
// when all of it landed; otherwise what was written is removed.
bool WriteWholeFile(const char *path, const void *data, size_t size);

enum ReplaceResult {
    ReplaceDone = 0,
    ReplaceFailed = 1,    // nothing changed: the old file is as it was
    ReplaceReadOnly = 2,  // path is read-only: nothing was written
};

// Replaces path by data: the data goes to tempPath beside it, is flushed
// to the disk and only then takes path's place, so a failure or a power
// cut leaves the old file or the whole new one. A read-only path is
// refused (Wine's MoveFileEx would replace it where Windows refuses).
ReplaceResult ReplaceWholeFile(const char *path, const char *tempPath, const void *data, size_t size);

// Tests only: replaces the function that writes bytes to a file (to
// simulate a full disk); it returns true when all of them were written.
// Null restores WriteFile.
using FileWriter = bool (*)(HANDLE file, const void *data, DWORD size);
void SetFileWriterForTests(FileWriter writer);

#endif
