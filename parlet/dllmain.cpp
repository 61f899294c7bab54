// Entry point of Parlet.dll: the hidden windows live from process attach to
// process detach.
#include "parlet/internal.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        LibraryAttach(module);
    else if (reason == DLL_PROCESS_DETACH)
        LibraryDetach();
    return TRUE;
}
