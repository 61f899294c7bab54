/* Keeps a headless Wine session's desktop open (tools/scripts/wine-session.sh
 * builds and starts it). Wine closes a virtual desktop, and ends its
 * explorer.exe, a few seconds after the last process with a window on it has
 * gone; the next program that makes a window then starts explorer.exe again,
 * and that explorer.exe keeps the program's standard streams open (a ctest
 * pipe, say) for as long as it lives. One hidden window held for the whole
 * session keeps the desktop, and the explorer.exe wineboot started with
 * /dev/null, alive.
 *
 *   desktop-hold.exe READY_FILE
 * creates READY_FILE once its window exists, then waits until it is killed. */
#include <windows.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    HWND window = CreateWindowA("STATIC", "Skovalt session desktop hold", 0, 0, 0, 0, 0, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
    if (!window)
        return 1;
    HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (ready == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(ready);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
