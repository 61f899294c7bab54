// Checked, flushed and whole file writes.
#include "base/files.h"

namespace {

bool WriteFileDefault(HANDLE file, const void *data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

FileWriter writeBytes = WriteFileDefault;

// Flushes and closes a file that was written; true when both worked.
bool FlushAndClose(HANDLE file, bool ok)
{
    ok = ok && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

}  // namespace

bool WriteAll(HANDLE file, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!writeBytes(file, p, chunk))
            return false;
        p += chunk;
        size -= chunk;
    }
    return true;
}

bool WriteWholeFile(const char *path, const void *data, size_t size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (FlushAndClose(file, WriteAll(file, data, size)))
        return true;
    DeleteFileA(path);
    return false;
}

ReplaceResult ReplaceWholeFile(const char *path, const char *tempPath, const void *data, size_t size)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return ReplaceReadOnly;
    if (!WriteWholeFile(tempPath, data, size))
        return ReplaceFailed;
    if (MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ReplaceDone;
    DeleteFileA(tempPath);
    return ReplaceFailed;
}

void SetFileWriterForTests(FileWriter writer)
{
    writeBytes = writer ? writer : WriteFileDefault;
}
