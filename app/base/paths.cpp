// The program folder, looked up once.
#include "base/paths.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

char moduleDirOverride[MAX_PATH];

// The executable's folder; a static initialised once, also when the first
// callers come from several threads at the same time.
const char *ExecutableDir()
{
    static const struct Dir {
        char path[MAX_PATH];
        Dir()
        {
            DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
            if (n == 0 || n >= sizeof path)
                path[0] = '\0';
            char *slash = strrchr(path, '\\');
            if (slash)
                slash[1] = '\0';
            else
                path[0] = '\0';
        }
    } dir;
    return dir.path;
}

}  // namespace

bool ModulePath(char *buffer, size_t size, const char *fileName)
{
    if (!buffer || size == 0)
        return false;
    const char *dir = moduleDirOverride[0] ? moduleDirOverride : ExecutableDir();
    int n = snprintf(buffer, size, "%s%s", dir, fileName ? fileName : "");
    return n >= 0 && static_cast<size_t>(n) < size;
}

bool PathWithSuffix(char *buffer, size_t size, const char *path, const char *suffix)
{
    int n = snprintf(buffer, size, "%s%s", path, suffix);
    return n >= 0 && static_cast<size_t>(n) < size;
}

void SetModuleDirForTests(const char *directory)
{
    snprintf(moduleDirOverride, sizeof moduleDirOverride, "%s", directory ? directory : "");
}

bool FileExists(const char *path)
{
    FILE *f = path ? fopen(path, "rb") : nullptr;
    if (!f)
        return false;
    fclose(f);
    return true;
}
