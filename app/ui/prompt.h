// The one-line prompt dialog (resource 140).
#ifndef SKOVALT_UI_PROMPT_H
#define SKOVALT_UI_PROMPT_H

#include <windows.h>

// Shows the prompt with buffer as its initial text. Returns 0 on OK
// (buffer filled, at most size bytes), 1 on Cancel.
int PromptDialog(HWND owner, char *buffer, int size, const char *caption, const char *prompt);

#endif
