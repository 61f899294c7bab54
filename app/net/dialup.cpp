#include "net/dialup.h"

#include <windows.h>

int DialUp()
{
    return DialUpThrough("wininet.dll", "InternetAutodial");
}

int DialUpThrough(const char *library, const char *function)
{
    // No "cannot find file" box from Windows while probing for the DLL.
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE wininet = LoadLibraryA(library);
    SetErrorMode(oldMode);
    if (!wininet)
        return 0;
    using AutodialFn = BOOL(WINAPI *)(DWORD, HWND);
    auto autodial = reinterpret_cast<AutodialFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(wininet, function)));
    int result = 0;
    if (autodial)
        result = autodial(3 /* FORCE_ONLINE | FORCE_UNATTENDED */, nullptr);
    FreeLibrary(wininet);
    return result;
}
