// Message boxes captioned "Skovalt".
#include "base/report.h"

#include <stdarg.h>
#include <stdio.h>

namespace {

MessageHook messageHook;
bool reportsQuiet;

}  // namespace

int ReportMessage(HWND owner, UINT type, const char *format, ...)
{
    char text[1000];
    if (reportsQuiet)
        return IDOK;
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (messageHook)
        return messageHook(owner, type, text);
    return MessageBoxA(owner, text, "Skovalt", type);
}

void SetReportsQuiet(bool quiet)
{
    reportsQuiet = quiet;
}

void SetMessageHookForTests(MessageHook hook)
{
    messageHook = hook;
}
