// The feedback mail through MAPISendMail.
#include "net/feedbackmail.h"

#include <mapi.h>

#include "base/report.h"

const char AuthorMailAddress[] = "mireva@holmdrey.example";

namespace {

const char *mailLibrary = "MAPI32.DLL";

}  // namespace

void SetMailLibraryForTests(const char *name)
{
    mailLibrary = name ? name : "MAPI32.DLL";
}

int SendFeedbackMail(HWND owner, bool *sent)
{
    *sent = false;
    // No "insert a disk" box from the system when the library is missing.
    UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryA(mailLibrary);
    SetErrorMode(previous);
    LPMAPISENDMAIL send = library ? reinterpret_cast<LPMAPISENDMAIL>(
                                        reinterpret_cast<void *>(GetProcAddress(library, "MAPISendMail")))
                                  : nullptr;
    if (!send) {
        if (library)
            FreeLibrary(library);
        ReportMessage(owner, MB_OK | MB_ICONEXCLAMATION, "Error initializing MAPI DLL");
        return 1;
    }

    char name[] = "Holmdrey";
    char address[64] = "SMTP:";
    lstrcatA(address, AuthorMailAddress);
    char subject[] = "Skovalt";
    MapiRecipDesc originator = {};
    MapiRecipDesc recipient = {};
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = name;
    recipient.lpszAddress = address;
    MapiMessage message = {};
    message.lpszSubject = subject;
    message.lpOriginator = &originator;
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    ULONG result = send(0, reinterpret_cast<ULONG_PTR>(owner), &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    FreeLibrary(library);

    if (result == SUCCESS_SUCCESS) {
        *sent = true;
        return 0;
    }
    if (result == MAPI_USER_ABORT)
        return 0;
    ReportMessage(owner, MB_OK | MB_ICONEXCLAMATION, "MAPISendMail returned error....");
    return 1;
}
