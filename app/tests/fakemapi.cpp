// A stand-in for the MAPI mail library: MAPISendMail records the message it
// is given and returns the result a test set. Loaded through the mail
// library seam. Without any dllexport, the linker exports every function.
#include <windows.h>
#include <mapi.h>
#include <string.h>

#include "fakemapi.h"

namespace {

FakeMapiCall lastCall;
ULONG nextResult = SUCCESS_SUCCESS;

void Copy(char *dest, size_t size, const char *text)
{
    if (!text) {
        strncpy(dest, "<null>", size - 1);
        return;
    }
    strncpy(dest, text, size - 1);
    dest[size - 1] = '\0';
}

}  // namespace

extern "C" ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags,
                                     ULONG)
{
    memset(&lastCall, 0, sizeof lastCall);
    ++lastCall.calls;
    lastCall.session = session;
    lastCall.uiParam = uiParam;
    lastCall.flags = flags;
    Copy(lastCall.subject, sizeof lastCall.subject, message->lpszSubject);
    lastCall.noteText = message->lpszNoteText != nullptr;
    lastCall.originatorZero = message->lpOriginator && message->lpOriginator->ulRecipClass == 0 &&
                              !message->lpOriginator->lpszName && !message->lpOriginator->lpszAddress;
    lastCall.recipients = message->nRecipCount;
    lastCall.files = message->nFileCount;
    if (message->nRecipCount > 0 && message->lpRecips) {
        lastCall.recipientClass = message->lpRecips[0].ulRecipClass;
        Copy(lastCall.recipientName, sizeof lastCall.recipientName, message->lpRecips[0].lpszName);
        Copy(lastCall.recipientAddress, sizeof lastCall.recipientAddress, message->lpRecips[0].lpszAddress);
    }
    return nextResult;
}

extern "C" void FakeMapiSetResult(unsigned long result)
{
    nextResult = result;
    memset(&lastCall, 0, sizeof lastCall);
}

extern "C" const FakeMapiCall *FakeMapiLastCall()
{
    return &lastCall;
}
