/* Starts a program and waits for its main window: a visible top-level
 * window of the class "Skovalt" whose server list shows ROWS rows. Then
 * closes it with WM_CLOSE and waits for it to end with exit code 0.
 * tools/scripts/installer-test.sh builds and runs it under Wine.
 *
 *   show-window.exe EXE ROWS
 * Exit status: 0 when all went so; 1 no such window within 30 s; 2 the
 * program did not end well after WM_CLOSE; 3 it could not be started. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "resource.h"

struct Found {
    DWORD pid;
    HWND window;
};

static BOOL CALLBACK FindMainWindow(HWND window, LPARAM data)
{
    struct Found *found = (struct Found *)data;
    DWORD pid = 0;
    char name[32];
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->pid && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        strcmp(name, "Skovalt") == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

int main(int argc, char **argv)
{
    if (argc != 3)
        return 3;
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%s", argv[1]);
    char *slash = strrchr(folder, '\\');
    if (slash)
        *slash = '\0';
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessA(argv[1], NULL, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process))
        return 3;
    struct Found found = {process.dwProcessId, NULL};
    long rows = -1, want = atol(argv[2]);
    for (int i = 0; i < 1500 && rows != want; ++i) {
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
            break;
        found.window = NULL;
        EnumWindows(FindMainWindow, (LPARAM)&found);
        HWND list = found.window ? GetDlgItem(found.window, ID_SERVERLIST) : NULL;
        if (list && IsWindowVisible(list))
            rows = (long)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    }
    if (rows != want) {
        printf("show-window: no main window with %ld rows (last seen: %ld)\n", want, rows);
        TerminateProcess(process.hProcess, 99);
        return 1;
    }
    printf("show-window: main window shown with %ld rows\n", rows);
    PostMessageA(found.window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code) || code != 0) {
        printf("show-window: the program did not end well after WM_CLOSE (exit code %lu)\n", code);
        TerminateProcess(process.hProcess, 99);
        return 2;
    }
    return 0;
}
