// Packed versions, the version file's text and the program's own version.
// Everything but GetOwnVersion is portable: the native build tests and
// fuzzes the version file's reader.
#include "net/version.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <stdlib.h>
#include <string.h>

namespace {

// atoi's reading: leading digits, 0 when there are none; saturates at 255,
// the most one part of a packed version holds.
unsigned ReadPart(const char *text)
{
    unsigned n = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        n = n >= 255 ? 255 : n * 10 + static_cast<unsigned>(*text - '0');
    return n > 255 ? 255 : n;
}

}  // namespace

uint32_t PackVersion(unsigned major, unsigned minor, unsigned release)
{
    return (major & 0xFFu) << 24 | (minor & 0xFFu) << 16 | (release & 0xFFu) << 8;
}

unsigned VersionMajor(uint32_t packed) { return packed >> 24; }
unsigned VersionMinor(uint32_t packed) { return (packed >> 16) & 0xFF; }
unsigned VersionRelease(uint32_t packed) { return (packed >> 8) & 0xFF; }

uint32_t ParseVersionText(const char *text)
{
    if (!text)
        return kNoVersion;
    const char *dot = strchr(text, '.');
    if (!dot)
        return kNoVersion;
    const char *second = strchr(dot + 1, '.');
    return PackVersion(ReadPart(text), ReadPart(dot + 1), second ? ReadPart(second + 1) : 0);
}

#ifdef _WIN32
uint32_t GetOwnVersion()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return 0;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return 0;
    void *block = malloc(size);
    if (!block)
        return 0;
    uint32_t version = 0;
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(path, 0, size, block) &&
        VerQueryValueA(block, "\\", reinterpret_cast<void **>(&info), &length) && info &&
        length >= sizeof *info) {
        version = PackVersion(HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                              HIWORD(info->dwProductVersionLS));
    }
    free(block);
    return version;
}
#endif
