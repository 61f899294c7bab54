// Message boxes: the program reports failures, notices and questions in
// boxes captioned "Skovalt".
#ifndef SKOVALT_BASE_REPORT_H
#define SKOVALT_BASE_REPORT_H

#include <windows.h>

// A message box with caption "Skovalt" and a printf-style text (cut to 999
// characters); returns its result (IDOK, IDYES, ...).
int ReportMessage(HWND owner, UINT type, const char *format, ...);

// While quiet, ReportMessage shows nothing and returns IDOK at once: for
// the end of a Windows session, which waits for no answer.
void SetReportsQuiet(bool quiet);

// Tests only: every message box goes to the hook instead, which returns
// the answer; null restores the boxes.
using MessageHook = int (*)(HWND owner, UINT type, const char *text);
void SetMessageHookForTests(MessageHook hook);

#endif
