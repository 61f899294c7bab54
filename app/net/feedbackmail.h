// The feedback mail: a message to the author composed in the user's own
// mail client, through the MAPI library loaded by name at run time.
#ifndef SKOVALT_NET_FEEDBACKMAIL_H
#define SKOVALT_NET_FEEDBACKMAIL_H

#include <windows.h>

// The author's mail address, as the about box shows it.
extern const char AuthorMailAddress[];

// Opens a mail to the author (subject "Skovalt") in the mail client for
// the user to write and send. Returns 0 when it was sent (*sent true) or
// the user cancelled it; 1 after a message when the mail library is
// missing or reports an error.
int SendFeedbackMail(HWND owner, bool *sent);

// Tests only: the library loaded instead of "MAPI32.DLL" (null restores it).
void SetMailLibraryForTests(const char *name);

#endif
