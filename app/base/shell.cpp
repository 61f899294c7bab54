// The shell's "open" verb.
#include "base/shell.h"

#include <shellapi.h>

namespace {

ShellHook shellHook;

}  // namespace

bool OpenWithShell(HWND owner, const char *target, const char *parameters, const char *directory,
                   int showCommand)
{
    if (shellHook)
        return shellHook(target, parameters, showCommand);
    HINSTANCE result = ShellExecuteA(owner, "open", target, parameters, directory, showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void SetShellHookForTests(ShellHook hook)
{
    shellHook = hook;
}
