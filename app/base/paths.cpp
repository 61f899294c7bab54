// The program folder, looked up once, and the program's wide paths.
#include "base/paths.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

wchar_t moduleDirOverride[kPathMax];

DWORD WINAPI SystemShortPath(LPCWSTR longPath, LPWSTR shortPath, DWORD size)
{
    return GetShortPathNameW(longPath, shortPath, size);
}

ShortPathFunction shortPathFunction = SystemShortPath;

// path in the ANSI code page; false when a character has no exact
// counterpart there (it would come back as another one) or it does not fit.
bool CleanAnsi(const wchar_t *path, char *buffer, size_t size)
{
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, buffer, static_cast<int>(size), nullptr,
                                &usedDefault);
    if (n == 0 || usedDefault) {
        if (size > 0)
            buffer[0] = '\0';
        return false;
    }
    return true;
}

// The executable's folder; a static initialised once, also when the first
// callers come from several threads at the same time.
const wchar_t *ExecutableDir()
{
    static const struct Dir {
        wchar_t path[kPathMax];
        Dir()
        {
            DWORD n = GetModuleFileNameW(nullptr, path, kPathMax);
            if (n == 0 || n >= kPathMax)
                path[0] = L'\0';
            wchar_t *slash = wcsrchr(path, L'\\');
            if (slash)
                slash[1] = L'\0';
            else
                path[0] = L'\0';
        }
    } dir;
    return dir.path;
}

// folder followed by the ASCII fileName into buffer; false when it does
// not fit.
bool JoinPath(wchar_t *buffer, size_t count, const wchar_t *folder, const char *fileName)
{
    if (!buffer || count == 0)
        return false;
    buffer[0] = L'\0';
    size_t at = wcslen(folder);
    if (at >= count)
        return false;
    wmemcpy(buffer, folder, at + 1);
    for (const char *c = fileName ? fileName : ""; *c; ++c) {
        if (at + 1 >= count) {
            buffer[at] = L'\0';
            return false;
        }
        buffer[at++] = static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    buffer[at] = L'\0';
    return true;
}

}  // namespace

bool ModulePath(wchar_t *buffer, size_t count, const char *fileName)
{
    const wchar_t *dir = moduleDirOverride[0] ? moduleDirOverride : ExecutableDir();
    return JoinPath(buffer, count, dir, fileName) && dir[0] != L'\0';
}

bool ModulePath(WidePath *path, const char *fileName)
{
    return ModulePath(path->text, kPathMax, fileName);
}

bool TempFolderPath(WidePath *path, const char *fileName)
{
    wchar_t folder[kPathMax];
    DWORD length = GetTempPathW(kPathMax, folder);
    if (length == 0 || length >= kPathMax) {
        path->text[0] = L'\0';
        return false;
    }
    if (folder[length - 1] != L'\\')
        wcscat(folder, L"\\");  // GetTempPathW ends it with one; the room is there
    return JoinPath(path->text, kPathMax, folder, fileName);
}

bool PathWithSuffix(WidePath *out, const wchar_t *path, const wchar_t *suffix)
{
    int n = _snwprintf(out->text, kPathMax, L"%ls%ls", path, suffix);
    out->text[kPathMax - 1] = L'\0';
    return n >= 0 && static_cast<size_t>(n) < kPathMax;
}

bool WidePathFromAnsi(WidePath *out, const char *path)
{
    out->text[0] = L'\0';
    if (!path)
        return false;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, out->text, kPathMax);
    if (n == 0) {
        out->text[0] = L'\0';
        return false;
    }
    return true;
}

void SetModuleDirForTests(const wchar_t *directory)
{
    _snwprintf(moduleDirOverride, kPathMax, L"%ls", directory ? directory : L"");
    moduleDirOverride[kPathMax - 1] = L'\0';
}

bool FileExists(const wchar_t *path)
{
    if (!path || !path[0])
        return false;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool ShortAnsiPath(const wchar_t *path, char *buffer, size_t size)
{
    if (size > 0)
        buffer[0] = '\0';
    wchar_t shortPath[kPathMax];
    DWORD length = path ? shortPathFunction(path, shortPath, kPathMax) : 0;
    if (length == 0 || length >= kPathMax)
        return false;
    return CleanAnsi(shortPath, buffer, size);
}

bool AnsiPath(const wchar_t *path, char *buffer, size_t size)
{
    if (!path || size == 0)
        return false;
    return CleanAnsi(path, buffer, size) || ShortAnsiPath(path, buffer, size);
}

const char *PathForMessage(const wchar_t *path, char *buffer, size_t size)
{
    if (size == 0)
        return buffer;
    if (!path || WideCharToMultiByte(CP_ACP, 0, path, -1, buffer, static_cast<int>(size), nullptr, nullptr) == 0)
        buffer[0] = '\0';
    buffer[size - 1] = '\0';
    return buffer;
}

void SetShortPathFunctionForTests(ShortPathFunction function)
{
    shortPathFunction = function ? function : SystemShortPath;
}
