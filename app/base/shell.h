// Opening a URL or a file with the shell's "open" verb. Every such call of
// the program goes through here, so tests can see what would be opened.
#ifndef SKOVALT_BASE_SHELL_H
#define SKOVALT_BASE_SHELL_H

#include <windows.h>

// ShellExecuteA(owner, "open", target, parameters, directory, show). True
// when the shell accepted the request.
bool OpenWithShell(HWND owner, const char *target, const char *parameters, const char *directory,
                   int showCommand);

// Tests only: every request goes to the hook instead, which answers
// whether the shell accepted it; null restores the shell.
using ShellHook = bool (*)(const char *target, const char *parameters, int showCommand);
void SetShellHookForTests(ShellHook hook);

#endif
